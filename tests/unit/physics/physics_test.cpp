// The physics glue driven from C++ against the real ODE: falling, resting,
// rolling, contacts, rescaling, poses, the body life cycle, shapes ODE would
// abort on, and the simulation timer reporting to a Tcl procedure.
#include "physics/physics.h"

#include "command/app_state.h"
#include "command/callbacks.h"
#include "command/tcl_glue.h"
#include "foundation/keyed_table.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "viewer/viewer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

AppState g_app;

namespace {

constexpr double PI = 3.14159265358979323846;

// What one collide object of a test scene is.
struct ObjectSpec {
    const char *name;
    int32_t shape;
    float position[3];
    float size[3];
    const char *rotation[3];
    float density;
    int32_t flag;
};

// A viewer with a collide cache table, one model holding the scene's collide
// objects, and a world made on demand; everything is torn down after each test.
class PhysicsScene : public ::testing::Test {
protected:
    Viewer *viewer = &g_app.viewer;
    Model *model = nullptr;
    int32_t next_id = 1;

    void SetUp() override
    {
        memset(viewer, 0, sizeof *viewer);
        table_init(&viewer->collide_caches, sizeof(CollideCache), KEY_INT);
        viewer->view_size = 100.0f;
        model = model_create("scene", nullptr);
    }

    void TearDown() override
    {
        phys_shutdown(viewer);
        table_free(&viewer->collide_caches);
        model_free(model);
        memset(viewer, 0, sizeof *viewer);
    }

    // Adds the object and a cache for it, prepares the cache and answers its id
    // (the setup's answer in *setup when asked).
    int32_t add(const ObjectSpec &spec, int *setup = nullptr)
    {
        model_add_collide(model, spec.name, spec.shape, spec.position[0], spec.position[1], spec.position[2],
                          spec.size[0], spec.size[1], spec.size[2], spec.rotation[0], spec.rotation[1],
                          spec.rotation[2], spec.density, 0.0f, spec.flag);
        int32_t id = next_id++;
        CollideCache *cache = static_cast<CollideCache *>(table_add(&viewer->collide_caches, id));
        memset(cache, 0, sizeof *cache);
        cache->id = id;
        int answer = phys_setup_object(viewer, cache, model_find_collide(model, spec.name));
        if (setup) *setup = answer;
        return id;
    }

    // Adds, prepares and activates; the activation's answer in *active when asked.
    int32_t add_active(const ObjectSpec &spec, int *active = nullptr)
    {
        int32_t id = add(spec);
        int answer = phys_activate_body(viewer, cache(id));
        if (active) *active = answer;
        return id;
    }

    CollideCache *cache(int32_t id)
    {
        return static_cast<CollideCache *>(table_find(&viewer->collide_caches, id));
    }
    dBodyID body(int32_t id) { return static_cast<dBodyID>(cache(id)->body); }
    dGeomID geom(int32_t id) { return static_cast<dGeomID>(cache(id)->geom); }

    // Scene position of the cache's pose.
    std::vector<float> at(int32_t id)
    {
        EXPECT_EQ(phys_read_pose(viewer, cache(id)), 1);
        const float *pose = cache(id)->pose;
        return {pose[12], pose[13], pose[14]};
    }

    void steps(int n, float dt = 1.0f)
    {
        for (int i = 0; i < n; i++) ASSERT_EQ(phys_step(viewer, dt), 1);
    }
};

ObjectSpec box(const char *name, float x, float y, float z, float size, int32_t flag = 1)
{
    return {name, 1, {x, y, z}, {size, size, size}, {"0", "0", "0"}, 1.0f, flag};
}

ObjectSpec sphere(const char *name, float x, float y, float z, float size)
{
    return {name, 2, {x, y, z}, {size, size, size}, {"0", "0", "0"}, 1.0f, 1};
}

float speed(dBodyID body)
{
    const dReal *v = dBodyGetLinearVel(body);
    return static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
}

// Angle in radians between two OpenGL-order rotations.
double turn_between(const float *a, const float *b)
{
    double trace = 0;
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 3; k++) trace += a[row * 4 + k] * b[row * 4 + k];
    return std::acos(std::fmax(-1.0, std::fmin(1.0, (trace - 1.0) / 2.0)));
}

