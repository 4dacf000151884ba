// Curved-surface patch maths: PN triangles (cubic positions, quadratic normals)
// and bicubic quad patches built from a face's corners and normals, evaluated
// on a regular parameter grid, with the grid's triangle index lists and the
// interpolation of per-corner attributes and skin weights over the same grid.
// All values are single-precision; a vector is 3 floats. Nothing allocates:
// every output is an array the caller provides, sized by the constants below.
//
// Corner input: positions P0, P1, P2 (triangle) or P0..P3 (quad, in strip order:
// triangles (0, 1, 2) and (2, 1, 3)). A normal array holds the corner normals in
// slots 0..3 (slot 3 unused for a triangle), then two edge normals per edge (at
// the edge's start, then its end): triangle edges 0->1, 1->2, 2->0 in slots 4..9,
// quad edges 0->1, 1->3, 3->2, 2->0 in slots 4..11.
//
// Modes are curve kinds: a triangle takes 1 (one edge split), 2 (two edges split)
// or 3 (full grid), and 4 counts as 3; any other triangle mode gives an empty grid.
// A quad takes 2 (split in one direction); any other quad mode is the full patch.
// Levels are clamped to 0..PATCH_MAX_LEVEL; the grid step is 1 / (level + 1).
#pragma once
#include <cstdint>

struct Joint;

// Highest tessellation level.
constexpr int32_t PATCH_MAX_LEVEL = 6;
// Most grid vertices of any mode at the highest level (a full quad).
constexpr int32_t PATCH_MAX_VERTICES = 64;
// Most grid triangles of any mode at the highest level (a full quad).
constexpr int32_t PATCH_MAX_TRIANGLES = 98;
// Vectors of a triangle's and of a quad's control data.
constexpr int32_t PATCH_TRIANGLE_CONTROLS = 16;
constexpr int32_t PATCH_QUAD_CONTROLS = 24;
// Slots of a normal array: 4 corner normals and 8 edge normals.
constexpr int32_t PATCH_NORMAL_SLOTS = 12;

// Control data of one curved face.
// Triangle (16 vectors): 0 P0, 1 b201, 2 b210, 3 b102, 4 b111 (centre), 5 b120,
// 6 P2, 7 b012, 8 b021, 9 P1 (rows by falling weight of P0, each by rising weight
// of P1), 10..12 corner normals N0..N2, 13..15 quadratic edge normals H01, H12, H20.
// Quad (24 vectors): a 4 x 4 control grid at 4 x row + column, rows from the P0-P1
// edge (row 0: P0 .. P1) to the P2-P3 edge (row 3: P2 .. P3), then 16..19 corner
// normals N0..N3 and 20..23 quadratic edge normals H01, H13, H32, H20.
struct PatchControl {
    float v[PATCH_QUAD_CONTROLS][3];
};

// Scales v to unit length in place; a zero vector stays zero.
void pn_normalize(float *v);
// out[0..5] = the two cubic control points of edge A->B: the first near A, the second near B; 2.
int pn_edge_control_points(const float *a, const float *b, const float *na, const float *nb,
                           float *out);
// out = unit quadratic normal of edge A-B (the same for either direction); zero when the
// normal sum is zero; a degenerate edge (A = B) gives the normalised sum. 1.
int pn_edge_normal(const float *a, const float *b, const float *na, const float *nb, float *out);
// out = centre control point from the nine boundary points (27 floats): P0, edge 0->1's two
// points, P1, edge 1->2's two, P2, edge 2->0's two; 1.
int pn_center_control_point(const float *boundary, float *out);
// Control data of a PN triangle from corners p (9 floats) and the normal array (slots 0..9).
void pn_triangle_control_points(const float *p, const float *normals, PatchControl *out);
// Control data of a quad patch from corners p (12 floats) and the normal array (slots 0..11).
void patch_quad_control_points(const float *p, const float *normals, PatchControl *out);
// Vertices of a triangle grid of mode and level; 0 for a mode without a grid.
int32_t pn_triangle_vertex_count(int32_t mode, int32_t level);
// Triangles of a triangle grid of mode and level; 0 for a mode without a grid.
int32_t pn_triangle_triangle_count(int32_t mode, int32_t level);
// Vertices of a quad grid of mode and level.
int32_t patch_quad_vertex_count(int32_t mode, int32_t level);
// Triangles of a quad grid of mode and level.
int32_t patch_quad_triangle_count(int32_t mode, int32_t level);
// Grid positions and unit normals (3 floats per vertex each) of a PN triangle; vertex count.
int32_t pn_triangle_evaluate(const PatchControl *control, int32_t mode, int32_t level,
                             float *positions, float *normals);
// Grid positions and unit normals of a quad patch; vertex count.
int32_t patch_quad_evaluate(const PatchControl *control, int32_t mode, int32_t level,
                            float *positions, float *normals);
// 16-bit grid indices, 3 per triangle in the rotational order of (P0, P1, P2); triangle count.
int32_t pn_triangle_indices(int32_t mode, int32_t level, uint16_t *out);
// 16-bit grid indices of a quad grid; triangle count. Each triangle's second and third
// corners span its cell's diagonal.
int32_t patch_quad_indices(int32_t mode, int32_t level, uint16_t *out);
// Interpolates count attributes, each given at corners 0, 1, 2 (values[3 x count]), over
// the triangle grid; out gets the count values of each vertex in turn. Floats written.
int32_t pn_triangle_interpolate(const float *values, int32_t count, int32_t mode, int32_t level,
                                float *out);
// The same over a quad grid with 4 corner values per attribute (values[4 x count]).
int32_t patch_quad_interpolate(const float *values, int32_t count, int32_t mode, int32_t level,
                               float *out);
// Per grid vertex, the skin weight toward corner 0's joint, from the corners' owning joints
// (compared by identity, null for none) and point weights; vertex count.
int32_t pn_triangle_weight_grid(const Joint *const *joints, const float *weights, int32_t mode,
                                int32_t level, float *out);
// The same over a quad grid with four corners.
int32_t patch_quad_weight_grid(const Joint *const *joints, const float *weights, int32_t mode,
                               int32_t level, float *out);
// out = cubic Bezier of p0..p3 at t.
void patch_bezier_cubic(float *out, const float *p0, const float *p1, const float *p2,
                        const float *p3, float t);
// out = quad patch position at (a along the control rows, b across them).
void patch_quad_position(float *out, const PatchControl *control, float a, float b);
// out = unit quad patch normal at (a, b): a piecewise-linear blend of corner and edge normals.
void patch_quad_normal(float *out, const PatchControl *control, float a, float b);
// out = a + (b - a) t per component.
void patch_lerp3(float *out, const float *a, const float *b, float t);
// out = the quad normal blend at (a, b) over a triangle's normals, the fourth corner normal
// completed as N2 - N0 + N1 and the left edge normal as H20 - H01 + H12.
void patch_quad_normal_from_triangle(float *out, const PatchControl *control, float a, float b);
