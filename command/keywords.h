// The one keyword scanner of the subcommand handlers: a handler lists its
// keywords in a table (word, branch, usage text) and hands its words to
// keyword_scan, which finds the keyword, runs its branch, and shows the
// no-match texts. The texts "druvex: unknown %s command: %s" and
// "druvex: unknown %s attribute: %s" are filled here and nowhere else.
//
// How a handler uses it:
//
//   static int select_clear(const Keyword *keyword, char **at);   // at[0] is "clear"
//   static const Keyword k_select_keywords[] = {
//       {"add", select_add, nullptr, nullptr},
//       {"clear", select_clear, nullptr, nullptr},
//       {"model", select_model, "druvex: usage: druvex select model <id>", nullptr},
//   };
//   static const KeywordTable k_select = {k_select_keywords, KEYWORD_COUNT(k_select_keywords),
//                                         KEYWORD_SKIP, KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};
//   int cmd_select(char **words) { return keyword_scan(&k_select, words); }
//
// - Keywords are compared exactly (case-sensitive) in table order. A word can
//   only equal a keyword of its own first letter, so a word outside the
//   handler's letters is skipped like any other non-keyword.
// - A branch gets its keyword and the word list at it (at[0] is the keyword),
//   reads its arguments by position from at[1] on with arg_parse, and answers 1
//   when it ran, 0 after a usage or failure text. It changes nothing before every
//   argument is read; a missing or mistyped one ends it with
//   `return keyword_usage(keyword);` (or keyword_show with another usage text).
// - data carries what a branch needs beyond its words, so one branch can serve
//   several keywords (the display options, the fixed view directions).
// - KEYWORD_SKIP: every word from word 1 on is tried and non-keywords are
//   skipped (file, find, create, callback, display, delete, set, select, add,
//   animate, perform). KEYWORD_FIRST_WORD: only word 1 is looked at (get,
//   matrix, and the second-level handlers set view, set matrix, set vertex,
//   set layer, get vertex, get matrix, get layer, select add); a second-level
//   handler gets the list at its own keyword, so its word 1 is the word after
//   it. reset reads no words and needs no table.
// - No match shows the table's unknown text with the group (word 0 of the list
//   when the table names none: `matrix` shows its texts with `get`) and the last
//   word tried (word 0 when there was none); a table with its own text, such as
//   "druvex: unknown view name: %s", has it filled with the word alone. A table
//   may give its own text for a missing word 1 (set view's usage text).
// - A handler that must check other things between reading its words and
//   comparing one (get vertex reads the id before the what word; get layer
//   checks the current model first) looks the word up with keyword_find and
//   shows its no-match text with keyword_unknown.
#pragma once

struct Keyword;

// A branch of a handler: at is the word list at the keyword (at[0] is the
// keyword). 1 when the branch ran, 0 after a usage or failure text.
typedef int (*KeywordBranch)(const Keyword *keyword, char **at);

// One keyword of a handler.
struct Keyword {
    const char *word;   // the keyword, compared exactly
    KeywordBranch run;  // the branch it selects
    const char *usage;  // the branch's usage text, null when it takes no arguments
    const void *data;   // what the branch needs beyond its words, or null
};

// How a scan reads the words of a handler.
enum KeywordMode {
    KEYWORD_SKIP = 0,        // every word from word 1 on; words that are no keyword are skipped
    KEYWORD_FIRST_WORD = 1,  // word 1 only
};

// A handler's keywords and the texts its scan shows.
struct KeywordTable {
    const Keyword *keywords;  // in the order they are compared
    int count;                // number of keywords
    KeywordMode mode;         // which words are tried
    const char *unknown;      // no-match text: one of the two below, or a text whose one %s is the word
    const char *group;        // first value of the two unknown-word texts; null for word 0 of the list
    const char *missing;      // text when the list has no word 1; null for the no-match text naming word 0
};

// The two no-match texts of the handlers: the group, then the word.
extern const char KEYWORD_UNKNOWN_COMMAND[];
extern const char KEYWORD_UNKNOWN_ATTRIBUTE[];

// Number of entries of a keyword array.
#define KEYWORD_COUNT(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

// Finds the keyword that the table's mode selects among words[1..] and runs its
// branch with the list at the keyword; its answer, or 0 after the missing-word
// or no-match text (0 and nothing shown for a null table or list).
int keyword_scan(const KeywordTable *table, char **words);
// The table's keyword equal to the word, null for a null word or none.
const Keyword *keyword_find(const KeywordTable *table, const char *word);
// Shows the keyword's usage text; 0.
int keyword_usage(const Keyword *keyword);
// Shows a text through the message hook (nothing for null); 0.
int keyword_show(const char *text);
// Shows a no-match text: the two unknown-word texts filled with group and word,
// any other text with its one %s filled with word; the word is shown whole. 0.
int keyword_unknown(const char *text, const char *group, const char *word);
