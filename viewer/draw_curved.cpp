// Curved-face drawing. One face at a time is gathered into the working arrays
// below (corners, control data, grid, indices, attribute values), so drawing
// any number of faces allocates nothing.
#include "viewer/draw_curved.h"

#include "foundation/keyed_table.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/patch.h"
#include "viewer/display_options.h"
#include "viewer/draw_overlay.h"
#include "viewer/draw_texture.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstring>

// A point colour byte of 255 is full intensity.
static const float POINT_COLOUR_SCALE = 0.00392157f;
// Attributes interpolated per grid vertex at most: u, v, r, g, b.
static const int MAX_ATTRIBUTES = 5;
// Length of the tessellated normals, in mean edge lengths of the face.
static const float CURVED_NORMAL_SCALE = 0.25f;

// The corners of one face (or one PN pass) as read for tessellation.
struct PatchCorners {
    int count;                              // 3, or 4 for a quad
    float positions[4 * 3];                 // corner positions
    float normals[PATCH_NORMAL_SLOTS * 3];  // corner normals in slots 0..3, edge normals from slot 4
    const uint8_t *colours[4];              // colour bytes, null when per-vertex colour is off
    float uv[4][2];                         // the face's texture coordinates
};

// The tessellated grid of one face and what is sent with it.
struct PatchGrid {
    PatchControl control;
    int vertices;                                           // grid vertices
    int triangles;                                          // grid triangles
    float positions[PATCH_MAX_VERTICES * 3];
    float normals[PATCH_MAX_VERTICES * 3];
    float weights[PATCH_MAX_VERTICES];                      // skinned path only
    float attributes[PATCH_MAX_VERTICES * MAX_ATTRIBUTES];  // per vertex: (u, v), (r, g, b)
    int attribute_count;                                    // values per vertex: 0, 2, 3 or 5
    int colour_offset;                                      // first colour value, -1 without colours
    float sphere_uv[PATCH_MAX_VERTICES * 2];                // reflection pass coordinates
    const float *position_of[PATCH_MAX_VERTICES];           // pointers for the sphere map
    const float *normal_of[PATCH_MAX_VERTICES];
    uint16_t indices[PATCH_MAX_TRIANGLES * 3];
};

// The working grid; one face is drawn at a time.
static PatchGrid g_grid;

static int patch_level(const Viewer *viewer);
static int curve_mode(const Face *face);
static int colours_on(const Viewer *viewer, const Model *model);
static int read_corners(Viewer *viewer, Model *model, const Face *face, const FaceCache *cache, int own_normals,
                        int colours, PatchCorners *corners);
static void tessellate(PatchGrid *grid, const PatchCorners *corners, int mode, int level);
static void pack_attributes(PatchGrid *grid, const PatchCorners *corners, int textured, int colours, int mode,
                            int level);
static void send_grid(PatchGrid *grid, int textured, int mirrored, int reflection, int hide_diagonals);
static void send_grid_vertex(const PatchGrid *grid, int k, const float *uv);
static void blend_vertex(const Matrix4 *a, const Matrix4 *b, float w, float *v);

int draw_face_curved(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored,
                     int reflection)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return 0;
    if (viewer->skinned_curves) return draw_face_skinned(viewer, model, face, textured, mirrored);
    FaceCache *cache = rcache_face(viewer, model, face);
    if (cache == nullptr) return 0;
    int colours = colours_on(viewer, model);
    PatchCorners corners;
    if (!read_corners(viewer, model, face, cache, 0, colours, &corners)) return 0;
    int edge_normals = face->quad ? 8 : 6;
    for (int k = 0; k < edge_normals; k++) {
        const float *normal = rcache_vertex_normal(viewer, model, face->edge_ids[k], 0);
        if (normal == nullptr) return 0;
        memcpy(corners.normals + 3 * (4 + k), normal, 3 * sizeof(float));
    }
    int mode = curve_mode(face);
    int level = patch_level(viewer);
    tessellate(&g_grid, &corners, mode, level);
    if (viewer->control_net) draw_control_net(&g_grid.control, face->quad);
    pack_attributes(&g_grid, &corners, textured, colours, mode, level);
    send_grid(&g_grid, textured, mirrored, reflection, face->quad);
    if (viewer->normals) draw_curved_normals(viewer, model, face, g_grid.vertices, g_grid.positions, g_grid.normals);
    return g_grid.triangles;
}

