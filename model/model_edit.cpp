#include "model/model_edit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/vec3.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/value_check.h"

// Most distinct directions kept per point, and the tolerance that makes two of them one.
constexpr int32_t MAX_DIRECTIONS = 6;
constexpr float DIRECTION_TOLERANCE = 0.0001f;

// The distinct unit normals of the triangles around one point, in the order found.
struct DirectionList {
    int32_t count;
    float normal[MAX_DIRECTIONS][3];
};

// Working state of normal generation: one list per slot of the model's point table.
struct NormalWork {
    Model *model;
    std::vector<DirectionList> lists;  // by point slot
    std::vector<int32_t> touched;      // slots whose list is not empty, in first-use order
};

static void collect_layer(NormalWork *work, Layer *layer);
static void add_triangle(NormalWork *work, int32_t a, int32_t b, int32_t c);
static void add_direction(NormalWork *work, int32_t slot, const float *normal);
static bool mean_direction(const DirectionList *list, float *out);
static bool collinear(const float *triangle);
static int32_t strip_point_ids(Strip *strip, int32_t *ids);
static void lay_chain(Model *model, KeyedTable *placed, const int32_t *ids, int32_t n);
static void inset(float *u, float *v, float su, float lo_u, float sv, float lo_v);

// One pass over each layer's faces and strips hands every triangle's unit normal to its
// corners, so the cost grows with the triangles, not with points times triangles.
int model_auto_normals(Model *model, int32_t per_layer)
{
    if (model == nullptr) return 0;
    NormalWork work;
    work.model = model;
    work.lists.assign(static_cast<size_t>(model->points.capacity), DirectionList{});
    bool has_points = table_count(&model->points) > 0;
    KeyedTable *layers = &model->layers;
    for (int32_t i = 0; i < layers->capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(layers, i, 0));
        if (layer == nullptr) continue;
        if (!per_layer && has_points) table_clear(&layer->normals);
        collect_layer(&work, layer);
        if (!per_layer) continue;
        // Layer normals go in point-table order.
        std::sort(work.touched.begin(), work.touched.end());
        for (int32_t slot : work.touched) {
            DirectionList *list = &work.lists[static_cast<size_t>(slot)];
            float mean[3];
            if (mean_direction(list, mean))
                model_set_normal(model, layer->name, 0, model->points.slots[slot].key, mean[0],
                                 mean[1], mean[2]);
            list->count = 0;
        }
        work.touched.clear();
    }
    if (per_layer) return 1;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        if (table_nth(&model->points, slot, 0) == nullptr) continue;
        float mean[3] = {0.0f, 0.0f, 1.0f};
        if (!mean_direction(&work.lists[static_cast<size_t>(slot)], mean)) {
            mean[0] = 0.0f;
            mean[1] = 0.0f;
            mean[2] = 1.0f;
        }
        model_set_normal(model, nullptr, 0, model->points.slots[slot].key, mean[0], mean[1],
                         mean[2]);
    }
    return 1;
}

int model_offset_uvs(Model *model, float a, float b)
{
    if (model == nullptr) return 0;
    KeyedTable *layers = &model->layers;
    for (int32_t i = 0; i < layers->capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(layers, i, 0));
        if (layer == nullptr || table_count(&layer->faces) == 0) continue;
        LayerTexture *texture = static_cast<LayerTexture *>(table_nth(&layer->texture, 0, 1));
        if (texture == nullptr) continue;
        int32_t w = texture->width[LAYER_SLOT_IMAGE], h = texture->height[LAYER_SLOT_IMAGE];
        if (w < 2 || h < 2) continue;
        float du = 1.0f / (float)(w - 1), dv = 1.0f / (float)(h - 1);
        float lo_u = a * du, lo_v = a * dv;
        float su = (1.0f - b * du) - lo_u, sv = (1.0f - b * dv) - lo_v;
        for (int32_t f = 0; f < layer->faces.capacity; f++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, f, 0));
            if (face == nullptr) continue;
            for (int c = 0; c < 4; c++) inset(&face->uv[c][0], &face->uv[c][1], su, lo_u, sv, lo_v);
        }
        for (int32_t s = 0; s < layer->strips.capacity; s++) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, s, 0));
            if (strip == nullptr) continue;
            for (int32_t k = 0; k < strip->vertices.capacity; k++) {
                StripVertex *vertex = static_cast<StripVertex *>(table_nth(&strip->vertices, k, 0));
                if (vertex != nullptr) inset(&vertex->u, &vertex->v, su, lo_u, sv, lo_v);
            }
        }
    }
    return 1;
}

