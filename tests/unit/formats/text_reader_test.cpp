#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "formats/text_reader.h"
#include "foundation/file_table.h"
#include "foundation/last_error.h"
#include "tests/unit/temp_dir.h"

namespace {

// Filler text of n characters made of short tokens.
std::string filler(size_t n, char c)
{
    std::string out;
    while (out.size() < n) out += out.size() % 8 == 7 ? ' ' : c;
    return out;
}

// One delivered line as the callback saw it.
struct SeenLine {
    int number;
    std::string text;
    std::vector<std::string> tokens;
};

// Collects every delivered line; aborts on line abort_at (delivery count from 1) when set.
struct Collector {
    std::vector<SeenLine> lines;
    int abort_at = 0;
};

void collect(void *user)
{
    Collector *c = static_cast<Collector *>(user);
    SeenLine seen;
    seen.number = reader_line_number();
    seen.text = reader_line_text();
    for (int i = 0; i < reader_token_count(); i++) seen.tokens.push_back(reader_token_text(i));
    c->lines.push_back(seen);
    if (c->abort_at && static_cast<int>(c->lines.size()) == c->abort_at) reader_abort();
}

std::vector<std::string> words(std::initializer_list<const char *> list)
{
    std::vector<std::string> out;
    for (const char *w : list) out.push_back(w);
    return out;
}

// A fresh temporary directory, removed with its files afterwards.
class TextReaderFiles : public ::testing::Test {
protected:
    // Writes the bytes unchanged into a file of the temp directory; returns its path.
    std::string write(const std::string &name, const std::string &bytes) { return temp_.write(name, bytes); }

    TempDir temp_;
    const std::string &dir_ = temp_.path;
};

// Reads the text from memory with "#" comments.
int read_text(const std::string &text, Collector *c)
{
    return reader_run_string(text.c_str(), "#", 1, collect, c);
}

}  // namespace

TEST(TokenClassify, Classes)
{
    const struct { const char *text; int cls; } cases[] = {
        {nullptr, TOKEN_NONE},
        {"", TOKEN_INT},      {"0", TOKEN_INT},      {"123", TOKEN_INT},   {"-7", TOKEN_INT},
        {"-", TOKEN_INT},     {"--", TOKEN_INT},     {"1-2", TOKEN_INT},   {"5-", TOKEN_INT},
        {".", TOKEN_FLOAT},   {"-.5", TOKEN_FLOAT},  {"1.5", TOKEN_FLOAT}, {"3.", TOKEN_FLOAT},
        {"1.-2", TOKEN_FLOAT},
        {"+5", TOKEN_WORD},   {"1e5", TOKEN_WORD},   {"1.2.3", TOKEN_WORD}, {"..", TOKEN_WORD},
        {"x1", TOKEN_WORD},   {"layer", TOKEN_WORD}, {" 1", TOKEN_WORD},   {"1,5", TOKEN_WORD},
    };
    for (const auto &c : cases) EXPECT_EQ(token_classify(c.text), c.cls) << (c.text ? c.text : "(null)");
}

