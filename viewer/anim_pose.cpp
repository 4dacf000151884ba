#include "viewer/anim_pose.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/anim_eval.h"
#include "formats/anim_file.h"
#include "formats/anim_scene.h"
#include "foundation/matrix4.h"
#include "foundation/str.h"
#include "model/model.h"
#include "viewer/loaded_models.h"

// Part of a frame by which a time may fall short of a whole frame and still count as
// it when snapped: times are floats, and 0.7 x 30 is 20.99999...
constexpr double SNAP_TOLERANCE = 0.001;
// Room for the status text of the time.
constexpr int TIME_TEXT_SIZE = 128;
// Time of a ModelXform not yet posed in the current pass.
constexpr float NOT_POSED = -1.0f;

static void pose_once(Viewer *viewer, float t, Model *model, AnimSet *set);
static void place_model(Viewer *viewer, float t, Model *model, AnimSet *set);
static void set_gl_copy(const Matrix4 *matrix, float *gl);
static void skin_point(Viewer *viewer, Model *model, Point *point);
static const JointCache *posed_joint(Viewer *viewer, Model *model, Joint *joint);
static void blend3(const float *a, const float *b, float w, float *out);

void anim_set_fps(Viewer *viewer, int32_t fps)
{
    if (!viewer || fps < ANIM_FPS_MIN || fps > ANIM_FPS_MAX) return;
    viewer->fps = fps;
    viewer->frame_step = 1.0f / static_cast<float>(fps);
    double frames = std::trunc(static_cast<double>(viewer->time) * fps + SNAP_TOLERANCE);
    viewer->time = static_cast<float>(frames / fps);
    if (viewer->time > viewer->end_time) viewer->time = viewer->end_time;
    if (!(viewer->time >= 0.0f)) viewer->time = 0.0f;
    anim_apply_pose(viewer);
}

// The path is copied first: it may be the viewer's own scene path, which closing frees.
int anim_open_scene(Viewer *viewer, const char *path, int keep_view)
{
    if (!viewer) return 0;
    std::string file(path ? path : "");
    viewer_close_all(viewer);
    viewer_status(viewer, "Loading...");
    SceneLoad *scene = path ? anim_load_scene(file.c_str()) : nullptr;
    if (!scene) {
        const char *reason = anim_last_error();
        if (reason) viewer_message(viewer, reason);
        return 0;
    }
    for (int32_t i = 0; i < scene->entry_count; i++) {
        if (viewer_insert_model(viewer, scene->models[i], scene->sets[i]) == 0) {
            // Not entered: nothing may keep riding on what is freed here.
            for (int32_t j = i + 1; j < scene->entry_count; j++)
                if (scene->sets[j] && scene->sets[j]->parent_model == scene->models[i])
                    anim_clear_parent(scene->sets[j]);
            viewer_detach_riders(viewer, scene->models[i]);
            anim_destroy(scene->sets[i]);
            model_free(scene->models[i]);
            continue;
        }
        if (!keep_view) viewer_fit_view_size(viewer, scene->models[i]);
    }
    viewer->end_time = scene->duration;
    if (viewer->time > viewer->end_time) viewer->time = viewer->end_time;
    anim_apply_pose(viewer);
    free(viewer->anim_path);
    viewer->anim_path = str_dup(file.c_str());
    free(scene);
    viewer_status(viewer, "Ready");
    return 1;
}

void anim_step_forward(Viewer *viewer)
{
    if (!viewer) return;
    if (viewer->end_time > 0.0f) {
        viewer->time += viewer->frame_step;
        if (viewer->time > viewer->end_time) viewer->time -= viewer->end_time;
    }
    anim_apply_pose(viewer);
    anim_show_time(viewer);
}

void anim_step_back(Viewer *viewer)
{
    if (!viewer) return;
    if (viewer->end_time > 0.0f) {
        viewer->time -= viewer->frame_step;
        if (!(viewer->time >= 0.0f)) viewer->time += viewer->end_time;
    }
    anim_apply_pose(viewer);
    anim_show_time(viewer);
}

// Every model's mark is cleared first; a model posed as the parent of another is then
// passed over when its own turn comes.
void anim_apply_pose(Viewer *viewer)
{
    if (!viewer) return;
    KeyedTable *models = &viewer->models;
    for (int32_t i = 0; i < models->capacity; i++) {
        LoadedModel *entry = static_cast<LoadedModel *>(table_nth(models, i, 0));
        ModelXform *xform = entry ? rcache_model_xform(viewer, entry->model) : nullptr;
        if (xform) xform->last_time = NOT_POSED;
    }
    float t = viewer->time;
    for (int32_t i = 0; i < models->capacity; i++) {
        LoadedModel *entry = static_cast<LoadedModel *>(table_nth(models, i, 0));
        if (entry) pose_once(viewer, t, entry->model, entry->animation);
    }
}

