// Typed parsing of command words and the result texts of the handlers. Pure
// code: no Tcl calls, so the unit tests can link it on its own.
#pragma once

// Argument kinds of arg_parse.
enum ArgKind { ARG_INT = 1, ARG_FLOAT = 2, ARG_STRING = 3, ARG_BOOL = 4 };

// Parses text as kind into out (int, float, char* or int); 1, or 0 when out or
// text is null or the text is not of the kind. A number is of its kind only
// when its value fits the field: an integer (boolean included) within the int
// range, a float no larger in size than the largest finite float.
int arg_parse(void *out, const char *text, int kind);
// Parses words[0..n-1] as floats into out; 1, or 0 at the first missing or
// mistyped word (no word after it is read).
int arg_parse_floats(char **words, float *out, int n);
// Parses words[0..n-1] as integers into out; 1, or 0 at the first missing or
// mistyped word (no word after it is read).
int arg_parse_ints(char **words, int *out, int n);
// "on" for non-zero, "off" for zero.
const char *result_bool(int value);
// "%d" of the value in the shared result buffer.
const char *result_int(int value);
// The 16 values "%.6f" separated by single blanks in the shared result buffer.
const char *result_matrix16(const float *m);
// Each value "%.6f " in the shared result buffer; null for a negative count.
const char *result_floats(const float *values, int n);
// The values "%d" separated by single blanks in the shared result buffer; null
// for a negative count.
const char *result_ints(const int *values, int n);
