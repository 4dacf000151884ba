// Curved-face drawing cost: N curved quads (a grid of shared points) drawn at
// level 6 through the model pass's curved drawer, with GL calls replaced by
// counting stand-ins so the figure is the drawer's own work. Reports the time
// per face for N = 1,000 and 10,000 (it must stay flat: linear in N) and the
// heap allocations made while drawing (they must be 0 per face).
//
//   bench_draw_curved [--benchmark_repetitions=9 ...]
#include <benchmark/benchmark.h>

#include "model/model.h"
#include "model/model_build.h"
#include "viewer/draw_curved.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdlib>
#include <string>

// Heap calls counted while counting is on.
static long g_allocations = 0;
static int g_counting = 0;
// Vertices the stand-ins received.
static long g_vertices = 0;

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *malloc(size_t size)
{
    if (g_counting) g_allocations++;
    return __libc_malloc(size);
}
void *calloc(size_t n, size_t size)
{
    if (g_counting) g_allocations++;
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t size)
{
    if (g_counting) g_allocations++;
    return __libc_realloc(p, size);
}
void glBegin(GLenum) {}
void glEnd(void) {}
void glVertex3fv(const GLfloat *) { g_vertices++; }
void glVertex3f(GLfloat, GLfloat, GLfloat) { g_vertices++; }
void glNormal3fv(const GLfloat *) {}
void glTexCoord2f(GLfloat, GLfloat) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glEdgeFlag(GLboolean) {}
}

unsigned win_current_gl_serial(void)
{
    return 1;
}

// A model of side x side curved quads over a grid of shared points, all in layer "skin".
static Model *curved_grid(int side)
{
    Model *model = model_create("bench", nullptr);
    int points = side + 1;
    for (int y = 0; y < points; y++)
        for (int x = 0; x < points; x++) model_set_point(model, 1 + y * points + x, x * 10, y * 10, 0, 1.0f);
    model_add_layer(model, "skin", 127, 127, 127, 0, 0, 0);
    for (int y = 0; y < side; y++) {
        for (int x = 0; x < side; x++) {
            int32_t p0 = 1 + y * points + x;
            const int32_t corners[4] = {p0, p0 + points, p0 + 1, p0 + points + 1};
            const int32_t edges[8] = {corners[0], corners[1], corners[1], corners[3],
                                      corners[3], corners[2], corners[2], corners[0]};
            model_add_face(model, "skin", 1, corners, nullptr, edges, 4);
        }
    }
    return model;
}

static void BM_DrawCurvedQuads(benchmark::State &state)
{
    int side = static_cast<int>(state.range(0));
    Viewer *viewer = static_cast<Viewer *>(calloc(1, sizeof(Viewer)));
    viewer_init(viewer);
    viewer->lod = 6;
    Model *model = curved_grid(side);
    Layer *layer = static_cast<Layer *>(table_find(&model->layers, "skin"));
    KeyedTable *faces = &layer->faces;
    // A first pass makes the face caches; the timed passes only read them.
    for (int32_t i = 0; i < faces->capacity; i++) {
        Face *face = static_cast<Face *>(table_nth(faces, i, 0));
        if (face) draw_face_curved(viewer, model, layer, face, 1, 0, 0);
    }
    long triangles = 0;
    g_allocations = 0;
    for (auto _ : state) {
        g_counting = 1;
        for (int32_t i = 0; i < faces->capacity; i++) {
            Face *face = static_cast<Face *>(table_nth(faces, i, 0));
            if (face) triangles += draw_face_curved(viewer, model, layer, face, 1, 0, 0);
        }
        g_counting = 0;
    }
    long count = static_cast<long>(side) * side;
    state.SetItemsProcessed(state.iterations() * count);
    state.SetComplexityN(count);
    state.counters["faces"] = static_cast<double>(count);
    state.counters["ns_per_face"] =
        benchmark::Counter(static_cast<double>(state.iterations() * count), benchmark::Counter::kIsRate |
                                                                              benchmark::Counter::kInvert);
    state.counters["allocs_per_face"] = static_cast<double>(g_allocations) / (state.iterations() * count);
    state.counters["triangles_per_face"] = static_cast<double>(triangles) / (state.iterations() * count);
    model_free(model);
    free(viewer);
}
BENCHMARK(BM_DrawCurvedQuads)->Arg(32)->Arg(100)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
