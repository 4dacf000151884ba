#include "viewer/loaded_models.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/geometry.h"
#include "foundation/last_error.h"
#include "foundation/str.h"
#include "formats/anim_file.h"
#include "formats/mod_loader.h"
#include "formats/mod_writer.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/point.h"
#include "viewer/anim_pose.h"
#include "viewer/selection.h"

// Room for one formatted status line.
constexpr int STATUS_LINE_SIZE = 512;
// What the save entry points that are not built post.
static const char SAVE_NOT_IMPLEMENTED[] = "Save not implemented";

// What a reload reopens: a scene list, or else a list of model files.
struct ReloadList {
    char *scene_path;               // heap copy, or null
    std::vector<std::string> paths; // in loaded-model order
};

// Shared array of loaded-model keys, only ever grown.
static int32_t *g_model_keys = nullptr;
static int g_model_keys_capacity = 0;
// Next loaded-model key: from 1, never reused.
static int32_t g_next_loaded_model_key = 1;
// Files of a reload that failed, kept so that the next reload with nothing open retries them.
static ReloadList g_reload_kept;
// Heap copy of the last message text, whole; null before the first.
static char *g_last_message = nullptr;

static void free_reload_list(ReloadList *list);
static int reload_from(Viewer *viewer, ReloadList *list, int keep_view);
static void unload_entry(Viewer *viewer, LoadedModel *entry);

void viewer_set_status_hook(Viewer *viewer, ViewerTextHook hook)
{
    if (viewer) viewer->status_hook = hook;
}

void viewer_set_message_hook(Viewer *viewer, ViewerTextHook hook)
{
    if (viewer) viewer->message_hook = hook;
}

void viewer_set_physics_hooks(Viewer *viewer, ViewerRescaleHook rescale, ViewerCollideHook release)
{
    if (!viewer) return;
    viewer->rescale_hook = rescale;
    viewer->collide_release_hook = release;
}

void viewer_status(Viewer *viewer, const char *text)
{
    if (!viewer || !text || !viewer->status_hook) return;
    char line[STATUS_LINE_SIZE];
    snprintf(line, sizeof line, "Time: %.2f of %.2f, Triangles: %d, %s", static_cast<double>(viewer->time),
             static_cast<double>(viewer->end_time), viewer->frame_triangles, text);
    viewer->status_hook(line);
}

// The text is copied first: the hooks run Tcl, and a command run from there may
// replace the last-error text the caller passed in.
void viewer_message(Viewer *viewer, const char *text)
{
    if (!viewer || !text) return;
    std::string copy(text);
    free(g_last_message);
    g_last_message = str_dup(copy.c_str());
    viewer->last_message = g_last_message;
    if (viewer->message_hook) viewer->message_hook(copy.c_str());
    if (viewer->status_hook) viewer->status_hook(copy.c_str());
}

int32_t viewer_load_model(Viewer *viewer, const char *path)
{
    if (!viewer) return 0;
    std::string file(path ? path : "");
    viewer_status(viewer, "Loading...");
    Model *model = path ? mod_load(file.c_str()) : nullptr;
    if (!model) {
        const char *reason = err_last();
        if (reason) viewer_message(viewer, reason);
        viewer_message(viewer, "Load failed");
        return 0;
    }
    viewer_fit_view_size(viewer, model);
    int32_t id = viewer_insert_model(viewer, model, nullptr);
    viewer_status(viewer, "Ready");
    return id;
}

int32_t viewer_add_model(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return 0;
    viewer_fit_view_size(viewer, model);
    int32_t id = viewer_insert_model(viewer, model, nullptr);
    viewer_status(viewer, "Ready");
    return id;
}

// The child links get their ids at once, depth first, so that they can be
// found and selected by child id before the first frame is drawn.
int32_t viewer_insert_model(Viewer *viewer, Model *model, AnimSet *animation)
{
    if (!viewer || !model) return 0;
    int32_t key = g_next_loaded_model_key++;
    LoadedModel *entry = static_cast<LoadedModel *>(table_add(&viewer->models, key));
    if (!entry) return 0;
    entry->model = model;
    entry->animation = animation;
    // A scene list opens with nothing loaded and is named only once its models are in.
    entry->beside_scene = viewer->anim_path != nullptr;
    ModelXform *xform = rcache_model_xform(viewer, model);
    rcache_link_children(viewer, model);
    return xform ? xform->id : 0;
}

int32_t viewer_new_model(Viewer *viewer, const char *name)
{
    if (!viewer || !name) return 0;
    viewer_close_all(viewer);
    Model *model = model_create(name, nullptr);
    if (!model) return 0;
    int32_t id = viewer_insert_model(viewer, model, nullptr);
    if (id > 0) sel_model(viewer, id);
    return id;
}

int viewer_model_count(Viewer *viewer)
{
    return viewer ? table_count(&viewer->models) : 0;
}

