// The window layer against a real X server (a private Xvfb each): palettes on
// colormapped and true-colour screens, pointer visibility, the private message,
// the drawing target, display modes through RandR, and attaching a foreign X
// window to a Tk window.
// gtest before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "x_session.h"

#include "command/tcl_glue.h"
#include "foundation/last_error.h"
#include "viewer/window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char *TRUE_COLOR_SCREEN = "640x480x24";
const char *DIRECT_COLOR_SCREEN = "640x480x24 -cc 5";
const char *PSEUDO_COLOR_SCREEN = "640x480x8";

// Callback calls seen so far.
struct CallbackCounts {
    int init, paint, size, input;
};
CallbackCounts g_calls;

void on_init(WinHandle window, int, void *)
{
    g_calls.init++;
    win_make_current(window);
}
void on_paint(WinHandle, int, void *) { g_calls.paint++; }
void on_size(WinHandle, int, void *) { g_calls.size++; }
void on_input(WinHandle, int, void *) { g_calls.input++; }

bool colormap_installed(Display *dpy, Colormap colormap)
{
    int count = 0;
    Colormap *maps = XListInstalledColormaps(dpy, DefaultRootWindow(dpy), &count);
    bool found = false;
    for (int i = 0; i < count; i++) found = found || maps[i] == colormap;
    if (maps != nullptr) XFree(maps);
    return found;
}

// The cursor shown at the pointer: its serial, and whether any pixel of it shows.
struct ShownCursor {
    unsigned long serial;
    bool visible;
};

ShownCursor shown_cursor(Display *dpy)
{
    ShownCursor shown = {0, false};
    XFixesCursorImage *image = XFixesGetCursorImage(dpy);
    if (image == nullptr) return shown;
    shown.serial = image->cursor_serial;
    for (int i = 0; i < image->width * image->height; i++) {
        if ((image->pixels[i] >> 24) != 0) shown.visible = true;
    }
    XFree(image);
    return shown;
}

// Output of a shell command.
std::string run(const std::string &command)
{
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    pclose(p);
    return out;
}

// A Tk frame .f of 200 x 150 at the screen's top-left corner, with a GL window in it.
class GlWindow : public ::testing::Test {
protected:
    XSession *x = nullptr;
    WinHandle parent = 0;
    WinHandle window = 0;
    std::string name;

    void open_screen(const char *screen)
    {
        std::string why;
        x = x_session(screen, &why);
        ASSERT_NE(x, nullptr) << why;
        memset(&g_calls, 0, sizeof g_calls);
        ASSERT_EQ(x_eval(x, "catch {destroy .f}; wm geometry . 200x150+0+0; frame .f -width 200 -height 150;"
                            " pack .f; update; winfo id .f") .rfind("0x", 0), 0u);
        parent = tcl_tk_hwnd(".f");
        ASSERT_NE(parent, 0u);
        static int made = 0;
        name = "gl" + std::to_string(++made);
    }

    void create_window()
    {
        window = win_create(name.c_str(), parent, on_init, on_paint, on_size, on_input, 0);
        ASSERT_NE(window, 0u) << err_last();
        x_pump(x, 200, nullptr, nullptr);
    }

    void TearDown() override
    {
        if (window != 0) win_release_gl(window);
    }
};

} // namespace

TEST_F(GlWindow, TrueColorScreenGetsNoPalette)
{
    open_screen(TRUE_COLOR_SCREEN);
    create_window();
    if (HasFatalFailure()) return;
    WindowRecord *record = win_find_by_hwnd(window);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->palette, 0);
    EXPECT_EQ(win_setup_palette(window), 0);
    EXPECT_FALSE(colormap_installed(x->own, record->colormap));
    EXPECT_TRUE(colormap_installed(x->own, DefaultColormap(x->own, DefaultScreen(x->own))));
}

