#include "formats/anim_file.h"

#include "anim_fixture.h"
#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/quaternion.h"
#include "model/model_build.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace anim_test;

namespace {

void expect_value(const AnimValue *value, float x, float y, float z, float w, const char *what)
{
    ASSERT_NE(nullptr, value) << what;
    EXPECT_NEAR(x, value->v[0], 1e-5f) << what;
    EXPECT_NEAR(y, value->v[1], 1e-5f) << what;
    EXPECT_NEAR(z, value->v[2], 1e-5f) << what;
    EXPECT_NEAR(w, value->v[3], 1e-5f) << what;
}

std::string repeat(const std::string &word, int n)
{
    std::string s;
    for (int i = 0; i < n; i++) s += " " + word;
    return s;
}

}  // namespace

// Every kind of name and its slot on the rig (3 joints, children lid and knob: 7 slots),
// and every refusal with its message.
TEST(AnimSlots, NamesMapToSlots)
{
    Model *rig = load_rig();
    ASSERT_NE(nullptr, rig) << last_error();
    ASSERT_EQ(7, anim_model_slot_count(rig));
    struct Case { std::string name; int32_t slot; const char *message; };
    const Case cases[] = {
        {"translate", 0, ""},  {"rotate", 1, ""},     {"hip", 2, ""},      {"knee", 3, ""},
        {"foot", 4, ""},       {"lid", 5, ""},        {"knob", 6, ""},     {"child0", 5, ""},
        {"child1", 6, ""},     {"child", 5, ""},      {"childish", 5, ""}, {"child01", 6, ""},
        {"child2", -1, "Slot overrun..."},            {"child127", -1, "Slot overrun..."},
        {"child128", -1, "Child offset out of range"}, {"child-1", -1, "Child offset out of range"},
        {"child99999999999999999999", -1, "Child offset out of range"},
        {"elbow", -1, "Invalid animation name"},      {"Knee", -1, "Invalid animation name"},
        {"world", -1, "Invalid animation name"},      {"", -1, "Invalid animation name"},
        // 63 characters still count; 64 are refused, never cut to a name that would match.
        {"child1" + std::string(57, 'a'), 6, ""},
        {"child1" + std::string(58, 'a'), -1, "Invalid animation name"},
    };
    for (const Case &c : cases) {
        anim_set_error(nullptr);
        EXPECT_EQ(c.slot, anim_slot_of_name(c.name.c_str(), rig, 7)) << c.name;
        EXPECT_EQ(c.message, anim_error()) << c.name;
    }
    // With fewer slots than the rig has, a joint past them overruns.
    EXPECT_EQ(-1, anim_slot_of_name("foot", rig, 4));
    EXPECT_EQ("Slot overrun...", anim_error());
    EXPECT_EQ(-1, anim_slot_of_name(nullptr, rig, 7));
    model_free(rig);
}

// Joint names are kept whole in the joints but cut in the table keys: a longer name
// that shares the first 31 characters is no joint.
TEST(AnimSlots, JointNamesMatchWhole)
{
    Model *m = model_create("/tmp/long.mod", nullptr);
    const std::string name(31, 'j');
    ASSERT_TRUE(model_add_joint(m, "root", 0, 0, 0, "world", 0));
    ASSERT_TRUE(model_add_joint(m, name.c_str(), 0, 0, 0, "root", 0));
    EXPECT_EQ(3, anim_slot_of_name(name.c_str(), m, 4));
    EXPECT_EQ(-1, anim_slot_of_name((name + "x").c_str(), m, 4));
    EXPECT_EQ("Invalid animation name", anim_error());
    model_free(m);
}

// Children are numbered depth first through the whole tree.
TEST(AnimSlots, ChildInstancesDepthFirst)
{
    TempDir t;
    t.write("leaf.mod", "points\n1 0 0 0\n");
    t.write("mid.mod", "points\n1 0 0 0\nchild leaf 0 0 0 1 1 1 0 0 0\n");
    std::string top = t.write("top.mod", "joint j 0 0 0 world 1\npoints\n1 0 0 0\n"
                                         "child mid 0 0 0 1 1 1 0 0 0\nchild last 0 0 0 1 1 1 0 0 0\n");
    t.write("last.mod", "points\n1 0 0 0\n");
    Model *m = mod_load(top.c_str());
    ASSERT_NE(nullptr, m) << last_error();
    ASSERT_EQ(6, anim_model_slot_count(m));  // 1 joint, 3 instances
    EXPECT_EQ(3, anim_slot_of_name("mid", m, 6));
    EXPECT_EQ(4, anim_slot_of_name("leaf", m, 6));
    EXPECT_EQ(5, anim_slot_of_name("last", m, 6));
    model_free(m);
}

