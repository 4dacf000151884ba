// The viewer's animation clock and the posing of animated models: opening a
// scene list into the viewer, the frame rate, stepping with wrap-around, the
// time on the status line, and the evaluation of each model's tracks into
// its render caches: model matrix, joint matrices, skinned points and
// normals, and child placements.
#pragma once
#include <cstdint>

#include "viewer/viewer.h"

struct Model;
struct Joint;
struct Child;
struct AnimSet;

// Lowest and highest frame rate the clock accepts.
constexpr int32_t ANIM_FPS_MIN = 1;
constexpr int32_t ANIM_FPS_MAX = 60;

// Sets the frame rate for 1..60 (other values change nothing), snaps the time down to a
// whole frame within 0..end time and poses every model.
void anim_set_fps(Viewer *viewer, int32_t fps);
// Unloads every model and opens the scene list at path: its models join the viewer with
// their animations, posed at the current time (clamped to the scene's end); the view is
// fitted to them unless keep_view. 1; 0 with the animation error text posted as a message
// and the viewer left empty.
int anim_open_scene(Viewer *viewer, const char *path, int keep_view);
// One frame step forward, wrapping past the end time; poses and shows the time.
void anim_step_forward(Viewer *viewer);
// One frame step back, wrapping below 0; poses and shows the time.
void anim_step_back(Viewer *viewer);
// Poses every loaded model at the viewer's time; each model is posed and skinned once,
// however many others ride on it.
void anim_apply_pose(Viewer *viewer);
// Status line "Animation time = %.2f of %.2f seconds".
void anim_show_time(Viewer *viewer);

// Poses one model at time t: joints, skinned points, child placements, then its matrix
// under its parent model (posed first unless already posed at t) and parent joint.
// Nothing for a null argument or an inactive set.
void anim_pose_model(Viewer *viewer, float t, Model *model, AnimSet *set);
// Poses each joint of the model at t, in joint-table order.
void anim_pose_joints(Viewer *viewer, float t, Model *model, AnimSet *set);
// Poses one joint at t after its parent; a joint already posed (or being posed) at t is
// left alone, so a parent loop ends.
void anim_pose_joint(Viewer *viewer, float t, Model *model, Joint *joint, AnimSet *set);
// Writes every point's deformed position and normal from its one or two joints' matrices.
void anim_skin_points(Viewer *viewer, Model *model);
// Places a child link of owner, which is child instance n of the animated model, and the
// links of its own model after it depth first; returns the next free instance number.
int32_t anim_pose_child(Viewer *viewer, float t, Model *owner, Child *child, AnimSet *set, int32_t n);
