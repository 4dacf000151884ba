// Files replaced whole or not at all: writes that fall short at their start or part-way,
// full and read-only file systems, targets that may not be written, links and modes.
#include "foundation/file_table.h"
#include "foundation/last_error.h"
#include "tests/unit/temp_dir.h"
#include "tests/unit/write_failures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The old content of every target; what a replacement would write.
const std::string kOld = "old content\n";
const std::string kNew(20000, 'n');

// A writer that hands over part of its bytes and then gives up.
int give_up_half_way(int handle, void *)
{
    file_write(handle, "half", 1, 4);
    return 0;
}

std::string reason()
{
    const char *text = err_last();
    return text ? text : "";
}

mode_t mode_of(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

class FileReplace : public ::testing::Test {
protected:
    TempDir temp_;

    // A folder holding one file "target" with the old content; the folder's path.
    std::string folder_with_target(const std::string &name)
    {
        std::string folder = temp_.file(name);
        temp_.write(name + "/target", kOld);
        return folder;
    }
    // The replacement failed: the old bytes are there and nothing else was added.
    void expect_untouched(const std::string &folder, const std::set<std::string> &before, const std::string &what)
    {
        EXPECT_EQ(read_text(folder + "/target"), kOld) << what;
        EXPECT_EQ(folder_names(folder), before) << what;
        EXPECT_EQ(file_open_count(), 0) << what;
    }
};

}  // namespace

TEST_F(FileReplace, ReplacesTheContentWhole)
{
    std::string folder = folder_with_target("ok");
    std::string target = folder + "/target";
    EXPECT_EQ(file_write_all(target.c_str(), kNew.data(), kNew.size()), 1) << reason();
    EXPECT_EQ(read_text(target), kNew);
    EXPECT_EQ(file_write_all((folder + "/fresh").c_str(), "", 0), 1) << reason();
    EXPECT_EQ(read_text(folder + "/fresh"), "");
    EXPECT_EQ(folder_names(folder), (std::set<std::string>{"target", "fresh"}));
    EXPECT_EQ(file_open_count(), 0);
}

// A file-size limit makes a write fall short at its start (limit 0) or anywhere later; the
// limit of one byte less than the content fails at the very last byte.
TEST_F(FileReplace, ShortWritesLeaveTheOldFileWhole)
{
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(4096), rlim_t(4099), rlim_t(kNew.size() - 1)}) {
        std::string folder = folder_with_target("limit" + std::to_string(limit));
        std::set<std::string> before = folder_names(folder);
        std::string target = folder + "/target";
        ChildOutcome child = run_with_file_limit(limit, [&] {
            return file_write_all(target.c_str(), kNew.data(), kNew.size());
        });
        ASSERT_TRUE(child.ran) << limit;
        EXPECT_EQ(child.result, 0) << limit;
        EXPECT_EQ(child.reason, "File too large") << limit;
        expect_untouched(folder, before, "limit " + std::to_string(limit));
    }
    // The same write with room enough replaces the file.
    std::string target = folder_with_target("room") + "/target";
    ChildOutcome child = run_with_file_limit(kNew.size(), [&] {
        return file_write_all(target.c_str(), kNew.data(), kNew.size());
    });
    ASSERT_TRUE(child.ran);
    EXPECT_EQ(child.result, 1) << child.reason;
    EXPECT_EQ(read_text(target), kNew);
}

// A file system with no room, or room for part of the content only.
TEST_F(FileReplace, FullDiskLeavesTheOldFileWhole)
{
    for (size_t room : {size_t(0), size_t(8192)}) {
        SmallTmpfs disk(temp_.file("disk" + std::to_string(room)), 64 * 1024);
        if (!disk.mounted) GTEST_SKIP() << "no tmpfs can be mounted here";
        temp_.write("disk" + std::to_string(room) + "/target", kOld);
        disk.fill(room);
        std::set<std::string> before = folder_names(disk.path);
        std::string target = disk.path + "/target";
        EXPECT_EQ(file_write_all(target.c_str(), kNew.data(), kNew.size()), 0) << room;
        EXPECT_EQ(reason(), "No space left on device") << room;
        expect_untouched(disk.path, before, "room " + std::to_string(room));
    }
}

// A read-only file system refuses even root, before anything is written.
TEST_F(FileReplace, ReadOnlyFileSystemIsRefused)
{
    SmallTmpfs disk(temp_.file("rofs"), 64 * 1024);
    if (!disk.mounted) GTEST_SKIP() << "no tmpfs can be mounted here";
    temp_.write("rofs/target", kOld);
    if (!disk.make_read_only()) GTEST_SKIP() << "the tmpfs cannot be made read-only";
    std::set<std::string> before = folder_names(disk.path);
    EXPECT_EQ(file_write_all((disk.path + "/target").c_str(), kNew.data(), kNew.size()), 0);
    EXPECT_EQ(reason(), "Read-only file system");
    expect_untouched(disk.path, before, "read-only file system");
}

