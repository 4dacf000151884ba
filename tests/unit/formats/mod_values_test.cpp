// The value checks against the writer and the reader themselves: a name the
// token check keeps is written so that it reads back unchanged, and one it
// refuses would not; child lines the checks refuse or hold.
#include "formats/mod_reader.h"
#include "formats/mod_writer.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/value_check.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char *const kPoints = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n";
const char *const kBase = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\nlayer x 1 1 1 doublesided\ntriangles\n0 1 2 3\n";

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

// Writes a model whose one layer bears the name (made by hand, as the building operation
// refuses some of them) and reads the file back: 1 when the read succeeds and gives a layer
// of exactly that name.
int layer_name_reads_back(const std::string &name)
{
    Model *m = model_create("names.mod", nullptr);
    int same = 0;
    if (mod_read_string(m, kPoints)) {
        char key[MODEL_KEY_LENGTH + 1];
        model_key_name(name.c_str(), key);
        Layer *layer = static_cast<Layer *>(table_add(&m->layers, key));
        memset(layer, 0, sizeof *layer);
        strncpy(layer->name, name.c_str(), sizeof layer->name - 1);
        model_init_layer_tables(layer);
        const int32_t corners[4] = {1, 2, 3, 0};
        if (model_add_face_to_layer(m, layer, 0, corners, nullptr, nullptr, 0) && mod_write(m)) {
            Model *back = model_create("names.mod", nullptr);
            if (mod_read_file(back, "names.mod")) {
                const Layer *found = static_cast<const Layer *>(table_first(&back->layers));
                same = found && name == found->name;
            }
            model_free(back);
        }
    }
    model_free(m);
    return same;
}

} // namespace

TEST(ModValues, LayerNamesReadBackExactlyWhenTheTokenCheckKeepsThem)
{
    WorkDir w;
    // Line ends other than a line feed are left out: how the reader ends lines at a lone
    // carriage return is not this check's business.
    const char *const names[] = {"body", "a\"b", "x\"", "two words", "a\tb", "   ", " lead", "#h", "-5",
                                 "\"q", "\"", "a \"b", "q\" r", "a\nb", ""};
    for (const char *name : names)
        EXPECT_EQ(value_token_ok(name), layer_name_reads_back(name)) << "[" << name << "]";
}

TEST(ModValues, ChildLinesOutsideWhatTheRecordGivesBack)
{
    Model *m = model_create("far.mod", nullptr);
    // A stored file with a decimal position beyond the whole numbers keeps opening: the
    // position is held at the end of the range, which saves and reads back as itself.
    std::string text = std::string(kBase) + "child kid 100000000000000000000.0 -5.5 0 1 1 1 0 0 0\n";
    ASSERT_EQ(1, mod_read_string(m, text.c_str())) << last_error();
    const Child *c = static_cast<const Child *>(table_first(&m->children));
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(2147483648.0f, c->position[0]);
    EXPECT_EQ(-5.5f, c->position[1]);
    model_free(m);

    // A name longer than the record holds would be saved cut, naming another file.
    m = model_create("long.mod", nullptr);
    text = std::string(kBase) + "child " + std::string(128, 'n') + " 0 0 0 1 1 1 0 0 0\n";
    EXPECT_EQ(0, mod_read_string(m, text.c_str()));
    EXPECT_EQ("Bad child data (file: (data), line: 8)", last_error());
    EXPECT_EQ(0, table_count(&m->children));
    model_free(m);
}
