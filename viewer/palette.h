#pragma once
// Colour palettes for colormapped GL visuals: which red, green and blue an
// entry of the colormap holds, from the visual's channel widths and shifts.
// Pure functions; the window layer stores the colours in an X colormap.

// Bit layout of a colormapped pixel.
struct PaletteLayout {
    int color_bits;   // bits of a pixel; the palette has 2^color_bits entries
    int red_bits;     // width of the red field
    int red_shift;    // position of the red field's lowest bit
    int green_bits;
    int green_shift;
    int blue_bits;
    int blue_shift;
};

// Largest pixel width a palette is built for (65536 entries).
const int PALETTE_MAX_BITS = 16;

// The 0..255 intensity of field (index >> shift) mod 2^bits for a field of 1,
// 2 or 3 bits; 0 for any other width.
int palette_component(int index, int bits, int shift);
// 1 when the layout is the 8-bit one with red 3 bits at 0, green 3 at 3, blue 2 at 6.
int palette_is_332(const PaletteLayout *layout);
// Number of entries of the layout's palette; 0 for a width outside 1..PALETTE_MAX_BITS.
int palette_size(const PaletteLayout *layout);
// Red, green and blue of entry index: each field through palette_component, and
// in the 3-3-2 layout twelve entries replaced by the usual system colours.
// 1 on success, 0 for an index outside the palette or a null argument.
int palette_entry(const PaletteLayout *layout, int index, unsigned char rgb[3]);
// The 0..255 intensity of level value of a channel of width bits for a
// colormap with one ramp per channel: palette_component's table for 1 to 3
// bits, evenly spaced levels rounded for 4 to 16 bits; 0 for a value outside the width.
int palette_channel_level(int value, int bits);
