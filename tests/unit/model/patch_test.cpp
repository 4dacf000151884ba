// Patch maths: control points against hand-computed values, grids and index
// lists of every mode and level, interpolation, and degenerate input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "model/patch.h"

namespace {

constexpr float TOL = 1e-6f;

void expect_vec(const float *v, float x, float y, float z, float tol = TOL)
{
    EXPECT_NEAR(v[0], x, tol);
    EXPECT_NEAR(v[1], y, tol);
    EXPECT_NEAR(v[2], z, tol);
}

// A normal array with every corner and edge normal equal to n.
std::vector<float> uniform_normals(float x, float y, float z)
{
    std::vector<float> n(PATCH_NORMAL_SLOTS * 3);
    for (int i = 0; i < PATCH_NORMAL_SLOTS; i++) {
        n[3 * i] = x;
        n[3 * i + 1] = y;
        n[3 * i + 2] = z;
    }
    return n;
}

// The flat triangle (0,0,0), (3,0,0), (0,3,0) facing +z.
PatchControl flat_triangle()
{
    const float p[9] = {0, 0, 0, 3, 0, 0, 0, 3, 0};
    std::vector<float> n = uniform_normals(0, 0, 1);
    PatchControl c;
    pn_triangle_control_points(p, n.data(), &c);
    return c;
}

// A bulging triangle: corner normals lean outward, edge normals equal the corner normals.
void bulging_triangle(float *p, std::vector<float> &n, PatchControl *c)
{
    const float corners[9] = {0, 0, 0, 4, 0, 0, 0, 4, 0};
    for (int i = 0; i < 9; i++) p[i] = corners[i];
    const float cn[9] = {-0.6f, -0.6f, 0.52915f, 0.8f, 0, 0.6f, 0, 0.8f, 0.6f};
    n.assign(PATCH_NORMAL_SLOTS * 3, 0.0f);
    for (int i = 0; i < 9; i++) n[i] = cn[i];
    const int edge_corner[6] = {0, 1, 1, 2, 2, 0};
    for (int k = 0; k < 6; k++)
        for (int i = 0; i < 3; i++) n[3 * (4 + k) + i] = cn[3 * edge_corner[k] + i];
    pn_triangle_control_points(p, n.data(), c);
}

// A bulging quad 3 x 3 in z = 0 with corner normals leaning outward.
void bulging_quad(float *p, std::vector<float> &n, PatchControl *c)
{
    const float corners[12] = {0, 0, 0, 3, 0, 0, 0, 3, 0, 3, 3, 0};
    for (int i = 0; i < 12; i++) p[i] = corners[i];
    const float cn[12] = {-0.5f, -0.5f, 0.7071f, 0.5f, -0.5f, 0.7071f,
                          -0.5f, 0.5f,  0.7071f, 0.5f, 0.5f,  0.7071f};
    n.assign(PATCH_NORMAL_SLOTS * 3, 0.0f);
    for (int i = 0; i < 12; i++) n[i] = cn[i];
    const int edge_corner[8] = {0, 1, 1, 3, 3, 2, 2, 0};
    for (int k = 0; k < 8; k++)
        for (int i = 0; i < 3; i++) n[3 * (4 + k) + i] = cn[3 * edge_corner[k] + i];
    patch_quad_control_points(p, n.data(), c);
}

bool all_finite(const float *v, int n)
{
    for (int i = 0; i < n; i++)
        if (!std::isfinite(v[i])) return false;
    return true;
}

struct GridCase {
    int quad;
    int mode;
    int vertices[7];  // per level 0..6
    int triangles[7]; // per level 0..6
};

// Expected sizes from the grid rules, written out per level.
const GridCase GRID_CASES[] = {
    {0, 1, {3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7}},
    {0, 2, {3, 5, 7, 9, 11, 13, 15}, {1, 3, 5, 7, 9, 11, 13}},
    {0, 3, {3, 6, 10, 15, 21, 28, 36}, {1, 4, 9, 16, 25, 36, 49}},
    {0, 4, {3, 6, 10, 15, 21, 28, 36}, {1, 4, 9, 16, 25, 36, 49}},
    {1, 2, {4, 6, 8, 10, 12, 14, 16}, {2, 4, 6, 8, 10, 12, 14}},
    {1, 4, {4, 9, 16, 25, 36, 49, 64}, {2, 8, 18, 32, 50, 72, 98}},
    {1, 0, {4, 9, 16, 25, 36, 49, 64}, {2, 8, 18, 32, 50, 72, 98}},
};

} // namespace

