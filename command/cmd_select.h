#pragma once
// The select subcommand: fills and empties the viewer's selection of models
// and child links, remembers the selected layer, marks the selection for copy
// or cut, moves, turns, scales, flattens and unloads the selected models,
// reads model text into them, attaches a loaded model to them as a child and
// answers their centre.

// Runs the first branch whose keyword is found after words[0] ("select"); 1
// when a branch ran with all its arguments, 0 after a usage, failure or
// no-match text.
int cmd_select(char **words);
// The select add grammar; words[0] is "add", words[1] what is added. 1 when
// data or child ran with its argument, 0 otherwise.
int cmd_select_add(char **words);
// Sets the result to the centre of the selection, "%.6f " three times; 1.
int cmd_select_centre();
// Empties the current selection.
void cmd_select_clear();
// Selects every model; 1.
int cmd_select_all();
// Unloads the selected models and focuses the camera on what is left; the
// selection operation's result.
int cmd_select_delete();
// Adds the model of a model or child id to the selection; 1, or 0 when neither exists.
int cmd_select_model(int id);
// Adds the child link of a child id to the selection; 1, or 0 when there is none.
int cmd_select_child(int id);
// Empties the selected layer, then remembers name when the current model has
// such a layer and the name fits; 1 when selected, 0 when not.
int cmd_select_layer(const char *name);
// Sets each selected model's translation, then refits the view; 1, or 0 when
// a model failed.
int cmd_select_translate(float x, float y, float z);
// Sets each selected model's rotation from three rotation words; 1 / 0.
int cmd_select_rotate(const char *a1, const char *a2, const char *a3);
// Sets each selected model's scale; 1 / 0.
int cmd_select_scale(float x, float y, float z);
