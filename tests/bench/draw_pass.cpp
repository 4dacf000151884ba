// The model pass's own work on the scene of the frame benchmark (16 instances of
// a 181 x 181 point grid: 1,036,800 triangles), with OpenGL replaced by stand-ins
// that only read the vertex data they are given, so the figures leave out the
// renderer. FirstFrame is the first draw after loading (it builds the face caches),
// SteadyFrame every later one, MinimalLoop the reference program's immediate-mode
// loop over the same triangles. tests/bench/draw_frame.tcl measures the same scene
// with a real renderer.
//
//   [GRID=181] [SIDE=4] bench_draw_pass [--benchmark_repetitions=5 ...]
//
// GRID and SIDE change the grid's points per side and the instances per side (a
// scene that fits the caches shows the pass's own instruction cost).
#include "viewer/draw_model.h"
#include "viewer/loaded_models.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A whole number of at least `least` from the environment, or the default.
int setting(const char *name, int least, int fallback)
{
    const char *text = getenv(name);
    int value = text ? atoi(text) : 0;
    return value >= least ? value : fallback;
}

// Grid points per side and instances per side, as in the frame benchmark by default.
const int GRID_SIDE = setting("GRID", 2, 181);
const int INSTANCE_SIDE = setting("SIDE", 1, 4);
const int INSTANCE_STEP = GRID_SIDE - 1;

// The last normal and vertex the stand-ins were given, and the vertex count: every
// coordinate is read, as a renderer copying it into its vertex buffer would.
float g_normal[3];
float g_vertex[3];
long g_vertices = 0;

}  // namespace

extern "C" {
void glBegin(GLenum) {}
void glEnd(void) {}
__attribute__((noinline)) void glVertex3fv(const GLfloat *v)
{
    g_vertex[0] = v[0];
    g_vertex[1] = v[1];
    g_vertex[2] = v[2];
    g_vertices++;
}
__attribute__((noinline)) void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    g_vertex[0] = x;
    g_vertex[1] = y;
    g_vertex[2] = z;
    g_vertices++;
}
__attribute__((noinline)) void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    g_normal[0] = x;
    g_normal[1] = y;
    g_normal[2] = z;
}
__attribute__((noinline)) void glNormal3fv(const GLfloat *n)
{
    g_normal[0] = n[0];
    g_normal[1] = n[1];
    g_normal[2] = n[2];
}
void glTexCoord2f(GLfloat, GLfloat) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glEdgeFlag(GLboolean) {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
GLboolean glIsEnabled(GLenum) { return GL_FALSE; }
void glBlendFunc(GLenum, GLenum) {}
void glDepthMask(GLboolean) {}
void glPolygonMode(GLenum, GLenum) {}
void glShadeModel(GLenum) {}
void glMatrixMode(GLenum) {}
void glPushMatrix(void) {}
void glPopMatrix(void) {}
void glMultMatrixf(const GLfloat *) {}
void glScalef(GLfloat, GLfloat, GLfloat) {}
void glDeleteTextures(GLsizei, const GLuint *) {}
}

// No GL context: texture names are only ever forgotten.
unsigned win_current_gl_serial(void)
{
    return 0;
}