TEST_F(GlWindow, DirectColorScreenGetsItsRampsInstalledAndRepaintsWhenTheyComeBack)
{
    open_screen(DIRECT_COLOR_SCREEN);
    create_window();
    if (HasFatalFailure()) return;
    WindowRecord *record = win_find_by_hwnd(window);
    ASSERT_NE(record, nullptr);
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(x->own, window, &attributes), 0);
    ASSERT_EQ(attributes.visual->c_class, DirectColor);
    ASSERT_EQ(record->palette, 1);
    EXPECT_EQ(attributes.colormap, record->colormap);
    EXPECT_TRUE(colormap_installed(x->own, record->colormap));
    // One ramp per channel: level j of each 8-bit channel is intensity j.
    for (unsigned long j : {0UL, 1UL, 100UL, 254UL, 255UL}) {
        XColor c;
        memset(&c, 0, sizeof c);
        c.pixel = (j << 16) | ((255 - j) << 8) | (j / 2);
        XQueryColor(x->own, record->colormap, &c);
        EXPECT_EQ(c.red, j * 257) << j;
        EXPECT_EQ(c.green, (255 - j) * 257) << j;
        EXPECT_EQ(c.blue, (j / 2) * 257) << j;
    }
    EXPECT_EQ(win_setup_palette(window), 0) << "a second set-up makes nothing new";

    // Another map takes the screen; the pointer coming into the window brings
    // the palette back, and the window repaints in it.
    XWarpPointer(x->own, None, DefaultRootWindow(x->own), 0, 0, 0, 0, 600, 400);
    XInstallColormap(x->own, DefaultColormap(x->own, DefaultScreen(x->own)));
    XSync(x->own, False);
    x_pump(x, 300, nullptr, nullptr);
    ASSERT_FALSE(colormap_installed(x->own, record->colormap));
    int paints = g_calls.paint, sizes = g_calls.size;
    XWarpPointer(x->own, None, window, 0, 0, 0, 0, 50, 50);
    XSync(x->own, False);
    x_pump(x, 3000, [](void *) { return g_calls.paint > 0 && g_calls.size > 0; }, nullptr);
    x_pump(x, 3000, [](void *data) { return *(int *)data < g_calls.paint; }, &paints);
    EXPECT_TRUE(colormap_installed(x->own, record->colormap));
    EXPECT_GT(g_calls.paint, paints);
    EXPECT_GT(g_calls.size, sizes);
}

TEST_F(GlWindow, PseudoColorScreenHasAColormapOrNoGlVisual)
{
    open_screen(PSEUDO_COLOR_SCREEN);
    XVisualInfo wanted;
    memset(&wanted, 0, sizeof wanted);
    wanted.visualid = XVisualIDFromVisual(DefaultVisual(x->own, DefaultScreen(x->own)));
    int count = 0;
    XVisualInfo *vi = XGetVisualInfo(x->own, VisualIDMask, &wanted, &count);
    ASSERT_NE(vi, nullptr);
    EXPECT_EQ(vi->c_class, PseudoColor);
    XFree(vi);
    int opcode = 0, event = 0, error = 0;
    bool glx = XQueryExtension(x->own, "GLX", &opcode, &event, &error);
    window = win_create(name.c_str(), parent, on_init, on_paint, on_size, on_input, 0);
    if (!glx) {
        // Xvfb starts no GLX on an 8-bit screen: no GL window can be made at all,
        // and creating one fails cleanly with the reason.
        EXPECT_EQ(window, 0u);
        EXPECT_STREQ(err_last(), "no double-buffered RGBA visual with a depth buffer");
        EXPECT_EQ(g_calls.init, 0);
        return;
    }
    ASSERT_NE(window, 0u) << err_last();
    WindowRecord *record = win_find_by_hwnd(window);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->palette, 1);
    EXPECT_TRUE(colormap_installed(x->own, record->colormap));
}

TEST_F(GlWindow, PointerIsHiddenAndShownOnlyWhenTheStateChanges)
{
    open_screen(TRUE_COLOR_SCREEN);
    create_window();
    if (HasFatalFailure()) return;
    XWarpPointer(x->own, None, window, 0, 0, 0, 0, 40, 40);
    XSync(x->own, False);
    x_pump(x, 100, nullptr, nullptr);
    EXPECT_EQ(win_cursor_shown(), 1);
    ShownCursor arrow = shown_cursor(x->own);
    EXPECT_TRUE(arrow.visible);

    win_show_cursor(0);
    x_pump(x, 50, nullptr, nullptr);
    EXPECT_EQ(win_cursor_shown(), 0);
    ShownCursor hidden = shown_cursor(x->own);
    EXPECT_FALSE(hidden.visible);

    // Someone else puts a cursor on the window; hiding again changes nothing.
    Cursor cross = XCreateFontCursor(x->own, XC_crosshair);
    XDefineCursor(x->own, window, cross);
    XSync(x->own, False);
    ShownCursor theirs = shown_cursor(x->own);
    ASSERT_TRUE(theirs.visible);
    win_show_cursor(0);
    x_pump(x, 50, nullptr, nullptr);
    EXPECT_EQ(shown_cursor(x->own).serial, theirs.serial);

    win_show_cursor(1);
    x_pump(x, 50, nullptr, nullptr);
    EXPECT_EQ(win_cursor_shown(), 1);
    ShownCursor back = shown_cursor(x->own);
    EXPECT_TRUE(back.visible);
    EXPECT_NE(back.serial, theirs.serial);
    // Showing when shown changes nothing either.
    XDefineCursor(x->own, window, cross);
    XSync(x->own, False);
    win_show_cursor(1);
    x_pump(x, 50, nullptr, nullptr);
    EXPECT_EQ(shown_cursor(x->own).serial, theirs.serial);
    XFreeCursor(x->own, cross);
}

