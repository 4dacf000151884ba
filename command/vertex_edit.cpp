#include "command/vertex_edit.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "formats/mod_reader.h"
#include "foundation/geometry.h"
#include "foundation/last_error.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/value_check.h"
#include "viewer/selection.h"

#include <cstdint>
#include <cstring>

// The layer word of a vertex normal that names no layer.
static const char *const NO_LAYER_WORD = "0";

static Model *point_home(Model *model, int32_t id);

int vertex_edit_point(const Keyword *keyword, char **at)
{
    int id = 0;
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse_ints(at + 1, &id, 1) || !arg_parse_floats(at + 2, xyz, 3)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 1;
    model_set_point(point_home(model, id), id, geom_trunc_int(xyz[0]), geom_trunc_int(xyz[1]),
                    geom_trunc_int(xyz[2]), 1.0f);
    return 1;
}

// A vector that gives no finite unit normal is refused with the reader's text for a bad
// normals line, and one that gives a point normal the loader refuses (0, 0, 0) with the
// loader's text: either would not read back.
int vertex_edit_normal(const Keyword *keyword, char **at)
{
    const char *layer = nullptr;
    int ids[2] = {0, 0};
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (!arg_parse(&layer, at[1], ARG_STRING) || !arg_parse_ints(at + 2, ids, 2) ||
        !arg_parse_floats(at + 4, xyz, 2))
        return keyword_usage(keyword);
    if (at[6] == nullptr) return 0;
    if (!arg_parse_floats(at + 6, &xyz[2], 1)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 1;
    float unit[3];
    if (!value_normal_ok(xyz[0], xyz[1], xyz[2], unit)) return keyword_show(MOD_BAD_NORMAL);
    if (strcmp(layer, NO_LAYER_WORD) == 0) {
        Model *home = point_home(model, ids[1]);
        if (ids[1] >= 1 && !model_check_point_normal(home, ids[1], unit)) return keyword_show(err_last());
        model_set_normal(home, nullptr, ids[0], ids[1], xyz[0], xyz[1], xyz[2]);
    } else {
        model_set_normal(model, layer, ids[0], ids[1], xyz[0], xyz[1], xyz[2]);
    }
    return 1;
}

int vertex_edit_color(const Keyword *keyword, char **at)
{
    int n[4] = {0, 0, 0, 0};
    if (!arg_parse_ints(at + 1, n, 4)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 1;
    const uint8_t *old = model_point_gouraud(model, n[0]);
    uint8_t t = old != nullptr ? old[3] : 0;
    model_set_gouraud(model, n[0], static_cast<uint8_t>(n[1] & 0xff), static_cast<uint8_t>(n[2] & 0xff),
                      static_cast<uint8_t>(n[3] & 0xff), t);
    return 1;
}

// A t beyond 0..1 is held at the nearer end, so 1.5 is opaque rather than
// wrapping round to a nearly clear byte.
int vertex_edit_transparency(const Keyword *keyword, char **at)
{
    int id = 0;
    float t = 0.0f;
    if (!arg_parse_ints(at + 1, &id, 1) || !arg_parse_floats(at + 2, &t, 1)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 1;
    if (!(t >= 0.0f)) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    const uint8_t *old = model_point_gouraud(model, id);
    if (old == nullptr) return 1;
    uint8_t rgb[3] = {old[0], old[1], old[2]};
    model_set_gouraud(model, id, rgb[0], rgb[1], rgb[2], static_cast<uint8_t>(t * 255.0f));
    return 1;
}

// The model that holds point id: the current model or one of its child
// models; the current model for an id found nowhere.
static Model *point_home(Model *model, int32_t id)
{
    Model *owner = point_find_owner(model, id);
    return owner != nullptr ? owner : model;
}
