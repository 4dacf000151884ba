#include "foundation/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

float length(const Quaternion &q)
{
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

void expect_quat_near(const Quaternion &expected, const Quaternion &actual, float tolerance)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
    EXPECT_NEAR(expected.w, actual.w, tolerance);
}

void expect_matrix_near(const Matrix4 &expected, const Matrix4 &actual, float tolerance)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element " << i;
}

// Unit quaternion of a rotation by degrees about a unit axis.
Quaternion about(float ax, float ay, float az, float degrees)
{
    double h = degrees * M_PI / 360.0;
    return {float(ax * sin(h)), float(ay * sin(h)), float(az * sin(h)), float(cos(h))};
}

Quaternion from_matrix(const Matrix4 &m)
{
    Quaternion q;
    quat_from_mat4(&m, &q.x, &q.y, &q.z, &q.w);
    return q;
}

Matrix4 to_matrix(const Quaternion &q)
{
    Matrix4 m;
    quat_to_mat4(&m, q.x, q.y, q.z, q.w);
    return m;
}

}  // namespace

TEST(Quaternion, ToMatrixOfIdentityAndScaled)
{
    expect_matrix_near(g_mat4_identity, to_matrix({0, 0, 0, 1}), 0);
    Matrix4 four = to_matrix({0, 0, 0, 2});
    for (int i = 0; i < 16; i++) EXPECT_EQ(i % 5 == 0 ? 4.0f : 0.0f, four.m[i]);
}

TEST(Quaternion, ToMatrixAgreesWithEulerRotation)
{
    // The same rotation built both ways: about x, y and z, and a scaled
    // quaternion, whose |q|^2 the point transform divides out.
    struct Case {
        Quaternion q;
        float ax, ay, az;
        float scale;
    } cases[] = {
        {about(1, 0, 0, 30), 30, 0, 0, 1},
        {about(0, 1, 0, -75), 0, -75, 0, 1},
        {about(0, 0, 1, 120), 0, 0, 120, 1},
        {about(0, 0, 1, 90), 0, 0, 90, 3},
    };
    for (const Case &c : cases) {
        Quaternion q = {c.q.x * c.scale, c.q.y * c.scale, c.q.z * c.scale, c.q.w * c.scale};
        Matrix4 m = to_matrix(q), euler;
        mat4_identity(&euler);
        mat4_rotate_euler(&euler, c.ax, c.ay, c.az);
        float p[3] = {0.3f, -1.2f, 2.0f}, a[3], b[3];
        mat4_transform_point(&m, p, a);
        mat4_transform_point(&euler, p, b);
        for (int k = 0; k < 3; k++) EXPECT_NEAR(b[k], a[k], 1e-5f);
    }
}

