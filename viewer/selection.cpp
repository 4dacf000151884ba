#include "viewer/selection.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "formats/mod_child.h"
#include "formats/mod_reader.h"
#include "foundation/geometry.h"
#include "foundation/matrix4.h"
#include "foundation/vec3.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_edit.h"
#include "model/model_query.h"
#include "viewer/loaded_models.h"
#include "viewer/viewer.h"

// Element sizes of the six tables that are kept with a set but never filled.
static const int32_t UNUSED_SIZES[6] = {12, 12, 12, 12, 12, 8};

// A selected child link: two words. The link itself is found from the key (its
// child id) through its ChildXform, since a Child's address moves with its table.
struct SelectedChild {
    void *unused;
    int32_t link_id;  // the child id, as the key
};

// What sel_translate and sel_scale hand to each step.
struct VectorStep {
    float value[3];
    int relative;
    int check;  // 1: only tell whether the new placement fits, changing nothing
};

// What sel_rotate hands to each step.
struct RotateStep {
    Matrix4 rotation;
    int relative;
    int check;  // 1: only tell whether the new placement fits, changing nothing
};

// One step of an operation over the selected models; 1 when it succeeded.
typedef int (*ModelStep)(Viewer *viewer, int32_t key, Model *model, const void *data);

static Model *link_model(Viewer *viewer, int32_t id);
static int entry_current(Viewer *viewer, int32_t key, const Model *model);
static ModelXform *existing_xform(Viewer *viewer, Model *model);
static int each_selected(Viewer *viewer, ModelStep step, const void *data);
static int copy_table(const KeyedTable *from, KeyedTable *to);
static void drop_stale(Viewer *viewer, SelectionSet *set);
static int is_zero(const float *v);
static void axis_frame(const float *axis, Matrix4 *frame);
static void about_centre(const SelectionSet *set, Matrix4 *rotation);
static void rotate_step_of(const SelectionSet *set, const char *word0, const char *word1, const char *word2,
                           int relative, int check, RotateStep *step);
static int place(Model *model, ModelXform *xform, ModelXform *next, int check);
static int placement_fits(Model *model, const ModelXform *xform);
static int translate_step(Viewer *viewer, int32_t key, Model *model, const void *data);
static int rotate_step(Viewer *viewer, int32_t key, Model *model, const void *data);
static int scale_step(Viewer *viewer, int32_t key, Model *model, const void *data);
static int pancake_step(Viewer *viewer, int32_t key, Model *model, const void *data);
static int add_data_step(Viewer *viewer, int32_t key, Model *model, const void *data);
static int add_child_step(Viewer *viewer, int32_t key, Model *model, const void *data);

void sel_init(Viewer *viewer)
{
    if (!viewer) return;
    sel_set_init(&viewer->selection);
    sel_set_init(&viewer->copy_set);
    sel_set_clear(&viewer->selection);
    sel_set_clear(&viewer->copy_set);
}

void sel_set_init(SelectionSet *set)
{
    if (!set) return;
    memset(set, 0, sizeof *set);
    table_init(&set->models, sizeof(Model *), KEY_INT);
    table_init(&set->children, sizeof(SelectedChild), KEY_INT);
    for (int i = 0; i < 6; i++) table_init(&set->unused[i], UNUSED_SIZES[i], KEY_INT);
}

void sel_set_clear(SelectionSet *set)
{
    if (!set) return;
    table_clear(&set->models);
    table_clear(&set->children);
    for (int i = 0; i < 6; i++) table_clear(&set->unused[i]);
    for (int i = 0; i < 3; i++) {
        set->rotate_centre[i] = 0.0f;
        set->rotate_axis[i] = 0.0f;
    }
}

void sel_set_free(SelectionSet *set)
{
    if (!set) return;
    table_free(&set->models);
    table_free(&set->children);
    for (int i = 0; i < 6; i++) table_free(&set->unused[i]);
}

void sel_clear(Viewer *viewer)
{
    if (viewer) sel_set_clear(&viewer->selection);
}

void sel_clear_copy(Viewer *viewer)
{
    if (viewer) sel_set_clear(&viewer->copy_set);
}

int sel_copy(Viewer *viewer)
{
    if (!viewer) return 0;
    SelectionSet *from = &viewer->selection;
    SelectionSet *to = &viewer->copy_set;
    int result = copy_table(&from->models, &to->models);
    result &= copy_table(&from->children, &to->children);
    for (int i = 0; i < 6; i++) result &= copy_table(&from->unused[i], &to->unused[i]);
    viewer->cut_mark = 0;
    return result;
}

