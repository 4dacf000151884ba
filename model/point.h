// Points of a model: creation with defaults, lookup through child models, and
// small accessors that copy a point's values.
#pragma once
#include <cstdint>

struct Model;
struct Point;

// The model's own point of id, created with the defaults if missing; null for a null model or id < 1.
Point *point_get_or_create(Model *model, int32_t id);
// The point of id in the model, else the first found depth-first in its child models; null.
Point *point_find(Model *model, int32_t id);
// The model (the model itself or one of its child models) whose own table holds the point
// that point_find finds; null when there is none.
Model *point_find_owner(Model *model, int32_t id);
// 1 when a model file can hold a use of point id in the model: the point is the model's own,
// or no point of the model or its child models; 0 when only a child model holds it (a file's
// child models are loaded after it is read, so its lines cannot name their points).
int point_usable_in_file(Model *model, int32_t id);
// Removes the point from the model's own table; 1 if removed, else 0 (nothing calls it).
int point_delete(Model *model, int32_t id);
// out = the point's position, or 0, 0, 0 for a null point.
void point_get_position(float *out, const Point *point);
// out = the point's normal, or 0, 0, 0 for a null point.
void point_get_normal(float *out, const Point *point);
// out = gouraud bytes r, g, b, t as floats, or 255.0 four times for a null point.
void point_get_color(float *out, const Point *point);
// Position of the point (searched as point_find) in a static 3-float buffer, or null (nothing calls it).
const float *point_find_position(Model *model, int32_t id);
// out = position (0, 0, 0 for null) carried up through the child placements of the model's
// ancestors (nothing calls it).
void point_world_position(float *out, Model *model, const float *position);
// Largest point id of the model's own table; -1 when it has none or the model is null.
int32_t point_max_id(Model *model);