// Degrees a body is turned from upright.
double body_angle(dBodyID body)
{
    const dReal *q = dBodyGetQuaternion(body);
    return 2.0 * std::acos(std::fmin(1.0, std::fabs(q[0]))) * 180.0 / PI;
}

} // namespace

TEST_F(PhysicsScene, BoxDroppedFromTenRestsOnTheGroundAtFive)
{
    ASSERT_EQ(phys_set_simulate(viewer, 1), 1);
    int active = 0;
    int32_t id = add_active(box("crate", 0, 0, 10, 10), &active);
    ASSERT_EQ(active, 1);
    EXPECT_FLOAT_EQ(g_phys_scale, 100.0f);  // taken from the view size before any reset
    steps(40);
    EXPECT_NEAR(at(id)[2], 5.0f, 0.2f);
    EXPECT_FLOAT_EQ(viewer->sim_time, 40.0f);
    EXPECT_LT(speed(body(id)), 1e-4f);
    float rest = at(id)[2];
    steps(20);
    EXPECT_NEAR(at(id)[2], rest, 0.01f);
    EXPECT_NEAR(at(id)[0], 0.0f, 0.01f);
}

TEST_F(PhysicsScene, BoxComesToRestOnAStaticShelfThatStaysPut)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec shelf = {"shelf", 1, {0, 0, 20}, {40, 40, 10}, {"0", "0", "0"}, 1.0f, 0};
    int32_t shelf_id = add(shelf);
    int32_t crate = add_active(box("crate", 0, 0, 40, 10));
    // The shelf is in the bodies' units: 40 x 40 x 10 scene units at a scale of 100.
    dVector3 lengths;
    dGeomBoxGetLengths(geom(shelf_id), lengths);
    EXPECT_NEAR(lengths[0], 0.4, 1e-6);
    EXPECT_NEAR(lengths[2], 0.1, 1e-6);
    steps(40);
    EXPECT_NEAR(at(crate)[2], 30.0f, 0.2f);
    EXPECT_LT(speed(body(crate)), 1e-4f);
    std::vector<float> shelf_at = at(shelf_id);
    EXPECT_FLOAT_EQ(shelf_at[2], 20.0f);
    EXPECT_EQ(dGeomGetBody(geom(shelf_id)), nullptr);
}

TEST_F(PhysicsScene, PushedSphereRollsRatherThanSlides)
{
    phys_set_simulate(viewer, 1);
    int32_t ball = add_active(sphere("ball", 0, 0, 5, 10));
    steps(5);
    float start = at(ball)[0];
    ASSERT_EQ(phys_push(viewer, cache(ball), 200, 0, 0), 1);
    double turned = 0;
    float before[16];
    memcpy(before, cache(ball)->pose, sizeof before);
    for (int i = 0; i < 20; i++) {
        steps(1);
        phys_read_pose(viewer, cache(ball));
        turned += turn_between(before, cache(ball)->pose);
        memcpy(before, cache(ball)->pose, sizeof before);
    }
    float travelled = at(ball)[0] - start;
    EXPECT_GT(travelled, 10.0f);
    EXPECT_NEAR(turned, travelled / 5.0, 0.1 * travelled / 5.0);  // distance over the radius
    EXPECT_NEAR(at(ball)[2], 5.0f, 0.2f);
}

