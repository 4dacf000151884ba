// Writer of .mod files: saves a model in the format the .mod reader reads back.
#pragma once

struct Model;

// Writes the model to the current directory under its name (".mod" added unless the name ends
// in a three-letter extension), replacing the file whole or not at all; 1 when written, 0 for
// a null model (no message), a model without a name ("model has no name") or a file that
// cannot be written (the system's reason as the last-error text, the old file unchanged).
int mod_write(Model *model);
