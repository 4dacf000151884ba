#include "model/subdivision.h"

#include <cmath>
#include <cstring>

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"

// Colour bytes to 0..1.
constexpr float BYTE_TO_UNIT = 1.0f / 255.0f;

// One new point of a subdivision: its grid vertex and the two corners of its edge (for the
// centre of a full quad, the plan entries of m02 and m13 instead).
struct SubdivisionPoint {
    int32_t grid;
    int32_t a;
    int32_t b;
    int32_t centre; // 1 for the centre of a full quad
};

// How one curve kind is subdivided at level 1: which grid vertices are corners, which become
// new points (in id order), and the strips and face, as grid vertices, that cover the face.
struct SubdivisionPlan {
    int32_t corner_grid[4];          // grid vertex of corner 0..3; -1 for a triangle's 4th
    int32_t point_count;             // new points
    SubdivisionPoint points[5];
    int32_t strip_count;
    int32_t strip_length[2];
    int32_t strips[2][6];
    int32_t face[3];                 // grid vertices of an extra triangle; face[0] -1 for none
};

// Plans by index: 0 triangle kind 1, 1 triangle kind 2, 2 quad kind 2, 3 triangle kind 3,
// 4 full quad. Grid vertices at level 1: triangle kind 1: c0 m01 c1 c2; kind 2: c0 m01 c1
// m02 c2; kind 3: c0 m01 c1 m02 m12 c2; quad kind 2: c0 c2 m01 m23 c1 c3; full quad: c0 m02
// c2 m01 centre m23 c1 m13 c3.
static const SubdivisionPlan PLANS[5] = {
    {{0, 2, 3, -1}, 1, {{1, 0, 1, 0}}, 1, {4, 0}, {{0, 1, 3, 2}}, {-1, -1, -1}},
    {{0, 2, 4, -1}, 2, {{1, 0, 1, 0}, {3, 0, 2, 0}}, 1, {5, 0}, {{0, 1, 3, 2, 4}}, {-1, -1, -1}},
    {{0, 4, 1, 5}, 2, {{2, 0, 1, 0}, {3, 2, 3, 0}}, 1, {6, 0}, {{4, 5, 2, 3, 0, 1}}, {-1, -1, -1}},
    {{0, 2, 5, -1},
     3,
     {{1, 0, 1, 0}, {3, 0, 2, 0}, {4, 1, 2, 0}},
     1,
     {5, 0},
     {{0, 1, 3, 4, 5}},
     {1, 2, 4}},
    {{0, 6, 2, 8},
     5,
     {{1, 0, 2, 0}, {3, 0, 1, 0}, {4, 0, 4, 1}, {5, 2, 3, 0}, {7, 1, 3, 0}},
     2,
     {6, 6},
     {{0, 3, 1, 4, 2, 5}, {3, 6, 4, 7, 5, 8}},
     {-1, -1, -1}},
};

static int read_corners(Model *model, const Face *face, PatchCorners *out);
static int grid_with(const Model *model, int textured);
static Joint *model_joint_of(Model *model, const Point *point);
static int read_normal(Model *model, int32_t id, float *out);
static const SubdivisionPlan *plan_for(const Face *face);
static Joint *edge_joint(Model *model, Joint *a, Joint *b);
static int32_t whole(float value);
static uint8_t unit_byte(float value);

int32_t face_patch_evaluate(Model *model, const Face *face, int32_t level, int textured,
                            float *positions, float *normals, float *weights, float *attributes,
                            uint16_t *indices, int32_t *attribute_count)
{
    if (attribute_count) *attribute_count = 0;
    if (!model || !face) return 0;
    PatchCorners corners;
    if (!read_corners(model, face, &corners)) return 0;
    PatchGrid grid;
    patch_grid_evaluate(&grid, &corners, face->curve, level, grid_with(model, textured), BYTE_TO_UNIT);
    patch_grid_copy(&grid, positions, normals, weights, attributes, indices);
    if (attribute_count) *attribute_count = grid.attribute_count;
    return grid.triangles;
}

