// Opening a scene of many instances of one small model: a .mod of 65,000 child lines
// naming a model of 3 points and one triangle, opened as `file open` opens it (load,
// pose, view and focus) and drawn once, with no GL context (every GL call does
// nothing), so the figures are the system's own work. A scene of 100,000 such lines,
// which the loader's model cap refuses, is opened too.
//
//   bench_child_scene [--runs N] [--lines N] [--against PROGRAM]...
//
// Every open runs in a fresh process, so the peak RSS is that open's own (the
// process's peak after the first frame; its peak before the open is given as well).
// The scene is then closed and opened again in the same process ("reopen"), which
// finds its memory freed by the first. Each
// PROGRAM given with --against is another build of this program, say one built from an
// older tree; the rounds run every program in turn on the same scenes, so a slower
// spell of the machine falls on all of them. Prints, per program and scene, the median
// and the spread (lowest to highest) of N runs (default 5).
#include "viewer/anim_pose.h"
#include "viewer/draw_model.h"
#include "viewer/loaded_models.h"
#include "viewer/viewer.h"
#include "foundation/last_error.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// No GL context: texture names are only ever forgotten.
unsigned win_current_gl_serial(void)
{
    return 0;
}

namespace {

// Instances of the scene that opens and of the one the model cap refuses.
const int SCENE_LINES = 65000;
const int REFUSED_LINES = 100000;

// What one open measured.
struct OpenRun {
    double load_ms;    // load, pose, view and focus, as `file open`
    double frame_ms;   // the first frame after it
    double reopen_ms;  // the same open once more after closing everything
    long start_kb;     // peak RSS before the open
    long peak_kb;      // peak RSS after the first frame
    int id;            // the id the open answered, 0 when it was refused
};

double ms_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

long peak_kb()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Writes tri.mod and a scene of lines child lines naming it, in a grid of 250 a row.
bool write_scene(const std::string &path, int lines)
{
    std::string dir = std::filesystem::path(path).parent_path().string();
    FILE *tri = fopen((dir + "/tri.mod").c_str(), "w");
    FILE *scene = fopen(path.c_str(), "w");
    bool ok = tri && scene;
    if (ok) {
        fprintf(tri, "points\n1 0 0 0\n2 10 0 0\n3 0 10 0\nlayer skin 100 100 100 doublesided\n"
                     "triangles\n0 1 2 3\n");
        for (int i = 0; i < lines; i++) fprintf(scene, "child tri %d %d 0 1 1 1 0 0 0\n", i % 250 * 20, i / 250 * 20);
    }
    if (tri) ok = fclose(tri) == 0 && ok;
    if (scene) ok = fclose(scene) == 0 && ok;
    return ok;
}

// Opens the file as `file open` does; the id, 0 when refused.
int32_t open_scene(Viewer *viewer, const char *path)
{
    int32_t id = viewer_load_model(viewer, path);
    if (id > 0) {
        anim_apply_pose(viewer);
        viewer_focus_all(viewer);
    }
    return id;
}

// The open measured in this process: prints "load_ms frame_ms reopen_ms start_kb peak_kb id".
int run_once(const char *path)
{
    static Viewer viewer;
    viewer_init(&viewer);
    long start = peak_kb();
    auto t0 = std::chrono::steady_clock::now();
    int32_t id = open_scene(&viewer, path);
    double load = ms_since(t0);
    auto t1 = std::chrono::steady_clock::now();
    if (id > 0) draw_models(&viewer);
    double frame = ms_since(t1);
    long peak = peak_kb();
    if (id <= 0 && err_last()) fprintf(stderr, "%s\n", err_last());
    viewer_close_all(&viewer);
    auto t2 = std::chrono::steady_clock::now();
    open_scene(&viewer, path);
    double reopen = ms_since(t2);
    printf("%.1f %.1f %.1f %ld %ld %d\n", load, frame, reopen, start, peak, id);
    return 0;
}

// One open by program in a process of its own; false when it did not report.
bool run_program(const std::string &program, const std::string &scene, OpenRun *run)
{
    std::string command = "'" + program + "' --once '" + scene + "'";
    FILE *out = popen(command.c_str(), "r");
    if (!out) return false;
    int fields = fscanf(out, "%lf %lf %lf %ld %ld %d", &run->load_ms, &run->frame_ms, &run->reopen_ms,
                        &run->start_kb, &run->peak_kb, &run->id);
    return pclose(out) == 0 && fields == 6;
}

struct Spread {
    double median, low, high;
};

Spread spread_of(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

void print_runs(const std::string &program, const char *scene, const std::vector<OpenRun> &runs)
{
    std::vector<double> load, frame, reopen, total, start, peak;
    for (const OpenRun &r : runs) {
        load.push_back(r.load_ms);
        frame.push_back(r.frame_ms);
        reopen.push_back(r.reopen_ms);
        total.push_back(r.load_ms + r.frame_ms);
        start.push_back(r.start_kb / 1024.0);
        peak.push_back(r.peak_kb / 1024.0);
    }
    printf("%s, %s (id %d), median of %zu runs [lowest-highest]:\n", program.c_str(), scene, runs.back().id,
           runs.size());
    const struct {
        const char *what;
        const char *unit;
        Spread s;
    } rows[] = {{"open", "ms", spread_of(load)},         {"first frame", "ms", spread_of(frame)},
                {"open + frame", "ms", spread_of(total)}, {"reopen", "ms", spread_of(reopen)},
                {"peak RSS", "MB", spread_of(peak)},
                {"RSS at start", "MB", spread_of(start)}};
    for (const auto &row : rows)
        printf("  %-13s %8.1f %s  [%.1f-%.1f]\n", row.what, row.s.median, row.unit, row.s.low, row.s.high);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--once") == 0) return run_once(argv[2]);
    int runs = 5;
    int lines = SCENE_LINES;
    std::vector<std::string> programs = {"/proc/self/exe"};
    std::vector<std::string> names = {"this build"};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--runs") == 0) runs = std::max(1, atoi(argv[i + 1]));
        else if (strcmp(argv[i], "--lines") == 0) lines = std::max(1, atoi(argv[i + 1]));
        else if (strcmp(argv[i], "--against") == 0) {
            programs.push_back(argv[i + 1]);
            names.push_back(argv[i + 1]);
        }
    }
    // /proc/self/exe names the program only in this process: resolve it once here.
    programs[0] = std::filesystem::read_symlink("/proc/self/exe").string();

    char dir_template[] = "/tmp/druvex_bench_child_scene_XXXXXX";
    if (!mkdtemp(dir_template)) return 1;
    std::string dir = dir_template;
    struct SceneFile {
        const char *what;
        std::string path;
        int lines;
    } scenes[] = {{"scene", dir + "/scene.mod", lines}, {"refused scene", dir + "/refused/scene.mod", REFUSED_LINES}};
    std::filesystem::create_directories(dir + "/refused");
    for (const SceneFile &scene : scenes) {
        if (!write_scene(scene.path, scene.lines)) {
            fprintf(stderr, "cannot write %s\n", scene.path.c_str());
            return 1;
        }
    }
    printf("scene: %d child lines naming a 3-point model (%ld bytes); refused scene: %d lines\n", lines,
           static_cast<long>(std::filesystem::file_size(scenes[0].path)), REFUSED_LINES);

    int status = 0;
    for (const SceneFile &scene : scenes) {
        std::vector<std::vector<OpenRun>> results(programs.size());
        for (int round = 0; round < runs; round++) {
            for (size_t p = 0; p < programs.size(); p++) {
                OpenRun run;
                if (!run_program(programs[p], scene.path, &run)) {
                    fprintf(stderr, "%s did not report\n", programs[p].c_str());
                    status = 1;
                    continue;
                }
                results[p].push_back(run);
            }
        }
        for (size_t p = 0; p < programs.size(); p++)
            if (!results[p].empty()) print_runs(names[p], scene.what, results[p]);
    }
    std::filesystem::remove_all(dir);
    return status;
}
