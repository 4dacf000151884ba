#include "formats/mod_writer.h"

#include "formats/mod_loader.h"
#include "formats/mod_reader.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/layer.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "tests/unit/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kDir = std::string(DRUVEX_FIXTURES) + "/formats/";

std::string last_error()
{
    const char *e = err_last();
    return e ? e : "";
}

template <typename T>
std::vector<T *> records(KeyedTable *t)
{
    std::vector<T *> out;
    for (T *r = static_cast<T *>(table_first(t)); r; r = static_cast<T *>(table_next(t))) out.push_back(r);
    return out;
}

std::vector<int32_t> keys(KeyedTable *t)
{
    std::vector<int32_t> out;
    int32_t key = 0;
    for (void *r = table_first(t, &key); r; r = table_next(t, &key)) out.push_back(key);
    return out;
}

void expect_near3(const float *a, const float *b, float tolerance, const std::string &what)
{
    for (int i = 0; i < 3; i++) EXPECT_NEAR(a[i], b[i], tolerance) << what << " [" << i << "]";
}

void compare_normal_tables(KeyedTable *a, KeyedTable *b, const std::string &what)
{
    ASSERT_EQ(keys(a), keys(b)) << what;
    std::vector<float *> na = records<float>(a), nb = records<float>(b);
    for (size_t i = 0; i < na.size(); i++) expect_near3(na[i], nb[i], 1e-3f, what);
}

