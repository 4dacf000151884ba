// Short lines of numbers, the common case that the tokenizer reads in one pass
// (and from byte masks where it can): tokens on both sides of what counts as a
// plain integer, each alone and between other numbers, read from memory and
// from files with LF and CR LF line ends.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/text_reader.h"
#include "tests/unit/temp_dir.h"

namespace {

struct TokenCase {
    const char *line_text;  // as written on the line
    const char *text;       // as the reader gives it
    int type;
    int32_t int_value;      // reader_token_int
    float float_value;      // reader_token_float
};

const TokenCase kTokens[] = {
    {"12", "12", TOKEN_INT, 12, 12.0f},
    {"-5", "-5", TOKEN_INT, -5, -5.0f},
    {"0", "0", TOKEN_INT, 0, 0.0f},
    {"-0", "-0", TOKEN_INT, 0, 0.0f},
    {"12a", "12a", TOKEN_WORD, 0, 0.0f},
    {"1.5", "1.5", TOKEN_FLOAT, 0, 1.5f},
    {"-2.25", "-2.25", TOKEN_FLOAT, 0, -2.25f},
    {"-", "-", TOKEN_INT, 0, 0.0f},
    {"--3", "--3", TOKEN_INT, 0, 0.0f},
    {"1-2", "1-2", TOKEN_INT, 1, 1.0f},
    {"5-", "5-", TOKEN_INT, 5, 5.0f},
    {"12345678", "12345678", TOKEN_INT, 12345678, 12345678.0f},
    {"-87654321", "-87654321", TOKEN_INT, -87654321, -87654321.0f},
    {"123456789", "123456789", TOKEN_INT, 123456789, 123456789.0f},
    {"-987654321", "-987654321", TOKEN_INT, -987654321, -987654321.0f},
    {"2147483647", "2147483647", TOKEN_INT, INT32_MAX, 2147483647.0f},
    {"2147483648", "2147483648", TOKEN_INT, INT32_MAX, 2147483647.0f},
    {"-2147483648", "-2147483648", TOKEN_INT, INT32_MIN, -2147483648.0f},
    {"-2147483649", "-2147483649", TOKEN_INT, INT32_MIN, -2147483648.0f},
    {"9999999999", "9999999999", TOKEN_INT, INT32_MAX, 2147483647.0f},
    {"-10000000000", "-10000000000", TOKEN_INT, INT32_MIN, -2147483648.0f},
    {"000000000000000000042", "000000000000000000042", TOKEN_INT, 42, 42.0f},
    {"\"42\"", "42", TOKEN_INT, 42, 42.0f},
    {"\"4 2\"", "4 2", TOKEN_WORD, 0, 0.0f},
    {"+5", "+5", TOKEN_WORD, 0, 0.0f},
    {"1e5", "1e5", TOKEN_WORD, 0, 0.0f},
    {".", ".", TOKEN_FLOAT, 0, 0.0f},
};

// What one delivered line held.
struct Token {
    std::string text;
    int type;
    int32_t int_value;
    float float_value;
};
struct Line {
    int number;
    std::string text;
    std::vector<Token> tokens;
};

void collect(void *user)
{
    std::vector<Line> *lines = static_cast<std::vector<Line> *>(user);
    Line line{reader_line_number(), reader_line_text(), {}};
    for (int i = 0; i < reader_token_count(); i++) {
        int type = reader_token_is_int(i) ? TOKEN_INT : reader_token_is_float(i) ? TOKEN_FLOAT
                 : reader_token_is_word(i) ? TOKEN_WORD : TOKEN_NONE;
        line.tokens.push_back({reader_token_text(i), type, reader_token_int(i), reader_token_float(i)});
    }
    lines->push_back(line);
}

Token token_of(const TokenCase &c)
{
    return {c.text, c.type, c.int_value, c.float_value};
}

Token number(const char *text, int32_t value)
{
    return {text, TOKEN_INT, value, static_cast<float>(value)};
}

// The lines of the test text with the tokens each must give: every case alone,
// then between two numbers with TABs and blanks around it, then lines of plain
// numbers of 30 to 33 characters.
void make_lines(std::vector<std::string> *texts, std::vector<std::vector<Token>> *tokens)
{
    for (const TokenCase &c : kTokens) {
        texts->push_back(c.line_text);
        tokens->push_back({token_of(c)});
        texts->push_back(std::string("7\t") + c.line_text + "  -8");
        tokens->push_back({number("7", 7), token_of(c), number("-8", -8)});
        texts->push_back(std::string(" ") + c.line_text + "\t");
        tokens->push_back({token_of(c)});
    }
    for (int digits = 5; digits <= 8; digits++) {
        std::string last(static_cast<size_t>(digits), '9');
        texts->push_back("-1234567 1234567 1234567 " + last);
        tokens->push_back({number("-1234567", -1234567), number("1234567", 1234567), number("1234567", 1234567),
                           number(last.c_str(), std::stoi(last))});
    }
}

void expect_lines(const std::vector<Line> &got, const std::vector<std::string> &texts,
                  const std::vector<std::vector<Token>> &tokens, const char *how)
{
    ASSERT_EQ(got.size(), texts.size()) << how;
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(got[i].number, static_cast<int>(i) + 1) << how;
        EXPECT_EQ(got[i].text, texts[i]) << how;
        ASSERT_EQ(got[i].tokens.size(), tokens[i].size()) << how << ": " << texts[i];
        for (size_t k = 0; k < tokens[i].size(); k++) {
            const Token &want = tokens[i][k];
            const Token &have = got[i].tokens[k];
            EXPECT_EQ(have.text, want.text) << how << ": " << texts[i];
            EXPECT_EQ(have.type, want.type) << how << ": " << texts[i];
            EXPECT_EQ(have.int_value, want.int_value) << how << ": " << texts[i];
            EXPECT_FLOAT_EQ(have.float_value, want.float_value) << how << ": " << texts[i];
        }
    }
}

}  // namespace

TEST(TextReaderNumbers, TokensAroundPlainIntegersFromMemoryAndFiles)
{
    std::vector<std::string> texts;
    std::vector<std::vector<Token>> tokens;
    make_lines(&texts, &tokens);
    TempDir temp;
    for (const char *end : {"\n", "\r\n"}) {
        std::string text;
        for (const std::string &t : texts) text += t + end;
        const std::string how = end[0] == '\r' ? "CR LF" : "LF";

        std::vector<Line> from_memory;
        EXPECT_EQ(reader_run_string(text.c_str(), "#", 1, collect, &from_memory), 1);
        expect_lines(from_memory, texts, tokens, ("memory, " + how).c_str());

        std::vector<Line> from_file;
        std::string path = temp.write("numbers.txt", text);
        EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &from_file), 1);
        expect_lines(from_file, texts, tokens, ("file, " + how).c_str());

        // The last line without its line end.
        text.resize(text.size() - (end[0] == '\r' ? 2 : 1));
        std::vector<Line> unended;
        path = temp.write("unended.txt", text);
        EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &unended), 1);
        expect_lines(unended, texts, tokens, ("file without a final line end, " + how).c_str());
    }
}

// A comment character may be one that starts a number: such lines are comments.
TEST(TextReaderNumbers, CommentCharacterThatStartsANumber)
{
    std::vector<Line> lines;
    EXPECT_EQ(reader_run_string("1 2 3\n-4 5\n6 7\n", "1-", 2, collect, &lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].text, "6 7");
}
