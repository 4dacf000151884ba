#include "formats/mod_loader.h"

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/image_cache.h"
#include "model/model.h"
#include "model/model_query.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kDir = std::string(DRUVEX_FIXTURES) + "/formats/";

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

std::string lower(std::string s)
{
    for (char &c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

const char *joint_name(const Joint *j)
{
    return j ? j->name : "-";
}

Point *point_of(Model *m, int id)
{
    return static_cast<Point *>(table_find(&m->points, id));
}

}  // namespace

// The scene's three children are found through "/", "\" and a name in other case,
// and the box's own child is loaded from the box's directory.
TEST(ModLoader, LoadsChildrenDepthFirst)
{
    Model *m = mod_load((kDir + "scene.mod").c_str());
    ASSERT_NE(nullptr, m) << last_error();
    EXPECT_EQ(nullptr, m->parent);
    EXPECT_STREQ("scene", m->name);
    ASSERT_EQ(3, table_count(&m->children));
    const char *names[] = {"parts/grid", "parts\\box", "Parts/WHEEL"};
    const char *models[] = {"grid", "box", "wheel"};
    Child *c = static_cast<Child *>(table_first(&m->children));
    for (int i = 0; i < 3; i++, c = static_cast<Child *>(table_next(&m->children))) {
        ASSERT_NE(nullptr, c);
        EXPECT_STREQ(names[i], c->name);
        ASSERT_NE(nullptr, c->model) << names[i];
        EXPECT_STREQ(models[i], c->model->name);
        EXPECT_EQ(m, c->model->parent);
    }
    Child *box = model_child_at(m, 2);
    ASSERT_NE(nullptr, box);
    Child *knob = static_cast<Child *>(table_first(&box->model->children));
    ASSERT_NE(nullptr, knob);
    ASSERT_NE(nullptr, knob->model);
    EXPECT_STREQ("knob", knob->model->name);
    EXPECT_EQ(box->model, knob->model->parent);
    EXPECT_EQ(4, model_child_count(m));
    model_free(m);
}

// Joints own the first points in point order, each with its parent as second joint;
// blends own the points after them; the rest keep no joint.
TEST(ModLoader, BindsJointsThenBlends)
{
    Model *m = mod_load((kDir + "extras.mod").c_str());
    ASSERT_NE(nullptr, m) << last_error();
    struct Want { int id; const char *joint, *second; };
    const Want want[] = {{10, "hip", "-"},   {11, "hip", "-"},    {12, "hip", "-"},
                         {13, "knee", "hip"}, {14, "knee", "hip"}, {15, "hip", "knee"},
                         {16, "hip", "knee"}, {17, "-", "-"}};
    for (const Want &w : want) {
        Point *p = point_of(m, w.id);
        ASSERT_NE(nullptr, p) << w.id;
        EXPECT_STREQ(w.joint, joint_name(p->joint)) << w.id;
        EXPECT_STREQ(w.second, joint_name(p->second_joint)) << w.id;
    }
    EXPECT_EQ(0, model_find_joint(m, "knee")->parent_index);
    model_free(m);

    m = mod_load((kDir + "scene.mod").c_str());
    ASSERT_NE(nullptr, m) << last_error();
    for (int id = 1; id <= 12; id++) {
        const char *want = id <= 4 ? "root" : id <= 6 ? "arm" : "-";
        const char *second = id <= 4 ? "-" : id <= 6 ? "root" : "-";
        EXPECT_STREQ(want, joint_name(point_of(m, id)->joint)) << id;
        EXPECT_STREQ(second, joint_name(point_of(m, id)->second_joint)) << id;
    }
    model_free(m);
}

// Points defined in the order 10..15 with joints of 3 and 2 points; a parent named
// before it is defined gets its index, also for joints after the points ran out.
TEST(ModLoader, BindsInPointOrderAndResolvesLaterParents)
{
    TempDir t;
    std::string path = t.write("j.mod",
                               "joint a 0 0 0 world 3\njoint b 0 0 0 a 2\n"
                               "joint d 0 0 0 e 0\njoint e 0 0 0 a 0\n"
                               "points\n13 0 0 0\n10 0 0 0\n11 0 0 0\n12 0 0 0\n14 0 0 0\n15 0 0 0\n");
    Model *m = mod_load(path.c_str());
    ASSERT_NE(nullptr, m) << last_error();
    const int order[] = {13, 10, 11, 12, 14, 15};
    const char *want[] = {"a", "a", "a", "b", "b", "-"};
    for (int i = 0; i < 6; i++) EXPECT_STREQ(want[i], joint_name(point_of(m, order[i])->joint)) << order[i];
    EXPECT_EQ(-1, model_find_joint(m, "a")->parent_index);
    EXPECT_EQ(0, model_find_joint(m, "b")->parent_index);
    EXPECT_EQ(3, model_find_joint(m, "d")->parent_index);
    EXPECT_EQ(0, model_find_joint(m, "e")->parent_index);
    model_free(m);
}

// Every failure gives its message and leaves nothing allocated: no model, no image
// reference (checked through the image cache) and, under the sanitizer, no leak.
TEST(ModLoader, FailuresFreeEverything)
{
    TempDir t;
    std::filesystem::copy_file(kDir + "tex.tga", t.file("tex.tga"));
    const std::string dir = lower(t.path + "/");  // model directories are kept in lower case
    const std::string points = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n";
    const std::string layer = "layer a 1 1 1 doublesided\ntriangles\n0 1 2 3\nimage tex.tga x y\n";
    const std::string textured = points + layer;
    t.write("sub/ok.mod", textured);
    t.write("sub/Bad.mod", textured + "child ../nothere 0 0 0 1 1 1 0 0 0\n");
    std::filesystem::copy_file(kDir + "tex.tga", t.file("sub/tex.tga"));
    struct Case {
        const char *name;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"line.mod", textured + "triangles\n0 1 2 7\n",
         "point does not exist (file: " + t.file("line.mod") + ", line: 10)"},
        {"normal.mod", points + "normals\n2 0 0 0\n" + layer, "(normal.mod) bad normal: 2"},
        {"child.mod", textured + "child sub/ok 0 0 0 1 1 1 0 0 0\nchild nothere 0 0 0 1 1 1 0 0 0\n",
         "Cannot find child model: " + dir + "nothere.mod"},
        {"grand.mod", textured + "child sub\\ok 0 0 0 1 1 1 0 0 0\nchild sub/bad 0 0 0 1 1 1 0 0 0\n",
         "Cannot find child model: " + dir + "sub/../nothere.mod"},
        {"self.mod", textured + "child self 0 0 0 1 1 1 0 0 0\n",
         "Child models nested too deeply: " + dir + "self.mod"},
    };
    for (const Case &c : cases) {
        std::string path = t.write(c.name, c.text);
        Model *m = mod_load(path.c_str());
        EXPECT_EQ(nullptr, m) << c.name;
        model_free(m);
        std::string got = last_error();
        EXPECT_EQ(c.message, got) << c.name;
        EXPECT_EQ(nullptr, image_cache_find((dir + "tex.tga").c_str())) << c.name;
        EXPECT_EQ(nullptr, image_cache_find((dir + "sub/tex.tga").c_str())) << c.name;
    }
    std::string missing = t.file("missing.mod");
    EXPECT_EQ(nullptr, mod_load(missing.c_str()));
    EXPECT_EQ("could not find: " + missing, last_error());
    EXPECT_EQ(nullptr, mod_load(nullptr));

    // The same tree loads when the child is there, and freeing it releases its image.
    std::string good = t.write("good.mod", textured + "child sub/OK 0 0 0 1 1 1 0 0 0\n");
    Model *m = mod_load(good.c_str());
    ASSERT_NE(nullptr, m) << last_error();
    model_free(m);
    EXPECT_EQ(nullptr, image_cache_find((dir + "tex.tga").c_str()));
}

