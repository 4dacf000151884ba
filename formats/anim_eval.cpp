#include "formats/anim_eval.h"

#include "formats/anim_file.h"
#include "foundation/matrix4.h"
#include "foundation/quaternion.h"

#include <cmath>

// Keys closer together than this in time are not interpolated: the later one is used.
constexpr float KEY_TIME_EPSILON = 0.0001f;

static int own_value(float time, const AnimTrack *track, int32_t slot, Matrix4 *matrix);
static const AnimValue *value_of(const AnimTrack *track, int32_t key, int32_t slot);
static void value_matrix(const AnimValue *value, int32_t slot, Matrix4 *matrix);
static void blend_matrix(const AnimValue *from, const AnimValue *to, int32_t slot, float f,
                         Matrix4 *matrix);

int anim_track_eval(float time, const AnimTrack *track, int32_t slot, Matrix4 *matrix)
{
    if (!track || !matrix || slot < 0) return 0;
    float t = track->fixed_time != ANIM_NO_FIXED_TIME ? track->fixed_time : time;
    if (t < track->start || t > track->end) return 0;
    int result = own_value(t, track, slot, matrix);
    // Sub-tracks are evaluated at this track's time; each value found acts after
    // the ones before it: M = sub x M.
    for (int32_t i = 0; i < track->sub_track_count; i++) {
        Matrix4 saved = *matrix;
        Matrix4 sub = *matrix;
        if (!anim_track_eval(t, &track->sub_tracks[i], slot, &sub)) continue;
        if (result) mat4_multiply(&saved, &sub, matrix);
        else *matrix = sub;
        result = 1;
    }
    return result;
}

// The track's own value of the slot at t, from its keys in file order; 1 when set.
static int own_value(float t, const AnimTrack *track, int32_t slot, Matrix4 *matrix)
{
    if (track->key_count < 1 || !value_of(track, 0, slot)) return 0;
    int32_t i = 0;
    while (i < track->key_count && track->keys[i].time < t && track->keys[i].time < track->end) i++;
    if (i == track->key_count) {
        // Past every key: the last key's value.
        const AnimValue *last = value_of(track, i - 1, slot);
        if (!last) return 0;
        value_matrix(last, slot, matrix);
        return 1;
    }
    int32_t prev = i > 0 ? i - 1 : i;
    const AnimValue *to = value_of(track, i, slot);
    const AnimValue *from = value_of(track, prev, slot);
    if (!to) return 0;
    float dt = track->keys[i].time - track->keys[prev].time;
    if (track->keys[i].time == t || std::fabs(dt) < KEY_TIME_EPSILON || !from) {
        value_matrix(to, slot, matrix);
    } else {
        blend_matrix(from, to, slot, (t - track->keys[prev].time) / dt, matrix);
    }
    return 1;
}

// Value of the slot in the key, null when the key holds none or the slot lies past its values.
static const AnimValue *value_of(const AnimTrack *track, int32_t key, int32_t slot)
{
    if (slot >= track->slot_count || !track->keys[key].values) return nullptr;
    return track->keys[key].values[slot];
}

// Matrix of one value: a translation for slot 0, the quaternion's rotation otherwise.
static void value_matrix(const AnimValue *value, int32_t slot, Matrix4 *matrix)
{
    blend_matrix(value, value, slot, 0.0f, matrix);
}

// Matrix of the value f of the way from one value to the other: translations per
// component, rotations along the shorter arc, normalised so that no scale creeps in.
static void blend_matrix(const AnimValue *from, const AnimValue *to, int32_t slot, float f,
                         Matrix4 *matrix)
{
    if (slot == 0) {
        float p[3];
        for (int c = 0; c < 3; c++) p[c] = from->v[c] + (to->v[c] - from->v[c]) * f;
        mat4_identity(matrix);
        mat4_translate(matrix, p[0], p[1], p[2]);
        return;
    }
    Quaternion a = {from->v[0], from->v[1], from->v[2], from->v[3]};
    Quaternion b = {to->v[0], to->v[1], to->v[2], to->v[3]};
    Quaternion q = b;
    if (from != to) quat_slerp(&a, &b, &q, f);
    float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length > 0.0f) {
        q.x /= length;
        q.y /= length;
        q.z /= length;
        q.w /= length;
    }
    quat_to_mat4(matrix, q.x, q.y, q.z, q.w);
}