int draw_face_pn(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return 0;
    FaceCache *cache = rcache_face(viewer, model, face);
    if (cache == nullptr) return 0;
    int colours = colours_on(viewer, model);
    PatchCorners all;
    if (!read_corners(viewer, model, face, cache, 1, colours, &all)) return 0;
    int level = patch_level(viewer);
    // A quad is two PN triangles: corners (0, 1, 2), then (2, 1, 3).
    static const int PASSES[2][3] = {{0, 1, 2}, {2, 1, 3}};
    int total = 0;
    for (int pass = 0; pass < (face->quad ? 2 : 1); pass++) {
        PatchCorners corners;
        memset(&corners, 0, sizeof corners);
        corners.count = 3;
        for (int i = 0; i < 3; i++) {
            int from = PASSES[pass][i];
            memcpy(corners.positions + 3 * i, all.positions + 3 * from, 3 * sizeof(float));
            memcpy(corners.normals + 3 * i, all.normals + 3 * from, 3 * sizeof(float));
            corners.colours[i] = all.colours[from];
            corners.uv[i][0] = all.uv[from][0];
            corners.uv[i][1] = all.uv[from][1];
        }
        // Edge normals are the corner normals: 0->1 (N0, N1), 1->2 (N1, N2), 2->0 (N2, N0).
        for (int e = 0; e < 3; e++) {
            memcpy(corners.normals + 3 * (4 + 2 * e), corners.normals + 3 * e, 3 * sizeof(float));
            memcpy(corners.normals + 3 * (5 + 2 * e), corners.normals + 3 * ((e + 1) % 3), 3 * sizeof(float));
        }
        tessellate(&g_grid, &corners, 3, level);
        if (viewer->control_net) draw_control_net(&g_grid.control, 0);
        pack_attributes(&g_grid, &corners, textured, colours, 3, level);
        send_grid(&g_grid, textured, mirrored, 0, 0);
        total += g_grid.triangles;
        if (viewer->normals) {
            draw_curved_normals(viewer, model, face, g_grid.vertices, g_grid.positions, g_grid.normals);
        }
    }
    return total;
}

int draw_face_skinned(Viewer *viewer, Model *model, Face *face, int textured, int mirrored)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return 0;
    int level = patch_level(viewer);
    int vertices = 0;
    int attribute_count = 0;
    int triangles = draw_face_skinned_patch(viewer, model, face, level, textured, g_grid.positions, g_grid.normals,
                                            g_grid.weights, g_grid.attributes, g_grid.indices, &vertices,
                                            &attribute_count);
    if (triangles == 0) return 0;
    g_grid.vertices = vertices;
    g_grid.triangles = triangles;
    g_grid.attribute_count = attribute_count;
    int colours = colours_on(viewer, model);
    g_grid.colour_offset = colours ? (textured ? 2 : 0) : -1;
    send_grid(&g_grid, textured, mirrored, 0, face->quad);
    if (viewer->normals) draw_curved_normals(viewer, model, face, vertices, g_grid.positions, g_grid.normals);
    return triangles;
}