// Compares everything the writer writes, record by record and in table order. Record
// ids come from process-wide counters and are not compared.
void compare_models(Model *a, Model *b, const std::string &where)
{
    EXPECT_STREQ(a->name, b->name) << where;
    EXPECT_EQ(a->has_gouraud, b->has_gouraud) << where;
    EXPECT_EQ(a->has_normals, b->has_normals) << where;

    ASSERT_EQ(keys(&a->points), keys(&b->points)) << where;
    std::vector<Point *> pa = records<Point>(&a->points), pb = records<Point>(&b->points);
    std::vector<int32_t> ids = keys(&a->points);
    for (size_t i = 0; i < pa.size(); i++) {
        std::string w = where + " point " + std::to_string(ids[i]);
        for (int k = 0; k < 3; k++) EXPECT_EQ(pa[i]->position[k], pb[i]->position[k]) << w;
        expect_near3(pa[i]->normal, pb[i]->normal, 1e-3f, w + " normal");
        for (int k = 0; k < 4; k++) EXPECT_EQ(pa[i]->gouraud[k], pb[i]->gouraud[k]) << w;
        EXPECT_STREQ(pa[i]->joint ? pa[i]->joint->name : "", pb[i]->joint ? pb[i]->joint->name : "") << w;
        EXPECT_STREQ(pa[i]->second_joint ? pa[i]->second_joint->name : "",
                     pb[i]->second_joint ? pb[i]->second_joint->name : "") << w;
        if (pa[i]->joint) {
            EXPECT_NEAR(pa[i]->weight, pb[i]->weight, 5e-4) << w;
        }
    }

    std::vector<Joint *> ja = records<Joint>(&a->joints), jb = records<Joint>(&b->joints);
    ASSERT_EQ(ja.size(), jb.size()) << where;
    for (size_t i = 0; i < ja.size(); i++) {
        EXPECT_STREQ(ja[i]->name, jb[i]->name) << where;
        EXPECT_STREQ(ja[i]->parent_name, jb[i]->parent_name) << where;
        for (int k = 0; k < 3; k++) EXPECT_EQ(ja[i]->position[k], jb[i]->position[k]) << where;
        EXPECT_EQ(ja[i]->parent_index, jb[i]->parent_index) << where;
        EXPECT_EQ(ja[i]->point_count, jb[i]->point_count) << where;
    }

    std::vector<Layer *> la = records<Layer>(&a->layers), lb = records<Layer>(&b->layers);
    ASSERT_EQ(la.size(), lb.size()) << where;
    for (size_t i = 0; i < la.size(); i++) {
        Layer *x = la[i], *y = lb[i];
        std::string w = where + " layer " + x->name;
        EXPECT_STREQ(x->name, y->name) << w;
        for (int k = 0; k < 3; k++) EXPECT_EQ(x->colour[k], y->colour[k]) << w;
        EXPECT_EQ(x->single_sided, y->single_sided) << w;
        EXPECT_FLOAT_EQ(x->transparency, y->transparency) << w;
        EXPECT_EQ(x->mirror_on, y->mirror_on) << w;
        if (x->mirror_on) {
            EXPECT_EQ(x->mirror_axis, y->mirror_axis) << w;
        }
        EXPECT_EQ(x->colour_key_on, y->colour_key_on) << w;
        for (int k = 0; k < 3; k++) EXPECT_EQ(x->colour_key[k], y->colour_key[k]) << w << " key " << k;
        EXPECT_EQ(x->image_u_axis, y->image_u_axis) << w;
        EXPECT_EQ(x->image_v_axis, y->image_v_axis) << w;
        compare_normal_tables(&x->normals, &y->normals, w + " normals");
        compare_normal_tables(&x->pn_normals, &y->pn_normals, w + " pn-normals");

        std::vector<Face *> fa = records<Face>(&x->faces), fb = records<Face>(&y->faces);
        ASSERT_EQ(fa.size(), fb.size()) << w;
        for (size_t f = 0; f < fa.size(); f++) {
            std::string wf = w + " face " + std::to_string(f);
            EXPECT_EQ(fa[f]->quad, fb[f]->quad) << wf;
            EXPECT_EQ(fa[f]->curve, fb[f]->curve) << wf;
            for (int k = 0; k < 4; k++) {
                EXPECT_EQ(fa[f]->point_ids[k], fb[f]->point_ids[k]) << wf;
                EXPECT_EQ(fa[f]->normal_ids[k], fb[f]->normal_ids[k]) << wf;
                EXPECT_NEAR(fa[f]->uv[k][0], fb[f]->uv[k][0], 1e-4) << wf;
                EXPECT_NEAR(fa[f]->uv[k][1], fb[f]->uv[k][1], 1e-4) << wf;
            }
            for (int k = 0; k < 8; k++) EXPECT_EQ(fa[f]->edge_ids[k], fb[f]->edge_ids[k]) << wf;
        }
        std::vector<Strip *> sa = records<Strip>(&x->strips), sb = records<Strip>(&y->strips);
        ASSERT_EQ(sa.size(), sb.size()) << w;
        for (size_t s = 0; s < sa.size(); s++) {
            EXPECT_EQ(sa[s]->vertex_count, sb[s]->vertex_count) << w;
            std::vector<StripVertex *> va = records<StripVertex>(&sa[s]->vertices);
            std::vector<StripVertex *> vb = records<StripVertex>(&sb[s]->vertices);
            ASSERT_EQ(va.size(), vb.size()) << w;
            for (size_t v = 0; v < va.size(); v++) {
                EXPECT_EQ(va[v]->point_id, vb[v]->point_id) << w;
                EXPECT_EQ(va[v]->normal_id, vb[v]->normal_id) << w;
                EXPECT_NEAR(va[v]->u, vb[v]->u, 1e-4) << w;
                EXPECT_NEAR(va[v]->v, vb[v]->v, 1e-4) << w;
            }
        }
        ASSERT_EQ(keys(&x->uvees), keys(&y->uvees)) << w;
        std::vector<Uvee *> ua = records<Uvee>(&x->uvees), ub = records<Uvee>(&y->uvees);
        for (size_t u = 0; u < ua.size(); u++) {
            EXPECT_NEAR(ua[u]->u, ub[u]->u, 5e-5) << w;
            EXPECT_NEAR(ua[u]->v, ub[u]->v, 5e-5) << w;
        }
        std::vector<Line *> lia = records<Line>(&x->lines), lib = records<Line>(&y->lines);
        ASSERT_EQ(lia.size(), lib.size()) << w;
        for (size_t l = 0; l < lia.size(); l++) {
            std::vector<uint32_t *> va = records<uint32_t>(&lia[l]->vertices);
            std::vector<uint32_t *> vb = records<uint32_t>(&lib[l]->vertices);
            ASSERT_EQ(va.size(), vb.size()) << w;
            for (size_t v = 0; v < va.size(); v++) EXPECT_EQ(*va[v], *vb[v]) << w;
        }
        LayerTexture *ta = static_cast<LayerTexture *>(table_find(&x->texture, 1));
        LayerTexture *tb = static_cast<LayerTexture *>(table_find(&y->texture, 1));
        ASSERT_EQ(ta == nullptr, tb == nullptr) << w;
        if (ta) {
            for (int k = 0; k < 3; k++) {
                EXPECT_STREQ(ta->file[k], tb->file[k]) << w;
                EXPECT_EQ(ta->width[k], tb->width[k]) << w;
            }
            EXPECT_NEAR(ta->reflect_amount, tb->reflect_amount, 5e-4) << w;
        }
    }

    std::vector<Child *> ca = records<Child>(&a->children), cb = records<Child>(&b->children);
    ASSERT_EQ(ca.size(), cb.size()) << where;
    for (size_t i = 0; i < ca.size(); i++) {
        std::string w = where + " child " + ca[i]->name;
        EXPECT_STREQ(ca[i]->name, cb[i]->name) << w;
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(ca[i]->position[k], cb[i]->position[k]) << w;
            EXPECT_NEAR(ca[i]->scale[k], cb[i]->scale[k], 5e-4) << w;
            EXPECT_STREQ(ca[i]->rotation[k], cb[i]->rotation[k]) << w;
        }
        ASSERT_EQ(ca[i]->model == nullptr, cb[i]->model == nullptr) << w;
        if (ca[i]->model) compare_models(ca[i]->model, cb[i]->model, w);
    }
}

