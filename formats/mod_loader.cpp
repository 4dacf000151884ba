#include "formats/mod_loader.h"

#include "formats/mod_reader.h"
#include "formats/text_reader.h"
#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/path.h"
#include "model/model.h"
#include "model/model_query.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Deepest nesting of child models; deeper trees (a model naming itself) are refused.
constexpr int MAX_CHILD_DEPTH = 32;
// Most models one load builds, the top model included: far above any real scene, it stops
// files that name their child several times from multiplying into millions of models.
constexpr int32_t MAX_LOAD_MODELS = 65536;

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

static Model *load_tree(const char *path, const char *open_path, Model *parent, int32_t *built);
static void bind_joints(Model *model);
static int load_children(Model *model, int32_t *built);
static int plan_copy(const LoadedChild *loaded, int32_t *built, ModelIdCounters *shift);
static int make_copies(Model *model, const std::vector<PlannedCopy> &copies);
static int depth_of(const Model *model);
// Files still to read by mod_child_loops, each a path from the current folder without ".mod",
// and the folder of the file being read, which its child lines are found in.
struct ChildWalk {
    std::vector<std::string> pending;
    std::string directory;
};

static std::string lowered(const char *text);
static void gather_child_name(void *user);
static void tree_child_names(Model *tree, std::vector<std::string> *names);

const char MOD_CHILD_LOOP[] = "Child model would contain its parent";

Model *mod_load(const char *path)
{
    return mod_load_tree(path, nullptr);
}

Model *mod_load_tree(const char *path, Model *parent)
{
    int32_t built = 0;
    if (!file_check_readable(path, nullptr, "could not find")) return nullptr;
    return load_tree(path, path, parent, &built);
}

// Loads one model, whose file is known to exist, and its children as mod_load_tree does,
// counting every model built by this load in built. Messages name path; the file is opened
// as open_path (the same file, found on disk already).
static Model *load_tree(const char *path, const char *open_path, Model *parent, int32_t *built)
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
// built its most models. A file named by several child lines is read once: the further
// instances get copies of the first, with the ids a new read would have given them, made
// after the last child line has been gone through.
static int load_children(Model *model, int32_t *built)
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
        std::string path = std::string(model->directory) + child->name + ".mod";
        std::string open_path = found_directory + child->name + ".mod";
        if (!file_check_readable(open_path.c_str(), path.c_str(), "Cannot find child model")) {
            ok = 0;
        } else if (depth_of(model) >= MAX_CHILD_DEPTH) {
            err_setf("%s: %s", "Child models nested too deeply", path.c_str());
            ok = 0;
        } else if (*built >= MAX_LOAD_MODELS) {
            err_setf("%s: %s", "Too many child models", path.c_str());
            ok = 0;
        } else {
            LoadedChild first;
            first.before = g_model_ids;
            int32_t built_before = *built;
            first.model = load_tree(path.c_str(), open_path.c_str(), model, built);
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
    if (*built > MAX_LOAD_MODELS - loaded->models) return 0;
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

int mod_child_loops(const Model *model, const char *name, Model *tree)
{
    return mod_child_loops_any(&model, 1, name, tree);
}

// A name below the child that is some model's own name, or that of a model above it, is a loop
// for that model; so the names of every model and those above it are gathered in one set.
int mod_child_loops_any(const Model *const *models, int count, const char *name, Model *tree)
{
    if (!models || !name) return 0;
    std::unordered_set<std::string> above;
    for (int i = 0; i < count; i++)
        for (const Model *m = models[i]; m; m = m->parent) above.insert(lowered(m->name));
    if (above.empty()) return 0;
    ChildWalk walk;
    walk.pending.push_back(name);
    if (tree) tree_child_names(tree, &walk.pending);
    const char *last = err_last();
    int had_error = last != nullptr;
    std::string error = last ? last : "";
    // Each file is read once, so files that name each other end the walk too.
    std::unordered_set<std::string> read;
    int loops = 0;
    while (!walk.pending.empty() && !loops) {
        std::string file = walk.pending.back() + ".mod";
        walk.pending.pop_back();
        const char *leaf = path_leaf_name(file.c_str());
        const char *directory = path_directory(file.c_str());
        if (!leaf || !directory) continue;
        if (above.count(leaf)) {
            loops = 1;
            continue;
        }
        // Known by the file it opens, not by its spelling: "./x" and ".//x" are one file.
        walk.directory = directory;
        std::string open_path = path_resolve(file.c_str());
        char *real = realpath(open_path.c_str(), nullptr);
        if (!real) continue;
        int first = read.insert(real).second;
        free(real);
        if (first) reader_run_file(open_path.c_str(), "#", 1, gather_child_name, &walk);
    }
    err_set(had_error ? error.c_str() : nullptr);
    return loops;
}

// The text lower-cased, as model names are kept.
static std::string lowered(const char *text)
{
    std::string out = text ? text : "";
    for (char &c : out) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return out;
}

// Line callback of the walk (user value: the ChildWalk): each child line's file, found in
// the folder of the file being read, goes on the list.
static void gather_child_name(void *user)
{
    if (reader_token_count() < 2 || !reader_token_is("child", 0)) return;
    ChildWalk *walk = static_cast<ChildWalk *>(user);
    walk->pending.push_back(walk->directory + reader_token_text(1));
}

// Appends the names of every child line of the tree, depth first: a save writes them as
// they are, and the saved files are found from the current folder.
static void tree_child_names(Model *tree, std::vector<std::string> *names)
{
    for (int32_t slot = 0; slot < tree->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&tree->children, slot, 0));
        if (!child) continue;
        names->push_back(child->name);
        if (child->model) tree_child_names(child->model, names);
    }
}
