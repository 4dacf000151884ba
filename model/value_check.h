// Checks of the values a model keeps, shared by the building operations, the
// .mod reader and the commands: a value that passes is one that the writer
// saves in a form the reader reads back as the same value.
#pragma once
#include <cstdint>

// 1 for 0.0 .. 1.0 (layer transparency, reflection amount, colour key components);
// 0 for anything else, not-a-number included.
int value_unit_ok(float value);
// 1 for a finite number; 0 for an infinity or not-a-number.
int value_finite_ok(float value);
// The coordinate held within -2^31 .. 2^31, the range that a whole-number field of a model
// file gives back (the reader's 32-bit integers read every whole number in it back as the
// same float); not-a-number gives 0.
float value_whole_clamp(double value);
// 1 when the text, written as one token of a model file line (in double quotes when it holds a
// blank or a TAB), reads back as the same text: not empty, no line end, no double quote at its
// start, and none at all when it holds a blank or a TAB. 0 for a null text.
int value_token_ok(const char *text);
// 1 when the text holds no line end (CR or LF), so that a file line it is written into stays
// one line; 0 for a null text.
int value_line_ok(const char *text);
// 1 for an image axis code 1 .. 6 (x, y, z, -x, -y, -z).
int value_axis_ok(int32_t code);
// 1 when the three rotation words fit the fields of a child or collide object (1 to 7
// characters each) and the rotation parser reads them.
int value_rotation_ok(const char *word0, const char *word1, const char *word2);
// 1 when a child line gives back the child's name (a token that fits the record), its
// scale[3] (finite) and its rotation[3] words (as above); its position is held in range.
int value_child_ok(const char *name, const float *scale, const char *const *rotation);
// 1 when file may name the image of texture slot 0 .. 2: a token as above, and for the image
// and mirror-image slots not the word "none" (which the reader takes as no file).
int value_image_file_ok(int32_t slot, const char *file);
// Normalises (x, y, z) into unit[3] as the model store keeps a normal; 1 when every component
// of the result is finite (an infinite component, or a vector so short that its reciprocal
// length overflows, gives 0).
int value_normal_ok(float x, float y, float z, float *unit);
// 1 when normal[3] is a point normal the model loader keeps: each component a number within
// -1 .. 1, not all three exactly 0.
int value_point_normal_ok(const float *normal);
