#include "formats/mod_reader.h"

#include "formats/mod_loader.h"
#include "formats/mod_writer.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_query.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kDir = std::string(DRUVEX_FIXTURES) + "/formats/";

// Six lines: four points of a unit square and an open layer with one triangle.
const char *const kPrefix =
    "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 1 1 0\n"
    "layer skin 10 20 30 doublesided\ntriangles\n0 1 2 3\n";
const int kPrefixLines = 8;

struct ModelHolder {
    Model *model;
    ModelHolder() : model(model_create((kDir + "t.mod").c_str(), nullptr)) {}
    ~ModelHolder() { model_free(model); }
};

std::vector<Face> faces_of(Model *m, const char *layer)
{
    std::vector<Face> out;
    Layer *l = model_find_layer(m, layer);
    if (!l) return out;
    for (Face *f = static_cast<Face *>(table_first(&l->faces)); f;
         f = static_cast<Face *>(table_next(&l->faces)))
        out.push_back(*f);
    return out;
}

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

}  // namespace

// Every accepted form of a triangles data line gives the face it describes.
TEST(ModReader, TriangleLineForms)
{
    struct Case {
        const char *line;
        int quad, curve;
        int normals[4];
        int edges[8];  // all 0: expect the defaults of the kind (0 for flat faces)
    };
    const Case cases[] = {
        {"0 1 2 3", 0, 0, {1, 2, 3, 0}, {0}},
        {"0 1 2 3 0", 0, 0, {1, 2, 3, 0}, {0}},
        {"0 1 2 3 4 3 2", 0, 0, {4, 3, 2, 0}, {0}},
        {"0 1 2 3 4 3 2 9 9", 0, 0, {4, 3, 2, 0}, {0}},
        {"1 1 2 3 4", 1, 0, {1, 2, 3, 4}, {0}},
        {"1 1 2 3 4 4 3 2 1", 1, 0, {4, 3, 2, 1}, {0}},
        {"3 1 2 3", 0, 3, {1, 2, 3, 0}, {1, 2, 2, 3, 3, 1}},
        {"3 1 2 3 1", 0, 1, {1, 2, 3, 0}, {1, 2, 2, 3, 3, 1}},
        {"3 1 2 3 2 3 2 1", 0, 2, {3, 2, 1, 0}, {1, 2, 2, 3, 3, 1}},
        {"3 1 2 3 2 3 2 1 4 4 4 4 4", 0, 2, {3, 2, 1, 0}, {1, 2, 2, 3, 3, 1}},
        {"3 1 2 3 4 1 2 3 4 3 3 2 2 1", 0, 4, {1, 2, 3, 0}, {4, 3, 3, 2, 2, 1}},
        {"4 1 2 3 4", 1, 4, {1, 2, 3, 4}, {1, 2, 2, 4, 4, 3, 3, 1}},
        {"4 1 2 3 4 2", 1, 2, {1, 2, 3, 4}, {1, 2, 2, 4, 4, 3, 3, 1}},
        {"4 1 2 3 4 2 4 3 2 1", 1, 2, {4, 3, 2, 1}, {1, 2, 2, 4, 4, 3, 3, 1}},
        {"4 1 2 3 4 4 1 2 3 4 2 1 1 3 3 4 4 2", 1, 4, {1, 2, 3, 4}, {2, 1, 1, 3, 3, 4, 4, 2}},
    };
    for (const Case &c : cases) {
        ModelHolder h;
        std::string text = std::string(kPrefix) + c.line + "\n";
        ASSERT_EQ(1, mod_read_string(h.model, text.c_str())) << c.line << ": " << last_error();
        std::vector<Face> faces = faces_of(h.model, "skin");
        ASSERT_EQ(2u, faces.size()) << c.line;
        const Face &f = faces[1];
        EXPECT_EQ(c.quad, f.quad) << c.line;
        EXPECT_EQ(c.curve, f.curve) << c.line;
        for (int i = 0; i < 4; i++) EXPECT_EQ(c.normals[i], f.normal_ids[i]) << c.line << " normal " << i;
        for (int i = 0; i < 8; i++) EXPECT_EQ(c.edges[i], f.edge_ids[i]) << c.line << " edge " << i;
    }
}

