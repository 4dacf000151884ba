#include "formats/anim_file.h"

#include "formats/text_reader.h"
#include "foundation/last_error.h"
#include "foundation/matrix4.h"
#include "foundation/quaternion.h"
#include "foundation/str.h"
#include "model/model.h"
#include "model/model_query.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

// Heap copy of the animation error text, null when there is none.
static char *g_anim_error = nullptr;

static int count_names(AnimTrackRead *read);
static int count_key(AnimTrackRead *read);
static int count_sub_track(AnimTrackRead *read);
static int read_key(AnimTrackRead *read);
static int read_sub_track(AnimTrackRead *read);
static int map_by_position(AnimTrackRead *read);
static int fill_track(AnimTrack *track, AnimTrackRead *read, char *path, float fixed_time);
static void store_triple(AnimValue *value, int32_t slot, int first_token);
static int child_number(const char *digits, int32_t *number);
static char *join_path(const char *directory, const char *file_name);
static int fail(const char *message);

AnimSet *anim_create(Model *model)
{
    if (!model) return nullptr;
    AnimSet *set = static_cast<AnimSet *>(calloc(1, sizeof(AnimSet)));
    if (!set) return nullptr;
    set->active = 1;
    set->joint_count = model_joint_count(model);
    set->child_count = model_child_count(model);
    set->slot_count = set->joint_count + set->child_count + 2;
    set->root_track.fixed_time = ANIM_NO_FIXED_TIME;
    set->parent_joint_slot = -1;
    return set;
}

Joint *anim_parent_joint(AnimSet *set)
{
    if (!set || !set->parent_model || set->parent_joint_slot < 0) return nullptr;
    Joint *joint = static_cast<Joint *>(table_nth(&set->parent_model->joints, set->parent_joint_slot, 0));
    return (joint && joint->id == set->parent_joint_id) ? joint : nullptr;
}

void anim_set_parent_joint(AnimSet *set, Model *parent_model, Joint *joint)
{
    if (!set) return;
    set->parent_joint_slot = -1;
    set->parent_joint_id = 0;
    set->parent_slot = 0;
    if (!parent_model || !joint) return;
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(joint->name, key);
    set->parent_joint_slot = table_index_of(&parent_model->joints, key, 0);
    set->parent_joint_id = joint->id;
    set->parent_slot = model_joint_index(parent_model, joint->name) + 2;
}

void anim_clear_parent(AnimSet *set)
{
    if (!set) return;
    set->parent_model = nullptr;
    set->parent_set = nullptr;
    anim_set_parent_joint(set, nullptr, nullptr);
}

AnimTrack *anim_root_track(AnimSet *set)
{
    return set ? &set->root_track : nullptr;
}

int anim_destroy(AnimSet *set)
{
    if (set) anim_free(set);
    return 1;
}

int anim_free(AnimSet *set)
{
    if (!set) return 0;
    anim_track_free(&set->root_track, set->root_track.slot_count);
    free(set);
    return 1;
}

void anim_track_free(AnimTrack *track, int32_t slot_count)
{
    if (!track) return;
    // Keys hold as many values as the track was read with; never walk past them.
    if (slot_count > track->slot_count) slot_count = track->slot_count;
    for (int32_t i = 0; i < track->sub_track_count; i++)
        anim_track_free(&track->sub_tracks[i], track->sub_tracks[i].slot_count);
    for (int32_t i = 0; i < track->key_count; i++) {
        AnimKey *key = &track->keys[i];
        if (!key->values) continue;
        for (int32_t s = 0; s < slot_count; s++) free(key->values[s]);
        free(key->values);
    }
    free(track->keys);
    free(track->sub_tracks);
    free(track->path);
    memset(track, 0, sizeof *track);
    track->fixed_time = ANIM_NO_FIXED_TIME;
}

float anim_track_load(Model *model, AnimTrack *track, const char *directory,
                      const char *file_name, float start, float fixed_time)
{
    anim_set_error(nullptr);
    err_set(nullptr);
    if (!model || !track || !directory || !file_name) return 0.0f;
    anim_track_free(track, track->slot_count);

    AnimTrackRead read;
    memset(&read, 0, sizeof read);
    read.model = model;
    read.track = track;
    read.directory = directory;
    read.slot_count = anim_model_slot_count(model);
    read.start = start;

    char *path = join_path(directory, file_name);
    int ok = path != nullptr;
    if (ok) ok = reader_run_file(path, "#", 1, anim_track_count_line, &read);
    if (ok && !read.has_names) ok = map_by_position(&read);
    if (ok) {
        ok = fill_track(track, &read, path, fixed_time);
    } else {
        free(path);
    }
    if (ok) ok = reader_run_file(track->path, "#", 1, anim_track_key_line, &read);
    if (!ok) {
        // The reader's own reason (a token too long, a read error) when no line gave one.
        if (!anim_last_error() && err_last()) anim_set_error(err_last());
        return 0.0f;
    }

    // read.end began at the first pass's end and was raised by the sub-tracks.
    track->end = fixed_time != ANIM_NO_FIXED_TIME ? fixed_time : read.end;
    return track->end;
}

