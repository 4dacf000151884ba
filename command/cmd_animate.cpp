#include "command/cmd_animate.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/cmd_file.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "viewer/anim_pose.h"
#include "viewer/camera.h"
#include "viewer/loaded_models.h"

static int animate_next(const Keyword *keyword, char **at);
static int animate_open(const Keyword *keyword, char **at);
static int animate_prev(const Keyword *keyword, char **at);
static int animate_step(const Keyword *keyword, char **at);

// The keywords of animate in the order they are compared.
static const Keyword k_animate_keywords[] = {
    {"next", animate_next, nullptr, nullptr},
    {"open", animate_open, "druvex: usage: druvex animate open <filename>", nullptr},
    {"prev", animate_prev, nullptr, nullptr},
    {"step", animate_step, "druvex: usage: druvex animate step <nsteps>", nullptr},
};

static const KeywordTable k_animate = {k_animate_keywords, KEYWORD_COUNT(k_animate_keywords), KEYWORD_SKIP,
                                       KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

int cmd_animate(char **words)
{
    return keyword_scan(&k_animate, words);
}

// As file open with a scene list: everything closed, pan and angles back to 0
// (the zoom stays), the view reset; after a good open the view is fitted to
// the grown view size and focused on the centre of the models.
int cmd_animate_open(const char *path)
{
    cmd_file_close_all();
    int opened = anim_open_scene(&g_app.viewer, path, 0);
    if (opened > 0) cmd_file_fit_focus(viewer_view_size(&g_app.viewer));
    tcl_set_result(result_int(opened));
    return opened > 0;
}

// animate next: one frame forward, wrapping at the end time.
static int animate_next(const Keyword *keyword, char **at)
{
    anim_step_forward(&g_app.viewer);
    return 1;
}

// animate open <filename>
static int animate_open(const Keyword *keyword, char **at)
{
    const char *path = nullptr;
    if (!arg_parse(&path, at[1], ARG_STRING)) return keyword_usage(keyword);
    if (!cmd_animate_open(path)) return keyword_show("druvex: animate open failed");
    return 1;
}

// animate prev: one frame back, wrapping below 0.
static int animate_prev(const Keyword *keyword, char **at)
{
    anim_step_back(&g_app.viewer);
    return 1;
}

// animate step <rate>: frames per second, 1..60; other rates change nothing.
static int animate_step(const Keyword *keyword, char **at)
{
    int rate = 0;
    if (!arg_parse(&rate, at[1], ARG_INT)) return keyword_usage(keyword);
    anim_set_fps(&g_app.viewer, rate);
    return 1;
}
