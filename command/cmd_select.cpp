#include "command/cmd_select.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/callbacks.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "formats/mod_reader.h"
#include "foundation/last_error.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/value_check.h"
#include "viewer/camera.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"

#include <cmath>
#include <cstring>
#include <string>

static const char *const USAGE_ADD = "druvex: usage: druvex select add <what> <args>";
static const char *const USAGE_ADD_DATA = "druvex: usage: druvex select add data <input>";
static const char *const USAGE_ADD_CHILD = "druvex: usage: druvex select add child <id>";
static const char *const USAGE_CHILD = "druvex: usage: druvex select child <id>";
static const char *const USAGE_LAYER = "druvex: usage: druvex select layer <name>";
static const char *const USAGE_MODEL = "druvex: usage: druvex select model <id>";
static const char *const USAGE_ROTATE = "druvex: usage: druvex select rotate <a1> <a2> <a3>";
static const char *const USAGE_ROTATE_CENTRE = "druvex: usage: druvex select rotate centre <x> <y> <z>";
static const char *const USAGE_ROTATE_AXIS = "druvex: usage: druvex select rotate axis <x> <y> <z>";
static const char *const USAGE_SCALE = "druvex: usage: druvex select scale <x> <y> <z>";
static const char *const USAGE_TRANSLATE = "druvex: usage: druvex select translate <x> <y> <z>";
// A layer name that select layer could not select; the name is shown whole.
static const char *const NOT_SELECTED_LAYER = "druvex: could not select layer: %s";

static int select_add(const Keyword *keyword, char **at);
static int select_all(const Keyword *keyword, char **at);
static int select_centre(const Keyword *keyword, char **at);
static int select_child(const Keyword *keyword, char **at);
static int select_clear(const Keyword *keyword, char **at);
static int select_copy(const Keyword *keyword, char **at);
static int select_cut(const Keyword *keyword, char **at);
static int select_delete(const Keyword *keyword, char **at);
static int select_layer(const Keyword *keyword, char **at);
static int select_model(const Keyword *keyword, char **at);
static int select_pancake(const Keyword *keyword, char **at);
static int select_paste(const Keyword *keyword, char **at);
static int select_rotate(const Keyword *keyword, char **at);
static int select_scale(const Keyword *keyword, char **at);
static int select_translate(const Keyword *keyword, char **at);
static int add_data(const Keyword *keyword, char **at);
static int add_child(const Keyword *keyword, char **at);
static int rotation_finite(const char *a1, const char *a2, const char *a3);
static int scale_in_range(const float *xyz);

// The keywords of select in the order they are compared.
static const Keyword k_select_keywords[] = {
    {"add", select_add, USAGE_ADD, nullptr},
    {"all", select_all, nullptr, nullptr},
    {"centre", select_centre, nullptr, nullptr},
    {"child", select_child, USAGE_CHILD, nullptr},
    {"clear", select_clear, nullptr, nullptr},
    {"copy", select_copy, nullptr, nullptr},
    {"cut", select_cut, nullptr, nullptr},
    {"delete", select_delete, nullptr, nullptr},
    {"layer", select_layer, USAGE_LAYER, nullptr},
    {"model", select_model, USAGE_MODEL, nullptr},
    {"pancake", select_pancake, nullptr, nullptr},
    {"paste", select_paste, nullptr, nullptr},
    {"rotate", select_rotate, USAGE_ROTATE, nullptr},
    {"scale", select_scale, USAGE_SCALE, nullptr},
    {"translate", select_translate, USAGE_TRANSLATE, nullptr},
};

