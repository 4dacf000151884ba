// PS2 image file check: each message, the colormap rule and the walk over the image cache.
#include "formats/ps2_check.h"

#include "foundation/last_error.h"
#include "model/image_cache.h"

#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

// A 32-byte header with depth at offset 4 and the colormap name at offset 16.
std::vector<char> header(int32_t depth, const std::string &name)
{
    std::vector<char> bytes(32, 0);
    for (int k = 0; k < 4; k++) bytes[4 + k] = static_cast<char>((static_cast<uint32_t>(depth) >> (8 * k)) & 0xff);
    for (size_t k = 0; k < name.size() && k < 16; k++) bytes[16 + k] = name[k];
    return bytes;
}

void write_file(const std::string &path, const std::vector<char> &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A temporary directory that is the working directory while the test runs.
class Ps2CheckTest : public ::testing::Test {
protected:
    WorkDir work_;
    std::string dir_ = work_.temp.path;  // without a trailing separator
};

} // namespace

TEST_F(Ps2CheckTest, EachMessage)
{
    EXPECT_EQ(ps2_check_image(nullptr), 0);
    EXPECT_EQ(ps2_check_image("wood.tga"), 0);
    EXPECT_EQ(last_error(), "cannot find PS2 image file: wood.p2i");
    write_file("wood.p2i", std::vector<char>(20, 1));
    EXPECT_EQ(ps2_check_image("wood.tga"), 0);
    EXPECT_EQ(last_error(), "read failed PS2 image file: wood.p2i");
    write_file("wood.p2i", header(8, "pal"));
    EXPECT_EQ(ps2_check_image("wood.tga"), 0);
    EXPECT_EQ(last_error(), "cannot find PS2 colormap file: pal");
    write_file("pal.p2c", {});
    err_set(nullptr);
    EXPECT_EQ(ps2_check_image("wood.tga"), 1);
    EXPECT_EQ(last_error(), "");
}

TEST_F(Ps2CheckTest, DeepImagesNeedNoColormapAndTheNameFieldIsBounded)
{
    write_file("deep.p2i", header(16, "nowhere"));
    EXPECT_EQ(ps2_check_image("deep.tga"), 1);
    write_file("odd.p2i", header(-1, "abcdefghijklmnop"));  // no zero byte in the field
    EXPECT_EQ(ps2_check_image("odd.tga"), 0);
    EXPECT_EQ(last_error(), "cannot find PS2 colormap file: abcdefghijklmnop");
    write_file("abcdefghijklmnop.p2c", {});
    EXPECT_EQ(ps2_check_image("odd.tga"), 1);
}

TEST_F(Ps2CheckTest, ColormapIsLookedForInTheCurrentDirectory)
{
    fs::create_directory("tex");
    write_file("tex/wood.p2i", header(4, "pal"));
    write_file("tex/pal.p2c", {});
    EXPECT_EQ(ps2_check_image("tex/wood.tga"), 0);
    EXPECT_EQ(last_error(), "cannot find PS2 colormap file: pal");
}

TEST_F(Ps2CheckTest, AllImagesStopsAtTheFirstFailure)
{
    // A 1 x 1 TGA in the cache; its PS2 files missing, then present.
    std::vector<char> tga(18, 0);
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 24;
    tga.insert(tga.end(), {1, 2, 3});
    write_file("wood.tga", tga);
    int32_t w = 0, h = 0;
    ASSERT_NE(image_cache_load((dir_ + "/wood.tga").c_str(), &w, &h), nullptr);
    EXPECT_EQ(ps2_check_all_images(), 0);
    EXPECT_EQ(last_error(), "cannot find PS2 image file: " + dir_ + "/wood.p2i");
    write_file("wood.p2i", header(32, ""));
    EXPECT_EQ(ps2_check_all_images(), 1);
    image_cache_release((dir_ + "/wood.tga").c_str());
}
