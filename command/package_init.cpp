// Package initialisation: what Tcl's `load` runs for the package Druvex.
#include "command/app_state.h"
#include "command/callbacks.h"
#include "command/command_proc.h"
#include "command/tcl_glue.h"
#include "viewer/loaded_models.h"
#include "viewer/view_callbacks.h"
#include "viewer/viewer.h"
#include "viewer/window.h"
#ifdef DRUVEX_SIMULATION
#include "physics/physics.h"
#endif
#ifdef DRUVEX_PRINT
#include "print/print.h"
#endif

#include <tcl.h>

#include <cstring>

AppState g_app;

// Set once the first Druvex_Init has run in this process.
static int g_init_done;

extern "C" __attribute__((visibility("default"))) int Druvex_Init(Tcl_Interp *interp)
{
    if (g_init_done) return TCL_OK;
    g_init_done = 1;
    if (!tcl_glue_init(interp)) return TCL_ERROR;
    if (!tcl_create_command("druvex", druvex_cmd, nullptr)) return TCL_ERROR;
    memset(&g_app, 0, sizeof g_app);
    win_init(tcl_tk_instance());
    viewer_init(&g_app.viewer);
    viewer_set_status_hook(&g_app.viewer, cb_status_hook);
    viewer_set_message_hook(&g_app.viewer, cb_message_hook);
    view_callbacks_init(&g_app.view, &g_app.viewer, cb_send_mouse);
#ifdef DRUVEX_SIMULATION
    viewer_set_physics_hooks(&g_app.viewer, phys_rescale_all, phys_release_object);
#endif
    g_app.view.rescale_viewer = &g_app.viewer;
#ifdef DRUVEX_PRINT
    print_init();
#endif
    return TCL_OK;
}
