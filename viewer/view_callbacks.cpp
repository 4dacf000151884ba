#include "viewer/view_callbacks.h"

#include "viewer/camera.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"
#include "viewer/view_state.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstdio>

// View size the camera starts with.
static const float INITIAL_VIEW_SIZE = 100.0f;

// What the callbacks work on, set by view_callbacks_init.
struct ViewBinding {
    ViewState *view;           // camera and window values of the GL window
    Viewer *viewer;            // the scene drawn in it
    ViewMouseHook mouse_hook;  // receives mouse reports, or null
};

// The one binding of the GL window's callbacks.
static ViewBinding g_binding;
// Last pointer position seen in the GL window.
static int g_mouse_last_x;
static int g_mouse_last_y;

static void send_mouse(int button, int x, int y, int dx, int dy);

void view_callbacks_init(ViewState *view, Viewer *viewer, ViewMouseHook mouse_hook)
{
    g_binding.view = view;
    g_binding.viewer = viewer;
    g_binding.mouse_hook = mouse_hook;
}

void view_on_gl_init(WinHandle window, int unused, void *event)
{
    ViewState *view = g_binding.view;
    Viewer *viewer = g_binding.viewer;
    if (view == nullptr || viewer == nullptr) return;
    int w = 0, h = 0;
    view->gl_window = window;
    view->yaw = 0.0f;
    view->pitch = 0.0f;
    view->pan_x = 0.0f;
    view->pan_y = 0.0f;
    view->zoom = 1.0f;
    view->background[0] = view->background[1] = view->background[2] = 0.0f;
    win_make_current(window);
    win_get_geometry(window, nullptr, nullptr, &w, &h);
    view->extent_x = 2.0f * (float)w / 300.0f;
    view->extent_y = 2.0f * (float)h / 300.0f;
    view->depth = 600.0f;
    view->window_w = w;
    view->window_h = h;
    view->laid_out = w > 1 && h > 1;
    view_set_focus(view, 0.0f, 0.0f, 0.0f);
    viewer_set_points_color_index(viewer, 0);
    view_apply_projection(view);
    view_set_extent(view, INITIAL_VIEW_SIZE, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    display_set_smooth(viewer, 0);
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
    ViewState *view = g_binding.view;
    Viewer *viewer = g_binding.viewer;
    if (view == nullptr || viewer == nullptr) return;
    int w = 0, h = 0;
    if (!win_get_geometry(win_get_parent(window), nullptr, nullptr, &w, &h)) return;
    if (w + h == 0) return;
    if (w != view->window_w || h != view->window_h) {
        win_set_rect(window, 0, 0, w, h);
        if (!view->fixed_size) {
            view_set_window_size(view, w, h);
            return;
        }
    }
    glViewport(0, 0, view->window_w, view->window_h);
    view_apply_projection(view);
    view_draw_frame(view, viewer);
    if (!view->fixed_size) {
        char text[32];
        snprintf(text, sizeof text, "%dx%d", ((w - 2) & ~3) & 0xffff, ((h - 2) & ~3) & 0xffff);
        if (viewer->status_hook != nullptr) viewer->status_hook(text);
    }
}

void view_on_mouse(WinHandle window, int unused, void *event)
{
    const MouseEvent *m = static_cast<const MouseEvent *>(event);
    if (m == nullptr) return;
    if (m->type == WIN_MOUSE_BUTTON) {
        g_mouse_last_x = m->x;
        g_mouse_last_y = m->y;
        if (m->down) send_mouse(m->button, m->x, m->y, 0, 0);
        else send_mouse(0, 0, 0, 0, 0);
    } else if (m->type == WIN_MOUSE_MOVE) {
        if (m->down) send_mouse(m->button, m->x, m->y, m->x - g_mouse_last_x, m->y - g_mouse_last_y);
        g_mouse_last_x = m->x;
        g_mouse_last_y = m->y;
    }
}

// Hands one mouse report to the bound hook, if any.
static void send_mouse(int button, int x, int y, int dx, int dy)
{
    if (g_binding.mouse_hook != nullptr) g_binding.mouse_hook(button, x, y, dx, dy);
}
