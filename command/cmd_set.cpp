#include "command/cmd_set.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/vertex_edit.h"
#include "formats/mod_reader.h"
#include "foundation/last_error.h"
#include "foundation/matrix4.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/value_check.h"
#include "viewer/camera.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/window.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

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
static const char *const USAGE_MATRIX = "druvex: usage: druvex set matrix <type> <n1> <n2> .. <n16>";
static const char *const USAGE_VERTEX = "druvex: usage: druvex set vertex <args>";
static const char *const USAGE_VERTEX_POINT = "druvex: usage: druvex set vertex point <n>";
static const char *const USAGE_VERTEX_NORMAL = "druvex: usage: druvex set vertex normal <n>";
static const char *const USAGE_VERTEX_COLOR = "druvex: usage: druvex set vertex color <n>";
static const char *const USAGE_VERTEX_TRANSPARENCY = "druvex: usage: druvex set vertex transparency <n>";
// Also the text of the layer branches without one of their own.
static const char *const USAGE_LAYER = "druvex: usage: druvex set layer <args>";
static const char *const USAGE_LAYER_SIDES = "druvex: usage: druvex set layer sides 1|2";
static const char *const USAGE_LAYER_MIRROR = "druvex: usage: druvex set layer mirror none|x|y|z";
static const char *const USAGE_LAYER_COLOR = "druvex: usage: druvex set layer color <r> <g> <b>";
static const char *const USAGE_LAYER_TRANSPARENCY = "druvex: usage: druvex set layer transparency <f>";

// Yaw and pitch (degrees) of a fixed view direction.
struct ViewAngles {
    float yaw, pitch;
};

// A layer operation that takes one integer (sides, image axes).
typedef int (*LayerIntSetter)(Model *model, const char *layer, int32_t value);
// A layer operation that takes one float (transparency, reflection amount).
typedef int (*LayerFloatSetter)(Model *model, const char *layer, float value);
// A layer operation that takes a file name (the three image slots).
typedef int (*LayerFileSetter)(Model *model, const char *layer, const char *file);

