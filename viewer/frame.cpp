#include "viewer/frame.h"

#include "viewer/camera.h"
#include "viewer/draw_model.h"
#include "viewer/tri_batch.h"
#include "viewer/view_state.h"
#include "viewer/viewer.h"
#include "viewer/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

// Field of view of the perspective projection, degrees.
static const double PERSPECTIVE_FOV = 30.0;
// Near plane of the perspective projection.
static const double PERSPECTIVE_NEAR = 1.0;
// Zoom limits.
static const float ZOOM_MIN = 0.001f;
static const float ZOOM_MAX = 100.0f;
// Fixed drawing sizes accepted, pixels per side.
static const int VIEW_SIZE_MIN = 20;
static const int VIEW_SIZE_MAX = 3000;
// Size the GL window is given when the fixed size ends; the size message that
// follows fits it to its parent again.
static const int UNFIXED_WINDOW_SIZE = 300;
// Passes of one frame at most: each pass but the last uploads textures, and
// every texture uploads once, so a second pass normally ends the loop.
static const int MAX_FRAME_PASSES = 16;

// 1 while a frame is being drawn.
static int g_frame_guard;

static void draw_fixed_surround(const float *background);
static void load_rotation(float yaw, float pitch);

void view_draw_frame(ViewState *view, Viewer *viewer)
{
    if (view == nullptr || viewer == nullptr || g_frame_guard) return;
    g_frame_guard = 1;
    WinHandle window = view->gl_window;
    win_begin_paint(window);
    if (window != 0 && win_current_hwnd() == window) {
        int passes = 0;
        do {
            if (view->fixed_size) {
                draw_fixed_surround(view->background);
            } else {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            }
            view_draw_scene(view, viewer);
            passes++;
        } while (viewer->frame_uploads != 0 && passes < MAX_FRAME_PASSES);
        view_flush(view);
    }
    win_end_paint(window);
    g_frame_guard = 0;
}

