#include "viewer/camera.h"

#include "viewer/view_state.h"
#include "viewer/viewer.h"

// Room left round the scene by the extents.
constexpr float EXTENT_MARGIN = 1.05f;

void view_reset(ViewState *view)
{
    if (!view) return;
    view_set_extent(view, 10.0f, 0);
    view_set_focus(view, 0.0f, 0.0f, 0.0f);
}

void view_fit_scene(ViewState *view, const Viewer *viewer)
{
    if (!view || !viewer) return;
    view_set_extent(view, viewer->view_size, 1);
}

void view_set_focus(ViewState *view, float x, float y, float z)
{
    if (!view) return;
    view->camera_focus[0] = x;
    view->camera_focus[1] = y;
    view->camera_focus[2] = z;
}

// Before the window exists its size is 0 x 0; the aspect is then taken as 1.
void view_set_extent(ViewState *view, float size, int rescale)
{
    if (!view) return;
    float s = size * EXTENT_MARGIN;
    float w = static_cast<float>(view->window_w);
    float h = static_cast<float>(view->window_h);
    float new_x = s;
    float new_y = s;
    if (w > 0.0f && h > 0.0f) {
        if (view->window_w > view->window_h) new_x = s * (w / h);
        else new_y = s * (h / w);
    }
    float new_depth = 2.0f * s;
    if (rescale) {
        if (!(new_x > view->extent_x || new_y > view->extent_y || new_depth > view->depth)) return;
        view->zoom = view->zoom * view->depth / new_depth;
    }
    view->extent_x = new_x;
    view->extent_y = new_y;
    view->depth = new_depth;
    if (view->rescale_viewer && view->rescale_viewer->rescale_hook)
        view->rescale_viewer->rescale_hook(view->rescale_viewer);
}
