#pragma once
// The add subcommand: builds on the current model from a script: a strip of
// points on a named layer, a texture coordinate, a vertex attribute, an empty
// layer, or a child model loaded from its own file.

// Runs the first branch whose keyword is found after words[0] ("add"); 1 when
// a branch ran with all its arguments, 0 after a usage or no-match text.
int cmd_add(char **words);
// add triangle; words[0] is "triangle", words[1] the layer, then point ids.
// 1 when every word was read (also when nothing was added), 0 after the usage text.
int cmd_add_triangle(char **words);
// add uvee; words[0] is "uvee", then layer, point, u and v. 1 when all four
// were read, 0 after the usage text.
int cmd_add_uvee(char **words);
// add vertex; words[0] is "vertex", words[1] what to write. 1 when the branch
// read all its words (also without a model), 0 after a text or a missing normal z.
int cmd_add_vertex(char **words);
// add layer; words[0] is "layer", words[1] the name. 1 when the name was read
// with a current model, 0 after a text.
int cmd_add_layer(char **words);
// add child; words[0] is "child", then name, position, scale and three
// rotation words. Sets the result to the child model's model id; that id, or 0
// after a text or a failed load.
int cmd_add_child(char **words);
