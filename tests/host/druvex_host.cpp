// Test host: a minimal wish. It exists so the Tcl tests can run the extension
// inside a process built with the same sanitizers as the extension itself.
#include <tcl.h>
#include <tk.h>

#include <dlfcn.h>

static int app_init(Tcl_Interp *interp)
{
    if (Tcl_Init(interp) == TCL_ERROR) return TCL_ERROR;
    if (Tk_Init(interp) == TCL_ERROR) return TCL_ERROR;
    Tcl_StaticPackage(interp, "Tk", Tk_Init, Tk_SafeInit);
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
