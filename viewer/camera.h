// The camera of the GL window: view extents, zoom, pan, angles and focus, kept
// in a ViewState. These operations change only those values; the frame code
// applies them to OpenGL when it draws.
#pragma once

struct ViewState;
struct Viewer;

// Extents for size 10 without rescaling the zoom; camera focus at the origin.
void view_reset(ViewState *view);
// Extents from the viewer's view size, the zoom rescaled when the view grows.
void view_fit_scene(ViewState *view, const Viewer *viewer);
// Sets the camera focus, the scene point drawn at the centre.
void view_set_focus(ViewState *view, float x, float y, float z);
// Extents and depth for a scene of this size (x 1.05, widened to the window's aspect);
// with rescale only a growing view changes them, the zoom scaled by old depth / new depth.
void view_set_extent(ViewState *view, float size, int rescale);
