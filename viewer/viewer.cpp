#include "viewer/viewer.h"

#include <cassert>
#include <cstdint>
#include <cstring>

#include "foundation/file_table.h"
#include "foundation/geometry.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/point.h"
#include "viewer/anim_pose.h"
#include "viewer/display_options.h"
#include "viewer/draw_overlay.h"
#include "viewer/draw_texture.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"

// Id counters of the seven tables: start at 1, only grow, never reused.
static int32_t g_next_model_xform_id = 1;
static int32_t g_next_point_cache_id = 1;
static int32_t g_next_face_cache_id = 1;
static int32_t g_next_joint_cache_id = 1;
static int32_t g_next_child_xform_id = 1;
static int32_t g_next_collide_cache_id = 1;

static void *cache_get(KeyedTable *table, int32_t *owner_index, int32_t *counter, int *created);
static void *cache_existing(KeyedTable *table, int32_t owner_index);
static void cache_drop(KeyedTable *table, int32_t *owner_index);
static int32_t slot_of(const KeyedTable *table, const void *element);
static inline int32_t slot_of_size(const KeyedTable *table, const void *element, uintptr_t size);
static int32_t face_layer_slot(Model *model, const Face *face, int32_t *face_slot);
static void fill_face_cache(FaceCache *cache, Model *model, int32_t layer_slot, int32_t face_slot, Face *face);
static Point *vertex_point(Model *model, int32_t point, int by_index);
static void release_collide_caches(Viewer *viewer);
static int64_t tree_face_count(Model *model);

void viewer_init(Viewer *viewer)
{
    if (!viewer) return;
    file_table_init();
    memset(viewer, 0, sizeof *viewer);
    table_init(&viewer->model_xforms, sizeof(ModelXform), KEY_INT);
    table_init(&viewer->point_caches, sizeof(PointCache), KEY_INT);
    table_init(&viewer->face_caches, sizeof(FaceCache), KEY_INT);
    table_init(&viewer->joint_caches, sizeof(JointCache), KEY_INT);
    table_init(&viewer->child_xforms, sizeof(ChildXform), KEY_INT);
    table_init(&viewer->collide_caches, sizeof(CollideCache), KEY_INT);
    table_init(&viewer->models, sizeof(LoadedModel), KEY_INT);
    sel_init(viewer);
    draw_build_digit_font(viewer);
    viewer_reset(viewer, 1);
}

void viewer_reset(Viewer *viewer, int with_defaults)
{
    if (!viewer) return;
    sel_clear(viewer);
    sel_clear_copy(viewer);
    viewer_close_all(viewer);
    table_clear(&viewer->model_xforms);
    table_clear(&viewer->point_caches);
    table_clear(&viewer->face_caches);
    table_clear(&viewer->joint_caches);
    table_clear(&viewer->child_xforms);
    release_collide_caches(viewer);
    table_clear(&viewer->collide_caches);
    table_clear(&viewer->models);
    if (with_defaults) display_set_defaults(viewer);
    viewer->frame_step = 1.0f;
    viewer_reset_view_size(viewer);
}

ModelXform *rcache_model_xform(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return nullptr;
    int created = 0;
    ModelXform *xform = static_cast<ModelXform *>(
        cache_get(&viewer->model_xforms, &model->viewer_index, &g_next_model_xform_id, &created));
    if (!xform || !created) return xform;
    xform->last_time = -1.0f;
    for (int i = 0; i < 3; i++) {
        xform->translation[i] = 0.0f;
        xform->scale[i] = 1.0f;
        strcpy(xform->rotation_words[i], "0");
    }
    mat4_identity(&xform->matrix);
    mat4_identity(&xform->rotation);
    xform->triangles = 0;
    memcpy(xform->gl_matrix, mat4_to_gl(&xform->matrix), sizeof xform->gl_matrix);
    xform->model = model;
    return xform;
}

