// The smooth display option's texture inset over the loaded models.
#include "viewer/display_options.h"
#include "viewer/viewer.h"

#include "../model/model_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace model_test;

// Stand-ins for the render caches, which only the point pick uses.
ModelXform *rcache_model_xform(Viewer *, Model *)
{
    return nullptr;
}
const float *rcache_vertex_position(Viewer *, Model *, int, int)
{
    return nullptr;
}

namespace {

// A viewer holding one loaded model: the square with a 256 x 128 image on its layer.
struct SmoothScene {
    Viewer viewer;
    Model *model;
    Face *face;
    SmoothScene()
    {
        memset(&viewer, 0, sizeof viewer);
        table_init(&viewer.models, sizeof(LoadedModel), KEY_INT);
        model = square_model();
        Layer *layer = static_cast<Layer *>(table_find(&model->layers, "skin"));
        LayerTexture *texture = static_cast<LayerTexture *>(table_add(&layer->texture, 1));
        memset(texture, 0, sizeof *texture);
        texture->width[LAYER_SLOT_IMAGE] = 256;
        texture->height[LAYER_SLOT_IMAGE] = 128;
        face = first_of<Face>(&layer->faces);
        face->uv[1][0] = 1.0f;
        LoadedModel *loaded = static_cast<LoadedModel *>(table_add(&viewer.models, 1));
        loaded->model = model;
        loaded->animation = nullptr;
    }
    ~SmoothScene()
    {
        model_free(model);
        table_free(&viewer.models);
    }
};

} // namespace

TEST(DisplaySmooth, OnTwiceInsetsOnceAndOffKeepsTheInset)
{
    SmoothScene scene;
    display_set_smooth(&scene.viewer, 1);
    display_set_smooth(&scene.viewer, 1);
    EXPECT_EQ(display_get_smooth(&scene.viewer), 1);
    EXPECT_FLOAT_EQ(scene.face->uv[0][0], 0.5f / 255.0f);
    EXPECT_FLOAT_EQ(scene.face->uv[1][0], 254.5f / 255.0f);
    display_set_smooth(&scene.viewer, 0);
    EXPECT_EQ(display_get_smooth(&scene.viewer), 0);
    EXPECT_FLOAT_EQ(scene.face->uv[0][0], 0.5f / 255.0f);
    EXPECT_FLOAT_EQ(scene.face->uv[1][0], 254.5f / 255.0f);
}
