#include "formats/mod_loader.h"

#include "formats/mod_child.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/image_cache.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The message of attaching a child named name in memory to each of the count models (with
// tree, the model attached, or null): "kept" (the last-error text as it was) when it may join.
std::string attach_message(Model *const *models, int count, const char *name, Model *tree)
{
    ModChildCheck check = {};
    check.models = models;
    check.count = count;
    check.tree = tree;
    ModChildFile file;
    err_set("kept");
    mod_child_find(&check, name, &file);
    return last_error();
}

std::string attach_message(Model *model, const char *name, Model *tree)
{
    return attach_message(&model, 1, name, tree);
}

std::string loop_message(const char *name)
{
    return std::string("Child model would contain its parent: ") + name + ".mod";
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
        {"folder.mod", textured + "child Sub 0 0 0 1 1 1 0 0 0\n", "not a regular file: " + dir + "Sub.mod"},
    };
    std::filesystem::create_directory(t.file("sub.mod"));
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
    EXPECT_EQ(nullptr, mod_load(t.file("sub.mod").c_str()));
    EXPECT_EQ("not a regular file: " + t.file("sub.mod"), last_error());
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

// A scene of child lines all naming one small model: 65,535 of them with the scene make the
// most models a load builds and load; one line more is refused at the model of the line
// that passes the cap, whatever lines come after it, while a missing file before that line
// is what the load reports.
TEST(ModLoader, FlatSceneOfOneChildFileStopsAtTheCap)
{
    TempDir t;
    t.write("tri.mod", "points\n1 0 0 0\n2 10 0 0\n3 0 10 0\nlayer skin 100 100 100 doublesided\n"
                       "triangles\n0 1 2 3\n");
    const std::string dir = lower(t.path + "/");
    auto scene = [](int lines, int missing_at) {
        std::string text;
        for (int i = 1; i <= lines; i++)
            text += std::string("child ") + (i == missing_at ? "nothere" : "tri") + " 1 2 3 1 1 1 0 0 0\n";
        return text;
    };
    struct Case {
        const char *name;
        int lines;
        int missing_at;  // line naming a missing file, 0 for none
        const char *message;  // after the directory; null when the scene loads
    } cases[] = {
        {"at.mod", 65535, 0, nullptr},
        {"over.mod", 65536, 0, "Too many child models: "},
        {"far_over.mod", 70000, 68000, "Too many child models: "},
        {"missing.mod", 65536, 40000, "Cannot find child model: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Model *m = mod_load(t.write(c.name, scene(c.lines, c.missing_at)).c_str());
        if (!c.message) {
            ASSERT_NE(nullptr, m) << last_error();
            EXPECT_EQ(c.lines, model_child_count(m));
            int32_t first_face = static_cast<const Face *>(
                table_first(&static_cast<Layer *>(table_first(&model_child_at(m, 1)->model->layers))->faces))->id;
            int32_t last_face = static_cast<const Face *>(
                table_first(&static_cast<Layer *>(table_first(&model_child_at(m, c.lines)->model->layers))->faces))->id;
            EXPECT_EQ(c.lines - 1, last_face - first_face) << "each instance takes the next face id";
            model_free(m);
            continue;
        }
        EXPECT_EQ(nullptr, m);
        EXPECT_EQ(c.message + dir + (c.missing_at && c.message[0] == 'C' ? "nothere" : "tri") + ".mod", last_error());
    }
}

namespace {

// Record-by-record comparison of two model trees, as loaded: every table slot by slot (used
// flags, keys, record bytes with their pointers taken out and compared for what they point
// at), and child models recursively. The top models' names are not compared.
void expect_same_tree(Model *a, Model *b, const std::string &where);

// The slot's record of both tables after checking that the slot is used alike under one key.
template <typename T>
bool same_slot(KeyedTable *ta, KeyedTable *tb, int32_t slot, T **ra, T **rb, const std::string &where)
{
    *ra = static_cast<T *>(table_nth(ta, slot, 0));
    *rb = static_cast<T *>(table_nth(tb, slot, 0));
    EXPECT_EQ(*ra != nullptr, *rb != nullptr) << where << " slot " << slot;
    if (*ra && *rb) {
        EXPECT_EQ(ta->slots[slot].key, tb->slots[slot].key) << where << " slot " << slot;
    }
    return *ra && *rb;
}

template <typename T>
void expect_same_plain_table(KeyedTable *ta, KeyedTable *tb, const std::string &where)
{
    ASSERT_EQ(ta->capacity, tb->capacity) << where;
    ASSERT_EQ(ta->room, tb->room) << where;
    ASSERT_EQ(table_count(ta), table_count(tb)) << where;
    for (int32_t slot = 0; slot < ta->capacity; slot++) {
        T *ra, *rb;
        if (same_slot(ta, tb, slot, &ra, &rb, where)) {
            EXPECT_EQ(0, memcmp(ra, rb, sizeof(T))) << where << " slot " << slot;
        }
    }
}

const char *joint_of(const Model *m, const Joint *j)
{
    if (!j) return "-";
    const unsigned char *base = m->joints.data;
    const unsigned char *at = reinterpret_cast<const unsigned char *>(j);
    EXPECT_TRUE(at >= base && at < base + m->joints.room * sizeof(Joint)) << "joint outside its model";
    return j->name;
}

void expect_same_tree(Model *a, Model *b, const std::string &where)
{
    EXPECT_STREQ(a->directory, b->directory) << where;
    EXPECT_EQ(a->has_gouraud, b->has_gouraud) << where;
    EXPECT_EQ(a->has_normals, b->has_normals) << where;
    EXPECT_EQ(0, memcmp(a->box_min, b->box_min, sizeof a->box_min)) << where;
    EXPECT_EQ(0, memcmp(a->box_max, b->box_max, sizeof a->box_max)) << where;
    EXPECT_EQ(a->viewer_index, b->viewer_index) << where;
    expect_same_plain_table<Joint>(&a->joints, &b->joints, where + " joints");
    ASSERT_EQ(a->points.capacity, b->points.capacity) << where;
    for (int32_t slot = 0; slot < a->points.capacity; slot++) {
        Point *pa, *pb;
        if (!same_slot(&a->points, &b->points, slot, &pa, &pb, where + " points")) continue;
        EXPECT_STREQ(joint_of(a, pa->joint), joint_of(b, pb->joint)) << where << " point slot " << slot;
        EXPECT_STREQ(joint_of(a, pa->second_joint), joint_of(b, pb->second_joint)) << where;
        Point qa = *pa, qb = *pb;
        qa.joint = qa.second_joint = qb.joint = qb.second_joint = nullptr;
        EXPECT_EQ(0, memcmp(&qa, &qb, sizeof qa)) << where << " point slot " << slot;
    }
    ASSERT_EQ(a->blends.capacity, b->blends.capacity) << where;
    for (int32_t slot = 0; slot < a->blends.capacity; slot++) {
        Blend *ba, *bb;
        if (!same_slot(&a->blends, &b->blends, slot, &ba, &bb, where + " blends")) continue;
        EXPECT_EQ(ba->point_count, bb->point_count) << where;
        EXPECT_STREQ(joint_of(a, ba->joint), joint_of(b, bb->joint)) << where;
        EXPECT_STREQ(joint_of(a, ba->second_joint), joint_of(b, bb->second_joint)) << where;
    }
    ASSERT_EQ(a->collides.capacity, b->collides.capacity) << where;
    for (int32_t slot = 0; slot < a->collides.capacity; slot++) {
        CollideObject *ca, *cb;
        if (!same_slot(&a->collides, &b->collides, slot, &ca, &cb, where + " collides")) continue;
        EXPECT_EQ(a, ca->owner) << where;
        EXPECT_EQ(b, cb->owner) << where;
        CollideObject qa = *ca, qb = *cb;
        qa.owner = qb.owner = nullptr;
        EXPECT_EQ(0, memcmp(&qa, &qb, sizeof qa)) << where << " collide slot " << slot;
    }
    ASSERT_EQ(a->layers.capacity, b->layers.capacity) << where;
    for (int32_t slot = 0; slot < a->layers.capacity; slot++) {
        Layer *la, *lb;
        if (!same_slot(&a->layers, &b->layers, slot, &la, &lb, where + " layers")) continue;
        std::string in = where + " layer " + la->name;
        expect_same_plain_table<Face>(&la->faces, &lb->faces, in + " faces");
        expect_same_plain_table<Uvee>(&la->uvees, &lb->uvees, in + " uvees");
        expect_same_plain_table<float[3]>(&la->normals, &lb->normals, in + " normals");
        expect_same_plain_table<float[3]>(&la->pn_normals, &lb->pn_normals, in + " pn normals");
        ASSERT_EQ(la->strips.capacity, lb->strips.capacity) << in;
        for (int32_t s = 0; s < la->strips.capacity; s++) {
            Strip *sa, *sb;
            if (!same_slot(&la->strips, &lb->strips, s, &sa, &sb, in + " strips")) continue;
            EXPECT_EQ(sa->id, sb->id) << in;
            EXPECT_EQ(sa->vertex_count, sb->vertex_count) << in;
            EXPECT_NE(sa->vertices.data, sb->vertices.data) << in << ": each strip owns its vertices";
            expect_same_plain_table<StripVertex>(&sa->vertices, &sb->vertices, in + " strip vertices");
        }
        ASSERT_EQ(la->lines.capacity, lb->lines.capacity) << in;
        for (int32_t s = 0; s < la->lines.capacity; s++) {
            Line *xa, *xb;
            if (!same_slot(&la->lines, &lb->lines, s, &xa, &xb, in + " lines")) continue;
            EXPECT_EQ(xa->id, xb->id) << in;
            EXPECT_EQ(xa->vertex_count, xb->vertex_count) << in;
            expect_same_plain_table<uint32_t>(&xa->vertices, &xb->vertices, in + " line vertices");
        }
        auto *ta = static_cast<LayerTexture *>(table_find(&la->texture, 1));
        auto *tb = static_cast<LayerTexture *>(table_find(&lb->texture, 1));
        ASSERT_EQ(ta == nullptr, tb == nullptr) << in;
        if (ta) {
            // A copy holds no GL names, so it has none to release: its stale flag may differ.
            LayerTexture qa = *ta, qb = *tb;
            qa.gl_stale = qb.gl_stale = 0;
            EXPECT_EQ(0, memcmp(&qa, &qb, sizeof qa)) << in << " texture";
        }
        Layer qa = *la, qb = *lb;
        for (Layer *q : {&qa, &qb}) {
            for (KeyedTable *t : {&q->faces, &q->strips, &q->lines, &q->uvees, &q->texture, &q->normals,
                                  &q->pn_normals})
                memset(t, 0, sizeof *t);
        }
        EXPECT_EQ(0, memcmp(&qa, &qb, sizeof qa)) << in;
    }
    ASSERT_EQ(a->children.capacity, b->children.capacity) << where;
    for (int32_t slot = 0; slot < a->children.capacity; slot++) {
        Child *ca, *cb;
        if (!same_slot(&a->children, &b->children, slot, &ca, &cb, where + " children")) continue;
        ASSERT_NE(nullptr, ca->model);
        ASSERT_NE(nullptr, cb->model);
        EXPECT_EQ(a, ca->model->parent) << where;
        EXPECT_EQ(b, cb->model->parent) << where;
        Child qa = *ca, qb = *cb;
        qa.model = qb.model = nullptr;
        memset(qa.name, 0, sizeof qa.name);
        memset(qb.name, 0, sizeof qb.name);
        EXPECT_EQ(0, memcmp(&qa, &qb, sizeof qa)) << where << " child slot " << slot;
        expect_same_tree(ca->model, cb->model, where + "/" + ca->name);
    }
}

// Every model of the tree, depth first.
void collect_models(Model *m, std::vector<Model *> *out)
{
    out->push_back(m);
    for (int32_t slot = 0; slot < m->children.capacity; slot++) {
        auto *child = static_cast<Child *>(table_nth(&m->children, slot, 0));
        if (child && child->model) collect_models(child->model, out);
    }
}

}  // namespace

// A file named by several child lines is read once and copied, yet every instance is the
// model a read of its own would give (same records, same ids from the counters), owns all
// its storage (an edit through the building calls changes that instance only), and freeing
// the scene frees each instance once and releases every image.
TEST(ModLoader, RepeatedChildFileGivesEachInstanceItsOwnModel)
{
    TempDir t;
    std::filesystem::copy(kDir, t.path, std::filesystem::copy_options::recursive);
    const std::string holder = "joint hold 0 0 0 world 0\ncollide hull box 1 2 3 4 5 6 0 0 0\n"
                               "child scene 0 0 0 1 1 1 0 0 0\n";
    for (const char *name : {"holder", "holder_a", "holder_b", "holder_c"}) t.write(std::string(name) + ".mod", holder);
    t.write("instanced.mod", "child holder 0 0 0 1 1 1 0 0 0\nchild scene 5 0 0 1 1 1 0 0 0\n"
                             "child holder 9 0 0 1 1 1 0 0 0\nchild holder 7 0 0 1 1 1 0 0 0\n");
    t.write("distinct.mod", "child holder_a 0 0 0 1 1 1 0 0 0\nchild scene 5 0 0 1 1 1 0 0 0\n"
                            "child holder_b 9 0 0 1 1 1 0 0 0\nchild holder_c 7 0 0 1 1 1 0 0 0\n");

    const ModelIdCounters start = g_model_ids;
    Model *copied = mod_load(t.file("instanced.mod").c_str());
    ASSERT_NE(nullptr, copied) << last_error();
    const ModelIdCounters after_copied = g_model_ids;
    g_model_ids = start;
    Model *read = mod_load(t.file("distinct.mod").c_str());
    ASSERT_NE(nullptr, read) << last_error();
    EXPECT_EQ(0, memcmp(&after_copied, &g_model_ids, sizeof g_model_ids)) << "counters advance alike";
    expect_same_tree(copied, read, "scene");

    // No two models share a table's storage. Each holder holds a scene of 5 models.
    std::vector<Model *> models;
    collect_models(copied, &models);
    ASSERT_EQ(1u + 3u * 6u + 5u, models.size());
    for (size_t i = 0; i < models.size(); i++)
        for (size_t j = i + 1; j < models.size(); j++) {
            EXPECT_NE(models[i], models[j]);
            if (models[i]->points.data) {
                EXPECT_NE(models[i]->points.data, models[j]->points.data);
            }
        }

    // Editing the second holder's scene through the building calls leaves the others alone.
    auto holder_scene = [](Model *top, int n) {
        Model *h = model_child_at(top, n)->model;
        return model_child_at(h, 1)->model;
    };
    Model *first = holder_scene(copied, 1);
    Model *second = holder_scene(copied, 3);
    Model *third = holder_scene(copied, 4);
    ASSERT_TRUE(first && second && third);
    const Layer *layer = static_cast<const Layer *>(table_first(&second->layers));
    ASSERT_NE(nullptr, layer);
    std::string layer_name = layer->name;
    int32_t faces = table_count(&layer->faces);
    ASSERT_EQ(1, model_set_point(second, 1, 500, 600, 700, 1.0f));
    ASSERT_EQ(1, model_set_point(second, 999, 1, 2, 3, 1.0f));
    const int32_t ids[4] = {1, 2, 999, 0};
    ASSERT_EQ(1, model_add_face(second, layer_name.c_str(), 0, ids, nullptr, nullptr, 0)) << last_error();
    EXPECT_EQ(500.0f, point_of(second, 1)->position[0]);
    EXPECT_EQ(faces + 1, table_count(&model_find_layer(second, layer_name.c_str())->faces));
    for (Model *other : {first, third}) {
        EXPECT_EQ(0.0f, point_of(other, 1)->position[0]);
        EXPECT_EQ(nullptr, point_of(other, 999));
        EXPECT_EQ(faces, table_count(&model_find_layer(other, layer_name.c_str())->faces));
    }
    expect_same_tree(model_child_at(copied, 1)->model, model_child_at(read, 1)->model, "first holder");
    expect_same_tree(model_child_at(copied, 4)->model, model_child_at(read, 4)->model, "third holder");

    model_free(copied);
    model_free(read);
    EXPECT_EQ(nullptr, image_cache_find((lower(t.path + "/") + "tex.tga").c_str()));
}

// A child line leads back to the model through the files of the current folder (each file's
// children found in its own folder, names in any case), through a model above it, or through
// the tree to be attached; a loop that misses the model, or a file that is missing, does not.
TEST(ModLoader, ChildLoopsFollowFilesAndTheAttachedTree)
{
    WorkDir w;
    const char *const files[][2] = {
        {"top.mod", "points\n1 0 0 0\n"},
        {"plain.mod", "points\n1 0 0 0\n"},
        {"parts/wheel.mod", "# a wheel\nchild hub 0 0 0 1 1 1 0 0 0\n"},
        {"parts/hub.mod", "child ../Top 0 0 0 1 1 1 0 0 0\n"},
        {"ring.mod", "child plain 0 0 0 1 1 1 0 0 0\nchild ring 0 0 0 1 1 1 0 0 0\n"},
        {"stray.mod", "child hub 0 0 0 1 1 1 0 0 0\n"},
    };
    for (const auto &f : files) {
        std::filesystem::create_directories(std::filesystem::path(w.path + f[0]).parent_path());
        std::ofstream(w.path + f[0]) << f[1];
    }
    Model *top = model_create("top.mod", nullptr);
    Model *kid = model_create("kid.mod", top);
    ASSERT_EQ(1, model_add_child(top, kid, "kid", 0, 0, 0, 1, 1, 1, "0", "0", "0"));
    // 1: leads back to the model; 2: to itself, which no read of the saved model ends either.
    struct Case {
        Model *model;
        const char *name;
        int loops;
    };
    const Case cases[] = {
        {top, "plain", 0},       {top, "top", 1},   {top, "TOP", 1},   {top, "parts/wheel", 1},
        {top, "ring", 2},        {top, "stray", 0}, {top, "missing", 0}, {kid, "parts/wheel", 1},
        {kid, "plain", 0},       {kid, "Kid", 1},
    };
    for (const Case &c : cases) {
        std::string nested = std::string("Child models nested too deeply: ") + c.name + ".mod";
        EXPECT_EQ(c.loops == 1 ? loop_message(c.name) : c.loops ? nested : "kept",
                  attach_message(c.model, c.name, nullptr)) << c.name;
    }

    // The tree's own children are followed as well, their files included.
    Model *tree = model_create("plain.mod", nullptr);
    ASSERT_EQ(1, model_add_child(tree, nullptr, "parts/wheel", 0, 0, 0, 1, 1, 1, "0", "0", "0"));
    EXPECT_EQ(loop_message("plain"), attach_message(top, "plain", tree));
    EXPECT_EQ("kept", attach_message(top, "plain", nullptr));
    EXPECT_EQ("kept", attach_message(nullptr, "plain", tree));

    // Several models at once: a loop for any one of them is a loop.
    Model *other = model_create("other.mod", nullptr);
    Model *both[] = {other, kid};
    EXPECT_EQ(loop_message("parts/wheel"), attach_message(both, 2, "parts/wheel", nullptr));
    EXPECT_EQ("kept", attach_message(both, 1, "parts/wheel", nullptr));
    EXPECT_EQ("kept", attach_message(both, 2, "plain", nullptr));
    EXPECT_EQ("kept", attach_message(both, 0, "parts/wheel", nullptr));
    model_free(other);
    model_free(tree);
    model_free(top);
}

// Child lines that name one file by ever longer paths ("./x", ".//x") are still that one
// file: the walk reads it once, however many such lines it holds, and finds it names itself.
TEST(ModLoader, ChildLoopsReadEachFileOnceWhateverItsPath)
{
    WorkDir w;
    std::ofstream(w.path + "top.mod") << "points\n1 0 0 0\n";
    std::ofstream(w.path + "x.mod") << "child ./x 0 0 0 1 1 1 0 0 0\nchild .//x 0 0 0 1 1 1 0 0 0\n"
                                       "child x 0 0 0 1 1 1 0 0 0\n";
    std::ofstream(w.path + "y.mod") << "child ./x 0 0 0 1 1 1 0 0 0\nchild .//top 0 0 0 1 1 1 0 0 0\n";
    Model *top = model_create("top.mod", nullptr);
    EXPECT_EQ("Child models nested too deeply: x.mod", attach_message(top, "x", nullptr));
    EXPECT_EQ(loop_message("y"), attach_message(top, "y", nullptr));
    model_free(top);
}
