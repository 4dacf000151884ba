// Loading speed of .mod scenes against tinyobjloader on the same geometry: a parent
// model with 16 instances of one grid model (181 x 181 points, 64,800 triangles, about
// 1,000,000 triangles in all) and the equivalent single OBJ mesh; and the same pair at a
// tenth of the size (57 x 57 points a grid) to show that loading time grows linearly.
// Prints the medians of 5 interleaved runs (wall and CPU time), the ratios and the growth,
// then runs the benchmarks.
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
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

// Wall and process CPU seconds of one run; negative when the load failed.
struct Timing {
    double wall;
    double cpu;
    double faults;  // minor page faults: first touches of fresh memory
};

double faults_now()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_minflt);
}

double cpu_now()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

Timing time_once(const std::function<int()> &run)
{
    auto wall = std::chrono::steady_clock::now();
    double cpu = cpu_now();
    double faults = faults_now();
    int ok = run();
    Timing t = {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(),
                cpu_now() - cpu, faults_now() - faults};
    if (!ok) t.wall = t.cpu = -1.0;
    return t;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

    // The four loads take turns, 5 rounds, so that a change in the machine's load while
    // the program runs touches all of them alike; odd rounds run tinyobjloader first, so that
    // neither loader always finds the heap as the other left it. Medians of wall and CPU time.
    const std::function<int()> runs[4] = {[] { return load_mod(g_large); }, [] { return load_obj(g_large); },
                                          [] { return load_mod(g_small); }, [] { return load_obj(g_small); }};
    std::vector<double> wall[4], cpu[4], faults[4];
    for (int round = 0; round < 5; round++)
        for (int step = 0; step < 4; step++) {
            int k = round % 2 ? step ^ 1 : step;
            Timing t = time_once(runs[k]);
            wall[k].push_back(t.wall);
            cpu[k].push_back(t.cpu);
            faults[k].push_back(t.faults);
        }
    for (int pass = 0; pass < 2; pass++) {
        double m[4];
        for (int k = 0; k < 4; k++) m[k] = median(pass ? cpu[k] : wall[k]);
        printf("%s time, median of 5\n", pass ? "CPU" : "wall");
        printf("scene  triangles  mod bytes  obj bytes  mod_load s  tinyobj s  ratio\n");
        printf("large  %9ld  %9ld  %9ld  %10.3f  %9.3f  %5.2f\n", g_large.triangles, g_large.mod_bytes,
               g_large.obj_bytes, m[0], m[1], m[0] / m[1]);
        printf("small  %9ld  %9ld  %9ld  %10.3f  %9.3f  %5.2f\n", g_small.triangles, g_small.mod_bytes,
               g_small.obj_bytes, m[2], m[3], m[2] / m[3]);
        printf("growth: %.2fx the triangles took %.2fx as long with mod_load, %.2fx with tinyobjloader\n\n",
               static_cast<double>(g_large.triangles) / g_small.triangles, m[0] / m[2], m[1] / m[3]);
    }

    printf("page faults, median: mod_load large %.0f small %.0f, tinyobjloader large %.0f small %.0f\n\n",
           median(faults[0]), median(faults[2]), median(faults[1]), median(faults[3]));

    benchmark::RegisterBenchmark("ModLoad/large", BM_ModLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::RegisterBenchmark("TinyObjLoad/large", BM_TinyObjLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