// Refused lines of text in memory: the message names "(data)" and the line, the read
// stops there and the refused line adds nothing.
TEST(ModReader, RefusedLinesInText)
{
    struct Case {
        const char *line;
        const char *message;
    };
    const Case cases[] = {
        {"0 1 2", "Bad triangle definition"},
        {"0 1 2 3 4", "Bad triangle definition"},
        {"0 1 2 3 4 5", "Bad triangle definition"},
        {"1 1 2 3 4 1 2 3", "Bad triangle definition"},
        {"2 1 2", "Bad triangle definition"},
        {"3 1 2 3 1 1 2", "Bad triangle definition"},
        {"4 1 2 3 4 2 1 2 3", "Bad triangle definition"},
        {"5 1 2 3", "Bad triangle definition"},
        {"-1 1 2 3", "Bad triangle definition"},
        {"4 1 2 3 4 3", "Bad triangle definition"},   // a quad cannot take curve kind 3
        {"3 1 2 3 5", "Bad triangle definition"},     // no curve kind 5
        {"0 1 2 9", "point does not exist"},
        {"0 1 2 3 1 2 9", "normal does not exist"},
        {"3 1 2 3 3 1 2 3 1 2 2 3 3 9", "normal does not exist"},
        {"2 1 2 9", "point does not exist"},
        {"image ../formats/tex.tga x y repeat 200 1", "Bad image definition"},
        {"image tex.tga x y repeat 1 -128.5", "Bad image definition"},
        {"image tex.tga x y 2 2 2", "Bad image definition"},
        {"image tex.tga x y repeat", "Bad image definition"},
        {"image tex.tga x", "Bad image definition"},
        {"image tex.tga q y", "Bad image axis definition"},
        {"mirrorimage", "Bad image definition"},
        {"transparency 1.5", "Bad transparency data"},
        {"reflect tex.tga 2.0", "Bad reflection map definition"},
        {"invisible 0.5 1.2 0", "invisible color out of range (should be 0.0 to 1.0)"},
        {"layer skin 1 2 3 singlesided", "duplicate layer name not allowed"},
        {"joint a 0 0 0 a 1", "Bad joint parent"},
        {"blend a b 0", "Bad blend definition"},
        {"child c 0 0 0 1 1 1 x1e2 0 0", "Bad child data"},
        {"child c 0 0 0 1 1 1 x12345678 0 0", "Bad child data"},
        {"child c 0 0 0 1 1 1 0 0", "Bad child data"},
        {"collide c box 0 0 0 1 1 1 0 0 .5", "Bad collide object definition"},
        {"collide c box 0 0 0 1 1 one 0 0 0", "Bad collide object definition"},
        {"collide c box 0 0 0 1 1 1 z-12345678 0 0", "Bad collide object definition"},
    };
    for (const Case &c : cases) {
        ModelHolder h;
        std::string text = std::string(kPrefix) + c.line + "\n0 1 2 4\n";
        EXPECT_EQ(0, mod_read_string(h.model, text.c_str())) << c.line;
        std::string want = std::string(c.message) + " (file: (data), line: " +
                           std::to_string(kPrefixLines + 1) + ")";
        EXPECT_EQ(want, last_error()) << c.line;
        EXPECT_EQ(1u, faces_of(h.model, "skin").size()) << c.line;
        EXPECT_EQ(0, table_count(&h.model->children)) << c.line;
        EXPECT_EQ(0, table_count(&h.model->collides)) << c.line;
        EXPECT_EQ(0, table_count(&model_find_layer(h.model, "skin")->texture)) << c.line;
    }
}

// One bad file per message of the reader, and the building operations' messages:
// each names the file and the line that stopped the read.
TEST(ModReader, BadFiles)
{
    struct Case {
        const char *file;
        const char *message;
        int line;
    };
    const Case cases[] = {
        {"layer", "Bad layer definition", 7},
        {"image", "Bad image definition", 10},
        {"image_axis", "Bad image axis definition", 7},
        {"reflect", "Bad reflection map definition", 10},
        {"child", "Bad child data", 7},
        {"rotation", "Bad child data", 7},
        {"collide", "Bad collide object definition", 7},
        {"joint", "Bad joint definition", 1},
        {"blend", "Bad blend definition", 2},
        {"transparency", "Bad transparency data", 10},
        {"invisible", "Bad invisible data", 10},
        {"point", "Bad point definition", 7},
        {"gouraud", "Bad gouraud RGB definition", 8},
        {"triangle", "Bad triangle definition", 10},
        {"uvee", "Bad uvee definition", 11},
        {"normal", "Bad normal definition", 8},
        {"line", "Bad line definition", 12},
        {"data", "Bad point or triangle data", 3},
        {"no_layer", "layer does not exist", 8},
        {"no_point", "point does not exist", 10},
    };
    for (const Case &c : cases) {
        std::string path = kDir + "bad/" + c.file + ".mod";
        Model *m = model_create(path.c_str(), nullptr);
        EXPECT_EQ(0, mod_read_file(m, path.c_str())) << c.file;
        std::string want = std::string(c.message) + " (file: " + path + ", line: " +
                           std::to_string(c.line) + ")";
        EXPECT_EQ(want, last_error()) << c.file;
        model_free(m);
    }
}

