#include "command/tcl_glue.h"

#include "foundation/str.h"

#include <tk.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef DRUVEX_TCL_LIBRARY
#define DRUVEX_TCL_LIBRARY "/usr/share/tcltk/tcl8.6"
#endif
#ifndef DRUVEX_TK_LIBRARY
#define DRUVEX_TK_LIBRARY "/usr/share/tcltk/tk8.6"
#endif

GlueState g_glue;

static int message_box(const char *title, const char *icon, const char *text);
static int eval_objv(int count, const char *const *words);
static int report_callback(int code, const char *type);
static void set_pending_result(Tcl_Obj *result);
static Tk_Window window_of(const char *path);
static int on_x_error(ClientData data, XErrorEvent *error);

int tcl_glue_init(Tcl_Interp *interp)
{
    memset(&g_glue, 0, sizeof g_glue);
    g_glue.interp = interp;
    if (Tcl_InitStubs(interp, "8.4", 0) == nullptr) return 0;
    if (Tk_InitStubs(interp, "8.4", 0) == nullptr) return 0;
    return 1;
}

WordList *tcl_split_args(int argc, const char *const *argv)
{
    WordList *list = static_cast<WordList *>(calloc(1, sizeof(WordList)));
    list->outer = g_glue.words;
    g_glue.words = list;
    int count = 0;
    for (int a = 0; a < argc && count < WORD_LIST_SIZE - 1; a++) {
        for (int f = 0; count < WORD_LIST_SIZE - 1; f++) {
            char *word = str_field(argv[a], ' ', f);
            if (!word) break;
            list->words[count++] = word;
        }
    }
    return list;
}

void tcl_free_args()
{
    WordList *list = g_glue.words;
    if (!list) return;
    for (int i = 0; i < WORD_LIST_SIZE && list->words[i]; i++) free(list->words[i]);
    if (list->result) Tcl_DecrRefCount(list->result);
    g_glue.words = list->outer;
    free(list);
    if (!g_glue.words) g_glue.boxes_stopped = 0;
}

void tcl_finish_result()
{
    WordList *list = g_glue.words;
    if (list && list->result) Tcl_SetObjResult(g_glue.interp, list->result);
    else Tcl_ResetResult(g_glue.interp);
}

int tcl_create_command(const char *name, Tcl_CmdProc *proc, ClientData data)
{
    if (!name || !proc) return 0;
    Tcl_CreateCommand(g_glue.interp, name, proc, data, nullptr);
    return 1;
}

int tcl_create_obj_command(const char *name, Tcl_ObjCmdProc *proc, ClientData data)
{
    if (!name || !proc) return 0;
    Tcl_CreateObjCommand(g_glue.interp, name, proc, data, nullptr);
    return 1;
}

int tcl_eval(const char *script)
{
    if (!script) return 0;
    return Tcl_GlobalEval(g_glue.interp, script) == TCL_ERROR ? 0 : 1;
}

int tcl_eval_words(int count, const char *const *words)
{
    if (count < 1 || !words) return 0;
    return eval_objv(count, words) == TCL_ERROR ? 0 : 1;
}

int tcl_eval_callback_words(const char *type, int count, const char *const *words)
{
    if (count < 1 || !words) return 0;
    return report_callback(eval_objv(count, words), type);
}

int tcl_info_box(const char *text)
{
    return message_box("Information", "info", text);
}

int tcl_error_box(const char *text)
{
    return message_box("Error", "error", text);
}

int tcl_script_error_box(const char *what, const char *reason)
{
    std::string text = std::string("tcl/tk script error: ") + (what ? what : "unknown") +
                       "\nreason: " + (reason ? reason : "unknown");
    return tcl_error_box(text.c_str());
}

unsigned long tcl_tk_hwnd(const char *path)
{
    Tk_Window win = window_of(path);
    if (!win) return 0;
    Tk_MakeWindowExist(win);
    return Tk_WindowId(win);
}

void *tcl_tk_instance()
{
    Tk_Window main = Tk_MainWindow(g_glue.interp);
    return main ? static_cast<void *>(Tk_Display(main)) : nullptr;
}

Tcl_TimerToken tcl_create_timer(int milliseconds, Tcl_TimerProc *proc, ClientData data)
{
    if (milliseconds < 10) milliseconds = 10;
    return Tcl_CreateTimerHandler(milliseconds, proc, data);
}

void tcl_set_path_prefix(const char *text)
{
    if (!text) {
        g_glue.path_prefix = nullptr;
        return;
    }
    str_copy_bounded(text, g_glue.prefix_text, sizeof g_glue.prefix_text);
    g_glue.path_prefix = g_glue.prefix_text;
}