// A set counts the model's slots; null sets are answered as documented.
TEST(AnimSet, CreateAndFree)
{
    Model *rig = load_rig();
    ASSERT_NE(nullptr, rig);
    EXPECT_EQ(nullptr, anim_create(nullptr));
    AnimSet *set = anim_create(rig);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(1, set->active);
    EXPECT_EQ(7, set->slot_count);
    EXPECT_EQ(3, set->joint_count);
    EXPECT_EQ(2, set->child_count);
    EXPECT_EQ(nullptr, set->parent_model);
    EXPECT_EQ(nullptr, set->parent_set);
    EXPECT_EQ(nullptr, anim_parent_joint(set));
    EXPECT_EQ(0, set->parent_slot);
    EXPECT_EQ(&set->root_track, anim_root_track(set));
    EXPECT_EQ(nullptr, anim_root_track(nullptr));
    EXPECT_EQ(0, anim_key_slot_count(set, anim_root_track(set)));
    EXPECT_EQ(1, anim_destroy(nullptr));
    EXPECT_EQ(0, anim_free(nullptr));
    EXPECT_EQ(1, anim_free(set));
    model_free(rig);
}

// The walk: a names line mapping translate, a joint and a child, three keys, and a
// sub-animation half a second in; the sanitizer build checks that freeing leaves nothing.
TEST(AnimTrack, LoadsNamedKeysAndSubTrack)
{
    Model *rig = load_rig();
    ASSERT_NE(nullptr, rig);
    AnimSet *set = anim_create(rig);
    AnimTrack *track = anim_root_track(set);
    const std::string dir = fixture_dir();
    EXPECT_FLOAT_EQ(2.0f, anim_track_load(rig, track, dir.c_str(), "walk.ani", 0.0f, -1.0f))
        << anim_error();
    EXPECT_EQ(nullptr, anim_last_error());
    EXPECT_EQ(dir + "/walk.ani", track->path);
    EXPECT_EQ(-1.0f, track->fixed_time);
    EXPECT_EQ(0.0f, track->start);
    EXPECT_EQ(7, track->slot_count);
    ASSERT_EQ(3, track->key_count);
    const float s15 = std::sin(15.0 * M_PI / 180.0), c15 = std::cos(15.0 * M_PI / 180.0);
    const float s30 = std::sin(30.0 * M_PI / 180.0), c30 = std::cos(30.0 * M_PI / 180.0);
    EXPECT_FLOAT_EQ(1.0f, track->keys[1].time);
    expect_value(track->keys[1].values[0], 5, 0, 0, 1, "translate at 1");
    expect_value(track->keys[1].values[3], 0, 0, s15, c15, "knee at 1");
    expect_value(track->keys[2].values[3], 0, 0, s30, c30, "knee at 2");
    expect_value(track->keys[2].values[6], 0, 0, 0, 1, "knob at 2");
    for (int slot : {1, 2, 4, 5}) EXPECT_EQ(nullptr, track->keys[0].values[slot]) << slot;
    EXPECT_EQ(3, anim_key_slot_count(set, track));
    const int32_t nth[] = {0, 3, 6, 0};
    for (int n = 0; n < 4; n++) EXPECT_EQ(nth[n], anim_key_index_nth(set, track, n)) << n;

    ASSERT_EQ(1, track->sub_track_count);
    const AnimTrack *spin = &track->sub_tracks[0];
    EXPECT_EQ(dir + "/spin.ani", spin->path);
    EXPECT_FLOAT_EQ(0.5f, spin->start);
    EXPECT_FLOAT_EQ(1.5f, spin->end);
    ASSERT_EQ(2, spin->key_count);
    EXPECT_FLOAT_EQ(0.5f, spin->keys[0].time);
    EXPECT_FLOAT_EQ(1.5f, spin->keys[1].time);
    const float h = std::sqrt(0.5f);
    expect_value(spin->keys[1].values[6], 0, 0, h, h, "knob spin");
    anim_destroy(set);
    model_free(rig);
}