void anim_show_time(Viewer *viewer)
{
    if (!viewer) return;
    char text[TIME_TEXT_SIZE];
    snprintf(text, sizeof text, "Animation time = %.2f of %.2f seconds", static_cast<double>(viewer->time),
             static_cast<double>(viewer->end_time));
    viewer_status(viewer, text);
}

// The model is marked as posed at t before anything else, so a rider's call back to
// its parent (or a parent loop) finds it done.
void anim_pose_model(Viewer *viewer, float t, Model *model, AnimSet *set)
{
    if (!viewer || !model || !set || !set->active) return;
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (!xform) return;
    xform->last_time = t;
    anim_pose_joints(viewer, t, model, set);
    anim_skin_points(viewer, model);
    int32_t n = 0;
    for (int32_t i = 0; i < model->children.capacity; i++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, i, 0));
        if (child) n = anim_pose_child(viewer, t, model, child, set, n);
    }
    place_model(viewer, t, model, set);
}

// Joints are visited by slot, not by the table's walk cursor, which lookups may move.
void anim_pose_joints(Viewer *viewer, float t, Model *model, AnimSet *set)
{
    if (!viewer || !model || !set) return;
    for (int32_t i = 0; i < model->joints.capacity; i++) {
        Joint *joint = static_cast<Joint *>(table_nth(&model->joints, i, 0));
        if (joint) anim_pose_joint(viewer, t, model, joint, set);
    }
}

// The cache is marked before its parent is posed: a joint that is its own ancestor
// then stops the recursion and takes the ancestor's matrices as they stand. The cache
// is looked up again after the parent's pose, which may grow the joint-cache table.
void anim_pose_joint(Viewer *viewer, float t, Model *model, Joint *joint, AnimSet *set)
{
    if (!viewer || !model || !joint || !set) return;
    JointCache *cache = rcache_joint(viewer, model, joint);
    if (!cache || cache->last_time == t) return;
    cache->last_time = t;
    Joint *parent = rcache_joint_parent(cache);
    Matrix4 parent_world = g_mat4_identity;
    if (parent) {
        anim_pose_joint(viewer, t, model, parent, set);
        const JointCache *parent_cache = rcache_joint(viewer, model, parent);
        if (parent_cache) parent_world = parent_cache->world;
        cache = rcache_joint(viewer, model, joint);
        if (!cache) return;
    }
    // A joint added after the animation was read has no slot of its own (its channel
    // would name a child's slot or lie past them): it gets no value.
    mat4_identity(&cache->local);
    if (cache->channel >= 2 && cache->channel < set->joint_count + 2 && cache->channel < set->slot_count)
        anim_track_eval(t, &set->root_track, cache->channel, &cache->local);
    cache->local.m[3] += cache->offset[0];
    cache->local.m[7] += cache->offset[1];
    cache->local.m[11] += cache->offset[2];
    if (parent) mat4_multiply(&cache->local, &parent_world, &cache->world);
    else cache->world = cache->local;
    mat4_multiply(&cache->bind_inverse, &cache->world, &cache->skin);
    cache->rotation_only = cache->world;
    float *r = cache->rotation_only.m;
    r[3] = r[7] = r[11] = r[12] = r[13] = r[14] = 0.0f;
    r[15] = 1.0f;
    mat4_transform_point(&cache->skin, joint->position, cache->position);
}

// Points are visited by slot; each point costs a constant number of look-ups.
void anim_skin_points(Viewer *viewer, Model *model)
{
    if (!viewer || !model) return;
    for (int32_t i = 0; i < model->points.capacity; i++) {
        Point *point = static_cast<Point *>(table_nth(&model->points, i, 0));
        if (point) skin_point(viewer, model, point);
    }
}

