// Presence check of the PS2 image files beside the cached textures: each texture's
// image file (extension p2i) must be readable, and one that needs a colormap must
// have its colormap file (extension p2c) in the current directory.
#pragma once

// Size of the image file header that is read, and where its two fields lie.
constexpr int PS2_HEADER_SIZE = 32;
constexpr int PS2_HEADER_DEPTH = 4;    // signed 32-bit little-endian; 16 or more needs no colormap
constexpr int PS2_HEADER_PALETTE = 16; // colormap base name, up to 16 bytes, ended by a zero byte
constexpr int PS2_PALETTE_NAME_SIZE = 16;

// 1 when the image cache holds nothing yet or every cached image passes ps2_check_image;
// 0 at the first that fails, its reason in the last-error text.
int ps2_check_all_images();
// 1 when the PS2 files of the image path are present; 0 for a null path, or with
// "cannot find PS2 image file: %s", "read failed PS2 image file: %s" or
// "cannot find PS2 colormap file: %s" as last-error text.
int ps2_check_image(const char *path);
