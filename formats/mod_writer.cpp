#include "formats/mod_writer.h"

#include "foundation/file_table.h"
#include "foundation/geometry.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "model/model.h"
#include "model/model_query.h"
#include "model/value_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

// Output is handed to the file in pieces of about this size.
constexpr size_t WRITE_CHUNK = 1 << 20;
// Most point ids on one strip line (the reader takes 256 tokens, the kind
// among them); even, so that a strip cut into lines keeps its windings.
constexpr size_t STRIP_LINE_IDS = 254;
// Longest strip line written; the reader's lines hold 1023 characters.
constexpr size_t STRIP_LINE_CHARS = 1000;
// Most decimals written for a value that its line's own number of decimals does not hold
// exactly; enough for every finite float.
constexpr int EXACT_DECIMALS_MAX = 60;

// Output text being built, flushed to the file as it grows.
struct ModOutput {
    Model *model;      // the model written
    const char *file;  // the file name, as the header names it
    std::string text;  // pending text
    int handle;        // file table handle
    int ok;            // 0 once a write fell short
};

static int write_model(int handle, void *user);
static void put(ModOutput *out, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void flush(ModOutput *out);
static void write_points(ModOutput *out, Model *model, std::vector<Point *> &order,
                         std::vector<int32_t> &ids);
static void write_layer(ModOutput *out, Model *model, Layer *layer,
                        const std::unordered_map<int32_t, size_t> &position);
static void write_face(ModOutput *out, const Face *face);
static void write_strip(ModOutput *out, Strip *strip);
static void write_normals(ModOutput *out, KeyedTable *normals);
static void colour_key_text(int32_t component, char *text, size_t size);
static long long whole(float value);
static std::string decimal(float value, int width, int digits);
static std::string position_text(float value);
static std::string token(const char *text);
static int reads_back(const char *text, int32_t component);

int mod_write(Model *model)
{
    if (!model) return 0;
    if (!model->name[0]) {
        // The file would be the hidden ".mod" of the current folder.
        err_set("model has no name");
        return 0;
    }
    // The header line names the file: a line end in it would end the comment early.
    if (!value_line_ok(model->name)) {
        err_set("model name holds a line end");
        return 0;
    }
    // Always NAME.mod, the file that a model of that name is read from.
    std::string file = std::string(model->name) + ".mod";
    ModOutput out;
    out.model = model;
    out.file = file.c_str();
    return file_replace(out.file, write_model, &out);
}

// The whole model file through the handle, as a FileWriteFn for a ModOutput; 1 when every
// write went through.
static int write_model(int handle, void *user)
{
    ModOutput *out = static_cast<ModOutput *>(user);
    Model *model = out->model;
    out->handle = handle;
    out->ok = 1;
    out->text.reserve(WRITE_CHUNK + 4096);

    put(out, "#\n# model: %s\n#\n", out->file);
    for (Joint *j = static_cast<Joint *>(table_first(&model->joints)); j;
         j = static_cast<Joint *>(table_next(&model->joints)))
        put(out, "joint  %-8s  %5lld %5lld %5lld  %-8s %3d\n", token(j->name).c_str(),
            whole(j->position[0]), whole(j->position[1]), whole(j->position[2]),
            token(j->parent_name).c_str(), j->point_count);

    std::vector<Point *> order;   // points in point-table order
    std::vector<int32_t> ids;     // their ids
    write_points(out, model, order, ids);

    put(out, "\nnormals\n");
    for (size_t i = 0; i < order.size(); i++)
        put(out, "%-3d   %6.3f %6.3f %6.3f\n", ids[i], order[i]->normal[0], order[i]->normal[1],
            order[i]->normal[2]);
    if (model->has_gouraud) {
        put(out, "\ngouraud\n");
        for (size_t i = 0; i < order.size(); i++) {
            const uint8_t *c = order[i]->gouraud;
            put(out, "%-3d   %-3d %-3d %-3d  %-3d\n", ids[i], c[0], c[1], c[2], c[3]);
        }
    }

    std::unordered_map<int32_t, size_t> position;  // point id -> place in point-table order
    position.reserve(ids.size());
    for (size_t i = 0; i < ids.size(); i++) position.emplace(ids[i], i);
    for (Layer *layer = static_cast<Layer *>(table_first(&model->layers)); layer;
         layer = static_cast<Layer *>(table_next(&model->layers))) {
        if (model_face_count(model, layer->name) > 0 || model_line_count(model, layer->name) > 0)
            write_layer(out, model, layer, position);
    }

    for (Child *c = static_cast<Child *>(table_first(&model->children)); c;
         c = static_cast<Child *>(table_next(&model->children)))
        put(out, "child  %-8s  %s %s %s  %s %s %s  %5s %5s %5s\n", token(c->name).c_str(),
            position_text(c->position[0]).c_str(), position_text(c->position[1]).c_str(),
            position_text(c->position[2]).c_str(), decimal(c->scale[0], 6, 3).c_str(),
            decimal(c->scale[1], 6, 3).c_str(), decimal(c->scale[2], 6, 3).c_str(), c->rotation[0],
            c->rotation[1], c->rotation[2]);

    flush(out);
    return out->ok;
}

// Appends formatted text to the output.
static void put(ModOutput *out, const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof line) {
        out->text.append(line, static_cast<size_t>(n));
    } else {
        std::string longer(static_cast<size_t>(n) + 1, '\0');
        va_start(args, format);
        vsnprintf(&longer[0], longer.size(), format, args);
        va_end(args);
        out->text.append(longer.data(), static_cast<size_t>(n));
    }
    if (out->text.size() >= WRITE_CHUNK) flush(out);
}