int32_t anim_pose_child(Viewer *viewer, float t, Model *owner, Child *child, AnimSet *set, int32_t n)
{
    if (!viewer || !owner || !child || !set) return n;
    ChildXform *xform = rcache_child_xform(viewer, owner, child);
    if (xform) {
        xform->last_time = t;
        mat4_identity(&xform->matrix);
        // A link added after the animation was read has no slot: it gets no value.
        int32_t slot = set->joint_count + n + 2;
        if (n < set->child_count && slot < set->slot_count) anim_track_eval(t, &set->root_track, slot, &xform->matrix);
        set_gl_copy(&xform->matrix, xform->gl_matrix);
    }
    n++;
    Model *model = child->model;
    if (!model) return n;
    for (int32_t i = 0; i < model->children.capacity; i++) {
        Child *inner = static_cast<Child *>(table_nth(&model->children, i, 0));
        if (inner) n = anim_pose_child(viewer, t, model, inner, set, n);
    }
    return n;
}

// Poses the model unless it was already posed at t in this pass.
static void pose_once(Viewer *viewer, float t, Model *model, AnimSet *set)
{
    if (!model || !set) return;
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (xform && xform->last_time == t) return;
    anim_pose_model(viewer, t, model, set);
}

// The model's matrix: its translation x rotation at t, under its parent joint's world
// matrix and its parent model's matrix.
static void place_model(Viewer *viewer, float t, Model *model, AnimSet *set)
{
    Matrix4 translation = g_mat4_identity;
    Matrix4 rotation = g_mat4_identity;
    anim_track_eval(t, &set->root_track, 0, &translation);
    anim_track_eval(t, &set->root_track, 1, &rotation);
    Matrix4 matrix;
    mat4_multiply(&rotation, &translation, &matrix);
    if (set->parent_model) {
        pose_once(viewer, t, set->parent_model, set->parent_set);
        Joint *joint = anim_parent_joint(set);
        const JointCache *joint_cache = joint ? rcache_joint(viewer, set->parent_model, joint) : nullptr;
        if (joint_cache) mat4_multiply(&matrix, &joint_cache->world, &matrix);
        const ModelXform *parent = rcache_model_xform(viewer, set->parent_model);
        if (parent) mat4_multiply(&matrix, &parent->matrix, &matrix);
    }
    ModelXform *xform = rcache_model_xform(viewer, model);
    if (!xform) return;
    xform->matrix = matrix;
    set_gl_copy(&xform->matrix, xform->gl_matrix);
}

static void set_gl_copy(const Matrix4 *matrix, float *gl)
{
    memcpy(gl, mat4_to_gl(matrix), 16 * sizeof(float));
}

// One point: position and normal from its own joint, blended by its weight with its
// second joint (or with its own values when it has none). The first joint's cache is
// looked up again once the second's exists: making that one may move the cache table.
static void skin_point(Viewer *viewer, Model *model, Point *point)
{
    posed_joint(viewer, model, point->joint);
    const JointCache *second = posed_joint(viewer, model, point->second_joint);
    const JointCache *first = posed_joint(viewer, model, point->joint);
    float w = point->weight;
    if (!first && point->joint) return;  // a joint outside the model: left as it is
    if (!first || w >= 1.0f || w <= 0.0f) {
        if (!first) {
            PointCache *cache = rcache_point(viewer, point);
            if (cache) memcpy(cache->position, point->position, sizeof cache->position);
            return;
        }
        const JointCache *only = w >= 1.0f ? first : second;
        if (!only) return;
        PointCache *cache = rcache_point(viewer, point);
        if (!cache) return;
        mat4_transform_point(&only->skin, point->position, cache->position);
        mat4_transform_point(&only->rotation_only, point->normal, cache->normal);
        return;
    }
    float p1[3], n1[3], p2[3], n2[3];
    mat4_transform_point(&first->skin, point->position, p1);
    mat4_transform_point(&first->rotation_only, point->normal, n1);
    if (second) {
        mat4_transform_point(&second->skin, point->position, p2);
        mat4_transform_point(&second->rotation_only, point->normal, n2);
    } else {
        memcpy(p2, point->position, sizeof p2);
        memcpy(n2, point->normal, sizeof n2);
    }
    PointCache *cache = rcache_point(viewer, point);
    if (!cache) return;
    blend3(p1, p2, w, cache->position);
    blend3(n1, n2, w, cache->normal);
}

// The joint's cache when the joint exists; null for no joint.
static const JointCache *posed_joint(Viewer *viewer, Model *model, Joint *joint)
{
    return joint ? rcache_joint(viewer, model, joint) : nullptr;
}

// out = w a + (1 - w) b.
static void blend3(const float *a, const float *b, float w, float *out)
{
    for (int c = 0; c < 3; c++) out[c] = w * a[c] + (1.0f - w) * b[c];
}
