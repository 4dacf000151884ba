// The read side of the model store: lookups by name or id (with the messages
// the commands show), counts, image names, the normal check and the boxes.
// Lookups marked "static" answer in a buffer that their next call overwrites.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Model;
struct Layer;
struct Joint;
struct Child;
struct CollideObject;
struct Matrix4;

// The layer of that name; null with "layer does not exist".
Layer *model_find_layer(Model *model, const char *name);
// The joint of that name; null (no message) for "world" or a name that is no joint.
Joint *model_find_joint(Model *model, const char *name);
// Dense index of the joint in the joint table; -1 when absent.
int32_t model_joint_index(Model *model, const char *name);
// The n-th child (from 1) in table order; null for n < 1, or with "child does not exist".
Child *model_child_at(Model *model, int32_t n);
// First child named name; null with "child does not exist".
Child *model_find_child(Model *model, const char *name);
// Depth-first position (from 0) of the named child among all nested children; -1 when absent.
int32_t model_child_ordinal(Model *model, const char *name);
// First collide object named name; null with "collide object does not exist".
CollideObject *model_find_collide(Model *model, const char *name);
// Static position of the point (also in child models); null with "point does not exist".
const float *model_point_position(Model *model, int32_t id);
// Static normal of the point (also in child models); null with "normal does not exist".
const float *model_point_normal(Model *model, int32_t id);
// Static gouraud bytes r, g, b, t of the point (also in child models); null, no message.
const uint8_t *model_point_gouraud(Model *model, int32_t id);
// Id of the first point in slot order at exactly x, y, z; -1 (only unreached callers).
int32_t model_point_at(Model *model, float x, float y, float z);
// Id of the first point whose normal is exactly x, y, z; -1 (only unreached callers).
int32_t model_point_with_normal(Model *model, float x, float y, float z);
// File names of the image and mirror-image slots that hold one, of every layer of the
// model in table order and then of its child models depth first. A name is listed while
// the names so far, each with one separator, and it fit in 1023 characters; later,
// shorter names may still be listed. Empty for a null model.
std::vector<std::string> model_image_names(Model *model);
// Child instances in the whole tree; 0 for a null model.
int32_t model_child_count(Model *model);
// Number of points of the model's own table; 0 for a null model.
int32_t model_point_count(Model *model);
// Number of joints; 0 for a null model.
int32_t model_joint_count(Model *model);
// Number of layers; 0 for a null model.
int32_t model_layer_count(Model *model);
// With a layer: its triangles (quads 2, strips vertex count - 2), 0 with "layer does not exist"
// when missing; without (null): the face records of all layers.
int32_t model_face_count(Model *model, const char *layer);
// With a layer: its line segments (vertex count - 1 per line), 0 with "layer does not exist"
// when missing; without (null): the sum over all layers.
int32_t model_line_count(Model *model, const char *layer);
// The model's name text; null for a null model (nothing calls it).
const char *model_get_name(Model *model);
// Static text: directory followed by name; null for a null model (nothing calls it).
const char *model_get_path(Model *model);
// 1 when every point normal is in -1..1 and not all zero, else 0 with "(%s.mod) bad normal: %d".
int model_check_normals(Model *model);
// 1 when normal[3] is one that check keeps for point id of the model, else 0 with its message.
int model_check_point_normal(const Model *model, int32_t id, const float *normal);
// Zeroes the model box.
void model_bbox_reset(Model *model);
// Grows the model box by x, y, z (the model's only point sets it).
void model_bbox_add_point(Model *model, float x, float y, float z);
// out[6] = min, max of the model box and all child boxes placed by their transforms, under
// matrix (identity when null), each held to the finite float range (geom_finite); all zero
// for a null model.
void model_bbox_hierarchy(float *out, Model *model, const Matrix4 *matrix);
// out[3] = max - min of model_bbox_hierarchy.
void model_bbox_size(float *out, Model *model, const Matrix4 *matrix);
// out[3] = centre of model_bbox_hierarchy (nothing calls it).
void model_bbox_center(float *out, Model *model, const Matrix4 *matrix);
// Largest absolute value among the six numbers of model_bbox_hierarchy (nothing calls it).
float model_bbox_max_extent(Model *model, const Matrix4 *matrix);
// out = geom_face_normal of the three points' positions; 1, or 0 with out (0, 0, 1) when a point
// is missing.
int model_face_normal(float *out, Model *model, int32_t id1, int32_t id2, int32_t id3);
// The matrix that places a child in its parent: translated, turned by its three
// rotation words, then scaled.
void model_child_placement(const Child *child, Matrix4 *out);
