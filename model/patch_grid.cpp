#include "model/patch_grid.h"

#include <cstring>

static void interpolate_corners(PatchGrid *out, const PatchCorners *corners, int32_t mode, int32_t level, int with,
                                float colour_scale);

int32_t patch_grid_evaluate(PatchGrid *out, const PatchCorners *corners, int32_t mode, int32_t level, int with,
                            float colour_scale)
{
    int weights = (with & PATCH_WITH_WEIGHTS) != 0;
    if (corners->count == 4) {
        patch_quad_control_points(corners->positions, corners->normals, &out->control);
        if (weights) patch_quad_weight_grid(corners->joints, corners->weights, mode, level, out->weights);
        out->vertices = patch_quad_evaluate(&out->control, mode, level, out->positions, out->normals);
        out->triangles = patch_quad_indices(mode, level, out->indices);
    } else {
        pn_triangle_control_points(corners->positions, corners->normals, &out->control);
        if (weights) pn_triangle_weight_grid(corners->joints, corners->weights, mode, level, out->weights);
        out->vertices = pn_triangle_evaluate(&out->control, mode, level, out->positions, out->normals);
        out->triangles = pn_triangle_indices(mode, level, out->indices);
    }
    interpolate_corners(out, corners, mode, level, with, colour_scale);
    return out->triangles;
}

void patch_grid_copy(const PatchGrid *grid, float *positions, float *normals, float *weights, float *attributes,
                     uint16_t *indices)
{
    size_t vertices = static_cast<size_t>(grid->vertices);
    memcpy(positions, grid->positions, vertices * 3 * sizeof(float));
    memcpy(normals, grid->normals, vertices * 3 * sizeof(float));
    if (weights) memcpy(weights, grid->weights, vertices * sizeof(float));
    memcpy(attributes, grid->attributes, vertices * static_cast<size_t>(grid->attribute_count) * sizeof(float));
    memcpy(indices, grid->indices, static_cast<size_t>(grid->triangles) * 3 * sizeof(uint16_t));
}

// The corners' values, one attribute after another (u, v, then r, g, b, each given at
// every corner), interpolated over the grid.
static void interpolate_corners(PatchGrid *out, const PatchCorners *corners, int32_t mode, int32_t level, int with,
                                float colour_scale)
{
    int32_t n = corners->count;
    float values[PATCH_MAX_ATTRIBUTES * 4];
    int32_t count = 0;
    if (with & PATCH_WITH_UV) {
        for (int32_t c = 0; c < n; c++) {
            values[count * n + c] = corners->uv[c][0];
            values[(count + 1) * n + c] = corners->uv[c][1];
        }
        count += 2;
    }
    out->colour_offset = -1;
    if (with & PATCH_WITH_COLOURS) {
        out->colour_offset = count;
        for (int32_t k = 0; k < 3; k++) {
            for (int32_t c = 0; c < n; c++) values[(count + k) * n + c] = (float)corners->colours[c][k] * colour_scale;
        }
        count += 3;
    }
    out->attribute_count = count;
    if (count == 0) return;
    if (n == 4) patch_quad_interpolate(values, count, mode, level, out->attributes);
    else pn_triangle_interpolate(values, count, mode, level, out->attributes);
}