TEST_F(PhysicsScene, PushUpLiftsABoxThatSettlesAgain)
{
    phys_set_simulate(viewer, 1);
    int32_t crate = add_active(box("crate", 0, 0, 5, 10));
    steps(5);
    ASSERT_EQ(phys_push(viewer, cache(crate), 0, 0, 500), 1);
    float highest = 0;
    for (int i = 0; i < 60; i++) {
        steps(1);
        highest = std::fmax(highest, at(crate)[2]);
    }
    EXPECT_GT(highest, 8.0f);
    EXPECT_NEAR(at(crate)[2], 5.0f, 0.2f);
    EXPECT_LT(speed(body(crate)), 1e-4f);
}

// Two overlapping boxes have contacts after the near callback; a step without
// time keeps everything where it is and drops the contacts.
TEST_F(PhysicsScene, StepWithoutTimeMovesNothingAndEmptiesTheContacts)
{
    phys_set_simulate(viewer, 1);
    int32_t a = add_active(box("a", 0, 0, 30, 10));
    int32_t b = add_active(box("b", 4, 0, 30, 10));
    for (float dt : {0.0f, -1.0f, NAN}) {
        SCOPED_TRACE(dt);
        phys_near_callback(nullptr, geom(a), geom(b));
        ASSERT_GT(dBodyGetNumJoints(body(a)), 0);
        std::vector<float> before = at(a);
        float time = viewer->sim_time;
        EXPECT_EQ(phys_step(viewer, dt), 1);
        EXPECT_EQ(dBodyGetNumJoints(body(a)), 0);
        EXPECT_EQ(at(a), before);
        EXPECT_EQ(viewer->sim_time, time);
    }
    phys_set_simulate(viewer, 0);
    EXPECT_EQ(phys_step(viewer, 1.0f), 0);
    EXPECT_FLOAT_EQ(at(a)[2], 30.0f);
}

TEST_F(PhysicsScene, BodiesJoinedByAJointGetNoContacts)
{
    phys_set_simulate(viewer, 1);
    int32_t a = add_active(box("a", 0, 0, 30, 10));
    int32_t b = add_active(box("b", 4, 0, 30, 10));
    dJointID ball = dJointCreateBall(g_phys_world, nullptr);
    dJointAttach(ball, body(a), body(b));
    phys_near_callback(nullptr, geom(a), geom(b));
    EXPECT_EQ(dBodyGetNumJoints(body(a)), 1);
    steps(3);
    EXPECT_EQ(dBodyGetNumJoints(body(a)), 1);
}

TEST_F(PhysicsScene, RescaleKeepsScenePositionsAndHalvesOdeLengths)
{
    EXPECT_EQ(phys_rescale_all(viewer), 0);  // no world yet
    phys_set_simulate(viewer, 1);
    ObjectSpec shelf = {"shelf", 1, {50, 0, 10}, {20, 20, 20}, {"0", "0", "0"}, 1.0f, 0};
    int32_t shelf_id = add(shelf);
    int32_t crate = add_active(box("crate", 0, 0, 10, 10));
    int32_t ball = add_active(sphere("ball", 20, 0, 30, 10));
    steps(40);
    std::vector<float> crate_at = at(crate), ball_at = at(ball), shelf_at = at(shelf_id);
    const dReal *p = dGeomGetPosition(geom(crate));
    double crate_z = p[2];
    viewer->view_size = 200.0f;
    ASSERT_EQ(phys_rescale_all(viewer), 1);
    EXPECT_FLOAT_EQ(g_phys_scale, 200.0f);
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(at(crate)[i], crate_at[i], 1e-3f);
        EXPECT_NEAR(at(ball)[i], ball_at[i], 1e-3f);
        EXPECT_NEAR(at(shelf_id)[i], shelf_at[i], 1e-3f);
    }
    EXPECT_NEAR(dGeomGetPosition(geom(crate))[2], crate_z / 2, 1e-9);
    dVector3 lengths;
    dGeomBoxGetLengths(geom(crate), lengths);
    EXPECT_NEAR(lengths[0], 0.05, 1e-6);
    dGeomBoxGetLengths(geom(shelf_id), lengths);
    EXPECT_NEAR(lengths[0], 0.1, 1e-6);
    EXPECT_NEAR(dGeomSphereGetRadius(geom(ball)), 0.025, 1e-6);
    steps(40);
    EXPECT_NEAR(at(crate)[2], 5.0f, 0.2f);
    EXPECT_NEAR(at(ball)[2], 5.0f, 0.2f);
}

