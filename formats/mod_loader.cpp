#include "formats/mod_loader.h"

#include "formats/mod_child.h"
#include "formats/mod_reader.h"
#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/path.h"
#include "model/model.h"
#include "model/model_query.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A child model this load read from its file, which further child lines of the same
// model naming the same file receive copies of.
struct LoadedChild {
    Model *model;             // the first instance, as loaded
    ModelIdCounters before;   // the id counters when its load began
    ModelIdCounters after;    // the id counters when it ended
    int32_t models;           // models its load built, itself included
};

// A child line that receives a copy of an earlier instance once every child line of its
// model has been gone through: the copy's ids were fixed when its turn came, so a load that
// fails further on (at the model cap, say) has built no copy in vain.
struct PlannedCopy {
    int32_t slot;               // the child record's slot
    const LoadedChild *loaded;  // the instance it copies
    ModelIdCounters shift;      // what its ids are raised by
};

// The files being read by one load, from the top model's down to the model being read, each by
// its identity: a child line naming one of them would lead back to it.
typedef std::unordered_set<std::string> FilesAbove;

static Model *load_tree(const char *path, const char *open_path, Model *parent, int32_t *built,
                        FilesAbove *above);
static void bind_joints(Model *model);
static int load_children(Model *model, int32_t *built, FilesAbove *above);
static int plan_copy(const LoadedChild *loaded, int32_t *built, ModelIdCounters *shift);
static int make_copies(Model *model, const std::vector<PlannedCopy> &copies);
static int depth_of(const Model *model);
Model *mod_load(const char *path)
{
    return mod_load_tree(path, nullptr);
}

Model *mod_load_tree(const char *path, Model *parent)
{
    int32_t built = 0;
    if (!file_check_readable(path, nullptr, "could not find")) return nullptr;
    FilesAbove above;
    return load_tree(path, path, parent, &built, &above);
}

// Loads one model, whose file is known to exist, and its children as mod_load_tree does,
// counting every model built by this load in built. Messages name path; the file is opened
// as open_path (the same file, found on disk already); above holds the files being read above it.
static Model *load_tree(const char *path, const char *open_path, Model *parent, int32_t *built,
                        FilesAbove *above)
{
    Model *model = model_create(path, parent);
    int ok = model != nullptr;
    if (ok) (*built)++;
    if (ok && !mod_read_file_named(model, open_path, path)) {
        // A file that vanished or could not be opened (five files open) gives no line message.
        if (!err_last()) err_setf("could not read: %s", path);
        ok = 0;
    }
    if (ok) {
        bind_joints(model);
        ok = model_check_normals(model);
    }
    if (ok) {
        // Its children must not lead back to it while it is being read.
        std::string file = mod_child_identity(open_path);
        int entered = !file.empty() && above->insert(file).second;
        ok = load_children(model, built, above);
        if (entered) above->erase(file);
    }
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
// the message of the first child that cannot be found, leads back to a file being read
// (mod_child_find) or cannot be loaded, or once the load has built its most models. A file
// named by several child lines is read once: the further instances get copies of the first, with the ids a new read would have given them, made
// after the last child line has been gone through.
static int load_children(Model *model, int32_t *built, FilesAbove *above)
{
    int ok = 1;
    std::vector<PlannedCopy> copies;
    // The directory as it lies on disk, found once: it is stored as written, and finding
    // such a path again for every child would read each folder on the way once per child.
    std::string found_directory;
    int directory_found = 0;
    std::unordered_map<std::string, LoadedChild> loaded_files;
    // Slots are visited by index: the child loads walk tables of their own.
    for (int32_t slot = 0; ok && slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (!child || child->model) continue;
        auto earlier = loaded_files.find(child->name);
        if (earlier != loaded_files.end()) {
            PlannedCopy copy;
            copy.slot = slot;
            copy.loaded = &earlier->second;  // map nodes do not move
            if (plan_copy(copy.loaded, built, &copy.shift)) {
                copies.push_back(copy);
                continue;
            }
        }
        if (!directory_found) {
            found_directory = path_resolve(model->directory);
            directory_found = 1;
        }
        ModChildCheck check = {};
        check.loading = 1;
        check.directory = model->directory;
        check.found_directory = found_directory.c_str();
        check.above = above;
        ModChildFile file;
        if (!mod_child_find(&check, child->name, &file)) {
            ok = 0;
        } else if (depth_of(model) >= MOD_MAX_CHILD_DEPTH) {
            err_setf("%s: %s", MOD_CHILD_NESTED, file.path.c_str());
            ok = 0;
        } else if (*built >= MOD_MAX_LOAD_MODELS) {
            err_setf("%s: %s", MOD_CHILD_MANY, file.path.c_str());
            ok = 0;
        } else {
            LoadedChild first;
            first.before = g_model_ids;
            int32_t built_before = *built;
            first.model = load_tree(file.path.c_str(), file.open_path.c_str(), model, built, above);
            if (first.model) {
                child->model = first.model;
                first.after = g_model_ids;
                first.models = *built - built_before;
                if (earlier == loaded_files.end()) loaded_files.emplace(child->name, first);
            } else {
                ok = 0;
            }
        }
    }
    return ok && make_copies(model, copies);
}

// Gives one more child line the ids a new load of the earlier instance's file would give
// it: shift gets what its copy's ids are raised by, and the counters advance as that load
// would advance them. 0 (nothing changed) when the copy would take the load past its most
// models (the load itself then gives the message at the very model a read would); built
// counts the copy.
static int plan_copy(const LoadedChild *loaded, int32_t *built, ModelIdCounters *shift)
{
    if (*built > MOD_MAX_LOAD_MODELS - loaded->models) return 0;
    shift->child = g_model_ids.child - loaded->before.child;
    shift->collide = g_model_ids.collide - loaded->before.collide;
    shift->joint = g_model_ids.joint - loaded->before.joint;
    shift->blend = g_model_ids.blend - loaded->before.blend;
    shift->face = g_model_ids.face - loaded->before.face;
    shift->strip = g_model_ids.strip - loaded->before.strip;
    shift->line = g_model_ids.line - loaded->before.line;
    g_model_ids.child += loaded->after.child - loaded->before.child;
    g_model_ids.collide += loaded->after.collide - loaded->before.collide;
    g_model_ids.joint += loaded->after.joint - loaded->before.joint;
    g_model_ids.blend += loaded->after.blend - loaded->before.blend;
    g_model_ids.face += loaded->after.face - loaded->before.face;
    g_model_ids.strip += loaded->after.strip - loaded->before.strip;
    g_model_ids.line += loaded->after.line - loaded->before.line;
    *built += loaded->models;
    return 1;
}

// Stores each planned copy in its child record; 0 ("out of memory") when one cannot be made.
static int make_copies(Model *model, const std::vector<PlannedCopy> &copies)
{
    for (const PlannedCopy &planned : copies) {
        Child *child = static_cast<Child *>(table_nth(&model->children, planned.slot, 0));
        Model *copy = model_copy(planned.loaded->model, model);
        if (copy && !model_shift_ids(copy, &planned.shift)) {
            model_free(copy);
            copy = nullptr;
        }
        if (!copy) {
            err_set("out of memory");
            return 0;
        }
        child->model = copy;
    }
    return 1;
}

// Number of ancestors of the model.
static int depth_of(const Model *model)
{
    int depth = 0;
    for (const Model *m = model->parent; m; m = m->parent) depth++;
    return depth;
}
