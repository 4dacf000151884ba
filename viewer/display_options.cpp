#include "viewer/display_options.h"

#include "foundation/geometry.h"
#include "model/model.h"
#include "model/model_edit.h"
#include "viewer/viewer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

// Highest curve tessellation level.
static const int MAX_LOD = 6;
// Words of the selection buffer of the point pick.
static const int PICK_BUFFER_WORDS = 64;
// Side of the pick region around the pointer, pixels.
static const double PICK_REGION = 20.0;
// Texture inset of the smooth option, texels.
static const float SMOOTH_INSET = 0.5f;

const float k_points_colors[6][4] = {
    {1, 1, 1, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}, {1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 1, 1},
};

static constexpr bool same_word(const char *a, const char *b);
static constexpr bool options_distinct();

void display_set(Viewer *viewer, const DisplayOption *option, int value)
{
    if (viewer == nullptr || option == nullptr) return;
    switch (option->value) {
    case DISPLAY_LEVEL:
        display_set_lod(viewer, value);
        break;
    case DISPLAY_SMOOTH:
        display_set_smooth(viewer, value);
        break;
    case DISPLAY_FLAG:
        viewer->*option->flag = value;
        break;
    }
}

int display_get(Viewer *viewer, const DisplayOption *option)
{
    return viewer != nullptr && option != nullptr ? viewer->*option->flag : 0;
}

void display_set_defaults(Viewer *viewer)
{
    if (viewer == nullptr) return;
    for (const DisplayOption &option : k_display_options) viewer->*option.flag = option.initial;
}

void display_set_lod(Viewer *viewer, int level)
{
    if (viewer == nullptr) return;
    viewer->lod = level < 0 ? 0 : level > MAX_LOD ? MAX_LOD : level;
}

int display_get_lod(Viewer *viewer)
{
    return viewer != nullptr ? viewer->lod : 0;
}

void display_set_smooth(Viewer *viewer, int value)
{
    if (viewer == nullptr || value == viewer->smooth) return;
    viewer_apply_smooth(viewer, value != 0 ? 1 : 0);
    viewer->smooth = value;
}

int display_get_smooth(Viewer *viewer)
{
    return viewer != nullptr ? viewer->smooth : 0;
}

void viewer_apply_smooth(Viewer *viewer, int on)
{
    if (viewer == nullptr) return;
    float inset = on ? SMOOTH_INSET : 0.0f;
    KeyedTable *models = &viewer->models;
    for (int32_t i = 0; i < models->capacity; i++) {
        LoadedModel *loaded = static_cast<LoadedModel *>(table_nth(models, i, 0));
        if (loaded != nullptr && loaded->model != nullptr) model_offset_uvs(loaded->model, inset, inset);
    }
}

float draw_mean_edge_length(const float *p0, const float *p1, const float *p2)
{
    float sum = 0.0f;
    const float *a[3] = {p0, p1, p2};
    for (int e = 0; e < 3; e++) {
        const float *p = a[e], *q = a[(e + 1) % 3];
        float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
        sum += std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    return sum / 3.0f;
}

void viewer_set_points_color_index(Viewer *viewer, int index)
{
    if (viewer == nullptr || index < -1 || index > 5) return;
    viewer->points_color_index = index;
}

void viewer_unproject(float x, float y, float *out)
{
    if (out == nullptr) return;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Window rows count from the top, GL rows from the bottom: row y is GL row height - 1 - y.
    int wy = geom_trunc_int((double)viewport[1] + (double)viewport[3] - 1.0 - geom_trunc_int(y));
    GLfloat depth = 0.0f;
    glReadPixels(geom_trunc_int(x), wy, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    GLdouble wx = 0, wyw = 0, wz = 0;
    gluUnProject(x, wy, depth, modelview, projection, viewport, &wx, &wyw, &wz);
    out[0] = (float)wx;
    out[1] = (float)wyw;
    out[2] = (float)wz;
}

void viewer_set_cursor_position(Viewer *viewer, float x, float y, float z)
{
    if (viewer == nullptr) return;
    viewer->cursor_position[0] = x;
    viewer->cursor_position[1] = y;
    viewer->cursor_position[2] = z;
}

const float *viewer_get_cursor_position(Viewer *viewer)
{
    return viewer != nullptr ? viewer->cursor_position : nullptr;
}

int viewer_pick_point(Viewer *viewer, int x, int y)
{
    if (viewer == nullptr) return 0;
    LoadedModel *loaded = static_cast<LoadedModel *>(table_nth(&viewer->models, 0, 1));
    if (loaded == nullptr || loaded->model == nullptr) return 0;
    Model *model = loaded->model;
    GLuint buffer[PICK_BUFFER_WORDS];
    GLint viewport[4];
    GLfloat projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glSelectBuffer(PICK_BUFFER_WORDS, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(x, viewport[3] - y, PICK_REGION, PICK_REGION, viewport);
    glMultMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    if (model->viewer_index != -1) {
        ModelXform *xform = rcache_model_xform(viewer, model);
        if (xform != nullptr) glMultMatrixf(xform->gl_matrix);
    }
    KeyedTable *points = &model->points;
    for (int32_t i = 0; i < points->capacity; i++) {
        if (table_nth(points, i, 0) == nullptr) continue;
        const float *p = rcache_vertex_position(viewer, model, i, 1);
        if (p == nullptr) continue;
        glPushName((GLuint)points->slots[i].key);
        glBegin(GL_POINTS);
        glVertex3fv(p);
        glEnd();
        glPopName();
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    GLint hits = glRenderMode(GL_RENDER);
    // A hit record: name count, depth minimum and maximum, then the names.
    if (hits < 1 || buffer[0] < 1) return 0;
    return (int)buffer[3];
}

// True when both words are null or both hold the same text.
static constexpr bool same_word(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr) return a == b;
    while (*a != '\0' && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

// True when no two options share a flag or a word (several may have no word).
static constexpr bool options_distinct()
{
    for (int i = 0; i < DISPLAY_OPTION_COUNT; i++) {
        for (int j = i + 1; j < DISPLAY_OPTION_COUNT; j++) {
            const DisplayOption &a = k_display_options[i];
            const DisplayOption &b = k_display_options[j];
            if (a.flag == b.flag) return false;
            if (a.word != nullptr && same_word(a.word, b.word)) return false;
        }
    }
    return true;
}

// A row copied and left with its old flag or word would leave another flag
// without its default or its word.
static_assert(options_distinct(), "every display option has its own flag and word");
