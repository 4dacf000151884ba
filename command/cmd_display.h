#pragma once
// The display subcommand: sets or reports one of the viewer's display options.

// Sets (`display <option> <value>`) or reports (`display <option>`) an option;
// words[0] is "display". 1 when an option was set or reported.
int cmd_display(char **words);
