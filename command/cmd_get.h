// The get subcommand: reads state back as text results: the scene centre, the
// 3D cursor, pan and zoom, the mouse pointer, the host name, a child instance
// of the current model, the view matrix or a rotation matrix, one vertex of the
// current model or the world point under a window pixel, the point ids, and
// the attributes of the selected layer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Model;

// The get subcommand: only words[1] (the attribute) is looked at; words[0] is
// "get". 1 when a branch ran, 0 after a usage, failure or unknown-attribute text.
int cmd_get(char **words);
// Sets the result to the n-th child instance (from 1) of the current model, a
// list of name, position as whole numbers, scale, three rotation words. 0
// (silently, no result) without a current model or such a child.
int cmd_get_child(int32_t n);
// Sets the result to the pan, two floats; 1.
int cmd_get_pan();
// Sets the result to the zoom, one float; 1.
int cmd_get_zoom();
// The get vertex grammar; words[0] is "vertex", words[1] what to read. 1 when a
// branch ran (also for an id naming no point: result "unknown"), 0 after a text.
int cmd_get_vertex(char **words);
// The point ids of the model's own table in slot order in a malloc'ed array
// that the caller frees; count gets their number. Null (count 0) for a null
// model, no points or no memory.
int32_t *cmd_point_key_list(Model *model, int32_t *count);
// The world point under window pixel (x, y), y counted from the top, as three
// whole numbers in a static array valid until the next call; (0, 0, 0) without
// a GL window.
const int *cmd_pixel_to_point(int x, int y);
// The get matrix grammar; words[0] is "matrix", words[1] the type. 1 when a
// branch ran, 0 after a usage or unknown-type text.
int cmd_get_matrix(char **words);
// The get layer grammar; words[0] is "layer", words[1] the attribute. 1 when a
// branch ran, 0 after a usage, failure or unknown-argument text.
int cmd_get_layer(char **words);
// Every layer name of the model in layer-table slot order; empty for a null
// model or no layers.
std::vector<std::string> cmd_layer_names(Model *model);
