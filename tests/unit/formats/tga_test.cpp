#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/tga.h"
#include "foundation/file_table.h"
#include "tests/unit/temp_dir.h"

namespace {

// Header fields of a test image; the defaults make a valid 24-bit file.
struct TgaHeader {
    int id_length = 0;
    int colour_map_type = 0;
    int image_type = 2;
    int x_origin = 0;
    int y_origin = 0;
    int width = 2;
    int height = 2;
    int depth = 24;
    int descriptor = 0;
};

void put16(std::vector<uint8_t> &bytes, int value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xff));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xff));
}

std::vector<uint8_t> tga_bytes(const TgaHeader &head, const std::string &id,
                               const std::vector<uint8_t> &pixels)
{
    std::vector<uint8_t> bytes;
    bytes.push_back(static_cast<uint8_t>(head.id_length));
    bytes.push_back(static_cast<uint8_t>(head.colour_map_type));
    bytes.push_back(static_cast<uint8_t>(head.image_type));
    put16(bytes, 0);
    put16(bytes, head.colour_map_type ? 2 : 0);
    bytes.push_back(static_cast<uint8_t>(head.colour_map_type ? 24 : 0));
    put16(bytes, head.x_origin);
    put16(bytes, head.y_origin);
    put16(bytes, head.width);
    put16(bytes, head.height);
    bytes.push_back(static_cast<uint8_t>(head.depth));
    bytes.push_back(static_cast<uint8_t>(head.descriptor));
    bytes.insert(bytes.end(), id.begin(), id.end());
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

// File rows bottom-up, B G R: (blue, green) then (red, white).
std::vector<uint8_t> two_by_two(int depth)
{
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<uint8_t> pixels;
    for (const auto &bgr : colours) {
        pixels.insert(pixels.end(), bgr, bgr + 3);
        if (depth == 32)
            pixels.push_back(static_cast<uint8_t>(pixels.size()));  // some alpha to drop
    }
    return pixels;
}

// Red, white, blue, green as R G B, top row first.
const std::vector<uint8_t> TWO_BY_TWO_RGB = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};

class TgaTest : public ::testing::Test {
protected:
    std::string write(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        return temp_.write(name, bytes);
    }

    std::vector<uint8_t> pixels_of(const TgaImage *image)
    {
        return std::vector<uint8_t>(image->pixels, image->pixels + image->rgb_byte_count);
    }

    TempDir temp_;
    const std::string &dir_ = temp_.path;
};

TEST_F(TgaTest, TwentyFourBitRowsTurnedOverAndSwizzled)
{
    TgaHeader head;
    head.x_origin = -5;
    head.y_origin = 300;
    std::string path = write("a.tga", tga_bytes(head, "", two_by_two(24)));
    const char *message = nullptr;
    TgaImage *image = tga_read(path.c_str(), &message);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->bits_per_pixel, 24);
    EXPECT_EQ(image->rgb_byte_count, 12);
    EXPECT_EQ(image->x_origin, -5);
    EXPECT_EQ(image->y_origin, 300);
    EXPECT_STREQ(image->id_text, "");
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    EXPECT_EQ(file_open_count(), 0);
    tga_free(image);
}

TEST_F(TgaTest, ThirtyTwoBitGivesSameRgbAndDropsAlpha)
{
    TgaHeader head;
    head.depth = 32;
    std::string path = write("a32.tga", tga_bytes(head, "", two_by_two(32)));
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bits_per_pixel, 32);
    EXPECT_EQ(image->rgb_byte_count, 12);
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    tga_free(image);
}

TEST_F(TgaTest, IdFieldIsKeptAndSkippedExactly)
{
    TgaHeader head;
    head.id_length = 5;
    std::vector<uint8_t> bytes = tga_bytes(head, "hello", two_by_two(24));
    ASSERT_EQ(bytes.size(), 23u + 12u);  // the pixels start at byte 23
    std::string path = write("id.tga", bytes);
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_STREQ(image->id_text, "hello");
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    tga_free(image);
}

TEST_F(TgaTest, LongestIdFieldFitsTheText)
{
    TgaHeader head;
    head.id_length = 255;
    std::string id(255, 'i');
    std::string path = write("id255.tga", tga_bytes(head, id, two_by_two(24)));
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::string(image->id_text), id);
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    tga_free(image);
}

TEST_F(TgaTest, TopDownDescriptorIsStillTurnedOver)
{
    TgaHeader head;
    head.descriptor = 0x20;
    std::string path = write("top.tga", tga_bytes(head, "", two_by_two(24)));
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    tga_free(image);
}

TEST_F(TgaTest, WideImageKeepsRowsApart)
{
    // 3 x 2, file pixel i has B = i, G = 10 + i, R = 20 + i.
    TgaHeader head;
    head.width = 3;
    head.height = 2;
    std::vector<uint8_t> file_pixels;
    for (int i = 0; i < 6; i++) {
        file_pixels.push_back(static_cast<uint8_t>(i));
        file_pixels.push_back(static_cast<uint8_t>(10 + i));
        file_pixels.push_back(static_cast<uint8_t>(20 + i));
    }
    std::string path = write("wide.tga", tga_bytes(head, "", file_pixels));
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    const std::vector<uint8_t> expected = {23, 13, 3, 24, 14, 4, 25, 15, 5,
                                           20, 10, 0, 21, 11, 1, 22, 12, 2};
    EXPECT_EQ(pixels_of(image), expected);
    tga_free(image);
}

