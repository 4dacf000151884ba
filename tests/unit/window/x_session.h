#pragma once
// A private Xvfb server with a Tk interpreter on it, for tests of the window
// layer that need a real X display. One session per screen description; the
// servers end when the test program ends.
#include <tcl.h>
#include <tk.h>

#include <X11/Xlib.h>

#include <string>

struct XSession {
    std::string screen;     // what -screen 0 was given, with any further options
    std::string display;    // ":N"
    int pid;                // the Xvfb process
    Tcl_Interp *interp;     // interpreter with Tk on the display
    Display *tk_display;    // Tk's connection (the window layer's)
    Display *own;           // the test's own connection, to look from outside
};

// The session of a screen such as "640x480x24" or "640x480x24 -cc 5", started on
// first use; its interpreter becomes the glue's and the window layer is started
// on it. Null (with the reason in why) when the server or Tk does not start.
XSession *x_session(const char *screen, std::string *why);
// Handles every pending Tcl/Tk event after the server has answered everything
// sent so far, a few times over ms milliseconds, until done() says so.
void x_pump(XSession *session, int ms, bool (*done)(void *), void *data);
// Evaluates a Tk script in the session's interpreter; its result, "ERROR: ..." on failure.
std::string x_eval(XSession *session, const char *script);
