// Whole-model edits and conversions on a height-field grid: n x n points, eight layers each
// covering the grid with quads (2 triangles a cell). At n = 181: 32,761 points and 518,400
// triangles; at n = 91 a quarter of both. Each operation should grow linearly.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/model.h"
#include "model/model_build.h"
#include "model/model_convert.h"
#include "model/model_edit.h"

namespace {

constexpr int32_t LAYERS = 8;

// The grid is symmetric in x, so every mirrored point already exists; points alternate
// between two joints so that renumbering reorders them.
Model *grid_model(int32_t n, int32_t mirror)
{
    Model *m = model_create("c:\\bench\\grid.mod", nullptr);
    int32_t half = (n - 1) / 2;
    model_add_joint(m, "a", 0, 0, 0, "world", 0);
    model_add_joint(m, "b", 0, 0, 0, "a", 0);
    for (int32_t j = 0; j < n; j++)
        for (int32_t i = 0; i < n; i++) {
            int32_t x = i - half, id = j * n + i + 1;
            model_set_point(m, id, x * 10, j * 10, (std::abs(x) + j) % 5 * 3, 1.0f);
            model_set_point_joints(m, id, id % 2 ? "a" : "b", nullptr);
        }
    for (int32_t l = 0; l < LAYERS; l++) {
        std::string name = "layer" + std::to_string(l);
        model_add_layer(m, name.c_str(), 127, 127, 127, 1, mirror, 1);
        for (int32_t j = 0; j + 1 < n; j++)
            for (int32_t i = 0; i + 1 < n; i++) {
                int32_t a = j * n + i + 1;
                const int32_t ids[4] = {a, a + 1, a + n, a + n + 1};
                model_add_face(m, name.c_str(), 1, ids, nullptr, nullptr, 0);
            }
    }
    return m;
}

int64_t triangles(int32_t n)
{
    return static_cast<int64_t>(LAYERS) * (n - 1) * (n - 1) * 2;
}

// An operation repeated on one model (it leaves the model fit for the next run).
template <int (*Run)(Model *)> void BM_Repeated(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    Model *m = grid_model(n, 0);
    for (auto _ : state) benchmark::DoNotOptimize(Run(m));
    model_free(m);
    state.SetComplexityN(triangles(n));
}

// An operation that changes the model for good: a fresh model for every run.
template <int (*Run)(Model *), int32_t Mirror> void BM_Fresh(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Model *m = grid_model(n, Mirror);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Run(m));
        state.PauseTiming();
        model_free(m);
        state.ResumeTiming();
    }
    state.SetComplexityN(triangles(n));
}

int point_normals(Model *m) { return model_auto_normals(m, 0); }
int layer_normals(Model *m) { return model_auto_normals(m, 1); }

} // namespace

#define GRID_SIZES ->Arg(91)->Arg(181)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)

BENCHMARK(BM_Repeated<point_normals>)->Name("AutoNormalsPoint") GRID_SIZES;
BENCHMARK(BM_Repeated<layer_normals>)->Name("AutoNormalsLayer") GRID_SIZES;
BENCHMARK(BM_Repeated<model_pancake>)->Name("Pancake") GRID_SIZES;
BENCHMARK(BM_Repeated<model_renumber_points>)->Name("Renumber") GRID_SIZES;
BENCHMARK(BM_Fresh<model_triangulate, 0>)->Name("Triangulate") GRID_SIZES;
BENCHMARK(BM_Fresh<model_mirror_layers, 1>)->Name("MirrorLayers") GRID_SIZES;

BENCHMARK_MAIN();
