#include "foundation/geometry.h"

#include <cfloat>
#include <cmath>

static const float kPi = 3.1415927f;

static float g_cos_table_deg[360];   // entry i = cos(i degrees)
static float g_sin_table_deg[360];   // entry i = sin(i degrees)
static int g_tables_ready;           // 1 once both tables are filled
static float g_box_uv_triangle[6];   // result of geom_box_uv_triangle

static void build_tables();
static int degree_index(int degrees);
static float box_axis_value(float x, float y, float z, const float *box, int axis);

float geom_cos_deg(int degrees)
{
    if (!g_tables_ready) build_tables();
    return g_cos_table_deg[degree_index(degrees)];
}

float geom_sin_deg(int degrees)
{
    if (!g_tables_ready) build_tables();
    return g_sin_table_deg[degree_index(degrees)];
}

void geom_face_normal(const float *t, float *out)
{
    out[0] = 0.0f;
    out[1] = 0.0f;
    out[2] = 1.0f;
    if (!t) return;
    const float *p0 = t, *p1 = t + 3, *p2 = t + 6;
    float e1[3] = {p0[0] - p2[0], p0[1] - p2[1], p0[2] - p2[2]};
    float e2[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    if (e1[0] == 0.0f && e2[0] == 0.0f) {
        out[0] = geom_turn_test(p0[1], p0[2], p1[1], p1[2], p2[1], p2[2]) ? 1.0f : -1.0f;
        out[2] = 0.0f;
    } else if (e1[1] == 0.0f && e2[1] == 0.0f) {
        out[1] = geom_turn_test(p0[0], p0[2], p1[0], p1[2], p2[0], p2[2]) ? -1.0f : 1.0f;
        out[2] = 0.0f;
    } else if (e1[2] == 0.0f && e2[2] == 0.0f) {
        out[2] = geom_turn_test(p0[0], p0[1], p1[0], p1[1], p2[0], p2[1]) ? 1.0f : -1.0f;
    } else {
        float c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        float m = std::fabs(c[0]);
        if (std::fabs(c[1]) > m) m = std::fabs(c[1]);
        if (std::fabs(c[2]) > m) m = std::fabs(c[2]);
        if (m > 0.0f && std::isfinite(m)) {
            out[0] = -c[0] / m;
            out[1] = -c[1] / m;
            out[2] = -c[2] / m;
        }
    }
}

int geom_turn_test(float ax, float ay, float bx, float by, float cx, float cy)
{
    float h1 = static_cast<float>(atan2(by - ay, bx - ax));
    float h2 = static_cast<float>(atan2(cy - by, cx - bx));
    if (h2 < h1 && h2 > h1 - kPi) return 1;
    if (h1 >= 0.0f) return 0;
    return h2 > h1 + kPi ? 1 : 0;
}

void geom_box_uv(float x, float y, float z, const float *box, int u_axis, int v_axis, float *uv)
{
    if (!box) {
        uv[0] = 0.0f;
        uv[1] = 0.0f;
        return;
    }
    uv[0] = box_axis_value(x, y, z, box, u_axis);
    uv[1] = box_axis_value(x, y, z, box, v_axis);
}

const float *geom_box_uv_triangle(const float *triangle, const float *box, int u_axis, int v_axis)
{
    if (!triangle || !box) return nullptr;
    for (int i = 0; i < 3; i++) {
        const float *p = triangle + i * 3;
        geom_box_uv(p[0], p[1], p[2], box, u_axis, v_axis, &g_box_uv_triangle[i * 2]);
    }
    return g_box_uv_triangle;
}

int32_t geom_trunc_int(double value)
{
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

float geom_finite(float value)
{
    if (!(value == value)) return 0.0f;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return value;
}

// Halving first keeps the sum within range where high - low would overflow.
float geom_midpoint(float low, float high)
{
    return low * 0.5f + high * 0.5f;
}

const char *geom_axis_name(int code)
{
    static const char *const words[7] = {"x", "x", "y", "z", "-x", "-y", "-z"};
    if (code < 1 || code > 6) return words[0];
    return words[code];
}

// Fills both tables from the first quadrant by symmetry, so the quarter turns
// are exact (sin 90 = 1, cos 90 = 0, cos 180 = -1).
static void build_tables()
{
    const double radians_per_degree = 3.14159265358979323846 / 180.0;
    for (int i = 0; i <= 90; i++) {
        float s = i == 90 ? 1.0f : static_cast<float>(sin(i * radians_per_degree));
        g_sin_table_deg[i] = s;
        g_sin_table_deg[180 - i] = s;
        g_sin_table_deg[(180 + i) % 360] = -s;
        g_sin_table_deg[(360 - i) % 360] = -s;
    }
    g_sin_table_deg[0] = 0.0f;
    g_sin_table_deg[180] = 0.0f;
    for (int i = 0; i < 360; i++) g_cos_table_deg[i] = g_sin_table_deg[(i + 90) % 360];
    g_tables_ready = 1;
}

static int degree_index(int degrees)
{
    int i = degrees % 360;
    return i < 0 ? i + 360 : i;
}

// Position of the point along one box axis, 0 to 1, mirrored for codes 1, 3 and 5;
// an axis with no extent counts as position 0.
static float box_axis_value(float x, float y, float z, const float *box, int axis)
{
    if (axis < 1 || axis > 6) return 0.0f;
    int k = (axis - 1) % 3;
    float value = k == 0 ? x : (k == 1 ? y : z);
    float extent = box[3 + k] - box[k];
    float t = extent != 0.0f ? (value - box[k]) / extent : 0.0f;
    int mirrored = axis == 1 || axis == 3 || axis == 5;
    return mirrored ? 1.0f - t : t;
}
