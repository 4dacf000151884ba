#include "foundation/str.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

// Field n of text split at blanks, or "<null>".
static std::string field(const char *text, int n)
{
    char *f = str_field(text, ' ', n);
    std::string out = f ? f : "<null>";
    free(f);
    return out;
}

TEST(StrField, RunsOfSeparatorsAndEdges)
{
    struct Case {
        const char *text;
        int n;
        const char *expect;
    } cases[] = {
        {"a  b c", 0, "a"},     {"a  b c", 1, "b"},     {"a  b c", 2, "c"},
        {"a  b c", 3, "<null>"}, {"  a", 0, "<null>"},   {"  a", 1, "a"},
        {"", 0, "<null>"},       {"   ", 0, "<null>"},    {"a ", 1, "<null>"},
        {"a", 0, "a"},           {"a\tb", 0, "a\tb"},     {"a", -1, "<null>"},
    };
    for (const Case &c : cases) EXPECT_EQ(field(c.text, c.n), c.expect) << c.text << " field " << c.n;
    EXPECT_EQ(str_field(nullptr, ' ', 0), nullptr);
}

TEST(StrIntToText, ExtremesAndZero)
{
    struct Case {
        int value;
        const char *expect;
    } cases[] = {{0, "0"}, {-5, "-5"}, {7, "7"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    char buffer[12];
    for (const Case &c : cases) {
        EXPECT_EQ(util_int_to_text(c.value, buffer), 1);
        EXPECT_STREQ(buffer, c.expect);
    }
}

TEST(StrInPlace, CaseAndReplace)
{
    char text[] = "Ab-Z\xc3z";
    EXPECT_STREQ(str_upper(text), "AB-Z\xc3Z");
    EXPECT_STREQ(str_lower(text), "ab-z\xc3z");
    EXPECT_STREQ(str_replace_char(text, '-', '_'), "ab_z\xc3z");
    EXPECT_EQ(str_lower(nullptr), nullptr);
    EXPECT_EQ(str_upper(nullptr), nullptr);
    EXPECT_EQ(str_replace_char(nullptr, 'a', 'b'), nullptr);
}

TEST(StrCopy, DupAndBounded)
{
    char *copy = str_dup("hello");
    EXPECT_STREQ(copy, "hello");
    free(copy);
    EXPECT_EQ(str_dup(nullptr), nullptr);

    char dest[6] = "xxxxx";
    str_copy(nullptr, dest);
    EXPECT_STREQ(dest, "");
    EXPECT_EQ(str_copy_bounded("abcdefgh", dest, sizeof dest), 0);
    EXPECT_STREQ(dest, "abcde");
    EXPECT_EQ(str_copy_bounded("abc", dest, sizeof dest), 1);
    EXPECT_STREQ(dest, "abc");
}
