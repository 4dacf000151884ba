// Operations on one layer of a model, found by name: point use and texture
// coordinate lists, the layer box, box texture mapping, renaming, and the
// attribute getters and setters behind "get layer" and "set layer". The
// layer is looked up without a message; a null model, name or layer gives
// the failure value stated.
#pragma once
#include <cstdint>

struct Model;
struct LayerTexture;

// Allocated (malloc) (point id, u, v) float triples, one per distinct point id of the face
// corners and strip vertices in order of first use, ended by an id of 0; null when none.
float *layer_uv_array(Model *model, const char *layer);
// Allocated (malloc) zero-ended list of the distinct point ids of faces, strips and lines in
// order of first use; null when none (nothing calls it).
uint32_t *layer_point_ids(Model *model, const char *layer);
// Face corners, strip vertices and (with_lines) line vertices whose point exists; 0 when the
// layer is missing or has neither faces nor strips.
int32_t layer_point_use_count(Model *model, const char *layer, int with_lines);
// Sets the layer box from the points of its faces, strips and lines; 0 with the box unchanged
// for a missing layer ("layer does not exist"), no faces and strips, or a missing point.
int layer_compute_bbox(Model *model, const char *layer);
// Computes the u, v of every face corner and strip vertex from uvees or the box projection;
// 0 for a missing layer, no texture record, no faces and strips, or a missing point.
int layer_map_uvs(Model *model, const char *layer);
// Maps again only the corners of one point (from its uvee or the box projection) while
// the layer is as at its last whole mapping by this function; else maps the whole layer as
// layer_map_uvs does and remembers where each point is used. Its result, 1 when mapped.
int layer_map_point_uvs(Model *model, const char *layer, int32_t point_id);
// Drops the remembered point uses, so the next point mapping maps the whole layer.
void layer_forget_point_map();
// Folds a coordinate into 0..1 as a mirrored repeat.
float layer_fold_uv(float x);
// out[4] = colour r, g, b as floats and 0.0; 1. 0 with 255.0 four times.
int layer_get_color(Model *model, const char *layer, float *out);
// 1 when single-sided, else 2; 1 on failure.
int32_t layer_get_sides(Model *model, const char *layer);
// Mirror axis 1..3, 0 when mirroring is off or on failure.
int32_t layer_get_mirror(Model *model, const char *layer);
// Transparency; 0.0 on failure.
float layer_get_transparency(Model *model, const char *layer);
// The texture record (its first text is the image file) and the layer's axis codes when the
// image slot has pixels; null with axes 0 otherwise.
LayerTexture *layer_get_image(Model *model, const char *layer, int32_t *u_axis, int32_t *v_axis);
// Mirror image file when that slot has pixels, else the image file when that slot has them;
// null when neither has.
const char *layer_get_mirror_image(Model *model, const char *layer);
// Reflection image file and amount when that slot has pixels; null with amount 0.0 otherwise.
const char *layer_get_reflect_image(Model *model, const char *layer, float *amount);
// Sets the colour; 1, 0 on failure.
int layer_set_color(Model *model, const char *layer, int32_t r, int32_t g, int32_t b);
// Single-sided for n <= 1, double-sided above; 1, 0 on failure.
int layer_set_sides(Model *model, const char *layer, int32_t n);
// 0 mirror off, 1..3 mirror on about axis n, other values change nothing; 1, 0 on failure.
int layer_set_mirror(Model *model, const char *layer, int32_t n);
// Sets the transparency (0..1); 1, 0 on failure or for a value outside that range.
int layer_set_transparency(Model *model, const char *layer, float t);
// Gives the layer a new name (moving it to a new slot); 0 for a new name that a model file
// cannot hold as one token (value_token_ok), a missing layer or a name another layer bears.
int layer_rename(Model *model, const char *layer, const char *new_name);
// Sets the reflect amount when 0..1 and the texture record exists; 1, else 0.
int layer_set_reflect_intensity(Model *model, const char *layer, float amount);
// Sets the image u axis (codes 1..6 only) and maps the uvs again (result ignored); 1, 0 on failure.
int layer_set_image_xaxis(Model *model, const char *layer, int32_t code);
// Sets the image v axis (codes 1..6 only) and maps the uvs again (result ignored); 1, 0 on failure.
int layer_set_image_yaxis(Model *model, const char *layer, int32_t code);
// Repeat flag = on; when on, factors = u, v; then maps the uvs; the mapping's result, 0 on failure.
int layer_set_image_repeat(Model *model, const char *layer, int32_t on, float u, float v);
// model_add_image of slot 0 with the layer's axis codes (x and y while the layer has none, as
// a new layer's are 0); its result. A file that cannot be read leaves the slot as it was (the
// reader's reason as last error).
int layer_set_image(Model *model, const char *layer, const char *file);
// The same for slot 1, the mirror image.
int layer_set_mirror_image(Model *model, const char *layer, const char *file);
// The same for slot 2, the reflection image.
int layer_set_reflect_image(Model *model, const char *layer, const char *file);