// Hands the pending text to the file; after a write fell short the text is dropped.
static void flush(ModOutput *out)
{
    if (out->ok && !out->text.empty() &&
        file_write(out->handle, out->text.data(), 1, out->text.size()) != out->text.size())
        out->ok = 0;
    out->text.clear();
}

// "points": each joint's points with their weights, then the points without joint.
// Fills order and ids with every point in point-table order.
static void write_points(ModOutput *out, Model *model, std::vector<Point *> &order,
                         std::vector<int32_t> &ids)
{
    size_t count = static_cast<size_t>(table_count(&model->points));
    order.reserve(count);
    ids.reserve(count);
    int32_t key = 0;
    for (Point *p = static_cast<Point *>(table_first(&model->points, &key)); p;
         p = static_cast<Point *>(table_next(&model->points, &key))) {
        order.push_back(p);
        ids.push_back(key);
    }
    // One pass groups the points by owning joint; a point whose joint is not one of this
    // model's joints counts as a world point, so that no point is lost.
    std::unordered_map<const Joint *, size_t> joint_slot;
    std::vector<Joint *> joints;
    for (Joint *j = static_cast<Joint *>(table_first(&model->joints)); j;
         j = static_cast<Joint *>(table_next(&model->joints))) {
        joint_slot.emplace(j, joints.size());
        joints.push_back(j);
    }
    std::vector<std::vector<size_t>> owned(joints.size());
    std::vector<size_t> world;
    for (size_t i = 0; i < order.size(); i++) {
        auto found = order[i]->joint ? joint_slot.find(order[i]->joint) : joint_slot.end();
        if (found == joint_slot.end()) world.push_back(i);
        else owned[found->second].push_back(i);
    }
    put(out, "points\n");
    for (size_t j = 0; j < joints.size(); j++) {
        put(out, "#\n# %d points for joint: %s\n#\n", joints[j]->point_count, joints[j]->name);
        for (size_t i : owned[j]) {
            const Point *p = order[i];
            if (p->weight == 1.0f)
                put(out, "%-3d   %5lld %5lld %5lld\n", ids[i], whole(p->position[0]),
                    whole(p->position[1]), whole(p->position[2]));
            else
                put(out, "%-3d   %5lld %5lld %5lld   %.3f\n", ids[i], whole(p->position[0]),
                    whole(p->position[1]), whole(p->position[2]), p->weight);
        }
    }
    put(out, "#\n# world points\n#\n");
    for (size_t i : world) {
        const Point *p = order[i];
        put(out, "%-3d   %5lld %5lld %5lld\n", ids[i], whole(p->position[0]), whole(p->position[1]),
            whole(p->position[2]));
    }
}

