#include "command/arguments.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

TEST(ArgParse, Integers)
{
    struct Case {
        const char *text;
        int ok;
        int value;
    } cases[] = {{"-", 1, 0}, {"12", 1, 12}, {"-3", 1, -3}, {"1-2", 1, 1}, {"--4", 1, 0},
                 {"1.5", 0, 0}, {"+3", 0, 0}, {"abc", 0, 0}};
    for (const Case &c : cases) {
        int value = 99;
        EXPECT_EQ(arg_parse(&value, c.text, ARG_INT), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 99) << c.text;
    }
}

TEST(ArgParse, Floats)
{
    struct Case {
        const char *text;
        int ok;
        float value;
    } cases[] = {{"1", 1, 1.0f}, {"1.5", 1, 1.5f}, {"-.5", 1, -0.5f}, {".", 1, 0.0f},
                 {"1.2.3", 0, 0}, {"1e5", 0, 0}, {"x", 0, 0}};
    for (const Case &c : cases) {
        float value = 99.0f;
        EXPECT_EQ(arg_parse(&value, c.text, ARG_FLOAT), c.ok) << c.text;
        EXPECT_FLOAT_EQ(value, c.ok ? c.value : 99.0f) << c.text;
    }
}

TEST(ArgParse, Booleans)
{
    struct Case {
        const char *text;
        int ok;
        int value;
    } cases[] = {{"on", 1, 1},  {"true", 1, 1}, {"off", 1, 0}, {"false", 1, 0}, {"0", 1, 0},
                 {"1", 1, 1},   {"7", 1, 7},    {"On", 0, 0},  {"yes", 0, 0},  {"1.0", 0, 0}};
    for (const Case &c : cases) {
        int value = 99;
        EXPECT_EQ(arg_parse(&value, c.text, ARG_BOOL), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 99) << c.text;
    }
}

// A number word is of its kind only when its value fits the field it goes to:
// integers (booleans too) within the int range, decimals within the float range.
// The refused words store nothing; the ends of the ranges and numbers too small
// for a float are kept.
TEST(ArgParse, NumbersOutsideTheirRange)
{
    const std::string forty = "1" + std::string(39, '0');
    struct IntCase {
        const char *text;
        int ok;
        int value;
    } ints[] = {{"2147483647", 1, 2147483647},   {"-2147483648", 1, -2147483647 - 1},
                {"2147483648", 0, 0},            {"-2147483649", 0, 0},
                {"4294967297", 0, 0},            {"-4294967297", 0, 0},
                {forty.c_str(), 0, 0},           {"00000000000000000000007", 1, 7},
                {"7-99999999999999999999", 1, 7}};
    for (int kind : {ARG_INT, ARG_BOOL}) {
        for (const IntCase &c : ints) {
            int value = 99;
            EXPECT_EQ(arg_parse(&value, c.text, kind), c.ok) << c.text << " kind " << kind;
            EXPECT_EQ(value, c.ok ? c.value : 99) << c.text << " kind " << kind;
        }
    }
    const std::string tiny = "0." + std::string(60, '0') + "1";
    struct FloatCase {
        std::string text;
        int ok;
        float value;
    } floats[] = {{"340282346638528859811704183484516925440", 1, FLT_MAX},
                  {"-340282346638528859811704183484516925440.0", 1, -FLT_MAX},
                  {"340282356779733661637539395458142568448", 0, 0},
                  {forty, 0, 0},
                  {"-" + forty + ".5", 0, 0},
                  {"1" + std::string(400, '0'), 0, 0},
                  {tiny, 1, 0.0f}};
    for (const FloatCase &c : floats) {
        float value = 99.0f;
        EXPECT_EQ(arg_parse(&value, c.text.c_str(), ARG_FLOAT), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 99.0f) << c.text;
    }
    // A run stops at the first word out of range and keeps the values before it.
    char one[] = "1", huge[] = "99999999999";
    char *words[] = {one, huge, one};
    int n[3] = {0, 5, 5};
    EXPECT_EQ(arg_parse_ints(words, n, 3), 0);
    EXPECT_EQ(n[0], 1);
    EXPECT_EQ(n[1], 5);
    std::string big = forty;
    char *float_words[] = {one, &big[0]};
    float f[2] = {0.0f, 5.0f};
    EXPECT_EQ(arg_parse_floats(float_words, f, 2), 0);
    EXPECT_FLOAT_EQ(f[1], 5.0f);
}

TEST(ArgParse, StringsAndMissingWords)
{
    const char *word = "+anything";
    const char *out = nullptr;
    EXPECT_EQ(arg_parse(&out, word, ARG_STRING), 1);
    EXPECT_EQ(out, word);
    int value = 5;
    EXPECT_EQ(arg_parse(&value, nullptr, ARG_INT), 0);
    EXPECT_EQ(arg_parse(nullptr, "1", ARG_INT), 0);
    EXPECT_EQ(arg_parse(&value, "1", 9), 0);
    EXPECT_EQ(value, 5);
}

// The list ends at a null word: a run stops there and at a mistyped word,
// and never reads past either.
TEST(ArgParse, RunsOfWords)
{
    char one[] = "1", two_five[] = "2.5", bad[] = "x";
    char *floats[] = {one, two_five, nullptr, bad};
    float f[3] = {0.0f, 0.0f, 9.0f};
    EXPECT_EQ(arg_parse_floats(floats, f, 2), 1);
    EXPECT_FLOAT_EQ(f[0], 1.0f);
    EXPECT_FLOAT_EQ(f[1], 2.5f);
    EXPECT_EQ(arg_parse_floats(floats, f, 3), 0);
    EXPECT_FLOAT_EQ(f[2], 9.0f);
    char *ints[] = {one, two_five, bad};
    int n[2] = {0, 7};
    EXPECT_EQ(arg_parse_ints(ints, n, 1), 1);
    EXPECT_EQ(n[0], 1);
    EXPECT_EQ(arg_parse_ints(ints, n, 2), 0);
    EXPECT_EQ(n[1], 7);
    EXPECT_EQ(arg_parse_ints(ints + 2, n, 0), 1);
}

TEST(Results, Formats)
{
    EXPECT_STREQ(result_bool(3), "on");
    EXPECT_STREQ(result_bool(0), "off");
    EXPECT_STREQ(result_int(-42), "-42");
    int ints[] = {1, 2, 3};
    EXPECT_STREQ(result_ints(ints, 3), "1 2 3");
    float floats[] = {1.0f, 2.0f};
    EXPECT_STREQ(result_floats(floats, 2), "1.000000 2.000000 ");
    float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::string m = result_matrix16(identity);
    EXPECT_EQ(m.rfind("1.000000 0.000000 0.000000 0.000000 0.000000 1.000000", 0), 0u);
    EXPECT_EQ(m.substr(m.size() - 9), " 1.000000");
    EXPECT_EQ(result_ints(ints, -1), nullptr);
    EXPECT_EQ(result_floats(floats, -1), nullptr);
}

TEST(Results, LongAnswersAreWhole)
{
    std::vector<float> many(5000, 1.5f);
    std::string text = result_floats(many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(text.size(), 5000u * 9u);
    std::vector<int> ints(5000, 12345);
    text = result_ints(ints.data(), static_cast<int>(ints.size()));
    EXPECT_EQ(text.size(), 5000u * 6u - 1u);
}
