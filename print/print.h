// The print subcommand of the print build: the scene drawn again on white,
// the GL window's picture read back and printed on one page, fitted to it,
// on a printer or into a PDF file chosen in the print dialog.
#pragma once
#include "viewer/window.h"

// The print subcommand (its words are not read): prints the GL window and
// makes its GL context current again. Shows nothing but the failure box; the
// command's result is empty. 1.
int print_cmd();
// Prints the GL window's picture through the print dialog. 0 without a
// window, for a window of 2 pixels or less either way (no dialog then), when
// the dialog is cancelled, and when printing fails (after one information box
// beginning "druvex: print failed" with the reason); 1 when the page went to
// the printer or file. The dialog may run nested commands, so the window is
// looked up again once it closes.
int print_window(WinHandle window);
// Defines the print dialog's procedure; run once when the library loads. 1, or
// 0 when its script fails.
int print_init();
