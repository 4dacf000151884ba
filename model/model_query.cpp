#include "model/model_query.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/point.h"
#include "model/value_check.h"

// Budget of the image-name list: its names with one separator each stay below it.
constexpr int IMAGE_NAMES_SIZE = 1024;
// Room for a model's directory and name.
constexpr int MODEL_PATH_SIZE = PATH_BUFFER_SIZE + MODEL_NAME_SIZE;

static float g_point_position[3];
static float g_point_normal[3];
static uint8_t g_point_gouraud[4];
static char g_model_path[MODEL_PATH_SIZE];

static bool child_ordinal(Model *model, const char *name, int32_t *counter);
static void list_image_names(Model *model, int *used, std::vector<std::string> *names);
static void hierarchy_box(Model *model, const Matrix4 *matrix, float *min, float *max);

Layer *model_find_layer(Model *model, const char *name)
{
    Layer *layer = nullptr;
    if (model && name) {
        char key[MODEL_KEY_LENGTH + 1];
        model_key_name(name, key);
        layer = static_cast<Layer *>(table_find(&model->layers, key));
    }
    if (!layer) err_set("layer does not exist");
    return layer;
}

Joint *model_find_joint(Model *model, const char *name)
{
    if (!model || !name || strcmp(name, "world") == 0) return nullptr;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    return static_cast<Joint *>(table_find(&model->joints, key));
}

int32_t model_joint_index(Model *model, const char *name)
{
    if (!model || !name) return -1;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    return table_index_of(&model->joints, key, 1);
}

Child *model_child_at(Model *model, int32_t n)
{
    if (!model || n < 1) return nullptr;
    Child *child = static_cast<Child *>(table_nth(&model->children, n - 1, 1));
    if (!child) err_set("child does not exist");
    return child;
}

Child *model_find_child(Model *model, const char *name)
{
    if (!model || !name) return nullptr;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child && strcmp(child->name, name) == 0) return child;
    }
    err_set("child does not exist");
    return nullptr;
}

int32_t model_child_ordinal(Model *model, const char *name)
{
    if (!model || !name) return -1;
    int32_t counter = 0;
    return child_ordinal(model, name, &counter) ? counter : -1;
}

CollideObject *model_find_collide(Model *model, const char *name)
{
    if (!model || !name) return nullptr;
    for (int32_t slot = 0; slot < model->collides.capacity; slot++) {
        CollideObject *object = static_cast<CollideObject *>(table_nth(&model->collides, slot, 0));
        if (object && strcmp(object->name, name) == 0) return object;
    }
    err_set("collide object does not exist");
    return nullptr;
}

const float *model_point_position(Model *model, int32_t id)
{
    const Point *point = point_find(model, id);
    if (!point) {
        err_set("point does not exist");
        return nullptr;
    }
    memcpy(g_point_position, point->position, sizeof g_point_position);
    return g_point_position;
}

const float *model_point_normal(Model *model, int32_t id)
{
    const Point *point = point_find(model, id);
    if (!point) {
        err_set("normal does not exist");
        return nullptr;
    }
    memcpy(g_point_normal, point->normal, sizeof g_point_normal);
    return g_point_normal;
}

const uint8_t *model_point_gouraud(Model *model, int32_t id)
{
    const Point *point = point_find(model, id);
    if (!point) return nullptr;
    memcpy(g_point_gouraud, point->gouraud, sizeof g_point_gouraud);
    return g_point_gouraud;
}

int32_t model_point_at(Model *model, float x, float y, float z)
{
    if (!model) return -1;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        const Point *p = static_cast<const Point *>(table_nth(&model->points, slot, 0));
        if (p && p->position[0] == x && p->position[1] == y && p->position[2] == z)
            return model->points.slots[slot].key;
    }
    return -1;
}

int32_t model_point_with_normal(Model *model, float x, float y, float z)
{
    if (!model) return -1;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        const Point *p = static_cast<const Point *>(table_nth(&model->points, slot, 0));
        if (p && p->normal[0] == x && p->normal[1] == y && p->normal[2] == z)
            return model->points.slots[slot].key;
    }
    return -1;
}

std::vector<std::string> model_image_names(Model *model)
{
    std::vector<std::string> names;
    int used = 0;
    if (model) list_image_names(model, &used, &names);
    return names;
}

int32_t model_child_count(Model *model)
{
    if (!model) return 0;
    int32_t count = table_count(&model->children);
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (child && child->model) count += model_child_count(child->model);
    }
    return count;
}

