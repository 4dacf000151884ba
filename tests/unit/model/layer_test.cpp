// Layer operations: point and uv lists, the layer box, box texture mapping,
// renaming and the attribute getters and setters.
#include "model_fixture.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace model_test;

namespace {

// Gives the layer a texture record without an image, so that the uv mapping can run.
void texture_record_only(Model *m, const char *layer)
{
    Layer *l = model_find_layer(m, layer);
    if (!l || table_find(&l->texture, 1)) return;
    void *record = table_add(&l->texture, 1);
    if (record) memset(record, 0, sizeof(LayerTexture));
}

std::vector<float> triples(float *array)
{
    std::vector<float> out;
    for (float *p = array; p && *p > 0.0f; p += 3) out.insert(out.end(), p, p + 3);
    free(array);
    return out;
}

} // namespace

TEST(LayerUvArray, DistinctPointsInOrderOfFirstUse)
{
    Model *m = square_model();
    Layer *l = model_find_layer(m, "skin");
    // Give each corner a distinct u so that "first use wins" is visible.
    float u = 0.0f;
    for (int32_t s = 0; s < l->faces.capacity; s++)
        if (Face *f = static_cast<Face *>(table_nth(&l->faces, s, 0)))
            for (int c = 0; c < 3; c++) {
                f->uv[c][0] = u;
                f->uv[c][1] = -u;
                u += 1.0f;
            }
    // Faces (1,2,3) u 0,1,2 and (3,2,4) u 3,4,5: point 3 keeps 2, point 2 keeps 1.
    std::vector<float> got = triples(layer_uv_array(m, "skin"));
    std::vector<float> want = {1, 0, 0, 2, 1, -1, 3, 2, -2, 4, 5, -5};
    EXPECT_EQ(got, want);

    // Strip vertices follow the faces; lines are not listed.
    model_set_point(m, 6, 5, 5, 5, 1);
    const int32_t strip[3] = {4, 6, 1};
    model_add_strip(m, "skin", 3, strip, nullptr);
    const int32_t line[2] = {1, 2};
    model_add_line(m, "skin", 2, line);
    got = triples(layer_uv_array(m, "skin"));
    ASSERT_EQ(got.size(), 15u);
    EXPECT_EQ(got[12], 6.0f);

    EXPECT_EQ(layer_uv_array(m, "ghost"), nullptr);
    model_add_layer(m, "empty", 1, 1, 1, 0, 0, 0);
    EXPECT_EQ(layer_uv_array(m, "empty"), nullptr);
    model_free(m);
}

TEST(LayerPointIds, FacesStripsAndLines)
{
    Model *m = square_model();
    model_set_point(m, 100000, 1, 2, 3, 1);
    const int32_t line[3] = {4, 100000, 1};
    model_add_line(m, "skin", 3, line);
    uint32_t *ids = layer_point_ids(m, "skin");
    ASSERT_NE(ids, nullptr);
    std::vector<uint32_t> got;
    for (uint32_t *p = ids; *p; p++) got.push_back(*p);
    free(ids);
    EXPECT_EQ(got, (std::vector<uint32_t>{1, 2, 3, 4, 100000}));
    EXPECT_EQ(layer_point_use_count(m, "skin", 0), 6);
    EXPECT_EQ(layer_point_use_count(m, "skin", 1), 9);
    model_free(m);
}

// Only face corners and strip vertices whose point exists are counted; a layer of lines only
// counts nothing.
TEST(LayerPointUseCount, MissingPointsAndLineOnlyLayers)
{
    Model *m = square_model();
    const int32_t quad[4] = {1, 2, 3, 4};
    model_add_face(m, "skin", 1, quad, nullptr, nullptr, 0);
    EXPECT_EQ(layer_point_use_count(m, "skin", 0), 10);
    point_delete(m, 4);
    EXPECT_EQ(layer_point_use_count(m, "skin", 0), 8);
    model_add_layer(m, "wire", 1, 1, 1, 0, 0, 0);
    const int32_t line[2] = {1, 2};
    model_add_line(m, "wire", 2, line);
    EXPECT_EQ(layer_point_use_count(m, "wire", 1), 0);
    EXPECT_EQ(layer_point_ids(m, "wire"), nullptr);
    EXPECT_EQ(layer_point_use_count(m, "ghost", 1), 0);
    model_free(m);
}

