#include "foundation/vec3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expect_vec_near(float x, float y, float z, const float *v, float tolerance)
{
    EXPECT_NEAR(x, v[0], tolerance);
    EXPECT_NEAR(y, v[1], tolerance);
    EXPECT_NEAR(z, v[2], tolerance);
}

}  // namespace

TEST(Vec3, TriangleNormalIsEdgeToP2CrossEdgeToP1)
{
    struct Case {
        float p0[3], p1[3], p2[3];
        float normal[3];
    } cases[] = {
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}},
        {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{5, 5, 5}, {5, 9, 5}, {5, 5, 7}, {-1, 0, 0}},        // edges of different lengths
        {{0, 0, 0}, {1, 0, 1}, {0, 1, 1}, {0.57735f, 0.57735f, -0.57735f}},
    };
    for (const Case &c : cases) {
        float n[3];
        vec3_triangle_normal(c.p0, c.p1, c.p2, n);
        expect_vec_near(c.normal[0], c.normal[1], c.normal[2], n, 1e-5f);
        EXPECT_NEAR(1.0f, std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-6f);
    }
}

TEST(Vec3, DegenerateTriangleNormalIsZero)
{
    float o[3] = {1, 2, 3}, a[3] = {2, 4, 6}, b[3] = {3, 6, 9};
    float n[3];
    vec3_triangle_normal(o, a, b, n);  // collinear
    expect_vec_near(0, 0, 0, n, 0);
    vec3_triangle_normal(o, o, b, n);  // coincident corners
    expect_vec_near(0, 0, 0, n, 0);
}

TEST(Vec3, CentroidAndNormalize)
{
    float points[9] = {0, 0, 0, 3, 0, 6, 0, 3, -3};
    float c[3];
    vec3_centroid(points, 3, c);
    expect_vec_near(1, 1, 1, c, 1e-6f);
    vec3_centroid(points + 3, 1, c);
    expect_vec_near(3, 0, 6, c, 0);
    vec3_centroid(points, 0, c);
    expect_vec_near(0, 0, 0, c, 0);

    float v[3] = {3, 0, -4};
    EXPECT_EQ(v, vec3_normalize(v));
    expect_vec_near(0.6f, 0, -0.8f, v, 1e-7f);
    float zero[3] = {0, 0, 0};
    vec3_normalize(zero);
    expect_vec_near(0, 0, 0, zero, 0);
    float tiny[3] = {1e-30f, 0, 0};  // squares underflow in floats
    vec3_normalize(tiny);
    expect_vec_near(1, 0, 0, tiny, 1e-6f);
}

TEST(Vec3, NearEqualIsInclusivePerAxis)
{
    float a[3] = {1, 2, 3};
    struct Case {
        float b[3];
        int equal;
    } cases[] = {
        {{1.5f, 2, 3}, 1},    // exactly the tolerance
        {{1, 1.5f, 3.5f}, 1},
        {{1.5625f, 2, 3}, 0},
        {{1, 2.5625f, 3}, 0},
        {{1, 2, 2.4375f}, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(c.equal, vec3_near_equal(a, c.b, 0.5f));
}

TEST(Vec3, DivByMax)
{
    struct Case {
        float in[3];
        float out[3];
        float m;
    } cases[] = {
        {{-2, 4, 1}, {-0.5f, 1, 0.25f}, 4},
        {{2, 2, 1}, {1, 1, 0.5f}, 2},
        {{-1, -2, 0}, {-1, -2, 0}, 0},   // nothing positive: unchanged
    };
    for (const Case &c : cases) {
        float x = c.in[0], y = c.in[1], z = c.in[2], m = -7;
        vec3_div_by_max(&x, &y, &z, &m);
        EXPECT_EQ(c.out[0], x);
        EXPECT_EQ(c.out[1], y);
        EXPECT_EQ(c.out[2], z);
        EXPECT_EQ(c.m, m);
    }
}
