// The frame and camera code against recording stand-ins for OpenGL, the
// window layer and the model pass, with a recording status hook: exact projection
// matrices, rotations, the frame guard, the texture-upload repeat, the
// fixed-size surround and the fixed view size.
#include "viewer/camera.h"
#include "viewer/draw_model.h"
#include "viewer/frame.h"
#include "viewer/view_state.h"
#include "viewer/viewer.h"
#include "viewer/window.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// A column-major 4x4 matrix as OpenGL keeps it.
struct GlMatrix {
    float m[16];
};

GlMatrix identity()
{
    GlMatrix r;
    for (int i = 0; i < 16; i++) r.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    return r;
}

// a x b in OpenGL's column-major convention.
GlMatrix multiply(const GlMatrix &a, const GlMatrix &b)
{
    GlMatrix r;
    for (int col = 0; col < 4; col++) {
        for (int row = 0; row < 4; row++) {
            float s = 0.0f;
            for (int k = 0; k < 4; k++) s += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = s;
        }
    }
    return r;
}

GlMatrix rotation(float degrees, float x, float y, float z)
{
    double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    double len = std::sqrt(x * x + y * y + z * z);
    double ux = x / len, uy = y / len, uz = z / len;
    GlMatrix r = identity();
    r.m[0] = (float)(ux * ux * (1 - c) + c);
    r.m[1] = (float)(uy * ux * (1 - c) + uz * s);
    r.m[2] = (float)(ux * uz * (1 - c) - uy * s);
    r.m[4] = (float)(ux * uy * (1 - c) - uz * s);
    r.m[5] = (float)(uy * uy * (1 - c) + c);
    r.m[6] = (float)(uy * uz * (1 - c) + ux * s);
    r.m[8] = (float)(ux * uz * (1 - c) + uy * s);
    r.m[9] = (float)(uy * uz * (1 - c) - ux * s);
    r.m[10] = (float)(uz * uz * (1 - c) + c);
    return r;
}

// The recorded GL state and calls.
struct Recorder {
    std::vector<std::string> calls;                  // every call, in order, as text
    std::vector<GlMatrix> modelview{identity()};     // modelview stack, top last
    std::vector<GlMatrix> projection{identity()};    // projection stack, top last
    GLenum mode = GL_MODELVIEW;
    WinHandle current = 0;                           // window that is current
    int draw_calls = 0;                              // draw_models calls
    std::function<void(Viewer *)> on_draw;           // what draw_models does
    std::vector<std::string> status;                 // texts sent to the status hook
};

Recorder g_rec;

GlMatrix &top()
{
    return g_rec.mode == GL_PROJECTION ? g_rec.projection.back() : g_rec.modelview.back();
}

void log_call(const char *format, ...) __attribute__((format(printf, 1, 2)));
void log_call(const char *format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_rec.calls.push_back(text);
}

// Index of the first recorded call starting with prefix at or after from, -1 when none.
int find_call(const std::string &prefix, int from = 0)
{
    for (int i = from; i < (int)g_rec.calls.size(); i++) {
        if (g_rec.calls[i].compare(0, prefix.size(), prefix) == 0) return i;
    }
    return -1;
}

int count_calls(const std::string &prefix)
{
    int n = 0;
    for (const std::string &c : g_rec.calls) n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

void expect_matrix(const GlMatrix &got, const GlMatrix &want)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(got.m[i], want.m[i], 1e-5f) << "element " << i;
}

}  // namespace

