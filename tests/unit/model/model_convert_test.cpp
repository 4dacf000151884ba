// Whole-model conversions on small models: scaling, triangles from quads and strips,
// curved faces, split normal points, renumbering, uvees and their jitter, mirroring.
#include "model/model_convert.h"
#include "model_fixture.h"

#include <cstring>
#include <vector>

using namespace model_test;

namespace {

// The faces of a layer in table order as lists of corner point ids.
std::vector<std::vector<int32_t>> faces_of(Model *m, const char *name)
{
    std::vector<std::vector<int32_t>> out;
    Layer *layer = model_find_layer(m, name);
    for (Face *f = static_cast<Face *>(table_first(&layer->faces)); f;
         f = static_cast<Face *>(table_next(&layer->faces))) {
        std::vector<int32_t> ids;
        for (int c = 0; c < (f->quad ? 4 : 3); c++) ids.push_back(f->point_ids[c]);
        out.push_back(ids);
    }
    return out;
}

std::vector<float> position(Model *m, int32_t id)
{
    const float *p = model_point_position(m, id);
    return p ? std::vector<float>{p[0], p[1], p[2]} : std::vector<float>{};
}

std::vector<float> normal(Model *m, int32_t id)
{
    const float *n = model_point_normal(m, id);
    return n ? std::vector<float>{n[0], n[1], n[2]} : std::vector<float>{};
}

using Ids = std::vector<std::vector<int32_t>>;

} // namespace

TEST(ConvertTest, ScaleMultipliesPointsJointsAndChildren)
{
    Model *m = square_model();
    model_add_joint(m, "hip", 3, 4, 5, "world", 0);
    model_add_child(m, nullptr, "wheel", 1, 2, 3, 1, 1, 1, "", "", "");
    ASSERT_EQ(model_scale(m, 2, 1, 1), 1);
    EXPECT_EQ(position(m, 4), (std::vector<float>{20, 10, 0}));
    EXPECT_FLOAT_EQ(model_find_joint(m, "hip")->position[0], 6.0f);
    EXPECT_FLOAT_EQ(model_child_at(m, 1)->position[0], 2.0f);
    EXPECT_FLOAT_EQ(model_child_at(m, 1)->scale[0], 1.0f);
    EXPECT_EQ(model_scale(m, 1, 0, 1), 0);
    EXPECT_EQ(position(m, 4), (std::vector<float>{20, 10, 0}));
    EXPECT_EQ(model_scale(nullptr, 1, 1, 1), 0);
    model_free(m);
}

