#include "foundation/file_table.h"
#include "foundation/last_error.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class FileTable : public ::testing::Test {
protected:
    TempDir temp_;
    const std::string &root = temp_.path;
    std::string make(const std::string &name, const std::string &text)
    {
        std::string path = root + "/" + name;
        EXPECT_EQ(file_write_all(path.c_str(), text.data(), text.size()), 1);
        return path;
    }
};

TEST_F(FileTable, FiveSlotsThenRefusalAndReuse)
{
    std::string path = make("a.txt", "x");
    int handles[5];
    for (int i = 0; i < 5; i++) {
        handles[i] = file_open(path.c_str(), "r");
        EXPECT_EQ(handles[i], i);
    }
    EXPECT_EQ(file_open(path.c_str(), "r"), -1);
    EXPECT_EQ(file_open_count(), 5);
    EXPECT_EQ(file_close(handles[2]), 1);
    EXPECT_EQ(file_open(path.c_str(), "r"), 2);
    for (int h : handles) file_close(h);
    EXPECT_EQ(file_open_count(), 0);
}

TEST_F(FileTable, BadHandlesDoNothing)
{
    char buffer[8];
    for (int h : {-1, 5, 0, 4}) {
        EXPECT_EQ(file_close(h), 0) << h;
        EXPECT_EQ(file_gets(buffer, sizeof buffer, h), nullptr) << h;
        EXPECT_EQ(file_eof(h), 0) << h;
        EXPECT_EQ(file_error(h), 0) << h;
        EXPECT_EQ(file_read(h, buffer, 1, 1), 0u) << h;
        EXPECT_EQ(file_write(h, buffer, 1, 1), 0u) << h;
    }
    EXPECT_EQ(file_open_count(), 0);
    EXPECT_EQ(file_open(nullptr, "r"), -1);
    EXPECT_EQ(file_open("x", nullptr), -1);
    EXPECT_EQ(file_open((root + "/missing").c_str(), "r"), -1);
}

TEST_F(FileTable, GetsRemovesOneLineFeedOnly)
{
    std::string path = make("lines.txt", std::string("one\r\ntwo\n\nlast", 14));
    int h = file_open(path.c_str(), "r");
    char buffer[64];
    EXPECT_STREQ(file_gets(buffer, sizeof buffer, h), "one\r");
    EXPECT_STREQ(file_gets(buffer, sizeof buffer, h), "two");
    EXPECT_STREQ(file_gets(buffer, sizeof buffer, h), "");
    EXPECT_STREQ(file_gets(buffer, sizeof buffer, h), "last");
    EXPECT_EQ(file_gets(buffer, sizeof buffer, h), nullptr);
    EXPECT_NE(file_eof(h), 0);
    file_close(h);
}

TEST_F(FileTable, WholeFilesKeepEveryByte)
{
    std::string bytes("a\nb\r\n\0z", 7);
    std::string path = make("bytes.bin", bytes);
    size_t size = 0;
    char *data = file_read_all(path.c_str(), &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, size), bytes);
    free(data);

    std::string big(3 * 1024 * 1024, 'q');  // larger than the original 2 MiB limit
    path = make("big.bin", big);
    data = file_read_all(path.c_str(), &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, big.size());
    free(data);

    path = make("empty.bin", "");
    EXPECT_EQ(file_read_all(path.c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file_write_all((root + "/no/such/dir/x").c_str(), "x", 1), 0);
}

// A directory is no file: opening it fails, and loaders say it is not a regular
// file instead of failing to read it.
TEST_F(FileTable, DirectoryIsNotAFile)
{
    std::string sub = root + "/Sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    for (const char *path : {root.c_str(), sub.c_str()}) {
        for (const char *mode : {"r", "rb"}) EXPECT_EQ(file_open(path, mode), -1) << path << " " << mode;
        EXPECT_EQ(file_exists(path), 0) << path;
        EXPECT_EQ(file_read_all(path, nullptr), nullptr) << path;
    }
    EXPECT_EQ(file_exists((root + "/sub").c_str()), 0);  // also when found by case
    EXPECT_EQ(file_open_count(), 0);
    // A file in that directory still opens.
    std::string path = make("Sub/a.txt", "x");
    EXPECT_EQ(file_exists((root + "\\SUB\\A.TXT").c_str()), 1);
}

