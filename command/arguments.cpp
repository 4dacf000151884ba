#include "command/arguments.h"

#include "formats/text_reader.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// The shared result text of the formatters; it grows as long as an answer needs.
static std::string g_result_text;

// The value of an integer word as atoi reads it (an optional minus and the digits
// up to the first other character); 0 when that number lies outside the int range,
// which atoi would wrap.
static int int_value(const char *text, int *out)
{
    errno = 0;
    long long value = strtoll(text, nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
    *out = static_cast<int>(value);
    return 1;
}

// The value of a number word as atof reads it, narrowed to float; 0 when it lies
// beyond the largest float, which would become an infinity. A value too small for
// a float becomes 0 or a subnormal, as before.
static int float_value(const char *text, float *out)
{
    double value = strtod(text, nullptr);
    if (!(std::fabs(value) <= static_cast<double>(FLT_MAX))) return 0;
    *out = static_cast<float>(value);
    return 1;
}

int arg_parse(void *out, const char *text, int kind)
{
    if (!out || !text) return 0;
    int cls = token_classify(text);
    switch (kind) {
    case ARG_INT:
        if (cls != 1) return 0;
        return int_value(text, static_cast<int *>(out));
    case ARG_FLOAT:
        if (cls != 1 && cls != 2) return 0;
        return float_value(text, static_cast<float *>(out));
    case ARG_STRING:
        *static_cast<const char **>(out) = text;
        return 1;
    case ARG_BOOL:
        if (cls == 1) return int_value(text, static_cast<int *>(out));
        if (cls != 3) return 0;
        if (strcmp(text, "on") == 0 || strcmp(text, "true") == 0) {
            *static_cast<int *>(out) = 1;
            return 1;
        }
        if (strcmp(text, "off") == 0 || strcmp(text, "false") == 0) {
            *static_cast<int *>(out) = 0;
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

int arg_parse_floats(char **words, float *out, int n)
{
    for (int i = 0; i < n; i++)
        if (!arg_parse(&out[i], words[i], ARG_FLOAT)) return 0;
    return 1;
}

int arg_parse_ints(char **words, int *out, int n)
{
    for (int i = 0; i < n; i++)
        if (!arg_parse(&out[i], words[i], ARG_INT)) return 0;
    return 1;
}

const char *result_bool(int value)
{
    return value ? "on" : "off";
}

const char *result_int(int value)
{
    g_result_text = std::to_string(value);
    return g_result_text.c_str();
}

const char *result_matrix16(const float *m)
{
    char number[64];
    g_result_text.clear();
    for (int i = 0; i < 16; i++) {
        snprintf(number, sizeof number, i < 15 ? "%.6f " : "%.6f", static_cast<double>(m[i]));
        g_result_text += number;
    }
    return g_result_text.c_str();
}

// Unlike a fixed buffer, the text holds every value however many there are.
const char *result_floats(const float *values, int n)
{
    if (n < 0) return nullptr;
    char number[64];
    g_result_text.clear();
    for (int i = 0; i < n; i++) {
        snprintf(number, sizeof number, "%.6f ", static_cast<double>(values[i]));
        g_result_text += number;
    }
    return g_result_text.c_str();
}

const char *result_ints(const int *values, int n)
{
    if (n < 0) return nullptr;
    char number[16];
    g_result_text.clear();
    for (int i = 0; i < n; i++) {
        snprintf(number, sizeof number, i < n - 1 ? "%d " : "%d", values[i]);
        g_result_text += number;
    }
    return g_result_text.c_str();
}