void rcache_update_model_xform(ModelXform *xform)
{
    if (!xform) return;
    mat4_identity(&xform->matrix);
    mat4_scale(&xform->matrix, xform->scale[0], xform->scale[1], xform->scale[2]);
    mat4_multiply(&xform->rotation, &xform->matrix, &xform->matrix);
    mat4_translate(&xform->matrix, xform->translation[0], xform->translation[1], xform->translation[2]);
    memcpy(xform->gl_matrix, mat4_to_gl(&xform->matrix), sizeof xform->gl_matrix);
}

PointCache *rcache_point(Viewer *viewer, Point *point)
{
    if (!viewer || !point) return nullptr;
    int created = 0;
    PointCache *cache = static_cast<PointCache *>(
        cache_get(&viewer->point_caches, &point->viewer_index, &g_next_point_cache_id, &created));
    if (!cache || !created) return cache;
    memcpy(cache->position, point->position, sizeof cache->position);
    memcpy(cache->normal, point->normal, sizeof cache->normal);
    return cache;
}

FaceCache *rcache_face_create(Viewer *viewer, Model *model, Face *face)
{
    if (!viewer || !model || !face) return nullptr;
    void *existing = cache_existing(&viewer->face_caches, face->viewer_index);
    if (existing) return static_cast<FaceCache *>(existing);
    int32_t face_slot = -1;
    int32_t layer_slot = face_layer_slot(model, face, &face_slot);
    if (layer_slot < 0) return nullptr;
    // Made here as cache_get would make it, without its generic steps: a first frame makes
    // one per face. fill_face_cache writes every field (the record has no padding).
    static_assert(sizeof(FaceCache) == 24 + 16, "FaceCache has no padding bytes");
    int32_t id = g_next_face_cache_id;
    FaceCache *cache = static_cast<FaceCache *>(table_add(&viewer->face_caches, id));
    if (!cache) return nullptr;
    face->viewer_index = slot_of_size(&viewer->face_caches, cache, sizeof(FaceCache));
    assert(face->viewer_index >= 0);
    g_next_face_cache_id++;
    cache->id = id;
    fill_face_cache(cache, model, layer_slot, face_slot, face);
    return cache;
}

void rcache_reserve_faces(Viewer *viewer)
{
    if (!viewer || table_count(&viewer->face_caches) > 0) return;
    int64_t faces = 0;
    for (int32_t i = 0; i < viewer->models.capacity; i++) {
        const LoadedModel *loaded = static_cast<const LoadedModel *>(table_nth(&viewer->models, i, 0));
        if (loaded && loaded->model) faces += tree_face_count(loaded->model);
    }
    // Only a size the table can hold is asked for; a failure leaves growth to the adds.
    if (faces > 16 && faces <= INT32_MAX / 2) table_reserve(&viewer->face_caches, static_cast<int32_t>(faces));
}

JointCache *rcache_joint(Viewer *viewer, Model *model, Joint *joint)
{
    if (!viewer || !model || !joint) return nullptr;
    void *existing = cache_existing(&viewer->joint_caches, joint->viewer_index);
    if (existing) return static_cast<JointCache *>(existing);
    if (slot_of(&model->joints, joint) < 0) return nullptr;
    int created = 0;
    JointCache *cache = static_cast<JointCache *>(
        cache_get(&viewer->joint_caches, &joint->viewer_index, &g_next_joint_cache_id, &created));
    if (!cache || !created) return cache;
    cache->last_time = -1.0f;
    memcpy(cache->position, joint->position, sizeof cache->position);
    const Joint *parent = model_find_joint(model, joint->parent_name);
    cache->model = model;
    cache->parent_slot = parent ? slot_of(&model->joints, parent) : -1;
    cache->parent_id = parent ? parent->id : 0;
    mat4_identity(&cache->local);
    mat4_identity(&cache->world);
    mat4_identity(&cache->bind_inverse);
    mat4_translate(&cache->bind_inverse, -joint->position[0], -joint->position[1], -joint->position[2]);
    mat4_identity(&cache->skin);
    mat4_identity(&cache->rotation_only);
    for (int i = 0; i < 3; i++)
        cache->offset[i] = joint->position[i] - (parent ? parent->position[i] : 0.0f);
    cache->channel = model_joint_index(model, joint->name) + 2;
    return cache;
}

