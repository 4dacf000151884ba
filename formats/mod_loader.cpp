#include "formats/mod_loader.h"

#include "formats/mod_reader.h"
#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_query.h"

#include <cstring>
#include <string>

// Deepest nesting of child models; deeper trees (a model naming itself) are refused.
constexpr int MAX_CHILD_DEPTH = 32;
// Most models one load builds, the top model included: far above any real scene, it stops
// files that name their child several times from multiplying into millions of models.
constexpr int32_t MAX_LOAD_MODELS = 65536;

static Model *load_tree(const char *path, Model *parent, int32_t *built);
static void bind_joints(Model *model);
static int load_children(Model *model, int32_t *built);
static int depth_of(const Model *model);

Model *mod_load(const char *path)
{
    return mod_load_tree(path, nullptr);
}

Model *mod_load_tree(const char *path, Model *parent)
{
    int32_t built = 0;
    return load_tree(path, parent, &built);
}

// Loads one model and its children as mod_load_tree does, counting every model built by
// this load in built.
static Model *load_tree(const char *path, Model *parent, int32_t *built)
{
    if (!path || !file_exists(path)) {
        err_setf("could not find: %s", path ? path : "");
        return nullptr;
    }
    Model *model = model_create(path, parent);
    int ok = model != nullptr;
    if (ok) (*built)++;
    if (ok && !mod_read_file(model, path)) {
        // A file that vanished or could not be opened (five files open) gives no line message.
        if (!err_last()) err_setf("could not read: %s", path);
        ok = 0;
    }
    if (ok) {
        bind_joints(model);
        ok = model_check_normals(model);
    }
    if (ok) ok = load_children(model, built);
    if (!ok && model) {
        model_free(model);
        model = nullptr;
    }
    return model;
}

// Gives points, in point-table order, their joints: each joint its count of points
// with its parent as second joint, then each blend its count with its two joints.
// Every joint's parent index is recomputed, as the file may name a parent before it.
static void bind_joints(Model *model)
{
    Point *point = static_cast<Point *>(table_first(&model->points));
    for (Joint *joint = static_cast<Joint *>(table_first(&model->joints)); joint;
         joint = static_cast<Joint *>(table_next(&model->joints))) {
        int root = strcmp(joint->parent_name, "world") == 0;
        joint->parent_index = root ? -1 : model_joint_index(model, joint->parent_name);
        if (!point) continue;
        Joint *parent = model_find_joint(model, joint->parent_name);
        for (int k = 0; k < joint->point_count && point; k++) {
            point->joint = joint;
            point->second_joint = parent;
            point = static_cast<Point *>(table_next(&model->points));
        }
    }
    for (Blend *blend = static_cast<Blend *>(table_first(&model->blends)); blend && point;
         blend = static_cast<Blend *>(table_next(&model->blends))) {
        for (int k = 0; k < blend->point_count && point; k++) {
            point->joint = blend->joint;
            point->second_joint = blend->second_joint;
            point = static_cast<Point *>(table_next(&model->points));
        }
    }
}

// Loads every child whose model is not loaded yet from the model's directory; 0 with
// the message of the first child that cannot be found or loaded, or once the load has
// built its most models.
static int load_children(Model *model, int32_t *built)
{
    int ok = 1;
    // Slots are visited by index: the child loads walk tables of their own.
    for (int32_t slot = 0; ok && slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (!child || child->model) continue;
        std::string path = std::string(model->directory) + child->name + ".mod";
        if (!file_exists(path.c_str())) {
            err_setf("%s: %s", "Cannot find child model", path.c_str());
            ok = 0;
        } else if (depth_of(model) >= MAX_CHILD_DEPTH) {
            err_setf("%s: %s", "Child models nested too deeply", path.c_str());
            ok = 0;
        } else if (*built >= MAX_LOAD_MODELS) {
            err_setf("%s: %s", "Too many child models", path.c_str());
            ok = 0;
        } else {
            Model *loaded = load_tree(path.c_str(), model, built);
            if (loaded) child->model = loaded;
            else ok = 0;
        }
    }
    return ok;
}

// Number of ancestors of the model.
static int depth_of(const Model *model)
{
    int depth = 0;
    for (const Model *m = model->parent; m; m = m->parent) depth++;
    return depth;
}