int sel_cut(Viewer *viewer)
{
    if (!viewer) return 0;
    int result = sel_copy(viewer);
    viewer->cut_mark = 1;
    return result;
}

int sel_paste(Viewer *viewer)
{
    (void)viewer;
    return 1;
}

int sel_all_models(Viewer *viewer)
{
    if (!viewer) return 0;
    sel_clear(viewer);
    KeyedTable *xforms = &viewer->model_xforms;
    for (int32_t slot = 0; slot < xforms->capacity; slot++) {
        ModelXform *xform = static_cast<ModelXform *>(table_nth(xforms, slot, 0));
        if (!xform || !xform->model) continue;
        Model **entry = static_cast<Model **>(table_add(&viewer->selection.models, xform->id));
        if (!entry) return 0;
        *entry = xform->model;
    }
    return 1;
}

int sel_model(Viewer *viewer, int32_t id)
{
    if (!viewer) return 0;
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    Model *model = xform ? xform->model : link_model(viewer, id);
    if (!model) return 0;
    Model **slot = static_cast<Model **>(table_add(&viewer->selection.models, id));
    if (!slot) return 0;
    *slot = model;
    return 1;
}

int sel_child(Viewer *viewer, int32_t id)
{
    if (!viewer || !rcache_find_child_xform(viewer, id)) return 0;
    SelectedChild *entry = static_cast<SelectedChild *>(table_add(&viewer->selection.children, id));
    if (!entry) return 0;
    entry->unused = nullptr;
    entry->link_id = id;
    return 1;
}

int sel_translate(Viewer *viewer, float x, float y, float z, int relative)
{
    if (!sel_translate_fits(viewer, x, y, z, relative)) return 0;
    VectorStep step = {{x, y, z}, relative, 0};
    return each_selected(viewer, translate_step, &step);
}

// The rotation is the same for every model, so it is built once.
int sel_rotate(Viewer *viewer, const char *word0, const char *word1, const char *word2, int relative)
{
    if (!sel_rotate_fits(viewer, word0, word1, word2, relative)) return 0;
    RotateStep step;
    rotate_step_of(&viewer->selection, word0, word1, word2, relative, 0, &step);
    return each_selected(viewer, rotate_step, &step);
}

int sel_scale(Viewer *viewer, float x, float y, float z, int relative)
{
    if (!sel_scale_fits(viewer, x, y, z, relative)) return 0;
    VectorStep step = {{x, y, z}, relative, 0};
    return each_selected(viewer, scale_step, &step);
}

int sel_translate_fits(Viewer *viewer, float x, float y, float z, int relative)
{
    VectorStep step = {{x, y, z}, relative, 1};
    return viewer && each_selected(viewer, translate_step, &step);
}

int sel_rotate_fits(Viewer *viewer, const char *word0, const char *word1, const char *word2, int relative)
{
    if (!viewer) return 0;
    RotateStep step;
    rotate_step_of(&viewer->selection, word0, word1, word2, relative, 1, &step);
    return each_selected(viewer, rotate_step, &step);
}

int sel_scale_fits(Viewer *viewer, float x, float y, float z, int relative)
{
    VectorStep step = {{x, y, z}, relative, 1};
    return viewer && each_selected(viewer, scale_step, &step);
}

// The loaded-model key of each model id is indexed once, so the whole delete is
// one pass over the loaded models and one over the selection. An entry is only
// unloaded when its key's ModelXform and the loaded entry both hold the selected
// model itself.
int sel_delete(Viewer *viewer)
{
    if (!viewer) return 0;
    KeyedTable loaded_by_id;
    table_init(&loaded_by_id, sizeof(int32_t), KEY_INT);
    int result = 1;
    KeyedTable *loaded = &viewer->models;
    for (int32_t slot = 0; slot < loaded->capacity && result; slot++) {
        LoadedModel *entry = static_cast<LoadedModel *>(table_nth(loaded, slot, 0));
        ModelXform *xform = entry ? rcache_model_xform(viewer, entry->model) : nullptr;
        if (!xform) continue;
        int32_t *key = static_cast<int32_t *>(table_add(&loaded_by_id, xform->id));
        if (key) *key = loaded->slots[slot].key;
        else result = 0;
    }
    int unloaded = 0;
    KeyedTable *selected = &viewer->selection.models;
    for (int32_t slot = 0; slot < selected->capacity && result; slot++) {
        Model **entry = static_cast<Model **>(table_nth(selected, slot, 0));
        if (!entry) continue;
        int32_t id = selected->slots[slot].key;
        if (!entry_current(viewer, id, *entry)) continue;
        ModelXform *xform = rcache_find_model_xform(viewer, id);
        int32_t *key = static_cast<int32_t *>(table_find(&loaded_by_id, id));
        LoadedModel *owner = key ? static_cast<LoadedModel *>(table_find(loaded, *key)) : nullptr;
        if (!xform || xform->model != *entry || !owner || owner->model != *entry) {
            result = 0;
            break;
        }
        viewer_unload_model(viewer, *key);
        unloaded = 1;
    }
    table_free(&loaded_by_id);
    if (result) sel_clear(viewer);
    if (unloaded) {
        drop_stale(viewer, &viewer->selection);
        drop_stale(viewer, &viewer->copy_set);
    }
    return result;
}

