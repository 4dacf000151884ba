#include "physics/physics.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command/app_state.h"
#include "command/tcl_glue.h"
#include "foundation/keyed_table.h"
#include "foundation/quaternion.h"
#include "model/model.h"
#include "viewer/viewer.h"

// World settings, in physics units (scene units / scale) and seconds.
constexpr dReal GRAVITY_Z = -0.01;
constexpr dReal MAX_CORRECTING_VELOCITY = 0.1;
constexpr dReal SURFACE_LAYER = 0.001;
// Contacts: at most this many per pair of geometries, with these surface values.
constexpr int MAX_CONTACTS = 4;
constexpr int CONTACT_MODE = dContactBounce | dContactSoftERP | dContactSoftCFM;
constexpr dReal CONTACT_BOUNCE = 0.3;
constexpr dReal CONTACT_BOUNCE_VELOCITY = 0.1;
constexpr dReal CONTACT_SOFT_ERP = 0.5;
constexpr dReal CONTACT_SOFT_CFM = 0.2;
// Density of the boxes that stand in for cylinders, meshes and unknown shapes.
constexpr float STAND_IN_DENSITY = 0.15f;
// Pushes and spins: force factors per unit of density.
constexpr float PUSH_FACTOR = 1e-7f;
constexpr float SPIN_FACTOR = 1e-8f;
// Upright placement turns the body this fraction of the way back to upright.
constexpr float UPRIGHT_FRACTION = 0.2f;
// Seconds of one step of the simulation timer, and its requested delay in ms.
constexpr float TIMER_STEP = 1.0f;
constexpr int TIMER_DELAY = 0;
// Collide object shape codes.
constexpr int32_t SHAPE_BOX = 1;
constexpr int32_t SHAPE_SPHERE = 2;
constexpr int32_t SHAPE_CAPSULE = 3;
constexpr int32_t SHAPE_PLANE = 6;
// ODE's direction code of the body's z axis, the axis of a capsule.
constexpr int CAPSULE_AXIS_Z = 3;

// The numbers of one object as handed to ODE.
struct ScaledShape {
    dReal position[3];  // position / scale
    dReal size[3];      // size / scale
    dReal density;      // the density a body's mass is computed with
};

// How a spin's forces are applied: at a point in world axes or in the body's own.
typedef void (*ForceAtPoint)(dBodyID body, dReal fx, dReal fy, dReal fz, dReal px, dReal py, dReal pz);

dWorldID g_phys_world = nullptr;
dSpaceID g_phys_space = nullptr;
dJointGroupID g_phys_contacts = nullptr;
int32_t g_phys_ready = 0;
float g_phys_scale = 0.0f;
int32_t g_sim_timer_pending = 0;
int32_t g_phys_follow_id = 0;
// 1 once ODE has been started in this process; it is closed only at exit.
static int32_t g_ode_started = 0;

static CollideObject *cache_object(Viewer *viewer, CollideCache *cache);
static void bind_object(CollideCache *cache, CollideObject *object);
static int is_static(const CollideObject *object);
static void take_scale(Viewer *viewer);
static int scale_shape(const CollideObject *object, ScaledShape *out);
static int body_sizes_valid(const CollideObject *object, const ScaledShape *s);
static int box_sizes_valid(const ScaledShape *s);
static int is_plane(dGeomID geom);
static dReal capsule_length(const ScaledShape *s);
static void object_rotation(CollideCache *cache, const CollideObject *object, Matrix4 *rotation);
static dGeomID create_geometry(int32_t shape, const ScaledShape *s);
static void size_geometry(dGeomID geom, const ScaledShape *s);
static void set_mass(dBodyID body, int32_t shape, const ScaledShape *s);
static void set_plane(dGeomID geom, CollideCache *cache, const CollideObject *object);
static void place_static(CollideCache *cache, const CollideObject *object);
static void place_body(CollideCache *cache, const CollideObject *object);
static void scale_geom_position(dGeomID geom, dReal ratio);
static void scale_body_position(dBodyID body, dReal ratio);
static float object_density(Viewer *viewer, CollideCache *cache);
static int spin(Viewer *viewer, CollideCache *cache, float x, float y, float z, ForceAtPoint add);
static void gl_identity(float *gl);
static void close_ode();