void anim_track_count_line(void *user)
{
    AnimTrackRead *read = static_cast<AnimTrackRead *>(user);
    int ok;
    if (reader_token_is("names", 0)) ok = count_names(read);
    else if (reader_token_count() >= 4) ok = count_key(read);
    else ok = count_sub_track(read);
    if (!ok) reader_abort();
}

void anim_track_key_line(void *user)
{
    AnimTrackRead *read = static_cast<AnimTrackRead *>(user);
    int ok = 1;
    if (reader_token_is("names", 0)) ok = 1;  // mapped in the first pass
    else if (reader_token_count() >= 4) ok = read_key(read);
    else ok = read_sub_track(read);
    if (!ok) reader_abort();
}

int32_t anim_slot_of_name(const char *name, Model *model, int32_t slot_count)
{
    if (!name || strlen(name) > static_cast<size_t>(ANIM_NAME_MAX)) {
        fail("Invalid animation name");
        return -1;
    }
    int32_t joints = model_joint_count(model);
    int32_t slot = -1;
    const Joint *joint = model_find_joint(model, name);
    if (strcmp(name, "translate") == 0) {
        slot = 0;
    } else if (strcmp(name, "rotate") == 0) {
        slot = 1;
    } else if (joint && strcmp(joint->name, name) == 0) {
        // The joint table keys cut names; only the whole name counts as a match.
        slot = model_joint_index(model, name) + 2;
    } else if (strncmp(name, "child", 5) == 0) {
        int32_t number = 0;
        if (!child_number(name + 5, &number)) {
            fail("Child offset out of range");
            return -1;
        }
        slot = joints + number + 2;
    } else {
        int32_t ordinal = model_child_ordinal(model, name);
        if (ordinal < 0) {
            fail("Invalid animation name");
            return -1;
        }
        slot = joints + ordinal + 2;
    }
    if (slot >= slot_count) {
        fail("Slot overrun...");
        return -1;
    }
    return slot;
}

int32_t anim_model_slot_count(Model *model)
{
    if (!model) return 0;
    return model_joint_count(model) + model_child_count(model) + 2;
}

void anim_set_error(const char *text)
{
    // Copy before freeing: the text may be the stored text itself.
    if (text == g_anim_error) return;
    char *copy = str_dup(text);
    free(g_anim_error);
    g_anim_error = copy;
}

const char *anim_last_error()
{
    return g_anim_error;
}

int32_t anim_key_slot_count(AnimSet *set, AnimTrack *track)
{
    if (!set || !track || track->key_count < 1 || !track->keys[0].values) return 0;
    int32_t slots = set->slot_count < track->slot_count ? set->slot_count : track->slot_count;
    int32_t count = 0;
    for (int32_t s = 0; s < slots; s++)
        if (track->keys[0].values[s]) count++;
    return count;
}

int32_t anim_key_index_nth(AnimSet *set, AnimTrack *track, int32_t n)
{
    if (!set || !track || track->key_count < 1 || !track->keys[0].values) return 0;
    int32_t slots = set->slot_count < track->slot_count ? set->slot_count : track->slot_count;
    for (int32_t s = 0; s < slots; s++) {
        if (!track->keys[0].values[s]) continue;
        if (n == 0) return s;
        n--;
    }
    return 0;
}

// "names N1 .. Nn": the slot of each triple of the key lines; the last such line counts.
static int count_names(AnimTrackRead *read)
{
    int32_t count = reader_token_count() - 1;
    if (count > ANIM_MAX_NAMES) return fail("Too many names (memory buffer over-run)");
    for (int32_t i = 0; i < count; i++) {
        int32_t slot = anim_slot_of_name(reader_token_text(i + 1), read->model, read->slot_count);
        if (slot < 0) return 0;
        read->name_slots[i] = slot;
    }
    read->name_count = count;
    read->has_names = 1;
    return 1;
}

// "TIME triples...": one more key; the end grows to its time.
static int count_key(AnimTrackRead *read)
{
    read->key_lines++;
    read->last_key_tokens = reader_token_count();
    float time = reader_token_float(0) + read->start;
    if (time > read->end) read->end = time;
    return 1;
}

// "START FILE [FIXED]": one more sub-track.
static int count_sub_track(AnimTrackRead *read)
{
    read->sub_lines++;
    return 1;
}

// A key line of exactly 3n + 1 tokens: its time and one value per triple.
static int read_key(AnimTrackRead *read)
{
    AnimTrack *track = read->track;
    // The file may have changed between the passes: never fill past the keys counted.
    if (reader_token_count() != 3 * read->name_count + 1 || track->key_count >= read->key_lines)
        return fail("bad animation data");
    AnimKey *key = &track->keys[track->key_count];
    key->values = static_cast<AnimValue **>(calloc(static_cast<size_t>(track->slot_count),
                                                   sizeof(AnimValue *)));
    if (!key->values) return fail("out of memory");
    key->time = reader_token_float(0) + track->start;
    int ok = 1;
    for (int32_t k = 0; ok && k < read->name_count; k++) {
        int32_t slot = read->name_slots[k];
        // A name given twice on the names line: the later triple replaces the value.
        if (!key->values[slot])
            key->values[slot] = static_cast<AnimValue *>(malloc(sizeof(AnimValue)));
        if (key->values[slot]) store_triple(key->values[slot], slot, 1 + 3 * k);
        else ok = 0;
    }
    // Counted even when short of memory, so that what was allocated is freed with the track.
    track->key_count++;
    return ok ? 1 : fail("out of memory");
}

