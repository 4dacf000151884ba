#include "formats/mod_reader.h"

#include "formats/mod_child.h"
#include "formats/text_reader.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_build.h"
#include "model/model_query.h"
#include "model/layer.h"
#include "model/point.h"
#include "model/value_check.h"

#include <cmath>
#include <cstring>

// Components of |z| at or above this count as a pole: x and y become 0.
constexpr float POLE_LIMIT = 0.999999f;

// What the store says when a line names a point, or a point's normal, that the model does not
// hold: a saved model names such points before its child models are read back.
static const char *const NO_POINT = "point does not exist";
static const char *const NO_NORMAL = "normal does not exist";
static const char *const NO_UVEE_POINT = "uvee point not found in model";
static const char *const NO_GOURAUD_POINT = "gouraud colour defined for non existant point";

const char MOD_BAD_LAYER[] = "Bad layer definition";
const char MOD_BAD_TRANSPARENCY[] = "Bad transparency data";
const char MOD_BAD_REFLECT[] = "Bad reflection map definition";
const char MOD_BAD_IMAGE[] = "Bad image definition";
const char MOD_BAD_AXIS[] = "Bad image axis definition";
const char MOD_BAD_CHILD[] = "Bad child data";
const char MOD_BAD_UVEE[] = "Bad uvee definition";
const char MOD_BAD_NORMAL[] = "Bad normal definition";

static int parse_keyword(ModParseContext *ctx);
static int parse_point(ModParseContext *ctx);
static int parse_gouraud(ModParseContext *ctx);
static int parse_triangle(ModParseContext *ctx);
static int parse_strip(ModParseContext *ctx);
static int parse_uvee(ModParseContext *ctx);
static int parse_normal(ModParseContext *ctx);
static int parse_polyline(ModParseContext *ctx);
static int fail(const char *message);
static int refused(const char *message);
static int is_number(int i);
static int numbers_between(int first, int last);
static int line_was_cut();
static int rotation_words_ok(int first);
static int added_child_ok(ModParseContext *ctx, const char *name, int32_t *models);
static int own_points(const ModParseContext *ctx, int n, const int32_t *ids, const char *message);

int mod_read_file(Model *model, const char *path)
{
    if (!model || !path) return 0;
    ModParseContext ctx;
    mod_parse_init(&ctx, model);
    return reader_run_file(path, "#", 1, mod_parse_line, &ctx);
}

int mod_read_file_named(Model *model, const char *path, const char *source_name)
{
    if (!model || !path || !source_name) return 0;
    ModParseContext ctx;
    mod_parse_init(&ctx, model);
    return reader_run_file_named(path, source_name, "#", 1, mod_parse_line, &ctx);
}

int mod_read_string(Model *model, const char *text)
{
    if (!model || !text) return 0;
    ModParseContext ctx;
    mod_parse_init(&ctx, model);
    return reader_run_string(text, "#", 1, mod_parse_line, &ctx);
}

int mod_read_added_text(Model *model, const char *text)
{
    if (!model || !text) return 0;
    ModParseContext ctx;
    mod_parse_init(&ctx, model);
    ModChildFiles files;
    ctx.added = 1;
    ctx.child_files = &files;
    return reader_run_string(text, "#", 1, mod_parse_line, &ctx);
}

void mod_parse_init(ModParseContext *ctx, Model *model)
{
    err_set(nullptr);
    ctx->model = model;
    ctx->section = MOD_SECTION_NONE;
    ctx->pn_normals = 0;
    ctx->layer[0] = '\0';
    ctx->layer_slot = -1;
    ctx->added = 0;
    ctx->child_files = nullptr;
    ctx->saved_models = -1;
}

void mod_parse_line(void *user)
{
    ModParseContext *ctx = static_cast<ModParseContext *>(user);
    int ok = reader_token_is_int(0) ? mod_parse_data(ctx) : parse_keyword(ctx);
    if (!ok) reader_abort();
}