int phys_cmd_simulate(char **words)
{
    return 1;
}

// Bodies keep their place in the scene: their physics positions shrink or grow by
// old scale / new scale, and sizes and masses follow the new scale.
int phys_rescale_all(Viewer *viewer)
{
    if (!g_phys_ready || !viewer) return 0;
    if (!(viewer->view_size > 0.0f)) return 1;
    if (!(g_phys_scale > 0.0f)) {
        g_phys_scale = viewer->view_size;
        return 1;
    }
    dReal ratio = static_cast<dReal>(g_phys_scale) / viewer->view_size;
    g_phys_scale = viewer->view_size;
    for (CollideCache *cache = static_cast<CollideCache *>(table_first(&viewer->collide_caches)); cache;
         cache = static_cast<CollideCache *>(table_next(&viewer->collide_caches))) {
        dBodyID body = static_cast<dBodyID>(cache->body);
        dGeomID geom = static_cast<dGeomID>(cache->geom);
        CollideObject *object = cache_object(viewer, cache);
        ScaledShape s;
        int scaled = object && scale_shape(object, &s);
        if (body) {
            scale_body_position(body, ratio);
            if (geom && !dGeomGetBody(geom)) scale_geom_position(geom, ratio);
            if (scaled && body_sizes_valid(object, &s)) {
                if (geom) size_geometry(geom, &s);
                set_mass(body, object->shape, &s);
            }
        } else if (is_plane(geom)) {
            if (object) set_plane(geom, cache, object);
        } else if (geom) {
            scale_geom_position(geom, ratio);
            if (scaled && box_sizes_valid(&s)) size_geometry(geom, &s);
        }
    }
    return 1;
}

int phys_init()
{
    if (g_phys_ready) return 1;
    if (!g_ode_started) {
        dInitODE2(0);
        dAllocateODEDataForThread(dAllocateMaskAll);
        atexit(close_ode);
        g_ode_started = 1;
    }
    g_phys_world = dWorldCreate();
    g_phys_space = dHashSpaceCreate(nullptr);
    g_phys_contacts = dJointGroupCreate(0);
    dWorldSetGravity(g_phys_world, 0, 0, GRAVITY_Z);
    dWorldSetAutoDisableFlag(g_phys_world, 0);
    dWorldSetContactMaxCorrectingVel(g_phys_world, MAX_CORRECTING_VELOCITY);
    dWorldSetContactSurfaceLayer(g_phys_world, SURFACE_LAYER);
    dCreatePlane(g_phys_space, 0, 0, 1, 0);
    g_phys_scale = 0.0f;
    g_phys_follow_id = 0;
    g_phys_ready = 1;
    return 1;
}

int phys_is_simulating(Viewer *viewer)
{
    return viewer ? viewer->simulating : 0;
}

int phys_shutdown(Viewer *viewer)
{
    if (!g_phys_ready) return 0;
    dJointGroupDestroy(g_phys_contacts);
    dSpaceDestroy(g_phys_space);
    dWorldDestroy(g_phys_world);
    g_phys_contacts = nullptr;
    g_phys_space = nullptr;
    g_phys_world = nullptr;
    g_phys_ready = 0;
    g_phys_scale = 0.0f;
    g_phys_follow_id = 0;
    if (viewer) table_clear(&viewer->collide_caches);
    return 1;
}

int phys_set_simulate(Viewer *viewer, int on)
{
    if (!viewer) return 0;
    if (!g_phys_ready) phys_init();
    viewer->simulating = on ? 1 : 0;
    if (on) viewer->sim_time = 0.0f;
    return 1;
}

