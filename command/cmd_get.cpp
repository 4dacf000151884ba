#include "command/cmd_get.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "foundation/geometry.h"
#include "foundation/matrix4.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/point.h"
#include "viewer/display_options.h"
#include "viewer/frame.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/window.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char *const USAGE_CHILD = "druvex: usage: druvex get child <n>";
static const char *const USAGE_VERTEX = "druvex: usage: druvex get vertex <args>";
static const char *const USAGE_MATRIX = "druvex: usage: druvex get matrix <type>";
static const char *const USAGE_LAYER = "druvex: usage: druvex get layer <args>";
static const char *const NO_MODEL = "druvex: no model selected";
static const char *const NO_LAYER = "druvex: no layer selected";
static const char *const UNKNOWN_VERTEX = "druvex: unknown vertex argument: %s";
static const char *const UNKNOWN_MATRIX = "druvex: unknown matrix type: %s";
static const char *const UNKNOWN_LAYER = "druvex: unknown layer argument: %s";

// Room of the texts built here, terminator included.
static const int TEXT_SIZE = 512;
// Transparency byte to 0..1.
static const float BYTE_TO_UNIT = 0.003921569f;

// The values of get vertex that read one point.
enum VertexValue { VERTEX_POINT, VERTEX_NORMAL, VERTEX_COLOR, VERTEX_TRANSPARENCY };

static int get_centre(const Keyword *keyword, char **at);
static int get_child(const Keyword *keyword, char **at);
static int get_cursor(const Keyword *keyword, char **at);
static int get_hostname(const Keyword *keyword, char **at);
static int get_layer(const Keyword *keyword, char **at);
static int get_matrix(const Keyword *keyword, char **at);
static int get_pan(const Keyword *keyword, char **at);
static int get_pointer(const Keyword *keyword, char **at);
static int get_vertex(const Keyword *keyword, char **at);
static int get_zoom(const Keyword *keyword, char **at);
static int vertex_at(const Keyword *keyword, char **at);
static int vertex_list(const Keyword *keyword, char **at);
static int vertex_value(const Keyword *keyword, char **at);
static int matrix_view(const Keyword *keyword, char **at);
static int matrix_rotation(const Keyword *keyword, char **at);
static int layer_names(const Keyword *keyword, char **at);
static int layer_sides(const Keyword *keyword, char **at);
static int layer_mirror(const Keyword *keyword, char **at);
static int layer_lighting(const Keyword *keyword, char **at);
static int layer_color(const Keyword *keyword, char **at);
static int layer_transparency(const Keyword *keyword, char **at);
static int layer_uvees(const Keyword *keyword, char **at);
static int layer_image(const Keyword *keyword, char **at);
static int layer_mirrorimage(const Keyword *keyword, char **at);
static int layer_reflectimage(const Keyword *keyword, char **at);
static int layer_axis(const Keyword *keyword, char **at);
static int layer_intensity(const Keyword *keyword, char **at);
static Point *vertex_point(char **at);
static int window_current();
static void next_frame_rotation(Matrix4 *out);

// The attributes of get in the order they are compared.
static const Keyword k_get_keywords[] = {
    {"centre", get_centre, nullptr, nullptr},
    {"child", get_child, USAGE_CHILD, nullptr},
    {"cursor", get_cursor, nullptr, nullptr},
    {"hostname", get_hostname, nullptr, nullptr},
    {"layer", get_layer, nullptr, nullptr},
    {"matrix", get_matrix, nullptr, nullptr},
    {"pan", get_pan, nullptr, nullptr},
    {"pointer", get_pointer, nullptr, nullptr},
    {"vertex", get_vertex, nullptr, nullptr},
    {"zoom", get_zoom, nullptr, nullptr},
};

