// Curved-face drawing. One face at a time is gathered into the working arrays
// below (corners, control data, grid, indices, attribute values), so drawing
// any number of faces allocates nothing.
#include "viewer/draw_curved.h"

#include "foundation/keyed_table.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/patch_grid.h"
#include "viewer/display_options.h"
#include "viewer/draw_overlay.h"
#include "viewer/draw_texture.h"
#include "viewer/tri_batch.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstring>

// A point colour byte of 255 is full intensity.
static const float POINT_COLOUR_SCALE = 0.00392157f;
// Length of the tessellated normals, in mean edge lengths of the face.
static const float CURVED_NORMAL_SCALE = 0.25f;

// The face being drawn: its evaluated patch and what the reflection pass sends with it.
struct CurvedFace {
    PatchGrid grid;
    float sphere_uv[PATCH_MAX_VERTICES * 2];       // reflection pass coordinates
    const float *position_of[PATCH_MAX_VERTICES];  // pointers for the sphere map
    const float *normal_of[PATCH_MAX_VERTICES];
};

// The working face; one face is drawn at a time.
static CurvedFace g_face;

static int patch_level(const Viewer *viewer);
static int curve_mode(const Face *face);
static int colours_on(const Viewer *viewer, const Model *model);
static int grid_with(int textured, int colours);
static int read_corners(Viewer *viewer, Model *model, const Face *face, const FaceCache *cache, int own_normals,
                        int colours, PatchCorners *corners);
static void send_grid(CurvedFace *drawn, int textured, int mirrored, int reflection, int hide_diagonals);
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
    PatchGrid *grid = &g_face.grid;
    patch_grid_evaluate(grid, &corners, curve_mode(face), patch_level(viewer), grid_with(textured, colours),
                        POINT_COLOUR_SCALE);
    if (viewer->control_net) draw_control_net(&grid->control, face->quad);
    send_grid(&g_face, textured, mirrored, reflection, face->quad);
    if (viewer->normals) draw_curved_normals(viewer, model, face, grid->vertices, grid->positions, grid->normals);
    return grid->triangles;
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
            memcpy(corners.colours[i], all.colours[from], sizeof corners.colours[i]);
            corners.uv[i][0] = all.uv[from][0];
            corners.uv[i][1] = all.uv[from][1];
        }
        // Edge normals are the corner normals: 0->1 (N0, N1), 1->2 (N1, N2), 2->0 (N2, N0).
        for (int e = 0; e < 3; e++) {
            memcpy(corners.normals + 3 * (4 + 2 * e), corners.normals + 3 * e, 3 * sizeof(float));
            memcpy(corners.normals + 3 * (5 + 2 * e), corners.normals + 3 * ((e + 1) % 3), 3 * sizeof(float));
        }
        PatchGrid *grid = &g_face.grid;
        patch_grid_evaluate(grid, &corners, 3, level, grid_with(textured, colours), POINT_COLOUR_SCALE);
        if (viewer->control_net) draw_control_net(&grid->control, 0);
        send_grid(&g_face, textured, mirrored, 0, 0);
        total += grid->triangles;
        if (viewer->normals) draw_curved_normals(viewer, model, face, grid->vertices, grid->positions, grid->normals);
    }
    return total;
}

