#include "command/cmd_add.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/callbacks.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "command/vertex_edit.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "formats/mod_child.h"
#include "formats/mod_loader.h"
#include "formats/mod_reader.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/value_check.h"
#include "viewer/camera.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"

// Most point ids one add triangle reads (words 2 to 255 of the branch).
constexpr int ADD_TRIANGLE_MAX_IDS = 254;
// Colour, sides and mirror of a layer made by add layer and add triangle.
constexpr int32_t NEW_LAYER_GREY = 127;
constexpr int32_t NEW_LAYER_SINGLE_SIDED = 1;

static const char *const USAGE_TRIANGLE =
    "druvex: usage: druvex add triangle <layername> <p1> <p2> <p3> <...> <pn>";
static const char *const USAGE_UVEE = "druvex: usage: druvex add uvee <layer> <pt> <u> <v>";
static const char *const USAGE_LAYER = "druvex: usage: druvex add layer <name>";
static const char *const USAGE_CHILD =
    "druvex: usage: druvex add child <name> <px> <py> <pz> <sx> <sy> <sz> <a1> <a2> <a3>";
static const char *const USAGE_VERTEX = "druvex: usage: druvex add vertex <args>";
static const char *const USAGE_VERTEX_POINT = "druvex: usage: druvex add vertex point <n> <x> <y> <z>";
static const char *const USAGE_VERTEX_NORMAL =
    "druvex: usage: druvex add vertex normal <layername> <pn> <n> <x> <y> <z>";
static const char *const USAGE_VERTEX_COLOR = "druvex: usage: druvex add vertex color <n> <r> <g> <b>";
static const char *const USAGE_VERTEX_TRANSPARENCY = "druvex: usage: druvex add vertex transparency <n> <f>";
static const char *const NO_MODEL = "druvex: no model selected";
// What the model store says when a strip or a uvee line of a file names a point that only a
// child model holds: the file is read before its child models are loaded.
static const char *const NO_POINT = "point does not exist";
static const char *const NO_UVEE_POINT = "uvee point not found in model";

static int add_child(const Keyword *keyword, char **at);
static int add_layer(const Keyword *keyword, char **at);
static int add_triangle(const Keyword *keyword, char **at);
static int add_uvee(const Keyword *keyword, char **at);
static int add_vertex(const Keyword *keyword, char **at);
static int add_grey_layer(Model *model, const char *name);

// The keywords of add in the order they are compared.
static const Keyword k_add_keywords[] = {
    {"child", add_child, USAGE_CHILD, nullptr},
    {"layer", add_layer, USAGE_LAYER, nullptr},
    {"triangle", add_triangle, USAGE_TRIANGLE, nullptr},
    {"uvee", add_uvee, USAGE_UVEE, nullptr},
    {"vertex", add_vertex, USAGE_VERTEX, nullptr},
};

