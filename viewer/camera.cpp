#include "viewer/camera.h"

#include "command/app_state.h"

// Room left round the scene by the extents.
constexpr float EXTENT_MARGIN = 1.05f;

void view_reset(AppState *app)
{
    if (!app) return;
    view_set_extent(app, 10.0f, 0);
    view_set_focus(app, 0.0f, 0.0f, 0.0f);
}

void view_fit_scene(AppState *app)
{
    if (!app) return;
    view_set_extent(app, app->viewer.view_size, 1);
}

void view_set_focus(AppState *app, float x, float y, float z)
{
    if (!app) return;
    app->camera_focus[0] = x;
    app->camera_focus[1] = y;
    app->camera_focus[2] = z;
}

// Before the window exists its size is 0 x 0; the aspect is then taken as 1.
void view_set_extent(AppState *app, float size, int rescale)
{
    if (!app) return;
    float s = size * EXTENT_MARGIN;
    float w = static_cast<float>(app->window_w);
    float h = static_cast<float>(app->window_h);
    float new_x = s;
    float new_y = s;
    if (w > 0.0f && h > 0.0f) {
        if (app->window_w > app->window_h) new_x = s * (w / h);
        else new_y = s * (h / w);
    }
    float new_depth = 2.0f * s;
    if (rescale) {
        if (!(new_x > app->extent_x || new_y > app->extent_y || new_depth > app->depth)) return;
        app->zoom = app->zoom * app->depth / new_depth;
    }
    app->extent_x = new_x;
    app->extent_y = new_y;
    app->depth = new_depth;
    if (app->viewer.rescale_hook) app->viewer.rescale_hook(&app->viewer);
}
