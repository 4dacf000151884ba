#include "formats/obj_writer.h"

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "model/model.h"
#include "model/model_query.h"

// The first line of every file: names the program and its maker, 79 characters.
static const char OBJ_BANNER[] = "# Wavefront OBJ written by plyvo, the 3D model viewer and editor made by Druvex\n";
static_assert(sizeof OBJ_BANNER - 2 == 79, "the banner line holds 79 characters");

static std::string g_obj_file_name;

static void append_format(std::string *text, const char *format, double a, double b, double c);
static void append_index(std::string *text, const char *format, const std::vector<int32_t> &index,
                         Model *model, int32_t id);
static void append_layer(std::string *text, Model *model, Layer *layer,
                         const std::vector<int32_t> &index);

int model_export(Model *model, int32_t format, const char *path)
{
    if (format != MODEL_EXPORT_OBJ) return 0;
    return obj_write(model, path);
}

int obj_write(Model *model, const char *path)
{
    if (model == nullptr || path == nullptr) return 0;
    std::string name = obj_file_name(path);
    std::string text = OBJ_BANNER;
    text += "#\n# model: " + name + "\n#\n";
    text += "#\n# world points\n#\n";
    // Index of each point-table slot among the point lines, from 1.
    std::vector<int32_t> index(static_cast<size_t>(model->points.capacity), 0);
    int32_t written = 0;
    for (int32_t slot = 0; slot < model->points.capacity; slot++) {
        const Point *point = static_cast<const Point *>(table_nth(&model->points, slot, 0));
        if (point == nullptr) continue;
        index[static_cast<size_t>(slot)] = ++written;
        append_format(&text, "v %f %f %f\n", point->position[0], point->position[2], point->position[1]);
    }
    for (int32_t i = 0; i < model->layers.capacity; i++) {
        Layer *layer = static_cast<Layer *>(table_nth(&model->layers, i, 0));
        if (layer != nullptr) append_layer(&text, model, layer, index);
    }
    return file_write_all(name.c_str(), text.data(), text.size());
}

// The extension is looked for in the last component only: a dot in a folder name is none,
// and neither is a dot that starts the component.
const char *obj_file_name(const char *path)
{
    g_obj_file_name = path != nullptr ? path : "";
    size_t start = g_obj_file_name.find_last_of("/\\");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = g_obj_file_name.find_last_of('.');
    if (dot != std::string::npos && dot > start) g_obj_file_name.erase(dot);
    g_obj_file_name += ".obj";
    return g_obj_file_name.c_str();
}

// "g name", then each face and strip as triangles and each line as a polyline.
static void append_layer(std::string *text, Model *model, Layer *layer,
                         const std::vector<int32_t> &index)
{
    if (model_face_count(model, layer->name) == 0 && model_line_count(model, layer->name) == 0) return;
    *text += "\ng ";
    *text += layer->name;
    *text += "\n";
    for (int32_t slot = 0; slot < layer->faces.capacity; slot++) {
        const Face *face = static_cast<const Face *>(table_nth(&layer->faces, slot, 0));
        if (face == nullptr) continue;
        const int16_t *c = face->point_ids;
        *text += "f";
        for (int k = 0; k < 3; k++) append_index(text, " %d", index, model, c[k]);
        *text += "\n";
        if (!face->quad) continue;
        *text += "f";
        append_index(text, " %d", index, model, c[2]);
        append_index(text, " %d", index, model, c[1]);
        append_index(text, " %d", index, model, c[3]);
        *text += "\n";
    }
    std::vector<int32_t> v;
    for (int32_t slot = 0; slot < layer->strips.capacity; slot++) {
        Strip *strip = static_cast<Strip *>(table_nth(&layer->strips, slot, 0));
        if (strip == nullptr) continue;
        v.clear();
        for (int32_t k = 0; k < strip->vertices.capacity; k++) {
            const StripVertex *sv = static_cast<const StripVertex *>(table_nth(&strip->vertices, k, 0));
            if (sv != nullptr) v.push_back(sv->point_id);
        }
        // Triangles in strip winding: (0, 1, 2), (2, 1, 3), (2, 3, 4), ...
        for (size_t j = 2; j < v.size(); j++) {
            int32_t a = j % 2 == 0 ? v[j - 2] : v[j - 1], b = j % 2 == 0 ? v[j - 1] : v[j - 2];
            *text += "f";
            append_index(text, " %d", index, model, a);
            append_index(text, " %d", index, model, b);
            append_index(text, " %d", index, model, v[j]);
            *text += "\n";
        }
    }
    for (int32_t slot = 0; slot < layer->lines.capacity; slot++) {
        Line *line = static_cast<Line *>(table_nth(&layer->lines, slot, 0));
        if (line == nullptr) continue;
        *text += "l ";
        for (int32_t k = 0; k < line->vertices.capacity; k++) {
            const uint32_t *id = static_cast<const uint32_t *>(table_nth(&line->vertices, k, 0));
            if (id != nullptr) append_index(text, "%d ", index, model, static_cast<int32_t>(*id));
        }
        *text += "\n";
    }
}

static void append_format(std::string *text, const char *format, double a, double b, double c)
{
    char buffer[1200];  // three %f of the largest float stay far below this
    int n = snprintf(buffer, sizeof buffer, format, a, b, c);
    if (n > 0) text->append(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

// The point's 1-based position among the point lines; 0 for an id that names none of them.
static void append_index(std::string *text, const char *format, const std::vector<int32_t> &index,
                         Model *model, int32_t id)
{
    int32_t slot = table_index_of(&model->points, id, 0);
    int32_t value = slot >= 0 ? index[static_cast<size_t>(slot)] : 0;
    char buffer[24];
    int n = snprintf(buffer, sizeof buffer, format, value);
    if (n > 0) text->append(buffer, static_cast<size_t>(n));
}
