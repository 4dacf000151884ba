// The model pass. Faces are read through their face caches (slot indices of
// the corner and normal points) and vertices through the render-cache
// accessors, so every vertex costs a few slot look-ups and no search. Runs of
// faces that draw as plain triangles share one GL_TRIANGLES primitive; the
// triangles sent, their order and their vertex data are those of drawing
// each face on its own.
#include "viewer/draw_model.h"

#include "model/model.h"
#include "viewer/draw_curved.h"
#include "viewer/draw_overlay.h"
#include "viewer/draw_texture.h"
#include "viewer/tri_batch.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstdint>

// A layer colour channel of 127 is full intensity.
static const float LAYER_COLOUR_SCALE = 0.007874f;
// A point colour byte of 255 is full intensity.
static const float POINT_COLOUR_SCALE = 0.00392157f;
// Vertices a strip or polyline is drawn with at most (the size of the working arrays).
static const int MAX_PATH_VERTICES = 512;
// Colours of drawn points, by points colour index; cycling uses the first five.
static const float POINT_COLOURS[6][4] = {
    {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
};
static const int POINT_COLOUR_CYCLE = 5;

// One corner of a face or strip as it is sent.
struct DrawVertex {
    const float *position;
    const float *normal;
    const uint8_t *colour;  // colour bytes, read only while per-vertex colour is on
    float u, v;
};

// The colour state of one layer pass: layer colour and alpha.
struct LayerColour {
    float r, g, b, a;
};

// Working arrays of the strip and polyline drawers, filled anew for each one.
static DrawVertex g_path_vertices[MAX_PATH_VERTICES];
// Positions, normals and sphere-mapped coordinates of a reflected strip or face.
static const float *g_reflect_positions[MAX_PATH_VERTICES];
static const float *g_reflect_normals[MAX_PATH_VERTICES];
static float g_reflect_uv[MAX_PATH_VERTICES * 2];

static int layer_pass(Viewer *viewer, Model *model, Layer *layer, GLenum polygon_mode);
static int base_and_reflection(Viewer *viewer, Model *model, Layer *layer, LayerTexture *texture,
                               LayerColour colour, int textured, int mirrored);
static void polyline_pass(Viewer *viewer, Model *model, Layer *layer);
static LayerColour layer_colour(const Viewer *viewer, const Layer *layer);
static void mirror_scale(int axis);
static int vertex_colours_on(const Viewer *viewer, const Model *model);
static int gather_face(Viewer *viewer, Model *model, Face *face, const int64_t *direct, int mirrored, int textured,
                       DrawVertex *corners);
static inline int32_t direct_slot(const KeyedTable *points, int64_t base, int32_t id);
static inline void send_vertex(const DrawVertex *vertex, int textured, int colours);
static void send_reflected(GLenum mode, const DrawVertex *vertices, int count);
static void send_quad_triangles(const DrawVertex *corners, int textured, int colours);
static void *slot_element(KeyedTable *table, int32_t slot);

void draw_models(Viewer *viewer)
{
    if (viewer == nullptr) return;
    viewer->frame_triangles = 0;
    viewer->frame_uploads = 0;
    if (viewer->grid) draw_grid(viewer);
    if (viewer->cursor) draw_cursor(viewer);
    rcache_reserve_faces(viewer);
    KeyedTable *models = &viewer->models;
    for (int32_t i = 0; i < models->capacity; i++) {
        LoadedModel *loaded = static_cast<LoadedModel *>(slot_element(models, i));
        if (loaded != nullptr) viewer->frame_triangles += draw_model(viewer, loaded->model);
    }
}

int draw_model(Viewer *viewer, Model *model)
{
    if (viewer == nullptr || model == nullptr) return 0;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    ModelXform *xform = nullptr;
    if (model->viewer_index != -1) {
        xform = rcache_model_xform(viewer, model);
        if (xform != nullptr) {
            glMultMatrixf(xform->gl_matrix);
            xform->triangles = 0;
        }
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_NORMALIZE);
    glShadeModel(GL_SMOOTH);
    if (viewer->points) draw_points(viewer, model);
    if (viewer->skeleton) draw_skeleton(viewer, model);

    GLenum polygon_mode = viewer->wireframe ? GL_LINE : GL_FILL;
    if (viewer->lighting) glEnable(GL_LIGHTING);
    else glDisable(GL_LIGHTING);

    int triangles = 0;
    KeyedTable *layers = &model->layers;
    if (viewer->triangles) {
        for (int32_t i = 0; i < layers->capacity; i++) {
            Layer *layer = static_cast<Layer *>(slot_element(layers, i));
            if (layer != nullptr) triangles += layer_pass(viewer, model, layer, polygon_mode);
        }
    }
    if (viewer->lines) {
        for (int32_t i = 0; i < layers->capacity; i++) {
            Layer *layer = static_cast<Layer *>(slot_element(layers, i));
            if (layer != nullptr) polyline_pass(viewer, model, layer);
        }
    }
    if (xform != nullptr) xform->triangles = triangles;

    KeyedTable *children = &model->children;
    for (int32_t i = 0; i < children->capacity; i++) {
        Child *child = static_cast<Child *>(slot_element(children, i));
        if (child == nullptr) continue;
        ChildXform *link = rcache_child_xform(viewer, model, child);
        glPushMatrix();
        if (link != nullptr) glMultMatrixf(link->gl_matrix);
        triangles += draw_model(viewer, child->model);
        glPopMatrix();
    }
    if (viewer->collide) draw_collide_boxes(viewer, model);
    glPopMatrix();
    return triangles;
}

int draw_layer_faces(Viewer *viewer, Model *model, Layer *layer, int textured, int mirrored, int reflection)
{
    if (viewer == nullptr || model == nullptr || layer == nullptr) return 0;
    int colours = vertex_colours_on(viewer, model);
    int flat = !viewer->curves || viewer->lod == 0;
    // The flags read for every face, read once: drawing changes none of them.
    int pnfilter = viewer->pnfilter;
    int normals = viewer->normals;
    int quadlines = viewer->quadlines;
    // Points kept in id order (as loaded) are found by id without the face caches.
    int64_t base = 0;
    const int64_t *direct = table_direct_base(&model->points, &base) ? &base : nullptr;
    int triangles = 0;
    int batch_open = 0;
    DrawVertex corners[4];
    KeyedTable *faces = &layer->faces;
    for (int32_t i = 0; i < faces->capacity; i++) {
        Face *face = static_cast<Face *>(slot_element(faces, i));
        if (face == nullptr) continue;
        int curved = !flat && (pnfilter || face->curve != 0);
        // Faces that draw as plain GL_TRIANGLES (triangles, and quads without quadlines,
        // outside the reflection pass) share one primitive with their neighbours.
        if (curved || normals || reflection || (face->quad && quadlines)) {
            if (batch_open) {
                batch_end();
                batch_open = 0;
            }
            if (!curved) triangles += draw_face(viewer, model, layer, face, textured, mirrored, reflection);
            else if (pnfilter) triangles += draw_face_pn(viewer, model, layer, face, textured, mirrored);
            else triangles += draw_face_curved(viewer, model, layer, face, textured, mirrored, reflection);
            if (normals) draw_face_normals(viewer, model, layer, face);
            continue;
        }
        if (!gather_face(viewer, model, face, direct, mirrored, textured, corners)) continue;
        if (!batch_open) {
            batch_begin(GL_TRIANGLES, 0);
            batch_open = 1;
        }
        if (face->quad) {
            send_quad_triangles(corners, textured, colours);
            triangles += 2;
        } else {
            send_vertex(&corners[0], textured, colours);
            send_vertex(&corners[1], textured, colours);
            send_vertex(&corners[2], textured, colours);
            triangles += 1;
        }
    }
    if (batch_open) batch_end();

    KeyedTable *strips = &layer->strips;
    for (int32_t i = 0; i < strips->capacity; i++) {
        Strip *strip = static_cast<Strip *>(slot_element(strips, i));
        if (strip == nullptr) continue;
        triangles += draw_strip(viewer, model, layer, strip, textured, mirrored, reflection);
        if (viewer->normals) draw_strip_normals(viewer, model, layer, strip);
    }
    return triangles;
}

int draw_face(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored, int reflection)
{
    if (viewer == nullptr || model == nullptr || face == nullptr) return 0;
    DrawVertex corners[4];
    int colours = reflection ? 0 : vertex_colours_on(viewer, model);
    if (!gather_face(viewer, model, face, nullptr, mirrored, textured, corners)) return 0;
    if (reflection) {
        send_reflected(face->quad ? GL_TRIANGLE_STRIP : GL_TRIANGLES, corners, face->quad ? 4 : 3);
    } else if (face->quad && viewer->quadlines) {
        batch_begin(GL_TRIANGLE_STRIP, 4);
        for (int c = 0; c < 4; c++) send_vertex(&corners[c], textured, colours);
        batch_end();
    } else {
        batch_begin(GL_TRIANGLES, 0);
        if (face->quad) {
            send_quad_triangles(corners, textured, colours);
        } else {
            for (int c = 0; c < 3; c++) send_vertex(&corners[c], textured, colours);
        }
        batch_end();
    }
    return face->quad ? 2 : 1;
}

// Strips longer than the working arrays draw their first MAX_PATH_VERTICES vertices.
int draw_strip(Viewer *viewer, Model *model, Layer *layer, Strip *strip, int textured, int mirrored, int reflection)
{
    if (viewer == nullptr || model == nullptr || strip == nullptr) return 0;
    int colours = reflection ? 0 : vertex_colours_on(viewer, model);
    int count = 0;
    KeyedTable *vertices = &strip->vertices;
    for (int32_t i = 0; i < vertices->capacity && count < MAX_PATH_VERTICES; i++) {
        StripVertex *sv = static_cast<StripVertex *>(slot_element(vertices, i));
        if (sv == nullptr) continue;
        DrawVertex *vertex = &g_path_vertices[count];
        vertex->position = rcache_vertex_position(viewer, model, sv->point_id, 0);
        vertex->normal = rcache_vertex_normal(viewer, model, sv->normal_id, 0);
        vertex->colour = colours ? rcache_vertex_colour(viewer, model, sv->point_id, 0) : nullptr;
        vertex->u = sv->u;
        vertex->v = sv->v;
        // A vertex whose point is gone makes the strip undrawable.
        if (vertex->position == nullptr || vertex->normal == nullptr || (colours && vertex->colour == nullptr)) return 0;
        count++;
    }
    if (count < 3) return 0;
    if (reflection) {
        send_reflected(GL_TRIANGLE_STRIP, g_path_vertices, count);
    } else if (mirrored) {
        batch_begin(GL_TRIANGLE_STRIP, count);
        for (int k = 0; k < count; k++) send_vertex(&g_path_vertices[k], textured, colours);
        batch_end();
    } else {
        // The first triangle reversed, then the strip from its second vertex: every
        // triangle of the strip is sent with the opposite winding.
        batch_begin(GL_TRIANGLES, 0);
        for (int k = 2; k >= 0; k--) send_vertex(&g_path_vertices[k], textured, colours);
        batch_end();
        batch_begin(GL_TRIANGLE_STRIP, count - 1);
        for (int k = 1; k < count; k++) send_vertex(&g_path_vertices[k], textured, colours);
        batch_end();
    }
    return count - 2;
}

// Lines longer than the working arrays draw their first MAX_PATH_VERTICES vertices;
// vertices whose point is gone are passed over.
void draw_polyline(Viewer *viewer, Model *model, Line *line)
{
    if (viewer == nullptr || model == nullptr || line == nullptr) return;
    GLboolean lit = glIsEnabled(GL_LIGHTING);
    GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    int count = 0;
    KeyedTable *vertices = &line->vertices;
    for (int32_t i = 0; i < vertices->capacity && count < MAX_PATH_VERTICES; i++) {
        uint32_t *point_id = static_cast<uint32_t *>(slot_element(vertices, i));
        if (point_id == nullptr) continue;
        const float *position = rcache_vertex_position(viewer, model, (int32_t)*point_id, 0);
        if (position == nullptr) continue;
        g_path_vertices[count++].position = position;
    }
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k < count; k++) glVertex3fv(g_path_vertices[k].position);
    glEnd();
    if (lit) glEnable(GL_LIGHTING);
    if (textured) glEnable(GL_TEXTURE_2D);
}

