#include "command/cmd_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "viewer/anim_pose.h"
#include "viewer/camera.h"
#include "viewer/capture.h"
#include "viewer/loaded_models.h"

// Room of the unknown-command message; a longer word is cut.
constexpr int MESSAGE_SIZE = 512;
// View size that file new fits the view to.
constexpr float NEW_MODEL_VIEW_SIZE = 100.0f;

static void close_and_reset_camera();
static void fit_and_focus(float size);

int cmd_file(char **words)
{
    if (!words || !words[0]) return 0;
    const char *last = words[0];
    for (int i = 1; words[i]; i++) {
        const char *word = words[i];
        last = word;
        const char *argument = words[i + 1];
        switch (word[0]) {
        case 'a':
            if (strcmp(word, "add") == 0) {
                const char *path = nullptr;
                if (!arg_parse(&path, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex file add <filename>");
                    return 0;
                }
                if (cmd_file_add(path) == 0) cb_message_hook("druvex: file add failed");
                return 1;
            }
            break;
        case 'n':
            if (strcmp(word, "new") == 0) {
                const char *name = nullptr;
                if (!arg_parse(&name, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex file open <filename>");
                    return 0;
                }
                if (cmd_file_new(name) == 0) cb_message_hook("druvex: file open failed");
                return 1;
            }
            break;
        case 'o':
            if (strcmp(word, "open") == 0) {
                const char *path = nullptr;
                if (!arg_parse(&path, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex file open <filename>");
                    return 0;
                }
                if (cmd_file_open(path) == 0) cb_message_hook("druvex: file open failed");
                return 1;
            }
            break;
        case 'r':
            if (strcmp(word, "reload") == 0) {
                cmd_file_reload();
                return 1;
            }
            if (strcmp(word, "rename") == 0) {
                cmd_file_rename(words + i);
                return 1;
            }
            break;
        case 's':
            if (strcmp(word, "save") == 0 || strcmp(word, "saveas") == 0) {
                cmd_file_save(words + i);
                return 1;
            }
            if (strcmp(word, "savescreen") == 0) {
                const char *path = nullptr;
                if (!arg_parse(&path, argument, ARG_STRING)) {
                    cb_message_hook("druvex: usage: druvex file savescreen <filename>");
                    return 0;
                }
                int less = g_app.view.fixed_size ? 0 : 2;
                capture_screen_tga(&g_app.view, &g_app.viewer, path, g_app.view.window_w - less,
                                   g_app.view.window_h - less);
                return 1;
            }
            break;
        default:
            break;
        }
    }
    char text[MESSAGE_SIZE];
    snprintf(text, sizeof text, "druvex: unknown %s command: %s", "file", last);
    cb_message_hook(text);
    return 0;
}

int32_t cmd_file_open(const char *path)
{
    close_and_reset_camera();
    int32_t id = viewer_load_model(&g_app.viewer, path);
    if (id > 0) fit_and_focus(viewer_view_size(&g_app.viewer));
    tcl_set_result(result_int(id));
    return id;
}

int32_t cmd_file_new(const char *name)
{
    close_and_reset_camera();
    int32_t id = viewer_new_model(&g_app.viewer, name);
    if (id > 0) fit_and_focus(NEW_MODEL_VIEW_SIZE);
    tcl_set_result(result_int(id));
    return id;
}

int32_t cmd_file_add(const char *path)
{
    int32_t id = viewer_load_model(&g_app.viewer, path);
    if (id > 0) {
        anim_apply_pose(&g_app.viewer);
        view_fit_scene(&g_app.view, &g_app.viewer);
    }
    tcl_set_result(result_int(id));
    return id;
}

void cmd_file_reload()
{
    float focus[3] = {g_app.view.camera_focus[0], g_app.view.camera_focus[1], g_app.view.camera_focus[2]};
    float zoom = g_app.view.zoom;
    view_reset(&g_app.view);
    viewer_reload_all(&g_app.viewer);
    view_fit_scene(&g_app.view, &g_app.viewer);
    g_app.view.zoom = zoom;
    view_set_focus(&g_app.view, focus[0], focus[1], focus[2]);
    int count = viewer_model_count(&g_app.viewer);
    const int32_t *keys = viewer_model_keys(&g_app.viewer);
    if (count > 0 && keys) tcl_set_result(result_ints(keys, count));
}

// save all and save selected are accepted and write nothing.
void cmd_file_save(char **words)
{
    const char *what = nullptr;
    if (!arg_parse(&what, words[1], ARG_STRING)) {
        cb_message_hook("druvex: usage: druvex file save <args>");
        return;
    }
    if (strcmp(what, "all") == 0 || strcmp(what, "selected") == 0) return;
    if (strcmp(what, "model") != 0) {
        cb_message_hook("druvex: file save failed");
        return;
    }
    int id = 0;
    if (!arg_parse(&id, words[2], ARG_INT)) {
        cb_message_hook("druvex: usage: druvex file save model <id>");
        return;
    }
    viewer_save_model(&g_app.viewer, id);
}

void cmd_file_rename(char **words)
{
    int id = 0;
    const char *name = nullptr;
    if (!arg_parse(&id, words[1], ARG_INT) || !arg_parse(&name, words[2], ARG_STRING)) {
        cb_message_hook("druvex: usage: druvex file rename <id> <name>");
        return;
    }
    viewer_rename_model(&g_app.viewer, id, name);
}

int cmd_reload()
{
    return viewer_reload_all(&g_app.viewer);
}

// Steps shared by open and new: every model closed, pan and angles back to 0,
// the view reset. The zoom stays.
static void close_and_reset_camera()
{
    viewer_close_all(&g_app.viewer);
    g_app.view.pan_x = 0.0f;
    g_app.view.pan_y = 0.0f;
    g_app.view.yaw = 0.0f;
    g_app.view.pitch = 0.0f;
    view_reset(&g_app.view);
}

// After a successful open or new: the models posed, the extents set for size
// without rescaling the zoom, the camera on the centre of all models.
static void fit_and_focus(float size)
{
    anim_apply_pose(&g_app.viewer);
    view_set_extent(&g_app.view, size, 0);
    const float *centre = viewer_focus_all(&g_app.viewer);
    view_set_focus(&g_app.view, centre[0], centre[1], centre[2]);
}
