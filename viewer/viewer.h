// The viewer record: the loaded models, the per-object render caches that the
// drawing pass and the pose evaluation fill, the selections, display options,
// view size and focus, animation clock and the two text hooks.
#pragma once
#include <cstdint>

#include "foundation/keyed_table.h"
#include "foundation/matrix4.h"
#include "model/model.h"
#include "viewer/selection.h"

struct Model;
struct Point;
struct Face;
struct Joint;
struct Child;
struct CollideObject;
struct AnimSet;

// A function taking one text: the viewer's status hook and message hook.
typedef void (*ViewerTextHook)(const char *text);
struct Viewer;
struct CollideCache;
// A function taking the viewer: the hook that re-places physics bodies after the view size changed.
typedef int (*ViewerRescaleHook)(Viewer *viewer);
// A function taking the viewer and a collide cache: the hook that frees the cache's physics body.
typedef int (*ViewerCollideHook)(Viewer *viewer, CollideCache *cache);

// Render caches never hold the address of a record that lives in a table of a
// model (points, joints, layers, faces, children, collide objects): those tables
// move all their records when they grow, and models are edited while drawn. A
// cache names such a record by its owning Model (a heap record that never moves),
// its slot index in its table (kept while the table grows) and its id, and finds
// it again at use with one slot look-up; the id check makes a reused slot read as
// none. The rcache_*_of accessors below do that look-up.

// Placement of one model; its key (id) is the model id every command takes.
struct ModelXform {
    int32_t id;                 // model id, equal to the table key
    float last_time;            // time of the last pose evaluation; -1 before any
    float translation[3];       // placement translation
    float scale[3];             // placement scale factors
    char rotation_words[3][8];  // rotation words handed on when attached as a child
    Matrix4 matrix;             // scale x rotation x translation
    Matrix4 rotation;           // rotation part
    int32_t triangles;          // triangles of this model drawn in the last frame
    float gl_matrix[16];        // matrix in OpenGL column-major order
    Model *model;               // the model (not owned)
};

// Deformed vertex of one point.
struct PointCache {
    int32_t id;
    float position[3];  // deformed position (the point's own until skinned)
    float normal[3];    // deformed normal
};

// Slot index values of a FaceCache beside real slots: no such point, and a slot that does
// not fit in 16 bits (a point table of more than 65,534 slots), found again by the point's
// id at use. rcache_face_point_slot reads an index whatever it holds.
constexpr uint16_t FACE_SLOT_NONE = 0xFFFF;
constexpr uint16_t FACE_SLOT_FAR = 0xFFFE;

// Draw data of one face: only what flat drawing reads, so that the first frame, which
// creates one per face, writes little (40 bytes a face). The face normals are computed on
// request (rcache_face_normal); curved drawing finds the edge normal points of a curved
// face by their ids when it draws it.
struct FaceCache {
    int32_t id;
    int32_t layer_slot;           // slot of the face's layer in the model's layer table
    int32_t face_slot;            // slot of the face in the layer's face table
    uint32_t face_id;             // the face's id, checked at use
    Model *model;                 // the model whose layer holds the face (not owned)
    uint16_t corner_index[4];     // slot index of each corner's point in the point table
    uint16_t normal_index[4];     // slot index of each corner's normal point
};

// Pose of one joint.
struct JointCache {
    int32_t id;
    float last_time;        // -1 before any evaluation
    float position[3];      // the joint's position
    Model *model;           // the model whose joint table holds the joint (not owned)
    int32_t parent_slot;    // slot of the parent joint in that table; -1 for a root
    uint32_t parent_id;     // the parent joint's id, checked at use
    Matrix4 local;
    Matrix4 world;
    Matrix4 bind_inverse;   // inverse of the translation to the joint's position
    Matrix4 skin;
    Matrix4 rotation_only;
    float offset[3];        // position minus the parent's position (the position for a root)
    int32_t channel;        // dense joint index + 2: the animation slot
};

// Placement of one child link; its key (id) is the child id the commands take.
struct ChildXform {
    int32_t id;
    float last_time;        // -1 before any evaluation
    Matrix4 matrix;         // translation x rotation x scale of the link
    float gl_matrix[16];    // matrix in OpenGL order
    Model *owner;           // the model whose child table holds the link (not owned)
    int32_t child_slot;     // slot of the link in that table
    uint32_t child_id;      // the link's id, checked at use
};

