// Face caches keep each corner's point slot in 16 bits. Corners whose points lie
// beyond what 16 bits hold (point tables of more than 65,534 slots) are found again
// by their ids, so such faces are still drawn from the right points; corners whose
// points are gone draw nothing.
#include "foundation/keyed_table.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/draw_model.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include <gtest/gtest.h>

namespace {

// Points placed so that the face ids below reach both ends of a large table: point 4
// first (slot 0), then 70,000 points no face names, then points 1, 2 and 3.
const int32_t FILLER_FIRST = 40000;
const int32_t FILLER_COUNT = 70000;

struct FaceCase {
    const char *what;
    int32_t quad;
    int32_t points[4];
    int32_t normals[4];
};

const FaceCase CASES[] = {
    {"triangle, one near corner and two far ones", 0, {4, 1, 2, 0}, {4, 1, 2, 0}},
    {"quad, far corners with near and far normal points", 1, {1, 2, 3, 4}, {4, 3, 2, 1}},
    {"triangle, all corners far", 0, {3, 2, 1, 0}, {3, 2, 1, 0}},
};

class FaceCacheSlots : public ::testing::Test {
protected:
    Viewer viewer;
    Model *model = nullptr;
    Layer *layer = nullptr;

    void SetUp() override
    {
        viewer_init(&viewer);
        model = model_create("far", nullptr);
        ASSERT_EQ(model_set_point(model, 4, 0, 0, 7, 1.0f), 1);
        for (int32_t id = FILLER_FIRST; id < FILLER_FIRST + FILLER_COUNT; id++)
            ASSERT_EQ(model_set_point(model, id, -1, -1, -1, 1.0f), 1);
        ASSERT_EQ(model_set_point(model, 1, 10, 0, 1, 1.0f), 1);
        ASSERT_EQ(model_set_point(model, 2, 0, 10, 2, 1.0f), 1);
        ASSERT_EQ(model_set_point(model, 3, 10, 10, 3, 1.0f), 1);
        ASSERT_GT(table_index_of(&model->points, 1, 0), FACE_SLOT_FAR);
        ASSERT_EQ(model_add_layer(model, "skin", 127, 127, 127, 0, 0, 0), 1);
        layer = model_find_layer(model, "skin");
        ASSERT_NE(layer, nullptr);
    }

    void TearDown() override
    {
        viewer_teardown(&viewer);
        model_free(model);
    }

    Face *add_face(const FaceCase &c)
    {
        if (model_add_face(model, "skin", c.quad, c.points, c.normals, nullptr, 0) != 1) return nullptr;
        Face *last = nullptr;
        for (Face *face = static_cast<Face *>(table_first(&layer->faces)); face;
             face = static_cast<Face *>(table_next(&layer->faces)))
            last = face;
        return last;
    }
};

TEST_F(FaceCacheSlots, CornersBeyondSixteenBitSlotsAreFoundByTheirIds)
{
    int32_t triangles = 0;
    for (const FaceCase &c : CASES) {
        SCOPED_TRACE(c.what);
        Face *face = add_face(c);
        ASSERT_NE(face, nullptr);
        triangles += c.quad ? 2 : 1;
        FaceCache *cache = rcache_face(&viewer, model, face);
        ASSERT_NE(cache, nullptr);
        for (int i = 0; i < (c.quad ? 4 : 3); i++) {
            int32_t slot = table_index_of(&model->points, c.points[i], 0);
            int32_t normal_slot = table_index_of(&model->points, c.normals[i], 0);
            EXPECT_EQ(cache->corner_index[i], slot < FACE_SLOT_FAR ? slot : FACE_SLOT_FAR);
            EXPECT_EQ(cache->normal_index[i], normal_slot < FACE_SLOT_FAR ? normal_slot : FACE_SLOT_FAR);
            EXPECT_EQ(rcache_face_point_slot(cache, face, i, 0), slot);
            EXPECT_EQ(rcache_face_point_slot(cache, face, i, 1), normal_slot);
            EXPECT_EQ(rcache_vertex_position(&viewer, model, rcache_face_point_slot(cache, face, i, 0), 1),
                      rcache_vertex_position(&viewer, model, c.points[i], 0));
        }
    }
    // Every face is drawn: none of its corners reads as missing.
    EXPECT_EQ(draw_layer_faces(&viewer, model, layer, 0, 0, 0), triangles);
    EXPECT_EQ(draw_layer_faces(&viewer, model, layer, 0, 1, 0), triangles);
}

TEST_F(FaceCacheSlots, AFaceWhosePointIsGoneIsNotDrawnWhereverThePointLay)
{
    // Both faces are added before either is taken: an add may move the table's elements.
    ASSERT_NE(add_face(CASES[0]), nullptr);
    Face *far_gone = add_face(CASES[2]);
    Face *near_gone = static_cast<Face *>(table_first(&layer->faces));
    ASSERT_NE(near_gone, nullptr);
    ASSERT_NE(far_gone, nullptr);
    ASSERT_NE(rcache_face(&viewer, model, near_gone), nullptr);
    ASSERT_NE(rcache_face(&viewer, model, far_gone), nullptr);
    ASSERT_EQ(draw_layer_faces(&viewer, model, layer, 0, 0, 0), 2);
    // Point 4 lay in slot 0, point 3 beyond 16 bits; each face loses one of them.
    ASSERT_EQ(table_remove(&model->points, 4), 1);
    ASSERT_EQ(table_remove(&model->points, 3), 1);
    EXPECT_EQ(draw_layer_faces(&viewer, model, layer, 0, 0, 0), 0);
}

}  // namespace