int model_pancake(Model *model)
{
    if (model == nullptr || table_count(&model->layers) == 0) return 0;
    KeyedTable placed;  // float[3] placed position, key point id
    table_init(&placed, sizeof(float) * 3, KEY_INT);
    int32_t ids[MODEL_MAX_STRIP_VERTICES];
    KeyedTable *layers = &model->layers;
    for (int32_t i = 0; i < layers->capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(layers, i, 0));
        if (layer == nullptr) continue;
        for (int32_t s = 0; s < layer->strips.capacity; s++) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, s, 0));
            if (strip != nullptr) lay_chain(model, &placed, ids, strip_point_ids(strip, ids));
        }
        for (int32_t f = 0; f < layer->faces.capacity; f++) {
            const Face *face = static_cast<const Face *>(table_nth(&layer->faces, f, 0));
            if (face == nullptr) continue;
            int32_t n = face->quad ? 4 : 3;
            for (int32_t c = 0; c < n; c++) ids[c] = face->point_ids[c];
            lay_chain(model, &placed, ids, n);
        }
    }
    int32_t id = 0;
    for (float *at = static_cast<float *>(table_first(&placed, &id)); at != nullptr;
         at = static_cast<float *>(table_next(&placed, &id))) {
        Point *point = point_find(model, id);
        if (point == nullptr) continue;
        memcpy(point->position, at, sizeof point->position);
        if (table_find(&model->points, id) == point)
            model_bbox_add_point(model, at[0], at[1], at[2]);
    }
    table_free(&placed);
    return 1;
}

// Hands every triangle of the layer's faces, then its strips, to its corners.
static void collect_layer(NormalWork *work, Layer *layer)
{
    for (int32_t f = 0; f < layer->faces.capacity; f++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, f, 0));
        if (face == nullptr) continue;
        const int16_t *c = face->point_ids;
        add_triangle(work, c[0], c[1], c[2]);
        if (face->quad) add_triangle(work, c[2], c[1], c[3]);
    }
    int32_t v[MODEL_MAX_STRIP_VERTICES];
    for (int32_t s = 0; s < layer->strips.capacity; s++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, s, 0));
        if (strip == nullptr) continue;
        int32_t n = strip_point_ids(strip, v);
        for (int32_t j = 2; j < n; j++) {
            if (j % 2 == 0)
                add_triangle(work, v[j - 2], v[j - 1], v[j]);
            else
                add_triangle(work, v[j - 1], v[j - 2], v[j]);
        }
    }
}

// The triangle's unit face normal joins the lists of those corners that are points of the
// model's own table; a collinear triangle (repeated corners included) has no direction.
static void add_triangle(NormalWork *work, int32_t a, int32_t b, int32_t c)
{
    Model *model = work->model;
    const int32_t ids[3] = {a, b, c};
    int32_t slots[3];
    float triangle[9];
    for (int i = 0; i < 3; i++) {
        slots[i] = table_index_of(&model->points, ids[i], 0);
        const float *p = nullptr;
        if (slots[i] >= 0)
            p = static_cast<const Point *>(table_nth(&model->points, slots[i], 0))->position;
        else
            p = model_point_position(model, ids[i]);
        if (p == nullptr) return;
        memcpy(triangle + 3 * i, p, 3 * sizeof(float));
    }
    if (collinear(triangle)) return;
    float normal[3];
    geom_face_normal(triangle, normal);
    vec3_normalize(normal);
    for (int i = 0; i < 3; i++)
        if (slots[i] >= 0) add_direction(work, slots[i], normal);
}

