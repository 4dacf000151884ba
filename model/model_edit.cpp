#include "model/model_edit.h"

#include "model/model.h"

static void inset(float *u, float *v, float su, float lo_u, float sv, float lo_v);

int model_offset_uvs(Model *model, float a, float b)
{
    if (model == nullptr) return 0;
    KeyedTable *layers = &model->layers;
    for (int32_t i = 0; i < layers->capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(layers, i, 0));
        if (layer == nullptr || table_count(&layer->faces) == 0) continue;
        LayerTexture *texture = static_cast<LayerTexture *>(table_nth(&layer->texture, 0, 1));
        if (texture == nullptr) continue;
        int32_t w = texture->width[LAYER_SLOT_IMAGE], h = texture->height[LAYER_SLOT_IMAGE];
        if (w < 2 || h < 2) continue;
        float du = 1.0f / (float)(w - 1), dv = 1.0f / (float)(h - 1);
        float lo_u = a * du, lo_v = a * dv;
        float su = (1.0f - b * du) - lo_u, sv = (1.0f - b * dv) - lo_v;
        for (int32_t f = 0; f < layer->faces.capacity; f++) {
            Face *face = static_cast<Face *>(table_nth(&layer->faces, f, 0));
            if (face == nullptr) continue;
            for (int c = 0; c < 4; c++) inset(&face->uv[c][0], &face->uv[c][1], su, lo_u, sv, lo_v);
        }
        for (int32_t s = 0; s < layer->strips.capacity; s++) {
            Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, s, 0));
            if (strip == nullptr) continue;
            for (int32_t k = 0; k < strip->vertices.capacity; k++) {
                StripVertex *vertex = static_cast<StripVertex *>(table_nth(&strip->vertices, k, 0));
                if (vertex != nullptr) inset(&vertex->u, &vertex->v, su, lo_u, sv, lo_v);
            }
        }
    }
    return 1;
}

static void inset(float *u, float *v, float su, float lo_u, float sv, float lo_v)
{
    *u = *u * su + lo_u;
    *v = *v * sv + lo_v;
}