// Static geometries are sized and placed in physics units like the bodies, so
// they stay where the scene has them.
int phys_setup_object(Viewer *viewer, CollideCache *cache, CollideObject *object)
{
    if (!viewer || !cache || !object) return 0;
    if (!g_phys_ready) phys_init();
    phys_release_object(viewer, cache);
    gl_identity(cache->pose);
    bind_object(cache, object);
    cache->active = 0;
    take_scale(viewer);
    if (!is_static(object)) return 1;
    if (object->shape == SHAPE_PLANE) {
        dGeomID plane = dCreatePlane(g_phys_space, 0, 0, 1, 0);
        cache->geom = plane;
        set_plane(plane, cache, object);
        return 1;
    }
    ScaledShape s;
    if (!scale_shape(object, &s) || !box_sizes_valid(&s)) return 0;
    cache->geom = dCreateBox(g_phys_space, s.size[0], s.size[1], s.size[2]);
    place_static(cache, object);
    return 1;
}

// A static object or plane is never given a body: its geometry stays where it is.
int phys_activate_body(Viewer *viewer, CollideCache *cache)
{
    if (!g_phys_ready || !viewer || !cache) return 0;
    CollideObject *object = cache_object(viewer, cache);
    if (!object) return 0;
    if (is_static(object)) {
        if (!cache->geom) return 0;
        cache->active = 1;
        return 1;
    }
    take_scale(viewer);
    ScaledShape s;
    if (!scale_shape(object, &s) || !body_sizes_valid(object, &s)) return 0;
    dBodyID body = static_cast<dBodyID>(cache->body);
    if (!body) {
        body = dBodyCreate(g_phys_world);
        cache->body = body;
        dBodySetPosition(body, s.position[0], s.position[1], s.position[2]);
        Matrix4 rotation;
        object_rotation(cache, object, &rotation);
        dBodySetRotation(body, phys_rotation_3x4(&rotation));
        dBodySetData(body, reinterpret_cast<void *>(static_cast<intptr_t>(cache->id)));
        if (!cache->geom) cache->geom = create_geometry(object->shape, &s);
        set_mass(body, object->shape, &s);
    }
    if (cache->geom) dGeomSetBody(static_cast<dGeomID>(cache->geom), body);
    dBodyEnable(body);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
    cache->active = 1;
    return 1;
}

int phys_reset_all(Viewer *viewer)
{
    if (!viewer) return 0;
    if (!g_phys_ready) phys_init();
    if (viewer->view_size > 0.0f) g_phys_scale = viewer->view_size;
    else take_scale(viewer);
    for (CollideCache *cache = static_cast<CollideCache *>(table_first(&viewer->collide_caches)); cache;
         cache = static_cast<CollideCache *>(table_next(&viewer->collide_caches))) {
        CollideObject *object = cache_object(viewer, cache);
        if (!object) continue;
        if (cache->body) place_body(cache, object);
        else if (cache->geom) place_static(cache, object);
    }
    return 1;
}

// A non-finite or non-positive dt moves nothing.
int phys_step(Viewer *viewer, float dt)
{
    if (!viewer || !viewer->simulating) return 0;
    if (!g_phys_ready) return 1;
    if (dt > 0.0f && std::isfinite(dt)) {
        viewer->sim_time += dt;
        dSpaceCollide(g_phys_space, nullptr, phys_near_callback);
        dWorldQuickStep(g_phys_world, dt);
    }
    dJointGroupEmpty(g_phys_contacts);
    return 1;
}

// Two geometries without bodies (the ground and static boxes) need no contacts:
// a joint attached to nothing has no effect.
void phys_near_callback(void *data, dGeomID geom1, dGeomID geom2)
{
    dBodyID body1 = dGeomGetBody(geom1);
    dBodyID body2 = dGeomGetBody(geom2);
    if (!body1 && !body2) return;
    if (body1 && body2 && dAreConnectedExcluding(body1, body2, dJointTypeContact)) return;
    dContact contacts[MAX_CONTACTS];
    memset(contacts, 0, sizeof contacts);
    int found = dCollide(geom1, geom2, MAX_CONTACTS, &contacts[0].geom, sizeof(dContact));
    for (int i = 0; i < found; i++) {
        dSurfaceParameters *surface = &contacts[i].surface;
        surface->mode = CONTACT_MODE;
        surface->mu = dInfinity;
        surface->bounce = CONTACT_BOUNCE;
        surface->bounce_vel = CONTACT_BOUNCE_VELOCITY;
        surface->soft_erp = CONTACT_SOFT_ERP;
        surface->soft_cfm = CONTACT_SOFT_CFM;
        dJointID joint = dJointCreateContact(g_phys_world, g_phys_contacts, &contacts[i]);
        dJointAttach(joint, dGeomGetBody(contacts[i].geom.g1), dGeomGetBody(contacts[i].geom.g2));
    }
}