int draw_face_skinned_patch(Viewer *viewer, Model *model, Face *face, int level, int textured, float *positions,
                            float *normals, float *weights, float *attributes, uint16_t *indices,
                            int *vertex_count, int *attribute_count)
{
    if (vertex_count != nullptr) *vertex_count = 0;
    if (attribute_count != nullptr) *attribute_count = 0;
    if (viewer == nullptr || model == nullptr || face == nullptr || positions == nullptr || normals == nullptr ||
        weights == nullptr || attributes == nullptr || indices == nullptr) {
        return 0;
    }
    FaceCache *cache = rcache_face(viewer, model, face);
    if (cache == nullptr) return 0;
    if (level < 0) level = 0;
    if (level > PATCH_MAX_LEVEL) level = PATCH_MAX_LEVEL;
    int mode = curve_mode(face);
    int colours = colours_on(viewer, model);
    PatchCorners corners;
    memset(&corners, 0, sizeof corners);
    corners.count = face->quad ? 4 : 3;
    Joint *joints[4] = {nullptr, nullptr, nullptr, nullptr};
    float corner_weights[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < corners.count; i++) {
        int32_t slot = rcache_face_point_slot(cache, face, i, 0);
        Point *point = static_cast<Point *>(table_nth(&model->points, slot, 0));
        const Point *normal =
            static_cast<const Point *>(table_nth(&model->points, rcache_face_point_slot(cache, face, i, 1), 0));
        if (point == nullptr || normal == nullptr) return 0;
        memcpy(corners.positions + 3 * i, point->position, 3 * sizeof(float));
        memcpy(corners.normals + 3 * i, normal->normal, 3 * sizeof(float));
        corners.colours[i] = colours ? rcache_vertex_colour(viewer, model, slot, 1) : nullptr;
        if (colours && corners.colours[i] == nullptr) return 0;
        corners.uv[i][0] = face->uv[i][0];
        corners.uv[i][1] = face->uv[i][1];
        joints[i] = point->joint;
        corner_weights[i] = point->weight;
    }
    int edge_normals = face->quad ? 8 : 6;
    for (int k = 0; k < edge_normals; k++) {
        const Point *point = static_cast<const Point *>(table_find(&model->points, face->edge_ids[k]));
        if (point == nullptr) return 0;
        memcpy(corners.normals + 3 * (4 + k), point->normal, 3 * sizeof(float));
    }

    PatchControl control;
    int vertices;
    int triangles;
    if (face->quad) {
        patch_quad_control_points(corners.positions, corners.normals, &control);
        patch_quad_weight_grid(joints, corner_weights, mode, level, weights);
        vertices = patch_quad_evaluate(&control, mode, level, positions, normals);
        triangles = patch_quad_indices(mode, level, indices);
    } else {
        pn_triangle_control_points(corners.positions, corners.normals, &control);
        pn_triangle_weight_grid(joints, corner_weights, mode, level, weights);
        vertices = pn_triangle_evaluate(&control, mode, level, positions, normals);
        triangles = pn_triangle_indices(mode, level, indices);
    }

    // The second joint: the last corner joint that differs from corner 0's, else its parent.
    Joint *pair[2] = {joints[0], joints[0]};
    for (int i = 1; i < corners.count; i++) {
        if (joints[i] != joints[0]) pair[1] = joints[i];
    }
    if (pair[1] == pair[0] && pair[0] != nullptr) {
        pair[1] = pair[0]->parent_index != -1 ? model_find_joint(model, pair[0]->parent_name) : nullptr;
    }
    draw_skin_patch_vertices(viewer, model, vertices, positions, normals, weights, pair);

    float values[MAX_ATTRIBUTES * 4];
    int count = 0;
    if (textured) {
        for (int i = 0; i < corners.count; i++) {
            values[count * corners.count + i] = corners.uv[i][0];
            values[(count + 1) * corners.count + i] = corners.uv[i][1];
        }
        count += 2;
    }
    if (colours) {
        for (int c = 0; c < 3; c++) {
            for (int i = 0; i < corners.count; i++)
                values[(count + c) * corners.count + i] = (float)corners.colours[i][c] * POINT_COLOUR_SCALE;
        }
        count += 3;
    }
    if (count > 0) {
        if (face->quad) patch_quad_interpolate(values, count, mode, level, attributes);
        else pn_triangle_interpolate(values, count, mode, level, attributes);
    }
    if (vertex_count != nullptr) *vertex_count = vertices;
    if (attribute_count != nullptr) *attribute_count = count;
    return triangles;
}

void draw_skin_patch_vertices(Viewer *viewer, Model *model, int count, float *positions, float *normals,
                              const float *weights, Joint *const *pair)
{
    if (viewer == nullptr || model == nullptr || pair == nullptr || positions == nullptr || normals == nullptr ||
        weights == nullptr) {
        return;
    }
    // The matrices are copied: fetching the second cache may grow the cache table.
    Matrix4 skin[2];
    Matrix4 rotation[2];
    int present[2] = {0, 0};
    for (int j = 0; j < 2; j++) {
        JointCache *cache = pair[j] != nullptr ? rcache_joint(viewer, model, pair[j]) : nullptr;
        if (cache == nullptr) continue;
        skin[j] = cache->skin;
        rotation[j] = cache->rotation_only;
        present[j] = 1;
    }
    const Matrix4 *skin_a = present[0] ? &skin[0] : nullptr;
    const Matrix4 *skin_b = present[1] ? &skin[1] : nullptr;
    const Matrix4 *rotation_a = present[0] ? &rotation[0] : nullptr;
    const Matrix4 *rotation_b = present[1] ? &rotation[1] : nullptr;
    for (int k = 0; k < count; k++) {
        blend_vertex(skin_a, skin_b, weights[k], positions + 3 * k);
        blend_vertex(rotation_a, rotation_b, weights[k], normals + 3 * k);
    }
}

