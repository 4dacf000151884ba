// The keyword scanner against a recording message hook: which word a scan
// selects in each mode, what the branch is handed, and the no-match, missing-
// word and usage texts, cut and never read as formats.
#include "command/keywords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the scanner showed and which branches ran, with the word after each keyword.
struct Record {
    std::vector<std::string> messages;
    std::vector<std::string> runs;
};

Record g_rec;

int record_branch(const Keyword *keyword, char **at)
{
    g_rec.runs.push_back(std::string(at[0]) + " " + (at[1] != nullptr ? at[1] : "-"));
    return 7;
}

int usage_branch(const Keyword *keyword, char **at)
{
    return keyword_usage(keyword);
}

const Keyword k_keywords[] = {
    {"open", record_branch, nullptr, nullptr},
    {"zoom", record_branch, nullptr, nullptr},
    {"pan", record_branch, nullptr, nullptr},
    {"size", usage_branch, "druvex: usage: druvex test size <n>", nullptr},
};

const KeywordTable k_skip = {k_keywords, KEYWORD_COUNT(k_keywords), KEYWORD_SKIP, KEYWORD_UNKNOWN_COMMAND,
                             nullptr, nullptr};
const KeywordTable k_first = {k_keywords, KEYWORD_COUNT(k_keywords), KEYWORD_FIRST_WORD,
                              KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};
// Like matrix: its texts name get, not its own word.
const KeywordTable k_grouped = {k_keywords, KEYWORD_COUNT(k_keywords), KEYWORD_FIRST_WORD,
                                KEYWORD_UNKNOWN_ATTRIBUTE, "get", nullptr};
// Like set view: its own no-match text, and a usage text when the name is missing.
const KeywordTable k_named = {k_keywords, KEYWORD_COUNT(k_keywords), KEYWORD_FIRST_WORD,
                              "druvex: unknown view name: %s", nullptr, "druvex: usage: druvex set view <name>"};

// Runs a scan over the words (a null is appended) and returns its answer.
int scan(const KeywordTable *table, std::vector<std::string> words)
{
    std::vector<char *> list;
    for (std::string &word : words) list.push_back(&word[0]);
    list.push_back(nullptr);
    g_rec = Record();
    return keyword_scan(table, list.data());
}

}  // namespace

void cb_message_hook(const char *text)
{
    g_rec.messages.push_back(text);
}

TEST(KeywordScan, WordsSelectBranchesAndTexts)
{
    struct Case {
        const KeywordTable *table;
        std::vector<std::string> words;
        int answer;
        std::vector<std::string> runs;
        std::vector<std::string> messages;
    } cases[] = {
        // Skip mode: the first word that is a keyword wins, whatever stands before it.
        {&k_skip, {"file", "please", "Open", "open", "a.mod"}, 7, {"open a.mod"}, {}},
        {&k_skip, {"file", "x", "pan", "zoom"}, 7, {"pan zoom"}, {}},
        {&k_skip, {"file", "zoom"}, 7, {"zoom -"}, {}},
        {&k_skip, {"file", "Open", "a.mod"}, 0, {}, {"druvex: unknown file command: a.mod"}},
        {&k_skip, {"file"}, 0, {}, {"druvex: unknown file command: file"}},
        {&k_skip, {"file", "size"}, 0, {}, {"druvex: usage: druvex test size <n>"}},
        // First-word mode: only word 1 counts, a keyword after it is never reached.
        {&k_first, {"get", "zoom", "2"}, 7, {"zoom 2"}, {}},
        {&k_first, {"get", "foo", "zoom"}, 0, {}, {"druvex: unknown get attribute: foo"}},
        {&k_first, {"get"}, 0, {}, {"druvex: unknown get attribute: get"}},
        {&k_grouped, {"matrix", "rotat"}, 0, {}, {"druvex: unknown get attribute: rotat"}},
        {&k_grouped, {"matrix"}, 0, {}, {"druvex: unknown get attribute: matrix"}},
        {&k_named, {"view", "Down"}, 0, {}, {"druvex: unknown view name: Down"}},
        {&k_named, {"view"}, 0, {}, {"druvex: usage: druvex set view <name>"}},
        {&k_named, {"view", "pan", "3"}, 7, {"pan 3"}, {}},
    };
    for (const Case &c : cases) {
        std::string words;
        for (const std::string &word : c.words) words += word + " ";
        EXPECT_EQ(scan(c.table, c.words), c.answer) << words;
        EXPECT_EQ(g_rec.runs, c.runs) << words;
        EXPECT_EQ(g_rec.messages, c.messages) << words;
    }
}

TEST(KeywordScan, UnknownWordIsWholeAndNeverAFormat)
{
    scan(&k_skip, {"set", std::string(3000, 'x')});
    EXPECT_EQ(g_rec.messages, std::vector<std::string>{"druvex: unknown set command: " + std::string(3000, 'x')});

    scan(&k_named, {"view", "%s%n%d"});
    EXPECT_EQ(g_rec.messages, std::vector<std::string>{"druvex: unknown view name: %s%n%d"});
    scan(&k_skip, {"a%sb", "%s"});
    EXPECT_EQ(g_rec.messages, std::vector<std::string>{"druvex: unknown a%sb command: %s"});
    g_rec.messages.clear();
    keyword_unknown("druvex: unknown layer argument: %s", "ignored", "%s%s");
    EXPECT_EQ(g_rec.messages, std::vector<std::string>{"druvex: unknown layer argument: %s%s"});
}

TEST(KeywordScan, FindAndNullArguments)
{
    EXPECT_EQ(keyword_find(&k_skip, "pan"), &k_keywords[2]);
    EXPECT_EQ(keyword_find(&k_skip, "Pan"), nullptr);
    EXPECT_EQ(keyword_find(&k_skip, "pa"), nullptr);
    EXPECT_EQ(keyword_find(&k_skip, ""), nullptr);
    EXPECT_EQ(keyword_find(&k_skip, nullptr), nullptr);
    EXPECT_EQ(keyword_find(nullptr, "pan"), nullptr);

    g_rec = Record();
    char *none[1] = {nullptr};
    EXPECT_EQ(keyword_scan(&k_skip, none), 0);
    EXPECT_EQ(keyword_scan(&k_skip, nullptr), 0);
    EXPECT_EQ(keyword_scan(nullptr, none), 0);
    EXPECT_EQ(keyword_usage(nullptr), 0);
    EXPECT_EQ(keyword_show(nullptr), 0);
    EXPECT_TRUE(g_rec.messages.empty());
}
