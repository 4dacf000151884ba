#include "command/cmd_set.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "viewer/camera.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"
#include "viewer/loaded_models.h"
#include "viewer/window.h"

#include <cstring>
#include <string>

// Room of the no-match and unknown-name texts; a longer word is cut.
static const size_t MESSAGE_SIZE = 512;

static const char *const USAGE_BACKGROUND = "druvex: usage: druvex set background <red> <green> <blue>";
static const char *const USAGE_CURSOR_POSITION = "druvex: usage: druvex set cursor position <x> <y> <z>";
static const char *const USAGE_CURSOR = "druvex: usage: druvex set cursor <id>";
static const char *const USAGE_FOCUS = "druvex: usage: druvex set focus <x> <y> <z>";
static const char *const USAGE_FREEROTATE = "druvex: usage: druvex set freerotate <on>";
static const char *const USAGE_POINTER = "druvex: usage: druvex set pointer <x> <y>";
static const char *const USAGE_POINTS_COLOR = "druvex: usage: druvex set points_color_index <n>";
static const char *const USAGE_VIEW = "druvex: usage: druvex set view <name>";
static const char *const USAGE_VIEW_ROTATE = "druvex: usage: druvex set view rotate <xangle> <yangle>";
static const char *const USAGE_VIEW_ORTHO = "druvex: usage: druvex set view ortho <angle> <pitch>";
// Also the text of `set pan`.
static const char *const USAGE_VIEW_PAN = "druvex: usage: druvex set view pan <angle> <pitch>";
static const char *const USAGE_VIEW_ZOOM = "druvex: usage: druvex set view zoom <factor>";
static const char *const USAGE_VIEW_SIZE = "druvex: usage: druvex set view size <width> <height>";

// Branches of set.
enum SetBranch {
    SET_BACKGROUND,
    SET_CURSOR,
    SET_FOCUS,
    SET_FREEROTATE,
    SET_PAN,
    SET_POINTER,
    SET_POINTS_COLOR_INDEX,
    SET_VIEW,
};

// One keyword of set with its branch.
struct SetKeyword {
    const char *word;
    SetBranch branch;
};

// Names of set view, each with what it does.
enum ViewAction {
    VIEW_DIRECTION,
    VIEW_ROTATE,
    VIEW_ORTHO,
    VIEW_PAN,
    VIEW_PARALLEL,
    VIEW_PERSPECTIVE,
    VIEW_ZOOM,
    VIEW_CENTRE,
    VIEW_SIZE,
};

// One name of set view; yaw and pitch (degrees) for the fixed directions.
struct ViewName {
    const char *name;
    ViewAction action;
    float yaw, pitch;
};

// The keywords in the order they are compared (same first letter: table order).
static const SetKeyword k_set_keywords[] = {
    {"background", SET_BACKGROUND},
    {"cursor", SET_CURSOR},
    {"focus", SET_FOCUS},
    {"freerotate", SET_FREEROTATE},
    // Joins here: "layer" and "matrix" (cmd_set_layer, cmd_set_matrix).
    {"pan", SET_PAN},
    {"pointer", SET_POINTER},
    {"points_color_index", SET_POINTS_COLOR_INDEX},
    // Joins here: "vertex" (cmd_set_vertex), compared before "view".
    {"view", SET_VIEW},
};

// The names of set view in the order they are compared.
static const ViewName k_view_names[] = {
    {"down", VIEW_DIRECTION, 0.0f, 0.0f},
    {"up", VIEW_DIRECTION, 0.0f, 180.0f},
    {"south", VIEW_DIRECTION, 180.0f, -90.0f},
    {"north", VIEW_DIRECTION, 0.0f, -90.0f},
    {"east", VIEW_DIRECTION, 90.0f, -90.0f},
    {"west", VIEW_DIRECTION, -90.0f, -90.0f},
    {"rotate", VIEW_ROTATE, 0.0f, 0.0f},
    {"ortho", VIEW_ORTHO, 0.0f, 0.0f},
    {"pan", VIEW_PAN, 0.0f, 0.0f},
    {"parallel", VIEW_PARALLEL, 0.0f, 0.0f},
    {"perspective", VIEW_PERSPECTIVE, 0.0f, 0.0f},
    {"zoom", VIEW_ZOOM, 0.0f, 0.0f},
    {"centre", VIEW_CENTRE, 0.0f, 0.0f},
    {"center", VIEW_CENTRE, 0.0f, 0.0f},
    {"size", VIEW_SIZE, 0.0f, 0.0f},
};

static const SetKeyword *find_keyword(const char *word);
static int run_branch(SetBranch branch, char **at);
static int set_cursor(char **args);
static int parse_floats(char **args, float *out, int n);
static int parse_ints(char **args, int *out, int n);
static int usage(const char *text);
static void show_cut(std::string text);

int cmd_set(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    const char *last = words[0];
    for (int i = 1; words[i] != nullptr; i++) {
        last = words[i];
        const SetKeyword *keyword = find_keyword(words[i]);
        if (keyword != nullptr) return run_branch(keyword->branch, words + i);
    }
    show_cut(std::string("druvex: unknown ") + words[0] + " attribute: " + last);
    return 0;
}