int32_t model_point_count(Model *model)
{
    return model ? table_count(&model->points) : 0;
}

int32_t model_joint_count(Model *model)
{
    return model ? table_count(&model->joints) : 0;
}

int32_t model_layer_count(Model *model)
{
    return model ? table_count(&model->layers) : 0;
}

// A strip of fewer than 3 vertices holds no triangle and counts 0, not a negative number.
int32_t model_face_count(Model *model, const char *layer_name)
{
    if (!model) return 0;
    if (!layer_name) {
        int32_t total = 0;
        for (int32_t slot = 0; slot < model->layers.capacity; slot++) {
            Layer *layer = static_cast<Layer *>(table_nth(&model->layers, slot, 0));
            if (layer) total += table_count(&layer->faces);
        }
        return total;
    }
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    int32_t total = 0;
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (face) total += face->quad ? 2 : 1;
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        const Strip *strip = static_cast<const Strip *>(table_nth(&layer->strips, slot, 0));
        if (strip && strip->vertex_count > 2) total += strip->vertex_count - 2;
    }
    return total;
}

// A line of no vertex counts 0 segments.
int32_t model_line_count(Model *model, const char *layer_name)
{
    if (!model) return 0;
    int32_t total = 0;
    if (!layer_name) {
        for (int32_t slot = 0; slot < model->layers.capacity; slot++) {
            Layer *layer = static_cast<Layer *>(table_nth(&model->layers, slot, 0));
            if (layer) total += model_line_count(model, layer->name);
        }
        return total;
    }
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        const Line *line = static_cast<const Line *>(table_nth(&layer->lines, slot, 0));
        if (line && line->vertex_count > 1) total += line->vertex_count - 1;
    }
    return total;
}

const char *model_get_name(Model *model)
{
    return model ? model->name : nullptr;
}

const char *model_get_path(Model *model)
{
    memset(g_model_path, 0, sizeof g_model_path);
    if (!model) return nullptr;
    snprintf(g_model_path, sizeof g_model_path, "%s%s", model->directory, model->name);
    return g_model_path;
}

int model_check_normals(Model *model)
{
    if (!model) return 0;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        const Point *point = static_cast<const Point *>(table_nth(&model->points, slot, 0));
        if (point && !model_check_point_normal(model, model->points.slots[slot].key, point->normal))
            return 0;
    }
    return 1;
}

int model_check_point_normal(const Model *model, int32_t id, const float *normal)
{
    if (!model) return 0;
    if (value_point_normal_ok(normal)) return 1;
    err_setf("(%s.mod) bad normal: %d", model->name, id);
    return 0;
}

void model_bbox_reset(Model *model)
{
    if (!model) return;
    for (int i = 0; i < 3; i++) {
        model->box_min[i] = 0.0f;
        model->box_max[i] = 0.0f;
    }
}

void model_bbox_add_point(Model *model, float x, float y, float z)
{
    if (!model) return;
    const float p[3] = {x, y, z};
    if (table_count(&model->points) == 1) {
        for (int i = 0; i < 3; i++) {
            model->box_min[i] = p[i];
            model->box_max[i] = p[i];
        }
        return;
    }
    for (int i = 0; i < 3; i++) {
        if (!(p[i] >= model->box_min[i])) model->box_min[i] = p[i];
        if (p[i] > model->box_max[i]) model->box_max[i] = p[i];
    }
}

void model_bbox_hierarchy(float *out, Model *model, const Matrix4 *matrix)
{
    if (!out) return;
    float min[3] = {0.0f, 0.0f, 0.0f};
    float max[3] = {0.0f, 0.0f, 0.0f};
    if (model) {
        Matrix4 m;
        if (matrix) mat4_copy(matrix, &m);
        else mat4_identity(&m);
        hierarchy_box(model, &m, min, max);
    }
    for (int i = 0; i < 3; i++) {
        out[i] = geom_finite(min[i]);
        out[3 + i] = geom_finite(max[i]);
    }
}

void model_bbox_size(float *out, Model *model, const Matrix4 *matrix)
{
    if (!out) return;
    float box[6];
    model_bbox_hierarchy(box, model, matrix);
    for (int i = 0; i < 3; i++) out[i] = box[3 + i] - box[i];
}