// Devices and FIFOs are refused at once, in every mode and by every whole-file helper:
// /dev/zero would never end and a FIFO would block until a writer or reader came.
// The alarm ends the program should an open block after all.
TEST_F(FileTable, OnlyRegularFilesOpen)
{
    std::string fifo = root + "/Pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string file = make("plain.txt", "x");
    alarm(20);
    for (std::string path : {std::string("/dev/zero"), std::string("/dev/null"), fifo, root + "\\PIPE"}) {
        for (const char *mode : {"r", "rb", "w", "wb", "a", "r+", "w+"})
            EXPECT_EQ(file_open(path.c_str(), mode), -1) << path << " " << mode;
        EXPECT_EQ(file_exists(path.c_str()), 0) << path;
        EXPECT_EQ(file_is_regular(path.c_str()), 0) << path;
        size_t size = 99;
        EXPECT_EQ(file_read_all(path.c_str(), &size), nullptr) << path;
        EXPECT_EQ(size, 0u) << path;
        EXPECT_EQ(file_write_all(path.c_str(), "x", 1), 0) << path;
    }
    alarm(0);
    EXPECT_EQ(file_open_count(), 0);
    struct stat info;
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));  // still a FIFO: nothing replaced it
    EXPECT_EQ(file_is_regular(file.c_str()), 1);
    EXPECT_EQ(file_is_regular((root + "/PLAIN.TXT").c_str()), 1);
    EXPECT_EQ(file_is_regular((root + "/missing").c_str()), 0);
    EXPECT_EQ(file_is_regular(root.c_str()), 0);
    EXPECT_EQ(file_is_regular(nullptr), 0);
}

// Why a file cannot be read, in the words the loaders show: the caller's text for a
// missing file, "not a regular file" for a folder, device or FIFO, and the system's
// reason for anything else; the name shown is the caller's. Nothing stays open.
TEST_F(FileTable, CheckReadableSaysWhy)
{
    std::string fifo = root + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir((root + "/folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink("loop", (root + "/loop").c_str()), 0);
    std::string plain = make("Plain.txt", "x");
    struct Case {
        std::string path;
        const char *shown;  // null: the path itself
        std::string message; // empty: readable
    };
    const Case cases[] = {
        {plain, nullptr, ""},
        {root + "\\PLAIN.TXT", nullptr, ""},
        {root + "/missing.mod", nullptr, "gone: " + root + "/missing.mod"},
        {plain + "/below", "below", "gone: below"},
        {root + "/FOLDER", "folder.mod", "not a regular file: folder.mod"},
        {"/dev/null", nullptr, "not a regular file: /dev/null"},
        {fifo, nullptr, "not a regular file: " + fifo},
        {root + "/loop", nullptr, "cannot read: " + root + "/loop: " + strerror(ELOOP)},
    };
    alarm(20);
    for (const Case &c : cases) {
        err_set("before");
        int ok = file_check_readable(c.path.c_str(), c.shown, "gone");
        EXPECT_EQ(ok, c.message.empty() ? 1 : 0) << c.path;
        if (!ok) {
            EXPECT_STREQ(err_last(), c.message.c_str()) << c.path;
        }
    }
    alarm(0);
    EXPECT_EQ(file_check_readable(nullptr, nullptr, "gone"), 0);
    EXPECT_STREQ(err_last(), "gone: ");
    EXPECT_EQ(file_open_count(), 0);

    // With every slot taken, a file that exists cannot be read now.
    int handles[FILE_TABLE_SIZE];
    for (int &h : handles) h = file_open(plain.c_str(), "r");
    EXPECT_EQ(file_check_readable(plain.c_str(), nullptr, "gone"), 0);
    EXPECT_EQ(std::string(err_last()), "cannot read: " + plain + ": " + strerror(EMFILE));
    for (int h : handles) file_close(h);

    // A file its owner may not read (root reads every file, so only others can check this).
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(plain.c_str(), 0), 0);
        EXPECT_EQ(file_check_readable(plain.c_str(), nullptr, "gone"), 0);
        EXPECT_EQ(std::string(err_last()), "cannot read: " + plain + ": " + strerror(EACCES));
        chmod(plain.c_str(), 0600);
    }
}

// Every fopen mode keeps its meaning: create, truncate, append, update, exclusive.
TEST_F(FileTable, ModesKeepTheirMeaning)
{
    std::string path = root + "/m.txt";
    auto put = [&](const char *mode, const char *text) {
        int h = file_open(path.c_str(), mode);
        if (h < 0) return -1;
        size_t n = file_write(h, text, 1, strlen(text));
        file_close(h);
        return static_cast<int>(n);
    };
    auto get = [&]() {
        size_t size = 0;
        char *data = file_read_all(path.c_str(), &size);
        std::string out = data ? std::string(data, size) : "<null>";
        free(data);
        return out;
    };
    EXPECT_EQ(put("wx", "abc"), 3);
    EXPECT_EQ(put("wx", "zzz"), -1);  // exclusive: the file exists
    EXPECT_EQ(get(), "abc");
    EXPECT_EQ(put("a", "de"), 2);
    EXPECT_EQ(get(), "abcde");
    EXPECT_EQ(put("r+", "X"), 1);
    EXPECT_EQ(get(), "Xbcde");
    EXPECT_EQ(put("w", "new"), 3);
    EXPECT_EQ(get(), "new");
    EXPECT_EQ(put("q", "bad"), -1);
    EXPECT_EQ(put("r", "no"), 0);  // read-only: nothing written
    EXPECT_EQ(get(), "new");
    EXPECT_EQ(file_open_count(), 0);
}