TEST(PatchEdge, ControlPointsByHand)
{
    const float a[3] = {0, 0, 0}, b[3] = {3, 0, 0};
    const float na[3] = {-0.6f, 0, 0.8f}, nb[3] = {0.6f, 0, 0.8f};
    float out[6];
    EXPECT_EQ(pn_edge_control_points(a, b, na, nb, out), 2);
    expect_vec(out, 0.6399936f, 0, 0.4799952f);
    expect_vec(out + 3, 2.3599764f, 0, 0.4799952f);
}

TEST(PatchEdge, NormalByHandInEitherDirection)
{
    const float a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
    const float na[3] = {0, 0, 1}, nb[3] = {0.6f, 0, 0.8f};
    float out[3], back[3];
    EXPECT_EQ(pn_edge_normal(a, b, na, nb, out), 1);
    expect_vec(out, -0.316228f, 0, 0.948683f);
    pn_edge_normal(b, a, nb, na, back);
    expect_vec(back, out[0], out[1], out[2]);
}

// Zero vectors stay zero and a degenerate edge bends nothing: nothing becomes NaN.
TEST(PatchEdge, DegenerateInputStaysFinite)
{
    float zero[3] = {0, 0, 0};
    pn_normalize(zero);
    expect_vec(zero, 0, 0, 0, 0);

    float tiny[3] = {1e-30f, 0, 0}, huge[3] = {3e38f, 3e38f, 0};
    pn_normalize(tiny);
    pn_normalize(huge);
    expect_vec(tiny, 1, 0, 0);
    expect_vec(huge, 0.7071068f, 0.7071068f, 0);

    const float a[3] = {1, 2, 3}, up[3] = {0, 0, 1}, down[3] = {0, 0, -1};
    float out[6];
    pn_edge_normal(a, a, up, up, out); // A = B: the normalised sum
    expect_vec(out, 0, 0, 1);
    const float b[3] = {4, 2, 3};
    pn_edge_normal(a, b, up, down, out); // opposite normals: zero sum
    expect_vec(out, 0, 0, 0, 0);
    pn_edge_control_points(a, a, zero, zero, out);
    EXPECT_TRUE(all_finite(out, 6));

    // Whole patches of coincident corners and zero normals, every mode and level.
    const float same[12] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    std::vector<float> normals = uniform_normals(0, 0, 0);
    PatchControl tri, quad;
    pn_triangle_control_points(same, normals.data(), &tri);
    patch_quad_control_points(same, normals.data(), &quad);
    EXPECT_TRUE(all_finite(&tri.v[0][0], 3 * PATCH_QUAD_CONTROLS));
    EXPECT_TRUE(all_finite(&quad.v[0][0], 3 * PATCH_QUAD_CONTROLS));
    for (int level = 0; level <= PATCH_MAX_LEVEL; level++) {
        float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3];
        for (int mode = 1; mode <= 4; mode++) {
            int n = pn_triangle_evaluate(&tri, mode, level, pos, nor);
            EXPECT_TRUE(all_finite(pos, 3 * n) && all_finite(nor, 3 * n));
            n = patch_quad_evaluate(&quad, mode, level, pos, nor);
            EXPECT_TRUE(all_finite(pos, 3 * n) && all_finite(nor, 3 * n));
        }
    }
}

