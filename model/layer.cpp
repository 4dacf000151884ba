#include "model/layer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/str.h"
#include "model/image_cache.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/value_check.h"

// Image axes a layer takes with its image while it has none of its own (a new layer's are 0,
// which no image line can name): u along x, v along y.
constexpr int32_t DEFAULT_U_AXIS = 1;
constexpr int32_t DEFAULT_V_AXIS = 2;

static Layer *find_layer(Model *model, const char *name);
static LayerTexture *texture_of(Layer *layer);
static bool has_faces_or_strips(const Layer *layer);
static void *first_element(KeyedTable *table);
static void extend_box(float *min, float *max, const float *p);
static bool box_over_strip(Model *model, Layer *layer, float *min, float *max);
static bool box_over_lines(Model *model, Layer *layer, float *min, float *max);
static bool map_corner(Model *model, Layer *layer, int32_t id, float *u, float *v);
static int replace_image(Model *model, Layer *layer, int32_t slot, const char *file);
static bool point_map_current(Model *model, const Layer *layer);
static void point_map_build(Model *model, Layer *layer);

// Triples are appended in order of first use; a set of the ids already listed answers
// "present?" at once instead of a scan of the output.
float *layer_uv_array(Model *model, const char *layer_name)
{
    int32_t n = layer_point_use_count(model, layer_name, 0);
    if (n == 0) return nullptr;
    Layer *layer = find_layer(model, layer_name);
    float *out = static_cast<float *>(calloc(static_cast<size_t>(n) * 3 + 1, sizeof(float)));
    if (!out) return nullptr;
    std::unordered_set<int32_t> listed;
    int32_t used = 0;
    auto add = [&](int32_t id, float u, float v) {
        if (!point_find(model, id) || !listed.insert(id).second) return;
        out[used * 3] = static_cast<float>(id);
        out[used * 3 + 1] = u;
        out[used * 3 + 2] = v;
        used++;
    };
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++) add(face->point_ids[c], face->uv[c][0], face->uv[c][1]);
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (sv) add(sv->point_id, sv->u, sv->v);
        }
    }
    if (used == 0) {
        free(out);
        out = nullptr;
    }
    return out;
}

uint32_t *layer_point_ids(Model *model, const char *layer_name)
{
    int32_t n = layer_point_use_count(model, layer_name, 1);
    if (n == 0) return nullptr;
    Layer *layer = find_layer(model, layer_name);
    uint32_t *out = static_cast<uint32_t *>(calloc(static_cast<size_t>(n) + 1, sizeof(uint32_t)));
    if (!out) return nullptr;
    std::unordered_set<uint32_t> listed;
    int32_t used = 0;
    auto add = [&](uint32_t id) {
        if (id == 0 || !listed.insert(id).second) return;
        if (used < n) out[used++] = id;
    };
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++) add(static_cast<uint32_t>(face->point_ids[c]));
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (sv) add(static_cast<uint32_t>(sv->point_id));
        }
    }
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (!line) continue;
        for (int32_t i = 0; i < line->vertices.capacity; i++) {
            const uint32_t *id = static_cast<const uint32_t *>(table_nth(&line->vertices, i, 0));
            if (id) add(*id);
        }
    }
    if (used == 0) {
        free(out);
        out = nullptr;
    }
    return out;
}

int32_t layer_point_use_count(Model *model, const char *layer_name, int with_lines)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer || !has_faces_or_strips(layer)) return 0;
    int32_t count = 0;
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++)
            if (point_find(model, face->point_ids[c])) count++;
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (sv && point_find(model, sv->point_id)) count++;
        }
    }
    if (!with_lines) return count;
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (!line) continue;
        for (int32_t i = 0; i < line->vertices.capacity; i++) {
            const uint32_t *id = static_cast<const uint32_t *>(table_nth(&line->vertices, i, 0));
            if (id && *id <= INT32_MAX && point_find(model, static_cast<int32_t>(*id))) count++;
        }
    }
    return count;
}

