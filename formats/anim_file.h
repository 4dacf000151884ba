// Animation files: timed keys for the channels (slots) of one model, read in
// two passes, with sub-animation files nested as sub-tracks; the animation
// set of a model; the mapping of channel names to slots; and the animation
// error text, a process-wide text of its own beside the last-error text.
//
// Slots of a model with J joints and K child instances (counted through the
// whole tree): 0 translation, 1 rotation, 2..J+1 the joints by dense index,
// J+2..J+K+1 the child instances depth first.
#pragma once
#include <cstdint>

struct Model;
struct Joint;

// Most names a names line may carry.
constexpr int ANIM_MAX_NAMES = 128;
// Longest animation name; longer names are refused, never cut.
constexpr int ANIM_NAME_MAX = 63;
// Highest number a "childN" name may carry.
constexpr int ANIM_MAX_CHILD_OFFSET = 127;
// Fixed time of a track evaluated at the clock's time.
constexpr float ANIM_NO_FIXED_TIME = -1.0f;

// One value of a key: translation x, y, z and 1.0 for slot 0, a quaternion
// x, y, z, w for every other slot.
struct AnimValue {
    float v[4];
};

// One key of a track.
struct AnimKey {
    float time;           // the key line's time plus the track's start
    AnimValue **values;   // the track's slot count of pointers, each null or a heap value
};

// The keys of one animation file and its sub-animations.
struct AnimTrack {
    char *path;               // heap copy of "directory/file"; null until read
    float fixed_time;         // ANIM_NO_FIXED_TIME, or the time the track is always evaluated at
    float start;              // offset added to every key time of the file
    float end;                // end time
    int32_t slot_count;       // value pointers per key (the model's slot count when read)
    int32_t key_count;        // keys filled, in file order (not sorted)
    AnimKey *keys;            // key_count keys (room for the file's key lines)
    int32_t sub_track_count;  // sub-animation lines of the file
    AnimTrack *sub_tracks;    // sub_track_count tracks in file order (empty where a load failed)
};

// The animation of one model.
struct AnimSet {
    int32_t active;           // 1 when created; posing skips a set whose value is 0
    Model *parent_model;      // the model this one rides on, or null
    AnimSet *parent_set;      // that model's set, or null
    int32_t parent_joint_slot; // slot of the joint it rides on in the parent's joint table, -1 none
    uint32_t parent_joint_id; // that joint's id, checked at use (joint tables move when they grow)
    int32_t parent_slot;      // that joint's animation slot in the parent, 0 without joint
    AnimTrack root_track;     // the track of the model's animation file
    int32_t slot_count;       // joints + child instances + 2
    int32_t joint_count;      // joints of the model
    int32_t child_count;      // child instances of the whole tree
};

// State of one read of an animation file, shared by its two passes.
struct AnimTrackRead {
    Model *model;                     // the model whose channels are named
    AnimTrack *track;                 // the track being filled (pass 2)
    const char *directory;            // directory of the file, for its sub-animations
    int32_t slot_count;               // the model's slot count
    float start;                      // offset added to every key time of the file
    int32_t has_names;                // 1 after a names line
    int32_t name_count;               // triples per key line
    int32_t name_slots[ANIM_MAX_NAMES]; // slot of each triple, from the last names line
    int32_t key_lines;                // pass 1: key lines seen
    int32_t last_key_tokens;          // pass 1: token count of the last key line
    int32_t sub_lines;                // pass 1: sub-animation lines seen
    int32_t sub_loaded;               // pass 2: sub-tracks read so far
    float end;                        // end time so far
};

// New set for the model with its slot counts, active, no parent and an empty
// root track; null for a null model or out of memory.
AnimSet *anim_create(Model *model);
// The joint of the parent model the set rides on, looked up now; null without one or
// when it is gone.
Joint *anim_parent_joint(AnimSet *set);
// Makes the set ride on joint of parent_model (null joint: on the model itself).
void anim_set_parent_joint(AnimSet *set, Model *parent_model, Joint *joint);
// Clears the set's parent links: it poses unattached.
void anim_clear_parent(AnimSet *set);
// The set's root track; null for a null set.
AnimTrack *anim_root_track(AnimSet *set);
// Frees the set and its tracks (not its model or parent); null allowed. Returns 1.
int anim_destroy(AnimSet *set);
// Frees a set as anim_destroy does; 0 for a null set.
int anim_free(AnimSet *set);
// Frees what the track holds (sub-tracks, path, keys and their values) and
// empties it; slot_count is the count it was read with. The record itself stays.
void anim_track_free(AnimTrack *track, int32_t slot_count);
// Fills the track (first freeing what it held; a zeroed track holds nothing) from the
// file "directory\file_name" with its sub-animations; returns the track's end time, 0.0
// on failure with the animation error text set by any bad line. Start 0 and fixed
// time -1 for a root.
float anim_track_load(Model *model, AnimTrack *track, const char *directory,
                      const char *file_name, float start, float fixed_time);
// Line callback of the first pass (user value: AnimTrackRead): names, counts
// keys and sub-animations and finds the end; aborts the read on a bad line.
void anim_track_count_line(void *user);
// Line callback of the second pass (user value: AnimTrackRead): fills keys and
// loads sub-tracks; aborts the read on a bad key line.
void anim_track_key_line(void *user);
// Slot of an animation name in a model with slot_count slots; -1 with the
// animation error text set for a name that is no channel or lies past the slots.
int32_t anim_slot_of_name(const char *name, Model *model, int32_t slot_count);
// Slot count of a model: joints + child instances of the whole tree + 2; 0 for null.
int32_t anim_model_slot_count(Model *model);
// Replaces the animation error text with its own whole copy of text; null clears it.
void anim_set_error(const char *text);
// The animation error text, null when none; valid until the next anim_set_error.
const char *anim_last_error();
// Number of values the track's first key holds; 0 for a null argument or no keys.
int32_t anim_key_slot_count(AnimSet *set, AnimTrack *track);
// Slot of the n-th (from 0) value of the track's first key; 0 when there is none.
int32_t anim_key_index_nth(AnimSet *set, AnimTrack *track, int32_t n);
