#pragma once
// The four callbacks of the GL window: GL set-up of the camera, paint, resize
// with redraw, and mouse input reported to the mouse procedure.

#include "viewer/window.h"

// Remembers the window, resets the camera to the window's size and sets the fixed GL state.
void view_on_gl_init(WinHandle window, int unused, void *event);
// Nothing: the size callback that follows every paint draws the frame.
void view_on_paint(WinHandle window, int unused, void *event);
// Follows the parent's size; draws the frame and reports "WxH" once the size is settled.
void view_on_resize(WinHandle window, int unused, void *event);
// Mouse presses, releases and drags to the mouse procedure; key events are ignored.
void view_on_mouse(WinHandle window, int unused, void *event);
