#pragma once
// The four callbacks of the GL window: GL set-up of the camera, paint, resize
// with redraw, and mouse input reported to the mouse hook. The window layer
// calls them with the window alone, so the camera, the viewer and the mouse
// hook they work on are bound once, at package initialisation.

#include "viewer/window.h"

struct ViewState;
struct Viewer;

// A function taking a mouse report: button, x, y, dx, dy.
typedef void (*ViewMouseHook)(int button, int x, int y, int dx, int dy);

// Binds the camera and viewer the callbacks work on and the hook that receives
// presses, releases and drags (null: none).
void view_callbacks_init(ViewState *view, Viewer *viewer, ViewMouseHook mouse_hook);
// Remembers the window, resets the camera to the window's size and sets the fixed GL state.
void view_on_gl_init(WinHandle window, int unused, void *event);
// Nothing: the size callback that follows every paint draws the frame.
void view_on_paint(WinHandle window, int unused, void *event);
// Follows the parent's size; draws the frame and sends "WxH" to the viewer's status
// hook once the size is settled.
void view_on_resize(WinHandle window, int unused, void *event);
// Mouse presses, releases and drags to the mouse hook; key events are ignored.
void view_on_mouse(WinHandle window, int unused, void *event);
