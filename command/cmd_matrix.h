#pragma once
// The matrix subcommand: one scratch matrix that a script can set to the
// identity, rotate and apply to a point. It keeps its value between commands
// and is all zero until the first `matrix identity`.

// Runs `matrix identity`, `matrix rotate <a> <b> <c>` or `matrix apply <x> <y> <z>`;
// words[0] is "matrix" and only words[1] is compared. 1 when a branch ran.
int cmd_matrix(char **words);
