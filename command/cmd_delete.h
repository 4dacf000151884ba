#pragma once
// The delete subcommand: removes a named layer from the current model.

// Runs `delete layer <name>` on the current model; words[0] is "delete". 1 when a layer name was given.
int cmd_delete(char **words);