TEST(PatchControlPoints, FlatTriangleLayout)
{
    PatchControl c = flat_triangle();
    expect_vec(c.v[0], 0, 0, 0);                 // P0
    expect_vec(c.v[1], 0, 0.99999f, 0);          // b201: edge 2->0 near P0
    expect_vec(c.v[2], 0.99999f, 0, 0);          // b210: edge 0->1 near P0
    expect_vec(c.v[3], 0, 1.99998f, 0);          // b102: edge 2->0 near P2
    expect_vec(c.v[4], 0.9999795f, 0.9999795f, 0, 1e-6f); // b111
    expect_vec(c.v[5], 1.99998f, 0, 0);          // b120
    expect_vec(c.v[6], 0, 3, 0);                 // P2
    expect_vec(c.v[7], 0.99999f, 1.99998f, 0);   // b012
    expect_vec(c.v[8], 1.99998f, 0.99999f, 0);   // b021
    expect_vec(c.v[9], 3, 0, 0);                 // P1
    for (int i = 10; i < 16; i++) expect_vec(c.v[i], 0, 0, 1);
}

TEST(PatchControlPoints, QuadLayoutUsesEdgeAndDiagonalNormals)
{
    // Corner normals up; the edge normals of edges 1->3 and 2->0 tilted, so the side
    // columns and the diagonals show which slots they read.
    const float p[12] = {0, 0, 0, 3, 0, 0, 0, 3, 0, 3, 3, 0};
    std::vector<float> n = uniform_normals(0, 0, 1);
    const float tilt[3] = {0.6f, 0, 0.8f};
    for (int slot : {6, 7, 10, 11})
        for (int i = 0; i < 3; i++) n[3 * slot + i] = tilt[i];
    PatchControl c;
    patch_quad_control_points(p, n.data(), &c);
    expect_vec(c.v[0], 0, 0, 0);
    expect_vec(c.v[3], 3, 0, 0);
    expect_vec(c.v[12], 0, 3, 0);
    expect_vec(c.v[15], 3, 3, 0);
    expect_vec(c.v[1], 0.99999f, 0, 0); // edge 0->1 keeps flat normals
    expect_vec(c.v[2], 1.99998f, 0, 0);
    expect_vec(c.v[13], 0.99999f, 3 * 0.99999f, 0); // edge 3->2 near P2
    // Edge 1->3 from P1 (3,0,0) to P3 (3,3,0): D = (0,3,0) is orthogonal to the tilt.
    expect_vec(c.v[7], 3 * 0.99999f, 0.99999f, 0);
    // Diagonal 0->3 near P0 with slot 11's normal: D.N = 1.8.
    const float expected1[3] = {(3 - 1.8f * 0.6f) * 0.33333f, 3 * 0.33333f, -1.8f * 0.8f * 0.33333f};
    expect_vec(c.v[5], expected1[0], expected1[1], expected1[2], 1e-5f);
    for (int i = 16; i < 24; i++) expect_vec(c.v[i], 0, 0, 1);
}

TEST(PatchControlPoints, CenterPoint)
{
    // Nine boundary points of a flat triangle: centre = E + (E - V) / 2.
    const float boundary[27] = {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 2, 1, 0,
                                1, 2, 0, 0, 3, 0, 0, 2, 0, 0, 1, 0};
    float out[3];
    EXPECT_EQ(pn_center_control_point(boundary, out), 1);
    float e = 6.0f * 0.166666f, v = 3.0f * 0.333333f;
    expect_vec(out, e + (e - v) * 0.5f, e + (e - v) * 0.5f, 0);
}

// A flat triangle at mode 3, level 1, against hand-computed points.
TEST(PatchTriangle, FlatLevelOneGrid)
{
    PatchControl c = flat_triangle();
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3];
    ASSERT_EQ(pn_triangle_evaluate(&c, 3, 1, pos, nor), 6);
    const float m = 1.4999887f;
    const float expected[6][3] = {{0, 0, 0}, {m, 0, 0}, {3, 0, 0}, {0, m, 0}, {m, m, 0}, {0, 3, 0}};
    for (int k = 0; k < 6; k++) {
        SCOPED_TRACE(k);
        expect_vec(pos + 3 * k, expected[k][0], expected[k][1], expected[k][2]);
        expect_vec(nor + 3 * k, 0, 0, 1);
    }
    uint16_t idx[PATCH_MAX_TRIANGLES * 3];
    ASSERT_EQ(pn_triangle_indices(3, 1, idx), 4);
    const uint16_t tris[12] = {0, 1, 3, 1, 4, 3, 1, 2, 4, 3, 4, 5};
    for (int i = 0; i < 12; i++) EXPECT_EQ(idx[i], tris[i]) << i;
}