int mod_parse_data(ModParseContext *ctx)
{
    switch (ctx->section) {
    case MOD_SECTION_POINTS: return parse_point(ctx);
    case MOD_SECTION_GOURAUD: return parse_gouraud(ctx);
    case MOD_SECTION_TRIANGLES: return parse_triangle(ctx);
    case MOD_SECTION_UVEES: return parse_uvee(ctx);
    case MOD_SECTION_NORMALS: return parse_normal(ctx);
    case MOD_SECTION_LINES: return parse_polyline(ctx);
    default: return fail("Bad point or triangle data");
    }
}

int mod_parse_layer(ModParseContext *ctx)
{
    if (reader_token_count() < 6) return fail(MOD_BAD_LAYER);
    const char *name = reader_token_text(1);
    strncpy(ctx->layer, name, sizeof ctx->layer - 1);
    ctx->layer[sizeof ctx->layer - 1] = '\0';
    ctx->layer_slot = -1;
    int single = reader_token_is("singlesided", 5);
    int mirror = 0;
    int axis = 1;
    if (reader_token_count() == 8 && reader_token_is("mirror", 6)) {
        axis = mod_parse_axis(reader_token_text(7));
        if (!axis) return fail(MOD_BAD_AXIS);
        mirror = 1;
    }
    if (!model_add_layer(ctx->model, name, reader_token_int(2), reader_token_int(3),
                         reader_token_int(4), single, mirror, axis))
        return refused(MOD_BAD_LAYER);
    // Faces of the following lines go to this layer: found once here, not by name per face.
    char key[MODEL_KEY_LENGTH + 1];
    model_key_name(ctx->layer, key);
    ctx->layer_slot = table_index_of(&ctx->model->layers, key, 0);
    return 1;
}

int mod_parse_transparency(ModParseContext *ctx)
{
    if (reader_token_count() != 2) return fail(MOD_BAD_TRANSPARENCY);
    if (!model_set_transparency(ctx->model, ctx->layer, reader_token_float(1)))
        return refused(MOD_BAD_TRANSPARENCY);
    return 1;
}

int mod_parse_reflect(ModParseContext *ctx)
{
    if (reader_token_count() < 3) return fail(MOD_BAD_REFLECT);
    // An amount the layer cannot take refuses the line before its image is loaded.
    float amount = reader_token_float(2);
    if (!value_unit_ok(amount)) return fail(MOD_BAD_REFLECT);
    if (!model_add_image(ctx->model, ctx->layer, 2, reader_token_text(1), 0, 0))
        return refused(MOD_BAD_REFLECT);
    int additive = reader_token_is("add", 3);
    if (!model_set_reflect(ctx->model, ctx->layer, amount, additive))
        return refused(MOD_BAD_REFLECT);
    return 1;
}

int mod_parse_invisible(ModParseContext *ctx)
{
    if (reader_token_count() != 4) return fail("Bad invisible data");
    if (!model_set_invisible(ctx->model, ctx->layer, reader_token_float(1),
                             reader_token_float(2), reader_token_float(3)))
        return refused("Bad invisible data");
    return 1;
}

int mod_parse_joint(ModParseContext *ctx)
{
    if (reader_token_count() != 7) return fail("Bad joint definition");
    if (!model_add_joint(ctx->model, reader_token_text(1), reader_token_int(2),
                         reader_token_int(3), reader_token_int(4), reader_token_text(5),
                         reader_token_int(6)))
        return refused("Bad joint definition");
    return 1;
}

int mod_parse_blend(ModParseContext *ctx)
{
    if (reader_token_count() != 4) return fail("Bad blend definition");
    if (!model_add_blend(ctx->model, reader_token_text(1), reader_token_text(2),
                         reader_token_int(3)))
        return refused("Bad blend definition");
    return 1;
}

