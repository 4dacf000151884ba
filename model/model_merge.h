// Merging child models into their parent as plain layers and points.
#pragma once
#include <cstdint>

struct Model;

// Triangulates the model and turns its face texture coordinates into uvees, then merges every
// child model (its own children first) with layers named "<counter>_<layer>", the counter
// starting at 1, and frees the children. 0 for a null model or a failed merge; 0 with a
// message and nothing changed when a merged layer's name would pass the name-key length or
// name an existing layer.
int model_merge_children(Model *model);
// Merges one child model placed by position, scale and rotation words: mirrored, triangulated
// copies of its points (ids offset past the model's largest) and of each of its layers with
// geometry, named "<*counter>_<layer>"; the counter then grows by one. The child is changed
// (mirrored, triangulated) but not freed. 0 for a null argument, or with a message and the
// model unchanged for a name as above.
int model_merge_child(Model *model, Model *child, float px, float py, float pz, float sx, float sy,
                      float sz, const char *rot0, const char *rot1, const char *rot2,
                      int32_t *counter);