// Sections: a keyword line that is none of the keywords leaves the section open, a
// one-line keyword closes it, "goraud" opens the gouraud section, comments count.
TEST(ModReader, SectionsAndComments)
{
    ModelHolder h;
    ASSERT_EQ(1, mod_read_string(h.model, "# only a comment\n\n   \n# another\n"));
    EXPECT_EQ(0, table_count(&h.model->points));
    EXPECT_EQ(nullptr, err_last());

    ModelHolder k;
    const char *text =
        "points\n1 1 2 3\nwhatever 4 5\n2 4 5 6\n2.5 decimal keyword\n3 7 8 9\n"
        "goraud\n1 300 -1 256 511\n";
    ASSERT_EQ(1, mod_read_string(k.model, text)) << last_error();
    EXPECT_EQ(3, table_count(&k.model->points));
    const uint8_t *c = model_point_gouraud(k.model, 1);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(44, c[0]);
    EXPECT_EQ(255, c[1]);
    EXPECT_EQ(0, c[2]);
    EXPECT_EQ(255, c[3]);
    EXPECT_EQ(1u, k.model->has_gouraud);

    ModelHolder j;
    EXPECT_EQ(0, mod_read_string(j.model, "points\n1 0 0 0\njoint a 0 0 0 world 1\n2 0 0 0\n"));
    EXPECT_EQ("Bad point or triangle data (file: (data), line: 4)", last_error());
    EXPECT_EQ(1, table_count(&j.model->points));  // lines before the bad one stay applied
}

// Point lines: weight from the fifth token (clamped), joints from the seventh; normals
// by vector or by longitude and latitude.
TEST(ModReader, PointsAndNormals)
{
    ModelHolder h;
    const char *text =
        "joint a 0 0 0 world 0\njoint b 0 0 0 a 0\n"
        "points\n1 1 2 3\n2 0 0 0 0.5\n3 0 0 0 3.5 a\n4 0 0 0 -4 a b\n"
        "normals\n1 90 0\n2 0 90\n3 45 0\n4 0 3 4\n5 0 -90\n";
    ASSERT_EQ(1, mod_read_string(h.model, text)) << last_error();
    struct Want { int id; float weight; const char *joint, *second; float n[3]; };
    const float r = std::sqrt(0.5f);
    const Want want[] = {
        {1, 1.0f, nullptr, nullptr, {0, 1, 0}},
        {2, 0.5f, nullptr, nullptr, {0, 0, 1}},
        {3, 2.0f, nullptr, nullptr, {r, r, 0}},
        {4, -1.0f, "a", "b", {0, 0.6f, 0.8f}},
        {5, 0.0f, nullptr, nullptr, {0, 0, -1}},
    };
    for (const Want &w : want) {
        Point *p = static_cast<Point *>(table_find(&h.model->points, w.id));
        ASSERT_NE(nullptr, p) << w.id;
        if (w.id != 5) {
            EXPECT_FLOAT_EQ(w.weight, p->weight) << w.id;
        }
        EXPECT_STREQ(w.joint ? w.joint : "", p->joint ? p->joint->name : "") << w.id;
        EXPECT_STREQ(w.second ? w.second : "", p->second_joint ? p->second_joint->name : "") << w.id;
        for (int i = 0; i < 3; i++) EXPECT_NEAR(w.n[i], p->normal[i], 1e-6) << w.id << " " << i;
    }
    const float *p1 = model_point_position(h.model, 1);
    EXPECT_EQ(1.0f, p1[0]);
    EXPECT_EQ(3.0f, p1[2]);
}

