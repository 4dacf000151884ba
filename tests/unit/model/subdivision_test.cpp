// Curved-face subdivision: new points and geometry per curve kind, uvees and
// colours only where the model has them, the joint rules, child-model corners
// and the refusals that leave the model unchanged.
#include "model_fixture.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "model/subdivision.h"

using namespace model_test;

namespace {

struct StripIds {
    std::vector<int> points;
    std::vector<int> normals;
};

// A model with the 30 x 30 square of points 1 (0,0,0), 2 (30,0,0), 3 (0,30,0), 4 (30,30,0)
// and an empty layer "skin".
Model *square30()
{
    Model *m = model_create("c:\\models\\curved.mod", nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 30, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 30, 0, 1.0f);
    model_set_point(m, 4, 30, 30, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    return m;
}

// Adds the face (1, 2, 3) or the quad (1, 2, 3, 4) with a curve kind; returns it.
Face *add_curved(Model *m, int quad, int curve, const int32_t *normal_ids = nullptr)
{
    const int32_t ids[4] = {1, 2, 3, quad ? 4 : 0};
    EXPECT_EQ(model_add_face(m, "skin", quad, ids, normal_ids, nullptr, curve), 1);
    Face *last = nullptr;
    Layer *l = model_find_layer(m, "skin");
    for (Face *f = static_cast<Face *>(table_first(&l->faces)); f;
         f = static_cast<Face *>(table_next(&l->faces)))
        last = f;
    return last;
}

std::vector<StripIds> strips_of(Model *m)
{
    std::vector<StripIds> out;
    Layer *l = model_find_layer(m, "skin");
    for (Strip *s = static_cast<Strip *>(table_first(&l->strips)); s;
         s = static_cast<Strip *>(table_next(&l->strips))) {
        StripIds ids;
        for (int32_t i = 0; i < s->vertex_count; i++) {
            auto *v = static_cast<StripVertex *>(table_nth(&s->vertices, i, 1));
            ids.points.push_back(v->point_id);
            ids.normals.push_back(v->normal_id);
        }
        out.push_back(ids);
    }
    return out;
}

std::vector<float> position_of(Model *m, int32_t id)
{
    const Point *p = point_find(m, id);
    if (!p) return {};
    return {p->position[0], p->position[1], p->position[2]};
}

struct KindCase {
    const char *name;
    int quad;
    int curve;
    int created;
    std::vector<std::vector<float>> positions;  // of the new points 5, 6, ...
    std::vector<std::vector<int>> strips;
    std::vector<int> face;                      // extra triangle, empty for none
};

const KindCase KIND_CASES[] = {
    {"triangle kind 1", 0, 1, 1, {{15, 0, 0}}, {{1, 5, 3, 2}}, {}},
    {"triangle kind 2", 0, 2, 2, {{15, 0, 0}, {0, 15, 0}}, {{1, 5, 6, 2, 3}}, {}},
    {"triangle kind 3", 0, 3, 3, {{15, 0, 0}, {0, 15, 0}, {15, 15, 0}}, {{1, 5, 6, 7, 3}}, {5, 2, 7}},
    {"triangle kind 4 as 3", 0, 4, 3, {{15, 0, 0}, {0, 15, 0}, {15, 15, 0}}, {{1, 5, 6, 7, 3}},
     {5, 2, 7}},
    {"quad kind 2", 1, 2, 2, {{15, 0, 0}, {15, 30, 0}}, {{2, 4, 5, 6, 1, 3}}, {}},
    {"quad kind 4", 1, 4, 5, {{0, 15, 0}, {15, 0, 0}, {15, 15, 0}, {15, 30, 0}, {30, 15, 0}},
     {{1, 6, 5, 7, 3, 8}, {6, 2, 7, 9, 8, 4}}, {}},
};

} // namespace

// Each curve kind: the new points in id order at the edge midpoints (whole numbers), the
// strips and the extra face, with corner normal ids and the new points' own ids.
TEST(Subdivision, KindsTable)
{
    for (const KindCase &k : KIND_CASES) {
        SCOPED_TRACE(k.name);
        Model *m = square30();
        // Corner normals come from other points, so the strips show which ids they take.
        for (int32_t id = 11; id <= 14; id++) model_set_normal(m, nullptr, 0, id, 0, 0, 1);
        const int32_t normal_ids[4] = {11, 12, 13, 14};
        Face *f = add_curved(m, k.quad, k.curve, normal_ids);
        Layer *l = model_find_layer(m, "skin");
        int32_t faces_before = model_face_count(m, "skin");
        ASSERT_EQ(model_tessellate_face(m, l, f, 1, 5), k.created);
        for (size_t i = 0; i < k.positions.size(); i++) {
            EXPECT_EQ(position_of(m, static_cast<int32_t>(5 + i)), k.positions[i]) << "point " << 5 + i;
            const Point *p = point_find(m, static_cast<int32_t>(5 + i));
            EXPECT_NEAR(p->normal[2], 1.0f, 1e-6f);
            EXPECT_FLOAT_EQ(p->weight, 1.0f);
        }
        EXPECT_EQ(point_find(m, static_cast<int32_t>(5 + k.created)), nullptr);
        std::vector<StripIds> strips = strips_of(m);
        ASSERT_EQ(strips.size(), k.strips.size());
        int32_t strip_triangles = 0;
        for (size_t s = 0; s < strips.size(); s++) {
            EXPECT_EQ(strips[s].points, k.strips[s]);
            for (size_t i = 0; i < strips[s].points.size(); i++) {
                int id = strips[s].points[i];
                int expected_normal = id >= 5 ? id : normal_ids[id - 1];
                EXPECT_EQ(strips[s].normals[i], expected_normal);
            }
            strip_triangles += static_cast<int32_t>(strips[s].points.size()) - 2;
        }
        int32_t face_triangles = k.face.empty() ? 0 : 1;
        EXPECT_EQ(model_face_count(m, "skin"), faces_before + strip_triangles + face_triangles);
        EXPECT_EQ(table_count(&l->faces), 1 + face_triangles); // the curved face stays
        if (!k.face.empty()) {
            Face *extra = static_cast<Face *>(table_nth(&l->faces, 1, 1));
            ASSERT_NE(extra, nullptr);
            EXPECT_EQ(extra->curve, 0);
            EXPECT_EQ(extra->quad, 0);
            const int got[3] = {extra->point_ids[0], extra->point_ids[1], extra->point_ids[2]};
            EXPECT_EQ(std::vector<int>(got, got + 3), k.face);
            EXPECT_EQ(extra->normal_ids[1], 12); // c1's normal id
            EXPECT_EQ(extra->normal_ids[0], 5);
        }
        model_free(m);
    }
}

// The level is not used: 0 and 6 give what 1 gives.
TEST(Subdivision, LevelIsIgnored)
{
    for (int level : {0, 6, 99}) {
        Model *m = square30();
        Face *f = add_curved(m, 1, 4);
        ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, level, 5), 5) << level;
        EXPECT_EQ(position_of(m, 7), (std::vector<float>{15, 15, 0}));
        EXPECT_EQ(strips_of(m).size(), 2u);
        model_free(m);
    }
}

