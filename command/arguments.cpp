#include "command/arguments.h"

#include "formats/text_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// The shared result text of the formatters; it grows as long as an answer needs.
static std::string g_result_text;

int arg_parse(void *out, const char *text, int kind)
{
    if (!out || !text) return 0;
    int cls = token_classify(text);
    switch (kind) {
    case ARG_INT:
        if (cls != 1) return 0;
        *static_cast<int *>(out) = atoi(text);
        return 1;
    case ARG_FLOAT:
        if (cls != 1 && cls != 2) return 0;
        *static_cast<float *>(out) = static_cast<float>(atof(text));
        return 1;
    case ARG_STRING:
        *static_cast<const char **>(out) = text;
        return 1;
    case ARG_BOOL:
        if (cls == 1) {
            *static_cast<int *>(out) = atoi(text);
            return 1;
        }
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
