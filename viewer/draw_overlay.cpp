// Overlays of the model pass. Every drawer switches lighting and texturing off
// for its lines and leaves lighting on, or puts back what it found.
#include "viewer/draw_overlay.h"

#include "foundation/byte_buffer.h"
#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/str.h"
#include "model/model.h"
#include "viewer/digit_font.h"
#include "viewer/display_options.h"
#include "viewer/tri_batch.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <cstring>

// Glyph cell of the digit font, pixels.
static const int GLYPH_WIDTH = 8;
static const int GLYPH_HEIGHT = 12;
// Bytes of one glyph in the viewer (only the first GLYPH_HEIGHT are used).
static const int GLYPH_BYTES = 96;
// Vertices a strip's normals are gathered for at most.
static const int MAX_STRIP_NORMALS = 512;


// Positions and normals of one strip's vertices.
static const float *g_strip_positions[MAX_STRIP_NORMALS];
static const float *g_strip_normals[MAX_STRIP_NORMALS];

static void normal_lines(const float *const *positions, const float *const *normals, int count, float length);
static void overlay_begin(void);
static uint32_t lattice(float x);

void draw_build_digit_font(Viewer *viewer)
{
    if (viewer == nullptr) return;
    const uint8_t *image = k_digit_font_image;
    int width = buf_read_i16(image);
    int height = buf_read_i16(image + 2);
    const uint8_t *pixels = image + DIGIT_FONT_HEADER_BYTES;
    for (int d = 0; d < 10; d++) {
        uint8_t *glyph = viewer->digit_glyphs[d];
        memset(glyph, 0, GLYPH_BYTES);
        for (int k = 0; k < GLYPH_HEIGHT; k++) {
            int row = GLYPH_HEIGHT - 1 - k;
            for (int j = 0; j < GLYPH_WIDTH; j++) {
                int column = GLYPH_WIDTH * d + j;
                if (row >= height || column >= width) continue;
                if (pixels[row * width + column] != 0) glyph[k] |= (uint8_t)(0x80 >> j);
            }
        }
    }
    viewer->font_ready = 1;
}

void draw_number(Viewer *viewer, int value, float x, float y, float z)
{
    if (viewer == nullptr || !viewer->font_ready) return;
    char text[16];
    util_int_to_text(value, text);
    glRasterPos3f(x, y, z);
    for (const char *c = text; *c != '\0'; c++) {
        if (*c < '0' || *c > '9') continue;
        glBitmap(GLYPH_WIDTH, GLYPH_HEIGHT, -2.0f, 0.0f, 8.0f, 0.0f, viewer->digit_glyphs[*c - '0']);
    }
}

void draw_grid(Viewer *viewer)
{
    if (viewer == nullptr) return;
    overlay_begin();
    float extent = viewer->view_size;
    float step = extent * 0.2f;
    float ox = 0.0f;
    float oy = 0.0f;
    if (step > 0.0f) {
        ox = std::trunc(viewer->focus[0] / step) * step;
        oy = std::trunc(viewer->focus[1] / step) * step;
    }
    glPushMatrix();
    glTranslatef(ox, oy, 0.0f);
    glBegin(GL_LINES);
    glColor3f(0.2f, 0.2f, 0.2f);
    glVertex3f(-extent, 0.0f, 0.0f);
    glVertex3f(extent, 0.0f, 0.0f);
    glVertex3f(0.0f, -extent, 0.0f);
    glVertex3f(0.0f, extent, 0.0f);
    // A step of 0 (or not a number) would never reach the extent.
    if (step > 0.0f) {
        for (float t = step; t < extent; t += step) {
            glVertex3f(t, -extent, 0.0f);
            glVertex3f(t, extent, 0.0f);
            glVertex3f(-t, -extent, 0.0f);
            glVertex3f(-t, extent, 0.0f);
            glVertex3f(-extent, t, 0.0f);
            glVertex3f(extent, t, 0.0f);
            glVertex3f(-extent, -t, 0.0f);
            glVertex3f(extent, -t, 0.0f);
        }
    }
    glEnd();
    glPopMatrix();
    glEnable(GL_LIGHTING);
}