TEST(ConvertTest, TriangulateSplitsFlatQuadsAndStrips)
{
    Model *m = model_create("c:\\models\\t.mod", nullptr);
    for (int32_t id = 1; id <= 6; id++) model_set_point(m, id, id, id * id, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    const int32_t normals[4] = {1, 2, 6, 4};
    const int32_t quad[4] = {1, 2, 3, 4};
    model_add_face(m, "skin", 1, quad, normals, nullptr, 0);
    const int32_t curved[4] = {2, 3, 4, 5};
    model_add_face(m, "skin", 1, curved, nullptr, nullptr, 4);
    const int32_t strip[5] = {1, 2, 3, 4, 5};
    model_add_strip(m, "skin", 5, strip, nullptr);
    ASSERT_EQ(model_triangulate(m), 1);
    EXPECT_EQ(faces_of(m, "skin"),
              (Ids{{1, 2, 3}, {2, 3, 4, 5}, {3, 2, 4}, {1, 2, 3}, {3, 2, 4}, {3, 4, 5}}));
    Layer *skin = model_find_layer(m, "skin");
    EXPECT_EQ(table_count(&skin->strips), 0);
    // The new half takes the normal ids of corners 2, 1, 3.
    const Face *half = static_cast<const Face *>(table_nth(&skin->faces, 2, 1));
    EXPECT_EQ(half->normal_ids[0], 6);
    EXPECT_EQ(half->normal_ids[1], 2);
    EXPECT_EQ(half->normal_ids[2], 4);
    EXPECT_EQ(half->curve, 0);
    model_free(m);
}

TEST(ConvertTest, MakeCurvedGivesEdgesRoundTheCorners)
{
    Model *m = square_model();
    add_quad(m, "skin", 1, 2, 3, 4);
    const int32_t ids[4] = {1, 2, 4, 0};
    model_add_face(m, "skin", 0, ids, nullptr, nullptr, 1);
    ASSERT_EQ(model_make_curved(m), 1);
    Layer *skin = model_find_layer(m, "skin");
    const Face *tri = static_cast<const Face *>(table_nth(&skin->faces, 0, 1));
    const Face *quad = static_cast<const Face *>(table_nth(&skin->faces, 2, 1));
    const Face *kept = static_cast<const Face *>(table_nth(&skin->faces, 3, 1));
    EXPECT_EQ(tri->curve, 3);
    EXPECT_EQ(std::vector<int16_t>(tri->edge_ids, tri->edge_ids + 6),
              (std::vector<int16_t>{1, 2, 2, 3, 3, 1}));
    EXPECT_EQ(quad->curve, 4);
    EXPECT_EQ(std::vector<int16_t>(quad->edge_ids, quad->edge_ids + 8),
              (std::vector<int16_t>{1, 2, 2, 4, 4, 3, 3, 1}));
    EXPECT_EQ(kept->curve, 1);
    EXPECT_EQ(kept->edge_ids[2], 2);  // kind 1 left as it was: edges 1-2, 2-4, 4-1
    model_free(m);
}

TEST(ConvertTest, SplitNormalPointsGivesCornersTheirOwnPoints)
{
    Model *m = square_model();
    model_add_joint(m, "hip", 0, 0, 0, "world", 0);
    model_set_point_joints(m, 3, "hip", nullptr);
    model_set_point(m, 3, 0, 10, 0, 0.5f);
    model_set_normal(m, nullptr, 0, 3, 0, 1, 0);
    Layer *skin = model_find_layer(m, "skin");
    Face *first = static_cast<Face *>(table_nth(&skin->faces, 0, 1));
    first->normal_ids[0] = 3;  // point 1 (no joint) with the normal of 3 (hip)
    Face *second = static_cast<Face *>(table_nth(&skin->faces, 1, 1));
    second->normal_ids[0] = 3;  // point 3 with its own normal: unchanged
    second->point_ids[2] = 4;
    ASSERT_EQ(model_split_normal_points(m), 1);
    first = static_cast<Face *>(table_nth(&skin->faces, 0, 1));
    EXPECT_EQ(first->normal_ids[0], 5);
    EXPECT_EQ(first->point_ids[0], 1);  // joints differ: the corner keeps its point
    EXPECT_EQ(position(m, 5), position(m, 1));
    EXPECT_EQ(normal(m, 5), (std::vector<float>{0, 1, 0}));
    const Point *made = static_cast<const Point *>(table_find(&m->points, 5));
    EXPECT_FLOAT_EQ(made->weight, 0.5f);
    EXPECT_EQ(made->joint, model_find_joint(m, "hip"));
    EXPECT_EQ(model_find_joint(m, "hip")->point_count, 1);
    EXPECT_EQ(table_count(&m->points), 5);
    model_free(m);
}

TEST(ConvertTest, SplitNormalPointsMovesThePointWhenJointsAgree)
{
    Model *m = square_model();
    Layer *skin = model_find_layer(m, "skin");
    Face *first = static_cast<Face *>(table_nth(&skin->faces, 0, 1));
    first->normal_ids[1] = 4;
    ASSERT_EQ(model_split_normal_points(m), 1);
    first = static_cast<Face *>(table_nth(&skin->faces, 0, 1));
    EXPECT_EQ(first->point_ids[1], 5);  // neither has a joint: the same joint
    EXPECT_EQ(first->normal_ids[1], 5);
    EXPECT_EQ(position(m, 5), position(m, 2));
    model_free(m);
}

TEST(ConvertTest, RenumberMapsEveryReferenceThroughOneMap)
{
    // Points added in the order 30, 10, 20, 40: 10 and 40 belong to joint b (second in the
    // joint table), 20 to a, 30 to none. New order: a (20), b (10, 40), none (30).
    Model *m = model_create("c:\\models\\r.mod", nullptr);
    model_set_point(m, 30, 3, 0, 0, 1.0f);
    model_set_point(m, 10, 1, 0, 0, 1.0f);
    model_set_point(m, 20, 2, 0, 0, 1.0f);
    model_set_point(m, 40, 4, 0, 0, 1.0f);
    model_add_joint(m, "a", 0, 0, 0, "world", 1);
    model_add_joint(m, "b", 0, 0, 0, "a", 2);
    model_set_point_joints(m, 20, "a", nullptr);
    model_set_point_joints(m, 10, "b", nullptr);
    model_set_point_joints(m, 40, "b", nullptr);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    const int32_t face[4] = {10, 20, 30, 0}, normals[4] = {40, 20, 30, 0};
    model_add_face(m, "skin", 0, face, normals, nullptr, 0);
    const int32_t strip[3] = {30, 40, 10};
    model_add_strip(m, "skin", 3, strip, nullptr);
    const int32_t line[2] = {40, 30};
    model_add_line(m, "skin", 2, line);
    model_add_uvee(m, "skin", 30, 0.25f, 0.5f);
    model_set_normal(m, "skin", 0, 10, 1, 0, 0);
    model_set_normal(m, "skin", 1, 40, 0, 1, 0);
    ASSERT_EQ(model_renumber_points(m), 1);
    // New ids: 20 -> 1, 10 -> 2, 40 -> 3, 30 -> 4.
    EXPECT_EQ(position(m, 1), (std::vector<float>{2, 0, 0}));
    EXPECT_EQ(position(m, 2), (std::vector<float>{1, 0, 0}));
    EXPECT_EQ(position(m, 3), (std::vector<float>{4, 0, 0}));
    EXPECT_EQ(position(m, 4), (std::vector<float>{3, 0, 0}));
    EXPECT_EQ(table_find(&m->points, 10), nullptr);
    EXPECT_EQ(static_cast<Point *>(table_find(&m->points, 3))->joint, model_find_joint(m, "b"));
    Layer *skin = model_find_layer(m, "skin");
    EXPECT_EQ(faces_of(m, "skin"), (Ids{{2, 1, 4}}));
    const Face *f = static_cast<const Face *>(table_nth(&skin->faces, 0, 1));
    EXPECT_EQ(std::vector<int16_t>(f->normal_ids, f->normal_ids + 4), (std::vector<int16_t>{3, 1, 4, 0}));
    Strip *s = static_cast<Strip *>(table_nth(&skin->strips, 0, 1));
    std::vector<int32_t> strip_ids;
    for (int32_t k = 0; k < 3; k++)
        strip_ids.push_back(static_cast<StripVertex *>(table_nth(&s->vertices, k, 1))->point_id);
    EXPECT_EQ(strip_ids, (std::vector<int32_t>{4, 3, 2}));
    Line *l = static_cast<Line *>(table_nth(&skin->lines, 0, 1));
    EXPECT_EQ(*static_cast<uint32_t *>(table_nth(&l->vertices, 0, 1)), 3u);
    EXPECT_EQ(*static_cast<uint32_t *>(table_nth(&l->vertices, 1, 1)), 4u);
    const Uvee *uvee = static_cast<const Uvee *>(table_find(&skin->uvees, 4));
    ASSERT_NE(uvee, nullptr);
    EXPECT_EQ(uvee->point_id, 4u);
    EXPECT_FLOAT_EQ(uvee->u, 0.25f);
    EXPECT_EQ(table_count(&skin->uvees), 1);
    EXPECT_NE(table_find(&skin->normals, 2), nullptr);
    EXPECT_NE(table_find(&skin->pn_normals, 3), nullptr);
    EXPECT_EQ(table_count(&skin->normals), 1);
    model_free(m);
}

TEST(ConvertTest, RenumberRefusesModelsWithoutJointsAndIdsTooLargeForFaces)
{
    Model *m = square_model();
    EXPECT_EQ(model_renumber_points(m), 0);
    model_add_joint(m, "hip", 0, 0, 0, "world", 0);
    // 32,767 unowned points at small ids would push the face's points past 32767.
    for (int32_t id = 5; id <= 32771; id++) {
        Point *p = point_get_or_create(m, id);
        p->joint = model_find_joint(m, "hip");
    }
    EXPECT_EQ(model_renumber_points(m), 0);
    EXPECT_EQ(last_error(), "renumbered point id above 32767 in a face or strip");
    EXPECT_EQ(faces_of(m, "skin"), (Ids{{1, 2, 3}, {3, 2, 4}}));
    EXPECT_EQ(position(m, 4), (std::vector<float>{10, 10, 0}));
    model_free(m);
}

TEST(ConvertTest, FaceUvsBecomeUveesAndTriangulatedUveesCoverEveryLayer)
{
    Model *m = square_model();
    model_add_layer(m, "bare", 127, 127, 127, 1, 0, 0);
    const int32_t strip[4] = {1, 2, 3, 4};
    model_add_strip(m, "bare", 4, strip, nullptr);
    Layer *skin = model_find_layer(m, "skin");
    table_add(&skin->texture, 1);
    Face *f = static_cast<Face *>(table_nth(&skin->faces, 0, 1));
    f->uv[1][0] = 0.5f;
    Face *g = static_cast<Face *>(table_nth(&skin->faces, 1, 1));
    g->uv[1][0] = 0.75f;  // corner of point 2 again: the later one wins
    ASSERT_EQ(model_face_uvs_to_uvees(m), 1);
    skin = model_find_layer(m, "skin");
    EXPECT_EQ(table_count(&skin->uvees), 4);
    EXPECT_FLOAT_EQ(static_cast<Uvee *>(table_find(&skin->uvees, 2))->u, 0.75f);
    EXPECT_EQ(table_count(&model_find_layer(m, "bare")->uvees), 0);  // no texture record
    ASSERT_EQ(model_triangulate_uvees(m), 1);
    Layer *bare = model_find_layer(m, "bare");
    EXPECT_EQ(table_count(&bare->faces), 2);
    EXPECT_EQ(table_count(&bare->uvees), 4);
    model_free(m);
}

TEST(ConvertTest, JitterIsTheSameOnEveryRunAndStaysInRange)
{
    std::vector<float> runs[2];
    for (auto &run : runs) {
        Model *m = square_model();
        for (int32_t id = 1; id <= 4; id++) model_add_uvee(m, "skin", id, 1.0f, 2.0f);
        srand(99);
        ASSERT_EQ(model_jitter_uvees(m, 0.5f, 0.25f), 1);
        Layer *skin = model_find_layer(m, "skin");
        for (Uvee *u = static_cast<Uvee *>(table_first(&skin->uvees)); u;
             u = static_cast<Uvee *>(table_next(&skin->uvees))) {
            EXPECT_GE(u->u, 1.0f);
            EXPECT_LE(u->u, 1.5f);
            EXPECT_GE(u->v, 2.0f);
            EXPECT_LE(u->v, 2.25f);
            run.push_back(u->u);
            run.push_back(u->v);
        }
        model_free(m);
    }
    EXPECT_EQ(runs[0], runs[1]);
    // The first offset is the low 15 bits of the seeded generator's first number.
    srand(2021048);
    float first = static_cast<float>(rand() & 0x7fff) * (0.5f * 3.0518509e-05f);
    EXPECT_FLOAT_EQ(runs[0][0], 1.0f + first);
}

TEST(ConvertTest, MirrorLayersReusesPointsAndReversesWinding)
{
    // Points 1 (-10,0,0), 2 (10,0,0), 3 (0,10,0), 4 (5,10,0): mirrored on x, 1 and 2 swap,
    // 3 is its own mirror, 4 needs a new point at (-5, 10, 0).
    Model *m = model_create("c:\\models\\m.mod", nullptr);
    model_set_point(m, 1, -10, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_set_point(m, 4, 5, 10, 0, 1.0f);
    model_set_normal(m, nullptr, 0, 4, 1, 0, 0);
    model_add_layer(m, "body", 10, 20, 30, 1, 1, 1);
    add_triangle(m, "body", 1, 3, 4);
    const int32_t strip[4] = {1, 2, 3, 4};
    model_add_strip(m, "body", 4, strip, nullptr);
    ASSERT_EQ(model_mirror_layers(m), 1);
    Layer *copy = model_find_layer(m, "body_mirror");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->mirror_on, 0);
    EXPECT_EQ(copy->colour[1], 20);
    EXPECT_EQ(model_find_layer(m, "body")->mirror_on, 0);
    EXPECT_EQ(position(m, 5), (std::vector<float>{-5, 10, 0}));
    EXPECT_EQ(normal(m, 5), (std::vector<float>{-1, 0, 0}));
    EXPECT_EQ(table_count(&m->points), 5);  // only 4's mirror was new
    // The face (1, 3, 4) becomes (m1, m4, m3) = (2, 5, 3); the strip's first triangle
    // (w0, w2, w1) = (2, 3, 1), then the strip (1, 3, 5).
    EXPECT_EQ(faces_of(m, "body_mirror"), (Ids{{2, 5, 3}, {2, 3, 1}}));
    Strip *s = static_cast<Strip *>(table_nth(&copy->strips, 0, 1));
    ASSERT_NE(s, nullptr);
    std::vector<int32_t> ids;
    for (int32_t k = 0; k < s->vertex_count; k++)
        ids.push_back(static_cast<StripVertex *>(table_nth(&s->vertices, k, 1))->point_id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 3, 5}));
    // Nothing left to mirror: a second run changes nothing.
    ASSERT_EQ(model_mirror_layers(m), 1);
    EXPECT_EQ(model_layer_count(m), 2);
    model_free(m);
}