// Per collide object: drawing matrix and the physics glue's body and pose.
struct CollideCache {
    int32_t id;
    float last_time;                 // -1 before any evaluation
    int32_t active;                  // the body takes part in the simulation
    Model *owner;                    // the model holding the object; null once it is unloaded
    int32_t object_slot;             // slot of the object in the owner's collide table
    uint32_t object_id;              // the object's id, checked at use
    void *body;                      // physics body or null
    void *geom;                      // physics geometry or null
    float box_matrix[16];            // OpenGL order: the object's rotation words until physics writes it
    float pose[16];                  // OpenGL order: pose read back from the geometry
};

// A model open in the viewer, with its animation; both owned by the viewer.
struct LoadedModel {
    Model *model;
    AnimSet *animation;    // or null
    int32_t beside_scene;  // 1: entered while a scene list was open, not read from the list
};

// Number of display flags, in the order of the fields below.
constexpr int VIEWER_DISPLAY_FLAGS = 23;

// The one scene record; a member of AppState.
struct Viewer {
    KeyedTable model_xforms;    // ModelXform by model id
    KeyedTable point_caches;    // PointCache
    KeyedTable face_caches;     // FaceCache
    KeyedTable joint_caches;    // JointCache
    KeyedTable child_xforms;    // ChildXform by child id
    KeyedTable collide_caches;  // CollideCache
    KeyedTable models;          // LoadedModel by loaded-model key
    int32_t simulating;         // physics on/off
    float sim_time;             // simulated time
    void *follow_body;          // physics body the view follows (never a cache record), or null
    char *anim_path;            // heap copy of the scene list last opened, or null
    float time;                 // current animation time, seconds
    float frame_step;           // 1 / fps; 1.0 after every reset
    int32_t fps;                // playback rate; 0 until set
    float end_time;             // duration of the loaded animation
    SelectionSet selection;     // the current selection
    SelectionSet copy_set;      // the copy of select cut / copy
    int32_t cut_mark;           // 1 after cut, 0 after copy
    // display flags, in this order; k_display_options (display_options.h) lists them
    int32_t wireframe;
    int32_t points;
    int32_t triangles;
    int32_t mirror;
    int32_t textures;
    int32_t smooth;
    int32_t normals;
    int32_t transparency;
    int32_t backfaces;
    int32_t lighting;
    int32_t curves;
    int32_t control_net;
    int32_t skeleton;
    int32_t gouraud;
    int32_t quadlines;
    int32_t pnfilter;
    int32_t skinned_curves;
    int32_t lod;
    int32_t reflect;
    int32_t lines;
    int32_t collide;
    int32_t grid;
    int32_t cursor;
    int32_t frame_triangles;        // triangles drawn in the last frame
    int32_t frame_uploads;          // textures uploaded in the current frame
    float view_size;                // 100; only grows
    int32_t points_color_index;     // -1..5
    float focus[3];                 // centre of all models
    float cursor_position[3];       // the 3D cursor
    uint8_t digit_glyphs[10][96];   // digit bitmaps for point numbers
    int32_t font_ready;             // 1 once digit_glyphs is filled
    const char *last_message;       // set once a message was posted; viewer_last_message reads it
    ViewerTextHook status_hook;     // receives the formatted status line, or null
    ViewerTextHook message_hook;    // receives messages for the user, or null
    ViewerRescaleHook rescale_hook; // called after the view extent changed, or null (no physics)
    ViewerCollideHook collide_release_hook; // called before a collide cache or its object goes, or null
};

// Once at package start: file table, zeroed record, tables, selections, then a reset with defaults.
void viewer_init(Viewer *viewer);
// Clears both selections, closes every model, empties the tables; with_defaults restores the
// display flags; frame_step 1.0, view size 100 and focus at the origin. Id counters are kept.
void viewer_reset(Viewer *viewer, int with_defaults);

