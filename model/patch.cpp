#include "model/patch.h"

#include <cfloat>
#include <cmath>
#include <cstring>

// The single-precision constants of the control point formulas.
constexpr float THIRD = 0.33333f;          // edge control points
constexpr float SIXTH = 0.166666f;         // mean of the six edge points
constexpr float CORNER_THIRD = 0.333333f;  // mean of the three corners

// Triangle control layout.
constexpr int TRI_B300 = 0;
constexpr int TRI_B201 = 1;
constexpr int TRI_B210 = 2;
constexpr int TRI_B102 = 3;
constexpr int TRI_B111 = 4;
constexpr int TRI_B120 = 5;
constexpr int TRI_B003 = 6;
constexpr int TRI_B012 = 7;
constexpr int TRI_B021 = 8;
constexpr int TRI_B030 = 9;
constexpr int TRI_N0 = 10;
constexpr int TRI_H01 = 13;
constexpr int TRI_H12 = 14;
constexpr int TRI_H20 = 15;
// Quad control layout beyond the 4 x 4 grid.
constexpr int QUAD_N0 = 16;
constexpr int QUAD_H01 = 20;
constexpr int QUAD_H13 = 21;
constexpr int QUAD_H32 = 22;
constexpr int QUAD_H20 = 23;

static int32_t clamp_level(int32_t level);
static int32_t triangle_mode(int32_t mode);
static int32_t triangle_grid(int32_t mode, int32_t level, float *u, float *w);
static int32_t quad_grid(int32_t mode, int32_t level, float *a, float *b);
static int32_t emit_triangle(uint16_t *out, int32_t n, int32_t a, int32_t b, int32_t c);
static float dot3(const float *a, const float *b);
static void copy3(float *out, const float *v);
static void set3(float *out, float x, float y, float z);
static void other_joint_weights(const Joint *const *joints, const float *weights, int corners, float *values);
static int32_t weights_toward_first_joint(int32_t count, float *out);

void pn_normalize(float *v)
{
    float largest = std::fmax(std::fabs(v[0]), std::fmax(std::fabs(v[1]), std::fabs(v[2])));
    if (!(largest > 0.0f) || std::isinf(largest)) return; // zero, NaN or infinite: left as is
    float length2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (std::isinf(length2) || length2 < FLT_MIN) {
        // Squares out of range: bring the vector near unit length first.
        for (int i = 0; i < 3; i++) v[i] /= largest;
        length2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    }
    float inverse = 1.0f / std::sqrt(length2);
    for (int i = 0; i < 3; i++) v[i] *= inverse;
}

int pn_edge_control_points(const float *a, const float *b, const float *na, const float *nb,
                           float *out)
{
    float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float da = dot3(d, na);
    float db = dot3(d, nb);
    for (int i = 0; i < 3; i++) {
        out[i] = (2.0f * a[i] + b[i] - da * na[i]) * THIRD;
        out[3 + i] = (2.0f * b[i] + a[i] + db * nb[i]) * THIRD;
    }
    return 2;
}

int pn_edge_normal(const float *a, const float *b, const float *na, const float *nb, float *out)
{
    float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float s[3] = {na[0] + nb[0], na[1] + nb[1], na[2] + nb[2]};
    float ds = dot3(d, s);
    float dd = dot3(d, d);
    float v = dd > 0.0f ? ds / dd : 0.0f; // a degenerate edge bends nothing
    if (!std::isfinite(v)) v = 0.0f;
    for (int i = 0; i < 3; i++) out[i] = s[i] - 2.0f * v * d[i];
    pn_normalize(out);
    return 1;
}

int pn_center_control_point(const float *boundary, float *out)
{
    // Boundary order: P0, e01, e01, P1, e12, e12, P2, e20, e20.
    static const int EDGE_POINTS[6] = {1, 2, 4, 5, 7, 8};
    static const int CORNERS[3] = {0, 3, 6};
    for (int i = 0; i < 3; i++) {
        float e = 0.0f;
        for (int k = 0; k < 6; k++) e += boundary[3 * EDGE_POINTS[k] + i];
        e *= SIXTH;
        float v = 0.0f;
        for (int k = 0; k < 3; k++) v += boundary[3 * CORNERS[k] + i];
        v *= CORNER_THIRD;
        out[i] = e + (e - v) * 0.5f;
    }
    return 1;
}

