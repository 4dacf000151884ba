// Flattening a model into z = 0: edge lengths kept chain by chain, first placement wins.
#include "model/model_edit.h"
#include "model_fixture.h"

#include <cmath>

using namespace model_test;

namespace {

void expect_position(Model *m, int32_t id, float x, float y, float z)
{
    const float *p = model_point_position(m, id);
    ASSERT_NE(p, nullptr) << "point " << id;
    EXPECT_NEAR(p[0], x, 1e-4f) << "point " << id;
    EXPECT_NEAR(p[1], y, 1e-4f) << "point " << id;
    EXPECT_NEAR(p[2], z, 1e-4f) << "point " << id;
}

Model *triangle_model()
{
    Model *m = model_create("c:\\models\\tri.mod", nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 3, 0, 0, 1.0f);
    model_set_point(m, 3, 3, 4, 12, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    return m;
}

} // namespace

TEST(PancakeTest, TriangleKeepsItsEdgeLengths)
{
    Model *m = triangle_model();
    add_triangle(m, "skin", 1, 2, 3);
    ASSERT_EQ(model_pancake(m), 1);
    expect_position(m, 1, 0, 0, 0);
    expect_position(m, 2, 3, 0, 0);
    expect_position(m, 3, 3, std::sqrt(160.0f), 0);
    model_free(m);
}

TEST(PancakeTest, FirstPlacementWinsAndStripsGoBeforeFaces)
{
    // The face (3, 2, 1) alone would lay 3 where it stands; the strip, added later but laid
    // first, places 1, 2, 3 as in the triangle example and the face moves none of them.
    Model *m = triangle_model();
    model_set_point(m, 4, 3, 0, 5, 1.0f);
    add_triangle(m, "skin", 3, 2, 1);
    const int32_t strip[3] = {1, 2, 3};
    model_add_strip(m, "skin", 3, strip, nullptr);
    add_triangle(m, "skin", 2, 4, 1);  // 4 is laid from 2's placed position, 5 up in 3D
    model_set_point(m, 9, 7, 7, 7, 1.0f);  // used by nothing: kept, z included
    ASSERT_EQ(model_pancake(m), 1);
    expect_position(m, 3, 3, std::sqrt(160.0f), 0);
    expect_position(m, 1, 0, 0, 0);
    // Edge 2 -> 4 has no xy extent: 4 stays at its own x, y.
    expect_position(m, 4, 3, 0, 0);
    expect_position(m, 9, 7, 7, 7);
    model_free(m);
}

TEST(PancakeTest, LaterChainsLayFromThePlacedReference)
{
    // Chain (3, 4): 3 was placed by the first face; 4 follows its placed position with the
    // edge from 3's original position.
    Model *m = triangle_model();
    model_set_point(m, 4, 6, 4, 12, 1.0f);
    add_triangle(m, "skin", 1, 2, 3);
    add_triangle(m, "skin", 3, 4, 2);
    ASSERT_EQ(model_pancake(m), 1);
    expect_position(m, 4, 6, std::sqrt(160.0f), 0);
    model_free(m);
}

TEST(PancakeTest, AModelFlatInZEqualsFiveKeepsXAndY)
{
    Model *m = model_create("c:\\models\\plane.mod", nullptr);
    const int32_t xy[5][2] = {{0, 0}, {7, 1}, {2, 9}, {-4, 6}, {11, -3}};
    for (int32_t i = 0; i < 5; i++) model_set_point(m, i + 1, xy[i][0], xy[i][1], 5, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    add_quad(m, "skin", 1, 2, 3, 4);
    add_triangle(m, "skin", 5, 3, 1);
    ASSERT_EQ(model_pancake(m), 1);
    for (int32_t i = 0; i < 5; i++) expect_position(m, i + 1, xy[i][0], xy[i][1], 0);
    model_free(m);
}

TEST(PancakeTest, VerticalEdgesStayFinite)
{
    Model *m = model_create("c:\\models\\post.mod", nullptr);
    model_set_point(m, 1, 2, 3, 0, 1.0f);
    model_set_point(m, 2, 2, 3, 10, 1.0f);
    model_set_point(m, 3, 2, 3, 20, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    add_triangle(m, "skin", 1, 2, 3);
    ASSERT_EQ(model_pancake(m), 1);
    for (int32_t id = 1; id <= 3; id++) {
        const float *p = model_point_position(m, id);
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1])) << id;
        expect_position(m, id, 2, 3, 0);
    }
    model_free(m);
}

TEST(PancakeTest, RefusesANullModelOrOneWithoutLayers)
{
    EXPECT_EQ(model_pancake(nullptr), 0);
    Model *m = model_create("c:\\models\\bare.mod", nullptr);
    model_set_point(m, 1, 1, 2, 3, 1.0f);
    EXPECT_EQ(model_pancake(m), 0);
    expect_position(m, 1, 1, 2, 3);
    model_free(m);
}
