#include "foundation/file_table.h"
#include "foundation/path.h"
#include "tests/unit/temp_dir.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

static std::string or_null(const char *text)
{
    return text ? text : "<null>";
}

TEST(PathModelName, NamesFromPaths)
{
    struct Case {
        const char *path;
        const char *expect;
    } cases[] = {
        {"C:\\Models\\Ship.MOD", "ship"},
        {"a.mod", "a"},
        {"abcd", "<null>"},
        {"models/Door.mod", "door"},
        {"x.jpeg", "x.jpeg"},
        {"/tmp/Mixed\\Sub/Ring.mod", "ring"},
        {"", "<null>"},
    };
    for (const Case &c : cases) EXPECT_EQ(or_null(path_model_name(c.path)), c.expect) << c.path;
    EXPECT_EQ(path_model_name(nullptr), nullptr);
}

// The name a model takes from a path: the last component after either separator, lower-cased,
// without an extension of exactly three characters after the last dot. A path ending in ".mod"
// (any case) gives the name the loader's model-name rule always gave it.
TEST(PathLeafName, LastComponentWithoutThreeLetterExtension)
{
    struct Case {
        const char *path;
        const char *expect;
    } cases[] = {
        {"../m/abc", "abc"},      {"..\\m\\abc", "abc"},   {"ab/c.d/e", "e"},
        {"y.abc.def", "y.abc"},   {"r.s.t", "r.s.t"},       {"Ab", "ab"},
        {"abcd", "abcd"},         {"x.ab", "x.ab"},         {"x.", "x."},
        {"a.MOD", "a"},           {"....", "...."},         {"sub/", ""},
        {".mod", ""},             {"d\\.mod", ""},          {"", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(or_null(path_leaf_name(c.path)), c.expect) << c.path;
    EXPECT_EQ(path_leaf_name(nullptr), nullptr);
    EXPECT_EQ(path_leaf_name(std::string(PATH_BUFFER_SIZE, 'a').c_str()), nullptr);

    const char *mod_paths[] = {"C:\\Models\\Ship.MOD", "a.mod", "models/Door.mod", "/tmp/Mixed\\Sub/Ring.mod",
                               "ab.c/Door.mod", "x.y.z.mod", "dir.abc/ship.bak.Mod", "a/b.mod"};
    for (const char *path : mod_paths)
        EXPECT_EQ(or_null(path_leaf_name(path)), or_null(path_model_name(path))) << path;
}

// The directory keeps its case: on Linux "Parts/" and "parts/" are two folders.
TEST(PathDirectory, EndsAtLastSeparatorOfEitherKindAsWritten)
{
    struct Case {
        const char *path;
        const char *expect;
    } cases[] = {
        {"C:\\Models\\Ship.MOD", "C:\\Models\\"},
        {"Data\\Sub\\a.mod", "Data\\Sub\\"},
        {"c:/data/a.mod", "c:/data/"},
        {"/tmp/X/y\\Z.mod", "/tmp/X/y\\"},
        {"a.mod", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(or_null(path_directory(c.path)), c.expect) << c.path;
    EXPECT_EQ(path_directory(""), nullptr);
}

TEST(PathReplaceExtension, DotSearchWindow)
{
    struct Case {
        const char *path;
        const char *ext;
        const char *expect;
    } cases[] = {
        {"ship.mod", "p2i", "ship.p2i"},
        {"ship", "p2i", "shipp2i"},
        {"a.b", "obj", "a.bobj"},
        {"dir.x/file", "obj", "dir.obj"},
        {"model.jpeg", "tga", "model.tga"},
    };
    for (const Case &c : cases) EXPECT_EQ(or_null(path_replace_extension(c.path, c.ext)), c.expect) << c.path;
}

// Without a separator the name starts at the buffer's first byte (nothing is read or formed
// before it).
TEST(PathNames, NoSeparator)
{
    struct Case {
        const char *path;
        const char *model_name;
        const char *base_name;
    } cases[] = {
        {"Ship.MOD", "ship", "ship"},
        {"abcde", "abcde", "abcde"},
        {"x.jpeg", "x.jpeg", "x.jpeg"},
        {"ab", "<null>", "ab"},
        {".mod", "<null>", ""},
        {"", "<null>", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(or_null(path_model_name(c.path)), c.model_name) << c.path;
        EXPECT_EQ(or_null(path_base_name(c.path)), c.base_name) << c.path;
    }
}

// Every path up to the system's own limit has its name and directory; longer paths are refused.
TEST(PathBuffers, PathsUpToTheSystemLimitFitLongerAreRefusedNotOverrun)
{
    std::string long_path(PATH_MAX, 'a');
    long_path += ".mod";
    EXPECT_EQ(path_model_name(long_path.c_str()), nullptr);
    EXPECT_EQ(path_leaf_name(long_path.c_str()), nullptr);
    EXPECT_EQ(path_directory(long_path.c_str()), nullptr);
    EXPECT_EQ(path_replace_extension(long_path.c_str(), "obj"), nullptr);
    EXPECT_STREQ(path_base_name(long_path.c_str()), "");
    EXPECT_STREQ(path_dir_part(long_path.c_str()), "");
    for (size_t folder : {507, 530, 620, PATH_MAX - 7}) {
        std::string dir = std::string(folder - 1, 'D') + "/";
        std::string path = dir + "b.mod";  // at most PATH_MAX - 1 characters
        EXPECT_EQ(or_null(path_model_name(path.c_str())), "b") << folder;
        EXPECT_EQ(or_null(path_leaf_name(path.c_str())), "b") << folder;
        EXPECT_EQ(or_null(path_directory(path.c_str())), dir) << folder;
        EXPECT_EQ(or_null(path_replace_extension(path.c_str(), "tga")), dir + "b.tga") << folder;
    }
}

TEST(PathDirPart, BeforeLastSeparator)
{
    EXPECT_STREQ(path_dir_part("A\\B\\c.mod"), "a\\b");
    EXPECT_STREQ(path_dir_part("c.mod"), "");
    EXPECT_STREQ(path_base_name("A\\B\\Cat.mod"), "cat");
}

// A temporary directory tree with mixed-case names, removed afterwards.
class PathResolve : public ::testing::Test {
protected:
    TempDir temp_;
    const std::string &root = temp_.path;
    void SetUp() override
    {
        mkdir((root + "/Models").c_str(), 0755);
        mkdir((root + "/Models/Sub").c_str(), 0755);
        write(root + "/Models/Sub/Door.MOD", "door");
    }
    static void write(const std::string &path, const char *text)
    {
        ASSERT_EQ(file_write_all(path.c_str(), text, strlen(text)), 1);
    }
    static std::string read(const std::string &path)
    {
        size_t size = 0;
        char *data = file_read_all(path.c_str(), &size);
        std::string out = data ? std::string(data, size) : "<null>";
        free(data);
        return out;
    }
};

TEST_F(PathResolve, ExactPathIsKept)
{
    EXPECT_EQ(path_resolve((root + "/Models/Sub/Door.MOD").c_str()), root + "/Models/Sub/Door.MOD");
}

TEST_F(PathResolve, BackslashesAndCaseAreMatched)
{
    struct Case {
        std::string path;
    } cases[] = {
        {root + "/models/sub/door.mod"},
        {root + "\\MODELS\\SUB\\DOOR.mod"},
        {root + "/Models\\sub/Door.Mod"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(path_resolve(c.path.c_str()), root + "/Models/Sub/Door.MOD") << c.path;
        EXPECT_EQ(read(c.path), "door") << c.path;
        EXPECT_EQ(file_exists(c.path.c_str()), 1) << c.path;
    }
}

TEST_F(PathResolve, NewFileInMiscasedDirectory)
{
    write(root + "\\models\\SUB\\new.txt", "fresh");
    EXPECT_EQ(read(root + "/Models/Sub/new.txt"), "fresh");
    EXPECT_EQ(file_exists((root + "/nothere/x.mod").c_str()), 0);
}

TEST_F(PathResolve, DirectoryOfAPosixPathFindsSiblings)
{
    std::string model = root + "/Models/Sub/Door.MOD";
    std::string sibling = std::string(path_directory(model.c_str())) + "door.mod";
    EXPECT_EQ(read(sibling), "door");
}

namespace {

// The resolver as first written, one new string per component and every component asked of
// the file system: the reference the one-pass resolver must agree with.
std::string resolve_by_components(const char *path)
{
    std::string written(path);
    for (char &c : written)
        if (c == '\\') c = '/';
    struct stat st;
    auto exists = [&st](const std::string &p) { return stat(p.c_str(), &st) == 0; };
    if (written.empty() || exists(written)) return written;
    std::string out;
    size_t pos = 0;
    if (written[0] == '/') {
        out = "/";
        pos = 1;
    }
    while (pos <= written.size()) {
        size_t end = written.find('/', pos);
        if (end == std::string::npos) end = written.size();
        std::string comp = written.substr(pos, end - pos);
        bool last = end >= written.size();
        if (!comp.empty()) {
            std::string candidate = out + comp;
            if (comp != "." && comp != ".." && !exists(candidate)) {
                std::string found = comp;
                if (DIR *d = opendir(out.empty() ? "." : out.c_str())) {
                    while (struct dirent *e = readdir(d)) {
                        if (strcasecmp(e->d_name, comp.c_str()) == 0) {
                            found = e->d_name;
                            break;
                        }
                    }
                    closedir(d);
                }
                candidate = out + found;
            }
            out = candidate;
            if (!last) out += '/';
        } else if (!last && !out.empty() && out.back() != '/') {
            out += '/';
        }
        pos = end + 1;
    }
    return out;
}

}  // namespace

// Every result of the resolver is the component walk's, for absolute and relative paths,
// case and separator mix-ups, dots, doubled and trailing separators, missing parts before
// and after existing ones, and a file used as a folder.
TEST(PathResolveWalk, AgreesWithTheComponentWalk)
{
    WorkDir work;
    std::filesystem::create_directories(work.path + "Models/Sub");
    std::filesystem::create_directories(work.path + "Models/Other");
    std::filesystem::create_directories(work.path + "Models/Sub/.hidden");
    ASSERT_EQ(file_write_all((work.path + "Models/Sub/Door.MOD").c_str(), "d", 1), 1);
    const std::string root = work.temp.path;
    const char *tails[] = {
        "models/sub/door.mod",      "MODELS\\SUB\\DOOR.MOD",   "Models//Sub///door.mod",
        "models/sub/",              "models/sub//",            "./models/./SUB/door.mod",
        "models/../MODELS/sub/door.mod", "models/nosuch/../sub/door.mod", "nosuch/models/sub/door.mod",
        "models/sub/door.mod/x",    "models/sub/DOOR.MOD/..",  "models/sub/.HIDDEN/new.txt",
        "models/OTHER/New.txt",     "models\\sub\\nosuch\\deeper\\x.mod", "..\\nosuch",
        "./",                       ".",                       "models/sub/door.mod/",
        "MODELS/SUB",               "no/such/folder/at/all/",
    };
    for (const char *tail : tails) {
        for (const std::string &prefix : {std::string(), root + "/", root + "//"}) {
            std::string path = prefix + tail;
            EXPECT_EQ(resolve_by_components(path.c_str()), path_resolve(path.c_str())) << path;
        }
    }
    EXPECT_EQ(path_resolve(""), "");
    EXPECT_EQ(path_resolve(nullptr), "");
}

// A missing path of 50,000 folders (about 100,000 characters) is answered in one pass: the
// component walk took seconds natively and minutes in the sanitizer build.
TEST(PathResolveWalk, LongMissingPathIsAnsweredAtOnce)
{
    TempDir temp;
    std::string path = temp.path + "/Nosuch";
    for (int i = 0; i < 50000; i++) path += "\\a";
    path += "\\Door.mod";
    std::string expected = path;
    for (char &c : expected)
        if (c == '\\') c = '/';
    auto start = std::chrono::steady_clock::now();
    std::string resolved = path_resolve(path.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(expected, resolved);
    EXPECT_EQ(file_exists(path.c_str()), 0);
    EXPECT_LT(seconds, 0.5);
}