TEST(TextReader, TokenValuesAndPredicates)
{
    struct Expect {
        const char *text;
        int is_int, is_float, is_word;
        int32_t int_value;
        float float_value;
    };
    static const Expect cases[] = {
        {"2", 1, 0, 0, 2, 2.0f},
        {"-15", 1, 0, 0, -15, -15.0f},
        {"2.7", 0, 1, 0, 0, 2.7f},
        {"-.5", 0, 1, 0, 0, -0.5f},
        {"x1", 0, 0, 1, 0, 0.0f},
        {"1-2", 1, 0, 0, 1, 1.0f},
        {"-", 1, 0, 0, 0, 0.0f},
        {"--3", 1, 0, 0, 0, 0.0f},
        {".", 0, 1, 0, 0, 0.0f},
        {"1e5", 0, 0, 1, 0, 0.0f},
        {"99999999999", 1, 0, 0, INT32_MAX, 2147483647.0f},
        {"-99999999999", 1, 0, 0, INT32_MIN, -2147483648.0f},
        {"2147483647", 1, 0, 0, INT32_MAX, 2147483647.0f},
        {"2147483648", 1, 0, 0, INT32_MAX, 2147483647.0f},
        {"-2147483648", 1, 0, 0, INT32_MIN, -2147483648.0f},
        {"-2147483649", 1, 0, 0, INT32_MIN, -2147483648.0f},
        {"-999999999999999999999999999", 1, 0, 0, INT32_MIN, -2147483648.0f},
        {"0000000000000000000000012", 1, 0, 0, 12, 12.0f},
        {"-0", 1, 0, 0, 0, 0.0f},
        {"5-", 1, 0, 0, 5, 5.0f},
        {"-7-1", 1, 0, 0, -7, -7.0f},
    };
    std::string line;
    for (const auto &c : cases) line += std::string(c.text) + " ";
    struct Check {
        static void run(void *)
        {
            ASSERT_EQ(reader_token_count(), static_cast<int>(sizeof cases / sizeof cases[0]));
            for (int i = 0; i < reader_token_count(); i++) {
                const Expect &c = cases[i];
                EXPECT_STREQ(reader_token_text(i), c.text);
                EXPECT_EQ(reader_token_is_int(i), c.is_int) << c.text;
                EXPECT_EQ(reader_token_is_float(i), c.is_float) << c.text;
                EXPECT_EQ(reader_token_is_word(i), c.is_word) << c.text;
                EXPECT_EQ(reader_token_int(i), c.int_value) << c.text;
                EXPECT_FLOAT_EQ(reader_token_float(i), c.float_value) << c.text;
                EXPECT_EQ(reader_token_is(c.text, i), 1);
            }
            // Missing tokens and words compare as absent.
            int n = reader_token_count();
            EXPECT_EQ(reader_token_text(n), nullptr);
            EXPECT_EQ(reader_token_text(-1), nullptr);
            EXPECT_EQ(reader_token_is("2", n), 0);
            EXPECT_EQ(reader_token_is(nullptr, 0), 0);
            EXPECT_EQ(reader_token_is("X1", 4), 0);
            EXPECT_EQ(reader_token_is_int(n), 0);
            EXPECT_EQ(reader_token_int(-1), 0);
            EXPECT_EQ(reader_token_float(n), 0.0f);
        }
    };
    EXPECT_EQ(reader_run_string(line.c_str(), "#", 1, Check::run, nullptr), 1);
}

// Decimal tokens far beyond the int range read as floats (held at the float range) and give
// no integer value; the reader's internal integer of such a token is held within the int
// range (the sanitizer build stops on a plain out-of-range conversion).
TEST(TextReader, HugeDecimalsStayFloats)
{
    const std::string big(50, '9');
    static const struct {
        std::string text;
        float float_value;
    } cases[] = {
        {"3000000000.5", 3000000000.0f},
        {"-3000000000.5", -3000000000.0f},
        {"2147483648.0", 2147483648.0f},
        {"-2147483904.0", -2147483904.0f},
        {big + ".0", FLT_MAX},
        {"-" + big + ".0", -FLT_MAX},
        {"-0.9", -0.9f},
    };
    std::string line;
    for (const auto &c : cases) line += c.text + " ";
    struct Check {
        static void run(void *)
        {
            ASSERT_EQ(reader_token_count(), static_cast<int>(sizeof cases / sizeof cases[0]));
            for (int i = 0; i < reader_token_count(); i++) {
                EXPECT_EQ(reader_token_is_float(i), 1) << cases[i].text;
                EXPECT_EQ(reader_token_int(i), 0) << cases[i].text;
                EXPECT_EQ(reader_token_float(i), cases[i].float_value) << cases[i].text;
            }
        }
    };
    EXPECT_EQ(reader_run_string(line.c_str(), "#", 1, Check::run, nullptr), 1);
}