namespace {

int grid_id(int i, int j)
{
    return j * GRID_SIDE + i + 1;
}

// Writes grid.mod and scene.mod (16 children of the grid) into dir.
bool write_scene(const std::string &dir)
{
    FILE *grid = fopen((dir + "/grid.mod").c_str(), "w");
    FILE *scene = fopen((dir + "/scene.mod").c_str(), "w");
    if (!grid || !scene) {
        if (grid) fclose(grid);
        if (scene) fclose(scene);
        return false;
    }
    const double k = 2.0 * M_PI / 60.0;
    fprintf(grid, "points\n");
    for (int j = 0; j < GRID_SIDE; j++)
        for (int i = 0; i < GRID_SIDE; i++)
            fprintf(grid, "%d %d %d %ld\n", grid_id(i, j), i, j, std::lround(12.0 * std::sin(i * k) * std::cos(j * k)));
    fprintf(grid, "layer surface 100 110 127 doublesided\ntriangles\n");
    for (int j = 0; j + 1 < GRID_SIDE; j++) {
        for (int i = 0; i + 1 < GRID_SIDE; i++) {
            fprintf(grid, "0 %d %d %d\n", grid_id(i, j), grid_id(i, j + 1), grid_id(i + 1, j));
            fprintf(grid, "0 %d %d %d\n", grid_id(i + 1, j), grid_id(i, j + 1), grid_id(i + 1, j + 1));
        }
    }
    int half = INSTANCE_SIDE * INSTANCE_STEP / 2;
    fprintf(scene, "points\n1 %d %d 0\n2 %d %d 0\n", -half, -half, half, half);
    for (int b = 0; b < INSTANCE_SIDE; b++)
        for (int a = 0; a < INSTANCE_SIDE; a++)
            fprintf(scene, "child grid %d %d 0 1 1 1 0 0 0\n", a * INSTANCE_STEP - half, b * INSTANCE_STEP - half);
    bool ok = fclose(grid) == 0;
    return fclose(scene) == 0 && ok;
}

struct Scene {
    Viewer viewer;
    std::string dir;
};

bool open_scene(Scene *scene)
{
    char name[] = "/tmp/druvex_bench_draw_XXXXXX";
    if (!mkdtemp(name)) return false;
    scene->dir = name;
    viewer_init(&scene->viewer);
    return write_scene(scene->dir);
}

void close_scene(Scene *scene)
{
    viewer_teardown(&scene->viewer);
    std::filesystem::remove_all(scene->dir);
}

bool load(Scene *scene)
{
    return viewer_load_model(&scene->viewer, (scene->dir + "/scene.mod").c_str()) > 0;
}

void BM_FirstFrame(benchmark::State &state)
{
    Scene scene;
    if (!open_scene(&scene)) {
        state.SkipWithError("cannot write the scene");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        viewer_close_all(&scene.viewer);
        table_free(&scene.viewer.face_caches);
        table_init(&scene.viewer.face_caches, sizeof(FaceCache), KEY_INT);
        bool loaded = load(&scene);
        state.ResumeTiming();
        if (!loaded) {
            state.SkipWithError("cannot load the scene");
            break;
        }
        draw_models(&scene.viewer);
    }
    state.counters["triangles"] = scene.viewer.frame_triangles;
    close_scene(&scene);
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SteadyFrame(benchmark::State &state)
{
    Scene scene;
    if (!open_scene(&scene) || !load(&scene)) {
        state.SkipWithError("cannot write or load the scene");
        return;
    }
    draw_models(&scene.viewer);
    for (auto _ : state) draw_models(&scene.viewer);
    state.counters["triangles"] = scene.viewer.frame_triangles;
    benchmark::DoNotOptimize(g_vertex);
    benchmark::DoNotOptimize(g_normal);
    close_scene(&scene);
}
BENCHMARK(BM_SteadyFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

// The minimal immediate-mode loop of the frame benchmark's reference program over the
// same triangles, through the same stand-ins: the floor the model pass is held to.
void BM_MinimalLoop(benchmark::State &state)
{
    struct GridPoint {
        float x, y, z, nx, ny, nz;
    };
    std::vector<GridPoint> points((size_t)GRID_SIDE * GRID_SIDE, GridPoint{0, 0, 0, 0, 0, 1});
    for (int j = 0; j < GRID_SIDE; j++)
        for (int i = 0; i < GRID_SIDE; i++) points[(size_t)grid_id(i, j) - 1] = GridPoint{(float)i, (float)j, 0, 0, 0, 1};
    for (auto _ : state) {
        for (int instance = 0; instance < INSTANCE_SIDE * INSTANCE_SIDE; instance++) {
            glBegin(GL_TRIANGLES);
            for (int j = 0; j + 1 < GRID_SIDE; j++) {
                for (int i = 0; i + 1 < GRID_SIDE; i++) {
                    const int corners[6] = {grid_id(i, j), grid_id(i + 1, j), grid_id(i, j + 1),
                                            grid_id(i + 1, j), grid_id(i + 1, j + 1), grid_id(i, j + 1)};
                    for (int c = 0; c < 6; c++) {
                        const GridPoint &p = points[(size_t)corners[c] - 1];
                        glNormal3f(p.nx, p.ny, p.nz);
                        glVertex3f(p.x, p.y, p.z);
                    }
                }
            }
            glEnd();
        }
    }
    benchmark::DoNotOptimize(g_vertex);
    benchmark::DoNotOptimize(g_normal);
}
BENCHMARK(BM_MinimalLoop)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
