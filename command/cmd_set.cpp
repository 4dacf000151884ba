#include "command/cmd_set.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "viewer/camera.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"
#include "viewer/loaded_models.h"
#include "viewer/window.h"

#include <cstring>

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

// Yaw and pitch (degrees) of a fixed view direction.
struct ViewAngles {
    float yaw, pitch;
};

static int set_background(const Keyword *keyword, char **at);
static int set_cursor(const Keyword *keyword, char **at);
static int set_focus(const Keyword *keyword, char **at);
static int set_freerotate(const Keyword *keyword, char **at);
static int set_pan(const Keyword *keyword, char **at);
static int set_pointer(const Keyword *keyword, char **at);
static int set_points_color_index(const Keyword *keyword, char **at);
static int set_view(const Keyword *keyword, char **at);
static int set_view_direction(const Keyword *keyword, char **at);
static int set_view_rotate(const Keyword *keyword, char **at);
static int set_view_ortho(const Keyword *keyword, char **at);
static int set_view_pan(const Keyword *keyword, char **at);
static int set_view_projection(const Keyword *keyword, char **at);
static int set_view_zoom(const Keyword *keyword, char **at);
static int set_view_centre(const Keyword *keyword, char **at);
static int set_view_size(const Keyword *keyword, char **at);
static int parse_floats(char **args, float *out, int n);
static int parse_ints(char **args, int *out, int n);

// The keywords of set in the order they are compared.
static const Keyword k_set_keywords[] = {
    {"background", set_background, USAGE_BACKGROUND, nullptr},
    {"cursor", set_cursor, USAGE_CURSOR, nullptr},
    {"focus", set_focus, USAGE_FOCUS, nullptr},
    {"freerotate", set_freerotate, USAGE_FREEROTATE, nullptr},
    // Joins here: "layer" and "matrix" (cmd_set_layer, cmd_set_matrix).
    {"pan", set_pan, USAGE_VIEW_PAN, nullptr},
    {"pointer", set_pointer, USAGE_POINTER, nullptr},
    {"points_color_index", set_points_color_index, USAGE_POINTS_COLOR, nullptr},
    // Joins here: "vertex" (cmd_set_vertex), compared before "view".
    {"view", set_view, USAGE_VIEW, nullptr},
};

static const KeywordTable k_set = {k_set_keywords, KEYWORD_COUNT(k_set_keywords), KEYWORD_SKIP,
                                   KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

static const ViewAngles k_down = {0.0f, 0.0f};
static const ViewAngles k_up = {0.0f, 180.0f};
static const ViewAngles k_south = {180.0f, -90.0f};
static const ViewAngles k_north = {0.0f, -90.0f};
static const ViewAngles k_east = {90.0f, -90.0f};
static const ViewAngles k_west = {-90.0f, -90.0f};
// The projection flag of parallel and perspective.
static const int k_parallel = 0;
static const int k_perspective = 1;

// The names of set view in the order they are compared.
static const Keyword k_view_keywords[] = {
    {"down", set_view_direction, nullptr, &k_down},
    {"up", set_view_direction, nullptr, &k_up},
    {"south", set_view_direction, nullptr, &k_south},
    {"north", set_view_direction, nullptr, &k_north},
    {"east", set_view_direction, nullptr, &k_east},
    {"west", set_view_direction, nullptr, &k_west},
    {"rotate", set_view_rotate, USAGE_VIEW_ROTATE, nullptr},
    {"ortho", set_view_ortho, USAGE_VIEW_ORTHO, nullptr},
    {"pan", set_view_pan, USAGE_VIEW_PAN, nullptr},
    {"parallel", set_view_projection, nullptr, &k_parallel},
    {"perspective", set_view_projection, nullptr, &k_perspective},
    {"zoom", set_view_zoom, USAGE_VIEW_ZOOM, nullptr},
    {"centre", set_view_centre, nullptr, nullptr},
    {"center", set_view_centre, nullptr, nullptr},
    {"size", set_view_size, USAGE_VIEW_SIZE, nullptr},
};

// Only the name after view is looked at: an unknown name is not skipped.
static const KeywordTable k_set_view = {k_view_keywords, KEYWORD_COUNT(k_view_keywords), KEYWORD_FIRST_WORD,
                                        "druvex: unknown view name: %s", nullptr, USAGE_VIEW};

int cmd_set(char **words)
{
    return keyword_scan(&k_set, words);
}

int cmd_set_view(char **words)
{
    return keyword_scan(&k_set_view, words);
}

// Every branch reads all its arguments before anything changes.

// set background <red> <green> <blue>
static int set_background(const Keyword *keyword, char **at)
{
    float f[3] = {0.0f, 0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 3)) return keyword_usage(keyword);
    view_set_background_rgb(&g_app.view, f[0], f[1], f[2]);
    return 1;
}