// A flat face has nothing to subdivide; a curved one bulges where its normals lean.
TEST(Subdivision, FlatFaceAndBulge)
{
    Model *m = square30();
    Face *flat = add_curved(m, 0, 0);
    EXPECT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), flat, 1, 5), 0);
    EXPECT_EQ(point_max_id(m), 4);
    EXPECT_TRUE(strips_of(m).empty());
    model_free(m);

    m = square30();
    model_set_normal(m, nullptr, 0, 1, -1, -1, 1);
    model_set_normal(m, nullptr, 0, 2, 1, -1, 1);
    model_set_normal(m, nullptr, 0, 3, -1, 1, 1);
    Face *f = add_curved(m, 0, 3);
    ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 5), 3);
    // m01 bows out of the edge (y < 0) and up (z > 0); its normal stays a unit vector.
    const Point *p = point_find(m, 5);
    EXPECT_EQ(p->position[0], 15.0f);
    EXPECT_LT(p->position[1], 0.0f);
    EXPECT_GT(p->position[2], 0.0f);
    EXPECT_NEAR(std::sqrt(p->normal[0] * p->normal[0] + p->normal[1] * p->normal[1] +
                          p->normal[2] * p->normal[2]),
                1.0f, 1e-5f);
    model_free(m);
}

// Uvees only when the layer has uvees, colours only when the model has gouraud colours.
TEST(Subdivision, UveesAndGouraudOnlyWherePresent)
{
    struct Case {
        int uvees;
        int gouraud;
    };
    for (Case c : {Case{0, 0}, Case{1, 0}, Case{0, 1}, Case{1, 1}}) {
        SCOPED_TRACE(testing::Message() << "uvees " << c.uvees << " gouraud " << c.gouraud);
        Model *m = square30();
        Face *f = add_curved(m, 0, 3);
        const float uv[3][2] = {{0, 0}, {1, 0}, {0, 1}};
        memcpy(f->uv, uv, sizeof uv);
        Layer *l = model_find_layer(m, "skin");
        if (c.uvees) model_add_uvee(m, "skin", 1, 0.0f, 0.0f);
        if (c.gouraud) {
            model_set_gouraud(m, 1, 200, 0, 10, 9);
            model_set_gouraud(m, 2, 100, 50, 11, 9);
            model_set_gouraud(m, 3, 0, 255, 12, 9);
            model_set_transparency(m, "skin", 0.5f);
        }
        // The attributes the grid carries.
        float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3], w[PATCH_MAX_VERTICES];
        float attr[PATCH_MAX_VERTICES * SUBDIVISION_MAX_ATTRIBUTES];
        uint16_t idx[PATCH_MAX_TRIANGLES * 3];
        int32_t count = -1;
        EXPECT_EQ(face_patch_evaluate(m, f, 1, c.uvees, pos, nor, w, attr, idx, &count), 4);
        EXPECT_EQ(count, 2 * c.uvees + 3 * c.gouraud);

        ASSERT_EQ(model_tessellate_face(m, l, f, 1, 5), 3);
        EXPECT_EQ(table_count(&l->uvees), c.uvees ? 4 : 0);
        EXPECT_EQ(m->has_gouraud, static_cast<uint32_t>(c.gouraud));
        if (c.uvees) {
            const float expected[3][2] = {{0.5f, 0}, {0, 0.5f}, {0.5f, 0.5f}}; // m01, m02, m12
            for (int32_t k = 0; k < 3; k++) {
                auto *u = static_cast<Uvee *>(table_find(&l->uvees, 5 + k));
                ASSERT_NE(u, nullptr);
                EXPECT_FLOAT_EQ(u->u, expected[k][0]);
                EXPECT_FLOAT_EQ(u->v, expected[k][1]);
            }
        }
        const uint8_t *g = point_find(m, 5)->gouraud;
        if (c.gouraud) {
            // m01 halfway between corners 0 and 1, truncated; t from the layer.
            EXPECT_EQ(g[0], 150);
            EXPECT_EQ(g[1], 25);
            EXPECT_EQ(g[2], 10); // 10.5 truncated
            EXPECT_EQ(g[3], 127);
            const uint8_t *g7 = point_find(m, 7)->gouraud; // m12
            EXPECT_EQ(g7[0], 50);
            EXPECT_EQ(g7[1], 152); // 152.5 truncated
        } else {
            EXPECT_EQ(g[0], 127);
            EXPECT_EQ(g[3], 0);
        }
        model_free(m);
    }
}