void copy_fixture_tree(const std::string &to)
{
    fs::create_directories(to + "parts");
    fs::copy_file(kDir + "tex.tga", to + "tex.tga");
    for (const char *f : {"grid.mod", "box.mod", "knob.mod", "Wheel.mod"})
        fs::copy_file(kDir + "parts/" + f, to + "parts/" + f);
}

}  // namespace

// Load, write, read the written file back and compare record by record; then write the
// second model again: both written files are the same bytes.
TEST(ModWriter, RoundTrip)
{
    WorkDir w;
    copy_fixture_tree(w.path);
    Model *first = mod_load((kDir + "scene.mod").c_str());
    ASSERT_NE(nullptr, first) << last_error();
    ASSERT_EQ(1, mod_write(first));
    Model *second = mod_load((w.path + "scene.mod").c_str());
    ASSERT_NE(nullptr, second) << last_error() << "\n" << read_text(w.path + "scene.mod");
    compare_models(first, second, "scene");

    w.enter("again");
    ASSERT_EQ(1, mod_write(second));
    std::string once = read_text(w.path + "scene.mod");
    EXPECT_EQ(once, read_text(w.path + "again/scene.mod"));
    EXPECT_EQ(0u, once.find("#\n# model: scene.mod\n#\n"));
    model_free(first);
    model_free(second);
}

// The written face lines keep curve kinds, normal ids and edge ids, in the layout of
// the format; a triangle of curve kind 4 keeps its kind.
TEST(ModWriter, FaceAndPointLines)
{
    WorkDir w;
    fs::copy_file(kDir + "tex.tga", w.path + "tex.tga");
    Model *m = model_create((w.path + "faces").c_str(), nullptr);
    const char *text =
        "joint j 0 0 0 world 2\npoints\n1 0 0 0 0.5 j world\n2 1 0 0 1.0 j world\n3 0 1 0 0.25\n4 1 1 0\n"
        "layer a 1 2 3 singlesided\ntriangles\n"
        "0 1 2 3\n0 1 2 3 3 2 1\n1 1 2 3 4\n"
        "3 1 2 3\n3 1 2 3 2\n3 1 2 3 3 3 2 1\n3 1 2 3 4\n3 1 2 3 1 1 2 3 3 3 2 2 1 1\n"
        "4 1 2 3 4\n4 1 2 3 4 2 4 3 2 1\n4 1 2 3 4 4 4 3 2 1\n"
        "2 1 2 3 4\n"
        "layer only_image 1 1 1 doublesided\n";
    ASSERT_EQ(1, mod_read_string(m, text)) << last_error();
    ASSERT_EQ(1, mod_write(m));
    std::string out = read_text(w.path + "faces.mod");
    const char *lines[] = {
        "joint  j             0     0     0  world      2\n",
        "#\n# 2 points for joint: j\n#\n",
        "1         0     0     0   0.500\n",
        "#\n# world points\n#\n3         0     1     0\n4         1     1     0\n",
        "\nnormals\n1      0.000  0.000  1.000\n",
        "\nlayer a 1 2 3 singlesided\ntriangles\n",
        "0     1    2    3\n",
        "0     1    2    3     3    2    1\n",
        "1     1    2    3    4\n",
        "3     1    2    3\n",
        "3     1    2    3  2\n",
        "3     1    2    3  3     3    2    1\n",
        "3     1    2    3  4\n",
        "3     1    2    3  1     1    2    3     3    3    2    2    1    1\n",
        "4     1    2    3    4\n",
        "4     1    2    3    4  2     4    3    2    1\n",
        "4     1    2    3    4  4     4    3    2    1\n",
        "2 1 2 3 4 \n",
    };
    for (const char *l : lines) EXPECT_NE(std::string::npos, out.find(l)) << l << "\nin\n" << out;
    EXPECT_EQ(std::string::npos, out.find("only_image"));
    EXPECT_EQ(std::string::npos, out.find("gouraud"));
    EXPECT_EQ(std::string::npos, out.find("0.250"));  // world points carry no weight

    Model *back = model_create((w.path + "faces.mod").c_str(), nullptr);
    ASSERT_EQ(1, mod_read_file(back, (w.path + "faces.mod").c_str())) << last_error();
    std::vector<Face *> fa = records<Face>(&model_find_layer(m, "a")->faces);
    std::vector<Face *> fb = records<Face>(&model_find_layer(back, "a")->faces);
    ASSERT_EQ(fa.size(), fb.size());
    for (size_t f = 0; f < fa.size(); f++) {
        EXPECT_EQ(fa[f]->curve, fb[f]->curve) << f;
        for (int k = 0; k < 4; k++) EXPECT_EQ(fa[f]->normal_ids[k], fb[f]->normal_ids[k]) << f;
        for (int k = 0; k < 8; k++) EXPECT_EQ(fa[f]->edge_ids[k], fb[f]->edge_ids[k]) << f;
    }
    model_free(back);
    model_free(m);
}