// The model's ModelXform, created on first use; null when viewer or model is null.
ModelXform *rcache_model_xform(Viewer *viewer, Model *model);
// matrix = scale x rotation x translation of the xform; gl_matrix refreshed.
void rcache_update_model_xform(ModelXform *xform);
// The point's PointCache, created on first use; null for a null argument.
PointCache *rcache_point(Viewer *viewer, Point *point);
// The face's FaceCache of model, created on first use; null for a null argument or a face
// that is in no layer of the model. An existing cache is answered inline: drawing asks
// once per face and frame.
FaceCache *rcache_face_create(Viewer *viewer, Model *model, Face *face);
inline FaceCache *rcache_face(Viewer *viewer, Model *model, Face *face)
{
    if (viewer && model && face && face->viewer_index >= 0) {
        void *existing = table_nth(&viewer->face_caches, face->viewer_index, 0);
        if (existing) return static_cast<FaceCache *>(existing);
    }
    return rcache_face_create(viewer, model, face);
}
// While no face has a cache, makes room in the face cache table for every face of the loaded
// models (child models included), so that the first frame fills it without regrowing it.
void rcache_reserve_faces(Viewer *viewer);
// The joint's JointCache of model, created on first use; null for a null argument or a joint
// that is not in the model's joint table.
JointCache *rcache_joint(Viewer *viewer, Model *model, Joint *joint);
// The ChildXform of a child link of model, created on first use; null for a null argument
// or a link that is not in the model's child table.
ChildXform *rcache_child_xform(Viewer *viewer, Model *model, Child *child);
// Gives every child link of the model's tree its ChildXform now, depth first in slot order, so
// that a model just loaded or attached can be selected by child id before the next frame.
void rcache_link_children(Viewer *viewer, Model *model);
// The collide object's CollideCache, created on first use; null for a null argument or an
// object that is not in its owner's collide table.
CollideCache *rcache_collide(Viewer *viewer, CollideObject *object);
// The face a FaceCache describes, looked up now; null when it is gone.
Face *rcache_face_of(const FaceCache *cache);
// Face normal (geom_face_normal) of the cached face's corners 0, 1, 2 (half 0) or, for a
// quad, of corners 2, 1, 3 (half 1), from the points' own positions now; 1, or 0 when the
// face or one of those points is gone or half names no half of the face.
int rcache_face_normal(const FaceCache *cache, int half, float *normal);
// The parent joint of a JointCache's joint, looked up now; null for a root or when it is gone.
Joint *rcache_joint_parent(const JointCache *cache);
// The child link of a ChildXform, looked up now; null when it is gone.
Child *rcache_child_of(const ChildXform *xform);
// Makes the cache name the object (its owner, slot and id); 1, or 0 when the
// object lies in no model's collide table (the cache then names nothing).
int rcache_collide_bind(CollideCache *cache, CollideObject *object);
// The collide object of a CollideCache, looked up now; null when it is gone or unloaded.
CollideObject *rcache_collide_object_of(const CollideCache *cache);
// The ModelXform of a model id, or null.
ModelXform *rcache_find_model_xform(Viewer *viewer, int32_t id);
// The ChildXform of a child id, or null.
ChildXform *rcache_find_child_xform(Viewer *viewer, int32_t id);

// Drops every cache of the model and its child models and deletes its GL texture names;
// 1, or 0 for a null model. Collide caches stay until the next reset.
int viewer_release_model_caches(Viewer *viewer, Model *model);

// Makes the model's caches show an edit of its points, normals or faces: its face caches
// are dropped (built again from the model at the next draw), every point cache it has
// becomes a copy of its point, and a posed model is skinned again in its last pose.
// 1, or 0 for a null model.
int viewer_refresh_model_caches(Viewer *viewer, Model *model);

// Position of a point (by slot index when by_index, else by id): the deformed one when
// cached, else its own; null when the point does not exist.
const float *rcache_vertex_position(Viewer *viewer, Model *model, int32_t point, int by_index);
// Normal of a point, cached or its own; null when the point does not exist.
const float *rcache_vertex_normal(Viewer *viewer, Model *model, int32_t point, int by_index);
// The point's own gouraud bytes r, g, b, t; null when the point does not exist.
const uint8_t *rcache_vertex_colour(Viewer *viewer, Model *model, int32_t point, int by_index);
// Slot of the point of corner i (or, with normal set, of corner i's normal point) of a face
// in the point table of the cache's model; -1 when there is none. face is the face the
// cache describes.
inline int32_t rcache_face_point_slot(const FaceCache *cache, const Face *face, int i, int normal)
{
    uint16_t slot = normal ? cache->normal_index[i] : cache->corner_index[i];
    if (slot < FACE_SLOT_FAR) return slot;
    if (slot == FACE_SLOT_NONE) return -1;
    return table_index_of(&cache->model->points, normal ? face->normal_ids[i] : face->point_ids[i], 0);
}
// The point in a slot of the model's point table, null when the slot holds none, with its
// PointCache in *cache (null when it has none): one look-up that gives what the three
// accessors above give by slot index. Viewer and model must not be null. Answered inline;
// drawing asks once per corner.
inline Point *rcache_point_at(Viewer *viewer, Model *model, int32_t slot, PointCache **cache)
{
    Point *point = static_cast<Point *>(table_nth(&model->points, slot, 0));
    *cache = (point && point->viewer_index >= 0)
                 ? static_cast<PointCache *>(table_nth(&viewer->point_caches, point->viewer_index, 0))
                 : nullptr;
    return point;
}
