#include "command/cmd_delete.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/callbacks.h"
#include "command/keywords.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/draw_texture.h"
#include "viewer/selection.h"

static int delete_layer(const Keyword *keyword, char **at);

// The keywords of delete.
static const Keyword k_delete_keywords[] = {
    {"layer", delete_layer, "druvex: usage: druvex delete layer <name>", nullptr},
};

static const KeywordTable k_delete = {k_delete_keywords, KEYWORD_COUNT(k_delete_keywords), KEYWORD_SKIP,
                                      KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

// The current model is checked before any word is looked at.
int cmd_delete(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    if (sel_current_model(&g_app.viewer) == nullptr) {
        cb_message_hook("druvex: no model selected");
        return 0;
    }
    return keyword_scan(&k_delete, words);
}

// delete layer <name> on the current model.
static int delete_layer(const Keyword *keyword, char **at)
{
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    draw_release_layer_textures(model_find_layer(model, name));
    model_delete_layer(model, name);
    return 1;
}