int sel_pancake(Viewer *viewer)
{
    if (!viewer) return 0;
    return each_selected(viewer, pancake_step, nullptr);
}

int sel_add_data(Viewer *viewer, const char *text)
{
    if (!viewer || !text) return 0;
    return each_selected(viewer, add_data_step, text);
}

int sel_add_child(Viewer *viewer, int32_t id)
{
    if (!viewer || table_find(&viewer->selection.models, id)) return 0;
    if (!each_selected(viewer, add_child_step, &id)) return 0;
    sel_clear(viewer);
    return 1;
}

int sel_child_fits(Viewer *viewer, int32_t id)
{
    if (!viewer || table_find(&viewer->selection.models, id)) return 1;
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    if (!xform || !xform->model) return 1;
    // One walk of the files below the child serves every selected model.
    std::vector<Model *> models;
    KeyedTable *selected = &viewer->selection.models;
    for (int32_t slot = 0; slot < selected->capacity; slot++) {
        Model **entry = static_cast<Model **>(table_nth(selected, slot, 0));
        if (entry && entry_current(viewer, selected->slots[slot].key, *entry)) models.push_back(*entry);
    }
    if (models.empty()) return 1;
    ModChildCheck check = {};
    check.models = models.data();
    check.count = static_cast<int>(models.size());
    check.tree = xform->model;
    ModChildFile file;
    return mod_child_find(&check, xform->model->name, &file);
}

const float *sel_centre(Viewer *viewer)
{
    static float centre[3];
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    int first = 1;
    KeyedTable *selected = viewer ? &viewer->selection.models : nullptr;
    for (int32_t slot = 0; selected && slot < selected->capacity; slot++) {
        Model **entry = static_cast<Model **>(table_nth(selected, slot, 0));
        if (!entry || !entry_current(viewer, selected->slots[slot].key, *entry)) continue;
        ModelXform *xform = existing_xform(viewer, *entry);
        float box[6];
        model_bbox_hierarchy(box, *entry, xform ? &xform->matrix : nullptr);
        for (int i = 0; i < 3; i++) {
            float a = box[i];
            float b = box[i + 3];
            if (first) {
                low[i] = a < b ? a : b;
                high[i] = a < b ? b : a;
                continue;
            }
            low[i] = std::fmin(low[i], std::fmin(a, b));
            high[i] = std::fmax(high[i], std::fmax(a, b));
        }
        first = 0;
    }
    for (int i = 0; i < 3; i++) centre[i] = geom_midpoint(low[i], high[i]);
    return centre;
}

Model *sel_current_model(Viewer *viewer)
{
    if (!viewer) return nullptr;
    int32_t key = 0;
    Model **slot = static_cast<Model **>(table_first(&viewer->selection.models, &key));
    if (!slot) return nullptr;
    return entry_current(viewer, key, *slot) ? *slot : nullptr;
}

void sel_set_rotate_centre(Viewer *viewer, float x, float y, float z)
{
    if (!viewer) return;
    viewer->selection.rotate_centre[0] = x;
    viewer->selection.rotate_centre[1] = y;
    viewer->selection.rotate_centre[2] = z;
}

// A point on the centre, or so near it that the direction cannot be scaled to
// unit length, gives no axis rather than a vector of NaNs.
void sel_set_rotate_axis(Viewer *viewer, float x, float y, float z)
{
    if (!viewer) return;
    float *axis = viewer->selection.rotate_axis;
    const float *centre = viewer->selection.rotate_centre;
    axis[0] = x - centre[0];
    axis[1] = y - centre[1];
    axis[2] = z - centre[2];
    vec3_normalize(axis);
    if (!std::isfinite(axis[0]) || !std::isfinite(axis[1]) || !std::isfinite(axis[2]))
        axis[0] = axis[1] = axis[2] = 0.0f;
}

