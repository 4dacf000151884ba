#pragma once
// The eight built-in mouse cursors: 32x32 two-colour images with hot spots.

const int CURSOR_SIZE = 32;                              // width and height in pixels
const int CURSOR_BITMAP_BYTES = CURSOR_SIZE * CURSOR_SIZE / 8;  // one X bitmap

// One built-in cursor. Each row is 32 characters: 'X' black, '.' white,
// ' ' transparent.
struct CursorImage {
    const char *name;       // the name scripts use ("rotate", "pan", ...)
    int resource_id;        // the cursor's fixed id 101..108
    int hot_x;              // hot spot, pixels from the left
    int hot_y;              // hot spot, pixels from the top
    const char *rows[CURSOR_SIZE];
};

// The built-in cursor of that exact (case-sensitive) name, null when none.
const CursorImage *cursor_builtin(const char *name);
// The built-in cursor at position i of the table (0..7), null past the end.
const CursorImage *cursor_builtin_at(int i);
// Fills two X bitmaps (least significant bit first, 4 bytes a row): the black
// pixels into source and the visible (black or white) pixels into mask.
void cursor_image_bits(const CursorImage *image, unsigned char *source, unsigned char *mask);
