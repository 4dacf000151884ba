#pragma once
// The set subcommand: camera, window and small viewer settings (background,
// 3D cursor, mouse cursor, focus, free rotation, pan, pointer, point colour),
// and set view, which places, turns, pans and zooms the camera, chooses the
// projection, centres on the scene and fixes the drawing size; set matrix,
// set vertex and set layer write the view matrix, vertices of the current
// model and attributes of the selected layer.

// Runs the first branch whose keyword is found after words[0] ("set"); 1 when
// a branch ran with all its arguments, 0 after a usage or no-match text.
int cmd_set(char **words);
// The set view grammar; words[0] is "view", words[1] the view name. 1 when the
// name ran with all its arguments, 0 after a usage or unknown-name text.
int cmd_set_view(char **words);
// The set matrix grammar; words[0] is "matrix", words[1] the type. 1 when the
// type ran with all its values, 0 after a usage or unknown-type text.
int cmd_set_matrix(char **words);
// The set vertex grammar on the current model; words[0] is "vertex", words[1]
// what to write. 1 when the branch read all its words (also without a model),
// 0 after a usage or unknown-argument text or a missing normal z.
int cmd_set_vertex(char **words);
// The set layer grammar on the selected layer of the current model; words[0]
// is "layer", words[1] the attribute. 1 when the branch read all its words, 0
// after a text (no model, no layer, usage, unknown attribute).
int cmd_set_layer(char **words);
