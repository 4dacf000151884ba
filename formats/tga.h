// Reader of uncompressed true-colour TGA images (24 or 32 bits per pixel),
// turned into packed RGB pixels with the top row first.
#pragma once
#include <cstdint>

// One image read from a TGA file. The caller owns the record and its pixels
// (both from malloc); tga_free releases both.
struct TgaImage {
    char id_text[256];       // the file's ID field as a text ("" when it has none)
    int32_t rgb_byte_count;  // width x height x 3
    int32_t bits_per_pixel;  // 24 or 32, as stored in the file
    int32_t x_origin;        // from the header
    int32_t y_origin;        // from the header
    int32_t width;           // pixels, at least 1
    int32_t height;          // pixels, at least 1
    uint8_t *pixels;         // rgb_byte_count bytes: R, G, B per pixel, top row first, no padding
};

// Reads the TGA file at path; null on failure with *message set to a text naming the path.
// The message, whole however long the path, stays valid until the next failing call.
TgaImage *tga_read(const char *path, const char **message);
// Frees the record and its pixels; a null image does nothing.
void tga_free(TgaImage *image);
