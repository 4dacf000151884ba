#include "command/callbacks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "foundation/str.h"

// Room of the formatted mouse line.
constexpr int MOUSE_LINE_SIZE = 512;
// Room of the status line: procedure name, a blank, the text and a line feed.
constexpr int STATUS_LINE_SIZE = 1024;
// Room of the text of the unknown-attribute message.
constexpr int MESSAGE_SIZE = 512;

static void replace_name(char **field, const char *name);
static int is_space(char c);

// Type words by first letter, in the order they are compared.
int cmd_callback(char **words)
{
    if (!words || !words[0]) return 0;
    const char *last = words[0];
    for (int i = 1; words[i]; i++) {
        const char *word = words[i];
        last = word;
        if (word[0] < 'j' || word[0] > 's') continue;
        void (*setter)(const char *) = nullptr;
        if (strcmp(word, "joystick") == 0) setter = cb_set_joystick_proc;
        else if (strcmp(word, "keyboard") == 0) setter = cb_set_keyboard_proc;
        else if (strcmp(word, "mouse") == 0) setter = cb_set_mouse_proc;
        else if (strcmp(word, "simulate") == 0) setter = cb_set_simulate_proc;
        else if (strcmp(word, "status") == 0) setter = cb_set_status_proc;
        if (!setter) continue;
        const char *name = nullptr;
        if (!arg_parse(&name, words[i + 1], ARG_STRING)) {
            cb_message_hook("druvex: usage: druvex callback <type> <proc>");
            return 0;
        }
        setter(name);
        return 1;
    }
    char text[MESSAGE_SIZE];
    snprintf(text, sizeof text, "druvex: unknown %s attribute: %s", "callback", last);
    cb_message_hook(text);
    return 0;
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

void cb_send_mouse(int button, int x, int y, int dx, int dy)
{
    const char *proc = g_app.callbacks.mouse_proc;
    if (!proc) return;
    char line[MOUSE_LINE_SIZE];
    snprintf(line, sizeof line, "%s %d %d %d %d %d\n", proc, button, x, y, dx, dy);
    tcl_eval(line);
}

// The character is handed over as one word, never substituted.
void cb_send_key(int character)
{
    const char *proc = g_app.callbacks.keyboard_proc;
    if (!proc) return;
    char key[2] = {static_cast<char>(character), '\0'};
    const char *words[2] = {proc, key};
    tcl_eval_words(2, words);
}

// The procedure gets one argument per blank-separated word of the text, as a
// script line would give it, but the words arrive literally: a dollar sign,
// brackets or backslashes in the text are not substituted by Tcl. The text is
// cut where the line of the procedure name, a blank, the text and a line feed
// would no longer fit its 1024 characters.
void cb_send_status(const char *text)
{
    const char *proc = g_app.callbacks.status_proc;
    if (!proc || !text) return;
    std::string name(proc);
    long room = STATUS_LINE_SIZE - 1 - static_cast<long>(name.size()) - 2;
    std::string body(text, room <= 0 ? 0 : strnlen(text, static_cast<size_t>(room)));
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
    tcl_eval_words(static_cast<int>(words.size()), words.data());
}

void cb_status_hook(const char *text)
{
    cb_send_status(text);
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
