// Normals from the geometry, saved and read back: the normal lines of the written file and
// a model whose directions cancel or are collinear still reads back.
#include "formats/mod_loader.h"
#include "formats/mod_writer.h"
#include "foundation/keyed_table.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_edit.h"
#include "model/model_query.h"

#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Each test writes into a fresh working directory.
class AutoNormalsFileTest : public ::testing::Test {
protected:
    WorkDir work_;
};

// A cube corner (1, 2, 3, 4) in layer skin with a collinear triangle (1, 2, 5), and in
// layer back the faces +y and +z, so that at point 2 the directions cancel.
Model *corner_model()
{
    Model *m = model_create("corner.mod", nullptr);
    model_set_point(m, 1, 0, 0, 0, 1.0f);
    model_set_point(m, 2, 10, 0, 0, 1.0f);
    model_set_point(m, 3, 0, 10, 0, 1.0f);
    model_set_point(m, 4, 0, 0, 10, 1.0f);
    model_set_point(m, 5, 20, 0, 0, 1.0f);
    model_add_layer(m, "skin", 127, 127, 127, 1, 0, 0);
    model_add_layer(m, "back", 127, 127, 127, 1, 0, 0);
    const int32_t skin[4][3] = {{1, 2, 3}, {1, 3, 4}, {1, 4, 2}, {1, 2, 5}};  // -z, -x, -y, none
    for (const auto &f : skin) {
        const int32_t ids[4] = {f[0], f[1], f[2], 0};
        model_add_face(m, "skin", 0, ids, nullptr, nullptr, 0);
    }
    const int32_t back[2][3] = {{1, 2, 4}, {1, 3, 2}};  // +y, +z
    for (const auto &f : back) {
        const int32_t ids[4] = {f[0], f[1], f[2], 0};
        model_add_face(m, "back", 0, ids, nullptr, nullptr, 0);
    }
    return m;
}

// The lines of text after the first line "from" up to the next empty line.
std::string section(const std::string &text, const std::string &from)
{
    size_t at = text.find("\n" + from + "\n");
    if (at == std::string::npos) return "";
    at += from.size() + 2;
    size_t end = text.find("\n\n", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

void expect_near(const float *a, const float *b, int32_t id)
{
    ASSERT_NE(a, nullptr) << id;
    ASSERT_NE(b, nullptr) << id;
    for (int k = 0; k < 3; k++) EXPECT_NEAR(a[k], b[k], 0.0006f) << id;
}

} // namespace

TEST_F(AutoNormalsFileTest, PointNormalLinesReadBack)
{
    Model *m = corner_model();
    ASSERT_EQ(model_auto_normals(m, 0), 1);
    ASSERT_EQ(mod_write(m), 1);
    // 1: -z, -x, -y, +y, +z; 2: -z, -y, +y, +z cancel; 3: -z, -x, +z; 4: -x, -y, +y;
    // 5: collinear only.
    EXPECT_EQ(section(read_text("corner.mod"), "normals"),
              "1     -1.000  0.000  0.000\n"
              "2      0.000  0.000  1.000\n"
              "3     -1.000  0.000  0.000\n"
              "4     -1.000  0.000  0.000\n"
              "5      0.000  0.000  1.000\n");
    Model *back = mod_load("corner.mod");
    ASSERT_NE(back, nullptr);
    for (int32_t id = 1; id <= 5; id++) expect_near(model_point_normal(back, id), model_point_normal(m, id), id);
    model_free(back);
    model_free(m);
}

TEST_F(AutoNormalsFileTest, LayerNormalLinesReadBack)
{
    Model *m = corner_model();
    ASSERT_EQ(model_auto_normals(m, 1), 1);
    ASSERT_EQ(mod_write(m), 1);
    std::string text = read_text("corner.mod");
    EXPECT_NE(text.find("normals\n"
                        "1     -0.577 -0.577 -0.577\n"
                        "2      0.000 -0.707 -0.707\n"
                        "3     -0.707  0.000 -0.707\n"
                        "4     -0.707 -0.707  0.000\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("normals\n"
                        "1      0.000  0.707  0.707\n"
                        "2      0.000  0.707  0.707\n"
                        "3      0.000  0.000  1.000\n"
                        "4      0.000  1.000  0.000\n"),
              std::string::npos)
        << text;
    Model *back = mod_load("corner.mod");
    ASSERT_NE(back, nullptr);
    const char *names[2] = {"skin", "back"};
    for (const char *name : names) {
        Layer *a = model_find_layer(m, name);
        Layer *b = model_find_layer(back, name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(table_count(&b->normals), table_count(&a->normals)) << name;
        int32_t id = 0;
        for (float *n = static_cast<float *>(table_first(&a->normals, &id)); n;
             n = static_cast<float *>(table_next(&a->normals, &id)))
            expect_near(static_cast<const float *>(table_find(&b->normals, id)), n, id);
    }
    model_free(back);
    model_free(m);
}
