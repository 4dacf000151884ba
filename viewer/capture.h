#pragma once
// Screen capture: the lower-left 128 x 128 pixels of the GL window's viewport
// as an uncompressed 24-bit TGA image.

struct ViewState;
struct Viewer;

// Side of the captured picture in pixels.
const int CAPTURE_SIZE = 128;
// Bytes of the captured picture: CAPTURE_SIZE rows of CAPTURE_SIZE blue, green, red pixels.
const int CAPTURE_PIXEL_BYTES = CAPTURE_SIZE * CAPTURE_SIZE * 3;

// Draws the frame again and reads the lower-left 128 x 128 pixels of the viewport
// into bgr (CAPTURE_PIXEL_BYTES), bottom row first; pixels outside the viewport,
// or all of them without a GL window, are black. 1 when a GL window was read.
int capture_read_frame(ViewState *view, Viewer *viewer, unsigned char *bgr);
// Writes the captured picture to path as a TGA file, replacing it whole or not at all.
// The width and height asked for do not change the picture's size. 1 when the file was
// written; 0 with the system's reason as the last-error text, an old file left whole.
int capture_screen_tga(ViewState *view, Viewer *viewer, const char *path, int width, int height);