TEST(ConvertTest, MirrorLayersFindsNormalPointsAndTruncatesFractions)
{
    Model *m = model_create("c:\\models\\n.mod", nullptr);
    model_set_point(m, 1, 1, 0, 0, 1.0f);
    model_set_point(m, 2, 0, 1, 0, 1.0f);
    model_set_point(m, 3, 0, 0, 1, 1.0f);
    model_set_point(m, 6, 9, 9, 9, 1.0f);
    model_set_normal(m, nullptr, 0, 6, 0, 0, 1);   // the normal point the face names
    model_set_point(m, 7, 8, 8, 8, 1.0f);
    model_set_normal(m, nullptr, 0, 7, 0, 0, -1);  // carries the mirrored normal on z
    Point *p = static_cast<Point *>(table_find(&m->points, 1));
    p->position[2] = 2.5f;  // a fraction: mirrored to -2.5, created at -2
    model_add_layer(m, "skin", 127, 127, 127, 1, 1, 3);
    const int32_t ids[4] = {1, 2, 3, 0}, normals[4] = {6, 2, 3, 0};
    model_add_face(m, "skin", 0, ids, normals, nullptr, 0);
    ASSERT_EQ(model_mirror_layers(m), 1);
    Layer *copy = model_find_layer(m, "skin_mirror");
    const Face *f = static_cast<const Face *>(table_nth(&copy->faces, 0, 1));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(position(m, f->point_ids[0]), (std::vector<float>{1, 0, -2}));
    EXPECT_EQ(f->normal_ids[0], 7);  // the point whose normal is exactly (0, 0, -1)
    model_free(m);
}

