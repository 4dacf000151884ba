#include "foundation/quaternion.h"

#include "foundation/geometry.h"

#include <cmath>
#include <cstdint>

// Below this distance (1 - dot) slerp uses linear weights.
static const float kSlerpLinearLimit = 0.05f;
static const float kPi = 3.1415927f;
// Value of 1.0 in 4.12 fixed point.
static const int32_t kFxOne = 4096;

static int64_t to_fx(float value);
static int64_t fx_mul(int64_t a, int64_t b);
static float from_fx(int64_t value);

void quat_to_mat4(Matrix4 *out, float x, float y, float z, float w)
{
    float xx = x * x, yy = y * y, zz = z * z, ww = w * w;
    float xy = x * y, xz = x * z, xw = x * w;
    float yz = y * z, yw = y * w, zw = z * w;
    float *e = out->m;
    e[0] = xx - yy - zz + ww;
    e[1] = 2.0f * (xy - zw);
    e[2] = 2.0f * (xz + yw);
    e[3] = 0.0f;
    e[4] = 2.0f * (xy + zw);
    e[5] = -xx + yy - zz + ww;
    e[6] = 2.0f * (yz - xw);
    e[7] = 0.0f;
    e[8] = 2.0f * (xz - yw);
    e[9] = 2.0f * (yz + xw);
    e[10] = -xx - yy + zz + ww;
    e[11] = 0.0f;
    e[12] = 0.0f;
    e[13] = 0.0f;
    e[14] = 0.0f;
    e[15] = xx + yy + zz + ww;
}

// Takes the component with the largest diagonal term (ties to x, then y, then z)
// so the division is by the largest available value.
void quat_from_mat4(const Matrix4 *mat, float *x, float *y, float *z, float *w)
{
    const float *m = mat->m;
    float tx = m[0] - m[5] - m[10] + m[15];
    float ty = -m[0] + m[5] - m[10] + m[15];
    float tz = -m[0] - m[5] + m[10] + m[15];
    float tw = m[0] + m[5] + m[10] + m[15];
    float t = tx;
    if (ty > t) t = ty;
    if (tz > t) t = tz;
    if (tw > t) t = tw;
    float qx = 0.0f, qy = 0.0f, qz = 0.0f, qw = 1.0f;
    if (t > 0.0f && std::isfinite(t)) {
        float s = 2.0f * static_cast<float>(sqrt(t));
        if (tx == t) {
            qx = t / s;
            qy = (m[4] + m[1]) / s;
            qz = (m[2] + m[8]) / s;
            qw = (m[9] - m[6]) / s;
        } else if (ty == t) {
            qx = (m[4] + m[1]) / s;
            qy = t / s;
            qz = (m[9] + m[6]) / s;
            qw = (m[2] - m[8]) / s;
        } else if (tz == t) {
            qx = (m[2] + m[8]) / s;
            qy = (m[9] + m[6]) / s;
            qz = t / s;
            qw = (m[4] - m[1]) / s;
        } else {
            qx = (m[9] - m[6]) / s;
            qy = (m[2] - m[8]) / s;
            qz = (m[4] - m[1]) / s;
            qw = t / s;
        }
        if (qw < 0.0f) {
            qx = -qx;
            qy = -qy;
            qz = -qz;
            qw = -qw;
        }
    }
    *x = qx;
    *y = qy;
    *z = qz;
    *w = qw;
}

void quat_slerp(Quaternion *q1, const Quaternion *q2, Quaternion *out, float t)
{
    float d = q1->x * q2->x + q1->y * q2->y + q1->z * q2->z + q1->w * q2->w;
    if (d < 0.0f) {
        q1->x = -q1->x;
        q1->y = -q1->y;
        q1->z = -q1->z;
        q1->w = -q1->w;
        d = -d;
    }
    float s0, s1;
    if (1.0f - d < kSlerpLinearLimit) {
        s0 = 1.0f - t;
        s1 = t;
    } else {
        float angle = static_cast<float>(acos(d));
        float sin_angle = static_cast<float>(sin(angle));
        s0 = static_cast<float>(sin((1.0f - t) * angle)) / sin_angle;
        s1 = static_cast<float>(sin(angle * t)) / sin_angle;
    }
    out->x = s0 * q1->x + s1 * q2->x;
    out->y = s0 * q1->y + s1 * q2->y;
    out->z = s0 * q1->z + s1 * q2->z;
    out->w = s0 * q1->w + s1 * q2->w;
}

void quat_from_axis_angle(Quaternion *out, float ax, float ay, float az, float angle)
{
    float h = angle / 360.0f * kPi / 2.0f;
    float s = static_cast<float>(sin(h));
    out->x = s * ax;
    out->y = s * ay;
    out->z = s * az;
    out->w = static_cast<float>(cos(h));
}

