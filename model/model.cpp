#include "model/model.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "foundation/last_error.h"
#include "foundation/path.h"
#include "foundation/str.h"
#include "model/image_cache.h"
#include "model/model_build.h"
#include "model/value_check.h"

ModelIdCounters g_model_ids = {1, 1, 1, 1, 1, 1, 1};

static void init_tables(Model *model);
static void *source_slot(const KeyedTable *table, int32_t slot);
static Joint *same_joint(const Joint *joint, const KeyedTable *from, KeyedTable *to);
static int copy_layers(Model *copy, const Model *source);
static int copy_layer(Layer *layer, const Layer *source);
static int copy_vertex_tables(KeyedTable *records, const KeyedTable *source, int strips);
static void share_images(LayerTexture *texture);
static int copy_children(Model *copy, const Model *source);
static void detach_records(Model *copy, const Model *source);
static int shift_layer_ids(Layer *layer, const ModelIdCounters *shift);

int model_path_fits(const char *path)
{
    if (!path) return 0;
    if (strlen(path) >= static_cast<size_t>(PATH_BUFFER_SIZE)) {
        err_setf("path too long: %s", path);
        return 0;
    }
    if (strlen(path_leaf_name(path)) >= static_cast<size_t>(MODEL_NAME_SIZE)) {
        err_setf("model name too long: %s", path);
        return 0;
    }
    return 1;
}

// Named as model_set_path names it; a name or directory that would have to be cut makes no
// model, so two paths that differ only past the cut never make two models of one name.
Model *model_create(const char *path, Model *parent)
{
    if (!model_path_fits(path)) return nullptr;
    Model *model = static_cast<Model *>(calloc(1, sizeof(Model)));
    if (!model) return nullptr;
    model->parent = parent;
    str_copy_bounded(path_leaf_name(path), model->name, sizeof model->name);
    const char *directory = path_directory(path);
    model->directory = str_dup(directory ? directory : "");
    if (!model->directory) {
        free(model);
        return nullptr;
    }
    model->flag = 0;
    init_tables(model);
    model->viewer_index = -1;
    return model;
}

// The name is the path's last component without a 3-letter extension, however short; a
// path that leaves no name, one too long to keep, or one holding a line end (which the
// writer's header line could not hold) is refused and changes nothing.
int model_set_path(Model *model, const char *path)
{
    if (!model || !value_line_ok(path) || !model_path_fits(path)) return 0;
    const char *name = path_leaf_name(path);
    if (!name[0]) return 0;
    char new_name[MODEL_NAME_SIZE];
    str_copy_bounded(name, new_name, sizeof new_name);
    const char *directory = path_directory(path);
    if (directory && directory[0]) {
        char *copy = str_dup(directory);
        if (!copy) return 0;
        free(model->directory);
        model->directory = copy;
    }
    memcpy(model->name, new_name, sizeof model->name);
    return 1;
}

int model_free(Model *model)
{
    if (!model) return 0;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child && child->model) {
            model_free(child->model);
            child->model = nullptr;
        }
    }
    // Deleting in slot order removes the first remaining layer each time, without a walk.
    for (int32_t slot = 0; slot < model->layers.capacity; slot++) {
        const Layer *layer = static_cast<const Layer *>(table_nth(&model->layers, slot, 0));
        if (!layer) continue;
        char key[MODEL_KEY_LENGTH + 1];
        model_key_name(layer->name, key);
        model_delete_layer(model, key);
    }
    table_free(&model->collides);
    table_free(&model->children);
    table_free(&model->layers);
    table_free(&model->joints);
    table_free(&model->blends);
    table_free(&model->points);
    free(model->directory);
    free(model);
    return 1;
}

// Every step leaves the copy in a state model_free can take apart: a table copied
// from the source is detached from the source's nested tables and images before
// anything else can fail.
Model *model_copy(const Model *source, Model *parent)
{
    if (!source) return nullptr;
    Model *copy = static_cast<Model *>(malloc(sizeof(Model)));
    if (!copy) return nullptr;
    memcpy(copy, source, sizeof *copy);
    copy->parent = parent;
    copy->viewer_index = -1;
    copy->directory = str_dup(source->directory);
    init_tables(copy);
    int ok = copy->directory && table_copy(&source->points, &copy->points) &&
             table_copy(&source->joints, &copy->joints) &&
             table_copy(&source->blends, &copy->blends) && table_copy(&source->collides, &copy->collides) &&
             copy_layers(copy, source) && copy_children(copy, source);
    if (!ok) {
        model_free(copy);
        return nullptr;
    }
    detach_records(copy, source);
    return copy;
}

