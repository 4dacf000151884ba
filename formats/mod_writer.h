// Writer of .mod files: saves a model in the format the .mod reader reads back.
#pragma once

struct Model;

// Writes the model to the current directory as its name followed by ".mod", replacing the file
// whole or not at all; 1 when written, 0 for a null model (no message), a model without a name
// ("model has no name"), one whose name holds a line end ("model name holds a line end") or a
// file that cannot be written (the system's reason as the last-error text, the old file
// unchanged).
int mod_write(Model *model);
