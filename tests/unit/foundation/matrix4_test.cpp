#include "foundation/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

Matrix4 make(std::initializer_list<float> values)
{
    Matrix4 m{};
    int i = 0;
    for (float v : values) m.m[i++] = v;
    return m;
}

// Reference product B x A by the textbook triple loop.
Matrix4 reference_product(const Matrix4 &b, const Matrix4 &a)
{
    Matrix4 out{};
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            double sum = 0;
            for (int k = 0; k < 4; k++) sum += double(b.m[i * 4 + k]) * a.m[k * 4 + j];
            out.m[i * 4 + j] = float(sum);
        }
    return out;
}

void expect_matrix_near(const Matrix4 &expected, const Matrix4 &actual, float tolerance)
{
    for (int i = 0; i < 16; i++) EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element " << i;
}

void expect_point_near(float x, float y, float z, const float *p, float tolerance)
{
    EXPECT_NEAR(x, p[0], tolerance);
    EXPECT_NEAR(y, p[1], tolerance);
    EXPECT_NEAR(z, p[2], tolerance);
}

Matrix4 rotation(float ax, float ay, float az)
{
    Matrix4 m;
    mat4_identity(&m);
    mat4_rotate_euler(&m, ax, ay, az);
    return m;
}

// Largest deviation of inverse x m from the identity.
float inverse_error(const Matrix4 &m, const Matrix4 &inverse)
{
    Matrix4 product = reference_product(inverse, m);
    float worst = 0;
    for (int i = 0; i < 16; i++) worst = std::fmax(worst, std::fabs(product.m[i] - (i % 5 == 0 ? 1.0f : 0.0f)));
    return worst;
}

const Matrix4 kGeneralA = make({1, 2, 0, 4, 0, 1, 3, -1, 2, 0, 1, 5, 0, 0, 0, 1});
const Matrix4 kGeneralB = make({0, -1, 2, 3, 4, 0, 1, 0, 1, 1, 0, -2, 0, 0, 0, 1});

}  // namespace

TEST(Matrix4, MultiplyTakesFirstArgumentAsRightFactor)
{
    Matrix4 t, s, out;
    mat4_identity(&t);
    mat4_translate(&t, 1, 0, 0);
    mat4_identity(&s);
    mat4_scale(&s, 2, 2, 2);
    mat4_multiply(&t, &s, &out);  // S x T: translate first, then scale
    float origin[3] = {0, 0, 0}, p[3];
    mat4_transform_point(&out, origin, p);
    expect_point_near(2, 0, 0, p, 0);

    mat4_multiply(&kGeneralA, &kGeneralB, &out);
    expect_matrix_near(reference_product(kGeneralB, kGeneralA), out, 0);
}

TEST(Matrix4, MultiplyIntoEitherOperand)
{
    Matrix4 expected = reference_product(kGeneralB, kGeneralA);
    Matrix4 a = kGeneralA, b = kGeneralB;
    mat4_multiply(&a, &b, &a);
    expect_matrix_near(expected, a, 0);
    a = kGeneralA;
    mat4_multiply(&a, &b, &b);
    expect_matrix_near(expected, b, 0);
}

TEST(Matrix4, TranslateScaleRotatePostMultiply)
{
    Matrix4 m;
    mat4_identity(&m);
    mat4_translate(&m, 1, 2, 3);
    mat4_scale(&m, 2, 2, 2);
    EXPECT_EQ(1, m.m[3]);
    EXPECT_EQ(2, m.m[7]);
    EXPECT_EQ(3, m.m[11]);
    EXPECT_EQ(2, m.m[0]);
    EXPECT_EQ(2, m.m[5]);
    EXPECT_EQ(2, m.m[10]);
    float one[3] = {1, 1, 1}, p[3];
    mat4_transform_point(&m, one, p);  // scaled first, then moved
    expect_point_near(3, 4, 5, p, 0);

    // m x Rz(90): the rotation acts before the translation.
    mat4_identity(&m);
    mat4_translate(&m, 10, 0, 0);
    mat4_rotate_euler(&m, 0, 0, 90);
    float x[3] = {1, 0, 0};
    mat4_transform_point(&m, x, p);
    expect_point_near(10, 1, 0, p, 1e-6f);
}