int mod_parse_image(ModParseContext *ctx, int slot)
{
    int n = reader_token_count();
    const char *file = reader_token_text(1);
    if (slot == 1) {
        if (n < 2) return fail(MOD_BAD_IMAGE);
        // "none" names no image: the slot is left as it is.
        if (reader_token_is("none", 1)) return 1;
        if (!model_add_image(ctx->model, ctx->layer, 1, file, 0, 0))
            return refused(MOD_BAD_IMAGE);
        return 1;
    }
    if (n < 4 || n == 5 || n == 6) return fail(MOD_BAD_IMAGE);
    int repeat = n >= 7;
    if (repeat && !reader_token_is("repeat", 4)) return fail(MOD_BAD_IMAGE);
    int u_axis = mod_parse_axis(reader_token_text(2));
    int v_axis = mod_parse_axis(reader_token_text(3));
    if (!u_axis || !v_axis) return fail(MOD_BAD_AXIS);
    float u = repeat ? reader_token_float(5) : 0.0f;
    float v = repeat ? reader_token_float(6) : 0.0f;
    if (u < -128.0f || u > 128.0f || v < -128.0f || v > 128.0f)
        return fail(MOD_BAD_IMAGE);
    if (reader_token_is("none", 1)) return 1;
    if (!model_add_image(ctx->model, ctx->layer, 0, file, u_axis, v_axis))
        return refused(MOD_BAD_IMAGE);
    if (repeat && !layer_set_image_repeat(ctx->model, ctx->layer, 1, u, v))
        return refused(MOD_BAD_IMAGE);
    return 1;
}

int mod_parse_child(ModParseContext *ctx)
{
    ModChildLine line;
    if (!mod_child_line(&line)) return fail(MOD_BAD_CHILD);
    int32_t models = 0;
    if (ctx->added && !added_child_ok(ctx, line.name, &models)) return 0;
    if (!model_add_child(ctx->model, nullptr, line.name, line.position[0], line.position[1],
                         line.position[2], line.scale[0], line.scale[1], line.scale[2],
                         line.rotation[0], line.rotation[1], line.rotation[2]))
        return refused(MOD_BAD_CHILD);
    if (ctx->added) ctx->saved_models = models;
    return 1;
}

int mod_parse_collide(ModParseContext *ctx)
{
    static const char *const shapes[] = {"box", "sphere", "capsule", "cylinder", "mesh", "plane"};
    int n = reader_token_count();
    if (n < 12) return fail("Bad collide object definition");
    int shape = 0;
    for (int i = 0; i < 6 && !shape; i++)
        if (reader_token_is(shapes[i], 2)) shape = i + 1;
    if (!shape || !numbers_between(3, 8) || !rotation_words_ok(9))
        return fail("Bad collide object definition");
    float density = n > 12 ? reader_token_float(12) : 1.0f;
    float second = n > 13 ? reader_token_float(13) : 0.0f;
    int flag = n > 14 ? reader_token_int(14) : 1;
    if (!model_add_collide(ctx->model, reader_token_text(1), shape, reader_token_float(3),
                           reader_token_float(4), reader_token_float(5), reader_token_float(6),
                           reader_token_float(7), reader_token_float(8), reader_token_text(9),
                           reader_token_text(10), reader_token_text(11), density, second, flag))
        return refused("Bad collide object definition");
    return 1;
}

int mod_parse_axis(const char *word)
{
    static const char *const words[] = {"x", "y", "z", "-x", "-y", "-z"};
    if (!word) return 0;
    for (int i = 0; i < 6; i++)
        if (strcmp(word, words[i]) == 0) return i + 1;
    return 0;
}

