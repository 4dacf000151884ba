#include "model/model.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "foundation/path.h"
#include "foundation/str.h"
#include "model/image_cache.h"
#include "model/model_build.h"

ModelIdCounters g_model_ids = {1, 1, 1, 1, 1, 1, 1};

static int copy_tables(Model *copy, const Model *source, const ModelIdCounters *shift);
static int copy_layer(Layer *copy, const Layer *source, const ModelIdCounters *shift);
static int copy_vertex_lists(KeyedTable *records, const KeyedTable *source_records, int32_t list_offset,
                             int32_t element_size);
static Joint *joint_in_copy(Joint *joint, const Model *source, Model *copy);

Model *model_create(const char *path, Model *parent)
{
    if (!path) return nullptr;
    Model *model = static_cast<Model *>(calloc(1, sizeof(Model)));
    if (!model) return nullptr;
    model->parent = parent;
    const char *name = path_model_name(path);
    str_copy_bounded(name, model->name, sizeof model->name);
    const char *directory = path_directory(path);
    str_copy_bounded(directory, model->directory, sizeof model->directory);
    model->flag = 0;
    table_init(&model->points, sizeof(Point), KEY_INT);
    table_init(&model->joints, sizeof(Joint), KEY_NAME);
    table_init(&model->blends, sizeof(Blend), KEY_INT);
    table_init(&model->layers, sizeof(Layer), KEY_NAME);
    table_init(&model->children, sizeof(Child), KEY_INT);
    table_init(&model->collides, sizeof(CollideObject), KEY_INT);
    model->viewer_index = -1;
    return model;
}

// A path that gives no name is refused and leaves the model as it was.
int model_set_path(Model *model, const char *path)
{
    if (!model || !path) return 0;
    const char *name = path_model_name(path);
    if (!name || !name[0]) return 0;
    str_copy_bounded(name, model->name, sizeof model->name);
    const char *directory = path_directory(path);
    if (directory && directory[0])
        str_copy_bounded(directory, model->directory, sizeof model->directory);
    return 1;
}

