#include "foundation/vec3.h"

#include <cmath>

void vec3_triangle_normal(const float *p0, const float *p1, const float *p2, float *out)
{
    float a[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float b[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    vec3_normalize(a);
    vec3_normalize(b);
    float n[3] = {b[1] * a[2] - b[2] * a[1], b[2] * a[0] - b[0] * a[2], b[0] * a[1] - b[1] * a[0]};
    vec3_normalize(n);
    out[0] = n[0];
    out[1] = n[1];
    out[2] = n[2];
}

void vec3_centroid(const float *points, int n, float *out)
{
    double sum[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < n; i++)
        for (int k = 0; k < 3; k++) sum[k] += points[i * 3 + k];
    float inverse = n >= 1 ? 1.0f / static_cast<float>(n) : 0.0f;
    for (int k = 0; k < 3; k++) out[k] = static_cast<float>(sum[k] * inverse);
}

float *vec3_normalize(float *v)
{
    double length = sqrt(static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                         static_cast<double>(v[2]) * v[2]);
    if (length == 0.0 || !std::isfinite(length)) return v;
    float factor = static_cast<float>(1.0 / length);
    v[0] *= factor;
    v[1] *= factor;
    v[2] *= factor;
    return v;
}

int vec3_near_equal(const float *a, const float *b, float tolerance)
{
    return std::fabs(b[0] - a[0]) <= tolerance && std::fabs(b[1] - a[1]) <= tolerance &&
           std::fabs(b[2] - a[2]) <= tolerance;
}

void vec3_div_by_max(float *x, float *y, float *z, float *m)
{
    float largest = 0.0f;
    if (*x > largest) largest = *x;
    if (*y > largest) largest = *y;
    if (*z > largest) largest = *z;
    if (largest != 0.0f) {
        *x /= largest;
        *y /= largest;
        *z /= largest;
    }
    *m = largest;
}