ChildXform *rcache_child_xform(Viewer *viewer, Model *model, Child *child)
{
    if (!viewer || !model || !child) return nullptr;
    void *existing = cache_existing(&viewer->child_xforms, child->viewer_index);
    if (existing) return static_cast<ChildXform *>(existing);
    int32_t slot = slot_of(&model->children, child);
    if (slot < 0) return nullptr;
    int created = 0;
    ChildXform *xform = static_cast<ChildXform *>(
        cache_get(&viewer->child_xforms, &child->viewer_index, &g_next_child_xform_id, &created));
    if (!xform || !created) return xform;
    xform->last_time = -1.0f;
    Matrix4 rotation;
    mat4_from_rotation_text(&rotation, child->rotation[0], child->rotation[1], child->rotation[2]);
    mat4_identity(&xform->matrix);
    mat4_translate(&xform->matrix, child->position[0], child->position[1], child->position[2]);
    mat4_multiply(&rotation, &xform->matrix, &xform->matrix);
    mat4_scale(&xform->matrix, child->scale[0], child->scale[1], child->scale[2]);
    memcpy(xform->gl_matrix, mat4_to_gl(&xform->matrix), sizeof xform->gl_matrix);
    xform->owner = model;
    xform->child_slot = slot;
    xform->child_id = child->id;
    return xform;
}

void rcache_link_children(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (!child) continue;
        rcache_child_xform(viewer, model, child);
        rcache_link_children(viewer, child->model);
    }
}

// The box matrix starts as the object's own rotation, so boxes are drawn turned
// as the file says before (or without) any physics step.
CollideCache *rcache_collide(Viewer *viewer, CollideObject *object)
{
    if (!viewer || !object) return nullptr;
    void *existing = cache_existing(&viewer->collide_caches, object->viewer_index);
    if (existing) return static_cast<CollideCache *>(existing);
    int32_t slot = object->owner ? slot_of(&object->owner->collides, object) : -1;
    if (slot < 0) return nullptr;
    int created = 0;
    CollideCache *cache = static_cast<CollideCache *>(
        cache_get(&viewer->collide_caches, &object->viewer_index, &g_next_collide_cache_id, &created));
    if (!cache || !created) return cache;
    cache->last_time = -1.0f;
    cache->owner = object->owner;
    cache->object_slot = slot;
    cache->object_id = object->id;
    Matrix4 rotation;
    mat4_from_rotation_text(&rotation, object->rotation[0], object->rotation[1], object->rotation[2]);
    memcpy(cache->box_matrix, mat4_to_gl(&rotation), sizeof cache->box_matrix);
    return cache;
}

Face *rcache_face_of(const FaceCache *cache)
{
    if (!cache || !cache->model) return nullptr;
    Layer *layer = static_cast<Layer *>(table_nth(&cache->model->layers, cache->layer_slot, 0));
    Face *face = layer ? static_cast<Face *>(table_nth(&layer->faces, cache->face_slot, 0)) : nullptr;
    return (face && face->id == cache->face_id) ? face : nullptr;
}

int rcache_face_normal(const FaceCache *cache, int half, float *normal)
{
    Face *face = rcache_face_of(cache);
    if (!face || !normal || half < 0 || half > (face->quad ? 1 : 0)) return 0;
    static const int corners[2][3] = {{0, 1, 2}, {2, 1, 3}};
    float triangle[9];
    for (int k = 0; k < 3; k++) {
        const Point *point = point_find(cache->model, face->point_ids[corners[half][k]]);
        if (!point) return 0;
        memcpy(triangle + 3 * k, point->position, sizeof point->position);
    }
    geom_face_normal(triangle, normal);
    return 1;
}

Joint *rcache_joint_parent(const JointCache *cache)
{
    if (!cache || !cache->model || cache->parent_slot < 0) return nullptr;
    Joint *joint = static_cast<Joint *>(table_nth(&cache->model->joints, cache->parent_slot, 0));
    return (joint && joint->id == cache->parent_id) ? joint : nullptr;
}