TEST(TextReader, SplitsLinesIntoTokens)
{
    const struct { const char *line; std::vector<std::string> tokens; } cases[] = {
        {"a b c", words({"a", "b", "c"})},
        {"  \t a\t\tb  \t", words({"a", "b"})},
        {"a \"b c\" d", words({"a", "b c", "d"})},
        {"a \"\" b", words({"a"})},
        {"\"\"", {}},
        {"a\"b c", words({"a\"b", "c"})},
        {"\"b c\"d", words({"b c", "d"})},
        {"\"to the end", words({"to the end"})},
        {"x \"tab\tinside\"", words({"x", "tab\tinside"})},
        {"x#y #z", words({"x#y", "#z"})},
        {" # not a comment", words({"#", "not", "a", "comment"})},
        {"# a comment", {}},
        {"   ", {}},
        {"\t", {}},
    };
    for (const auto &c : cases) {
        Collector col;
        EXPECT_EQ(read_text(c.line, &col), 1) << c.line;
        if (c.tokens.empty()) {
            EXPECT_TRUE(col.lines.empty()) << c.line;
        } else {
            ASSERT_EQ(col.lines.size(), 1u) << c.line;
            EXPECT_EQ(col.lines[0].tokens, c.tokens) << c.line;
            EXPECT_EQ(col.lines[0].text, c.line);
        }
    }
}

TEST(TextReader, CommentCharacters)
{
    const std::string text = "#one\n;two\nthree\n";
    const struct { const char *chars; int count; std::vector<std::string> first_tokens; } cases[] = {
        {"#", 1, words({";two", "three"})},
        {"#;", 2, words({"three"})},
        {";#", 1, words({"#one", "three"})},  // only the given count of characters counts
        {nullptr, 0, words({"#one", ";two", "three"})},
    };
    for (const auto &c : cases) {
        Collector col;
        EXPECT_EQ(reader_run_string(text.c_str(), c.chars, c.count, collect, &col), 1);
        std::vector<std::string> first;
        for (const auto &l : col.lines) first.push_back(l.tokens[0]);
        EXPECT_EQ(first, c.first_tokens) << (c.chars ? c.chars : "(none)");
    }
}

// The same bytes read from memory and from a file. Both end a line at CR, LF or
// CR LF; text in memory counts only non-empty lines, a file counts every line.
TEST_F(TextReaderFiles, LineEndsAndNumbering)
{
    const struct {
        const char *name;
        std::string bytes;
        std::vector<std::pair<int, std::string>> memory, file;
    } cases[] = {
        {"lf", "a\nb\n", {{1, "a"}, {2, "b"}}, {{1, "a"}, {2, "b"}}},
        {"no final lf", "a\nb", {{1, "a"}, {2, "b"}}, {{1, "a"}, {2, "b"}}},
        {"crlf with empty line", "one\r\n\r\ntwo", {{1, "one"}, {2, "two"}}, {{1, "one"}, {3, "two"}}},
        {"empty lines", "\n\na\n\n\nb\n\n", {{1, "a"}, {2, "b"}}, {{3, "a"}, {6, "b"}}},
        {"comment and blank lines count", "# c\n   \nx\n", {{3, "x"}}, {{3, "x"}}},
        {"cr only", "a\rb\r", {{1, "a"}, {2, "b"}}, {{1, "a"}, {2, "b"}}},
        {"cr with empty line", "a\r\rb", {{1, "a"}, {2, "b"}}, {{1, "a"}, {3, "b"}}},
        {"mixed", "a\rb\r\nc\nd 1\r\r\n\ne", {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d 1"}, {5, "e"}},
         {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d 1"}, {7, "e"}}},
        {"lf cr", "a\n\rb", {{1, "a"}, {2, "b"}}, {{1, "a"}, {3, "b"}}},
        {"cr cr lf", "a\r\r\nb", {{1, "a"}, {2, "b"}}, {{1, "a"}, {3, "b"}}},
        {"quote open at cr", "\"a b\rc", {{1, "\"a b"}, {2, "c"}}, {{1, "\"a b"}, {2, "c"}}},
        {"final crlf", "a b\r\n", {{1, "a b"}}, {{1, "a b"}}},
        {"final cr", "a b\r", {{1, "a b"}}, {{1, "a b"}}},
        {"nothing", "", {}, {}},
        {"only line ends", "\r\n\n\r", {}, {}},
    };
    for (const auto &c : cases) {
        Collector mem;
        EXPECT_EQ(read_text(c.bytes, &mem), 1) << c.name;
        std::vector<std::pair<int, std::string>> got;
        for (const auto &l : mem.lines) got.push_back({l.number, l.text});
        EXPECT_EQ(got, c.memory) << "memory: " << c.name;

        Collector fil;
        std::string path = write("case.txt", c.bytes);
        EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &fil), 1) << c.name;
        got.clear();
        for (const auto &l : fil.lines) got.push_back({l.number, l.text});
        EXPECT_EQ(got, c.file) << "file: " << c.name;
    }
    EXPECT_EQ(file_open_count(), 0);
}

TEST_F(TextReaderFiles, LongLinesArriveInPiecesOf1023)
{
    std::string long_line;
    while (long_line.size() < 1500) long_line += "abcd ";
    long_line.resize(1500);
    const std::string bytes = long_line + "\nnext\n";

    Collector fil;
    std::string path = write("long.txt", bytes);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &fil), 1);
    ASSERT_EQ(fil.lines.size(), 3u);
    EXPECT_EQ(fil.lines[0].text, long_line.substr(0, 1023));
    EXPECT_EQ(fil.lines[1].text, long_line.substr(1023));
    EXPECT_EQ(fil.lines[1].text.size(), 477u);
    EXPECT_EQ(fil.lines[0].number, 1);
    EXPECT_EQ(fil.lines[1].number, 2);
    EXPECT_EQ(fil.lines[2].number, 3);
    EXPECT_EQ(fil.lines[2].text, "next");

    Collector mem;
    EXPECT_EQ(read_text(bytes, &mem), 1);
    ASSERT_EQ(mem.lines.size(), 3u);
    EXPECT_EQ(mem.lines[0].text, fil.lines[0].text);
    EXPECT_EQ(mem.lines[1].text, fil.lines[1].text);
    EXPECT_EQ(mem.lines[2].number, 3);
}

