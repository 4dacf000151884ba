// Geometry helpers: whole-degree sine and cosine, face normals, a 2D turn test,
// box texture mapping, the axis words, the one saturating conversion of a
// coordinate to a whole number, and finite bounds and midpoints. A box is 6 floats: min x, y, z then max x, y, z.
// Axis codes: 1 x, 2 y, 3 z, 4 -x, 5 -y, 6 -z.
#pragma once

#include <cstdint>

// Cosine of a whole number of degrees (taken modulo 360).
float geom_cos_deg(int degrees);
// Sine of a whole number of degrees (taken modulo 360).
float geom_sin_deg(int degrees);
// out = normal of the triangle (9 floats) scaled so its largest absolute component
// is 1; (0, 0, 1) for a null or collinear triangle.
void geom_face_normal(const float *triangle, float *out);
// 1 when the heading turns clockwise from a->b to b->c by less than half a turn.
int geom_turn_test(float ax, float ay, float bx, float by, float cx, float cy);
// uv = box texture coordinates (u, v) of the point by the u and v axis codes;
// (0, 0) for a null box. An axis with no extent maps as if at its minimum.
void geom_box_uv(float x, float y, float z, const float *box, int u_axis, int v_axis, float *uv);
// geom_box_uv of the three corners: six floats (u0, v0, u1, v1, u2, v2) in a static
// array valid until the next call; null when the triangle or the box is null.
const float *geom_box_uv_triangle(const float *triangle, const float *box, int u_axis, int v_axis);
// The value truncated toward zero, held within the int32 range; 0 for not-a-number.
// Every float or double to int conversion whose value may be out of range goes here.
int32_t geom_trunc_int(double value);
// The value held within the finite float range (±3.4e38); 0 for not-a-number. The bounds of
// placed boxes go through here, so no bound or centre made from them is infinite or NaN.
float geom_finite(float value);
// The value halfway between low and high; finite for any two finite values, however far apart.
float geom_midpoint(float low, float high);
// Word of an axis code: 1 "x", 2 "y", 3 "z", 4 "-x", 5 "-y", 6 "-z"; any other code gives "x".
const char *geom_axis_name(int code);
