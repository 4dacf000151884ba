// The evaluated patch of one curved face: from its corners (positions, corner and
// edge normals, skin weights and joints, colours, texture coordinates) to the
// control data, the grid's positions, normals and triangles, and the corner
// values interpolated over the grid. The subdivision of curved faces and their
// drawing both evaluate a face through it; each gathers the corners its own way.
#pragma once
#include <cstdint>

#include "model/patch.h"

struct Joint;

// Most values interpolated per grid vertex: u, v, r, g, b.
constexpr int32_t PATCH_MAX_ATTRIBUTES = 5;

// What an evaluation computes besides the control data, positions, normals and triangles.
enum PatchGridWith {
    PATCH_WITH_UV = 1,       // u, v interpolated from the corners' texture coordinates
    PATCH_WITH_COLOURS = 2,  // r, g, b interpolated from the corners' colour bytes
    PATCH_WITH_WEIGHTS = 4,  // skin weights toward corner 0's joint
};

// The corners of one curved face, every value copied.
struct PatchCorners {
    int32_t count;                          // 3, or 4 for a quad (in strip order)
    float positions[4 * 3];                 // corner positions
    float normals[PATCH_NORMAL_SLOTS * 3];  // corner normals in slots 0..3, edge normals from slot 4
    float weights[4];                       // corner point weights
    Joint *joints[4];                       // owning joints, compared by identity; null for none
    uint8_t colours[4][3];                  // corner colour bytes r, g, b
    float uv[4][2];                         // corner texture coordinates
};

// One face's patch evaluated on its grid.
struct PatchGrid {
    PatchControl control;
    int32_t vertices;                                             // grid vertices
    int32_t triangles;                                            // grid triangles
    float positions[PATCH_MAX_VERTICES * 3];
    float normals[PATCH_MAX_VERTICES * 3];                        // unit normals
    float weights[PATCH_MAX_VERTICES];                            // with PATCH_WITH_WEIGHTS only
    float attributes[PATCH_MAX_VERTICES * PATCH_MAX_ATTRIBUTES];  // per vertex: u, v, then r, g, b
    int32_t attribute_count;                                      // values per vertex: 0, 2, 3 or 5
    int32_t colour_offset;                                        // first colour value, -1 without colours
    uint16_t indices[PATCH_MAX_TRIANGLES * 3];                    // 3 a triangle
};

// Evaluates the corners' patch with mode (the curve kind) at level (clamped to 0..6) into
// out, with what `with` asks for; colours are the bytes times colour_scale. Triangles.
int32_t patch_grid_evaluate(PatchGrid *out, const PatchCorners *corners, int32_t mode, int32_t level, int with,
                            float colour_scale);
// Copies the grid into caller arrays sized for the highest level: positions and normals
// (3 floats a vertex), weights (null: not copied), attributes and indices.
void patch_grid_copy(const PatchGrid *grid, float *positions, float *normals, float *weights, float *attributes,
                     uint16_t *indices);