TEST_F(GlWindow, PrivateMessageReachesTheWindowLayer)
{
    open_screen(TRUE_COLOR_SCREEN);
    create_window();
    if (HasFatalFailure()) return;
    int before = win_user_messages_received(nullptr, nullptr);
    ASSERT_EQ(win_post_user_message(window, 4242), 1);
    x_pump(x, 2000, [](void *data) { return win_user_messages_received(nullptr, nullptr) > *(int *)data; }, &before);
    long wparam = 0, value = 0;
    EXPECT_EQ(win_user_messages_received(&wparam, &value), before + 1);
    EXPECT_EQ(wparam, 256);
    EXPECT_EQ(value, 4242);
    EXPECT_EQ(win_post_user_message(parent, 1), 0) << "not a window of the layer";
    EXPECT_EQ(win_post_user_message(0, 1), 0);
}

TEST_F(GlWindow, DrawingTargetBackgroundAndCurrentWindow)
{
    open_screen(TRUE_COLOR_SCREEN);
    create_window();
    if (HasFatalFailure()) return;
    EXPECT_EQ(win_current_hwnd(), window);
    void *display = nullptr;
    unsigned long drawable = 0;
    ASSERT_EQ(win_get_dc(window, &display, &drawable), 1);
    EXPECT_EQ(display, (void *)x->tk_display);
    EXPECT_EQ(drawable, window);
    EXPECT_EQ(win_get_dc(parent, &display, &drawable), 0);
    EXPECT_EQ(win_get_dc(window, nullptr, &drawable), 0);

    WindowRecord *record = win_find_by_hwnd(window);
    win_set_bk_color(window, 10, 300, -4);
    EXPECT_EQ(record->bk_color[0], 10);
    EXPECT_EQ(record->bk_color[1], 255);
    EXPECT_EQ(record->bk_color[2], 0);
    win_make_current(0);
    EXPECT_EQ(win_current_hwnd(), 0u);
    win_set_bk_color(window, 1, 2, 3);
    EXPECT_EQ(record->bk_color[0], 10) << "only the current window keeps a colour";
}

TEST_F(GlWindow, DisplayModeSwitchesOnlyToModesTheServerOffersAndIsRestored)
{
    open_screen(TRUE_COLOR_SCREEN);
    Display *own = x->own;
    Window root = DefaultRootWindow(own);
    XRRScreenConfiguration *config = XRRGetScreenInfo(own, root);
    ASSERT_NE(config, nullptr);
    int count = 0;
    XRRScreenSize *sizes = XRRConfigSizes(config, &count);
    ASSERT_GE(count, 1);
    int width = sizes[0].width, height = sizes[0].height;
    XRRFreeScreenConfigInfo(config);

    struct Case { int w, h, depth, want; };
    const Case cases[] = {
        {width, height, 24, 1},       // the server's own mode at its depth
        {width, height, 32, 1},       // the same, named by its bits per pixel
        {width, height, 16, 0},       // a depth the screen does not have
        {800, 600, 24, 0},            // a size the server does not offer
        {width + 1, height, 24, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(win_set_display_mode(c.w, c.h, c.depth), c.want) << c.w << "x" << c.h << "x" << c.depth;
    }
    // The restore puts back the mode in use before the first switch: the original size.
    EXPECT_EQ(win_restore_display_mode(), 1);
    XSync(own, False);
    XWindowAttributes attributes;
    XGetWindowAttributes(own, root, &attributes);
    EXPECT_EQ(attributes.width, width);
    EXPECT_EQ(attributes.height, height);
    EXPECT_EQ(win_restore_display_mode(), 1) << "nothing left to restore";
}

TEST_F(GlWindow, ForeignWindowIsAttachedAsAChildOfTheTkWindow)
{
    open_screen(TRUE_COLOR_SCREEN);
    Display *own = x->own;
    Window plain = XCreateSimpleWindow(own, DefaultRootWindow(own), 300, 300, 40, 30, 0, 0, 0);
    XSync(own, False);
    ASSERT_EQ(tcl_tk_attach_hwnd(".f", plain), 1);
    char id[32];
    snprintf(id, sizeof id, "0x%lx", (unsigned long)plain);
    std::string children = run("DISPLAY=" + x->display + " xwininfo -children -id " + std::to_string(parent));
    EXPECT_NE(children.find(id), std::string::npos) << children;
    EXPECT_EQ(win_get_parent(plain), parent);

    EXPECT_EQ(tcl_tk_attach_hwnd(".nosuch", plain), 0);
    EXPECT_EQ(tcl_tk_attach_hwnd(nullptr, plain), 0);
    // A window that no longer exists is refused without ending the process.
    XDestroyWindow(own, plain);
    XSync(own, False);
    EXPECT_EQ(tcl_tk_attach_hwnd(".f", plain), 0);
    EXPECT_EQ(tcl_tk_attach_hwnd(".f", 0), 0);
}
