#include "model/model_convert.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/image_cache.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/subdivision.h"

// Most subdivision levels passed on.
constexpr int32_t TESSELLATE_MAX_LEVEL = 6;
// Seed of the uvee jitter, so every run gives the same offsets.
constexpr unsigned JITTER_SEED = 2021048;
// rand() reaches 2^31 - 1 on some runtimes; its low 15 bits give the 0..32767 range everywhere.
constexpr int JITTER_MASK = 0x7fff;
constexpr float JITTER_STEP = 3.0518509e-05f;  // 1 / 32767
static const char *const MSG_MIRROR_NAME = "mirrored layer name too long: %s_mirror";
static const char *const MSG_MIRROR_EXISTS = "duplicate layer name not allowed: %s";
static const char *const MSG_RENUMBER_RANGE = "renumbered point id above 32767 in a face or strip";

// Three floats as a hash key; -0 counts as 0, as == compares them.
struct VecKey {
    uint32_t bits[3];
    bool operator==(const VecKey &other) const
    {
        return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
    }
};

struct VecKeyHash {
    size_t operator()(const VecKey &key) const
    {
        uint64_t h = key.bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= key.bits[1] + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
        h ^= key.bits[2] + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h);
    }
};

// The model's own points by exact position and by exact normal, so that a lookup answers
// the first point in slot order as a scan of the point table would.
struct PointIndex {
    Model *model;
    std::unordered_map<VecKey, int32_t, VecKeyHash> by_position;        // lowest slot
    std::unordered_map<VecKey, std::set<int32_t>, VecKeyHash> by_normal;  // slots in order
};

static int32_t next_point_id(Model *model);
static Layer *find_layer_quiet(Model *model, const char *name);
static int32_t strip_point_ids(Strip *strip, int32_t *ids);
static void free_strips(Layer *layer);
static void corner_uvees(Model *model, Layer *layer);
static bool vec_key(const float *v, VecKey *key);
static void index_build(PointIndex *index, Model *model);
static void index_add_slot(PointIndex *index, int32_t slot);
static int32_t index_find_position(PointIndex *index, const float *position);
static int32_t index_find_normal(PointIndex *index, const float *normal);
static void index_set_normal(PointIndex *index, int32_t id, const float *normal);
static int mirror_layer(Model *model, PointIndex *index, const std::string &name, int32_t *next);
static void mirrored(const float *v, int32_t axis, float *out);
static int32_t mirrored_point(Model *model, PointIndex *index, int32_t id, int32_t axis,
                              int32_t *next);
static int32_t mirrored_normal_point(Model *model, PointIndex *index, int32_t id, int32_t axis,
                                     int32_t *next);
static void set_mirrored_normal(Model *model, PointIndex *index, int32_t source, int32_t target,
                                int32_t axis);
static void mirror_texture(Model *model, Layer *source, const char *target);
static int32_t swap_on_axis(int32_t code, int32_t axis);
static int32_t remapped(const std::unordered_map<int32_t, int32_t> &map, int32_t id);
static bool face_ids_fit(Model *model, const std::unordered_map<int32_t, int32_t> &map);
static void remap_keyed(KeyedTable *table, int32_t element_size,
                        const std::unordered_map<int32_t, int32_t> &map, bool is_uvee);

int model_scale(Model *model, float sx, float sy, float sz)
{
    if (model == nullptr || sx == 0.0f || sy == 0.0f || sz == 0.0f) return 0;
    const float factor[3] = {sx, sy, sz};
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        Point *point = static_cast<Point *>(table_nth(&model->points, slot, 0));
        if (point != nullptr)
            for (int k = 0; k < 3; k++) point->position[k] *= factor[k];
    }
    for (int32_t slot = 0; slot < model->joints.capacity; slot++) {
        Joint *joint = static_cast<Joint *>(table_nth(&model->joints, slot, 0));
        if (joint != nullptr)
            for (int k = 0; k < 3; k++) joint->position[k] *= factor[k];
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child != nullptr)
            for (int k = 0; k < 3; k++) child->position[k] *= factor[k];
    }
    return 1;
}

