// OBJ export: the exact text of a small model, the file name, and what is refused.
#include "formats/obj_writer.h"

#include "foundation/file_table.h"
#include "model/model.h"
#include "model/model_build.h"

#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Each test writes into a fresh temporary folder.
class ObjWriterTest : public ::testing::Test {
protected:
    TempDir temp_;
    std::string dir_ = temp_.path;  // without a trailing separator
};

const char kBanner[] = "# Wavefront OBJ written by plyvo, the 3D model viewer and editor made by Druvex\n";

// Points 10, 20, 30, 40 in table order; layer hull with a triangle, a quad, a strip and a
// line; layer bare with nothing; layer wire with a line only.
Model *ship()
{
    Model *m = model_create("c:\\models\\ship.mod", nullptr);
    model_set_point(m, 10, 1, 2, 3, 1.0f);
    model_set_point(m, 20, -4, 5, 0, 1.0f);
    model_set_point(m, 30, 0, 0, 7, 1.0f);
    model_set_point(m, 40, 8, 9, 10, 1.0f);
    model_add_layer(m, "hull", 127, 127, 127, 1, 0, 0);
    model_add_layer(m, "bare", 127, 127, 127, 1, 0, 0);
    model_add_layer(m, "wire", 127, 127, 127, 1, 0, 0);
    const int32_t tri[4] = {10, 20, 30, 0}, quad[4] = {10, 20, 30, 40};
    const int32_t strip[5] = {10, 20, 30, 40, 10}, line[2] = {10, 20}, wire[3] = {40, 30, 20};
    model_add_face(m, "hull", 0, tri, nullptr, nullptr, 0);
    model_add_face(m, "hull", 1, quad, nullptr, nullptr, 0);
    model_add_strip(m, "hull", 5, strip, nullptr);
    model_add_line(m, "hull", 2, line);
    model_add_line(m, "wire", 3, wire);
    return m;
}

} // namespace

TEST_F(ObjWriterTest, WritesTheExactText)
{
    Model *m = ship();
    ASSERT_EQ(model_export(m, MODEL_EXPORT_OBJ, (dir_ + "/ship.mod").c_str()), 1);
    std::string expected = std::string(kBanner) + "#\n# model: " + dir_ + "/ship.obj\n#\n" +
                           "#\n# world points\n#\n"
                           "v 1.000000 3.000000 2.000000\n"
                           "v -4.000000 0.000000 5.000000\n"
                           "v 0.000000 7.000000 0.000000\n"
                           "v 8.000000 10.000000 9.000000\n"
                           "\ng hull\n"
                           "f 1 2 3\n"
                           "f 1 2 3\n"
                           "f 3 2 4\n"
                           "f 1 2 3\n"  // the strip as triangles in strip winding
                           "f 3 2 4\n"
                           "f 3 4 1\n"
                           "l 1 2 \n"
                           "\ng wire\n"
                           "l 4 3 2 \n";
    EXPECT_EQ(read_text(dir_ + "/ship.obj"), expected);
    EXPECT_EQ(sizeof kBanner - 2, 79u);
    EXPECT_EQ(file_open_count(), 0);
    model_free(m);
}

TEST_F(ObjWriterTest, PointsOnlyGiveTheCommentsAndPointLines)
{
    Model *m = model_create("c:\\models\\dots.mod", nullptr);
    model_set_point(m, 1, 1, 2, 3, 1.0f);
    model_add_layer(m, "bare", 127, 127, 127, 1, 0, 0);
    ASSERT_EQ(obj_write(m, (dir_ + "/dots").c_str()), 1);
    EXPECT_EQ(read_text(dir_ + "/dots.obj"), std::string(kBanner) + "#\n# model: " + dir_ +
                                                  "/dots.obj\n#\n#\n# world points\n#\n"
                                                  "v 1.000000 3.000000 2.000000\n");
    model_free(m);
}

TEST_F(ObjWriterTest, FileNameReplacesTheLastComponentsExtensionOnly)
{
    struct Case {
        const char *path, *name;
    } cases[] = {
        {"ship.mod", "ship.obj"},
        {"ship", "ship.obj"},
        {"models.v2/ship", "models.v2/ship.obj"},
        {"c:\\models.v2\\ship.mod", "c:\\models.v2\\ship.obj"},
        {"a/b.c/ship.tar.mod", "a/b.c/ship.tar.obj"},
        {"dir/.hidden", "dir/.hidden.obj"},
    };
    for (const Case &c : cases) EXPECT_STREQ(obj_file_name(c.path), c.name) << c.path;
}

TEST_F(ObjWriterTest, RefusalsWriteNothing)
{
    Model *m = ship();
    std::string path = dir_ + "/ship.mod";
    EXPECT_EQ(model_export(m, 0, path.c_str()), 0);
    EXPECT_EQ(model_export(m, 2, path.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/ship.obj"));
    EXPECT_EQ(obj_write(nullptr, path.c_str()), 0);
    EXPECT_EQ(obj_write(m, nullptr), 0);
    EXPECT_EQ(obj_write(m, (dir_ + "/missing/ship.mod").c_str()), 0);
    model_free(m);
}