// A direction joins the slot's list unless it is one already listed or six are listed.
static void add_direction(NormalWork *work, int32_t slot, const float *normal)
{
    DirectionList *list = &work->lists[static_cast<size_t>(slot)];
    if (list->count == 0) work->touched.push_back(slot);
    if (list->count >= MAX_DIRECTIONS) return;
    for (int32_t k = 0; k < list->count; k++)
        if (vec3_near_equal(list->normal[k], normal, DIRECTION_TOLERANCE)) return;
    memcpy(list->normal[list->count], normal, 3 * sizeof(float));
    list->count++;
}

// out = the normalised mean of the list; false for an empty list or directions that cancel.
static bool mean_direction(const DirectionList *list, float *out)
{
    if (list->count == 0) return false;
    vec3_centroid(&list->normal[0][0], list->count, out);
    vec3_normalize(out);
    if (!std::isfinite(out[0]) || !std::isfinite(out[1]) || !std::isfinite(out[2])) return false;
    return out[0] != 0.0f || out[1] != 0.0f || out[2] != 0.0f;
}

// True when the three corners lie on one line (or are not finite).
static bool collinear(const float *t)
{
    double e1[3], e2[3];
    for (int i = 0; i < 3; i++) {
        e1[i] = static_cast<double>(t[3 + i]) - t[i];
        e2[i] = static_cast<double>(t[6 + i]) - t[i];
    }
    double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                   e1[0] * e2[1] - e1[1] * e2[0]};
    if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2])) return true;
    return c[0] == 0.0 && c[1] == 0.0 && c[2] == 0.0;
}

// Copies the strip's point ids in strip order into ids (room for the longest strip); the count.
static int32_t strip_point_ids(Strip *strip, int32_t *ids)
{
    int32_t n = 0;
    for (int32_t k = 0; k < strip->vertices.capacity && n < MODEL_MAX_STRIP_VERTICES; k++) {
        const StripVertex *vertex = static_cast<const StripVertex *>(table_nth(&strip->vertices, k, 0));
        if (vertex != nullptr) ids[n++] = vertex->point_id;
    }
    return n;
}

// Places the chain's points in z = 0: each from the placed position of the one before, in
// the xy direction of the edge between their original positions, at the edge's 3D length.
// An edge with no xy extent leaves the point at its own x, y. Placed points stay put.
static void lay_chain(Model *model, KeyedTable *placed, const int32_t *ids, int32_t n)
{
    if (n < 1) return;
    const Point *first = point_find(model, ids[0]);
    if (first == nullptr) return;
    float reference[3];  // placed position of the reference point
    const float *original = first->position;
    if (const float *at = static_cast<const float *>(table_find(placed, ids[0]))) {
        memcpy(reference, at, sizeof reference);
    } else {
        reference[0] = original[0];
        reference[1] = original[1];
        reference[2] = 0.0f;
        float *spot = static_cast<float *>(table_add(placed, ids[0]));
        if (spot != nullptr) memcpy(spot, reference, sizeof reference);
    }
    for (int32_t i = 1; i < n; i++) {
        const Point *point = point_find(model, ids[i]);
        if (point == nullptr) continue;
        const float *at = static_cast<const float *>(table_find(placed, ids[i]));
        float position[3];
        if (at != nullptr) {
            memcpy(position, at, sizeof position);
        } else {
            double d[3];
            for (int k = 0; k < 3; k++) d[k] = static_cast<double>(point->position[k]) - original[k];
            double l2 = std::sqrt(d[0] * d[0] + d[1] * d[1]);
            double l3 = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            // Held within the coordinates a model file gives back: a steep edge between far
            // points could otherwise be laid out beyond them.
            if (l2 > 0.0 && std::isfinite(l3)) {
                position[0] = value_whole_clamp(reference[0] + d[0] * l3 / l2);
                position[1] = value_whole_clamp(reference[1] + d[1] * l3 / l2);
            } else {
                position[0] = point->position[0];
                position[1] = point->position[1];
            }
            position[2] = 0.0f;
            float *spot = static_cast<float *>(table_add(placed, ids[i]));
            if (spot != nullptr) memcpy(spot, position, sizeof position);
        }
        memcpy(reference, position, sizeof reference);
        original = point->position;
    }
}

static void inset(float *u, float *v, float su, float lo_u, float sv, float lo_v)
{
    *u = *u * su + lo_u;
    *v = *v * sv + lo_v;
}
