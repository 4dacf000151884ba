// Test host: a minimal wish. It exists so the Tcl tests can run the extension
// inside a process built with the same sanitizers as the extension itself.
#include <tcl.h>
#include <tk.h>

static int app_init(Tcl_Interp *interp)
{
    if (Tcl_Init(interp) == TCL_ERROR) return TCL_ERROR;
    if (Tk_Init(interp) == TCL_ERROR) return TCL_ERROR;
    Tcl_StaticPackage(interp, "Tk", Tk_Init, Tk_SafeInit);
    return TCL_OK;
}

int main(int argc, char **argv)
{
    Tk_Main(argc, argv, app_init);
    return 0;
}