TEST(Matrix4, RotationsAreRightHandedAndApplyZThenYThenX)
{
    struct Case {
        float ax, ay, az;
        float in[3];
        float out[3];
    } cases[] = {
        {0, 0, 90, {1, 0, 0}, {0, 1, 0}},
        {90, 0, 0, {0, 1, 0}, {0, 0, 1}},
        {0, 90, 0, {0, 0, 1}, {1, 0, 0}},
        {0, 0, -90, {1, 0, 0}, {0, -1, 0}},
        {90, 0, 90, {1, 0, 0}, {0, 0, 1}},   // z first: x -> y, then x: y -> z
        {0, 90, 90, {1, 0, 0}, {0, 1, 0}},   // y leaves the y axis alone
        {90, 90, 0, {0, 0, 1}, {1, 0, 0}},   // y: z -> x, then x leaves x alone
        {180, 0, 0, {0, 1, 0}, {0, -1, 0}},
    };
    for (const Case &c : cases) {
        Matrix4 m = rotation(c.ax, c.ay, c.az);
        float p[3];
        mat4_transform_point(&m, c.in, p);
        SCOPED_TRACE(testing::Message() << c.ax << " " << c.ay << " " << c.az);
        expect_point_near(c.out[0], c.out[1], c.out[2], p, 1e-6f);
    }
}

TEST(Matrix4, ZeroAnglesLeaveMatrixUntouched)
{
    Matrix4 m = kGeneralA;
    mat4_rotate_euler(&m, 0, 0, 0);
    EXPECT_EQ(0, memcmp(&m, &kGeneralA, sizeof m));
    mat4_rotate_euler(&m, -0.0f, 0, 0);
    EXPECT_EQ(0, memcmp(&m, &kGeneralA, sizeof m));
}

TEST(Matrix4, DegreesUseTheSystemTurnConstant)
{
    // 90 / 360 * 6.2831854 overshoots a right angle slightly, so cos is a small
    // negative number rather than the ~6e-17 of full-precision pi.
    Matrix4 m = rotation(0, 0, 90);
    float expected_cos = float(cos(90.0 / 360.0 * 6.2831854));
    EXPECT_EQ(expected_cos, m.m[0]);
    EXPECT_LT(m.m[0], -1e-8f);
    EXPECT_EQ(float(sin(90.0 / 360.0 * 6.2831854)), m.m[4]);
    EXPECT_EQ(-m.m[4], m.m[1]);
}

TEST(Matrix4, TransformPointDividesBySumOfBottomRow)
{
    Matrix4 m;
    mat4_identity(&m);
    mat4_translate(&m, 2, 4, 6);
    m.m[15] = 2;
    float p[3] = {2, 4, 6}, out[3];
    mat4_transform_point(&m, p, out);
    expect_point_near(2, 4, 6, out, 0);

    // The bottom row is summed, not applied to the point.
    m = g_mat4_identity;
    m.m[12] = 1;
    m.m[15] = 1;
    mat4_transform_point(&m, p, out);
    expect_point_near(1, 2, 3, out, 0);

    // A zero divisor gives the undivided result instead of infinities.
    m = g_mat4_identity;
    m.m[15] = 0;
    mat4_transform_point(&m, p, out);
    expect_point_near(2, 4, 6, out, 0);

    // In place, and with an extra divisor term.
    m = g_mat4_identity;
    float q[3] = {3, 6, 9};
    EXPECT_EQ(q, mat4_transform_point_w(&m, q, 2, q));
    expect_point_near(1, 2, 3, q, 0);
}

TEST(Matrix4, InvertGivesInverseOrIdentity)
{
    Matrix4 trs;
    mat4_identity(&trs);
    mat4_translate(&trs, 5, -3, 2);
    mat4_rotate_euler(&trs, 30, -40, 75);
    mat4_scale(&trs, 2, 0.5f, 3);
    struct Case {
        const char *name;
        Matrix4 m;
        float tolerance;
    } cases[] = {
        {"identity", g_mat4_identity, 0},
        {"translate rotate scale", trs, 1e-5f},
        {"general", kGeneralA, 1e-5f},
        {"column 0 reads 1 5 2 0", make({1, 0, 2, 0, 5, 1, 0, 1, 2, 3, 1, 0, 0, 0, 0, 1}), 1e-5f},
        // A small entry below the diagonal must not be taken as the pivot over a
        // larger one: the inverse stays exact to float precision.
        {"small value below larger", make({0, 0.001f, 0, 0, -1, 1, 0, 0, 0.001f, 2, 1, 0, 0, 0, 0, 1}), 1e-5f},
        {"needs row swaps", make({0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1}), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Matrix4 inverse;
        mat4_invert(&c.m, &inverse);
        EXPECT_LE(inverse_error(c.m, inverse), c.tolerance);
        EXPECT_LE(inverse_error(inverse, c.m), c.tolerance * 10);
    }
    Matrix4 inverse;
    mat4_invert(&g_mat4_identity, &inverse);
    EXPECT_EQ(0, memcmp(&inverse, &g_mat4_identity, sizeof inverse));
}

TEST(Matrix4, InvertSingularGivesIdentity)
{
    Matrix4 zero_column = kGeneralA;
    for (int r = 0; r < 4; r++) zero_column.m[r * 4 + 1] = 0;
    Matrix4 equal_rows = make({1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 0, 1});
    Matrix4 not_a_number = g_mat4_identity;
    not_a_number.m[0] = NAN;
    for (const Matrix4 &m : {zero_column, Matrix4{}, equal_rows, not_a_number}) {
        Matrix4 inverse = kGeneralB;
        mat4_invert(&m, &inverse);
        EXPECT_EQ(0, memcmp(&inverse, &g_mat4_identity, sizeof inverse));
    }
}

TEST(Matrix4, InvertInPlace)
{
    Matrix4 m = kGeneralA, expected;
    mat4_invert(&kGeneralA, &expected);
    mat4_invert(&m, &m);
    expect_matrix_near(expected, m, 0);
}

TEST(Matrix4, TransposesAndOpenGlOrder)
{
    Matrix4 m, t;
    mat4_identity(&m);
    mat4_translate(&m, 1, 2, 3);
    const float *gl = mat4_to_gl(&m);
    EXPECT_EQ(1, gl[12]);
    EXPECT_EQ(2, gl[13]);
    EXPECT_EQ(3, gl[14]);
    EXPECT_EQ(0, gl[3]);

    gl = mat4_to_gl(&kGeneralA);
    mat4_transpose(&kGeneralA, &t);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) {
            EXPECT_EQ(kGeneralA.m[r * 4 + c], t.m[c * 4 + r]);
            EXPECT_EQ(kGeneralA.m[r * 4 + c], gl[c * 4 + r]);
        }
    m = kGeneralA;
    mat4_transpose(&m, &m);
    expect_matrix_near(t, m, 0);
    m = kGeneralA;
    mat4_transpose_in_place(&m);
    expect_matrix_near(t, m, 0);
}