void pn_triangle_control_points(const float *p, const float *normals, PatchControl *out)
{
    const float *p0 = p, *p1 = p + 3, *p2 = p + 6;
    const float *n = normals;
    float e01[6], e12[6], e20[6];
    pn_edge_control_points(p0, p1, n + 12, n + 15, e01);
    pn_edge_control_points(p1, p2, n + 18, n + 21, e12);
    pn_edge_control_points(p2, p0, n + 24, n + 27, e20);

    copy3(out->v[TRI_B300], p0);
    copy3(out->v[TRI_B030], p1);
    copy3(out->v[TRI_B003], p2);
    copy3(out->v[TRI_B210], e01);
    copy3(out->v[TRI_B120], e01 + 3);
    copy3(out->v[TRI_B021], e12);
    copy3(out->v[TRI_B012], e12 + 3);
    copy3(out->v[TRI_B102], e20);
    copy3(out->v[TRI_B201], e20 + 3);

    float boundary[27];
    copy3(boundary + 0, p0);
    copy3(boundary + 3, e01);
    copy3(boundary + 6, e01 + 3);
    copy3(boundary + 9, p1);
    copy3(boundary + 12, e12);
    copy3(boundary + 15, e12 + 3);
    copy3(boundary + 18, p2);
    copy3(boundary + 21, e20);
    copy3(boundary + 24, e20 + 3);
    pn_center_control_point(boundary, out->v[TRI_B111]);

    for (int i = 0; i < 3; i++) copy3(out->v[TRI_N0 + i], n + 3 * i);
    // The quadratic normals bend between the corner normals, not the edge normals.
    pn_edge_normal(p0, p1, n, n + 3, out->v[TRI_H01]);
    pn_edge_normal(p1, p2, n + 3, n + 6, out->v[TRI_H12]);
    pn_edge_normal(p2, p0, n + 6, n, out->v[TRI_H20]);
    // The quad-only vectors stay defined.
    for (int i = PATCH_TRIANGLE_CONTROLS; i < PATCH_QUAD_CONTROLS; i++) set3(out->v[i], 0, 0, 0);
}

void patch_quad_control_points(const float *p, const float *normals, PatchControl *out)
{
    const float *p0 = p, *p1 = p + 3, *p2 = p + 6, *p3 = p + 9;
    const float *n = normals;
    float e01[6], e13[6], e32[6], e20[6], d03[6], d21[6];
    pn_edge_control_points(p0, p1, n + 12, n + 15, e01);
    pn_edge_control_points(p1, p3, n + 18, n + 21, e13);
    pn_edge_control_points(p3, p2, n + 24, n + 27, e32);
    pn_edge_control_points(p2, p0, n + 30, n + 33, e20);
    // The diagonals use the side edges' normals at their ends.
    pn_edge_control_points(p0, p3, n + 33, n + 21, d03);
    pn_edge_control_points(p2, p1, n + 30, n + 18, d21);

    const float *grid[16] = {
        p0,      e01,     e01 + 3, p1,       // row 0
        e20 + 3, d03,     d21 + 3, e13,      // row 1
        e20,     d21,     d03 + 3, e13 + 3,  // row 2
        p2,      e32 + 3, e32,     p3,       // row 3
    };
    for (int i = 0; i < 16; i++) copy3(out->v[i], grid[i]);
    for (int i = 0; i < 4; i++) copy3(out->v[QUAD_N0 + i], n + 3 * i);
    pn_edge_normal(p0, p1, n, n + 3, out->v[QUAD_H01]);
    pn_edge_normal(p1, p3, n + 3, n + 9, out->v[QUAD_H13]);
    pn_edge_normal(p3, p2, n + 9, n + 6, out->v[QUAD_H32]);
    pn_edge_normal(p2, p0, n + 6, n, out->v[QUAD_H20]);
}

int32_t pn_triangle_vertex_count(int32_t mode, int32_t level)
{
    level = clamp_level(level);
    switch (triangle_mode(mode)) {
    case 1: return level + 3;
    case 2: return 2 * level + 3;
    case 3: return (level + 2) * (level + 3) / 2;
    default: return 0;
    }
}

int32_t pn_triangle_triangle_count(int32_t mode, int32_t level)
{
    level = clamp_level(level);
    switch (triangle_mode(mode)) {
    case 1: return level + 1;
    case 2: return 2 * level + 1;
    case 3: return (level + 1) * (level + 1);
    default: return 0;
    }
}

int32_t patch_quad_vertex_count(int32_t mode, int32_t level)
{
    level = clamp_level(level);
    return mode == 2 ? 2 * (level + 2) : (level + 2) * (level + 2);
}