int model_shift_ids(Model *model, const ModelIdCounters *shift)
{
    if (!model || !shift) return 0;
    for (int32_t slot = 0; slot < model->joints.capacity; slot++) {
        Joint *joint = static_cast<Joint *>(table_nth(&model->joints, slot, 0));
        if (joint) joint->id += shift->joint;
    }
    for (int32_t slot = 0; slot < model->collides.capacity; slot++) {
        CollideObject *object = static_cast<CollideObject *>(table_nth(&model->collides, slot, 0));
        if (object) object->id += shift->collide;
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child) child->id += shift->child;
    }
    int ok = table_shift_keys(&model->blends, static_cast<int32_t>(shift->blend)) &&
             table_shift_keys(&model->collides, static_cast<int32_t>(shift->collide)) &&
             table_shift_keys(&model->children, static_cast<int32_t>(shift->child));
    for (int32_t slot = 0; ok && slot < model->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, slot, 0));
        if (layer) ok = shift_layer_ids(layer, shift);
    }
    for (int32_t slot = 0; ok && slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child && child->model) ok = model_shift_ids(child->model, shift);
    }
    return ok;
}

void model_set_flag(Model *model, uint32_t value)
{
    if (model) model->flag = value;
}

uint32_t model_get_flag(const Model *model)
{
    return model ? model->flag : 0;
}

void model_key_name(const char *name, char *key)
{
    str_copy_bounded(name, key, MODEL_KEY_LENGTH + 1);
}

// Empty tables of every kind a model holds.
static void init_tables(Model *model)
{
    table_init(&model->points, sizeof(Point), KEY_INT);
    table_init(&model->joints, sizeof(Joint), KEY_NAME);
    table_init(&model->blends, sizeof(Blend), KEY_INT);
    table_init(&model->layers, sizeof(Layer), KEY_NAME);
    table_init(&model->children, sizeof(Child), KEY_INT);
    table_init(&model->collides, sizeof(CollideObject), KEY_INT);
}

void model_init_layer_tables(Layer *layer)
{
    table_init(&layer->faces, sizeof(Face), KEY_INT);
    table_init(&layer->strips, sizeof(Strip), KEY_INT);
    table_init(&layer->lines, sizeof(Line), KEY_INT);
    table_init(&layer->uvees, sizeof(Uvee), KEY_INT);
    table_init(&layer->texture, sizeof(LayerTexture), KEY_INT);
    table_init(&layer->normals, sizeof(float) * 3, KEY_INT);
    table_init(&layer->pn_normals, sizeof(float) * 3, KEY_INT);
}

// The element in slot of a table that is only read (the slot look-up changes nothing).
static void *source_slot(const KeyedTable *table, int32_t slot)
{
    return table_nth(const_cast<KeyedTable *>(table), slot, 0);
}

// The joint in the same slot of to as joint is in from; null for null or a joint not in from.
static Joint *same_joint(const Joint *joint, const KeyedTable *from, KeyedTable *to)
{
    if (!joint || !from->data) return nullptr;
    ptrdiff_t offset = reinterpret_cast<const unsigned char *>(joint) - from->data;
    ptrdiff_t size = static_cast<ptrdiff_t>(from->room) * from->element_size;
    if (offset < 0 || offset >= size) return nullptr;
    return reinterpret_cast<Joint *>(to->data + offset);
}

static int copy_layers(Model *copy, const Model *source)
{
    if (!table_copy(&source->layers, &copy->layers)) return 0;
    for (int32_t slot = 0; slot < copy->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&copy->layers, slot, 0));
        if (layer) model_init_layer_tables(layer);
    }
    for (int32_t slot = 0; slot < copy->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&copy->layers, slot, 0));
        if (layer && !copy_layer(layer, static_cast<const Layer *>(source_slot(&source->layers, slot))))
            return 0;
    }
    return 1;
}

// Fills the empty tables of layer from source; the texture's images take their references first.
static int copy_layer(Layer *layer, const Layer *source)
{
    if (!table_copy(&source->texture, &layer->texture)) return 0;
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    if (texture) share_images(texture);
    return table_copy(&source->faces, &layer->faces) && table_copy(&source->uvees, &layer->uvees) &&
           table_copy(&source->normals, &layer->normals) &&
           table_copy(&source->pn_normals, &layer->pn_normals) &&
           copy_vertex_tables(&layer->strips, &source->strips, 1) &&
           copy_vertex_tables(&layer->lines, &source->lines, 0);
}