// Only word 1 is looked at; no word names "get" in the unknown-attribute text.
static const KeywordTable k_get = {k_get_keywords, KEYWORD_COUNT(k_get_keywords), KEYWORD_FIRST_WORD,
                                   KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

static const VertexValue k_point = VERTEX_POINT;
static const VertexValue k_normal = VERTEX_NORMAL;
static const VertexValue k_color = VERTEX_COLOR;
static const VertexValue k_transparency = VERTEX_TRANSPARENCY;

// The words of get vertex in the order they are compared; data of the value
// words is their VertexValue.
static const Keyword k_vertex_keywords[] = {
    {"at", vertex_at, USAGE_VERTEX, nullptr},
    {"list", vertex_list, nullptr, nullptr},
    {"point", vertex_value, USAGE_VERTEX, &k_point},
    {"normal", vertex_value, USAGE_VERTEX, &k_normal},
    {"color", vertex_value, USAGE_VERTEX, &k_color},
    {"transparency", vertex_value, USAGE_VERTEX, &k_transparency},
};

static const KeywordTable k_vertex = {k_vertex_keywords, KEYWORD_COUNT(k_vertex_keywords), KEYWORD_FIRST_WORD,
                                      UNKNOWN_VERTEX, nullptr, USAGE_VERTEX};

// The types of get matrix in the order they are compared.
static const Keyword k_matrix_keywords[] = {
    {"view", matrix_view, nullptr, nullptr},
    {"rotation", matrix_rotation, USAGE_MATRIX, nullptr},
};

static const KeywordTable k_matrix = {k_matrix_keywords, KEYWORD_COUNT(k_matrix_keywords), KEYWORD_FIRST_WORD,
                                      UNKNOWN_MATRIX, nullptr, USAGE_MATRIX};

// The image axes of get layer xaxis and yaxis.
static const int k_u_axis = 0;
static const int k_v_axis = 1;

// The attributes of get layer in the order they are compared; all but names
// read the selected layer.
static const Keyword k_layer_keywords[] = {
    {"names", layer_names, nullptr, nullptr},
    {"sides", layer_sides, nullptr, nullptr},
    {"mirror", layer_mirror, nullptr, nullptr},
    {"lighting", layer_lighting, nullptr, nullptr},
    {"color", layer_color, nullptr, nullptr},
    {"transparency", layer_transparency, nullptr, nullptr},
    {"uvees", layer_uvees, nullptr, nullptr},
    {"image", layer_image, nullptr, nullptr},
    {"mirrorimage", layer_mirrorimage, nullptr, nullptr},
    {"reflectimage", layer_reflectimage, nullptr, nullptr},
    {"xaxis", layer_axis, nullptr, &k_u_axis},
    {"yaxis", layer_axis, nullptr, &k_v_axis},
    {"intensity", layer_intensity, nullptr, nullptr},
};

static const KeywordTable k_layer = {k_layer_keywords, KEYWORD_COUNT(k_layer_keywords), KEYWORD_FIRST_WORD,
                                     UNKNOWN_LAYER, nullptr, USAGE_LAYER};

int cmd_get(char **words)
{
    return keyword_scan(&k_get, words);
}

int cmd_get_child(int32_t n)
{
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 0;
    Child *child = model_child_at(model, n);
    if (child == nullptr) return 0;
    std::vector<std::string> fields;
    fields.emplace_back(child->name, strnlen(child->name, sizeof child->name));
    char number[64];
    for (int i = 0; i < 3; i++) {
        snprintf(number, sizeof number, "%d", geom_trunc_int(child->position[i]));
        fields.emplace_back(number);
    }
    for (int i = 0; i < 3; i++) {
        snprintf(number, sizeof number, "%f", static_cast<double>(child->scale[i]));
        fields.emplace_back(number);
    }
    for (int i = 0; i < 3; i++)
        fields.emplace_back(child->rotation[i], strnlen(child->rotation[i], sizeof child->rotation[i]));
    tcl_set_result_list(fields);
    return 1;
}

int cmd_get_pan()
{
    const float pan[2] = {g_app.view.pan_x, g_app.view.pan_y};
    tcl_set_result(result_floats(pan, 2));
    return 1;
}

int cmd_get_zoom()
{
    tcl_set_result(result_floats(&g_app.view.zoom, 1));
    return 1;
}

// The rules in their order: what word, current model, list, point id, the
// point, then the value word; `at` needs none of them but its two numbers.
int cmd_get_vertex(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    const char *what = words[1];
    if (what == nullptr) return keyword_show(USAGE_VERTEX);
    const Keyword *keyword = keyword_find(&k_vertex, what);
    if (keyword != nullptr && keyword->run == vertex_at) return keyword->run(keyword, words + 1);
    if (sel_current_model(&g_app.viewer) == nullptr) return keyword_show(NO_MODEL);
    if (keyword != nullptr && keyword->run == vertex_list) return keyword->run(keyword, words + 1);
    int n = 0;
    if (!arg_parse(&n, words[2], ARG_INT)) return keyword_show(USAGE_VERTEX);
    if (vertex_point(words + 1) == nullptr) {
        tcl_set_result("unknown");
        return 1;
    }
    if (keyword == nullptr) return keyword_unknown(k_vertex.unknown, nullptr, what);
    return keyword->run(keyword, words + 1);
}

int32_t *cmd_point_key_list(Model *model, int32_t *count)
{
    if (count != nullptr) *count = 0;
    int32_t n = model_point_count(model);
    if (n <= 0) return nullptr;
    int32_t *keys = static_cast<int32_t *>(malloc(static_cast<size_t>(n) * sizeof(int32_t)));
    if (keys == nullptr) return nullptr;
    int32_t written = 0;
    int32_t key = 0;
    for (void *point = table_first(&model->points, &key); point != nullptr && written < n;
         point = table_next(&model->points, &key)) {
        keys[written++] = key;
    }
    if (count != nullptr) *count = written;
    return keys;
}

// The depth is read from a frame drawn again without a swap, since the back
// buffer holds nothing defined after one; the frame leaves the view rotation
// as the modelview, so the focus it translates by is added back.
const int *cmd_pixel_to_point(int x, int y)
{
    static int point[3];
    point[0] = point[1] = point[2] = 0;
    if (!window_current()) return point;
    win_hold_swaps(1);
    view_draw_frame(&g_app.view, &g_app.viewer);
    win_hold_swaps(0);
    if (!window_current()) return point;
    float world[3] = {0.0f, 0.0f, 0.0f};
    viewer_unproject(static_cast<float>(x), static_cast<float>(y), world);
    for (int i = 0; i < 3; i++) point[i] = geom_trunc_int(world[i] + g_app.view.camera_focus[i]);
    return point;
}

int cmd_get_matrix(char **words)
{
    return keyword_scan(&k_matrix, words);
}

// The current model, the attribute word, names, the selected layer, then the
// other attributes.
int cmd_get_layer(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    if (sel_current_model(&g_app.viewer) == nullptr) return keyword_show(NO_MODEL);
    const char *attribute = words[1];
    if (attribute == nullptr) return keyword_show(USAGE_LAYER);
    const Keyword *keyword = keyword_find(&k_layer, attribute);
    if (keyword != nullptr && keyword->run == layer_names) return keyword->run(keyword, words + 1);
    if (g_app.selected_layer[0] == '\0') return keyword_show(NO_LAYER);
    if (keyword == nullptr) return keyword_unknown(k_layer.unknown, nullptr, attribute);
    return keyword->run(keyword, words + 1);
}

std::vector<std::string> cmd_layer_names(Model *model)
{
    std::vector<std::string> names;
    if (model == nullptr) return names;
    for (Layer *layer = static_cast<Layer *>(table_first(&model->layers)); layer != nullptr;
         layer = static_cast<Layer *>(table_next(&model->layers))) {
        names.emplace_back(layer->name, strnlen(layer->name, sizeof layer->name));
    }
    return names;
}

// get centre: the viewer's focus moves to the centre of all loaded models.
static int get_centre(const Keyword *keyword, char **at)
{
    tcl_set_result(result_floats(viewer_focus_all(&g_app.viewer), 3));
    return 1;
}

// get child <n>
static int get_child(const Keyword *keyword, char **at)
{
    int n = 0;
    if (!arg_parse(&n, at[1], ARG_INT)) return keyword_usage(keyword);
    return cmd_get_child(n);
}

// get cursor: the 3D cursor.
static int get_cursor(const Keyword *keyword, char **at)
{
    tcl_set_result(result_floats(viewer_get_cursor_position(&g_app.viewer), 3));
    return 1;
}

// get hostname: the machine's name as the system gives it; no result when it
// cannot be read.
static int get_hostname(const Keyword *keyword, char **at)
{
    char name[TEXT_SIZE];
    if (gethostname(name, sizeof name - 1) != 0) return 0;
    name[sizeof name - 1] = '\0';
    tcl_set_result(name);
    return 1;
}

// get layer: the list goes on at "layer".
static int get_layer(const Keyword *keyword, char **at)
{
    return cmd_get_layer(at);
}

// get matrix: the list goes on at "matrix".
static int get_matrix(const Keyword *keyword, char **at)
{
    return cmd_get_matrix(at);
}

// get pan
static int get_pan(const Keyword *keyword, char **at)
{
    return cmd_get_pan();
}

// get pointer: the mouse pointer on the screen, no result when it cannot be read.
static int get_pointer(const Keyword *keyword, char **at)
{
    int xy[2] = {0, 0};
    if (!win_get_cursor_pos(&xy[0], &xy[1])) return 0;
    tcl_set_result(result_ints(xy, 2));
    return 1;
}

// get vertex: the list goes on at "vertex".
static int get_vertex(const Keyword *keyword, char **at)
{
    return cmd_get_vertex(at);
}

// get zoom
static int get_zoom(const Keyword *keyword, char **at)
{
    return cmd_get_zoom();
}

// get vertex at <x> <y>
static int vertex_at(const Keyword *keyword, char **at)
{
    int xy[2] = {0, 0};
    if (!arg_parse_ints(at + 1, xy, 2)) return keyword_usage(keyword);
    tcl_set_result(result_ints(cmd_pixel_to_point(xy[0], xy[1]), 3));
    return 1;
}

// get vertex list: no result for a model without points.
static int vertex_list(const Keyword *keyword, char **at)
{
    int32_t count = 0;
    int32_t *keys = cmd_point_key_list(sel_current_model(&g_app.viewer), &count);
    if (keys != nullptr && count > 0) tcl_set_result(result_ints(keys, count));
    free(keys);
    return 1;
}

// get vertex point, normal, color and transparency <n>: the point is known to exist.
static int vertex_value(const Keyword *keyword, char **at)
{
    const Point *point = vertex_point(at);
    if (point == nullptr) return 0;
    switch (*static_cast<const VertexValue *>(keyword->data)) {
    case VERTEX_POINT:
        tcl_set_result(result_floats(point->position, 3));
        break;
    case VERTEX_NORMAL:
        tcl_set_result(result_floats(point->normal, 3));
        break;
    case VERTEX_COLOR: {
        const int rgb[3] = {point->gouraud[0], point->gouraud[1], point->gouraud[2]};
        tcl_set_result(result_ints(rgb, 3));
        break;
    }
    case VERTEX_TRANSPARENCY: {
        float t = point->gouraud[3] * BYTE_TO_UNIT;
        tcl_set_result(result_floats(&t, 1));
        break;
    }
    }
    return 1;
}

// get matrix view: the view matrix the next frame starts from. While the view
// turns freely that is the GL modelview it keeps; otherwise the frame loads the
// rotation of yaw and pitch, which needs no window.
static int matrix_view(const Keyword *keyword, char **at)
{
    Matrix4 m;
    if (g_app.view.free_rotate && window_current()) {
        view_get_modelview(&m);
    } else {
        next_frame_rotation(&m);
    }
    tcl_set_result(result_matrix16(m.m));
    return 1;
}

// get matrix rotation <a> <b> <c>: about x, then y, then z.
static int matrix_rotation(const Keyword *keyword, char **at)
{
    float angles[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, angles, 3)) return keyword_usage(keyword);
    Matrix4 m;
    mat4_identity(&m);
    mat4_rotate_euler(&m, angles[0], angles[1], angles[2]);
    tcl_set_result(result_matrix16(m.m));
    return 1;
}