int32_t patch_quad_triangle_count(int32_t mode, int32_t level)
{
    level = clamp_level(level);
    return mode == 2 ? 2 * (level + 1) : 2 * (level + 1) * (level + 1);
}

int32_t pn_triangle_evaluate(const PatchControl *control, int32_t mode, int32_t level,
                             float *positions, float *normals)
{
    float us[PATCH_MAX_VERTICES], ws[PATCH_MAX_VERTICES];
    int32_t count = triangle_grid(mode, level, us, ws);
    const float(*c)[3] = control->v;
    for (int32_t k = 0; k < count; k++) {
        float u = us[k], w = ws[k];
        float s = 1.0f - u - w;
        float s2 = s * s, u2 = u * u, w2 = w * w;
        float s3 = s2 * s, u3 = u2 * u, w3 = w2 * w;
        float *pos = positions + 3 * k;
        float *nor = normals + 3 * k;
        for (int i = 0; i < 3; i++) {
            pos[i] = c[TRI_B300][i] * s3 + c[TRI_B030][i] * u3 + c[TRI_B003][i] * w3 +
                     3.0f * c[TRI_B210][i] * s2 * u + 3.0f * c[TRI_B120][i] * s * u2 +
                     3.0f * c[TRI_B201][i] * s2 * w + 3.0f * c[TRI_B021][i] * u2 * w +
                     3.0f * c[TRI_B102][i] * s * w2 + 3.0f * c[TRI_B012][i] * u * w2 +
                     6.0f * c[TRI_B111][i] * s * u * w;
            nor[i] = c[TRI_N0][i] * s2 + c[TRI_N0 + 1][i] * u2 + c[TRI_N0 + 2][i] * w2 +
                     c[TRI_H01][i] * s * u + c[TRI_H12][i] * u * w + c[TRI_H20][i] * s * w;
        }
        pn_normalize(nor);
    }
    return count;
}

int32_t patch_quad_evaluate(const PatchControl *control, int32_t mode, int32_t level,
                            float *positions, float *normals)
{
    float as[PATCH_MAX_VERTICES], bs[PATCH_MAX_VERTICES];
    int32_t count = quad_grid(mode, level, as, bs);
    for (int32_t k = 0; k < count; k++) {
        patch_quad_position(positions + 3 * k, control, as[k], bs[k]);
        patch_quad_normal(normals + 3 * k, control, as[k], bs[k]);
    }
    return count;
}

int32_t pn_triangle_indices(int32_t mode, int32_t level, uint16_t *out)
{
    level = clamp_level(level);
    int32_t n = 0;
    switch (triangle_mode(mode)) {
    case 1:
        for (int32_t i = 0; i <= level; i++) n = emit_triangle(out, n, i, i + 1, level + 2);
        break;
    case 2:
        n = emit_triangle(out, n, 0, 1, level + 2);
        for (int32_t i = 1; i <= level; i++) {
            n = emit_triangle(out, n, i, i + 1, i + level + 1);
            n = emit_triangle(out, n, i + level + 1, i + 1, i + level + 2);
        }
        break;
    case 3: {
        // Each row of c cells gives c upright and c - 1 inverted triangles.
        int32_t v = 0;
        for (int32_t c = level + 1; c >= 1; c--) {
            for (int32_t k = 0; k < c; k++) {
                n = emit_triangle(out, n, v, v + 1, v + c + 1);
                if (k + 1 < c) n = emit_triangle(out, n, v + 1, v + c + 2, v + c + 1);
                v++;
            }
            v++;
        }
        break;
    }
    default:
        break;
    }
    return n;
}

int32_t patch_quad_indices(int32_t mode, int32_t level, uint16_t *out)
{
    level = clamp_level(level);
    int32_t width = mode == 2 ? 2 : level + 2;
    int32_t cells = width - 1;
    int32_t n = 0;
    for (int32_t r = 0; r <= level; r++) {
        for (int32_t c = 0; c < cells; c++) {
            int32_t v = r * width + c;
            const int32_t corners[6] = {v, v + width, v + 1, v + width + 1, v + 1, v + width};
            for (int i = 0; i < 6; i++) out[3 * n + i] = static_cast<uint16_t>(corners[i]);
            n += 2;
        }
    }
    return n;
}

int32_t pn_triangle_interpolate(const float *values, int32_t count, int32_t mode, int32_t level,
                                float *out)
{
    float us[PATCH_MAX_VERTICES], ws[PATCH_MAX_VERTICES];
    int32_t vertices = triangle_grid(mode, level, us, ws);
    if (count < 1) return 0;
    int32_t n = 0;
    for (int32_t k = 0; k < vertices; k++) {
        for (int32_t j = 0; j < count; j++) {
            const float *c = values + 3 * j;
            out[n++] = c[0] + (c[1] - c[0]) * us[k] + (c[2] - c[0]) * ws[k];
        }
    }
    return n;
}