int cmd_set_view(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    AppState *app = &g_app;
    const char *name = nullptr;
    if (!arg_parse(&name, words[1], ARG_STRING)) return usage(USAGE_VIEW);
    const ViewName *view = nullptr;
    for (const ViewName &candidate : k_view_names) {
        if (strcmp(candidate.name, name) == 0) {
            view = &candidate;
            break;
        }
    }
    if (view == nullptr) {
        show_cut(std::string("druvex: unknown view name: ") + name);
        return 0;
    }
    char **args = words + 2;
    float f[2] = {0.0f, 0.0f};
    int n[2] = {0, 0};
    switch (view->action) {
    case VIEW_DIRECTION:
        view_set_angles(&app->view, view->yaw, view->pitch);
        break;
    case VIEW_ROTATE:
        if (!parse_floats(args, f, 2)) return usage(USAGE_VIEW_ROTATE);
        view_rotate_by(&app->view, f[0], f[1]);
        break;
    case VIEW_ORTHO:
        if (!parse_floats(args, f, 2)) return usage(USAGE_VIEW_ORTHO);
        view_set_angles(&app->view, f[0], f[1]);
        break;
    case VIEW_PAN:
        if (!parse_floats(args, f, 2)) return usage(USAGE_VIEW_PAN);
        view_pan(&app->view, f[0], f[1], 1);
        break;
    case VIEW_PARALLEL:
        view_set_perspective(&app->view, 0);
        break;
    case VIEW_PERSPECTIVE:
        view_set_perspective(&app->view, 1);
        break;
    case VIEW_ZOOM:
        if (!parse_floats(args, f, 1)) return usage(USAGE_VIEW_ZOOM);
        view_set_zoom(&app->view, f[0]);
        break;
    case VIEW_CENTRE: {
        const float *centre = viewer_focus_all(&app->viewer);
        view_set_focus(&app->view, centre[0], centre[1], centre[2]);
        break;
    }
    case VIEW_SIZE:
        if (!parse_ints(args, n, 2)) return usage(USAGE_VIEW_SIZE);
        win_set_view_size(&app->view, &app->viewer, n[0], n[1]);
        break;
    }
    return 1;
}

// The keyword equal to the word, null when none. Only words beginning with a
// lowercase letter from b to v can be keywords.
static const SetKeyword *find_keyword(const char *word)
{
    unsigned char first = static_cast<unsigned char>(word[0]);
    if (first < 'b' || first > 'v') return nullptr;
    for (const SetKeyword &keyword : k_set_keywords) {
        if (static_cast<unsigned char>(keyword.word[0]) == first && strcmp(keyword.word, word) == 0) {
            return &keyword;
        }
    }
    return nullptr;
}

// Runs one branch of set; at is its keyword, the arguments follow it. Every
// argument is read before anything changes.
static int run_branch(SetBranch branch, char **at)
{
    AppState *app = &g_app;
    char **args = at + 1;
    float f[3] = {0.0f, 0.0f, 0.0f};
    int n[2] = {0, 0};
    switch (branch) {
    case SET_BACKGROUND:
        if (!parse_floats(args, f, 3)) return usage(USAGE_BACKGROUND);
        view_set_background_rgb(&app->view, f[0], f[1], f[2]);
        return 1;
    case SET_CURSOR:
        return set_cursor(args);
    case SET_FOCUS:
        if (!parse_floats(args, f, 3)) return usage(USAGE_FOCUS);
        view_set_focus(&app->view, f[0], f[1], f[2]);
        return 1;
    case SET_FREEROTATE:
        if (!arg_parse(&n[0], args[0], ARG_BOOL)) return usage(USAGE_FREEROTATE);
        view_set_free_rotate(&app->view, n[0]);
        return 1;
    case SET_PAN:
        if (!parse_floats(args, f, 2)) return usage(USAGE_VIEW_PAN);
        app->view.pan_x = f[0];
        app->view.pan_y = f[1];
        return 1;
    case SET_POINTER:
        if (!parse_ints(args, n, 2)) return usage(USAGE_POINTER);
        win_set_cursor_pos(n[0], n[1]);
        return 1;
    case SET_POINTS_COLOR_INDEX:
        if (!parse_ints(args, n, 1)) return usage(USAGE_POINTS_COLOR);
        viewer_set_points_color_index(&app->viewer, n[0]);
        return 1;
    case SET_VIEW:
        return cmd_set_view(at);
    }
    return 0;
}

// `set cursor position <x> <y> <z>` moves the 3D cursor; `set cursor <id>`
// shows a loaded mouse cursor (an unknown id changes nothing, silently).
static int set_cursor(char **args)
{
    const char *word = nullptr;
    if (!arg_parse(&word, args[0], ARG_STRING)) return usage(USAGE_CURSOR);
    if (strcmp(word, "position") == 0) {
        float xyz[3] = {0.0f, 0.0f, 0.0f};
        if (!parse_floats(args + 1, xyz, 3)) return usage(USAGE_CURSOR_POSITION);
        viewer_set_cursor_position(&g_app.viewer, xyz[0], xyz[1], xyz[2]);
        return 1;
    }
    int id = 0;
    if (!arg_parse(&id, word, ARG_INT)) return usage(USAGE_CURSOR);
    view_set_cursor_shape(id);
    return 1;
}

// Parses n floats from args on into out; 0 at the first missing or mistyped
// word (a word after a missing one is never read).
static int parse_floats(char **args, float *out, int n)
{
    for (int k = 0; k < n; k++) {
        if (args[k] == nullptr || !arg_parse(&out[k], args[k], ARG_FLOAT)) return 0;
    }
    return 1;
}

// Parses n integers from args on into out; 0 at the first missing or mistyped word.
static int parse_ints(char **args, int *out, int n)
{
    for (int k = 0; k < n; k++) {
        if (args[k] == nullptr || !arg_parse(&out[k], args[k], ARG_INT)) return 0;
    }
    return 1;
}

// Shows a usage text; 0.
static int usage(const char *text)
{
    cb_message_hook(text);
    return 0;
}

// Shows a text that embeds a word of the command, cut to the message room.
static void show_cut(std::string text)
{
    if (text.size() > MESSAGE_SIZE - 1) text.resize(MESSAGE_SIZE - 1);
    cb_message_hook(text.c_str());
}
