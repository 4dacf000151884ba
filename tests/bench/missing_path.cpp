// Refusing a path that does not exist: `file_exists` of a path of 50,000 folders (about
// 100,000 characters) under an existing folder, whose first folder is missing, as a
// command that opens such a path asks it. Meant for the normal and the sanitizer build.
//
//   bench_missing_path [--runs N] [--folders N] [--against PROGRAM]...
//
// Every run is a process of its own. Each PROGRAM given with --against is another build
// of this program (say, one built from an older tree, or the other build type); the
// rounds run every program in turn, so a slower spell of the machine falls on all of
// them. Prints the median and the spread (lowest to highest) of N runs (default 5).
#include "foundation/file_table.h"
#include "foundation/path.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const int FOLDERS = 50000;

// Times file_exists of the path in this process: prints "ms result".
int run_once(const char *path)
{
    auto start = std::chrono::steady_clock::now();
    int found = file_exists(path);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    printf("%.3f %d\n", ms, found);
    return 0;
}

// One run of program in a process of its own; false when it did not report. The path is
// handed over in a file: it is longer than a command line may be.
bool run_program(const std::string &program, const std::string &path_file, double *ms)
{
    std::string command = "'" + program + "' --once-from '" + path_file + "'";
    FILE *out = popen(command.c_str(), "r");
    if (!out) return false;
    int found = 1;
    int fields = fscanf(out, "%lf %d", ms, &found);
    return pclose(out) == 0 && fields == 2 && found == 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--once-from") == 0) {
        FILE *in = fopen(argv[2], "r");
        if (!in) return 1;
        std::string path;
        for (int c = fgetc(in); c != EOF; c = fgetc(in)) path += static_cast<char>(c);
        fclose(in);
        return run_once(path.c_str());
    }
    int runs = 5;
    int folders = FOLDERS;
    std::vector<std::string> programs = {std::filesystem::read_symlink("/proc/self/exe").string()};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--runs") == 0) runs = std::max(1, atoi(argv[i + 1]));
        else if (strcmp(argv[i], "--folders") == 0) folders = std::max(1, atoi(argv[i + 1]));
        else if (strcmp(argv[i], "--against") == 0) programs.push_back(argv[i + 1]);
    }
    char dir_template[] = "/tmp/druvex_bench_missing_path_XXXXXX";
    if (!mkdtemp(dir_template)) return 1;
    std::string dir = dir_template;
    std::string path = dir + "/Nosuch";
    for (int i = 0; i < folders; i++) path += "/a";
    path += "/Door.mod";
    std::string path_file = dir + "/path.txt";
    FILE *out = fopen(path_file.c_str(), "w");
    if (!out || fputs(path.c_str(), out) < 0 || fclose(out) != 0) return 1;

    printf("file_exists of a missing path of %d folders (%zu characters), median of %d runs [lowest-highest]:\n",
           folders, path.size(), runs);
    std::vector<std::vector<double>> times(programs.size());
    int status = 0;
    for (int round = 0; round < runs; round++) {
        for (size_t p = 0; p < programs.size(); p++) {
            double ms = 0.0;
            if (run_program(programs[p], path_file, &ms)) {
                times[p].push_back(ms);
            } else {
                fprintf(stderr, "%s did not report\n", programs[p].c_str());
                status = 1;
            }
        }
    }
    for (size_t p = 0; p < programs.size(); p++) {
        std::vector<double> &t = times[p];
        if (t.empty()) continue;
        std::sort(t.begin(), t.end());
        printf("  %10.3f ms  [%.3f-%.3f]  %s\n", t[t.size() / 2], t.front(), t.back(),
               p == 0 ? "this build" : programs[p].c_str());
    }
    std::filesystem::remove_all(dir);
    return status;
}
