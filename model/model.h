// The in-memory model: a tree of plain records held in keyed tables, the
// process-wide id counters, and creating, renaming and freeing a model.
#pragma once
#include <cstdint>
#include <type_traits>

#include "foundation/keyed_table.h"
#include "foundation/path.h"

// Sizes of the texts of the records (terminator included). A model's directory is a heap
// text as long as the path functions accept.
constexpr int MODEL_NAME_SIZE = 128;
constexpr int MODEL_ROTATION_SIZE = 8;
// Longest name used as a table key (layers, joints); longer names are cut to it.
constexpr int MODEL_KEY_LENGTH = 31;
// Largest id a face or strip can hold (its ids are signed 16-bit).
constexpr int32_t MODEL_MAX_FACE_ID = 32767;
// Most vertices a strip or a line may hold.
constexpr int32_t MODEL_MAX_STRIP_VERTICES = 512;
// Texture slots of a layer.
constexpr int LAYER_SLOT_IMAGE = 0;
constexpr int LAYER_SLOT_MIRROR = 1;
constexpr int LAYER_SLOT_REFLECT = 2;
constexpr int LAYER_SLOT_COUNT = 3;

struct Model;

// A skeleton joint, keyed by its name in the model's joint table.
struct Joint {
    uint32_t id;                      // from the joint counter
    char name[MODEL_NAME_SIZE];       // joint name
    char parent_name[MODEL_NAME_SIZE]; // parent joint's name; "world" for a root
    float position[3];                // from whole numbers
    int32_t parent_index;             // dense index of the parent in the joint table; -1 for a root
    int32_t point_count;              // points this joint owns, in the file's point order
    int32_t viewer_index;             // JointCache entry; -1 until the viewer assigns one
};

// A point, keyed by its id (1 or more) in the model's point table.
struct Point {
    float position[3];     // x, y, z (whole numbers when set by the building operations)
    float weight;          // skinning weight of the owning joint, -1.0 to 2.0
    uint8_t gouraud[4];    // r, g, b and transparency t (0 opaque), 0..255
    float normal[3];       // unit normal
    Joint *joint;          // owning joint in this model's joint table, or null
    Joint *second_joint;   // second joint of a blend or the owner's parent, or null
    int32_t viewer_index;  // PointCache entry; -1 until the viewer assigns one
};

// A triangle or a quad, keyed by its face id in the layer's face table.
struct Face {
    uint32_t id;             // face id, equal to the key
    int16_t quad;            // 0 triangle, 1 quad
    int16_t curve;           // 0 flat, 1..4 curved; quads only 0, 2 or 4
    int16_t point_ids[4];    // corners; the 4th only for quads; quads in strip order
    int16_t normal_ids[4];   // per corner: id of the point whose normal is used
    int16_t edge_ids[8];     // curved faces: start and end normal id of each edge
    float uv[4][2];          // u, v per corner
    int32_t viewer_index;    // FaceCache entry; -1 until the viewer assigns one
};

// One vertex of a strip.
struct StripVertex {
    int16_t point_id;   // point id
    int16_t normal_id;  // normal id (default the point id)
    float u;
    float v;
};

// A triangle strip: triangles (0,1,2), (2,1,3), (2,3,4), (4,3,5), ...
struct Strip {
    uint32_t id;           // from the strip counter
    int16_t vertex_count;  // number of vertices, at most MODEL_MAX_STRIP_VERTICES
    KeyedTable vertices;   // kind 0 of StripVertex, in strip order
    int32_t viewer_index;  // FaceCache entry; -1 until the viewer assigns one
};

// A polyline.
struct Line {
    uint32_t id;           // from the line counter
    int16_t vertex_count;  // number of vertices, at most MODEL_MAX_STRIP_VERTICES
    KeyedTable vertices;   // kind 0 of uint32_t point ids, in order
    int32_t viewer_index;  // -1
};

// The explicit texture coordinate of one point within a layer, keyed by point id.
struct Uvee {
    uint32_t point_id;
    float u;
    float v;
};

