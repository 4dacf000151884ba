#pragma once
// The built-in "numbers" image from which the point-number glyphs are built: a
// header of width and height (16-bit little-endian each) and a 16-byte name,
// then one byte (0 or 1) per pixel in rows from the top. The digits 0 to 9 lie
// side by side in the top 12 rows, digit d in columns 8d to 8d + 7.
#include <cstdint>

// Image size in pixels.
constexpr int DIGIT_FONT_WIDTH = 128;
constexpr int DIGIT_FONT_HEIGHT = 64;
// Bytes of the header: width, height and the name.
constexpr int DIGIT_FONT_HEADER_BYTES = 4 + 16;
// Bytes of the whole packed image.
constexpr int DIGIT_FONT_IMAGE_BYTES = DIGIT_FONT_HEADER_BYTES + DIGIT_FONT_WIDTH * DIGIT_FONT_HEIGHT;

// The packed image.
extern const uint8_t k_digit_font_image[DIGIT_FONT_IMAGE_BYTES];