int32_t patch_quad_interpolate(const float *values, int32_t count, int32_t mode, int32_t level,
                               float *out)
{
    float as[PATCH_MAX_VERTICES], bs[PATCH_MAX_VERTICES];
    int32_t vertices = quad_grid(mode, level, as, bs);
    if (count < 1) return 0;
    int32_t n = 0;
    for (int32_t k = 0; k < vertices; k++) {
        float a = as[k], b = bs[k];
        for (int32_t j = 0; j < count; j++) {
            const float *c = values + 4 * j;
            float top = c[0] + (c[1] - c[0]) * a;
            float bottom = c[2] + (c[3] - c[2]) * a;
            out[n++] = top + (bottom - top) * b;
        }
    }
    return n;
}

int32_t pn_triangle_weight_grid(const Joint *const *joints, const float *weights, int32_t mode,
                                int32_t level, float *out)
{
    float values[3];
    other_joint_weights(joints, weights, 3, values);
    return weights_toward_first_joint(pn_triangle_interpolate(values, 1, mode, level, out), out);
}

int32_t patch_quad_weight_grid(const Joint *const *joints, const float *weights, int32_t mode,
                               int32_t level, float *out)
{
    float values[4];
    other_joint_weights(joints, weights, 4, values);
    return weights_toward_first_joint(patch_quad_interpolate(values, 1, mode, level, out), out);
}

// Each corner's weight toward the joint that is not corner 0's.
static void other_joint_weights(const Joint *const *joints, const float *weights, int corners, float *values)
{
    values[0] = 1.0f - weights[0];
    for (int i = 1; i < corners; i++)
        values[i] = joints[i] == joints[0] ? 1.0f - weights[i] : weights[i];
}

// Turns count interpolated weights toward the other joint into weights toward corner 0's
// joint; returns count.
static int32_t weights_toward_first_joint(int32_t count, float *out)
{
    for (int32_t k = 0; k < count; k++) out[k] = 1.0f - out[k];
    return count;
}

void patch_bezier_cubic(float *out, const float *p0, const float *p1, const float *p2,
                        const float *p3, float t)
{
    float t2 = t * t;
    float t3 = t2 * t;
    for (int i = 0; i < 3; i++) {
        out[i] = p0[i] + t * (-3.0f * p0[i] + 3.0f * p1[i]) +
                 t2 * (3.0f * p0[i] - 6.0f * p1[i] + 3.0f * p2[i]) +
                 t3 * (-p0[i] + 3.0f * p1[i] - 3.0f * p2[i] + p3[i]);
    }
}

void patch_quad_position(float *out, const PatchControl *control, float a, float b)
{
    float q[4][3];
    for (int r = 0; r < 4; r++) {
        const float(*row)[3] = control->v + 4 * r;
        patch_bezier_cubic(q[r], row[0], row[1], row[2], row[3], a);
    }
    patch_bezier_cubic(out, q[0], q[1], q[2], q[3], b);
}

void patch_quad_normal(float *out, const PatchControl *control, float a, float b)
{
    const float(*c)[3] = control->v;
    const float *n0 = c[QUAD_N0], *n1 = c[QUAD_N0 + 1], *n2 = c[QUAD_N0 + 2], *n3 = c[QUAD_N0 + 3];
    float top[3], bottom[3], left[3], right[3];
    // Each side runs corner, edge normal (at 0.5), corner.
    if (a < 0.5f) {
        patch_lerp3(top, n0, c[QUAD_H01], 2.0f * a);
        patch_lerp3(bottom, n2, c[QUAD_H32], 2.0f * a);
    } else {
        patch_lerp3(top, c[QUAD_H01], n1, 2.0f * (a - 0.5f));
        patch_lerp3(bottom, c[QUAD_H32], n3, 2.0f * (a - 0.5f));
    }
    if (b < 0.5f) {
        patch_lerp3(left, n0, c[QUAD_H20], 2.0f * b);
        patch_lerp3(right, n1, c[QUAD_H13], 2.0f * b);
    } else {
        patch_lerp3(left, c[QUAD_H20], n2, 2.0f * (b - 0.5f));
        patch_lerp3(right, c[QUAD_H13], n3, 2.0f * (b - 0.5f));
    }
    float across[3], along[3];
    patch_lerp3(across, top, bottom, b);
    patch_lerp3(along, left, right, a);
    for (int i = 0; i < 3; i++) out[i] = across[i] + along[i];
    pn_normalize(out);
}