TEST(Matrix4, CopiesAreExact)
{
    Matrix4 a, b;
    mat4_copy(&kGeneralA, &a);
    mat4_copy_words(&kGeneralB, &b);
    EXPECT_EQ(0, memcmp(&a, &kGeneralA, sizeof a));
    EXPECT_EQ(0, memcmp(&b, &kGeneralB, sizeof b));
    const float *copy = mat4_static_copy(&kGeneralA);
    EXPECT_EQ(0, memcmp(copy, kGeneralA.m, sizeof kGeneralA.m));
}

TEST(Matrix4, RotationText)
{
    Matrix4 rx30 = rotation(30, 0, 0), rz10 = rotation(0, 0, 10), ry5 = rotation(0, 5, 0);
    Matrix4 word_order;
    mat4_multiply(&rz10, &rx30, &word_order);
    mat4_multiply(&ry5, &word_order, &word_order);  // Rx(30) x Rz(10) x Ry(5)
    struct Case {
        const char *w0, *w1, *w2;
        int result;
        Matrix4 expected;
    } cases[] = {
        {"x90", "0", "", 1, rotation(90, 0, 0)},
        {"30", "45", "60", 1, rotation(30, 45, 60)},
        {"x30", "z10", "y5", 1, word_order},
        {"", "", "5", 1, rotation(0, 0, 5)},
        {"z5", "", "", 1, rotation(0, 0, 5)},
        {"y-30", "", "", 1, rotation(0, -30, 0)},
        {"-12.5", "", "", 1, rotation(-12.5f, 0, 0)},
        {"0.5", "", "", 1, rotation(0.5f, 0, 0)},
        {"x", "y", "z", 1, g_mat4_identity},
        {"1-2", "", "", 1, rotation(1, 0, 0)},  // atof reads the longest number
        {nullptr, nullptr, nullptr, 1, g_mat4_identity},
        {"x1e2", "", "", 0, g_mat4_identity},
        {"x10", "y 5", "z0", 0, rotation(10, 0, 0)},
        {"x10", "20", "Z5", 0, rotation(10, 20, 0)},
        {".5", "", "", 0, g_mat4_identity},
        {"+5", "", "", 0, g_mat4_identity},
        {"-x5", "", "", 0, g_mat4_identity},
        {"5x", "", "", 0, g_mat4_identity},
        {"x5", "x", "xx", 0, rotation(5, 0, 0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.w0 ? c.w0 : "null") << " " << (c.w1 ? c.w1 : "null") << " "
                                        << (c.w2 ? c.w2 : "null"));
        Matrix4 m = kGeneralA;
        EXPECT_EQ(c.result, mat4_from_rotation_text(&m, c.w0, c.w1, c.w2));
        expect_matrix_near(c.expected, m, 1e-6f);
    }
}

TEST(Matrix4, PrintWritesColumnsPerLine)
{
    Matrix4 m;
    mat4_identity(&m);
    mat4_translate(&m, 1, 2.5f, -3);
    testing::internal::CaptureStdout();
    mat4_print(&m);
    std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ("1.000, 0.000, 0.000, 0.000,\n"
              "0.000, 1.000, 0.000, 0.000,\n"
              "0.000, 0.000, 1.000, 0.000,\n"
              "1.000, 2.500, -3.000, 1.000\n",
              text);
}