static const KeywordTable k_select = {k_select_keywords, KEYWORD_COUNT(k_select_keywords), KEYWORD_SKIP,
                                      KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

// What select add adds: only the word after add is looked at, and any other word does
// nothing and shows nothing.
static const Keyword k_add_keywords[] = {
    {"data", add_data, USAGE_ADD_DATA, nullptr},
    {"child", add_child, USAGE_ADD_CHILD, nullptr},
};

static const KeywordTable k_select_add = {k_add_keywords, KEYWORD_COUNT(k_add_keywords), KEYWORD_FIRST_WORD,
                                          nullptr, nullptr, nullptr};

int cmd_select(char **words)
{
    return keyword_scan(&k_select, words);
}

int cmd_select_add(char **words)
{
    return keyword_scan(&k_select_add, words);
}

int cmd_select_centre()
{
    tcl_set_result(result_floats(sel_centre(&g_app.viewer), 3));
    return 1;
}

void cmd_select_clear()
{
    sel_clear(&g_app.viewer);
}

int cmd_select_all()
{
    sel_all_models(&g_app.viewer);
    return 1;
}

int cmd_select_delete()
{
    int result = sel_delete(&g_app.viewer);
    const float *centre = viewer_focus_all(&g_app.viewer);
    view_set_focus(&g_app.view, centre[0], centre[1], centre[2]);
    return result;
}

int cmd_select_model(int id)
{
    return sel_model(&g_app.viewer, id);
}

int cmd_select_child(int id)
{
    return sel_child(&g_app.viewer, id);
}

// A name that does not fit the selected-layer field is refused rather than cut,
// so the layer found is always the one named.
int cmd_select_layer(const char *name)
{
    g_app.selected_layer[0] = '\0';
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr || name == nullptr || strlen(name) >= sizeof g_app.selected_layer) return 0;
    if (model_find_layer(model, name) == nullptr) return 0;
    memcpy(g_app.selected_layer, name, strlen(name) + 1);
    return 1;
}

int cmd_select_translate(float x, float y, float z)
{
    int result = sel_translate(&g_app.viewer, x, y, z, 0);
    view_fit_scene(&g_app.view, &g_app.viewer);
    return result;
}

int cmd_select_rotate(const char *a1, const char *a2, const char *a3)
{
    return sel_rotate(&g_app.viewer, a1, a2, a3, 0);
}

int cmd_select_scale(float x, float y, float z)
{
    return sel_scale(&g_app.viewer, x, y, z, 0);
}

// Every branch reads all its arguments before anything changes.

// select add <what> ...: the add grammar at the word add.
static int select_add(const Keyword *keyword, char **at)
{
    const char *what = nullptr;
    if (!arg_parse(&what, at[1], ARG_STRING)) return keyword_usage(keyword);
    cmd_select_add(at);
    return 1;
}

static int select_all(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    return cmd_select_all();
}

static int select_centre(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    return cmd_select_centre();
}

// select child <id>
static int select_child(const Keyword *keyword, char **at)
{
    int id = 0;
    if (!arg_parse(&id, at[1], ARG_INT)) return keyword_usage(keyword);
    if (cmd_select_child(id)) return 1;
    return keyword_show("druvex: child id not found");
}

static int select_clear(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    cmd_select_clear();
    return 1;
}

static int select_copy(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    sel_copy(&g_app.viewer);
    return 1;
}

static int select_cut(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    sel_cut(&g_app.viewer);
    return 1;
}

static int select_delete(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    cmd_select_delete();
    return 1;
}

