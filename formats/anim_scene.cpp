#include "formats/anim_scene.h"

#include "formats/anim_file.h"
#include "formats/mod_loader.h"
#include "foundation/file_table.h"
#include "foundation/last_error.h"
#include "foundation/str.h"
#include "model/model.h"
#include "model/model_query.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int load_entry(SceneLoad *scene, const SceneEntry *entry, int32_t index);
static int link_parent(SceneLoad *scene, const SceneListRead *list, int32_t index);
static int find_parent_loop(const SceneLoad *scene, const SceneListRead *list);
static void report_track_failure(const SceneEntry *entry);
static void free_scene(SceneLoad *scene);
static void copy_token(int i, char *dest);
static int scene_fail(const char *format, ...) __attribute__((format(printf, 1, 2)));

SceneLoad *anim_load_scene(const char *path)
{
    anim_set_error(nullptr);
    if (!file_check_readable(path, nullptr, "file does not exist")) {
        anim_set_error(err_last());
        return nullptr;
    }
    SceneListRead *list = static_cast<SceneListRead *>(calloc(1, sizeof(SceneListRead)));
    SceneLoad *scene = static_cast<SceneLoad *>(calloc(1, sizeof(SceneLoad)));
    int ok = list && scene;
    if (ok && !reader_run_file(path, "#", 1, anim_scene_line, list)) {
        // The reader's own reason (a token too long, a read error), when it gave one.
        anim_set_error(err_last());
        ok = 0;
    }
    for (int32_t i = 0; ok && i < list->entry_count; i++) ok = load_entry(scene, &list->entries[i], i);
    for (int32_t i = 0; ok && i < list->entry_count; i++) ok = link_parent(scene, list, i);
    if (ok) ok = !find_parent_loop(scene, list);
    if (!ok && scene) {
        free_scene(scene);
        scene = nullptr;
    }
    free(list);
    return scene;
}

Model *anim_load_model(const char *path)
{
    Model *model = mod_load(path);
    if (!model) anim_set_error(err_last());
    return model;
}

void anim_scene_line(void *user)
{
    SceneListRead *list = static_cast<SceneListRead *>(user);
    int count = reader_token_count();
    if (count < 2 || list->entry_count >= SCENE_MAX_ENTRIES) return;
    SceneEntry *entry = &list->entries[list->entry_count++];
    copy_token(0, entry->dir);
    copy_token(1, entry->file);
    if (count >= 4) {
        entry->has_anim = 1;
        copy_token(2, entry->anim_dir);
        copy_token(3, entry->anim_file);
    }
    if (count >= 5) {
        entry->has_parent = 1;
        copy_token(4, entry->parent);
    }
    if (count >= 6) {
        entry->has_parent_joint = 1;
        copy_token(5, entry->parent_joint);
    }
}

// Loads the entry's model and, when it names one, its animation file into the scene.
static int load_entry(SceneLoad *scene, const SceneEntry *entry, int32_t index)
{
    char path[2 * READER_TOKEN_CAPACITY + 2];
    snprintf(path, sizeof path, "%s/%s", entry->dir, entry->file);
    Model *model = anim_load_model(path);
    if (!model) return 0;
    AnimSet *set = nullptr;
    int ok = 1;
    if (entry->has_anim) {
        set = anim_create(model);
        float end = set ? anim_track_load(model, anim_root_track(set), entry->anim_dir,
                                          entry->anim_file, 0.0f, ANIM_NO_FIXED_TIME)
                        : 0.0f;
        if (end == 0.0f) {
            report_track_failure(entry);
            ok = 0;
        } else if (end > scene->duration) {
            scene->duration = end;
        }
    }
    if (!ok) {
        anim_destroy(set);
        model_free(model);
        return 0;
    }
    scene->models[index] = model;
    scene->sets[index] = set;
    scene->entry_count = index + 1;
    return 1;
}

// Links the entry to every other entry whose FILE is its PARENT (the last one wins).
static int link_parent(SceneLoad *scene, const SceneListRead *list, int32_t index)
{
    const SceneEntry *entry = &list->entries[index];
    if (!entry->has_parent || strcmp(entry->parent, SCENE_NO_PARENT) == 0) return 1;
    AnimSet *set = scene->sets[index];
    int matched = 0;
    for (int32_t j = 0; j < list->entry_count; j++) {
        if (j == index || strcmp(list->entries[j].file, entry->parent) != 0) continue;
        matched = 1;
        if (!set) continue;
        set->parent_set = scene->sets[j];
        set->parent_model = scene->models[j];
        anim_set_parent_joint(set, nullptr, nullptr);
        if (!entry->has_parent_joint) continue;
        Joint *joint = model_find_joint(scene->models[j], entry->parent_joint);
        if (!joint) return scene_fail("could not find parent joint: %s", entry->parent_joint);
        anim_set_parent_joint(set, scene->models[j], joint);
    }
    if (!matched) return scene_fail("could not find parent: %s", entry->parent);
    return 1;
}

// 1 with a message when an entry rides, through its parents, on itself: posing
// it would never end.
static int find_parent_loop(const SceneLoad *scene, const SceneListRead *list)
{
    for (int32_t i = 0; i < scene->entry_count; i++) {
        int32_t steps = 0;
        for (const AnimSet *set = scene->sets[i]; set; set = set->parent_set) {
            if (++steps > scene->entry_count) {
                scene_fail("parent loop: %s", list->entries[i].file);
                return 1;
            }
        }
    }
    return 0;
}

// Says why the entry's animation gave no track, unless the reader already did (a bad
// line, with file and line): the file cannot be read, or its keys end at time 0. The
// file is named without its folder when that is ".".
static void report_track_failure(const SceneEntry *entry)
{
    if (anim_last_error()) return;
    char path[2 * READER_TOKEN_CAPACITY + 2];
    snprintf(path, sizeof path, "%s/%s", entry->anim_dir, entry->anim_file);
    const char *shown = strcmp(entry->anim_dir, ".") == 0 ? entry->anim_file : path;
    if (!file_check_readable(path, shown, "could not find animation file"))
        anim_set_error(err_last());
    else
        scene_fail("animation file ends at time 0: %s", shown);
}

// Frees every model and set of the scene, and the record.
static void free_scene(SceneLoad *scene)
{
    for (int32_t i = 0; i < scene->entry_count; i++) {
        anim_destroy(scene->sets[i]);
        model_free(scene->models[i]);
    }
    free(scene);
}

// Copies token i of the current line (at most 255 characters) into dest.
static void copy_token(int i, char *dest)
{
    const char *text = reader_token_text(i);
    str_copy_bounded(text ? text : "", dest, READER_TOKEN_CAPACITY);
}

// Formats the message into the animation error text; returns 0.
static int scene_fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    char *text = str_vprintf(format, args);
    va_end(args);
    anim_set_error(text);
    free(text);
    return 0;
}
