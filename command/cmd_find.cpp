#include "command/cmd_find.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "viewer/loaded_models.h"

static int find_images(const Keyword *keyword, char **at);
static int find_model(const Keyword *keyword, char **at);

// The keywords of find in the order they are compared.
static const Keyword k_find_keywords[] = {
    {"images", find_images, "druvex: usage: druvex find images <id>", nullptr},
    {"model", find_model, "druvex: usage: druvex find model <name>", nullptr},
};

static const KeywordTable k_find = {k_find_keywords, KEYWORD_COUNT(k_find_keywords), KEYWORD_SKIP,
                                    KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

int cmd_find(char **words)
{
    return keyword_scan(&k_find, words);
}

int cmd_find_model(const char *name)
{
    int32_t id = viewer_find_model_key(&g_app.viewer, name);
    tcl_set_result(result_int(id));
    return id > 0;
}

int cmd_find_images(int32_t id)
{
    std::vector<std::string> names = viewer_model_images(&g_app.viewer, id);
    if (names.empty()) return 0;
    tcl_set_result_list(names);
    return 1;
}

// find images <id>
static int find_images(const Keyword *keyword, char **at)
{
    int id = 0;
    if (!arg_parse(&id, at[1], ARG_INT)) return keyword_usage(keyword);
    cmd_find_images(id);
    return 1;
}

// find model <name>
static int find_model(const Keyword *keyword, char **at)
{
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    cmd_find_model(name);
    return 1;
}