// One walk over the faces: the triangles added are never quads, so none needs a second look.
int model_triangulate(Model *model)
{
    if (model == nullptr) return 0;
    int32_t v[MODEL_MAX_STRIP_VERTICES];
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
            if (face == nullptr || !face->quad || face->curve != 0) continue;
            Face quad = *face;
            face->quad = 0;
            face->point_ids[3] = 0;
            const int32_t ids[4] = {quad.point_ids[2], quad.point_ids[1], quad.point_ids[3], 0};
            const int32_t normals[4] = {quad.normal_ids[2], quad.normal_ids[1], quad.normal_ids[3], 0};
            // A flat triangle keeps no edge normals.
            model_add_face(model, layer->name, 0, ids, normals, nullptr, 0);
        }
        for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
            if (strip == nullptr) continue;
            int32_t n = strip_point_ids(strip, v);
            for (int32_t j = 2; j < n; j++) {
                const int32_t even[4] = {v[j - 2], v[j - 1], v[j], 0};
                const int32_t odd[4] = {v[j - 1], v[j - 2], v[j], 0};
                model_add_face(model, layer->name, 0, j % 2 == 0 ? even : odd, nullptr, nullptr, 0);
            }
        }
        free_strips(layer);
        layer_map_uvs(model, layer->name);
    }
    return 1;
}

// A curved face that cannot be subdivided (its new ids would not fit a face) is kept, so
// no surface is lost.
int model_tessellate(Model *model, int32_t level)
{
    if (model == nullptr) return 0;
    if (level < 0) level = 0;
    if (level > TESSELLATE_MAX_LEVEL) level = TESSELLATE_MAX_LEVEL;
    int32_t next = next_point_id(model);
    std::vector<int32_t> replaced;  // face ids
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        replaced.clear();
        // The faces the subdivision adds are flat, so one walk sees every curved face once.
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            const Face *at = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
            if (at == nullptr || at->curve <= 0) continue;
            Face face = *at;  // the face table may grow under the call
            int32_t created = model_tessellate_face(model, layer, &face, level, next);
            if (created <= 0) continue;
            next += created;
            replaced.push_back(static_cast<int32_t>(face.id));
        }
        for (int32_t id : replaced) table_remove(&layer->faces, id);
        layer_map_uvs(model, layer->name);
    }
    return 1;
}

int model_mirror_layers(Model *model)
{
    if (model == nullptr) return 0;
    std::vector<std::string> sources;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr || !layer->mirror_on) continue;
        std::string target = std::string(layer->name) + "_mirror";
        if (target.size() > static_cast<size_t>(MODEL_KEY_LENGTH)) {
            err_setf(MSG_MIRROR_NAME, layer->name);
            return 0;
        }
        if (find_layer_quiet(model, target.c_str()) != nullptr) {
            err_setf(MSG_MIRROR_EXISTS, target.c_str());
            return 0;
        }
        sources.push_back(layer->name);
    }
    if (sources.empty()) return 1;
    PointIndex index;
    index_build(&index, model);
    int32_t next = next_point_id(model);
    for (const std::string &name : sources)
        if (!mirror_layer(model, &index, name, &next)) return 0;
    return 1;
}

int model_make_curved(Model *model)
{
    if (model == nullptr) return 0;
    static const int32_t triangle_edges[6] = {0, 1, 1, 2, 2, 0};
    static const int32_t quad_edges[8] = {0, 1, 1, 3, 3, 2, 2, 0};
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
            if (face == nullptr || face->curve != 0) continue;
            face->curve = face->quad ? 4 : 3;
            const int32_t *order = face->quad ? quad_edges : triangle_edges;
            int32_t edges = face->quad ? 8 : 6;
            for (int32_t e = 0; e < edges; e++) face->edge_ids[e] = face->point_ids[order[e]];
        }
    }
    return 1;
}

