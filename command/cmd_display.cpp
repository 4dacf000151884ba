#include "command/cmd_display.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/tcl_glue.h"
#include "viewer/display_options.h"

#include <cstring>
#include <string>

// Room of the no-match text; a longer word is cut.
static const size_t MESSAGE_SIZE = 512;

// One option word with its setter and getter.
struct DisplayOption {
    const char *word;
    void (*set)(Viewer *viewer, int value);
    int (*get)(Viewer *viewer);
};

// The option words in the order they are compared; lod takes a number, the others on/off.
static const DisplayOption k_options[] = {
    {"backfaces", display_set_backfaces, display_get_backfaces},
    {"cursor", display_set_cursor, display_get_cursor},
    {"curves", display_set_curves, display_get_curves},
    {"collide", display_set_collide, display_get_collide},
    {"gouraud", display_set_gouraud, display_get_gouraud},
    {"grid", display_set_grid, display_get_grid},
    {"lighting", display_set_lighting, display_get_lighting},
    {"lines", display_set_lines, display_get_lines},
    {"lod", display_set_lod, display_get_lod},
    {"mirror", display_set_mirror, display_get_mirror},
    {"normals", display_set_normals, display_get_normals},
    {"pnfilter", display_set_pnfilter, display_get_pnfilter},
    {"points", display_set_points, display_get_points},
    {"quadlines", display_set_quadlines, display_get_quadlines},
    {"reflect", display_set_reflect, display_get_reflect},
    {"skeleton", display_set_skeleton, display_get_skeleton},
    {"smooth", display_set_smooth, display_get_smooth},
    {"textures", display_set_textures, display_get_textures},
    {"transparency", display_set_transparency, display_get_transparency},
    {"triangles", display_set_triangles, display_get_triangles},
    {"wireframe", display_set_wireframe, display_get_wireframe},
};

static const DisplayOption *find_option(const char *word);

int cmd_display(char **words)
{
    if (words == nullptr || words[0] == nullptr) return 0;
    Viewer *viewer = &g_app.viewer;
    const char *last = words[0];
    for (int i = 1; words[i] != nullptr; i++) {
        last = words[i];
        const DisplayOption *option = find_option(words[i]);
        if (option == nullptr) continue;
        int is_lod = option->set == display_set_lod;
        const char *value_word = words[i + 1];
        if (value_word == nullptr) {
            int value = option->get(viewer);
            tcl_set_result(is_lod ? result_int(value) : result_bool(value));
            return 1;
        }
        int value = 0;
        if (!arg_parse(&value, value_word, is_lod ? ARG_INT : ARG_BOOL)) {
            cb_message_hook(is_lod ? "druvex: usage: druvex display lod <n>"
                                   : "druvex: usage: druvex display <option> <on>");
            return 0;
        }
        option->set(viewer, value);
        return 1;
    }
    std::string text = std::string("druvex: unknown ") + words[0] + " attribute: " + last;
    if (text.size() > MESSAGE_SIZE - 1) text.resize(MESSAGE_SIZE - 1);
    cb_message_hook(text.c_str());
    return 0;
}

// The option of exactly that word, null when none.
static const DisplayOption *find_option(const char *word)
{
    for (const DisplayOption &option : k_options) {
        if (strcmp(option.word, word) == 0) return &option;
    }
    return nullptr;
}
