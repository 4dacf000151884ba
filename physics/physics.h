// The physics glue of the simulation build: the collide objects of the loaded
// models as ODE rigid bodies and geometries in one world with a ground plane
// z = 0, stepped with contacts, read back for drawing, and a Tcl timer that
// reports each step to the registered simulate procedure. Up is +z; scene
// lengths are divided by the physics scale on their way into ODE.
#pragma once
#include <ode/ode.h>
#include <tcl.h>

#include <cstdint>

#include "foundation/matrix4.h"

struct Viewer;
struct CollideCache;
struct CollideObject;

// The world, null until the first phys_init and after phys_shutdown.
extern dWorldID g_phys_world;
// The hash space of every geometry, the ground plane included.
extern dSpaceID g_phys_space;
// The contact joints of one step; emptied after every step.
extern dJointGroupID g_phys_contacts;
// 1 while the three handles above exist.
extern int32_t g_phys_ready;
// Scene units per physics unit; 0 until the first object is placed in a world.
extern float g_phys_scale;
// 1 while a simulation timer is scheduled.
extern int32_t g_sim_timer_pending;
// Id of the collide cache the view follows; 0 for none.
extern int32_t g_phys_follow_id;

// The simulate subcommand: does nothing and sets no result; 1.
int phys_cmd_simulate(char **words);
// Re-places every body and geometry after the viewer's view size changed; 1, or 0
// without a world.
int phys_rescale_all(Viewer *viewer);

// Creates the world, space, contact group and ground plane once (ODE itself is
// started once per process); 1.
int phys_init();
// The viewer's simulating flag (0 for a null viewer).
int phys_is_simulating(Viewer *viewer);
// Destroys the world with every body and geometry and empties the viewer's collide
// caches; 0 when there is no world.
int phys_shutdown(Viewer *viewer);
// Creates the world when needed and switches simulating on or off; on restarts
// sim_time at 0. 0 for a null viewer.
int phys_set_simulate(Viewer *viewer, int on);
// Prepares a cache for object: pose identity, no body; a static object (flag 0) or
// a plane gets its fixed geometry now. Any body or geometry the cache had is
// destroyed first. 0 for a null argument or a static box without positive sizes.
int phys_setup_object(Viewer *viewer, CollideCache *cache, CollideObject *object);
// Makes a prepared cache take part: a moving object gets its body, geometry and
// mass by shape; a static one keeps its fixed geometry. 0 without a world or
// object, or when a size or the density is not positive.
int phys_activate_body(Viewer *viewer, CollideCache *cache);
// Takes the scale from the view size and puts every cache back where its object
// says, at rest, with sizes and masses set again; creates the world when needed. 1.
int phys_reset_all(Viewer *viewer);
// One step of dt seconds with contacts; dt <= 0 only empties the contacts.
// 0 when the viewer is not simulating, else 1.
int phys_step(Viewer *viewer, float dt);
// Space collision callback: up to four contact joints between the two geometries,
// none when their bodies are joined by another joint.
void phys_near_callback(void *data, dGeomID geom1, dGeomID geom2);
// Takes the body out of the simulation and leaves its geometry in place, unturned.
// 0 without a world or cache; 1 without a body.
int phys_deactivate_body(Viewer *viewer, CollideCache *cache);
// As phys_deactivate_body, then destroys the body and its geometry.
int phys_destroy_body(Viewer *viewer, CollideCache *cache);
// Destroys whatever body and geometry the cache has, static ones included, and
// stops following it; the viewer calls it before the cache or its object goes. 1.
int phys_release_object(Viewer *viewer, CollideCache *cache);
// Moves the body by the scene offset (dx, dy, dz) from where its geometry is.
int phys_move_body(Viewer *viewer, CollideCache *cache, float dx, float dy, float dz);
// Puts the body at the object's position plus the offset and turns it a fifth of
// the way back to upright.
int phys_place_upright(Viewer *viewer, CollideCache *cache, float dx, float dy, float dz);
// out = where the geometry is (scene units) minus the object's position; zeros
// without a world or placeable geometry. Returns out.
float *phys_body_offset(float *out, Viewer *viewer, CollideCache *cache);
// Pushes the body with the force (x, y, z) x density x 1e-7 in body coordinates.
int phys_push(Viewer *viewer, CollideCache *cache, float x, float y, float z);
// Turns the body with world-frame forces at world points off its centre.
int phys_spin_world(Viewer *viewer, CollideCache *cache, float x, float y, float z);
// Turns the body with body-frame forces at body points off its centre.
int phys_spin_body(Viewer *viewer, CollideCache *cache, float x, float y, float z);
// pose = the geometry's rotation and scene position; identity at the object's own
// position without a placeable geometry. 0 without a world or object.
int phys_read_pose(Viewer *viewer, CollideCache *cache);
// The view follows this cache's geometry from now on (null: nothing); 0 without a world.
int phys_set_follow(Viewer *viewer, CollideCache *cache);
// OpenGL-order translation by minus the followed geometry's scene position, in a
// static buffer; null without a world or a followed placeable geometry.
const float *phys_follow_matrix(Viewer *viewer);
// The first 12 elements of m as an ODE rotation, in a static buffer that the next
// call overwrites.
const dReal *phys_rotation_3x4(const Matrix4 *m);
// Timer procedure: steps 1.0 and calls the registered simulate procedure with the
// word SIMULATE while data (the viewer) is simulating.
void phys_simulate_timer(ClientData data);
// Keeps a simulation timer scheduled and handles Tcl events until the viewer stops
// simulating; 0.
int phys_simulate_wait();