Child *rcache_child_of(const ChildXform *xform)
{
    if (!xform || !xform->owner) return nullptr;
    Child *child = static_cast<Child *>(table_nth(&xform->owner->children, xform->child_slot, 0));
    return (child && child->id == xform->child_id) ? child : nullptr;
}

int rcache_collide_bind(CollideCache *cache, CollideObject *object)
{
    if (!cache) return 0;
    int32_t slot = (object && object->owner) ? slot_of(&object->owner->collides, object) : -1;
    cache->owner = slot < 0 ? nullptr : object->owner;
    cache->object_slot = slot;
    cache->object_id = slot < 0 ? 0 : object->id;
    return slot >= 0;
}

CollideObject *rcache_collide_object_of(const CollideCache *cache)
{
    if (!cache || !cache->owner) return nullptr;
    CollideObject *object =
        static_cast<CollideObject *>(table_nth(&cache->owner->collides, cache->object_slot, 0));
    return (object && object->id == cache->object_id) ? object : nullptr;
}

ModelXform *rcache_find_model_xform(Viewer *viewer, int32_t id)
{
    if (!viewer) return nullptr;
    return static_cast<ModelXform *>(table_find(&viewer->model_xforms, id));
}

ChildXform *rcache_find_child_xform(Viewer *viewer, int32_t id)
{
    if (!viewer) return nullptr;
    return static_cast<ChildXform *>(table_find(&viewer->child_xforms, id));
}

// A child link without a loaded model is passed over and the release goes on,
// so one bad link cannot leave the rest of the tree's caches behind.
int viewer_release_model_caches(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return 0;
    for (Child *child = static_cast<Child *>(table_first(&model->children)); child;
         child = static_cast<Child *>(table_next(&model->children))) {
        if (child->model) viewer_release_model_caches(viewer, child->model);
        cache_drop(&viewer->child_xforms, &child->viewer_index);
    }
    for (Layer *layer = static_cast<Layer *>(table_first(&model->layers)); layer;
         layer = static_cast<Layer *>(table_next(&model->layers))) {
        for (Face *face = static_cast<Face *>(table_first(&layer->faces)); face;
             face = static_cast<Face *>(table_next(&layer->faces)))
            cache_drop(&viewer->face_caches, &face->viewer_index);
        draw_release_layer_textures(layer);
    }
    for (Point *point = static_cast<Point *>(table_first(&model->points)); point;
         point = static_cast<Point *>(table_next(&model->points)))
        cache_drop(&viewer->point_caches, &point->viewer_index);
    for (Joint *joint = static_cast<Joint *>(table_first(&model->joints)); joint;
         joint = static_cast<Joint *>(table_next(&model->joints)))
        cache_drop(&viewer->joint_caches, &joint->viewer_index);
    // Collide caches stay in their table until the next reset, but they must not
    // keep naming a model that is about to be freed.
    for (CollideObject *object = static_cast<CollideObject *>(table_first(&model->collides)); object;
         object = static_cast<CollideObject *>(table_next(&model->collides))) {
        CollideCache *cache = static_cast<CollideCache *>(cache_existing(&viewer->collide_caches, object->viewer_index));
        if (cache && viewer->collide_release_hook) viewer->collide_release_hook(viewer, cache);
        if (cache) cache->owner = nullptr;
    }
    cache_drop(&viewer->model_xforms, &model->viewer_index);
    return 1;
}

// A posed model's points are skinned again with its joints' matrices as they stand, so
// the edit shows in the pose it had; posing creates the caches of skinned points anew.
int viewer_refresh_model_caches(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return 0;
    for (Layer *layer = static_cast<Layer *>(table_first(&model->layers)); layer;
         layer = static_cast<Layer *>(table_next(&model->layers))) {
        for (Face *face = static_cast<Face *>(table_first(&layer->faces)); face;
             face = static_cast<Face *>(table_next(&layer->faces)))
            cache_drop(&viewer->face_caches, &face->viewer_index);
    }
    for (Point *point = static_cast<Point *>(table_first(&model->points)); point;
         point = static_cast<Point *>(table_next(&model->points))) {
        PointCache *cache = static_cast<PointCache *>(cache_existing(&viewer->point_caches, point->viewer_index));
        if (!cache) continue;
        memcpy(cache->position, point->position, sizeof cache->position);
        memcpy(cache->normal, point->normal, sizeof cache->normal);
    }
    const ModelXform *xform = static_cast<const ModelXform *>(cache_existing(&viewer->model_xforms, model->viewer_index));
    if (xform && xform->last_time >= 0.0f) anim_skin_points(viewer, model);
    return 1;
}