TEST(Quaternion, FromMatrixBranches)
{
    struct Case {
        const char *name;
        Matrix4 m;
        Quaternion expected;
    } cases[] = {
        {"identity, w branch", g_mat4_identity, {0, 0, 0, 1}},
        {"half turn about x", {{1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}}, {1, 0, 0, 0}},
        {"half turn about y", {{-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}}, {0, 1, 0, 0}},
        {"half turn about z", {{-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}, {0, 0, 1, 0}},
        {"negative w is flipped", to_matrix({0, 0, 0.6f, -0.8f}), {0, 0, -0.6f, 0.8f}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        expect_quat_near(c.expected, from_matrix(c.m), 1e-6f);
    }
}

TEST(Quaternion, MatrixRoundTrip)
{
    // Each should come back as itself, or negated when its w is negative;
    // the largest-term branch keeps precision for every axis.
    Quaternion cases[] = {
        about(1, 0, 0, 170),  about(0, 1, 0, 179), about(0, 0, 1, 10),
        about(0.48f, 0.6f, 0.64f, 250), about(0.6f, 0, -0.8f, 359), {0.5f, -0.5f, 0.5f, 0.5f},
        {0.2f, 0.4f, -0.4f, -0.8f}, {2, 0, 0, 0}, {1, 2, 3, 4},
    };
    for (const Quaternion &q : cases) {
        SCOPED_TRACE(testing::Message() << q.x << " " << q.y << " " << q.z << " " << q.w);
        Quaternion back = from_matrix(to_matrix(q));
        float sign = q.w < 0 ? -1.0f : 1.0f;
        expect_quat_near({sign * q.x, sign * q.y, sign * q.z, sign * q.w}, back, 2e-6f * length(q));
        EXPECT_GE(back.w, 0.0f);
    }
}

TEST(Quaternion, FromMatrixWithoutRotationGivesIdentity)
{
    Matrix4 zero{};
    Matrix4 negative = g_mat4_identity;
    for (int i : {0, 5, 10, 15}) negative.m[i] = -1;
    for (const Matrix4 &m : {zero, negative}) expect_quat_near({0, 0, 0, 1}, from_matrix(m), 0);
}

TEST(Quaternion, SlerpEndsAndMiddle)
{
    // 60 degrees apart (dot = cos 30 degrees): spherical weights.
    Quaternion q1 = about(0, 0, 1, 20), q2 = about(0, 0, 1, 80), out;
    quat_slerp(&q1, &q2, &out, 0);
    expect_quat_near(q1, out, 1e-6f);
    quat_slerp(&q1, &q2, &out, 1);
    expect_quat_near(q2, out, 1e-6f);
    quat_slerp(&q1, &q2, &out, 0.5f);
    EXPECT_NEAR(1.0f, length(out), 1e-6f);
    expect_quat_near(about(0, 0, 1, 50), out, 1e-6f);
    quat_slerp(&q1, &q2, &out, 0.25f);
    expect_quat_near(about(0, 0, 1, 35), out, 1e-6f);
}

TEST(Quaternion, SlerpLinearFallbackBelowFiveHundredths)
{
    // dot 0.96 (1 - dot = 0.04): linear, shorter than 1 in the middle;
    // dot 0.94: spherical, unit length.
    struct Case {
        float dot;
        bool linear;
    } cases[] = {{0.96f, true}, {0.94f, false}, {0.999f, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dot);
        float s = std::sqrt(1 - c.dot * c.dot);
        Quaternion q1 = {0, 0, 0, 1}, q2 = {0, s, 0, c.dot}, out;
        quat_slerp(&q1, &q2, &out, 0.5f);
        if (c.linear) {
            EXPECT_EQ(0.5f * s, out.y);
            EXPECT_EQ(0.5f + 0.5f * c.dot, out.w);
            EXPECT_LT(length(out), 1.0f);
        } else {
            EXPECT_NEAR(1.0f, length(out), 1e-6f);
        }
    }
}

TEST(Quaternion, SlerpTakesShorterArcNegatingFirstInPlace)
{
    Quaternion q1 = about(0.6f, 0.8f, 0, 40);
    Quaternion original = q1;
    Quaternion q2 = {-q1.x, -q1.y, -q1.z, -q1.w}, out;
    for (float t : {0.0f, 0.3f, 1.0f}) {
        quat_slerp(&q1, &q2, &out, t);
        expect_quat_near(q2, out, 1e-6f);
    }
    expect_quat_near({-original.x, -original.y, -original.z, -original.w}, q1, 0);

    // 350 degrees apart the short way is 10 degrees the other way round.
    Quaternion a = about(0, 0, 1, 10), b = about(0, 0, 1, 360), mid;
    quat_slerp(&a, &b, &mid, 0.5f);
    Matrix4 m = to_matrix(mid), expected;
    mat4_identity(&expected);
    mat4_rotate_euler(&expected, 0, 0, 5);
    expect_matrix_near(expected, m, 2e-3f);
}

TEST(Quaternion, SlerpOutputMayAliasAnInput)
{
    Quaternion q1 = about(1, 0, 0, 10), q2 = about(0, 1, 0, 70), expected;
    Quaternion a = q1, b = q2;
    quat_slerp(&a, &b, &expected, 0.4f);
    a = q1;
    quat_slerp(&a, &b, &a, 0.4f);
    expect_quat_near(expected, a, 0);
    a = q1;
    quat_slerp(&a, &b, &b, 0.4f);
    expect_quat_near(expected, b, 0);
}

TEST(Quaternion, AxisAngleUsesHalfDegrees)
{
    Quaternion q;
    quat_from_axis_angle(&q, 0, 0, 1, 720);  // a full turn
    expect_quat_near({0, 0, 0, -1}, q, 1e-6f);
    quat_from_axis_angle(&q, 0, 0, 1, 360);  // a half turn
    expect_quat_near({0, 0, 1, 0}, q, 1e-6f);
    quat_from_axis_angle(&q, 0, 0, 2, 180);  // the axis is not normalised
    expect_quat_near({0, 0, 2 * std::sqrt(0.5f), std::sqrt(0.5f)}, q, 1e-6f);

    struct Case {
        float ax, ay, az, angle;
    } cases[] = {{0, 0, 1, 180}, {0.6f, 0.8f, 0, 90}, {1, 0, 0, 700}, {0, -1, 0, 20}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        quat_from_axis_angle(&q, c.ax, c.ay, c.az, c.angle);
        float ax, ay, az, angle;
        quat_to_axis_angle(&q, &ax, &ay, &az, &angle);
        EXPECT_NEAR(c.ax, ax, 1e-4f);
        EXPECT_NEAR(c.ay, ay, 1e-4f);
        EXPECT_NEAR(c.az, az, 1e-4f);
        EXPECT_NEAR(c.angle, angle, 1e-3f);
    }
}

TEST(Quaternion, AxisAngleOfNoRotationIsFinite)
{
    struct Case {
        Quaternion q;
        float angle;
    } cases[] = {{{0, 0, 0, 1}, 0}, {{0, 0, 0, -1}, 720}, {{0, 0, 0, 1.0000001f}, 0}, {{0, 0, 0, 2}, 0}};
    for (const Case &c : cases) {
        float ax, ay, az, angle;
        quat_to_axis_angle(&c.q, &ax, &ay, &az, &angle);
        EXPECT_EQ(1.0f, ax);
        EXPECT_EQ(0.0f, ay);
        EXPECT_EQ(0.0f, az);
        EXPECT_NEAR(c.angle, angle, 1e-3f);
    }
}

TEST(Quaternion, FromEulerIsZThenYThenXProduct)
{
    Quaternion q;
    quat_from_euler(&q, 0.7f, 0, 0);
    expect_quat_near({0, 0, float(sin(0.35)), float(cos(0.35))}, q, 1e-6f);
    quat_from_euler(&q, 0, 0, -0.4f);
    expect_quat_near({float(sin(-0.2)), 0, 0, float(cos(0.2))}, q, 1e-6f);

    // Rz(a) Ry(b) Rx(c): x acts on a point first.
    float a = 0.5f, b = -0.8f, c = 1.1f;
    quat_from_euler(&q, a, b, c);
    const float degrees = 360.0f / 6.2831854f;
    Matrix4 expected;
    mat4_identity(&expected);
    mat4_rotate_euler(&expected, 0, 0, a * degrees);
    mat4_rotate_euler(&expected, 0, b * degrees, 0);
    mat4_rotate_euler(&expected, c * degrees, 0, 0);
    expect_matrix_near(expected, to_matrix(q), 1e-5f);
}

TEST(Quaternion, FixedPointMatrixTruncatesTowardZero)
{
    Matrix4 m, f;
    quat_to_mat4_fx(&m, 0, 0, 0, 1);
    expect_matrix_near(g_mat4_identity, m, 0);

    // Halves are exact in 4.12: the same matrix as in floats.
    quat_to_mat4_fx(&m, 0.5f, -0.5f, 0.5f, 0.5f);
    quat_to_mat4(&f, 0.5f, -0.5f, 0.5f, 0.5f);
    expect_matrix_near(f, m, 0);

    // x = -1228/4096, y = 1228/4096, w = 3686/4096 after truncation;
    // xy = -1507984/4096 truncates to -368 (not -369).
    quat_to_mat4_fx(&m, -0.3f, 0.3f, 0, 0.9f);
    EXPECT_EQ(-736.0f / 4096.0f, m.m[1]);
    EXPECT_EQ((368 + 368 + 3317) / 4096.0f, m.m[15]);
    quat_to_mat4(&f, -0.3f, 0.3f, 0, 0.9f);
    expect_matrix_near(f, m, 2e-3f);

    // Very large components stay defined (no overflow).
    quat_to_mat4_fx(&m, 1e9f, 0, 0, 0);
    EXPECT_TRUE(std::isfinite(m.m[0]));
}

TEST(Quaternion, FixedPointSlerp)
{
    Quaternion q1 = {0, 0, 0, 1}, q2 = {0, 0, 1, 0}, out;
    quat_slerp_fx(&q1, &q2, &out, 0.25f);
    expect_quat_near({0, 0, 0.25f, 0.75f}, out, 0);

    // Equal in fixed point: q1's floats unchanged.
    Quaternion a = {0.10001f, 0.2f, 0.3f, 0.9f}, b = {0.10002f, 0.2f, 0.3f, 0.9f};
    quat_slerp_fx(&a, &b, &out, 0.9f);
    EXPECT_EQ(0, memcmp(&a, &out, sizeof out));

    // Negative dot: the local copy of q1 is negated; the inputs stay as they were.
    Quaternion n1 = {0, 0, 0.6f, 0.8f}, n2 = {0, 0, 0, -1};
    Quaternion n1_before = n1, n2_before = n2;
    quat_slerp_fx(&n1, &n2, &out, 0.5f);
    EXPECT_EQ(0, memcmp(&n1, &n1_before, sizeof n1));
    EXPECT_EQ(0, memcmp(&n2, &n2_before, sizeof n2));
    EXPECT_NEAR(-0.3f, out.z, 1e-3f);
    EXPECT_NEAR(-0.9f, out.w, 1e-3f);

    // Output in place of an input.
    Quaternion c = {0, 0, 0, 1};
    quat_slerp_fx(&c, &q2, &c, 0.5f);
    expect_quat_near({0, 0, 0.5f, 0.5f}, c, 0);
}
