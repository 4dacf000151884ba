// The building operations: the only way records enter a model. Each checks its
// arguments, and on failure returns 0 with the reason as last-error text (where
// it has one) and the model unchanged; 1 on success. A null model refuses all.
// "layer" is a layer name; points of child models count as points of the model.
#pragma once
#include <cstdint>

struct Layer;
struct Model;

// New layer with colour, sides and mirror; 0 for a name that a model file cannot hold as one
// token (value_token_ok) or "duplicate layer name not allowed".
int model_add_layer(Model *model, const char *name, int32_t r, int32_t g, int32_t b,
                    int32_t single_sided, int32_t mirror_on, int32_t mirror_axis);
// New child instance (child_model may be null, owned by model from now on), its position held
// within the whole numbers a model file gives back (value_whole_clamp); 0 for a null name or,
// with "child model would contain itself", a child_model that is model or holds it.
int model_add_child(Model *model, Model *child_model, const char *name, float px, float py,
                    float pz, float sx, float sy, float sz, const char *rot0, const char *rot1,
                    const char *rot2);
// New collide object owned by model; 0 for a null name.
int model_add_collide(Model *model, const char *name, int32_t shape, float px, float py, float pz,
                      float sx, float sy, float sz, const char *rot0, const char *rot1,
                      const char *rot2, float density, float second_value, int32_t flag);
// Creates or replaces the layer's uvee of point_id; 0 for a u or v that is not finite, a
// missing layer or point ("uvee point not found in model").
int model_add_uvee(Model *model, const char *layer, int32_t point_id, float u, float v);
// Sets texture slot 0..2 of the layer to file (read from the model directory through the
// image cache); slot 0 also stores the axes and maps the layer's uvs. 0 on any failure, also
// for a file name the slot's line cannot hold (value_image_file_ok); a file that cannot be
// read, or slot 0 of a layer without faces and strips, leaves the layer as it was.
int model_add_image(Model *model, const char *layer, int32_t slot, const char *file,
                    int32_t u_axis, int32_t v_axis);
// New joint; 0 for a null name, "duplicate joint name not allowed" or "Bad joint parent".
int model_add_joint(Model *model, const char *name, int32_t x, int32_t y, int32_t z,
                    const char *parent_name, int32_t point_count);
// Creates the point if missing and sets its position and weight (clamped to -1..2);
// grows the model box. 0 for an id below 1.
int model_set_point(Model *model, int32_t id, int32_t x, int32_t y, int32_t z, float weight);
// Without a layer (null or ""): the point's normal (point created if missing); with one:
// its normal (pn 0) or pn-normal of that id. Stored normalised. 0 for id below 1, a vector
// that does not normalise to finite components (value_normal_ok), or no layer.
int model_set_normal(Model *model, const char *layer, int32_t pn, int32_t id, float x, float y,
                     float z);
// Creates the point if missing and gives it the joints of those names (null when none).
int model_set_point_joints(Model *model, int32_t id, const char *joint, const char *second_joint);
// Sets the point's colour bytes; 0 for id below 1 or a missing point
// ("gouraud colour defined for non existant point").
int model_set_gouraud(Model *model, int32_t id, uint8_t r, uint8_t g, uint8_t b, uint8_t t);
// New blend of point_count (> 0) points and two joints; 0 for a null name or a bad count.
int model_add_blend(Model *model, const char *joint, const char *second_joint, int32_t point_count);
// New triangle (quad 0) or quad (quad 1): point_ids[4], normal_ids[4] or null, edge_ids[8] or
// null, curve 0..4 (quads 0, 2, 4). 0 for missing layer, point or normal.
int model_add_face(Model *model, const char *layer, int32_t quad, const int32_t *point_ids,
                   const int32_t *normal_ids, const int32_t *edge_ids, int32_t curve);
// The same into a layer of the model already found (a reader looks its layer up once per
// layer line); 0 for a null model, layer or point_ids, or as above.
int model_add_face_to_layer(Model *model, Layer *layer, int32_t quad, const int32_t *point_ids,
                            const int32_t *normal_ids, const int32_t *edge_ids, int32_t curve);
// New strip of n vertices (0..512) with normal_ids[n] or null; 0 for missing layer, point or normal.
int model_add_strip(Model *model, const char *layer, int32_t n, const int32_t *point_ids,
                    const int32_t *normal_ids);
// New polyline of n point ids (0..512); 0 for a missing layer or point.
int model_add_line(Model *model, const char *layer, int32_t n, const int32_t *point_ids);
// Sets the reflect amount (0..1) and the reflection slot's additive flag of the layer's
// texture record; 0 when out of range, the layer is missing or has no texture record.
int model_set_reflect(Model *model, const char *layer, float amount, int32_t additive);
// Sets the layer's transparency (0..1); 0 when out of range or the layer is missing.
int model_set_transparency(Model *model, const char *layer, float transparency);
// Turns the colour key on with r, g, b (0..1) x 255 (image and mirror slots already loaded
// take the keyed copy); 0 when out of range ("invisible color out of range (should be 0.0
// to 1.0)") or the layer is missing.
int model_set_invisible(Model *model, const char *layer, float r, float g, float b);
// Deletes the layer: releases its images, frees its tables, removes it; 0 when not found.
int model_delete_layer(Model *model, const char *layer);