void tcl_set_path_prefix2(const char *text)
{
    if (!text) {
        g_glue.path_prefix2 = nullptr;
        return;
    }
    str_copy_bounded(text, g_glue.prefix2_text, sizeof g_glue.prefix2_text);
    g_glue.path_prefix2 = g_glue.prefix2_text;
}

const char *tcl_script_path(const char *name)
{
    static std::string path;
    path.clear();
    if (g_glue.path_prefix) path += g_glue.path_prefix;
    if (g_glue.path_prefix2) path += g_glue.path_prefix2;
    if (name) path += name;
    for (char &c : path)
        if (c == '\\') c = '/';
    return path.c_str();
}

int tcl_source(const char *name)
{
    const char *words[2] = {"source", tcl_script_path(name)};
    return tcl_eval_words(2, words);
}

void tcl_set_result_bytes(const unsigned char *bytes, int count)
{
    if (!bytes || count < 1) return;
    set_pending_result(Tcl_NewByteArrayObj(bytes, count));
}

int tcl_tk_attach_hwnd(const char *path, unsigned long window)
{
    Tk_Window win = window_of(path);
    if (!win || window == 0) return 0;
    Tk_MakeWindowExist(win);
    Display *display = Tk_Display(win);
    int failed = 0;
    Tk_ErrorHandler handler = Tk_CreateErrorHandler(display, -1, -1, -1, on_x_error, &failed);
    XReparentWindow(display, static_cast<Window>(window), Tk_WindowId(win), 0, 0);
    XSync(display, False);
    Tk_DeleteErrorHandler(handler);
    return failed ? 0 : 1;
}

const char *tcl_tk_class(const char *path)
{
    Tk_Window win = window_of(path);
    return win ? Tk_Class(win) : nullptr;
}

int tcl_tk_set_class(const char *path, const char *class_name)
{
    Tk_Window win = window_of(path);
    if (!win || !class_name) return 0;
    Tk_SetClass(win, class_name);
    return 1;
}

unsigned long tcl_tk_create_child(const char *name, const char *parent_path)
{
    Tk_Window parent = window_of(parent_path);
    if (!parent || !name) return 0;
    Tk_Window win = Tk_CreateWindow(g_glue.interp, parent, name, nullptr);
    if (!win) return 0;
    Tk_MakeWindowExist(win);
    return Tk_WindowId(win);
}

char *tcl_read_file(const char *path)
{
    if (!path) return nullptr;
    Tcl_Obj *path_obj = Tcl_NewStringObj(path, -1);
    Tcl_IncrRefCount(path_obj);
    Tcl_Channel chan = Tcl_FSOpenFileChannel(g_glue.interp, path_obj, "r", 0);
    Tcl_DecrRefCount(path_obj);
    if (!chan) return nullptr;
    Tcl_SetChannelOption(g_glue.interp, chan, "-translation", "binary");
    Tcl_SetChannelOption(g_glue.interp, chan, "-encoding", "binary");
    Tcl_Obj *data = Tcl_NewObj();
    Tcl_IncrRefCount(data);
    int failed = 0;
    for (;;) {
        int n = Tcl_ReadChars(chan, data, 32768, 1);
        if (n < 0) {
            failed = 1;
            break;
        }
        if (n < 32768) break;
    }
    Tcl_Close(g_glue.interp, chan);
    char *result = nullptr;
    int length = 0;
    unsigned char *bytes = Tcl_GetByteArrayFromObj(data, &length);
    if (!failed && length > 0) {
        result = static_cast<char *>(malloc(static_cast<size_t>(length)));
        memcpy(result, bytes, static_cast<size_t>(length));
    }
    Tcl_DecrRefCount(data);
    return result;
}

void tcl_set_result(const char *text)
{
    if (!text || !text[0]) return;
    set_pending_result(Tcl_NewStringObj(text, -1));
}

void tcl_set_result_list(const std::vector<std::string> &items)
{
    if (items.empty() || items.size() > static_cast<size_t>(INT_MAX)) return;
    std::vector<const char *> texts;
    texts.reserve(items.size());
    for (const std::string &item : items) texts.push_back(item.c_str());
    char *text = Tcl_Merge(static_cast<int>(texts.size()), texts.data());
    tcl_set_result(text);
    Tcl_Free(text);
}

