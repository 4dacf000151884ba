#include "foundation/matrix4.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Degrees to radians: angle / 360 * this constant, in double precision.
static const double kTurnRadians = 6.2831854;

const Matrix4 g_mat4_identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

static Matrix4 g_mat4_scratch;       // factor matrix of translate, scale and rotate
static float g_mat4_gl_buffer[16];   // result of mat4_to_gl
static float g_mat4_static_copy[16]; // result of mat4_static_copy

static void post_multiply_scratch(Matrix4 *m);
static void rotation_factor(int axis, float degrees);
static int rotation_word_valid(const char *word);

void mat4_identity(Matrix4 *m)
{
    *m = g_mat4_identity;
}

void mat4_copy(const Matrix4 *src, Matrix4 *dst)
{
    memmove(dst->m, src->m, sizeof dst->m);
}

void mat4_copy_words(const Matrix4 *src, Matrix4 *dst)
{
    for (int i = 0; i < 16; i++) dst->m[i] = src->m[i];
}

float *mat4_static_copy(const Matrix4 *m)
{
    memcpy(g_mat4_static_copy, m->m, sizeof g_mat4_static_copy);
    return g_mat4_static_copy;
}

void mat4_multiply(const Matrix4 *a, const Matrix4 *b, Matrix4 *out)
{
    Matrix4 product;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) product.m[i * 4 + j] = mat4_dot_col_row(&a->m[j], &b->m[i * 4]);
    *out = product;
}

float mat4_dot_col_row(const float *a, const float *b)
{
    double sum = static_cast<double>(a[0]) * b[0] + static_cast<double>(a[4]) * b[1] +
                 static_cast<double>(a[8]) * b[2] + static_cast<double>(a[12]) * b[3];
    return static_cast<float>(sum);
}

void mat4_translate(Matrix4 *m, float x, float y, float z)
{
    g_mat4_scratch = g_mat4_identity;
    g_mat4_scratch.m[3] = x;
    g_mat4_scratch.m[7] = y;
    g_mat4_scratch.m[11] = z;
    post_multiply_scratch(m);
}

void mat4_scale(Matrix4 *m, float sx, float sy, float sz)
{
    g_mat4_scratch = g_mat4_identity;
    g_mat4_scratch.m[0] = sx;
    g_mat4_scratch.m[5] = sy;
    g_mat4_scratch.m[10] = sz;
    post_multiply_scratch(m);
}

void mat4_rotate_euler(Matrix4 *m, float ax, float ay, float az)
{
    if (ax != 0.0f) {
        rotation_factor(0, ax);
        post_multiply_scratch(m);
    }
    if (ay != 0.0f) {
        rotation_factor(1, ay);
        post_multiply_scratch(m);
    }
    if (az != 0.0f) {
        rotation_factor(2, az);
        post_multiply_scratch(m);
    }
}

void mat4_transform_point(const Matrix4 *m, const float *p, float *out)
{
    mat4_transform_point_w(m, p, 0.0f, out);
}

// The divisor is the sum of the bottom row (plus extra), not the bottom row
// applied to the point; a zero divisor is taken as 1 so no infinity escapes.
float *mat4_transform_point_w(const Matrix4 *m, const float *p, float extra, float *out)
{
    const float *e = m->m;
    float w = e[12] + e[13] + e[14] + e[15];
    w += extra;
    if (w == 0.0f) w = 1.0f;
    float x = p[0], y = p[1], z = p[2];
    for (int r = 0; r < 3; r++) out[r] = (x * e[4 * r] + y * e[4 * r + 1] + z * e[4 * r + 2] + e[4 * r + 3]) / w;
    return out;
}

