// Helpers for the animation tests: the rig model of the fixtures, animation
// files written into a temporary directory, and texts of the two error stores.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/anim_file.h"
#include "formats/mod_loader.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "tests/unit/temp_dir.h"

namespace anim_test {

// Folder of the animation fixtures, without a trailing separator.
inline std::string fixture_dir()
{
    return std::string(DRUVEX_FIXTURES) + "/formats/anim";
}

inline std::string anim_error()
{
    const char *text = anim_last_error();
    return text ? text : "";
}

inline std::string last_error()
{
    const char *text = err_last();
    return text ? text : "";
}

// The rig of the fixtures: joints hip, knee, foot and children lid, knob (7 slots).
inline Model *load_rig()
{
    return mod_load((fixture_dir() + "/rig.mod").c_str());
}

// The rig with a set whose root track is loaded from a text written in a temporary
// directory; frees both at the end.
struct RigTrack {
    TempDir dir;
    Model *rig = load_rig();
    AnimSet *set = anim_create(rig);
    std::string path;
    float load(const std::string &text, const char *name = "a.ani")
    {
        path = dir.write(name, text);
        return anim_track_load(rig, anim_root_track(set), dir.path.c_str(), name, 0.0f,
                               ANIM_NO_FIXED_TIME);
    }
    AnimTrack *track() { return anim_root_track(set); }
    ~RigTrack()
    {
        anim_destroy(set);
        model_free(rig);
    }
};

}  // namespace anim_test
