// Frame-time reference for the drawing pass, and the writer of its scene.
//
//   bench_draw_frame scene DIR        writes DIR/grid.mod (a 181 x 181 point grid
//                                     of 64,800 triangles) and DIR/scene.mod (16
//                                     instances of it: 1,036,800 triangles)
//   bench_draw_frame draw W H FRAMES  draws the same triangles FRAMES times in a
//                                     W x H GLX window with a minimal immediate-mode
//                                     loop (normals, lighting, the viewer's lights and
//                                     camera) and prints the median frame time in ms
//
// tests/bench/draw_frame.tcl runs both and the viewer's own `druvex draw` on the
// same scene in one run and prints the two medians and their ratio.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Grid points per side, and instances per side of the scene.
static const int GRID_SIDE = 181;
static const int INSTANCE_SIDE = 4;
// Spacing of the instances: one grid's width, so they tile the scene.
static const int INSTANCE_STEP = GRID_SIDE - 1;
// Height of the grid's waves, scene units.
static const double WAVE_HEIGHT = 12.0;

// One grid point as the scene file holds it.
struct GridPoint {
    int x, y, z;
    float nx, ny, nz;
};

static std::vector<GridPoint> make_grid();
static int write_scene(const char *dir);
static int draw_reference(int w, int h, int frames);
static void setup_gl_state(int w, int h);

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "scene") == 0) return write_scene(argv[2]) ? 0 : 1;
    if (argc == 5 && strcmp(argv[1], "draw") == 0) {
        return draw_reference(atoi(argv[2]), atoi(argv[3]), atoi(argv[4])) ? 0 : 1;
    }
    fprintf(stderr, "usage: %s scene DIR | draw W H FRAMES\n", argv[0]);
    return 2;
}

// Whole-number positions of a gently waved grid, with the unit normals of the
// smooth surface they sample.
static std::vector<GridPoint> make_grid()
{
    std::vector<GridPoint> points;
    points.reserve(GRID_SIDE * GRID_SIDE);
    const double k = 2.0 * M_PI / 60.0;
    for (int j = 0; j < GRID_SIDE; j++) {
        for (int i = 0; i < GRID_SIDE; i++) {
            GridPoint p;
            p.x = i;
            p.y = j;
            p.z = (int)std::lround(WAVE_HEIGHT * std::sin(i * k) * std::cos(j * k));
            double dx = WAVE_HEIGHT * k * std::cos(i * k) * std::cos(j * k);
            double dy = -WAVE_HEIGHT * k * std::sin(i * k) * std::sin(j * k);
            double len = std::sqrt(dx * dx + dy * dy + 1.0);
            p.nx = (float)(-dx / len);
            p.ny = (float)(-dy / len);
            p.nz = (float)(1.0 / len);
            points.push_back(p);
        }
    }
    return points;
}

// Point id of grid point (i, j), from 1.
static int grid_id(int i, int j)
{
    return j * GRID_SIDE + i + 1;
}

static int write_scene(const char *dir)
{
    std::string grid_path = std::string(dir) + "/grid.mod";
    std::string scene_path = std::string(dir) + "/scene.mod";
    FILE *grid = fopen(grid_path.c_str(), "w");
    FILE *scene = fopen(scene_path.c_str(), "w");
    int ok = grid != nullptr && scene != nullptr;
    if (ok) {
        std::vector<GridPoint> points = make_grid();
        fprintf(grid, "# %d x %d grid, %d triangles\npoints\n", GRID_SIDE, GRID_SIDE,
                2 * (GRID_SIDE - 1) * (GRID_SIDE - 1));
        for (size_t n = 0; n < points.size(); n++) {
            fprintf(grid, "%zu %d %d %d\n", n + 1, points[n].x, points[n].y, points[n].z);
        }
        fprintf(grid, "normals\n");
        for (size_t n = 0; n < points.size(); n++) {
            fprintf(grid, "%zu %.6f %.6f %.6f\n", n + 1, points[n].nx, points[n].ny, points[n].nz);
        }
        // Triangles stored clockwise as seen from +z: they face the viewer.
        fprintf(grid, "layer surface 100 110 127 doublesided\ntriangles\n");
        for (int j = 0; j + 1 < GRID_SIDE; j++) {
            for (int i = 0; i + 1 < GRID_SIDE; i++) {
                fprintf(grid, "0 %d %d %d\n", grid_id(i, j), grid_id(i, j + 1), grid_id(i + 1, j));
                fprintf(grid, "0 %d %d %d\n", grid_id(i + 1, j), grid_id(i, j + 1), grid_id(i + 1, j + 1));
            }
        }
        // The scene's own two points span all instances, so the view fits them all.
        int half = INSTANCE_SIDE * INSTANCE_STEP / 2;
        fprintf(scene, "# %d instances of grid.mod\npoints\n1 %d %d 0\n2 %d %d 0\n",
                INSTANCE_SIDE * INSTANCE_SIDE, -half, -half, half, half);
        for (int b = 0; b < INSTANCE_SIDE; b++) {
            for (int a = 0; a < INSTANCE_SIDE; a++) {
                fprintf(scene, "child grid %d %d 0 1 1 1 0 0 0\n", a * INSTANCE_STEP - half, b * INSTANCE_STEP - half);
            }
        }
    }
    if (grid != nullptr && fclose(grid) != 0) ok = 0;
    if (scene != nullptr && fclose(scene) != 0) ok = 0;
    if (!ok) fprintf(stderr, "cannot write the scene into %s\n", dir);
    return ok;
}

