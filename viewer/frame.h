#pragma once
// One frame of the GL window (clear, projection, view rotation and focus, the
// model pass, buffer swap), the fixed lights and material, and the camera
// operations that change the view: angles, zoom, pan, projection kind,
// background and the fixed drawing size. The camera values live in a ViewState.

#include "foundation/matrix4.h"

struct ViewState;
struct Viewer;

// Draws one frame into the GL window; a frame asked for while one is drawn is dropped.
void view_draw_frame(ViewState *view, Viewer *viewer);
// Draws the models as the camera sees them (projection, view rotation, focus, the
// model pass) into the current GL context; the modelview is left as it was.
void view_draw_scene(ViewState *view, Viewer *viewer);
// Loads the perspective or parallel projection of the camera.
void view_apply_projection(ViewState *view);
// Unless the view turns freely: modelview = rotation by yaw about y, then pitch about x.
void view_apply_rotation(ViewState *view);
// Stores both angles and makes the modelview exactly this rotation, also while turning freely.
void view_set_angles(ViewState *view, float yaw, float pitch);
// Turning freely: modelview = Ry(d_yaw) x Rx(d_pitch) x modelview; else adds to yaw and pitch.
void view_rotate_by(ViewState *view, float d_yaw, float d_pitch);
// The current GL modelview as a row-major matrix in out.
void view_get_modelview(Matrix4 *out);
// Loads a row-major matrix as the GL modelview.
void view_load_modelview(const Matrix4 *m);
// Flushes GL and swaps the GL window's buffers.
void view_flush(ViewState *view);
// Sets the fixed material, the lights and the depth function.
void view_setup_lights(void);
// Stores the background colour (0..1) and makes it the clear colour.
void view_set_background(ViewState *view, float r, float g, float b);
// The same as view_set_background (used by `set background`).
void view_set_background_rgb(ViewState *view, float r, float g, float b);
// zoom = z clamped to 0.001..100.
void view_set_zoom(ViewState *view, float z);
// Pans by (dx, dy) pixels (relative) or to them (absolute); (0, 0) resets the pan.
void view_pan(ViewState *view, float dx, float dy, int relative);
// 1 perspective, 0 parallel projection.
void view_set_perspective(ViewState *view, int flag);
// 1: the modelview is kept between frames and turned incrementally.
void view_set_free_rotate(ViewState *view, int flag);
// Shows a loaded cursor (0: the arrow); 1 on success, 0 for an unknown id.
int view_set_cursor_shape(int id);
// Fixes the drawing size to w x h (each 20..3000) and redraws; (0, 0) returns to following
// the parent's size; any other pair is ignored. The new size goes to the viewer's status hook.
void win_set_view_size(ViewState *view, Viewer *viewer, int w, int h);