// Without a names line, triple k goes to slot k: 7-token lines fill translation and rotation.
TEST(AnimTrack, TriplesByPositionWithoutNames)
{
    RigTrack r;
    EXPECT_FLOAT_EQ(3.0f, r.load("0 1 2 3  0 0 0\n3 4 5 6  x90 0 0\n"));
    ASSERT_EQ(2, r.track()->key_count);
    const float h = std::sqrt(0.5f);
    expect_value(r.track()->keys[1].values[0], 4, 5, 6, 1, "translate");
    expect_value(r.track()->keys[1].values[1], h, 0, 0, h, "rotate");
    for (int slot = 2; slot < 7; slot++) EXPECT_EQ(nullptr, r.track()->keys[1].values[slot]);
}

// Every refusal of an animation file: its message with the file and line, a 0.0 end,
// and for triples past the slots nothing read at all.
TEST(AnimTrack, RefusedFilesGiveTheirMessage)
{
    struct Case { const char *what; std::string text; std::string message; int line; };
    const Case cases[] = {
        {"129 names", "names" + repeat("hip", 129) + "\n", "Too many names (memory buffer over-run)", 1},
        {"unknown name", "names translate elbow\n0 0 0 0 0 0 0\n", "Invalid animation name", 1},
        {"child offset", "# c\nnames child128\n", "Child offset out of range", 2},
        {"named overrun", "names translate rotate child2\n", "Slot overrun...", 1},
        {"3n+2 tokens", "names translate\n0 1 2 3\n1 1 2 3 4\n", "bad animation data", 3},
        {"3n tokens", "names translate rotate\n0 1 2 3 x0 0 0\n1 1 2 3 x0 0\n", "bad animation data", 3},
        {"triples past the slots", "0" + repeat("0 0 0", 8) + "\n1" + repeat("0 0 0", 8) + "\n",
         "Slot overrun...", 0},
    };
    for (const Case &c : cases) {
        RigTrack r;
        EXPECT_EQ(0.0f, r.load(c.text)) << c.what;
        std::string want = c.message;
        if (c.line) want += " (file: " + r.dir.path + "/a.ani, line: " +
                            std::to_string(c.line) + ")";
        EXPECT_EQ(want, anim_error()) << c.what;
        EXPECT_EQ(want, last_error()) << c.what;
        if (c.line == 0) {
            EXPECT_EQ(0, r.track()->key_count) << c.what;
            EXPECT_EQ(nullptr, r.track()->path) << c.what;
        }
    }
    // All keys at time 0, an empty file and a missing file fail without a message.
    for (const char *text : {"0 1 2 3\n0.0 4 5 6\n", "# nothing\n"}) {
        RigTrack r;
        EXPECT_EQ(0.0f, r.load(text)) << text;
        EXPECT_EQ(nullptr, anim_last_error()) << text;
    }
    RigTrack r;
    EXPECT_EQ(0.0f, anim_track_load(r.rig, r.track(), r.dir.path.c_str(), "none.ani", 0, -1));
    EXPECT_EQ(0, r.track()->key_count);
}

// The last names line counts; a name given twice keeps its later triple (the sanitizer
// build checks that the earlier value is not leaked).
TEST(AnimTrack, NamesLines)
{
    RigTrack r;
    EXPECT_FLOAT_EQ(1.0f, r.load("names rotate\nnames translate\n0 1 2 3\n1 4 5 6\n"));
    expect_value(r.track()->keys[1].values[0], 4, 5, 6, 1, "last names line");
    EXPECT_EQ(nullptr, r.track()->keys[1].values[1]);

    RigTrack d;
    EXPECT_FLOAT_EQ(1.0f, d.load("names translate knee translate\n0 1 1 1 0 0 0 2 2 2\n"
                                 "1 3 3 3 0 0 0 4 4 4\n"));
    expect_value(d.track()->keys[0].values[0], 2, 2, 2, 1, "duplicate at 0");
    expect_value(d.track()->keys[1].values[0], 4, 4, 4, 1, "duplicate at 1");
    EXPECT_EQ(2, anim_key_slot_count(d.set, d.track()));

    // 128 names are accepted (the file has no keys, so it ends at 0 without a message).
    RigTrack n;
    EXPECT_EQ(0.0f, n.load("names" + repeat("hip", 128) + "\n"));
    EXPECT_EQ(nullptr, anim_last_error());
}

