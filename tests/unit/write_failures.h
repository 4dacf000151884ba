// Ways to make a file write fail for real, shared by the tests of every writer: a
// child process with a file-size limit or another user, a small tmpfs that fills up
// or turns read-only, and the listing of a folder to show that nothing was left in it.
#pragma once
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/last_error.h"

// User and group an unprivileged child runs as.
constexpr uid_t UNPRIVILEGED_ID = 65534;

// What a child process reported: whether it ran, the result of its work and the
// last-error text it had afterwards.
struct ChildOutcome {
    bool ran = false;     // false when the child could not be set up (the test should skip)
    int result = -1;      // what the work answered
    std::string reason;   // err_last() after the work, empty when none
};

// Runs work in a forked child after prepare (which answers false when the child cannot be
// set up as asked); the child ends with _exit, so nothing of the test framework runs twice.
inline ChildOutcome run_in_child(const std::function<bool()> &prepare, const std::function<int()> &work)
{
    ChildOutcome outcome;
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return outcome;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_ends[0]);
        std::string report = "-";
        if (prepare()) {
            int result = work();
            const char *reason = err_last();
            report = std::to_string(result) + " " + (reason ? reason : "");
        }
        ssize_t written = write(pipe_ends[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(pipe_ends[1]);
    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<size_t>(n));
    close(pipe_ends[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return outcome;
    if (report.empty() || report == "-") return outcome;
    size_t blank = report.find(' ');
    outcome.ran = true;
    outcome.result = std::stoi(report.substr(0, blank));
    outcome.reason = blank == std::string::npos ? "" : report.substr(blank + 1);
    return outcome;
}

// Runs work in a child whose files may grow to at most limit bytes; SIGXFSZ is ignored, so
// a write past the limit falls short (EFBIG) instead of ending the child.
inline ChildOutcome run_with_file_limit(rlim_t limit, const std::function<int()> &work)
{
    return run_in_child(
        [limit] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit size = {limit, limit};
            return setrlimit(RLIMIT_FSIZE, &size) == 0;
        },
        work);
}

// Runs work in a child as an unprivileged user (root gives up its rights first; any other
// user already has none to give up).
inline ChildOutcome run_unprivileged(const std::function<int()> &work)
{
    return run_in_child(
        [] {
            if (geteuid() != 0) return true;
            return setgroups(0, nullptr) == 0 && setgid(UNPRIVILEGED_ID) == 0 && setuid(UNPRIVILEGED_ID) == 0;
        },
        work);
}

// A tmpfs of a few pages mounted on a fresh folder for one test, unmounted when it goes.
// mounted is false where the test may not mount (then it should skip).
struct SmallTmpfs {
    std::string path;     // the mount point
    bool mounted = false;

    SmallTmpfs(const std::string &where, size_t bytes) : path(where)
    {
        std::filesystem::create_directories(path);
        std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        mounted = mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallTmpfs()
    {
        if (mounted) {
            EXPECT_EQ(umount(path.c_str()), 0) << path << ": " << strerror(errno);
        }
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    // Makes the file system read-only; false when the remount was refused.
    bool make_read_only()
    {
        return mount("tmpfs", path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }
    // Fills the file system with a filler file until at most leave bytes are free.
    void fill(size_t leave) const
    {
        std::string filler = path + "/filler";
        FILE *stream = fopen(filler.c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        static const char block[512] = {0};
        while (fwrite(block, 1, sizeof block, stream) == sizeof block && fflush(stream) == 0) {}
        fclose(stream);
        struct stat info;
        ASSERT_EQ(stat(filler.c_str(), &info), 0);
        off_t size = info.st_size > static_cast<off_t>(leave) ? info.st_size - static_cast<off_t>(leave) : 0;
        ASSERT_EQ(truncate(filler.c_str(), size), 0);
    }
};

// The names in a folder, to show that a failed write left nothing behind.
inline std::set<std::string> folder_names(const std::string &folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}
