// Loader of .mod files into complete models: reads the file, binds points to
// their joints and blends, checks the normals and loads child models from the
// model's directory, depth first.
#pragma once

struct Model;

// Loads the .mod file at path as a top-level model (caller frees it with model_free);
// null with the last-error text set when the file, a line, a normal or a child fails.
Model *mod_load(const char *path);
// Loads the .mod file at path as a model under parent (null for a top-level model) with all
// its children; null with the last-error text set, nothing of the failed tree left allocated.
// A child whose file is, by its real path, one of the files being read is refused
// ("Child models nested too deeply").
Model *mod_load_tree(const char *path, Model *parent);
