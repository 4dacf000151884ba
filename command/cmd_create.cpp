#include "command/cmd_create.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/callbacks.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "model/model.h"
#include "model/value_check.h"
#include "viewer/loaded_models.h"
#include "viewer/view_callbacks.h"
#include "viewer/window.h"

// A one-word branch of create: what it calls, and the text shown when that gives 0.
struct CreateStep {
    int (*make)(const char *name);
    const char *failed;
};

static int create_named(const Keyword *keyword, char **at);
static int create_window(const Keyword *keyword, char **at);

static const CreateStep k_cursor = {cmd_create_cursor, "druvex: create cursor failed"};
static const CreateStep k_model = {cmd_create_model, "druvex: create model failed"};

// The keywords of create in the order they are compared.
static const Keyword k_create_keywords[] = {
    {"cursor", create_named, "druvex: usage: druvex create cursor <filename>", &k_cursor},
    {"model", create_named, "druvex: usage: druvex create model <name>", &k_model},
    {"window", create_window, "druvex: usage: druvex create window <name> <parent>", nullptr},
};

static const KeywordTable k_create = {k_create_keywords, KEYWORD_COUNT(k_create_keywords), KEYWORD_SKIP,
                                      KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

int cmd_create(char **words)
{
    return keyword_scan(&k_create, words);
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

// A name holding a line end, or one the model cannot hold whole, makes no model.
int cmd_create_model(const char *name)
{
    Model *model = value_line_ok(name) ? model_create(name, nullptr) : nullptr;
    int id = model != nullptr ? viewer_add_model(&g_app.viewer, model) : 0;
    tcl_set_result(result_int(id));
    return id != 0 ? 1 : 0;
}

// create cursor <filename> and create model <name>.
static int create_named(const Keyword *keyword, char **at)
{
    const CreateStep *step = static_cast<const CreateStep *>(keyword->data);
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (!step->make(name)) cb_message_hook(step->failed);
    return 1;
}

// create window <name> <parent>
static int create_window(const Keyword *keyword, char **at)
{
    const char *name = nullptr, *parent = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING) || !arg_parse(&parent, at[2], ARG_STRING)) {
        return keyword_usage(keyword);
    }
    if (!cmd_create_window(name, parent)) cb_message_hook("druvex: create window failed");
    return 1;
}
