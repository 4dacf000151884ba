// Lookups, counts, image names, the normal check, points through child models
// and the boxes.
#include "model_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "foundation/matrix4.h"

using namespace model_test;

namespace {

Model *child_of(Model *parent, const char *name, float x = 0.0f)
{
    Model *child = model_create((std::string(name) + ".mod").c_str(), parent);
    model_add_child(parent, child, name, x, 0, 0, 1, 1, 1, "0", "0", "0");
    return child;
}

// Names a file in a texture slot of the layer as a model file's image line would, without
// reading the image: the name lists do not look at the pixels.
void name_image(Model *m, const char *layer, int slot, const char *file)
{
    Layer *l = model_find_layer(m, layer);
    if (!l) return;
    LayerTexture *t = static_cast<LayerTexture *>(table_find(&l->texture, 1));
    if (!t) {
        t = static_cast<LayerTexture *>(table_add(&l->texture, 1));
        if (!t) return;
        memset(t, 0, sizeof *t);
    }
    snprintf(t->file[slot], sizeof t->file[slot], "%s", file);
}

} // namespace

TEST(ModelLookups, LayersJointsAndMessages)
{
    Model *m = square_model();
    err_set(nullptr);
    EXPECT_NE(model_find_layer(m, "skin"), nullptr);
    EXPECT_EQ(err_last(), nullptr);
    EXPECT_EQ(model_find_layer(m, "Skin"), nullptr); // exact comparison
    EXPECT_EQ(last_error(), "layer does not exist");
    EXPECT_EQ(model_find_layer(nullptr, "skin"), nullptr);

    model_add_joint(m, "a", 0, 0, 0, "world", 1);
    model_add_joint(m, "b", 0, 0, 0, "a", 1);
    EXPECT_EQ(model_joint_index(m, "b"), 1);
    EXPECT_EQ(model_joint_index(m, "zz"), -1);
    err_set(nullptr);
    EXPECT_EQ(model_find_joint(m, "world"), nullptr);
    EXPECT_EQ(model_find_joint(m, "zz"), nullptr);
    EXPECT_EQ(err_last(), nullptr); // no message for joints
    model_free(m);
}

TEST(ModelLookups, ChildrenOrdinalsAndCounts)
{
    Model *m = model_create("top.mod", nullptr);
    Model *a = child_of(m, "a");
    child_of(a, "a1");
    child_of(a, "a2");
    child_of(m, "b");
    EXPECT_EQ(model_child_ordinal(m, "a"), 0);
    EXPECT_EQ(model_child_ordinal(m, "a1"), 1);
    EXPECT_EQ(model_child_ordinal(m, "a2"), 2);
    EXPECT_EQ(model_child_ordinal(m, "b"), 3);
    EXPECT_EQ(model_child_ordinal(m, "c"), -1);
    EXPECT_EQ(model_child_count(m), 4);

    err_set("before");
    EXPECT_EQ(model_child_at(m, 0), nullptr);
    EXPECT_EQ(last_error(), "before");
    EXPECT_STREQ(model_child_at(m, 2)->name, "b");
    EXPECT_EQ(model_child_at(m, 3), nullptr);
    EXPECT_EQ(last_error(), "child does not exist");
    EXPECT_STREQ(model_find_child(m, "b")->name, "b");
    err_set(nullptr);
    EXPECT_EQ(model_find_child(m, "a1"), nullptr); // only the model's own children
    EXPECT_EQ(last_error(), "child does not exist");
    model_free(m);
}

