#include "foundation/geometry.h"
#include "foundation/vec3.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

TEST(Geometry, WholeDegreeTables)
{
    EXPECT_EQ(1.0f, geom_sin_deg(90));
    EXPECT_EQ(-1.0f, geom_sin_deg(270));
    EXPECT_EQ(-1.0f, geom_cos_deg(180));
    EXPECT_EQ(0.0f, geom_cos_deg(90));
    EXPECT_EQ(0.0f, geom_sin_deg(180));
    EXPECT_EQ(1.0f, geom_cos_deg(0));
    for (int i = 0; i < 360; i++) {
        double r = i * M_PI / 180.0;
        EXPECT_NEAR(sin(r), geom_sin_deg(i), 1e-7) << i;
        EXPECT_NEAR(cos(r), geom_cos_deg(i), 1e-7) << i;
    }
    // Outside 0..359 the degree wraps round.
    EXPECT_EQ(geom_sin_deg(30), geom_sin_deg(390));
    EXPECT_EQ(geom_sin_deg(270), geom_sin_deg(-90));
    EXPECT_EQ(geom_cos_deg(1), geom_cos_deg(-359));
}

TEST(Geometry, FaceNormalIsScaledToLargestComponentOne)
{
    const float general[9] = {0, 0, 0, 1, 0, 1, 0, 1, 1};
    float n[3];
    geom_face_normal(general, n);
    EXPECT_EQ(1.0f, std::fmax(std::fabs(n[0]), std::fmax(std::fabs(n[1]), std::fabs(n[2]))));
    EXPECT_FLOAT_EQ(1, n[0]);
    EXPECT_FLOAT_EQ(1, n[1]);
    EXPECT_FLOAT_EQ(-1, n[2]);

    geom_face_normal(nullptr, n);
    EXPECT_EQ(0, n[0]);
    EXPECT_EQ(0, n[1]);
    EXPECT_EQ(1, n[2]);
}

TEST(Geometry, FaceNormalFlatShortcutsAgreeWithCrossProduct)
{
    // Triangles in a plane of constant x, y or z take the shortcut steps; each
    // must point the same way as the unit normal of the general formula.
    const float cases[][9] = {
        {0, 0, 0, 1, 0, 0, 0, 1, 0},   // z flat
        {0, 0, 0, 0, 1, 0, 1, 0, 0},
        {2, 0, 0, 2, 1, 0, 2, 0, 1},   // x flat
        {2, 0, 0, 2, 0, 1, 2, 1, 0},
        {0, 3, 0, 1, 3, 0, 0, 3, 1},   // y flat
        {0, 3, 0, 0, 3, 1, 1, 3, 0},
        {0, 0, 0, 1, 0, 0, 1, 2, 3},   // general, for comparison
        {5, -1, 2, 3, 4, 2, -2, 0, 2}, // z flat, not at the origin
    };
    for (const auto &t : cases) {
        float n[3], unit[3];
        geom_face_normal(t, n);
        vec3_triangle_normal(t, t + 3, t + 6, unit);
        float dot = n[0] * unit[0] + n[1] * unit[1] + n[2] * unit[2];
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        EXPECT_NEAR(1.0f, dot / len, 1e-5f) << t[0] << " " << t[1] << " " << t[2];
    }
    // Corners sharing y, turning clockwise in (x, z): (0, -1, 0).
    const float y_flat[9] = {0, 3, 0, 0, 3, 1, 1, 3, 0};
    EXPECT_EQ(1, geom_turn_test(0, 0, 0, 1, 1, 0));
    float n[3];
    geom_face_normal(y_flat, n);
    EXPECT_EQ(0, n[0]);
    EXPECT_EQ(-1, n[1]);
    EXPECT_EQ(0, n[2]);
}