// Gauss-Jordan elimination with partial pivoting on the largest magnitude in
// the column, so a tiny pivot is never chosen over a sound one.
void mat4_invert(const Matrix4 *src, Matrix4 *dst)
{
    float a[4][4];
    float inv[4][4];
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) {
            a[r][c] = src->m[r * 4 + c];
            inv[r][c] = r == c ? 1.0f : 0.0f;
        }
    for (int i = 0; i < 4; i++) {
        int p = i;
        for (int j = i + 1; j < 4; j++)
            if (std::fabs(a[j][i]) > std::fabs(a[p][i])) p = j;
        if (p != i)
            for (int c = 0; c < 4; c++) {
                float t = a[i][c];
                a[i][c] = a[p][c];
                a[p][c] = t;
                t = inv[i][c];
                inv[i][c] = inv[p][c];
                inv[p][c] = t;
            }
        float pivot = a[i][i];
        if (pivot == 0.0f || std::isnan(pivot)) {
            mat4_identity(dst);
            return;
        }
        for (int c = 0; c < 4; c++) {
            a[i][c] /= pivot;
            inv[i][c] /= pivot;
        }
        for (int r = 0; r < 4; r++) {
            if (r == i) continue;
            float f = a[r][i];
            for (int c = 0; c < 4; c++) {
                a[r][c] -= f * a[i][c];
                inv[r][c] -= f * inv[i][c];
            }
        }
    }
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) dst->m[r * 4 + c] = inv[r][c];
}

void mat4_transpose(const Matrix4 *src, Matrix4 *dst)
{
    Matrix4 t;
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) t.m[c * 4 + r] = src->m[r * 4 + c];
    *dst = t;
}

void mat4_transpose_in_place(Matrix4 *m)
{
    mat4_transpose(m, m);
}

const float *mat4_to_gl(const Matrix4 *m)
{
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) g_mat4_gl_buffer[c * 4 + r] = m->m[r * 4 + c];
    return g_mat4_gl_buffer;
}

int mat4_from_rotation_text(Matrix4 *m, const char *word0, const char *word1, const char *word2)
{
    const char *words[3] = {word0, word1, word2};
    mat4_identity(m);
    for (int k = 0; k < 3; k++) {
        const char *word = words[k] ? words[k] : "";
        if (!rotation_word_valid(word)) return 0;
        if (word[0] == 'x' || word[0] == 'y' || word[0] == 'z') {
            float angle = static_cast<float>(atof(word + 1));
            int axis = word[0] - 'x';
            mat4_rotate_euler(m, axis == 0 ? angle : 0.0f, axis == 1 ? angle : 0.0f, axis == 2 ? angle : 0.0f);
        } else if (word[0] != '\0') {
            float angle = static_cast<float>(atof(word));
            if (angle != 0.0f)
                mat4_rotate_euler(m, k == 0 ? angle : 0.0f, k == 1 ? angle : 0.0f, k == 2 ? angle : 0.0f);
        }
    }
    return 1;
}

void mat4_print(const Matrix4 *m)
{
    const float *e = m->m;
    for (int c = 0; c < 3; c++) printf("%5.3f, %5.3f, %5.3f, %5.3f,\n", e[c], e[4 + c], e[8 + c], e[12 + c]);
    printf("%5.3f, %5.3f, %5.3f, %5.3f\n", e[3], e[7], e[11], e[15]);
}

// m = m x g_mat4_scratch.
static void post_multiply_scratch(Matrix4 *m)
{
    mat4_multiply(&g_mat4_scratch, m, m);
}

// Sets g_mat4_scratch to the right-handed rotation about axis 0 (x), 1 (y) or 2 (z).
static void rotation_factor(int axis, float degrees)
{
    double r = degrees / 360.0 * kTurnRadians;
    float c = static_cast<float>(cos(r));
    float s = static_cast<float>(sin(r));
    float *e = g_mat4_scratch.m;
    g_mat4_scratch = g_mat4_identity;
    if (axis == 0) {
        e[5] = c;
        e[6] = -s;
        e[9] = s;
        e[10] = c;
    } else if (axis == 1) {
        e[0] = c;
        e[2] = s;
        e[8] = -s;
        e[10] = c;
    } else {
        e[0] = c;
        e[1] = -s;
        e[4] = s;
        e[5] = c;
    }
}

// First character '-', a digit or an axis letter; later ones '-', '.' or a digit.
static int rotation_word_valid(const char *word)
{
    for (const char *p = word; *p; p++) {
        char ch = *p;
        int ok = ch == '-' || (ch >= '0' && ch <= '9');
        if (p == word) ok = ok || ch == 'x' || ch == 'y' || ch == 'z';
        else ok = ok || ch == '.';
        if (!ok) return 0;
    }
    return 1;
}
