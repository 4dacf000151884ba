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
Model *mod_load_tree(const char *path, Model *parent);
// Message of a child that would contain its own parent: "Child model would contain its parent".
extern const char MOD_CHILD_LOOP[];
// 1 when a child line naming name, added to model, would lead back to model once the saved
// files are read again: name is the name of model or of a model above it, or one of the models
// named below it is. Below it are the child lines of name's file in the current folder (where
// a save writes every model, and so where the saved model finds its children), followed through
// their files to any depth, and, when tree (the model to be attached, or null) is given, every
// child of tree's own hierarchy with the files those name. Names compare without regard to case;
// a file that cannot be read names nothing. The last-error text is left as it was.
int mod_child_loops(const Model *model, const char *name, Model *tree);
// mod_child_loops for each of count models at once, with the files below name read once: 1 when
// the child would lead back to any of them.
int mod_child_loops_any(const Model *const *models, int count, const char *name, Model *tree);