void patch_lerp3(float *out, const float *a, const float *b, float t)
{
    for (int i = 0; i < 3; i++) out[i] = a[i] + (b[i] - a[i]) * t;
}

void patch_quad_normal_from_triangle(float *out, const PatchControl *control, float a, float b)
{
    PatchControl quad;
    memset(&quad, 0, sizeof quad);
    const float(*c)[3] = control->v;
    const float *n0 = c[TRI_N0], *n1 = c[TRI_N0 + 1], *n2 = c[TRI_N0 + 2];
    for (int i = 0; i < 3; i++) {
        quad.v[QUAD_N0][i] = n0[i];
        quad.v[QUAD_N0 + 1][i] = n1[i];
        quad.v[QUAD_N0 + 2][i] = n2[i];
        quad.v[QUAD_N0 + 3][i] = n2[i] - n0[i] + n1[i];
        quad.v[QUAD_H01][i] = c[TRI_H01][i];
        quad.v[QUAD_H13][i] = c[TRI_H12][i];
        quad.v[QUAD_H32][i] = c[TRI_H20][i];
        quad.v[QUAD_H20][i] = c[TRI_H20][i] - c[TRI_H01][i] + c[TRI_H12][i];
    }
    patch_quad_normal(out, &quad, a, b);
}

// Levels outside 0..PATCH_MAX_LEVEL are brought into it.
static int32_t clamp_level(int32_t level)
{
    if (level < 0) return 0;
    if (level > PATCH_MAX_LEVEL) return PATCH_MAX_LEVEL;
    return level;
}

// The triangle grid of a curve kind: 1..3 as they are, 4 as 3, anything else 0 (no grid).
static int32_t triangle_mode(int32_t mode)
{
    switch (mode) {
    case 1:
    case 2:
    case 3: return mode;
    case 4: return 3;
    default: return 0;
    }
}

// Parameters (u the weight of P1, w of P2) of the triangle grid in output order; count.
static int32_t triangle_grid(int32_t mode, int32_t level, float *u, float *w)
{
    level = clamp_level(level);
    float d = 1.0f / static_cast<float>(level + 1);
    int32_t n = 0;
    switch (triangle_mode(mode)) {
    case 1:
    case 2: {
        float t = 0.0f;
        for (int32_t i = 0; i < level + 2; i++, t += d) {
            u[n] = t;
            w[n++] = 0.0f;
        }
        if (triangle_mode(mode) == 1) {
            u[n] = 0.0f;
            w[n++] = 1.0f;
            break;
        }
        t = d;
        for (int32_t i = 0; i < level + 1; i++, t += d) {
            u[n] = 0.0f;
            w[n++] = t;
        }
        break;
    }
    case 3: {
        float t = 0.0f;
        for (int32_t k = 0; k < level + 2; k++, t += d) {
            float s = 0.0f;
            for (int32_t j = 0; j < level + 2 - k; j++, s += d) {
                u[n] = s;
                w[n++] = t;
            }
        }
        break;
    }
    default:
        break;
    }
    return n;
}

// Parameters (a along the control rows, b across them) of the quad grid in output order; count.
static int32_t quad_grid(int32_t mode, int32_t level, float *a, float *b)
{
    level = clamp_level(level);
    float d = 1.0f / static_cast<float>(level + 1);
    int32_t n = 0;
    float t = 0.0f;
    for (int32_t r = 0; r < level + 2; r++, t += d) {
        if (mode == 2) {
            a[n] = t;
            b[n++] = 0.0f;
            a[n] = t;
            b[n++] = 1.0f;
            continue;
        }
        float s = 0.0f;
        for (int32_t c = 0; c < level + 2; c++, s += d) {
            a[n] = t;
            b[n++] = s;
        }
    }
    return n;
}

// Writes triangle n of an index list; the next triangle's number.
static int32_t emit_triangle(uint16_t *out, int32_t n, int32_t a, int32_t b, int32_t c)
{
    out[3 * n] = static_cast<uint16_t>(a);
    out[3 * n + 1] = static_cast<uint16_t>(b);
    out[3 * n + 2] = static_cast<uint16_t>(c);
    return n + 1;
}

static float dot3(const float *a, const float *b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

static void copy3(float *out, const float *v)
{
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
}

static void set3(float *out, float x, float y, float z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}
