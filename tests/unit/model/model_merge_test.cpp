// Merging child models into their parent: placed points, renamed layers, grandchildren
// first, and refusals that change nothing.
#include "model/model_merge.h"
#include "model_fixture.h"

#include <vector>

using namespace model_test;

namespace {

std::vector<float> position(Model *m, int32_t id)
{
    const float *p = model_point_position(m, id);
    return p ? std::vector<float>{p[0], p[1], p[2]} : std::vector<float>{};
}

// A child with points 1 (1,0,0), 2 (0,1,0), 3 (0,0,1), a triangle in layer name and a uvee.
Model *small_child(const char *layer, Model *parent)
{
    Model *c = model_create("c:\\models\\wheel.mod", parent);
    model_set_point(c, 1, 1, 0, 0, 1.0f);
    model_set_point(c, 2, 0, 1, 0, 1.0f);
    model_set_point(c, 3, 0, 0, 1, 1.0f);
    model_add_layer(c, layer, 5, 6, 7, 0, 0, 0);
    add_triangle(c, layer, 1, 2, 3);
    model_add_uvee(c, layer, 3, 0.5f, 0.25f);
    return c;
}

std::vector<std::string> layer_names(Model *m)
{
    std::vector<std::string> names;
    for (Layer *l = static_cast<Layer *>(table_first(&m->layers)); l;
         l = static_cast<Layer *>(table_next(&m->layers)))
        names.push_back(l->name);
    return names;
}

} // namespace

TEST(MergeTest, MergeChildPlacesPointsAndRenamesLayers)
{
    Model *m = square_model();  // points 1..4: the child's start at 4 + 1 + k
    Model *c = small_child("rim", m);
    int32_t counter = 3;
    // Scaled by 2 on x, turned 90 degrees about z, moved by (100, 0, 0).
    ASSERT_EQ(model_merge_child(m, c, 100, 0, 0, 2, 1, 1, "z90", "", "", &counter), 1);
    EXPECT_EQ(counter, 4);
    Layer *rim = model_find_layer(m, "3_rim");
    ASSERT_NE(rim, nullptr);
    EXPECT_EQ(rim->colour[2], 7);
    EXPECT_EQ(rim->single_sided, 0);
    Face *f = static_cast<Face *>(table_nth(&rim->faces, 0, 1));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->point_ids[0], 6);
    EXPECT_EQ(f->point_ids[2], 8);
    // (2, 0, 0) turned about z is (0, 2, 0) in either sense of the turn's y; x stays at 100.
    std::vector<float> p = position(m, 6);
    EXPECT_FLOAT_EQ(p[0], 100.0f);
    EXPECT_FLOAT_EQ(std::abs(p[1]), 2.0f);
    EXPECT_EQ(position(m, 8), (std::vector<float>{100, 0, 1}));
    const Uvee *u = static_cast<const Uvee *>(table_find(&rim->uvees, 8));
    ASSERT_NE(u, nullptr);
    // The child's corners (u, v of 0 without a texture) replaced its own uvee before the copy.
    EXPECT_FLOAT_EQ(u->u, 0.0f);
    EXPECT_EQ(table_count(&rim->uvees), 3);
    model_free(c);
    model_free(m);
}

TEST(MergeTest, MergeChildrenTakesGrandchildrenFirstAndFreesTheTree)
{
    Model *m = square_model();
    Model *c = small_child("rim", m);
    Model *g = small_child("bolt", c);
    ASSERT_EQ(model_add_child(c, g, "bolt", 0, 0, 10, 1, 1, 1, "", "", ""), 1);
    ASSERT_EQ(model_add_child(m, c, "wheel", 0, 0, 0, 1, 1, 1, "", "", ""), 1);
    Model *d = small_child("hub", m);
    ASSERT_EQ(model_add_child(m, d, "hub", 0, 0, 0, 1, 1, 1, "", "", ""), 1);
    ASSERT_EQ(model_merge_children(m), 1);
    // Counter: the grandchild 1 (into the child), the child 2, the second child 3.
    EXPECT_EQ(layer_names(m), (std::vector<std::string>{"skin", "2_rim", "2_1_bolt", "3_hub"}));
    EXPECT_EQ(model_child_count(m), 0);
    EXPECT_EQ(table_count(&m->children), 0);
    // The grandchild's point 3 was 3 + 4 in the child, at z 1 + 10; in the parent 7 + 5.
    EXPECT_EQ(position(m, 12), (std::vector<float>{0, 0, 11}));
    // The parent's own faces became uvees too.
    EXPECT_EQ(table_count(&model_find_layer(m, "skin")->uvees), 4);
    model_free(m);
}

TEST(MergeTest, MergeChildrenWithoutChildrenOnlyTriangulates)
{
    Model *m = square_model();
    add_quad(m, "skin", 1, 2, 3, 4);
    ASSERT_EQ(model_merge_children(m), 1);
    Layer *skin = model_find_layer(m, "skin");
    EXPECT_EQ(table_count(&skin->faces), 4);
    EXPECT_EQ(table_count(&skin->uvees), 4);
    EXPECT_EQ(model_merge_children(nullptr), 0);
    model_free(m);
}

TEST(MergeTest, MergedNamesPastTheKeyLengthChangeNothing)
{
    Model *m = square_model();
    add_quad(m, "skin", 1, 2, 3, 4);
    Model *c = small_child("rim", m);
    ASSERT_EQ(model_add_child(m, c, "ok", 0, 0, 0, 1, 1, 1, "", "", ""), 1);
    Model *d = small_child("a_layer_name_of_thirty_chars", m);  // "2_" + 28 = 30: fits
    model_add_layer(d, "long_mirrored_layer_name_xx", 1, 1, 1, 0, 1, 1);  // + "_mirror" passes 31
    add_triangle(d, "long_mirrored_layer_name_xx", 1, 2, 3);
    ASSERT_EQ(model_add_child(m, d, "long", 0, 0, 0, 1, 1, 1, "", "", ""), 1);
    EXPECT_EQ(model_merge_children(m), 0);
    EXPECT_EQ(last_error(), "mirrored layer name too long: long_mirrored_layer_name_xx_mirror");
    EXPECT_EQ(layer_names(m), (std::vector<std::string>{"skin"}));
    EXPECT_EQ(table_count(&m->children), 2);
    EXPECT_EQ(table_count(&model_find_layer(m, "skin")->faces), 3);  // not triangulated
    EXPECT_EQ(table_count(&m->points), 4);
    // A merged name that would take an existing layer is refused the same way.
    model_delete_layer(d, "long_mirrored_layer_name_xx");
    model_add_layer(m, "1_rim", 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(model_merge_children(m), 0);
    EXPECT_EQ(last_error(), "duplicate layer name not allowed: 1_rim");
    int32_t counter = 10;
    Model *e = small_child("the_name_of_this_layer_is_long", nullptr);
    EXPECT_EQ(model_merge_child(m, e, 0, 0, 0, 1, 1, 1, "", "", "", &counter), 0);
    EXPECT_EQ(last_error(), "merged layer name too long: 10_the_name_of_this_layer_is_long");
    EXPECT_EQ(counter, 10);
    EXPECT_EQ(table_count(&m->points), 4);
    model_free(e);
    model_free(m);
}
