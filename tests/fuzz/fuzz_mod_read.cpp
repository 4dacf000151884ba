// Fuzz target: .mod text read from memory. A text that reads is written, the
// written file read back, and the two models compared record by record in
// everything the writer keeps.
#include "formats/mod_reader.h"
#include "formats/mod_writer.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_query.h"
#include "tests/fuzz/fuzz_common.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Stops the run with a report when the condition fails.
#define FUZZ_CHECK(cond, ...)                                             \
    do {                                                                  \
        if (!(cond)) {                                                    \
            fprintf(stderr, "round trip mismatch: " __VA_ARGS__);         \
            fprintf(stderr, "\n");                                        \
            abort();                                                      \
        }                                                                 \
    } while (0)

template <typename T>
std::vector<T *> records(KeyedTable *t, std::vector<int32_t> *keys = nullptr)
{
    std::vector<T *> out;
    int32_t key = 0;
    for (T *r = static_cast<T *>(table_first(t, &key)); r; r = static_cast<T *>(table_next(t, &key))) {
        out.push_back(r);
        if (keys) keys->push_back(key);
    }
    return out;
}

// Equal within an absolute tolerance plus a relative one for large values; NaN equals NaN.
bool near(float a, float b, float tolerance)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (a == b) return true;
    return std::fabs(a - b) <= tolerance + 1e-6f * std::fabs(a);
}

// A coordinate as it reads back after a write: truncated to a whole number, held at the ends of
// the 32-bit range (the writer writes whole numbers, the reader's integers are 32-bit), NaN 0.
float written_whole(float value)
{
    if (std::isnan(value)) return 0.0f;
    if (value >= 2147483647.0f) return 2147483647.0f;
    if (value <= -2147483648.0f) return -2147483648.0f;
    return std::trunc(value);
}

// A child position as it reads back after a write: the value itself (the writer keeps every
// decimal), held at the ends of the 32-bit range as the reader holds it, NaN 0.
float written_position(float value)
{
    if (std::isnan(value)) return 0.0f;
    if (value >= 2147483647.0f) return 2147483647.0f;
    if (value <= -2147483648.0f) return -2147483648.0f;
    return value;
}

// Triangles of a strip as point-id triples: (0,1,2), (2,1,3), (2,3,4), ...
std::vector<int32_t> strip_triangles(Strip *s)
{
    std::vector<int32_t> ids, out;
    for (StripVertex *v : records<StripVertex>(&s->vertices)) ids.push_back(v->point_id);
    for (size_t i = 0; i + 2 < ids.size(); i++) {
        if (i % 2 == 0) out.insert(out.end(), {ids[i], ids[i + 1], ids[i + 2]});
        else out.insert(out.end(), {ids[i + 1], ids[i], ids[i + 2]});
    }
    return out;
}

