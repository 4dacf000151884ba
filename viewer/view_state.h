// The camera and window values of the one GL window: what the frame code
// draws with and the camera operations change. The command layer keeps one
// inside its application state and hands it to the viewer by address.
#pragma once
#include "viewer/window.h"

struct Viewer;

// Camera and window values of the GL window, zero until the window's init callback.
struct ViewState {
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
    int laid_out;               // 1 once the window has had a size above 1 x 1
    float background[3];        // clear colour r, g, b in 0..1
    Viewer *rescale_viewer;     // viewer whose rescale hook runs after an extent change, or null
};
