#pragma once
// Layer textures: the three image slots of a layer's texture record turned into
// GL texture objects on first use and bound with the blending of their pass, the
// sphere-mapped texture coordinates of the reflection pass, and the release of
// texture names when images are replaced, layers deleted or models unloaded.

struct Viewer;
struct Layer;
struct LayerTexture;

// Enables texturing, sets the blending of the slot's pass and binds the slot's texture,
// creating and uploading it first when it has none (frame_uploads counted). rgba: the layer
// draws the slot colour-keyed (slots 0 and 1); alpha: layer alpha, or the reflection amount
// for slot 2. A slot without pixels leaves texturing off.
void draw_bind_texture(Viewer *viewer, LayerTexture *record, int slot, int rgba, float alpha);
// Sphere-mapped (u, v) pairs into out for count vertices given by position and normal
// pointers, under the current modelview and projection matrices.
void draw_sphere_map_uv(const float *const *positions, const float *const *normals, float *out, int count);
// Deletes the record's GL texture names (only while the GL context they were made in is
// current; otherwise they are forgotten) and marks every slot as having none.
void draw_release_texture_names(LayerTexture *record);
// The same for the texture record of a layer, if it has one; call before the layer is deleted.
void draw_release_layer_textures(Layer *layer);