int model_split_normal_points(Model *model)
{
    if (model == nullptr) return 0;
    int32_t next = next_point_id(model);
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
            if (face == nullptr) continue;
            int32_t corners = face->quad ? 4 : 3;
            for (int32_t c = 0; c < corners; c++) {
                int32_t p = face->point_ids[c], n = face->normal_ids[c];
                if (p == n || next > MODEL_MAX_FACE_ID) continue;
                const Point *from = point_find(model, p);
                const Point *with = point_find(model, n);
                if (from == nullptr || with == nullptr) continue;
                // Copies first: creating the point may move the point table.
                float position[3], normal[3];
                memcpy(position, from->position, sizeof position);
                memcpy(normal, with->normal, sizeof normal);
                float weight = with->weight;
                Joint *joint = with->joint;
                bool same_joint = from->joint == with->joint;
                // A joint of a child model's table is not this model's to count.
                char key[MODEL_KEY_LENGTH + 1];
                if (joint != nullptr) model_key_name(joint->name, key);
                if (joint != nullptr && table_find(&model->joints, key) != joint) joint = nullptr;
                int32_t id = next++;
                model_set_point(model, id, geom_trunc_int(position[0]), geom_trunc_int(position[1]),
                                geom_trunc_int(position[2]), weight);
                model_set_normal(model, nullptr, 0, id, normal[0], normal[1], normal[2]);
                if (joint != nullptr) {
                    static_cast<Point *>(table_find(&model->points, id))->joint = joint;
                    joint->point_count++;
                }
                face->normal_ids[c] = static_cast<int16_t>(id);
                if (same_joint) face->point_ids[c] = static_cast<int16_t>(id);
            }
        }
    }
    return 1;
}

// One old-to-new map carries every reference over. Ids that name none of the model's own
// points (points of child models) are kept.
int model_renumber_points(Model *model)
{
    if (model == nullptr || table_count(&model->joints) == 0) return 0;
    // Dense joint index of each point's owner; the unowned (and foreign joints) go last.
    int32_t joint_count = table_count(&model->joints);
    std::unordered_map<const Joint *, int32_t> joint_order;
    for (int32_t slot = 0, k = 0; slot < model->joints.capacity; slot++) {
        const Joint *joint = static_cast<const Joint *>(table_nth(&model->joints, slot, 0));
        if (joint != nullptr) joint_order[joint] = k++;
    }
    std::vector<int32_t> group_size(static_cast<size_t>(joint_count) + 1, 0);
    std::vector<int32_t> group_of(static_cast<size_t>(model->points.capacity), -1);
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        const Point *point = static_cast<const Point *>(table_nth(&model->points, slot, 0));
        if (point == nullptr) continue;
        auto found = joint_order.find(point->joint);
        int32_t group = found != joint_order.end() ? found->second : joint_count;
        group_of[static_cast<size_t>(slot)] = group;
        group_size[static_cast<size_t>(group)]++;
    }
    std::vector<int32_t> group_next(group_size.size(), 1);
    for (size_t g = 1; g < group_size.size(); g++) group_next[g] = group_next[g - 1] + group_size[g - 1];
    std::unordered_map<int32_t, int32_t> map;  // old id -> new id
    std::vector<int32_t> order(static_cast<size_t>(table_count(&model->points)));  // new id - 1 -> slot
    map.reserve(order.size());
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        int32_t group = group_of[static_cast<size_t>(slot)];
        if (group < 0) continue;
        int32_t id = group_next[static_cast<size_t>(group)]++;
        map[model->points.slots[slot].key] = id;
        order[static_cast<size_t>(id - 1)] = slot;
    }
    // Faces and strips hold 16-bit ids: refuse before anything changes.
    if (!face_ids_fit(model, map)) {
        err_set(MSG_RENUMBER_RANGE);
        return 0;
    }
    {
        KeyedTable points;
        table_init(&points, sizeof(Point), KEY_INT);
        for (size_t k = 0; k < order.size(); k++) {
            const Point *old = static_cast<const Point *>(table_nth(&model->points, order[k], 0));
            Point *point = static_cast<Point *>(table_add(&points, static_cast<int32_t>(k + 1)));
            if (point == nullptr) {
                table_free(&points);
                return 0;
            }
            *point = *old;
            point->viewer_index = -1;
        }
        for (int32_t i = 0; i < model->layers.capacity; i++) {
            Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
            if (layer == nullptr) continue;
            for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
                Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
                if (face == nullptr) continue;
                for (int k = 0; k < 4; k++) {
                    face->point_ids[k] = static_cast<int16_t>(remapped(map, face->point_ids[k]));
                    face->normal_ids[k] = static_cast<int16_t>(remapped(map, face->normal_ids[k]));
                }
                for (int k = 0; k < 8; k++)
                    face->edge_ids[k] = static_cast<int16_t>(remapped(map, face->edge_ids[k]));
            }
            for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
                Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
                if (strip == nullptr) continue;
                for (int32_t k = 0; k < strip->vertices.capacity; k++) {
                    StripVertex *sv = static_cast<StripVertex *>(table_nth(&strip->vertices, k, 0));
                    if (sv == nullptr) continue;
                    sv->point_id = static_cast<int16_t>(remapped(map, sv->point_id));
                    sv->normal_id = static_cast<int16_t>(remapped(map, sv->normal_id));
                }
            }
            for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
                Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
                if (line == nullptr) continue;
                for (int32_t k = 0; k < line->vertices.capacity; k++) {
                    uint32_t *id = static_cast<uint32_t *>(table_nth(&line->vertices, k, 0));
                    if (id != nullptr && *id <= static_cast<uint32_t>(INT32_MAX))
                        *id = static_cast<uint32_t>(remapped(map, static_cast<int32_t>(*id)));
                }
            }
            remap_keyed(&layer->uvees, sizeof(Uvee), map, true);
            remap_keyed(&layer->normals, sizeof(float) * 3, map, false);
            remap_keyed(&layer->pn_normals, sizeof(float) * 3, map, false);
        }
        table_free(&model->points);
        model->points = points;
    }
    return 1;
}