const float *rcache_vertex_position(Viewer *viewer, Model *model, int32_t point, int by_index)
{
    Point *p = vertex_point(model, point, by_index);
    if (!p) return nullptr;
    PointCache *cache = (viewer && p->viewer_index >= 0)
        ? static_cast<PointCache *>(table_nth(&viewer->point_caches, p->viewer_index, 0)) : nullptr;
    return cache ? cache->position : p->position;
}

const float *rcache_vertex_normal(Viewer *viewer, Model *model, int32_t point, int by_index)
{
    Point *p = vertex_point(model, point, by_index);
    if (!p) return nullptr;
    PointCache *cache = (viewer && p->viewer_index >= 0)
        ? static_cast<PointCache *>(table_nth(&viewer->point_caches, p->viewer_index, 0)) : nullptr;
    return cache ? cache->normal : p->normal;
}

const uint8_t *rcache_vertex_colour(Viewer *viewer, Model *model, int32_t point, int by_index)
{
    Point *p = vertex_point(model, point, by_index);
    return p ? p->gouraud : nullptr;
}

// The record in the owner's stored slot, or null when it has none.
static void *cache_existing(KeyedTable *table, int32_t owner_index)
{
    return owner_index >= 0 ? table_nth(table, owner_index, 0) : nullptr;
}

// Get or create by the owner's stored slot index. A stored index whose slot no
// longer holds a record (the tables were cleared under it) gets a fresh record.
// Every cache record starts with its 32-bit id.
static void *cache_get(KeyedTable *table, int32_t *owner_index, int32_t *counter, int *created)
{
    *created = 0;
    if (*owner_index >= 0) {
        void *element = table_nth(table, *owner_index, 0);
        if (element) return element;
    }
    int32_t id = *counter;
    void *element = table_add(table, id);
    if (!element) return nullptr;
    memset(element, 0, static_cast<size_t>(table->element_size));
    memcpy(element, &id, sizeof id);
    *owner_index = slot_of(table, element);
    assert(*owner_index >= 0);
    (*counter)++;
    *created = 1;
    return element;
}

// Removes the record in the owner's slot and marks the owner as having none.
static void cache_drop(KeyedTable *table, int32_t *owner_index)
{
    if (*owner_index < 0) return;
    void *element = table_nth(table, *owner_index, 0);
    if (element) {
        int32_t id;
        memcpy(&id, element, sizeof id);
        table_remove(table, id);
    }
    *owner_index = -1;
}

// Slot index of an element held by the table (same as table_index_of with dense 0,
// without a lookup); -1 when the address is not an element of the table's storage.
static int32_t slot_of(const KeyedTable *table, const void *element)
{
    if (!table->data || table->element_size < 1) return -1;
    return slot_of_size(table, element, static_cast<uintptr_t>(table->element_size));
}

// slot_of for a table whose elements are size bytes; inlined with a constant size, it
// divides by a constant (a multiplication) instead of by the table's element size.
static inline int32_t slot_of_size(const KeyedTable *table, const void *element, uintptr_t size)
{
    if (!table->data || static_cast<uintptr_t>(table->element_size) != size) return -1;
    uintptr_t base = reinterpret_cast<uintptr_t>(table->data);
    uintptr_t address = reinterpret_cast<uintptr_t>(element);
    if (address < base || address - base >= size * static_cast<uintptr_t>(table->room)) return -1;
    if ((address - base) % size != 0) return -1;
    return static_cast<int32_t>((address - base) / size);
}