// get layer names: needs no selected layer; no result without layers.
static int layer_names(const Keyword *keyword, char **at)
{
    tcl_set_result_list(cmd_layer_names(sel_current_model(&g_app.viewer)));
    return 1;
}

// get layer sides
static int layer_sides(const Keyword *keyword, char **at)
{
    int32_t sides = layer_get_sides(sel_current_model(&g_app.viewer), g_app.selected_layer);
    tcl_set_result(sides == 1 ? "single" : "double");
    return 1;
}

// get layer mirror: the axis letter, "none" when mirroring is off.
static int layer_mirror(const Keyword *keyword, char **at)
{
    static const char *const names[4] = {"none", "x", "y", "z"};
    int32_t axis = layer_get_mirror(sel_current_model(&g_app.viewer), g_app.selected_layer);
    tcl_set_result(axis >= 0 && axis <= 3 ? names[axis] : "unknown");
    return 1;
}

// get layer lighting: layers keep no lighting setting of their own.
static int layer_lighting(const Keyword *keyword, char **at)
{
    tcl_set_result("unknown");
    return 1;
}

// get layer color: the stored channels as whole numbers (a channel near the ends of the
// integer range comes back from its float held at them).
static int layer_color(const Keyword *keyword, char **at)
{
    float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    layer_get_color(sel_current_model(&g_app.viewer), g_app.selected_layer, colour);
    const int rgb[3] = {geom_trunc_int(colour[0]), geom_trunc_int(colour[1]), geom_trunc_int(colour[2])};
    tcl_set_result(result_ints(rgb, 3));
    return 1;
}