int tcl_create_app_interp(const char *program_path)
{
    static const char *tcl_library = DRUVEX_TCL_LIBRARY;
    static const char *tk_library = DRUVEX_TK_LIBRARY;
    setenv("TCL_LIBRARY", tcl_library, 1);
    setenv("TK_LIBRARY", tk_library, 1);
    Tcl_Interp *interp = Tcl_CreateInterp();
    Tcl_SetVar(interp, "argv", "", TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "argc", "0", TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "argv0", program_path ? program_path : "", TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "tcl_interactive", "0", TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "tcl_library", tcl_library, TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "tcl_libPath", tcl_library, TCL_GLOBAL_ONLY);
    Tcl_SetVar(interp, "tk_library", tk_library, TCL_GLOBAL_ONLY);
    Tcl_SetVar2(interp, "env", "TCL_LIBRARY", tcl_library, TCL_GLOBAL_ONLY);
    Tcl_SetVar2(interp, "env", "TK_LIBRARY", tk_library, TCL_GLOBAL_ONLY);
    if (Tcl_Init(interp) != TCL_ERROR) {
        Tcl_GlobalEval(interp, "set dir $tcl_library;source $dir/tclIndex;unset dir");
        // Tk joins as a loadable package: its C entry points are not in the stub tables.
        if (Tcl_GlobalEval(interp, "package require Tk") != TCL_ERROR) {
            Tcl_GlobalEval(interp, "set dir $tk_library;source $dir/tclIndex;unset dir");
        }
    }
    tcl_glue_init(interp);
    return 1;
}

// Runs tk_messageBox with the text as one word, so nothing in it is substituted.
// A failure inside a command stops every further box until the outermost
// command ends.
static int message_box(const char *title, const char *icon, const char *text)
{
    if (g_glue.boxes_stopped) return TCL_ERROR;
    std::string message = text ? text : "unknown";
    for (char &c : message)
        if (c == '"') c = '\'';
    const char *words[9] = {"tk_messageBox", "-type", "ok", "-title", title, "-icon", icon, "-message",
                            message.c_str()};
    int code = eval_objv(9, words);
    if (code != TCL_OK && g_glue.words) g_glue.boxes_stopped = 1;
    return code;
}

// Evaluates the words as one command at global level; returns the Tcl code.
static int eval_objv(int count, const char *const *words)
{
    std::vector<Tcl_Obj *> objv(static_cast<size_t>(count));
    for (int i = 0; i < count; i++) {
        objv[i] = Tcl_NewStringObj(words[i], -1);
        Tcl_IncrRefCount(objv[i]);
    }
    int code = Tcl_EvalObjv(g_glue.interp, count, objv.data(), TCL_EVAL_GLOBAL);
    for (Tcl_Obj *obj : objv) Tcl_DecrRefCount(obj);
    return code;
}

// Hands a callback's failure to the background-error handler (which empties the
// result); 1 when the code is TCL_OK, else 0. Tcl before 8.6 has only the older
// entry, which takes the error from the result and errorInfo.
static int report_callback(int code, const char *type)
{
    if (code == TCL_OK) return 1;
    if (code == TCL_ERROR) {
        std::string where = std::string("\n    (druvex ") + (type ? type : "unknown") + " callback)";
        Tcl_AddErrorInfo(g_glue.interp, where.c_str());
    }
    int major = 0, minor = 0;
    Tcl_GetVersion(&major, &minor, nullptr, nullptr);
    if (major > 8 || (major == 8 && minor >= 6)) Tcl_BackgroundException(g_glue.interp, code);
    else Tcl_BackgroundError(g_glue.interp);
    return 0;
}

// Makes a new object the running command's pending result, or the
// interpreter's result when no command runs.
static void set_pending_result(Tcl_Obj *result)
{
    WordList *list = g_glue.words;
    if (!list) {
        Tcl_SetObjResult(g_glue.interp, result);
        return;
    }
    Tcl_IncrRefCount(result);
    if (list->result) Tcl_DecrRefCount(list->result);
    list->result = result;
}

// The Tk window of a path, or null (the lookup's error message is dropped).
static Tk_Window window_of(const char *path)
{
    if (!path || !g_glue.interp) return nullptr;
    Tk_Window main = Tk_MainWindow(g_glue.interp);
    if (!main) return nullptr;
    Tk_Window win = Tk_NameToWindow(g_glue.interp, path, main);
    if (!win) Tcl_ResetResult(g_glue.interp);
    return win;
}

// Counts an X error of a trapped request as a failure instead of ending the process.
static int on_x_error(ClientData data, XErrorEvent *error)
{
    *static_cast<int *>(data) = 1;
    return 0;
}
