#include <tcl.h>
#include <tk.h>

extern "C" __attribute__((visibility("default"))) int Druvex_Init(Tcl_Interp *interp)
{
    if (Tcl_InitStubs(interp, "8.4", 0) == nullptr) return TCL_ERROR;
    if (Tk_InitStubs(interp, "8.4", 0) == nullptr) return TCL_ERROR;
    return TCL_OK;
}
