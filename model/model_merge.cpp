#include "model/model_merge.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_convert.h"
#include "model/model_query.h"
#include "model/point.h"

static const char *const MSG_MERGED_NAME = "merged layer name too long: %s";
static const char *const MSG_MIRROR_NAME = "mirrored layer name too long: %s";
static const char *const MSG_NAME_TAKEN = "duplicate layer name not allowed: %s";

// A layer a model will hold once its children are merged: its name and whether it has geometry.
struct PlannedLayer {
    std::string name;
    bool geometry;
    bool mirrored;
};

static bool plan_merge(Model *model, int32_t *counter, std::vector<PlannedLayer> *layers);
static bool plan_add(std::vector<PlannedLayer> *layers, std::set<std::string> *keys,
                     const std::string &name, const char *too_long, bool geometry);
static int merge_counted(Model *model, int32_t *counter);
static std::string merged_name(int32_t counter, const char *name);
static std::string key_of(const std::string &name);
static bool has_geometry(const Layer *layer);
static int32_t offset_id(int32_t id, int32_t base);

int model_merge_children(Model *model)
{
    if (model == nullptr) return 0;
    // Every name the merge would make is checked first, so a refusal changes nothing.
    int32_t counter = 1;
    std::vector<PlannedLayer> planned;
    if (!plan_merge(model, &counter, &planned)) return 0;
    counter = 1;
    return merge_counted(model, &counter);
}

int model_merge_child(Model *model, Model *child, float px, float py, float pz, float sx, float sy,
                      float sz, const char *rot0, const char *rot1, const char *rot2,
                      int32_t *counter)
{
    if (model == nullptr || child == nullptr || counter == nullptr || child == model) return 0;
    if (!model_mirror_layers(child)) return 0;
    model_triangulate(child);
    model_triangulate_uvees(child);
    std::set<std::string> taken;
    for (int32_t i = 0; i < child->layers.capacity; i++) {
        const Layer *layer = static_cast<const Layer *>(table_nth(&child->layers, i, 0));
        if (layer == nullptr || !has_geometry(layer)) continue;
        std::string name = merged_name(*counter, layer->name);
        if (name.size() > static_cast<size_t>(MODEL_KEY_LENGTH)) {
            err_setf(MSG_MERGED_NAME, name.c_str());
            return 0;
        }
        if (table_find(&model->layers, key_of(name).c_str()) != nullptr || !taken.insert(name).second) {
            err_setf(MSG_NAME_TAKEN, name.c_str());
            return 0;
        }
    }
    if (child->has_gouraud) model->has_gouraud = 1;
    if (child->has_normals) model->has_normals = 1;
    int32_t largest = point_max_id(model);
    int32_t base = largest < 0 ? 0 : largest + 1;
    Matrix4 rotation;
    mat4_identity(&rotation);
    mat4_from_rotation_text(&rotation, rot0, rot1, rot2);
    const float scale[3] = {sx, sy, sz}, position[3] = {px, py, pz};
    for (int32_t slot = 0; slot < child->points.capacity; slot++) {
        const Point *point = static_cast<const Point *>(table_nth(&child->points, slot, 0));
        if (point == nullptr) continue;
        int32_t id = offset_id(child->points.slots[slot].key, base);
        if (id < 1) continue;
        float p[3], q[3];
        for (int k = 0; k < 3; k++) p[k] = scale[k] * point->position[k];
        mat4_transform_point(&rotation, p, q);
        model_set_point(model, id, geom_trunc_int(q[0] + position[0]), geom_trunc_int(q[1] + position[1]),
                        geom_trunc_int(q[2] + position[2]), point->weight);
        if (model->has_normals) {
            float n[3];
            mat4_transform_point(&rotation, point->normal, n);
            model_set_normal(model, nullptr, 0, id, n[0], n[1], n[2]);
        }
        if (model->has_gouraud)
            model_set_gouraud(model, id, point->gouraud[0], point->gouraud[1], point->gouraud[2],
                              point->gouraud[3]);
    }
    for (int32_t i = 0; i < child->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&child->layers, i, 0));
        if (layer == nullptr || !has_geometry(layer)) continue;
        std::string name = merged_name(*counter, layer->name);
        const char *target = name.c_str();
        model_add_layer(model, target, layer->colour[0], layer->colour[1], layer->colour[2],
                        layer->single_sided, 0, 0);
        model_set_transparency(model, target, layer->transparency);
        if (layer->colour_key_on)
            model_set_invisible(model, target, static_cast<float>(layer->colour_key[0]) / 255.0f,
                                static_cast<float>(layer->colour_key[1]) / 255.0f,
                                static_cast<float>(layer->colour_key[2]) / 255.0f);
        const LayerTexture *texture = static_cast<const LayerTexture *>(table_find(&layer->texture, 1));
        if (texture != nullptr) model_add_image(model, target, LAYER_SLOT_IMAGE, texture->file[0], 1, 2);
        for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
            const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
            if (face == nullptr) continue;
            int32_t points[4], normals[4], edges[8];
            for (int k = 0; k < 4; k++) {
                points[k] = offset_id(face->point_ids[k], base);
                normals[k] = offset_id(face->normal_ids[k], base);
            }
            for (int k = 0; k < 8; k++) edges[k] = offset_id(face->edge_ids[k], base);
            model_add_face(model, target, face->quad, points, normals, face->curve ? edges : nullptr,
                           face->curve);
            int32_t corners = face->quad ? 4 : 3;
            for (int32_t c = 0; c < corners; c++)
                model_add_uvee(model, target, points[c], face->uv[c][0], face->uv[c][1]);
        }
        for (int32_t slot = 0; slot < layer->uvees.capacity; slot++) {
            const Uvee *uvee = static_cast<const Uvee *>(table_nth(&layer->uvees, slot, 0));
            if (uvee != nullptr)
                model_add_uvee(model, target, offset_id(static_cast<int32_t>(uvee->point_id), base),
                               uvee->u, uvee->v);
        }
    }
    (*counter)++;
    return 1;
}