TEST(LayerComputeBbox, FacesStripsLinesAndFailures)
{
    Model *m = square_model();
    model_set_point(m, 7, -5, 3, 8, 1);
    const int32_t line[2] = {1, 7};
    model_add_line(m, "skin", 2, line);
    ASSERT_EQ(layer_compute_bbox(m, "skin"), 1);
    Layer *l = model_find_layer(m, "skin");
    EXPECT_EQ(l->box_min[0], -5.0f);
    EXPECT_EQ(l->box_max[0], 10.0f);
    EXPECT_EQ(l->box_max[2], 8.0f);

    // A missing point fails and leaves the box as it was.
    point_delete(m, 7);
    EXPECT_EQ(layer_compute_bbox(m, "skin"), 0);
    EXPECT_EQ(last_error(), "point does not exist");
    EXPECT_EQ(l->box_min[0], -5.0f);

    // A layer whose first strip has no vertices and no faces has no box.
    model_add_layer(m, "hollow", 1, 1, 1, 0, 0, 0);
    ASSERT_EQ(model_add_strip(m, "hollow", 0, nullptr, nullptr), 1);
    EXPECT_EQ(layer_compute_bbox(m, "hollow"), 0);
    model_add_layer(m, "wire", 1, 1, 1, 0, 0, 0);
    model_add_line(m, "wire", 2, line);
    EXPECT_EQ(layer_compute_bbox(m, "wire"), 0);
    EXPECT_EQ(layer_compute_bbox(m, "ghost"), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    model_free(m);
}

TEST(LayerFoldUv, MirroredRepeat)
{
    const struct {
        float in, out;
    } cases[] = {{0.3f, 0.3f}, {1.0f, 1.0f}, {1.4f, 0.6f}, {2.7f, 0.7f}, {5.5f, 0.5f}, {2.0f, 0.0f}};
    for (const auto &c : cases) EXPECT_NEAR(layer_fold_uv(c.in), c.out, 1e-5f) << c.in;
}

// Folding answers at once for any size: repeated subtraction of 2 cannot change a float of
// 2^25 or more, and a large negative repeat factor reaches such values.
TEST(LayerFoldUv, HugeValuesEndAtOnce)
{
    const struct {
        float in, out;
    } cases[] = {{1000001.5f, 0.5f}, {3.0e7f, 0.0f}, {1.0e30f, 0.0f}, {INFINITY, 0.0f}};
    for (const auto &c : cases) EXPECT_EQ(layer_fold_uv(c.in), c.out) << c.in;
    EXPECT_TRUE(std::isnan(layer_fold_uv(NAN)));

    Model *m = square_model();
    texture_record_only(m, "skin");
    Layer *l = model_find_layer(m, "skin");
    l->image_u_axis = 4;
    l->image_v_axis = 2;
    ASSERT_EQ(layer_set_image_repeat(m, "skin", 1, -1.0e30f, 1.0f), 1);
    Face *f = first_of<Face>(&l->faces);
    EXPECT_EQ(f->uv[1][0], 0.0f); // point 2 at x = 10: box u 1, times -1e30, folded
    model_free(m);
}

// Box u along -x: a point at x = 7, 3, 9 of a layer from 0 to 10 gives 0.7, 0.3, 0.9.
TEST(LayerMapUvs, RepeatFoldAndUvees)
{
    Model *m = square_model();
    model_set_point(m, 5, 7, 0, 0, 1);
    model_set_point(m, 6, 3, 0, 0, 1);
    model_set_point(m, 7, 9, 0, 0, 1);
    const int32_t strip[3] = {5, 6, 7};
    model_add_strip(m, "skin", 3, strip, nullptr);
    texture_record_only(m, "skin");
    Layer *l = model_find_layer(m, "skin");
    l->image_u_axis = 4;
    l->image_v_axis = 2;
    Strip *s = first_of<Strip>(&l->strips);
    auto vertex = [&](int i) { return static_cast<StripVertex *>(table_nth(&s->vertices, i, 1)); };

    ASSERT_EQ(layer_map_uvs(m, "skin"), 1);
    EXPECT_NEAR(vertex(0)->u, 0.7f, 1e-5f);
    EXPECT_NEAR(vertex(1)->u, 0.3f, 1e-5f);

    ASSERT_EQ(layer_set_image_repeat(m, "skin", 1, 2.0f, 1.0f), 1);
    EXPECT_NEAR(vertex(0)->u, 1.4f, 1e-5f); // kept above 1
    ASSERT_EQ(layer_set_image_repeat(m, "skin", 1, -1.0f, 1.0f), 1);
    EXPECT_NEAR(vertex(1)->u, 0.3f, 1e-5f);
    ASSERT_EQ(layer_set_image_repeat(m, "skin", 1, -3.0f, 1.0f), 1);
    EXPECT_NEAR(vertex(2)->u, 0.7f, 1e-5f);
    // Off keeps the factors and maps without them.
    ASSERT_EQ(layer_set_image_repeat(m, "skin", 0, 5.0f, 5.0f), 1);
    EXPECT_EQ(l->repeat[0], -3.0f);
    EXPECT_NEAR(vertex(2)->u, 0.9f, 1e-5f);

    // A uvee replaces the projection for its point, in faces and strips alike.
    model_add_uvee(m, "skin", 6, 0.125f, 0.25f);
    ASSERT_EQ(layer_map_uvs(m, "skin"), 1);
    EXPECT_EQ(vertex(1)->u, 0.125f);
    EXPECT_EQ(vertex(1)->v, 0.25f);
    model_free(m);
}

TEST(LayerMapUvs, Failures)
{
    Model *m = square_model();
    EXPECT_EQ(layer_map_uvs(m, "skin"), 0); // no texture record
    EXPECT_EQ(layer_map_uvs(m, "ghost"), 0);
    EXPECT_EQ(last_error(), "layer does not exist");
    model_add_layer(m, "bare", 1, 1, 1, 0, 0, 0);
    texture_record_only(m, "bare");
    EXPECT_EQ(layer_map_uvs(m, "bare"), 0); // neither faces nor strips
    // A missing point stops the mapping, keeping the coordinates done so far.
    texture_record_only(m, "skin");
    Layer *l = model_find_layer(m, "skin");
    l->image_u_axis = 1;
    l->image_v_axis = 2;
    point_delete(m, 4);
    EXPECT_EQ(layer_map_uvs(m, "skin"), 0);
    EXPECT_EQ(last_error(), "point does not exist");
    Face *f = first_of<Face>(&l->faces);
    EXPECT_FLOAT_EQ(f->uv[0][0], 1.0f); // first face mapped with the old box
    model_free(m);
}

TEST(LayerRename, MovesTheWholeRecord)
{
    Model *m = square_model();
    model_add_layer(m, "other", 5, 5, 5, 0, 0, 0);
    ASSERT_EQ(model_delete_layer(m, "skin"), 1); // leaves a free slot 0 before "other"
    model_add_layer(m, "skin", 9, 8, 7, 1, 0, 0);
    add_triangle(m, "skin", 1, 2, 3);
    ASSERT_EQ(layer_rename(m, "skin", "hide"), 1);
    EXPECT_EQ(model_find_layer(m, "skin"), nullptr);
    Layer *l = model_find_layer(m, "hide");
    ASSERT_NE(l, nullptr);
    EXPECT_STREQ(l->name, "hide");
    EXPECT_EQ(l->colour[0], 9);
    EXPECT_EQ(model_face_count(m, "hide"), 1);
    // Its tables still work after the move.
    EXPECT_EQ(add_triangle(m, "hide", 3, 2, 4), 1);
    EXPECT_EQ(model_face_count(m, "hide"), 2);

    EXPECT_EQ(layer_rename(m, "hide", "other"), 0);
    EXPECT_NE(model_find_layer(m, "hide"), nullptr);
    EXPECT_EQ(model_find_layer(m, "other")->colour[0], 5);
    EXPECT_EQ(layer_rename(m, "hide", ""), 0);
    EXPECT_EQ(layer_rename(m, "hide", nullptr), 0);
    EXPECT_EQ(layer_rename(m, "ghost", "new"), 0);
    EXPECT_EQ(layer_rename(m, "hide", "hide"), 1);
    EXPECT_EQ(model_layer_count(m), 2);
    model_free(m);
}

TEST(LayerAttributes, GettersSettersAndFailureValues)
{
    Model *m = square_model();
    float colour[4];
    ASSERT_EQ(layer_set_color(m, "skin", 10, 20, 30), 1);
    EXPECT_EQ(layer_get_color(m, "skin", colour), 1);
    EXPECT_EQ(colour[0], 10.0f);
    EXPECT_EQ(colour[3], 0.0f);
    EXPECT_EQ(layer_get_color(m, "ghost", colour), 0);
    for (float c : colour) EXPECT_EQ(c, 255.0f);

    EXPECT_EQ(layer_get_sides(m, "skin"), 1);
    ASSERT_EQ(layer_set_sides(m, "skin", 2), 1);
    EXPECT_EQ(layer_get_sides(m, "skin"), 2);
    ASSERT_EQ(layer_set_sides(m, "skin", 0), 1);
    EXPECT_EQ(layer_get_sides(m, "skin"), 1);
    EXPECT_EQ(layer_get_sides(m, "ghost"), 1);

    EXPECT_EQ(layer_get_mirror(m, "skin"), 0);
    ASSERT_EQ(layer_set_mirror(m, "skin", 3), 1);
    EXPECT_EQ(layer_get_mirror(m, "skin"), 3);
    ASSERT_EQ(layer_set_mirror(m, "skin", 5), 1); // changes nothing
    EXPECT_EQ(layer_get_mirror(m, "skin"), 3);
    ASSERT_EQ(layer_set_mirror(m, "skin", 0), 1);
    EXPECT_EQ(layer_get_mirror(m, "skin"), 0);

    ASSERT_EQ(layer_set_transparency(m, "skin", 0.75f), 1);
    EXPECT_EQ(layer_set_transparency(m, "skin", 1.5f), 0); // the range a model file reads back
    EXPECT_EQ(layer_set_transparency(m, "skin", -0.5f), 0);
    EXPECT_EQ(layer_get_transparency(m, "skin"), 0.75f);
    EXPECT_EQ(layer_get_transparency(m, "ghost"), 0.0f);

    EXPECT_EQ(layer_set_image_xaxis(m, "skin", 7), 0);
    EXPECT_EQ(layer_set_image_xaxis(m, "skin", 3), 1);
    EXPECT_EQ(layer_set_image_yaxis(m, "skin", 5), 1);
    Layer *l = model_find_layer(m, "skin");
    EXPECT_EQ(l->image_u_axis, 3);
    EXPECT_EQ(l->image_v_axis, 5);

    EXPECT_EQ(layer_set_reflect_intensity(m, "skin", 0.5f), 0); // no texture record
    texture_record_only(m, "skin");
    EXPECT_EQ(layer_set_reflect_intensity(m, "skin", 1.5f), 0);
    EXPECT_EQ(layer_set_reflect_intensity(m, "skin", 0.5f), 1);

    int32_t u = -1, v = -1;
    EXPECT_EQ(layer_get_image(m, "skin", &u, &v), nullptr); // no pixels
    EXPECT_EQ(u, 0);
    float amount = -1.0f;
    EXPECT_EQ(layer_get_reflect_image(m, "skin", &amount), nullptr);
    EXPECT_EQ(amount, 0.0f);
    EXPECT_EQ(layer_get_mirror_image(m, "skin"), nullptr);
    EXPECT_EQ(layer_set_color(nullptr, "skin", 1, 1, 1), 0);
    model_free(m);
}

class LayerImageTest : public TempDirTest {};

TEST_F(LayerImageTest, ImageGettersFollowThePixels)
{
    write_tga("base.tga");
    write_tga("glass.tga");
    write_tga("shine.tga");
    Model *m = square_model(model_path("img.mod").c_str());
    layer_set_image_xaxis(m, "skin", 4);
    layer_set_image_yaxis(m, "skin", 6);
    ASSERT_EQ(layer_set_image(m, "skin", "base.tga"), 1) << last_error();
    int32_t u = 0, v = 0;
    LayerTexture *t = layer_get_image(m, "skin", &u, &v);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->file[0], "base.tga");
    EXPECT_EQ(u, 4);
    EXPECT_EQ(v, 6);
    // Without a mirror image the mirror getter answers the main image.
    EXPECT_STREQ(layer_get_mirror_image(m, "skin"), "base.tga");
    ASSERT_EQ(layer_set_mirror_image(m, "skin", "glass.tga"), 1);
    EXPECT_STREQ(layer_get_mirror_image(m, "skin"), "glass.tga");
    ASSERT_EQ(layer_set_reflect_image(m, "skin", "shine.tga"), 1);
    model_set_reflect(m, "skin", 0.25f, 0);
    float amount = 0.0f;
    EXPECT_STREQ(layer_get_reflect_image(m, "skin", &amount), "shine.tga");
    EXPECT_EQ(amount, 0.25f);
    // A file that cannot be read keeps the working image of every slot.
    EXPECT_EQ(layer_set_image(m, "skin", "absent.tga"), 0);
    EXPECT_EQ(layer_set_mirror_image(m, "skin", "absent.tga"), 0);
    EXPECT_EQ(layer_set_reflect_image(m, "skin", "absent.tga"), 0);
    ASSERT_EQ(layer_get_image(m, "skin", &u, &v), t);
    EXPECT_STREQ(t->file[0], "base.tga");
    EXPECT_STREQ(layer_get_mirror_image(m, "skin"), "glass.tga");
    EXPECT_STREQ(layer_get_reflect_image(m, "skin", &amount), "shine.tga");
    std::string dir = m->directory;
    EXPECT_EQ(image_cache_find((dir + "base.tga").c_str())->references, 1u);
    EXPECT_EQ(image_cache_find((dir + "absent.tga").c_str()), nullptr);
    // The same file again keeps one reference; another file releases the old one.
    t->gl_stale = 0;
    ASSERT_EQ(layer_set_image(m, "skin", "base.tga"), 1);
    EXPECT_EQ(image_cache_find((dir + "base.tga").c_str())->references, 1u);
    EXPECT_EQ(t->gl_stale, 1);
    ASSERT_EQ(layer_set_image(m, "skin", "glass.tga"), 1);
    EXPECT_EQ(image_cache_find((dir + "base.tga").c_str()), nullptr);
    EXPECT_EQ(image_cache_find((dir + "glass.tga").c_str())->references, 2u);
    EXPECT_EQ(layer_set_image(m, "ghost", "glass.tga"), 0);
    EXPECT_EQ(image_cache_find((dir + "glass.tga").c_str())->references, 2u);
    model_free(m);
}