void draw_cursor(Viewer *viewer)
{
    if (viewer == nullptr) return;
    overlay_begin();
    const float *q = viewer->cursor_position;
    float a = viewer->view_size * 0.05f;
    float h = a * 0.25f;
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(q[0], q[1], q[2]);
    glVertex3f(q[0] + a, q[1], q[2]);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(q[0], q[1], q[2]);
    glVertex3f(q[0], q[1] + a, q[2]);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(q[0], q[1], q[2]);
    glVertex3f(q[0], q[1], q[2] + a);
    glEnd();
    // The heads are one primitive of 9 vertices, which the batch end lengthens: seen from
    // above, the blue head lies on one window row.
    batch_begin(GL_TRIANGLES, 0);
    glColor3f(1.0f, 0.0f, 0.0f);
    batch_vertex3f(q[0] + a, q[1], q[2]);
    batch_vertex3f(q[0] + a - h, q[1] - h, q[2]);
    batch_vertex3f(q[0] + a - h, q[1] + h, q[2]);
    glColor3f(0.0f, 1.0f, 0.0f);
    batch_vertex3f(q[0], q[1] + a, q[2]);
    batch_vertex3f(q[0] + h, q[1] + a - h, q[2]);
    batch_vertex3f(q[0] - h, q[1] + a - h, q[2]);
    glColor3f(0.0f, 0.0f, 1.0f);
    batch_vertex3f(q[0], q[1], q[2] + a);
    batch_vertex3f(q[0] + h, q[1], q[2] + a - h);
    batch_vertex3f(q[0] - h, q[1], q[2] + a - h);
    batch_end();
    glColor3f(1.0f, 0.0f, 0.0f);
    draw_number(viewer, geom_trunc_int(q[0]), q[0] >= 0.0f ? q[0] + a : q[0] - h, q[1], q[2]);
    glColor3f(0.0f, 1.0f, 0.0f);
    draw_number(viewer, geom_trunc_int(q[1]), q[0], q[1] >= 0.0f ? q[1] + a : q[1] - h, q[2]);
    glColor3f(0.0f, 0.0f, 1.0f);
    draw_number(viewer, geom_trunc_int(q[2]), q[0], q[1], q[2] >= 0.0f ? q[2] + a : q[2] - h);
    glEnable(GL_LIGHTING);
}

void draw_skeleton(Viewer *viewer, Model *model)
{
    if (viewer == nullptr || model == nullptr) return;
    float s = viewer->view_size * 0.025f;
    overlay_begin();
    KeyedTable *joints = &model->joints;
    for (int32_t i = 0; i < joints->capacity; i++) {
        Joint *joint = static_cast<Joint *>(table_nth(joints, i, 0));
        if (joint == nullptr) continue;
        JointCache *cache = rcache_joint(viewer, model, joint);
        if (cache == nullptr) continue;
        // Copied: fetching the parent's cache may grow the cache table.
        float position[3] = {cache->position[0], cache->position[1], cache->position[2]};
        Joint *parent = rcache_joint_parent(cache);
        glPushMatrix();
        glTranslatef(position[0], position[1], position[2]);
        glBegin(GL_LINES);
        glColor3f(1.0f, 0.0f, 1.0f);
        glVertex3f(-s, 0.0f, 0.0f);
        glVertex3f(s, 0.0f, 0.0f);
        glVertex3f(0.0f, -s, 0.0f);
        glVertex3f(0.0f, s, 0.0f);
        glVertex3f(0.0f, 0.0f, -s);
        glVertex3f(0.0f, 0.0f, s);
        glEnd();
        glPopMatrix();
        JointCache *parent_cache = parent != nullptr ? rcache_joint(viewer, model, parent) : nullptr;
        if (parent_cache == nullptr) continue;
        glBegin(GL_LINES);
        glColor3f(1.0f, 0.5f, 0.5f);
        glVertex3fv(position);
        glVertex3fv(parent_cache->position);
        glEnd();
    }
    glEnable(GL_LIGHTING);
}

void draw_face_normals(Viewer *viewer, Model *model, Layer *layer, Face *face)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return;
    FaceCache *cache = rcache_face(viewer, model, face);
    if (cache == nullptr) return;
    int count = face->quad ? 4 : 3;
    const float *positions[4];
    const float *normals[4];
    for (int i = 0; i < count; i++) {
        positions[i] = rcache_vertex_position(viewer, model, rcache_face_point_slot(cache, face, i, 0), 1);
        normals[i] = rcache_vertex_normal(viewer, model, rcache_face_point_slot(cache, face, i, 1), 1);
        if (positions[i] == nullptr || normals[i] == nullptr) return;
    }
    DrawLineState state = draw_save_line_state();
    float length = draw_mean_edge_length(positions[0], positions[1], positions[2]) * 0.5f;
    normal_lines(positions, normals, count, length);
    draw_restore_line_state(&state);
}