Model *model_copy(const Model *source, Model *parent, const ModelIdCounters *id_shift)
{
    if (!source || !id_shift) return nullptr;
    Model *copy = static_cast<Model *>(malloc(sizeof(Model)));
    if (!copy) return nullptr;
    // The header's scalars and texts; each table starts empty, so that a copy that fails part
    // way is freed like any model.
    memcpy(copy, source, sizeof *copy);
    copy->parent = parent;
    copy->viewer_index = -1;
    table_init(&copy->points, sizeof(Point), KEY_INT);
    table_init(&copy->joints, sizeof(Joint), KEY_NAME);
    table_init(&copy->blends, sizeof(Blend), KEY_INT);
    table_init(&copy->layers, sizeof(Layer), KEY_NAME);
    table_init(&copy->children, sizeof(Child), KEY_INT);
    table_init(&copy->collides, sizeof(CollideObject), KEY_INT);
    if (!copy_tables(copy, source, id_shift)) {
        model_free(copy);
        copy = nullptr;
    }
    return copy;
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
    free(model);
    return 1;
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

// Fills the empty tables of copy from source, renumbering and re-pointing records as
// model_copy describes; 0 when out of memory (copy stays consistent for model_free).
static int copy_tables(Model *copy, const Model *source, const ModelIdCounters *shift)
{
    if (!table_copy(&source->joints, &copy->joints) || !table_copy(&source->points, &copy->points) ||
        !table_copy(&source->blends, &copy->blends) || !table_copy(&source->collides, &copy->collides))
        return 0;
    for (int32_t slot = 0; slot < copy->joints.capacity; slot++) {
        Joint *joint = static_cast<Joint *>(table_nth(&copy->joints, slot, 0));
        if (!joint) continue;
        joint->id += shift->joint;
        joint->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->points.capacity; slot++) {
        Point *point = static_cast<Point *>(table_nth(&copy->points, slot, 0));
        if (!point) continue;
        point->joint = joint_in_copy(point->joint, source, copy);
        point->second_joint = joint_in_copy(point->second_joint, source, copy);
        point->viewer_index = -1;
    }
    for (int32_t slot = 0; slot < copy->blends.capacity; slot++) {
        Blend *blend = static_cast<Blend *>(table_nth(&copy->blends, slot, 0));
        if (!blend) continue;
        blend->joint = joint_in_copy(blend->joint, source, copy);
        blend->second_joint = joint_in_copy(blend->second_joint, source, copy);
    }
    for (int32_t slot = 0; slot < copy->collides.capacity; slot++) {
        CollideObject *object = static_cast<CollideObject *>(table_nth(&copy->collides, slot, 0));
        if (!object) continue;
        object->id += shift->collide;
        object->owner = copy;
        object->viewer_index = -1;
    }
    if (!table_shift_keys(&copy->blends, static_cast<int32_t>(shift->blend)) ||
        !table_shift_keys(&copy->collides, static_cast<int32_t>(shift->collide)))
        return 0;

    // Layers: the copied records alias the source's tables until each is replaced by its own.
    if (!table_copy(&source->layers, &copy->layers)) return 0;
    for (int32_t slot = 0; slot < copy->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&copy->layers, slot, 0));
        if (!layer) continue;
        table_init(&layer->faces, sizeof(Face), KEY_INT);
        table_init(&layer->strips, sizeof(Strip), KEY_INT);
        table_init(&layer->lines, sizeof(Line), KEY_INT);
        table_init(&layer->uvees, sizeof(Uvee), KEY_INT);
        table_init(&layer->texture, sizeof(LayerTexture), KEY_INT);
        table_init(&layer->normals, sizeof(float) * 3, KEY_INT);
        table_init(&layer->pn_normals, sizeof(float) * 3, KEY_INT);
    }
    for (int32_t slot = 0; slot < copy->layers.capacity; slot++) {
        Layer *layer = static_cast<Layer *>(table_nth(&copy->layers, slot, 0));
        const Layer *from = static_cast<const Layer *>(table_nth(const_cast<KeyedTable *>(&source->layers), slot, 0));
        if (layer && !copy_layer(layer, from, shift)) return 0;
    }

    // Children: the copied records hold no model until each child's own copy is made.
    if (!table_copy(&source->children, &copy->children)) return 0;
    for (int32_t slot = 0; slot < copy->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&copy->children, slot, 0));
        if (!child) continue;
        child->model = nullptr;
        child->id += shift->child;
        child->viewer_index = -1;
    }
    if (!table_shift_keys(&copy->children, static_cast<int32_t>(shift->child))) return 0;
    for (int32_t slot = 0; slot < copy->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&copy->children, slot, 0));
        const Child *from = static_cast<const Child *>(table_nth(const_cast<KeyedTable *>(&source->children), slot, 0));
        if (!child || !from->model) continue;
        child->model = model_copy(from->model, copy, shift);
        if (!child->model) return 0;
    }
    return 1;
}