void draw_points(Viewer *viewer, Model *model)
{
    if (viewer == nullptr || model == nullptr) return;
    glDisable(GL_LIGHTING);
    int cycling = viewer->points_color_index < 0;
    int c = cycling ? 0 : viewer->points_color_index;
    if (c > 5) c = 5;
    glColor4fv(POINT_COLOURS[c]);
    glBegin(GL_POINTS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    KeyedTable *points = &model->points;
    for (int32_t i = 0; i < points->capacity; i++) {
        if (slot_element(points, i) == nullptr) continue;
        const float *position = rcache_vertex_position(viewer, model, i, 1);
        if (position == nullptr) continue;
        if (cycling) glColor4fv(POINT_COLOURS[c]);
        glVertex3fv(position);
        if (cycling && ++c == POINT_COLOUR_CYCLE) c = 0;
    }
    glEnd();

    // The numbers: 0 at the origin in the colour left by the last point, then each point's
    // id in the colour its point was drawn in.
    if (cycling) c = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    draw_number(viewer, 0, 0.0f, 0.0f, 0.0f);
    for (int32_t i = 0; i < points->capacity; i++) {
        if (slot_element(points, i) == nullptr) continue;
        const float *position = rcache_vertex_position(viewer, model, i, 1);
        if (position == nullptr) continue;
        if (cycling) glColor4fv(POINT_COLOURS[c]);
        draw_number(viewer, points->slots[i].key, position[0], position[1], position[2]);
        if (cycling && ++c == POINT_COLOUR_CYCLE) c = 0;
    }
    glEnable(GL_LIGHTING);
}

// The layer's faces and strips: base pass, then the mirrored copy; triangles counted.
static int layer_pass(Viewer *viewer, Model *model, Layer *layer, GLenum polygon_mode)
{
    int triangles = 0;
    LayerColour colour = layer_colour(viewer, layer);
    glDepthMask(GL_TRUE);
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    if (layer->single_sided && polygon_mode == GL_FILL && !viewer->backfaces) {
        glPolygonMode(GL_FRONT, polygon_mode);
        glPolygonMode(GL_BACK, GL_LINE);
    } else {
        glPolygonMode(GL_FRONT_AND_BACK, polygon_mode);
    }
    glDisable(GL_BLEND);
    if (colour.a < 1.0f) {
        // The blend function is set here too: an untextured layer must blend by its
        // alpha, whatever blending the last texture bound left behind.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glDisable(GL_TEXTURE_2D);

    LayerTexture *texture = static_cast<LayerTexture *>(table_find(&layer->texture, 1));
    int textured = viewer->textures && texture != nullptr && texture->pixels[LAYER_SLOT_IMAGE] != nullptr;
    if (textured) draw_bind_texture(viewer, texture, LAYER_SLOT_IMAGE, layer->colour_key_on, colour.a);
    triangles += base_and_reflection(viewer, model, layer, texture, colour, textured, 0);

    if (viewer->mirror && layer->mirror_on) {
        glPushMatrix();
        mirror_scale(layer->mirror_axis);
        glColor4f(colour.r, colour.g, colour.b, colour.a);
        if (textured) {
            int slot = texture->pixels[LAYER_SLOT_MIRROR] != nullptr ? LAYER_SLOT_MIRROR : LAYER_SLOT_IMAGE;
            draw_bind_texture(viewer, texture, slot, layer->colour_key_on, colour.a);
        }
        triangles += base_and_reflection(viewer, model, layer, texture, colour, textured, 1);
        glPopMatrix();
    }
    return triangles;
}

// The base pass (skipped while reflect is on and the reflection amount is 1.0), counted, and
// the reflection pass with the reflection image sphere-mapped, not counted.
static int base_and_reflection(Viewer *viewer, Model *model, Layer *layer, LayerTexture *texture,
                               LayerColour colour, int textured, int mirrored)
{
    int triangles = 0;
    int base = !(viewer->reflect && texture != nullptr && texture->reflect_amount == 1.0f);
    if (base) triangles += draw_layer_faces(viewer, model, layer, textured, mirrored, 0);
    if (viewer->reflect && texture != nullptr && texture->reflect_amount > 0.0f &&
        texture->pixels[LAYER_SLOT_REFLECT] != nullptr) {
        float amount = texture->reflect_amount;
        glColor4f(colour.r, colour.g, colour.b, colour.a * amount);
        draw_bind_texture(viewer, texture, LAYER_SLOT_REFLECT, 0, amount);
        draw_layer_faces(viewer, model, layer, textured, mirrored, 1);
        if (!textured) glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
    }
    return triangles;
}

// The layer's polylines in the layer colour, and their mirrored copies.
static void polyline_pass(Viewer *viewer, Model *model, Layer *layer)
{
    LayerColour colour = layer_colour(viewer, layer);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    int mirrored = viewer->mirror && layer->mirror_on;
    KeyedTable *lines = &layer->lines;
    for (int32_t i = 0; i < lines->capacity; i++) {
        Line *line = static_cast<Line *>(slot_element(lines, i));
        if (line == nullptr) continue;
        draw_polyline(viewer, model, line);
        if (mirrored) {
            glPushMatrix();
            mirror_scale(layer->mirror_axis);
            draw_polyline(viewer, model, line);
            glPopMatrix();
        }
    }
}

// Layer colour (127 full intensity) and alpha (1 - transparency when the
// transparency flag is set, else 1).
static LayerColour layer_colour(const Viewer *viewer, const Layer *layer)
{
    LayerColour colour;
    colour.r = (float)layer->colour[0] * LAYER_COLOUR_SCALE;
    colour.g = (float)layer->colour[1] * LAYER_COLOUR_SCALE;
    colour.b = (float)layer->colour[2] * LAYER_COLOUR_SCALE;
    colour.a = viewer->transparency ? 1.0f - layer->transparency : 1.0f;
    return colour;
}

// Scales by -1 along mirror axis 1 (x), 2 (y) or 3 (z); any other axis leaves the copy in place.
static void mirror_scale(int axis)
{
    glScalef(axis == 1 ? -1.0f : 1.0f, axis == 2 ? -1.0f : 1.0f, axis == 3 ? -1.0f : 1.0f);
}

static int vertex_colours_on(const Viewer *viewer, const Model *model)
{
    return model->has_gouraud && viewer->gouraud;
}

// Where each stored corner of a face is sent: unmirrored, corners 1 and 2 exchange places
// (so a face is emitted in reversed corner order, and the mirroring scale reverses it again).
static const int SENT_PLACE[2][4] = {{0, 2, 1, 3}, {0, 1, 2, 3}};

// Fills the corners (3, or 4 for a quad) of a face in the order they are sent, with their
// colour bytes (used when per-vertex colour is on) and, when textured, their texture
// coordinates. 0 when a corner's point is gone (the face is not drawn). With direct (the
// base of a point table whose ids are base + slot) a face that has its cache finds its
// points by id: the same slots, without reading the cache.
static int gather_face(Viewer *viewer, Model *model, Face *face, const int64_t *direct, int mirrored, int textured,
                       DrawVertex *corners)
{
    FaceCache *cache = nullptr;
    if (direct == nullptr || face->viewer_index < 0) {
        cache = rcache_face(viewer, model, face);
        if (cache == nullptr) return 0;
    }
    const int *place = SENT_PLACE[mirrored ? 1 : 0];
    int count = face->quad ? 4 : 3;
    for (int i = 0; i < count; i++) {
        // One look-up gives the corner's position, colour and, when the corner is its own
        // normal point, its normal.
        int32_t slot = cache ? rcache_face_point_slot(cache, face, i, 0)
                             : direct_slot(&model->points, *direct, face->point_ids[i]);
        PointCache *point_cache;
        const Point *point = rcache_point_at(viewer, model, slot, &point_cache);
        if (point == nullptr) return 0;
        DrawVertex *corner = &corners[place[i]];
        corner->position = point_cache ? point_cache->position : point->position;
        int32_t normal_slot = cache ? rcache_face_point_slot(cache, face, i, 1)
                              : face->normal_ids[i] == face->point_ids[i]
                                  ? slot
                                  : direct_slot(&model->points, *direct, face->normal_ids[i]);
        if (normal_slot == slot) {
            corner->normal = point_cache ? point_cache->normal : point->normal;
        } else {
            PointCache *normal_cache;
            const Point *normal = rcache_point_at(viewer, model, normal_slot, &normal_cache);
            if (normal == nullptr) return 0;
            corner->normal = normal_cache ? normal_cache->normal : normal->normal;
        }
        corner->colour = point->gouraud;
        if (textured) {
            corner->u = face->uv[i][0];
            corner->v = face->uv[i][1];
        }
    }
    return 1;
}

// Slot of point id in a point table whose ids are base + slot; -1 when no point has it.
static inline int32_t direct_slot(const KeyedTable *points, int64_t base, int32_t id)
{
    int64_t slot = static_cast<int64_t>(id) - base;
    if (slot < 0 || slot >= points->room || !points->slots[slot].used) return -1;
    return static_cast<int32_t>(slot);
}

// Texture coordinate (when textured), vertex colour (when colours), normal and position.
static inline void send_vertex(const DrawVertex *vertex, int textured, int colours)
{
    if (textured) glTexCoord2f(vertex->u, vertex->v);
    if (colours) {
        const uint8_t *c = vertex->colour;
        glColor4f((float)c[0] * POINT_COLOUR_SCALE, (float)c[1] * POINT_COLOUR_SCALE, (float)c[2] * POINT_COLOUR_SCALE,
                  1.0f - (float)c[3] * POINT_COLOUR_SCALE);
    }
    glNormal3fv(vertex->normal);
    batch_vertex(vertex->position);
}

// One primitive of the vertices with sphere-mapped texture coordinates, normals and
// positions (no vertex colour). The coordinates need the current matrices, which GL gives
// only outside glBegin/glEnd, so they are made before the primitive begins.
static void send_reflected(GLenum mode, const DrawVertex *vertices, int count)
{
    if (count > MAX_PATH_VERTICES) count = MAX_PATH_VERTICES;
    for (int k = 0; k < count; k++) {
        g_reflect_positions[k] = vertices[k].position;
        g_reflect_normals[k] = vertices[k].normal;
    }
    draw_sphere_map_uv(g_reflect_positions, g_reflect_normals, g_reflect_uv, count);
    batch_begin(mode, count);
    for (int k = 0; k < count; k++) {
        glTexCoord2f(g_reflect_uv[2 * k], g_reflect_uv[2 * k + 1]);
        glNormal3fv(vertices[k].normal);
        batch_vertex(vertices[k].position);
    }
    batch_end();
}

// Inside GL_TRIANGLES: a quad as corners 0, 1, 2 and 3, 2, 1 with the shared diagonal's
// edge flags off, so line mode hides it.
static void send_quad_triangles(const DrawVertex *corners, int textured, int colours)
{
    glEdgeFlag(GL_TRUE);
    send_vertex(&corners[0], textured, colours);
    glEdgeFlag(GL_FALSE);
    send_vertex(&corners[1], textured, colours);
    glEdgeFlag(GL_TRUE);
    send_vertex(&corners[2], textured, colours);
    send_vertex(&corners[3], textured, colours);
    glEdgeFlag(GL_FALSE);
    send_vertex(&corners[2], textured, colours);
    glEdgeFlag(GL_TRUE);
    send_vertex(&corners[1], textured, colours);
}

// Element in slot of a table, null for a free slot.
static void *slot_element(KeyedTable *table, int32_t slot)
{
    return table_nth(table, slot, 0);
}
