// The X11/GLX window layer. Events of our windows are taken from Tk's event
// loop with a generic handler; the parent's size changes and destruction come
// through a Tk structure handler on the parent. Every X request that may meet
// a window that is gone runs under a Tk error handler, so an X error is a
// failed call and never ends the process.
#include "viewer/window.h"

#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/path.h"
#include "viewer/cursor_file.h"
#include "viewer/cursors.h"
#include "viewer/palette.h"

#include <tcl.h>
#include <tk.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/Xrandr.h>
#include <GL/glx.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Longest cursor file name accepted, terminator included.
static const int CURSOR_NAME_SIZE = 512;

// One loaded cursor (key: its id).
struct CursorEntry {
    Cursor cursor;
};

// The layer's state, zeroed by win_init.
struct WindowSystemState {
    Display *display;        // Tk's display
    KeyedTable windows;      // WindowRecord by window name
    KeyedTable cursors;      // CursorEntry by cursor id
    int current_cursor;      // cursor id shown, 0 = the standard arrow
    WinHandle current;       // window whose GL context is current, 0 for none
    Cursor arrow;            // the standard arrow, made on first use
    Cursor blank;            // an invisible cursor, made on first use
    int cursor_shown;        // 0 while the pointer is hidden
    int hold_swaps;          // 1 while buffer swaps are held
    int handler_installed;   // 1 once the generic event handler is in place
    Atom user_message;       // type of the private client message, made on first use
    int user_messages;       // private messages received
    long user_wparam;        // first value of the last private message
    long user_value;         // second value of the last private message
    int mode_saved;          // 1 while a display mode switch can be undone
    int saved_width;         // screen size in use before the first switch
    int saved_height;
    int saved_rotation;      // RandR rotation in use before the first switch
};

// An X error trap: errors raised between begin and end are caught.
struct ErrorTrap {
    Tk_ErrorHandler handler;
    int failed;
};

static WindowSystemState g_window_state;
static MouseEvent g_mouse_event;
static KeyEvent g_key_event;
static int g_next_cursor_id;
// Number of the next GL context made; kept over win_init so numbers are never reused.
static unsigned g_next_gl_serial = 1;

static void trap_begin(ErrorTrap *trap);
static int trap_end(ErrorTrap *trap);
static int on_trap_error(ClientData data, XErrorEvent *error);
static int on_x_event(ClientData data, XEvent *event);
static void on_parent_event(ClientData data, XEvent *event);
static void on_mouse(WindowRecord *record, XEvent *event);
static void on_key(WindowRecord *record, XEvent *event);
static int pass_key_to_tk(WinHandle parent, XEvent *event);
static void on_destroyed(WinHandle window);
static void call_back(WinHandle window, int which, void *event);
static XVisualInfo *choose_visual(void);
static XVisualInfo *visual_of(unsigned long visual_id);
static Cursor builtin_cursor(const CursorImage *image);
static Cursor file_cursor(const char *name);
static Cursor invisible_cursor(void);
static void show_cursor_everywhere(void);
static void on_colormap(WindowRecord *record, XEvent *event);
static void on_client_message(WindowRecord *record, XEvent *event);
static int fill_pseudo_color(Colormap colormap, const XVisualInfo *vi);
static int fill_direct_color(Colormap colormap, const XVisualInfo *vi);
static int mask_bits(unsigned long mask, int *shift);
static Atom user_message_atom(void);
static int screen_depth_matches(int depth);
static int find_screen_size(XRRScreenConfiguration *config, int width, int height);
static void on_exit(ClientData data);
static WindowRecord *find_by_name(const char *name);

int win_init(void *display)
{
    // A second start (another display) drops the registries of the first.
    if (g_window_state.windows.element_size > 0) table_free(&g_window_state.windows);
    if (g_window_state.cursors.element_size > 0) table_free(&g_window_state.cursors);
    int handler_installed = g_window_state.handler_installed;
    memset(&g_window_state, 0, sizeof g_window_state);
    table_init(&g_window_state.windows, sizeof(WindowRecord), KEY_NAME);
    table_init(&g_window_state.cursors, sizeof(CursorEntry), KEY_INT);
    g_window_state.display = static_cast<Display *>(display);
    g_window_state.cursor_shown = 1;
    g_window_state.handler_installed = handler_installed;
    if (g_window_state.display == nullptr) return 0;
    // Tk may drop generic handlers when another main window starts: put it in afresh.
    if (g_window_state.handler_installed) Tk_DeleteGenericHandler(on_x_event, nullptr);
    else Tcl_CreateExitHandler(on_exit, nullptr);
    Tk_CreateGenericHandler(on_x_event, nullptr);
    g_window_state.handler_installed = 1;
    return 1;
}