void compare_layers(Model *a, Layer *x, Layer *y)
{
    FUZZ_CHECK(strcmp(x->name, y->name) == 0, "layer names %s %s", x->name, y->name);
    for (int k = 0; k < 3; k++) FUZZ_CHECK(x->colour[k] == y->colour[k], "layer %s colour", x->name);
    FUZZ_CHECK(x->single_sided == y->single_sided, "layer %s sides", x->name);
    FUZZ_CHECK(near(x->transparency, y->transparency, 1e-4f), "layer %s transparency %g %g", x->name,
               x->transparency, y->transparency);
    FUZZ_CHECK(x->mirror_on == y->mirror_on, "layer %s mirror", x->name);
    if (x->mirror_on) FUZZ_CHECK(x->mirror_axis == y->mirror_axis, "layer %s mirror axis", x->name);
    FUZZ_CHECK(x->colour_key_on == y->colour_key_on, "layer %s colour key on", x->name);
    if (x->colour_key_on)
        for (int k = 0; k < 3; k++)
            FUZZ_CHECK(x->colour_key[k] == y->colour_key[k], "layer %s colour key %d: %d %d", x->name, k,
                       x->colour_key[k], y->colour_key[k]);
    KeyedTable *normal_tables[2][2] = {{&x->normals, &y->normals}, {&x->pn_normals, &y->pn_normals}};
    for (auto &pair : normal_tables) {
        std::vector<int32_t> ka, kb;
        std::vector<float *> na = records<float>(pair[0], &ka), nb = records<float>(pair[1], &kb);
        FUZZ_CHECK(ka == kb, "layer %s normal ids", x->name);
        for (size_t i = 0; i < na.size(); i++)
            for (int k = 0; k < 3; k++)
                FUZZ_CHECK(near(na[i][k], nb[i][k], 2e-3f), "layer %s normal %d: %g %g", x->name, ka[i],
                           na[i][k], nb[i][k]);
    }
    std::vector<Face *> fa = records<Face>(&x->faces), fb = records<Face>(&y->faces);
    FUZZ_CHECK(fa.size() == fb.size(), "layer %s faces %zu %zu", x->name, fa.size(), fb.size());
    for (size_t f = 0; f < fa.size(); f++) {
        FUZZ_CHECK(fa[f]->quad == fb[f]->quad && fa[f]->curve == fb[f]->curve, "layer %s face %zu kind", x->name, f);
        FUZZ_CHECK(memcmp(fa[f]->point_ids, fb[f]->point_ids, sizeof fa[f]->point_ids) == 0 &&
                       memcmp(fa[f]->normal_ids, fb[f]->normal_ids, sizeof fa[f]->normal_ids) == 0 &&
                       memcmp(fa[f]->edge_ids, fb[f]->edge_ids, sizeof fa[f]->edge_ids) == 0,
                   "layer %s face %zu ids", x->name, f);
        // Face coordinates are not compared: they are worked out when an image line is read, over
        // the faces and box of that moment, and the writer puts every face before the image.
    }
    std::vector<int32_t> ta, tb;
    for (Strip *s : records<Strip>(&x->strips)) {
        std::vector<int32_t> t = strip_triangles(s);
        ta.insert(ta.end(), t.begin(), t.end());
    }
    for (Strip *s : records<Strip>(&y->strips)) {
        std::vector<int32_t> t = strip_triangles(s);
        tb.insert(tb.end(), t.begin(), t.end());
    }
    FUZZ_CHECK(ta == tb, "layer %s strip triangles", x->name);
    // Uvees of points outside the model are not written.
    std::vector<int32_t> ua_keys, ub_keys;
    std::vector<Uvee *> ua = records<Uvee>(&x->uvees, &ua_keys), ub = records<Uvee>(&y->uvees, &ub_keys);
    std::vector<Uvee *> kept;
    for (Uvee *u : ua)
        if (table_find(&a->points, static_cast<int32_t>(u->point_id))) kept.push_back(u);
    FUZZ_CHECK(kept.size() == ub.size(), "layer %s uvees %zu %zu", x->name, kept.size(), ub.size());
    for (Uvee *u : kept) {
        Uvee *v = static_cast<Uvee *>(table_find(&y->uvees, static_cast<int32_t>(u->point_id)));
        FUZZ_CHECK(v && near(u->u, v->u, 1e-4f) && near(u->v, v->v, 1e-4f), "layer %s uvee %u", x->name,
                   u->point_id);
    }
    std::vector<Line *> la = records<Line>(&x->lines), lb = records<Line>(&y->lines);
    FUZZ_CHECK(la.size() == lb.size(), "layer %s lines", x->name);
    for (size_t l = 0; l < la.size(); l++) {
        std::vector<uint32_t *> va = records<uint32_t>(&la[l]->vertices), vb = records<uint32_t>(&lb[l]->vertices);
        FUZZ_CHECK(va.size() == vb.size(), "layer %s line %zu length", x->name, l);
        for (size_t v = 0; v < va.size(); v++) FUZZ_CHECK(*va[v] == *vb[v], "layer %s line %zu", x->name, l);
    }
    LayerTexture *tx = static_cast<LayerTexture *>(table_find(&x->texture, 1));
    LayerTexture *ty = static_cast<LayerTexture *>(table_find(&y->texture, 1));
    bool tx_set = tx && (tx->file[0][0] || tx->file[1][0] || tx->file[2][0]);
    FUZZ_CHECK(tx_set == (ty != nullptr), "layer %s texture", x->name);
    if (tx_set) {
        for (int k = 0; k < 3; k++) FUZZ_CHECK(strcmp(tx->file[k], ty->file[k]) == 0, "layer %s image %d", x->name, k);
        if (tx->file[0][0])
            FUZZ_CHECK(x->image_u_axis == y->image_u_axis && x->image_v_axis == y->image_v_axis,
                       "layer %s image axes", x->name);
        if (tx->file[2][0])
            FUZZ_CHECK(near(tx->reflect_amount, ty->reflect_amount, 5e-4f), "layer %s reflect amount", x->name);
    }
}