int phys_deactivate_body(Viewer *viewer, CollideCache *cache)
{
    if (!g_phys_ready || !cache) return 0;
    if (!cache->body) return 1;
    dBodyDisable(static_cast<dBodyID>(cache->body));
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    if (geom) {
        dGeomSetBody(geom, nullptr);
        dGeomSetRotation(geom, phys_rotation_3x4(&g_mat4_identity));
    }
    cache->active = 0;
    return 1;
}

int phys_destroy_body(Viewer *viewer, CollideCache *cache)
{
    if (!g_phys_ready || !cache) return 0;
    if (!cache->body) return 1;
    phys_deactivate_body(viewer, cache);
    if (cache->geom) dGeomDestroy(static_cast<dGeomID>(cache->geom));
    dBodyDestroy(static_cast<dBodyID>(cache->body));
    cache->geom = nullptr;
    cache->body = nullptr;
    return 1;
}

int phys_release_object(Viewer *viewer, CollideCache *cache)
{
    if (!cache) return 0;
    if (g_phys_ready) {
        if (cache->geom) dGeomDestroy(static_cast<dGeomID>(cache->geom));
        if (cache->body) dBodyDestroy(static_cast<dBodyID>(cache->body));
    }
    cache->geom = nullptr;
    cache->body = nullptr;
    cache->active = 0;
    if (g_phys_follow_id == cache->id) g_phys_follow_id = 0;
    return 1;
}

int phys_move_body(Viewer *viewer, CollideCache *cache, float dx, float dy, float dz)
{
    if (!g_phys_ready || !cache) return 0;
    dBodyID body = static_cast<dBodyID>(cache->body);
    if (!body) return 1;
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    const dReal *at = geom ? dGeomGetPosition(geom) : dBodyGetPosition(body);
    dReal scale = g_phys_scale;
    dBodySetPosition(body, at[0] + dx / scale, at[1] + dy / scale, at[2] + dz / scale);
    dBodyEnable(body);
    return 1;
}

// ODE orders a quaternion w, x, y, z; the maths here x, y, z, w.
int phys_place_upright(Viewer *viewer, CollideCache *cache, float dx, float dy, float dz)
{
    if (!g_phys_ready || !cache) return 0;
    dBodyID body = static_cast<dBodyID>(cache->body);
    if (!body) return 1;
    CollideObject *object = cache_object(viewer, cache);
    if (!object) return 0;
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    dReal scale = g_phys_scale;
    dReal x = (object->position[0] + dx) / scale;
    dReal y = (object->position[1] + dy) / scale;
    dReal z = (object->position[2] + dz) / scale;
    dBodySetPosition(body, x, y, z);
    if (geom) dGeomSetPosition(geom, x, y, z);
    const dReal *q = dBodyGetQuaternion(body);
    Quaternion from = {static_cast<float>(q[1]), static_cast<float>(q[2]), static_cast<float>(q[3]),
                       static_cast<float>(q[0])};
    Quaternion upright = {0.0f, 0.0f, 0.0f, 1.0f};
    Quaternion turned;
    quat_slerp(&from, &upright, &turned, UPRIGHT_FRACTION);
    dQuaternion to = {turned.w, turned.x, turned.y, turned.z};
    dBodySetQuaternion(body, to);
    if (geom) dGeomSetQuaternion(geom, to);
    return 1;
}

float *phys_body_offset(float *out, Viewer *viewer, CollideCache *cache)
{
    out[0] = out[1] = out[2] = 0.0f;
    if (!g_phys_ready || !cache) return out;
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    CollideObject *object = cache_object(viewer, cache);
    if (!geom || is_plane(geom) || !object) return out;
    const dReal *at = dGeomGetPosition(geom);
    for (int i = 0; i < 3; i++) out[i] = static_cast<float>(g_phys_scale * at[i]) - object->position[i];
    return out;
}