// One layer with its attributes, normals, triangles, uvees, images and polylines.
static void write_layer(ModOutput *out, Model *model, Layer *layer,
                        const std::unordered_map<int32_t, size_t> &position)
{
    put(out, "\nlayer %s %d %d %d %s", token(layer->name).c_str(), layer->colour[0], layer->colour[1],
        layer->colour[2], layer->single_sided ? "singlesided" : "doublesided");
    if (layer->mirror_on) put(out, " mirror %s\n", geom_axis_name(layer->mirror_axis));
    else put(out, "\n");
    if (layer->colour_key_on) {
        char r[32], g[32], b[32];
        colour_key_text(layer->colour_key[0], r, sizeof r);
        colour_key_text(layer->colour_key[1], g, sizeof g);
        colour_key_text(layer->colour_key[2], b, sizeof b);
        put(out, "invisible %s %s %s\n", r, g, b);
    }
    if (layer->transparency != 0.0f) put(out, "transparency %s\n", decimal(layer->transparency, 0, 4).c_str());
    if (table_count(&layer->normals) > 0) {
        put(out, "normals\n");
        write_normals(out, &layer->normals);
    }
    if (table_count(&layer->pn_normals) > 0) {
        put(out, "\npnnormals\n");
        write_normals(out, &layer->pn_normals);
    }
    if (table_count(&layer->faces) > 0 || table_count(&layer->strips) > 0) {
        put(out, "triangles\n");
        for (Face *f = static_cast<Face *>(table_first(&layer->faces)); f;
             f = static_cast<Face *>(table_next(&layer->faces)))
            write_face(out, f);
        for (Strip *s = static_cast<Strip *>(table_first(&layer->strips)); s;
             s = static_cast<Strip *>(table_next(&layer->strips)))
            write_strip(out, s);
    }
    if (table_count(&layer->uvees) > 0) {
        // Uvees in point-table order; those of points outside the model are not written.
        std::vector<std::pair<size_t, const Uvee *>> uvees;
        for (Uvee *u = static_cast<Uvee *>(table_first(&layer->uvees)); u;
             u = static_cast<Uvee *>(table_next(&layer->uvees))) {
            auto found = position.find(static_cast<int32_t>(u->point_id));
            if (found != position.end()) uvees.emplace_back(found->second, u);
        }
        std::sort(uvees.begin(), uvees.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        put(out, "uvees\n");
        for (const auto &u : uvees)
            put(out, "%d  %s  %s\n", static_cast<int>(u.second->point_id),
                decimal(u.second->u, 0, 4).c_str(), decimal(u.second->v, 0, 4).c_str());
    }
    const LayerTexture *t = static_cast<const LayerTexture *>(table_find(&layer->texture, 1));
    if (t) {
        if (t->file[0][0])
            put(out, "image  %s  %s %s\n", token(t->file[0]).c_str(), geom_axis_name(layer->image_u_axis),
                geom_axis_name(layer->image_v_axis));
        if (t->file[1][0]) put(out, "mirrorimage  %s\n", token(t->file[1]).c_str());
        if (t->file[2][0])
            put(out, "reflect  %s  %s\n", token(t->file[2]).c_str(), decimal(t->reflect_amount, 0, 3).c_str());
    }
    if (table_count(&layer->lines) > 0) {
        put(out, "lines\n");
        for (Line *l = static_cast<Line *>(table_first(&layer->lines)); l;
             l = static_cast<Line *>(table_next(&layer->lines))) {
            put(out, "2 ");
            for (uint32_t *v = static_cast<uint32_t *>(table_first(&l->vertices)); v;
                 v = static_cast<uint32_t *>(table_next(&l->vertices)))
                put(out, "%d ", static_cast<int>(*v));
            put(out, "\n");
        }
    }
    (void)model;
}

// One face line, written so that it reads back to the same curve kind, normal ids and
// edge normal ids. A curve kind other than the default of its line is always written.
static void write_face(ModOutput *out, const Face *f)
{
    const int16_t *p = f->point_ids;
    const int16_t *n = f->normal_ids;
    const int16_t *e = f->edge_ids;
    int corners = f->quad ? 4 : 3;
    int normals_differ = 0;
    for (int i = 0; i < corners; i++)
        if (n[i] != p[i]) normals_differ = 1;
    if (f->curve == 0) {
        if (f->quad) put(out, "1  %4d %4d %4d %4d", p[0], p[1], p[2], p[3]);
        else put(out, "0  %4d %4d %4d", p[0], p[1], p[2]);
        if (normals_differ) {
            if (f->quad) put(out, "  %4d %4d %4d %4d", n[0], n[1], n[2], n[3]);
            else put(out, "  %4d %4d %4d", n[0], n[1], n[2]);
        }
        put(out, "\n");
        return;
    }
    int edges_differ;
    if (f->quad) {
        const int16_t d[8] = {p[0], p[1], p[1], p[3], p[3], p[2], p[2], p[0]};
        edges_differ = memcmp(d, e, sizeof d) != 0;
        put(out, "4  %4d %4d %4d %4d", p[0], p[1], p[2], p[3]);
    } else {
        const int16_t d[6] = {p[0], p[1], p[1], p[2], p[2], p[0]};
        edges_differ = memcmp(d, e, sizeof d) != 0;
        put(out, "3  %4d %4d %4d", p[0], p[1], p[2]);
    }
    int default_curve = f->quad ? 4 : 3;
    if (f->curve != default_curve || normals_differ || edges_differ) put(out, "  %d", f->curve);
    if (normals_differ || edges_differ) {
        if (f->quad) put(out, "  %4d %4d %4d %4d", n[0], n[1], n[2], n[3]);
        else put(out, "  %4d %4d %4d", n[0], n[1], n[2]);
    }
    if (edges_differ) {
        if (f->quad)
            put(out, "  %4d %4d %4d %4d %4d %4d %4d %4d", e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7]);
        else
            put(out, "  %4d %4d %4d %4d %4d %4d", e[0], e[1], e[2], e[3], e[4], e[5]);
    }
    put(out, "\n");
}