// A point count and two joints; the loader gives the next that many points these joints.
struct Blend {
    int32_t point_count;   // more than 0
    Joint *joint;          // first joint in this model's joint table, or null
    Joint *second_joint;   // second joint, or null
};

// An instance of another model file, keyed by child id.
struct Child {
    uint32_t id;                                // from the child counter
    char name[MODEL_NAME_SIZE];                 // file is the model directory + name + ".mod"
    Model *model;                               // the loaded child, owned by this model; may be null
    float position[3];
    float scale[3];
    char rotation[3][MODEL_ROTATION_SIZE];      // three rotation specs
    int32_t viewer_index;                       // ChildXform entry; -1 until the viewer assigns one
};

// A named collision shape for the physics glue, keyed by collide id.
struct CollideObject {
    uint32_t id;                                // from the collide counter
    char name[MODEL_NAME_SIZE];
    Model *owner;                               // the model that holds it
    float position[3];
    float size[3];
    char rotation[3][MODEL_ROTATION_SIZE];      // three rotation specs
    int32_t shape;                              // 1 box, 2 sphere, 3 capsule, 4 cylinder, 5 mesh, 6 plane
    float density;                              // 1.0 unless given
    float second_value;                         // 0.0 unless given
    int32_t flag;                               // 1 unless given
    int32_t viewer_index;                       // CollideCache entry; -1 until the viewer assigns one
};

// The one texture record of a layer (key 1): slot 0 image, 1 mirror image, 2 reflection.
// A slot holds one image cache reference exactly while its pixels are not null.
struct LayerTexture {
    char file[LAYER_SLOT_COUNT][MODEL_NAME_SIZE];  // file name as the caller gave it; empty when unset
    int32_t width[LAYER_SLOT_COUNT];               // pixels
    int32_t height[LAYER_SLOT_COUNT];              // pixels
    uint8_t *pixels[LAYER_SLOT_COUNT];             // lent by the image cache: RGB, or keyed RGBA for slots 0 and 1
    float reflect_amount;                          // 0.0 to 1.0
    int32_t additive[LAYER_SLOT_COUNT];            // 1 draws the slot additively (only slot 2 is set)
    uint32_t gl_names[LAYER_SLOT_COUNT];           // the viewer's GL texture names; 0 = none yet
    int32_t gl_stale;                              // 1 after an image was set: the viewer deletes the
                                                   // names above, zeroes them and uploads anew
    const char *cache_path[LAYER_SLOT_COUNT];      // path the slot's pixels were loaded under, released
                                                   // with them: the image cache's own text, which lives
                                                   // while the slot holds its reference; null when none
};

// A named part of a model, keyed by its name (first MODEL_KEY_LENGTH characters).
struct Layer {
    char name[MODEL_NAME_SIZE];  // layer name
    int32_t colour[3];           // r, g, b 0..127; 127 is full intensity
    int32_t single_sided;        // 1 single-sided, 0 double-sided
    float transparency;          // 0.0 opaque to 1.0
    int32_t mirror_on;           // 1 when drawn a second time mirrored
    int32_t mirror_axis;         // 1 x, 2 y, 3 z
    int32_t colour_key_on;       // 1 when pixels of the key colour are transparent
    int32_t colour_key[3];       // r, g, b 0..255
    int32_t image_u_axis;        // axis code 1..6 of the box projection's u
    int32_t image_v_axis;        // axis code 1..6 of the box projection's v
    int32_t repeat_on;           // 1 when the box projection is scaled by the repeat factors
    float repeat[2];             // u and v factors
    float box_min[3];            // box of the points the layer uses
    float box_max[3];
    KeyedTable faces;            // kind 1 of Face, key face id
    KeyedTable strips;           // kind 1 of Strip, key strip id
    KeyedTable lines;            // kind 1 of Line, key line id
    KeyedTable uvees;            // kind 1 of Uvee, key point id
    KeyedTable texture;          // kind 1 of LayerTexture, at most one, key 1
    KeyedTable normals;          // kind 1 of float[3], key normal id
    KeyedTable pn_normals;       // kind 1 of float[3], normals of curved faces, key normal id
};

