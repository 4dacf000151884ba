// Small functions on 3-float vectors (x, y, z) and triangles (9 floats: p0, p1, p2).
#pragma once

// out = unit normal of the triangle: normalize(normalize(p2 - p0) x normalize(p1 - p0));
// (0, 0, 0) for a degenerate triangle.
void vec3_triangle_normal(const float *p0, const float *p1, const float *p2, float *out);
// out = mean of n points (3n floats); (0, 0, 0) when n < 1.
void vec3_centroid(const float *points, int n, float *out);
// Scales v to unit length in place and returns it; a zero vector stays zero.
float *vec3_normalize(float *v);
// 1 when every component of a and b differs by at most tolerance, else 0.
int vec3_near_equal(const float *a, const float *b, float tolerance);
// *m = largest of 0, x, y, z; x, y, z divided by it (left unchanged when it is 0).
void vec3_div_by_max(float *x, float *y, float *z, float *m);