WinHandle win_create(const char *name, WinHandle parent, WindowCallback init, WindowCallback paint,
                     WindowCallback size, WindowCallback input, int popup)
{
    Display *dpy = g_window_state.display;
    WindowRecord *record = nullptr;
    XVisualInfo *vi = nullptr;
    Colormap colormap = 0;
    Window window = 0;
    WinHandle result = 0;
    int w = 0, h = 0;

    if (dpy == nullptr || name == nullptr || name[0] == '\0') {
        err_set("no window name or display");
        return 0;
    }
    record = find_by_name(name);
    if (record != nullptr) return record->window;
    if (strlen(name) > (size_t)TABLE_NAME_MAX) {
        err_setf("window name longer than %d characters", TABLE_NAME_MAX);
        return 0;
    }
    if (popup) {
        parent = RootWindow(dpy, DefaultScreen(dpy));
        w = DisplayWidth(dpy, DefaultScreen(dpy));
        h = DisplayHeight(dpy, DefaultScreen(dpy));
    } else if (!win_get_geometry(parent, nullptr, nullptr, &w, &h)) {
        err_set("parent window does not exist");
        return 0;
    }
    vi = choose_visual();
    if (vi == nullptr) {
        err_set("no double-buffered RGBA visual with a depth buffer");
        return 0;
    }

    ErrorTrap trap;
    trap_begin(&trap);
    colormap = XCreateColormap(dpy, RootWindow(dpy, vi->screen), vi->visual, AllocNone);
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.colormap = colormap;
    attributes.background_pixmap = None;  // GL draws every pixel; X clears nothing
    attributes.border_pixel = 0;
    attributes.override_redirect = popup ? True : False;
    attributes.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | KeyPressMask | KeyReleaseMask | ColormapChangeMask |
                            EnterWindowMask;
    window = XCreateWindow(dpy, parent, 0, 0, (unsigned)(w > 0 ? w : 1), (unsigned)(h > 0 ? h : 1), 0,
                           vi->depth, InputOutput, vi->visual,
                           CWColormap | CWBackPixmap | CWBorderPixel | CWOverrideRedirect | CWEventMask,
                           &attributes);
    XStoreName(dpy, window, name);
    if (!trap_end(&trap)) {
        err_set("the GL window could not be created");
        goto done;
    }

    record = static_cast<WindowRecord *>(table_add(&g_window_state.windows, name));
    if (record == nullptr) {
        err_set("out of memory");
        goto done;
    }
    memset(record, 0, sizeof *record);
    record->window = window;
    record->parent = parent;
    record->colormap = colormap;
    record->visual = vi->visualid;
    record->alive = 1;
    record->init = init;
    record->paint = paint;
    record->size = size;
    record->input = input;
    if (!popup) {
        Tk_Window tk_parent = Tk_IdToWindow(dpy, parent);
        if (tk_parent != nullptr) {
            Tk_CreateEventHandler(tk_parent, StructureNotifyMask, on_parent_event,
                                  (ClientData)(uintptr_t)window);
        }
    }
    if (!win_setup_gl(window)) {
        record = win_find_by_hwnd(window);
        if (record != nullptr) {
            Tk_Window tk_parent = popup ? nullptr : Tk_IdToWindow(dpy, parent);
            if (tk_parent != nullptr) {
                Tk_DeleteEventHandler(tk_parent, StructureNotifyMask, on_parent_event,
                                      (ClientData)(uintptr_t)window);
            }
            table_remove(&g_window_state.windows, name);
        }
        goto done;
    }
    win_set_bk_color(window, 0, 0, 0);
    trap_begin(&trap);
    XMapWindow(dpy, window);
    if (popup) XRaiseWindow(dpy, window);
    trap_end(&trap);
    result = window;
    window = 0;
    colormap = 0;

done:
    if (window != 0 || colormap != 0) {
        trap_begin(&trap);
        if (window != 0) XDestroyWindow(dpy, window);
        if (colormap != 0) XFreeColormap(dpy, colormap);
        trap_end(&trap);
    }
    XFree(vi);
    return result;
}

int win_setup_gl(WinHandle window)
{
    Display *dpy = g_window_state.display;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || !record->alive) return 0;
    if (record->gl != nullptr) return 1;

    XVisualInfo *vi = visual_of(record->visual);
    if (vi == nullptr) {
        err_set("the GL visual is gone");
        return 0;
    }
    win_setup_palette(window);
    ErrorTrap trap;
    trap_begin(&trap);
    GLXContext context = glXCreateContext(dpy, vi, nullptr, True);
    int ok = trap_end(&trap);
    XFree(vi);
    if (!ok || context == nullptr || !glXIsDirect(dpy, context)) {
        if (context != nullptr) {
            trap_begin(&trap);
            glXDestroyContext(dpy, context);
            trap_end(&trap);
        }
        err_set("no direct GL context for the window");
        return 0;
    }
    GlContext *gl = static_cast<GlContext *>(calloc(1, sizeof(GlContext)));
    if (gl == nullptr) {
        glXDestroyContext(dpy, context);
        err_set("out of memory");
        return 0;
    }
    gl->context = context;
    gl->serial = g_next_gl_serial++;
    record->gl = gl;
    call_back(window, 0, nullptr);
    return 1;
}