int layer_compute_bbox(Model *model, const char *layer_name)
{
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer || !has_faces_or_strips(layer)) return 0;
    float min[3];
    float max[3];
    const Face *first_face = static_cast<const Face *>(first_element(&layer->faces));
    int32_t first_id = 0;
    if (first_face) {
        first_id = first_face->point_ids[0];
    } else {
        Strip *strip = static_cast<Strip *>(first_element(&layer->strips));
        const StripVertex *sv =
            strip ? static_cast<const StripVertex *>(first_element(&strip->vertices)) : nullptr;
        if (!sv) return 0;
        first_id = sv->point_id;
    }
    const float *start = model_point_position(model, first_id);
    if (!start) return 0;
    memcpy(min, start, sizeof min);
    memcpy(max, start, sizeof max);
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++) {
            const float *p = model_point_position(model, face->point_ids[c]);
            if (!p) return 0;
            extend_box(min, max, p);
        }
    }
    if (!box_over_strip(model, layer, min, max)) return 0;
    if (!box_over_lines(model, layer, min, max)) return 0;
    memcpy(layer->box_min, min, sizeof min);
    memcpy(layer->box_max, max, sizeof max);
    return 1;
}

int layer_map_uvs(Model *model, const char *layer_name)
{
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer || !texture_of(layer) || !has_faces_or_strips(layer)) return 0;
    layer_compute_bbox(model, layer_name);
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++)
            if (!map_corner(model, layer, face->point_ids[c], &face->uv[c][0], &face->uv[c][1]))
                return 0;
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            StripVertex *sv = static_cast<StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (sv && !map_corner(model, layer, sv->point_id, &sv->u, &sv->v)) return 0;
        }
    }
    return 1;
}

// One corner of a layer that a point is used at: a face corner or a strip vertex,
// named by slot and checked by id at use.
struct CornerUse {
    int32_t strip;       // 1 for a strip vertex, 0 for a face corner
    int32_t slot;        // slot of the face or strip in its table
    uint32_t id;         // the face's or strip's id
    int32_t corner;      // corner of the face, or slot of the vertex in the strip
};

// The layer mapped last as a whole, what its mapping depended on, and where
// each of its points is used. Valid while the layer's faces, strips, lines,
// box, axes and repeat are as they were then.
struct PointMap {
    Model *model = nullptr;                  // the model, compared only, never followed; null for none
    std::string layer;                       // the layer's name
    int32_t faces = -1, strips = -1, lines = -1;          // the layer's record counts
    uint32_t next_face = 0, next_strip = 0, next_line = 0; // the id counters
    float box[6] = {0, 0, 0, 0, 0, 0};       // the layer box, min then max
    int32_t axes[2] = {0, 0};                // image u and v axis codes
    int32_t repeat_on = 0;                   // repeat flag
    float repeat[2] = {0, 0};                // repeat factors
    std::unordered_map<int32_t, std::vector<CornerUse>> uses;  // point id -> its corners
};

static PointMap g_point_map;

int layer_map_point_uvs(Model *model, const char *layer_name, int32_t point_id)
{
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer || !texture_of(layer) || !has_faces_or_strips(layer)) return 0;
    if (!point_map_current(model, layer)) {
        g_point_map.model = nullptr;
        if (!layer_map_uvs(model, layer_name)) return 0;
        point_map_build(model, layer);
        return 1;
    }
    auto found = g_point_map.uses.find(point_id);
    if (found == g_point_map.uses.end()) return 1;
    for (const CornerUse &use : found->second) {
        if (use.strip) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, use.slot, 0));
            StripVertex *sv = strip && strip->id == use.id
                                  ? static_cast<StripVertex *>(table_nth(&strip->vertices, use.corner, 0))
                                  : nullptr;
            if (sv && !map_corner(model, layer, sv->point_id, &sv->u, &sv->v)) return 0;
        } else {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, use.slot, 0));
            if (face && face->id == use.id &&
                !map_corner(model, layer, face->point_ids[use.corner], &face->uv[use.corner][0],
                            &face->uv[use.corner][1]))
                return 0;
        }
    }
    return 1;
}

void layer_forget_point_map()
{
    g_point_map = PointMap();
}

// Taking the remainder gives what subtracting 2 until x <= 2 gives (a remainder of 0 and
// a result of 2 both fold to 0) without a loop that never ends for x of 2^25 or more.
float layer_fold_uv(float x)
{
    if (x > 2.0f) x = std::isinf(x) ? 0.0f : std::fmod(x, 2.0f);
    return x > 1.0f ? 2.0f - x : x;
}

