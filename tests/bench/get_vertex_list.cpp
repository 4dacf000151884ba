// `get vertex list` on models of 250,000, 500,000 and 1,000,000 points: the
// handler's whole road (point ids in slot order, the result text, the copy
// handed to Tcl) and the id list alone. Both should grow linearly; the
// complexity fit is printed after the runs.
#include <benchmark/benchmark.h>

#include <tcl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "command/app_state.h"
#include "command/cmd_get.h"
#include "command/tcl_glue.h"
#include "model/model.h"
#include "model/model_build.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"

namespace {

// Sets up the glue and the viewer once: the handlers set their results in a
// plain interpreter; no window is needed.
void init_once()
{
    static int done = 0;
    if (done) return;
    done = 1;
    g_glue.interp = Tcl_CreateInterp();
    memset(&g_app, 0, sizeof g_app);
    viewer_init(&g_app.viewer);
}

// Loads a model of n points on a grid and makes it the only selected model.
Model *load_points(int32_t n)
{
    init_once();
    viewer_close_all(&g_app.viewer);
    Model *model = model_create("bench", nullptr);
    for (int32_t id = 1; id <= n; id++) model_set_point(model, id, id % 1000, id / 1000, id % 7, 1.0f);
    int32_t key = viewer_insert_model(&g_app.viewer, model, nullptr);
    sel_clear(&g_app.viewer);
    sel_model(&g_app.viewer, key);
    return model;
}

void BM_GetVertexList(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    load_points(n);
    char vertex[] = "vertex", list[] = "list";
    char *words[] = {vertex, list, nullptr};
    for (auto _ : state) {
        cmd_get_vertex(words);
        benchmark::DoNotOptimize(Tcl_GetStringResult(g_glue.interp));
    }
    if (strlen(Tcl_GetStringResult(g_glue.interp)) < static_cast<size_t>(n)) state.SkipWithError("short result");
    Tcl_ResetResult(g_glue.interp);
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_PointKeyList(benchmark::State &state)
{
    int32_t n = static_cast<int32_t>(state.range(0));
    Model *model = load_points(n);
    for (auto _ : state) {
        int32_t count = 0;
        int32_t *keys = cmd_point_key_list(model, &count);
        benchmark::DoNotOptimize(keys);
        if (count != n) state.SkipWithError("wrong count");
        free(keys);
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_GetVertexList)->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_PointKeyList)->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