TEST_F(LayerImageTest, MirrorImageWithoutAnImageOfItsOwn)
{
    write_tga("glass.tga");
    Model *m = square_model(model_path("mir.mod").c_str());
    ASSERT_EQ(layer_set_mirror_image(m, "skin", "glass.tga"), 1) << last_error();
    int32_t u = 0, v = 0;
    EXPECT_EQ(layer_get_image(m, "skin", &u, &v), nullptr);
    EXPECT_STREQ(layer_get_mirror_image(m, "skin"), "glass.tga");
    model_free(m);
}

namespace {

// A textured layer "grid" of strips over points 1..n laid out on a 100-wide grid,
// each point used by one or two strips.
Model *strip_grid(int32_t n)
{
    Model *m = model_create("grid", nullptr);
    model_add_layer(m, "grid", 127, 127, 127, 1, 0, 0);
    for (int32_t id = 1; id <= n; id++) model_set_point(m, id, id % 100, id / 100, id % 7, 1.0f);
    std::vector<int32_t> ids;
    for (int32_t id = 1; id <= n; id++) {
        ids.push_back(id);
        if (ids.size() == 400 || id == n) {
            if (ids.size() >= 3) model_add_strip(m, "grid", static_cast<int32_t>(ids.size()), ids.data(), nullptr);
            ids.erase(ids.begin(), ids.end() - 2);
        }
    }
    texture_record_only(m, "grid");
    Layer *l = model_find_layer(m, "grid");
    l->image_u_axis = 1;
    l->image_v_axis = 2;
    return m;
}

std::vector<float> strip_uvs(Model *m, const char *layer)
{
    std::vector<float> out;
    Layer *l = model_find_layer(m, layer);
    for (int32_t s = 0; s < l->strips.capacity; s++)
        if (Strip *strip = static_cast<Strip *>(table_nth(&l->strips, s, 0)))
            for (int32_t i = 0; i < strip->vertices.capacity; i++)
                if (StripVertex *v = static_cast<StripVertex *>(table_nth(&strip->vertices, i, 0))) {
                    out.push_back(v->u);
                    out.push_back(v->v);
                }
    for (int32_t s = 0; s < l->faces.capacity; s++)
        if (Face *f = static_cast<Face *>(table_nth(&l->faces, s, 0)))
            for (int c = 0; c < 3; c++) {
                out.push_back(f->uv[c][0]);
                out.push_back(f->uv[c][1]);
            }
    return out;
}

} // namespace

