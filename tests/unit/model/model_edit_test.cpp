// Texture-coordinate inset of whole models.
#include "model/model_edit.h"
#include "model_fixture.h"

#include <cstring>

using namespace model_test;

namespace {

// Gives the layer a texture record with a slot-0 image of w x h texels.
void give_image(Model *m, const char *name, int32_t w, int32_t h)
{
    Layer *layer = static_cast<Layer *>(table_find(&m->layers, name));
    ASSERT_NE(layer, nullptr);
    LayerTexture *texture = static_cast<LayerTexture *>(table_add(&layer->texture, 1));
    ASSERT_NE(texture, nullptr);
    memset(texture, 0, sizeof *texture);
    texture->width[LAYER_SLOT_IMAGE] = w;
    texture->height[LAYER_SLOT_IMAGE] = h;
}

// Sets every corner of the layer's first face to (u, v) = (corner & 1, corner >> 1).
Face *unit_face(Model *m, const char *name)
{
    Layer *layer = static_cast<Layer *>(table_find(&m->layers, name));
    Face *face = first_of<Face>(&layer->faces);
    for (int c = 0; c < 4; c++) {
        face->uv[c][0] = (float)(c & 1);
        face->uv[c][1] = (float)(c >> 1);
    }
    return face;
}

} // namespace

TEST(OffsetUvsTest, HalfTexelInsetOfA256Image)
{
    Model *m = square_model();
    give_image(m, "skin", 256, 128);
    Face *face = unit_face(m, "skin");
    ASSERT_EQ(model_offset_uvs(m, 0.5f, 0.5f), 1);
    EXPECT_FLOAT_EQ(face->uv[0][0], 0.5f / 255.0f);
    EXPECT_FLOAT_EQ(face->uv[1][0], 254.5f / 255.0f);
    EXPECT_FLOAT_EQ(face->uv[0][1], 0.5f / 127.0f);
    EXPECT_FLOAT_EQ(face->uv[3][1], 126.5f / 127.0f);
    // A second call insets again, on top of the first.
    ASSERT_EQ(model_offset_uvs(m, 0.5f, 0.5f), 1);
    float once = 0.5f / 255.0f;
    EXPECT_FLOAT_EQ(face->uv[0][0], once * (1.0f - 1.0f / 255.0f) + once);
    // Zero insets change nothing.
    float before = face->uv[1][0];
    ASSERT_EQ(model_offset_uvs(m, 0.0f, 0.0f), 1);
    EXPECT_FLOAT_EQ(face->uv[1][0], before);
    model_free(m);
}

TEST(OffsetUvsTest, LayersItCannotInsetAreLeftAlone)
{
    Model *m = square_model();
    const int32_t ids[3] = {1, 2, 3};
    ASSERT_EQ(model_add_layer(m, "strips", 127, 0, 0, 0, 0, 0), 1);
    ASSERT_EQ(model_add_strip(m, "strips", 3, ids, nullptr), 1);
    give_image(m, "strips", 64, 64);
    Layer *strips = static_cast<Layer *>(table_find(&m->layers, "strips"));
    StripVertex *vertex = static_cast<StripVertex *>(
        table_nth(&first_of<Strip>(&strips->strips)->vertices, 0, 1));
    vertex->u = 1.0f;
    // One texel wide: no inset can be computed.
    give_image(m, "skin", 1, 64);
    Face *face = unit_face(m, "skin");
    ASSERT_EQ(model_offset_uvs(m, 0.5f, 0.5f), 1);
    EXPECT_FLOAT_EQ(vertex->u, 1.0f);
    EXPECT_FLOAT_EQ(face->uv[1][0], 1.0f);
    EXPECT_EQ(model_offset_uvs(nullptr, 0.5f, 0.5f), 0);
    model_free(m);
}