int win_setup_palette(WinHandle window)
{
    Display *dpy = g_window_state.display;
    WindowRecord *record = win_find_by_hwnd(window);
    if (dpy == nullptr || record == nullptr || !record->alive || record->palette) return 0;
    XVisualInfo *vi = visual_of(record->visual);
    if (vi == nullptr) return 0;
    int result = 0;
    Colormap colormap = 0;
    ErrorTrap trap;
    if (vi->c_class == PseudoColor || vi->c_class == DirectColor) {
        trap_begin(&trap);
        colormap = XCreateColormap(dpy, RootWindow(dpy, vi->screen), vi->visual, AllocAll);
        int filled = vi->c_class == PseudoColor ? fill_pseudo_color(colormap, vi) : fill_direct_color(colormap, vi);
        if (filled) {
            XSetWindowColormap(dpy, window, colormap);
            XInstallColormap(dpy, colormap);
        }
        if (trap_end(&trap) && filled) {
            // The window's first colormap (allocated for nothing) gives way to the palette.
            trap_begin(&trap);
            if (record->colormap != 0) XFreeColormap(dpy, record->colormap);
            trap_end(&trap);
            record->colormap = colormap;
            record->palette = 1;
            colormap = 0;
            result = 1;
        }
    }
    if (colormap != 0) {
        trap_begin(&trap);
        XFreeColormap(dpy, colormap);
        trap_end(&trap);
    }
    XFree(vi);
    return result;
}

int win_make_current(WinHandle window)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr) return 0;
    ErrorTrap trap;
    if (window == 0) {
        trap_begin(&trap);
        glXMakeCurrent(dpy, None, nullptr);
        trap_end(&trap);
        g_window_state.current = 0;
        return 1;
    }
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || record->gl == nullptr || !record->alive) return 0;
    trap_begin(&trap);
    Bool made = glXMakeCurrent(dpy, window, record->gl->context);
    int ok = trap_end(&trap);
    if (!made || !ok) return 0;
    g_window_state.current = window;
    return 1;
}

void win_begin_paint(WinHandle window)
{
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || record->gl == nullptr) return;
    if (g_window_state.current == 0) win_make_current(window);
    if (g_window_state.current == window) record->gl->painting = 1;
}

void win_end_paint(WinHandle window)
{
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || record->gl == nullptr) return;
    if (g_window_state.current == window) record->gl->painting = 0;
}

void win_swap_buffers(WinHandle window)
{
    if (window == 0 || window != g_window_state.current || g_window_state.hold_swaps) return;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || record->gl == nullptr || !record->alive) return;
    ErrorTrap trap;
    trap_begin(&trap);
    glXSwapBuffers(g_window_state.display, window);
    trap_end(&trap);
}

void win_hold_swaps(int hold)
{
    g_window_state.hold_swaps = hold ? 1 : 0;
}

void win_set_bk_color(WinHandle window, int r, int g, int b)
{
    if (window == 0 || window != g_window_state.current) return;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr) return;
    const int rgb[3] = {r, g, b};
    for (int i = 0; i < 3; i++) record->bk_color[i] = rgb[i] < 0 ? 0 : rgb[i] > 255 ? 255 : rgb[i];
}

void win_release_gl(WinHandle window)
{
    Display *dpy = g_window_state.display;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || record->gl == nullptr) return;
    ErrorTrap trap;
    trap_begin(&trap);
    if (g_window_state.current == window) {
        glXMakeCurrent(dpy, None, nullptr);
        g_window_state.current = 0;
    }
    glXDestroyContext(dpy, record->gl->context);
    trap_end(&trap);
    free(record->gl);
    record->gl = nullptr;
}

WindowRecord *win_find_by_hwnd(WinHandle window)
{
    if (window == 0) return nullptr;
    KeyedTable *table = &g_window_state.windows;
    for (int32_t i = 0; i < table->capacity; i++) {
        WindowRecord *record = static_cast<WindowRecord *>(table_nth(table, i, 0));
        if (record != nullptr && record->window == window) return record;
    }
    return nullptr;
}

WinHandle win_current_hwnd(void)
{
    return g_window_state.current;
}

unsigned win_current_gl_serial(void)
{
    WindowRecord *record = win_find_by_hwnd(g_window_state.current);
    if (record == nullptr || record->gl == nullptr || !record->alive) return 0;
    return record->gl->serial;
}

int win_get_dc(WinHandle window, void **display, unsigned long *drawable)
{
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || !record->alive || display == nullptr || drawable == nullptr) return 0;
    *display = g_window_state.display;
    *drawable = record->window;
    return 1;
}

