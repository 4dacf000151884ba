// Loading speed of .mod scenes against tinyobjloader on the same geometry: a parent
// model with 16 instances of one grid model (181 x 181 points, 64,800 triangles, about
// 1,000,000 triangles in all), the same with 16 copies of the grid under different names
// (every child file read and parsed), and the equivalent single OBJ mesh; and the same at a
// tenth of the size (57 x 57 points a grid) to show that loading time grows linearly.
// Prints the medians of 5 interleaved runs (wall and CPU time) with their spread, the
// ratios and the growth, then runs the benchmarks.
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One generated scene: the parent .mod naming one grid child 16 times, the parent naming
// 16 copies of the grid, and the equivalent OBJ.
struct Scene {
    std::string mod_path;
    std::string distinct_path;
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
    std::string distinct = "# generated scene of distinct files\n";
    for (int i = 0; i < kInstances; i++) {
        std::string copy = grid + "_" + std::to_string(i);
        distinct += "child " + copy + " " + std::to_string(i * side * 10) + " 0 0 1 1 1 0 0 0\n";
        write_file(g_dir + copy + ".mod", grid_text(side));
    }
    s.mod_path = g_dir + name + ".mod";
    s.distinct_path = g_dir + name + "_distinct.mod";
    s.obj_path = g_dir + name + ".obj";
    write_file(s.distinct_path, distinct);
    s.mod_bytes = write_file(s.mod_path, parent) + write_file(g_dir + grid + ".mod", grid_text(side));
    s.obj_bytes = write_file(s.obj_path, obj_text(side));
    s.triangles = static_cast<long>(kInstances) * (side - 1) * (side - 1) * 2;
    return s;
}

int load_mod_file(const std::string &path)
{
    Model *m = mod_load(path.c_str());
    if (!m) {
        fprintf(stderr, "mod_load failed: %s\n", err_last() ? err_last() : "");
        return 0;
    }
    model_free(m);
    return 1;
}

int load_mod(const Scene &s)
{
    return load_mod_file(s.mod_path);
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

// "median [min-max]" of the values.
std::string spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    char text[64];
    snprintf(text, sizeof text, "%.3f [%.3f-%.3f]", v[v.size() / 2], v.front(), v.back());
    return text;
}

// "median [min-max]" of the ratios a[i] / b[i] of runs of the same round.
std::string ratio_spread(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size(); i++) r.push_back(a[i] / b[i]);
    std::sort(r.begin(), r.end());
    char text[64];
    snprintf(text, sizeof text, "%.2f [%.2f-%.2f]", r[r.size() / 2], r.front(), r.back());
    return text;
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

// Peak resident memory of this process in KiB (the kernel's high-water mark).
long peak_kib()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// In a fresh process (this program run as "peak PATH OBJ"): the growth of the peak resident
// memory while the .mod file is loaded, or while tinyobjloader loads the OBJ file when PATH
// is "-". Prints KiB.
int peak_run(const char *path, const char *obj)
{
    long before = peak_kib();
    int ok;
    if (strcmp(path, "-") == 0) {
        Scene s;
        s.obj_path = obj;
        g_dir = "/tmp/";
        ok = load_obj(s);
    } else {
        ok = load_mod_file(path);
    }
    printf("%ld\n", peak_kib() - before);
    return ok ? 0 : 1;
}

// Peak memory growth of one load in a fresh copy of this program, KiB; -1 when it failed.
long peak_of(const char *self, const std::string &path, const std::string &obj)
{
    std::string command = std::string(self) + " peak " + path + " " + obj;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long kib = -1;
    if (fscanf(pipe, "%ld", &kib) != 1) kib = -1;
    pclose(pipe);
    return kib;
}

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "peak") == 0) return peak_run(argv[2], argv[3]);
    char dir[] = "/tmp/druvex_bench_mod_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    g_dir = std::string(dir) + "/";
    g_large = make_scene("large", 181);
    g_small = make_scene("small", 57);

    // The six loads take turns, 5 rounds, so that a change in the machine's load while
    // the program runs touches all of them alike; odd rounds run them in the opposite order,
    // so that no loader always finds the heap as another left it. Medians of wall and CPU
    // time with their spread (min-max), ratios per round.
    const std::function<int()> runs[6] = {[] { return load_mod(g_large); },
                                          [] { return load_mod_file(g_large.distinct_path); },
                                          [] { return load_obj(g_large); },
                                          [] { return load_mod(g_small); },
                                          [] { return load_mod_file(g_small.distinct_path); },
                                          [] { return load_obj(g_small); }};
    std::vector<double> wall[6], cpu[6], faults[6];
    for (int round = 0; round < 5; round++)
        for (int step = 0; step < 6; step++) {
            int k = round % 2 ? 5 - step : step;
            Timing t = time_once(runs[k]);
            wall[k].push_back(t.wall);
            cpu[k].push_back(t.cpu);
            faults[k].push_back(t.faults);
        }
    for (int pass = 0; pass < 2; pass++) {
        const std::vector<double> *v = pass ? cpu : wall;
        printf("%s time in s, median [min-max] of 5; ratio to tinyobjloader per round\n", pass ? "CPU" : "wall");
        printf("scene  triangles  mod_load instanced      mod_load distinct       tinyobjloader          "
               "ratio inst.        ratio distinct\n");
        const char *names[2] = {"large", "small"};
        const Scene *scenes[2] = {&g_large, &g_small};
        for (int i = 0; i < 2; i++) {
            int b = 3 * i;
            printf("%s  %9ld  %-22s  %-22s  %-22s %-18s %s\n", names[i], scenes[i]->triangles,
                   spread(v[b]).c_str(), spread(v[b + 1]).c_str(), spread(v[b + 2]).c_str(),
                   ratio_spread(v[b], v[b + 2]).c_str(), ratio_spread(v[b + 1], v[b + 2]).c_str());
        }
        printf("growth: %.2fx the triangles took %.2fx as long with mod_load instanced, %.2fx distinct, "
               "%.2fx with tinyobjloader\n\n",
               static_cast<double>(g_large.triangles) / g_small.triangles, median(v[0]) / median(v[3]),
               median(v[1]) / median(v[4]), median(v[2]) / median(v[5]));
    }
    printf("mod bytes (instanced) large %ld small %ld, obj bytes large %ld small %ld\n", g_large.mod_bytes,
           g_small.mod_bytes, g_large.obj_bytes, g_small.obj_bytes);
    printf("page faults, median: mod_load large %.0f / %.0f distinct, small %.0f / %.0f distinct, "
           "tinyobjloader large %.0f small %.0f\n\n",
           median(faults[0]), median(faults[1]), median(faults[3]), median(faults[4]), median(faults[2]),
           median(faults[5]));

    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    printf("peak memory growth of one load of the large scene, KiB: mod_load instanced %ld, distinct %ld, "
           "tinyobjloader %ld\n\n",
           peak_of(self.c_str(), g_large.mod_path, "-"), peak_of(self.c_str(), g_large.distinct_path, "-"),
           peak_of(self.c_str(), "-", g_large.obj_path));

    benchmark::RegisterBenchmark("ModLoad/large", BM_ModLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::RegisterBenchmark("TinyObjLoad/large", BM_TinyObjLoad, &g_large)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
