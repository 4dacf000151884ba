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
// Makes w x h the window's drawing size. A window that has been laid out (had a size
// above 1 x 1) keeps its scale: its extents grow and shrink with it. One that has not
// gets the extents an extent set at this size would give, the zoom kept, so a model
// opened before its frame was laid out is seen as if opened after.
void view_set_window_size(ViewState *view, int w, int h);