TEST(ConvertTest, MirrorLayersRefusesNamesPastTheKeyLength)
{
    Model *m = square_model();
    const char *name = "a_layer_name_of_twenty_five";  // 27 + 7 > 31
    model_add_layer(m, name, 127, 127, 127, 1, 1, 1);
    add_triangle(m, name, 1, 2, 3);
    EXPECT_EQ(model_mirror_layers(m), 0);
    EXPECT_EQ(last_error(), std::string("mirrored layer name too long: ") + name + "_mirror");
    EXPECT_EQ(model_layer_count(m), 2);
    EXPECT_EQ(table_count(&m->points), 4);
    EXPECT_EQ(model_find_layer(m, name)->mirror_on, 1);
    model_add_layer(m, "x", 127, 127, 127, 1, 1, 1);
    model_add_layer(m, "x_mirror", 127, 127, 127, 1, 0, 0);
    model_delete_layer(m, name);
    EXPECT_EQ(model_mirror_layers(m), 0);
    EXPECT_EQ(last_error(), "duplicate layer name not allowed: x_mirror");
    model_free(m);
}

TEST_F(TempDirTest, MirrorLayersTakesTheMirrorImageWithAxesTurned)
{
    write_tga("a.tga");
    write_tga("b.tga");
    Model *m = model_create(model_path("t.mod").c_str(), nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 1, 1);
    add_triangle(m, "skin", 1, 2, 3);
    ASSERT_EQ(model_add_image(m, "skin", 0, "a.tga", 1, 5), 1);
    ASSERT_EQ(model_add_image(m, "skin", 1, "b.tga", 0, 0), 1);
    model_set_transparency(m, "skin", 0.25f);
    ASSERT_EQ(model_mirror_layers(m), 1);
    int32_t u = 0, v = 0;
    LayerTexture *copy = layer_get_image(m, "skin_mirror", &u, &v);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy->file[0], "b.tga");
    EXPECT_EQ(u, 4);  // x turned on the x axis
    EXPECT_EQ(v, 5);
    EXPECT_FLOAT_EQ(layer_get_transparency(m, "skin_mirror"), 0.25f);
    LayerTexture *source = static_cast<LayerTexture *>(table_find(&model_find_layer(m, "skin")->texture, 1));
    EXPECT_EQ(source->pixels[1], nullptr);
    EXPECT_STREQ(source->file[1], "");
    model_free(m);
    EXPECT_EQ(cached_images(), 0);
}