// Copies a table of strips (strips 1) or lines into the empty records table, each record with
// its own vertex table.
static int copy_vertex_tables(KeyedTable *records, const KeyedTable *source, int strips)
{
    if (!table_copy(source, records)) return 0;
    for (int32_t slot = 0; slot < records->capacity; slot++) {
        void *record = table_nth(records, slot, 0);
        if (!record) continue;
        KeyedTable *vertices = strips ? &static_cast<Strip *>(record)->vertices : &static_cast<Line *>(record)->vertices;
        table_init(vertices, strips ? static_cast<int32_t>(sizeof(StripVertex)) : static_cast<int32_t>(sizeof(uint32_t)),
                   KEY_NONE);
    }
    for (int32_t slot = 0; slot < records->capacity; slot++) {
        void *record = table_nth(records, slot, 0);
        if (!record) continue;
        const void *original = source_slot(source, slot);
        const KeyedTable *from = strips ? &static_cast<const Strip *>(original)->vertices
                                        : &static_cast<const Line *>(original)->vertices;
        KeyedTable *to = strips ? &static_cast<Strip *>(record)->vertices : &static_cast<Line *>(record)->vertices;
        if (!table_copy(from, to)) return 0;
        if (strips) static_cast<Strip *>(record)->viewer_index = -1;
        else static_cast<Line *>(record)->viewer_index = -1;
    }
    return 1;
}

// The copied slots hold the source's pixels: each takes its own cache reference, or is
// emptied when its image is no longer cached. GL names belong to the source.
static void share_images(LayerTexture *texture)
{
    for (int slot = 0; slot < LAYER_SLOT_COUNT; slot++) {
        texture->gl_names[slot] = 0;
        if (!texture->pixels[slot]) continue;
        int32_t width = 0;
        int32_t height = 0;
        if (!image_cache_find(texture->cache_path[slot]) ||
            !image_cache_load(texture->cache_path[slot], &width, &height)) {
            texture->pixels[slot] = nullptr;
            texture->cache_path[slot] = nullptr;
        }
    }
    texture->gl_stale = 0;
}

static int copy_children(Model *copy, const Model *source)
{
    if (!table_copy(&source->children, &copy->children)) return 0;
    for (int32_t slot = 0; slot < copy->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&copy->children, slot, 0));
        if (!child) continue;
        child->model = nullptr;
        child->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&copy->children, slot, 0));
        if (!child) continue;
        const Child *original = static_cast<const Child *>(source_slot(&source->children, slot));
        if (!original->model) continue;
        child->model = model_copy(original->model, copy);
        if (!child->model) return 0;
    }
    return 1;
}

// Points the copied records at the copy's own joints and owner, without viewer caches.
static void detach_records(Model *copy, const Model *source)
{
    for (int32_t slot = 0; slot < copy->points.capacity; slot++) {
        Point *point = static_cast<Point *>(table_nth(&copy->points, slot, 0));
        if (!point) continue;
        // Written only where they change: a copy of a model never drawn is left as memcpy made
        // it, so copying a large model does not pass over its points twice.
        if (point->joint) point->joint = same_joint(point->joint, &source->joints, &copy->joints);
        if (point->second_joint)
            point->second_joint = same_joint(point->second_joint, &source->joints, &copy->joints);
        if (point->viewer_index != -1) point->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->blends.capacity; slot++) {
        Blend *blend = static_cast<Blend *>(table_nth(&copy->blends, slot, 0));
        if (!blend) continue;
        blend->joint = same_joint(blend->joint, &source->joints, &copy->joints);
        blend->second_joint = same_joint(blend->second_joint, &source->joints, &copy->joints);
    }
    for (int32_t slot = 0; slot < copy->joints.capacity; slot++) {
        Joint *joint = static_cast<Joint *>(table_nth(&copy->joints, slot, 0));
        if (joint) joint->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->collides.capacity; slot++) {
        CollideObject *object = static_cast<CollideObject *>(table_nth(&copy->collides, slot, 0));
        if (!object) continue;
        object->owner = copy;
        object->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&copy->layers, slot, 0));
        if (!layer) continue;
        for (int32_t f = 0; f < layer->faces.capacity; f++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, f, 0));
            if (face && face->viewer_index != -1) face->viewer_index = -1;
        }
    }
}

// Raises the ids of the layer's faces, strips and lines as model_shift_ids does; 0 when out
// of memory.
static int shift_layer_ids(Layer *layer, const ModelIdCounters *shift)
{
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        Face *face = static_cast<Face *>(table_nth(&layer->faces, slot, 0));
        if (face) face->id += shift->face;
    }
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (strip) strip->id += shift->strip;
    }
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (line) line->id += shift->line;
    }
    return table_shift_keys(&layer->faces, static_cast<int32_t>(shift->face)) &&
           table_shift_keys(&layer->strips, static_cast<int32_t>(shift->strip)) &&
           table_shift_keys(&layer->lines, static_cast<int32_t>(shift->line));
}
