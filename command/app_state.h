// The application state record of the command interface: the viewer, the
// registered callback procedures, the camera and window values of the frame
// code, and the selected layer's name. One instance, g_app, cleared by Druvex_Init.
#pragma once
#include "viewer/viewer.h"
#include "viewer/window.h"

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
    int free_rotate;            // 1 when the view turns freely
    int perspective;            // 1 perspective, 0 parallel projection
    WinHandle gl_window;        // the one GL window, 0 until `create window`
    float zoom;                 // zoom factor
    float pan_x, pan_y;         // pan in scene units
    float yaw, pitch;           // view angles in degrees
    float extent_x, extent_y;   // half sizes of the view in scene units
    float depth;                // depth of the view volume
    int window_w, window_h;     // drawing size in pixels
    float camera_focus[3];      // point the camera looks at
    int fixed_size;             // 1 after `set view size`
    float background[3];        // clear colour r, g, b in 0..1
    char selected_layer[SELECTED_LAYER_SIZE]; // name given to `select layer`, empty for none
};

extern AppState g_app;