// A keyword line: opens a section, runs a one-line keyword, or is ignored.
static int parse_keyword(ModParseContext *ctx)
{
    const char *word = reader_token_text(0);
    struct SectionWord { const char *word; int32_t section; int32_t pn; };
    static const SectionWord sections[] = {
        {"points", MOD_SECTION_POINTS, -1},     {"normals", MOD_SECTION_NORMALS, 0},
        {"pnnormals", MOD_SECTION_NORMALS, 1},  {"gouraud", MOD_SECTION_GOURAUD, -1},
        {"goraud", MOD_SECTION_GOURAUD, -1},    {"triangles", MOD_SECTION_TRIANGLES, -1},
        {"uvees", MOD_SECTION_UVEES, -1},       {"lines", MOD_SECTION_LINES, -1},
    };
    for (const SectionWord &s : sections) {
        if (strcmp(word, s.word) == 0) {
            ctx->section = s.section;
            if (s.pn >= 0) ctx->pn_normals = s.pn;
            return 1;
        }
    }
    struct LineWord { const char *word; int (*parse)(ModParseContext *); };
    static const LineWord lines[] = {
        {"layer", mod_parse_layer},   {"transparency", mod_parse_transparency},
        {"reflect", mod_parse_reflect}, {"invisible", mod_parse_invisible},
        {"joint", mod_parse_joint},   {"blend", mod_parse_blend},
        {"child", mod_parse_child},   {"collide", mod_parse_collide},
    };
    for (const LineWord &l : lines) {
        if (strcmp(word, l.word) == 0) {
            ctx->section = MOD_SECTION_NONE;
            return l.parse(ctx);
        }
    }
    if (strcmp(word, "image") == 0 || strcmp(word, "mirrorimage") == 0) {
        ctx->section = MOD_SECTION_NONE;
        return mod_parse_image(ctx, word[0] == 'i' ? 0 : 1);
    }
    return 1;
}

// "ID X Y Z [W [JOINT1 JOINT2]]".
static int parse_point(ModParseContext *ctx)
{
    int n = reader_token_count();
    if (n < 4) return fail("Bad point definition");
    int id = reader_token_int(0);
    float weight = n >= 5 ? reader_token_float(4) : 1.0f;
    if (!model_set_point(ctx->model, id, reader_token_int(1), reader_token_int(2),
                         reader_token_int(3), weight))
        return refused("Bad point definition");
    if (n >= 7 && !model_set_point_joints(ctx->model, id, reader_token_text(5), reader_token_text(6)))
        return refused("Bad point definition");
    return 1;
}

// "ID R G B T", each colour taken modulo 256.
static int parse_gouraud(ModParseContext *ctx)
{
    if (reader_token_count() != 5) return fail("Bad gouraud RGB definition");
    uint8_t c[4];
    for (int i = 0; i < 4; i++) c[i] = static_cast<uint8_t>(reader_token_int(i + 1) & 0xff);
    const int32_t id = reader_token_int(0);
    if (!own_points(ctx, 1, &id, NO_GOURAUD_POINT)) return 0;
    if (!model_set_gouraud(ctx->model, reader_token_int(0), c[0], c[1], c[2], c[3]))
        return refused("Bad gouraud RGB definition");
    return 1;
}