TEST_F(PhysicsScene, FollowMatrixAndBodyOffset)
{
    float offset[3] = {9, 9, 9};
    EXPECT_EQ(phys_follow_matrix(viewer), nullptr);  // no world
    EXPECT_EQ(phys_body_offset(offset, viewer, nullptr)[0], 0.0f);
    phys_set_simulate(viewer, 1);
    int32_t crate = add_active(box("crate", 30, -20, 5, 10));
    EXPECT_EQ(phys_follow_matrix(viewer), nullptr);  // nothing followed
    ASSERT_EQ(phys_set_follow(viewer, cache(crate)), 1);
    const float *m = phys_follow_matrix(viewer);
    ASSERT_NE(m, nullptr);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -30, 20, -5, 1};
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], expected[i], 1e-4f) << i;
    phys_body_offset(offset, viewer, cache(crate));
    EXPECT_NEAR(offset[0], 0.0f, 1e-4f);
    ASSERT_EQ(phys_move_body(viewer, cache(crate), 10, 0, 2), 1);
    phys_body_offset(offset, viewer, cache(crate));
    EXPECT_NEAR(offset[0], 10.0f, 1e-4f);
    EXPECT_NEAR(offset[1], 0.0f, 1e-4f);
    EXPECT_NEAR(offset[2], 2.0f, 1e-4f);
    ASSERT_EQ(phys_set_follow(viewer, nullptr), 1);
    EXPECT_EQ(phys_follow_matrix(viewer), nullptr);
}

TEST_F(PhysicsScene, PlaceUprightTurnsAFifthOfTheWayBack)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec turned = {"turned", 1, {0, 0, 50}, {10, 10, 10}, {"x90", "0", "0"}, 1.0f, 1};
    int32_t a = add_active(turned);
    int32_t b = add_active(box("upright", 40, 0, 50, 10));
    EXPECT_NEAR(body_angle(body(a)), 90.0, 1e-3);
    ASSERT_EQ(phys_place_upright(viewer, cache(a), 5, 0, 0), 1);
    EXPECT_NEAR(body_angle(body(a)), 72.0, 1e-2);
    ASSERT_EQ(phys_place_upright(viewer, cache(b), 0, 0, 10), 1);
    EXPECT_NEAR(body_angle(body(b)), 0.0, 1e-3);
    EXPECT_NEAR(at(a)[0], 5.0f, 1e-4f);
    EXPECT_NEAR(at(b)[2], 60.0f, 1e-4f);
}

TEST_F(PhysicsScene, DeactivateReactivateDestroyShutdownThenANewWorld)
{
    phys_set_simulate(viewer, 1);
    int32_t crate = add_active(box("crate", 0, 0, 40, 10));
    steps(3);
    float held = at(crate)[2];
    ASSERT_EQ(phys_deactivate_body(viewer, cache(crate)), 1);
    EXPECT_EQ(cache(crate)->active, 0);
    EXPECT_EQ(dGeomGetBody(geom(crate)), nullptr);
    steps(10);
    EXPECT_FLOAT_EQ(at(crate)[2], held);  // the geometry stays where it was
    ASSERT_EQ(phys_activate_body(viewer, cache(crate)), 1);
    EXPECT_EQ(cache(crate)->active, 1);
    steps(40);
    EXPECT_NEAR(at(crate)[2], 5.0f, 0.2f);
    ASSERT_EQ(phys_destroy_body(viewer, cache(crate)), 1);
    EXPECT_EQ(cache(crate)->body, nullptr);
    EXPECT_EQ(cache(crate)->geom, nullptr);
    EXPECT_EQ(phys_destroy_body(viewer, cache(crate)), 1);  // no body: nothing to do
    EXPECT_EQ(dSpaceGetNumGeoms(g_phys_space), 1);        // the ground alone
    ASSERT_EQ(phys_shutdown(viewer), 1);
    EXPECT_EQ(table_count(&viewer->collide_caches), 0);
    EXPECT_EQ(phys_shutdown(viewer), 0);
    EXPECT_EQ(phys_activate_body(viewer, nullptr), 0);
    EXPECT_EQ(phys_read_pose(viewer, nullptr), 0);
    phys_set_simulate(viewer, 1);
    ASSERT_EQ(g_phys_ready, 1);
    int32_t again = add_active(box("crate", 0, 0, 10, 10));
    steps(40);
    EXPECT_NEAR(at(again)[2], 5.0f, 0.2f);
}