const int32_t *viewer_model_keys(Viewer *viewer)
{
    int n = viewer_model_count(viewer);
    if (n <= 0) return nullptr;
    if (n + 1 > g_model_keys_capacity) {
        int32_t *bigger = static_cast<int32_t *>(realloc(g_model_keys, sizeof(int32_t) * static_cast<size_t>(n + 1)));
        if (!bigger) return nullptr;
        g_model_keys = bigger;
        g_model_keys_capacity = n + 1;
    }
    int i = 0;
    int32_t key = 0;
    for (void *entry = table_first(&viewer->models, &key); entry && i < n; entry = table_next(&viewer->models, &key))
        g_model_keys[i++] = key;
    g_model_keys[i] = 0;
    return g_model_keys;
}

int32_t viewer_find_model_key(Viewer *viewer, const char *name)
{
    if (!viewer || !name) return 0;
    for (ModelXform *xform = static_cast<ModelXform *>(table_first(&viewer->model_xforms)); xform;
         xform = static_cast<ModelXform *>(table_next(&viewer->model_xforms)))
        if (xform->model && strcmp(xform->model->name, name) == 0) return xform->id;
    for (ChildXform *link = static_cast<ChildXform *>(table_first(&viewer->child_xforms)); link;
         link = static_cast<ChildXform *>(table_next(&viewer->child_xforms))) {
        Child *child = rcache_child_of(link);
        if (child && child->model && strcmp(child->model->name, name) == 0) return link->id;
    }
    return 0;
}

int viewer_rename_model(Viewer *viewer, int32_t id, const char *path)
{
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    if (!xform || !xform->model) return 0;
    return model_set_path(xform->model, path);
}

int viewer_save_model(Viewer *viewer, int32_t id)
{
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    if (!xform || !xform->model) return 0;
    return mod_write(xform->model);
}

// Saving a scene list, an animation, every open model at once or the selection
// is not built: each of these only tells the user so.
int viewer_save_scene_not_implemented(Viewer *viewer)
{
    viewer_message(viewer, SAVE_NOT_IMPLEMENTED);
    return 0;
}

int viewer_save_animation_not_implemented(Viewer *viewer)
{
    viewer_message(viewer, SAVE_NOT_IMPLEMENTED);
    return 0;
}

int viewer_save_all_not_implemented(Viewer *viewer)
{
    viewer_message(viewer, SAVE_NOT_IMPLEMENTED);
    return 0;
}

int viewer_save_selection_not_implemented(Viewer *viewer)
{
    viewer_message(viewer, SAVE_NOT_IMPLEMENTED);
    return 0;
}

std::vector<std::string> viewer_model_images(Viewer *viewer, int32_t id)
{
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    if (!xform || !xform->model) return {};
    return model_image_names(xform->model);
}

// With models open, what they were loaded from replaces anything kept from an
// earlier failed reload: the scene list, then the models added beside it, or
// else every model. With none open, the kept files are tried again, and the
// view size grows to them, since there is none of theirs to keep. The list is
// taken out of the global while it is used, since the loads run Tcl hooks from
// which another reload may start. A reload that succeeds keeps the view size
// and focus the close reset (a model file that grew still grows the view
// size); one that fails leaves everything closed.
int viewer_reload_all(Viewer *viewer)
{
    if (!viewer) return 0;
    float view_size = viewer->view_size;
    float focus[3] = {viewer->focus[0], viewer->focus[1], viewer->focus[2]};
    ReloadList list;
    list.scene_path = nullptr;
    LoadedModel *entry = static_cast<LoadedModel *>(table_first(&viewer->models));
    int retry = entry == nullptr;
    if (!retry) {
        if (viewer->anim_path) list.scene_path = str_dup(viewer->anim_path);
        for (; entry; entry = static_cast<LoadedModel *>(table_next(&viewer->models))) {
            if (viewer->anim_path && !entry->beside_scene) continue;
            list.paths.push_back(std::string(entry->model->directory) + entry->model->name + ".mod");
        }
        free_reload_list(&g_reload_kept);
    } else {
        list.scene_path = g_reload_kept.scene_path;
        list.paths.swap(g_reload_kept.paths);
        g_reload_kept.scene_path = nullptr;
    }
    viewer_close_all(viewer);
    int result = reload_from(viewer, &list, !retry);
    if (result) {
        free_reload_list(&list);
        if (viewer->view_size < view_size) viewer->view_size = view_size;
        for (int i = 0; i < 3; i++) viewer->focus[i] = focus[i];
    } else {
        free_reload_list(&g_reload_kept);
        g_reload_kept.scene_path = list.scene_path;
        g_reload_kept.paths.swap(list.paths);
    }
    return result;
}

// Selections are emptied too: they hold pointers to the models freed here.
int viewer_close_all(Viewer *viewer)
{
    if (!viewer) return 0;
    viewer_status(viewer, "Closing currently open Model file");
    for (LoadedModel *entry = static_cast<LoadedModel *>(table_first(&viewer->models)); entry;
         entry = static_cast<LoadedModel *>(table_next(&viewer->models)))
        unload_entry(viewer, entry);
    table_clear(&viewer->models);
    sel_clear(viewer);
    sel_clear_copy(viewer);
    viewer->end_time = 0.0f;
    viewer_reset_view_size(viewer);
    free(viewer->anim_path);
    viewer->anim_path = nullptr;
    viewer_status(viewer, "Ready");
    return 1;
}

