// The value checks shared by the building operations, the model file reader and
// the commands.
#include "model/value_check.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace {

const float kInf = INFINITY;
const float kNan = NAN;

} // namespace

TEST(ValueCheck, TokensThatReadBackAsThemselves)
{
    struct Case { const char *text; int ok; };
    const Case cases[] = {
        {"body", 1}, {"a\"b", 1}, {"x\"", 1}, {"#h", 1}, {"-5", 1}, {"two words", 1}, {"a\tb", 1},
        {"   ", 1}, {"\"q", 0}, {"\"", 0}, {"", 0}, {nullptr, 0}, {"a \"b", 0}, {"a\"\tb", 0},
        {"a\nb", 0}, {"a\rb", 0}, {"x\n", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.ok, value_token_ok(c.text)) << (c.text ? c.text : "(null)");
}

TEST(ValueCheck, TextsOfOneLine)
{
    struct Case { const char *text; int ok; };
    const Case cases[] = {
        {"abc", 1}, {"", 1}, {"a b\t\"c", 1}, {nullptr, 0}, {"a\nb", 0}, {"a\rb", 0}, {"\n", 0}, {"x\r\n", 0},
    };
    for (const Case &c : cases) EXPECT_EQ(c.ok, value_line_ok(c.text)) << (c.text ? c.text : "(null)");
}

TEST(ValueCheck, UnitRangeAxesAndClamp)
{
    EXPECT_TRUE(value_unit_ok(0.0f) && value_unit_ok(-0.0f) && value_unit_ok(1.0f) && value_unit_ok(0.5f));
    EXPECT_FALSE(value_unit_ok(nextafterf(1.0f, 2.0f)) || value_unit_ok(-FLT_MIN) || value_unit_ok(kNan) ||
                 value_unit_ok(kInf));
    EXPECT_FALSE(value_axis_ok(0) || value_axis_ok(7) || value_axis_ok(-1));
    EXPECT_TRUE(value_axis_ok(1) && value_axis_ok(6));
    EXPECT_TRUE(value_finite_ok(FLT_MAX) && !value_finite_ok(kInf) && !value_finite_ok(-kInf) && !value_finite_ok(kNan));
    EXPECT_EQ(2147483648.0f, value_whole_clamp(1e20));
    EXPECT_EQ(-2147483648.0f, value_whole_clamp(-kInf));
    EXPECT_EQ(0.0f, value_whole_clamp(kNan));
    EXPECT_EQ(-5.5f, value_whole_clamp(-5.5));
    // The ends themselves are kept: they read back as the same floats.
    EXPECT_EQ(2147483648.0f, value_whole_clamp(2147483648.0));
    EXPECT_EQ(-2147483648.0f, value_whole_clamp(-2147483648.0));
}

TEST(ValueCheck, RotationWordsAndChildren)
{
    struct Case { const char *w[3]; int ok; };
    const Case cases[] = {
        {{"0", "0", "0"}, 1}, {{"x90", "y-45.5", "90"}, 1}, {{"x123456", "z1.2.3", "-"}, 1},
        {{"x1234567", "0", "0"}, 0}, {{"", "0", "0"}, 0}, {{"0", "q", "0"}, 0}, {{"0", "0", ".5"}, 0},
        {{"x 90", "0", "0"}, 0}, {{"0", nullptr, "0"}, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.ok, value_rotation_ok(c.w[0], c.w[1], c.w[2]))
            << (c.w[0] ? c.w[0] : "(null)") << " " << (c.w[1] ? c.w[1] : "(null)") << " " << c.w[2];

    const char *const turn[3] = {"x90", "0", "0"};
    const char *const bad_turn[3] = {"0", "0", "q"};
    const float one[3] = {1.0f, 1.0f, 1.0f};
    const float huge[3] = {FLT_MAX, -FLT_MAX, 0.0f};
    const float endless[3] = {1.0f, kInf, 1.0f};
    const float undefined[3] = {kNan, 1.0f, 1.0f};
    EXPECT_TRUE(value_child_ok("wheel", one, turn));
    EXPECT_TRUE(value_child_ok("wheel", huge, turn));
    EXPECT_TRUE(value_child_ok(std::string(127, 'n').c_str(), one, turn));
    EXPECT_FALSE(value_child_ok(std::string(128, 'n').c_str(), one, turn));  // cut in the record
    EXPECT_FALSE(value_child_ok("wheel", endless, turn));
    EXPECT_FALSE(value_child_ok("wheel", undefined, turn));
    EXPECT_FALSE(value_child_ok("wheel", one, bad_turn));
    EXPECT_FALSE(value_child_ok("\"wheel", one, turn));
}

TEST(ValueCheck, ImageFileNames)
{
    EXPECT_TRUE(value_image_file_ok(0, "tex.tga") && value_image_file_ok(1, "a\"b.tga") &&
                value_image_file_ok(2, "my tex.tga"));
    // "none" is no file on the image and mirror-image lines, a file on the reflection line.
    EXPECT_FALSE(value_image_file_ok(0, "none") || value_image_file_ok(1, "none"));
    EXPECT_TRUE(value_image_file_ok(2, "none"));
    for (int slot = 0; slot < 3; slot++)
        EXPECT_FALSE(value_image_file_ok(slot, "\"q.tga") || value_image_file_ok(slot, "") ||
                     value_image_file_ok(slot, nullptr))
            << slot;
}

TEST(ValueCheck, NormalsAsTheStoreKeepsThem)
{
    float unit[3];
    ASSERT_TRUE(value_normal_ok(0.0f, 0.0f, 1e30f, unit));
    EXPECT_FLOAT_EQ(1.0f, unit[2]);
    ASSERT_TRUE(value_normal_ok(0.0f, 3.0f, 4.0f, unit));
    EXPECT_FLOAT_EQ(0.6f, unit[1]);
    ASSERT_TRUE(value_normal_ok(0.0f, 0.0f, 0.0f, unit));  // kept as it is: a layer may hold it
    EXPECT_FALSE(value_point_normal_ok(unit));             // but the loader refuses it for a point
    EXPECT_FALSE(value_normal_ok(kInf, 0.0f, 0.0f, unit));
    EXPECT_FALSE(value_normal_ok(0.0f, kNan, 1.0f, unit));
    // So short that its reciprocal length overflows a float.
    EXPECT_FALSE(value_normal_ok(1e-45f, 0.0f, 0.0f, unit));

    const float good[3] = {0.9f, 0.9f, 0.9f};
    const float over[3] = {0.0f, 1.5f, 0.0f};
    const float undefined[3] = {kNan, 0.0f, 1.0f};
    const float negative_zero[3] = {-0.0f, 0.0f, -0.0f};
    EXPECT_TRUE(value_point_normal_ok(good));
    EXPECT_FALSE(value_point_normal_ok(over) || value_point_normal_ok(undefined) ||
                 value_point_normal_ok(negative_zero) || value_point_normal_ok(nullptr));
}
