#pragma once
// Edits that change a whole model in place.

#include <cstdint>

struct Model;

// Gives every point the mean of the distinct unit normals (at most six, faces before strips,
// layer by layer) of the triangles around it: per_layer 0 sets point normals ((0, 0, 1) for
// an unused point or directions that cancel) and empties every layer-normal table; non-zero
// sets a layer normal for each point a layer's triangles use (none where directions cancel).
// Collinear triangles count for nothing. 0 for a null model, else 1.
int model_auto_normals(Model *model, int32_t per_layer);
// Insets the texture coordinates of every textured layer's faces and strips so
// that 0 lies a texels in from the low edge of the slot-0 image and 1 lies b
// texels in from the high edge. Layers without faces, without a texture record
// or with an image under 2 texels wide or high are left alone. 0 for a null model.
int model_offset_uvs(Model *model, float a, float b);
// Lays the points that strips and faces use flat in z = 0, chain by chain (each strip, then
// each face, layer by layer), keeping the length of every edge of a chain; a point keeps its
// first placement; placed coordinates are held within -2^31 .. 2^31, the range a model file
// gives back. 0 for a null model or one without layers, else 1.
int model_pancake(Model *model);
