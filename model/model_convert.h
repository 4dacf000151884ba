// Conversions that rewrite a whole model in place: scaling, flat triangles from quads,
// strips and curved faces, real copies of mirrored layers, curved faces from flat ones,
// a point of its own per face corner, points renumbered by joint, texture coordinates
// as uvees, and uvee jitter. Each returns 1, or 0 for a null model and the failures
// given with it; failures of the building operations they call are not passed on.
#pragma once
#include <cstdint>

struct Model;

// Multiplies every point, joint and child position by the factors; 0 and nothing changed when
// a factor is exactly 0. Boxes, collide objects and child scales stay as they are.
int model_scale(Model *model, float sx, float sy, float sz);
// Splits every flat quad into (c0, c1, c2) and (c2, c1, c3) and every strip into its
// triangles in strip winding (strips removed), then maps each layer's texture coordinates.
int model_triangulate(Model *model);
// Replaces every curved face by flat geometry through the curved-face subdivision (new points
// from the next free id; level clamped to 0..6, which the subdivision does not use), removes
// the faces it replaced and maps the texture coordinates again. A face the subdivision
// refuses (new ids above 32767) stays as it is.
int model_tessellate(Model *model, int32_t level);
// Gives every mirrored layer a real copy named "<name>_mirror" with reversed winding, mirrored
// points (reused where one stands at the mirrored position), mirrored normals and the mirror
// image as its image, then turns the mirroring off. 0 with a message when a copy's name
// would pass the name-key length or name an existing layer; nothing is changed then.
int model_mirror_layers(Model *model);
// Makes every flat face curved: a triangle kind 3, a quad kind 4, edges running round its corners.
int model_make_curved(Model *model);
// Gives each face corner whose normal id is another point a new point at its position with the
// normal point's weight, normal and joint; the corner's normal id becomes the new point, and its
// point id too when both points have the same joint. Corners whose new id would not fit a face
// are left alone.
int model_split_normal_points(Model *model);
// Renumbers the points 1, 2, ... grouped by joint in joint-table order (points without a joint
// last) and carries every reference (faces, strips, lines, uvees, layer normals) over. 0 for a
// model without joints, or with a message when a face or strip would get an id above 32767;
// nothing is changed then.
int model_renumber_points(Model *model);
// Stores every face corner's u, v as a uvee of its point in each textured layer with faces.
int model_face_uvs_to_uvees(Model *model);
// Triangulates, then stores every face corner's u, v as a uvee of its point in every layer.
int model_triangulate_uvees(Model *model);
// Adds a fixed pseudo-random 0..a to every uvee's u and 0..b to its v (same on every run).
int model_jitter_uvees(Model *model, float a, float b);
