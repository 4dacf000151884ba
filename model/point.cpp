#include "model/point.h"

#include <cstring>

#include "foundation/keyed_table.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_query.h"

static float g_point_find_position[3];

static Point *find_in_tree(Model *model, int32_t id, Model **owner);

Point *point_get_or_create(Model *model, int32_t id)
{
    if (!model || id < 1) return nullptr;
    Point *point = static_cast<Point *>(table_find(&model->points, id));
    if (point) return point;
    point = static_cast<Point *>(table_add(&model->points, id));
    if (!point) return nullptr;
    memset(point, 0, sizeof *point);
    point->gouraud[0] = 127;
    point->gouraud[1] = 127;
    point->gouraud[2] = 127;
    point->gouraud[3] = 0;
    point->normal[2] = 1.0f;
    point->viewer_index = -1;
    return point;
}

Point *point_find(Model *model, int32_t id)
{
    if (!model) return nullptr;
    return find_in_tree(model, id, nullptr);
}

Model *point_find_owner(Model *model, int32_t id)
{
    if (!model) return nullptr;
    Model *owner = nullptr;
    return find_in_tree(model, id, &owner) ? owner : nullptr;
}

int point_usable_in_file(Model *model, int32_t id)
{
    Model *owner = point_find_owner(model, id);
    return !owner || owner == model;
}

int point_delete(Model *model, int32_t id)
{
    if (!model) return 0;
    return table_remove(&model->points, id);
}

void point_get_position(float *out, const Point *point)
{
    if (!out) return;
    for (int i = 0; i < 3; i++) out[i] = point ? point->position[i] : 0.0f;
}

void point_get_normal(float *out, const Point *point)
{
    if (!out) return;
    for (int i = 0; i < 3; i++) out[i] = point ? point->normal[i] : 0.0f;
}

void point_get_color(float *out, const Point *point)
{
    if (!out) return;
    for (int i = 0; i < 4; i++) out[i] = point ? static_cast<float>(point->gouraud[i]) : 255.0f;
}

const float *point_find_position(Model *model, int32_t id)
{
    memset(g_point_find_position, 0, sizeof g_point_find_position);
    const Point *point = point_find(model, id);
    if (!point) return nullptr;
    memcpy(g_point_find_position, point->position, sizeof g_point_find_position);
    return g_point_find_position;
}

void point_world_position(float *out, Model *model, const float *position)
{
    if (!out) return;
    float p[3] = {0.0f, 0.0f, 0.0f};
    if (position) memcpy(p, position, sizeof p);
    Matrix4 m;
    mat4_identity(&m);
    for (Model *level = model; level && level->parent; level = level->parent) {
        const Child *child = nullptr;
        Model *parent = level->parent;
        for (int32_t slot = 0; slot < parent->children.capacity && !child; slot++) {
            const Child *c = static_cast<const Child *>(table_nth(&parent->children, slot, 0));
            if (c && strcmp(c->name, level->name) == 0) child = c;
        }
        if (!child) break;
        Matrix4 k;
        model_child_placement(child, &k);
        mat4_multiply(&m, &k, &m);
    }
    mat4_transform_point(&m, p, out);
}

int32_t point_max_id(Model *model)
{
    if (!model) return -1;
    int32_t best = -1;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        if (!table_nth(&model->points, slot, 0)) continue;
        int32_t key = model->points.slots[slot].key;
        if (key > best) best = key;
    }
    return best;
}

// The model's own table first, then each child's model depth-first in child-table order.
// Children are visited by slot so that a walk the caller has open stays undisturbed.
// owner, when given, receives the model whose table holds the point.
static Point *find_in_tree(Model *model, int32_t id, Model **owner)
{
    Point *point = static_cast<Point *>(table_find(&model->points, id));
    if (point) {
        if (owner) *owner = model;
        return point;
    }
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (!child || !child->model) continue;
        point = find_in_tree(child->model, id, owner);
        if (point) return point;
    }
    return nullptr;
}
