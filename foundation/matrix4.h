// 4x4 transformation matrices: row-major, element = row * 4 + column, points
// as column vectors (p' = M p), translation in elements 3, 7 and 11. Angles
// are in degrees. Translate, scale and rotate post-multiply (the new factor
// acts on a point first).
#pragma once

struct Matrix4 {
    float m[16];  // row-major elements
};

// The identity matrix.
extern const Matrix4 g_mat4_identity;

// Sets m to the identity.
void mat4_identity(Matrix4 *m);
// Copies src into dst.
void mat4_copy(const Matrix4 *src, Matrix4 *dst);
// Copies src into dst element by element.
void mat4_copy_words(const Matrix4 *src, Matrix4 *dst);
// Copies m into a static 16-float buffer and returns it; valid until the next call.
float *mat4_static_copy(const Matrix4 *m);
// OUT = B x A (the first argument is the right-hand factor); OUT may be A or B.
void mat4_multiply(const Matrix4 *a, const Matrix4 *b, Matrix4 *out);
// a[0]*b[0] + a[4]*b[1] + a[8]*b[2] + a[12]*b[3]: one element of a product.
float mat4_dot_col_row(const float *a, const float *b);
// m = m x T(x, y, z).
void mat4_translate(Matrix4 *m, float x, float y, float z);
// m = m x S(sx, sy, sz).
void mat4_scale(Matrix4 *m, float sx, float sy, float sz);
// m = m x Rx(ax) x Ry(ay) x Rz(az), degrees; a factor whose angle is exactly 0 is skipped.
void mat4_rotate_euler(Matrix4 *m, float ax, float ay, float az);
// out = the affine part of m applied to p, divided by the sum of m's bottom row
// (no division when that sum is 0). p and out may be the same 3 floats.
void mat4_transform_point(const Matrix4 *m, const float *p, float *out);
// As mat4_transform_point with extra added to the divisor; returns out.
float *mat4_transform_point_w(const Matrix4 *m, const float *p, float extra, float *out);
// dst = inverse of src by Gauss-Jordan elimination; the identity when src is singular.
void mat4_invert(const Matrix4 *src, Matrix4 *dst);
// dst = transpose of src; src and dst may be the same matrix.
void mat4_transpose(const Matrix4 *src, Matrix4 *dst);
// m = its own transpose.
void mat4_transpose_in_place(Matrix4 *m);
// m in OpenGL's column-major order (its transpose) in a static 16-float buffer,
// valid until the next call.
const float *mat4_to_gl(const Matrix4 *m);
// m = rotation of three rotation words ("x30", "-15", ""), each post-multiplied in
// word order; a bare number turns about the axis of its position (x, y, z).
// 0 when a word holds a character it may not, m keeping the earlier words' rotations.
// A null word counts as empty.
int mat4_from_rotation_text(Matrix4 *m, const char *word0, const char *word1, const char *word2);
// Writes m to standard output, one line per column.
void mat4_print(const Matrix4 *m);