// ---- stand-ins ------------------------------------------------------------------
extern "C" {
void glMatrixMode(GLenum mode) { g_rec.mode = mode; }
void glLoadIdentity(void) { top() = identity(); }
void glPushMatrix(void)
{
    auto &stack = g_rec.mode == GL_PROJECTION ? g_rec.projection : g_rec.modelview;
    stack.push_back(stack.back());
}
void glPopMatrix(void)
{
    auto &stack = g_rec.mode == GL_PROJECTION ? g_rec.projection : g_rec.modelview;
    if (stack.size() > 1) stack.pop_back();
}
void glMultMatrixf(const GLfloat *m)
{
    GlMatrix b;
    memcpy(b.m, m, sizeof b.m);
    top() = multiply(top(), b);
}
void glLoadMatrixf(const GLfloat *m) { memcpy(top().m, m, sizeof top().m); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    GlMatrix t = identity();
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    top() = multiply(top(), t);
    log_call("glTranslatef %g %g %g", x, y, z);
}
void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    GlMatrix s = identity();
    s.m[0] = x;
    s.m[5] = y;
    s.m[10] = z;
    top() = multiply(top(), s);
    log_call("glScalef");
}
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z)
{
    top() = multiply(top(), rotation(a, x, y, z));
    log_call("glRotatef %g %g %g %g", a, x, y, z);
}
void glGetFloatv(GLenum name, GLfloat *out)
{
    const GlMatrix &m = name == GL_PROJECTION_MATRIX ? g_rec.projection.back() : g_rec.modelview.back();
    memcpy(out, m.m, sizeof m.m);
}
void gluPerspective(GLdouble fov, GLdouble aspect, GLdouble near_plane, GLdouble far_plane)
{
    log_call("gluPerspective %g %g %g %g", fov, aspect, near_plane, far_plane);
}
void glClear(GLbitfield mask) { log_call("glClear %u", mask); }
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { log_call("glClearColor %g %g %g %g", r, g, b, a); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { log_call("glColor4f %g %g %g %g", r, g, b, a); }
void glEnable(GLenum cap) { log_call("glEnable %u", cap); }
void glDisable(GLenum cap) { log_call("glDisable %u", cap); }
void glBegin(GLenum mode) { log_call("glBegin %u", mode); }
void glEnd(void) { log_call("glEnd"); }
void glVertex2f(GLfloat x, GLfloat y) { log_call("glVertex2f %g %g", x, y); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { log_call("glViewport %d %d %d %d", x, y, w, h); }
void glFlush(void) { log_call("glFlush"); }
void glMaterialfv(GLenum face, GLenum name, const GLfloat *v)
{
    log_call("glMaterialfv %u %u %g %g %g %g", face, name, v[0], v[1], v[2], v[3]);
}
void glMaterialf(GLenum face, GLenum name, GLfloat v) { log_call("glMaterialf %u %u %g", face, name, v); }
void glLightfv(GLenum light, GLenum name, const GLfloat *v)
{
    log_call("glLightfv %u %u %g %g %g %g", light, name, v[0], v[1], v[2], v[3]);
}
void glLightModelf(GLenum name, GLfloat v) { log_call("glLightModelf %u %g", name, v); }
void glDepthFunc(GLenum f) { log_call("glDepthFunc %u", f); }
}

void win_begin_paint(WinHandle window) { log_call("win_begin_paint %lu", window); }
void win_end_paint(WinHandle window) { log_call("win_end_paint %lu", window); }
WinHandle win_current_hwnd(void) { return g_rec.current; }
void win_swap_buffers(WinHandle window) { log_call("win_swap_buffers %lu", window); }
void win_set_rect(WinHandle window, int x, int y, int w, int h) { log_call("win_set_rect %lu %d %d %d %d", window, x, y, w, h); }
int win_set_cursor(int id) { return id >= 0 ? 1 : 0; }
void draw_models(Viewer *viewer)
{
    g_rec.draw_calls++;
    log_call("draw_models");
    viewer->frame_uploads = 0;
    if (g_rec.on_draw) g_rec.on_draw(viewer);
}

// ---- tests ------------------------------------------------------------------------
namespace {

const WinHandle WINDOW = 77;

// The viewer drawn by the frames, its status hook recording the texts.
Viewer g_viewer;

void record_status(const char *text) { g_rec.status.push_back(text); }

// A camera as after the window init callback of a 400 x 300 window and
// view_set_extent (100, no rescale); an empty viewer beside it.
ViewState *fresh_app()
{
    static ViewState app;
    memset(&app, 0, sizeof app);
    memset(&g_viewer, 0, sizeof g_viewer);
    g_viewer.status_hook = record_status;
    g_rec = Recorder();
    g_rec.current = WINDOW;
    app.gl_window = WINDOW;
    app.zoom = 1.0f;
    app.window_w = 400;
    app.window_h = 300;
    app.extent_x = 140.0f;
    app.extent_y = 105.0f;
    app.depth = 210.0f;
    app.laid_out = 1;
    return &app;
}

TEST(FrameProjection, ParallelScalesByQuarterExtentsAndPans)
{
    ViewState *app = fresh_app();
    app->zoom = 2.0f;
    app->pan_x = 3.0f;
    app->pan_y = -4.0f;
    view_apply_projection(app);
    GlMatrix want = identity();
    want.m[0] = 1.0f / (140.0f * 0.25f * 2.0f);
    want.m[5] = 1.0f / (105.0f * 0.25f * 2.0f);
    want.m[10] = -1.0f / 210.0f;
    want.m[12] = -3.0f * want.m[0];
    want.m[13] = 4.0f * want.m[5];
    expect_matrix(g_rec.projection.back(), want);
    EXPECT_EQ(find_call("gluPerspective"), -1);
    EXPECT_EQ(g_rec.mode, (GLenum)GL_MODELVIEW);
}

TEST(FrameProjection, PerspectiveEyeDistanceAndFarPlane)
{
    // depth 600: zoom 4 puts the eye at 1200 with the far plane at 2400;
    // zoom 1 at 300 with the far plane at 2 x depth = 1200.
    struct Case {
        float zoom;
        const char *perspective;
        const char *translate;
    } cases[] = {
        {4.0f, "gluPerspective 30 1.33333 1 2400", "glTranslatef -5 -6 -1200"},
        {1.0f, "gluPerspective 30 1.33333 1 1200", "glTranslatef -5 -6 -300"},
    };
    for (const Case &c : cases) {
        ViewState *app = fresh_app();
        app->perspective = 1;
        app->depth = 600.0f;
        app->zoom = c.zoom;
        app->pan_x = 5.0f;
        app->pan_y = 6.0f;
        view_apply_projection(app);
        int p = find_call("gluPerspective");
        ASSERT_GE(p, 0);
        EXPECT_EQ(g_rec.calls[p], c.perspective);
        EXPECT_EQ(find_call(c.translate, p), p + 1);
    }
}

TEST(FrameRotation, AnglesGiveYawThenPitchAlsoWhileTurningFreely)
{
    ViewState *app = fresh_app();
    app->free_rotate = 1;
    g_rec.modelview.back() = rotation(50.0f, 0, 0, 1);
    view_set_angles(app, 30.0f, 20.0f);
    EXPECT_EQ(app->free_rotate, 1);
    EXPECT_FLOAT_EQ(app->yaw, 30.0f);
    EXPECT_FLOAT_EQ(app->pitch, 20.0f);
    expect_matrix(g_rec.modelview.back(), multiply(rotation(30.0f, 0, 1, 0), rotation(20.0f, 1, 0, 0)));

    // Turning freely keeps the modelview from frame to frame.
    view_apply_rotation(app);
    expect_matrix(g_rec.modelview.back(), multiply(rotation(30.0f, 0, 1, 0), rotation(20.0f, 1, 0, 0)));
}

TEST(FrameRotation, FreeTurnGoesBeforeTheCurrentViewElseAddsAngles)
{
    ViewState *app = fresh_app();
    app->free_rotate = 1;
    GlMatrix start = rotation(40.0f, 1, 1, 0);
    g_rec.modelview.back() = start;
    view_rotate_by(app, 15.0f, -25.0f);
    expect_matrix(g_rec.modelview.back(),
                  multiply(multiply(rotation(15.0f, 0, 1, 0), rotation(-25.0f, 1, 0, 0)), start));
    g_rec.calls.clear();
    view_rotate_by(app, 0.0f, 10.0f);
    EXPECT_EQ(count_calls("glRotatef"), 1);  // a zero angle is skipped

    app->free_rotate = 0;
    g_rec.calls.clear();
    view_rotate_by(app, 15.0f, -25.0f);
    EXPECT_FLOAT_EQ(app->yaw, 15.0f);
    EXPECT_FLOAT_EQ(app->pitch, -25.0f);
    EXPECT_EQ(count_calls("glRotatef"), 0);
}

TEST(FrameRotation, ModelviewReadAndLoadedRowMajor)
{
    fresh_app();
    Matrix4 m;
    for (int i = 0; i < 16; i++) m.m[i] = (float)(i + 1);
    view_load_modelview(&m);
    EXPECT_FLOAT_EQ(g_rec.modelview.back().m[1], 5.0f);  // column-major: row 1, column 0
    EXPECT_FLOAT_EQ(g_rec.modelview.back().m[12], 4.0f); // translation x
    Matrix4 back;
    view_get_modelview(&back);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(back.m[i], m.m[i]);
}

TEST(Frame, OneFrameClearsProjectsTurnsFocusesDrawsAndSwaps)
{
    ViewState *app = fresh_app();
    app->camera_focus[0] = 1.0f;
    app->camera_focus[1] = 2.0f;
    app->camera_focus[2] = 3.0f;
    view_draw_frame(app, &g_viewer);
    std::vector<std::string> order = {"win_begin_paint 77", "glClear ", "glScalef", "glRotatef 0 0 1 0",
                                      "glTranslatef -1 -2 -3", "draw_models", "glFlush", "win_swap_buffers 77",
                                      "win_end_paint 77"};
    int at = 0;
    for (const std::string &step : order) {
        int found = find_call(step, at);
        EXPECT_GE(found, at) << step;
        if (found >= 0) at = found + 1;
    }
    EXPECT_EQ(g_rec.modelview.size(), 1u);  // pushed and popped
}

TEST(Frame, NotCurrentDrawsNothing)
{
    ViewState *app = fresh_app();
    g_rec.current = 0;
    view_draw_frame(app, &g_viewer);
    EXPECT_EQ(g_rec.draw_calls, 0);
    EXPECT_EQ(find_call("win_swap_buffers"), -1);
    EXPECT_GE(find_call("win_end_paint"), 0);
}

TEST(Frame, AFrameAskedForDuringAFrameIsDropped)
{
    ViewState *app = fresh_app();
    g_rec.on_draw = [app](Viewer *) { view_draw_frame(app, &g_viewer); };
    view_draw_frame(app, &g_viewer);
    EXPECT_EQ(g_rec.draw_calls, 1);
    EXPECT_EQ(count_calls("win_swap_buffers"), 1);
    // The guard is down again afterwards.
    g_rec.on_draw = nullptr;
    view_draw_frame(app, &g_viewer);
    EXPECT_EQ(g_rec.draw_calls, 2);
}

TEST(Frame, DrawnAgainWhileTexturesUpload)
{
    ViewState *app = fresh_app();
    int uploads_left = 2;
    g_rec.on_draw = [&uploads_left](Viewer *viewer) {
        if (uploads_left > 0) {
            viewer->frame_uploads = 1;
            uploads_left--;
        }
    };
    view_draw_frame(app, &g_viewer);
    EXPECT_EQ(g_rec.draw_calls, 3);
    EXPECT_EQ(count_calls("glClear "), 3);
    EXPECT_EQ(count_calls("win_swap_buffers"), 1);

    // A pass that uploads every time still ends.
    fresh_app();
    g_rec.on_draw = [](Viewer *viewer) { viewer->frame_uploads = 1; };
    view_draw_frame(app, &g_viewer);
    EXPECT_EQ(g_rec.draw_calls, 16);
}

TEST(Frame, FixedSizeSurroundInTheInverseBackground)
{
    ViewState *app = fresh_app();
    app->fixed_size = 1;
    view_set_background(app, 0.25f, 0.5f, 1.0f);
    g_rec.calls.clear();
    view_draw_frame(app, &g_viewer);
    int inverse = find_call("glClearColor 0.75 0.5 0 0");
    int clear = find_call("glClear ", inverse);
    int colour = find_call("glColor4f 0.25 0.5 1 0", clear);
    int strip = find_call("glBegin 5", colour);  // GL_TRIANGLE_STRIP
    int back = find_call("glClearColor 0.25 0.5 1 0", strip);
    int draw = find_call("draw_models", back);
    EXPECT_GE(inverse, 0);
    EXPECT_GT(clear, inverse);
    EXPECT_GT(colour, clear);
    EXPECT_GT(strip, colour);
    EXPECT_GT(back, strip);
    EXPECT_GT(draw, back);
    EXPECT_EQ(find_call("glVertex2f -2 -2", strip), strip + 1);
    EXPECT_EQ(find_call("glVertex2f 2 2", strip), strip + 4);
    EXPECT_EQ(count_calls("glClear "), 1);
}

TEST(Camera, ZoomClampedAndPanFormulas)
{
    ViewState *app = fresh_app();
    struct {
        float in, out;
    } zooms[] = {{0.0f, 0.001f}, {500.0f, 100.0f}, {-3.0f, 0.001f}, {2.5f, 2.5f}, {NAN, 0.001f}};
    for (auto z : zooms) {
        view_set_zoom(app, z.in);
        EXPECT_FLOAT_EQ(app->zoom, z.out) << z.in;
    }

    app->zoom = 2.0f;
    view_pan(app, 40.0f, 30.0f, 1);  // 40 / 400 x 140 x 0.5 x 2 = 14; 30 / 300 x 105 x 0.5 x 2 = 10.5
    EXPECT_FLOAT_EQ(app->pan_x, -14.0f);
    EXPECT_FLOAT_EQ(app->pan_y, 10.5f);
    view_pan(app, 40.0f, 30.0f, 1);
    EXPECT_FLOAT_EQ(app->pan_x, -28.0f);
    EXPECT_FLOAT_EQ(app->pan_y, 21.0f);
    view_pan(app, 40.0f, 30.0f, 0);
    EXPECT_FLOAT_EQ(app->pan_x, 14.0f);
    EXPECT_FLOAT_EQ(app->pan_y, 10.5f);
    view_pan(app, 0.0f, 0.0f, 1);  // resets, relative or not
    EXPECT_EQ(app->pan_x, 0.0f);
    EXPECT_EQ(app->pan_y, 0.0f);

    // Without a window size only the reset applies.
    app->window_w = 0;
    view_pan(app, 5.0f, 5.0f, 0);
    EXPECT_EQ(app->pan_x, 0.0f);
}

TEST(Camera, FixedViewSize)
{
    ViewState *app = fresh_app();
    for (auto size : {std::make_pair(19, 500), std::make_pair(3001, 500), std::make_pair(500, 19),
                      std::make_pair(-20, 40), std::make_pair(400, 300)}) {
        win_set_view_size(app, &g_viewer, size.first, size.second);
        EXPECT_EQ(app->fixed_size, 0) << size.first << "x" << size.second;
    }
    EXPECT_EQ(g_rec.draw_calls, 0);
    EXPECT_TRUE(g_rec.status.empty());

    win_set_view_size(app, &g_viewer, 20, 20);
    EXPECT_EQ(app->fixed_size, 1);
    EXPECT_EQ(app->window_w, 20);
    EXPECT_EQ(app->window_h, 20);
    EXPECT_FLOAT_EQ(app->extent_x, 140.0f * 20.0f / 400.0f);
    EXPECT_FLOAT_EQ(app->extent_y, 105.0f * 20.0f / 300.0f);
    EXPECT_GE(find_call("glViewport 0 0 20 20"), 0);
    EXPECT_EQ(g_rec.draw_calls, 1);
    ASSERT_EQ(g_rec.status.size(), 1u);
    EXPECT_EQ(g_rec.status[0], "Window resize = 20x20");

    win_set_view_size(app, &g_viewer, 20, 20);  // the same size: nothing at all
    EXPECT_EQ(g_rec.draw_calls, 1);
    EXPECT_EQ(g_rec.status.size(), 1u);

    win_set_view_size(app, &g_viewer, 0, 0);
    EXPECT_EQ(app->fixed_size, 0);
    EXPECT_GE(find_call("win_set_rect 77 0 0 300 300"), 0);
}

// A window that was never laid out (the 1 x 1 of a frame not yet packed) is fitted at its
// first real size as an extent set there would fit it; from then on its scale stays.
TEST(Camera, WindowFittedAtItsFirstRealSize)
{
    ViewState *app = fresh_app();
    app->laid_out = 0;
    app->window_w = 1;
    app->window_h = 1;
    app->extent_x = 105.0f;
    app->extent_y = 105.0f;
    view_set_window_size(app, 1, 1);
    EXPECT_EQ(app->laid_out, 0);
    win_set_view_size(app, &g_viewer, 200, 100);
    EXPECT_EQ(app->laid_out, 1);
    EXPECT_FLOAT_EQ(app->extent_x, 210.0f);
    EXPECT_FLOAT_EQ(app->extent_y, 105.0f);
    EXPECT_FLOAT_EQ(app->depth, 210.0f);
    EXPECT_FLOAT_EQ(app->zoom, 1.0f);
    view_set_window_size(app, 400, 50);
    EXPECT_FLOAT_EQ(app->extent_x, 420.0f);
    EXPECT_FLOAT_EQ(app->extent_y, 52.5f);
    EXPECT_FLOAT_EQ(app->depth, 210.0f);
}

TEST(Camera, LightsAndMaterial)
{
    fresh_app();
    view_setup_lights();
    const char *wanted[] = {
        "glMaterialfv 1028 4609 0.5 0.5 0.5 1",       // front diffuse
        "glMaterialfv 1028 4608 0.35 0.35 0.35 1",    // front ambient
        "glMaterialfv 1028 4610 0.05 0.05 0.05 1",    // front specular
        "glMaterialf 1028 5633 0.2",                  // shininess
        "glLightfv 16384 4608 0.8 0.8 0.8 0",         // light 0 ambient
        "glLightModelf 2897 1",                       // local viewer
        "glLightfv 16385 4611 0 0 1 0",               // light 1 position
        "glLightfv 16386 4611 0 0 -1 0",              // light 2 position
        "glEnable 2896", "glEnable 16384", "glEnable 16385", "glDepthFunc 515",
    };
    for (const char *call : wanted) EXPECT_GE(find_call(call), 0) << call;
    EXPECT_EQ(find_call("glEnable 16386"), -1);  // light 2 is never enabled
}

}  // namespace
