#pragma once
// The window layer: one OpenGL drawing surface as a child X window of a Tk
// window, with a GLX double-buffered RGBA context, a colormap for colormapped
// visuals, four callbacks (init, paint, size, input), mouse cursors, the
// pointer position, a private message and the screen's display mode. Runs on
// the Tcl/Tk thread; X events reach it through Tk's event loop.

struct __GLXcontextRec;

typedef unsigned long WinHandle;  // an X window id; 0 means none

// Event types of MouseEvent and KeyEvent.
const int WIN_MOUSE_MOVE = 10000;
const int WIN_MOUSE_BUTTON = 10001;
const int WIN_KEY_UP = 11002;
const int WIN_KEY_DOWN = 11003;

// The private message: its number and the first of its two values.
const int WIN_USER_MESSAGE = 1025;
const int WIN_USER_MESSAGE_WPARAM = 256;

// Called as (window, 0, event). init, paint and size get a null event; input
// gets a MouseEvent or a KeyEvent (tell them apart by the type field).
typedef void (*WindowCallback)(WinHandle window, int unused, void *event);

// One mouse event; the layer reuses one static record for every event.
struct MouseEvent {
    int type;          // WIN_MOUSE_MOVE or WIN_MOUSE_BUTTON
    int x;             // window x in pixels
    int y;             // window y in pixels, from the top
    int button;        // 0 none, 1 left, 2 middle (or left and right held), 3 right
    int double_click;  // always 0: double-clicks are not reported
    int down;          // 1 while the button is pressed or held
};

// One key event; static like MouseEvent.
struct KeyEvent {
    int type;  // WIN_KEY_DOWN or WIN_KEY_UP
    int key;   // the key's X keysym, 16 bits
};

// The GL binding of a window (heap, owned by its WindowRecord).
struct GlContext {
    struct __GLXcontextRec *context;  // the direct GLX rendering context
    int painting;                     // 1 between begin and end paint
    unsigned serial;                  // number of this context, never reused (from 1)
};

// One registered window (key: its name).
struct WindowRecord {
    WinHandle window;       // the GL window
    WinHandle parent;       // the window it was created in
    unsigned long colormap; // colormap made for the GL visual, 0 for none
    unsigned long visual;   // X visual id chosen for GL
    int palette;            // 1 when colormap holds a palette (colormapped visual)
    int bk_color[3];        // background colour kept for the window, r, g, b 0..255
    int alive;              // 1 until the X window is destroyed
    WindowCallback init;
    WindowCallback paint;
    WindowCallback size;
    WindowCallback input;
    GlContext *gl;          // null without a GL context
};

// Starts the layer on Tk's display: zeroes the state, creates the window and
// cursor registries and installs the event handler. 1 on success, 0 without a display.
int win_init(void *display);
// Creates (or, for a name already registered, returns) the GL window filling
// the parent, sets up GL and calls init. popup: a full-screen top-level window
// instead of a child. Returns the window, 0 on failure.
WinHandle win_create(const char *name, WinHandle parent, WindowCallback init, WindowCallback paint,
                     WindowCallback size, WindowCallback input, int popup);
// Creates the direct GLX context of a registered window and calls its init
// callback. 1 on success; 0 leaves the window without GL.
int win_setup_gl(WinHandle window);
// Gives a window on a PseudoColor or DirectColor visual a colormap filled with
// its palette and installs it; nothing on other visuals. 1 when a palette was
// installed, 0 when none is needed or it could not be made.
int win_setup_palette(WinHandle window);
// Makes the window's GL context current (0: no context current). 1 on success.
int win_make_current(WinHandle window);
// Starts a paint of the current GL window (making it current when nothing is).
void win_begin_paint(WinHandle window);
// Ends a paint of the current GL window.
void win_end_paint(WinHandle window);
// Shows the back buffer of the current GL window. Nothing while swaps are held.
void win_swap_buffers(WinHandle window);
// Holds (1) or releases (0) buffer swaps, so a frame can be drawn and read back.
void win_hold_swaps(int hold);
// Keeps r, g, b (each cut to 0..255) as the background colour of the current GL
// window; nothing for any other window. Nothing draws with it.
void win_set_bk_color(WinHandle window, int r, int g, int b);
// Releases the window's GL context; nothing becomes current if it was.
void win_release_gl(WinHandle window);
// The record of a window, null when the window is not registered.
WindowRecord *win_find_by_hwnd(WinHandle window);
// The window of the current GL context, 0 when none.
WinHandle win_current_hwnd(void);
// Number of the current GL context (each context made gets a new one, from 1), 0 when none
// is current: objects made in a context belong to its number.
unsigned win_current_gl_serial(void);
// The X display and drawable that GL draws into for a registered live window.
// 1 on success; 0 (out-arguments untouched) for any other window or a null out-argument.
int win_get_dc(WinHandle window, void **display, unsigned long *drawable);
// The parent of a window, 0 when it has none or does not exist.
WinHandle win_get_parent(WinHandle window);
// Position in the parent and size of a window; a null out-argument is skipped.
// 1 on success, 0 when the window does not exist.
int win_get_geometry(WinHandle window, int *x, int *y, int *w, int *h);
// Moves and resizes a registered window.
void win_set_rect(WinHandle window, int x, int y, int w, int h);
// Loads a built-in cursor by name or a cursor file; the new cursor id, 0 on failure.
int win_load_cursor(const char *name_or_file);
// Shows cursor id (0: the standard arrow) in the GL windows. 0 for an unknown id.
int win_set_cursor(int id);
// Shows (1) or hides (0) the mouse pointer over the GL windows; the windows'
// cursors change only when the wanted state differs from the current one.
void win_show_cursor(int show);
// 1 while the pointer is shown over the GL windows, 0 while hidden.
int win_cursor_shown(void);
// Moves the pointer to a screen position. 1 on success.
int win_set_cursor_pos(int x, int y);
// The pointer's screen position. 0 on failure or a null out-argument.
int win_get_cursor_pos(int *x, int *y);
// Sends the private message (WIN_USER_MESSAGE with WIN_USER_MESSAGE_WPARAM and
// value) to a registered live window as an X client message. 1 when sent.
int win_post_user_message(WinHandle window, long value);
// Private messages received so far; the values of the last one go to the
// out-arguments that are not null.
int win_user_messages_received(long *wparam, long *value);
// Switches the screen to a mode of width x height offered by the server, at
// the screen's own depth (given as depth or as its bits per pixel). The mode in
// use before the first switch is kept for the restore. 1 on success, 0 otherwise.
int win_set_display_mode(int width, int height, int depth);
// Puts back the mode kept by the first switch. 1 when it is back or there is
// nothing to restore, 0 when the server refuses.
int win_restore_display_mode(void);