// get layer transparency
static int layer_transparency(const Keyword *keyword, char **at)
{
    float t = layer_get_transparency(sel_current_model(&g_app.viewer), g_app.selected_layer);
    tcl_set_result(result_floats(&t, 1));
    return 1;
}

// get layer uvees: the triples up to the terminating id 0, which is the last value.
static int layer_uvees(const Keyword *keyword, char **at)
{
    float *uv = layer_uv_array(sel_current_model(&g_app.viewer), g_app.selected_layer);
    if (uv == nullptr) return 1;
    int n = 0;
    while (uv[n] > 0.0f) n += 3;
    tcl_set_result(result_floats(uv, n + 1));
    free(uv);
    return 1;
}

// get layer image: the main image's file name.
static int layer_image(const Keyword *keyword, char **at)
{
    int32_t u = 0, v = 0;
    LayerTexture *texture = layer_get_image(sel_current_model(&g_app.viewer), g_app.selected_layer, &u, &v);
    if (texture != nullptr) tcl_set_result(texture->file[0]);
    return 1;
}

// get layer mirrorimage: the mirror image's file name, else the main image's.
static int layer_mirrorimage(const Keyword *keyword, char **at)
{
    tcl_set_result(layer_get_mirror_image(sel_current_model(&g_app.viewer), g_app.selected_layer));
    return 1;
}

