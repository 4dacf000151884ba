// Layer textures. Texture objects are made lazily while a frame is drawn, so the
// names in the layers' texture records all belong to the GL context that was
// current then; the module remembers that context's number. When another context
// is current at the next bind (the window and its context were made again), the
// old names mean nothing there: they are forgotten, never deleted in the wrong
// context, and every slot uploads anew.
#include "viewer/draw_texture.h"

#include "foundation/keyed_table.h"
#include "foundation/matrix4.h"
#include "model/image_cache.h"
#include "model/model.h"
#include "viewer/viewer.h"
#include "viewer/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Internal format of every upload: four components, so RGB images get alpha 1.
static const GLint TEXTURE_COMPONENTS = 4;
// Halvings tried when the driver refuses a resampled size.
static const int MAX_SIZE_TRIES = 16;

// The module's state: which GL context the texture names of all layers belong to.
struct TextureState {
    unsigned serial;  // number of that context; 0 before any texture was made
};

static TextureState g_texture_state = {0};

static void adopt_current_context(Viewer *viewer);
static void forget_model_names(Model *model);
static int slot_holds_rgba(const LayerTexture *record, int slot, int rgba);
static void set_filters(const Viewer *viewer);
static void upload(const LayerTexture *record, int slot, GLenum format);
static int size_accepted(int width, int height, GLenum format);
static int npot_supported(void);
static int power_of_two(int n);
static int power_of_two_below(int n);

void draw_bind_texture(Viewer *viewer, LayerTexture *record, int slot, int rgba, float alpha)
{
    if (viewer == nullptr || record == nullptr || slot < 0 || slot >= LAYER_SLOT_COUNT) return;
    if (record->pixels[slot] == nullptr || record->width[slot] < 1 || record->height[slot] < 1) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    adopt_current_context(viewer);
    if (record->gl_stale) draw_release_texture_names(record);

    int additive = slot == LAYER_SLOT_REFLECT && record->additive[LAYER_SLOT_REFLECT];
    int blend = rgba ? viewer->transparency : alpha < 1.0f;
    glDepthMask(GL_TRUE);
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }

    if (record->gl_names[slot] == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        record->gl_names[slot] = name;
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        set_filters(viewer);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        upload(record, slot, slot_holds_rgba(record, slot, rgba) ? GL_RGBA : GL_RGB);
        viewer->frame_uploads++;
    } else {
        glBindTexture(GL_TEXTURE_2D, record->gl_names[slot]);
        set_filters(viewer);
    }
}

void draw_sphere_map_uv(const float *const *positions, const float *const *normals, float *out, int count)
{
    if (positions == nullptr || normals == nullptr || out == nullptr || count < 1) return;
    Matrix4 gl;
    Matrix4 modelview;
    Matrix4 projection;
    glGetFloatv(GL_MODELVIEW_MATRIX, gl.m);
    mat4_transpose(&gl, &modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, gl.m);
    mat4_transpose(&gl, &projection);
    Matrix4 rotation = modelview;
    rotation.m[3] = rotation.m[7] = rotation.m[11] = 0.0f;
    rotation.m[12] = rotation.m[13] = rotation.m[14] = 0.0f;
    rotation.m[15] = 1.0f;
    Matrix4 screen;
    mat4_multiply(&modelview, &projection, &screen);
    for (int i = 0; i < count; i++) {
        float n[3];
        float p[3];
        mat4_transform_point(&rotation, normals[i], n);
        mat4_transform_point(&screen, positions[i], p);
        float px = p[0];
        float py = p[1];
        if (px != 0.0f || py != 0.0f) {
            float length = std::sqrt(px * px + py * py);
            px /= length;
            py /= length;
        }
        out[2 * i] = 1.5f + (0.375f * n[0] + 0.125f * px);
        out[2 * i + 1] = 1.5f - (0.375f * n[1] + 0.125f * py);
    }
}

void draw_release_texture_names(LayerTexture *record)
{
    if (record == nullptr) return;
    unsigned current = win_current_gl_serial();
    int deletable = current != 0 && current == g_texture_state.serial;
    for (int slot = 0; slot < LAYER_SLOT_COUNT; slot++) {
        GLuint name = record->gl_names[slot];
        if (name != 0 && deletable) glDeleteTextures(1, &name);
        record->gl_names[slot] = 0;
    }
    record->gl_stale = 0;
}

