// Palette entries of colormapped visuals.
#include "viewer/palette.h"

#include <cstddef>

// Intensities of the 1-, 2- and 3-bit fields: evenly spaced from 0 to 255.
static const unsigned char LEVELS_1[2] = {0, 255};
static const unsigned char LEVELS_2[4] = {0, 85, 170, 255};
static const unsigned char LEVELS_3[8] = {0, 36, 73, 109, 146, 182, 219, 255};

// An entry of the 3-3-2 palette replaced by a system colour.
struct FixedEntry {
    int index;
    unsigned char r, g, b;
};

// The system colours that the 3-3-2 ramp lacks, each in the entry whose ramp
// colour is nearest to it.
static const FixedEntry FIXED_332[12] = {
    {3, 128, 0, 0},       {24, 0, 128, 0},      {27, 128, 128, 0},    {64, 0, 0, 128},
    {67, 128, 0, 128},    {88, 0, 128, 128},    {173, 192, 192, 192}, {181, 192, 220, 192},
    {236, 166, 202, 240}, {247, 255, 251, 240}, {164, 160, 160, 164}, {91, 128, 128, 128},
};

int palette_component(int index, int bits, int shift)
{
    if (shift < 0 || shift > 30 || index < 0) return 0;
    int value = index >> shift;
    switch (bits) {
    case 1: return LEVELS_1[value & 1];
    case 2: return LEVELS_2[value & 3];
    case 3: return LEVELS_3[value & 7];
    default: return 0;
    }
}

int palette_is_332(const PaletteLayout *layout)
{
    return layout != nullptr && layout->color_bits == 8 && layout->red_bits == 3 && layout->red_shift == 0 &&
           layout->green_bits == 3 && layout->green_shift == 3 && layout->blue_bits == 2 &&
           layout->blue_shift == 6;
}

int palette_size(const PaletteLayout *layout)
{
    if (layout == nullptr || layout->color_bits < 1 || layout->color_bits > PALETTE_MAX_BITS) return 0;
    return 1 << layout->color_bits;
}

int palette_entry(const PaletteLayout *layout, int index, unsigned char rgb[3])
{
    if (layout == nullptr || rgb == nullptr || index < 0 || index >= palette_size(layout)) return 0;
    rgb[0] = (unsigned char)palette_component(index, layout->red_bits, layout->red_shift);
    rgb[1] = (unsigned char)palette_component(index, layout->green_bits, layout->green_shift);
    rgb[2] = (unsigned char)palette_component(index, layout->blue_bits, layout->blue_shift);
    if (palette_is_332(layout)) {
        for (const FixedEntry &fixed : FIXED_332) {
            if (fixed.index != index) continue;
            rgb[0] = fixed.r;
            rgb[1] = fixed.g;
            rgb[2] = fixed.b;
        }
    }
    return 1;
}

int palette_channel_level(int value, int bits)
{
    if (bits < 1 || bits > PALETTE_MAX_BITS || value < 0) return 0;
    int top = (1 << bits) - 1;
    if (value > top) return 0;
    if (bits <= 3) return palette_component(value, bits, 0);
    return (int)((value * 255L * 2 + top) / (2L * top));
}
