// Rotation quaternions x, y, z, w (w the scalar part): conversion to and from
// rotation matrices, interpolation, axis-angle and Euler conversions, and 4.12
// fixed-point variants. Nothing here normalises.
#pragma once
#include "foundation/matrix4.h"

struct Quaternion {
    float x, y, z, w;
};

// out = rotation matrix of (x, y, z, w); for a non-unit quaternion the 3x3 block and
// element 15 carry |q|^2, which the point transform's division removes.
void quat_to_mat4(Matrix4 *out, float x, float y, float z, float w);
// Quaternion of a rotation matrix, with w >= 0; (0, 0, 0, 1) for a matrix that
// holds no rotation it can read (every diagonal term <= 0).
void quat_from_mat4(const Matrix4 *m, float *x, float *y, float *z, float *w);
// out = q1 + t of the way to q2 along the shorter arc, linear weights when the two
// are within 0.05 of each other (1 - dot); q1 is negated in place when the dot is
// negative. out may be q1 or q2.
void quat_slerp(Quaternion *q1, const Quaternion *q2, Quaternion *out, float t);
// out = rotation by angle about the axis (not normalised); the angle unit is half a
// degree: 720 is a full turn.
void quat_from_axis_angle(Quaternion *out, float ax, float ay, float az, float angle);
// Axis and angle (half-degree units) of q; axis (1, 0, 0) when q holds no rotation.
void quat_to_axis_angle(const Quaternion *q, float *ax, float *ay, float *az, float *angle);
// out = Rz(a) Ry(b) Rx(c), angles in radians: first about x by c, then y by b, then z by a.
void quat_from_euler(Quaternion *out, float a, float b, float c);
// quat_to_mat4 computed in 4.12 fixed point.
void quat_to_mat4_fx(Matrix4 *out, float x, float y, float z, float w);
// Linear interpolation from q1 to q2 in 4.12 fixed point, shorter arc; inputs are
// not changed; out may be q1 or q2.
void quat_slerp_fx(const Quaternion *q1, const Quaternion *q2, Quaternion *out, float t);
