#include "viewer/view_callbacks.h"

#include "command/app_state.h"
#include "command/callbacks.h"
#include "viewer/camera.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"

#include <GL/gl.h>

#include <cstdio>

// View size the camera starts with.
static const float INITIAL_VIEW_SIZE = 100.0f;

// Last pointer position seen in the GL window.
static int g_mouse_last_x;
static int g_mouse_last_y;

void view_on_gl_init(WinHandle window, int unused, void *event)
{
    AppState *app = &g_app;
    int w = 0, h = 0;
    app->gl_window = window;
    app->yaw = 0.0f;
    app->pitch = 0.0f;
    app->pan_x = 0.0f;
    app->pan_y = 0.0f;
    app->zoom = 1.0f;
    app->background[0] = app->background[1] = app->background[2] = 0.0f;
    win_make_current(window);
    win_get_geometry(window, nullptr, nullptr, &w, &h);
    app->extent_x = 2.0f * (float)w / 300.0f;
    app->extent_y = 2.0f * (float)h / 300.0f;
    app->depth = 600.0f;
    app->window_w = w;
    app->window_h = h;
    view_set_focus(app, 0.0f, 0.0f, 0.0f);
    viewer_set_points_color_index(&app->viewer, 0);
    view_apply_projection(app);
    view_set_extent(app, INITIAL_VIEW_SIZE, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    display_set_smooth(&app->viewer, 0);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    view_setup_lights();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void view_on_paint(WinHandle window, int unused, void *event)
{
}

void view_on_resize(WinHandle window, int unused, void *event)
{
    AppState *app = &g_app;
    int w = 0, h = 0;
    if (!win_get_geometry(win_get_parent(window), nullptr, nullptr, &w, &h)) return;
    if (w + h == 0) return;
    if (w != app->window_w || h != app->window_h) {
        float ex = app->window_w != 0 ? app->extent_x * (float)w / (float)app->window_w : app->extent_x;
        float ey = app->window_h != 0 ? app->extent_y * (float)h / (float)app->window_h : app->extent_y;
        win_set_rect(window, 0, 0, w, h);
        if (!app->fixed_size) {
            app->window_w = w;
            app->window_h = h;
            app->extent_x = ex;
            app->extent_y = ey;
            return;
        }
    }
    glViewport(0, 0, app->window_w, app->window_h);
    view_apply_projection(app);
    view_draw_frame(app);
    if (!app->fixed_size) {
        char text[32];
        snprintf(text, sizeof text, "%dx%d", ((w - 2) & ~3) & 0xffff, ((h - 2) & ~3) & 0xffff);
        cb_status_hook(text);
    }
}

void view_on_mouse(WinHandle window, int unused, void *event)
{
    const MouseEvent *m = static_cast<const MouseEvent *>(event);
    if (m == nullptr) return;
    if (m->type == WIN_MOUSE_BUTTON) {
        g_mouse_last_x = m->x;
        g_mouse_last_y = m->y;
        if (m->down) cb_send_mouse(m->button, m->x, m->y, 0, 0);
        else cb_send_mouse(0, 0, 0, 0, 0);
    } else if (m->type == WIN_MOUSE_MOVE) {
        if (m->down) cb_send_mouse(m->button, m->x, m->y, m->x - g_mouse_last_x, m->y - g_mouse_last_y);
        g_mouse_last_x = m->x;
        g_mouse_last_y = m->y;
    }
}
