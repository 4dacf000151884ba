// The application state record of the command interface: the viewer, the
// registered callback procedures, the camera and window values of the frame
// code, and the selected layer's name. One instance, g_app, cleared by Druvex_Init.
#pragma once
#include "viewer/view_state.h"
#include "viewer/viewer.h"

// Tcl procedure names registered with the callback subcommand; each a malloc'ed copy or null.
struct CallbackRegistry {
    char *mouse_proc;     // mouse events in the GL window
    char *keyboard_proc;  // key events
    char *joystick_proc;  // never written
    char *simulate_proc;  // each physics step (simulation build)
    char *status_proc;    // status texts of the viewer
};

// Longest selected layer name, terminator included.
constexpr int SELECTED_LAYER_SIZE = 256;

struct AppState {
    Viewer viewer;              // the viewer, by value
    CallbackRegistry callbacks; // registered procedures
    ViewState view;             // camera and window values of the frame code
    char selected_layer[SELECTED_LAYER_SIZE]; // name given to `select layer`, empty for none
};

extern AppState g_app;
