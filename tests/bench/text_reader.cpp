// Reading speed of the line reader over a model-sized text: one million
// triangle lines and one million point lines, from a file and from memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "formats/text_reader.h"

namespace {

std::string make_text()
{
    std::string text = "# generated\npoints\n";
    for (int i = 1; i <= 1000000; i++)
        text += std::to_string(i) + " " + std::to_string(i % 977) + " -" + std::to_string(i % 631) + " 12.5\n";
    text += "layer \"main body\" 127 127 127 doublesided\ntriangles\n";
    for (int i = 1; i <= 1000000; i++)
        text += "0 " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\r\n";
    return text;
}

void count_tokens(void *user)
{
    long long *sum = static_cast<long long *>(user);
    for (int i = 0; i < reader_token_count(); i++) *sum += reader_token_int(i);
}

void BM_ReadFile(benchmark::State &state)
{
    std::string text = make_text();
    char path[] = "/tmp/druvex_bench_XXXXXX";
    int fd = mkstemp(path);
    FILE *f = fdopen(fd, "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    for (auto _ : state) {
        long long sum = 0;
        benchmark::DoNotOptimize(reader_run_file(path, "#", 1, count_tokens, &sum));
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    unlink(path);
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

void BM_ReadString(benchmark::State &state)
{
    std::string text = make_text();
    for (auto _ : state) {
        long long sum = 0;
        benchmark::DoNotOptimize(reader_run_string(text.c_str(), "#", 1, count_tokens, &sum));
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadString)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
