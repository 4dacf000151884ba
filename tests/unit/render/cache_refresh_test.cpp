// The render caches of a loaded model after a whole-model edit: the refresh
// drops the face caches, makes every point cache a copy of its edited point,
// and skins a posed model again with its joints' last pose.
#include "foundation/matrix4.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_edit.h"
#include "model/model_query.h"
#include "viewer/draw_model.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string fixture(const char *name)
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES) + "/viewer/" + name;
}

void expect_near3(const float *v, float x, float y, float z)
{
    EXPECT_NEAR(v[0], x, 1e-4f);
    EXPECT_NEAR(v[1], y, 1e-4f);
    EXPECT_NEAR(v[2], z, 1e-4f);
}

// grow.mod: points 1 and 2 on joint root at the origin, 3 and 4 on joint arm;
// one quad facing -z as stored; no normals (all +z).
class CacheRefresh : public ::testing::Test {
protected:
    Viewer viewer;
    Model *model = nullptr;

    void SetUp() override
    {
        viewer_init(&viewer);
        int32_t id = viewer_load_model(&viewer, fixture("grow.mod").c_str());
        ASSERT_GT(id, 0);
        model = rcache_find_model_xform(&viewer, id)->model;
    }

    void TearDown() override
    {
        viewer_close_all(&viewer);
        KeyedTable *tables[] = {&viewer.model_xforms, &viewer.point_caches,  &viewer.face_caches, &viewer.joint_caches,
                                &viewer.child_xforms, &viewer.collide_caches, &viewer.models};
        for (KeyedTable *table : tables) table_free(table);
        sel_set_free(&viewer.selection);
        sel_set_free(&viewer.copy_set);
    }

    Point *point(int32_t id) { return static_cast<Point *>(table_find(&model->points, id)); }

    // Poses joint name as the posing would: skin moves by (0, 0, lift), rotation_only turns
    // by turn degrees about x.
    void pose_joint(const char *name, float lift, float turn)
    {
        JointCache *cache = rcache_joint(&viewer, model, model_find_joint(model, name));
        ASSERT_NE(cache, nullptr);
        mat4_identity(&cache->skin);
        mat4_translate(&cache->skin, 0.0f, 0.0f, lift);
        mat4_identity(&cache->rotation_only);
        mat4_rotate_euler(&cache->rotation_only, turn, 0.0f, 0.0f);
    }
};

TEST_F(CacheRefresh, NullArgumentsAnswerZero)
{
    EXPECT_EQ(viewer_refresh_model_caches(nullptr, model), 0);
    EXPECT_EQ(viewer_refresh_model_caches(&viewer, nullptr), 0);
}

TEST_F(CacheRefresh, FaceCachesAreDroppedAndBuiltAgainFromTheEditedModel)
{
    draw_models(&viewer);
    Face *quad = static_cast<Face *>(table_first(&model_find_layer(model, "body")->faces));
    ASSERT_GE(quad->viewer_index, 0);
    int32_t old_id = rcache_face(&viewer, model, quad)->id;
    int faces = table_count(&viewer.face_caches);  // the quad's and the child's
    ASSERT_EQ(model_set_point(model, 1, -10, -10, 7, 1.0f), 1);

    EXPECT_EQ(viewer_refresh_model_caches(&viewer, model), 1);
    EXPECT_EQ(quad->viewer_index, -1);
    EXPECT_EQ(table_count(&viewer.face_caches), faces - 1);
    draw_models(&viewer);
    FaceCache *cache = rcache_face(&viewer, model, quad);
    ASSERT_NE(cache, nullptr);
    EXPECT_GT(cache->id, old_id);
    // Corner 0 raised: the face normal now leans equally towards -x and -y.
    float normal[3];
    ASSERT_EQ(rcache_face_normal(cache, 0, normal), 1);
    EXPECT_LT(normal[0], -0.1f);
    EXPECT_FLOAT_EQ(normal[0], normal[1]);
}

TEST_F(CacheRefresh, PointCachesTakeTheNewNormalsThroughTheLastPose)
{
    pose_joint("root", 0.0f, 0.0f);
    pose_joint("arm", 5.0f, 90.0f);
    rcache_model_xform(&viewer, model)->last_time = 0.0f;  // posed at time 0
    // Point 2 blends arm and root half and half; point 4 has no cache yet.
    ASSERT_EQ(model_set_point(model, 2, 10, -10, 0, 0.5f), 1);
    ASSERT_EQ(model_set_point_joints(model, 2, "arm", "root"), 1);
    // Point 1 loses its joint: its cache becomes a copy.
    point(1)->joint = nullptr;
    int32_t cached[] = {1, 2, 3};
    for (int32_t id : cached) {
        PointCache *cache = rcache_point(&viewer, point(id));
        ASSERT_NE(cache, nullptr);
        cache->normal[0] = 9.0f;  // the old pose's normal, now out of date
    }

    ASSERT_EQ(model_auto_normals(model, 0), 1);
    const float *n = point(3)->normal;
    ASSERT_NEAR(n[2] * n[2], 1.0f, 1e-6f);  // the quad's direction, +z or -z
    float s = n[2];
    EXPECT_EQ(viewer_refresh_model_caches(&viewer, model), 1);

    struct Case {
        int32_t id;
        float position[3];
        float normal[3];
    } cases[] = {
        {1, {-10, -10, 0}, {0, 0, s}},           // no joint: its own values
        {2, {10, -10, 2.5f}, {0, -s / 2, s / 2}}, // half arm (lifted 5, turned), half root (identity)
        {3, {-10, 10, 5}, {0, -s, 0}},           // arm alone: lifted and turned about x
        {4, {10, 10, 5}, {0, -s, 0}},            // the same, its cache made by the skinning
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        const float *position = rcache_vertex_position(&viewer, model, c.id, 0);
        const float *normal = rcache_vertex_normal(&viewer, model, c.id, 0);
        expect_near3(position, c.position[0], c.position[1], c.position[2]);
        expect_near3(normal, c.normal[0], c.normal[1], c.normal[2]);
    }
}

TEST_F(CacheRefresh, AModelNeverPosedKeepsCopiesAndGetsNoNewCaches)
{
    pose_joint("arm", 5.0f, 90.0f);
    PointCache *cache = rcache_point(&viewer, point(3));
    ASSERT_NE(cache, nullptr);
    cache->position[2] = 9.0f;
    ASSERT_EQ(model_auto_normals(model, 0), 1);
    EXPECT_EQ(viewer_refresh_model_caches(&viewer, model), 1);
    const float *n = point(3)->normal;
    expect_near3(rcache_vertex_position(&viewer, model, 3, 0), -10, 10, 0);
    expect_near3(rcache_vertex_normal(&viewer, model, 3, 0), n[0], n[1], n[2]);
    EXPECT_EQ(point(4)->viewer_index, -1);
}

}  // namespace
