// The print dialog of the print build: a modal Tk dialog written in Tcl, the
// procedure ::druvex::print_dialog, defined when the library loads. It shows
// the printers, "Print to file" (a PDF file chosen with tk_getSaveFile) and a
// paper size, holds the grab until the user answers, and answers an empty list
// for cancel, else {printer NAME PAPER} or {file PATH PAPER}, PAPER being
// "default" (the printer's own) or a paper name such as "Letter" or "A4". A
// script or a test may define the procedure again.
#pragma once
#include <string>
#include <vector>

// What the user chose in the dialog.
struct PrintChoice {
    int to_file;         // 1: print to the file target; 0: to the printer target
    std::string target;  // the printer's name or the file's path
    std::string paper;   // "default" or a paper name
};

// Defines ::druvex::print_dialog in the interpreter. 1, or 0 when the script fails.
int dialog_define();
// Runs ::druvex::print_dialog with the printers' names and the default one.
// 1 with the choice; 0 for cancel, a dialog that raised an error, or an answer
// of any other shape. The interpreter's result is empty afterwards.
int dialog_run(const std::vector<std::string> &names, const std::string &default_name, PrintChoice *out);