int layer_get_color(Model *model, const char *layer_name, float *out)
{
    if (!out) return 0;
    Layer *layer = find_layer(model, layer_name);
    for (int i = 0; i < 3; i++) out[i] = layer ? static_cast<float>(layer->colour[i]) : 255.0f;
    out[3] = layer ? 0.0f : 255.0f;
    return layer ? 1 : 0;
}

int32_t layer_get_sides(Model *model, const char *layer_name)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 1;
    return layer->single_sided > 0 ? 1 : 2;
}

int32_t layer_get_mirror(Model *model, const char *layer_name)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer || !layer->mirror_on) return 0;
    return layer->mirror_axis;
}

float layer_get_transparency(Model *model, const char *layer_name)
{
    Layer *layer = find_layer(model, layer_name);
    return layer ? layer->transparency : 0.0f;
}

LayerTexture *layer_get_image(Model *model, const char *layer_name, int32_t *u_axis, int32_t *v_axis)
{
    if (u_axis) *u_axis = 0;
    if (v_axis) *v_axis = 0;
    if (!u_axis || !v_axis) return nullptr;
    Layer *layer = find_layer(model, layer_name);
    LayerTexture *texture = texture_of(layer);
    if (!texture || !texture->pixels[LAYER_SLOT_IMAGE]) return nullptr;
    *u_axis = layer->image_u_axis;
    *v_axis = layer->image_v_axis;
    return texture;
}

const char *layer_get_mirror_image(Model *model, const char *layer_name)
{
    LayerTexture *texture = texture_of(find_layer(model, layer_name));
    if (!texture) return nullptr;
    if (texture->pixels[LAYER_SLOT_MIRROR]) return texture->file[LAYER_SLOT_MIRROR];
    if (texture->pixels[LAYER_SLOT_IMAGE]) return texture->file[LAYER_SLOT_IMAGE];
    return nullptr;
}

const char *layer_get_reflect_image(Model *model, const char *layer_name, float *amount)
{
    if (!amount) return nullptr;
    *amount = 0.0f;
    LayerTexture *texture = texture_of(find_layer(model, layer_name));
    if (!texture || !texture->pixels[LAYER_SLOT_REFLECT]) return nullptr;
    *amount = texture->reflect_amount;
    return texture->file[LAYER_SLOT_REFLECT];
}

int layer_set_color(Model *model, const char *layer_name, int32_t r, int32_t g, int32_t b)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 0;
    layer->colour[0] = r;
    layer->colour[1] = g;
    layer->colour[2] = b;
    return 1;
}

int layer_set_sides(Model *model, const char *layer_name, int32_t n)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 0;
    layer->single_sided = n <= 1 ? 1 : 0;
    return 1;
}

int layer_set_mirror(Model *model, const char *layer_name, int32_t n)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 0;
    if (n == 0) {
        layer->mirror_on = 0;
    } else if (n >= 1 && n <= 3) {
        layer->mirror_on = 1;
        layer->mirror_axis = n;
    }
    return 1;
}

int layer_set_transparency(Model *model, const char *layer_name, float t)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer || !value_unit_ok(t)) return 0;
    layer->transparency = t;
    return 1;
}

// The record moves to the slot the new key takes; its tables move with it.
int layer_rename(Model *model, const char *layer_name, const char *new_name)
{
    if (!model || !layer_name || !value_token_ok(new_name)) return 0;
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 0;
    char old_key[MODEL_KEY_LENGTH + 1];
    char new_key[MODEL_KEY_LENGTH + 1];
    model_key_name(layer->name, old_key);
    model_key_name(new_name, new_key);
    if (strcmp(old_key, new_key) == 0) {
        str_copy_bounded(new_name, layer->name, sizeof layer->name);
        return 1;
    }
    if (table_find(&model->layers, new_key)) return 0;
    Layer copy;
    memcpy(&copy, layer, sizeof copy);
    char old_name[MODEL_NAME_SIZE];
    memcpy(old_name, layer->name, sizeof old_name);
    str_copy_bounded(new_name, copy.name, sizeof copy.name);
    table_remove(&model->layers, old_key);
    Layer *moved = static_cast<Layer *>(table_add(&model->layers, new_key));
    int result = 1;
    if (!moved) {
        // Out of memory: the layer goes back under its old name.
        memcpy(copy.name, old_name, sizeof copy.name);
        moved = static_cast<Layer *>(table_add(&model->layers, old_key));
        result = 0;
    }
    if (moved) memcpy(moved, &copy, sizeof copy);
    return result;
}