// "START FILE [FIXED]": loads the next sub-track from this file's directory. A sub-track that
// fails keeps what it read and is not reported; one without a fixed time can extend the end.
static int read_sub_track(AnimTrackRead *read)
{
    AnimTrack *track = read->track;
    if (read->sub_loaded >= track->sub_track_count) return 1;
    AnimTrack *sub = &track->sub_tracks[read->sub_loaded++];
    float start = reader_token_float(0);
    const char *file = reader_token_count() >= 2 ? reader_token_text(1) : "";
    int fixed_given = reader_token_count() >= 3;
    float fixed = fixed_given ? reader_token_float(2) : ANIM_NO_FIXED_TIME;
    float end = anim_track_load(read->model, sub, read->directory, file, start, fixed);
    if (end == 0.0f) {
        // Not reported: the failure must not become this file's reason.
        anim_set_error(nullptr);
        err_set(nullptr);
    }
    if (!fixed_given && end > read->end) read->end = end;
    return 1;
}

// Without a names line: triple k of a key line goes to slot k, the number of triples
// taken from the last key line. More triples than slots are refused.
static int map_by_position(AnimTrackRead *read)
{
    int32_t count = read->last_key_tokens > 0 ? (read->last_key_tokens - 1) / 3 : 0;
    if (count > read->slot_count || count > ANIM_MAX_NAMES) return fail("Slot overrun...");
    for (int32_t k = 0; k < count; k++) read->name_slots[k] = k;
    read->name_count = count;
    return 1;
}

// Fills the track from the first pass and takes over path; 0 when out of memory.
static int fill_track(AnimTrack *track, AnimTrackRead *read, char *path, float fixed_time)
{
    track->path = path;
    track->start = read->start;
    track->end = read->end;
    track->fixed_time = fixed_time;
    track->slot_count = read->slot_count;
    track->key_count = 0;
    if (read->key_lines > 0) {
        track->keys = static_cast<AnimKey *>(calloc(static_cast<size_t>(read->key_lines),
                                                    sizeof(AnimKey)));
        if (!track->keys) return fail("out of memory");
    }
    if (read->sub_lines > 0) {
        track->sub_tracks = static_cast<AnimTrack *>(calloc(static_cast<size_t>(read->sub_lines),
                                                            sizeof(AnimTrack)));
        if (!track->sub_tracks) return fail("out of memory");
        track->sub_track_count = read->sub_lines;
        for (int32_t i = 0; i < read->sub_lines; i++)
            track->sub_tracks[i].fixed_time = ANIM_NO_FIXED_TIME;
    }
    return 1;
}

// Value of the triple at first_token: X Y Z for slot 0, else the quaternion of three
// rotation specs (a spec it cannot read leaves the rotation built so far).
static void store_triple(AnimValue *value, int32_t slot, int first_token)
{
    if (slot == 0) {
        value->v[0] = reader_token_float(first_token);
        value->v[1] = reader_token_float(first_token + 1);
        value->v[2] = reader_token_float(first_token + 2);
        value->v[3] = 1.0f;
        return;
    }
    Matrix4 rotation;
    mat4_from_rotation_text(&rotation, reader_token_text(first_token),
                            reader_token_text(first_token + 1), reader_token_text(first_token + 2));
    quat_from_mat4(&rotation, &value->v[0], &value->v[1], &value->v[2], &value->v[3]);
}

// The number after "child", read as atoi does ("" and letters give 0); 0 outside 0..127.
static int child_number(const char *digits, int32_t *number)
{
    errno = 0;
    long value = strtol(digits, nullptr, 10);
    if (errno == ERANGE || value < 0 || value > ANIM_MAX_CHILD_OFFSET) return 0;
    *number = static_cast<int32_t>(value);
    return 1;
}

// Heap text "directory/file_name"; null when out of memory.
static char *join_path(const char *directory, const char *file_name)
{
    size_t dir_length = strlen(directory);
    size_t file_length = strlen(file_name);
    char *path = static_cast<char *>(malloc(dir_length + file_length + 2));
    if (!path) return nullptr;
    memcpy(path, directory, dir_length);
    path[dir_length] = '/';
    memcpy(path + dir_length + 1, file_name, file_length + 1);
    return path;
}

// Sets the last-error text (with the read position) and copies it to the animation
// error text; returns 0.
static int fail(const char *message)
{
    err_set(message);
    anim_set_error(err_last());
    return 0;
}