// One loaded model.
struct Model {
    Model *parent;                        // model holding this one as a child; null at top level
    char *directory;                      // directory of its file as written, with its last separator:
                                          // a heap text the model owns, never null (empty when none)
    char name[MODEL_NAME_SIZE];           // lower-cased base name without a 3-letter extension
    uint32_t flag;                        // general flag, only model_set_flag/model_get_flag
    uint32_t has_gouraud;                 // 1 once any point received a gouraud colour
    uint32_t has_normals;                 // 1 once any point or layer normal was set
    KeyedTable points;                    // kind 1 of Point, key point id
    KeyedTable joints;                    // kind 2 of Joint, key joint name
    KeyedTable blends;                    // kind 1 of Blend, key blend id
    KeyedTable layers;                    // kind 2 of Layer, key layer name
    KeyedTable children;                  // kind 1 of Child, key child id
    KeyedTable collides;                  // kind 1 of CollideObject, key collide id
    float box_min[3];                     // box of the model's points
    float box_max[3];
    int32_t viewer_index;                 // ModelXform entry; -1 until the viewer assigns one
};

// Process-wide id counters, shared by all models: start at 1, grow by one per add, never reused.
struct ModelIdCounters {
    uint32_t child;
    uint32_t collide;
    uint32_t joint;
    uint32_t blend;
    uint32_t face;
    uint32_t strip;
    uint32_t line;
};

// Records live in keyed tables, which copy them as plain bytes.
static_assert(std::is_trivially_copyable<Point>::value && std::is_trivially_copyable<Face>::value &&
                  std::is_trivially_copyable<Strip>::value && std::is_trivially_copyable<Line>::value &&
                  std::is_trivially_copyable<Layer>::value && std::is_trivially_copyable<Joint>::value &&
                  std::is_trivially_copyable<Child>::value &&
                  std::is_trivially_copyable<CollideObject>::value &&
                  std::is_trivially_copyable<LayerTexture>::value && std::is_trivially_copyable<Model>::value,
              "model records must stay plain");

extern ModelIdCounters g_model_ids;

// 1 when a model can take its name and directory from path whole: path is shorter than
// PATH_BUFFER_SIZE and its name (as model_set_path takes it) shorter than MODEL_NAME_SIZE;
// else 0 with the last-error text "path too long: PATH" or "model name too long: PATH".
int model_path_fits(const char *path);
// New empty model named after path as model_set_path names it (name and directory empty when
// path gives none); null for a null path, or one whose name or directory the model cannot hold
// whole (model_path_fits sets the reason).
Model *model_create(const char *path, Model *parent);
// Takes name (the last component after "\" or "/", without a 3-letter extension, lower-cased)
// and, when path has one, directory as written from path; 0, changing nothing, for a null
// model or path, a path holding a line end, one that leaves no name, or one that
// model_path_fits refuses.
int model_set_path(Model *model, const char *path);
// Frees the model, its child models and every record, releasing all images; 0 for a null model.
int model_free(Model *model);
// New model with its own copy of every record and child model of source, placed under parent;
// images are shared through the image cache (one more reference per slot), viewer indices are
// -1. Null for a null source or out of memory (nothing of the copy left allocated).
Model *model_copy(const Model *source, Model *parent);
// Raises every id the counters gave in the model and its child models (joints, blends,
// children, collide objects, faces, strips, lines; keys and records alike) by the matching
// field of shift, so that a copy of a model just loaded takes the ids a second load of its
// file would have taken. The counters themselves are not advanced. 1; 0 for a null argument
// or out of memory (some ids then raised, some not: free the model).
int model_shift_ids(Model *model, const ModelIdCounters *shift);
// Stores the general flag (nothing calls it).
void model_set_flag(Model *model, uint32_t value);
// Returns the general flag, 0 for a null model (nothing calls it).
uint32_t model_get_flag(const Model *model);
// Copies name into a table key cut to MODEL_KEY_LENGTH characters; key must hold 32 bytes.
void model_key_name(const char *name, char *key);
// Initialises the empty tables a layer holds (faces, strips, lines, uvees, texture record,
// layer normals, curved-surface normals).
void model_init_layer_tables(Layer *layer);
