// Loading speed of .mod scenes against tinyobjloader on the same geometry: a parent
// model with 16 instances of one grid model (181 x 181 points, 64,800 triangles, about
// 1,000,000 triangles in all) and the equivalent single OBJ mesh; and the same pair at a
// tenth of the size (57 x 57 points a grid) to show that loading time grows linearly.
// Prints the medians of 5 runs, their ratio and the growth, then runs the benchmarks.
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/mod_loader.h"
#include "foundation/last_error.h"
#include "model/model.h"

namespace {

constexpr int kInstances = 16;

// One generated scene: the parent .mod, its grid child and the equivalent OBJ.
struct Scene {
    std::string mod_path;
    std::string obj_path;
    long triangles;
    long mod_bytes;
    long obj_bytes;
};

std::string g_dir;
Scene g_large;
Scene g_small;

// The grid child: side x side points in the xy plane, two triangles a cell.
std::string grid_text(int side)
{
    std::string t = "# generated grid\npoints\n";
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++)
            t += std::to_string(y * side + x + 1) + " " + std::to_string(x * 10) + " " +
                 std::to_string(y * 10) + " 0\n";
    t += "layer grid 100 100 100 doublesided\ntriangles\n";
    for (int y = 0; y + 1 < side; y++)
        for (int x = 0; x + 1 < side; x++) {
            int a = y * side + x + 1, b = a + 1, c = a + side, d = c + 1;
            t += "0 " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
            t += "0 " + std::to_string(c) + " " + std::to_string(b) + " " + std::to_string(d) + "\n";
        }
    return t;
}

// The same triangles as one OBJ mesh, each instance's vertices shifted like its child.
std::string obj_text(int side)
{
    std::string t = "# generated mesh\no scene\n";
    for (int i = 0; i < kInstances; i++)
        for (int y = 0; y < side; y++)
            for (int x = 0; x < side; x++)
                t += "v " + std::to_string(x * 10 + i * side * 10) + " " + std::to_string(y * 10) + " 0\n";
    for (int i = 0; i < kInstances; i++) {
        int base = i * side * side;
        for (int y = 0; y + 1 < side; y++)
            for (int x = 0; x + 1 < side; x++) {
                int a = base + y * side + x + 1, b = a + 1, c = a + side, d = c + 1;
                t += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
                t += "f " + std::to_string(c) + " " + std::to_string(b) + " " + std::to_string(d) + "\n";
            }
    }
    return t;
}

long write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
    return static_cast<long>(text.size());
}

Scene make_scene(const std::string &name, int side)
{
    Scene s;
    std::string grid = name + "_grid";
    std::string parent = "# generated scene\n";
    for (int i = 0; i < kInstances; i++)
        parent += "child " + grid + " " + std::to_string(i * side * 10) + " 0 0 1 1 1 0 0 0\n";
    s.mod_path = g_dir + name + ".mod";
    s.obj_path = g_dir + name + ".obj";
    s.mod_bytes = write_file(s.mod_path, parent) + write_file(g_dir + grid + ".mod", grid_text(side));
    s.obj_bytes = write_file(s.obj_path, obj_text(side));
    s.triangles = static_cast<long>(kInstances) * (side - 1) * (side - 1) * 2;
    return s;
}

int load_mod(const Scene &s)
{
    Model *m = mod_load(s.mod_path.c_str());
    if (!m) {
        fprintf(stderr, "mod_load failed: %s\n", err_last() ? err_last() : "");
        return 0;
    }
    model_free(m);
    return 1;
}

int load_obj(const Scene &s)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    int ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, s.obj_path.c_str(),
                              g_dir.c_str(), true, false);
    if (!ok) fprintf(stderr, "tinyobjloader failed: %s\n", err.c_str());
    return ok;
}

// Median wall time of 5 runs, in seconds.
double median_seconds(const std::function<int()> &run)
{
    std::vector<double> t;
    for (int i = 0; i < 5; i++) {
        auto start = std::chrono::steady_clock::now();
        if (!run()) return -1.0;
        t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[2];
}

void BM_ModLoad(benchmark::State &state, const Scene *s)
{
    for (auto _ : state)
        if (!load_mod(*s)) state.SkipWithError("mod_load failed");
    state.counters["triangles"] = static_cast<double>(s->triangles);
}

void BM_TinyObjLoad(benchmark::State &state, const Scene *s)
{
    for (auto _ : state)
        if (!load_obj(*s)) state.SkipWithError("tinyobjloader failed");
    state.counters["triangles"] = static_cast<double>(s->triangles);
}

}  // namespace

int main(int argc, char **argv)
{
    char dir[] = "/tmp/druvex_bench_mod_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    g_dir = std::string(dir) + "/";
    g_large = make_scene("large", 181);
    g_small = make_scene("small", 57);

    double mod_large = median_seconds([] { return load_mod(g_large); });
    double obj_large = median_seconds([] { return load_obj(g_large); });
    double mod_small = median_seconds([] { return load_mod(g_small); });
    double obj_small = median_seconds([] { return load_obj(g_small); });
    printf("scene  triangles  mod bytes  obj bytes  mod_load s  tinyobj s  ratio\n");
    printf("large  %9ld  %9ld  %9ld  %10.3f  %9.3f  %5.2f\n", g_large.triangles, g_large.mod_bytes,
           g_large.obj_bytes, mod_large, obj_large, mod_large / obj_large);
    printf("small  %9ld  %9ld  %9ld  %10.3f  %9.3f  %5.2f\n", g_small.triangles, g_small.mod_bytes,
           g_small.obj_bytes, mod_small, obj_small, mod_small / obj_small);
    printf("growth: %.2fx the triangles took %.2fx as long with mod_load\n",
           static_cast<double>(g_large.triangles) / g_small.triangles, mod_large / mod_small);

    benchmark::RegisterBenchmark("ModLoad/large", BM_ModLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::RegisterBenchmark("TinyObjLoad/large", BM_TinyObjLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