// A line end right after 1023 characters: the file gets an extra empty line
// (counted), text in memory consumes the line end with the piece.
TEST_F(TextReaderFiles, LineEndAfterAFullPiece)
{
    const std::string full = filler(1023, 'x');
    const std::string bytes = full + "\r\nnext\n" + filler(1022, 'y') + "\r\nlast";
    Collector fil;
    std::string path = write("full.txt", bytes);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &fil), 1);
    ASSERT_EQ(fil.lines.size(), 4u);
    EXPECT_EQ(fil.lines[0].text, full);
    EXPECT_EQ(fil.lines[1].number, 3);
    EXPECT_EQ(fil.lines[1].text, "next");
    EXPECT_EQ(fil.lines[2].text, filler(1022, 'y'));
    EXPECT_EQ(fil.lines[3].number, 5);

    Collector mem;
    EXPECT_EQ(read_text(bytes, &mem), 1);
    ASSERT_EQ(mem.lines.size(), 4u);
    EXPECT_EQ(mem.lines[1].number, 2);
    EXPECT_EQ(mem.lines[3].number, 4);
}

// Many lines with CR LF ends, one of them split between two blocks of the
// read-ahead, and a large file keeping exact counts.
TEST_F(TextReaderFiles, LargeFileWithCrLfAcrossBlocks)
{
    std::string bytes;
    for (int i = 0; i < 64; i++) bytes += filler(1021, 'a') + "\r\n";
    bytes += filler(63, 'b') + "\r\n";  // its CR is the last byte of the first block
    ASSERT_EQ(bytes[65535], '\r');
    const int extra = 200000;
    for (int i = 0; i < extra; i++) bytes += "3 " + std::to_string(i) + " 2 1\r\n";
    bytes += "end";

    struct Count {
        int lines = 0, cr_seen = 0, bad_values = 0, last_number = 0;
    } count;
    auto cb = [](void *user) {
        Count *c = static_cast<Count *>(user);
        const char *text = reader_line_text();
        for (const char *p = text; *p; p++)
            if (*p == '\r') c->cr_seen++;
        if (c->lines >= 65 && reader_token_count() == 4 && reader_token_int(1) != c->lines - 65)
            c->bad_values++;
        c->lines++;
        c->last_number = reader_line_number();
    };
    std::string path = write("big.txt", bytes);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, cb, &count), 1);
    EXPECT_EQ(count.lines, 65 + extra + 1);
    EXPECT_EQ(count.last_number, 65 + extra + 1);
    EXPECT_EQ(count.cr_seen, 0);
    EXPECT_EQ(count.bad_values, 0);
}