WinHandle win_get_parent(WinHandle window)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr || window == 0) return 0;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap;
    trap_begin(&trap);
    Status status = XQueryTree(dpy, window, &root, &parent, &children, &count);
    int ok = trap_end(&trap);
    if (children != nullptr) XFree(children);
    if (!ok || status == 0) return 0;
    return parent;
}

int win_get_geometry(WinHandle window, int *x, int *y, int *w, int *h)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr || window == 0) return 0;
    XWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    ErrorTrap trap;
    trap_begin(&trap);
    Status status = XGetWindowAttributes(dpy, window, &attributes);
    int ok = trap_end(&trap);
    if (!ok || status == 0) return 0;
    if (x != nullptr) *x = attributes.x;
    if (y != nullptr) *y = attributes.y;
    if (w != nullptr) *w = attributes.width;
    if (h != nullptr) *h = attributes.height;
    return 1;
}

void win_set_rect(WinHandle window, int x, int y, int w, int h)
{
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || !record->alive) return;
    ErrorTrap trap;
    trap_begin(&trap);
    XMoveResizeWindow(g_window_state.display, window, x, y, (unsigned)(w > 0 ? w : 1),
                      (unsigned)(h > 0 ? h : 1));
    trap_end(&trap);
}

int win_load_cursor(const char *name_or_file)
{
    if (g_window_state.display == nullptr || name_or_file == nullptr) return 0;
    const CursorImage *image = cursor_builtin(name_or_file);
    Cursor cursor = image != nullptr ? builtin_cursor(image) : file_cursor(name_or_file);
    if (cursor == 0) return 0;
    int id = g_next_cursor_id + 1;
    CursorEntry *entry = static_cast<CursorEntry *>(table_add(&g_window_state.cursors, id));
    if (entry == nullptr) {
        XFreeCursor(g_window_state.display, cursor);
        return 0;
    }
    g_next_cursor_id = id;
    entry->cursor = cursor;
    return id;
}

int win_set_cursor(int id)
{
    if (id < 0) return 0;
    if (id > 0 && table_find(&g_window_state.cursors, id) == nullptr) return 0;
    g_window_state.current_cursor = id;
    show_cursor_everywhere();
    return 1;
}

void win_show_cursor(int show)
{
    show = show ? 1 : 0;
    if (show == g_window_state.cursor_shown) return;
    g_window_state.cursor_shown = show;
    show_cursor_everywhere();
}

int win_cursor_shown(void)
{
    return g_window_state.cursor_shown;
}

int win_set_cursor_pos(int x, int y)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr) return 0;
    ErrorTrap trap;
    trap_begin(&trap);
    XWarpPointer(dpy, None, RootWindow(dpy, DefaultScreen(dpy)), 0, 0, 0, 0, x, y);
    return trap_end(&trap);
}

int win_get_cursor_pos(int *x, int *y)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr || x == nullptr || y == nullptr) return 0;
    Window root = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(dpy, RootWindow(dpy, DefaultScreen(dpy)), &root, &child, &root_x, &root_y, &win_x,
                       &win_y, &mask)) {
        return 0;
    }
    *x = root_x;
    *y = root_y;
    return 1;
}

int win_post_user_message(WinHandle window, long value)
{
    Display *dpy = g_window_state.display;
    WindowRecord *record = win_find_by_hwnd(window);
    if (dpy == nullptr || record == nullptr || !record->alive) return 0;
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.display = dpy;
    event.xclient.window = window;
    event.xclient.message_type = user_message_atom();
    event.xclient.format = 32;
    event.xclient.data.l[0] = WIN_USER_MESSAGE;
    event.xclient.data.l[1] = WIN_USER_MESSAGE_WPARAM;
    event.xclient.data.l[2] = value;
    ErrorTrap trap;
    trap_begin(&trap);
    Status sent = XSendEvent(dpy, window, False, NoEventMask, &event);
    int ok = trap_end(&trap);
    return ok && sent != 0 ? 1 : 0;
}

int win_user_messages_received(long *wparam, long *value)
{
    if (wparam != nullptr) *wparam = g_window_state.user_wparam;
    if (value != nullptr) *value = g_window_state.user_value;
    return g_window_state.user_messages;
}

