// The viewer's two selection sets: the current selection and the copy set.
#pragma once
#include <cstdint>

#include "foundation/keyed_table.h"

struct Viewer;
struct Model;

// Largest size (2^100) of a coordinate that placing a selected model may give its box or its
// origin: far beyond any scene, yet small enough that the sizes, centres and view extents
// made from such coordinates stay finite floats.
constexpr float SEL_PLACEMENT_LIMIT = 0x1p100f;

// One selection of models and child links.
struct SelectionSet {
    KeyedTable models;         // key = model id or child id, element = Model pointer (not owned)
    KeyedTable children;       // key = child id, element = two words; the link is found through its
                               // ChildXform at use, never kept by address (child tables move)
    float rotate_centre[3];    // centre of select rotate; (0,0,0) = none
    float rotate_axis[3];      // unit axis of select rotate; (0,0,0) = none
    KeyedTable unused[6];      // kept with the others, never filled (five of 12 bytes, one of 8)
};

// Creates the tables of both sets of the viewer and clears both.
void sel_init(Viewer *viewer);
// Creates the tables of one set, empty.
void sel_set_init(SelectionSet *set);
// Empties one set: tables emptied, centre and axis zeroed.
void sel_set_clear(SelectionSet *set);
// Frees the tables of one set.
void sel_set_free(SelectionSet *set);
// Empties the current selection.
void sel_clear(Viewer *viewer);
// Empties the copy set.
void sel_clear_copy(Viewer *viewer);
// Frees the copy set's tables and fills them with copies of the current set's (rotate centre
// and axis not copied); cut mark 0. 1, or 0 when out of memory (that table left empty).
int sel_copy(Viewer *viewer);
// sel_copy, then cut mark 1; nothing leaves the scene.
int sel_cut(Viewer *viewer);
// Does nothing; 1.
int sel_paste(Viewer *viewer);
// Empties the current set, then selects every model that has a ModelXform under its model id.
int sel_all_models(Viewer *viewer);
// Adds the model of a model id, else of a child id's link, to the current selection; 0 when neither.
int sel_model(Viewer *viewer, int32_t id);
// Adds the child link of a child id to the current selection's links; 0 when there is none.
int sel_child(Viewer *viewer, int32_t id);

// The operations over the selected models below use only entries whose key still names the
// model they were selected as; they walk in slot order and stop at the first model whose step
// fails (0; the models before it keep the change), else 1.

// Translation of each selected model += (x, y, z) when relative, else = (x, y, z); the
// view size grows to fit each. 0, changing nothing, when it does not fit (sel_translate_fits).
int sel_translate(Viewer *viewer, float x, float y, float z, int relative);
// Rotation of each selected model from three rotation words, about the rotate centre (and
// axis) when set: rotation = R x rotation when relative, else = R. 0, changing nothing, when
// it does not fit.
int sel_rotate(Viewer *viewer, const char *word0, const char *word1, const char *word2, int relative);
// Scale of each selected model x= (x, y, z) per component when relative, else = (x, y, z).
// 0, changing nothing, when it does not fit.
int sel_scale(Viewer *viewer, float x, float y, float z, int relative);
// 1 when the translation, rotation or scale would leave every selected model placed within
// SEL_PLACEMENT_LIMIT: each coordinate of its box and of its placed origin no larger in size,
// and its placement matrix finite; 0 otherwise (or for a selected model without a placement).
// Nothing changes.
int sel_translate_fits(Viewer *viewer, float x, float y, float z, int relative);
int sel_rotate_fits(Viewer *viewer, const char *word0, const char *word1, const char *word2, int relative);
int sel_scale_fits(Viewer *viewer, float x, float y, float z, int relative);
// Unloads each selected model (caches, model, animation), then empties the selection. A step
// fails on an entry that is no loaded model; every entry of an unloaded model then leaves
// both sets. Linear in the number of loaded and selected models.
int sel_delete(Viewer *viewer);
// Lays each selected model flat in the z = 0 plane.
int sel_pancake(Viewer *viewer);
// Reads the .mod text into each selected model (mod_read_added_text), stopping at the first
// model whose read fails.
int sel_add_data(Viewer *viewer, const char *text);
// Gives each selected model its own copy of the model of a model id as a new child link placed
// by that model's translation, scale and rotation words, then empties the selection. 0 at once
// when the id is itself selected or names no model.
int sel_add_child(Viewer *viewer, int32_t id);
// 0, with the message naming the child's file as the last-error text, when attaching the model
// of a model id to a selected model would give a model whose saved file does not read back: it
// would contain itself, or hold too many models or levels (mod_child_find); 1 when none would, or
// when the id is itself selected or names no model (sel_add_child attaches nothing then).
int sel_child_fits(Viewer *viewer, int32_t id);
// Centre of the union of the selected models' boxes under their matrices; (0, 0, 0) when none.
// A static 3-float buffer, valid until the next call.
const float *sel_centre(Viewer *viewer);
// The first selected model when its key still names it; null otherwise or when empty.
Model *sel_current_model(Viewer *viewer);
// Rotate centre of the current set = (x, y, z).
void sel_set_rotate_centre(Viewer *viewer, float x, float y, float z);
// Rotate axis = unit vector from the rotate centre to (x, y, z); (0, 0, 0), no axis, when the
// point is the centre.
void sel_set_rotate_axis(Viewer *viewer, float x, float y, float z);