int model_face_uvs_to_uvees(Model *model)
{
    if (model == nullptr) return 0;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr || table_find(&layer->texture, 1) == nullptr ||
            table_count(&layer->faces) == 0)
            continue;
        corner_uvees(model, layer);
    }
    return 1;
}

int model_triangulate_uvees(Model *model)
{
    if (model == nullptr) return 0;
    model_triangulate(model);
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        if (table_count(&layer->faces) == 0 && table_count(&layer->strips) == 0) continue;
        corner_uvees(model, layer);
    }
    return 1;
}

int model_jitter_uvees(Model *model, float a, float b)
{
    if (model == nullptr) return 0;
    srand(JITTER_SEED);
    float step_u = a * JITTER_STEP, step_v = b * JITTER_STEP;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t slot = 0; slot < layer->uvees.capacity; slot++) {
            Uvee *uvee = static_cast<Uvee *>(table_nth(&layer->uvees, slot, 0));
            if (uvee == nullptr) continue;
            uvee->u += static_cast<float>(rand() & JITTER_MASK) * step_u;
            uvee->v += static_cast<float>(rand() & JITTER_MASK) * step_v;
        }
    }
    return 1;
}

// The model's largest point id plus 1 (1 for a model without points).
static int32_t next_point_id(Model *model)
{
    int32_t largest = point_max_id(model);
    return largest < 1 ? 1 : largest + 1;
}

// The layer of that name (key cut as the table keys it), or null without a message.
static Layer *find_layer_quiet(Model *model, const char *name)
{
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    return static_cast<Layer *>(table_find(&model->layers, key));
}

// Copies the strip's point ids in strip order into ids (room for the longest strip); the count.
static int32_t strip_point_ids(Strip *strip, int32_t *ids)
{
    int32_t n = 0;
    for (int32_t k = 0; k < strip->vertices.capacity && n < MODEL_MAX_STRIP_VERTICES; k++) {
        const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, k, 0));
        if (sv != nullptr) ids[n++] = sv->point_id;
    }
    return n;
}

// Frees every strip of the layer and empties its strip table.
static void free_strips(Layer *layer)
{
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (strip != nullptr) table_free(&strip->vertices);
    }
    table_clear(&layer->strips);
}