void compare_models(Model *a, Model *b)
{
    // Points are written grouped by joint, so the read-back table holds them in another order.
    std::vector<int32_t> ka, kb;
    std::vector<Point *> pa = records<Point>(&a->points, &ka);
    records<Point>(&b->points, &kb);
    std::vector<int32_t> sa = ka, sb = kb;
    std::sort(sa.begin(), sa.end());
    std::sort(sb.begin(), sb.end());
    FUZZ_CHECK(sa == sb, "point ids");
    std::vector<Point *> pb;
    for (int32_t id : ka) pb.push_back(static_cast<Point *>(table_find(&b->points, id)));
    for (size_t i = 0; i < pa.size(); i++) {
        for (int k = 0; k < 3; k++)
            FUZZ_CHECK(written_whole(pa[i]->position[k]) == pb[i]->position[k], "point %d position %g %g", ka[i],
                       pa[i]->position[k], pb[i]->position[k]);
        if (a->has_gouraud) FUZZ_CHECK(memcmp(pa[i]->gouraud, pb[i]->gouraud, 4) == 0, "point %d gouraud", ka[i]);
        for (int k = 0; k < 3; k++)
            FUZZ_CHECK(near(pa[i]->normal[k], pb[i]->normal[k], 2e-3f), "point %d normal %g %g", ka[i],
                       pa[i]->normal[k], pb[i]->normal[k]);
    }
    std::vector<Joint *> ja = records<Joint>(&a->joints), jb = records<Joint>(&b->joints);
    FUZZ_CHECK(ja.size() == jb.size(), "joint count");
    for (size_t i = 0; i < ja.size(); i++) {
        FUZZ_CHECK(strcmp(ja[i]->name, jb[i]->name) == 0 && strcmp(ja[i]->parent_name, jb[i]->parent_name) == 0,
                   "joint %s names", ja[i]->name);
        for (int k = 0; k < 3; k++) FUZZ_CHECK(written_whole(ja[i]->position[k]) == jb[i]->position[k], "joint %s position", ja[i]->name);
        FUZZ_CHECK(ja[i]->point_count == jb[i]->point_count, "joint %s point count", ja[i]->name);
    }
    // Points are written under their joints without naming them: the loader binds them again
    // by the joints' point counts, so a raw read back does not, and joints are not compared.
    // Layers without a triangle or a line segment are not written.
    std::vector<Layer *> la;
    for (Layer *l : records<Layer>(&a->layers))
        if (model_face_count(a, l->name) > 0 || model_line_count(a, l->name) > 0) la.push_back(l);
    std::vector<Layer *> lb = records<Layer>(&b->layers);
    FUZZ_CHECK(la.size() == lb.size(), "layer count %zu %zu", la.size(), lb.size());
    for (size_t i = 0; i < la.size(); i++) compare_layers(a, la[i], lb[i]);
    std::vector<Child *> ca = records<Child>(&a->children), cb = records<Child>(&b->children);
    FUZZ_CHECK(ca.size() == cb.size(), "child count");
    for (size_t i = 0; i < ca.size(); i++) {
        FUZZ_CHECK(strcmp(ca[i]->name, cb[i]->name) == 0, "child %s name", ca[i]->name);
        for (int k = 0; k < 3; k++) {
            FUZZ_CHECK(written_position(ca[i]->position[k]) == cb[i]->position[k], "child %s position %g %g", ca[i]->name,
                       ca[i]->position[k], cb[i]->position[k]);
            FUZZ_CHECK(near(ca[i]->scale[k], cb[i]->scale[k], 5e-4f), "child %s scale %g %g", ca[i]->name,
                       ca[i]->scale[k], cb[i]->scale[k]);
            FUZZ_CHECK(strcmp(ca[i]->rotation[k], cb[i]->rotation[k]) == 0, "child %s rotation", ca[i]->name);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::work_dir();
    fuzz::copy_fixtures({"formats/tex.tga", "viewer/wheel.tga", "draw/quads24.tga", "draw/quads32.tga"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = fuzz::text(data, size);
    std::string path = fuzz::work_dir() + "/fz.mod";
    Model *first = model_create(path.c_str(), nullptr);
    if (mod_read_string(first, text.c_str())) {
        FUZZ_CHECK(mod_write(first) == 1, "write failed");
        Model *second = model_create(path.c_str(), nullptr);
        FUZZ_CHECK(mod_read_file(second, path.c_str()) == 1, "written file does not read back: %s",
                   err_last() ? err_last() : "");
        compare_models(first, second);
        model_free(second);
    }
    model_free(first);
    return 0;
}