// Kinds 0 flat triangle, 1 flat quad, 2 strip, 3 curved triangle, 4 curved quad.
static int parse_triangle(ModParseContext *ctx)
{
    int n = reader_token_count();
    int kind = reader_token_int(0);
    if (kind == 2) return parse_strip(ctx);
    if (kind < 0 || kind > 4) return fail("Bad triangle definition");
    int quad = kind == 1 || kind == 4;
    int corners = quad ? 4 : 3;
    if (n < 1 + corners) return fail("Bad triangle definition");
    int curve = 0;
    int normal_at = -1;   // token of the first normal id, -1 for the defaults
    int edge_at = -1;     // token of the first edge normal id, -1 for the defaults
    if (kind == 0) {
        int zero_tail = n == 5 && reader_token_is_int(4) && reader_token_int(4) == 0;
        if (n >= 7) normal_at = 4;
        else if (n != 4 && !zero_tail) return fail("Bad triangle definition");
    } else if (kind == 1) {
        if (n >= 9) normal_at = 5;
        else if (n != 5) return fail("Bad triangle definition");
    } else {
        // Curved: [CURVE [N x corners [E x 2 corners]]] after the corners.
        int at = 1 + corners;
        curve = kind;
        if (n == at) {
        } else if (n == at + 1) {
            curve = reader_token_int(at);
        } else if (n >= at + 1 + corners) {
            curve = reader_token_int(at);
            normal_at = at + 1;
            if (n >= at + 1 + 3 * corners) edge_at = at + 1 + corners;
        } else {
            return fail("Bad triangle definition");
        }
    }
    int32_t points[4] = {0, 0, 0, 0};
    int32_t normals[4] = {0, 0, 0, 0};
    int32_t edges[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < corners; i++) {
        points[i] = reader_token_int(1 + i);
        if (normal_at >= 0) normals[i] = reader_token_int(normal_at + i);
    }
    if (edge_at >= 0)
        for (int i = 0; i < 2 * corners; i++) edges[i] = reader_token_int(edge_at + i);
    // Without normal ids the face takes its point ids, which need no second check.
    // The layer is taken by its slot (layers are only added by layer lines, which set it);
    // without one the name is looked up, which gives the missing layer's message.
    const int32_t *normal_ids = normal_at >= 0 ? normals : nullptr;
    const int32_t *edge_ids = edge_at >= 0 ? edges : nullptr;
    if (!own_points(ctx, corners, points, NO_POINT) ||
        (normal_ids && !own_points(ctx, corners, normal_ids, NO_NORMAL)) ||
        (curve >= 1 && edge_ids && !own_points(ctx, 2 * corners, edge_ids, NO_NORMAL)))
        return 0;
    Layer *layer = ctx->layer_slot >= 0
                       ? static_cast<Layer *>(table_nth(&ctx->model->layers, ctx->layer_slot, 0))
                       : nullptr;
    int ok = layer ? model_add_face_to_layer(ctx->model, layer, quad, points, normal_ids, edge_ids, curve)
                   : model_add_face(ctx->model, ctx->layer, quad, points, normal_ids, edge_ids, curve);
    if (!ok) return refused("Bad triangle definition");
    return 1;
}

// "2 P0 P1 ..." with 3 to 512 point ids.
static int parse_strip(ModParseContext *ctx)
{
    int count = reader_token_count() - 1;
    if (count < 3 || count > MOD_MAX_LINE_IDS || line_was_cut()) return fail("Bad triangle definition");
    int32_t ids[MOD_MAX_LINE_IDS];
    for (int i = 0; i < count; i++) ids[i] = reader_token_int(1 + i);
    if (!own_points(ctx, count, ids, NO_POINT)) return 0;
    if (!model_add_strip(ctx->model, ctx->layer, count, ids, nullptr))
        return refused("Bad triangle definition");
    return 1;
}

// "ID U V" in the current layer.
static int parse_uvee(ModParseContext *ctx)
{
    if (reader_token_count() != 3) return fail(MOD_BAD_UVEE);
    const int32_t id = reader_token_int(0);
    if (!own_points(ctx, 1, &id, NO_UVEE_POINT)) return 0;
    if (!model_add_uvee(ctx->model, ctx->layer, reader_token_int(0), reader_token_float(1),
                        reader_token_float(2)))
        return refused(MOD_BAD_UVEE);
    return 1;
}

