// Frees what a test's viewer holds once the test is done with it, so the
// sanitizer build sees no leak: the loaded models, the render caches, the
// loaded-model table and both selection sets.
#pragma once
#include "foundation/keyed_table.h"
#include "viewer/loaded_models.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"

// Closes every model of the viewer and frees its tables and selection sets.
inline void viewer_teardown(Viewer *viewer)
{
    viewer_close_all(viewer);
    KeyedTable *tables[] = {&viewer->model_xforms, &viewer->point_caches,  &viewer->face_caches,
                            &viewer->joint_caches, &viewer->child_xforms, &viewer->collide_caches,
                            &viewer->models};
    for (KeyedTable *table : tables) table_free(table);
    sel_set_free(&viewer->selection);
    sel_set_free(&viewer->copy_set);
}