TEST(ConvertTest, TessellateReplacesCurvedFacesWithFlatGeometry)
{
    for (int32_t level : {-3, 1, 99}) {
        Model *m = square_model();  // two flat triangles stay
        model_set_point(m, 7, 5, 5, 5, 1.0f);
        const int32_t tri[4] = {1, 2, 7, 0};
        model_add_face(m, "skin", 0, tri, nullptr, nullptr, 3);
        const int32_t quad[4] = {1, 2, 3, 4};
        model_add_face(m, "skin", 1, quad, nullptr, nullptr, 4);
        ASSERT_EQ(model_tessellate(m, level), 1);
        Layer *skin = model_find_layer(m, "skin");
        // Kind 3: points 8, 9, 10, a strip of 5 and one face; kind 4: points 11..15, two
        // strips of 6. No curved face is left.
        EXPECT_EQ(table_count(&m->points), 5 + 3 + 5) << level;
        EXPECT_NE(table_find(&m->points, 15), nullptr);
        EXPECT_EQ(table_count(&skin->strips), 3);
        EXPECT_EQ(table_count(&skin->faces), 3);
        for (Face *f = static_cast<Face *>(table_first(&skin->faces)); f;
             f = static_cast<Face *>(table_next(&skin->faces)))
            EXPECT_EQ(f->curve, 0);
        EXPECT_EQ(model_face_count(m, "skin"), 2 + 3 + 1 + 8);
        model_free(m);
    }
    EXPECT_EQ(model_tessellate(nullptr, 1), 0);
}

TEST(ConvertTest, TessellateKeepsAFaceTheSubdivisionRefuses)
{
    Model *m = square_model();
    model_set_point(m, 32767, 5, 5, 5, 1.0f);  // the next free id would not fit a face
    const int32_t tri[4] = {1, 2, 32767, 0};
    model_add_face(m, "skin", 0, tri, nullptr, nullptr, 3);
    ASSERT_EQ(model_tessellate(m, 1), 1);
    Layer *skin = model_find_layer(m, "skin");
    EXPECT_EQ(table_count(&skin->faces), 3);
    EXPECT_EQ(table_count(&m->points), 5);
    model_free(m);
}
