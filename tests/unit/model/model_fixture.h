// Small helpers for the model store tests: models built through the building
// operations, and a temporary folder with tiny TGA images.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/image_cache.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/point.h"
#include "tests/unit/temp_dir.h"

namespace model_test {

// Text of the last error, "" when none.
inline std::string last_error()
{
    const char *text = err_last();
    return text ? text : "";
}

// Number of images the process-wide cache holds.
inline int32_t cached_images()
{
    KeyedTable *table = image_cache_table();
    return table ? table_count(table) : 0;
}

inline int add_triangle(Model *m, const char *layer, int32_t a, int32_t b, int32_t c)
{
    const int32_t ids[4] = {a, b, c, 0};
    return model_add_face(m, layer, 0, ids, nullptr, nullptr, 0);
}

inline int add_quad(Model *m, const char *layer, int32_t a, int32_t b, int32_t c, int32_t d)
{
    const int32_t ids[4] = {a, b, c, d};
    return model_add_face(m, layer, 1, ids, nullptr, nullptr, 0);
}

// The first record of a table in slot order.
template <typename T> T *first_of(KeyedTable *table)
{
    for (int32_t slot = 0; slot < table->capacity; slot++)
        if (void *e = table_nth(table, slot, 0)) return static_cast<T *>(e);
    return nullptr;
}

// A model with points 1..4 at the corners of a unit square in z = 0 (scaled by 10)
// and a layer "skin" holding the two triangles (1, 2, 3) and (3, 2, 4).
inline Model *square_model(const char *path = "c:\\models\\square.mod")
{
    Model *m = model_create(path, nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_set_point(m, 4, 10, 10, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    add_triangle(m, "skin", 1, 2, 3);
    add_triangle(m, "skin", 3, 2, 4);
    return m;
}

// An uncompressed 24-bit TGA of width x height, every pixel the same B, G, R.
inline std::vector<uint8_t> tga_bytes(int width, int height, uint8_t b, uint8_t g, uint8_t r)
{
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<uint8_t>(width);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[16] = 24;
    for (int i = 0; i < width * height; i++) {
        bytes.push_back(b);
        bytes.push_back(g);
        bytes.push_back(r);
    }
    return bytes;
}

// A temporary folder, removed with everything in it at the end of the test.
class TempDirTest : public ::testing::Test {
protected:
    // Writes a 2 x 2 image of one colour under name; returns its full path.
    std::string write_tga(const std::string &name, uint8_t r = 200, uint8_t g = 100, uint8_t b = 50)
    {
        return temp_.write(name, tga_bytes(2, 2, b, g, r));
    }

    // Path of a model file in the folder (the file itself need not exist).
    std::string model_path(const std::string &name) const { return temp_.file(name); }

    TempDir temp_;
};

} // namespace model_test
