// Writer of .mod files: saves a model in the format the .mod reader reads back.
#pragma once

struct Model;

// Writes the model to the current directory under its name (".mod" added unless the name ends
// in a three-letter extension); 1 when written, 0 for a null model or a file that cannot be
// created or written. Sets no message.
int mod_write(Model *model);