TEST_F(PhysicsScene, ActivatingAStaticObjectKeepsItStatic)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec post = {"post", 1, {0, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 1.0f, 0};
    int active = 0;
    int32_t id = add_active(post, &active);
    EXPECT_EQ(active, 1);
    EXPECT_EQ(cache(id)->active, 1);
    EXPECT_EQ(cache(id)->body, nullptr);
    steps(10);
    EXPECT_FLOAT_EQ(at(id)[2], 30.0f);
}

TEST_F(PhysicsScene, ResetPutsEverythingBackAtRestInTheNewScale)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec shelf = {"shelf", 1, {60, 0, 10}, {20, 20, 20}, {"z45", "0", "0"}, 1.0f, 0};
    int32_t shelf_id = add(shelf);
    int32_t crate = add_active(box("crate", 0, 0, 40, 10));
    steps(4);
    ASSERT_GT(speed(body(crate)), 0.0f);
    viewer->view_size = 200.0f;
    ASSERT_EQ(phys_reset_all(viewer), 1);
    EXPECT_FLOAT_EQ(g_phys_scale, 200.0f);
    EXPECT_NEAR(at(crate)[2], 40.0f, 1e-4f);
    EXPECT_EQ(speed(body(crate)), 0.0f);
    EXPECT_EQ(dBodyGetAngularVel(body(crate))[0], 0.0);
    dVector3 lengths;
    dGeomBoxGetLengths(geom(shelf_id), lengths);
    EXPECT_NEAR(lengths[0], 0.1, 1e-6);
    EXPECT_NEAR(at(shelf_id)[0], 60.0f, 1e-4f);
    EXPECT_NEAR(cache(shelf_id)->box_matrix[0], std::cos(PI / 4), 1e-5);
}

TEST_F(PhysicsScene, ReleasingAnObjectFreesItsBodyAndGeometry)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec shelf = {"shelf", 1, {60, 0, 10}, {20, 20, 20}, {"0", "0", "0"}, 1.0f, 0};
    int32_t shelf_id = add(shelf);
    int32_t crate = add_active(box("crate", 0, 0, 40, 10));
    phys_set_follow(viewer, cache(crate));
    EXPECT_EQ(dSpaceGetNumGeoms(g_phys_space), 3);
    EXPECT_EQ(phys_release_object(viewer, cache(crate)), 1);
    EXPECT_EQ(phys_release_object(viewer, cache(shelf_id)), 1);
    EXPECT_EQ(dSpaceGetNumGeoms(g_phys_space), 1);
    EXPECT_EQ(cache(crate)->body, nullptr);
    EXPECT_EQ(phys_follow_matrix(viewer), nullptr);
    steps(3);
}