// Owning joint of m01 between corner 0 (A) and corner 1 (B), and the weight it keeps:
// B's joint when it is a direct child of A's (no joint is the parent of the roots).
TEST(Subdivision, JointRules)
{
    struct Case {
        const char *a;
        const char *b;
        const char *expected;   // joint of m01, "" for none
        float weight;           // weight of m01
        int arm_count;          // points of "arm" afterwards
    };
    // Corner weights: c0 1.0, c1 0.6, c2 1.0 (c2 always on c0's joint).
    const Case cases[] = {
        {"root", "root", "root", 0.8f, 0},  // same joint: the grid weight
        {"root", "arm", "arm", 0.3f, 1},    // child of A: B's joint, 1 - grid weight
        {"arm", "root", "arm", 0.7f, 1},    // parent of A: A's joint
        {"root", "other", "root", 0.7f, 0}, // unrelated root: A's joint
        {"", "root", "root", 0.3f, 0},      // no joint: takes a root
        {"", "arm", "", 0.7f, 0},           // but not a child joint
        {"arm", "", "arm", 0.7f, 1},        // B without a joint
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        Model *m = square30();
        model_add_joint(m, "root", 0, 0, 0, "world", 0);
        model_add_joint(m, "arm", 0, 0, 0, "root", 0);
        model_add_joint(m, "other", 0, 0, 0, "world", 0);
        model_set_point(m, 2, 30, 0, 0, 0.6f);
        model_set_point_joints(m, 1, c.a, nullptr);
        model_set_point_joints(m, 2, c.b, nullptr);
        model_set_point_joints(m, 3, c.a, nullptr);
        Face *f = add_curved(m, 0, 1);
        ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 5), 1);
        const Point *p = point_find(m, 5);
        EXPECT_STREQ(p->joint ? p->joint->name : "", c.expected);
        EXPECT_NEAR(p->weight, c.weight, 1e-6f);
        EXPECT_EQ(model_find_joint(m, "arm")->point_count, c.arm_count);
        // The second joint is the owner's parent, as the loader gives it.
        const Joint *parent = p->joint ? model_find_joint(m, p->joint->parent_name) : nullptr;
        EXPECT_EQ(p->second_joint, parent);
        model_free(m);
    }
}

