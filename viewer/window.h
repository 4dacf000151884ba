#pragma once
// The window layer: one OpenGL drawing surface as a child X window of a Tk
// window, with a GLX double-buffered RGBA context, four callbacks (init, paint,
// size, input), mouse cursors and the pointer position. Runs on the Tcl/Tk
// thread; X events reach it through Tk's event loop.

struct __GLXcontextRec;

typedef unsigned long WinHandle;  // an X window id; 0 means none

// Event types of MouseEvent and KeyEvent.
const int WIN_MOUSE_MOVE = 10000;
const int WIN_MOUSE_BUTTON = 10001;
const int WIN_KEY_UP = 11002;
const int WIN_KEY_DOWN = 11003;

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
// Kept for callers; the window has no background of its own to set.
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
// Shows (1) or hides (0) the mouse pointer over the GL windows.
void win_show_cursor(int show);
// Moves the pointer to a screen position. 1 on success.
int win_set_cursor_pos(int x, int y);
// The pointer's screen position. 0 on failure or a null out-argument.
int win_get_cursor_pos(int *x, int *y);
