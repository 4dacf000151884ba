// Model records: creation, renaming, process-wide ids and freeing a whole tree.
#include "model_fixture.h"

#include <cstring>
#include <set>

using namespace model_test;

TEST(ModelCreate, NameDirectoryAndEmptyTables)
{
    Model *m = model_create("C:\\Models\\Ship.MOD", nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, "ship");
    EXPECT_STREQ(m->directory, "C:\\Models\\");
    EXPECT_EQ(m->parent, nullptr);
    EXPECT_EQ(m->flag, 0u);
    EXPECT_EQ(m->viewer_index, -1);
    EXPECT_EQ(m->points.kind, KEY_INT);
    EXPECT_EQ(m->joints.kind, KEY_NAME);
    EXPECT_EQ(m->layers.kind, KEY_NAME);
    EXPECT_EQ(m->points.element_size, static_cast<int32_t>(sizeof(Point)));
    EXPECT_EQ(model_point_count(m), 0);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m->box_min[i], 0.0f);
        EXPECT_EQ(m->box_max[i], 0.0f);
    }
    Model *child = model_create("part.mod", m);
    EXPECT_EQ(child->parent, m);
    EXPECT_STREQ(child->directory, "");
    model_free(child);
    model_free(m);
}

TEST(ModelCreate, PathsThatGiveNoNameOrDirectory)
{
    EXPECT_EQ(model_create(nullptr, nullptr), nullptr);
    Model *m = model_create(".mod", nullptr); // only an extension: no name
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, "");
    EXPECT_STREQ(m->directory, "");
    model_free(m);
    m = model_create("models/Door.mod", nullptr);
    EXPECT_STREQ(m->name, "door");
    EXPECT_STREQ(m->directory, "models/");
    model_free(m);
}

