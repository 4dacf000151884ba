// The find subcommand: a loaded model by name, and the images a model uses.
#pragma once
#include <cstdint>

// The find subcommand: the first keyword among words[1..] picks the branch; words[0] is "find".
// 1 when a branch ran, 0 after a usage or unknown-command message.
int cmd_find(char **words);
// Sets the result to the id of the model (or child link) of that name, "0" when none; 1 when found.
int cmd_find_model(const char *name);
// Sets the result to the image names of the model of an id; 1 when there was a text.
int cmd_find_images(int32_t id);