TEST(Geometry, FaceNormalDegenerate)
{
    // Coincident corners take the x shortcut; collinear corners off the axes get (0, 0, 1).
    const float same[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const float collinear[9] = {0, 0, 0, 1, 2, 3, 2, 4, 6};
    float n[3];
    geom_face_normal(same, n);
    EXPECT_EQ(-1, n[0]);
    EXPECT_EQ(0, n[1]);
    EXPECT_EQ(0, n[2]);
    geom_face_normal(collinear, n);
    EXPECT_EQ(0, n[0]);
    EXPECT_EQ(0, n[1]);
    EXPECT_EQ(1, n[2]);
}

TEST(Geometry, TurnTest)
{
    struct Case {
        float a[2], b[2], c[2];
        int clockwise;
    } cases[] = {
        {{0, 0}, {1, 0}, {1, -1}, 1},      // right turn
        {{0, 0}, {1, 0}, {1, 1}, 0},       // left turn
        {{0, 0}, {1, 0}, {2, 0}, 0},       // straight on
        {{0, 0}, {-1, -1}, {-2, 0}, 1},    // right turn across the -pi/pi seam
        {{0, 0}, {-1, 1}, {-2, 0}, 0},     // left turn across the seam
        {{0, 0}, {0, 1}, {1, 1}, 1},
        {{0, 0}, {0, -1}, {-1, -1}, 1},
        {{0, 0}, {0, -1}, {1, -1}, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.clockwise, geom_turn_test(c.a[0], c.a[1], c.b[0], c.b[1], c.c[0], c.c[1]))
            << c.b[0] << "," << c.b[1] << " -> " << c.c[0] << "," << c.c[1];
}

TEST(Geometry, BoxTextureCoordinates)
{
    const float box[6] = {-1, 0, 2, 3, 4, 4};
    struct Case {
        float p[3];
        int u_axis, v_axis;
        float u, v;
    } cases[] = {
        {{-1, 0, 2}, 1, 2, 1, 0},       // minimum corner
        {{3, 4, 4}, 1, 2, 0, 1},        // maximum corner
        {{0, 1, 2.5f}, 1, 4, 0.75f, 0.25f},
        {{0, 1, 2.5f}, 2, 5, 0.25f, 0.75f},
        {{0, 1, 2.5f}, 3, 6, 0.75f, 0.25f},
        {{0, 1, 2.5f}, 0, 7, 0, 0},     // unknown codes
        {{0, 1, 2.5f}, -1, 3, 0, 0.75f},
    };
    for (const Case &c : cases) {
        float uv[2];
        geom_box_uv(c.p[0], c.p[1], c.p[2], box, c.u_axis, c.v_axis, uv);
        EXPECT_FLOAT_EQ(c.u, uv[0]) << c.u_axis;
        EXPECT_FLOAT_EQ(c.v, uv[1]) << c.v_axis;
    }
    float uv[2] = {9, 9};
    geom_box_uv(1, 1, 1, nullptr, 1, 2, uv);
    EXPECT_EQ(0, uv[0]);
    EXPECT_EQ(0, uv[1]);

    // An axis with no extent maps as if at its minimum, never to NaN.
    const float flat[6] = {0, 0, 5, 2, 2, 5};
    geom_box_uv(1, 1, 5, flat, 3, 6, uv);
    EXPECT_EQ(1, uv[0]);
    EXPECT_EQ(0, uv[1]);
}

TEST(Geometry, BoxTextureCoordinatesOfTriangle)
{
    const float box[6] = {0, 0, 0, 2, 2, 2};
    const float tri[9] = {0, 0, 0, 2, 1, 0, 1, 2, 2};
    EXPECT_EQ(nullptr, geom_box_uv_triangle(nullptr, box, 1, 2));
    EXPECT_EQ(nullptr, geom_box_uv_triangle(tri, nullptr, 1, 2));
    const float *uv = geom_box_uv_triangle(tri, box, 4, 2);
    ASSERT_NE(nullptr, uv);
    const float expected[6] = {0, 0, 1, 0.5f, 0.5f, 1};
    for (int i = 0; i < 6; i++) EXPECT_FLOAT_EQ(expected[i], uv[i]) << i;
}

TEST(AxisWords, CodesAndOutOfRange)
{
    const struct { int code; const char *word; } cases[] = {
        {1, "x"}, {2, "y"}, {3, "z"}, {4, "-x"}, {5, "-y"}, {6, "-z"},
        {0, "x"}, {7, "x"}, {-1, "x"}, {1000, "x"},
    };
    for (const auto &c : cases) EXPECT_STREQ(geom_axis_name(c.code), c.word) << c.code;
}

// Float inputs next to the int32 bounds matter most: 2147483647.0f is 2^31.
TEST(Geometry, TruncIntSaturates)
{
    const struct { double value; int32_t whole; } cases[] = {
        {0.0, 0}, {1.9, 1}, {-1.9, -1}, {-0.5, 0},
        {2147483520.0f, 2147483520}, {2147483647.0f, INT32_MAX}, {2147483647.5, INT32_MAX}, {1e30, INT32_MAX},
        {-2147483648.0f, INT32_MIN}, {-2147483648.9, INT32_MIN}, {-1e30, INT32_MIN},
        {HUGE_VAL, INT32_MAX}, {-HUGE_VAL, INT32_MIN}, {NAN, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(c.whole, geom_trunc_int(c.value)) << c.value;
}

TEST(Geometry, FiniteBoundsAndMidpoints)
{
    const struct { float value; float finite; } bounds[] = {
        {0.0f, 0.0f}, {-7.5f, -7.5f}, {FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX},
        {INFINITY, FLT_MAX}, {-INFINITY, -FLT_MAX}, {NAN, 0.0f},
    };
    for (const auto &c : bounds) EXPECT_EQ(c.finite, geom_finite(c.value)) << c.value;
    // Bounds so far apart that their distance overflows still have a finite midpoint.
    const struct { float low, high, mid; } mids[] = {
        {0.0f, 2.0f, 1.0f}, {-3.0f, 4.0f, 0.5f}, {-FLT_MAX, FLT_MAX, 0.0f},
        {FLT_MAX, FLT_MAX, FLT_MAX}, {-FLT_MAX, -FLT_MAX, -FLT_MAX}, {-3e38f, 1e38f, -1e38f},
    };
    for (const auto &c : mids) EXPECT_FLOAT_EQ(c.mid, geom_midpoint(c.low, c.high)) << c.low << " " << c.high;
}
