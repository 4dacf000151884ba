// Palette entries of colormapped visuals: the 1-, 2- and 3-bit component
// tables, the entry rule with the 3-3-2 layout's twelve system colours, and the
// per-channel ramps of DirectColor colormaps.
#include "viewer/palette.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

const PaletteLayout LAYOUT_332 = {8, 3, 0, 3, 3, 2, 6};

} // namespace

TEST(PaletteComponent, TablesOfOneTwoAndThreeBits)
{
    const int one[] = {0, 255};
    const int two[] = {0, 85, 170, 255};
    const int three[] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int v = 0; v < 2; v++) EXPECT_EQ(palette_component(v, 1, 0), one[v]) << v;
    for (int v = 0; v < 4; v++) EXPECT_EQ(palette_component(v, 2, 0), two[v]) << v;
    for (int v = 0; v < 8; v++) EXPECT_EQ(palette_component(v, 3, 0), three[v]) << v;
}

TEST(PaletteComponent, FieldIsTakenAtItsShiftAndCutToItsWidth)
{
    struct Case { int index, bits, shift, want; };
    const Case cases[] = {
        {0xC0, 2, 6, 255},   // blue field of 3-3-2 all set
        {0x38, 3, 3, 255},   // green field all set
        {0x38, 3, 0, 0},     // the red field of the same index is clear
        {0x15, 3, 3, 73},    // (0x15 >> 3) & 7 = 2
        {0x0F, 1, 3, 255},
        {0x07, 1, 3, 0},
        {0x1FF, 3, 6, 255},  // bits above the field are dropped
        {0x2FF, 2, 8, 170},  // (0x2FF >> 8) & 3 = 2
    };
    for (const Case &c : cases) {
        EXPECT_EQ(palette_component(c.index, c.bits, c.shift), c.want) << c.index << " " << c.bits << " " << c.shift;
    }
}

TEST(PaletteComponent, OtherWidthsGiveZero)
{
    for (int bits : {0, 4, 5, 8, -1}) {
        EXPECT_EQ(palette_component(255, bits, 0), 0) << bits;
    }
    EXPECT_EQ(palette_component(-1, 3, 0), 0);
    EXPECT_EQ(palette_component(7, 3, -1), 0);
}

TEST(PaletteEntry, ThreeThreeTwoLayoutWithTwelveSystemColours)
{
    ASSERT_TRUE(palette_is_332(&LAYOUT_332));
    ASSERT_EQ(palette_size(&LAYOUT_332), 256);
    const std::map<int, std::tuple<int, int, int>> fixed = {
        {3, {128, 0, 0}},       {24, {0, 128, 0}},      {27, {128, 128, 0}},    {64, {0, 0, 128}},
        {67, {128, 0, 128}},    {88, {0, 128, 128}},    {173, {192, 192, 192}}, {181, {192, 220, 192}},
        {236, {166, 202, 240}}, {247, {255, 251, 240}}, {164, {160, 160, 164}}, {91, {128, 128, 128}}};
    const int three[] = {0, 36, 73, 109, 146, 182, 219, 255};
    const int two[] = {0, 85, 170, 255};
    int replaced = 0;
    for (int i = 0; i < 256; i++) {
        unsigned char rgb[3] = {1, 2, 3};
        ASSERT_EQ(palette_entry(&LAYOUT_332, i, rgb), 1) << i;
        auto it = fixed.find(i);
        std::tuple<int, int, int> want = it != fixed.end() ? it->second
                                                           : std::make_tuple(three[i & 7], three[(i >> 3) & 7], two[i >> 6]);
        if (it != fixed.end()) replaced++;
        EXPECT_EQ(std::make_tuple((int)rgb[0], (int)rgb[1], (int)rgb[2]), want) << "entry " << i;
    }
    EXPECT_EQ(replaced, 12);
    // Corners of the ramp that stay as they are.
    unsigned char rgb[3];
    palette_entry(&LAYOUT_332, 0, rgb);
    EXPECT_EQ(std::make_tuple(rgb[0], rgb[1], rgb[2]), std::make_tuple(0, 0, 0));
    palette_entry(&LAYOUT_332, 255, rgb);
    EXPECT_EQ(std::make_tuple(rgb[0], rgb[1], rgb[2]), std::make_tuple(255, 255, 255));
}

TEST(PaletteEntry, OtherLayoutsKeepTheRampEverywhere)
{
    struct Case { PaletteLayout layout; int index; int r, g, b; };
    const Case cases[] = {
        // The same fields in another order are not the 3-3-2 layout: entry 3 stays a ramp colour.
        {{8, 3, 5, 3, 2, 2, 0}, 3, 0, 0, 255},
        // 3-3-2 fields in a 9-bit pixel are not it either.
        {{9, 3, 0, 3, 3, 2, 6}, 3, 109, 0, 0},
        // A 4-bit pixel of 1-2-1 bits.
        {{4, 1, 0, 2, 1, 1, 3}, 0xB, 255, 85, 255},
        // A width with no table gives 0 for that channel.
        {{8, 4, 0, 2, 4, 2, 6}, 0xFF, 0, 255, 255},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(palette_is_332(&c.layout));
        unsigned char rgb[3];
        ASSERT_EQ(palette_entry(&c.layout, c.index, rgb), 1);
        EXPECT_EQ(std::make_tuple((int)rgb[0], (int)rgb[1], (int)rgb[2]), std::make_tuple(c.r, c.g, c.b))
            << "index " << c.index;
    }
}

TEST(PaletteEntry, IndexOutsideThePaletteOrNullArgumentsFail)
{
    unsigned char rgb[3];
    EXPECT_EQ(palette_entry(&LAYOUT_332, 256, rgb), 0);
    EXPECT_EQ(palette_entry(&LAYOUT_332, -1, rgb), 0);
    EXPECT_EQ(palette_entry(nullptr, 0, rgb), 0);
    EXPECT_EQ(palette_entry(&LAYOUT_332, 0, nullptr), 0);
    const PaletteLayout none = {0, 1, 0, 1, 1, 1, 2};
    const PaletteLayout huge = {PALETTE_MAX_BITS + 1, 8, 0, 8, 8, 8, 16};
    EXPECT_EQ(palette_size(&none), 0);
    EXPECT_EQ(palette_size(&huge), 0);
    EXPECT_EQ(palette_entry(&huge, 0, rgb), 0);
}

TEST(PaletteChannelLevel, TablesUpToThreeBitsThenEvenRamps)
{
    for (int v = 0; v < 8; v++) EXPECT_EQ(palette_channel_level(v, 3), palette_component(v, 3, 0)) << v;
    for (int v = 0; v < 256; v++) EXPECT_EQ(palette_channel_level(v, 8), v) << v;
    EXPECT_EQ(palette_channel_level(0, 5), 0);
    EXPECT_EQ(palette_channel_level(1, 5), 8);    // 255 / 31 = 8.2
    EXPECT_EQ(palette_channel_level(16, 5), 132); // 131.6
    EXPECT_EQ(palette_channel_level(31, 5), 255);
    EXPECT_EQ(palette_channel_level(1023, 10), 255);
    EXPECT_EQ(palette_channel_level(8, 3), 0);    // beyond the channel
    EXPECT_EQ(palette_channel_level(-1, 8), 0);
    EXPECT_EQ(palette_channel_level(1, 0), 0);
}