TEST(ModelLookups, PointsThroughChildModels)
{
    Model *m = model_create("top.mod", nullptr);
    model_set_point(m, 1, 1, 1, 1, 1);
    Model *a = child_of(m, "a");
    model_set_point(a, 1, 9, 9, 9, 1);
    model_set_point(a, 2, 2, 2, 2, 1);
    Model *deep = child_of(a, "deep");
    model_set_point(deep, 3, 3, 3, 3, 1);
    EXPECT_EQ(point_find(m, 1)->position[0], 1.0f); // the model's own point wins
    EXPECT_EQ(point_find(m, 2)->position[0], 2.0f);
    EXPECT_EQ(point_find(m, 3)->position[0], 3.0f);
    EXPECT_EQ(point_find(m, 4), nullptr);
    // The owner is the model whose own table holds the point found.
    EXPECT_EQ(point_find_owner(m, 1), m);
    EXPECT_EQ(point_find_owner(m, 2), a);
    EXPECT_EQ(point_find_owner(m, 3), deep);
    EXPECT_EQ(point_find_owner(a, 3), deep);
    EXPECT_EQ(point_find_owner(m, 4), nullptr);
    EXPECT_EQ(point_find_owner(nullptr, 1), nullptr);
    EXPECT_EQ(model_point_position(m, 3)[1], 3.0f);
    EXPECT_EQ(model_point_position(m, 4), nullptr);
    EXPECT_EQ(last_error(), "point does not exist");
    EXPECT_EQ(model_point_normal(m, 4), nullptr);
    EXPECT_EQ(last_error(), "normal does not exist");
    EXPECT_EQ(model_point_normal(m, 3)[2], 1.0f);
    EXPECT_EQ(model_point_gouraud(m, 4), nullptr);
    // A child's point can carry a face of the parent.
    model_add_layer(m, "l", 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(add_triangle(m, "l", 1, 2, 3), 1);
    // point_get_or_create does not look into children.
    Point *own = point_get_or_create(m, 3);
    EXPECT_EQ(own->position[0], 0.0f);
    EXPECT_EQ(point_find(m, 3), own);
    EXPECT_EQ(point_find_position(m, 2)[0], 2.0f);
    EXPECT_EQ(point_find_position(m, 99), nullptr);
    EXPECT_EQ(point_max_id(m), 3);
    Model *empty = model_create("e.mod", nullptr);
    EXPECT_EQ(point_max_id(empty), -1);
    model_free(empty);
    EXPECT_EQ(point_max_id(nullptr), -1);
    model_free(m);
}

TEST(ModelLookups, PointAtAndAccessorsOfNone)
{
    Model *m = square_model();
    EXPECT_EQ(model_point_at(m, 10, 10, 0), 4);
    EXPECT_EQ(model_point_at(m, 10, 10, 1), -1);
    point_find(m, 3)->normal[0] = 0.5f;
    EXPECT_EQ(model_point_with_normal(m, 0.5f, 0, 1), 3);
    EXPECT_EQ(model_point_with_normal(m, 0.5f, 0, 0), -1);
    float out[4];
    point_get_position(out, nullptr);
    EXPECT_EQ(out[0], 0.0f);
    point_get_normal(out, nullptr);
    EXPECT_EQ(out[2], 0.0f);
    point_get_color(out, nullptr);
    EXPECT_EQ(out[3], 255.0f);
    point_get_position(out, point_find(m, 4));
    EXPECT_EQ(out[1], 10.0f);
    EXPECT_EQ(point_delete(m, 4), 1);
    EXPECT_EQ(point_delete(m, 4), 0);
    model_free(m);
}

TEST(ModelCounts, FacesAndLines)
{
    Model *m = square_model(); // two triangles
    const int32_t quad[4] = {1, 2, 3, 4};
    model_add_face(m, "skin", 1, quad, nullptr, nullptr, 0);
    const int32_t strip[5] = {1, 2, 3, 4, 1};
    model_add_strip(m, "skin", 5, strip, nullptr);
    model_add_strip(m, "skin", 2, strip, nullptr); // holds no triangle
    model_add_line(m, "skin", 3, strip);
    model_add_line(m, "skin", 4, strip);
    model_add_line(m, "skin", 0, strip);
    model_add_layer(m, "more", 1, 1, 1, 0, 0, 0);
    add_triangle(m, "more", 1, 2, 3);
    model_add_line(m, "more", 2, strip);
    EXPECT_EQ(model_face_count(m, "skin"), 2 + 2 + 3);
    EXPECT_EQ(model_face_count(m, nullptr), 4); // face records, quads once, no strips
    EXPECT_EQ(model_line_count(m, "skin"), 5);
    EXPECT_EQ(model_line_count(m, nullptr), 6);
    EXPECT_EQ(model_face_count(m, "ghost"), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    EXPECT_EQ(model_line_count(m, "ghost"), 0);
    EXPECT_EQ(model_point_count(m), 4);
    EXPECT_EQ(model_layer_count(m), 2);
    EXPECT_EQ(model_face_count(nullptr, nullptr), 0);
    model_free(m);
}

TEST(ModelNames, ImageNamesNameAndPath)
{
    using Names = std::vector<std::string>;
    Model *m = square_model("c:\\models\\door.mod");
    EXPECT_EQ(model_image_names(m), Names{});
    EXPECT_EQ(model_image_names(nullptr), Names{});
    // Unset slots are not listed.
    name_image(m, "skin", 0, "door.tga");
    EXPECT_EQ(model_image_names(m), Names{"door.tga"});
    Model *child = child_of(m, "knob");
    model_add_layer(child, "k", 1, 1, 1, 0, 0, 0);
    name_image(child, "k", 1, "knob.tga");
    name_image(child, "k", 2, "shine.tga"); // reflections are not listed
    EXPECT_EQ(model_image_names(m), (Names{"door.tga", "knob.tga"}));
    EXPECT_STREQ(model_get_name(m), "door");
    EXPECT_STREQ(model_get_path(m), "c:\\models\\door");
    EXPECT_EQ(model_get_path(nullptr), nullptr);
    model_free(m);
}

TEST(ModelNames, ImageNamesStopBeforeTheBufferEnd)
{
    Model *m = model_create("many.mod", nullptr);
    std::string file(100, 'f');
    for (int i = 0; i < 20; i++) {
        std::string layer = "l" + std::to_string(i);
        model_add_layer(m, layer.c_str(), 1, 1, 1, 0, 0, 0);
        name_image(m, layer.c_str(), 0, file.c_str());
    }
    // Each name with its separator counts; the ones that no longer fit are left out.
    std::vector<std::string> names = model_image_names(m);
    EXPECT_EQ(names.size(), 10u);
    model_add_layer(m, "short", 1, 1, 1, 0, 0, 0);
    name_image(m, "short", 0, "s.tga");
    names = model_image_names(m);
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names.back(), "s.tga");
    model_free(m);
}

TEST(CheckNormals, RangeZeroAndNotANumber)
{
    const struct {
        float n[3];
        int ok;
    } cases[] = {
        {{0.0f, 0.0f, 0.0f}, 0},
        {{0.0f, 1.5f, 0.0f}, 0},
        {{-1.01f, 0.0f, 0.0f}, 0},
        {{std::numeric_limits<float>::quiet_NaN(), 0.0f, 1.0f}, 0},
        {{0.9f, 0.9f, 0.9f}, 1},
        {{-1.0f, 0.0f, 0.0f}, 1},
    };
    for (const auto &c : cases) {
        Model *m = square_model("c:\\m\\hull.mod");
        memcpy(point_find(m, 3)->normal, c.n, sizeof c.n);
        memcpy(point_find(m, 4)->normal, c.n, sizeof c.n);
        err_set(nullptr);
        EXPECT_EQ(model_check_normals(m), c.ok) << c.n[0] << " " << c.n[1];
        if (!c.ok) {
            EXPECT_EQ(last_error(), "(hull.mod) bad normal: 3");
        }
        model_free(m);
    }
}

TEST(ModelBox, FirstPointNotANumberAndReset)
{
    Model *m = model_create("box.mod", nullptr);
    model_set_point(m, 1, 50, 60, 70, 1);
    EXPECT_EQ(m->box_min[0], 50.0f);
    EXPECT_EQ(m->box_max[0], 50.0f);
    model_set_point(m, 2, 40, 80, 70, 1);
    EXPECT_EQ(m->box_min[0], 40.0f);
    EXPECT_EQ(m->box_max[1], 80.0f);
    model_bbox_add_point(m, std::numeric_limits<float>::quiet_NaN(), 0, 0);
    EXPECT_TRUE(std::isnan(m->box_min[0])); // a failed comparison takes the value
    model_bbox_reset(m);
    for (int i = 0; i < 3; i++) EXPECT_EQ(m->box_max[i], 0.0f);
    model_free(m);
}

TEST(ModelBox, HierarchyWithChildrenAndMatrix)
{
    // No points of its own: the child's box, placed at x = 10, and no origin.
    Model *m = model_create("top.mod", nullptr);
    Model *child = child_of(m, "c", 10.0f);
    model_set_point(child, 1, 1, 2, 3, 1);
    model_set_point(child, 2, 4, 5, 6, 1);
    float box[6];
    model_bbox_hierarchy(box, m, nullptr);
    EXPECT_FLOAT_EQ(box[0], 11.0f);
    EXPECT_FLOAT_EQ(box[3], 14.0f);
    EXPECT_FLOAT_EQ(box[1], 2.0f);
    EXPECT_FLOAT_EQ(box[5], 6.0f);
    float size[3];
    model_bbox_size(size, m, nullptr);
    EXPECT_FLOAT_EQ(size[0], 3.0f);
    float centre[3];
    model_bbox_center(centre, m, nullptr);
    EXPECT_FLOAT_EQ(centre[0], 12.5f);
    EXPECT_FLOAT_EQ(model_bbox_max_extent(m, nullptr), 14.0f);

    // With points of its own the boxes merge.
    model_set_point(m, 1, -1, 0, 0, 1);
    model_bbox_hierarchy(box, m, nullptr);
    EXPECT_FLOAT_EQ(box[0], -1.0f);
    EXPECT_FLOAT_EQ(box[3], 14.0f);
    EXPECT_FLOAT_EQ(box[1], 0.0f);

    // Turned 180 degrees about z: corners swap per axis.
    Model *alone = model_create("alone.mod", nullptr);
    model_set_point(alone, 1, 1, 2, 3, 1);
    model_set_point(alone, 2, 4, 5, 6, 1);
    Matrix4 turn;
    mat4_identity(&turn);
    mat4_rotate_euler(&turn, 0, 0, 180);
    model_bbox_hierarchy(box, alone, &turn);
    const float want[6] = {-4, -5, 3, -1, -2, 6};
    for (int i = 0; i < 6; i++) EXPECT_NEAR(box[i], want[i], 1e-4f) << i;
    model_bbox_hierarchy(box, nullptr, nullptr);
    for (float v : box) EXPECT_EQ(v, 0.0f);
    model_free(alone);
    model_free(m);
}

TEST(ModelFaceNormal, CornersAndMissingPoint)
{
    Model *m = square_model();
    float n[3];
    ASSERT_EQ(model_face_normal(n, m, 1, 2, 3), 1);
    EXPECT_EQ(std::fabs(n[2]), 1.0f);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(model_face_normal(n, m, 1, 2, 99), 0);
    EXPECT_EQ(n[2], 1.0f);
    model_free(m);
}

TEST(PointWorldPosition, CarriedThroughPlacements)
{
    Model *m = model_create("top.mod", nullptr);
    Model *child = model_create("arm.mod", m);
    model_add_child(m, child, "arm", 10, 0, 0, 2, 2, 2, "0", "0", "z90");
    const float p[3] = {1, 0, 0};
    float out[3];
    point_world_position(out, child, p);
    EXPECT_NEAR(out[0], 10.0f, 1e-4f);
    EXPECT_NEAR(out[1], 2.0f, 1e-4f);
    point_world_position(out, m, p); // a top-level model is not moved
    EXPECT_EQ(out[0], 1.0f);
    model_free(m);
}