int win_set_display_mode(int width, int height, int depth)
{
    Display *dpy = g_window_state.display;
    int event_base = 0, error_base = 0;
    if (dpy == nullptr || !XRRQueryExtension(dpy, &event_base, &error_base)) {
        err_set("the X server has no RandR extension");
        return 0;
    }
    if (!screen_depth_matches(depth)) {
        err_setf("the screen has no mode of depth %d", depth);
        return 0;
    }
    Window root = RootWindow(dpy, DefaultScreen(dpy));
    ErrorTrap trap;
    trap_begin(&trap);
    XRRScreenConfiguration *config = XRRGetScreenInfo(dpy, root);
    trap_end(&trap);
    if (config == nullptr) {
        err_set("the screen's modes cannot be read");
        return 0;
    }
    int result = 0;
    int count = 0;
    XRRScreenSize *sizes = XRRConfigSizes(config, &count);
    Rotation rotation = 0;
    SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
    int wanted = find_screen_size(config, width, height);
    if (wanted < 0) {
        err_setf("the screen has no %dx%d mode", width, height);
    } else {
        trap_begin(&trap);
        Status status = XRRSetScreenConfig(dpy, config, root, (SizeID)wanted, rotation, CurrentTime);
        if (trap_end(&trap) && status == Success) {
            if (!g_window_state.mode_saved) {
                g_window_state.mode_saved = 1;
                g_window_state.saved_width = current < count ? sizes[current].width : width;
                g_window_state.saved_height = current < count ? sizes[current].height : height;
                g_window_state.saved_rotation = rotation;
            }
            result = 1;
        } else {
            err_setf("the screen refused the %dx%d mode", width, height);
        }
    }
    XRRFreeScreenConfigInfo(config);
    return result;
}

int win_restore_display_mode(void)
{
    Display *dpy = g_window_state.display;
    if (!g_window_state.mode_saved) return 1;
    if (dpy == nullptr) return 0;
    Window root = RootWindow(dpy, DefaultScreen(dpy));
    ErrorTrap trap;
    trap_begin(&trap);
    XRRScreenConfiguration *config = XRRGetScreenInfo(dpy, root);
    trap_end(&trap);
    if (config == nullptr) return 0;
    int ok = 0;
    int index = find_screen_size(config, g_window_state.saved_width, g_window_state.saved_height);
    if (index >= 0) {
        trap_begin(&trap);
        Status status = XRRSetScreenConfig(dpy, config, root, (SizeID)index, (Rotation)g_window_state.saved_rotation,
                                           CurrentTime);
        ok = trap_end(&trap) && status == Success;
    }
    XRRFreeScreenConfigInfo(config);
    if (!ok) {
        err_set("the screen refused its original mode");
        return 0;
    }
    g_window_state.mode_saved = 0;
    return 1;
}

// Starts catching every X error of the display.
static void trap_begin(ErrorTrap *trap)
{
    trap->failed = 0;
    trap->handler = Tk_CreateErrorHandler(g_window_state.display, -1, -1, -1, on_trap_error, &trap->failed);
}

// Waits for the server's answer to what was sent and stops catching; 1 when no error came.
static int trap_end(ErrorTrap *trap)
{
    XSync(g_window_state.display, False);
    Tk_DeleteErrorHandler(trap->handler);
    return trap->failed ? 0 : 1;
}

static int on_trap_error(ClientData data, XErrorEvent *error)
{
    *static_cast<int *>(data) = 1;
    return 0;
}

// Tk's generic handler: takes the events of our windows, passes on all others.
static int on_x_event(ClientData data, XEvent *event)
{
    if (event->xany.display != g_window_state.display) return 0;
    WinHandle window = event->xany.window;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr) return 0;
    switch (event->type) {
    case Expose:
        if (event->xexpose.count == 0) {
            call_back(window, 1, nullptr);
            call_back(window, 2, nullptr);
        }
        break;
    case ConfigureNotify:
        call_back(window, 2, nullptr);
        break;
    case DestroyNotify:
        if (event->xdestroywindow.window == window) on_destroyed(window);
        break;
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
        on_mouse(record, event);
        break;
    case KeyPress:
    case KeyRelease: {
        WinHandle parent = record->parent;  // the input callback may move the record
        on_key(record, event);
        return pass_key_to_tk(parent, event);
    }
    case ColormapNotify:
    case EnterNotify:
        on_colormap(record, event);
        break;
    case ClientMessage:
        on_client_message(record, event);
        break;
    default:
        break;
    }
    return 1;
}

// Structure events of a GL window's Tk parent: a size change is a size event,
// its destruction ends the GL binding before X destroys the child.
static void on_parent_event(ClientData data, XEvent *event)
{
    WinHandle window = (WinHandle)(uintptr_t)data;
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr || !record->alive) return;
    if (event->type == ConfigureNotify) {
        call_back(window, 2, nullptr);
    } else if (event->type == DestroyNotify) {
        on_destroyed(window);
    }
}

// Fills the mouse event from an X button or motion event and hands it to input.
static void on_mouse(WindowRecord *record, XEvent *event)
{
    MouseEvent *m = &g_mouse_event;
    unsigned int state;
    memset(m, 0, sizeof *m);
    if (event->type == MotionNotify) {
        m->type = WIN_MOUSE_MOVE;
        m->x = event->xmotion.x;
        m->y = event->xmotion.y;
        state = event->xmotion.state;
    } else {
        unsigned int button = event->xbutton.button;
        if (button < Button1 || button > Button3) return;  // wheel and extra buttons
        unsigned int mask = button == Button1 ? Button1Mask : button == Button2 ? Button2Mask : Button3Mask;
        m->type = WIN_MOUSE_BUTTON;
        m->x = event->xbutton.x;
        m->y = event->xbutton.y;
        m->button = (int)button;
        m->down = event->type == ButtonPress ? 1 : 0;
        // X gives the buttons held before the event; the held state after it counts.
        state = event->type == ButtonPress ? (event->xbutton.state | mask) : (event->xbutton.state & ~mask);
    }
    int left = (state & Button1Mask) != 0, middle = (state & Button2Mask) != 0, right = (state & Button3Mask) != 0;
    if ((left && right) || middle) {
        m->button = 2;
        m->down = 1;
    } else if (right) {
        m->button = 3;
        m->down = 1;
    } else if (left) {
        m->button = 1;
        m->down = 1;
    }
    call_back(record->window, 3, m);
}

