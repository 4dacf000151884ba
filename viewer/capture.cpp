#include "viewer/capture.h"

#include "foundation/file_table.h"
#include "viewer/frame.h"
#include "viewer/view_state.h"
#include "viewer/window.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <vector>

// TGA header and image ID sizes.
static const int TGA_HEADER_SIZE = 18;
static const int TGA_ID_SIZE = 255;
// The identification comment written into every capture (83 characters).
static const char *const CAPTURE_ID_TEXT =
    "Druvex 3D model viewer: screen capture of the GL window, 128 x 128 pixels, 24 bits.";

int capture_read_frame(ViewState *view, Viewer *viewer, unsigned char *bgr)
{
    memset(bgr, 0, CAPTURE_PIXEL_BYTES);
    if (view == nullptr || view->gl_window == 0) return 0;
    // The front buffer cannot be read back reliably, so the frame is drawn again
    // into the back buffer and read there before any swap.
    win_hold_swaps(1);
    view_draw_frame(view, viewer);
    win_hold_swaps(0);
    if (win_current_hwnd() == 0) return 0;

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    int w = viewport[2] < CAPTURE_SIZE ? viewport[2] : CAPTURE_SIZE;
    int h = viewport[3] < CAPTURE_SIZE ? viewport[3] : CAPTURE_SIZE;
    if (w > 0 && h > 0) {
        std::vector<unsigned char> rgb((size_t)w * (size_t)h * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(viewport[0], viewport[1], w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                const unsigned char *from = &rgb[((size_t)y * (size_t)w + (size_t)x) * 3];
                unsigned char *to = &bgr[((size_t)y * CAPTURE_SIZE + (size_t)x) * 3];
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
    }
    return 1;
}

int capture_screen_tga(ViewState *view, Viewer *viewer, const char *path, int width, int height)
{
    if (path == nullptr) return 0;
    std::vector<unsigned char> file((size_t)(TGA_HEADER_SIZE + TGA_ID_SIZE + CAPTURE_PIXEL_BYTES), 0);
    unsigned char *header = file.data();
    header[0] = TGA_ID_SIZE;
    header[1] = 0;   // no colour map
    header[2] = 2;   // uncompressed true colour
    header[12] = CAPTURE_SIZE & 0xff;
    header[13] = (CAPTURE_SIZE >> 8) & 0xff;
    header[14] = CAPTURE_SIZE & 0xff;
    header[15] = (CAPTURE_SIZE >> 8) & 0xff;
    header[16] = 24;
    header[17] = 0;  // origin at the bottom left
    char id[TGA_ID_SIZE + 1];
    memset(id, 0, sizeof id);
    snprintf(id, sizeof id, "%s", CAPTURE_ID_TEXT);
    memcpy(header + TGA_HEADER_SIZE, id, TGA_ID_SIZE);
    capture_read_frame(view, viewer, header + TGA_HEADER_SIZE + TGA_ID_SIZE);
    return file_write_all(path, file.data(), file.size());
}
