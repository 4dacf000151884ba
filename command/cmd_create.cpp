#include "command/cmd_create.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "model/model.h"
#include "viewer/loaded_models.h"
#include "viewer/view_callbacks.h"
#include "viewer/window.h"

#include <cstring>
#include <string>

// Room of the no-match text; a longer word is cut.
static const size_t MESSAGE_SIZE = 512;

static void show_unknown(const char *subcommand, const char *word);

int cmd_create(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    const char *last = words[0];
    for (int i = 1; words[i] != nullptr; i++) {
        const char *word = words[i];
        const char *argument = words[i + 1];
        last = word;
        switch (word[0]) {
        case 'c':
            if (strcmp(word, "cursor") == 0) {
                const char *name = nullptr;
                if (!arg_parse(&name, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex create cursor <filename>");
                    return 0;
                }
                if (!cmd_create_cursor(name)) cb_message_hook("druvex: create cursor failed");
                return 1;
            }
            break;
        case 'm':
            if (strcmp(word, "model") == 0) {
                const char *name = nullptr;
                if (!arg_parse(&name, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex create model <name>");
                    return 0;
                }
                if (!cmd_create_model(name)) cb_message_hook("druvex: create model failed");
                return 1;
            }
            break;
        case 'w':
            if (strcmp(word, "window") == 0) {
                const char *name = nullptr, *parent = nullptr;
                if (!arg_parse(&name, argument, ARG_STRING) || !arg_parse(&parent, words[i + 2], ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex create window <name> <parent>");
                    return 0;
                }
                if (!cmd_create_window(name, parent)) cb_message_hook("druvex: create window failed");
                return 1;
            }
            break;
        default:
            break;
        }
    }
    show_unknown(words[0], last);
    return 0;
}

int cmd_create_window(const char *name, const char *parent_path)
{
    if (g_app.view.gl_window != 0) {
        tcl_error_box("druvex: can only support 1 window at the moment.");
        return 0;
    }
    WinHandle parent = tcl_tk_hwnd(parent_path);
    if (parent == 0) {
        tcl_error_box("druvex: cannot get handle for parent window.");
        return 0;
    }
    WinHandle window = win_create(name, parent, view_on_gl_init, view_on_paint, view_on_resize, view_on_mouse, 0);
    return window != 0 && g_app.view.gl_window == window ? 1 : 0;
}

int cmd_create_cursor(const char *name_or_file)
{
    int id = win_load_cursor(name_or_file);
    tcl_set_result(result_int(id));
    return id != 0 ? 1 : 0;
}

int cmd_create_model(const char *name)
{
    Model *model = model_create(name, nullptr);
    int id = model != nullptr ? viewer_add_model(&g_app.viewer, model) : 0;
    tcl_set_result(result_int(id));
    return id != 0 ? 1 : 0;
}

// "druvex: unknown <subcommand> command: <word>", the word cut to fit the text's room.
static void show_unknown(const char *subcommand, const char *word)
{
    std::string text = std::string("druvex: unknown ") + subcommand + " command: " + word;
    if (text.size() > MESSAGE_SIZE - 1) text.resize(MESSAGE_SIZE - 1);
    cb_message_hook(text.c_str());
}