// get layer reflectimage
static int layer_reflectimage(const Keyword *keyword, char **at)
{
    float amount = 0.0f;
    tcl_set_result(layer_get_reflect_image(sel_current_model(&g_app.viewer), g_app.selected_layer, &amount));
    return 1;
}

// get layer xaxis and yaxis: the image's axis code, 0 without a main image.
static int layer_axis(const Keyword *keyword, char **at)
{
    int32_t axes[2] = {0, 0};
    layer_get_image(sel_current_model(&g_app.viewer), g_app.selected_layer, &axes[0], &axes[1]);
    tcl_set_result(result_int(axes[*static_cast<const int *>(keyword->data)]));
    return 1;
}

// get layer intensity: the reflection amount, 0 without a reflection image.
static int layer_intensity(const Keyword *keyword, char **at)
{
    float amount = 0.0f;
    layer_get_reflect_image(sel_current_model(&g_app.viewer), g_app.selected_layer, &amount);
    tcl_set_result(result_floats(&amount, 1));
    return 1;
}

// The point of the current model (or its child models) named by at[1]; null
// when there is no current model, no id or no such point.
static Point *vertex_point(char **at)
{
    int n = 0;
    if (!arg_parse(&n, at[1], ARG_INT)) return nullptr;
    return point_find(sel_current_model(&g_app.viewer), n);
}

// Makes the GL window's context current; 0 when there is no window or context.
static int window_current()
{
    return g_app.view.gl_window != 0 && win_make_current(g_app.view.gl_window);
}

// The rotation a frame loads when the view does not turn freely: yaw about y, then pitch about x.
static void next_frame_rotation(Matrix4 *out)
{
    mat4_identity(out);
    mat4_rotate_euler(out, 0.0f, g_app.view.yaw, 0.0f);
    mat4_rotate_euler(out, g_app.view.pitch, 0.0f, 0.0f);
}
