#include "command/cmd_display.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "viewer/display_options.h"

static const char *const USAGE_ON = "druvex: usage: druvex display <option> <on>";
static const char *const USAGE_LOD = "druvex: usage: druvex display lod <n>";

// One option: its setter and getter, and the kind of its value word
// (ARG_BOOL, or ARG_INT for lod).
struct DisplayOption {
    void (*set)(Viewer *viewer, int value);
    int (*get)(Viewer *viewer);
    int kind;
};

static int set_or_query(const Keyword *keyword, char **at);

static const DisplayOption k_backfaces = {display_set_backfaces, display_get_backfaces, ARG_BOOL};
static const DisplayOption k_cursor = {display_set_cursor, display_get_cursor, ARG_BOOL};
static const DisplayOption k_curves = {display_set_curves, display_get_curves, ARG_BOOL};
static const DisplayOption k_collide = {display_set_collide, display_get_collide, ARG_BOOL};
static const DisplayOption k_gouraud = {display_set_gouraud, display_get_gouraud, ARG_BOOL};
static const DisplayOption k_grid = {display_set_grid, display_get_grid, ARG_BOOL};
static const DisplayOption k_lighting = {display_set_lighting, display_get_lighting, ARG_BOOL};
static const DisplayOption k_lines = {display_set_lines, display_get_lines, ARG_BOOL};
static const DisplayOption k_lod = {display_set_lod, display_get_lod, ARG_INT};
static const DisplayOption k_mirror = {display_set_mirror, display_get_mirror, ARG_BOOL};
static const DisplayOption k_normals = {display_set_normals, display_get_normals, ARG_BOOL};
static const DisplayOption k_pnfilter = {display_set_pnfilter, display_get_pnfilter, ARG_BOOL};
static const DisplayOption k_points = {display_set_points, display_get_points, ARG_BOOL};
static const DisplayOption k_quadlines = {display_set_quadlines, display_get_quadlines, ARG_BOOL};
static const DisplayOption k_reflect = {display_set_reflect, display_get_reflect, ARG_BOOL};
static const DisplayOption k_skeleton = {display_set_skeleton, display_get_skeleton, ARG_BOOL};
static const DisplayOption k_smooth = {display_set_smooth, display_get_smooth, ARG_BOOL};
static const DisplayOption k_textures = {display_set_textures, display_get_textures, ARG_BOOL};
static const DisplayOption k_transparency = {display_set_transparency, display_get_transparency, ARG_BOOL};
static const DisplayOption k_triangles = {display_set_triangles, display_get_triangles, ARG_BOOL};
static const DisplayOption k_wireframe = {display_set_wireframe, display_get_wireframe, ARG_BOOL};

// The option words in the order they are compared.
static const Keyword k_display_keywords[] = {
    {"backfaces", set_or_query, USAGE_ON, &k_backfaces},
    {"cursor", set_or_query, USAGE_ON, &k_cursor},
    {"curves", set_or_query, USAGE_ON, &k_curves},
    {"collide", set_or_query, USAGE_ON, &k_collide},
    {"gouraud", set_or_query, USAGE_ON, &k_gouraud},
    {"grid", set_or_query, USAGE_ON, &k_grid},
    {"lighting", set_or_query, USAGE_ON, &k_lighting},
    {"lines", set_or_query, USAGE_ON, &k_lines},
    {"lod", set_or_query, USAGE_LOD, &k_lod},
    {"mirror", set_or_query, USAGE_ON, &k_mirror},
    {"normals", set_or_query, USAGE_ON, &k_normals},
    {"pnfilter", set_or_query, USAGE_ON, &k_pnfilter},
    {"points", set_or_query, USAGE_ON, &k_points},
    {"quadlines", set_or_query, USAGE_ON, &k_quadlines},
    {"reflect", set_or_query, USAGE_ON, &k_reflect},
    {"skeleton", set_or_query, USAGE_ON, &k_skeleton},
    {"smooth", set_or_query, USAGE_ON, &k_smooth},
    {"textures", set_or_query, USAGE_ON, &k_textures},
    {"transparency", set_or_query, USAGE_ON, &k_transparency},
    {"triangles", set_or_query, USAGE_ON, &k_triangles},
    {"wireframe", set_or_query, USAGE_ON, &k_wireframe},
};

static const KeywordTable k_display = {k_display_keywords, KEYWORD_COUNT(k_display_keywords), KEYWORD_SKIP,
                                       KEYWORD_UNKNOWN_ATTRIBUTE, nullptr, nullptr};

int cmd_display(char **words)
{
    return keyword_scan(&k_display, words);
}

// display <option> <value> sets the option; display <option> alone reports it.
static int set_or_query(const Keyword *keyword, char **at)
{
    const DisplayOption *option = static_cast<const DisplayOption *>(keyword->data);
    Viewer *viewer = &g_app.viewer;
    if (at[1] == nullptr) {
        int value = option->get(viewer);
        tcl_set_result(option->kind == ARG_INT ? result_int(value) : result_bool(value));
        return 1;
    }
    int value = 0;
    if (!arg_parse(&value, at[1], option->kind)) return keyword_usage(keyword);
    option->set(viewer, value);
    return 1;
}