// A plane object is a fixed plane through its position, turned by its rotation,
// that bodies land on.
TEST_F(PhysicsScene, PlaneObjectIsAStaticPlaneBodiesLandOn)
{
    phys_set_simulate(viewer, 1);
    ObjectSpec floor = {"floor", 6, {0, 0, 20}, {10, 10, 10}, {"0", "0", "0"}, 1.0f, 1};
    ObjectSpec wall = {"wall", 6, {0, 10, 0}, {10, 10, 10}, {"x90", "0", "0"}, 1.0f, 1};
    int active = 0;
    int32_t floor_id = add_active(floor, &active);
    EXPECT_EQ(active, 1);
    int32_t wall_id = add_active(wall);
    EXPECT_EQ(cache(floor_id)->body, nullptr);
    EXPECT_EQ(dGeomGetClass(geom(floor_id)), dPlaneClass);
    dVector4 params;
    dGeomPlaneGetParams(geom(wall_id), params);
    EXPECT_NEAR(params[1], -1.0, 1e-6);
    EXPECT_NEAR(params[3], -0.1, 1e-6);
    int32_t crate = add_active(box("crate", 0, 0, 40, 10));
    steps(40);
    EXPECT_NEAR(at(crate)[2], 25.0f, 0.2f);
    EXPECT_FLOAT_EQ(at(floor_id)[2], 20.0f);
    float offset[3];
    phys_body_offset(offset, viewer, cache(floor_id));
    EXPECT_EQ(offset[0], 0.0f);
    viewer->view_size = 200.0f;
    phys_rescale_all(viewer);
    dGeomPlaneGetParams(geom(floor_id), params);
    EXPECT_NEAR(params[3], 0.1, 1e-6);
}

