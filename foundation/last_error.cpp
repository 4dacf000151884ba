#include "foundation/last_error.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "foundation/str.h"

// Heap copy of the current last-error text, null when none.
static char *g_last_error = nullptr;
// Where the current read stands, null until a reader installs itself.
static ErrPositionHook g_position_hook = nullptr;

void err_set_position_hook(ErrPositionHook hook)
{
    g_position_hook = hook;
}

void err_set(const char *message)
{
    // Format before freeing: the message may be the stored text itself.
    char *formatted = nullptr;
    if (message) {
        int line = 0;
        const char *source = g_position_hook ? g_position_hook(&line) : nullptr;
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
