// Scene lists: up to 24 .mod models, each with an optional animation file and
// an optional parent model (and joint of it) that it rides on. Every path of
// a list is its directory and file name joined with one "/".
#pragma once
#include <cstdint>

#include "formats/text_reader.h"

struct Model;
struct AnimSet;

// Most entries a scene list loads; further entry lines are ignored.
constexpr int SCENE_MAX_ENTRIES = 24;
// Parent word of an entry that rides on nothing.
constexpr const char *SCENE_NO_PARENT = "world";

// Result of a scene-list load. The caller frees the record with free(); the
// models and sets it lists are the caller's to hand on or free.
struct SceneLoad {
    Model *models[SCENE_MAX_ENTRIES];  // one model per entry
    AnimSet *sets[SCENE_MAX_ENTRIES];  // its animation, null for an entry without one
    int32_t entry_count;               // entries loaded
    float duration;                    // largest root-track end time
};

// One entry line of a scene list: DIR FILE [ANIMDIR ANIMFILE [PARENT [PARENTJOINT]]].
struct SceneEntry {
    char dir[READER_TOKEN_CAPACITY];
    char file[READER_TOKEN_CAPACITY];
    char anim_dir[READER_TOKEN_CAPACITY];
    char anim_file[READER_TOKEN_CAPACITY];
    char parent[READER_TOKEN_CAPACITY];
    char parent_joint[READER_TOKEN_CAPACITY];
    int32_t has_anim;          // 1 with ANIMDIR and ANIMFILE
    int32_t has_parent;        // 1 with PARENT
    int32_t has_parent_joint;  // 1 with PARENTJOINT
};

// The entries of one scene-list read.
struct SceneListRead {
    SceneEntry entries[SCENE_MAX_ENTRIES];
    int32_t entry_count;
};

// Loads the scene list at path with its models, animations and parent links;
// null with the animation error text set (nothing of the scene left allocated).
SceneLoad *anim_load_scene(const char *path);
// Loads a .mod model as mod_load does; on failure null, the loader's last-error
// text becoming the animation error text.
Model *anim_load_model(const char *path);
// Line callback of a scene-list read (user value: SceneListRead): one entry per
// line of two or more tokens, up to SCENE_MAX_ENTRIES.
void anim_scene_line(void *user);
