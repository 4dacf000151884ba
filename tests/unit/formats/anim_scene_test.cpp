#include "formats/anim_scene.h"

#include "anim_fixture.h"
#include "foundation/file_table.h"
#include "model/model_query.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <string>

using namespace anim_test;

namespace {

// Runs each test in a temporary directory holding copies of the animation fixtures,
// so that scene lists can name their directories ".".
class AnimScene : public ::testing::Test {
protected:
    TempDir dir;
    std::string old_cwd;
    void SetUp() override
    {
        for (const char *name : {"rig.mod", "lid.mod", "knob.mod", "walk.ani", "spin.ani", "turn.ani"})
            std::filesystem::copy_file(fixture_dir() + "/" + name, dir.path + "/" + name);
        std::filesystem::create_directory(dir.path + "/anims");
        std::filesystem::copy_file(fixture_dir() + "/turn.ani", dir.path + "/anims/turn.ani");
        old_cwd = std::filesystem::current_path().string();
        std::filesystem::current_path(dir.path);
    }
    void TearDown() override { std::filesystem::current_path(old_cwd); }
    SceneLoad *load(const std::string &text)
    {
        return anim_load_scene(dir.write("scene.lst", text).c_str());
    }
};

void free_scene(SceneLoad *scene)
{
    if (!scene) return;
    for (int32_t i = 0; i < scene->entry_count; i++) {
        anim_destroy(scene->sets[i]);
        model_free(scene->models[i]);
    }
    free(scene);
}

}  // namespace

// The fixture scene: the walking rig, and a knob riding on its knee with its own turn.
TEST(AnimSceneFixture, LoadsModelsAnimationsAndParents)
{
    std::string old_cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(fixture_dir());
    SceneLoad *scene = anim_load_scene("scene.lst");
    std::filesystem::current_path(old_cwd);
    ASSERT_NE(nullptr, scene) << anim_error();
    ASSERT_EQ(2, scene->entry_count);
    EXPECT_FLOAT_EQ(4.0f, scene->duration);
    EXPECT_STREQ("rig", scene->models[0]->name);
    EXPECT_STREQ("knob", scene->models[1]->name);
    ASSERT_NE(nullptr, scene->sets[0]);
    ASSERT_NE(nullptr, scene->sets[1]);
    EXPECT_STREQ("./walk.ani", scene->sets[0]->root_track.path);
    EXPECT_FLOAT_EQ(2.0f, scene->sets[0]->root_track.end);
    EXPECT_EQ(nullptr, scene->sets[0]->parent_set);
    EXPECT_EQ(nullptr, scene->sets[0]->parent_model);
    EXPECT_EQ(scene->sets[0], scene->sets[1]->parent_set);
    EXPECT_EQ(scene->models[0], scene->sets[1]->parent_model);
    EXPECT_EQ(model_find_joint(scene->models[0], "knee"), anim_parent_joint(scene->sets[1]));
    EXPECT_EQ(3, scene->sets[1]->parent_slot);
    EXPECT_EQ(0, file_open_count());
    free_scene(scene);
}