int phys_push(Viewer *viewer, CollideCache *cache, float x, float y, float z)
{
    if (!g_phys_ready || !cache) return 0;
    dBodyID body = static_cast<dBodyID>(cache->body);
    if (!body) return 1;
    float k = object_density(viewer, cache) * PUSH_FACTOR;
    dBodyEnable(body);
    dBodyAddRelForce(body, x * k, y * k, z * k);
    return 1;
}

int phys_spin_world(Viewer *viewer, CollideCache *cache, float x, float y, float z)
{
    return spin(viewer, cache, x, y, z, dBodyAddForceAtPos);
}

int phys_spin_body(Viewer *viewer, CollideCache *cache, float x, float y, float z)
{
    return spin(viewer, cache, x, y, z, dBodyAddRelForceAtRelPos);
}

int phys_read_pose(Viewer *viewer, CollideCache *cache)
{
    if (!g_phys_ready || !cache) return 0;
    CollideObject *object = cache_object(viewer, cache);
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    if (geom && !is_plane(geom)) {
        gl_identity(cache->pose);
        const dReal *r = dGeomGetRotation(geom);
        const dReal *at = dGeomGetPosition(geom);
        for (int row = 0; row < 3; row++) {
            for (int column = 0; column < 3; column++)
                cache->pose[column * 4 + row] = static_cast<float>(r[row * 4 + column]);
            cache->pose[12 + row] = static_cast<float>(at[row] * g_phys_scale);
        }
        return 1;
    }
    if (!object) return 0;
    gl_identity(cache->pose);
    for (int i = 0; i < 3; i++) cache->pose[12 + i] = object->position[i];
    return 1;
}

int phys_set_follow(Viewer *viewer, CollideCache *cache)
{
    if (!g_phys_ready) return 0;
    g_phys_follow_id = cache ? cache->id : 0;
    return 1;
}

const float *phys_follow_matrix(Viewer *viewer)
{
    static float matrix[16];
    if (!g_phys_ready || !viewer || g_phys_follow_id == 0) return nullptr;
    CollideCache *cache = static_cast<CollideCache *>(table_find(&viewer->collide_caches, g_phys_follow_id));
    dGeomID geom = cache ? static_cast<dGeomID>(cache->geom) : nullptr;
    if (!geom || is_plane(geom)) return nullptr;
    const dReal *at = dGeomGetPosition(geom);
    gl_identity(matrix);
    for (int i = 0; i < 3; i++) matrix[12 + i] = static_cast<float>(-g_phys_scale * at[i]);
    return matrix;
}

// ODE's dMatrix3 is row-major 3 x 4 like the upper rows of a Matrix4; in double
// precision the floats must be widened, not reinterpreted.
const dReal *phys_rotation_3x4(const Matrix4 *m)
{
    static dMatrix3 rotation;
    for (int i = 0; i < 12; i++) rotation[i] = m->m[i];
    return rotation;
}

// The procedure name is read when the timer fires and copied before the call,
// since the procedure may register another one and free this name.
void phys_simulate_timer(ClientData data)
{
    g_sim_timer_pending = 0;
    Viewer *viewer = static_cast<Viewer *>(data);
    const char *proc = g_app.callbacks.simulate_proc;
    if (!viewer || !proc || !viewer->simulating) return;
    std::string name(proc);
    phys_step(viewer, TIMER_STEP);
    const char *words[2] = {name.c_str(), "SIMULATE"};
    tcl_eval_callback_words("simulate", 2, words);
}

// The timer is always scheduled while simulating, so waiting for the next event
// never waits longer than its delay.
int phys_simulate_wait()
{
    Viewer *viewer = &g_app.viewer;
    while (viewer->simulating) {
        if (!g_sim_timer_pending) {
            g_sim_timer_pending = 1;
            tcl_create_timer(TIMER_DELAY, phys_simulate_timer, viewer);
        }
        Tcl_DoOneEvent(TCL_ALL_EVENTS);
    }
    return 0;
}

// The one place that reads a cache's collide object.
static CollideObject *cache_object(Viewer *viewer, CollideCache *cache)
{
    return rcache_collide_object_of(cache);
}