// The centre of a full quad takes m13's joint when it is a child of m02's.
TEST(Subdivision, QuadCentreJoint)
{
    Model *m = square30();
    model_add_joint(m, "root", 0, 0, 0, "world", 0);
    model_add_joint(m, "arm", 0, 0, 0, "root", 0);
    model_set_point_joints(m, 1, "root", nullptr);
    model_set_point_joints(m, 3, "root", nullptr);
    model_set_point_joints(m, 2, "arm", nullptr);
    model_set_point_joints(m, 4, "arm", nullptr);
    Face *f = add_curved(m, 1, 4);
    ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 5), 5);
    const char *expected[5] = {"root", "arm", "arm", "arm", "arm"}; // m02 m01 centre m23 m13
    for (int k = 0; k < 5; k++)
        EXPECT_STREQ(point_find(m, 5 + k)->joint->name, expected[k]) << "point " << 5 + k;
    EXPECT_EQ(model_find_joint(m, "arm")->point_count, 4);
    EXPECT_EQ(model_find_joint(m, "root")->point_count, 1);
    model_free(m);
}

// Corners that are points of a child model are found through the children; a joint of the
// child becomes the parent's joint of the same name.
TEST(Subdivision, CornersOfAChildModel)
{
    Model *kid = model_create("c:\\models\\kid.mod", nullptr);
    model_add_joint(kid, "hip", 0, 0, 0, "world", 0);
    model_set_point(kid, 1, 0, 0, 0, 1.0f);
    model_set_point(kid, 2, 30, 0, 0, 1.0f);
    model_set_point(kid, 3, 0, 30, 0, 1.0f);
    model_set_point_joints(kid, 1, "hip", nullptr);
    model_set_point_joints(kid, 2, "hip", nullptr);
    Model *m = model_create("c:\\models\\top.mod", nullptr);
    model_add_joint(m, "hip", 0, 0, 0, "world", 0);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    ASSERT_EQ(model_add_child(m, kid, "kid", 0, 0, 0, 1, 1, 1, "0", "0", "0"), 1);
    Face *f = add_curved(m, 0, 3);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 10), 3);
    ASSERT_NE(table_find(&m->points, 10), nullptr); // created in the parent
    EXPECT_EQ(table_find(&kid->points, 10), nullptr);
    EXPECT_EQ(position_of(m, 12), (std::vector<float>{15, 15, 0}));
    EXPECT_EQ(point_find(m, 10)->joint, model_find_joint(m, "hip"));
    EXPECT_EQ(model_find_joint(kid, "hip")->point_count, 0);
    EXPECT_EQ(strips_of(m).size(), 1u);
    model_free(m);
}