// Every refusal of a scene list with its message; the sanitizer build checks that
// everything loaded before the failure was freed. Paths are joined with "/", and a
// malformed animation file gives the reader's own message with its file and line.
TEST_F(AnimScene, RefusalsGiveTheirMessage)
{
    dir.write("bad.ani", "names elbow\n0 0 0 0\n");
    dir.write("long.ani", "names translate\n0 1 1 1\n1 2 2 2 2\n");
    dir.write("zero.ani", "names translate\n0 1 1 1\n0 2 2 2\n");
    std::filesystem::create_directory(dir.path + "/folder.mod");
    std::filesystem::create_directory(dir.path + "/anims/folder.ani");
    std::filesystem::create_symlink("loop.ani", dir.path + "/loop.ani");
    const std::string ok = ". rig.mod . walk.ani world\n";
    struct Case { const char *what; std::string text; std::string message; };
    const Case cases[] = {
        {"missing model", ok + ". nothere.mod\n", "could not find: ./nothere.mod"},
        {"model is a folder", ok + ". folder.mod\n", "not a regular file: ./folder.mod"},
        {"missing animation in .", ok + ". knob.mod . none.ani\n", "could not find animation file: none.ani"},
        {"missing animation in a directory", ". knob.mod anims none.ani\n",
         "could not find animation file: anims/none.ani"},
        {"animation is a folder", ". knob.mod anims folder.ani\n", "not a regular file: anims/folder.ani"},
        {"animation cannot be opened", ". knob.mod . loop.ani\n",
         "cannot read: loop.ani: " + std::string(strerror(ELOOP))},
        {"unknown name", ok + ". rig.mod . bad.ani\n", "Invalid animation name (file: ./bad.ani, line: 1)"},
        {"key line too long", ". rig.mod . long.ani\n", "bad animation data (file: ./long.ani, line: 3)"},
        {"keys all at 0", ". rig.mod . zero.ani\n", "animation file ends at time 0: zero.ani"},
        {"missing parent", ". rig.mod . walk.ani nobody\n", "could not find parent: nobody"},
        {"own parent", ". knob.mod . turn.ani knob.mod\n", "could not find parent: knob.mod"},
        {"missing parent joint", ok + ". knob.mod . turn.ani rig.mod elbow\n",
         "could not find parent joint: elbow"},
        {"two ride each other", ". rig.mod . walk.ani knob.mod\n. knob.mod . turn.ani rig.mod\n",
         "parent loop: rig.mod"},
        {"one file twice as its own parent",
         ". knob.mod . turn.ani knob.mod\n. knob.mod anims turn.ani knob.mod\n", "parent loop: knob.mod"},
    };
    for (const Case &c : cases) {
        SceneLoad *scene = load(c.text);
        EXPECT_EQ(nullptr, scene) << c.what;
        free_scene(scene);
        EXPECT_EQ(c.message, anim_error()) << c.what;
        EXPECT_EQ(0, file_open_count()) << c.what;
    }
    std::string missing = dir.path + "/none.lst";
    EXPECT_EQ(nullptr, anim_load_scene(missing.c_str()));
    EXPECT_EQ("file does not exist: " + missing, anim_error());
    EXPECT_EQ(nullptr, anim_load_scene(dir.path.c_str()));
    EXPECT_EQ("not a regular file: " + dir.path, anim_error());
    EXPECT_EQ(nullptr, anim_load_scene(nullptr));
    EXPECT_EQ("file does not exist: ", anim_error());
}

// A list of 30 entries loads the first 24; entries of 2 and 3 tokens have no animation
// and no parent; lines of one token are no entries.
TEST_F(AnimScene, EntriesAndTheirTokens)
{
    std::string text = "lonely\n";
    for (int i = 0; i < 30; i++) text += i % 2 ? ". knob.mod\n" : ". lid.mod ignored\n";
    SceneLoad *scene = load(text);
    ASSERT_NE(nullptr, scene) << anim_error();
    EXPECT_EQ(SCENE_MAX_ENTRIES, scene->entry_count);
    EXPECT_EQ(0.0f, scene->duration);
    for (int i = 0; i < SCENE_MAX_ENTRIES; i++) {
        ASSERT_NE(nullptr, scene->models[i]) << i;
        EXPECT_STREQ(i % 2 ? "knob" : "lid", scene->models[i]->name) << i;
        EXPECT_EQ(nullptr, scene->sets[i]) << i;
    }
    free_scene(scene);

    // Tokens after the sixth are ignored; "world" links nothing.
    scene = load(". rig.mod . walk.ani world knee extra words\n");
    ASSERT_NE(nullptr, scene) << anim_error();
    EXPECT_EQ(nullptr, scene->sets[0]->parent_model);
    EXPECT_FLOAT_EQ(2.0f, scene->duration);
    free_scene(scene);
}

// A parent named by several entries is the last of them; a parent without animation
// links its model and no set; an entry may ride on one later in the list.
TEST_F(AnimScene, ParentLinks)
{
    SceneLoad *scene = load(". lid.mod . turn.ani knob.mod\n"
                            ". knob.mod . turn.ani rig.mod hip\n"
                            ". knob.mod anims turn.ani rig.mod foot\n"
                            ". rig.mod\n");
    ASSERT_NE(nullptr, scene) << anim_error();
    ASSERT_EQ(4, scene->entry_count);
    EXPECT_EQ(scene->sets[2], scene->sets[0]->parent_set);
    EXPECT_EQ(scene->models[2], scene->sets[0]->parent_model);
    EXPECT_EQ(nullptr, anim_parent_joint(scene->sets[0]));
    EXPECT_EQ(0, scene->sets[0]->parent_slot);
    EXPECT_EQ(nullptr, scene->sets[1]->parent_set);
    EXPECT_EQ(scene->models[3], scene->sets[1]->parent_model);
    EXPECT_EQ(2, scene->sets[1]->parent_slot);
    EXPECT_EQ(4, scene->sets[2]->parent_slot);
    EXPECT_STREQ("foot", anim_parent_joint(scene->sets[2])->name);
    EXPECT_EQ(nullptr, scene->sets[3]);
    free_scene(scene);
}