// `set cursor position <x> <y> <z>` moves the 3D cursor; `set cursor <id>`
// shows a loaded mouse cursor (an unknown id changes nothing, silently).
static int set_cursor(const Keyword *keyword, char **at)
{
    const char *word = nullptr;
    if (!arg_parse(&word, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (strcmp(word, "position") == 0) {
        float xyz[3] = {0.0f, 0.0f, 0.0f};
        if (!parse_floats(at + 2, xyz, 3)) return keyword_show(USAGE_CURSOR_POSITION);
        viewer_set_cursor_position(&g_app.viewer, xyz[0], xyz[1], xyz[2]);
        return 1;
    }
    int id = 0;
    if (!arg_parse(&id, word, ARG_INT)) return keyword_usage(keyword);
    view_set_cursor_shape(id);
    return 1;
}

// set focus <x> <y> <z>
static int set_focus(const Keyword *keyword, char **at)
{
    float f[3] = {0.0f, 0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 3)) return keyword_usage(keyword);
    view_set_focus(&g_app.view, f[0], f[1], f[2]);
    return 1;
}

// set freerotate <on>
static int set_freerotate(const Keyword *keyword, char **at)
{
    int on = 0;
    if (!arg_parse(&on, at[1], ARG_BOOL)) return keyword_usage(keyword);
    view_set_free_rotate(&g_app.view, on);
    return 1;
}

// set pan <x> <y>: the pan in scene units, nothing else.
static int set_pan(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    g_app.view.pan_x = f[0];
    g_app.view.pan_y = f[1];
    return 1;
}

// set pointer <x> <y>: the mouse pointer on the screen.
static int set_pointer(const Keyword *keyword, char **at)
{
    int n[2] = {0, 0};
    if (!parse_ints(at + 1, n, 2)) return keyword_usage(keyword);
    win_set_cursor_pos(n[0], n[1]);
    return 1;
}

// set points_color_index <n>
static int set_points_color_index(const Keyword *keyword, char **at)
{
    int n = 0;
    if (!parse_ints(at + 1, &n, 1)) return keyword_usage(keyword);
    viewer_set_points_color_index(&g_app.viewer, n);
    return 1;
}

// set view: the list goes on at "view".
static int set_view(const Keyword *keyword, char **at)
{
    return cmd_set_view(at);
}

// set view down, up, south, north, east, west.
static int set_view_direction(const Keyword *keyword, char **at)
{
    const ViewAngles *angles = static_cast<const ViewAngles *>(keyword->data);
    view_set_angles(&g_app.view, angles->yaw, angles->pitch);
    return 1;
}

// set view rotate <xangle> <yangle>
static int set_view_rotate(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    view_rotate_by(&g_app.view, f[0], f[1]);
    return 1;
}

// set view ortho <angle> <pitch>
static int set_view_ortho(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    view_set_angles(&g_app.view, f[0], f[1]);
    return 1;
}

// set view pan <dx> <dy>: relative, in window pixels.
static int set_view_pan(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    view_pan(&g_app.view, f[0], f[1], 1);
    return 1;
}

// set view parallel and set view perspective.
static int set_view_projection(const Keyword *keyword, char **at)
{
    view_set_perspective(&g_app.view, *static_cast<const int *>(keyword->data));
    return 1;
}

// set view zoom <factor>
static int set_view_zoom(const Keyword *keyword, char **at)
{
    float zoom = 0.0f;
    if (!parse_floats(at + 1, &zoom, 1)) return keyword_usage(keyword);
    view_set_zoom(&g_app.view, zoom);
    return 1;
}

// set view centre (or center): the camera on the centre of all models.
static int set_view_centre(const Keyword *keyword, char **at)
{
    const float *centre = viewer_focus_all(&g_app.viewer);
    view_set_focus(&g_app.view, centre[0], centre[1], centre[2]);
    return 1;
}

// set view size <width> <height>
static int set_view_size(const Keyword *keyword, char **at)
{
    int n[2] = {0, 0};
    if (!parse_ints(at + 1, n, 2)) return keyword_usage(keyword);
    win_set_view_size(&g_app.view, &g_app.viewer, n[0], n[1]);
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
