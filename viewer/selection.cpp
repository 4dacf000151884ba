#include "viewer/selection.h"

#include <cstring>

#include "model/model.h"
#include "viewer/viewer.h"

// Element sizes of the six tables that are kept with a set but never filled.
static const int32_t UNUSED_SIZES[6] = {12, 12, 12, 12, 12, 8};

// A selected child link: two words. The link itself is found from the key (its
// child id) through its ChildXform, since a Child's address moves with its table.
struct SelectedChild {
    void *unused;
    int32_t link_id;  // the child id, as the key
};

void sel_init(Viewer *viewer)
{
    if (!viewer) return;
    sel_set_init(&viewer->selection);
    sel_set_init(&viewer->copy_set);
    sel_set_clear(&viewer->selection);
    sel_set_clear(&viewer->copy_set);
}

void sel_set_init(SelectionSet *set)
{
    if (!set) return;
    memset(set, 0, sizeof *set);
    table_init(&set->models, sizeof(Model *), KEY_INT);
    table_init(&set->children, sizeof(SelectedChild), KEY_INT);
    for (int i = 0; i < 6; i++) table_init(&set->unused[i], UNUSED_SIZES[i], KEY_INT);
}

void sel_set_clear(SelectionSet *set)
{
    if (!set) return;
    table_clear(&set->models);
    table_clear(&set->children);
    for (int i = 0; i < 6; i++) table_clear(&set->unused[i]);
    for (int i = 0; i < 3; i++) {
        set->rotate_centre[i] = 0.0f;
        set->rotate_axis[i] = 0.0f;
    }
}

void sel_set_free(SelectionSet *set)
{
    if (!set) return;
    table_free(&set->models);
    table_free(&set->children);
    for (int i = 0; i < 6; i++) table_free(&set->unused[i]);
}

void sel_clear(Viewer *viewer)
{
    if (viewer) sel_set_clear(&viewer->selection);
}

void sel_clear_copy(Viewer *viewer)
{
    if (viewer) sel_set_clear(&viewer->copy_set);
}

int sel_model(Viewer *viewer, int32_t id)
{
    if (!viewer) return 0;
    Model *model = nullptr;
    ModelXform *xform = rcache_find_model_xform(viewer, id);
    if (xform) {
        model = xform->model;
    } else {
        Child *child = rcache_child_of(rcache_find_child_xform(viewer, id));
        if (child) model = child->model;
    }
    if (!model) return 0;
    Model **slot = static_cast<Model **>(table_add(&viewer->selection.models, id));
    if (!slot) return 0;
    *slot = model;
    return 1;
}

Model *sel_current_model(Viewer *viewer)
{
    if (!viewer) return nullptr;
    int32_t key = 0;
    Model **slot = static_cast<Model **>(table_first(&viewer->selection.models, &key));
    if (!slot) return nullptr;
    Model *model = *slot;
    ModelXform *xform = rcache_find_model_xform(viewer, key);
    if (xform && xform->model == model) return model;
    Child *child = rcache_child_of(rcache_find_child_xform(viewer, key));
    if (child && child->model == model) return model;
    return nullptr;
}
