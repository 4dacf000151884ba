// Posing animated models into the render caches, with the real viewer: skinning
// against poses worked out by hand, the clock's frame snapping and wrap-around,
// opening scene lists, riders on joints, reload, unloading a model others ride
// on, and the guards against joint parent loops and slots past a set's count.
// OpenGL is stood in for by cache_growth_test.cpp.
#include "formats/anim_file.h"
#include "formats/mod_loader.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/anim_pose.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Texts the viewer sent to its hooks.
std::vector<std::string> g_status;
std::vector<std::string> g_messages;

void record_status(const char *text) { g_status.push_back(text); }
void record_message(const char *text) { g_messages.push_back(text); }

std::string fixture_root()
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES);
}

// Folder of this test's fixtures and of the animation format fixtures.
std::string pose_dir() { return fixture_root() + "/viewer/anim"; }
std::string rig_dir() { return fixture_root() + "/formats/anim"; }

struct Vec {
    float x, y, z;
};

class AnimPose : public ::testing::Test {
protected:
    Viewer viewer;
    TempDir temp_dir;
    std::string temp = temp_dir.path;  // without a trailing separator

    void SetUp() override
    {
        viewer_init(&viewer);
        g_status.clear();
        g_messages.clear();
        viewer_set_status_hook(&viewer, record_status);
        viewer_set_message_hook(&viewer, record_message);
    }

    void TearDown() override
    {
        viewer_teardown(&viewer);
    }

    // Loads a model of dir with the animation file of dir into the viewer; the model.
    Model *load_animated(const std::string &dir, const char *model_file, const char *anim_file)
    {
        Model *model = mod_load((dir + "/" + model_file).c_str());
        EXPECT_NE(model, nullptr) << model_file;
        if (!model) return nullptr;
        AnimSet *set = anim_create(model);
        if (anim_file) {
            EXPECT_GT(anim_track_load(model, anim_root_track(set), dir.c_str(), anim_file, 0.0f, ANIM_NO_FIXED_TIME),
                      0.0f)
                << anim_file;
        }
        EXPECT_GT(viewer_insert_model(&viewer, model, set), 0);
        return model;
    }

    // Writes a scene list into the temporary folder and returns its path.
    std::string write_scene(const std::string &text)
    {
        std::string path = temp + "/scene.lst";
        std::ofstream(path) << text;
        return path;
    }

    // The scene of the rig fixtures: the walking leg, and the knob riding on its knee.
    std::string rig_scene()
    {
        return write_scene(rig_dir() + " rig.mod " + rig_dir() + " walk.ani world\n" + rig_dir() + " knob.mod " +
                           rig_dir() + " turn.ani rig.mod knee\n");
    }

    Vec position(Model *model, int32_t id)
    {
        const float *p = rcache_vertex_position(&viewer, model, id, 0);
        return p ? Vec{p[0], p[1], p[2]} : Vec{NAN, NAN, NAN};
    }

    Vec normal(Model *model, int32_t id)
    {
        const float *n = rcache_vertex_normal(&viewer, model, id, 0);
        return n ? Vec{n[0], n[1], n[2]} : Vec{NAN, NAN, NAN};
    }

    // The loaded model of the nth entry (from 0) of the models table.
    LoadedModel *entry(int n) { return static_cast<LoadedModel *>(table_nth(&viewer.models, n, 1)); }

    const Matrix4 &matrix_of(Model *model) { return rcache_model_xform(&viewer, model)->matrix; }
};

#define EXPECT_VEC(expected, actual, tolerance)        \
    do {                                               \
        Vec e_ = (expected), a_ = (actual);            \
        EXPECT_NEAR(e_.x, a_.x, tolerance) << "x";     \
        EXPECT_NEAR(e_.y, a_.y, tolerance) << "y";     \
        EXPECT_NEAR(e_.z, a_.z, tolerance) << "z";     \
    } while (0)

