#pragma once
// The set subcommand: camera, window and small viewer settings (background,
// 3D cursor, mouse cursor, focus, free rotation, pan, pointer, point colour),
// and set view, which places, turns, pans and zooms the camera, chooses the
// projection, centres on the scene and fixes the drawing size.

// Runs the first branch whose keyword is found after words[0] ("set"); 1 when
// a branch ran with all its arguments, 0 after a usage or no-match text.
int cmd_set(char **words);
// The set view grammar; words[0] is "view", words[1] the view name. 1 when the
// name ran with all its arguments, 0 after a usage or unknown-name text.
int cmd_set_view(char **words);