// Walks the merge without doing it: the layers the model will hold, in the order the merge
// makes them; false with the message when a name would be too long or already taken.
static bool plan_merge(Model *model, int32_t *counter, std::vector<PlannedLayer> *layers)
{
    std::set<std::string> keys;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        const Layer *layer = static_cast<const Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        layers->push_back(PlannedLayer{layer->name, has_geometry(layer), layer->mirror_on != 0});
        keys.insert(key_of(layer->name));
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (child == nullptr || child->model == nullptr) continue;
        std::vector<PlannedLayer> inner;
        if (!plan_merge(child->model, counter, &inner)) return false;
        // The child's mirrored layers gain their copies before it is merged.
        std::set<std::string> inner_keys;
        for (const PlannedLayer &layer : inner) inner_keys.insert(key_of(layer.name));
        size_t own = inner.size();
        for (size_t k = 0; k < own; k++) {
            if (!inner[k].mirrored) continue;
            PlannedLayer source = inner[k];
            if (!plan_add(&inner, &inner_keys, source.name + "_mirror", MSG_MIRROR_NAME, source.geometry))
                return false;
        }
        for (const PlannedLayer &layer : inner)
            if (layer.geometry &&
                !plan_add(layers, &keys, merged_name(*counter, layer.name.c_str()), MSG_MERGED_NAME, true))
                return false;
        (*counter)++;
    }
    return true;
}

// Adds a planned layer; false with the message when the name is too long or taken.
static bool plan_add(std::vector<PlannedLayer> *layers, std::set<std::string> *keys,
                     const std::string &name, const char *too_long, bool geometry)
{
    if (name.size() > static_cast<size_t>(MODEL_KEY_LENGTH)) {
        err_setf(too_long, name.c_str());
        return false;
    }
    if (!keys->insert(key_of(name)).second) {
        err_setf(MSG_NAME_TAKEN, name.c_str());
        return false;
    }
    layers->push_back(PlannedLayer{name, geometry, false});
    return true;
}

// Merges the children of one model, each after its own children, then frees them.
static int merge_counted(Model *model, int32_t *counter)
{
    model_triangulate_uvees(model);
    if (model_child_count(model) == 0) return 1;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child == nullptr || child->model == nullptr) continue;
        if (!merge_counted(child->model, counter)) return 0;
        if (!model_merge_child(model, child->model, child->position[0], child->position[1],
                               child->position[2], child->scale[0], child->scale[1], child->scale[2],
                               child->rotation[0], child->rotation[1], child->rotation[2], counter))
            return 0;
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child == nullptr || child->model == nullptr) continue;
        model_free(child->model);
        child->model = nullptr;
    }
    table_clear(&model->children);
    return 1;
}

static std::string merged_name(int32_t counter, const char *name)
{
    char prefix[16];
    snprintf(prefix, sizeof prefix, "%d_", counter);
    return std::string(prefix) + name;
}

// The name as the layer table keys it (cut to the key length).
static std::string key_of(const std::string &name)
{
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name.c_str(), key);
    return key;
}

static bool has_geometry(const Layer *layer)
{
    return table_count(&layer->faces) > 0 || table_count(&layer->strips) > 0;
}

// A child id moved past the model's points; 0 stays 0 (no id), and an id that would pass the
// integer range gives 0.
static int32_t offset_id(int32_t id, int32_t base)
{
    if (id == 0) return 0;
    if (id > INT32_MAX - base) return 0;
    return id + base;
}