// Layers, images, strips and polylines: mirror only with 8 tokens, image repeat at its
// limits, "none" images leave the slot alone, kind 5 polylines are ignored.
TEST(ModReader, LayersImagesStripsLines)
{
    ModelHolder h;
    const char *text =
        "points\n1 0 0 0\n2 4 0 0\n3 0 4 0\n4 4 4 0\n"
        "layer a 1 2 3 singlesided mirror -y\n"
        "layer b 1 2 3 doublesided mirror\n"
        "triangles\n2 1 2 3 4\n"
        "image tex.tga x y repeat 128 -128\n"
        "mirrorimage none\n"
        "lines\n2 1\n5 1 2 3\n2 1 2 3 4\n"
        "layer c 1 1 1 doublesided\ntriangles\n0 1 2 3\nimage none x y repeat 3 3\n";
    ASSERT_EQ(1, mod_read_string(h.model, text)) << last_error();
    Layer *a = model_find_layer(h.model, "a");
    Layer *b = model_find_layer(h.model, "b");
    Layer *c = model_find_layer(h.model, "c");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(1, a->single_sided);
    EXPECT_EQ(1, a->mirror_on);
    EXPECT_EQ(5, a->mirror_axis);
    EXPECT_EQ(0, b->single_sided);
    EXPECT_EQ(0, b->mirror_on);
    EXPECT_EQ(1, b->repeat_on);
    EXPECT_FLOAT_EQ(128.0f, b->repeat[0]);
    EXPECT_FLOAT_EQ(-128.0f, b->repeat[1]);
    LayerTexture *t = static_cast<LayerTexture *>(table_find(&b->texture, 1));
    ASSERT_NE(nullptr, t);
    EXPECT_STREQ("tex.tga", t->file[0]);
    EXPECT_STREQ("", t->file[1]);
    EXPECT_EQ(1, table_count(&b->strips));
    EXPECT_EQ(2, table_count(&b->lines));
    EXPECT_EQ(3, model_line_count(h.model, "b"));
    EXPECT_EQ(0, table_count(&c->texture));
    EXPECT_EQ(0, c->repeat_on);

    // An image needs the layer's faces first: without them the line fails with its own
    // message (the mapping sets none).
    ModelHolder bare;
    EXPECT_EQ(0, mod_read_string(bare.model, "points\n1 0 0 0\nlayer a 1 1 1 doublesided\nimage tex.tga x y\n"));
    EXPECT_EQ("Bad image definition (file: (data), line: 4)", last_error());

    // Strip length limits of a line: 3 ids and 255 ids (the most a line holds) are
    // accepted; a line with more tokens than a line holds is refused, not cut.
    std::string ok = "points\n";
    for (int i = 1; i <= 300; i++) ok += std::to_string(i) + " 0 0 0\n";
    ok += "layer s 1 1 1 doublesided\ntriangles\n2 1 2 3\n2";
    for (int i = 1; i <= 255; i++) ok += " " + std::to_string(i);
    ModelHolder s;
    ASSERT_EQ(1, mod_read_string(s.model, (ok + "\n").c_str())) << last_error();
    EXPECT_EQ(1 + 253, model_face_count(s.model, "s"));
    ModelHolder s2;
    std::string cut = ok + " 256 257\n";
    EXPECT_EQ(0, mod_read_string(s2.model, cut.c_str()));
    EXPECT_EQ("Bad triangle definition (file: (data), line: 305)", last_error());
}

