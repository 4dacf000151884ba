#pragma once
// The perform subcommand: whole-model edits of the current model.

// Runs `perform autonormals <per-layer>`; words[0] is "perform" and words that
// are no keyword are skipped. 1 when the branch ran.
int cmd_perform(char **words);