// Every face corner's u, v becomes the uvee of its point; a later corner overwrites.
static void corner_uvees(Model *model, Layer *layer)
{
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (face == nullptr) continue;
        int32_t corners = face->quad ? 4 : 3;
        for (int32_t c = 0; c < corners; c++)
            model_add_uvee(model, layer->name, face->point_ids[c], face->uv[c][0], face->uv[c][1]);
    }
}

// False for a vector holding not-a-number, which equals nothing.
static bool vec_key(const float *v, VecKey *key)
{
    for (int k = 0; k < 3; k++) {
        if (std::isnan(v[k])) return false;
        float x = v[k] == 0.0f ? 0.0f : v[k];
        memcpy(&key->bits[k], &x, sizeof x);
    }
    return true;
}

static void index_build(PointIndex *index, Model *model)
{
    index->model = model;
    for (int32_t slot = 0; slot < model->points.capacity; slot++)
        if (table_nth(&model->points, slot, 0) != nullptr) index_add_slot(index, slot);
}

// Enters the point of the slot under its position and its normal.
static void index_add_slot(PointIndex *index, int32_t slot)
{
    const Point *point = static_cast<const Point *>(table_nth(&index->model->points, slot, 0));
    VecKey key;
    if (vec_key(point->position, &key)) {
        auto found = index->by_position.find(key);
        if (found == index->by_position.end())
            index->by_position.emplace(key, slot);
        else if (slot < found->second)
            found->second = slot;
    }
    if (vec_key(point->normal, &key)) index->by_normal[key].insert(slot);
}

// Id of the first point in slot order at exactly that position; -1 when none.
static int32_t index_find_position(PointIndex *index, const float *position)
{
    VecKey key;
    if (!vec_key(position, &key)) return -1;
    auto found = index->by_position.find(key);
    return found == index->by_position.end() ? -1 : index->model->points.slots[found->second].key;
}

// Id of the first point in slot order whose normal is exactly that one; -1 when none.
static int32_t index_find_normal(PointIndex *index, const float *normal)
{
    VecKey key;
    if (!vec_key(normal, &key)) return -1;
    auto found = index->by_normal.find(key);
    if (found == index->by_normal.end() || found->second.empty()) return -1;
    return index->model->points.slots[*found->second.begin()].key;
}

// Sets the normal of one of the model's own points, keeping the index in step.
static void index_set_normal(PointIndex *index, int32_t id, const float *normal)
{
    Model *model = index->model;
    int32_t slot = table_index_of(&model->points, id, 0);
    if (slot < 0) return;
    VecKey key;
    const Point *point = static_cast<const Point *>(table_nth(&model->points, slot, 0));
    if (vec_key(point->normal, &key)) {
        auto found = index->by_normal.find(key);
        if (found != index->by_normal.end()) found->second.erase(slot);
    }
    model_set_normal(model, nullptr, 0, id, normal[0], normal[1], normal[2]);
    point = static_cast<const Point *>(table_nth(&model->points, slot, 0));
    if (vec_key(point->normal, &key)) index->by_normal[key].insert(slot);
}

