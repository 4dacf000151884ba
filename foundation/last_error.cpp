#include "foundation/last_error.h"

#include <cstdarg>
#include <cstdlib>
#include <string>

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
        std::string text = message;
        if (source)
            text += std::string(" (file: ") + source + ", line: " + std::to_string(line) + ")";
        else if (line != 0)
            text += " (line: " + std::to_string(line) + ")";
        formatted = str_dup(text.c_str());
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
    va_list args;
    va_start(args, format);
    char *message = str_vprintf(format, args);
    va_end(args);
    err_set(message ? message : format);
    free(message);
}

const char *err_last()
{
    return g_last_error;
}