// Mapping one point at a time gives what mapping the whole layer after each uvee
// gives, also once a strip or face was added, the axes changed, or another layer
// was mapped in between.
TEST(LayerMapPointUvs, SameAsWholeLayer)
{
    layer_forget_point_map();
    Model *a = strip_grid(1000);
    Model *b = strip_grid(1000);
    auto both = [&](auto step) {
        step(a);
        step(b);
    };
    auto uvee = [&](int32_t id, float u, float v) {
        ASSERT_EQ(1, model_add_uvee(a, "grid", id, u, v));
        ASSERT_EQ(1, layer_map_point_uvs(a, "grid", id));
        ASSERT_EQ(1, model_add_uvee(b, "grid", id, u, v));
        ASSERT_EQ(1, layer_map_uvs(b, "grid"));
    };
    for (int32_t id = 1; id <= 1000; id += 37) uvee(id, id * 0.001f, 0.5f);
    EXPECT_EQ(strip_uvs(b, "grid"), strip_uvs(a, "grid"));

    // New geometry, new axes, another model's layer between two uvees.
    const int32_t tri[4] = {5, 6, 7, 0};
    both([&](Model *m) { model_add_face(m, "grid", 0, tri, nullptr, nullptr, 0); });
    uvee(6, 0.25f, 0.75f);
    EXPECT_EQ(strip_uvs(b, "grid"), strip_uvs(a, "grid"));
    both([&](Model *m) { layer_set_image_xaxis(m, "grid", 3); });
    uvee(8, 0.5f, 0.5f);
    EXPECT_EQ(strip_uvs(b, "grid"), strip_uvs(a, "grid"));
    const int32_t strip[3] = {900, 901, 950};
    both([&](Model *m) { model_add_strip(m, "grid", 3, strip, nullptr); });
    ASSERT_EQ(1, layer_map_point_uvs(b, "grid", 3));
    uvee(901, 0.125f, 0.125f);
    EXPECT_EQ(strip_uvs(b, "grid"), strip_uvs(a, "grid"));
    model_free(a);
    model_free(b);
    layer_forget_point_map();
}

// Adding a uvee to every point of a 30,000-point layer one at a time stays far
// from the cost of mapping the whole layer each time (about 9e8 corner steps).
TEST(LayerMapPointUvs, OnePointAtATimeIsLinear)
{
    layer_forget_point_map();
    Model *m = strip_grid(30000);
    auto start = std::chrono::steady_clock::now();
    for (int32_t id = 1; id <= 30000; id++) {
        model_add_uvee(m, "grid", id, 0.5f, 0.5f);
        ASSERT_EQ(1, layer_map_point_uvs(m, "grid", id));
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 3.0);
    for (float uv : strip_uvs(m, "grid")) ASSERT_EQ(0.5f, uv);
    model_free(m);
    layer_forget_point_map();
}
