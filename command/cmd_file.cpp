#include "command/cmd_file.h"

#include <cstring>

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/callbacks.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/value_check.h"
#include "viewer/anim_pose.h"
#include "viewer/camera.h"
#include "viewer/capture.h"
#include "viewer/loaded_models.h"

// View size that file new fits the view to.
constexpr float NEW_MODEL_VIEW_SIZE = 100.0f;

// Usage texts; file new shows the text of file open.
static const char *const USAGE_ADD = "druvex: usage: druvex file add <filename>";
static const char *const USAGE_OPEN = "druvex: usage: druvex file open <filename>";
static const char *const USAGE_SAVE = "druvex: usage: druvex file save <args>";
static const char *const USAGE_SAVE_MODEL = "druvex: usage: druvex file save model <id>";
static const char *const USAGE_RENAME = "druvex: usage: druvex file rename <id> <name>";
static const char *const USAGE_SAVESCREEN = "druvex: usage: druvex file savescreen <filename>";
// Failure texts of the writing branches; a save and a capture add the reason.
static const char *const SAVE_FAILED = "druvex: file save failed";
static const char *const SAVESCREEN_FAILED = "druvex: file savescreen failed";
static const char *const RENAME_FAILED = "druvex: file rename failed";

// A loading branch of file: what it calls, and the text shown when that gives id 0.
struct FileLoad {
    int32_t (*load)(const char *word);
    const char *failed;
};

static int file_load(const Keyword *keyword, char **at);
static int file_reload(const Keyword *keyword, char **at);
static int file_rename(const Keyword *keyword, char **at);
static int file_save(const Keyword *keyword, char **at);
static int file_savescreen(const Keyword *keyword, char **at);
static int names_model(int32_t id);

static const FileLoad k_add = {cmd_file_add, "druvex: file add failed"};
static const FileLoad k_new = {cmd_file_new, "druvex: file open failed"};
static const FileLoad k_open = {cmd_file_open, "druvex: file open failed"};

// The keywords of file in the order they are compared.
static const Keyword k_file_keywords[] = {
    {"add", file_load, USAGE_ADD, &k_add},
    {"new", file_load, USAGE_OPEN, &k_new},
    {"open", file_load, USAGE_OPEN, &k_open},
    {"reload", file_reload, nullptr, nullptr},
    {"rename", file_rename, USAGE_RENAME, nullptr},
    {"save", file_save, USAGE_SAVE, nullptr},
    {"saveas", file_save, USAGE_SAVE, nullptr},
    {"savescreen", file_savescreen, USAGE_SAVESCREEN, nullptr},
};

static const KeywordTable k_file = {k_file_keywords, KEYWORD_COUNT(k_file_keywords), KEYWORD_SKIP,
                                    KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

int cmd_file(char **words)
{
    return keyword_scan(&k_file, words);
}

int32_t cmd_file_open(const char *path)
{
    cmd_file_close_all();
    int32_t id = viewer_load_model(&g_app.viewer, path);
    if (id > 0) cmd_file_fit_focus(viewer_view_size(&g_app.viewer));
    tcl_set_result(result_int(id));
    return id;
}

// A name holding a line end, or one the model cannot hold whole, is refused before anything
// is closed.
int32_t cmd_file_new(const char *name)
{
    if (!value_line_ok(name) || !model_path_fits(name)) {
        tcl_set_result(result_int(0));
        return 0;
    }
    cmd_file_close_all();
    int32_t id = viewer_new_model(&g_app.viewer, name);
    if (id > 0) cmd_file_fit_focus(NEW_MODEL_VIEW_SIZE);
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

// Steps shared by open, new and animate open: every model closed, pan and
// angles back to 0, the view reset. The zoom stays.
void cmd_file_close_all()
{
    viewer_close_all(&g_app.viewer);
    g_app.view.pan_x = 0.0f;
    g_app.view.pan_y = 0.0f;
    g_app.view.yaw = 0.0f;
    g_app.view.pitch = 0.0f;
    view_reset(&g_app.view);
}

// The models posed, the extents set for size without rescaling the zoom, the
// camera on the centre of all models.
void cmd_file_fit_focus(float size)
{
    anim_apply_pose(&g_app.viewer);
    view_set_extent(&g_app.view, size, 0);
    const float *centre = viewer_focus_all(&g_app.viewer);
    view_set_focus(&g_app.view, centre[0], centre[1], centre[2]);
}

// save all and save selected are accepted and write nothing.
void cmd_file_save(char **words)
{
    const char *what = nullptr;
    if (!arg_parse(&what, words[1], ARG_STRING)) {
        cb_message_hook(USAGE_SAVE);
        return;
    }
    if (strcmp(what, "all") == 0 || strcmp(what, "selected") == 0) return;
    if (strcmp(what, "model") != 0) {
        cb_message_hook(SAVE_FAILED);
        return;
    }
    int id = 0;
    if (!arg_parse(&id, words[2], ARG_INT)) {
        cb_message_hook(USAGE_SAVE_MODEL);
        return;
    }
    // An id that names no model writes nothing and shows nothing.
    if (!names_model(id)) return;
    err_set(nullptr);
    if (!viewer_save_model(&g_app.viewer, id)) cb_failure_hook(SAVE_FAILED);
}

// A name the model cannot take shows the failure and changes nothing; an id
// that names no model changes nothing and shows nothing.
void cmd_file_rename(char **words)
{
    int id = 0;
    const char *name = nullptr;
    if (!arg_parse(&id, words[1], ARG_INT) || !arg_parse(&name, words[2], ARG_STRING)) {
        cb_message_hook(USAGE_RENAME);
        return;
    }
    if (names_model(id) && !viewer_rename_model(&g_app.viewer, id, name)) cb_message_hook(RENAME_FAILED);
}

int cmd_reload()
{
    return viewer_reload_all(&g_app.viewer);
}

// file add, new and open: one word, the path or name, handed to the loader.
static int file_load(const Keyword *keyword, char **at)
{
    const FileLoad *load = static_cast<const FileLoad *>(keyword->data);
    const char *word = nullptr;
    if (!arg_parse(&word, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (load->load(word) == 0) cb_message_hook(load->failed);
    return 1;
}

static int file_reload(const Keyword *keyword, char **at)
{
    cmd_file_reload();
    return 1;
}

static int file_rename(const Keyword *keyword, char **at)
{
    cmd_file_rename(at);
    return 1;
}

// save and saveas alike.
static int file_save(const Keyword *keyword, char **at)
{
    cmd_file_save(at);
    return 1;
}

// file savescreen <filename>: the picture at the drawing size, less the
// border while the size follows the parent.
static int file_savescreen(const Keyword *keyword, char **at)
{
    const char *path = nullptr;
    if (!arg_parse(&path, at[1], ARG_STRING)) return keyword_usage(keyword);
    int less = g_app.view.fixed_size ? 0 : 2;
    int width = g_app.view.window_w - less;
    int height = g_app.view.window_h - less;
    err_set(nullptr);
    if (!capture_screen_tga(&g_app.view, &g_app.viewer, path, width, height)) cb_failure_hook(SAVESCREEN_FAILED);
    return 1;
}

// 1 when the id names a loaded model.
static int names_model(int32_t id)
{
    ModelXform *xform = rcache_find_model_xform(&g_app.viewer, id);
    return xform && xform->model ? 1 : 0;
}
