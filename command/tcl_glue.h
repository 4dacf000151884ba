// The thin glue through which the system talks to Tcl and Tk: the remembered
// interpreter, the word lists of running commands, script evaluation, modal
// message boxes, Tk window lookups and timers. Every call goes to the
// interpreter given to Druvex_Init.
#pragma once
#include <tcl.h>

#include <string>
#include <vector>

// Slots of a word list; at most WORD_LIST_SIZE - 1 words, the last slot stays null.
constexpr int WORD_LIST_SIZE = 1024;

// The words of one command, malloc'ed texts up to the first null slot, and the
// result its handler has set so far. Each running command has its own list;
// nested commands push theirs on top, so what they and the scripts they run
// leave in the interpreter never replaces the outer command's result.
struct WordList {
    char *words[WORD_LIST_SIZE]; // the words, null after the last
    Tcl_Obj *result;             // pending result (one reference held), or null for none
    WordList *outer;             // list of the command this one runs inside, or null
};

// The glue's state: the interpreter and the script path prefixes.
struct GlueState {
    Tcl_Interp *interp;          // interpreter given to Druvex_Init
    const char *path_prefix;     // prefix_text when set, else null
    const char *path_prefix2;    // prefix2_text when set, else null
    char prefix_text[512];       // first script path prefix
    char prefix2_text[512];      // second script path prefix
    WordList *words;             // word list of the command running now (innermost)
    int boxes_stopped;           // 1 after a box's script failed: no box is shown until
                                 // the outermost command ends
};

extern GlueState g_glue;

// Zeroes the glue state, remembers the interpreter and initialises the Tcl and Tk
// stubs ("8.4", not exact). 1 on success, 0 when a stub table is refused.
int tcl_glue_init(Tcl_Interp *interp);
// Splits every argument at runs of blanks into a new word list that becomes the
// current one (the outer command's list is kept); returns it.
WordList *tcl_split_args(int argc, const char *const *argv);
// Frees the current word list's words and pending result and makes the outer
// command's list current again; once no command runs, boxes are shown again.
void tcl_free_args();
// Makes the current command's pending result the interpreter's result, or
// empties the result when the command set none.
void tcl_finish_result();
// Registers a string-form command; 1, or 0 for a null name or procedure.
int tcl_create_command(const char *name, Tcl_CmdProc *proc, ClientData data);
// Registers an object-form command; 1, or 0 for a null name or procedure.
int tcl_create_obj_command(const char *name, Tcl_ObjCmdProc *proc, ClientData data);
// Makes a copy of the text the running command's result (the interpreter's
// result when no command runs); null or empty leaves it as it is.
void tcl_set_result(const char *text);
// Makes the texts the result as a Tcl list whose elements read back exactly with
// lindex (plain words stay unquoted); no items leave the result as it is.
void tcl_set_result_list(const std::vector<std::string> &items);
// Evaluates a script at global level; 1, or 0 when it raised an error (left in the result).
int tcl_eval(const char *script);
// Evaluates a command given as words at global level, with no substitution of
// the words; 1, or 0 on error.
int tcl_eval_words(int count, const char *const *words);
// Evaluates a callback given as words at global level, with no substitution of
// the words. A failure goes to the interpreter's background-error handler, as Tk
// reports an event script's error, with "(druvex TYPE callback)" added to its
// errorInfo. 1, or 0 on failure.
int tcl_eval_callback_words(const char *type, int count, const char *const *words);
// Modal information box showing the text literally ("unknown" for null, double
// quotes shown as single quotes). Returns the Tcl code of the box. Once a box's
// script has failed inside a command, no box is shown (TCL_ERROR) until the
// outermost command ends: a failing box handler that runs druvex cannot recurse
// through every box of every level.
int tcl_info_box(const char *text);
// Modal error box, like tcl_info_box with the title "Error".
int tcl_error_box(const char *text);
// Error box "tcl/tk script error: %s\nreason: %s"; null arguments shown as "unknown".
int tcl_script_error_box(const char *what, const char *reason);
// X window id of the Tk window with this path (created if needed), or 0.
unsigned long tcl_tk_hwnd(const char *path);
// The X display of the Tk main window: the instance the window layer starts with.
void *tcl_tk_instance();
// Schedules a Tcl timer, the delay raised to at least 10 ms; returns its token.
Tcl_TimerToken tcl_create_timer(int milliseconds, Tcl_TimerProc *proc, ClientData data);
// Sets or, with null, clears the first script path prefix.
void tcl_set_path_prefix(const char *text);
// Sets or, with null, clears the second script path prefix.
void tcl_set_path_prefix2(const char *text);
// Joins the prefixes and the name with "\" turned into "/"; static buffer.
const char *tcl_script_path(const char *name);
// Sources the script found by tcl_script_path; 1, or 0 on error.
int tcl_source(const char *name);
// Sets the result (as tcl_set_result) to a byte array of count bytes when bytes
// is set and count >= 1.
void tcl_set_result_bytes(const unsigned char *bytes, int count);
// Reparents the X window into the Tk window with this path, at its top-left
// corner. 1 on success; 0 when the path names no window or the X window does not exist.
int tcl_tk_attach_hwnd(const char *path, unsigned long window);
// Class name of the Tk window with this path, or null.
const char *tcl_tk_class(const char *path);
// Sets the class of the Tk window with this path; 1, or 0 when there is none.
int tcl_tk_set_class(const char *path, const char *class_name);
// Creates a Tk child window name under the parent path; its X window id, or 0.
unsigned long tcl_tk_create_child(const char *name, const char *parent_path);
// Whole file read through a binary Tcl channel into a malloc'ed buffer; null
// for a null path, an open or read failure, or an empty file.
char *tcl_read_file(const char *path);
// Creates a stand-alone interpreter with Tcl initialised from this machine's
// library folders and Tk required as a package, and makes it the glue's
// interpreter. Returns 1.
int tcl_create_app_interp(const char *program_path);