TEST(PatchTriangle, LevelZeroAndModeOneLevelTwo)
{
    PatchControl c = flat_triangle();
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3];
    uint16_t idx[PATCH_MAX_TRIANGLES * 3];
    ASSERT_EQ(pn_triangle_evaluate(&c, 3, 0, pos, nor), 3);
    expect_vec(pos, 0, 0, 0);
    expect_vec(pos + 3, 3, 0, 0);
    expect_vec(pos + 6, 0, 3, 0);
    ASSERT_EQ(pn_triangle_indices(3, 0, idx), 1);
    EXPECT_EQ(idx[0], 0);
    EXPECT_EQ(idx[1], 1);
    EXPECT_EQ(idx[2], 2);

    ASSERT_EQ(pn_triangle_evaluate(&c, 1, 2, pos, nor), 5);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(pos[3 * k + 1], 0.0f, TOL) << k; // on edge P0-P1
    EXPECT_NEAR(pos[3 * 3], 3.0f, 1e-5f);
    expect_vec(pos + 12, 0, 3, 0); // P2
    ASSERT_EQ(pn_triangle_indices(1, 2, idx), 3);
    const uint16_t tris[9] = {0, 1, 4, 1, 2, 4, 2, 3, 4};
    for (int i = 0; i < 9; i++) EXPECT_EQ(idx[i], tris[i]) << i;

    // Mode 2 at level 1: the strip between the split edges 0-1 and 0-2.
    ASSERT_EQ(pn_triangle_indices(2, 1, idx), 3);
    const uint16_t two[9] = {0, 1, 3, 1, 2, 3, 3, 2, 4};
    for (int i = 0; i < 9; i++) EXPECT_EQ(idx[i], two[i]) << i;
}

// A curved triangle passes through its corners with their own normals.
TEST(PatchTriangle, CornersKeepPositionsAndNormals)
{
    float p[9];
    std::vector<float> n;
    PatchControl c;
    bulging_triangle(p, n, &c);
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3];
    const int level = 3;
    int count = pn_triangle_evaluate(&c, 3, level, pos, nor);
    ASSERT_EQ(count, 15);
    const int corner_vertex[3] = {0, level + 1, count - 1};
    for (int k = 0; k < 3; k++) {
        SCOPED_TRACE(k);
        float expected_n[3] = {n[3 * k], n[3 * k + 1], n[3 * k + 2]};
        pn_normalize(expected_n);
        expect_vec(pos + 3 * corner_vertex[k], p[3 * k], p[3 * k + 1], p[3 * k + 2], 1e-5f);
        expect_vec(nor + 3 * corner_vertex[k], expected_n[0], expected_n[1], expected_n[2], 1e-5f);
    }
    // The middle of the patch bulges out of the flat plane.
    EXPECT_GT(pos[3 * 6 + 2], 0.1f); // vertex (u = 1/4, w = 1/4)
}