// CR alone ends file lines everywhere: at a piece's end (1022 characters and CR is one
// line; 1023 and CR leave an empty line), after comments, in short number lines (the
// mask path) and word lines, and across blocks of the read-ahead.
TEST_F(TextReaderFiles, CrOnlyLinesAcrossPiecesAndBlocks)
{
    std::string bytes = filler(1022, 'x') + "\rnext\r" + filler(1023, 'y') + "\rafter\r# note\r";
    const int extra = 100000;
    for (int i = 0; i < extra; i++) bytes += (i % 2 ? "3 " : "word ") + std::to_string(i) + " 2 1\r";
    bytes += "end";
    ASSERT_GT(bytes.size(), 65536u * 10);

    struct Count {
        std::vector<SeenLine> head;
        int lines = 0, cr_seen = 0, bad_values = 0, last_number = 0;
    } count;
    auto cb = [](void *user) {
        Count *c = static_cast<Count *>(user);
        for (const char *p = reader_line_text(); *p; p++)
            if (*p == '\r') c->cr_seen++;
        if (c->lines < 4) c->head.push_back({reader_line_number(), reader_line_text(), {}});
        int i = c->lines - 4;
        if (i >= 0 && i < extra && (reader_token_count() != 4 || reader_token_int(1) != i ||
                                    reader_line_number() != 7 + i))
            c->bad_values++;
        c->lines++;
        c->last_number = reader_line_number();
    };
    std::string path = write("cr.txt", bytes);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, cb, &count), 1);
    ASSERT_EQ(count.head.size(), 4u);
    EXPECT_EQ(count.head[0].number, 1);
    EXPECT_EQ(count.head[0].text, filler(1022, 'x'));
    EXPECT_EQ(count.head[1].number, 2);
    EXPECT_EQ(count.head[1].text, "next");
    EXPECT_EQ(count.head[2].number, 3);
    EXPECT_EQ(count.head[2].text, filler(1023, 'y'));
    EXPECT_EQ(count.head[3].number, 5);
    EXPECT_EQ(count.head[3].text, "after");
    EXPECT_EQ(count.lines, 4 + extra + 1);
    EXPECT_EQ(count.last_number, 7 + extra);
    EXPECT_EQ(count.cr_seen, 0);
    EXPECT_EQ(count.bad_values, 0);
}

TEST(TextReader, AtMost256TokensPerLine)
{
    std::string line;
    for (int i = 0; i < 300; i++) line += std::to_string(i % 10) + " ";
    // A token past the 256th may be of any length: it is not kept.
    line += std::string(400, 'z');
    Collector col;
    EXPECT_EQ(read_text(line, &col), 1);
    ASSERT_EQ(col.lines.size(), 1u);
    ASSERT_EQ(col.lines[0].tokens.size(), 256u);
    EXPECT_EQ(col.lines[0].tokens[0], "0");
    EXPECT_EQ(col.lines[0].tokens[255], "5");
    EXPECT_LT(line.size(), 1023u);
}

