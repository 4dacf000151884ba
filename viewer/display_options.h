#pragma once
// The display options of the viewer (flags that steer the drawing pass) and
// the viewer utilities beside them: texture inset of the smooth option, mean
// edge length, points colour, window-to-world unprojection, 3D cursor and point pick.

struct Viewer;
struct Model;

// Colours of the points, indexed by the points colour index 0..5 (RGBA).
extern const float k_points_colors[6][4];

// Stores the wireframe flag (polygons drawn as lines) unchanged; nothing without a viewer.
void display_set_wireframe(Viewer *viewer, int value);
// The wireframe flag; 0 without a viewer.
int display_get_wireframe(Viewer *viewer);
// Stores the points flag (model points and their numbers) unchanged; nothing without a viewer.
void display_set_points(Viewer *viewer, int value);
// The points flag; 0 without a viewer.
int display_get_points(Viewer *viewer);
// Stores the triangles flag (faces and strips of every layer) unchanged; nothing without a viewer.
void display_set_triangles(Viewer *viewer, int value);
// The triangles flag; 0 without a viewer.
int display_get_triangles(Viewer *viewer);
// Stores the mirror flag (mirrored copies of mirrored layers) unchanged; nothing without a viewer.
void display_set_mirror(Viewer *viewer, int value);
// The mirror flag; 0 without a viewer.
int display_get_mirror(Viewer *viewer);
// Stores the textures flag (layer textures) unchanged; nothing without a viewer.
void display_set_textures(Viewer *viewer, int value);
// The textures flag; 0 without a viewer.
int display_get_textures(Viewer *viewer);
// Stores the normals flag (vertex normals as lines) unchanged; nothing without a viewer.
void display_set_normals(Viewer *viewer, int value);
// The normals flag; 0 without a viewer.
int display_get_normals(Viewer *viewer);
// Stores the transparency flag (layer transparency and texture alpha) unchanged; nothing without a viewer.
void display_set_transparency(Viewer *viewer, int value);
// The transparency flag; 0 without a viewer.
int display_get_transparency(Viewer *viewer);
// Stores the backfaces flag (back faces of single-sided layers (off: as lines)) unchanged; nothing without a viewer.
void display_set_backfaces(Viewer *viewer, int value);
// The backfaces flag; 0 without a viewer.
int display_get_backfaces(Viewer *viewer);
// Stores the lighting flag (GL lighting) unchanged; nothing without a viewer.
void display_set_lighting(Viewer *viewer, int value);
// The lighting flag; 0 without a viewer.
int display_get_lighting(Viewer *viewer);
// Stores the curves flag (curved faces tessellated) unchanged; nothing without a viewer.
void display_set_curves(Viewer *viewer, int value);
// The curves flag; 0 without a viewer.
int display_get_curves(Viewer *viewer);
// Stores the control_net flag (control nets of curved faces) unchanged; nothing without a viewer.
void display_set_control_net(Viewer *viewer, int value);
// The control_net flag; 0 without a viewer.
int display_get_control_net(Viewer *viewer);
// Stores the skeleton flag (joints and bones) unchanged; nothing without a viewer.
void display_set_skeleton(Viewer *viewer, int value);
// The skeleton flag; 0 without a viewer.
int display_get_skeleton(Viewer *viewer);
// Stores the gouraud flag (per-vertex colours) unchanged; nothing without a viewer.
void display_set_gouraud(Viewer *viewer, int value);
// The gouraud flag; 0 without a viewer.
int display_get_gouraud(Viewer *viewer);
// Stores the quadlines flag (quads drawn as one strip) unchanged; nothing without a viewer.
void display_set_quadlines(Viewer *viewer, int value);
// The quadlines flag; 0 without a viewer.
int display_get_quadlines(Viewer *viewer);
// Stores the pnfilter flag (curved faces by PN patches) unchanged; nothing without a viewer.
void display_set_pnfilter(Viewer *viewer, int value);
// The pnfilter flag; 0 without a viewer.
int display_get_pnfilter(Viewer *viewer);
// Stores the reflect flag (the reflection texture pass) unchanged; nothing without a viewer.
void display_set_reflect(Viewer *viewer, int value);
// The reflect flag; 0 without a viewer.
int display_get_reflect(Viewer *viewer);
// Stores the lines flag (layer polylines) unchanged; nothing without a viewer.
void display_set_lines(Viewer *viewer, int value);
// The lines flag; 0 without a viewer.
int display_get_lines(Viewer *viewer);
// Stores the collide flag (collide objects as wire boxes) unchanged; nothing without a viewer.
void display_set_collide(Viewer *viewer, int value);
// The collide flag; 0 without a viewer.
int display_get_collide(Viewer *viewer);
// Stores the grid flag (the ground grid) unchanged; nothing without a viewer.
void display_set_grid(Viewer *viewer, int value);
// The grid flag; 0 without a viewer.
int display_get_grid(Viewer *viewer);
// Stores the cursor flag (the 3D cursor) unchanged; nothing without a viewer.
void display_set_cursor(Viewer *viewer, int value);
// The cursor flag; 0 without a viewer.
int display_get_cursor(Viewer *viewer);
// Stores the curve tessellation level clamped to 0..6.
void display_set_lod(Viewer *viewer, int level);
// The curve tessellation level; 0 without a viewer.
int display_get_lod(Viewer *viewer);
// Stores the smooth flag; a change of state re-insets every loaded model's texture coordinates.
void display_set_smooth(Viewer *viewer, int value);
// The smooth flag; 0 without a viewer.
int display_get_smooth(Viewer *viewer);
// Insets every loaded model's texture coordinates by half a texel (on) or by nothing (off).
void viewer_apply_smooth(Viewer *viewer, int on);
// Mean length of the three edges of a triangle.
float draw_mean_edge_length(const float *p0, const float *p1, const float *p2);
// Stores the points colour index when it is -1 (cycle) .. 5; other values are ignored.
void viewer_set_points_color_index(Viewer *viewer, int index);
// The world point under window pixel (x, y) at the depth drawn there, into out[3].
// Needs the GL window's context current.
void viewer_unproject(float x, float y, float *out);
// Places the 3D cursor.
void viewer_set_cursor_position(Viewer *viewer, float x, float y, float z);
// The 3D cursor position (3 floats); null without a viewer.
const float *viewer_get_cursor_position(Viewer *viewer);
// Id of the first loaded model's point drawn nearest window pixel (x, y), 0 when none.
// Needs the GL window's context current.
int viewer_pick_point(Viewer *viewer, int x, int y);