static int draw_reference(int w, int h, int frames)
{
    Display *dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr || w < 1 || h < 1 || frames < 1) {
        fprintf(stderr, "no display or bad size\n");
        return 0;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 4, GLX_GREEN_SIZE, 4, GLX_BLUE_SIZE, 4,
                        GLX_DEPTH_SIZE, 16, None};
    XVisualInfo *vi = glXChooseVisual(dpy, DefaultScreen(dpy), attributes);
    if (vi == nullptr) {
        fprintf(stderr, "no GL visual\n");
        return 0;
    }
    Window root = RootWindow(dpy, vi->screen);
    XSetWindowAttributes wa;
    memset(&wa, 0, sizeof wa);
    wa.colormap = XCreateColormap(dpy, root, vi->visual, AllocNone);
    wa.event_mask = ExposureMask;
    Window win = XCreateWindow(dpy, root, 0, 0, (unsigned)w, (unsigned)h, 0, vi->depth, InputOutput, vi->visual,
                               CWColormap | CWEventMask, &wa);
    XMapWindow(dpy, win);
    XSync(dpy, False);
    GLXContext ctx = glXCreateContext(dpy, vi, nullptr, True);
    glXMakeCurrent(dpy, win, ctx);
    setup_gl_state(w, h);

    std::vector<GridPoint> points = make_grid();
    int half = INSTANCE_SIDE * INSTANCE_STEP / 2;
    std::vector<double> times;
    for (int f = 0; f < frames; f++) {
        auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor4f(100 * 0.007874f, 110 * 0.007874f, 127 * 0.007874f, 1.0f);
        for (int b = 0; b < INSTANCE_SIDE; b++) {
            for (int a = 0; a < INSTANCE_SIDE; a++) {
                glPushMatrix();
                glTranslatef((float)(a * INSTANCE_STEP - half), (float)(b * INSTANCE_STEP - half), 0.0f);
                glBegin(GL_TRIANGLES);
                for (int j = 0; j + 1 < GRID_SIDE; j++) {
                    for (int i = 0; i + 1 < GRID_SIDE; i++) {
                        // The scene file's two triangles, each with its last two corners exchanged
                        // as the viewer sends them.
                        const int corners[6] = {grid_id(i, j), grid_id(i + 1, j), grid_id(i, j + 1),
                                                grid_id(i + 1, j), grid_id(i + 1, j + 1), grid_id(i, j + 1)};
                        for (int c = 0; c < 6; c++) {
                            const GridPoint &p = points[corners[c] - 1];
                            glNormal3f(p.nx, p.ny, p.nz);
                            glVertex3f((float)p.x, (float)p.y, (float)p.z);
                        }
                    }
                }
                glEnd();
                glPopMatrix();
            }
        }
        glFlush();
        glXSwapBuffers(dpy, win);
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    printf("%.3f\n", times[times.size() / 2]);
    glXMakeCurrent(dpy, None, nullptr);
    glXDestroyContext(dpy, ctx);
    XDestroyWindow(dpy, win);
    XFree(vi);
    XCloseDisplay(dpy);
    return 1;
}

// The viewer's fixed GL state, lights and material, and its parallel camera
// for this scene after `file open` (view size 2 x the scene's width).
static void setup_gl_state(int w, int h)
{
    static const float diffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    static const float ambient[] = {0.35f, 0.35f, 0.35f, 1.0f};
    static const float specular[] = {0.05f, 0.05f, 0.05f, 1.0f};
    static const float light0_ambient[] = {0.8f, 0.8f, 0.8f, 0.0f};
    static const float light1_position[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glViewport(0, 0, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 0.2f);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 1.0f);
    glLightfv(GL_LIGHT1, GL_POSITION, light1_position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);

    float size = 2.0f * (float)(INSTANCE_SIDE * INSTANCE_STEP) * 1.05f;
    float ex = w > h ? size * (float)w / (float)h : size;
    float ey = w > h ? size : size * (float)h / (float)w;
    float depth = 2.0f * size;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(1.0f / (ex * 0.25f), 1.0f / (ey * 0.25f), -1.0f / depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