// Every mode at every level: vertex and triangle counts, indices in range, no triangle
// with a repeated corner, consistent winding (flat patch facing +z), and exact buffers.
TEST(PatchGrid, CountsAndIndicesAtEveryLevel)
{
    PatchControl tri = flat_triangle();
    const float qp[12] = {0, 0, 0, 3, 0, 0, 0, 3, 0, 3, 3, 0};
    std::vector<float> qn = uniform_normals(0, 0, 1);
    PatchControl quad;
    patch_quad_control_points(qp, qn.data(), &quad);
    for (const GridCase &g : GRID_CASES) {
        for (int level = 0; level <= PATCH_MAX_LEVEL; level++) {
            SCOPED_TRACE(testing::Message() << "quad " << g.quad << " mode " << g.mode
                                            << " level " << level);
            int nv = g.vertices[level], nt = g.triangles[level];
            // Buffers of exactly the expected size, so an overrun shows under ASan.
            std::vector<float> pos(3 * nv), nor(3 * nv), weights(nv), attr(2 * nv);
            std::vector<uint16_t> idx(3 * nt);
            const Joint *joints[4] = {nullptr, nullptr, nullptr, nullptr};
            const float w[4] = {1, 1, 1, 1}, values[8] = {0, 1, 0, 1, 0, 0, 1, 1};
            int v, t, f, wg;
            if (g.quad) {
                v = patch_quad_evaluate(&quad, g.mode, level, pos.data(), nor.data());
                t = patch_quad_indices(g.mode, level, idx.data());
                f = patch_quad_interpolate(values, 2, g.mode, level, attr.data());
                wg = patch_quad_weight_grid(joints, w, g.mode, level, weights.data());
                EXPECT_EQ(patch_quad_vertex_count(g.mode, level), nv);
                EXPECT_EQ(patch_quad_triangle_count(g.mode, level), nt);
            } else {
                v = pn_triangle_evaluate(&tri, g.mode, level, pos.data(), nor.data());
                t = pn_triangle_indices(g.mode, level, idx.data());
                f = pn_triangle_interpolate(values, 2, g.mode, level, attr.data());
                wg = pn_triangle_weight_grid(joints, w, g.mode, level, weights.data());
                EXPECT_EQ(pn_triangle_vertex_count(g.mode, level), nv);
                EXPECT_EQ(pn_triangle_triangle_count(g.mode, level), nt);
            }
            ASSERT_EQ(v, nv);
            ASSERT_EQ(t, nt);
            EXPECT_EQ(f, 2 * nv);
            EXPECT_EQ(wg, nv);
            std::vector<int> used(nv, 0);
            float area = 0.0f;
            for (int k = 0; k < nt; k++) {
                int a = idx[3 * k], b = idx[3 * k + 1], c = idx[3 * k + 2];
                ASSERT_LT(a, nv);
                ASSERT_LT(b, nv);
                ASSERT_LT(c, nv);
                EXPECT_TRUE(a != b && b != c && a != c) << k;
                used[a] = used[b] = used[c] = 1;
                const float *pa = &pos[3 * a], *pb = &pos[3 * b], *pc = &pos[3 * c];
                float cross = (pb[0] - pa[0]) * (pc[1] - pa[1]) - (pb[1] - pa[1]) * (pc[0] - pa[0]);
                EXPECT_GT(cross, 0.0f) << "triangle " << k << " turns the other way";
                area += 0.5f * cross;
            }
            for (int k = 0; k < nv; k++) EXPECT_TRUE(used[k]) << "vertex " << k << " unused";
            // The triangles tile the face: 4.5 for the triangle, 9 for the quad.
            EXPECT_NEAR(area, g.quad ? 9.0f : 4.5f, 1e-3f);
        }
    }
}

// Modes without a grid and levels out of range never loop or overrun.
TEST(PatchGrid, ModesAndLevelsOutOfRange)
{
    PatchControl tri = flat_triangle();
    std::vector<float> pos(3 * PATCH_MAX_VERTICES), nor(3 * PATCH_MAX_VERTICES);
    std::vector<uint16_t> idx(3 * PATCH_MAX_TRIANGLES);
    const float values[3] = {1, 2, 3};
    for (int mode : {0, 5, -1, 1000}) {
        EXPECT_EQ(pn_triangle_evaluate(&tri, mode, 3, pos.data(), nor.data()), 0) << mode;
        EXPECT_EQ(pn_triangle_indices(mode, 3, idx.data()), 0) << mode;
        EXPECT_EQ(pn_triangle_interpolate(values, 1, mode, 3, pos.data()), 0) << mode;
    }
    // A triangle of kind 4 is the full grid of kind 3.
    std::vector<float> pos3(3 * PATCH_MAX_VERTICES), nor3(3 * PATCH_MAX_VERTICES);
    ASSERT_EQ(pn_triangle_evaluate(&tri, 4, 2, pos.data(), nor.data()), 10);
    pn_triangle_evaluate(&tri, 3, 2, pos3.data(), nor3.data());
    EXPECT_EQ(pos, pos3);
    // Levels clamp to 0..6.
    EXPECT_EQ(pn_triangle_evaluate(&tri, 3, 100, pos.data(), nor.data()), 36);
    EXPECT_EQ(pn_triangle_indices(3, 1 << 30, idx.data()), 49);
    EXPECT_EQ(patch_quad_indices(4, 7, idx.data()), 98);
    EXPECT_EQ(pn_triangle_evaluate(&tri, 3, -5, pos.data(), nor.data()), 3);
    EXPECT_EQ(patch_quad_indices(2, -1, idx.data()), 2);
}