// Every path the system can open names its model whole: its folder as written, however long;
// a path longer than that, or a name a model cannot hold whole, makes no model and says why.
TEST(ModelCreate, LongDirectoriesAreKeptWholeLongerPathsAndNamesRefused)
{
    for (size_t length : {300, 600, 4000, PATH_BUFFER_SIZE - 7}) {
        std::string dir = "Deep/" + std::string(length - 5, 'D');
        Model *m = model_create((dir + "\\X.mod").c_str(), nullptr);
        ASSERT_NE(m, nullptr) << length;
        EXPECT_EQ(std::string(m->directory), dir + "\\") << length;
        EXPECT_STREQ(m->name, "x") << length;
        model_free(m);
    }
    const std::string name127(MODEL_NAME_SIZE - 1, 'n');
    Model *m = model_create(("d/" + name127 + ".MOD").c_str(), nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(std::string(m->name), name127);
    model_free(m);
    const struct { std::string path; std::string reason; } refused[] = {
        {std::string(PATH_BUFFER_SIZE - 6, 'd') + "\\x.mod", "path too long: "},
        {"d/" + name127 + "N", "model name too long: "},
        {"d/" + name127 + "N.mod", "model name too long: "},
        {std::string(250, 'l') + ".mod", "model name too long: "},
    };
    for (const auto &c : refused) {
        err_set(nullptr);
        EXPECT_EQ(model_path_fits(c.path.c_str()), 0) << c.path.size();
        EXPECT_EQ(model_create(c.path.c_str(), nullptr), nullptr) << c.path.size();
        ASSERT_NE(err_last(), nullptr);
        EXPECT_EQ(std::string(err_last()), c.reason + c.path);
    }
}

// A model is named from its path by one rule, whether it is created from the path (a load,
// file new, create model) or renamed to it: the last component after either separator,
// without a 3-letter extension, lower-cased. Paths ending in ".mod" give what they gave before.
TEST(ModelCreate, NamedAsSetPathNames)
{
    const struct { const char *path; const char *name; const char *directory; } cases[] = {
        {"../m/abc", "abc", "../m/"},          {"abcd", "abcd", ""},
        {"Ab", "ab", ""},                      {"x.ab", "x.ab", ""},
        {"a.b", "a.b", ""},                    {"y.abc.def", "y.abc", ""},
        {"ab/c.d/e", "e", "ab/c.d/"},          {"Sub\\Q", "q", "Sub\\"},
        {"C:\\Models\\Ship.MOD", "ship", "C:\\Models\\"}, {"models/Door.mod", "door", "models/"},
        {"x.", "x.", ""},                      {"a.MOD", "a", ""},
        {"r.s.t", "r.s.t", ""},
    };
    for (const auto &c : cases) {
        Model *made = model_create(c.path, nullptr);
        ASSERT_NE(made, nullptr);
        EXPECT_STREQ(made->name, c.name) << c.path;
        EXPECT_STREQ(made->directory, c.directory) << c.path;
        Model *renamed = model_create("old.mod", nullptr);
        EXPECT_EQ(model_set_path(renamed, c.path), 1) << c.path;
        EXPECT_STREQ(renamed->name, made->name) << c.path;
        model_free(renamed);
        model_free(made);
    }
}

TEST(ModelSetPath, BareNameKeepsDirectory)
{
    Model *m = model_create("c:\\data\\old.mod", nullptr);
    EXPECT_EQ(model_set_path(m, "New.mod"), 1);
    EXPECT_STREQ(m->name, "new");
    EXPECT_STREQ(m->directory, "c:\\data\\");
    EXPECT_EQ(model_set_path(m, "d:\\other\\third.mod"), 1);
    EXPECT_STREQ(m->name, "third");
    EXPECT_STREQ(m->directory, "d:\\other\\");
    EXPECT_EQ(model_set_path(m, nullptr), 0);
    EXPECT_EQ(model_set_path(nullptr, "x.mod"), 0);
    model_free(m);
}

// Any path whose last component leaves a name is taken, however short; the 3-letter
// extension goes and the name is lower-cased as for longer names.
TEST(ModelSetPath, ShortNamesAndFolders)
{
    const struct { const char *path; const char *name; const char *directory; } cases[] = {
        {"abcd", "abcd", "c:\\data\\"},
        {"Ab", "ab", "c:\\data\\"},
        {"x.ab", "x.ab", "c:\\data\\"},
        {"a.MOD", "a", "c:\\data\\"},
        {"sub/ab", "ab", "sub/"},
        {"ab.c/Door.mod", "door", "ab.c/"},
        {"Deep\\q", "q", "Deep\\"},
    };
    for (const auto &c : cases) {
        Model *m = model_create("c:\\data\\old.mod", nullptr);
        EXPECT_EQ(model_set_path(m, c.path), 1) << c.path;
        EXPECT_STREQ(m->name, c.name) << c.path;
        EXPECT_STREQ(m->directory, c.directory) << c.path;
        model_free(m);
    }
}

// A path that leaves no name, a name or path too long to keep, or a path holding a line end
// (anywhere, its folder part too) is refused and changes neither the name nor the directory.
TEST(ModelSetPath, NoNameChangesNothing)
{
    const std::string long_name(MODEL_NAME_SIZE, 'n');
    const std::string long_path = "d/" + std::string(PATH_BUFFER_SIZE - 8, 'p') + "/x.mod";
    for (const std::string &path : {std::string(""), std::string("sub/"), std::string(".mod"),
                                    std::string("sub\\.mod"), "e/" + long_name, long_path,
                                    std::string("a\nb"), std::string("a\rb"), std::string("new.mod\n"),
                                    std::string("d\r\n/new.mod")}) {
        Model *m = model_create("c:\\data\\old.mod", nullptr);
        EXPECT_EQ(model_set_path(m, path.c_str()), 0) << path;
        EXPECT_STREQ(m->name, "old") << path;
        EXPECT_STREQ(m->directory, "c:\\data\\") << path;
        model_free(m);
    }
}

TEST(ModelFlag, StoredAndReturned)
{
    Model *m = model_create("flag.mod", nullptr);
    model_set_flag(m, 7);
    EXPECT_EQ(model_get_flag(m), 7u);
    EXPECT_EQ(model_get_flag(nullptr), 0u);
    model_free(m);
    EXPECT_EQ(model_free(nullptr), 0);
}

// Ids come from counters shared by all models, so two models never share one.
TEST(ModelIds, DisjointAcrossTwoModels)
{
    std::set<uint32_t> faces, strips, lines, joints, children, collides;
    for (int round = 0; round < 2; round++) {
        Model *m = square_model();
        const int32_t strip[3] = {1, 2, 3};
        ASSERT_EQ(model_add_strip(m, "skin", 3, strip, nullptr), 1);
        ASSERT_EQ(model_add_line(m, "skin", 3, strip), 1);
        ASSERT_EQ(model_add_joint(m, "hip", 0, 0, 0, "world", 1), 1);
        ASSERT_EQ(model_add_child(m, nullptr, "kid", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 1);
        ASSERT_EQ(model_add_collide(m, "box", 1, 0, 0, 0, 1, 1, 1, "0", "0", "0", 1, 0, 1), 1);
        Layer *layer = model_find_layer(m, "skin");
        for (int32_t s = 0; s < layer->faces.capacity; s++)
            if (Face *f = static_cast<Face *>(table_nth(&layer->faces, s, 0))) {
                EXPECT_EQ(static_cast<int32_t>(f->id), layer->faces.slots[s].key);
                EXPECT_TRUE(faces.insert(f->id).second);
            }
        EXPECT_TRUE(strips.insert(first_of<Strip>(&layer->strips)->id).second);
        EXPECT_TRUE(lines.insert(first_of<Line>(&layer->lines)->id).second);
        EXPECT_TRUE(joints.insert(model_find_joint(m, "hip")->id).second);
        EXPECT_TRUE(children.insert(model_child_at(m, 1)->id).second);
        EXPECT_TRUE(collides.insert(model_find_collide(m, "box")->id).second);
        model_free(m);
    }
    EXPECT_EQ(faces.size(), 4u);
    EXPECT_EQ(joints.size(), 2u);
}

class ModelFreeTest : public TempDirTest {};

// Every layer of a parent, child and grandchild holds images; freeing the parent
// releases every reference, and the cache is back to what it was.
TEST_F(ModelFreeTest, TwoLevelTreeReleasesEveryImage)
{
    write_tga("shared.tga");
    write_tga("mirror.tga");
    write_tga("grand.tga");
    int32_t before = cached_images();

    auto textured = [&](const char *name, Model *parent, const char *image) {
        Model *m = model_create(model_path(name).c_str(), parent);
        model_set_point(m, 1, 0, 0, 0, 1);
        model_set_point(m, 2, 4, 0, 0, 1);
        model_set_point(m, 3, 0, 4, 1, 1);
        model_add_layer(m, "a", 127, 127, 127, 1, 0, 0);
        add_triangle(m, "a", 1, 2, 3);
        EXPECT_EQ(model_add_image(m, "a", 0, image, 1, 2), 1) << last_error();
        EXPECT_EQ(model_add_image(m, "a", 1, "mirror.tga", 0, 0), 1) << last_error();
        EXPECT_EQ(model_add_image(m, "a", 2, "shared.tga", 0, 0), 1) << last_error();
        return m;
    };
    Model *top = textured("top.mod", nullptr, "shared.tga");
    Model *child = textured("child.mod", top, "shared.tga");
    Model *grand = textured("grand.mod", child, "grand.tga");
    model_add_child(child, grand, "grand", 0, 0, 0, 1, 1, 1, "0", "0", "0");
    model_add_child(top, child, "child", 0, 0, 0, 1, 1, 1, "0", "0", "0");

    std::string dir = top->directory;
    ImageCacheEntry *shared = image_cache_find((dir + "shared.tga").c_str());
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->references, 5u); // image of top and child, reflection of all three
    EXPECT_EQ(image_cache_find((dir + "mirror.tga").c_str())->references, 3u);
    EXPECT_EQ(cached_images(), before + 3);

    EXPECT_EQ(model_free(top), 1);
    EXPECT_EQ(image_cache_find((dir + "shared.tga").c_str()), nullptr);
    EXPECT_EQ(image_cache_find((dir + "mirror.tga").c_str()), nullptr);
    EXPECT_EQ(image_cache_find((dir + "grand.tga").c_str()), nullptr);
    EXPECT_EQ(cached_images(), before);
}

class ModelCopyTest : public TempDirTest {};

// A copy of a textured tree with joints, blends, strips, lines and a child keeps
// every record after the source is freed, shares the images by reference and
// releases them when freed itself.
TEST_F(ModelCopyTest, IndependentTreeSharingImages)
{
    write_tga("skin.tga");
    int32_t before = cached_images();
    Model *source = model_create(model_path("top.mod").c_str(), nullptr);
    ASSERT_EQ(model_add_joint(source, "hip", 1, 2, 3, "world", 1), 1);
    ASSERT_EQ(model_add_joint(source, "knee", 4, 5, 6, "hip", 1), 1);
    ASSERT_EQ(model_add_blend(source, "hip", "knee", 1), 1);
    for (int32_t id = 1; id <= 4; id++) ASSERT_EQ(model_set_point(source, id, id, 2 * id, 0, 1.0f), 1);
    ASSERT_EQ(model_set_point_joints(source, 2, "knee", "hip"), 1);
    ASSERT_EQ(model_add_layer(source, "skin", 127, 0, 0, 1, 0, 0), 1);
    ASSERT_EQ(add_triangle(source, "skin", 1, 2, 3), 1);
    const int32_t ids[4] = {1, 2, 3, 4};
    ASSERT_EQ(model_add_strip(source, "skin", 4, ids, nullptr), 1);
    ASSERT_EQ(model_add_line(source, "skin", 3, ids), 1);
    ASSERT_EQ(model_add_uvee(source, "skin", 1, 0.5f, 0.25f), 1);
    ASSERT_EQ(model_add_image(source, "skin", 0, "skin.tga", 1, 2), 1) << last_error();
    ASSERT_EQ(model_add_collide(source, "box", 1, 0, 0, 0, 1, 1, 1, "0", "0", "0", 1, 0, 1), 1);
    Model *kid = square_model(model_path("kid.mod").c_str());
    kid->parent = source;
    ASSERT_EQ(model_add_child(source, kid, "kid", 5, 0, 0, 1, 1, 1, "0", "0", "z90"), 1);
    source->viewer_index = 3;
    std::string image = std::string(source->directory) + "skin.tga";
    ASSERT_EQ(image_cache_find(image.c_str())->references, 1u);

    Model *parent = model_create("holder.mod", nullptr);
    Model *copy = model_copy(source, parent);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->parent, parent);
    EXPECT_EQ(copy->viewer_index, -1);
    EXPECT_EQ(image_cache_find(image.c_str())->references, 2u);
    model_free(source);
    EXPECT_EQ(image_cache_find(image.c_str())->references, 1u);

    EXPECT_STREQ(copy->name, "top");
    EXPECT_EQ(model_point_count(copy), 4);
    const Point *p2 = point_find(copy, 2);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->position[1], 4.0f);
    ASSERT_NE(p2->joint, nullptr);
    EXPECT_EQ(p2->joint, model_find_joint(copy, "knee"));
    EXPECT_EQ(p2->second_joint, model_find_joint(copy, "hip"));
    EXPECT_STREQ(p2->joint->parent_name, "hip");
    const Blend *blend = first_of<Blend>(&copy->blends);
    ASSERT_NE(blend, nullptr);
    EXPECT_EQ(blend->joint, model_find_joint(copy, "hip"));
    EXPECT_EQ(first_of<CollideObject>(&copy->collides)->owner, copy);

    Layer *layer = model_find_layer(copy, "skin");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(table_count(&layer->faces), 1);
    Strip *strip = first_of<Strip>(&layer->strips);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(table_count(&strip->vertices), 4);
    EXPECT_EQ(static_cast<StripVertex *>(table_nth(&strip->vertices, 3, 0))->point_id, 4);
    Line *line = first_of<Line>(&layer->lines);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(table_count(&line->vertices), 3);
    EXPECT_EQ(table_count(&layer->uvees), 1);
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->pixels[0], image_cache_find(image.c_str())->pixels);
    EXPECT_EQ(texture->gl_names[0], 0u);

    Child *child = model_child_at(copy, 1);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(child->model, nullptr);
    EXPECT_EQ(child->model->parent, copy);
    EXPECT_STREQ(child->rotation[2], "z90");
    EXPECT_EQ(model_point_count(child->model), 4);
    EXPECT_NE(model_find_layer(child->model, "skin"), nullptr);

    // The copy is a model of its own: it grows without touching anything else.
    ASSERT_EQ(model_set_point(copy, 40, 1, 1, 1, 1.0f), 1);
    ASSERT_EQ(add_triangle(copy, "skin", 40, 1, 2), 1);

    model_free(copy);
    model_free(parent);
    EXPECT_EQ(image_cache_find(image.c_str()), nullptr);
    EXPECT_EQ(cached_images(), before);
    EXPECT_EQ(model_copy(nullptr, nullptr), nullptr);
}