// Adds the mirrored copy of one layer; 0 when the copy or the source cannot be found.
static int mirror_layer(Model *model, PointIndex *index, const std::string &name, int32_t *next)
{
    Layer *source = find_layer_quiet(model, name.c_str());
    if (source == nullptr) return 0;
    std::string target = name + "_mirror";
    model_add_layer(model, target.c_str(), source->colour[0], source->colour[1], source->colour[2],
                    source->single_sided, 0, 0);
    source = find_layer_quiet(model, name.c_str());
    if (source == nullptr || find_layer_quiet(model, target.c_str()) == nullptr) return 0;
    int32_t axis = source->mirror_axis;
    // Corners c0, c2, c1 (c3) reverse the winding of both halves of a quad.
    static const int32_t order[4] = {0, 2, 1, 3};
    for (int32_t slot = 0; slot < source->faces.capacity; slot++) {
        const Face *at = static_cast<const Face *>(table_nth(&source->faces, slot, 0));
        if (at == nullptr) continue;
        Face face = *at;
        int32_t corners = face.quad ? 4 : 3;
        int32_t points[4] = {0, 0, 0, 0}, normals[4] = {0, 0, 0, 0};
        for (int32_t k = 0; k < corners; k++) {
            int32_t p = face.point_ids[order[k]], n = face.normal_ids[order[k]];
            points[k] = mirrored_point(model, index, p, axis, next);
            if (n == p) {
                set_mirrored_normal(model, index, p, points[k], axis);
                normals[k] = points[k];
            } else {
                normals[k] = mirrored_normal_point(model, index, n, axis, next);
            }
        }
        model_add_face(model, target.c_str(), face.quad, points, normals, nullptr, face.curve);
    }
    std::vector<std::vector<int32_t>> strips;
    int32_t v[MODEL_MAX_STRIP_VERTICES];
    for (int32_t slot = 0; slot < source->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&source->strips, slot, 0));
        if (strip != nullptr) strips.emplace_back(v, v + strip_point_ids(strip, v));
    }
    for (const std::vector<int32_t> &strip : strips) {
        int32_t n = static_cast<int32_t>(strip.size());
        if (n < 3) continue;
        std::vector<int32_t> w(strip.size());
        for (int32_t k = 0; k < n; k++) {
            w[k] = mirrored_point(model, index, strip[k], axis, next);
            set_mirrored_normal(model, index, strip[k], w[k], axis);
        }
        const int32_t first[4] = {w[0], w[2], w[1], 0};
        model_add_face(model, target.c_str(), 0, first, nullptr, nullptr, 0);
        model_add_strip(model, target.c_str(), n - 1, w.data() + 1, nullptr);
    }
    mirror_texture(model, source, target.c_str());
    source->mirror_on = 0;
    return 1;
}

// out = v with the coordinate of the axis (1 x, 2 y, 3 z) negated.
static void mirrored(const float *v, int32_t axis, float *out)
{
    memcpy(out, v, 3 * sizeof(float));
    if (axis >= 1 && axis <= 3) out[axis - 1] = -out[axis - 1];
}

// The point at the mirrored position of point id: one already there, else a new point at the
// next free id (at the truncated position, weight 1). 0 when id names no point.
static int32_t mirrored_point(Model *model, PointIndex *index, int32_t id, int32_t axis,
                              int32_t *next)
{
    const Point *point = point_find(model, id);
    if (point == nullptr) return 0;
    float position[3];
    mirrored(point->position, axis, position);
    int32_t found = index_find_position(index, position);
    if (found > 0) return found;
    int32_t created = (*next)++;
    model_set_point(model, created, geom_trunc_int(position[0]), geom_trunc_int(position[1]),
                    geom_trunc_int(position[2]), 1.0f);
    int32_t slot = table_index_of(&model->points, created, 0);
    if (slot >= 0) index_add_slot(index, slot);
    return created;
}

// The point carrying the mirrored normal of point id: one that has it, else a new point at the
// next free id given it. 0 when id names no point.
static int32_t mirrored_normal_point(Model *model, PointIndex *index, int32_t id, int32_t axis,
                                     int32_t *next)
{
    const Point *point = point_find(model, id);
    if (point == nullptr) return 0;
    float normal[3];
    mirrored(point->normal, axis, normal);
    int32_t found = index_find_normal(index, normal);
    if (found > 0) return found;
    int32_t created = (*next)++;
    model_set_normal(model, nullptr, 0, created, normal[0], normal[1], normal[2]);
    int32_t slot = table_index_of(&model->points, created, 0);
    if (slot >= 0) index_add_slot(index, slot);
    return created;
}

// Gives point target the mirrored normal of point source.
static void set_mirrored_normal(Model *model, PointIndex *index, int32_t source, int32_t target,
                                int32_t axis)
{
    const Point *point = point_find(model, source);
    if (point == nullptr || target < 1) return;
    float normal[3];
    mirrored(point->normal, axis, normal);
    index_set_normal(index, target, normal);
}