// Each point of the arm is (20,0,0) with the normal (1,0,0), bound in its own way.
TEST_F(AnimPose, SkinningMatchesHandComputedPoses)
{
    struct Case {
        const char *animation;
        int32_t point;
        Vec position;
        Vec normal;
    };
    const Case cases[] = {
        // tip turned z90: the tip's joint moves (20,0,0) about (10,0,0)
        {"tip_z90.ani", 1, {10, 10, 0}, {0, 1, 0}},
        {"tip_z90.ani", 2, {17.5f, 2.5f, 0}, {0.75f, 0.25f, 0}},
        {"tip_z90.ani", 3, {20, 0, 0}, {1, 0, 0}},
        {"tip_z90.ani", 4, {20, 0, 0}, {1, 0, 0}},
        {"tip_z90.ani", 5, {20, 0, 0}, {1, 0, 0}},
        // root and tip both turned z90
        {"both_z90.ani", 1, {-10, 10, 0}, {-1, 0, 0}},
        {"both_z90.ani", 2, {-2.5f, 17.5f, 0}, {-0.25f, 0.75f, 0}},
        {"both_z90.ani", 3, {0, 20, 0}, {0, 1, 0}},
        {"both_z90.ani", 4, {20, 0, 0}, {1, 0, 0}},
        {"both_z90.ani", 5, {20, 0, 0}, {1, 0, 0}},  // weight 0 and no second joint: untouched
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.animation) + " point " + std::to_string(c.point));
        viewer_close_all(&viewer);
        Model *arm = load_animated(pose_dir(), "arm.mod", c.animation);
        ASSERT_NE(arm, nullptr);
        viewer.time = 0.5f;
        anim_apply_pose(&viewer);
        EXPECT_VEC(c.position, position(arm, c.point), 1e-4f);
        EXPECT_VEC(c.normal, normal(arm, c.point), 1e-4f);
    }
}

// Skinning before any pose makes the joint caches as it goes: a point bound to two
// joints whose second cache is made only then (the cache table grows and moves under the
// first) is skinned with both, here the bind pose that leaves it where it is.
TEST_F(AnimPose, SkinningMakesTheJointCachesItNeeds)
{
    Model *arm = load_animated(pose_dir(), "arm.mod", nullptr);
    ASSERT_NE(arm, nullptr);
    ASSERT_EQ(0, table_count(&viewer.joint_caches));
    anim_skin_points(&viewer, arm);
    EXPECT_EQ(2, table_count(&viewer.joint_caches));
    for (int32_t id = 1; id <= 5; id++) {
        SCOPED_TRACE("point " + std::to_string(id));
        EXPECT_VEC((Vec{20, 0, 0}), position(arm, id), 1e-4f);
        EXPECT_VEC((Vec{1, 0, 0}), normal(arm, id), 1e-4f);
    }
}

// The tip's position itself is written to its joint cache, and the skeleton's world
// matrices chain: the tip's world is the root's world times its own local.
TEST_F(AnimPose, JointCachesHoldWorldSkinAndPosition)
{
    Model *arm = load_animated(pose_dir(), "arm.mod", "both_z90.ani");
    ASSERT_NE(arm, nullptr);
    viewer.time = 0.25f;
    anim_apply_pose(&viewer);
    JointCache *tip = rcache_joint(&viewer, arm, model_find_joint(arm, "tip"));
    ASSERT_NE(tip, nullptr);
    EXPECT_FLOAT_EQ(0.25f, tip->last_time);
    EXPECT_EQ(3, tip->channel);
    EXPECT_VEC((Vec{0, 10, 0}), (Vec{tip->position[0], tip->position[1], tip->position[2]}), 1e-4f);
    EXPECT_NEAR(0.0f, tip->rotation_only.m[3] + tip->rotation_only.m[7] + tip->rotation_only.m[11], 1e-6f);
    EXPECT_NEAR(-1.0f, tip->rotation_only.m[0], 1e-5f);  // z180 in all
}

// Between two keys the rotation is blended linearly (the keys are close), which
// shortens the quaternion; normalised, the bent tip keeps its length.
TEST_F(AnimPose, BlendedRotationKeepsBoneLength)
{
    Model *arm = load_animated(pose_dir(), "arm.mod", "tip_bend.ani");
    ASSERT_NE(arm, nullptr);
    viewer.time = 0.5f;
    anim_apply_pose(&viewer);
    Vec p = position(arm, 1);
    float length = std::sqrt((p.x - 10) * (p.x - 10) + p.y * p.y + p.z * p.z);
    EXPECT_NEAR(10.0f, length, 1e-4f);
    EXPECT_NEAR(15.0f, std::atan2(p.y, p.x - 10) * 180.0f / static_cast<float>(M_PI), 0.05f);
}

