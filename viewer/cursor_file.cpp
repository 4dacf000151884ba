#include "viewer/cursor_file.h"

#include "foundation/file_table.h"

#include <X11/Xlib.h>
#include <X11/Xcursor/Xcursor.h>

#include <cstdint>
#include <cstdlib>

// Sizes of the file's fixed parts.
static const unsigned long DIR_HEADER_SIZE = 6;
static const unsigned long DIR_ENTRY_SIZE = 16;
static const unsigned long BITMAP_HEADER_SIZE = 40;
// Largest cursor accepted, in pixels a side.
static const int MAX_SIDE = 256;

static unsigned read_u16(const unsigned char *p);
static uint32_t read_u32(const unsigned char *p);
static uint32_t premultiply(unsigned a, unsigned r, unsigned g, unsigned b);

XcursorImage *cursor_file_load_cur(const char *path)
{
    size_t size = 0;
    char *bytes = file_read_all(path, &size);
    if (bytes == nullptr) return nullptr;
    XcursorImage *image = cursor_file_decode_cur(reinterpret_cast<unsigned char *>(bytes), size);
    free(bytes);
    return image;
}

XcursorImage *cursor_file_decode_cur(const unsigned char *bytes, unsigned long size)
{
    if (bytes == nullptr || size < DIR_HEADER_SIZE + DIR_ENTRY_SIZE) return nullptr;
    if (read_u16(bytes) != 0 || read_u16(bytes + 2) != 2 || read_u16(bytes + 4) < 1) return nullptr;
    const unsigned char *entry = bytes + DIR_HEADER_SIZE;
    unsigned hot_x = read_u16(entry + 4), hot_y = read_u16(entry + 6);
    uint32_t length = read_u32(entry + 8), offset = read_u32(entry + 12);
    if (offset > size || length > size - offset || length < BITMAP_HEADER_SIZE) return nullptr;

    const unsigned char *dib = bytes + offset;
    uint32_t header_size = read_u32(dib);
    int32_t width = (int32_t)read_u32(dib + 4);
    int32_t height2 = (int32_t)read_u32(dib + 8);  // colour rows and mask rows
    unsigned bits = read_u16(dib + 14);
    uint32_t compression = read_u32(dib + 16);
    uint32_t used_colours = read_u32(dib + 32);
    if (header_size < BITMAP_HEADER_SIZE || header_size > length || compression != 0) return nullptr;
    if (width < 1 || width > MAX_SIDE || height2 < 2 || height2 > 2 * MAX_SIDE || (height2 & 1)) return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;
    int height = height2 / 2;

    unsigned long palette_count = 0;
    if (bits <= 8) palette_count = used_colours != 0 && used_colours <= (1u << bits) ? used_colours : (1u << bits);
    unsigned long colour_stride = ((unsigned long)width * bits + 31) / 32 * 4;
    unsigned long mask_stride = ((unsigned long)width + 31) / 32 * 4;
    unsigned long palette_at = header_size;
    unsigned long colour_at = palette_at + palette_count * 4;
    unsigned long mask_at = colour_at + colour_stride * (unsigned long)height;
    if (mask_at + mask_stride * (unsigned long)height > length) return nullptr;
    if (hot_x >= (unsigned)width) hot_x = (unsigned)width - 1;
    if (hot_y >= (unsigned)height) hot_y = (unsigned)height - 1;

    XcursorImage *image = XcursorImageCreate(width, height);
    if (image == nullptr) return nullptr;
    image->xhot = hot_x;
    image->yhot = hot_y;
    int has_alpha = 0;
    if (bits == 32) {
        for (int y = 0; y < height && !has_alpha; y++) {
            const unsigned char *row = dib + colour_at + colour_stride * (unsigned long)y;
            for (int x = 0; x < width; x++) {
                if (row[x * 4 + 3] != 0) { has_alpha = 1; break; }
            }
        }
    }
    for (int y = 0; y < height; y++) {
        // Rows are stored bottom row first.
        const unsigned char *row = dib + colour_at + colour_stride * (unsigned long)(height - 1 - y);
        const unsigned char *mask = dib + mask_at + mask_stride * (unsigned long)(height - 1 - y);
        for (int x = 0; x < width; x++) {
            unsigned r = 0, g = 0, b = 0, a = 255;
            if (bits <= 8) {
                unsigned index;
                if (bits == 1) index = (row[x / 8] >> (7 - x % 8)) & 1;
                else if (bits == 4) index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
                else index = row[x];
                if (index < palette_count) {
                    const unsigned char *c = dib + palette_at + index * 4;
                    b = c[0]; g = c[1]; r = c[2];
                }
            } else {
                const unsigned char *c = row + (unsigned long)x * (bits / 8);
                b = c[0]; g = c[1]; r = c[2];
                if (has_alpha) a = c[3];
            }
            int transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
            if (!has_alpha && transparent) {
                // A set mask bit over black is see-through; over a colour it would invert
                // the screen, which X cursors cannot do: it is drawn black.
                if (r == 0 && g == 0 && b == 0) a = 0;
                else r = g = b = 0;
            }
            image->pixels[(unsigned long)y * (unsigned long)width + (unsigned long)x] = premultiply(a, r, g, b);
        }
    }
    return image;
}

static unsigned read_u16(const unsigned char *p)
{
    return (unsigned)p[0] | ((unsigned)p[1] << 8);
}

static uint32_t read_u32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// An ARGB pixel with its colour multiplied by its alpha, as X cursors want it.
static uint32_t premultiply(unsigned a, unsigned r, unsigned g, unsigned b)
{
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
    return ((uint32_t)a << 24) | ((uint32_t)r << 16) | ((uint32_t)g << 8) | (uint32_t)b;
}
