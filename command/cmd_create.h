#pragma once
// The create subcommand: the one GL window inside a Tk window, a mouse cursor,
// or an empty model in the viewer.

// Runs the first create form found among words[1..]; words[0] is "create". 1 when a form ran.
int cmd_create(char **words);
// Makes the GL window name inside the Tk window parent_path. 0 after an error box
// or when the window could not be made.
int cmd_create_window(const char *name, const char *parent_path);
// Loads a built-in cursor or a cursor file; the result is its id ("0" for none). 1 when loaded.
int cmd_create_cursor(const char *name_or_file);
// Adds an empty model of that name to the viewer; the result is its model id. 1 when made; 0
// (result 0) also for a name holding a line end.
int cmd_create_model(const char *name);
