#include "command/callbacks.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "foundation/last_error.h"
#include "foundation/str.h"

// Usage text of every callback type.
static const char *const USAGE_CALLBACK = "druvex: usage: druvex callback <type> <proc>";

// The setter of one callback type's procedure.
struct ProcSetter {
    void (*set)(const char *name);
};

static int set_proc(const Keyword *keyword, char **at);
static void replace_name(char **field, const char *name);
static int is_space(char c);

static const ProcSetter k_joystick = {cb_set_joystick_proc};
static const ProcSetter k_keyboard = {cb_set_keyboard_proc};
static const ProcSetter k_mouse = {cb_set_mouse_proc};
static const ProcSetter k_simulate = {cb_set_simulate_proc};
static const ProcSetter k_status = {cb_set_status_proc};

// The type words in the order they are compared.
static const Keyword k_callback_keywords[] = {
    {"joystick", set_proc, USAGE_CALLBACK, &k_joystick},
    {"keyboard", set_proc, USAGE_CALLBACK, &k_keyboard},
    {"mouse", set_proc, USAGE_CALLBACK, &k_mouse},
    {"simulate", set_proc, USAGE_CALLBACK, &k_simulate},
    {"status", set_proc, USAGE_CALLBACK, &k_status},
};

static const KeywordTable k_callback = {k_callback_keywords, KEYWORD_COUNT(k_callback_keywords), KEYWORD_SKIP,
                                        KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

int cmd_callback(char **words)
{
    return keyword_scan(&k_callback, words);
}

void cb_set_mouse_proc(const char *name)
{
    replace_name(&g_app.callbacks.mouse_proc, name);
}

void cb_set_keyboard_proc(const char *name)
{
    replace_name(&g_app.callbacks.keyboard_proc, name);
}

void cb_set_joystick_proc(const char *name)
{
}

void cb_set_simulate_proc(const char *name)
{
    replace_name(&g_app.callbacks.simulate_proc, name);
}

void cb_set_status_proc(const char *name)
{
    replace_name(&g_app.callbacks.status_proc, name);
}

// The name and the five numbers are handed over as six words, never substituted.
void cb_send_mouse(int button, int x, int y, int dx, int dy)
{
    const char *proc = g_app.callbacks.mouse_proc;
    if (!proc) return;
    const int values[5] = {button, x, y, dx, dy};
    std::string numbers[5];
    const char *words[6] = {proc};
    for (int i = 0; i < 5; i++) {
        numbers[i] = std::to_string(values[i]);
        words[i + 1] = numbers[i].c_str();
    }
    tcl_eval_callback_words("mouse", 6, words);
}

// The character is handed over as one word, never substituted.
void cb_send_key(int character)
{
    const char *proc = g_app.callbacks.keyboard_proc;
    if (!proc) return;
    char key[2] = {static_cast<char>(character), '\0'};
    const char *words[2] = {proc, key};
    tcl_eval_callback_words("keyboard", 2, words);
}

// The procedure gets one argument per blank-separated word of the text, as a
// script line would give it, but the words arrive literally: a dollar sign,
// brackets or backslashes in the text are not substituted by Tcl. Every word
// of the text is passed, however long the text.
void cb_send_status(const char *text)
{
    const char *proc = g_app.callbacks.status_proc;
    if (!proc || !text) return;
    std::string name(proc);
    std::string body(text);
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && is_space(body[i])) i++;
        size_t start = i;
        while (i < body.size() && !is_space(body[i])) i++;
        if (i > start) fields.push_back(body.substr(start, i - start));
    }
    std::vector<const char *> words;
    words.push_back(name.c_str());
    for (const std::string &field : fields) words.push_back(field.c_str());
    tcl_eval_callback_words("status", static_cast<int>(words.size()), words.data());
}

void cb_status_hook(const char *text)
{
    cb_send_status(text);
}

void cb_message_hook(const char *text)
{
    if (text) tcl_info_box(text);
}

void cb_failure_hook(const char *failed)
{
    const char *reason = err_last();
    std::string text = std::string(failed ? failed : "") + ": " + (reason && reason[0] ? reason : "unknown reason");
    cb_message_hook(text.c_str());
}

// The branch of every type word: the next word is the procedure name.
static int set_proc(const Keyword *keyword, char **at)
{
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    static_cast<const ProcSetter *>(keyword->data)->set(name);
    return 1;
}

static void replace_name(char **field, const char *name)
{
    free(*field);
    *field = str_dup(name);
}

// The characters at which Tcl splits the words of a script line.
static int is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
