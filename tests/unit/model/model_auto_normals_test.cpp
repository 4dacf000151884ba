// Normals from the geometry: hand-computed directions of faces, quads and strips, the
// six-direction cap, per-layer tables and the inputs that have no direction.
#include "model/model_edit.h"
#include "model_fixture.h"

#include <cmath>
#include <vector>

using namespace model_test;

namespace {

struct Vec {
    float x, y, z;
};

Vec unit(float x, float y, float z)
{
    float l = std::sqrt(x * x + y * y + z * z);
    return {x / l, y / l, z / l};
}

void expect_normal(Model *m, int32_t id, Vec want)
{
    const float *n = model_point_normal(m, id);
    ASSERT_NE(n, nullptr) << "point " << id;
    EXPECT_NEAR(n[0], want.x, 1e-5f) << "point " << id;
    EXPECT_NEAR(n[1], want.y, 1e-5f) << "point " << id;
    EXPECT_NEAR(n[2], want.z, 1e-5f) << "point " << id;
}

void expect_layer_normal(Model *m, const char *layer, int32_t id, Vec want)
{
    Layer *l = model_find_layer(m, layer);
    const float *n = static_cast<const float *>(table_find(&l->normals, id));
    ASSERT_NE(n, nullptr) << "layer normal " << id;
    EXPECT_NEAR(n[0], want.x, 1e-5f) << "layer normal " << id;
    EXPECT_NEAR(n[1], want.y, 1e-5f) << "layer normal " << id;
    EXPECT_NEAR(n[2], want.z, 1e-5f) << "layer normal " << id;
}

// O = 1 (0,0,0), X = 2 (10,0,0), Y = 3 (0,10,0), Z = 4 (0,0,10), W = 5 (0,10,10).
Model *axes_model()
{
    Model *m = model_create("c:\\models\\axes.mod", nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_set_point(m, 4, 0, 0, 10, 1.0f);
    model_set_point(m, 5, 0, 10, 10, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    return m;
}

// Points 1 (0,0,0), 2 (10,0,0), 3 (0,10,0), 4 (10,10,10): triangle A = (1,2,3) faces -z,
// triangle B = (3,2,4) faces (1,1,-1)/sqrt 3.
Model *bent_model()
{
    Model *m = model_create("c:\\models\\bent.mod", nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_set_point(m, 4, 10, 10, 10, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    return m;
}

} // namespace

TEST(AutoNormalsTest, CubeCornerTakesTheMeanOfItsThreeFaces)
{
    Model *m = axes_model();
    add_triangle(m, "skin", 1, 2, 3);  // -z
    add_triangle(m, "skin", 1, 3, 4);  // -x
    add_triangle(m, "skin", 1, 4, 2);  // -y
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    expect_normal(m, 1, unit(-1, -1, -1));
    expect_normal(m, 2, unit(0, -1, -1));
    expect_normal(m, 3, unit(-1, 0, -1));
    expect_normal(m, 4, unit(-1, -1, 0));
    expect_normal(m, 5, {0, 0, 1});  // used by nothing
    model_free(m);
}

TEST(AutoNormalsTest, CoplanarTrianglesCountOnce)
{
    Model *m = square_model();  // (1,2,3) and (3,2,4), both -z
    model_set_point(m, 5, 10, 0, 10, 1.0f);
    add_triangle(m, "skin", 2, 4, 5);  // -x
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    expect_normal(m, 2, unit(-1, 0, -1));  // not (-1, 0, -2)
    expect_normal(m, 3, {0, 0, -1});
    expect_normal(m, 1, {0, 0, -1});
    model_free(m);
}

TEST(AutoNormalsTest, StripEndsOddTrianglesAndQuadHalvesAgree)
{
    const float a = 1.0f / std::sqrt(3.0f);
    const Vec only_a = {0, 0, -1}, only_b = {a, a, -a}, both = unit(a, a, -1 - a);
    for (int as_quad = 0; as_quad < 2; as_quad++) {
        Model *m = bent_model();
        const int32_t ids[4] = {1, 2, 3, 4};
        if (as_quad)
            ASSERT_EQ(add_quad(m, "skin", 1, 2, 3, 4), 1);
        else
            ASSERT_EQ(model_add_strip(m, "skin", 4, ids, nullptr), 1);
        ASSERT_EQ(model_auto_normals(m, 0), 1);
        SCOPED_TRACE(as_quad ? "quad" : "strip");
        expect_normal(m, 1, only_a);  // position 0 / corner 0: the first triangle only
        expect_normal(m, 2, both);    // position 1 / corner 1: both triangles
        expect_normal(m, 3, both);
        expect_normal(m, 4, only_b);  // the odd triangle (v2, v1, v3) only
        model_free(m);
    }
}

TEST(AutoNormalsTest, APointRepeatedInAStripTakesEveryOccurrence)
{
    Model *m = bent_model();
    // Triangles (1,2,3) -z, (3,2,4) and (3,4,1); point 1 is at positions 0 and 4.
    const int32_t ids[5] = {1, 2, 3, 4, 1};
    ASSERT_EQ(model_add_strip(m, "skin", 5, ids, nullptr), 1);
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    // (3,4,1): (p1 - p3) x (p4 - p3) = (0,-10,0) x (10,0,10) = (-100, 0, 100).
    float h = 1.0f / std::sqrt(2.0f);
    expect_normal(m, 1, unit(-h, 0, -1 + h));
    model_free(m);
}

TEST(AutoNormalsTest, SixDirectionsAtMostFirstFoundFirst)
{
    Model *m = axes_model();
    add_triangle(m, "skin", 1, 2, 3);  // -z
    add_triangle(m, "skin", 1, 3, 4);  // -x
    add_triangle(m, "skin", 1, 4, 2);  // -y
    add_triangle(m, "skin", 1, 3, 2);  // +z
    add_triangle(m, "skin", 1, 4, 3);  // +x
    add_triangle(m, "skin", 1, 2, 5);  // (0, 1, -1) / sqrt 2
    add_triangle(m, "skin", 1, 2, 4);  // +y: the seventh, ignored
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    float h = 1.0f / std::sqrt(2.0f);
    expect_normal(m, 1, unit(0, -1 + h, -h));
    model_free(m);
}

TEST(AutoNormalsTest, FacesComeBeforeStripsInEachLayerForTheCap)
{
    Model *m = axes_model();
    // A strip whose only triangle is +y, then six face directions: the faces win.
    const int32_t strip[3] = {1, 2, 4};
    model_add_strip(m, "skin", 3, strip, nullptr);
    add_triangle(m, "skin", 1, 2, 3);
    add_triangle(m, "skin", 1, 3, 4);
    add_triangle(m, "skin", 1, 4, 2);
    add_triangle(m, "skin", 1, 3, 2);
    add_triangle(m, "skin", 1, 4, 3);
    add_triangle(m, "skin", 1, 2, 5);
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    float h = 1.0f / std::sqrt(2.0f);
    expect_normal(m, 1, unit(0, -1 + h, -h));
    model_free(m);
}

TEST(AutoNormalsTest, PointModeEmptiesLayerNormalsAndCoversEveryPoint)
{
    Model *m = square_model();
    model_set_point(m, 9, 5, 5, 5, 1.0f);
    model_set_normal(m, "skin", 0, 1, 1, 0, 0);
    model_set_normal(m, nullptr, 0, 9, 1, 0, 0);
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    EXPECT_EQ(table_count(&model_find_layer(m, "skin")->normals), 0);
    expect_normal(m, 9, {0, 0, 1});
    expect_normal(m, 4, {0, 0, -1});
    model_free(m);
}

TEST(AutoNormalsTest, PerLayerModeFillsEachLayerInPointTableOrder)
{
    Model *m = bent_model();
    model_set_point(m, 9, 5, 5, 5, 1.0f);
    model_add_layer(m, "other", 127, 127, 127, 1, 0, 0);
    add_triangle(m, "skin", 3, 2, 4);  // touches 3, 2, 4 first
    add_triangle(m, "skin", 1, 2, 3);
    add_triangle(m, "other", 1, 2, 3);
    model_set_normal(m, "skin", 0, 9, 1, 0, 0);  // a point no triangle uses keeps its entry
    model_set_normal(m, nullptr, 0, 2, 0, 1, 0);
    ASSERT_EQ(model_auto_normals(m, 1), 1);
    expect_normal(m, 2, {0, 1, 0});  // point normals unchanged
    const float a = 1.0f / std::sqrt(3.0f);
    expect_layer_normal(m, "skin", 1, {0, 0, -1});
    expect_layer_normal(m, "skin", 2, unit(a, a, -1 - a));
    expect_layer_normal(m, "skin", 4, {a, a, -a});
    expect_layer_normal(m, "skin", 9, {1, 0, 0});
    expect_layer_normal(m, "other", 2, {0, 0, -1});  // layers do not mix
    EXPECT_EQ(table_find(&model_find_layer(m, "other")->normals, 4), nullptr);
    // Table order: the old entry 9, then the points in point-table order.
    Layer *skin = model_find_layer(m, "skin");
    std::vector<int32_t> order;
    int32_t key = 0;
    for (void *e = table_first(&skin->normals, &key); e; e = table_next(&skin->normals, &key))
        order.push_back(key);
    EXPECT_EQ(order, (std::vector<int32_t>{9, 1, 2, 3, 4}));
    model_free(m);
}

TEST(AutoNormalsTest, CancellingAndCollinearInputStoreNoZeroNormal)
{
    Model *m = square_model();
    model_set_point(m, 5, 20, 0, 0, 1.0f);  // on the line through 1 and 2
    model_add_layer(m, "twin", 127, 127, 127, 0, 0, 0);
    add_triangle(m, "twin", 1, 3, 2);  // the reverse of skin's (1, 2, 3)
    add_triangle(m, "skin", 1, 2, 5);  // collinear: no direction
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    expect_normal(m, 1, {0, 0, 1});  // -z and +z cancel
    expect_normal(m, 5, {0, 0, 1});  // only a collinear triangle
    expect_normal(m, 4, {0, 0, -1});
    ASSERT_EQ(model_auto_normals(m, 1), 1);
    // Within one layer nothing cancels; the collinear-only point gets no layer normal.
    EXPECT_EQ(table_find(&model_find_layer(m, "skin")->normals, 5), nullptr);
    expect_layer_normal(m, "twin", 1, {0, 0, 1});
    EXPECT_EQ(model_check_normals(m), 1);
    model_free(m);
}

TEST(AutoNormalsTest, CancellingWithinOneLayerGivesNoLayerNormal)
{
    Model *m = square_model();
    add_triangle(m, "skin", 1, 3, 2);  // +z against (1, 2, 3)'s -z
    ASSERT_EQ(model_auto_normals(m, 1), 1);
    Layer *skin = model_find_layer(m, "skin");
    EXPECT_EQ(table_find(&skin->normals, 1), nullptr);
    EXPECT_NE(table_find(&skin->normals, 4), nullptr);
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    expect_normal(m, 1, {0, 0, 1});
    EXPECT_EQ(model_auto_normals(nullptr, 0), 0);
    model_free(m);
}