void model_bbox_center(float *out, Model *model, const Matrix4 *matrix)
{
    if (!out) return;
    float box[6];
    model_bbox_hierarchy(box, model, matrix);
    for (int i = 0; i < 3; i++) out[i] = geom_midpoint(box[i], box[3 + i]);
}

float model_bbox_max_extent(Model *model, const Matrix4 *matrix)
{
    float box[6];
    model_bbox_hierarchy(box, model, matrix);
    float best = 0.0f;
    for (int i = 0; i < 6; i++)
        if (std::fabs(box[i]) > best) best = std::fabs(box[i]);
    return best;
}

int model_face_normal(float *out, Model *model, int32_t id1, int32_t id2, int32_t id3)
{
    if (!out) return 0;
    float triangle[9];
    const int32_t ids[3] = {id1, id2, id3};
    for (int i = 0; i < 3; i++) {
        const float *p = model_point_position(model, ids[i]);
        if (!p) {
            out[0] = 0.0f;
            out[1] = 0.0f;
            out[2] = 1.0f;
            return 0;
        }
        memcpy(triangle + 3 * i, p, 3 * sizeof(float));
    }
    geom_face_normal(triangle, out);
    return 1;
}

// Visits the children depth first; true when the named one is found, with counter at it.
static bool child_ordinal(Model *model, const char *name, int32_t *counter)
{
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (!child) continue;
        if (strcmp(child->name, name) == 0) return true;
        (*counter)++;
        if (child->model && child_ordinal(child->model, name, counter)) return true;
    }
    return false;
}

// Appends " file" for the image and mirror slots of each textured layer, then the children's.
// Appends the model's names and then its children's; used counts the characters taken.
static void list_image_names(Model *model, int *used, std::vector<std::string> *names)
{
    for (int32_t slot = 0; slot < model->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, slot, 0));
        if (!layer) continue;
        const LayerTexture *texture = static_cast<const LayerTexture *>(table_find(&layer->texture, 1));
        if (!texture) continue;
        for (int image = LAYER_SLOT_IMAGE; image <= LAYER_SLOT_MIRROR; image++) {
            int length = static_cast<int>(strnlen(texture->file[image], sizeof texture->file[image]));
            if (length == 0 || *used + length + 3 >= IMAGE_NAMES_SIZE) continue;
            names->emplace_back(texture->file[image], static_cast<size_t>(length));
            *used += length + 1;
        }
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (child && child->model) list_image_names(child->model, used, names);
    }
}

// Box of the model under matrix m merged with its children's boxes under m x placement.
static void hierarchy_box(Model *model, const Matrix4 *m, float *min, float *max)
{
    float lo[3];
    float hi[3];
    mat4_transform_point(m, model->box_min, lo);
    mat4_transform_point(m, model->box_max, hi);
    for (int i = 0; i < 3; i++) {
        if (lo[i] > hi[i]) {
            float t = lo[i];
            lo[i] = hi[i];
            hi[i] = t;
        }
    }
    bool present = table_count(&model->points) > 0;
    if (present) {
        memcpy(min, lo, sizeof lo);
        memcpy(max, hi, sizeof hi);
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (!child) continue;
        Matrix4 k;
        model_child_placement(child, &k);
        Matrix4 placed;
        mat4_multiply(&k, m, &placed);
        float child_min[3] = {0.0f, 0.0f, 0.0f};
        float child_max[3] = {0.0f, 0.0f, 0.0f};
        if (child->model) hierarchy_box(child->model, &placed, child_min, child_max);
        for (int i = 0; i < 3; i++) {
            if (child_min[i] > child_max[i]) {
                float t = child_min[i];
                child_min[i] = child_max[i];
                child_max[i] = t;
            }
        }
        if (present) {
            for (int i = 0; i < 3; i++) {
                min[i] = std::fmin(min[i], std::fmin(child_min[i], child_max[i]));
                max[i] = std::fmax(max[i], std::fmax(child_max[i], child_min[i]));
            }
        } else {
            memcpy(min, child_min, sizeof child_min);
            memcpy(max, child_max, sizeof child_max);
            present = true;
        }
    }
}

void model_child_placement(const Child *child, Matrix4 *out)
{
    Matrix4 r;
    mat4_identity(out);
    mat4_translate(out, child->position[0], child->position[1], child->position[2]);
    mat4_from_rotation_text(&r, child->rotation[0], child->rotation[1], child->rotation[2]);
    mat4_multiply(&r, out, out);
    mat4_scale(out, child->scale[0], child->scale[1], child->scale[2]);
}