// A set layer branch's operation, the check its value must pass (none: every value is kept)
// and the text shown for a value that fails it: the reader's text for a line holding it.
struct LayerIntBranch {
    LayerIntSetter set;
    int (*ok)(int32_t value);
    const char *refused;
};
struct LayerFloatBranch {
    LayerFloatSetter set;
    int (*ok)(float value);
    const char *refused;
};
struct LayerFileBranch {
    LayerFileSetter set;
    int32_t slot;          // texture slot the file goes to
    const char *refused;
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
static int set_layer(const Keyword *keyword, char **at);
static int set_matrix(const Keyword *keyword, char **at);
static int set_vertex(const Keyword *keyword, char **at);
static int set_matrix_view(const Keyword *keyword, char **at);
static int set_layer_name(const Keyword *keyword, char **at);
static int set_layer_int(const Keyword *keyword, char **at);
static int set_layer_mirror(const Keyword *keyword, char **at);
static int set_layer_lighting(const Keyword *keyword, char **at);
static int set_layer_color(const Keyword *keyword, char **at);
static int set_layer_float(const Keyword *keyword, char **at);
static int set_layer_file(const Keyword *keyword, char **at);

// The keywords of set in the order they are compared.
static const Keyword k_set_keywords[] = {
    {"background", set_background, USAGE_BACKGROUND, nullptr},
    {"cursor", set_cursor, USAGE_CURSOR, nullptr},
    {"focus", set_focus, USAGE_FOCUS, nullptr},
    {"freerotate", set_freerotate, USAGE_FREEROTATE, nullptr},
    {"layer", set_layer, nullptr, nullptr},
    {"matrix", set_matrix, nullptr, nullptr},
    {"pan", set_pan, USAGE_VIEW_PAN, nullptr},
    {"pointer", set_pointer, USAGE_POINTER, nullptr},
    {"points_color_index", set_points_color_index, USAGE_POINTS_COLOR, nullptr},
    {"vertex", set_vertex, nullptr, nullptr},
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

// The one matrix type of set matrix.
static const Keyword k_matrix_keywords[] = {
    {"view", set_matrix_view, USAGE_MATRIX, nullptr},
};

static const KeywordTable k_set_matrix = {k_matrix_keywords, KEYWORD_COUNT(k_matrix_keywords), KEYWORD_FIRST_WORD,
                                          "druvex: unknown matrix type: %s", nullptr, USAGE_MATRIX};

// What set vertex writes, in the order compared.
static const Keyword k_vertex_keywords[] = {
    {"point", vertex_edit_point, USAGE_VERTEX_POINT, nullptr},
    {"normal", vertex_edit_normal, USAGE_VERTEX_NORMAL, nullptr},
    {"color", vertex_edit_color, USAGE_VERTEX_COLOR, nullptr},
    {"transparency", vertex_edit_transparency, USAGE_VERTEX_TRANSPARENCY, nullptr},
};

static const KeywordTable k_set_vertex = {k_vertex_keywords, KEYWORD_COUNT(k_vertex_keywords), KEYWORD_FIRST_WORD,
                                          "druvex: unknown vertex argument: %s", nullptr, USAGE_VERTEX};

static const LayerIntBranch k_layer_sides = {layer_set_sides, nullptr, nullptr};
static const LayerIntBranch k_layer_xaxis = {layer_set_image_xaxis, value_axis_ok, MOD_BAD_AXIS};
static const LayerIntBranch k_layer_yaxis = {layer_set_image_yaxis, value_axis_ok, MOD_BAD_AXIS};
static const LayerFloatBranch k_layer_transparency = {layer_set_transparency, value_unit_ok, MOD_BAD_TRANSPARENCY};
static const LayerFloatBranch k_layer_intensity = {layer_set_reflect_intensity, value_unit_ok, MOD_BAD_REFLECT};
static const LayerFileBranch k_layer_image = {layer_set_image, LAYER_SLOT_IMAGE, MOD_BAD_IMAGE};
static const LayerFileBranch k_layer_mirror_image = {layer_set_mirror_image, LAYER_SLOT_MIRROR, MOD_BAD_IMAGE};
static const LayerFileBranch k_layer_reflect_image = {layer_set_reflect_image, LAYER_SLOT_REFLECT, MOD_BAD_REFLECT};

// The attributes of set layer in the order compared.
static const Keyword k_layer_keywords[] = {
    {"name", set_layer_name, USAGE_LAYER, nullptr},
    {"sides", set_layer_int, USAGE_LAYER_SIDES, &k_layer_sides},
    {"xaxis", set_layer_int, USAGE_LAYER, &k_layer_xaxis},
    {"yaxis", set_layer_int, USAGE_LAYER, &k_layer_yaxis},
    {"mirror", set_layer_mirror, USAGE_LAYER_MIRROR, nullptr},
    {"lighting", set_layer_lighting, nullptr, nullptr},
    {"color", set_layer_color, USAGE_LAYER_COLOR, nullptr},
    {"transparency", set_layer_float, USAGE_LAYER_TRANSPARENCY, &k_layer_transparency},
    {"intensity", set_layer_float, USAGE_LAYER, &k_layer_intensity},
    {"image", set_layer_file, USAGE_LAYER, &k_layer_image},
    {"mirrorimage", set_layer_file, USAGE_LAYER, &k_layer_mirror_image},
    {"reflectimage", set_layer_file, USAGE_LAYER, &k_layer_reflect_image},
};

static const KeywordTable k_set_layer = {k_layer_keywords, KEYWORD_COUNT(k_layer_keywords), KEYWORD_FIRST_WORD,
                                         "druvex: unknown layer argument: %s", nullptr, USAGE_LAYER};

int cmd_set(char **words)
{
    return keyword_scan(&k_set, words);
}

int cmd_set_view(char **words)
{
    return keyword_scan(&k_set_view, words);
}

int cmd_set_matrix(char **words)
{
    return keyword_scan(&k_set_matrix, words);
}

// The current model may be none: each branch reads its words first and then
// ends silently without one.
int cmd_set_vertex(char **words)
{
    return keyword_scan(&k_set_vertex, words);
}

// The model and the selected layer are checked before the attribute word is read.
int cmd_set_layer(char **words)
{
    if (sel_current_model(&g_app.viewer) == nullptr) return keyword_show("druvex: no model selected");
    if (g_app.selected_layer[0] == '\0') return keyword_show("druvex: no layer selected");
    return keyword_scan(&k_set_layer, words);
}

// Every branch reads all its arguments before anything changes.

// set background <red> <green> <blue>
static int set_background(const Keyword *keyword, char **at)
{
    float f[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, f, 3)) return keyword_usage(keyword);
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
        if (!arg_parse_floats(at + 2, xyz, 3)) return keyword_show(USAGE_CURSOR_POSITION);
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
    if (!arg_parse_floats(at + 1, f, 3)) return keyword_usage(keyword);
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
    if (!arg_parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    g_app.view.pan_x = f[0];
    g_app.view.pan_y = f[1];
    return 1;
}

// set pointer <x> <y>: the mouse pointer on the screen.
static int set_pointer(const Keyword *keyword, char **at)
{
    int n[2] = {0, 0};
    if (!arg_parse_ints(at + 1, n, 2)) return keyword_usage(keyword);
    win_set_cursor_pos(n[0], n[1]);
    return 1;
}

// set points_color_index <n>
static int set_points_color_index(const Keyword *keyword, char **at)
{
    int n = 0;
    if (!arg_parse_ints(at + 1, &n, 1)) return keyword_usage(keyword);
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

// set view rotate <xangle> <yangle>: angles that would take the kept yaw or
// pitch past the float range are of the wrong kind.
static int set_view_rotate(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    ViewState *view = &g_app.view;
    if (!view->free_rotate && !(std::isfinite(view->yaw + f[0]) && std::isfinite(view->pitch + f[1])))
        return keyword_usage(keyword);
    view_rotate_by(view, f[0], f[1]);
    return 1;
}

// set view ortho <angle> <pitch>
static int set_view_ortho(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    view_set_angles(&g_app.view, f[0], f[1]);
    return 1;
}

// set view pan <dx> <dy>: relative, in window pixels. A move that would take the
// pan past the float range is of the wrong kind; it is tried on a copy first.
static int set_view_pan(const Keyword *keyword, char **at)
{
    float f[2] = {0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, f, 2)) return keyword_usage(keyword);
    ViewState trial = g_app.view;
    view_pan(&trial, f[0], f[1], 1);
    if (!std::isfinite(trial.pan_x) || !std::isfinite(trial.pan_y)) return keyword_usage(keyword);
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
    if (!arg_parse_floats(at + 1, &zoom, 1)) return keyword_usage(keyword);
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
    if (!arg_parse_ints(at + 1, n, 2)) return keyword_usage(keyword);
    win_set_view_size(&g_app.view, &g_app.viewer, n[0], n[1]);
    return 1;
}

// set layer: the list goes on at "layer".
static int set_layer(const Keyword *keyword, char **at)
{
    return cmd_set_layer(at);
}

// set matrix: the list goes on at "matrix".
static int set_matrix(const Keyword *keyword, char **at)
{
    return cmd_set_matrix(at);
}

// set vertex: the list goes on at "vertex".
static int set_vertex(const Keyword *keyword, char **at)
{
    return cmd_set_vertex(at);
}

// set matrix view <n1> .. <n16>: a row-major view matrix, the order get matrix
// view answers. Without a GL window (or its context) there is no view matrix
// to load, and nothing happens.
static int set_matrix_view(const Keyword *keyword, char **at)
{
    Matrix4 m;
    if (!arg_parse_floats(at + 1, m.m, 16)) return keyword_usage(keyword);
    WinHandle window = g_app.view.gl_window;
    if (window == 0 || !win_make_current(window)) return 1;
    view_load_modelview(&m);
    return 1;
}

// Every layer branch acts on the layer named by selected_layer in the current
// model; a name that is no layer there changes nothing, silently. A value that
// a model file could not give back is refused first, with the text the reader
// gives for a line holding it, and changes nothing.

// set layer name <new name>: selected_layer keeps the old name.
static int set_layer_name(const Keyword *keyword, char **at)
{
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (!value_token_ok(name)) return keyword_show(MOD_BAD_LAYER);
    layer_rename(sel_current_model(&g_app.viewer), g_app.selected_layer, name);
    return 1;
}

// set layer sides, xaxis and yaxis: one integer for the keyword's operation.
static int set_layer_int(const Keyword *keyword, char **at)
{
    int value = 0;
    if (!arg_parse_ints(at + 1, &value, 1)) return keyword_usage(keyword);
    const LayerIntBranch *branch = static_cast<const LayerIntBranch *>(keyword->data);
    if (branch->ok && !branch->ok(value)) return keyword_show(branch->refused);
    branch->set(sel_current_model(&g_app.viewer), g_app.selected_layer, value);
    return 1;
}

// set layer mirror none|x|y|z: any other word changes nothing and shows the
// reader's text for a mirror axis word it does not know.
static int set_layer_mirror(const Keyword *keyword, char **at)
{
    static const char *const axes[] = {"none", "x", "y", "z"};
    const char *word = nullptr;
    if (!arg_parse(&word, at[1], ARG_STRING)) return keyword_usage(keyword);
    for (int axis = 0; axis < 4; axis++) {
        if (strcmp(word, axes[axis]) == 0) {
            layer_set_mirror(sel_current_model(&g_app.viewer), g_app.selected_layer, axis);
            return 1;
        }
    }
    return keyword_show(MOD_BAD_AXIS);
}

// set layer lighting: the store keeps no lighting setting; no word is read.
static int set_layer_lighting(const Keyword *keyword, char **at)
{
    return 1;
}

// set layer color <r> <g> <b>: stored as given (127 is full intensity).
static int set_layer_color(const Keyword *keyword, char **at)
{
    int rgb[3] = {0, 0, 0};
    if (!arg_parse_ints(at + 1, rgb, 3)) return keyword_usage(keyword);
    layer_set_color(sel_current_model(&g_app.viewer), g_app.selected_layer, rgb[0], rgb[1], rgb[2]);
    return 1;
}

// set layer transparency and intensity: one float for the keyword's operation.
static int set_layer_float(const Keyword *keyword, char **at)
{
    float value = 0.0f;
    if (!arg_parse_floats(at + 1, &value, 1)) return keyword_usage(keyword);
    const LayerFloatBranch *branch = static_cast<const LayerFloatBranch *>(keyword->data);
    if (!branch->ok(value)) return keyword_show(branch->refused);
    branch->set(sel_current_model(&g_app.viewer), g_app.selected_layer, value);
    return 1;
}

// set layer image, mirrorimage and reflectimage: a file of the model's
// directory into the keyword's slot. A file that cannot be read keeps the
// slot's image and shows the image reader's reason, as opening a model file
// that names it would. An image needs faces or strips to map onto; on a layer
// of polylines alone (which the writer saves) it could not be read back.
static int set_layer_file(const Keyword *keyword, char **at)
{
    const char *file = nullptr;
    if (!arg_parse(&file, at[1], ARG_STRING)) return keyword_usage(keyword);
    const LayerFileBranch *branch = static_cast<const LayerFileBranch *>(keyword->data);
    if (!value_image_file_ok(branch->slot, file)) return keyword_show(branch->refused);
    Model *model = sel_current_model(&g_app.viewer);
    const char *layer = g_app.selected_layer;
    if (branch->slot == LAYER_SLOT_IMAGE && model_face_count(model, layer) == 0 &&
        model_line_count(model, layer) > 0)
        return keyword_show(MOD_BAD_IMAGE);
    err_set(nullptr);
    if (!branch->set(model, layer, file) && err_last()) return keyword_show(err_last());
    return 1;
}
