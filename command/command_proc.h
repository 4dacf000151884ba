// The `druvex` command: its procedure and the subcommand dispatcher.
#pragma once
#include <tcl.h>

// The command procedure registered as `druvex`; always TCL_OK. The result is
// what the subcommand's handler set, empty when it set none.
int druvex_cmd(ClientData data, Tcl_Interp *interp, int argc, const char *argv[]);
// Runs the first subcommand found among words[1..]; shows the unknown-command text
// when none matches.
void cmd_dispatch(char **words);
