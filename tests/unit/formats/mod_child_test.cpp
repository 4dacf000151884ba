#include "formats/mod_child.h"

#include "formats/mod_loader.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_build.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

const char *const kTriangle =
    "points\n1 0 0 0\n2 10 0 0\n3 0 10 0\nlayer skin 127 127 127 doublesided\ntriangles\n0 1 2 3\n";

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

// The message of attaching a child named name (with tree, the model attached, or null) to
// model in memory: empty when it may join.
std::string attach_message(Model *model, const char *name, Model *tree)
{
    ModChildCheck check = {};
    check.models = &model;
    check.count = 1;
    check.tree = tree;
    ModChildFile file;
    err_set(nullptr);
    return mod_child_find(&check, name, &file) ? "" : last_error();
}

// A folder holding top.mod, alias.mod a link to it, here a link to the folder itself, and
// files whose child lines reach top.mod only through those links or "./" spellings.
struct LinkedFiles {
    WorkDir w;
    LinkedFiles()
    {
        std::ofstream(w.path + "top.mod") << kTriangle;
        std::ofstream(w.path + "plain.mod") << kTriangle;
        std::ofstream(w.path + "via.mod") << "child alias 0 0 0 1 1 1 0 0 0\n";
        std::filesystem::create_directory(w.path + "sub");
        std::ofstream(w.path + "sub/deep.mod") << "child ../here/alias 0 0 0 1 1 1 0 0 0\n";
        std::filesystem::create_symlink("top.mod", w.path + "alias.mod");
        std::filesystem::create_symlink(".", w.path + "here");
    }
};

}  // namespace

// A child whose file is the model's own by its real path leads back to it, however it is
// spelt: through a link to the file or to a folder, "./" or ".//", or a file below naming one.
TEST(ModChild, AttachKnowsFilesByTheirRealPath)
{
    LinkedFiles f;
    Model *top = model_create("top.mod", nullptr);
    Model *kid = model_create("kid.mod", top);
    ASSERT_EQ(1, model_add_child(top, kid, "kid", 0, 0, 0, 1, 1, 1, "0", "0", "0"));
    const char *const loops[] = {"alias", "./alias", ".//alias", "here/alias", "here/./top", "via",
                                 "sub/deep"};
    for (const char *name : loops) {
        std::string message = std::string("Child model would contain its parent: ") + name + ".mod";
        EXPECT_EQ(message, attach_message(top, name, nullptr)) << name;
        EXPECT_EQ(message, attach_message(kid, name, nullptr)) << "below: " << name;
    }
    EXPECT_EQ("", attach_message(top, "plain", nullptr));
    EXPECT_EQ("", attach_message(top, "here/plain", nullptr));

    // A model opened from the link, attached with its tree: the link's file is the parent's.
    Model *linked = model_create("alias.mod", nullptr);
    EXPECT_EQ("Child model would contain its parent: alias.mod", attach_message(top, "alias", linked));
    Model *plain = model_create("plain.mod", nullptr);
    ASSERT_EQ(1, model_add_child(plain, nullptr, "here/alias", 0, 0, 0, 1, 1, 1, "0", "0", "0"));
    EXPECT_EQ("Child model would contain its parent: plain.mod", attach_message(top, "plain", plain));
    model_free(plain);
    model_free(linked);
    model_free(top);
}

// The loader refuses a child whose file is, by its real path, a file being read, at once and
// naming the child line's own path, however the line spells it.
TEST(ModChild, LoaderRefusesALinkedFileAtOnce)
{
    LinkedFiles f;
    const std::string dir = f.w.path;
    struct Case {
        const char *file;
        const char *child;
        const char *message_path;
    };
    std::filesystem::create_symlink("a.mod", dir + "link_a.mod");
    const Case cases[] = {
        {"a.mod", "link_a", "link_a.mod"},
        {"b.mod", "sub/../b", "sub/../b.mod"},
        {"c.mod", "here/c", "here/c.mod"},
        {"d.mod", "./d", "./d.mod"},
    };
    for (const Case &c : cases) {
        std::string path = dir + c.file;
        std::ofstream(path) << kTriangle << "child " << c.child << " 0 0 0 1 1 1 0 0 0\n";
        EXPECT_EQ(nullptr, mod_load(path.c_str())) << c.file;
        EXPECT_EQ("Child models nested too deeply: " + dir + c.message_path, last_error()) << c.file;
    }
    // A file named twice below is no loop.
    std::ofstream(dir + "twice.mod") << std::string(kTriangle) << "child plain 0 0 0 1 1 1 0 0 0\n"
                                     << "child here/plain 0 0 0 1 1 1 0 0 0\n";
    Model *twice = mod_load((dir + "twice.mod").c_str());
    EXPECT_NE(nullptr, twice) << last_error();
    model_free(twice);
}
