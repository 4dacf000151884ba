#include "formats/anim_eval.h"

#include "anim_fixture.h"
#include "foundation/matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace anim_test;

namespace {

// A matrix that no evaluation produces, to see that a miss leaves it alone.
Matrix4 sentinel()
{
    Matrix4 m;
    for (int i = 0; i < 16; i++) m.m[i] = 7.0f;
    return m;
}

bool is_sentinel(const Matrix4 &m)
{
    for (float v : m.m)
        if (v != 7.0f) return false;
    return true;
}

// x of the translation the track gives slot 0 at t; NAN when it gives none.
float x_at(const AnimTrack *track, float t)
{
    Matrix4 m = sentinel();
    if (!anim_track_eval(t, track, 0, &m)) return is_sentinel(m) ? NAN : -999.0f;
    return m.m[3];
}

// The point p turned by the track's value of the slot at t.
void turn(const AnimTrack *track, int32_t slot, float t, const float *p, float *out)
{
    Matrix4 m = sentinel();
    ASSERT_EQ(1, anim_track_eval(t, track, slot, &m));
    mat4_transform_point(&m, p, out);
}

}  // namespace

// Keys at 0 and 1 (translations 0 and 10) and a sub-track that carries the end to 3:
// interpolated between keys, the key itself on it, the last key past it, nothing outside.
TEST(AnimEval, BetweenAndPastKeys)
{
    RigTrack r;
    r.dir.write("tail.ani", "names rotate\n0 0 0 0\n3 0 0 0\n");
    ASSERT_FLOAT_EQ(3.0f, r.load("names translate\n0 0 0 0\n1 10 0 0\n0 tail.ani\n"));
    struct Case { float t; float x; };
    const Case cases[] = {{0.0f, 0.0f}, {0.25f, 2.5f}, {0.5f, 5.0f}, {1.0f, 10.0f}, {2.0f, 10.0f},
                          {3.0f, 10.0f}};
    for (const Case &c : cases) EXPECT_NEAR(c.x, x_at(r.track(), c.t), 1e-5f) << c.t;
    EXPECT_TRUE(std::isnan(x_at(r.track(), 3.01f)));
    EXPECT_TRUE(std::isnan(x_at(r.track(), -0.01f)));
    // A slot the track does not animate, and slots past the set's slot count.
    for (int32_t slot : {2, 6, 7, 100, -1}) {
        Matrix4 m = sentinel();
        EXPECT_EQ(0, anim_track_eval(0.5f, r.track(), slot, &m)) << slot;
        EXPECT_TRUE(is_sentinel(m)) << slot;
    }
    EXPECT_EQ(0, anim_track_eval(0.5f, nullptr, 0, nullptr));
}

// Keys 0.00005 seconds apart: between them the later key's value is used.
TEST(AnimEval, KeysTooCloseToInterpolate)
{
    RigTrack r;
    ASSERT_FLOAT_EQ(1.0f, r.load("0 0 0 0\n0.00005 10 0 0\n1 20 0 0\n"));
    EXPECT_NEAR(10.0f, x_at(r.track(), 0.00002f), 1e-5f);
    EXPECT_NEAR(15.0f, x_at(r.track(), 0.50002f), 1e-3f);
}

// A track with a fixed time gives its pose at that time for every clock time; a
// sub-track's fixed time before its start gives nothing.
TEST(AnimEval, FixedTime)
{
    RigTrack r;
    r.dir.write("a.ani", "0 0 0 0\n4 40 0 0\n");
    ASSERT_FLOAT_EQ(2.0f, anim_track_load(r.rig, r.track(), r.dir.path.c_str(), "a.ani", 0, 2.0f));
    for (float t : {0.0f, 1.0f, 2.0f, 3.5f, 100.0f}) EXPECT_NEAR(20.0f, x_at(r.track(), t), 1e-4f) << t;

    RigTrack s;
    s.dir.write("early.ani", "0 0 0 0\n1 40 0 0\n");
    ASSERT_FLOAT_EQ(1.0f, s.load("names rotate\n0 0 0 0\n1 0 0 0\n1.5 early.ani 1.0\n"));
    EXPECT_TRUE(std::isnan(x_at(s.track(), 0.5f)));
}

// A sub-track's rotation acts after the track's own: z90 then x90 takes (1, 0, 0) to
// (0, 0, 1). A sub-track alone gives the value of a slot the track lacks.
TEST(AnimEval, SubTrackComposition)
{
    RigTrack r;
    r.dir.write("sub.ani", "names rotate translate\n0 x90 0 0 1 2 3\n2 x90 0 0 1 2 3\n");
    ASSERT_FLOAT_EQ(2.0f, r.load("names rotate\n0 z90 0 0\n2 z90 0 0\n0 sub.ani\n"));
    const float p[3] = {1, 0, 0};
    float out[3];
    turn(r.track(), 1, 1.0f, p, out);
    EXPECT_NEAR(0.0f, out[0], 1e-5f);
    EXPECT_NEAR(0.0f, out[1], 1e-5f);
    EXPECT_NEAR(1.0f, out[2], 1e-5f);
    EXPECT_NEAR(1.0f, x_at(r.track(), 1.0f), 1e-5f);
}

// Rotations between keys: spherical for keys far apart; for close keys the linear
// weights would shorten the quaternion, but the matrix stays a pure rotation.
TEST(AnimEval, InterpolatedRotationsAreUnit)
{
    struct Case { const char *angle; float half_angle_deg; };
    const Case cases[] = {{"z60", 30.0f}, {"z10", 5.0f}};
    for (const Case &c : cases) {
        RigTrack r;
        ASSERT_FLOAT_EQ(1.0f, r.load(std::string("names rotate\n0 0 0 0\n1 ") + c.angle + " 0 0\n"));
        Matrix4 m;
        ASSERT_EQ(1, anim_track_eval(0.5f, r.track(), 1, &m));
        const float a = c.half_angle_deg * static_cast<float>(M_PI) / 180.0f;
        EXPECT_NEAR(std::cos(a), m.m[0], 1e-5f) << c.angle;
        EXPECT_NEAR(std::sin(a), m.m[4], 1e-5f) << c.angle;
        EXPECT_NEAR(1.0f, m.m[10], 1e-5f) << c.angle;
        EXPECT_NEAR(1.0f, m.m[15], 1e-6f) << c.angle;
    }
}
