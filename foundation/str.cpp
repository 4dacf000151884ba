#include "foundation/str.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

char *str_dup(const char *text)
{
    if (!text) return nullptr;
    size_t n = strlen(text) + 1;
    char *copy = static_cast<char *>(malloc(n));
    if (copy) memcpy(copy, text, n);
    return copy;
}

char *str_printf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    char *text = str_vprintf(format, args);
    va_end(args);
    return text;
}

// Measures the text on a copy of the arguments, then formats it into a heap
// buffer of that size.
char *str_vprintf(const char *format, va_list args)
{
    if (!format) return nullptr;
    va_list measure;
    va_copy(measure, args);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return nullptr;
    char *text = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
    if (!text) return nullptr;
    va_list again;
    va_copy(again, args);
    vsnprintf(text, static_cast<size_t>(length) + 1, format, again);
    va_end(again);
    return text;
}

void str_copy(const char *source, char *dest)
{
    if (!dest) return;
    if (!source) {
        dest[0] = '\0';
        return;
    }
    strcpy(dest, source);
}

int str_copy_bounded(const char *source, char *dest, size_t capacity)
{
    if (!dest || capacity == 0) return 0;
    if (!source) source = "";
    size_t n = strlen(source);
    int whole = 1;
    if (n >= capacity) {
        n = capacity - 1;
        whole = 0;
    }
    memcpy(dest, source, n);
    dest[n] = '\0';
    return whole;
}

char *str_lower(char *text)
{
    if (!text) return nullptr;
    for (char *p = text; *p; p++) *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    return text;
}

char *str_upper(char *text)
{
    if (!text) return nullptr;
    for (char *p = text; *p; p++)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    return text;
}

char *str_replace_char(char *text, char from, char to)
{
    if (!text) return nullptr;
    for (char *p = text; *p; p++)
        if (*p == from) *p = to;
    return text;
}

// Walks the text counting separator runs; field n exists only when the walk
// moved past the first byte, exactly n runs were passed and it is not empty.
char *str_field(const char *text, char separator, int n)
{
    if (!text || n < 0) return nullptr;
    const char *p = text;
    const char *start = text;
    int runs = 0;
    while (*p) {
        if (*p == separator) {
            if (runs == n) break;
            runs++;
            while (*p == separator) p++;
            start = p;
            continue;
        }
        p++;
    }
    if (runs != n || p == text || p == start) return nullptr;
    size_t len = static_cast<size_t>(p - start);
    char *field = static_cast<char *>(malloc(len + 1));
    memcpy(field, start, len);
    field[len] = '\0';
    return field;
}

int util_int_to_text(int32_t value, char *buffer)
{
    if (value == 0) {
        buffer[0] = '0';
        buffer[1] = '\0';
        return 1;
    }
    char digits[12];
    int count = 0;
    int64_t magnitude = value;
    char *out = buffer;
    if (magnitude < 0) {
        *out++ = '-';
        magnitude = -magnitude;
    }
    while (magnitude > 0) {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
    return 1;
}