// Fills the key event from an X key event and hands it to input.
static void on_key(WindowRecord *record, XEvent *event)
{
    g_key_event.type = event->type == KeyPress ? WIN_KEY_DOWN : WIN_KEY_UP;
    g_key_event.key = (int)(XLookupKeysym(&event->xkey, 0) & 0xffff);
    call_back(record->window, 3, &g_key_event);
}

// X gives key events to the window under the pointer, so the GL window gets
// every key pressed over it, which a script's key bindings would then never
// see. The event goes on to Tk as one of the Tk parent's, which hands it to
// the window that has Tk's focus, as for a key pressed anywhere else. 0 lets
// Tk go on with the event; 1 ends it here (a window without a Tk parent).
static int pass_key_to_tk(WinHandle parent, XEvent *event)
{
    if (Tk_IdToWindow(g_window_state.display, parent) == nullptr) return 1;
    event->xkey.window = parent;
    event->xkey.subwindow = None;
    return 0;
}

// Colormap focus of a window with a palette. The pointer coming in installs
// the palette (without a window manager, colormap focus follows the pointer);
// the palette becoming installed repaints the window in its colours. Losing
// it needs nothing: the server shows the window through whatever map is in.
static void on_colormap(WindowRecord *record, XEvent *event)
{
    if (!record->palette || !record->alive) return;
    WinHandle window = record->window;
    if (event->type == EnterNotify) {
        ErrorTrap trap;
        trap_begin(&trap);
        XInstallColormap(g_window_state.display, record->colormap);
        trap_end(&trap);
    } else if (!event->xcolormap.c_new && event->xcolormap.state == ColormapInstalled &&
               event->xcolormap.colormap == record->colormap) {
        call_back(window, 1, nullptr);
        call_back(window, 2, nullptr);
    }
}

// The private message: received and kept for inspection; nothing else acts on it.
static void on_client_message(WindowRecord *record, XEvent *event)
{
    if (event->xclient.message_type != user_message_atom() || event->xclient.format != 32) return;
    if (event->xclient.data.l[0] != WIN_USER_MESSAGE) return;
    g_window_state.user_messages++;
    g_window_state.user_wparam = event->xclient.data.l[1];
    g_window_state.user_value = event->xclient.data.l[2];
}

// The X window is gone or going: release its GL binding, make no more requests on it.
static void on_destroyed(WinHandle window)
{
    win_release_gl(window);
    WindowRecord *record = win_find_by_hwnd(window);
    if (record != nullptr) record->alive = 0;
}

// Calls callback which (0 init, 1 paint, 2 size, 3 input) of the window, when set.
static void call_back(WinHandle window, int which, void *event)
{
    WindowRecord *record = win_find_by_hwnd(window);
    if (record == nullptr) return;
    WindowCallback callback = which == 0 ? record->init : which == 1 ? record->paint
                            : which == 2 ? record->size : record->input;
    if (callback != nullptr) callback(window, 0, event);
}

// A double-buffered RGBA visual with a depth buffer of 16 bits or more. On a
// screen whose default visual is colormapped, that visual when GL can use it,
// so the GL window draws through a palette like the rest of the screen.
static XVisualInfo *choose_visual(void)
{
    Display *dpy = g_window_state.display;
    XVisualInfo *vi = visual_of(XVisualIDFromVisual(DefaultVisual(dpy, DefaultScreen(dpy))));
    if (vi != nullptr && (vi->c_class == PseudoColor || vi->c_class == DirectColor)) {
        int gl = 0, rgba = 0, doubled = 0, depth = 0;
        glXGetConfig(dpy, vi, GLX_USE_GL, &gl);
        glXGetConfig(dpy, vi, GLX_RGBA, &rgba);
        glXGetConfig(dpy, vi, GLX_DOUBLEBUFFER, &doubled);
        glXGetConfig(dpy, vi, GLX_DEPTH_SIZE, &depth);
        if (gl && rgba && doubled && depth >= 16) return vi;
    }
    if (vi != nullptr) XFree(vi);
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 4, GLX_GREEN_SIZE, 4, GLX_BLUE_SIZE, 4,
                        GLX_DEPTH_SIZE, 16, None};
    return glXChooseVisual(dpy, DefaultScreen(dpy), attributes);
}