// Inputs a model file can carry on which ODE would abort the process: none of
// them reaches ODE, and the world goes on stepping.
TEST_F(PhysicsScene, ShapesOdeWouldAbortOnLeaveTheProcessAlive)
{
    struct Case {
        ObjectSpec spec;
        int setup;          // answer of phys_setup_object
        int active;         // answer of phys_activate_body
        int has_body;
        int geom_class;     // -1 for none
    };
    const Case cases[] = {
        {{"plane", 6, {0, 0, 0}, {10, 10, 10}, {"0", "0", "0"}, 1, 1}, 1, 1, 0, dPlaneClass},
        {{"static_plane", 6, {0, 0, 0}, {0, 0, 0}, {"0", "0", "0"}, 0, 0}, 1, 1, 0, dPlaneClass},
        {{"mesh", 5, {0, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 1, 1}, 1, 1, 1, dBoxClass},
        {{"cylinder", 4, {20, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 0, 1}, 1, 1, 1, dBoxClass},
        {{"unknown", 9, {40, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 1, 1}, 1, 1, 1, dBoxClass},
        {{"short_capsule", 3, {60, 0, 30}, {10, 10, 4}, {"0", "0", "0"}, 1, 1}, 1, 1, 1, dCapsuleClass},
        {{"flat_box", 1, {0, 0, 30}, {10, 0, 10}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"negative_box", 1, {0, 0, 30}, {10, -1, 10}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"point_sphere", 2, {0, 0, 30}, {0, 5, 5}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"negative_sphere", 2, {0, 0, 30}, {-4, 5, 5}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"weightless", 1, {0, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 0, 1}, 1, 0, 0, -1},
        {{"negative_density", 3, {0, 0, 30}, {10, 10, 20}, {"0", "0", "0"}, -2, 1}, 1, 0, 0, -1},
        {{"nan_size", 1, {0, 0, 30}, {NAN, 10, 10}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"infinite_place", 1, {INFINITY, 0, 30}, {10, 10, 10}, {"0", "0", "0"}, 1, 1}, 1, 0, 0, -1},
        {{"flat_shelf", 1, {0, 0, 30}, {10, 10, 0}, {"0", "0", "0"}, 1, 0}, 0, 0, 0, -1},
        {{"negative_shelf", 1, {0, 0, 30}, {-10, 10, 10}, {"0", "0", "0"}, 1, 0}, 0, 0, 0, -1},
    };
    phys_set_simulate(viewer, 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.spec.name);
        int setup = -1;
        int32_t id = add(c.spec, &setup);
        EXPECT_EQ(setup, c.setup);
        EXPECT_EQ(phys_activate_body(viewer, cache(id)), c.active);
        EXPECT_EQ(cache(id)->body != nullptr, c.has_body != 0);
        EXPECT_EQ(geom(id) ? dGeomGetClass(geom(id)) : -1, c.geom_class);
        steps(2);
        phys_read_pose(viewer, cache(id));
        phys_deactivate_body(viewer, cache(id));
        phys_activate_body(viewer, cache(id));
    }
    viewer->view_size = 300.0f;
    EXPECT_EQ(phys_rescale_all(viewer), 1);
    EXPECT_EQ(phys_reset_all(viewer), 1);
    steps(5);
    dReal capsule_radius = 0, capsule_length = -1;
    dGeomCapsuleGetParams(geom(6), &capsule_radius, &capsule_length);
    EXPECT_EQ(capsule_length, 0.0);  // clamped, not negative
}

// The timer tests run a real Tcl interpreter; the simulate procedure is
// registered through the callback registry as the callback subcommand does.
class SimulateTimer : public PhysicsScene {
protected:
    static Tcl_Interp *interp;

    static void SetUpTestSuite()
    {
        Tcl_FindExecutable(nullptr);
        interp = Tcl_CreateInterp();
        g_glue.interp = interp;
        Tcl_CreateObjCommand(interp, "stop", stop_command, nullptr, nullptr);
        Tcl_CreateObjCommand(interp, "register", register_command, nullptr, nullptr);
        // Background errors are recorded as {message errorinfo} in ::errors.
        eval("interp bgerror {} {apply {{message options} {"
             " lappend ::errors [list $message [dict get $options -errorinfo]] }}}");
    }

    static void TearDownTestSuite()
    {
        cb_set_simulate_proc(nullptr);
        Tcl_DeleteInterp(interp);
        g_glue.interp = nullptr;
    }

    void SetUp() override
    {
        PhysicsScene::SetUp();
        eval("set ::lines {}; set ::errors {}");
    }

    // stop: switches simulating off.
    static int stop_command(ClientData, Tcl_Interp *, int, Tcl_Obj *const[])
    {
        phys_set_simulate(&g_app.viewer, 0);
        return TCL_OK;
    }

    // register NAME: registers NAME as the simulate procedure.
    static int register_command(ClientData, Tcl_Interp *, int objc, Tcl_Obj *const objv[])
    {
        cb_set_simulate_proc(objc > 1 ? Tcl_GetString(objv[1]) : nullptr);
        return TCL_OK;
    }

    static void eval(const char *script) { ASSERT_EQ(Tcl_Eval(interp, script), TCL_OK) << Tcl_GetStringResult(interp); }

    static std::string lines()
    {
        eval("set ::lines");
        return Tcl_GetStringResult(interp);
    }
};

Tcl_Interp *SimulateTimer::interp = nullptr;

TEST_F(SimulateTimer, FiveStepsReachTheProcedureThenTheWaitReturns)
{
    eval("proc p {args} { lappend ::lines [concat p $args]; if {[llength $::lines] == 5} stop }");
    cb_set_simulate_proc("p");
    int32_t crate = add_active(box("crate", 0, 0, 10, 10));
    phys_set_simulate(viewer, 1);
    EXPECT_EQ(phys_simulate_wait(), 0);
    EXPECT_EQ(lines(), "{p SIMULATE} {p SIMULATE} {p SIMULATE} {p SIMULATE} {p SIMULATE}");
    EXPECT_FLOAT_EQ(viewer->sim_time, 5.0f);
    EXPECT_LT(at(crate)[2], 10.0f);
    EXPECT_EQ(g_sim_timer_pending, 0);
    EXPECT_EQ(phys_is_simulating(viewer), 0);
}

TEST_F(SimulateTimer, RegisteringAnotherProcedureMidwayIsFollowed)
{
    eval("proc p {args} { lappend ::lines [concat p $args]; if {[llength $::lines] == 2} {register q} }");
    eval("proc q {args} { lappend ::lines [concat q $args]; if {[llength $::lines] == 5} stop }");
    cb_set_simulate_proc("p");
    phys_set_simulate(viewer, 1);
    EXPECT_EQ(phys_simulate_wait(), 0);
    EXPECT_EQ(lines(), "{p SIMULATE} {p SIMULATE} {q SIMULATE} {q SIMULATE} {q SIMULATE}");
}

// The name and SIMULATE arrive as literal words: brackets and dollars in the
// name are not substituted; an error in the procedure does not stop the steps.
TEST_F(SimulateTimer, ProcedureNameIsALiteralWord)
{
    eval("proc {odd[stop]$x} {args} { lappend ::lines [concat odd $args]; if {[llength $::lines] == 3} stop;"
         " error failed }");
    cb_set_simulate_proc("odd[stop]$x");
    phys_set_simulate(viewer, 1);
    EXPECT_EQ(phys_simulate_wait(), 0);
    EXPECT_EQ(lines(), "{odd SIMULATE} {odd SIMULATE} {odd SIMULATE}");
}

// Each failing call is one background error naming the callback; the steps go on.
TEST_F(SimulateTimer, AnErrorInTheProcedureIsABackgroundError)
{
    eval("proc p {args} { lappend ::lines p; if {[llength $::lines] == 3} stop; error failed }");
    cb_set_simulate_proc("p");
    phys_set_simulate(viewer, 1);
    EXPECT_EQ(phys_simulate_wait(), 0);
    eval("update; list [llength $::errors] [lsort -unique [lmap e $::errors {lindex $e 0}]]"
         " [string match {failed\n*(druvex simulate callback)} [lindex $::errors 0 1]]");
    EXPECT_STREQ(Tcl_GetStringResult(interp), "3 failed 1");
    EXPECT_FLOAT_EQ(viewer->sim_time, 3.0f);
}

TEST_F(SimulateTimer, TimerWithoutProcedureOrSimulationDoesNothing)
{
    cb_set_simulate_proc(nullptr);
    phys_set_simulate(viewer, 1);
    g_sim_timer_pending = 1;
    phys_simulate_timer(viewer);
    EXPECT_EQ(g_sim_timer_pending, 0);
    EXPECT_EQ(viewer->sim_time, 0.0f);
    eval("proc p {args} { lappend ::lines p }");
    cb_set_simulate_proc("p");
    phys_set_simulate(viewer, 0);
    phys_simulate_timer(viewer);
    EXPECT_EQ(lines(), "");
    EXPECT_EQ(phys_simulate_wait(), 0);  // not simulating: returns at once
}

TEST(PhysicsDormant, WithoutAWorldTheLiveEntriesDoNothing)
{
    Viewer viewer;
    memset(&viewer, 0, sizeof viewer);
    viewer.view_size = 100.0f;
    ASSERT_EQ(g_phys_ready, 0);
    EXPECT_EQ(phys_rescale_all(&viewer), 0);
    char word[] = "simulate";
    char *words[] = {word, nullptr};
    EXPECT_EQ(phys_cmd_simulate(words), 1);
    EXPECT_EQ(g_phys_ready, 0);
    EXPECT_EQ(phys_step(&viewer, 1.0f), 0);
}

TEST(PhysicsRotation, TwelveFloatsWidenIntoAnOdeMatrix)
{
    Matrix4 m;
    for (int i = 0; i < 16; i++) m.m[i] = 0.5f + static_cast<float>(i);
    const dReal *r = phys_rotation_3x4(&m);
    for (int i = 0; i < 12; i++) EXPECT_EQ(r[i], 0.5 + i);
}