// Vertices beyond the working arrays are not drawn; a vertex whose point is gone is passed over.
void draw_strip_normals(Viewer *viewer, Model *model, Layer *layer, Strip *strip)
{
    if (viewer == nullptr || model == nullptr || strip == nullptr) return;
    int count = 0;
    KeyedTable *vertices = &strip->vertices;
    for (int32_t i = 0; i < vertices->capacity && count < MAX_STRIP_NORMALS; i++) {
        StripVertex *vertex = static_cast<StripVertex *>(table_nth(vertices, i, 0));
        if (vertex == nullptr) continue;
        const float *position = rcache_vertex_position(viewer, model, vertex->point_id, 0);
        const float *normal = rcache_vertex_normal(viewer, model, vertex->normal_id, 0);
        if (position == nullptr || normal == nullptr) continue;
        g_strip_positions[count] = position;
        g_strip_normals[count] = normal;
        count++;
    }
    if (count < 3) return;
    DrawLineState state = draw_save_line_state();
    float length = draw_mean_edge_length(g_strip_positions[0], g_strip_positions[1], g_strip_positions[2]) * 0.5f;
    normal_lines(g_strip_positions, g_strip_normals, count, length);
    draw_restore_line_state(&state);
}

void draw_collide_boxes(Viewer *viewer, Model *model)
{
    if (viewer == nullptr || model == nullptr) return;
    overlay_begin();
    KeyedTable *objects = &model->collides;
    for (int32_t i = 0; i < objects->capacity; i++) {
        CollideObject *object = static_cast<CollideObject *>(table_nth(objects, i, 0));
        if (object == nullptr) continue;
        CollideCache *cache = rcache_collide(viewer, object);
        if (cache == nullptr) continue;
        float x = object->size[0] * 0.5f;
        float y = object->size[1] * 0.5f;
        float z = object->size[2] * 0.5f;
        glPushMatrix();
        glTranslatef(object->position[0], object->position[1], object->position[2]);
        glMultMatrixf(cache->box_matrix);
        glColor3f(0.5f, 0.5f, 0.5f);
        glBegin(GL_LINE_STRIP);
        glVertex3f(-x, -y, -z);
        glVertex3f(-x, y, -z);
        glVertex3f(x, y, -z);
        glVertex3f(x, -y, -z);
        glVertex3f(-x, -y, -z);
        glVertex3f(-x, -y, z);
        glVertex3f(-x, y, z);
        glVertex3f(x, y, z);
        glVertex3f(x, -y, z);
        glVertex3f(-x, -y, z);
        glEnd();
        glBegin(GL_LINES);
        glVertex3f(-x, y, -z);
        glVertex3f(-x, y, z);
        glVertex3f(x, y, -z);
        glVertex3f(x, y, z);
        glVertex3f(x, -y, -z);
        glVertex3f(x, -y, z);
        glEnd();
        glPopMatrix();
    }
    glEnable(GL_LIGHTING);
}

// Outside |x| < 2 the degree is folded into 0..359 so the table is never read out of range.
float draw_wobble(float x)
{
    float degrees = 180.0f * std::fabs(x);
    if (!(degrees < 360.0f)) degrees = std::isfinite(degrees) ? std::fmod(degrees, 360.0f) : 0.0f;
    return x + 0.1f * geom_sin_deg((int)degrees);
}

// All integer steps wrap in unsigned 32-bit arithmetic; the cast back to signed keeps the
// low 31 bits only, so the division gives a value in 0..2.
float draw_noise2(float x, float y)
{
    uint32_t n = lattice(x) + 57u * lattice(y);
    n = (n << 13) ^ n;
    uint32_t m = (n * (n * n * 15731u + 789221u) + 1376312589u) & 0x7fffffffu;
    return 1.0f - (float)m / 1073741824.0f;
}

DrawLineState draw_save_line_state(void)
{
    DrawLineState state;
    state.lighting = glIsEnabled(GL_LIGHTING);
    state.texturing = glIsEnabled(GL_TEXTURE_2D);
    state.blending = glIsEnabled(GL_BLEND);
    glGetFloatv(GL_CURRENT_COLOR, state.colour);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    return state;
}

void draw_restore_line_state(const DrawLineState *state)
{
    if (state->lighting) glEnable(GL_LIGHTING);
    if (state->texturing) glEnable(GL_TEXTURE_2D);
    if (state->blending) glEnable(GL_BLEND);
    glColor4f(state->colour[0], state->colour[1], state->colour[2], state->colour[3]);
}

// One line per vertex from its position along its normal, coloured by the normal's
// absolute components.
static void normal_lines(const float *const *positions, const float *const *normals, int count, float length)
{
    glBegin(GL_LINES);
    for (int i = 0; i < count; i++) {
        const float *p = positions[i];
        const float *n = normals[i];
        glColor3f(std::fabs(n[0]), std::fabs(n[1]), std::fabs(n[2]));
        glVertex3f(p[0], p[1], p[2]);
        glVertex3f(p[0] + length * n[0], p[1] + length * n[1], p[2] + length * n[2]);
    }
    glEnd();
}

// Lighting and texturing off for an overlay's lines.
static void overlay_begin(void)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
}

// The integer part of x as 32 bits; values beyond the 32-bit range are clamped and
// not-a-number is 0, so the conversion is always defined.
static uint32_t lattice(float x)
{
    return (uint32_t)geom_trunc_int(x);
}