// Models riding on the one unloaded lose their link first; close-all needs no such
// walk, since every model goes at once.
int viewer_unload_model(Viewer *viewer, int32_t key)
{
    if (!viewer) return 0;
    LoadedModel *entry = static_cast<LoadedModel *>(table_find(&viewer->models, key));
    if (!entry) return 0;
    viewer_detach_riders(viewer, entry->model);
    unload_entry(viewer, entry);
    table_remove(&viewer->models, key);
    return 1;
}

// Walks by slot: callers may be inside a walk of the models table.
void viewer_detach_riders(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return;
    for (int32_t i = 0; i < viewer->models.capacity; i++) {
        LoadedModel *entry = static_cast<LoadedModel *>(table_nth(&viewer->models, i, 0));
        if (entry && entry->animation && entry->animation->parent_model == model)
            anim_clear_parent(entry->animation);
    }
}

const float *viewer_focus_all(Viewer *viewer)
{
    static float none[3] = {0.0f, 0.0f, 0.0f};
    if (!viewer) return none;
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    int first = 1;
    for (LoadedModel *entry = static_cast<LoadedModel *>(table_first(&viewer->models)); entry;
         entry = static_cast<LoadedModel *>(table_next(&viewer->models))) {
        ModelXform *xform = rcache_model_xform(viewer, entry->model);
        float box[6];
        model_bbox_hierarchy(box, entry->model, xform ? &xform->matrix : nullptr);
        for (int i = 0; i < 3; i++) {
            if (first || box[i] < low[i]) low[i] = box[i];
            if (first || box[i + 3] > high[i]) high[i] = box[i + 3];
        }
        first = 0;
    }
    for (int i = 0; i < 3; i++) viewer->focus[i] = geom_midpoint(low[i], high[i]);
    return viewer->focus;
}

float viewer_view_size(Viewer *viewer)
{
    return viewer ? viewer->view_size : 0.0f;
}

CollideCache *viewer_find_collide(Viewer *viewer, const char *model_name, const char *collide_name)
{
    if (!viewer || !model_name || !collide_name) return nullptr;
    for (ModelXform *xform = static_cast<ModelXform *>(table_first(&viewer->model_xforms)); xform;
         xform = static_cast<ModelXform *>(table_next(&viewer->model_xforms))) {
        if (!xform->model || strcmp(xform->model->name, model_name) != 0) continue;
        CollideObject *object = model_find_collide(xform->model, collide_name);
        if (object) return rcache_collide(viewer, object);
    }
    return nullptr;
}

// Every viewer that was given a message shares the one process-wide copy; a
// viewer's own pointer may name a copy already replaced, so it is not read.
const char *viewer_last_message(Viewer *viewer)
{
    return viewer && viewer->last_message ? g_last_message : nullptr;
}

int32_t viewer_frame_triangles(Viewer *viewer)
{
    return viewer ? viewer->frame_triangles : 0;
}

float viewer_time(Viewer *viewer)
{
    return viewer ? viewer->time : 0.0f;
}

float viewer_end_time(Viewer *viewer)
{
    return viewer ? viewer->end_time : 0.0f;
}

void viewer_fit_view_size(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return;
    float size[3];
    model_bbox_size(size, model, nullptr);
    ModelXform *xform = rcache_model_xform(viewer, model);
    float largest = 0.0f;
    for (int i = 0; i < 3; i++) {
        float extent = size[i] + (xform ? xform->translation[i] : 0.0f);
        if (i == 0 || extent > largest) largest = extent;
    }
    float s = 2.0f * largest;
    if (s > viewer->view_size) viewer->view_size = s;
}

void viewer_reset_view_size(Viewer *viewer)
{
    if (!viewer) return;
    viewer->view_size = 100.0f;
    viewer->focus[0] = viewer->focus[1] = viewer->focus[2] = 0.0f;
}

static void free_reload_list(ReloadList *list)
{
    free(list->scene_path);
    list->scene_path = nullptr;
    list->paths.clear();
}

// Opens what the list names, the scene list first and then the model files;
// 0 (with everything closed again) when any of it fails. keep_view: the scene
// list leaves the view size alone.
static int reload_from(Viewer *viewer, ReloadList *list, int keep_view)
{
    if (list->scene_path && !anim_open_scene(viewer, list->scene_path, keep_view)) {
        viewer_close_all(viewer);
        return 0;
    }
    size_t loaded = 0;
    for (const std::string &path : list->paths)
        if (viewer_load_model(viewer, path.c_str()) > 0) loaded++;
    if (loaded != list->paths.size()) {
        viewer_close_all(viewer);
        return 0;
    }
    return 1;
}

static void unload_entry(Viewer *viewer, LoadedModel *entry)
{
    viewer_release_model_caches(viewer, entry->model);
    model_free(entry->model);
    anim_destroy(entry->animation);
    entry->model = nullptr;
    entry->animation = nullptr;
}

