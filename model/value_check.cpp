#include "model/value_check.h"

#include <cmath>
#include <cstring>

#include "foundation/matrix4.h"
#include "foundation/vec3.h"
#include "model/model.h"

// Ends of the whole-number range: float(INT32_MAX) rounds to 2^31, which reads back as itself.
constexpr float WHOLE_LOW = -2147483648.0f;
constexpr float WHOLE_HIGH = 2147483648.0f;
// The word an image or mirror-image line uses for no file.
static const char *const NO_FILE_WORD = "none";

int value_unit_ok(float value)
{
    return value >= 0.0f && value <= 1.0f;
}

int value_finite_ok(float value)
{
    return std::isfinite(value) ? 1 : 0;
}

float value_whole_clamp(double value)
{
    if (!(value == value)) return 0.0f;
    if (value < WHOLE_LOW) return WHOLE_LOW;
    if (value > WHOLE_HIGH) return WHOLE_HIGH;
    return static_cast<float>(value);
}

// A token ends at a blank or a TAB unless it starts with a double quote, and a quoted token
// ends at the next one, so a quote may stand inside an unquoted token only.
int value_token_ok(const char *text)
{
    if (!text || !text[0] || text[0] == '"') return 0;
    if (strpbrk(text, "\r\n")) return 0;
    if (strpbrk(text, " \t") && strchr(text, '"')) return 0;
    return 1;
}

int value_line_ok(const char *text)
{
    return text && !strpbrk(text, "\r\n") ? 1 : 0;
}

int value_axis_ok(int32_t code)
{
    return code >= 1 && code <= 6;
}

int value_rotation_ok(const char *word0, const char *word1, const char *word2)
{
    const char *words[3] = {word0, word1, word2};
    for (const char *word : words) {
        if (!word) return 0;
        size_t n = strlen(word);
        if (n == 0 || n >= static_cast<size_t>(MODEL_ROTATION_SIZE)) return 0;
    }
    Matrix4 m;
    return mat4_from_rotation_text(&m, word0, word1, word2);
}

int value_child_ok(const char *name, const float *scale, const char *const *rotation)
{
    if (!value_token_ok(name) || strlen(name) >= static_cast<size_t>(MODEL_NAME_SIZE)) return 0;
    if (!scale || !rotation) return 0;
    for (int i = 0; i < 3; i++)
        if (!value_finite_ok(scale[i])) return 0;
    return value_rotation_ok(rotation[0], rotation[1], rotation[2]);
}

int value_image_file_ok(int32_t slot, const char *file)
{
    if (!value_token_ok(file)) return 0;
    return slot == LAYER_SLOT_REFLECT || strcmp(file, NO_FILE_WORD) != 0;
}

int value_normal_ok(float x, float y, float z, float *unit)
{
    unit[0] = x;
    unit[1] = y;
    unit[2] = z;
    vec3_normalize(unit);
    return value_finite_ok(unit[0]) && value_finite_ok(unit[1]) && value_finite_ok(unit[2]);
}

int value_point_normal_ok(const float *normal)
{
    if (!normal) return 0;
    for (int i = 0; i < 3; i++)
        if (!(normal[i] >= -1.0f && normal[i] <= 1.0f)) return 0;
    return normal[0] != 0.0f || normal[1] != 0.0f || normal[2] != 0.0f;
}
