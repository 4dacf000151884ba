// Evaluation of an animation track at a time: the value of one slot between
// and past the keys, at the track's fixed time, composed with its sub-tracks.
#pragma once
#include <cstdint>

struct AnimTrack;
struct Matrix4;

// Sets matrix to the slot's value at time (a translation for slot 0, a rotation
// otherwise, sub-tracks' rotations applied after the track's own) and returns 1;
// 0 with matrix untouched when the track gives no value for the slot at that time,
// also for a slot at or past the track's slot count.
int anim_track_eval(float time, const AnimTrack *track, int32_t slot, Matrix4 *matrix);
