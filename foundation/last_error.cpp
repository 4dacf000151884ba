#include "foundation/last_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "foundation/str.h"
#include "formats/text_reader.h"

// Heap copy of the current last-error text, null when none.
static char *g_last_error = nullptr;

void err_set(const char *message)
{
    // Format before freeing: the message may be the stored text itself.
    char *formatted = nullptr;
    if (message) {
        const char *source = reader_source_name();
        int line = reader_line_number();
        char text[ERR_TEXT_MAX + 1];
        if (source)
            snprintf(text, sizeof text, "%s (file: %s, line: %d)", message, source, line);
        else if (line != 0)
            snprintf(text, sizeof text, "%s (line: %d)", message, line);
        else
            snprintf(text, sizeof text, "%s", message);
        formatted = str_dup(text);
    }
    free(g_last_error);
    g_last_error = formatted;
}

void err_setf(const char *format, ...)
{
    if (!format) {
        err_set(nullptr);
        return;
    }
    char message[ERR_TEXT_MAX + 1];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    err_set(message);
}

const char *err_last()
{
    return g_last_error;
}
