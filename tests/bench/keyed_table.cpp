// Keyed table costs at model sizes: N keyed adds, N finds and N removes should cost a
// constant time per operation whatever N is (items_per_second flat across the sizes).
#include "foundation/keyed_table.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

struct Element {
    float position[3];
    int32_t id;
};

// N integer-keyed adds, then N finds, then N removes, keys ascending (as ids are made) or
// shuffled (second argument 1: every access misses the cache once the table outgrows it).
void BM_IntAddFindRemove(benchmark::State &state)
{
    const int32_t n = (int32_t)state.range(0);
    std::vector<int32_t> keys(n);
    for (int32_t i = 0; i < n; i++)
        keys[i] = i + 1;
    if (state.range(1))
        std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
    for (auto _ : state) {
        KeyedTable t;
        table_init(&t, sizeof(Element), KEY_INT);
        for (int32_t k : keys)
            ((Element *)table_add(&t, k))->id = k;
        int64_t sum = 0;
        for (int32_t k : keys)
            sum += ((Element *)table_find(&t, k))->id;
        for (int32_t k : keys)
            table_remove(&t, k);
        benchmark::DoNotOptimize(sum);
        table_free(&t);
    }
    state.SetItemsProcessed(state.iterations() * 3 * (int64_t)n);
}

// The same with name keys of the length layer and joint names have.
void BM_NameAddFindRemove(benchmark::State &state)
{
    const int32_t n = (int32_t)state.range(0);
    std::vector<std::string> names(n);
    for (int32_t i = 0; i < n; i++)
        names[i] = "layer_" + std::to_string(i * 7919 % n);
    for (auto _ : state) {
        KeyedTable t;
        table_init(&t, sizeof(Element), KEY_NAME);
        for (const std::string &name : names)
            table_add(&t, name.c_str());
        int64_t found = 0;
        for (const std::string &name : names)
            found += table_find(&t, name.c_str()) != nullptr;
        for (const std::string &name : names)
            table_remove(&t, name.c_str());
        benchmark::DoNotOptimize(found);
        table_free(&t);
    }
    state.SetItemsProcessed(state.iterations() * 3 * (int64_t)n);
}

// A full table of N where a random element is removed and a new one added N times: each
// add must find the lowest free slot without scanning.
void BM_ChurnFirstFreeSlot(benchmark::State &state)
{
    const int32_t n = (int32_t)state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        KeyedTable t;
        table_init(&t, sizeof(Element), KEY_INT);
        for (int32_t k = 1; k <= n; k++)
            table_add(&t, k);
        std::mt19937 rng(3);
        std::vector<int32_t> live(n);
        for (int32_t i = 0; i < n; i++)
            live[i] = i + 1;
        state.ResumeTiming();
        int32_t next_key = n + 1;
        for (int32_t i = 0; i < n; i++) {
            int32_t pick = (int32_t)(rng() % (uint32_t)n);
            table_remove(&t, live[pick]);
            table_add(&t, next_key);
            live[pick] = next_key++;
        }
        state.PauseTiming();
        table_free(&t);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 2 * (int64_t)n);
}

// Deleting every element by restarting the walk after each removal, as owners do.
void BM_DeleteAllByRestartedWalk(benchmark::State &state)
{
    const int32_t n = (int32_t)state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        KeyedTable t;
        table_init(&t, sizeof(Element), KEY_INT);
        for (int32_t k = 1; k <= n; k++)
            table_add(&t, k);
        state.ResumeTiming();
        int32_t key = 0;
        while (table_first(&t, &key))
            table_remove(&t, key);
        state.PauseTiming();
        table_free(&t);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)n);
}

// Every dense position of a table with holes, read by position and looked up by key.
void BM_DensePositionsWithHoles(benchmark::State &state)
{
    const int32_t n = (int32_t)state.range(0);
    KeyedTable t;
    table_init(&t, sizeof(Element), KEY_INT);
    for (int32_t k = 1; k <= n; k++)
        ((Element *)table_add(&t, k))->id = k;
    for (int32_t k = 1; k <= n; k += 10)
        table_remove(&t, k);
    const int32_t count = table_count(&t);
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t i = 0; i < count; i++)
            sum += table_index_of(&t, ((Element *)table_nth(&t, i, 1))->id, 1);
        benchmark::DoNotOptimize(sum);
    }
    table_free(&t);
    state.SetItemsProcessed(state.iterations() * 2 * (int64_t)count);
}

} // namespace

BENCHMARK(BM_IntAddFindRemove)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"n", "shuffled"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameAddFindRemove)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChurnFirstFreeSlot)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAllByRestartedWalk)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensePositionsWithHoles)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Freed blocks stay in the process, so the timings show the table's own work rather than
// the kernel handing out fresh zero pages on every iteration.
int main(int argc, char **argv)
{
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
