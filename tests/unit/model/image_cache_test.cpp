#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/image_cache.h"
#include "tests/unit/temp_dir.h"

namespace {

// An uncompressed 24-bit TGA of width x height whose file pixels are the given
// B, G, R triples, bottom row first.
std::vector<uint8_t> tga_bytes(int width, int height, const std::vector<uint8_t> &bgr)
{
    std::vector<uint8_t> bytes(18 + bgr.size(), 0);
    bytes[2] = 2;
    bytes[12] = static_cast<uint8_t>(width);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[16] = 24;
    std::copy(bgr.begin(), bgr.end(), bytes.begin() + 18);
    return bytes;
}

class ImageCacheTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Entries a failed check left behind would leak and alter later tests.
        for (const std::string &path : loaded_)
            while (image_cache_release(path.c_str())) {
            }
    }

    std::string write(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        std::string path = temp_.write(name, bytes);
        loaded_.push_back(path);
        return path;
    }

    // 2 x 1 image: file pixels red then green.
    std::string write_red_green(const std::string &name)
    {
        return write(name, tga_bytes(2, 1, {0, 0, 255, 0, 255, 0}));
    }

    TempDir temp_;
    const std::string &dir_ = temp_.path;
    std::vector<std::string> loaded_;
};

TEST_F(ImageCacheTest, SharedImageIsReadOnceAndFreedWithItsLastReference)
{
    std::string path = write_red_green("shared.tga");
    int32_t width = -1, height = -1;
    uint8_t *first = image_cache_load(path.c_str(), &width, &height);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    const std::vector<uint8_t> rgb(first, first + 6);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0}));

    // The second layer gets the same pixels without reading the file again.
    std::filesystem::remove(path);
    int32_t width2 = 0, height2 = 0;
    EXPECT_EQ(image_cache_load(path.c_str(), &width2, &height2), first);
    EXPECT_EQ(width2, 2);
    EXPECT_EQ(height2, 1);
    ImageCacheEntry *entry = image_cache_find(path.c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->references, 2u);
    EXPECT_EQ(entry->width, 2u);
    EXPECT_EQ(entry->height, 1u);
    EXPECT_STREQ(entry->file, path.c_str());

    EXPECT_EQ(image_cache_release(path.c_str()), 1);
    entry = image_cache_find(path.c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->references, 1u);
    EXPECT_EQ(image_cache_release(path.c_str()), 1);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);
    EXPECT_EQ(image_cache_release(path.c_str()), 0);

    // Once freed, a later load reads the file again: here its new contents.
    write(path.substr(dir_.size() + 1), tga_bytes(1, 1, {1, 2, 3}));
    uint8_t *again = image_cache_load(path.c_str(), &width, &height);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(std::vector<uint8_t>(again, again + 3), (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_EQ(image_cache_release(path.c_str()), 1);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);
}

TEST_F(ImageCacheTest, PathsAreComparedAsWritten)
{
    std::string path = write_red_green("same.tga");
    std::string other = dir_ + "/./same.tga";
    int32_t width = 0, height = 0;
    uint8_t *a = image_cache_load(path.c_str(), &width, &height);
    uint8_t *b = image_cache_load(other.c_str(), &width, &height);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    ASSERT_NE(image_cache_find(path.c_str()), nullptr);
    ASSERT_NE(image_cache_find(other.c_str()), nullptr);
    EXPECT_NE(image_cache_find(path.c_str())->id, image_cache_find(other.c_str())->id);
    EXPECT_EQ(image_cache_find(path.c_str())->references, 1u);
    EXPECT_EQ(image_cache_find(other.c_str())->references, 1u);
    EXPECT_EQ(image_cache_release(other.c_str()), 1);
    EXPECT_EQ(image_cache_release(path.c_str()), 1);
}

TEST_F(ImageCacheTest, FailedLoadAddsNothingAndSetsTheReadersMessage)
{
    std::string path = dir_ + "/late.tga";
    int32_t width = 7, height = 7;
    EXPECT_EQ(image_cache_load(path.c_str(), &width, &height), nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    ASSERT_NE(err_last(), nullptr);
    EXPECT_EQ(std::string(err_last()), "cannot open TGA file: " + path);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);

    std::vector<uint8_t> rle = tga_bytes(1, 1, {1, 2, 3});
    rle[2] = 10;
    write("late.tga", rle);
    EXPECT_EQ(image_cache_load(path.c_str(), &width, &height), nullptr);
    EXPECT_EQ(std::string(err_last()),
              "TGA file is not type 2 (true color, uncompressed): " + path);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);

    // The next load reads the file again and succeeds once it is a good image.
    write("late.tga", tga_bytes(1, 1, {1, 2, 3}));
    EXPECT_NE(image_cache_load(path.c_str(), &width, &height), nullptr);
    ASSERT_NE(image_cache_find(path.c_str()), nullptr);
    EXPECT_EQ(image_cache_find(path.c_str())->references, 1u);
    EXPECT_EQ(image_cache_release(path.c_str()), 1);
}