// Every colour key component 0..255 is written with enough digits to read back as itself.
TEST(ModWriter, ColourKeyReadsBack)
{
    WorkDir w;
    Model *m = model_create("keys.mod", nullptr);
    std::string text = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n";
    for (int k = 0; k < 256; k++)
        text += "layer k" + std::to_string(k) + " 1 1 1 doublesided\ntriangles\n0 1 2 3\n";
    ASSERT_EQ(1, mod_read_string(m, text.c_str())) << last_error();
    for (int k = 0; k < 256; k++) {
        Layer *l = model_find_layer(m, ("k" + std::to_string(k)).c_str());
        l->colour_key_on = 1;
        l->colour_key[0] = k;
        l->colour_key[1] = 255 - k;
        l->colour_key[2] = (k * 7) % 256;
    }
    ASSERT_EQ(1, mod_write(m));
    std::string out = read_text(w.path + "keys.mod");
    EXPECT_NE(std::string::npos, out.find("\ninvisible 0.0 1.0 0.0\n")) << out.substr(0, 400);
    Model *back = model_create("keys.mod", nullptr);
    ASSERT_EQ(1, mod_read_file(back, (w.path + "keys.mod").c_str())) << last_error();
    for (int k = 0; k < 256; k++) {
        Layer *a = model_find_layer(m, ("k" + std::to_string(k)).c_str());
        Layer *b = model_find_layer(back, ("k" + std::to_string(k)).c_str());
        ASSERT_NE(nullptr, b) << k;
        EXPECT_EQ(1, b->colour_key_on) << k;
        for (int c = 0; c < 3; c++) EXPECT_EQ(a->colour_key[c], b->colour_key[c]) << k << " " << c;
    }
    model_free(back);
    model_free(m);
}

// Coordinates beyond the integer range are written held at its ends and a NaN as 0 (the
// sanitizer build stops on a plain out-of-range conversion).
TEST(ModWriter, HugeCoordinatesSaturate)
{
    WorkDir w;
    Model *m = model_create("far.mod", nullptr);
    std::string text = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\nlayer a 1 1 1 doublesided\ntriangles\n0 1 2 3\n"
                       "child far 0 0 5.9 1 1 1 0 0 0\n"
                       "child near 0 0 0 1 1 1 0 0 0\n";
    ASSERT_EQ(1, mod_read_string(m, text.c_str())) << last_error();
    // The reader refuses such positions; the records are given them directly.
    for (Child *c = static_cast<Child *>(table_first(&m->children)); c; c = static_cast<Child *>(table_next(&m->children))) {
        if (strcmp(c->name, "near") == 0) c->position[1] = NAN;
        if (strcmp(c->name, "far") == 0) {
            c->position[0] = FLT_MAX;
            c->position[1] = -FLT_MAX;
        }
    }
    ASSERT_EQ(1, mod_write(m));
    std::string out = read_text(w.path + "far.mod");
    EXPECT_NE(std::string::npos, out.find("child  far       9200000000000000000 -9200000000000000000 5.9  ")) << out;
    EXPECT_NE(std::string::npos, out.find("child  near          0     0     0  ")) << out;
    model_free(m);
}