// select layer <name>: result "1", or the could-not-select text and then "0".
static int select_layer(const Keyword *keyword, char **at)
{
    const char *name = nullptr;
    if (!arg_parse(&name, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (cmd_select_layer(name)) {
        tcl_set_result("1");
        return 1;
    }
    keyword_unknown(NOT_SELECTED_LAYER, nullptr, name);
    tcl_set_result("0");
    return 0;
}

// select model <id>
static int select_model(const Keyword *keyword, char **at)
{
    int id = 0;
    if (!arg_parse(&id, at[1], ARG_INT)) return keyword_usage(keyword);
    if (cmd_select_model(id)) return 1;
    return keyword_show("druvex: model id not found");
}

// Nothing is reported, whatever the flattening gives.
static int select_pancake(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    sel_pancake(&g_app.viewer);
    return 1;
}

// The copy set is kept, but nothing is pasted from it.
static int select_paste(const Keyword *keyword, char **at)
{
    (void)keyword;
    (void)at;
    sel_paste(&g_app.viewer);
    return 1;
}

// select rotate centre|center <x> <y> <z>, select rotate axis <x> <y> <z>, or
// select rotate <a1> <a2> <a3>; a rotation that would place a selected model out of
// range shows the usage text.
static int select_rotate(const Keyword *keyword, char **at)
{
    const char *word = nullptr;
    if (!arg_parse(&word, at[1], ARG_STRING)) return keyword_usage(keyword);
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (strcmp(word, "center") == 0 || strcmp(word, "centre") == 0) {
        if (!arg_parse_floats(at + 2, xyz, 3)) return keyword_show(USAGE_ROTATE_CENTRE);
        sel_set_rotate_centre(&g_app.viewer, xyz[0], xyz[1], xyz[2]);
        return 1;
    }
    if (strcmp(word, "axis") == 0) {
        if (!arg_parse_floats(at + 2, xyz, 3)) return keyword_show(USAGE_ROTATE_AXIS);
        sel_set_rotate_axis(&g_app.viewer, xyz[0], xyz[1], xyz[2]);
        return 1;
    }
    const char *a2 = nullptr;
    const char *a3 = nullptr;
    if (!arg_parse(&a2, at[2], ARG_STRING) || !arg_parse(&a3, at[3], ARG_STRING)) return keyword_usage(keyword);
    if (!rotation_finite(word, a2, a3) || !sel_rotate_fits(&g_app.viewer, word, a2, a3, 0))
        return keyword_usage(keyword);
    if (cmd_select_rotate(word, a2, a3)) return 1;
    return keyword_show("druvex: rotate failed");
}

// select scale <x> <y> <z>: a scale that would place a selected model out of range is
// refused like a word of the wrong kind.
static int select_scale(const Keyword *keyword, char **at)
{
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, xyz, 3) || !scale_in_range(xyz) ||
        !sel_scale_fits(&g_app.viewer, xyz[0], xyz[1], xyz[2], 0))
        return keyword_usage(keyword);
    if (cmd_select_scale(xyz[0], xyz[1], xyz[2])) return 1;
    return keyword_show("druvex: scale failed");
}

// select translate <x> <y> <z>: a translation that would place a selected model out of
// range is refused like a word of the wrong kind.
static int select_translate(const Keyword *keyword, char **at)
{
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse_floats(at + 1, xyz, 3) || !sel_translate_fits(&g_app.viewer, xyz[0], xyz[1], xyz[2], 0))
        return keyword_usage(keyword);
    if (cmd_select_translate(xyz[0], xyz[1], xyz[2])) return 1;
    return keyword_show("druvex: translate failed");
}

// select add data <input>: nothing is reported, whatever the read gives.
static int add_data(const Keyword *keyword, char **at)
{
    const char *input = nullptr;
    if (!arg_parse(&input, at[1], ARG_STRING)) return keyword_usage(keyword);
    sel_add_data(&g_app.viewer, input);
    return 1;
}

// select add child <id>: nothing is reported, whatever the attaching gives, but
// a child that its line would not give back (a scale that is not finite, a name
// no token holds) is refused with the reader's text for that line, and one that
// would make a selected model contain itself, which no saved file of it could then
// be read back, with the message naming the child's file; nothing changes.
static int add_child(const Keyword *keyword, char **at)
{
    int id = 0;
    if (!arg_parse(&id, at[1], ARG_INT)) return keyword_usage(keyword);
    const ModelXform *xform = rcache_find_model_xform(&g_app.viewer, id);
    if (xform && xform->model) {
        const char *const rotation[3] = {xform->rotation_words[0], xform->rotation_words[1],
                                         xform->rotation_words[2]};
        if (!value_child_ok(xform->model->name, xform->scale, rotation))
            return keyword_show(MOD_BAD_CHILD);
        if (!sel_child_fits(&g_app.viewer, id)) return keyword_show(err_last());
    }
    sel_add_child(&g_app.viewer, id);
    return 1;
}

// 1 when the rotation of the three words is a number in every element. Degrees
// past the largest float would make every selected model not-a-number, so such a
// word is of the wrong kind, like a decimal word past that range.
static int rotation_finite(const char *a1, const char *a2, const char *a3)
{
    Matrix4 m;
    mat4_from_rotation_text(&m, a1, a2, a3);
    for (float value : m.m)
        if (!std::isfinite(value)) return 0;
    return 1;
}

// A factor is held to the range of a point coordinate (-2^31 .. 2^31), so that a
// scaled model's bounds, and the selection centre made from them, stay finite.
static int scale_in_range(const float *xyz)
{
    for (int i = 0; i < 3; i++)
        if (std::fabs(xyz[i]) > 2147483648.0f) return 0;
    return 1;
}