// Joints, blends, children and collide objects carry their values; decimal joint
// coordinates count as 0; collide objects take their optional values in order.
TEST(ModReader, JointsChildrenCollides)
{
    ModelHolder h;
    const char *text =
        "joint hip 1.5 2 3 world 4\nblend hip knee 2\n"
        "child parts/grid 1.5 -2 3 0.5 1 2 x90 45 z-30\n"
        "collide crate box 0 0 0 1 2 3 0 0 0\n"
        "collide ball sphere 1 2 3 4 4 4 x10 y20 z30 2.5\n"
        "collide pipe plane 0 0 0 1 1 1 0 0 0 3.0 0.5 7 99\n";
    ASSERT_EQ(1, mod_read_string(h.model, text)) << last_error();
    Joint *hip = model_find_joint(h.model, "hip");
    ASSERT_NE(nullptr, hip);
    EXPECT_EQ(0.0f, hip->position[0]);
    EXPECT_EQ(2.0f, hip->position[1]);
    EXPECT_EQ(4, hip->point_count);
    EXPECT_EQ(-1, hip->parent_index);
    Blend *blend = static_cast<Blend *>(table_first(&h.model->blends));
    ASSERT_NE(nullptr, blend);
    EXPECT_EQ(2, blend->point_count);
    Child *child = static_cast<Child *>(table_first(&h.model->children));
    ASSERT_NE(nullptr, child);
    EXPECT_STREQ("parts/grid", child->name);
    EXPECT_EQ(nullptr, child->model);
    EXPECT_FLOAT_EQ(1.5f, child->position[0]);
    EXPECT_FLOAT_EQ(-2.0f, child->position[1]);
    EXPECT_FLOAT_EQ(2.0f, child->scale[2]);
    EXPECT_STREQ("x90", child->rotation[0]);
    EXPECT_STREQ("45", child->rotation[1]);
    EXPECT_STREQ("z-30", child->rotation[2]);
    struct Want { const char *name; int shape; float density, second; int flag; };
    const Want want[] = {{"crate", 1, 1.0f, 0.0f, 1}, {"ball", 2, 2.5f, 0.0f, 1}, {"pipe", 6, 3.0f, 0.5f, 7}};
    CollideObject *o = static_cast<CollideObject *>(table_first(&h.model->collides));
    for (const Want &w : want) {
        ASSERT_NE(nullptr, o) << w.name;
        EXPECT_STREQ(w.name, o->name);
        EXPECT_EQ(w.shape, o->shape) << w.name;
        EXPECT_FLOAT_EQ(w.density, o->density) << w.name;
        EXPECT_FLOAT_EQ(w.second, o->second_value) << w.name;
        EXPECT_EQ(w.flag, o->flag) << w.name;
        EXPECT_EQ(h.model, o->owner);
        o = static_cast<CollideObject *>(table_next(&h.model->collides));
    }
}

TEST(ModReader, AxisWords)
{
    const char *words[] = {"x", "y", "z", "-x", "-y", "-z"};
    for (int i = 0; i < 6; i++) EXPECT_EQ(i + 1, mod_parse_axis(words[i]));
    EXPECT_EQ(0, mod_parse_axis("X"));
    EXPECT_EQ(0, mod_parse_axis("xy"));
    EXPECT_EQ(0, mod_parse_axis(nullptr));
}

TEST(ModReader, NullArgumentsAndMissingFile)
{
    ModelHolder h;
    EXPECT_EQ(0, mod_read_file(nullptr, (kDir + "scene.mod").c_str()));
    EXPECT_EQ(0, mod_read_file(h.model, nullptr));
    EXPECT_EQ(0, mod_read_string(h.model, nullptr));
    EXPECT_EQ(0, mod_read_file(h.model, (kDir + "no_such_file.mod").c_str()));
}

// Text added to a loaded model keeps a child line only when its file is in the current
// folder and does not lead back to the model; a refused line adds no child, and the lines
// before it stay. A file read checks neither: its loader does.
TEST(ModReader, AddedTextChecksChildFiles)
{
    WorkDir w;
    std::ofstream(w.path + "kid.mod") << "points\n1 0 0 0\n";
    std::ofstream(w.path + "t.mod") << "points\n1 0 0 0\n";
    std::ofstream(w.path + "back.mod") << "child T 0 0 0 1 1 1 0 0 0\n";
    struct Case {
        const char *line;
        const char *message;
    };
    const Case cases[] = {
        {"child kid 0 0 0 1 1 1 0 0 0", ""},
        {"child nosuch 0 0 0 1 1 1 0 0 0", "Cannot find child model: nosuch.mod (file: (data), line: 3)"},
        {"child t 0 0 0 1 1 1 0 0 0", "Child model would contain its parent: t.mod (file: (data), line: 3)"},
        {"child back 0 0 0 1 1 1 0 0 0", "Child model would contain its parent: back.mod (file: (data), line: 3)"},
    };
    for (const Case &c : cases) {
        Model *m = model_create("t.mod", nullptr);
        std::string text = std::string("points\n1 0 0 0\n") + c.line + "\n";
        EXPECT_EQ(c.message[0] == '\0', mod_read_added_text(m, text.c_str())) << c.line;
        EXPECT_EQ(c.message, last_error()) << c.line;
        EXPECT_EQ(c.message[0] == '\0' ? 1 : 0, table_count(&m->children)) << c.line;
        EXPECT_EQ(1, table_count(&m->points)) << c.line;
        model_free(m);
        m = model_create("t.mod", nullptr);
        EXPECT_EQ(1, mod_read_string(m, text.c_str())) << c.line;
        model_free(m);
    }
}

