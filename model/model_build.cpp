#include "model/model_build.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/str.h"
#include "model/image_cache.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/point.h"
#include "model/value_check.h"

static const char *const MSG_DUPLICATE_LAYER = "duplicate layer name not allowed";
static const char *const MSG_DUPLICATE_JOINT = "duplicate joint name not allowed";
static const char *const MSG_BAD_PARENT = "Bad joint parent";
static const char *const MSG_UVEE_POINT = "uvee point not found in model";
static const char *const MSG_GOURAUD_POINT = "gouraud colour defined for non existant point";
static const char *const MSG_INVISIBLE_RANGE = "invisible color out of range (should be 0.0 to 1.0)";
static const char *const MSG_FACE_ID_RANGE = "point or normal id above 32767 in a face or strip";
static const char *const MSG_STRIP_LENGTH = "strip has more than 512 vertices";
static const char *const MSG_LINE_LENGTH = "line has more than 512 vertices";
static const char *const MSG_IMAGE_NAME = "image file name too long";
static const char *const MSG_CHILD_LOOP = "child model would contain itself";

static bool tree_contains(Model *tree, const Model *model);
static bool points_exist(Model *model, int32_t n, const int32_t *ids);
static bool normals_exist(Model *model, int32_t n, const int32_t *ids);
static bool ids_fit_face(int32_t n, const int32_t *ids);
static void grow_by_mirrored(Model *model, const Layer *layer, int32_t id);
static void copy_rotation(char (*rotation)[MODEL_ROTATION_SIZE], const char *r0, const char *r1,
                          const char *r2);
static void key_slot_pixels(const Layer *layer, LayerTexture *texture, int slot);
static void relocate_joints(Model *model, const unsigned char *old_data,
                            const unsigned char *new_data, int32_t old_room);
static Joint *relocated(Joint *joint, const unsigned char *old_data,
                        const unsigned char *new_data, int32_t room);

int model_add_layer(Model *model, const char *name, int32_t r, int32_t g, int32_t b,
                    int32_t single_sided, int32_t mirror_on, int32_t mirror_axis)
{
    if (!model || !value_token_ok(name)) return 0;
    if (model_find_layer(model, name)) {
        err_set(MSG_DUPLICATE_LAYER);
        return 0;
    }
    err_set(nullptr);
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    Layer *layer = static_cast<Layer *>(table_add(&model->layers, key));
    if (!layer) return 0;
    memset(layer, 0, sizeof *layer);
    str_copy_bounded(name, layer->name, sizeof layer->name);
    layer->colour[0] = r;
    layer->colour[1] = g;
    layer->colour[2] = b;
    layer->single_sided = single_sided;
    layer->mirror_on = mirror_on;
    layer->mirror_axis = mirror_axis;
    model_init_layer_tables(layer);
    return 1;
}

int model_add_child(Model *model, Model *child_model, const char *name, float px, float py,
                    float pz, float sx, float sy, float sz, const char *rot0, const char *rot1,
                    const char *rot2)
{
    if (!model || !name) return 0;
    if (child_model && tree_contains(child_model, model)) {
        err_set(MSG_CHILD_LOOP);
        return 0;
    }
    uint32_t id = g_model_ids.child;
    Child *child = static_cast<Child *>(table_add(&model->children, static_cast<int32_t>(id)));
    if (!child) return 0;
    g_model_ids.child++;
    memset(child, 0, sizeof *child);
    child->id = id;
    str_copy_bounded(name, child->name, sizeof child->name);
    child->model = child_model;
    child->position[0] = value_whole_clamp(px);
    child->position[1] = value_whole_clamp(py);
    child->position[2] = value_whole_clamp(pz);
    child->scale[0] = sx;
    child->scale[1] = sy;
    child->scale[2] = sz;
    copy_rotation(child->rotation, rot0, rot1, rot2);
    child->viewer_index = -1;
    return 1;
}

