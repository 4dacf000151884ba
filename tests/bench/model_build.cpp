// Building models through the building operations: points with colours, and
// many triangles over at most 32,767 points; each should grow linearly.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "model/layer.h"
#include "model/model.h"
#include "model/model_build.h"

namespace {

constexpr int32_t FACE_POINTS = 32767;

Model *points_model(int32_t n)
{
    Model *m = model_create("c:\\bench\\points.mod", nullptr);
    for (int32_t id = 1; id <= n; id++) {
        model_set_point(m, id, id % 1000, id / 1000, id % 7, 1.0f);
        model_set_gouraud(m, id, static_cast<uint8_t>(id), 20, 30, 0);
    }
    return m;
}

Model *triangles_model(int32_t triangles)
{
    Model *m = model_create("c:\\bench\\faces.mod", nullptr);
    for (int32_t id = 1; id <= FACE_POINTS; id++) model_set_point(m, id, id % 181, id / 181, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    for (int32_t i = 0; i < triangles; i++) {
        int32_t a = 1 + i % (FACE_POINTS - 2);
        const int32_t ids[4] = {a, a + 1, a + 2, 0};
        model_add_face(m, "skin", 0, ids, nullptr, nullptr, 0);
    }
    return m;
}

void BM_PointsWithColours(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        Model *m = points_model(n);
        benchmark::DoNotOptimize(m);
        state.PauseTiming();
        model_free(m);
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

void BM_Triangles(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        Model *m = triangles_model(n);
        benchmark::DoNotOptimize(m);
        state.PauseTiming();
        model_free(m);
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

// The per-layer lists of distinct points over a large layer.
void BM_LayerUvArray(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    Model *m = triangles_model(n);
    for (auto _ : state) {
        float *uv = layer_uv_array(m, "skin");
        uint32_t *ids = layer_point_ids(m, "skin");
        benchmark::DoNotOptimize(uv);
        free(uv);
        free(ids);
    }
    model_free(m);
    state.SetComplexityN(n);
}

void BM_FreeTriangles(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Model *m = triangles_model(n);
        state.ResumeTiming();
        model_free(m);
    }
    state.SetComplexityN(n);
}

} // namespace

BENCHMARK(BM_PointsWithColours)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_Triangles)->Arg(10000)->Arg(100000)->Arg(1000000)->Arg(2000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_LayerUvArray)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_FreeTriangles)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