TEST_F(ImageCacheTest, MissingArgumentsAndUncachedPathsAreRefused)
{
    std::string path = write_red_green("args.tga");
    int32_t width = 5, height = 5;
    EXPECT_EQ(image_cache_load(nullptr, &width, &height), nullptr);
    EXPECT_EQ(image_cache_load(path.c_str(), nullptr, &height), nullptr);
    EXPECT_EQ(image_cache_load(path.c_str(), &width, nullptr), nullptr);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);
    EXPECT_EQ(image_cache_release(nullptr), 0);
    EXPECT_EQ(image_cache_release(path.c_str()), 0);
    EXPECT_EQ(image_cache_colour_key(nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(image_cache_colour_key(path.c_str(), 0, 0, 0), nullptr);
    EXPECT_EQ(image_cache_find(nullptr), nullptr);
}

TEST_F(ImageCacheTest, ColourKeyClearsExactMatchesOnlyAndFirstKeyWins)
{
    // Pixels top row first: (0,0,0) (1,0,0) / (255,0,255) (0,0,0).
    std::string path = write("keyed.tga", tga_bytes(2, 2, {255, 0, 255, 0, 0, 0,
                                                           0, 0, 0, 0, 0, 1}));
    int32_t width = 0, height = 0;
    uint8_t *rgb = image_cache_load(path.c_str(), &width, &height);
    ASSERT_NE(rgb, nullptr);
    ASSERT_NE(image_cache_load(path.c_str(), &width, &height), nullptr);

    uint8_t *keyed = image_cache_colour_key(path.c_str(), 0, 0, 0);
    ASSERT_NE(keyed, nullptr);
    EXPECT_NE(keyed, rgb);
    const std::vector<uint8_t> expected = {0, 0, 0, 0,     1, 0, 0, 255,
                                           255, 0, 255, 255, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(keyed, keyed + 16), expected);

    // A second layer asking for another key gets the copy keyed on the first.
    EXPECT_EQ(image_cache_colour_key(path.c_str(), 255, 0, 255), keyed);
    EXPECT_EQ(std::vector<uint8_t>(keyed, keyed + 16), expected);
    ImageCacheEntry *entry = image_cache_find(path.c_str());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->keyed_pixels, keyed);
    EXPECT_EQ(entry->references, 2u);

    // A further load still lends the RGB pixels, unchanged by the key.
    EXPECT_EQ(image_cache_load(path.c_str(), &width, &height), rgb);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12),
              (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 255, 0, 255, 0, 0, 0}));
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(image_cache_release(path.c_str()), 1);
    EXPECT_EQ(image_cache_find(path.c_str()), nullptr);
}

TEST_F(ImageCacheTest, TableListsEveryCachedFileInOrder)
{
    std::string a = write_red_green("list_a.tga");
    std::string b = write_red_green("list_b.tga");
    int32_t width = 0, height = 0;
    ASSERT_NE(image_cache_load(a.c_str(), &width, &height), nullptr);
    ASSERT_NE(image_cache_load(b.c_str(), &width, &height), nullptr);
    KeyedTable *table = image_cache_table();
    ASSERT_NE(table, nullptr);
    int32_t count = table_count(table);
    std::vector<std::string> files;
    for (auto *entry = static_cast<ImageCacheEntry *>(table_first(table)); entry;
         entry = static_cast<ImageCacheEntry *>(table_next(table)))
        if (std::string(entry->file).rfind(dir_, 0) == 0)
            files.push_back(entry->file);
    EXPECT_EQ(files, (std::vector<std::string>{a, b}));
    EXPECT_EQ(image_cache_release(a.c_str()), 1);
    EXPECT_EQ(image_cache_release(b.c_str()), 1);
    EXPECT_EQ(table_count(table), count - 2);
}

}  // namespace
