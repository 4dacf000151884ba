// Writer of Wavefront OBJ text files: a model's points, faces, strips and lines.
#pragma once
#include <cstdint>

struct Model;

// Export formats of model_export.
constexpr int32_t MODEL_EXPORT_OBJ = 1;

// Writes the model in the format (MODEL_EXPORT_OBJ only) beside path; obj_write's result, or 0
// with nothing written for any other format.
int model_export(Model *model, int32_t format, const char *path);
// Writes the model as OBJ text to path with the extension of its last component replaced by
// ".obj" (added when it has none): points as "v x z y", faces and strips as triangles, lines
// as polylines, one group per layer that has any. 1 when written; 0 for a null model or path
// or a file that cannot be written (the system's reason as the last-error text, an old file
// left whole).
int obj_write(Model *model, const char *path);
// The file name obj_write writes for path.
const char *obj_file_name(const char *path);