static XVisualInfo *visual_of(unsigned long visual_id)
{
    XVisualInfo wanted;
    memset(&wanted, 0, sizeof wanted);
    wanted.visualid = visual_id;
    int count = 0;
    return XGetVisualInfo(g_window_state.display, VisualIDMask, &wanted, &count);
}

// Fills a PseudoColor colormap with the palette entries of the GL visual's
// channel widths, packed red lowest, as a colour-index RGBA visual lays them out.
static int fill_pseudo_color(Colormap colormap, const XVisualInfo *vi)
{
    Display *dpy = g_window_state.display;
    PaletteLayout layout;
    memset(&layout, 0, sizeof layout);
    glXGetConfig(dpy, const_cast<XVisualInfo *>(vi), GLX_RED_SIZE, &layout.red_bits);
    glXGetConfig(dpy, const_cast<XVisualInfo *>(vi), GLX_GREEN_SIZE, &layout.green_bits);
    glXGetConfig(dpy, const_cast<XVisualInfo *>(vi), GLX_BLUE_SIZE, &layout.blue_bits);
    layout.color_bits = vi->depth;
    layout.red_shift = 0;
    layout.green_shift = layout.red_bits;
    layout.blue_shift = layout.red_bits + layout.green_bits;
    int count = palette_size(&layout);
    if (count > vi->colormap_size) count = vi->colormap_size;
    if (count < 1) return 0;
    std::vector<XColor> colors((size_t)count);
    for (int i = 0; i < count; i++) {
        unsigned char rgb[3];
        palette_entry(&layout, i, rgb);
        colors[i].pixel = (unsigned long)i;
        colors[i].red = (unsigned short)(rgb[0] * 257);
        colors[i].green = (unsigned short)(rgb[1] * 257);
        colors[i].blue = (unsigned short)(rgb[2] * 257);
        colors[i].flags = DoRed | DoGreen | DoBlue;
    }
    XStoreColors(dpy, colormap, colors.data(), count);
    return 1;
}

// Fills a DirectColor colormap: one ramp per channel from the visual's masks.
static int fill_direct_color(Colormap colormap, const XVisualInfo *vi)
{
    int red_shift = 0, green_shift = 0, blue_shift = 0;
    int red_bits = mask_bits(vi->red_mask, &red_shift);
    int green_bits = mask_bits(vi->green_mask, &green_shift);
    int blue_bits = mask_bits(vi->blue_mask, &blue_shift);
    int count = vi->colormap_size;
    if (count < 1 || red_bits < 1 || green_bits < 1 || blue_bits < 1) return 0;
    std::vector<XColor> colors((size_t)count);
    for (int j = 0; j < count; j++) {
        XColor &c = colors[j];
        c.pixel = (((unsigned long)j << red_shift) & vi->red_mask) | (((unsigned long)j << green_shift) & vi->green_mask) |
                  (((unsigned long)j << blue_shift) & vi->blue_mask);
        c.red = (unsigned short)(palette_channel_level(j, red_bits) * 257);
        c.green = (unsigned short)(palette_channel_level(j, green_bits) * 257);
        c.blue = (unsigned short)(palette_channel_level(j, blue_bits) * 257);
        c.flags = (char)((j < (1 << red_bits) ? DoRed : 0) | (j < (1 << green_bits) ? DoGreen : 0) |
                         (j < (1 << blue_bits) ? DoBlue : 0));
    }
    XStoreColors(g_window_state.display, colormap, colors.data(), count);
    return 1;
}

// Width of the run of set bits of a channel mask; its lowest bit goes to shift.
static int mask_bits(unsigned long mask, int *shift)
{
    int low = 0, bits = 0;
    while (low < 64 && mask != 0 && !(mask & 1UL)) {
        mask >>= 1;
        low++;
    }
    while (mask & 1UL) {
        mask >>= 1;
        bits++;
    }
    *shift = low;
    return bits > PALETTE_MAX_BITS ? PALETTE_MAX_BITS : bits;
}

// The atom that marks the private client message.
static Atom user_message_atom(void)
{
    if (g_window_state.user_message == 0) {
        g_window_state.user_message = XInternAtom(g_window_state.display, "DRUVEX_USER_MESSAGE", False);
    }
    return g_window_state.user_message;
}

// Index of the server's screen size of width x height, -1 when it offers none.
static int find_screen_size(XRRScreenConfiguration *config, int width, int height)
{
    int count = 0;
    XRRScreenSize *sizes = XRRConfigSizes(config, &count);
    for (int i = 0; i < count; i++) {
        if (sizes[i].width == width && sizes[i].height == height) return i;
    }
    return -1;
}

