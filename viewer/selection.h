// The viewer's two selection sets: the current selection and the copy set.
#pragma once
#include <cstdint>

#include "foundation/keyed_table.h"

struct Viewer;
struct Model;

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
// Adds the model of a model id, else of a child id's link, to the current selection; 0 when neither.
int sel_model(Viewer *viewer, int32_t id);
// The first selected model when its key still names it; null otherwise or when empty.
Model *sel_current_model(Viewer *viewer);
