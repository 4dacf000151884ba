// Posing a large skinned model per clock step: every point blended between two
// joints, the joints turning between keys. The cost must grow linearly with the
// points, and models riding on the skinned one must not pose it again.
#include "formats/anim_file.h"
#include "model/model.h"
#include "model/model_build.h"
#include "viewer/anim_pose.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"
#include "tests/unit/render/viewer_teardown.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

// The viewer deletes texture names when it unloads; nothing here has any.
extern "C" void glDeleteTextures(GLsizei, const GLuint *) {}
// No GL context: texture names are only ever forgotten.
unsigned win_current_gl_serial(void) { return 0; }

namespace {

// Models riding on the skinned one in the riders benchmark.
const int RIDERS = 8;

// An animation of the arm's two joints bending over two seconds.
const char *ARM_ANIMATION =
    "names translate root tip\n"
    "0.0  0 0 0  0 0 0  0 0 0\n"
    "1.0  5 0 0  z20 0 0  z40 0 0\n"
    "2.0  0 0 0  z40 0 0  z80 0 0\n";

struct Scene {
    Viewer viewer;
    std::string dir;
};

// An arm of two joints whose points, spread along it, are each shared half and half.
Model *skinned_arm(int32_t points)
{
    Model *model = model_create("arm", nullptr);
    model_add_joint(model, "root", 0, 0, 0, "world", 0);
    model_add_joint(model, "tip", 100, 0, 0, "root", 0);
    for (int32_t id = 1; id <= points; id++) {
        model_set_point(model, id, id % 200, (id / 200) % 50, id % 7, 0.5f);
        model_set_point_joints(model, id, "tip", "root");
    }
    return model;
}

// Loads the arm animation for model from a file in dir; the set.
AnimSet *arm_animation(Model *model, const std::string &dir)
{
    std::ofstream(dir + "/arm.ani") << ARM_ANIMATION;
    AnimSet *set = anim_create(model);
    anim_track_load(model, anim_root_track(set), dir.c_str(), "arm.ani", 0.0f, ANIM_NO_FIXED_TIME);
    return set;
}

void open_scene(Scene *scene, int32_t points, int riders)
{
    char name[] = "/tmp/druvex_bench_pose_XXXXXX";
    scene->dir = mkdtemp(name) ? name : "/tmp";
    viewer_init(&scene->viewer);
    Model *arm = skinned_arm(points);
    AnimSet *arm_set = arm_animation(arm, scene->dir);
    viewer_insert_model(&scene->viewer, arm, arm_set);
    for (int i = 0; i < riders; i++) {
        Model *rider = model_create("rider", nullptr);
        model_set_point(rider, 1, 0, 0, 0, 1.0f);
        AnimSet *set = anim_create(rider);
        set->parent_model = arm;
        set->parent_set = arm_set;
        anim_set_parent_joint(set, arm, static_cast<Joint *>(table_nth(&arm->joints, 1, 1)));
        viewer_insert_model(&scene->viewer, rider, set);
    }
    scene->viewer.end_time = 2.0f;
    anim_set_fps(&scene->viewer, 30);
}

void close_scene(Scene *scene)
{
    viewer_teardown(&scene->viewer);
    std::filesystem::remove_all(scene->dir);
}

// One clock step forward per iteration: the time changes, so every joint and point is posed anew.
void pose_step(benchmark::State &state, int riders)
{
    Scene *scene = new Scene();
    open_scene(scene, static_cast<int32_t>(state.range(0)), riders);
    for (auto _ : state) {
        anim_step_forward(&scene->viewer);
        benchmark::DoNotOptimize(scene->viewer.time);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
    close_scene(scene);
    delete scene;
}

void BM_PoseSkinnedModel(benchmark::State &state) { pose_step(state, 0); }
void BM_PoseSkinnedModelWithRiders(benchmark::State &state) { pose_step(state, RIDERS); }

}  // namespace

BENCHMARK(BM_PoseSkinnedModel)->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_PoseSkinnedModelWithRiders)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