// The one place that writes a cache's collide object.
static void bind_object(CollideCache *cache, CollideObject *object)
{
    rcache_collide_bind(cache, object);
}

// Static objects (flag 0) and planes keep a fixed geometry and never get a body.
static int is_static(const CollideObject *object)
{
    return object->flag == 0 || object->shape == SHAPE_PLANE;
}

// The scale comes from the view size the first time anything is placed in a world.
static void take_scale(Viewer *viewer)
{
    if (g_phys_scale > 0.0f) return;
    g_phys_scale = viewer->view_size > 0.0f ? viewer->view_size : 1.0f;
}

// Fills out with the object's scaled position and sizes and the density a body's
// mass takes; 0 when one of those numbers is not finite.
static int scale_shape(const CollideObject *object, ScaledShape *out)
{
    dReal scale = g_phys_scale > 0.0f ? g_phys_scale : 1.0f;
    for (int i = 0; i < 3; i++) {
        if (!std::isfinite(object->position[i]) || !std::isfinite(object->size[i])) return 0;
        out->position[i] = object->position[i] / scale;
        out->size[i] = object->size[i] / scale;
    }
    int32_t shape = object->shape;
    int own = shape == SHAPE_BOX || shape == SHAPE_SPHERE || shape == SHAPE_CAPSULE;
    out->density = own ? object->density : STAND_IN_DENSITY;
    return std::isfinite(out->density);
}

// 1 when ODE can take the body's shape and mass: a positive density and positive
// sizes (only the first one for a sphere or capsule). ODE aborts on the others.
static int body_sizes_valid(const CollideObject *object, const ScaledShape *s)
{
    if (!(s->density > 0) || !(s->size[0] > 0)) return 0;
    if (object->shape == SHAPE_SPHERE || object->shape == SHAPE_CAPSULE) return 1;
    return box_sizes_valid(s);
}

// 1 when all three lengths of a box are positive.
static int box_sizes_valid(const ScaledShape *s)
{
    return s->size[0] > 0 && s->size[1] > 0 && s->size[2] > 0;
}

static int is_plane(dGeomID geom)
{
    return geom && dGeomGetClass(geom) == dPlaneClass;
}

// A capsule's straight part: its height less its diameter, never below 0.
static dReal capsule_length(const ScaledShape *s)
{
    return std::fmax(0.0, s->size[2] - s->size[0]);
}

// rotation = the object's three rotation words; box_matrix = the same in OpenGL order.
static void object_rotation(CollideCache *cache, const CollideObject *object, Matrix4 *rotation)
{
    mat4_from_rotation_text(rotation, object->rotation[0], object->rotation[1], object->rotation[2]);
    memcpy(cache->box_matrix, mat4_to_gl(rotation), sizeof cache->box_matrix);
}

// Spheres and capsules have their own geometry; everything else is a box.
static dGeomID create_geometry(int32_t shape, const ScaledShape *s)
{
    if (shape == SHAPE_SPHERE) return dCreateSphere(g_phys_space, s->size[0] / 2);
    if (shape == SHAPE_CAPSULE) return dCreateCapsule(g_phys_space, s->size[0] / 2, capsule_length(s));
    return dCreateBox(g_phys_space, s->size[0], s->size[1], s->size[2]);
}

// Sets a geometry's lengths by its kind; planes are left alone.
static void size_geometry(dGeomID geom, const ScaledShape *s)
{
    int kind = dGeomGetClass(geom);
    if (kind == dSphereClass) dGeomSphereSetRadius(geom, s->size[0] / 2);
    else if (kind == dCapsuleClass) dGeomCapsuleSetParams(geom, s->size[0] / 2, capsule_length(s));
    else if (kind == dBoxClass) dGeomBoxSetLengths(geom, s->size[0], s->size[1], s->size[2]);
}

static void set_mass(dBodyID body, int32_t shape, const ScaledShape *s)
{
    dMass mass;
    if (shape == SHAPE_SPHERE) dMassSetSphere(&mass, s->density, s->size[0] / 2);
    else if (shape == SHAPE_CAPSULE)
        dMassSetCapsule(&mass, s->density, CAPSULE_AXIS_Z, s->size[0] / 2, capsule_length(s));
    else dMassSetBox(&mass, s->density, s->size[0], s->size[1], s->size[2]);
    dBodySetMass(body, &mass);
}

