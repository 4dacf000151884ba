#pragma once
// Overlays of the model pass, all unlit in fixed colours: the ground grid, the
// 3D cursor with its coordinates, skeletons, the vertex normals of flat faces
// and strips, point numbers from the built-in digit font, and collide objects
// as wire boxes; and two small numeric helpers (wobble and lattice noise).

#include <GL/gl.h>

struct Viewer;
struct Model;
struct Layer;
struct Face;
struct Strip;

// Unpacks the ten digit glyphs from the built-in "numbers" image into the viewer and
// sets font_ready; once, at viewer set-up.
void draw_build_digit_font(Viewer *viewer);
// Writes value in decimal as glyph bitmaps at (x, y, z); the minus sign is not drawn. The
// caller sets the colour and the unpack alignment.
void draw_number(Viewer *viewer, int value, float x, float y, float z);
// The ground grid in the plane z = 0 round the focus, spanning view_size each way.
void draw_grid(Viewer *viewer);
// The 3D cursor: three coloured axes with arrow heads and the truncated coordinates.
void draw_cursor(Viewer *viewer);
// A magenta cross at every joint of the model and a line to its parent joint.
void draw_skeleton(Viewer *viewer, Model *model);
// The vertex normals of one flat face, half its mean edge length long, coloured by direction.
void draw_face_normals(Viewer *viewer, Model *model, Layer *layer, Face *face);
// The vertex normals of one strip, as for faces.
void draw_strip_normals(Viewer *viewer, Model *model, Layer *layer, Strip *strip);
// Every collide object of the model as a grey wire box under its box matrix.
void draw_collide_boxes(Viewer *viewer, Model *model);
// What a drawer of unlit lines changes and puts back.
struct DrawLineState {
    GLboolean lighting;
    GLboolean texturing;
    GLboolean blending;
    GLfloat colour[4];
};
// Notes lighting, texturing, blending and the current colour, and switches the three off.
DrawLineState draw_save_line_state(void);
// Puts back what draw_save_line_state noted.
void draw_restore_line_state(const DrawLineState *state);
// x + 0.1 sin(180 |x| degrees), for |x| < 2.
float draw_wobble(float x);
// Lattice noise of the integer parts of x and y, in (-1, 1].
float draw_noise2(float x, float y);