// Slot of the layer whose face table holds the face, with the face's slot in it;
// -1 when no layer of the model holds it. Walks by slot, not by cursor, so that a
// caller's walk over the layers is left alone.
static int32_t face_layer_slot(Model *model, const Face *face, int32_t *face_slot)
{
    // Faces are met layer by layer, so the layer that held the last face is
    // tried first; the check against its face table makes a stale guess harmless.
    static int32_t s_last_layer = -1;
    if (s_last_layer >= 0) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, s_last_layer, 0));
        if (layer) {
            *face_slot = slot_of_size(&layer->faces, face, sizeof(Face));
            if (*face_slot >= 0) return s_last_layer;
        }
    }
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (!layer) continue;
        *face_slot = slot_of(&layer->faces, face);
        if (*face_slot >= 0) {
            s_last_layer = i;
            return i;
        }
    }
    return -1;
}

// A slot index as a face cache stores it.
static uint16_t stored_slot(int32_t slot)
{
    if (slot < 0) return FACE_SLOT_NONE;
    return slot < FACE_SLOT_FAR ? static_cast<uint16_t>(slot) : FACE_SLOT_FAR;
}

// Slot of a point id in the model's point table, -1 when it is not there. Points mostly
// lie in id order, so the slot is first guessed from the last id found and checked
// against that slot's key (keys are unique): only a wrong guess asks the table.
static int32_t point_slot(Model *model, int32_t id)
{
    static int64_t s_id_minus_slot = 0;
    const KeyedTable *points = &model->points;
    int64_t guess = static_cast<int64_t>(id) - s_id_minus_slot;
    if (guess >= 0 && guess < points->room && points->slots[guess].used && points->slots[guess].key == id)
        return static_cast<int32_t>(guess);
    int32_t slot = table_index_of(&model->points, id, 0);
    if (slot >= 0) s_id_minus_slot = static_cast<int64_t>(id) - slot;
    return slot;
}

// Each corner's point is looked up once in the model's own point table; a corner that is
// not there is searched through the tree only to set the missing point's message.
static void fill_face_cache(FaceCache *cache, Model *model, int32_t layer_slot, int32_t face_slot, Face *face)
{
    int corners = face->quad ? 4 : 3;
    for (int i = corners; i < 4; i++) cache->corner_index[i] = cache->normal_index[i] = FACE_SLOT_NONE;
    for (int i = 0; i < corners; i++) {
        int32_t slot = point_slot(model, face->point_ids[i]);
        cache->corner_index[i] = stored_slot(slot);
        if (slot < 0 && !point_find(model, face->point_ids[i]))
            model_point_position(model, face->point_ids[i]);  // sets the missing point's message
        cache->normal_index[i] = face->normal_ids[i] == face->point_ids[i]
                                     ? cache->corner_index[i]
                                     : stored_slot(point_slot(model, face->normal_ids[i]));
    }
    cache->model = model;
    cache->layer_slot = layer_slot;
    cache->face_slot = face_slot;
    cache->face_id = face->id;
}

static Point *vertex_point(Model *model, int32_t point, int by_index)
{
    if (!model) return nullptr;
    return static_cast<Point *>(by_index ? table_nth(&model->points, point, 0) : table_find(&model->points, point));
}

// Frees the physics body and geometry of every collide cache before the table is emptied.
static void release_collide_caches(Viewer *viewer)
{
    if (!viewer->collide_release_hook) return;
    for (CollideCache *cache = static_cast<CollideCache *>(table_first(&viewer->collide_caches)); cache;
         cache = static_cast<CollideCache *>(table_next(&viewer->collide_caches)))
        viewer->collide_release_hook(viewer, cache);
}

// Faces of the model's layers and of its child models, depth first.
static int64_t tree_face_count(Model *model)
{
    int64_t count = 0;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        const Layer *layer = static_cast<const Layer *>(table_nth(&model->layers, i, 0));
        if (layer) count += table_count(&layer->faces);
    }
    for (int32_t i = 0; i < model->children.capacity; i++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, i, 0));
        if (child && child->model) count += tree_face_count(child->model);
    }
    return count;
}