int32_t model_tessellate_face(Model *model, Layer *layer, const Face *face, int32_t level,
                              int32_t first_id)
{
    if (!model || !layer || !face) return 0;
    // The face lives in a table that the added face may move: work on a copy.
    Face source = *face;
    const SubdivisionPlan *plan = plan_for(&source);
    if (!plan) return 0;
    if (first_id < 1) {
        err_set("new point id below 1 not allowed");
        return 0;
    }
    if (first_id > SUBDIVISION_MAX_POINT_ID - plan->point_count + 1) {
        err_set("new point id above 32767 not allowed");
        return 0;
    }
    for (int32_t k = 0; k < plan->point_count; k++) {
        if (table_find(&model->points, first_id + k)) {
            err_set("new point id already in use");
            return 0;
        }
    }
    PatchCorners corners;
    if (!read_corners(model, &source, &corners)) return 0;

    int textured = table_count(&layer->uvees) > 0;
    PatchGrid grid;
    if (patch_grid_evaluate(&grid, &corners, source.curve, 1, grid_with(model, textured), BYTE_TO_UNIT) == 0)
        return 0;

    // Owning joints: edge points first, then the centre from two of them.
    int has_joints = table_count(&model->joints) > 0;
    Joint *joints[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
    for (int32_t k = 0; has_joints && k < plan->point_count; k++) {
        const SubdivisionPoint *p = &plan->points[k];
        if (!p->centre) joints[k] = edge_joint(model, corners.joints[p->a], corners.joints[p->b]);
    }
    for (int32_t k = 0; has_joints && k < plan->point_count; k++) {
        const SubdivisionPoint *p = &plan->points[k];
        if (p->centre) joints[k] = edge_joint(model, joints[p->a], joints[p->b]);
    }

    // Point and normal id of every grid vertex the geometry uses.
    int32_t grid_point[PATCH_MAX_VERTICES];
    int32_t grid_normal[PATCH_MAX_VERTICES];
    for (int32_t c = 0; c < corners.count; c++) {
        grid_point[plan->corner_grid[c]] = source.point_ids[c];
        grid_normal[plan->corner_grid[c]] = source.normal_ids[c];
    }

    uint8_t transparency = unit_byte(layer->transparency);
    for (int32_t k = 0; k < plan->point_count; k++) {
        int32_t id = first_id + k;
        int32_t g = plan->points[k].grid;
        const float *p = grid.positions + 3 * g;
        const float *n = grid.normals + 3 * g;
        const float *attr = grid.attributes + grid.attribute_count * g;
        float weight = grid.weights[g];
        if (has_joints && joints[k] != corners.joints[0]) weight = 1.0f - weight;
        model_set_point(model, id, whole(p[0]), whole(p[1]), whole(p[2]), weight);
        if (n[0] != 0.0f || n[1] != 0.0f || n[2] != 0.0f)
            model_set_normal(model, nullptr, 0, id, n[0], n[1], n[2]);
        if (model->has_gouraud) {
            const float *rgb = attr + grid.colour_offset;
            model_set_gouraud(model, id, unit_byte(rgb[0]), unit_byte(rgb[1]), unit_byte(rgb[2]),
                              transparency);
        }
        if (textured) model_add_uvee(model, layer->name, id, attr[0], attr[1]);
        if (joints[k]) {
            model_set_point_joints(model, id, joints[k]->name, joints[k]->parent_name);
            joints[k]->point_count++;
        }
        grid_point[g] = id;
        grid_normal[g] = id;
    }

    for (int32_t s = 0; s < plan->strip_count; s++) {
        int32_t ids[6], normal_ids[6];
        for (int32_t i = 0; i < plan->strip_length[s]; i++) {
            ids[i] = grid_point[plan->strips[s][i]];
            normal_ids[i] = grid_normal[plan->strips[s][i]];
        }
        model_add_strip(model, layer->name, plan->strip_length[s], ids, normal_ids);
    }
    if (plan->face[0] >= 0) {
        int32_t ids[4] = {0, 0, 0, 0}, normal_ids[4] = {0, 0, 0, 0};
        for (int32_t i = 0; i < 3; i++) {
            ids[i] = grid_point[plan->face[i]];
            normal_ids[i] = grid_normal[plan->face[i]];
        }
        model_add_face(model, layer->name, 0, ids, normal_ids, nullptr, 0);
    }
    return plan->point_count;
}

// Copies the positions, normals, weights, joints, colours and texture coordinates of the
// face's corners and the normals of its edge-normal ids; 0 with "point does not exist" when
// an id names no point of the model or its children.
static int read_corners(Model *model, const Face *face, PatchCorners *out)
{
    memset(out, 0, sizeof *out);
    out->count = face->quad ? 4 : 3;
    for (int32_t c = 0; c < out->count; c++) {
        const Point *point = point_find(model, face->point_ids[c]);
        if (!point || !read_normal(model, face->normal_ids[c], out->normals + 3 * c)) {
            err_set("point does not exist");
            return 0;
        }
        memcpy(out->positions + 3 * c, point->position, 3 * sizeof(float));
        out->weights[c] = point->weight;
        out->joints[c] = model_joint_of(model, point);
        memcpy(out->colours[c], point->gouraud, sizeof out->colours[c]);
        out->uv[c][0] = face->uv[c][0];
        out->uv[c][1] = face->uv[c][1];
    }
    int32_t edges = 2 * out->count;
    for (int32_t k = 0; k < edges; k++) {
        if (!read_normal(model, face->edge_ids[k], out->normals + 3 * (4 + k))) {
            err_set("point does not exist");
            return 0;
        }
    }
    return 1;
}

// What a subdivision interpolates: skin weights always, texture coordinates when asked,
// colours when the model has gouraud colours.
static int grid_with(const Model *model, int textured)
{
    return PATCH_WITH_WEIGHTS | (textured ? PATCH_WITH_UV : 0) | (model->has_gouraud ? PATCH_WITH_COLOURS : 0);
}

// The point's owning joint as a joint of the model: a point of a child model names a joint
// of the child's table, which is looked up by name in the model (null when it has none).
static Joint *model_joint_of(Model *model, const Point *point)
{
    if (!point->joint) return nullptr;
    uintptr_t address = reinterpret_cast<uintptr_t>(point->joint);
    uintptr_t base = reinterpret_cast<uintptr_t>(model->joints.data);
    uintptr_t end = base + static_cast<uintptr_t>(model->joints.room) * sizeof(Joint);
    if (base && address >= base && address < end) return point->joint;
    return model_find_joint(model, point->joint->name);
}

// out = the normal of the point of that id (model first, then its children); 0 when none.
static int read_normal(Model *model, int32_t id, float *out)
{
    const Point *point = point_find(model, id);
    if (!point) return 0;
    memcpy(out, point->normal, 3 * sizeof(float));
    return 1;
}

// The plan of the face's curve kind; null for a flat face or a kind it cannot have. A
// triangle of kind 4 is subdivided as kind 3; a quad of any kind but 2 as a full quad.
static const SubdivisionPlan *plan_for(const Face *face)
{
    if (face->curve == 0) return nullptr;
    if (face->quad) return face->curve == 2 ? &PLANS[2] : &PLANS[4];
    switch (face->curve) {
    case 1: return &PLANS[0];
    case 2: return &PLANS[1];
    case 3:
    case 4: return &PLANS[3];
    default: return nullptr;
    }
}

// Joint of a new point between points owned by a and b: b when b is a direct child of a
// (no joint counts as the parent of every root joint), else a.
static Joint *edge_joint(Model *model, Joint *a, Joint *b)
{
    if (!b) return a;
    int32_t parent = a ? model_joint_index(model, a->name) : -1;
    return b->parent_index == parent ? b : a;
}

// A grid coordinate as the whole number nearest to it, kept within the int32 range.
static int32_t whole(float value)
{
    if (!(value == value)) return 0;
    if (value >= 2147483520.0f) return 2147483520;
    if (value <= -2147483520.0f) return -2147483520;
    return static_cast<int32_t>(std::lround(value));
}

// A 0..1 value as a byte: times 255, truncated, kept within 0..255.
static uint8_t unit_byte(float value)
{
    float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<uint8_t>(scaled);
}
