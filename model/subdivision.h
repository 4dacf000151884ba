// Curved-face subdivision: evaluating a face's patch over its grid with the
// corners' texture coordinates and colours, and turning one curved face into
// flat points, strips and a face that the model keeps. Corner, normal and
// edge-normal ids are looked up in the model and then in its child models.
#pragma once
#include <cstdint>

#include "model/patch_grid.h"

struct Model;
struct Layer;
struct Face;

// Most attributes interpolated per grid vertex: u, v, r, g, b.
constexpr int32_t SUBDIVISION_MAX_ATTRIBUTES = PATCH_MAX_ATTRIBUTES;
// Largest point id a subdivision may create (faces and strips hold 16-bit ids).
constexpr int32_t SUBDIVISION_MAX_POINT_ID = 32767;

// Evaluates the face's patch at level (clamped to 0..6) with its curve kind as mode (a
// triangle of kind 4 as kind 3). Out, sized for PATCH_MAX_VERTICES / PATCH_MAX_TRIANGLES:
// positions and normals (3 floats per vertex), skin weights toward corner 0's joint,
// attributes per vertex (u, v when textured, then r, g, b in 0..1 when the model has gouraud
// colours) and 3 indices per triangle; *attribute_count gets 0, 2, 3 or 5. Returns the
// triangle count; 0 with "point does not exist" when a corner, normal or edge-normal id
// names no point of the model or its children.
int32_t face_patch_evaluate(Model *model, const Face *face, int32_t level, int textured,
                            float *positions, float *normals, float *weights, float *attributes,
                            uint16_t *indices, int32_t *attribute_count);
// Subdivides the curved face once (level is not used): new points from first_id upward on
// the split edges (and the centre of a full quad) with position, normal, weight, joint,
// gouraud colour and uvee, and strips (and for a full triangle one face) covering the face
// added to the layer; the face itself stays. Returns the points created: 1, 2, 3 or 5 for
// curve kinds 1, 2, 3, 4 (a triangle of kind 4 as 3); 0 for a flat face, a missing corner
// ("point does not exist"), or new ids below 1 ("new point id below 1 not allowed"), above
// 32767 ("new point id above 32767 not allowed") or already in use ("new point id already
// in use"), with the model unchanged.
int32_t model_tessellate_face(Model *model, Layer *layer, const Face *face, int32_t level,
                              int32_t first_id);