int layer_set_reflect_intensity(Model *model, const char *layer_name, float amount)
{
    LayerTexture *texture = texture_of(find_layer(model, layer_name));
    if (!texture || !value_unit_ok(amount)) return 0;
    texture->reflect_amount = amount;
    return 1;
}

int layer_set_image_xaxis(Model *model, const char *layer_name, int32_t code)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer || !value_axis_ok(code)) return 0;
    layer->image_u_axis = code;
    layer_map_uvs(model, layer_name);
    return 1;
}

int layer_set_image_yaxis(Model *model, const char *layer_name, int32_t code)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer || !value_axis_ok(code)) return 0;
    layer->image_v_axis = code;
    layer_map_uvs(model, layer_name);
    return 1;
}

int layer_set_image_repeat(Model *model, const char *layer_name, int32_t on, float u, float v)
{
    Layer *layer = find_layer(model, layer_name);
    if (!layer) return 0;
    layer->repeat_on = on;
    if (on) {
        layer->repeat[0] = u;
        layer->repeat[1] = v;
    }
    return layer_map_uvs(model, layer_name);
}

int layer_set_image(Model *model, const char *layer_name, const char *file)
{
    return replace_image(model, find_layer(model, layer_name), LAYER_SLOT_IMAGE, file);
}

int layer_set_mirror_image(Model *model, const char *layer_name, const char *file)
{
    return replace_image(model, find_layer(model, layer_name), LAYER_SLOT_MIRROR, file);
}

int layer_set_reflect_image(Model *model, const char *layer_name, const char *file)
{
    return replace_image(model, find_layer(model, layer_name), LAYER_SLOT_REFLECT, file);
}

// The layer of that name, without touching the last-error text.
static Layer *find_layer(Model *model, const char *name)
{
    if (!model || !name) return nullptr;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    return static_cast<Layer *>(table_find(&model->layers, key));
}

static LayerTexture *texture_of(Layer *layer)
{
    return layer ? static_cast<LayerTexture *>(table_find(&layer->texture, 1)) : nullptr;
}

static bool has_faces_or_strips(const Layer *layer)
{
    return table_count(&layer->faces) > 0 || table_count(&layer->strips) > 0;
}

// First element in slot order, found without moving the table's walk cursor.
static void *first_element(KeyedTable *table)
{
    for (int32_t slot = 0; slot < table->capacity; slot++) {
        void *element = table_nth(table, slot, 0);
        if (element) return element;
    }
    return nullptr;
}

static void extend_box(float *min, float *max, const float *p)
{
    for (int i = 0; i < 3; i++) {
        if (p[i] < min[i]) min[i] = p[i];
        if (p[i] > max[i]) max[i] = p[i];
    }
}

static bool box_over_strip(Model *model, Layer *layer, float *min, float *max)
{
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (!sv) continue;
            const float *p = model_point_position(model, sv->point_id);
            if (!p) return false;
            extend_box(min, max, p);
        }
    }
    return true;
}

static bool box_over_lines(Model *model, Layer *layer, float *min, float *max)
{
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (!line) continue;
        for (int32_t i = 0; i < line->vertices.capacity; i++) {
            const uint32_t *id = static_cast<const uint32_t *>(table_nth(&line->vertices, i, 0));
            if (!id) continue;
            const float *p = id && *id <= INT32_MAX ? model_point_position(model, static_cast<int32_t>(*id)) : nullptr;
            if (!p) {
                err_set("point does not exist");
                return false;
            }
            extend_box(min, max, p);
        }
    }
    return true;
}

