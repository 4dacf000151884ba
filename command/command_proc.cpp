#include "command/command_proc.h"

#include "command/app_state.h"
#include "command/callbacks.h"
#include "command/cmd_add.h"
#include "command/cmd_animate.h"
#include "command/cmd_create.h"
#include "command/cmd_delete.h"
#include "command/cmd_display.h"
#include "command/cmd_file.h"
#include "command/cmd_find.h"
#include "command/cmd_get.h"
#include "command/cmd_matrix.h"
#include "command/cmd_perform.h"
#include "command/cmd_reset.h"
#include "command/cmd_select.h"
#include "command/cmd_set.h"
#include "command/tcl_glue.h"
#include "viewer/frame.h"
#ifdef DRUVEX_SIMULATION
#include "physics/physics.h"
#endif
#ifdef DRUVEX_PRINT
#include "print/print.h"
#endif

#include <cstdio>
#include <cstring>
#include <string>

// One subcommand of the dispatcher. Exactly one of the calls is set for a
// built subcommand; an entry with neither matches its name and does nothing.
struct Subcommand {
    const char *name;
    int (*with_words)(char **words); // receives the words from the subcommand on
    int (*no_words)();               // receives nothing
};

static int draw_frame();

// Subcommands in the order names of one first letter are compared. `print`
// exists in the print build only; `simulate` does nothing in either build.
static const Subcommand g_subcommands[] = {
    {"add", cmd_add, nullptr},
    {"animate", cmd_animate, nullptr},
    {"callback", cmd_callback, nullptr},
    {"create", cmd_create, nullptr},
    {"delete", cmd_delete, nullptr},
    {"display", cmd_display, nullptr},
    {"draw", nullptr, draw_frame},
    {"file", cmd_file, nullptr},
    {"find", cmd_find, nullptr},
    {"get", cmd_get, nullptr},
    {"matrix", cmd_matrix, nullptr},
    {"perform", cmd_perform, nullptr},
#ifdef DRUVEX_PRINT
    {"print", nullptr, print_cmd},
#endif
    {"reload", nullptr, cmd_reload},
    {"reset", nullptr, cmd_reset},
    {"set", cmd_set, nullptr},
    {"select", cmd_select, nullptr},
#ifdef DRUVEX_SIMULATION
    {"simulate", phys_cmd_simulate, nullptr},
#else
    {"simulate", nullptr, nullptr},
#endif
};

int druvex_cmd(ClientData data, Tcl_Interp *interp, int argc, const char *argv[])
{
    while (Tcl_DoOneEvent(TCL_ALL_EVENTS | TCL_DONT_WAIT) != 0) {
    }
    WordList *list = tcl_split_args(argc, argv);
    if (list->words[0]) cmd_dispatch(list->words);
    tcl_finish_result();
    tcl_free_args();
    return TCL_OK;
}

void cmd_dispatch(char **words)
{
    if (!words || !words[0] || !words[1]) return;
    int i = 1;
    for (; words[i]; i++) {
        unsigned char first = static_cast<unsigned char>(words[i][0]);
        if (first < 'a' || first > 's') continue;
        for (const Subcommand &sub : g_subcommands) {
            if (static_cast<unsigned char>(sub.name[0]) != first || strcmp(sub.name, words[i]) != 0) continue;
            if (sub.with_words) sub.with_words(words + i);
            else if (sub.no_words) sub.no_words();
            return;
        }
    }
    std::string text = std::string("druvex: unknown command: ") + words[i - 1];
    cb_message_hook(text.c_str());
}

// The draw subcommand: one frame of the GL window.
static int draw_frame()
{
    view_draw_frame(&g_app.view, &g_app.viewer);
    return 1;
}