// Refusals leave the model as it was: a corner that names no point, ids beyond 32767,
// ids already in use.
TEST(Subdivision, RefusalsChangeNothing)
{
    struct Case {
        const char *name;
        int32_t first_id;
        int remove_point;
        const char *message;
    };
    const Case cases[] = {
        {"missing corner", 5, 3, "point does not exist"},
        {"ids past 32767", 32766, 0, "new point id above 32767 not allowed"},
        {"id zero", 0, 0, "new point id below 1 not allowed"},
        {"ids in use", 4, 0, "new point id already in use"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Model *m = square30();
        Face *f = add_curved(m, 0, 3);
        if (c.remove_point) point_delete(m, c.remove_point);
        int32_t points = model_point_count(m);
        err_set(nullptr);
        EXPECT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, c.first_id), 0);
        EXPECT_EQ(last_error(), c.message);
        EXPECT_EQ(model_point_count(m), points);
        EXPECT_TRUE(strips_of(m).empty());
        EXPECT_EQ(table_count(&model_find_layer(m, "skin")->faces), 1);
        model_free(m);
    }
    // The last ids that fit are taken.
    Model *m = square30();
    Face *f = add_curved(m, 0, 3);
    EXPECT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 32765), 3);
    EXPECT_NE(point_find(m, 32767), nullptr);
    EXPECT_EQ(strips_of(m)[0].points, (std::vector<int>{1, 32765, 32766, 32767, 3}));
    model_free(m);
}

// Coincident corners with zero normals stay finite and keep the default normal.
TEST(Subdivision, DegenerateFaceStaysFinite)
{
    Model *m = square30();
    model_set_point(m, 2, 0, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 0, 0, 1.0f);
    for (int32_t id = 1; id <= 3; id++) {
        Point *p = point_find(m, id);
        p->normal[0] = p->normal[1] = p->normal[2] = 0.0f;
    }
    Face *f = add_curved(m, 0, 3);
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3], w[PATCH_MAX_VERTICES];
    float attr[PATCH_MAX_VERTICES * SUBDIVISION_MAX_ATTRIBUTES];
    uint16_t idx[PATCH_MAX_TRIANGLES * 3];
    int32_t count = 0;
    ASSERT_EQ(face_patch_evaluate(m, f, 6, 1, pos, nor, w, attr, idx, &count), 49);
    for (int i = 0; i < 36 * 3; i++) ASSERT_TRUE(std::isfinite(pos[i]) && std::isfinite(nor[i]));
    ASSERT_EQ(model_tessellate_face(m, model_find_layer(m, "skin"), f, 1, 5), 3);
    const Point *p = point_find(m, 5);
    EXPECT_EQ(position_of(m, 5), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(p->normal[2], 1.0f);
    model_free(m);
}

// The evaluation at the drawing's levels: full grids and the clamp.
TEST(Subdivision, EvaluateAtLevels)
{
    Model *m = square30();
    Face *tri = add_curved(m, 0, 4);
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3], w[PATCH_MAX_VERTICES];
    float attr[PATCH_MAX_VERTICES * SUBDIVISION_MAX_ATTRIBUTES];
    uint16_t idx[PATCH_MAX_TRIANGLES * 3];
    int32_t count = 0;
    EXPECT_EQ(face_patch_evaluate(m, tri, 6, 0, pos, nor, w, attr, idx, &count), 49);
    EXPECT_EQ(face_patch_evaluate(m, tri, 50, 0, pos, nor, w, attr, idx, &count), 49);
    Face *quad = add_curved(m, 1, 4);
    EXPECT_EQ(face_patch_evaluate(m, quad, 6, 0, pos, nor, w, attr, idx, &count), 98);
    Face *half = add_curved(m, 1, 2);
    EXPECT_EQ(face_patch_evaluate(m, half, 2, 0, pos, nor, w, attr, idx, &count), 6);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(face_patch_evaluate(nullptr, quad, 1, 0, pos, nor, w, attr, idx, &count), 0);
    model_free(m);
}
