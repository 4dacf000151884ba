#pragma once
// The display options of the viewer (flags that steer the drawing pass) and
// the viewer utilities beside them: texture inset of the smooth option, mean
// edge length, points colour, window-to-world unprojection, 3D cursor and point pick.
#include "viewer/viewer.h"

#include <cstdint>

struct Model;

// How a display option stores the value it is given.
enum DisplayValue {
    DISPLAY_FLAG = 0,    // unchanged: an on/off flag
    DISPLAY_LEVEL = 1,   // clamped to the curve levels 0..6 (display_set_lod)
    DISPLAY_SMOOTH = 2,  // the smooth flag: a change re-insets texture coordinates (display_set_smooth)
};

// One display flag of the viewer.
struct DisplayOption {
    const char *word;       // its option word in the display command; null when no command reaches it
    int32_t Viewer::*flag;  // where the viewer keeps it
    int32_t initial;        // the value a reset with defaults stores
    DisplayValue value;     // how a value is stored
};

// Every display flag, in the viewer's order: the one list that the display command
// and the reset read, and that names the flags the drawing reads.
inline constexpr DisplayOption k_display_options[] = {
    {"wireframe", &Viewer::wireframe, 0, DISPLAY_FLAG},        // polygons drawn as lines
    {"points", &Viewer::points, 0, DISPLAY_FLAG},              // model points and their numbers
    {"triangles", &Viewer::triangles, 1, DISPLAY_FLAG},        // faces and strips of every layer
    {"mirror", &Viewer::mirror, 1, DISPLAY_FLAG},              // mirrored copies of mirrored layers
    {"textures", &Viewer::textures, 1, DISPLAY_FLAG},          // layer textures
    {"smooth", &Viewer::smooth, 0, DISPLAY_SMOOTH},            // linear filtering and the half-texel inset
    {"normals", &Viewer::normals, 0, DISPLAY_FLAG},            // vertex normals as lines
    {"transparency", &Viewer::transparency, 1, DISPLAY_FLAG},  // layer transparency and texture alpha
    {"backfaces", &Viewer::backfaces, 1, DISPLAY_FLAG},        // off: back faces of single-sided layers as lines
    {"lighting", &Viewer::lighting, 1, DISPLAY_FLAG},          // GL lighting
    {"curves", &Viewer::curves, 1, DISPLAY_FLAG},              // curved faces tessellated
    {nullptr, &Viewer::control_net, 0, DISPLAY_FLAG},          // control nets of curved faces
    {"skeleton", &Viewer::skeleton, 0, DISPLAY_FLAG},          // joints and bones
    {"gouraud", &Viewer::gouraud, 1, DISPLAY_FLAG},            // per-vertex colours
    {"quadlines", &Viewer::quadlines, 0, DISPLAY_FLAG},        // quads drawn as one strip
    {"pnfilter", &Viewer::pnfilter, 0, DISPLAY_FLAG},          // curved faces by PN patches
    {nullptr, &Viewer::skinned_curves, 0, DISPLAY_FLAG},       // curved faces blended between two joints
    {"lod", &Viewer::lod, 1, DISPLAY_LEVEL},                   // curve tessellation level 0..6
    {"reflect", &Viewer::reflect, 1, DISPLAY_FLAG},            // the reflection texture pass
    {"lines", &Viewer::lines, 1, DISPLAY_FLAG},                // layer polylines
    {"collide", &Viewer::collide, 1, DISPLAY_FLAG},            // collide objects as wire boxes
    {"grid", &Viewer::grid, 0, DISPLAY_FLAG},                  // the ground grid
    {"cursor", &Viewer::cursor, 0, DISPLAY_FLAG},              // the 3D cursor
};
// Number of display options.
inline constexpr int DISPLAY_OPTION_COUNT = static_cast<int>(sizeof k_display_options / sizeof k_display_options[0]);

// Stores the value into the option's flag as the option stores values; nothing without a viewer.
void display_set(Viewer *viewer, const DisplayOption *option, int value);
// The option's flag; 0 without a viewer or option.
int display_get(Viewer *viewer, const DisplayOption *option);
// Every display flag to its initial value; the smooth flag without re-insetting texture coordinates.
void display_set_defaults(Viewer *viewer);

// Colours of the points, indexed by the points colour index 0..5 (RGBA).
extern const float k_points_colors[6][4];

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
