#include "command/cmd_find.h"

#include <cstdio>
#include <cstring>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "viewer/loaded_models.h"

// Room of the unknown-command message; a longer word is cut.
constexpr int MESSAGE_SIZE = 512;

int cmd_find(char **words)
{
    if (!words || !words[0]) return 0;
    const char *last = words[0];
    for (int i = 1; words[i]; i++) {
        const char *word = words[i];
        last = word;
        if (word[0] == 'i' && strcmp(word, "images") == 0) {
            int id = 0;
            if (!arg_parse(&id, words[i + 1], ARG_INT)) {
                cb_message_hook("druvex: usage: druvex find images <id>");
                return 0;
            }
            cmd_find_images(id);
            return 1;
        }
        if (word[0] == 'm' && strcmp(word, "model") == 0) {
            const char *name = nullptr;
            if (!arg_parse(&name, words[i + 1], ARG_STRING)) {
                cb_message_hook("druvex: usage: druvex find model <name>");
                return 0;
            }
            cmd_find_model(name);
            return 1;
        }
    }
    char text[MESSAGE_SIZE];
    snprintf(text, sizeof text, "druvex: unknown %s command: %s", "find", last);
    cb_message_hook(text);
    return 0;
}

int cmd_find_model(const char *name)
{
    int32_t id = viewer_find_model_key(&g_app.viewer, name);
    tcl_set_result(result_int(id));
    return id > 0;
}

int cmd_find_images(int32_t id)
{
    const char *names = viewer_model_images(&g_app.viewer, id);
    if (!names || !names[0]) return 0;
    tcl_set_result(names);
    return 1;
}