int draw_face_skinned(Viewer *viewer, Model *model, Face *face, int textured, int mirrored)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return 0;
    int level = patch_level(viewer);
    int vertices = 0;
    int attribute_count = 0;
    PatchGrid *grid = &g_face.grid;
    int triangles = draw_face_skinned_patch(viewer, model, face, level, textured, grid->positions, grid->normals,
                                            grid->weights, grid->attributes, grid->indices, &vertices,
                                            &attribute_count);
    if (triangles == 0) return 0;
    grid->vertices = vertices;
    grid->triangles = triangles;
    grid->attribute_count = attribute_count;
    int colours = colours_on(viewer, model);
    grid->colour_offset = colours ? (textured ? 2 : 0) : -1;
    send_grid(&g_face, textured, mirrored, 0, face->quad);
    if (viewer->normals) draw_curved_normals(viewer, model, face, vertices, grid->positions, grid->normals);
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
    for (int i = 0; i < corners.count; i++) {
        int32_t slot = rcache_face_point_slot(cache, face, i, 0);
        Point *point = static_cast<Point *>(table_nth(&model->points, slot, 0));
        const Point *normal =
            static_cast<const Point *>(table_nth(&model->points, rcache_face_point_slot(cache, face, i, 1), 0));
        if (point == nullptr || normal == nullptr) return 0;
        memcpy(corners.positions + 3 * i, point->position, 3 * sizeof(float));
        memcpy(corners.normals + 3 * i, normal->normal, 3 * sizeof(float));
        if (colours) {
            const uint8_t *colour = rcache_vertex_colour(viewer, model, slot, 1);
            if (colour == nullptr) return 0;
            memcpy(corners.colours[i], colour, sizeof corners.colours[i]);
        }
        corners.uv[i][0] = face->uv[i][0];
        corners.uv[i][1] = face->uv[i][1];
        corners.joints[i] = point->joint;
        corners.weights[i] = point->weight;
    }
    int edge_normals = face->quad ? 8 : 6;
    for (int k = 0; k < edge_normals; k++) {
        const Point *point = static_cast<const Point *>(table_find(&model->points, face->edge_ids[k]));
        if (point == nullptr) return 0;
        memcpy(corners.normals + 3 * (4 + k), point->normal, 3 * sizeof(float));
    }

    // Evaluated apart from the caller's arrays, which may be the working face's own.
    PatchGrid grid;
    patch_grid_evaluate(&grid, &corners, mode, level, PATCH_WITH_WEIGHTS | grid_with(textured, colours),
                        POINT_COLOUR_SCALE);

    // The second joint: the last corner joint that differs from corner 0's, else its parent.
    Joint *const *joints = corners.joints;
    Joint *pair[2] = {joints[0], joints[0]};
    for (int i = 1; i < corners.count; i++) {
        if (joints[i] != joints[0]) pair[1] = joints[i];
    }
    if (pair[1] == pair[0] && pair[0] != nullptr) {
        pair[1] = pair[0]->parent_index != -1 ? model_find_joint(model, pair[0]->parent_name) : nullptr;
    }
    draw_skin_patch_vertices(viewer, model, grid.vertices, grid.positions, grid.normals, grid.weights, pair);
    patch_grid_copy(&grid, positions, normals, weights, attributes, indices);
    if (vertex_count != nullptr) *vertex_count = grid.vertices;
    if (attribute_count != nullptr) *attribute_count = grid.attribute_count;
    return grid.triangles;
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
        if (colours) {
            const uint8_t *colour = rcache_vertex_colour(viewer, model, slot, 1);
            if (colour == nullptr) return 0;
            memcpy(corners->colours[i], colour, sizeof corners->colours[i]);
        }
        corners->uv[i][0] = face->uv[i][0];
        corners->uv[i][1] = face->uv[i][1];
    }
    return 1;
}

// What the drawing interpolates over a grid: texture coordinates when textured, colours when on.
static int grid_with(int textured, int colours)
{
    return (textured ? PATCH_WITH_UV : 0) | (colours ? PATCH_WITH_COLOURS : 0);
}

// The grid's triangles in one GL_TRIANGLES primitive, each as its first, third, second index
// (first, second, third when mirrored). hide_diagonals: the edge between each triangle's
// second and third index (a quad cell's diagonal) gets edge flag off.
static void send_grid(CurvedFace *drawn, int textured, int mirrored, int reflection, int hide_diagonals)
{
    const PatchGrid *grid = &drawn->grid;
    if (reflection) {
        for (int k = 0; k < grid->vertices; k++) {
            drawn->position_of[k] = grid->positions + 3 * k;
            drawn->normal_of[k] = grid->normals + 3 * k;
        }
        draw_sphere_map_uv(drawn->position_of, drawn->normal_of, drawn->sphere_uv, grid->vertices);
        hide_diagonals = 0;
    }
    batch_begin(GL_TRIANGLES, 0);
    for (int t = 0; t < grid->triangles; t++) {
        const uint16_t *tri = grid->indices + 3 * t;
        int order[3] = {tri[0], mirrored ? tri[1] : tri[2], mirrored ? tri[2] : tri[1]};
        for (int c = 0; c < 3; c++) {
            int k = order[c];
            if (hide_diagonals) glEdgeFlag(c == 1 ? GL_FALSE : GL_TRUE);
            const float *uv = nullptr;
            if (reflection) uv = drawn->sphere_uv + 2 * k;
            else if (textured) uv = grid->attributes + grid->attribute_count * k;
            send_grid_vertex(grid, k, uv);
        }
    }
    glEdgeFlag(GL_TRUE);
    batch_end();
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
    batch_vertex(grid->positions + 3 * k);
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