// The file is always the model's name followed by ".mod", whatever extension the name still
// keeps, and no other file is left in the folder; a null model, a name holding a line end or a
// file that cannot be created gives 0.
TEST(ModWriter, FileNames)
{
    WorkDir w;
    const char *text = "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\nlayer a 1 1 1 doublesided\ntriangles\n0 1 2 3\n";
    struct Case { const char *path; const char *file; };
    const Case cases[] = {{"dir/Ship.MOD", "ship.mod"},    {"dir/ship.bak.mod", "ship.bak.mod"},
                          {"dir/abcd.x", "abcd.x.mod"},    {"../m/abc", "abc.mod"},
                          {"y.abc.def", "y.abc.mod"},      {"x.", "x..mod"}};
    std::vector<std::string> expected;
    for (const Case &c : cases) {
        Model *m = model_create(c.path, nullptr);
        ASSERT_EQ(1, mod_read_string(m, text));
        EXPECT_EQ(1, mod_write(m)) << c.path;
        expected.push_back(c.file);
        model_free(m);
    }
    for (const char *path : {"a\nb.mod", "a\rb.mod"}) {
        Model *m = model_create(path, nullptr);
        ASSERT_EQ(1, mod_read_string(m, text));
        EXPECT_EQ(0, mod_write(m)) << path;
        EXPECT_EQ("model name holds a line end", last_error());
        model_free(m);
    }
    std::vector<std::string> listed;
    for (const auto &entry : fs::directory_iterator(w.path)) listed.push_back(entry.path().filename().string());
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(0, mod_write(nullptr));
    fs::create_directories(w.path + "taken.mod");
    Model *m = model_create("taken.mod", nullptr);
    EXPECT_EQ(0, mod_write(m));
    model_free(m);
}

// Names and file names holding blanks are written as quoted tokens, and coordinates beyond
// the 32-bit range are written truncated (not wrapped to the other sign), so that the saved
// file reads back, with such coordinates held at the ends of the range by the reader.
TEST(ModWriter, NamesWithBlanksAndHugeCoordinatesReadBack)
{
    WorkDir w;
    fs::copy_file(kDir + "tex.tga", w.path + "my tex.tga");
    Model *m = model_create((w.path + "odd.mod").c_str(), nullptr);
    const char *text =
        "joint \"left arm\" 0 0 0 world 1\njoint hand 0 0 0 \"left arm\" 1\n"
        "points\n1 0 0 0\n2 1 0 0\n3 0 1 0\n"
        "layer \"my layer\" 1 2 3 doublesided\ntriangles\n0 1 2 3\nimage \"my tex.tga\" x y\n"
        "child piece 0 0 5.5 1 1 1 0 0 0\n";
    ASSERT_EQ(1, mod_read_string(m, text)) << last_error();
    // The reader refuses child positions beyond the whole numbers it reads back; the record
    // is given them directly.
    Child *piece = static_cast<Child *>(table_first(&m->children));
    ASSERT_NE(nullptr, piece);
    piece->position[0] = 3e9f;
    piece->position[1] = -3e9f;
    Point *p = static_cast<Point *>(table_find(&m->points, 3));
    p->position[0] = 5e9f;
    p->position[1] = -5e9f;
    p->position[2] = 7.9f;
    ASSERT_EQ(1, mod_write(m));
    std::string out = read_text(w.path + "odd.mod");
    const char *lines[] = {
        "joint  \"left arm\"      0     0     0  world      1\n",
        "joint  hand          0     0     0  \"left arm\"   1\n",
        "\nlayer \"my layer\" 1 2 3 doublesided\n",
        "image  \"my tex.tga\"  x y\n",
        "child  piece     3000000000 -3000000000 5.5   1.000",
        "3     5000000000 -5000000000     7\n",
    };
    for (const char *l : lines) EXPECT_NE(std::string::npos, out.find(l)) << l << "\nin\n" << out;

    Model *back = model_create((w.path + "odd.mod").c_str(), nullptr);
    ASSERT_EQ(1, mod_read_file(back, (w.path + "odd.mod").c_str())) << last_error() << "\n" << out;
    Layer *layer = model_find_layer(back, "my layer");
    ASSERT_NE(nullptr, layer);
    const LayerTexture *t = static_cast<const LayerTexture *>(table_find(&layer->texture, 1));
    ASSERT_NE(nullptr, t);
    EXPECT_STREQ("my tex.tga", t->file[0]);
    ASSERT_NE(nullptr, model_find_joint(back, "hand"));
    EXPECT_STREQ("left arm", model_find_joint(back, "hand")->parent_name);
    Child *c = static_cast<Child *>(table_first(&back->children));
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(2147483647.0f, c->position[0]);
    EXPECT_EQ(-2147483648.0f, c->position[1]);
    EXPECT_EQ(5.5f, c->position[2]);
    const Point *q = static_cast<const Point *>(table_find(&back->points, 3));
    ASSERT_NE(nullptr, q);
    EXPECT_EQ(2147483647.0f, q->position[0]);
    EXPECT_EQ(-2147483648.0f, q->position[1]);
    EXPECT_EQ(7.0f, q->position[2]);
    model_free(back);
    model_free(m);
}