// A model deep in the file system (a directory of over 400 characters) still
// finds its children and its texture beside it.
TEST(ModLoader, DeepDirectoryFindsChildrenAndTextures)
{
    TempDir tmp;
    std::string deep = tmp.path + "/";
    while (deep.size() < 420) deep += "a_rather_long_folder_name/";
    std::filesystem::create_directories(deep);
    std::filesystem::copy(kDir, deep, std::filesystem::copy_options::recursive);
    Model *m = mod_load((deep + "scene.mod").c_str());
    ASSERT_NE(nullptr, m) << last_error();
    EXPECT_EQ(lower(deep), m->directory);
    EXPECT_EQ(4, model_child_count(m));
    model_free(m);
}

// Files that each name the next one twice would build 2^30 models; the load stops at its
// most models with a message and frees everything built, and a short chain still loads.
TEST(ModLoader, ModelCountIsCapped)
{
    TempDir t;
    const int files = 30;
    for (int i = 0; i < files; i++) {
        std::string next = "child c" + std::to_string(i + 1) + " 0 0 0 1 1 1 0 0 0\n";
        t.write("c" + std::to_string(i) + ".mod", i + 1 < files ? next + next : std::string("points\n1 0 0 0\n"));
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nullptr, mod_load(t.file("c0.mod").c_str()));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Depth first, the 65,537th model is the next copy of c28.
    EXPECT_EQ("Too many child models: " + lower(t.path + "/") + "c28.mod", last_error());
    EXPECT_LT(seconds, 60.0);

    // From c20 on the tree has 2^10 - 1 models, well under the cap.
    Model *m = mod_load(t.file("c20.mod").c_str());
    ASSERT_NE(nullptr, m) << last_error();
    int count = 0;
    std::vector<const Model *> todo = {m};
    while (!todo.empty()) {
        const Model *next = todo.back();
        todo.pop_back();
        count++;
        for (int32_t slot = 0; slot < next->children.capacity; slot++) {
            auto *child = static_cast<const Child *>(table_nth(const_cast<KeyedTable *>(&next->children), slot, 0));
            if (child && child->model) todo.push_back(child->model);
        }
    }
    EXPECT_EQ(1023, count);
    model_free(m);
}
