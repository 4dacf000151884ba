#include "viewer/camera.h"

#include "viewer/view_state.h"
#include "viewer/viewer.h"

// Room left round the scene by the extents.
constexpr float EXTENT_MARGIN = 1.05f;

static void set_extents(ViewState *view, float s, int rescale);

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
    set_extents(view, size * EXTENT_MARGIN, rescale);
}

// The depth is always twice the half size the extents were last set for, so it
// gives that half size back for the new aspect.
void view_set_window_size(ViewState *view, int w, int h)
{
    if (!view) return;
    if (view->laid_out) {
        if (view->window_w > 0) view->extent_x *= (float)w / (float)view->window_w;
        if (view->window_h > 0) view->extent_y *= (float)h / (float)view->window_h;
        view->window_w = w;
        view->window_h = h;
    } else {
        view->window_w = w;
        view->window_h = h;
        set_extents(view, view->depth * 0.5f, 0);
    }
    if (w > 1 && h > 1) view->laid_out = 1;
}

// Extents and depth for half size s, widened to the window's aspect.
static void set_extents(ViewState *view, float s, int rescale)
{
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