// Fills the empty tables of a copied layer from source; 0 when out of memory.
static int copy_layer(Layer *copy, const Layer *source, const ModelIdCounters *shift)
{
    if (!table_copy(&source->uvees, &copy->uvees) || !table_copy(&source->normals, &copy->normals) ||
        !table_copy(&source->pn_normals, &copy->pn_normals) || !table_copy(&source->faces, &copy->faces))
        return 0;
    for (int32_t slot = 0; slot < copy->faces.capacity; slot++) {
        Face *face = static_cast<Face *>(table_nth(&copy->faces, slot, 0));
        if (!face) continue;
        face->id += shift->face;
        face->viewer_index = -1;
    }
    if (!table_shift_keys(&copy->faces, static_cast<int32_t>(shift->face))) return 0;

    if (!table_copy(&source->strips, &copy->strips)) return 0;
    if (!copy_vertex_lists(&copy->strips, &source->strips, offsetof(Strip, vertices), sizeof(StripVertex)))
        return 0;
    for (int32_t slot = 0; slot < copy->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&copy->strips, slot, 0));
        if (!strip) continue;
        strip->id += shift->strip;
        strip->viewer_index = -1;
    }
    if (!table_shift_keys(&copy->strips, static_cast<int32_t>(shift->strip))) return 0;

    if (!table_copy(&source->lines, &copy->lines)) return 0;
    if (!copy_vertex_lists(&copy->lines, &source->lines, offsetof(Line, vertices), sizeof(uint32_t)))
        return 0;
    for (int32_t slot = 0; slot < copy->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&copy->lines, slot, 0));
        if (!line) continue;
        line->id += shift->line;
        line->viewer_index = -1;
    }
    if (!table_shift_keys(&copy->lines, static_cast<int32_t>(shift->line))) return 0;

    // The texture record: each slot with pixels takes its own reference to the cached image.
    if (!table_copy(&source->texture, &copy->texture)) return 0;
    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&copy->texture, 1));
    if (texture) {
        // No slot holds pixels until it holds its reference, so a failure releases only those.
        uint8_t *pixels_of[LAYER_SLOT_COUNT];
        for (int slot = 0; slot < LAYER_SLOT_COUNT; slot++) {
            pixels_of[slot] = texture->pixels[slot];
            texture->pixels[slot] = nullptr;
            texture->gl_names[slot] = 0;
        }
        for (int slot = 0; slot < LAYER_SLOT_COUNT; slot++) {
            uint8_t *pixels = pixels_of[slot];
            if (!pixels) continue;
            int32_t width = 0;
            int32_t height = 0;
            if (!image_cache_load(texture->cache_path[slot], &width, &height)) {
                texture->cache_path[slot][0] = '\0';
                texture->width[slot] = 0;
                texture->height[slot] = 0;
                return 0;
            }
            texture->pixels[slot] = pixels;  // the cached image, or its keyed copy as in the source
        }
    }
    return 1;
}

// Gives each copied strip or line (records with a vertex table at list_offset) its own copy of
// the source record's vertex table; 0 when out of memory (uncopied lists are left empty).
static int copy_vertex_lists(KeyedTable *records, const KeyedTable *source_records, int32_t list_offset,
                             int32_t element_size)
{
    KeyedTable *from_records = const_cast<KeyedTable *>(source_records);
    for (int32_t slot = 0; slot < records->capacity; slot++) {
        unsigned char *record = static_cast<unsigned char *>(table_nth(records, slot, 0));
        if (record) table_init(reinterpret_cast<KeyedTable *>(record + list_offset), element_size, KEY_NONE);
    }
    for (int32_t slot = 0; slot < records->capacity; slot++) {
        unsigned char *record = static_cast<unsigned char *>(table_nth(records, slot, 0));
        const unsigned char *from = static_cast<const unsigned char *>(table_nth(from_records, slot, 0));
        if (!record) continue;
        if (!table_copy(reinterpret_cast<const KeyedTable *>(from + list_offset),
                        reinterpret_cast<KeyedTable *>(record + list_offset)))
            return 0;
    }
    return 1;
}

// The joint of the copy in the slot the source's joint holds; the pointer itself when it
// points outside the source's joint table (null included).
static Joint *joint_in_copy(Joint *joint, const Model *source, Model *copy)
{
    if (!joint || !source->joints.data) return joint;
    uintptr_t address = reinterpret_cast<uintptr_t>(joint);
    uintptr_t base = reinterpret_cast<uintptr_t>(source->joints.data);
    uintptr_t end = base + static_cast<uintptr_t>(source->joints.capacity) * sizeof(Joint);
    if (address < base || address >= end) return joint;
    return reinterpret_cast<Joint *>(copy->joints.data + (address - base));
}