// "ID X Y Z", or "ID LON LAT" in degrees.
static int parse_normal(ModParseContext *ctx)
{
    int n = reader_token_count();
    float x, y, z;
    if (n == 4) {
        x = reader_token_float(1);
        y = reader_token_float(2);
        z = reader_token_float(3);
    } else if (n == 3) {
        float a = static_cast<float>(reader_token_float(1) / 360.0 * 6.2831854);
        float b = static_cast<float>(reader_token_float(2) / 360.0 * 6.2831854);
        x = std::cos(a);
        y = std::sin(a);
        z = std::sin(b);
        if (z != 0.0f) {
            if (z >= POLE_LIMIT || z <= -POLE_LIMIT) {
                x = 0.0f;
                y = 0.0f;
            } else {
                float c = std::cos(b);
                x *= c;
                y *= c;
            }
        }
    } else {
        return fail(MOD_BAD_NORMAL);
    }
    // A point normal that the loader would refuse stops added text here, as it would stop
    // reading back the model's save.
    float unit[3];
    if (ctx->added && !ctx->layer[0] && value_normal_ok(x, y, z, unit) &&
        !model_check_point_normal(ctx->model, reader_token_int(0), unit))
        return 0;
    if (!model_set_normal(ctx->model, ctx->layer, ctx->pn_normals, reader_token_int(0), x, y, z))
        return refused(MOD_BAD_NORMAL);
    return 1;
}

// "2 P0 P1 ..." with 1 to 512 point ids; any other kind is ignored.
static int parse_polyline(ModParseContext *ctx)
{
    if (reader_token_int(0) != 2) return 1;
    int count = reader_token_count() - 1;
    if (count < 1 || count > MOD_MAX_LINE_IDS || line_was_cut()) return fail("Bad line definition");
    int32_t ids[MOD_MAX_LINE_IDS];
    for (int i = 0; i < count; i++) ids[i] = reader_token_int(1 + i);
    if (!own_points(ctx, count, ids, NO_POINT)) return 0;
    if (!model_add_line(ctx->model, ctx->layer, count, ids))
        return refused("Bad line definition");
    return 1;
}

// Sets the message and fails the line.
static int fail(const char *message)
{
    err_set(message);
    return 0;
}

// A building operation refused the line: keep its message, or give the line's own
// when it set none, so that a failed read always says which line stopped it.
static int refused(const char *message)
{
    const char *last = err_last();
    if (!last || !last[0]) err_set(message);
    return 0;
}

// 1 when a child line of added text names a file that reading back the model's save reads
// (mod_child_find); models gets the models that read then builds. Else 0 with the message.
static int added_child_ok(ModParseContext *ctx, const char *name, int32_t *models)
{
    *models = ctx->saved_models;
    ModChildCheck check = {};
    check.models = &ctx->model;
    check.count = 1;
    check.need_file = 1;
    check.files = ctx->child_files;
    check.saved_models = models;
    ModChildFile file;
    return mod_child_find(&check, name, &file);
}

// 1 unless added text names a point that only a child model holds: the model's save names it
// before its child models are read back, which that read refuses. Else 0 with the message.
static int own_points(const ModParseContext *ctx, int n, const int32_t *ids, const char *message)
{
    if (!ctx->added) return 1;
    for (int i = 0; i < n; i++)
        if (!point_usable_in_file(ctx->model, ids[i])) return fail(message);
    return 1;
}

// 1 when token i is an integer or a decimal number.
static int is_number(int i)
{
    return reader_token_is_int(i) || reader_token_is_float(i);
}

// 1 when tokens first..last are all numbers.
static int numbers_between(int first, int last)
{
    for (int i = first; i <= last; i++)
        if (!is_number(i)) return 0;
    return 1;
}

// 1 when the line reader dropped tokens of this line (more than it holds), so that
// a strip or polyline would silently lose its tail.
static int line_was_cut()
{
    if (reader_token_count() < READER_MAX_TOKENS) return 0;
    const char *c = reader_line_text();
    int words = 0;
    while (c && *c) {
        while (*c == ' ' || *c == '\t') c++;
        if (!*c) break;
        words++;
        while (*c && *c != ' ' && *c != '\t') c++;
    }
    return words > READER_MAX_TOKENS;
}

// 1 when the three tokens from first on are rotation words that fit their fields
// and that the rotation parser reads.
static int rotation_words_ok(int first)
{
    return value_rotation_ok(reader_token_text(first), reader_token_text(first + 1),
                             reader_token_text(first + 2));
}
