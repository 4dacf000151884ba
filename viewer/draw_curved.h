#pragma once
// Curved-face drawing: a face tessellated by the patch maths at level
// min(lod, 6) and sent as triangles with interpolated texture coordinates and
// vertex colours; the PN path that draws every face as PN triangles shaped by
// its points' own normals; the skinned path that blends the tessellated
// vertices between two joints; the debug control net and the tessellated normals.
// All working data lie in fixed arrays sized for the highest level.
#include <cstdint>

struct Viewer;
struct Model;
struct Layer;
struct Face;
struct Joint;
struct PatchControl;

// Draws a curved face with its curve kind as tessellation mode (a triangle of kind 4 as
// kind 3); the skinned path when the skinned_curves option is on. Triangles drawn.
int draw_face_curved(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored,
                     int reflection);
// Draws any face as full PN triangles (a quad as two) shaped by its corner points' own
// normals, with the face's own texture coordinates. Triangles drawn.
int draw_face_pn(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored);
// Draws a curved face whose vertices are blended between two joints' skin transforms.
// Triangles drawn.
int draw_face_skinned(Viewer *viewer, Model *model, Face *face, int textured, int mirrored);
// Tessellates a face from its points' own positions and normals and skins the grid. Out,
// sized for the highest level: positions and normals (3 floats a vertex), weights, attribute
// values and 3 indices a triangle; *vertex_count and *attribute_count receive their counts.
// Triangles of the grid, 0 when the face cannot be read.
int draw_face_skinned_patch(Viewer *viewer, Model *model, Face *face, int level, int textured, float *positions,
                            float *normals, float *weights, float *attributes, uint16_t *indices,
                            int *vertex_count, int *attribute_count);
// Blends count positions and normals in place: weight w toward the first joint's skin
// transform, 1 - w toward the second's (a missing joint leaves the vertex as it is).
// Nothing without a model or a joint pair.
void draw_skin_patch_vertices(Viewer *viewer, Model *model, int count, float *positions, float *normals,
                              const float *weights, Joint *const *pair);
// The control net of a patch as red lines (quad: the 4 x 4 grid; triangle: its ten points).
void draw_control_net(const PatchControl *control, int quad);
// The tessellated normals as cyan lines, a quarter of the face's mean edge length long.
void draw_curved_normals(Viewer *viewer, Model *model, Face *face, int count, const float *positions,
                         const float *normals);
