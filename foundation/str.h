// Heap copies and in-place edits of NUL-terminated byte strings, the field
// splitter behind the command word list, and decimal text of an integer.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Heap copy (malloc) of the text with its terminator; null for a null text or out of memory.
// Caller frees.
char *str_dup(const char *text);
// Heap text (malloc) of a printf-style format and its arguments, however long;
// null for a null format or out of memory. Caller frees.
char *str_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Same with the arguments as a va_list, which it leaves unused for the caller to end.
char *str_vprintf(const char *format, va_list args);
// Copies source with its terminator into dest, which must be large enough; null source gives "".
void str_copy(const char *source, char *dest);
// Copies at most capacity-1 bytes of source into dest and terminates it; returns 0 when cut.
int str_copy_bounded(const char *source, char *dest, size_t capacity);
// Lower-cases the text in place with tolower; returns it (null for null).
char *str_lower(char *text);
// Upper-cases "a".."z" in place; other bytes unchanged; returns it (null for null).
char *str_upper(char *text);
// Replaces every byte equal to from by to, in place; returns the text (null for null).
char *str_replace_char(char *text, char from, char to);
// Heap copy of field n (from 0) of the text split at runs of separator; null when absent.
char *str_field(const char *text, char separator, int n);
// Decimal text of value into buffer (at least 12 bytes); returns 1.
int util_int_to_text(int32_t value, char *buffer);