static const KeywordTable k_add = {k_add_keywords, KEYWORD_COUNT(k_add_keywords), KEYWORD_SKIP,
                                   KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

// What add vertex writes, in the order compared.
static const Keyword k_vertex_keywords[] = {
    {"point", vertex_edit_point, USAGE_VERTEX_POINT, nullptr},
    {"normal", vertex_edit_normal, USAGE_VERTEX_NORMAL, nullptr},
    {"color", vertex_edit_color, USAGE_VERTEX_COLOR, nullptr},
    {"transparency", vertex_edit_transparency, USAGE_VERTEX_TRANSPARENCY, nullptr},
};

static const KeywordTable k_add_vertex_table = {k_vertex_keywords, KEYWORD_COUNT(k_vertex_keywords),
                                                KEYWORD_FIRST_WORD, "druvex: unknown add vertex argument: %s",
                                                nullptr, USAGE_VERTEX};

int cmd_add(char **words)
{
    return keyword_scan(&k_add, words);
}

// Every id word is read before the layer is made, so a bad word changes nothing. A
// new layer's name that a model file cannot hold, and a point of a child model
// (which the saved strip line could not name), are refused before anything is made.
int cmd_add_triangle(char **words)
{
    Model *model = sel_current_model(&g_app.viewer);
    const char *layer = nullptr;
    if (!arg_parse(&layer, words[1], ARG_STRING)) return keyword_show(USAGE_TRIANGLE);
    int32_t ids[ADD_TRIANGLE_MAX_IDS];
    int count = 0;
    for (; count < ADD_TRIANGLE_MAX_IDS && words[2 + count]; count++) {
        int id = 0;
        if (!arg_parse(&id, words[2 + count], ARG_INT)) return keyword_show(USAGE_TRIANGLE);
        ids[count] = id;
    }
    if (!model) return 1;
    for (int i = 0; count >= 3 && i < count; i++)
        if (!point_usable_in_file(model, ids[i])) return keyword_show(NO_POINT);
    if (!model_find_layer(model, layer)) {
        if (!value_token_ok(layer)) return keyword_show(MOD_BAD_LAYER);
        add_grey_layer(model, layer);
    }
    if (count >= 3) model_add_strip(model, layer, count, ids, nullptr);
    return 1;
}

// Only the corners of that point are mapped again (the whole layer when it
// changed since its last mapping), so n uvees cost n small steps. A u or v that
// is not finite (a word of too many digits) and a point of a child model are
// refused: neither would read back.
int cmd_add_uvee(char **words)
{
    const char *layer = nullptr;
    int point = 0;
    float uv[2] = {0.0f, 0.0f};
    if (!arg_parse(&layer, words[1], ARG_STRING) || !arg_parse(&point, words[2], ARG_INT) ||
        !arg_parse_floats(words + 3, uv, 2))
        return keyword_show(USAGE_UVEE);
    Model *model = sel_current_model(&g_app.viewer);
    if (!model || !model_find_layer(model, layer)) return 1;
    if (!value_finite_ok(uv[0]) || !value_finite_ok(uv[1])) return keyword_show(MOD_BAD_UVEE);
    if (!point_usable_in_file(model, point)) return keyword_show(NO_UVEE_POINT);
    model_add_uvee(model, layer, point, uv[0], uv[1]);
    layer_map_point_uvs(model, layer, point);
    return 1;
}

int cmd_add_vertex(char **words)
{
    return keyword_scan(&k_add_vertex_table, words);
}

int cmd_add_layer(char **words)
{
    Model *model = sel_current_model(&g_app.viewer);
    if (!model) return keyword_show(NO_MODEL);
    const char *name = nullptr;
    if (!arg_parse(&name, words[1], ARG_STRING)) return keyword_show(USAGE_LAYER);
    if (!value_token_ok(name)) return keyword_show(MOD_BAD_LAYER);
    add_grey_layer(model, name);
    return 1;
}

// The file is the name with ".mod", taken as given (a relative name from the
// current directory). The child joins the current model, not the loaded models.
// Values its child line would not give back are refused before the file is read, and
// so is a file whose saved child line would not read back (mod_child_find): one that
// leads back to the current model, or takes it past the most models or levels.
int cmd_add_child(char **words)
{
    Model *model = sel_current_model(&g_app.viewer);
    if (!model) return keyword_show(NO_MODEL);
    const char *name = nullptr;
    float values[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const char *rotation[3] = {nullptr, nullptr, nullptr};
    if (!arg_parse(&name, words[1], ARG_STRING) || !arg_parse_floats(words + 2, values, 6) ||
        !arg_parse(&rotation[0], words[8], ARG_STRING) || !arg_parse(&rotation[1], words[9], ARG_STRING) ||
        !arg_parse(&rotation[2], words[10], ARG_STRING))
        return keyword_show(USAGE_CHILD);
    if (!value_child_ok(name, values + 3, rotation)) return keyword_show(MOD_BAD_CHILD);
    ModChildCheck check = {};
    check.models = &model;
    check.count = 1;
    ModChildFile file;
    if (!mod_child_find(&check, name, &file)) return keyword_show(err_last());
    err_set(nullptr);
    Model *child = mod_load(file.path.c_str());
    if (!child) {
        const char *reason = err_last();
        if (reason) viewer_message(&g_app.viewer, reason);
        viewer_message(&g_app.viewer, "Load failed");
        return 0;
    }
    if (!model_add_child(model, child, name, values[0], values[1], values[2], values[3], values[4], values[5],
                         rotation[0], rotation[1], rotation[2])) {
        model_free(child);
        return 0;
    }
    child->parent = model;
    // The link just made holds the last child id handed out.
    Child *link = static_cast<Child *>(table_find(&model->children, static_cast<int32_t>(g_model_ids.child - 1)));
    if (link) rcache_child_xform(&g_app.viewer, model, link);
    rcache_link_children(&g_app.viewer, child);
    view_set_extent(&g_app.view, viewer_view_size(&g_app.viewer), 0);
    ModelXform *xform = rcache_model_xform(&g_app.viewer, child);
    int32_t id = xform ? xform->id : 0;
    tcl_set_result(result_int(id));
    return id;
}

// The branches of add: the list goes on at the keyword.
static int add_child(const Keyword *keyword, char **at)
{
    return cmd_add_child(at) > 0;
}

static int add_layer(const Keyword *keyword, char **at)
{
    return cmd_add_layer(at);
}

static int add_triangle(const Keyword *keyword, char **at)
{
    return cmd_add_triangle(at);
}

static int add_uvee(const Keyword *keyword, char **at)
{
    return cmd_add_uvee(at);
}

static int add_vertex(const Keyword *keyword, char **at)
{
    return cmd_add_vertex(at);
}

// A grey single-sided layer without mirroring; a duplicate name is refused by the store.
static int add_grey_layer(Model *model, const char *name)
{
    return model_add_layer(model, name, NEW_LAYER_GREY, NEW_LAYER_GREY, NEW_LAYER_GREY, NEW_LAYER_SINGLE_SIDED,
                           0, 0);
}