// A read-only file and a read-only folder are refused with the system's reason; the
// writes run as an unprivileged user, for whom modes count.
TEST_F(FileReplace, ReadOnlyFilesAndFoldersAreRefused)
{
    ASSERT_EQ(chmod(temp_.path.c_str(), 0755), 0);
    std::string file_folder = folder_with_target("rofile");
    ASSERT_EQ(chmod(file_folder.c_str(), 0777), 0);
    ASSERT_EQ(chmod((file_folder + "/target").c_str(), 0444), 0);
    std::string dir_folder = folder_with_target("rodir");
    ASSERT_EQ(chmod((dir_folder + "/target").c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir_folder.c_str(), 0555), 0);
    for (const std::string &folder : {file_folder, dir_folder}) {
        std::set<std::string> before = folder_names(folder);
        std::string target = folder + "/target";
        ChildOutcome child = run_unprivileged([&] {
            return file_write_all(target.c_str(), kNew.data(), kNew.size());
        });
        if (!child.ran) GTEST_SKIP() << "no unprivileged child can be started";
        EXPECT_EQ(child.result, 0) << folder;
        EXPECT_EQ(child.reason, "Permission denied") << folder;
        expect_untouched(folder, before, folder);
    }
    ASSERT_EQ(chmod(dir_folder.c_str(), 0755), 0);
}

// Targets that are no regular file, a folder that does not exist, a full file table and a
// writer that gives up: each is refused with its reason and leaves everything as it was.
TEST_F(FileReplace, RefusedTargetsAndWriters)
{
    std::string folder = folder_with_target("refused");
    std::string target = folder + "/target";
    ASSERT_EQ(mkdir((folder + "/sub").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
    std::set<std::string> before = folder_names(folder);
    const struct { std::string path; const char *reason; } cases[] = {
        {folder + "/sub", "Is a directory"},
        {folder + "/pipe", "Not a regular file"},
        {"/dev/null", "Not a regular file"},
        {folder + "/missing/target", "No such file or directory"},
        {target + "/below", "Not a directory"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(file_write_all(c.path.c_str(), kNew.data(), kNew.size()), 0) << c.path;
        EXPECT_EQ(reason(), c.reason) << c.path;
        expect_untouched(folder, before, c.path);
    }

    EXPECT_EQ(file_replace(target.c_str(), give_up_half_way, nullptr), 0);
    EXPECT_EQ(reason(), "Input/output error");
    expect_untouched(folder, before, "writer gave up");

    // The new file takes a slot of the table: with four open it still fits, with five not.
    int handles[5];
    for (int i = 0; i < 5; i++) handles[i] = file_open(target.c_str(), "r");
    EXPECT_EQ(file_write_all(target.c_str(), kNew.data(), kNew.size()), 0);
    EXPECT_EQ(reason(), "Too many open files");
    file_close(handles[4]);
    EXPECT_EQ(file_write_all(target.c_str(), kNew.data(), kNew.size()), 1) << reason();
    for (int i = 0; i < 4; i++) file_close(handles[i]);
    EXPECT_EQ(read_text(target), kNew);
    EXPECT_EQ(folder_names(folder), before);
    EXPECT_EQ(file_open_count(), 0);
}

// A target reached through symbolic links (relative, absolute, a chain, one that names a
// file not there yet) is replaced where the last link points; every link stays as it was.
TEST_F(FileReplace, LinksAreFollowedAndKept)
{
    std::string folder = folder_with_target("links");
    ASSERT_EQ(mkdir((folder + "/real").c_str(), 0755), 0);
    temp_.write("links/real/file", kOld);
    const struct { const char *link; std::string points_to; const char *file; } links[] = {
        {"relative", "real/file", "real/file"},
        {"absolute", folder + "/target", "target"},
        {"chain", "relative", "real/file"},
        {"dangling", "real/later", "real/later"},
    };
    for (const auto &l : links) ASSERT_EQ(symlink(l.points_to.c_str(), (folder + "/" + l.link).c_str()), 0);
    std::set<std::string> top = folder_names(folder);
    for (const auto &l : links) {
        std::string content = std::string("through ") + l.link;
        EXPECT_EQ(file_write_all((folder + "/" + l.link).c_str(), content.data(), content.size()), 1)
            << l.link << ": " << reason();
        EXPECT_EQ(read_text(folder + "/" + l.file), content) << l.link;
        for (const auto &other : links) {
            char text[4096] = {0};
            ssize_t n = readlink((folder + "/" + other.link).c_str(), text, sizeof text - 1);
            EXPECT_EQ(n > 0 ? std::string(text, static_cast<size_t>(n)) : "", other.points_to) << l.link;
        }
    }
    EXPECT_EQ(folder_names(folder), top);
    EXPECT_EQ(folder_names(folder + "/real"), (std::set<std::string>{"file", "later"}));

    ASSERT_EQ(symlink("loop", (folder + "/loop").c_str()), 0);
    EXPECT_EQ(file_write_all((folder + "/loop").c_str(), "x", 1), 0);
    EXPECT_EQ(reason(), "Too many levels of symbolic links");
}

// An existing file keeps its permission bits; a new one gets what the umask leaves of 0666.
TEST_F(FileReplace, PermissionBitsAreKept)
{
    std::string folder = folder_with_target("modes");
    std::string target = folder + "/target";
    for (mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0600), mode_t(0755)}) {
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        EXPECT_EQ(file_write_all(target.c_str(), kNew.data(), kNew.size()), 1) << reason();
        EXPECT_EQ(mode_of(target), mode);
    }
    mode_t old_mask = umask(027);
    EXPECT_EQ(file_write_all((folder + "/new").c_str(), "x", 1), 1) << reason();
    umask(old_mask);
    EXPECT_EQ(mode_of(folder + "/new"), mode_t(0640));
}