// The model of the child link of a child id, or null.
static Model *link_model(Viewer *viewer, int32_t id)
{
    Child *child = rcache_child_of(rcache_find_child_xform(viewer, id));
    return child ? child->model : nullptr;
}

// 1 when the key still names the model it was selected as: by its model id, else by the
// child id of a link holding it. Only compares addresses, so a freed model is safe to pass.
static int entry_current(Viewer *viewer, int32_t key, const Model *model)
{
    if (!model) return 0;
    ModelXform *xform = rcache_find_model_xform(viewer, key);
    if (xform && xform->model == model) return 1;
    return link_model(viewer, key) == model;
}

// The model's ModelXform when it has one; null otherwise (none is created).
static ModelXform *existing_xform(Viewer *viewer, Model *model)
{
    return model->viewer_index >= 0 ? rcache_model_xform(viewer, model) : nullptr;
}

// Runs the step on each current entry of the selection in slot order; 0 at the first failure.
static int each_selected(Viewer *viewer, ModelStep step, const void *data)
{
    KeyedTable *selected = &viewer->selection.models;
    for (int32_t slot = 0; slot < selected->capacity; slot++) {
        Model **entry = static_cast<Model **>(table_nth(selected, slot, 0));
        if (!entry) continue;
        int32_t key = selected->slots[slot].key;
        if (!entry_current(viewer, key, *entry)) continue;
        if (!step(viewer, key, *entry, data)) return 0;
    }
    return 1;
}

// Replaces to with a copy of from; 0 (to left empty) when out of memory.
static int copy_table(const KeyedTable *from, KeyedTable *to)
{
    table_free(to);
    if (table_copy(from, to)) return 1;
    table_init(to, from->element_size, from->kind);
    return 0;
}

// Removes the entries whose key no longer names their model, and links whose ChildXform is
// gone. Keys are gathered first, so the removal does not disturb the pass.
static void drop_stale(Viewer *viewer, SelectionSet *set)
{
    std::vector<int32_t> models;
    std::vector<int32_t> links;
    for (int32_t slot = 0; slot < set->models.capacity; slot++) {
        Model **entry = static_cast<Model **>(table_nth(&set->models, slot, 0));
        if (entry && !entry_current(viewer, set->models.slots[slot].key, *entry))
            models.push_back(set->models.slots[slot].key);
    }
    for (int32_t slot = 0; slot < set->children.capacity; slot++) {
        if (table_nth(&set->children, slot, 0) && !rcache_find_child_xform(viewer, set->children.slots[slot].key))
            links.push_back(set->children.slots[slot].key);
    }
    for (int32_t key : models) table_remove(&set->models, key);
    for (int32_t key : links) table_remove(&set->children, key);
}

static int is_zero(const float *v)
{
    return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f;
}

// Rows k, h, a: a frame whose third row is the axis. The first cross product is taken with
// z, or with x when the axis lies along z and that product vanishes.
static void axis_frame(const float *axis, Matrix4 *frame)
{
    static const float origin[3] = {0.0f, 0.0f, 0.0f};
    static const float z_unit[3] = {0.0f, 0.0f, 1.0f};
    static const float x_unit[3] = {1.0f, 0.0f, 0.0f};
    float h[3];
    float k[3];
    vec3_triangle_normal(origin, z_unit, axis, h);
    if (is_zero(h)) vec3_triangle_normal(origin, x_unit, axis, h);
    vec3_triangle_normal(origin, h, axis, k);
    mat4_identity(frame);
    for (int i = 0; i < 3; i++) {
        frame->m[i] = k[i];
        frame->m[4 + i] = h[i];
        frame->m[8 + i] = axis[i];
    }
}