// The plane through the object's position whose normal is the object's rotation
// applied to +z: a x + b y + c z = d in physics units.
static void set_plane(dGeomID geom, CollideCache *cache, const CollideObject *object)
{
    Matrix4 rotation;
    object_rotation(cache, object, &rotation);
    const float *m = rotation.m;
    dReal normal[3] = {m[2], m[6], m[10]};
    dReal scale = g_phys_scale > 0.0f ? g_phys_scale : 1.0f;
    dReal d = 0;
    for (int i = 0; i < 3; i++)
        if (std::isfinite(object->position[i])) d += normal[i] * object->position[i] / scale;
    dGeomPlaneSetParams(geom, normal[0], normal[1], normal[2], d);
}

// A geometry without a body back at its object's place, turn and scaled size.
static void place_static(CollideCache *cache, const CollideObject *object)
{
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    if (is_plane(geom)) {
        set_plane(geom, cache, object);
        return;
    }
    ScaledShape s;
    if (!scale_shape(object, &s) || !box_sizes_valid(&s)) return;
    Matrix4 rotation;
    object_rotation(cache, object, &rotation);
    dGeomSetPosition(geom, s.position[0], s.position[1], s.position[2]);
    dGeomSetRotation(geom, phys_rotation_3x4(&rotation));
    size_geometry(geom, &s);
}

// A body back at its object's place and turn, at rest, with size and mass set
// again; a geometry taken off it by deactivation goes back too.
static void place_body(CollideCache *cache, const CollideObject *object)
{
    ScaledShape s;
    if (!scale_shape(object, &s) || !body_sizes_valid(object, &s)) return;
    dBodyID body = static_cast<dBodyID>(cache->body);
    dGeomID geom = static_cast<dGeomID>(cache->geom);
    Matrix4 rotation;
    object_rotation(cache, object, &rotation);
    dBodySetPosition(body, s.position[0], s.position[1], s.position[2]);
    dBodySetRotation(body, phys_rotation_3x4(&rotation));
    if (geom) {
        if (!dGeomGetBody(geom)) {
            dGeomSetPosition(geom, s.position[0], s.position[1], s.position[2]);
            dGeomSetRotation(geom, phys_rotation_3x4(&rotation));
        }
        size_geometry(geom, &s);
    }
    set_mass(body, object->shape, &s);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
}

static void scale_geom_position(dGeomID geom, dReal ratio)
{
    const dReal *at = dGeomGetPosition(geom);
    dGeomSetPosition(geom, at[0] * ratio, at[1] * ratio, at[2] * ratio);
}

static void scale_body_position(dBodyID body, dReal ratio)
{
    const dReal *at = dBodyGetPosition(body);
    dBodySetPosition(body, at[0] * ratio, at[1] * ratio, at[2] * ratio);
}

// The object's density, 0 when the cache has no object.
static float object_density(Viewer *viewer, CollideCache *cache)
{
    CollideObject *object = cache_object(viewer, cache);
    return object ? object->density : 0.0f;
}

// Turns the body about each axis by a couple of forces a density away from its
// centre; zero components add nothing.
static int spin(Viewer *viewer, CollideCache *cache, float x, float y, float z, ForceAtPoint add)
{
    if (!g_phys_ready || !cache) return 0;
    dBodyID body = static_cast<dBodyID>(cache->body);
    if (!body) return 1;
    float d = object_density(viewer, cache);
    float k = d * SPIN_FACTOR;
    dBodyEnable(body);
    if (k * x != 0.0f) add(body, 0, 0, k * x, 0, d, 0);
    if (k * y != 0.0f) add(body, 0, 0, k * y, d, 0, 0);
    if (k * z != 0.0f) add(body, k * z, 0, 0, 0, d, 0);
    return 1;
}

static void gl_identity(float *gl)
{
    memcpy(gl, mat4_to_gl(&g_mat4_identity), 16 * sizeof(float));
}

static void close_ode()
{
    dCloseODE();
}