// w is clamped to -1..1 so a slightly long quaternion still has an angle; with no
// rotation (no vector part, or sin of the half angle 0) the axis is reported as x.
void quat_to_axis_angle(const Quaternion *q, float *ax, float *ay, float *az, float *angle)
{
    float w = q->w;
    if (w > 1.0f) w = 1.0f;
    if (w < -1.0f) w = -1.0f;
    float h = static_cast<float>(acos(w));
    float s = static_cast<float>(sin(h));
    if (s == 0.0f || (q->x == 0.0f && q->y == 0.0f && q->z == 0.0f)) {
        *ax = 1.0f;
        *ay = 0.0f;
        *az = 0.0f;
    } else {
        *ax = q->x / s;
        *ay = q->y / s;
        *az = q->z / s;
    }
    float twice = 2.0f * h;
    *angle = static_cast<float>(twice / 3.1415926535 * 360.0);
}

void quat_from_euler(Quaternion *out, float a, float b, float c)
{
    float sa = static_cast<float>(sin(a / 2.0f)), ca = static_cast<float>(cos(a / 2.0f));
    float sb = static_cast<float>(sin(b / 2.0f)), cb = static_cast<float>(cos(b / 2.0f));
    float sc = static_cast<float>(sin(c / 2.0f)), cc = static_cast<float>(cos(c / 2.0f));
    out->x = sc * cb * ca - cc * sb * sa;
    out->y = cc * sb * ca + sc * cb * sa;
    out->z = cc * cb * sa - sc * sb * ca;
    out->w = cc * cb * ca + sc * sb * sa;
}

void quat_to_mat4_fx(Matrix4 *out, float x, float y, float z, float w)
{
    int64_t fx = to_fx(x), fy = to_fx(y), fz = to_fx(z), fw = to_fx(w);
    int64_t xx = fx_mul(fx, fx), yy = fx_mul(fy, fy), zz = fx_mul(fz, fz), ww = fx_mul(fw, fw);
    int64_t xy = fx_mul(fx, fy), xz = fx_mul(fx, fz), xw = fx_mul(fx, fw);
    int64_t yz = fx_mul(fy, fz), yw = fx_mul(fy, fw), zw = fx_mul(fz, fw);
    float *e = out->m;
    e[0] = from_fx(xx - yy - zz + ww);
    e[1] = from_fx(2 * (xy - zw));
    e[2] = from_fx(2 * (xz + yw));
    e[3] = 0.0f;
    e[4] = from_fx(2 * (xy + zw));
    e[5] = from_fx(-xx + yy - zz + ww);
    e[6] = from_fx(2 * (yz - xw));
    e[7] = 0.0f;
    e[8] = from_fx(2 * (xz - yw));
    e[9] = from_fx(2 * (yz + xw));
    e[10] = from_fx(-xx - yy + zz + ww);
    e[11] = 0.0f;
    e[12] = 0.0f;
    e[13] = 0.0f;
    e[14] = 0.0f;
    e[15] = from_fx(xx + yy + zz + ww);
}

void quat_slerp_fx(const Quaternion *q1, const Quaternion *q2, Quaternion *out, float t)
{
    int64_t a[4] = {to_fx(q1->x), to_fx(q1->y), to_fx(q1->z), to_fx(q1->w)};
    int64_t b[4] = {to_fx(q2->x), to_fx(q2->y), to_fx(q2->z), to_fx(q2->w)};
    if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3]) {
        *out = *q1;
        return;
    }
    int64_t d = 0;
    for (int i = 0; i < 4; i++) d += fx_mul(a[i], b[i]);
    if (d < 0)
        for (int i = 0; i < 4; i++) a[i] = -a[i];
    int64_t s1 = to_fx(t);
    int64_t s0 = kFxOne - s1;
    float r[4];
    for (int i = 0; i < 4; i++) r[i] = from_fx(s0 * a[i] / kFxOne + s1 * b[i] / kFxOne);
    out->x = r[0];
    out->y = r[1];
    out->z = r[2];
    out->w = r[3];
}

// Float to 4.12 fixed point, truncated toward zero; values beyond 32 bits are
// clamped and not-a-number gives 0, so the conversion is always defined.
static int64_t to_fx(float value)
{
    return geom_trunc_int(static_cast<double>(value) * kFxOne);
}

// Product of two fixed-point numbers, truncated toward zero; taken in 64 bits so
// operands of any 32-bit size cannot overflow.
static int64_t fx_mul(int64_t a, int64_t b)
{
    return a * b / kFxOne;
}

static float from_fx(int64_t value)
{
    return static_cast<float>(static_cast<double>(value) / kFxOne);
}
