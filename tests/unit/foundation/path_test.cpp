#include "foundation/file_table.h"
#include "foundation/path.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

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

TEST(PathDirectory, EndsAtLastSeparatorOfEitherKind)
{
    struct Case {
        const char *path;
        const char *expect;
    } cases[] = {
        {"C:\\Models\\Ship.MOD", "c:\\models\\"},
        {"Data\\Sub\\a.mod", "data\\sub\\"},
        {"c:/data/a.mod", "c:/data/"},
        {"/tmp/X/y\\Z.mod", "/tmp/x/y\\"},
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

TEST(PathBuffers, LongPathsAreRefusedNotOverrun)
{
    std::string long_path(600, 'a');
    long_path += ".mod";
    EXPECT_EQ(path_model_name(long_path.c_str()), nullptr);
    EXPECT_EQ(path_directory(long_path.c_str()), nullptr);
    EXPECT_EQ(path_replace_extension(long_path.c_str(), "obj"), nullptr);
    EXPECT_STREQ(path_base_name(long_path.c_str()), "");
    EXPECT_STREQ(path_dir_part(long_path.c_str()), "");
    std::string edge(507, 'b');
    edge += ".mod";  // 511 characters fit
    EXPECT_EQ(or_null(path_model_name(edge.c_str())), std::string(507, 'b'));
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
