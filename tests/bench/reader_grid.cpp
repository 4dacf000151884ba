// Reading speed of the line reader over a .mod-like file of short lines of integers: the
// points ("ID X Y Z") and triangles ("0 A B C") of a 181 x 181 grid. Prints the best and the
// median of many reads, with a callback that reads every token's integer and with an empty one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "formats/text_reader.h"

namespace {

void sum_tokens(void *user)
{
    long long *sum = static_cast<long long *>(user);
    int n = reader_token_count();
    if (reader_token_is_int(0))
        for (int i = 0; i < n; i++) *sum += reader_token_int(i);
    else
        *sum += n;
}

void nothing(void *) {}

}  // namespace

int main(int argc, char **argv)
{
    const int side = 181;
    std::string t = "# generated grid\npoints\n";
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++)
            t += std::to_string(y * side + x + 1) + " " + std::to_string(x * 10) + " " + std::to_string(y * 10) + " 0\n";
    t += "layer grid 100 100 100 doublesided\ntriangles\n";
    for (int y = 0; y + 1 < side; y++)
        for (int x = 0; x + 1 < side; x++) {
            int a = y * side + x + 1, b = a + 1, c = a + side, d = c + 1;
            t += "0 " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
            t += "0 " + std::to_string(c) + " " + std::to_string(b) + " " + std::to_string(d) + "\n";
        }
    char path[] = "/tmp/druvex_grid_XXXXXX";
    int fd = mkstemp(path);
    FILE *f = fdopen(fd, "wb");
    fwrite(t.data(), 1, t.size(), f);
    fclose(f);

    int runs = argc > 1 ? atoi(argv[1]) : 200;
    std::vector<double> with_sum, empty;
    long long check = 0;
    for (int i = 0; i < runs; i++) {
        for (int k = 0; k < 2; k++) {
            long long sum = 0;
            auto a = std::chrono::steady_clock::now();
            int ok = reader_run_file(path, "#", 1, k ? nothing : sum_tokens, &sum);
            auto b = std::chrono::steady_clock::now();
            if (!ok) return 1;
            if (!k) check = sum;
            (k ? empty : with_sum).push_back(std::chrono::duration<double, std::milli>(b - a).count());
        }
    }
    unlink(path);
    std::sort(with_sum.begin(), with_sum.end());
    std::sort(empty.begin(), empty.end());
    size_t m = with_sum.size() / 2;
    printf("%zu bytes, sum %lld; ms best/median: summing %.3f/%.3f (%.0f/%.0f MB/s), empty %.3f/%.3f (%.0f/%.0f MB/s)\n",
           t.size(), check, with_sum[0], with_sum[m], t.size() / with_sum[0] / 1e3, t.size() / with_sum[m] / 1e3, empty[0],
           empty[m], t.size() / empty[0] / 1e3, t.size() / empty[m] / 1e3);
    return 0;
}