// u, v of one corner: the layer's uvee of the point, else the box projection (with repeat
// and mirrored folding of negative values). False when the point does not exist.
static bool map_corner(Model *model, Layer *layer, int32_t id, float *u, float *v)
{
    const float *p = model_point_position(model, id);
    if (!p) return false;
    const Uvee *uvee = static_cast<const Uvee *>(table_find(&layer->uvees, id));
    if (uvee) {
        *u = uvee->u;
        *v = uvee->v;
        return true;
    }
    float box[6] = {layer->box_min[0], layer->box_min[1], layer->box_min[2],
                    layer->box_max[0], layer->box_max[1], layer->box_max[2]};
    float uv[2];
    geom_box_uv(p[0], p[1], p[2], box, layer->image_u_axis, layer->image_v_axis, uv);
    if (layer->repeat_on) {
        uv[0] *= layer->repeat[0];
        uv[1] *= layer->repeat[1];
        if (uv[0] < 0.0f) uv[0] = layer_fold_uv(-uv[0]);
        if (uv[1] < 0.0f) uv[1] = layer_fold_uv(-uv[1]);
    }
    *u = uv[0];
    *v = uv[1];
    return true;
}

// model_add_image of the slot with the layer's axis codes (the default ones for a code no
// image line names), with the new file read into the image cache first: a file that cannot be
// read fails here and leaves the slot's working image, name and reference untouched; a file
// that can be read is then shared, not read twice.
static int replace_image(Model *model, Layer *layer, int32_t slot, const char *file)
{
    if (!layer || !value_image_file_ok(slot, file)) return 0;
    std::string path = std::string(model->directory) + file;
    int32_t width = 0;
    int32_t height = 0;
    if (!image_cache_load(path.c_str(), &width, &height)) return 0;
    int32_t u_axis = value_axis_ok(layer->image_u_axis) ? layer->image_u_axis : DEFAULT_U_AXIS;
    int32_t v_axis = value_axis_ok(layer->image_v_axis) ? layer->image_v_axis : DEFAULT_V_AXIS;
    int result = model_add_image(model, layer->name, slot, file, u_axis, v_axis);
    image_cache_release(path.c_str());
    return result;
}

// 1 when the point map is of this layer and nothing its mapping depends on has
// changed: no face, strip or line added or removed anywhere since (the id
// counters only grow), the same box, axes and repeat.
static bool point_map_current(Model *model, const Layer *layer)
{
    const PointMap &map = g_point_map;
    if (!map.model || map.model != model || map.layer != layer->name) return false;
    if (map.faces != layer->faces.count || map.strips != layer->strips.count || map.lines != layer->lines.count)
        return false;
    if (map.next_face != g_model_ids.face || map.next_strip != g_model_ids.strip || map.next_line != g_model_ids.line)
        return false;
    const float box[6] = {layer->box_min[0], layer->box_min[1], layer->box_min[2],
                          layer->box_max[0], layer->box_max[1], layer->box_max[2]};
    if (memcmp(box, map.box, sizeof box) != 0) return false;
    return map.axes[0] == layer->image_u_axis && map.axes[1] == layer->image_v_axis &&
           map.repeat_on == layer->repeat_on && map.repeat[0] == layer->repeat[0] &&
           map.repeat[1] == layer->repeat[1];
}

// Records where each point of the layer is used, after a whole mapping.
static void point_map_build(Model *model, Layer *layer)
{
    PointMap &map = g_point_map;
    map = PointMap();
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (!face) continue;
        int corners = face->quad ? 4 : 3;
        for (int c = 0; c < corners; c++) map.uses[face->point_ids[c]].push_back({0, slot, face->id, c});
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (!strip) continue;
        for (int32_t i = 0; i < strip->vertices.capacity; i++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, i, 0));
            if (sv) map.uses[sv->point_id].push_back({1, slot, strip->id, i});
        }
    }
    map.model = model;
    map.layer = layer->name;
    map.faces = layer->faces.count;
    map.strips = layer->strips.count;
    map.lines = layer->lines.count;
    map.next_face = g_model_ids.face;
    map.next_strip = g_model_ids.strip;
    map.next_line = g_model_ids.line;
    const float box[6] = {layer->box_min[0], layer->box_min[1], layer->box_min[2],
                          layer->box_max[0], layer->box_max[1], layer->box_max[2]};
    memcpy(map.box, box, sizeof box);
    map.axes[0] = layer->image_u_axis;
    map.axes[1] = layer->image_v_axis;
    map.repeat_on = layer->repeat_on;
    map.repeat[0] = layer->repeat[0];
    map.repeat[1] = layer->repeat[1];
}