// Oriented triangles of every strip of a layer, each turned to start at its
// smallest id so that the same triangle with the same winding compares equal.
static std::vector<std::vector<int32_t>> strip_triangles(Model *m, const char *layer)
{
    std::vector<std::vector<int32_t>> out;
    for (Strip *s : records<Strip>(&model_find_layer(m, layer)->strips)) {
        std::vector<int32_t> v;
        for (StripVertex *sv : records<StripVertex>(&s->vertices)) v.push_back(sv->point_id);
        for (size_t i = 0; i + 2 < v.size(); i++) {
            std::vector<int32_t> t = i % 2 == 0 ? std::vector<int32_t>{v[i], v[i + 1], v[i + 2]}
                                                : std::vector<int32_t>{v[i + 1], v[i], v[i + 2]};
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            out.push_back(t);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Strips longer than a line of the file holds (512 five-digit ids, 300 short
// ones) are written as several strips that read back with the same triangles
// and windings; every written line fits the reader. A strip that fits stays one line.
TEST(ModWriter, LongStripsReadBackAsSeveralStrips)
{
    WorkDir w;
    Model *m = model_create((w.path + "long").c_str(), nullptr);
    ASSERT_EQ(1, model_add_layer(m, "long", 127, 127, 127, 1, 0, 0));
    ASSERT_EQ(1, model_add_layer(m, "short", 127, 127, 127, 1, 0, 0));
    std::vector<int32_t> wide, narrow, few;
    for (int32_t i = 0; i < 512; i++) {
        ASSERT_EQ(1, model_set_point(m, 30000 + i, i % 2, i, 0, 1.0f));
        wide.push_back(30000 + i);
    }
    for (int32_t i = 1; i <= 301; i++) {
        ASSERT_EQ(1, model_set_point(m, i, i, i % 2, 0, 1.0f));
        if (i <= 300) narrow.push_back(i);
    }
    few = {1, 2, 3, 4, 5};
    ASSERT_EQ(1, model_add_strip(m, "long", 512, wide.data(), nullptr));
    ASSERT_EQ(1, model_add_strip(m, "long", 300, narrow.data(), nullptr));
    // Odd lengths: the last piece may be of any length.
    ASSERT_EQ(1, model_add_strip(m, "long", 301, wide.data() + 3, nullptr));
    ASSERT_EQ(1, model_add_strip(m, "short", 5, few.data(), nullptr));
    ASSERT_EQ(1, mod_write(m));
    std::string text = read_text(w.path + "long.mod");
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_LT(line.size(), 1023u);
        std::istringstream words(line);
        int tokens = 0;
        for (std::string word; words >> word;) tokens++;
        EXPECT_LE(tokens, 256) << line.substr(0, 40);
    }
    EXPECT_NE(std::string::npos, text.find("\n2 1 2 3 4 5 \n"));

    Model *back = mod_load((w.path + "long.mod").c_str());
    ASSERT_NE(nullptr, back) << last_error();
    EXPECT_GT(table_count(&model_find_layer(back, "long")->strips), 3);
    EXPECT_EQ(1, table_count(&model_find_layer(back, "short")->strips));
    EXPECT_EQ(strip_triangles(m, "long"), strip_triangles(back, "long"));
    EXPECT_EQ(strip_triangles(m, "short"), strip_triangles(back, "short"));
    EXPECT_EQ(510u + 298u + 299u, strip_triangles(back, "long").size());
    model_free(back);
    model_free(m);
}
