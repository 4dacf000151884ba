#pragma once
// Edits that change a whole model in place.

struct Model;

// Insets the texture coordinates of every textured layer's faces and strips so
// that 0 lies a texels in from the low edge of the slot-0 image and 1 lies b
// texels in from the high edge. Layers without faces, without a texture record
// or with an image under 2 texels wide or high are left alone. 0 for a null model.
int model_offset_uvs(Model *model, float a, float b);