// A strip as one "2 P0 P1 ..." line, or, when its ids do not fit one line, as
// several strips: each starts two vertices before the previous one ended, at
// an even vertex, so they hold the same triangles with the same windings. A
// strip of fewer than 3 vertices draws nothing and is not written (the reader
// refuses it).
static void write_strip(ModOutput *out, Strip *strip)
{
    std::vector<int32_t> ids;
    for (StripVertex *v = static_cast<StripVertex *>(table_first(&strip->vertices)); v;
         v = static_cast<StripVertex *>(table_next(&strip->vertices)))
        ids.push_back(v->point_id);
    if (ids.size() < 3) return;
    size_t start = 0;
    for (;;) {
        std::string line = "2 ";
        size_t end = start;
        char text[16];
        while (end < ids.size() && end - start < STRIP_LINE_IDS) {
            int n = snprintf(text, sizeof text, "%d ", static_cast<int>(ids[end]));
            if (line.size() + static_cast<size_t>(n) > STRIP_LINE_CHARS) break;
            line += text;
            end++;
        }
        if (end < ids.size() && (end - start) % 2 != 0) {
            end--;
            line.resize(line.rfind(' ', line.size() - 2) + 1);
        }
        put(out, "%s\n", line.c_str());
        if (end >= ids.size()) break;
        start = end - 2;
    }
}

// The entries of a normals table in table order: "ID X Y Z".
static void write_normals(ModOutput *out, KeyedTable *normals)
{
    int32_t id = 0;
    for (float *v = static_cast<float *>(table_first(normals, &id)); v;
         v = static_cast<float *>(table_next(normals, &id)))
        put(out, "%-3d   %6.3f %6.3f %6.3f\n", id, v[0], v[1], v[2]);
}

// The component (0..255) divided by 255 as a decimal with the fewest digits that the
// reader, which stores int(value x 255), turns back into the same component.
static void colour_key_text(int32_t component, char *text, size_t size)
{
    double value = component / 255.0;
    for (int digits = 1; digits <= 9; digits++) {
        snprintf(text, size, "%.*f", digits, value);
        if (reads_back(text, component)) return;
    }
    // Rounding to nearest can fall just below the value: round up instead.
    snprintf(text, size, "%.9f", value + 0.5e-9);
}

// 1 when the decimal text reads back as the component, whether the reader multiplies
// in float or in double.
static int reads_back(const char *text, int32_t component)
{
    float f = strtof(text, nullptr);
    if (f < 0.0f || f > 1.0f) return 0;
    return static_cast<int32_t>(f * 255.0f) == component &&
           static_cast<int32_t>(static_cast<double>(f) * 255.0) == component;
}

// A coordinate truncated toward zero, as an integer format writes it; values beyond the
// range of the result are held at its ends and NaN gives 0 (a plain cast would be undefined).
static long long whole(float value)
{
    if (!(value == value)) return 0;
    if (value >= 9.2e18f) return 9200000000000000000LL;
    if (value <= -9.2e18f) return -9200000000000000000LL;
    return static_cast<long long>(value);
}

// The value with the line's own width and number of decimals when that text reads back as the
// same float, else with the fewest further decimals that do: a value set by a command keeps
// its precision, and what was read from a file is written as before.
static std::string decimal(float value, int width, int digits)
{
    char text[128];
    for (int d = digits; d <= EXACT_DECIMALS_MAX; d++) {
        snprintf(text, sizeof text, "%*.*f", width, d, static_cast<double>(value));
        if (static_cast<float>(strtod(text, nullptr)) == value) return text;
    }
    snprintf(text, sizeof text, "%*.*f", width, digits, static_cast<double>(value));
    return text;
}

// A child position: a whole number as "%5d" writes it (held at the ends of its range, NaN as
// 0), else the exact decimal.
static std::string position_text(float value)
{
    if (value == value && value != static_cast<float>(whole(value)) && value > -9.2e18f &&
        value < 9.2e18f)
        return decimal(value, 0, 1);
    char text[32];
    snprintf(text, sizeof text, "%5lld", whole(value));
    return text;
}

// A name or file name as one token of the line: in double quotes when it holds a blank or a
// TAB (the reader keeps a quoted token whole), else as it is.
static std::string token(const char *text)
{
    std::string t = text ? text : "";
    if (t.find_first_of(" \t") == std::string::npos) return t;
    return "\"" + t + "\"";
}