// rotation = T(c) x F^-1 x rotation x F x T(-c) with a centre and axis, T(c) x rotation x T(-c)
// with a centre only; unchanged without a centre.
static void about_centre(const SelectionSet *set, Matrix4 *rotation)
{
    const float *c = set->rotate_centre;
    if (is_zero(c)) return;
    int has_axis = !is_zero(set->rotate_axis);
    Matrix4 m;
    mat4_identity(&m);
    mat4_translate(&m, -c[0], -c[1], -c[2]);
    Matrix4 frame;
    if (has_axis) {
        axis_frame(set->rotate_axis, &frame);
        mat4_multiply(&m, &frame, &m);
    }
    mat4_multiply(&m, rotation, rotation);
    if (has_axis) {
        Matrix4 inverse;
        mat4_invert(&frame, &inverse);
        mat4_multiply(rotation, &inverse, rotation);
    }
    Matrix4 back;
    mat4_identity(&back);
    mat4_translate(&back, c[0], c[1], c[2]);
    mat4_multiply(rotation, &back, rotation);
}

static int translate_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)key;
    const VectorStep *step = static_cast<const VectorStep *>(data);
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (!xform) return 0;
    ModelXform next = *xform;
    for (int i = 0; i < 3; i++)
        next.translation[i] = step->relative ? xform->translation[i] + step->value[i] : step->value[i];
    if (!place(model, xform, &next, step->check)) return 0;
    if (!step->check) viewer_fit_view_size(viewer, model);
    return 1;
}

static int rotate_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)key;
    const RotateStep *step = static_cast<const RotateStep *>(data);
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (!xform) return 0;
    ModelXform next = *xform;
    if (step->relative) mat4_multiply(&xform->rotation, &step->rotation, &next.rotation);
    else next.rotation = step->rotation;
    return place(model, xform, &next, step->check);
}

static int scale_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)key;
    const VectorStep *step = static_cast<const VectorStep *>(data);
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (!xform) return 0;
    ModelXform next = *xform;
    for (int i = 0; i < 3; i++) next.scale[i] = step->relative ? xform->scale[i] * step->value[i] : step->value[i];
    return place(model, xform, &next, step->check);
}

// The step of a rotation by three rotation words about the selection's rotate centre and axis.
static void rotate_step_of(const SelectionSet *set, const char *word0, const char *word1, const char *word2,
                           int relative, int check, RotateStep *step)
{
    mat4_from_rotation_text(&step->rotation, word0, word1, word2);
    about_centre(set, &step->rotation);
    step->relative = relative;
    step->check = check;
}

// Gives the next placement its matrix; with check only tells whether it fits, else makes it
// the model's placement.
static int place(Model *model, ModelXform *xform, ModelXform *next, int check)
{
    rcache_update_model_xform(next);
    if (check) return placement_fits(model, next);
    *xform = *next;
    return 1;
}

// The box is that of the model and its children, placed; NaN fails every comparison.
static int placement_fits(Model *model, const ModelXform *xform)
{
    for (float value : xform->matrix.m)
        if (!std::isfinite(value)) return 0;
    float box[6];
    model_bbox_hierarchy(box, model, &xform->matrix);
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    float placed[3];
    mat4_transform_point(&xform->matrix, origin, placed);
    for (int i = 0; i < 3; i++) {
        if (!(std::fabs(placed[i]) <= SEL_PLACEMENT_LIMIT)) return 0;
        if (!(std::fabs(xform->translation[i]) <= SEL_PLACEMENT_LIMIT)) return 0;
    }
    for (float value : box)
        if (!(std::fabs(value) <= SEL_PLACEMENT_LIMIT)) return 0;
    return 1;
}

static int pancake_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)viewer;
    (void)key;
    (void)data;
    return model_pancake(model);
}

static int add_data_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)viewer;
    (void)key;
    return mod_read_added_text(model, static_cast<const char *>(data));
}

// The parent gets a copy of the model of the id, so that every parent (and the viewer,
// which keeps the original loaded) frees only what it owns.
static int add_child_step(Viewer *viewer, int32_t key, Model *model, const void *data)
{
    (void)key;
    ModelXform *xform = rcache_find_model_xform(viewer, *static_cast<const int32_t *>(data));
    if (!xform || !xform->model) return 0;
    Model *copy = model_copy(xform->model, model);
    if (!copy) return 0;
    int32_t child_id = static_cast<int32_t>(g_model_ids.child);
    if (!model_add_child(model, copy, xform->model->name, xform->translation[0], xform->translation[1],
                         xform->translation[2], xform->scale[0], xform->scale[1], xform->scale[2],
                         xform->rotation_words[0], xform->rotation_words[1], xform->rotation_words[2])) {
        model_free(copy);
        return 0;
    }
    Child *child = static_cast<Child *>(table_find(&model->children, child_id));
    if (child) {
        rcache_child_xform(viewer, model, child);
        rcache_link_children(viewer, child->model);
    }
    return 1;
}