// 1 when depth is the default screen's depth or the bits per pixel it is stored in.
static int screen_depth_matches(int depth)
{
    Display *dpy = g_window_state.display;
    int screen_depth = DefaultDepth(dpy, DefaultScreen(dpy));
    if (depth == screen_depth) return 1;
    int count = 0;
    XPixmapFormatValues *formats = XListPixmapFormats(dpy, &count);
    int match = 0;
    for (int i = 0; i < count; i++) {
        if (formats[i].depth == screen_depth && formats[i].bits_per_pixel == depth) match = 1;
    }
    if (formats != nullptr) XFree(formats);
    return match;
}

static Cursor builtin_cursor(const CursorImage *image)
{
    Display *dpy = g_window_state.display;
    Window root = RootWindow(dpy, DefaultScreen(dpy));
    unsigned char source_bits[CURSOR_BITMAP_BYTES], mask_bits[CURSOR_BITMAP_BYTES];
    cursor_image_bits(image, source_bits, mask_bits);
    Pixmap source = XCreateBitmapFromData(dpy, root, reinterpret_cast<char *>(source_bits), CURSOR_SIZE, CURSOR_SIZE);
    Pixmap mask = XCreateBitmapFromData(dpy, root, reinterpret_cast<char *>(mask_bits), CURSOR_SIZE, CURSOR_SIZE);
    XColor black, white;
    memset(&black, 0, sizeof black);
    memset(&white, 0, sizeof white);
    white.red = white.green = white.blue = 0xffff;
    black.flags = white.flags = DoRed | DoGreen | DoBlue;
    Cursor cursor = XCreatePixmapCursor(dpy, source, mask, &black, &white, (unsigned)image->hot_x,
                                        (unsigned)image->hot_y);
    XFreePixmap(dpy, source);
    XFreePixmap(dpy, mask);
    return cursor;
}

// A cursor file: an X cursor file or a Windows .cur file. 0 when neither loads, and at once
// for anything but a regular file (Xcursor would block on a FIFO).
static Cursor file_cursor(const char *name)
{
    if (strlen(name) >= (size_t)CURSOR_NAME_SIZE) return 0;
    std::string path = path_resolve(name);
    if (!file_is_regular(path.c_str())) return 0;
    Display *dpy = g_window_state.display;
    Cursor cursor = XcursorFilenameLoadCursor(dpy, path.c_str());
    if (cursor != 0) return cursor;
    XcursorImage *image = cursor_file_load_cur(path.c_str());
    if (image == nullptr) return 0;
    cursor = XcursorImageLoadCursor(dpy, image);
    XcursorImageDestroy(image);
    return cursor;
}

static Cursor invisible_cursor(void)
{
    if (g_window_state.blank != 0) return g_window_state.blank;
    Display *dpy = g_window_state.display;
    static const char empty[CURSOR_BITMAP_BYTES] = {0};
    Window root = RootWindow(dpy, DefaultScreen(dpy));
    Pixmap bits = XCreateBitmapFromData(dpy, root, empty, CURSOR_SIZE, CURSOR_SIZE);
    XColor black;
    memset(&black, 0, sizeof black);
    g_window_state.blank = XCreatePixmapCursor(dpy, bits, bits, &black, &black, 0, 0);
    XFreePixmap(dpy, bits);
    return g_window_state.blank;
}

// Defines the cursor that should show (hidden, the current one or the arrow)
// on every live GL window.
static void show_cursor_everywhere(void)
{
    Display *dpy = g_window_state.display;
    if (dpy == nullptr) return;
    Cursor cursor;
    if (!g_window_state.cursor_shown) {
        cursor = invisible_cursor();
    } else if (g_window_state.current_cursor > 0) {
        CursorEntry *entry = static_cast<CursorEntry *>(table_find(&g_window_state.cursors, g_window_state.current_cursor));
        cursor = entry != nullptr ? entry->cursor : 0;
    } else {
        if (g_window_state.arrow == 0) g_window_state.arrow = XCreateFontCursor(dpy, XC_left_ptr);
        cursor = g_window_state.arrow;
    }
    KeyedTable *table = &g_window_state.windows;
    ErrorTrap trap;
    trap_begin(&trap);
    for (int32_t i = 0; i < table->capacity; i++) {
        WindowRecord *record = static_cast<WindowRecord *>(table_nth(table, i, 0));
        if (record != nullptr && record->alive) XDefineCursor(dpy, record->window, cursor);
    }
    trap_end(&trap);
}

// At process exit, before Tk closes the display: every GL context is released.
static void on_exit(ClientData data)
{
    KeyedTable *table = &g_window_state.windows;
    for (int32_t i = 0; i < table->capacity; i++) {
        WindowRecord *record = static_cast<WindowRecord *>(table_nth(table, i, 0));
        if (record != nullptr && record->gl != nullptr) win_release_gl(record->window);
    }
}

// The registered record of a name, null when none.
static WindowRecord *find_by_name(const char *name)
{
    if (name == nullptr || g_window_state.windows.element_size < 1) return nullptr;
    return static_cast<WindowRecord *>(table_find(&g_window_state.windows, name));
}