int model_add_collide(Model *model, const char *name, int32_t shape, float px, float py, float pz,
                      float sx, float sy, float sz, const char *rot0, const char *rot1,
                      const char *rot2, float density, float second_value, int32_t flag)
{
    if (!model || !name) return 0;
    uint32_t id = g_model_ids.collide;
    CollideObject *object =
        static_cast<CollideObject *>(table_add(&model->collides, static_cast<int32_t>(id)));
    if (!object) return 0;
    g_model_ids.collide++;
    memset(object, 0, sizeof *object);
    object->id = id;
    str_copy_bounded(name, object->name, sizeof object->name);
    object->owner = model;
    object->position[0] = px;
    object->position[1] = py;
    object->position[2] = pz;
    object->size[0] = sx;
    object->size[1] = sy;
    object->size[2] = sz;
    copy_rotation(object->rotation, rot0, rot1, rot2);
    object->shape = shape;
    object->density = density;
    object->second_value = second_value;
    object->flag = flag;
    object->viewer_index = -1;
    return 1;
}

int model_add_uvee(Model *model, const char *layer_name, int32_t point_id, float u, float v)
{
    if (!model || !layer_name || !value_finite_ok(u) || !value_finite_ok(v)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    if (!point_find(model, point_id)) {
        err_set(MSG_UVEE_POINT);
        return 0;
    }
    Uvee *uvee = static_cast<Uvee *>(table_add(&layer->uvees, point_id));
    if (!uvee) return 0;
    uvee->point_id = static_cast<uint32_t>(point_id);
    uvee->u = u;
    uvee->v = v;
    return 1;
}

// The new image is loaded before the slot is touched, so a file that cannot be read, or a
// base image on a layer without faces and strips (which cannot be mapped; the image is let go
// again), changes nothing; the slot's previous image is released only once the new one is held.
int model_add_image(Model *model, const char *layer_name, int32_t slot, const char *file,
                    int32_t u_axis, int32_t v_axis)
{
    if (!model || !layer_name || !file) return 0;
    if (slot < 0 || slot >= LAYER_SLOT_COUNT || !value_image_file_ok(slot, file)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    std::string path = std::string(model->directory) + file;
    if (strlen(file) >= MODEL_NAME_SIZE || path.size() >= static_cast<size_t>(PATH_BUFFER_SIZE)) {
        err_set(MSG_IMAGE_NAME);
        return 0;
    }
    int32_t width = 0;
    int32_t height = 0;
    uint8_t *pixels = image_cache_load(path.c_str(), &width, &height);
    if (!pixels) return 0;
    if (slot == LAYER_SLOT_IMAGE && table_count(&layer->faces) == 0 && table_count(&layer->strips) == 0) {
        image_cache_release(path.c_str());
        return 0;
    }
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    if (!texture) {
        texture = static_cast<LayerTexture *>(table_add(&layer->texture, 1));
        if (!texture) {
            image_cache_release(path.c_str());
            return 0;
        }
        memset(texture, 0, sizeof *texture);
    } else if (texture->pixels[slot]) {
        image_cache_release(texture->cache_path[slot]);
    }
    str_copy_bounded(file, texture->file[slot], sizeof texture->file[slot]);
    texture->pixels[slot] = pixels;
    texture->width[slot] = width;
    texture->height[slot] = height;
    texture->cache_path[slot] = image_cache_find(path.c_str())->file;
    texture->gl_stale = 1;
    if (layer->colour_key_on && slot != LAYER_SLOT_REFLECT) {
        uint8_t *keyed = image_cache_colour_key(path.c_str(), static_cast<uint8_t>(layer->colour_key[0]),
                                                static_cast<uint8_t>(layer->colour_key[1]),
                                                static_cast<uint8_t>(layer->colour_key[2]));
        if (keyed) texture->pixels[slot] = keyed;
    }
    if (slot == LAYER_SLOT_IMAGE) {
        layer->image_u_axis = u_axis;
        layer->image_v_axis = v_axis;
        if (!layer_map_uvs(model, layer_name)) return 0;
    }
    return 1;
}

// Duplicates are refused by the table itself, so a second joint named "world" (which the
// joint lookup never finds) cannot overwrite the first one.
int model_add_joint(Model *model, const char *name, int32_t x, int32_t y, int32_t z,
                    const char *parent_name, int32_t point_count)
{
    if (!model || !name || !parent_name) return 0;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(name, key);
    if (model_find_joint(model, name) || table_find(&model->joints, key)) {
        err_set(MSG_DUPLICATE_JOINT);
        return 0;
    }
    if (strcmp(parent_name, name) == 0) {
        err_set(MSG_BAD_PARENT);
        return 0;
    }
    const unsigned char *old_data = model->joints.data;
    int32_t old_room = model->joints.room;
    Joint *joint = static_cast<Joint *>(table_add(&model->joints, key));
    if (!joint) return 0;
    if (old_data && model->joints.data != old_data) {
        relocate_joints(model, old_data, model->joints.data, old_room);
        joint = static_cast<Joint *>(table_find(&model->joints, key));
    }
    memset(joint, 0, sizeof *joint);
    str_copy_bounded(name, joint->name, sizeof joint->name);
    str_copy_bounded(parent_name, joint->parent_name, sizeof joint->parent_name);
    joint->position[0] = static_cast<float>(x);
    joint->position[1] = static_cast<float>(y);
    joint->position[2] = static_cast<float>(z);
    joint->point_count = point_count;
    joint->viewer_index = -1;
    int32_t parent_index = -1;
    if (strcmp(parent_name, "world") != 0) parent_index = model_joint_index(model, parent_name);
    joint = static_cast<Joint *>(table_find(&model->joints, key));
    joint->parent_index = parent_index;
    joint->id = g_model_ids.joint++;
    return 1;
}

int model_set_point(Model *model, int32_t id, int32_t x, int32_t y, int32_t z, float weight)
{
    if (!model || id < 1) return 0;
    Point *point = point_get_or_create(model, id);
    if (!point) return 0;
    point->position[0] = static_cast<float>(x);
    point->position[1] = static_cast<float>(y);
    point->position[2] = static_cast<float>(z);
    if (std::isnan(weight)) weight = -1.0f;
    if (weight < -1.0f) weight = -1.0f;
    if (weight > 2.0f) weight = 2.0f;
    point->weight = weight;
    model_bbox_add_point(model, point->position[0], point->position[1], point->position[2]);
    return 1;
}

int model_set_normal(Model *model, const char *layer_name, int32_t pn, int32_t id, float x, float y,
                     float z)
{
    float normal[3];
    if (!model || id < 1 || !value_normal_ok(x, y, z, normal)) return 0;
    Layer *layer = nullptr;
    if (layer_name && layer_name[0]) {
        layer = model_find_layer(model, layer_name);
        if (!layer) return 0;
    }
    float *target = nullptr;
    if (!layer) {
        Point *point = point_get_or_create(model, id);
        if (point) target = point->normal;
    } else {
        KeyedTable *table = pn ? &layer->pn_normals : &layer->normals;
        target = static_cast<float *>(table_add(table, id));
    }
    if (!target) return 0;
    memcpy(target, normal, sizeof normal);
    model->has_normals = 1;
    return 1;
}

int model_set_point_joints(Model *model, int32_t id, const char *joint, const char *second_joint)
{
    if (!model || id < 1) return 0;
    Point *point = point_get_or_create(model, id);
    if (!point) return 0;
    point->joint = model_find_joint(model, joint);
    point->second_joint = model_find_joint(model, second_joint);
    return 1;
}

int model_set_gouraud(Model *model, int32_t id, uint8_t r, uint8_t g, uint8_t b, uint8_t t)
{
    if (!model || id < 1) return 0;
    Point *point = point_find(model, id);
    if (!point) {
        err_set(MSG_GOURAUD_POINT);
        return 0;
    }
    point->gouraud[0] = r;
    point->gouraud[1] = g;
    point->gouraud[2] = b;
    point->gouraud[3] = t;
    model->has_gouraud = 1;
    return 1;
}

int model_add_blend(Model *model, const char *joint, const char *second_joint, int32_t point_count)
{
    if (!model || !joint || !second_joint || point_count <= 0) return 0;
    uint32_t id = g_model_ids.blend;
    Blend *blend = static_cast<Blend *>(table_add(&model->blends, static_cast<int32_t>(id)));
    if (!blend) return 0;
    g_model_ids.blend++;
    blend->point_count = point_count;
    blend->joint = model_find_joint(model, joint);
    blend->second_joint = model_find_joint(model, second_joint);
    return 1;
}

int model_add_face(Model *model, const char *layer_name, int32_t quad, const int32_t *point_ids,
                   const int32_t *normal_ids, const int32_t *edge_ids, int32_t curve)
{
    if (!model || !layer_name || !point_ids) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    return model_add_face_to_layer(model, layer, quad, point_ids, normal_ids, edge_ids, curve);
}

int model_add_face_to_layer(Model *model, Layer *layer, int32_t quad, const int32_t *point_ids,
                            const int32_t *normal_ids, const int32_t *edge_ids, int32_t curve)
{
    if (!model || !layer || !point_ids) return 0;
    int32_t corners = quad ? 4 : 3;
    int32_t edges = quad ? 8 : 6;
    if (!points_exist(model, corners, point_ids)) return 0;
    if (normal_ids && !normals_exist(model, corners, normal_ids)) return 0;
    if (curve >= 1 && edge_ids && !normals_exist(model, edges, edge_ids)) return 0;
    if (curve < 0 || curve > 4) return 0;
    if (quad && (curve == 1 || curve == 3)) return 0;
    if (!ids_fit_face(corners, point_ids) || (normal_ids && !ids_fit_face(corners, normal_ids)) ||
        (curve != 0 && edge_ids && !ids_fit_face(edges, edge_ids))) {
        err_set(MSG_FACE_ID_RANGE);
        return 0;
    }
    uint32_t id = g_model_ids.face;
    Face *face = static_cast<Face *>(table_add(&layer->faces, static_cast<int32_t>(id)));
    if (!face) return 0;
    g_model_ids.face++;
    memset(face, 0, sizeof *face);
    face->quad = quad ? 1 : 0;
    for (int32_t i = 0; i < corners; i++) {
        face->point_ids[i] = static_cast<int16_t>(point_ids[i]);
        if (layer->mirror_on) grow_by_mirrored(model, layer, point_ids[i]);
        face->normal_ids[i] = static_cast<int16_t>(normal_ids ? normal_ids[i] : point_ids[i]);
    }
    if (curve != 0) {
        face->curve = static_cast<int16_t>(curve);
        if (edge_ids) {
            for (int32_t i = 0; i < edges; i++) face->edge_ids[i] = static_cast<int16_t>(edge_ids[i]);
        } else if (quad) {
            const int32_t order[8] = {0, 1, 1, 3, 3, 2, 2, 0};
            for (int32_t i = 0; i < 8; i++) face->edge_ids[i] = face->point_ids[order[i]];
        } else {
            const int32_t order[6] = {0, 1, 1, 2, 2, 0};
            for (int32_t i = 0; i < 6; i++) face->edge_ids[i] = face->point_ids[order[i]];
        }
    }
    face->id = id;
    face->viewer_index = -1;
    return 1;
}

int model_add_strip(Model *model, const char *layer_name, int32_t n, const int32_t *point_ids,
                    const int32_t *normal_ids)
{
    if (!model || !layer_name || n < 0 || (n > 0 && !point_ids)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    if (n > MODEL_MAX_STRIP_VERTICES) {
        err_set(MSG_STRIP_LENGTH);
        return 0;
    }
    if (!points_exist(model, n, point_ids)) return 0;
    if (normal_ids && !normals_exist(model, n, normal_ids)) return 0;
    if (!ids_fit_face(n, point_ids) || (normal_ids && !ids_fit_face(n, normal_ids))) {
        err_set(MSG_FACE_ID_RANGE);
        return 0;
    }
    uint32_t id = g_model_ids.strip;
    Strip *strip = static_cast<Strip *>(table_add(&layer->strips, static_cast<int32_t>(id)));
    if (!strip) return 0;
    g_model_ids.strip++;
    memset(strip, 0, sizeof *strip);
    table_init(&strip->vertices, sizeof(StripVertex), KEY_NONE);
    for (int32_t i = 0; i < n; i++) {
        StripVertex *vertex = static_cast<StripVertex *>(table_add(&strip->vertices, i + 1));
        if (!vertex) break;
        vertex->point_id = static_cast<int16_t>(point_ids[i]);
        vertex->normal_id = static_cast<int16_t>(normal_ids ? normal_ids[i] : point_ids[i]);
        vertex->u = 0.0f;
        vertex->v = 0.0f;
        if (layer->mirror_on) grow_by_mirrored(model, layer, point_ids[i]);
    }
    strip->vertex_count = static_cast<int16_t>(n);
    strip->id = id;
    strip->viewer_index = -1;
    return 1;
}

int model_add_line(Model *model, const char *layer_name, int32_t n, const int32_t *point_ids)
{
    if (!model || !layer_name || n < 0 || (n > 0 && !point_ids)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    if (n > MODEL_MAX_STRIP_VERTICES) {
        err_set(MSG_LINE_LENGTH);
        return 0;
    }
    if (!points_exist(model, n, point_ids)) return 0;
    uint32_t id = g_model_ids.line;
    Line *line = static_cast<Line *>(table_add(&layer->lines, static_cast<int32_t>(id)));
    if (!line) return 0;
    g_model_ids.line++;
    memset(line, 0, sizeof *line);
    table_init(&line->vertices, sizeof(uint32_t), KEY_NONE);
    for (int32_t i = 0; i < n; i++) {
        uint32_t *vertex = static_cast<uint32_t *>(table_add(&line->vertices, i + 1));
        if (!vertex) break;
        *vertex = static_cast<uint32_t>(point_ids[i]);
        if (layer->mirror_on) grow_by_mirrored(model, layer, point_ids[i]);
    }
    line->vertex_count = static_cast<int16_t>(n);
    line->id = id;
    line->viewer_index = -1;
    return 1;
}

int model_set_reflect(Model *model, const char *layer_name, float amount, int32_t additive)
{
    if (!model || !layer_name || !value_unit_ok(amount)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    if (!texture) return 0;
    texture->reflect_amount = amount;
    texture->additive[LAYER_SLOT_REFLECT] = additive ? 1 : 0;
    return 1;
}

int model_set_transparency(Model *model, const char *layer_name, float transparency)
{
    if (!model || !layer_name || !value_unit_ok(transparency)) return 0;
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    layer->transparency = transparency;
    return 1;
}

int model_set_invisible(Model *model, const char *layer_name, float r, float g, float b)
{
    if (!model || !layer_name) return 0;
    if (!value_unit_ok(r) || !value_unit_ok(g) || !value_unit_ok(b)) {
        err_set(MSG_INVISIBLE_RANGE);
        return 0;
    }
    Layer *layer = model_find_layer(model, layer_name);
    if (!layer) return 0;
    layer->colour_key_on = 1;
    layer->colour_key[0] = static_cast<int32_t>(r * 255.0f);
    layer->colour_key[1] = static_cast<int32_t>(g * 255.0f);
    layer->colour_key[2] = static_cast<int32_t>(b * 255.0f);
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    if (texture) {
        key_slot_pixels(layer, texture, LAYER_SLOT_IMAGE);
        key_slot_pixels(layer, texture, LAYER_SLOT_MIRROR);
    }
    return 1;
}

int model_delete_layer(Model *model, const char *layer_name)
{
    if (!model || !layer_name) return 0;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(layer_name, key);
    Layer *layer = static_cast<Layer *>(table_find(&model->layers, key));
    if (!layer) return 0;
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    if (texture) {
        for (int slot = 0; slot < LAYER_SLOT_COUNT; slot++) {
            if (!texture->pixels[slot]) continue;
            image_cache_release(texture->cache_path[slot]);
            texture->pixels[slot] = nullptr;
            texture->cache_path[slot] = nullptr;
        }
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (strip) table_free(&strip->vertices);
    }
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (line) table_free(&line->vertices);
    }
    table_free(&layer->faces);
    table_free(&layer->strips);
    table_free(&layer->lines);
    table_free(&layer->texture);
    table_free(&layer->uvees);
    table_free(&layer->normals);
    table_free(&layer->pn_normals);
    table_remove(&model->layers, key);
    return 1;
}

// True when model is tree itself or one of its nested child models.
static bool tree_contains(Model *tree, const Model *model)
{
    if (tree == model) return true;
    for (int32_t slot = 0; slot < tree->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&tree->children, slot, 0));
        if (child && child->model && tree_contains(child->model, model)) return true;
    }
    return false;
}

// Each id must name a point of the model or a child model ("point does not exist", the
// message of the position lookup, which gives it for the first missing id).
static bool points_exist(Model *model, int32_t n, const int32_t *ids)
{
    for (int32_t i = 0; i < n; i++)
        if (!point_find(model, ids[i])) return model_point_position(model, ids[i]) != nullptr;
    return true;
}

// Each id must name a point whose normal can be used ("normal does not exist", as above).
static bool normals_exist(Model *model, int32_t n, const int32_t *ids)
{
    for (int32_t i = 0; i < n; i++)
        if (!point_find(model, ids[i])) return model_point_normal(model, ids[i]) != nullptr;
    return true;
}

// Faces and strips hold signed 16-bit ids; a larger id would be stored as another point.
static bool ids_fit_face(int32_t n, const int32_t *ids)
{
    for (int32_t i = 0; i < n; i++)
        if (ids[i] > MODEL_MAX_FACE_ID) return false;
    return true;
}

// Grows the model box by the point's position with the layer's mirror component negated.
static void grow_by_mirrored(Model *model, const Layer *layer, int32_t id)
{
    const Point *point = point_find(model, id);
    if (!point) return;
    float p[3] = {point->position[0], point->position[1], point->position[2]};
    int axis = layer->mirror_axis;
    if (axis >= 1 && axis <= 3) p[axis - 1] = -p[axis - 1];
    model_bbox_add_point(model, p[0], p[1], p[2]);
}

static void copy_rotation(char (*rotation)[MODEL_ROTATION_SIZE], const char *r0, const char *r1,
                          const char *r2)
{
    str_copy_bounded(r0, rotation[0], MODEL_ROTATION_SIZE);
    str_copy_bounded(r1, rotation[1], MODEL_ROTATION_SIZE);
    str_copy_bounded(r2, rotation[2], MODEL_ROTATION_SIZE);
}

// A slot loaded while the layer's colour key was off holds the cache's RGB pixels; with the
// key on it must hold the keyed RGBA copy, which the drawing reads as four bytes a pixel.
static void key_slot_pixels(const Layer *layer, LayerTexture *texture, int slot)
{
    if (!texture->pixels[slot]) return;
    const char *path = texture->cache_path[slot];
    const ImageCacheEntry *entry = image_cache_find(path);
    if (!entry || texture->pixels[slot] != entry->pixels) return;
    uint8_t *keyed = image_cache_colour_key(path, static_cast<uint8_t>(layer->colour_key[0]),
                                            static_cast<uint8_t>(layer->colour_key[1]),
                                            static_cast<uint8_t>(layer->colour_key[2]));
    if (!keyed) return;
    texture->pixels[slot] = keyed;
    texture->gl_stale = 1;
}

// The joint table moved when it grew from old_room slots: points and blends that refer to
// joints of the old storage are pointed at the same slots of the new one.
static void relocate_joints(Model *model, const unsigned char *old_data,
                            const unsigned char *new_data, int32_t old_room)
{
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        Point *point = static_cast<Point *>(table_nth(&model->points, slot, 0));
        if (!point) continue;
        point->joint = relocated(point->joint, old_data, new_data, old_room);
        point->second_joint = relocated(point->second_joint, old_data, new_data, old_room);
    }
    for (int32_t slot = 0; slot < model->blends.capacity; slot++) {
        Blend *blend = static_cast<Blend *>(table_nth(&model->blends, slot, 0));
        if (!blend) continue;
        blend->joint = relocated(blend->joint, old_data, new_data, old_room);
        blend->second_joint = relocated(blend->second_joint, old_data, new_data, old_room);
    }
}

static Joint *relocated(Joint *joint, const unsigned char *old_data,
                        const unsigned char *new_data, int32_t room)
{
    if (!joint) return nullptr;
    uintptr_t address = reinterpret_cast<uintptr_t>(joint);
    uintptr_t base = reinterpret_cast<uintptr_t>(old_data);
    uintptr_t end = base + static_cast<uintptr_t>(room) * sizeof(Joint);
    if (address < base || address >= end) return joint;
    return reinterpret_cast<Joint *>(const_cast<unsigned char *>(new_data) + (address - base));
}