TEST(PatchQuad, FlatGridOrderAndCorners)
{
    float p[12];
    std::vector<float> n;
    PatchControl c;
    bulging_quad(p, n, &c);
    float pos[PATCH_MAX_VERTICES * 3], nor[PATCH_MAX_VERTICES * 3];
    ASSERT_EQ(patch_quad_evaluate(&c, 4, 1, pos, nor), 9);
    // Rows run along a (P0 -> P1), each row along b (P0 -> P2).
    expect_vec(pos + 0, 0, 0, 0, 1e-5f);  // P0
    expect_vec(pos + 6, 0, 3, 0, 1e-5f);  // P2 ends row 0
    expect_vec(pos + 18, 3, 0, 0, 1e-5f); // P1 starts row 2
    expect_vec(pos + 24, 3, 3, 0, 1e-5f); // P3
    EXPECT_GT(pos[4 * 3 + 2], 0.1f);      // the centre bulges
    for (int k : {0, 2, 6, 8}) {
        int corner = k == 0 ? 0 : k == 2 ? 2 : k == 6 ? 1 : 3;
        float e[3] = {n[3 * corner], n[3 * corner + 1], n[3 * corner + 2]};
        pn_normalize(e);
        expect_vec(nor + 3 * k, e[0], e[1], e[2], 1e-5f);
    }
    uint16_t idx[PATCH_MAX_TRIANGLES * 3];
    ASSERT_EQ(patch_quad_indices(4, 1, idx), 8);
    const uint16_t first_cell[6] = {0, 3, 1, 4, 1, 3};
    for (int i = 0; i < 6; i++) EXPECT_EQ(idx[i], first_cell[i]);

    // Mode 2: three rows of two vertices at b = 0 and b = 1.
    ASSERT_EQ(patch_quad_evaluate(&c, 2, 1, pos, nor), 6);
    expect_vec(pos + 3, 0, 3, 0, 1e-5f);
    // Halfway along the edges 0-1 and 2-3, which bow outward with the leaning normals.
    expect_vec(pos + 6, 1.5f, -0.1875f, 0.265165f, 1e-4f);
    expect_vec(pos + 9, 1.5f, 3.1875f, 0.265165f, 1e-4f);
    ASSERT_EQ(patch_quad_indices(2, 1, idx), 4);
    const uint16_t strip[12] = {0, 2, 1, 3, 1, 2, 2, 4, 3, 5, 3, 4};
    for (int i = 0; i < 12; i++) EXPECT_EQ(idx[i], strip[i]);
}

TEST(PatchQuad, NormalAtCentreAndFromTriangle)
{
    float p[12];
    std::vector<float> n;
    PatchControl c;
    bulging_quad(p, n, &c);
    float out[3], expected[3];
    patch_quad_normal(out, &c, 0.5f, 0.5f);
    for (int i = 0; i < 3; i++)
        expected[i] = (c.v[20][i] + c.v[22][i]) * 0.5f + (c.v[23][i] + c.v[21][i]) * 0.5f;
    pn_normalize(expected);
    expect_vec(out, expected[0], expected[1], expected[2]);

    // On a triangle's normals: (0, 0) gives N0, (1, 1) the completed N2 - N0 + N1.
    float tp[9];
    std::vector<float> tn;
    PatchControl t;
    bulging_triangle(tp, tn, &t);
    patch_quad_normal_from_triangle(out, &t, 0.0f, 0.0f);
    float n0[3] = {tn[0], tn[1], tn[2]};
    pn_normalize(n0);
    expect_vec(out, n0[0], n0[1], n0[2], 1e-5f);
    patch_quad_normal_from_triangle(out, &t, 1.0f, 1.0f);
    float n3[3];
    for (int i = 0; i < 3; i++) n3[i] = tn[6 + i] - tn[i] + tn[3 + i];
    pn_normalize(n3);
    expect_vec(out, n3[0], n3[1], n3[2], 1e-5f);
}