// Joints naming each other as parent: the file loads and posing ends.
TEST_F(AnimPose, JointParentLoopPosesOnce)
{
    Model *loop = load_animated(pose_dir(), "loop.mod", nullptr);
    ASSERT_NE(loop, nullptr);
    viewer.time = 0.0f;
    anim_apply_pose(&viewer);
    JointCache *a = rcache_joint(&viewer, loop, model_find_joint(loop, "a"));
    JointCache *b = rcache_joint(&viewer, loop, model_find_joint(loop, "b"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(0.0f, a->last_time);
    EXPECT_EQ(0.0f, b->last_time);
    EXPECT_VEC((Vec{5, 5, 0}), position(loop, 3), 1e-4f);
}

// A joint or child link added after the animation was read has no slot: it gets no
// value, never the value of another channel or one read past the keys.
TEST_F(AnimPose, AddedJointAndChildGetNoValue)
{
    Model *rig = load_animated(rig_dir(), "rig.mod", nullptr);
    ASSERT_NE(rig, nullptr);
    AnimSet *set = entry(0)->animation;
    ASSERT_GT(anim_track_load(rig, anim_root_track(set), pose_dir().c_str(), "lid_z90.ani", 0.0f, ANIM_NO_FIXED_TIME),
              0.0f);
    ASSERT_EQ(1, model_add_joint(rig, "toe", 0, 30, 0, "foot", 0));
    ASSERT_EQ(1, model_add_child(rig, nullptr, "extra", 1, 2, 3, 1, 1, 1, "z45", "0", "0"));
    viewer.time = 0.5f;
    anim_apply_pose(&viewer);
    // The lid (child instance 0) turns; the new joint, whose dense index is the lid's
    // slot, does not.
    ChildXform *lid = rcache_child_xform(&viewer, rig, model_find_child(rig, "lid"));
    ASSERT_NE(lid, nullptr);
    EXPECT_NEAR(-1.0f, lid->matrix.m[1], 1e-5f);
    JointCache *toe = rcache_joint(&viewer, rig, model_find_joint(rig, "toe"));
    ASSERT_NE(toe, nullptr);
    EXPECT_FLOAT_EQ(1.0f, toe->world.m[0]);
    EXPECT_FLOAT_EQ(30.0f, toe->world.m[7]);
    // The new child link has no slot: the identity replaces its placement.
    ChildXform *extra = rcache_child_xform(&viewer, rig, model_find_child(rig, "extra"));
    ASSERT_NE(extra, nullptr);
    for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(g_mat4_identity.m[i], extra->matrix.m[i]) << i;
}

TEST_F(AnimPose, FrameRateSnapsTimeToWholeFrames)
{
    struct Case {
        int32_t fps;
        float time;
        float expected;
    };
    const Case cases[] = {
        {30, 1.0f, 1.0f}, {30, 1.01f, 1.0f}, {30, 0.7f, 0.7f}, {30, 0.69f, 0.6666667f},
        {2, 1.75f, 1.5f}, {30, 5.0f, 2.0f},   {30, -0.5f, 0.0f}, {60, 2.0f, 2.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.fps) + " fps at " + std::to_string(c.time));
        viewer.end_time = 2.0f;
        viewer.time = c.time;
        anim_set_fps(&viewer, c.fps);
        EXPECT_FLOAT_EQ(c.expected, viewer.time);
        EXPECT_EQ(c.fps, viewer.fps);
        EXPECT_FLOAT_EQ(1.0f / static_cast<float>(c.fps), viewer.frame_step);
    }
    // Rates outside 1..60 change nothing.
    viewer.time = 1.01f;
    for (int32_t fps : {0, 61, -30}) {
        anim_set_fps(&viewer, fps);
        EXPECT_EQ(60, viewer.fps);
        EXPECT_FLOAT_EQ(1.01f, viewer.time);
    }
}

TEST_F(AnimPose, SteppingWrapsAroundAndShowsTheTime)
{
    viewer.end_time = 2.0f;
    viewer.frame_step = 0.5f;
    viewer.time = 1.75f;
    anim_step_forward(&viewer);
    EXPECT_FLOAT_EQ(0.25f, viewer.time);
    anim_step_back(&viewer);
    EXPECT_FLOAT_EQ(1.75f, viewer.time);
    viewer.time = 0.0f;
    anim_step_forward(&viewer);
    EXPECT_FLOAT_EQ(0.5f, viewer.time);
    ASSERT_FALSE(g_status.empty());
    EXPECT_EQ("Time: 0.50 of 2.00, Triangles: 0, Animation time = 0.50 of 2.00 seconds", g_status.back());
    anim_step_forward(&viewer);
    anim_step_forward(&viewer);
    anim_step_forward(&viewer);
    EXPECT_FLOAT_EQ(2.0f, viewer.time);  // the end itself is reached before wrapping
    // With no animation loaded the time stands still, and is still shown.
    viewer.end_time = 0.0f;
    viewer.time = 0.25f;
    g_status.clear();
    anim_step_back(&viewer);
    anim_step_forward(&viewer);
    EXPECT_FLOAT_EQ(0.25f, viewer.time);
    EXPECT_EQ(2u, g_status.size());
}

// The rig walks 5 along x by t = 1 with its knee bent z30; the knob rides on the knee.
TEST_F(AnimPose, OpenSceneInsertsPosesAndRidesOnJoints)
{
    viewer.time = 1.0f;
    ASSERT_EQ(1, anim_open_scene(&viewer, rig_scene().c_str(), 0)) << (g_messages.empty() ? "" : g_messages.back());
    ASSERT_EQ(2, viewer_model_count(&viewer));
    EXPECT_FLOAT_EQ(4.0f, viewer.end_time);  // the knob's turn is the longest
    EXPECT_FLOAT_EQ(1.0f, viewer.time);
    ASSERT_NE(viewer.anim_path, nullptr);
    EXPECT_EQ(temp + "/scene.lst", viewer.anim_path);
    EXPECT_EQ("Time: 1.00 of 4.00, Triangles: 0, Ready", g_status.back());
    Model *rig = entry(0)->model;
    Model *knob = entry(1)->model;
    EXPECT_FLOAT_EQ(5.0f, matrix_of(rig).m[3]);
    EXPECT_NEAR(5.0f, matrix_of(knob).m[3], 1e-4f);
    EXPECT_NEAR(10.0f, matrix_of(knob).m[7], 1e-4f);
    // The knee carries the foot: the foot joint's posed position turned z30 about the knee.
    JointCache *foot = rcache_joint(&viewer, rig, model_find_joint(rig, "foot"));
    ASSERT_NE(foot, nullptr);
    EXPECT_NEAR(-10.0f * std::sin(30.0f * static_cast<float>(M_PI) / 180.0f), foot->position[0], 1e-4f);
    // The OpenGL copy is the transpose.
    const ModelXform *xform = rcache_model_xform(&viewer, knob);
    EXPECT_FLOAT_EQ(xform->matrix.m[3], xform->gl_matrix[12]);
    // The knob child of the rig turns in the spin sub-animation from 0.5 on.
    viewer.time = 1.5f;
    anim_apply_pose(&viewer);
    ChildXform *spun = rcache_child_xform(&viewer, rig, model_find_child(rig, "knob"));
    ASSERT_NE(spun, nullptr);
    EXPECT_NEAR(-1.0f, spun->matrix.m[1], 1e-5f);
    EXPECT_FLOAT_EQ(1.5f, spun->last_time);
}

// A time past the scene's end is brought back to the end.
TEST_F(AnimPose, OpenSceneClampsTheTime)
{
    viewer.time = 7.0f;
    ASSERT_EQ(1, anim_open_scene(&viewer, rig_scene().c_str(), 0));
    EXPECT_FLOAT_EQ(4.0f, viewer.time);
}

TEST_F(AnimPose, FailedOpenPostsTheAnimationErrorAndLeavesTheViewerEmpty)
{
    ASSERT_GT(viewer_load_model(&viewer, (pose_dir() + "/arm.mod").c_str()), 0);
    struct Case {
        std::string list;
        std::string message;
    };
    const Case cases[] = {
        {"", "file does not exist: " + temp + "/missing.lst"},
        {rig_dir() + " rig.mod . nowhere.ani world\n", "could not find animation file: nowhere.ani"},
        {rig_dir() + " rig.mod " + rig_dir() + " walk.ani knob.mod\n" + rig_dir() + " knob.mod " + rig_dir() +
             " turn.ani rig.mod\n",
         "parent loop: rig.mod"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        std::string path = c.list.empty() ? temp + "/missing.lst" : write_scene(c.list);
        g_messages.clear();
        EXPECT_EQ(0, anim_open_scene(&viewer, path.c_str(), 0));
        EXPECT_EQ(0, viewer_model_count(&viewer));
        ASSERT_EQ(1u, g_messages.size());
        EXPECT_EQ(c.message, g_messages[0]);
        EXPECT_EQ(c.message, g_status.back());  // the message, unformatted; no "Ready"
        EXPECT_EQ(nullptr, viewer.anim_path);
    }
}

// Reload opens the scene list again: new models at the same time, riding as
// before, in the view it had; a failed one closes everything and resets the view.
TEST_F(AnimPose, ReloadReopensTheSceneList)
{
    viewer.time = 1.0f;
    std::string path = rig_scene();
    ASSERT_EQ(1, anim_open_scene(&viewer, path.c_str(), 0));
    viewer.view_size = 250.0f;
    viewer.focus[0] = 5.0f;
    viewer.focus[1] = -6.0f;
    viewer.focus[2] = 7.0f;
    int32_t old_key = 0;
    table_first(&viewer.models, &old_key);
    ASSERT_EQ(1, viewer_reload_all(&viewer));
    EXPECT_FLOAT_EQ(250.0f, viewer.view_size);
    EXPECT_VEC((Vec{5.0f, -6.0f, 7.0f}), (Vec{viewer.focus[0], viewer.focus[1], viewer.focus[2]}), 0.0f);
    ASSERT_EQ(2, viewer_model_count(&viewer));
    EXPECT_GT(viewer_model_keys(&viewer)[0], old_key);
    ASSERT_NE(viewer.anim_path, nullptr);
    EXPECT_EQ(path, viewer.anim_path);
    EXPECT_FLOAT_EQ(1.0f, viewer.time);
    EXPECT_NEAR(10.0f, matrix_of(entry(1)->model).m[7], 1e-4f);
    // The list gone: the reload fails and leaves nothing open.
    std::filesystem::remove(path);
    EXPECT_EQ(0, viewer_reload_all(&viewer));
    EXPECT_EQ(0, viewer_model_count(&viewer));
    EXPECT_FLOAT_EQ(100.0f, viewer.view_size);
    EXPECT_VEC((Vec{0.0f, 0.0f, 0.0f}), (Vec{viewer.focus[0], viewer.focus[1], viewer.focus[2]}), 0.0f);
}

// Unloading the rig leaves the knob riding on nothing: it poses unattached.
TEST_F(AnimPose, UnloadingAParentDetachesItsRiders)
{
    viewer.time = 1.0f;
    ASSERT_EQ(1, anim_open_scene(&viewer, rig_scene().c_str(), 0));
    int32_t rig_key = 0;
    table_first(&viewer.models, &rig_key);
    ASSERT_EQ(1, viewer_unload_model(&viewer, rig_key));
    ASSERT_EQ(1, viewer_model_count(&viewer));
    AnimSet *knob_set = entry(0)->animation;
    EXPECT_EQ(nullptr, knob_set->parent_model);
    EXPECT_EQ(nullptr, knob_set->parent_set);
    EXPECT_EQ(nullptr, anim_parent_joint(knob_set));
    anim_apply_pose(&viewer);
    EXPECT_NEAR(0.0f, matrix_of(entry(0)->model).m[3], 1e-6f);
    EXPECT_NEAR(0.0f, matrix_of(entry(0)->model).m[7], 1e-6f);
}

// A rider posed before its parent in the table poses the parent first, once; the
// parent's own turn then finds it posed.
TEST_F(AnimPose, RidersBeforeTheirParentSeeItPosed)
{
    viewer.time = 1.0f;
    std::string list = rig_dir() + " knob.mod " + rig_dir() + " turn.ani rig.mod knee\n" + rig_dir() + " rig.mod " +
                       rig_dir() + " walk.ani world\n";
    ASSERT_EQ(1, anim_open_scene(&viewer, write_scene(list).c_str(), 0));
    Model *knob = entry(0)->model;
    Model *rig = entry(1)->model;
    EXPECT_FLOAT_EQ(1.0f, rcache_model_xform(&viewer, rig)->last_time);
    EXPECT_NEAR(5.0f, matrix_of(knob).m[3], 1e-4f);
    EXPECT_NEAR(10.0f, matrix_of(knob).m[7], 1e-4f);
}

// The sample scene opens from its folder, runs two seconds and moves the figure's
// skinned legs and arms between frames.
TEST_F(AnimPose, SampleWalkOpensAndMovesTheFigure)
{
    std::string old_cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(fixture_root() + "/../../samples");
    viewer.time = 0.0f;
    int opened = anim_open_scene(&viewer, "walk.lst", 0);
    std::filesystem::current_path(old_cwd);
    ASSERT_EQ(1, opened) << (g_messages.empty() ? "" : g_messages.back());
    EXPECT_FLOAT_EQ(2.0f, viewer.end_time);
    Model *figure = entry(0)->model;
    Vec leg = position(figure, 238);
    Vec arm = position(figure, 190);
    anim_set_fps(&viewer, 4);
    anim_step_forward(&viewer);
    anim_step_forward(&viewer);
    EXPECT_FLOAT_EQ(0.5f, viewer.time);
    Vec leg_later = position(figure, 238);
    Vec arm_later = position(figure, 190);
    EXPECT_GT(std::fabs(leg.z - leg_later.z), 1.0f);
    EXPECT_GT(std::fabs(arm.z - arm_later.z), 1.0f);
}

}  // namespace
