// Test host: a minimal wish. It exists so the Tcl tests can run the extension
// inside a process built with the same sanitizers as the extension itself.
#include <tcl.h>
#include <tk.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

// host_leak SIZE COUNT: allocates COUNT blocks of SIZE bytes and drops every
// pointer, a leak made under a Tcl command on purpose. The leak check's selftest
// uses it to show that such a leak fails a test run in the sanitizer build.
// The checker scans stacks and registers conservatively, so a stale copy of the
// last pointer may keep one block from being reported; the others still are.
static int leak_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    int size = 0, count = 0;
    if (objc != 3) {
        Tcl_WrongNumArgs(interp, 1, objv, "size count");
        return TCL_ERROR;
    }
    if (Tcl_GetIntFromObj(interp, objv[1], &size) != TCL_OK) return TCL_ERROR;
    if (Tcl_GetIntFromObj(interp, objv[2], &count) != TCL_OK) return TCL_ERROR;
    if (size < 1 || count < 1) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("size and count must be positive", -1));
        return TCL_ERROR;
    }
    for (int i = 0; i < count; i++) {
        // Through a volatile pointer, so the allocation is not optimised away.
        char *volatile block = static_cast<char *>(malloc(static_cast<size_t>(size)));
        if (block != nullptr) memset(block, 1, static_cast<size_t>(size));
        block = nullptr;
    }
    return TCL_OK;
}

static int app_init(Tcl_Interp *interp)
{
    if (Tcl_Init(interp) == TCL_ERROR) return TCL_ERROR;
    if (Tk_Init(interp) == TCL_ERROR) return TCL_ERROR;
    Tcl_StaticPackage(interp, "Tk", Tk_Init, Tk_SafeInit);
    Tcl_CreateObjCommand(interp, "host_leak", leak_cmd, nullptr, nullptr);
    return TCL_OK;
}

// Keeps the GL driver libraries loaded until exit, so the leak checker can
// still name them (and its suppressions match) after the GL library closes them.
static void pin_gl_driver()
{
    const char *libraries[] = {"libGLX_mesa.so.0", "libgallium_dri.so",
                               "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
    for (const char *name : libraries) dlopen(name, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
}

int main(int argc, char **argv)
{
    pin_gl_driver();
    Tk_Main(argc, argv, app_init);
    return 0;
}