// A token holds at most 255 characters; a longer one fails the read at its line
// instead of being cut or overrunning, and the line is not delivered.
TEST_F(TextReaderFiles, TokenLongerThan255CharactersFailsTheRead)
{
    const std::string fits(255, 'k');
    const std::string over(256, 'k');
    const struct { const char *name; std::string second_line; int ok; } cases[] = {
        {"255 fits", "a " + fits, 1},
        {"quoted 255 fits", "a \"" + std::string(250, 'q') + "  end\"", 1},
        {"256 plain", "a " + over + " b", 0},
        {"256 quoted", "\"" + std::string(200, 'q') + " " + std::string(55, 'q') + "\"", 0},
    };
    for (const auto &c : cases) {
        const std::string text = "first\n" + c.second_line + "\nthird\n";
        err_set(nullptr);
        Collector mem;
        EXPECT_EQ(read_text(text, &mem), c.ok) << c.name;
        if (c.ok) {
            ASSERT_EQ(mem.lines.size(), 3u) << c.name;
            EXPECT_EQ(mem.lines[1].tokens.back().size(), 255u);
            EXPECT_EQ(err_last(), nullptr);
        } else {
            ASSERT_EQ(mem.lines.size(), 1u) << c.name;
            ASSERT_NE(err_last(), nullptr);
            EXPECT_STREQ(err_last(), "Token longer than 255 characters (file: (data), line: 2)");
        }

        Collector fil;
        std::string path = write("tok.txt", text);
        EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &fil), c.ok) << c.name;
        EXPECT_EQ(fil.lines.size(), c.ok ? 3u : 1u);
        if (!c.ok) {
            EXPECT_EQ(std::string(err_last()), "Token longer than 255 characters (file: " + path + ", line: 2)");
        }
    }
    EXPECT_EQ(file_open_count(), 0);
}

TEST_F(TextReaderFiles, AbortStopsAfterTheCurrentLine)
{
    std::string path = write("abort.txt", "a\nb\nc\n");
    Collector fil;
    fil.abort_at = 2;
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &fil), 0);
    EXPECT_EQ(fil.lines.size(), 2u);
    EXPECT_EQ(file_open_count(), 0);

    Collector mem;
    mem.abort_at = 1;
    EXPECT_EQ(read_text("a\nb\n", &mem), 0);
    EXPECT_EQ(mem.lines.size(), 1u);
}

TEST_F(TextReaderFiles, RefusedArgumentsAndUnreadableSources)
{
    std::string path = write("ok.txt", "a\n");
    Collector col;
    EXPECT_EQ(reader_run_file(nullptr, "#", 1, collect, &col), 0);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, nullptr, &col), 0);
    EXPECT_EQ(reader_run_file(path.c_str(), nullptr, 1, collect, &col), 0);
    EXPECT_EQ(reader_run_file((dir_ + "/missing.txt").c_str(), "#", 1, collect, &col), 0);
    EXPECT_EQ(reader_run_string(nullptr, "#", 1, collect, &col), 0);
    EXPECT_EQ(reader_run_string("a", nullptr, 2, collect, &col), 0);
    EXPECT_EQ(reader_run_string("a", "#", 1, nullptr, &col), 0);
    EXPECT_TRUE(col.lines.empty());
    // No comment characters at all is allowed.
    EXPECT_EQ(reader_run_file(path.c_str(), nullptr, 0, collect, &col), 1);
    EXPECT_EQ(col.lines.size(), 1u);

    // A directory cannot be opened: 0 and no message, like a missing file.
    err_set(nullptr);
    Collector dir;
    EXPECT_EQ(reader_run_file(dir_.c_str(), "#", 1, collect, &dir), 0);
    EXPECT_TRUE(dir.lines.empty());
    EXPECT_EQ(err_last(), nullptr);
    EXPECT_EQ(file_open_count(), 0);

    // A source that opens but cannot be read: the read fails with a message.
    // (Reading this process's memory from address 0 gives a stream error.)
    const char *unreadable = "/proc/self/mem";
    FILE *probe = fopen(unreadable, "r");
    if (!probe) return;
    fclose(probe);
    Collector mem;
    EXPECT_EQ(reader_run_file(unreadable, "#", 1, collect, &mem), 0);
    EXPECT_TRUE(mem.lines.empty());
    ASSERT_NE(err_last(), nullptr);
    EXPECT_EQ(std::string(err_last()), std::string("File read error (file: ") + unreadable + ", line: 0)");
    EXPECT_EQ(file_open_count(), 0);
}

TEST_F(TextReaderFiles, NoSlotLeftInTheFileTable)
{
    std::string path = write("ok.txt", "a\n");
    int handles[FILE_TABLE_SIZE];
    for (int &h : handles) {
        h = file_open(path.c_str(), "r");
        ASSERT_GE(h, 0);
    }
    Collector col;
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &col), 0);
    EXPECT_TRUE(col.lines.empty());
    for (int h : handles) file_close(h);
    EXPECT_EQ(reader_run_file(path.c_str(), "#", 1, collect, &col), 1);
    EXPECT_EQ(file_open_count(), 0);
}