void draw_control_net(const PatchControl *control, int quad)
{
    if (control == nullptr) return;
    GLboolean lighting = glIsEnabled(GL_LIGHTING);
    GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    if (quad) {
        for (int r = 0; r < 4; r++) {
            for (int c = 0; c < 4; c++) {
                if (c < 3) {
                    glVertex3fv(control->v[4 * r + c]);
                    glVertex3fv(control->v[4 * r + c + 1]);
                }
                if (r < 3) {
                    glVertex3fv(control->v[4 * r + c]);
                    glVertex3fv(control->v[4 * (r + 1) + c]);
                }
            }
        }
    } else {
        // Rows 0 | 1 2 | 3 4 5 | 6 7 8 9: neighbours in a row, and each point to the two below it.
        int first = 0;
        for (int r = 0; r < 4; r++) {
            for (int j = 0; j <= r; j++) {
                int k = first + j;
                if (j < r) {
                    glVertex3fv(control->v[k]);
                    glVertex3fv(control->v[k + 1]);
                }
                if (r < 3) {
                    int below = first + r + 1 + j;
                    glVertex3fv(control->v[k]);
                    glVertex3fv(control->v[below]);
                    glVertex3fv(control->v[k]);
                    glVertex3fv(control->v[below + 1]);
                }
            }
            first += r + 1;
        }
    }
    glEnd();
    if (lighting) glEnable(GL_LIGHTING);
    if (texturing) glEnable(GL_TEXTURE_2D);
    glColor3f(colour[0], colour[1], colour[2]);
}

