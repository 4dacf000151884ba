#include "model/model.h"

#include <cstdlib>
#include <cstring>

#include "foundation/path.h"
#include "foundation/str.h"
#include "model/model_build.h"

ModelIdCounters g_model_ids = {1, 1, 1, 1, 1, 1, 1};

Model *model_create(const char *path, Model *parent)
{
    if (!path) return nullptr;
    Model *model = static_cast<Model *>(calloc(1, sizeof(Model)));
    if (!model) return nullptr;
    model->parent = parent;
    const char *name = path_model_name(path);
    str_copy_bounded(name, model->name, sizeof model->name);
    const char *directory = path_directory(path);
    str_copy_bounded(directory, model->directory, sizeof model->directory);
    model->flag = 0;
    table_init(&model->points, sizeof(Point), KEY_INT);
    table_init(&model->joints, sizeof(Joint), KEY_NAME);
    table_init(&model->blends, sizeof(Blend), KEY_INT);
    table_init(&model->layers, sizeof(Layer), KEY_NAME);
    table_init(&model->children, sizeof(Child), KEY_INT);
    table_init(&model->collides, sizeof(CollideObject), KEY_INT);
    model->viewer_index = -1;
    return model;
}

// A path that gives no name is refused and leaves the model as it was.
int model_set_path(Model *model, const char *path)
{
    if (!model || !path) return 0;
    const char *name = path_model_name(path);
    if (!name || !name[0]) return 0;
    str_copy_bounded(name, model->name, sizeof model->name);
    const char *directory = path_directory(path);
    if (directory && directory[0])
        str_copy_bounded(directory, model->directory, sizeof model->directory);
    return 1;
}

int model_free(Model *model)
{
    if (!model) return 0;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, slot, 0));
        if (child && child->model) {
            model_free(child->model);
            child->model = nullptr;
        }
    }
    // Deleting in slot order removes the first remaining layer each time, without a walk.
    for (int32_t slot = 0; slot < model->layers.capacity; slot++) {
        const Layer *layer = static_cast<const Layer *>(table_nth(&model->layers, slot, 0));
        if (!layer) continue;
        char key[MODEL_KEY_LENGTH + 1];
        model_key_name(layer->name, key);
        model_delete_layer(model, key);
    }
    table_free(&model->collides);
    table_free(&model->children);
    table_free(&model->layers);
    table_free(&model->joints);
    table_free(&model->blends);
    table_free(&model->points);
    free(model);
    return 1;
}

void model_set_flag(Model *model, uint32_t value)
{
    if (model) model->flag = value;
}

uint32_t model_get_flag(const Model *model)
{
    return model ? model->flag : 0;
}

void model_key_name(const char *name, char *key)
{
    str_copy_bounded(name, key, MODEL_KEY_LENGTH + 1);
}