void draw_release_layer_textures(Layer *layer)
{
    if (layer == nullptr) return;
    draw_release_texture_names(static_cast<LayerTexture *>(table_find(&layer->texture, 1)));
}

// Makes the current GL context the owner of texture names; names made in an earlier
// context are forgotten in every loaded model.
static void adopt_current_context(Viewer *viewer)
{
    unsigned current = win_current_gl_serial();
    if (current == 0 || current == g_texture_state.serial) return;
    if (g_texture_state.serial != 0) {
        KeyedTable *models = &viewer->models;
        for (int32_t i = 0; i < models->capacity; i++) {
            LoadedModel *loaded = static_cast<LoadedModel *>(table_nth(models, i, 0));
            if (loaded != nullptr) forget_model_names(loaded->model);
        }
    }
    g_texture_state.serial = current;
}

// Zeroes the texture names of a model and its child models without deleting them.
static void forget_model_names(Model *model)
{
    if (model == nullptr) return;
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer == nullptr) continue;
        LayerTexture *record = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
        if (record != nullptr) memset(record->gl_names, 0, sizeof record->gl_names);
    }
    for (int32_t i = 0; i < model->children.capacity; i++) {
        Child *child = static_cast<Child *>(table_nth(&model->children, i, 0));
        if (child != nullptr) forget_model_names(child->model);
    }
}

// 1 when the slot's pixels are 4 bytes a pixel: the image cache's colour-keyed copy. A slot
// whose image the cache does not know is taken as the caller says.
static int slot_holds_rgba(const LayerTexture *record, int slot, int rgba)
{
    const ImageCacheEntry *entry = image_cache_find(record->cache_path[slot]);
    if (entry == nullptr) return rgba;
    return entry->keyed_pixels != nullptr && record->pixels[slot] == entry->keyed_pixels;
}

// Linear filters with the smooth option, nearest texels without.
static void set_filters(const Viewer *viewer)
{
    GLfloat filter = viewer->smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

// Uploads the slot's pixels to the bound texture: as they are when the driver takes their
// size, else resampled into a scratch copy of a size it takes (the slot's pixels unchanged).
static void upload(const LayerTexture *record, int slot, GLenum format)
{
    int width = record->width[slot];
    int height = record->height[slot];
    const uint8_t *pixels = record->pixels[slot];
    if (size_accepted(width, height, format)) {
        glTexImage2D(GL_TEXTURE_2D, 0, TEXTURE_COMPONENTS, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size < 1) max_size = 64;
    int w = power_of_two_below(width < max_size ? width : max_size);
    int h = power_of_two_below(height < max_size ? height : max_size);
    for (int tries = 0; tries < MAX_SIZE_TRIES && !size_accepted(w, h, format) && (w > 1 || h > 1); tries++) {
        if (w > 1) w /= 2;
        if (h > 1) h /= 2;
    }
    size_t bytes = (size_t)w * (size_t)h * (format == GL_RGBA ? 4 : 3);
    uint8_t *scratch = static_cast<uint8_t *>(malloc(bytes));
    if (scratch == nullptr) return;
    GLint pack_alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    GLint scaled = gluScaleImage(format, width, height, GL_UNSIGNED_BYTE, pixels, w, h, GL_UNSIGNED_BYTE, scratch);
    glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment);
    if (scaled == 0) glTexImage2D(GL_TEXTURE_2D, 0, TEXTURE_COMPONENTS, w, h, 0, format, GL_UNSIGNED_BYTE, scratch);
    free(scratch);
}

// 1 when the driver takes a texture of this size: within the largest size, a power of two
// on each side unless the driver takes any size, and accepted by the proxy texture.
static int size_accepted(int width, int height, GLenum format)
{
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (width < 1 || height < 1 || width > max_size || height > max_size) return 0;
    if ((!power_of_two(width) || !power_of_two(height)) && !npot_supported()) return 0;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, TEXTURE_COMPONENTS, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
    GLint proxy_width = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxy_width);
    return proxy_width != 0;
}

// 1 when the current context takes textures of any size (OpenGL 2.0 or the extension).
static int npot_supported(void)
{
    const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    if (version != nullptr && atoi(version) >= 2) return 1;
    const char *extensions = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    return extensions != nullptr && strstr(extensions, "GL_ARB_texture_non_power_of_two") != nullptr;
}

static int power_of_two(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// The largest power of two not above n (1 for n below 2).
static int power_of_two_below(int n)
{
    int p = 1;
    while (p <= n / 2) p *= 2;
    return p;
}
