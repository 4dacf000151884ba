// Fuzz target: animation files and scene lists. The first input byte picks
// which: an animation file read for the rig model of the fixtures (its
// sub-animations found beside it), or a scene list loading the fixture models.
// Whatever was read is freed again, so the leak checker sees every loss.
#include "formats/anim_file.h"
#include "formats/anim_scene.h"
#include "formats/mod_loader.h"
#include "model/model.h"
#include "tests/fuzz/fuzz_common.h"

#include <cstdlib>
#include <cstring>

static Model *g_rig;  // the model whose channels the animation files name

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::work_dir();
    fuzz::copy_fixtures({"formats/anim/rig.mod", "formats/anim/knob.mod", "formats/anim/lid.mod",
                         "formats/anim/spin.ani", "formats/anim/turn.ani", "formats/anim/walk.ani",
                         "viewer/anim/arm.mod", "viewer/anim/bar.mod", "viewer/anim/bar_turn.ani"});
    g_rig = mod_load((fuzz::work_dir() + "/rig.mod").c_str());
    if (!g_rig) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    if (data[0] & 1) {
        fuzz::write_file("fz.lst", data + 1, size - 1);
        SceneLoad *scene = anim_load_scene((fuzz::work_dir() + "/fz.lst").c_str());
        if (scene) {
            for (int i = 0; i < scene->entry_count; i++) {
                anim_free(scene->sets[i]);
                model_free(scene->models[i]);
            }
            free(scene);
        }
    } else {
        fuzz::write_file("fz.ani", data + 1, size - 1);
        AnimTrack track;
        memset(&track, 0, sizeof track);
        anim_track_load(g_rig, &track, fuzz::work_dir().c_str(), "fz.ani", 0.0f, ANIM_NO_FIXED_TIME);
        anim_track_free(&track, track.slot_count);
    }
    return 0;
}