TEST(PatchQuad, BezierAndLerp)
{
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 3, 0}, p2[3] = {2, 3, 0}, p3[3] = {3, 0, 0};
    float out[3];
    patch_bezier_cubic(out, p0, p1, p2, p3, 0.5f);
    expect_vec(out, 1.5f, 2.25f, 0);
    patch_bezier_cubic(out, p0, p1, p2, p3, 1.0f);
    expect_vec(out, 3, 0, 0);
    patch_lerp3(out, p1, p3, 0.25f);
    expect_vec(out, 1.5f, 2.25f, 0);
}

TEST(PatchInterpolate, TriangleAndQuadAttributes)
{
    // Two attributes per triangle corner: (10, 20, 40) and (1, 1, 1).
    const float tv[6] = {10, 20, 40, 1, 1, 1};
    float out[2 * PATCH_MAX_VERTICES];
    ASSERT_EQ(pn_triangle_interpolate(tv, 2, 3, 1, out), 12);
    const float first[6] = {10, 15, 20, 25, 30, 40}; // u, w at (0,0) (.5,0) (1,0) (0,.5) (.5,.5) (0,1)
    for (int k = 0; k < 6; k++) {
        EXPECT_FLOAT_EQ(out[2 * k], first[k]) << k;
        EXPECT_FLOAT_EQ(out[2 * k + 1], 1.0f) << k;
    }
    // Quad: bilinear over corners (0, 10, 20, 50) on the 3 x 3 grid.
    const float qv[4] = {0, 10, 20, 50};
    ASSERT_EQ(patch_quad_interpolate(qv, 1, 4, 1, out), 9);
    const float grid[9] = {0, 10, 20, 5, 20, 35, 10, 30, 50};
    for (int k = 0; k < 9; k++) EXPECT_FLOAT_EQ(out[k], grid[k]) << k;
    EXPECT_EQ(pn_triangle_interpolate(tv, 0, 3, 1, out), 0);
}

// Skin weights toward corner 0's joint: a corner of another joint counts with its own weight
// toward that other joint.
TEST(PatchInterpolate, WeightGrids)
{
    int ja = 0, jb = 0; // stand-ins compared by address only
    const Joint *a = reinterpret_cast<const Joint *>(&ja), *b = reinterpret_cast<const Joint *>(&jb);
    const Joint *tj[3] = {a, a, b};
    const float tw[3] = {1.0f, 0.5f, 0.25f};
    float out[PATCH_MAX_VERTICES];
    ASSERT_EQ(pn_triangle_weight_grid(tj, tw, 3, 1, out), 6);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out[2], 0.5f);    // corner 1, same joint: its weight
    EXPECT_FLOAT_EQ(out[5], 0.75f);   // corner 2, other joint: 1 - its weight
    EXPECT_FLOAT_EQ(out[1], 0.75f);   // between 1.0 and 0.5
    EXPECT_FLOAT_EQ(out[4], 0.625f);  // between 0.5 and 0.75

    const Joint *qj[4] = {a, b, b, a};
    const float qw[4] = {0.8f, 0.4f, 1.0f, 0.6f};
    ASSERT_EQ(patch_quad_weight_grid(qj, qw, 4, 1, out), 9);
    EXPECT_FLOAT_EQ(out[0], 0.8f);
    EXPECT_FLOAT_EQ(out[6], 0.6f); // P1 of the other joint: 1 - 0.4
    EXPECT_FLOAT_EQ(out[2], 0.0f); // P2 of the other joint: 1 - 1.0
    EXPECT_FLOAT_EQ(out[8], 0.6f); // P3 of corner 0's joint
    EXPECT_NEAR(out[4], (0.8f + 0.6f + 0.0f + 0.6f) / 4, 1e-6f);
}
