// Built-in cursor images and the Windows .cur reader.
#include "viewer/cursor_file.h"
#include "viewer/cursors.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xcursor/Xcursor.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string cursor_fixture(const char *name)
{
    const char *root = getenv("DRUVEX_FIXTURES");
    return std::string(root ? root : DRUVEX_FIXTURES) + "/window/cursors/" + name;
}

std::vector<unsigned char> read_bytes(const std::string &path)
{
    std::vector<unsigned char> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((unsigned char)c);
    fclose(f);
    return bytes;
}

int bit(const unsigned char *bits, int x, int y)
{
    return (bits[y * (CURSOR_SIZE / 8) + x / 8] >> (x % 8)) & 1;
}

} // namespace

TEST(BuiltinCursorTest, NamesIdsAndHotSpots)
{
    struct Expected { const char *name; int id, hot_x, hot_y; };
    const Expected expected[] = {{"rotate", 106, 25, 15}, {"pan", 104, 17, 21}, {"zoom", 101, 16, 0},
                                 {"x", 105, 17, 6},       {"y", 103, 17, 6},    {"z", 107, 17, 6},
                                 {"pick", 102, 15, 15},   {"hand", 108, 11, 3}};
    int i = 0;
    for (const Expected &e : expected) {
        const CursorImage *image = cursor_builtin(e.name);
        ASSERT_NE(image, nullptr) << e.name;
        EXPECT_EQ(image, cursor_builtin_at(i++)) << "table order";
        EXPECT_EQ(image->resource_id, e.id);
        EXPECT_EQ(image->hot_x, e.hot_x);
        EXPECT_EQ(image->hot_y, e.hot_y);
        for (int y = 0; y < CURSOR_SIZE; y++) {
            ASSERT_EQ(strlen(image->rows[y]), (size_t)CURSOR_SIZE) << e.name << " row " << y;
            EXPECT_EQ(strspn(image->rows[y], "X. "), (size_t)CURSOR_SIZE) << e.name << " row " << y;
        }
        // The hot spot is a black pixel of the picture.
        EXPECT_EQ(image->rows[e.hot_y][e.hot_x], 'X') << e.name;
    }
    EXPECT_EQ(cursor_builtin_at(8), nullptr);
    EXPECT_EQ(cursor_builtin("Rotate"), nullptr);
    EXPECT_EQ(cursor_builtin(""), nullptr);
    EXPECT_EQ(cursor_builtin(nullptr), nullptr);
}

TEST(BuiltinCursorTest, BitmapsFollowTheImage)
{
    const CursorImage *image = cursor_builtin("pick");
    unsigned char source[CURSOR_BITMAP_BYTES], mask[CURSOR_BITMAP_BYTES];
    cursor_image_bits(image, source, mask);
    for (int y = 0; y < CURSOR_SIZE; y++) {
        for (int x = 0; x < CURSOR_SIZE; x++) {
            char c = image->rows[y][x];
            EXPECT_EQ(bit(source, x, y), c == 'X' ? 1 : 0) << x << "," << y;
            EXPECT_EQ(bit(mask, x, y), c == ' ' ? 0 : 1) << x << "," << y;
        }
    }
}

TEST(CurFileTest, OneBitCursorWithMask)
{
    std::vector<unsigned char> bytes = read_bytes(cursor_fixture("square.cur"));
    ASSERT_FALSE(bytes.empty());
    XcursorImage *image = cursor_file_decode_cur(bytes.data(), bytes.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 32u);
    EXPECT_EQ(image->height, 32u);
    EXPECT_EQ(image->xhot, 5u);
    EXPECT_EQ(image->yhot, 7u);
    // Left half: a white border round black; right half: see-through. Row 0 is the top.
    EXPECT_EQ(image->pixels[0 * 32 + 0], 0xffffffffu);
    EXPECT_EQ(image->pixels[31 * 32 + 15], 0xffffffffu);
    EXPECT_EQ(image->pixels[5 * 32 + 5], 0xff000000u);
    EXPECT_EQ(image->pixels[5 * 32 + 20], 0x00000000u);
    XcursorImageDestroy(image);
}

TEST(CurFileTest, ThirtyTwoBitCursorKeepsItsAlpha)
{
    XcursorImage *image = cursor_file_load_cur(cursor_fixture("alpha.cur").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->xhot, 1u);
    // Stored bottom row first: the file's row 31 is the top row.
    EXPECT_EQ(image->pixels[0], (31 + 0) % 2 == 0 ? 0xffff0000u : 0x00000000u);
    EXPECT_EQ(image->pixels[1], (31 + 1) % 2 == 0 ? 0xffff0000u : 0x00000000u);
    XcursorImageDestroy(image);
}

TEST(CurFileTest, RefusesWhatIsNoCursor)
{
    std::vector<unsigned char> bytes = read_bytes(cursor_fixture("square.cur"));
    ASSERT_FALSE(bytes.empty());
    // An icon (type 1) is not a cursor.
    std::vector<unsigned char> icon = bytes;
    icon[2] = 1;
    EXPECT_EQ(cursor_file_decode_cur(icon.data(), icon.size()), nullptr);
    // Every cut of the file is refused, none is read past its end.
    for (size_t n = 0; n < bytes.size(); n++) {
        EXPECT_EQ(cursor_file_decode_cur(bytes.data(), n), nullptr) << n;
    }
    // An entry whose offset points past the end.
    std::vector<unsigned char> far = bytes;
    far[18] = 0xff;
    far[19] = 0xff;
    EXPECT_EQ(cursor_file_decode_cur(far.data(), far.size()), nullptr);
    EXPECT_EQ(cursor_file_decode_cur(nullptr, 100), nullptr);
    EXPECT_EQ(cursor_file_load_cur(cursor_fixture("damaged.cur").c_str()), nullptr);
    EXPECT_EQ(cursor_file_load_cur(cursor_fixture("missing.cur").c_str()), nullptr);
    XcursorImage *x = cursor_file_load_cur(cursor_fixture("Blue.xcursor").c_str());
    EXPECT_EQ(x, nullptr);
}
