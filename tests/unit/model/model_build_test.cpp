// Building operations: checks in their order, their messages, and what a
// refused operation leaves behind.
#include "model_fixture.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace model_test;

namespace {

Layer *layer_of(Model *m, const char *name)
{
    return model_find_layer(m, name);
}

} // namespace

TEST(AddLayer, DefaultsAndDuplicate)
{
    Model *m = model_create("c:\\x\\layers.mod", nullptr);
    err_set("stale");
    ASSERT_EQ(model_add_layer(m, "hull", 10, 20, 30, 1, 1, 2), 1);
    EXPECT_EQ(err_last(), nullptr); // the lookup's "layer does not exist" is cleared
    Layer *l = layer_of(m, "hull");
    ASSERT_NE(l, nullptr);
    EXPECT_STREQ(l->name, "hull");
    EXPECT_EQ(l->colour[0], 10);
    EXPECT_EQ(l->colour[2], 30);
    EXPECT_EQ(l->single_sided, 1);
    EXPECT_EQ(l->mirror_on, 1);
    EXPECT_EQ(l->mirror_axis, 2);
    EXPECT_EQ(l->transparency, 0.0f);
    EXPECT_EQ(l->colour_key_on, 0);
    EXPECT_EQ(l->image_u_axis, 0);
    EXPECT_EQ(l->repeat_on, 0);
    EXPECT_EQ(l->faces.kind, KEY_INT);
    EXPECT_EQ(l->normals.element_size, static_cast<int32_t>(3 * sizeof(float)));

    EXPECT_EQ(model_add_layer(m, "hull", 1, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(last_error(), "duplicate layer name not allowed");
    EXPECT_EQ(layer_of(m, "hull")->colour[0], 10);
    EXPECT_EQ(model_layer_count(m), 1);
    EXPECT_EQ(model_add_layer(m, nullptr, 1, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(model_add_layer(nullptr, "x", 1, 1, 1, 0, 0, 0), 0);
    model_free(m);
}

// A slot freed by a deleted layer keeps the old bytes; the new layer must not inherit them.
TEST(AddLayer, AfterDeletedLayerStartsClean)
{
    Model *m = square_model();
    layer_set_image_repeat(m, "skin", 1, 2.0f, 3.0f);
    Layer *l = layer_of(m, "skin");
    l->image_u_axis = 3;
    l->colour_key_on = 1;
    ASSERT_EQ(model_delete_layer(m, "skin"), 1);
    ASSERT_EQ(model_add_layer(m, "fresh", 1, 2, 3, 0, 0, 0), 1);
    l = layer_of(m, "fresh");
    EXPECT_EQ(l->image_u_axis, 0);
    EXPECT_EQ(l->repeat_on, 0);
    EXPECT_EQ(l->repeat[0], 0.0f);
    EXPECT_EQ(l->colour_key_on, 0);
    EXPECT_EQ(table_count(&l->faces), 0);
    model_free(m);
}

// Names beyond the key length share a key: the second is a duplicate, not an overwrite.
TEST(AddLayer, LongNamesCompareByTheirKey)
{
    Model *m = model_create("long.mod", nullptr);
    std::string a = std::string(40, 'n') + "A";
    std::string b = std::string(40, 'n') + "B";
    ASSERT_EQ(model_add_layer(m, a.c_str(), 1, 1, 1, 0, 0, 0), 1);
    EXPECT_STREQ(layer_of(m, a.c_str())->name, a.c_str());
    EXPECT_EQ(model_add_layer(m, b.c_str(), 2, 2, 2, 0, 0, 0), 0);
    EXPECT_EQ(last_error(), "duplicate layer name not allowed");
    EXPECT_EQ(layer_of(m, a.c_str())->colour[0], 1);
    model_free(m);
}

TEST(SetPoint, DefaultsWeightClampAndBox)
{
    Model *m = model_create("pts.mod", nullptr);
    ASSERT_EQ(model_set_point(m, 5, 100, -200, 300, 3.5f), 1);
    Point *p = point_find(m, 5);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->weight, 2.0f);
    EXPECT_EQ(p->gouraud[0], 127);
    EXPECT_EQ(p->gouraud[3], 0);
    EXPECT_EQ(p->normal[2], 1.0f);
    EXPECT_EQ(p->joint, nullptr);
    EXPECT_EQ(p->viewer_index, -1);
    // The first point sets the box exactly, even far from the origin.
    EXPECT_EQ(m->box_min[0], 100.0f);
    EXPECT_EQ(m->box_max[1], -200.0f);
    ASSERT_EQ(model_set_point(m, 6, 0, 0, 0, -4.0f), 1);
    EXPECT_EQ(point_find(m, 6)->weight, -1.0f);
    EXPECT_EQ(m->box_min[0], 0.0f);
    EXPECT_EQ(m->box_max[0], 100.0f);
    EXPECT_EQ(m->box_max[1], 0.0f);
    EXPECT_EQ(m->box_min[1], -200.0f);
    ASSERT_EQ(model_set_point(m, 7, 1, 1, 1, std::numeric_limits<float>::quiet_NaN()), 1);
    EXPECT_EQ(point_find(m, 7)->weight, -1.0f);
    EXPECT_EQ(model_set_point(m, 0, 1, 1, 1, 1.0f), 0);
    EXPECT_EQ(model_set_point(m, -3, 1, 1, 1, 1.0f), 0);
    EXPECT_EQ(model_point_count(m), 3);
    model_free(m);
}

TEST(SetNormal, PointAndLayerNormals)
{
    Model *m = model_create("n.mod", nullptr);
    ASSERT_EQ(model_set_normal(m, nullptr, 0, 9, 0, 0, 2), 1);
    Point *p = point_find(m, 9);
    ASSERT_NE(p, nullptr); // created at the origin
    EXPECT_EQ(p->position[0], 0.0f);
    EXPECT_FLOAT_EQ(p->normal[2], 1.0f);
    EXPECT_EQ(m->has_normals, 1u);

    EXPECT_EQ(model_set_normal(m, "ghost", 0, 1, 0, 3, 4), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    model_add_layer(m, "l", 1, 1, 1, 0, 0, 0);
    ASSERT_EQ(model_set_normal(m, "l", 0, 3, 0, 3, 4), 1);
    ASSERT_EQ(model_set_normal(m, "l", 1, 3, 4, 0, 3), 1);
    ASSERT_EQ(model_set_normal(m, "", 0, 10, 1, 0, 0), 1); // empty layer: the point's normal
    ASSERT_EQ(model_set_normal(m, nullptr, 0, 11, 0, 0, 0), 1); // stays zero, not NaN
    EXPECT_EQ(point_find(m, 11)->normal[2], 0.0f);
    EXPECT_EQ(model_check_normals(m), 0);
    Layer *l = layer_of(m, "l");
    const float *n = static_cast<const float *>(table_find(&l->normals, 3));
    ASSERT_NE(n, nullptr);
    EXPECT_FLOAT_EQ(n[1], 0.6f);
    EXPECT_FLOAT_EQ(n[2], 0.8f);
    const float *pn = static_cast<const float *>(table_find(&l->pn_normals, 3));
    ASSERT_NE(pn, nullptr);
    EXPECT_FLOAT_EQ(pn[0], 0.8f);
    EXPECT_EQ(point_find(m, 3), nullptr); // layer normals create no point
    EXPECT_NE(point_find(m, 10), nullptr);
    EXPECT_EQ(model_set_normal(m, nullptr, 0, 0, 1, 0, 0), 0);
    model_free(m);
}

TEST(AddJoint, ParentsAndRefusals)
{
    Model *m = model_create("j.mod", nullptr);
    ASSERT_EQ(model_add_joint(m, "root", 1, 2, 3, "world", 4), 1);
    ASSERT_EQ(model_add_joint(m, "arm", 0, 0, 0, "root", 2), 1);
    ASSERT_EQ(model_add_joint(m, "hand", 0, 0, 0, "finger", 1), 1); // parent not yet defined
    Joint *root = model_find_joint(m, "root");
    EXPECT_EQ(root->parent_index, -1);
    EXPECT_EQ(root->position[2], 3.0f);
    EXPECT_EQ(root->point_count, 4);
    EXPECT_STREQ(root->parent_name, "world");
    EXPECT_EQ(model_find_joint(m, "arm")->parent_index, 0);
    EXPECT_EQ(model_find_joint(m, "hand")->parent_index, -1);
    EXPECT_EQ(model_find_joint(m, "arm")->id, root->id + 1);

    EXPECT_EQ(model_add_joint(m, "arm", 9, 9, 9, "world", 1), 0);
    EXPECT_EQ(last_error(), "duplicate joint name not allowed");
    EXPECT_EQ(model_find_joint(m, "arm")->position[0], 0.0f);
    // The duplicate check runs before the parent check.
    EXPECT_EQ(model_add_joint(m, "arm", 0, 0, 0, "arm", 1), 0);
    EXPECT_EQ(last_error(), "duplicate joint name not allowed");
    EXPECT_EQ(model_add_joint(m, "loop", 0, 0, 0, "loop", 1), 0);
    EXPECT_EQ(last_error(), "Bad joint parent");
    EXPECT_EQ(model_add_joint(m, nullptr, 0, 0, 0, "world", 1), 0);
    // A joint named "world" cannot be found by name, but a second one is still a duplicate.
    ASSERT_EQ(model_add_joint(m, "world", 5, 5, 5, "root", 1), 1);
    EXPECT_EQ(model_add_joint(m, "world", 6, 6, 6, "root", 1), 0);
    EXPECT_EQ(model_joint_count(m), 4);
    model_free(m);
}

// Points keep pointing at their joints when the joint table grows and moves.
TEST(AddJoint, PointJointsSurviveTableGrowth)
{
    Model *m = model_create("grow.mod", nullptr);
    ASSERT_EQ(model_add_joint(m, "j0", 0, 0, 0, "world", 1), 1);
    ASSERT_EQ(model_add_joint(m, "j1", 0, 0, 0, "j0", 1), 1);
    ASSERT_EQ(model_set_point_joints(m, 1, "j1", "j0"), 1);
    ASSERT_EQ(model_add_blend(m, "j0", "j1", 2), 1);
    for (int i = 2; i < 40; i++) {
        std::string name = "j" + std::to_string(i);
        ASSERT_EQ(model_add_joint(m, name.c_str(), i, 0, 0, "j0", 1), 1);
    }
    Point *p = point_find(m, 1);
    EXPECT_EQ(p->joint, model_find_joint(m, "j1"));
    EXPECT_EQ(p->second_joint, model_find_joint(m, "j0"));
    Blend *blend = first_of<Blend>(&m->blends);
    EXPECT_EQ(blend->joint, model_find_joint(m, "j0"));
    EXPECT_EQ(blend->second_joint, model_find_joint(m, "j1"));
    EXPECT_STREQ(p->joint->name, "j1");
    model_free(m);
}

TEST(SetPointJoints, WorldAndUnknownNamesGiveNone)
{
    Model *m = model_create("pj.mod", nullptr);
    model_add_joint(m, "hip", 0, 0, 0, "world", 1);
    ASSERT_EQ(model_set_point_joints(m, 4, "hip", "world"), 1);
    Point *p = point_find(m, 4); // created
    EXPECT_EQ(p->joint, model_find_joint(m, "hip"));
    EXPECT_EQ(p->second_joint, nullptr);
    ASSERT_EQ(model_set_point_joints(m, 4, "nobody", nullptr), 1);
    EXPECT_EQ(point_find(m, 4)->joint, nullptr);
    EXPECT_EQ(model_set_point_joints(m, 0, "hip", "hip"), 0);
    model_free(m);
}

TEST(SetGouraud, StoredOrderAndMissingPoint)
{
    Model *m = square_model();
    ASSERT_EQ(model_set_gouraud(m, 2, 10, 20, 30, 40), 1);
    EXPECT_EQ(m->has_gouraud, 1u);
    const uint8_t *g = model_point_gouraud(m, 2);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g[0], 10);
    EXPECT_EQ(g[1], 20);
    EXPECT_EQ(g[2], 30);
    EXPECT_EQ(g[3], 40);
    float colour[4];
    point_get_color(colour, point_find(m, 2));
    EXPECT_EQ(colour[3], 40.0f);
    EXPECT_EQ(model_set_gouraud(m, 77, 1, 2, 3, 4), 0);
    EXPECT_EQ(last_error(), "gouraud colour defined for non existant point");
    EXPECT_EQ(point_find(m, 77), nullptr);
    EXPECT_EQ(model_set_gouraud(m, 0, 1, 2, 3, 4), 0);
    model_free(m);
}

TEST(AddBlend, CountAndJoints)
{
    Model *m = model_create("b.mod", nullptr);
    model_add_joint(m, "a", 0, 0, 0, "world", 1);
    ASSERT_EQ(model_add_blend(m, "a", "missing", 3), 1);
    Blend *blend = first_of<Blend>(&m->blends);
    EXPECT_EQ(blend->point_count, 3);
    EXPECT_EQ(blend->joint, model_find_joint(m, "a"));
    EXPECT_EQ(blend->second_joint, nullptr);
    EXPECT_EQ(model_add_blend(m, "a", "a", 0), 0);
    EXPECT_EQ(model_add_blend(m, nullptr, "a", 2), 0);
    EXPECT_EQ(table_count(&m->blends), 1);
    model_free(m);
}

TEST(AddChildAndCollide, FieldsAndRotationWords)
{
    Model *m = model_create("c.mod", nullptr);
    Model *kid = model_create("kid.mod", m);
    ASSERT_EQ(model_add_child(m, kid, "kid", 1, 2, 3, 4, 5, 6, "x90", "y45", "toolongword"), 1);
    Child *c = model_child_at(m, 1);
    EXPECT_EQ(c->model, kid);
    EXPECT_STREQ(c->name, "kid");
    EXPECT_EQ(c->position[2], 3.0f);
    EXPECT_EQ(c->scale[0], 4.0f);
    EXPECT_STREQ(c->rotation[0], "x90");
    EXPECT_STREQ(c->rotation[2], "toolong"); // at most 7 characters
    EXPECT_EQ(c->viewer_index, -1);
    EXPECT_EQ(model_add_child(m, nullptr, nullptr, 0, 0, 0, 1, 1, 1, "0", "0", "0"), 0);

    ASSERT_EQ(model_add_collide(m, "body", 3, 1, 1, 1, 2, 2, 2, "0", nullptr, "z5", 1.0f, 0.5f, 1), 1);
    CollideObject *o = model_find_collide(m, "body");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->owner, m);
    EXPECT_EQ(o->shape, 3);
    EXPECT_EQ(o->second_value, 0.5f);
    EXPECT_STREQ(o->rotation[1], "");
    EXPECT_EQ(o->viewer_index, -1);
    EXPECT_EQ(model_find_collide(m, "none"), nullptr);
    EXPECT_EQ(last_error(), "collide object does not exist");
    model_free(m); // frees kid too
}

// A model placed inside its own tree would make every walk of the tree endless.
TEST(AddChild, RefusesLoops)
{
    Model *a = model_create("a.mod", nullptr);
    Model *b = model_create("b.mod", a);
    ASSERT_EQ(model_add_child(a, b, "b", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 1);
    EXPECT_EQ(model_add_child(a, a, "a", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 0);
    EXPECT_EQ(last_error(), "child model would contain itself");
    EXPECT_EQ(model_add_child(b, a, "a", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 0);
    EXPECT_EQ(last_error(), "child model would contain itself");
    EXPECT_EQ(model_child_count(a), 1);
    EXPECT_EQ(point_find(a, 1), nullptr);
    model_free(a);
}

TEST(AddUvee, CreateReplaceAndRefuse)
{
    Model *m = square_model();
    ASSERT_EQ(model_add_uvee(m, "skin", 3, 0.25f, 0.5f), 1);
    ASSERT_EQ(model_add_uvee(m, "skin", 3, 0.75f, 0.125f), 1);
    Layer *l = layer_of(m, "skin");
    EXPECT_EQ(table_count(&l->uvees), 1);
    Uvee *uvee = static_cast<Uvee *>(table_find(&l->uvees, 3));
    EXPECT_EQ(uvee->point_id, 3u);
    EXPECT_EQ(uvee->u, 0.75f);
    EXPECT_EQ(model_add_uvee(m, "ghost", 3, 0, 0), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    EXPECT_EQ(model_add_uvee(m, "skin", 99, 0, 0), 0);
    EXPECT_EQ(last_error(), "uvee point not found in model");
    EXPECT_EQ(table_count(&l->uvees), 1);
    model_free(m);
}

TEST(AddFace, CornersDefaultsAndMirroredBox)
{
    Model *m = square_model();
    Layer *l = layer_of(m, "skin");
    Face *f = first_of<Face>(&l->faces);
    EXPECT_EQ(f->quad, 0);
    EXPECT_EQ(f->point_ids[0], 1);
    EXPECT_EQ(f->point_ids[2], 3);
    EXPECT_EQ(f->point_ids[3], 0); // a triangle's 4th corner stays 0
    EXPECT_EQ(f->normal_ids[1], 2);
    EXPECT_EQ(f->normal_ids[3], 0);
    EXPECT_EQ(f->edge_ids[0], 0); // flat: no edges
    EXPECT_EQ(f->viewer_index, -1);

    const int32_t curved[4] = {1, 2, 3, 0};
    ASSERT_EQ(model_add_face(m, "skin", 0, curved, nullptr, nullptr, 3), 1);
    const int32_t quad[4] = {1, 2, 3, 4};
    const int32_t normals[4] = {4, 3, 2, 1};
    ASSERT_EQ(model_add_face(m, "skin", 1, quad, normals, nullptr, 4), 1);
    Face *tri = nullptr;
    Face *q = nullptr;
    for (int32_t s = 0; s < l->faces.capacity; s++)
        if (Face *e = static_cast<Face *>(table_nth(&l->faces, s, 0))) {
            if (e->curve == 3) tri = e;
            if (e->quad) q = e;
        }
    ASSERT_TRUE(tri && q);
    const int16_t tri_edges[6] = {1, 2, 2, 3, 3, 1};
    for (int i = 0; i < 6; i++) EXPECT_EQ(tri->edge_ids[i], tri_edges[i]) << i;
    const int16_t quad_edges[8] = {1, 2, 2, 4, 4, 3, 3, 1};
    for (int i = 0; i < 8; i++) EXPECT_EQ(q->edge_ids[i], quad_edges[i]) << i;
    EXPECT_EQ(q->normal_ids[0], 4);
    EXPECT_EQ(q->curve, 4);

    // A layer mirrored about y grows the model box by each corner with y negated.
    model_add_layer(m, "mirror", 127, 127, 127, 1, 1, 2);
    EXPECT_EQ(m->box_min[1], 0.0f);
    ASSERT_EQ(add_triangle(m, "mirror", 1, 3, 4), 1);
    EXPECT_EQ(m->box_min[1], -10.0f);
    EXPECT_EQ(m->box_max[1], 10.0f);
    // Strips and lines of a mirrored layer grow it the same way; axis 1 negates x.
    model_add_layer(m, "mirror_x", 127, 127, 127, 1, 1, 1);
    const int32_t strip[3] = {2, 3, 4};
    ASSERT_EQ(model_add_strip(m, "mirror_x", 3, strip, nullptr), 1);
    EXPECT_EQ(m->box_min[0], -10.0f);
    model_set_point(m, 5, 0, 0, 30, 1.0f);
    model_add_layer(m, "mirror_z", 127, 127, 127, 1, 1, 3);
    const int32_t line[1] = {5};
    ASSERT_EQ(model_add_line(m, "mirror_z", 1, line), 1);
    EXPECT_EQ(m->box_min[2], -30.0f);
    EXPECT_EQ(m->box_max[2], 30.0f);
    model_free(m);
}

// Each refusal with its message (or none) and the face table unchanged.
TEST(AddFace, RefusalsInOrder)
{
    Model *m = square_model();
    const int32_t good[4] = {1, 2, 3, 4};
    const int32_t missing_point[4] = {1, 2, 50, 4};
    const int32_t missing_fourth[4] = {1, 2, 3, 50};
    const int32_t missing_normal[4] = {1, 60, 3, 4};
    const int32_t edges_bad[8] = {1, 2, 2, 3, 3, 70, 0, 0};
    struct Case {
        const char *layer;
        int32_t quad;
        const int32_t *points;
        const int32_t *normals;
        const int32_t *edges;
        int32_t curve;
        const char *message; // null: the message is left as it was
    } cases[] = {
        {"ghost", 0, good, nullptr, nullptr, 0, "layer does not exist"},
        {"skin", 0, missing_point, missing_normal, nullptr, 9, "point does not exist"},
        {"skin", 1, missing_fourth, nullptr, nullptr, 0, "point does not exist"},
        {"skin", 0, good, missing_normal, nullptr, 9, "normal does not exist"},
        {"skin", 0, good, nullptr, edges_bad, 3, "normal does not exist"},
        {"skin", 0, good, nullptr, nullptr, 5, nullptr},
        {"skin", 0, good, nullptr, nullptr, -1, nullptr},
        {"skin", 1, good, nullptr, nullptr, 1, nullptr},
        {"skin", 1, good, nullptr, nullptr, 3, nullptr},
    };
    Layer *l = layer_of(m, "skin");
    uint32_t next_face = g_model_ids.face;
    for (const Case &c : cases) {
        err_set("before");
        EXPECT_EQ(model_add_face(m, c.layer, c.quad, c.points, c.normals, c.edges, c.curve), 0);
        EXPECT_EQ(last_error(), c.message ? c.message : "before") << c.layer << " " << c.curve;
    }
    EXPECT_EQ(table_count(&l->faces), 2);
    EXPECT_EQ(g_model_ids.face, next_face); // refusals take no id
    // Edge ids are only checked on a curved face.
    EXPECT_EQ(model_add_face(m, "skin", 0, good, nullptr, edges_bad, 0), 1);
    model_free(m);
}

// Face and strip ids are 16-bit: a point above 32767 is refused instead of wrapping around.
TEST(AddFace, IdsAbove16BitsAreRefused)
{
    Model *m = square_model();
    model_set_point(m, 40000, 1, 1, 1, 1.0f);
    const int32_t big[4] = {1, 2, 40000, 0};
    EXPECT_EQ(model_add_face(m, "skin", 0, big, nullptr, nullptr, 0), 0);
    EXPECT_EQ(last_error(), "point or normal id above 32767 in a face or strip");
    const int32_t strip[3] = {40000, 1, 2};
    EXPECT_EQ(model_add_strip(m, "skin", 3, strip, nullptr), 0);
    EXPECT_EQ(table_count(&layer_of(m, "skin")->strips), 0);
    model_set_point(m, 32767, 1, 1, 1, 1.0f);
    const int32_t top[4] = {1, 2, 32767, 0};
    EXPECT_EQ(model_add_face(m, "skin", 0, top, nullptr, nullptr, 0), 1);
    // Lines hold 32-bit ids.
    EXPECT_EQ(model_add_line(m, "skin", 3, strip), 1);
    model_free(m);
}

TEST(AddStripAndLine, VerticesAndRefusals)
{
    Model *m = square_model();
    const int32_t ids[5] = {1, 2, 3, 4, 1};
    const int32_t normals[5] = {4, 3, 2, 1, 4};
    ASSERT_EQ(model_add_strip(m, "skin", 5, ids, normals), 1);
    Layer *l = layer_of(m, "skin");
    Strip *s = first_of<Strip>(&l->strips);
    EXPECT_EQ(s->vertex_count, 5);
    EXPECT_EQ(table_count(&s->vertices), 5);
    const StripVertex *v = static_cast<const StripVertex *>(table_nth(&s->vertices, 3, 1));
    EXPECT_EQ(v->point_id, 4);
    EXPECT_EQ(v->normal_id, 1);
    EXPECT_EQ(s->viewer_index, -1);

    const int32_t missing[3] = {1, 2, 99};
    EXPECT_EQ(model_add_strip(m, "skin", 3, missing, nullptr), 0);
    EXPECT_EQ(last_error(), "point does not exist");
    const int32_t bad_normals[3] = {1, 99, 2};
    EXPECT_EQ(model_add_strip(m, "skin", 3, ids, bad_normals), 0);
    EXPECT_EQ(last_error(), "normal does not exist");
    EXPECT_EQ(model_add_strip(m, "none", 3, ids, nullptr), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    EXPECT_EQ(table_count(&l->strips), 1);

    ASSERT_EQ(model_add_line(m, "skin", 4, ids), 1);
    Line *line = first_of<Line>(&l->lines);
    EXPECT_EQ(line->vertex_count, 4);
    EXPECT_EQ(*static_cast<uint32_t *>(table_nth(&line->vertices, 2, 1)), 3u);
    EXPECT_EQ(model_add_line(m, "skin", 3, missing), 0);
    EXPECT_EQ(last_error(), "point does not exist");
    EXPECT_EQ(table_count(&l->lines), 1);
    model_free(m);
}

// The drawers hold at most 512 vertices of a strip or line; longer ones are refused.
TEST(AddStripAndLine, AtMost512Vertices)
{
    Model *m = square_model();
    std::vector<int32_t> ids(513);
    for (size_t i = 0; i < ids.size(); i++) ids[i] = 1 + static_cast<int32_t>(i % 4);
    EXPECT_EQ(model_add_strip(m, "skin", 513, ids.data(), nullptr), 0);
    EXPECT_EQ(last_error(), "strip has more than 512 vertices");
    EXPECT_EQ(model_add_line(m, "skin", 513, ids.data()), 0);
    EXPECT_EQ(last_error(), "line has more than 512 vertices");
    EXPECT_EQ(model_add_strip(m, "skin", 512, ids.data(), nullptr), 1);
    EXPECT_EQ(model_add_line(m, "skin", 512, ids.data()), 1);
    EXPECT_EQ(first_of<Strip>(&layer_of(m, "skin")->strips)->vertex_count, 512);
    model_free(m);
}

TEST(LayerValues, TransparencyInvisibleAndReflect)
{
    Model *m = square_model();
    EXPECT_EQ(model_set_transparency(m, "skin", 0.25f), 1);
    EXPECT_EQ(layer_of(m, "skin")->transparency, 0.25f);
    EXPECT_EQ(model_set_transparency(m, "skin", 1.5f), 0);
    EXPECT_EQ(model_set_transparency(m, "ghost", 0.5f), 0);
    EXPECT_EQ(layer_of(m, "skin")->transparency, 0.25f);

    ASSERT_EQ(model_set_invisible(m, "skin", 0.5f, 1.0f, 0.0f), 1);
    Layer *l = layer_of(m, "skin");
    EXPECT_EQ(l->colour_key_on, 1);
    EXPECT_EQ(l->colour_key[0], 127);
    EXPECT_EQ(l->colour_key[1], 255);
    EXPECT_EQ(l->colour_key[2], 0);
    // The range check comes before the layer lookup.
    for (float bad : {1.2f, -0.1f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_EQ(model_set_invisible(m, "ghost", 0.0f, bad, 0.0f), 0);
        EXPECT_EQ(last_error(), "invisible color out of range (should be 0.0 to 1.0)");
    }
    EXPECT_EQ(l->colour_key[1], 255);

    // Reflect needs a texture record.
    EXPECT_EQ(model_set_reflect(m, "skin", 0.5f, 1), 0);
    EXPECT_EQ(model_set_reflect(m, "skin", 2.0f, 1), 0);
    model_free(m);
}

class AddImageTest : public TempDirTest {};

TEST_F(AddImageTest, SlotsReplaceAndRelease)
{
    write_tga("a.tga");
    write_tga("b.tga");
    Model *m = square_model(model_path("img.mod").c_str());
    std::string dir = m->directory;
    ASSERT_EQ(model_add_image(m, "skin", 0, "a.tga", 1, 2), 1) << last_error();
    Layer *l = layer_of(m, "skin");
    LayerTexture *t = static_cast<LayerTexture *>(table_find(&l->texture, 1));
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->file[0], "a.tga");
    EXPECT_EQ(t->width[0], 2);
    EXPECT_EQ(t->height[0], 2);
    EXPECT_NE(t->pixels[0], nullptr);
    EXPECT_EQ(t->pixels[1], nullptr);
    EXPECT_EQ(t->gl_stale, 1);
    EXPECT_EQ(l->image_u_axis, 1);
    EXPECT_EQ(l->image_v_axis, 2);
    // The faces got box coordinates: point 2 is (10, 0, 0): u = 1 - 1 = 0, v = 0.
    Face *f = first_of<Face>(&l->faces);
    EXPECT_FLOAT_EQ(f->uv[0][0], 1.0f);
    EXPECT_FLOAT_EQ(f->uv[1][0], 0.0f);
    EXPECT_FLOAT_EQ(f->uv[2][1], 1.0f);

    ASSERT_EQ(model_set_reflect(m, "skin", 0.5f, 1), 1);
    EXPECT_EQ(t->reflect_amount, 0.5f);
    EXPECT_EQ(t->additive[2], 1);
    EXPECT_EQ(t->additive[0], 0);

    // Replacing the slot releases the old image.
    t->gl_stale = 0;
    ASSERT_EQ(model_add_image(m, "skin", 0, "b.tga", 1, 2), 1);
    EXPECT_EQ(image_cache_find((dir + "a.tga").c_str()), nullptr);
    EXPECT_EQ(image_cache_find((dir + "b.tga").c_str())->references, 1u);
    EXPECT_EQ(t->gl_stale, 1);

    // A failed load leaves the slot, its axes and its reference as they were.
    uint8_t *held = t->pixels[0];
    EXPECT_EQ(model_add_image(m, "skin", 0, "missing.tga", 2, 3), 0);
    EXPECT_NE(last_error().find("cannot open TGA file"), std::string::npos);
    EXPECT_STREQ(t->file[0], "b.tga");
    EXPECT_EQ(t->pixels[0], held);
    EXPECT_EQ(l->image_u_axis, 1);
    EXPECT_EQ(l->image_v_axis, 2);
    EXPECT_EQ(image_cache_find((dir + "b.tga").c_str())->references, 1u);
    EXPECT_EQ(model_add_image(m, "skin", 1, "missing.tga", 0, 0), 0);
    EXPECT_EQ(t->file[1][0], '\0');

    // Loading the image a slot already holds keeps it cached throughout.
    ASSERT_EQ(model_add_image(m, "skin", 0, "b.tga", 1, 2), 1);
    EXPECT_EQ(image_cache_find((dir + "b.tga").c_str())->references, 1u);

    EXPECT_EQ(model_add_image(m, "skin", 3, "a.tga", 1, 2), 0);
    EXPECT_EQ(model_add_image(m, "skin", 0, "", 1, 2), 0);
    EXPECT_EQ(model_add_image(m, "ghost", 0, "a.tga", 1, 2), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    model_free(m);
}

// A slot whose load failed holds no reference, so deleting its layer must not release
// the reference of another layer that later loaded the same file.
TEST_F(AddImageTest, FailedSlotReleasesNothing)
{
    Model *m = square_model(model_path("img.mod").c_str());
    model_add_layer(m, "other", 1, 1, 1, 0, 0, 0);
    add_triangle(m, "other", 1, 2, 3);
    EXPECT_EQ(model_add_image(m, "skin", 0, "late.tga", 1, 2), 0);
    write_tga("late.tga");
    ASSERT_EQ(model_add_image(m, "other", 0, "late.tga", 1, 2), 1);
    ASSERT_EQ(model_delete_layer(m, "skin"), 1);
    ImageCacheEntry *entry = image_cache_find((std::string(m->directory) + "late.tga").c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->references, 1u);
    model_free(m);
}

TEST_F(AddImageTest, ColourKeyedSlotsAndUnmappableLayer)
{
    write_tga("key.tga", 255, 0, 255);
    Model *m = square_model(model_path("img.mod").c_str());
    model_set_invisible(m, "skin", 1.0f, 0.0f, 1.0f);
    ASSERT_EQ(model_add_image(m, "skin", 1, "key.tga", 0, 0), 1);
    ASSERT_EQ(model_add_image(m, "skin", 2, "key.tga", 0, 0), 1);
    LayerTexture *t = static_cast<LayerTexture *>(table_find(&layer_of(m, "skin")->texture, 1));
    ImageCacheEntry *entry = image_cache_find((std::string(m->directory) + "key.tga").c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(t->pixels[1], entry->keyed_pixels); // mirror slot keyed
    EXPECT_EQ(t->pixels[1][3], 0);
    EXPECT_EQ(t->pixels[2], entry->pixels); // reflection slot plain RGB
    EXPECT_EQ(entry->references, 2u);

    // A base image on a layer without faces and strips cannot be mapped: nothing is
    // loaded and the layer gets no texture record.
    model_add_layer(m, "bare", 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(model_add_image(m, "bare", 0, "key.tga", 1, 2), 0);
    EXPECT_EQ(entry->references, 2u);
    EXPECT_EQ(table_find(&layer_of(m, "bare")->texture, 1), nullptr);
    std::string dir = m->directory;
    model_free(m);
    EXPECT_EQ(image_cache_find((dir + "key.tga").c_str()), nullptr);
}

// A colour key given after the images keys the image and mirror slots then: the drawing
// reads the pixels of those slots as four bytes a pixel whenever the key is on.
TEST_F(AddImageTest, ColourKeyAfterTheImagesKeysThem)
{
    write_tga("key.tga", 255, 0, 255);
    Model *m = square_model(model_path("late.mod").c_str());
    ASSERT_EQ(model_add_image(m, "skin", 0, "key.tga", 1, 2), 1);
    ASSERT_EQ(model_add_image(m, "skin", 1, "key.tga", 0, 0), 1);
    ASSERT_EQ(model_add_image(m, "skin", 2, "key.tga", 0, 0), 1);
    LayerTexture *t = static_cast<LayerTexture *>(table_find(&layer_of(m, "skin")->texture, 1));
    ImageCacheEntry *entry = image_cache_find((std::string(m->directory) + "key.tga").c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(t->pixels[0], entry->pixels);
    t->gl_stale = 0;

    ASSERT_EQ(model_set_invisible(m, "skin", 1.0f, 0.0f, 1.0f), 1);
    ASSERT_NE(entry->keyed_pixels, nullptr);
    EXPECT_EQ(t->pixels[0], entry->keyed_pixels);
    EXPECT_EQ(t->pixels[1], entry->keyed_pixels);
    EXPECT_EQ(t->pixels[0][3], 0);
    EXPECT_EQ(t->pixels[2], entry->pixels); // reflection slot stays RGB
    EXPECT_EQ(t->gl_stale, 1);
    EXPECT_EQ(entry->references, 3u);
    // A second key changes nothing: the first key of an image wins.
    ASSERT_EQ(model_set_invisible(m, "skin", 0.0f, 0.0f, 0.0f), 1);
    EXPECT_EQ(t->pixels[0], entry->keyed_pixels);
    std::string dir = m->directory;
    model_free(m);
    EXPECT_EQ(image_cache_find((dir + "key.tga").c_str()), nullptr);
}

// Renaming a model's directory must not make its layers release the wrong cache entry.
TEST_F(AddImageTest, ReleaseUsesThePathLoadedFrom)
{
    write_tga("t.tga");
    Model *m = square_model(model_path("img.mod").c_str());
    std::string dir = m->directory;
    ASSERT_EQ(model_add_image(m, "skin", 0, "t.tga", 1, 2), 1);
    ASSERT_EQ(model_set_path(m, "c:\\elsewhere\\img.mod"), 1);
    model_free(m);
    EXPECT_EQ(image_cache_find((dir + "t.tga").c_str()), nullptr);
}

TEST(BuildNullModel, EveryOperationRefuses)
{
    const int32_t ids[4] = {1, 2, 3, 4};
    EXPECT_EQ(model_add_child(nullptr, nullptr, "c", 0, 0, 0, 1, 1, 1, "", "", ""), 0);
    EXPECT_EQ(model_add_collide(nullptr, "c", 1, 0, 0, 0, 1, 1, 1, "", "", "", 1, 0, 1), 0);
    EXPECT_EQ(model_add_uvee(nullptr, "l", 1, 0, 0), 0);
    EXPECT_EQ(model_add_image(nullptr, "l", 0, "a.tga", 1, 2), 0);
    EXPECT_EQ(model_add_joint(nullptr, "j", 0, 0, 0, "world", 1), 0);
    EXPECT_EQ(model_set_point(nullptr, 1, 0, 0, 0, 1), 0);
    EXPECT_EQ(model_set_normal(nullptr, nullptr, 0, 1, 0, 0, 1), 0);
    EXPECT_EQ(model_set_point_joints(nullptr, 1, "a", "b"), 0);
    EXPECT_EQ(model_set_gouraud(nullptr, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(model_add_blend(nullptr, "a", "b", 1), 0);
    EXPECT_EQ(model_add_face(nullptr, "l", 0, ids, nullptr, nullptr, 0), 0);
    EXPECT_EQ(model_add_strip(nullptr, "l", 3, ids, nullptr), 0);
    EXPECT_EQ(model_add_line(nullptr, "l", 3, ids), 0);
    EXPECT_EQ(model_set_reflect(nullptr, "l", 0.5f, 0), 0);
    EXPECT_EQ(model_set_transparency(nullptr, "l", 0.5f), 0);
    EXPECT_EQ(model_set_invisible(nullptr, "l", 0.5f, 0.5f, 0.5f), 0);
    EXPECT_EQ(model_delete_layer(nullptr, "l"), 0);
}