// A sub-animation's keys move by its start and can extend the end; with a fixed time
// its end is that time and the parent's end is not raised.
TEST(AnimTrack, SubTrackStartFixedTimeAndEnd)
{
    RigTrack r;
    r.dir.write("sub.ani", "names rotate\n0 0 0 0\n1 z90 0 0\n");
    EXPECT_FLOAT_EQ(2.5f, r.load("names translate\n0 0 0 0\n1 1 0 0\n1.5 sub.ani\n"));
    ASSERT_EQ(1, r.track()->sub_track_count);
    const AnimTrack *sub = &r.track()->sub_tracks[0];
    EXPECT_FLOAT_EQ(1.5f, sub->keys[0].time);
    EXPECT_FLOAT_EQ(2.5f, sub->keys[1].time);
    EXPECT_FLOAT_EQ(2.5f, sub->end);
    EXPECT_EQ(-1.0f, sub->fixed_time);

    RigTrack f;
    f.dir.write("sub.ani", "names rotate\n0 0 0 0\n1 z90 0 0\n");
    EXPECT_FLOAT_EQ(1.0f, f.load("names translate\n0 0 0 0\n1 1 0 0\n1.5 sub.ani 2.0\n"));
    sub = &f.track()->sub_tracks[0];
    EXPECT_FLOAT_EQ(2.0f, sub->fixed_time);
    EXPECT_FLOAT_EQ(2.0f, sub->end);
    EXPECT_FLOAT_EQ(1.5f, sub->start);

    // A fixed time on the track itself is its end.
    RigTrack x;
    std::string path = x.dir.write("a.ani", "0 1 1 1\n1 2 2 2\n");
    EXPECT_FLOAT_EQ(0.25f, anim_track_load(x.rig, x.track(), x.dir.path.c_str(), "a.ani", 0, 0.25f));
    EXPECT_FLOAT_EQ(0.25f, x.track()->end);
}

// A sub-track that fails keeps the keys it filled, and only those count; a missing one
// stays empty; neither fails the parent or raises its end.
TEST(AnimTrack, FailedSubTracksKeepWhatTheyRead)
{
    RigTrack r;
    r.dir.write("half.ani", "names translate\n0 1 1 1\n1 2 2 2\n5 3 3 3 3\n6 4 4 4\n");
    EXPECT_FLOAT_EQ(1.0f, r.load("names translate\n0 0 0 0\n1 1 0 0\n0 half.ani\n0 none.ani\n"));
    ASSERT_EQ(2, r.track()->sub_track_count);
    const AnimTrack *half = &r.track()->sub_tracks[0];
    ASSERT_EQ(2, half->key_count);
    expect_value(half->keys[1].values[0], 2, 2, 2, 1, "second key");
    const AnimTrack *none = &r.track()->sub_tracks[1];
    EXPECT_EQ(0, none->key_count);
    EXPECT_EQ(nullptr, none->path);
}

// A file that names itself nests five files deep (the file table's size), then stops.
TEST(AnimTrack, SelfNestingStopsAtTheFileTable)
{
    RigTrack r;
    EXPECT_FLOAT_EQ(1.0f, r.load("names translate\n0 0 0 0\n1 1 1 1\n0 a.ani\n"));
    int depth = 0;
    for (const AnimTrack *t = r.track(); t && t->path; t = t->sub_track_count ? &t->sub_tracks[0] : nullptr)
        depth++;
    EXPECT_EQ(FILE_TABLE_SIZE, depth);
    EXPECT_EQ(0, file_open_count());
}

// The animation error text keeps its own whole copy.
TEST(AnimErrorText, KeepsItsOwnCopy)
{
    err_set("first");
    anim_set_error(err_last());
    err_set("second");
    EXPECT_EQ("first", anim_error());
    anim_set_error(anim_last_error());
    EXPECT_EQ("first", anim_error());
    anim_set_error(std::string(5000, 'e').c_str());
    EXPECT_EQ(std::string(5000, 'e'), anim_error());
    anim_set_error(nullptr);
    EXPECT_EQ(nullptr, anim_last_error());
    err_set(nullptr);
}