// Added text refuses each line that reading back the model's save would refuse: a point normal
// the loader refuses, a child whose files would take that read past its most models or levels,
// or lead back to themselves. The read stops there with the loader's message, the refused line
// leaves nothing a save writes, and the save reads back.
TEST(ModReader, AddedTextRefusesWhatASaveCannotGiveBack)
{
    WorkDir w;
    std::ofstream(w.path + "leaf.mod") << "points\n1 0 0 0\n";
    {
        std::ofstream wide(w.path + "wide.mod");
        for (int i = 0; i < 40000; i++) wide << "child leaf 0 0 0 1 1 1 0 0 0\n";
    }
    // c1 names c2 and so on to c33: c1 is 33 levels of models, c2 the 32 a model may hold.
    for (int i = 1; i <= 33; i++) {
        std::ofstream chain(w.path + "c" + std::to_string(i) + ".mod");
        chain << "points\n1 0 0 0\n";
        if (i < 33) chain << "child c" << i + 1 << " 0 0 0 1 1 1 0 0 0\n";
    }
    std::ofstream(w.path + "ring.mod") << "child leaf 0 0 0 1 1 1 0 0 0\nchild ring 0 0 0 1 1 1 0 0 0\n";
    const std::string base = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n";
    struct Case {
        const char *accepted;  // lines read before, kept
        const char *refused;   // the refused line, with its section line
        const char *message;
    };
    const Case cases[] = {
        {"", "normals\n2 0 0 0", "(t.mod) bad normal: 2 (file: (data), line: 6)"},
        {"", "normals\n2 -0 0 0", "(t.mod) bad normal: 2 (file: (data), line: 6)"},
        {"normals\n1 0 0 1\n", "3 0.000000000000000000000000000000000000000000000001 0 0",
         "(t.mod) bad normal: 3 (file: (data), line: 7)"},
        {"", "pnnormals\n3 0 0 0", "(t.mod) bad normal: 3 (file: (data), line: 6)"},
        {"", "normals\n9 0 0 0", "(t.mod) bad normal: 9 (file: (data), line: 6)"},
        {"child wide 0 0 0 1 1 1 0 0 0\n", "child wide 0 0 0 1 1 1 0 0 0",
         "Too many child models: wide.mod (file: (data), line: 6)"},
        {"child c2 0 0 0 1 1 1 0 0 0\n", "child c1 0 0 0 1 1 1 0 0 0",
         "Child models nested too deeply: c1.mod (file: (data), line: 6)"},
        {"", "child ring 0 0 0 1 1 1 0 0 0", "Child models nested too deeply: ring.mod (file: (data), line: 5)"},
    };
    for (const Case &c : cases) {
        std::string kept = base + c.accepted;
        Model *m = model_create("t.mod", nullptr);
        EXPECT_EQ(1, mod_read_added_text(m, kept.c_str())) << c.refused << ": " << last_error();
        ASSERT_EQ(1, mod_write(m));
        std::string before = read_text(w.path + "t.mod");
        model_free(m);

        m = model_create("t.mod", nullptr);
        std::string text = kept + c.refused + "\n";
        EXPECT_EQ(0, mod_read_added_text(m, text.c_str())) << c.refused;
        EXPECT_EQ(c.message, last_error()) << c.refused;
        ASSERT_EQ(1, mod_write(m));
        EXPECT_EQ(before, read_text(w.path + "t.mod")) << c.refused;
        model_free(m);

        Model *back = mod_load("t.mod");
        EXPECT_NE(nullptr, back) << c.refused << ": " << last_error();
        model_free(back);
    }
    // The same values where a reopen takes them: a layer's normal, a chain of 32 levels.
    Model *m = model_create("t.mod", nullptr);
    std::string text = base + "layer skin 1 1 1 doublesided\nnormals\n2 0 0 0\ntriangles\n0 1 2 3\n"
                              "child c2 0 0 0 1 1 1 0 0 0\n";
    EXPECT_EQ(1, mod_read_added_text(m, text.c_str())) << last_error();
    ASSERT_EQ(1, mod_write(m));
    model_free(m);
    Model *back = mod_load("t.mod");
    EXPECT_NE(nullptr, back) << last_error();
    model_free(back);
}
