#include "command/cmd_delete.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/draw_texture.h"
#include "viewer/selection.h"

#include <cstring>
#include <string>

// Room of the no-match text; a longer word is cut.
static const size_t MESSAGE_SIZE = 512;

int cmd_delete(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) {
        cb_message_hook("druvex: no model selected");
        return 0;
    }
    const char *last = words[0];
    for (int i = 1; words[i] != nullptr; i++) {
        last = words[i];
        if (strcmp(words[i], "layer") != 0) continue;
        const char *name = nullptr;
        if (!arg_parse(&name, words[i + 1], ARG_STRING)) {
            cb_message_hook("druvex: usage: druvex delete layer <name>");
            return 0;
        }
        draw_release_layer_textures(model_find_layer(model, name));
        model_delete_layer(model, name);
        return 1;
    }
    std::string text = std::string("druvex: unknown ") + words[0] + " attribute: " + last;
    if (text.size() > MESSAGE_SIZE - 1) text.resize(MESSAGE_SIZE - 1);
    cb_message_hook(text.c_str());
    return 0;
}
