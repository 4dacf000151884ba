#include "command/cmd_display.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "viewer/display_options.h"

#include <array>

static constexpr const char *USAGE_ON = "druvex: usage: druvex display <option> <on>";
static constexpr const char *USAGE_LOD = "druvex: usage: druvex display lod <n>";

static int set_or_query(const Keyword *keyword, char **at);

// Number of display options that have a word.
static constexpr int worded_count()
{
    int count = 0;
    for (const DisplayOption &option : k_display_options) count += option.word != nullptr ? 1 : 0;
    return count;
}

// The argument kind of an option's value word: a whole number for the level, else on/off.
static constexpr int value_kind(const DisplayOption *option)
{
    return option->value == DISPLAY_LEVEL ? ARG_INT : ARG_BOOL;
}

static constexpr int OPTION_WORDS = worded_count();

// One keyword per display option that has a word, in the options' order; the
// keyword's data is its DisplayOption.
static constexpr std::array<Keyword, OPTION_WORDS> option_keywords()
{
    std::array<Keyword, OPTION_WORDS> keywords{};
    int n = 0;
    for (const DisplayOption &option : k_display_options) {
        if (option.word == nullptr) continue;
        keywords[n++] = Keyword{option.word, set_or_query, value_kind(&option) == ARG_INT ? USAGE_LOD : USAGE_ON,
                                &option};
    }
    return keywords;
}

static constexpr std::array<Keyword, OPTION_WORDS> k_display_keywords = option_keywords();

static const KeywordTable k_display = {k_display_keywords.data(), static_cast<int>(k_display_keywords.size()),
                                       KEYWORD_SKIP, KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

int cmd_display(char **words)
{
    return keyword_scan(&k_display, words);
}

// display <option> <value> sets the option; display <option> alone reports it.
static int set_or_query(const Keyword *keyword, char **at)
{
    const DisplayOption *option = static_cast<const DisplayOption *>(keyword->data);
    Viewer *viewer = &g_app.viewer;
    int kind = value_kind(option);
    if (at[1] == nullptr) {
        int value = display_get(viewer, option);
        tcl_set_result(kind == ARG_INT ? result_int(value) : result_bool(value));
        return 1;
    }
    int value = 0;
    if (!arg_parse(&value, at[1], kind)) return keyword_usage(keyword);
    display_set(viewer, option, value);
    return 1;
}