TEST(TextReader, AccessorsOutsideARead)
{
    reader_abort();
    EXPECT_EQ(reader_token_count(), 0);
    EXPECT_EQ(reader_token_text(0), nullptr);
    EXPECT_EQ(reader_token_int(0), 0);
    EXPECT_EQ(reader_token_float(0), 0.0f);
    EXPECT_EQ(reader_token_is_word(0), 0);
    EXPECT_EQ(reader_line_text(), nullptr);
    EXPECT_EQ(reader_line_number(), 0);
    EXPECT_EQ(reader_source_name(), nullptr);
    err_set("plain");
    EXPECT_STREQ(err_last(), "plain");
}

// A line callback that runs a complete read of its own: the inner read is
// current while it runs; afterwards the outer line's tokens, source and line
// are current again, also for a message raised after the inner read.
TEST_F(TextReaderFiles, NestedReadRestoresTheOuterRead)
{
    struct Nest {
        std::string inner_path;
        std::vector<std::string> inner_seen;
        std::vector<std::string> after;
        int inner_result = -1;
    } nest;
    nest.inner_path = write("inner.txt", "\n\ninner one\n");
    std::string outer_path = write("outer.txt", "# header\nouter 1\nouter \"two words\" 2\nlast\n");

    auto outer_cb = [](void *user) {
        Nest *n = static_cast<Nest *>(user);
        if (!reader_token_is("outer", 0) || reader_token_count() != 3) return;
        n->inner_result = reader_run_file(n->inner_path.c_str(), "#", 1, +[](void *u) {
            Nest *m = static_cast<Nest *>(u);
            m->inner_seen.push_back(std::string(reader_source_name()) + ":" +
                                    std::to_string(reader_line_number()) + ":" + reader_token_text(0));
            // A read in memory nested one level deeper.
            reader_run_string("deep", nullptr, 0, +[](void *v) {
                static_cast<Nest *>(v)->inner_seen.push_back(std::string(reader_source_name()) + ":" +
                                                             reader_token_text(0));
            }, m);
        }, n);
        n->after.push_back(std::to_string(reader_token_count()) + ":" + reader_token_text(1) + ":" +
                           std::to_string(reader_line_number()));
        err_set("Bad child data");
        reader_abort();
    };
    EXPECT_EQ(reader_run_file(outer_path.c_str(), "#", 1, outer_cb, &nest), 0);
    EXPECT_EQ(nest.inner_result, 1);
    ASSERT_EQ(nest.inner_seen.size(), 2u);
    EXPECT_EQ(nest.inner_seen[0], nest.inner_path + ":3:inner");
    EXPECT_EQ(nest.inner_seen[1], "(data):deep");
    ASSERT_EQ(nest.after.size(), 1u);
    EXPECT_EQ(nest.after[0], "3:two words:3");
    EXPECT_EQ(std::string(err_last()), "Bad child data (file: " + outer_path + ", line: 3)");
    EXPECT_EQ(reader_source_name(), nullptr);
    EXPECT_EQ(reader_line_number(), 0);
    EXPECT_EQ(file_open_count(), 0);
}

// An inner read that is aborted leaves the outer read running.
TEST(TextReader, AbortedInnerReadDoesNotStopTheOuter)
{
    struct Outer {
        int lines = 0;
        int inner_result = -1;
    } outer;
    auto cb = [](void *user) {
        Outer *o = static_cast<Outer *>(user);
        o->lines++;
        if (o->lines == 1)
            o->inner_result = reader_run_string("x\ny\n", nullptr, 0, +[](void *) { reader_abort(); }, nullptr);
    };
    EXPECT_EQ(reader_run_string("a\nb\nc\n", "#", 1, cb, &outer), 1);
    EXPECT_EQ(outer.inner_result, 0);
    EXPECT_EQ(outer.lines, 3);
}
