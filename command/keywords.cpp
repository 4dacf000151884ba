#include "command/keywords.h"

#include "command/callbacks.h"

#include <cassert>
#include <cstring>
#include <string>

const char KEYWORD_UNKNOWN_COMMAND[] = "druvex: unknown %s command: %s";
const char KEYWORD_UNKNOWN_ATTRIBUTE[] = "druvex: unknown %s attribute: %s";

static int count_fields(const char *text);

int keyword_scan(const KeywordTable *table, char **words)
{
    if (table == nullptr || words == nullptr || words[0] == nullptr) return 0;
    if (words[1] == nullptr && table->missing != nullptr) return keyword_show(table->missing);
    const char *last = words[0];
    for (int i = 1; words[i] != nullptr; i++) {
        last = words[i];
        const Keyword *keyword = keyword_find(table, words[i]);
        if (keyword != nullptr) return keyword->run(keyword, words + i);
        if (table->mode == KEYWORD_FIRST_WORD) break;
    }
    return keyword_unknown(table->unknown, table->group != nullptr ? table->group : words[0], last);
}

// Only keywords of the word's first letter are compared in full.
const Keyword *keyword_find(const KeywordTable *table, const char *word)
{
    if (table == nullptr || word == nullptr) return nullptr;
    for (int k = 0; k < table->count; k++) {
        const Keyword *keyword = &table->keywords[k];
        if (keyword->word[0] == word[0] && strcmp(keyword->word, word) == 0) {
            assert(keyword->run != nullptr);
            return keyword;
        }
    }
    return nullptr;
}

int keyword_usage(const Keyword *keyword)
{
    return keyword_show(keyword != nullptr ? keyword->usage : nullptr);
}

int keyword_show(const char *text)
{
    if (text != nullptr) cb_message_hook(text);
    return 0;
}

// The texts are filled by hand, not by printf, so a word can never be taken
// for a format, and a word of any length is shown whole.
int keyword_unknown(const char *text, const char *group, const char *word)
{
    if (text == nullptr) return 0;
    const char *values[2] = {group, word};
    int next = count_fields(text) >= 2 ? 0 : 1;
    std::string message;
    for (const char *c = text; *c != '\0'; c++) {
        if (c[0] == '%' && c[1] == 's' && next < 2) {
            if (values[next] != nullptr) message += values[next];
            next++;
            c++;
            continue;
        }
        message += *c;
    }
    cb_message_hook(message.c_str());
    return 0;
}

// Number of "%s" in a text.
static int count_fields(const char *text)
{
    int n = 0;
    for (const char *c = strstr(text, "%s"); c != nullptr; c = strstr(c + 2, "%s")) n++;
    return n;
}