void draw_curved_normals(Viewer *viewer, Model *model, Face *face, int count, const float *positions,
                         const float *normals)
{
    if (viewer == nullptr || model == nullptr || face == nullptr || positions == nullptr || normals == nullptr) {
        return;
    }
    FaceCache *cache = rcache_face(viewer, model, face);
    if (cache == nullptr) return;
    const float *corner[3];
    for (int i = 0; i < 3; i++) {
        corner[i] = rcache_vertex_position(viewer, model, rcache_face_point_slot(cache, face, i, 0), 1);
        if (corner[i] == nullptr) return;
    }
    float length = draw_mean_edge_length(corner[0], corner[1], corner[2]) * CURVED_NORMAL_SCALE;
    DrawLineState state = draw_save_line_state();
    glColor3f(0.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (int k = 0; k < count; k++) {
        const float *p = positions + 3 * k;
        const float *n = normals + 3 * k;
        glVertex3fv(p);
        glVertex3f(p[0] + length * n[0], p[1] + length * n[1], p[2] + length * n[2]);
    }
    glEnd();
    draw_restore_line_state(&state);
}

// min(lod, 6), and never below 0.
static int patch_level(const Viewer *viewer)
{
    int level = viewer->lod;
    if (level < 0) return 0;
    return level > PATCH_MAX_LEVEL ? PATCH_MAX_LEVEL : level;
}

// The face's curve kind as tessellation mode; a triangle of kind 4 draws as kind 3.
static int curve_mode(const Face *face)
{
    if (!face->quad && face->curve == 4) return 3;
    return face->curve;
}

static int colours_on(const Viewer *viewer, const Model *model)
{
    return model->has_gouraud && viewer->gouraud;
}

// Corner positions, normals (the normal ids' points, or with own_normals the corner points'
// own), colour bytes and texture coordinates. 0 when a point is gone.
static int read_corners(Viewer *viewer, Model *model, const Face *face, const FaceCache *cache, int own_normals,
                        int colours, PatchCorners *corners)
{
    memset(corners, 0, sizeof *corners);
    corners->count = face->quad ? 4 : 3;
    for (int i = 0; i < corners->count; i++) {
        int32_t slot = rcache_face_point_slot(cache, face, i, 0);
        const float *position = rcache_vertex_position(viewer, model, slot, 1);
        const float *normal =
            rcache_vertex_normal(viewer, model, own_normals ? slot : rcache_face_point_slot(cache, face, i, 1), 1);
        if (position == nullptr || normal == nullptr) return 0;
        memcpy(corners->positions + 3 * i, position, 3 * sizeof(float));
        memcpy(corners->normals + 3 * i, normal, 3 * sizeof(float));
        corners->colours[i] = colours ? rcache_vertex_colour(viewer, model, slot, 1) : nullptr;
        if (colours && corners->colours[i] == nullptr) return 0;
        corners->uv[i][0] = face->uv[i][0];
        corners->uv[i][1] = face->uv[i][1];
    }
    return 1;
}

// Control data, grid and indices of the corners at mode and level.
static void tessellate(PatchGrid *grid, const PatchCorners *corners, int mode, int level)
{
    if (corners->count == 4) {
        patch_quad_control_points(corners->positions, corners->normals, &grid->control);
        grid->vertices = patch_quad_evaluate(&grid->control, mode, level, grid->positions, grid->normals);
        grid->triangles = patch_quad_indices(mode, level, grid->indices);
    } else {
        pn_triangle_control_points(corners->positions, corners->normals, &grid->control);
        grid->vertices = pn_triangle_evaluate(&grid->control, mode, level, grid->positions, grid->normals);
        grid->triangles = pn_triangle_indices(mode, level, grid->indices);
    }
}

// Interpolates u, v (when textured) and r, g, b (when colours are on) over the grid.
static void pack_attributes(PatchGrid *grid, const PatchCorners *corners, int textured, int colours, int mode,
                            int level)
{
    int n = corners->count;
    float values[MAX_ATTRIBUTES * 4];
    int count = 0;
    if (textured) {
        for (int i = 0; i < n; i++) {
            values[count * n + i] = corners->uv[i][0];
            values[(count + 1) * n + i] = corners->uv[i][1];
        }
        count += 2;
    }
    grid->colour_offset = -1;
    if (colours) {
        grid->colour_offset = count;
        for (int c = 0; c < 3; c++) {
            for (int i = 0; i < n; i++) values[(count + c) * n + i] = (float)corners->colours[i][c] * POINT_COLOUR_SCALE;
        }
        count += 3;
    }
    grid->attribute_count = count;
    if (count == 0) return;
    if (n == 4) patch_quad_interpolate(values, count, mode, level, grid->attributes);
    else pn_triangle_interpolate(values, count, mode, level, grid->attributes);
}

// The grid's triangles in one GL_TRIANGLES primitive, each as its first, third, second index
// (first, second, third when mirrored). hide_diagonals: the edge between each triangle's
// second and third index (a quad cell's diagonal) gets edge flag off.
static void send_grid(PatchGrid *grid, int textured, int mirrored, int reflection, int hide_diagonals)
{
    if (reflection) {
        for (int k = 0; k < grid->vertices; k++) {
            grid->position_of[k] = grid->positions + 3 * k;
            grid->normal_of[k] = grid->normals + 3 * k;
        }
        draw_sphere_map_uv(grid->position_of, grid->normal_of, grid->sphere_uv, grid->vertices);
        hide_diagonals = 0;
    }
    glBegin(GL_TRIANGLES);
    glEdgeFlag(GL_TRUE);
    for (int t = 0; t < grid->triangles; t++) {
        const uint16_t *tri = grid->indices + 3 * t;
        int order[3] = {tri[0], mirrored ? tri[1] : tri[2], mirrored ? tri[2] : tri[1]};
        for (int c = 0; c < 3; c++) {
            int k = order[c];
            if (hide_diagonals) glEdgeFlag(c == 1 ? GL_FALSE : GL_TRUE);
            const float *uv = nullptr;
            if (reflection) uv = grid->sphere_uv + 2 * k;
            else if (textured) uv = grid->attributes + grid->attribute_count * k;
            send_grid_vertex(grid, k, uv);
        }
    }
    glEdgeFlag(GL_TRUE);
    glEnd();
    glEdgeFlag(GL_TRUE);
}

// Texture coordinate (when given), interpolated colour (when on), normal and position.
static void send_grid_vertex(const PatchGrid *grid, int k, const float *uv)
{
    if (uv != nullptr) glTexCoord2f(uv[0], uv[1]);
    if (grid->colour_offset >= 0) {
        const float *c = grid->attributes + grid->attribute_count * k + grid->colour_offset;
        glColor3f(c[0], c[1], c[2]);
    }
    glNormal3fv(grid->normals + 3 * k);
    glVertex3fv(grid->positions + 3 * k);
}

// v = w a(v) + (1 - w) b(v); a missing matrix leaves v as it is for its share.
static void blend_vertex(const Matrix4 *a, const Matrix4 *b, float w, float *v)
{
    float from_a[3] = {v[0], v[1], v[2]};
    float from_b[3] = {v[0], v[1], v[2]};
    if (a != nullptr) mat4_transform_point(a, v, from_a);
    if (b != nullptr) mat4_transform_point(b, v, from_b);
    for (int i = 0; i < 3; i++) v[i] = w * from_a[i] + (1.0f - w) * from_b[i];
}