// The focus translation is pushed on the modelview, so the next pass or frame
// starts again from the bare rotation.
void view_draw_scene(ViewState *view, Viewer *viewer)
{
    view_apply_projection(view);
    view_apply_rotation(view);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(-view->camera_focus[0], -view->camera_focus[1], -view->camera_focus[2]);
    draw_models(viewer);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void view_apply_projection(ViewState *view)
{
    if (view == nullptr) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (view->perspective) {
        float d = view->depth * 0.5f * view->zoom;
        double aspect = view->window_h > 0 ? (double)view->window_w / (double)view->window_h : 1.0;
        float far_plane = 2.0f * (d > view->depth ? d : view->depth);
        gluPerspective(PERSPECTIVE_FOV, aspect, PERSPECTIVE_NEAR, far_plane);
        glTranslatef(-view->pan_x, -view->pan_y, -d);
    } else {
        // A scale instead of glOrtho: x and y map extent * 0.25 * zoom to the edge, z maps
        // depth to -1, so nothing in front of the focus by less than depth is clipped.
        float sx = view->extent_x * 0.25f * view->zoom;
        float sy = view->extent_y * 0.25f * view->zoom;
        float sz = view->depth;
        glScalef(sx != 0.0f ? 1.0f / sx : 1.0f, sy != 0.0f ? 1.0f / sy : 1.0f, sz != 0.0f ? -1.0f / sz : -1.0f);
        glTranslatef(-view->pan_x, -view->pan_y, 0.0f);
    }
    glMatrixMode(GL_MODELVIEW);
}

void view_apply_rotation(ViewState *view)
{
    if (view == nullptr || view->free_rotate) return;
    load_rotation(view->yaw, view->pitch);
}

void view_set_angles(ViewState *view, float yaw, float pitch)
{
    if (view == nullptr) return;
    view->yaw = yaw;
    view->pitch = pitch;
    load_rotation(yaw, pitch);
}

void view_rotate_by(ViewState *view, float d_yaw, float d_pitch)
{
    if (view == nullptr) return;
    if (!view->free_rotate) {
        view->yaw += d_yaw;
        view->pitch += d_pitch;
        return;
    }
    float current[16];
    glMatrixMode(GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, current);
    glLoadIdentity();
    if (d_yaw != 0.0f) glRotatef(d_yaw, 0.0f, 1.0f, 0.0f);
    if (d_pitch != 0.0f) glRotatef(d_pitch, 1.0f, 0.0f, 0.0f);
    glMultMatrixf(current);
}

void view_get_modelview(Matrix4 *out)
{
    if (out == nullptr) return;
    float gl[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, gl);
    for (int row = 0; row < 4; row++) {
        for (int col = 0; col < 4; col++) out->m[row * 4 + col] = gl[col * 4 + row];
    }
}

void view_load_modelview(const Matrix4 *m)
{
    if (m == nullptr) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(mat4_to_gl(m));
}

void view_flush(ViewState *view)
{
    glFlush();
    if (view != nullptr) win_swap_buffers(view->gl_window);
}

void view_setup_lights(void)
{
    static const float diffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    static const float ambient[] = {0.35f, 0.35f, 0.35f, 1.0f};
    static const float specular[] = {0.05f, 0.05f, 0.05f, 1.0f};
    static const float light0_ambient[] = {0.8f, 0.8f, 0.8f, 0.0f};
    static const float light1_position[] = {0.0f, 0.0f, 1.0f, 0.0f};
    static const float light2_position[] = {0.0f, 0.0f, -1.0f, 0.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 0.2f);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 1.0f);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glLightfv(GL_LIGHT2, GL_POSITION, light2_position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glDepthFunc(GL_LEQUAL);
}

void view_set_background(ViewState *view, float r, float g, float b)
{
    if (view == nullptr) return;
    view->background[0] = r;
    view->background[1] = g;
    view->background[2] = b;
    glClearColor(r, g, b, 0.0f);
}

void view_set_background_rgb(ViewState *view, float r, float g, float b)
{
    view_set_background(view, r, g, b);
}

void view_set_zoom(ViewState *view, float z)
{
    if (view == nullptr) return;
    if (!(z >= ZOOM_MIN)) z = ZOOM_MIN;  // also catches NaN
    if (z > ZOOM_MAX) z = ZOOM_MAX;
    view->zoom = z;
}

// Before the window has a size there is no pixel scale: only the reset applies.
void view_pan(ViewState *view, float dx, float dy, int relative)
{
    if (view == nullptr) return;
    if (dx == 0.0f && dy == 0.0f) {
        view->pan_x = 0.0f;
        view->pan_y = 0.0f;
        return;
    }
    if (view->window_w <= 0 || view->window_h <= 0) return;
    float px = dx / (float)view->window_w * view->extent_x * 0.5f * view->zoom;
    float py = dy / (float)view->window_h * view->extent_y * 0.5f * view->zoom;
    if (relative) {
        view->pan_x -= px;
        view->pan_y += py;
    } else {
        view->pan_x = px;
        view->pan_y = py;
    }
}

void view_set_perspective(ViewState *view, int flag)
{
    if (view != nullptr) view->perspective = flag;
}

void view_set_free_rotate(ViewState *view, int flag)
{
    if (view != nullptr) view->free_rotate = flag;
}

int view_set_cursor_shape(int id)
{
    return win_set_cursor(id);
}

void win_set_view_size(ViewState *view, Viewer *viewer, int w, int h)
{
    if (view == nullptr) return;
    if (w == 0 && h == 0) {
        view->fixed_size = 0;
        win_set_rect(view->gl_window, 0, 0, UNFIXED_WINDOW_SIZE, UNFIXED_WINDOW_SIZE);
        return;
    }
    if (w < VIEW_SIZE_MIN || w > VIEW_SIZE_MAX || h < VIEW_SIZE_MIN || h > VIEW_SIZE_MAX) return;
    if (w == view->window_w && h == view->window_h) return;
    view->fixed_size = 1;
    view_set_window_size(view, w, h);
    glViewport(0, 0, w, h);
    view_apply_projection(view);
    view_draw_frame(view, viewer);
    char text[64];
    snprintf(text, sizeof text, "Window resize = %dx%d", w, h);
    if (viewer != nullptr && viewer->status_hook != nullptr) viewer->status_hook(text);
}

// Clears the whole window to the inverse of the background, then fills the
// viewport (the fixed drawing area) with the background itself.
static void draw_fixed_surround(const float *background)
{
    float r = background[0], g = background[1], b = background[2];
    glClearColor(1.0f - r, 1.0f - g, 1.0f - b, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(r, g, b, 0.0f);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    batch_begin(GL_TRIANGLE_STRIP, 4);
    batch_vertex2f(-2.0f, -2.0f);
    batch_vertex2f(-2.0f, 2.0f);
    batch_vertex2f(2.0f, -2.0f);
    batch_vertex2f(2.0f, 2.0f);
    batch_end();
    glPopMatrix();
    glClearColor(r, g, b, 0.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
}

// modelview = identity rotated by yaw about y, then by pitch about x.
static void load_rotation(float yaw, float pitch)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(yaw, 0.0f, 1.0f, 0.0f);
    glRotatef(pitch, 1.0f, 0.0f, 0.0f);
}