TEST_F(TgaTest, PathWithBackslashesAndOtherCaseIsFound)
{
    write("Wood.tga", tga_bytes(TgaHeader(), "", two_by_two(24)));
    std::string path = dir_ + "\\WOOD.TGA";
    TgaImage *image = tga_read(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixels_of(image), TWO_BY_TWO_RGB);
    tga_free(image);
}

TEST_F(TgaTest, RefusedFilesGiveTheirMessageAndLeaveNothingOpen)
{
    struct Case {
        const char *name;
        TgaHeader head;
        std::string id;
        int pixel_bytes;    // bytes of pixel data written; -1 for the full amount
        int header_bytes;   // bytes of the file kept; -1 for all
        const char *format;
    };
    auto with = [](auto change) {
        TgaHeader head;
        change(head);
        return head;
    };
    const char *read_failed = "TGA read failed: %s";
    const std::vector<Case> cases = {
        {"short_header", TgaHeader(), "", -1, 10, read_failed},
        {"empty", TgaHeader(), "", -1, 0, read_failed},
        {"rle", with([](TgaHeader &s) { s.image_type = 10; }), "", -1, -1,
         "TGA file is not type 2 (true color, uncompressed): %s"},
        {"colour_mapped", with([](TgaHeader &s) { s.image_type = 1; }), "", -1, -1,
         "TGA file is not type 2 (true color, uncompressed): %s"},
        {"colour_map_announced", with([](TgaHeader &s) { s.colour_map_type = 1; }), "", -1, -1,
         "TGA file is not type 2 (true color, uncompressed): %s"},
        {"depth16", with([](TgaHeader &s) { s.depth = 16; }), "", -1, -1,
         "TGA image is not 24 or 32 bits per pixel: %s"},
        {"depth8", with([](TgaHeader &s) { s.depth = 8; }), "", -1, -1,
         "TGA image is not 24 or 32 bits per pixel: %s"},
        {"one_byte_short", TgaHeader(), "", 11, -1, read_failed},
        {"no_pixels", TgaHeader(), "", 0, -1, read_failed},
        {"short_id", with([](TgaHeader &s) { s.id_length = 9; }), "abc", 0, -1, read_failed},
        {"negative_width", with([](TgaHeader &s) { s.width = 0x8002; }), "", -1, -1, read_failed},
        {"negative_height", with([](TgaHeader &s) { s.height = 0xffff; }), "", -1, -1, read_failed},
        {"zero_width", with([](TgaHeader &s) { s.width = 0; }), "", -1, -1, read_failed},
        {"huge_claim", with([](TgaHeader &s) { s.width = s.height = 20000; }), "", -1, -1,
         read_failed},
        {"too_large", with([](TgaHeader &s) { s.width = s.height = 32767; }), "", -1, -1,
         read_failed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int depth = c.head.depth == 32 ? 32 : 24;
        std::vector<uint8_t> pixels = two_by_two(depth);
        if (c.pixel_bytes >= 0)
            pixels.resize(static_cast<size_t>(c.pixel_bytes));
        std::vector<uint8_t> bytes = tga_bytes(c.head, c.id, pixels);
        if (c.header_bytes >= 0)
            bytes.resize(static_cast<size_t>(c.header_bytes));
        std::string path = write(std::string(c.name) + ".tga", bytes);
        const char *message = nullptr;
        EXPECT_EQ(tga_read(path.c_str(), &message), nullptr);
        ASSERT_NE(message, nullptr);
        std::string expected = c.format;
        expected.replace(expected.find("%s"), 2, path);
        EXPECT_EQ(std::string(message), expected);
        EXPECT_EQ(file_open_count(), 0);
    }
}

TEST_F(TgaTest, MissingFileCannotBeOpened)
{
    std::string path = dir_ + "/none.tga";
    const char *message = nullptr;
    EXPECT_EQ(tga_read(path.c_str(), &message), nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(std::string(message), "cannot open TGA file: " + path);
    EXPECT_EQ(tga_read(nullptr, &message), nullptr);
    EXPECT_STREQ(message, "cannot open TGA file: ");
    // A directory named like a texture is no file either.
    std::filesystem::create_directory(dir_ + "/folder.tga");
    EXPECT_EQ(tga_read((dir_ + "/folder.tga").c_str(), &message), nullptr);
    EXPECT_EQ(std::string(message), "cannot open TGA file: " + dir_ + "/folder.tga");
}

// Up to the system's path limit and past it, the message names the whole path.
TEST_F(TgaTest, VeryLongPathMessageIsWhole)
{
    for (size_t length : {3000u, 4095u, 6000u}) {
        std::string path = dir_ + "/" + std::string(length - dir_.size() - 5, 'x') + ".tga";
        ASSERT_EQ(path.size(), length);
        const char *message = nullptr;
        EXPECT_EQ(tga_read(path.c_str(), &message), nullptr);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(std::string(message), "cannot open TGA file: " + path) << length;
    }
}

}  // namespace