// The copy takes the source's mirror image (else its image) with the axes exchanged on the
// mirror axis, its transparency and colour key; the source's mirror image is released.
static void mirror_texture(Model *model, Layer *source, const char *target)
{
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&source->texture, 1));
    if (texture == nullptr) return;
    std::string file = texture->file[LAYER_SLOT_MIRROR][0] ? texture->file[LAYER_SLOT_MIRROR]
                                                           : texture->file[LAYER_SLOT_IMAGE];
    int32_t axis = source->mirror_axis;
    model_add_image(model, target, LAYER_SLOT_IMAGE, file.c_str(),
                    swap_on_axis(source->image_u_axis, axis), swap_on_axis(source->image_v_axis, axis));
    model_set_transparency(model, target, source->transparency);
    if (source->colour_key_on)
        model_set_invisible(model, target, static_cast<float>(source->colour_key[0]) / 255.0f,
                            static_cast<float>(source->colour_key[1]) / 255.0f,
                            static_cast<float>(source->colour_key[2]) / 255.0f);
    if (texture->pixels[LAYER_SLOT_MIRROR] != nullptr) {
        image_cache_release(texture->cache_path[LAYER_SLOT_MIRROR]);
        texture->pixels[LAYER_SLOT_MIRROR] = nullptr;
        texture->cache_path[LAYER_SLOT_MIRROR] = nullptr;
        texture->width[LAYER_SLOT_MIRROR] = 0;
        texture->height[LAYER_SLOT_MIRROR] = 0;
        texture->gl_stale = 1;
    }
    texture->file[LAYER_SLOT_MIRROR][0] = '\0';
}

// Axis code with its direction turned on the mirror axis: x 1 <-> 4, y 2 <-> 5, z 3 <-> 6.
static int32_t swap_on_axis(int32_t code, int32_t axis)
{
    if (code == axis) return axis + 3;
    if (code == axis + 3) return axis;
    return code;
}

// The new id of an old one; ids that name none of the model's own points are kept.
static int32_t remapped(const std::unordered_map<int32_t, int32_t> &map, int32_t id)
{
    auto found = map.find(id);
    return found == map.end() ? id : found->second;
}

// True when every face and strip id still fits 16 bits under the new ids.
static bool face_ids_fit(Model *model, const std::unordered_map<int32_t, int32_t> &map)
{
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
            if (face == nullptr) continue;
            for (int k = 0; k < 4; k++)
                if (remapped(map, face->point_ids[k]) > MODEL_MAX_FACE_ID ||
                    remapped(map, face->normal_ids[k]) > MODEL_MAX_FACE_ID)
                    return false;
            for (int k = 0; k < 8; k++)
                if (remapped(map, face->edge_ids[k]) > MODEL_MAX_FACE_ID) return false;
        }
        for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
            if (strip == nullptr) continue;
            for (int32_t k = 0; k < strip->vertices.capacity; k++) {
                const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, k, 0));
                if (sv != nullptr && (remapped(map, sv->point_id) > MODEL_MAX_FACE_ID ||
                                      remapped(map, sv->normal_id) > MODEL_MAX_FACE_ID))
                    return false;
            }
        }
    }
    return true;
}

// Rebuilds a table keyed by point id under the new ids, in its old slot order; records whose
// id names none of the model's own points are dropped.
static void remap_keyed(KeyedTable *table, int32_t element_size,
                        const std::unordered_map<int32_t, int32_t> &map, bool is_uvee)
{
    if (table_count(table) == 0) return;
    KeyedTable fresh;
    table_init(&fresh, element_size, KEY_INT);
    for (int32_t slot = 0; slot < table->capacity; slot++) {
        const void *old = table_nth(table, slot, 0);
        if (old == nullptr) continue;
        auto found = map.find(table->slots[slot].key);
        if (found == map.end()) continue;
        void *element = table_add(&fresh, found->second);
        if (element == nullptr) continue;
        memcpy(element, old, static_cast<size_t>(element_size));
        if (is_uvee) static_cast<Uvee *>(element)->point_id = static_cast<uint32_t>(found->second);
    }
    table_free(table);
    *table = fresh;
}
