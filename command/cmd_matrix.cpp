#include "command/cmd_matrix.h"

#include "command/arguments.h"
#include "command/keywords.h"
#include "command/tcl_glue.h"
#include "foundation/matrix4.h"

// The usage text of every branch of matrix names get matrix.
static const char *const USAGE_MATRIX = "druvex: usage: druvex get matrix <type>";

// The scratch matrix, all zero until `matrix identity`.
static Matrix4 g_cmd_matrix;

static int matrix_apply(const Keyword *keyword, char **at);
static int matrix_identity(const Keyword *keyword, char **at);
static int matrix_rotate(const Keyword *keyword, char **at);
static int read_three_floats(char **at, float *out);

// The keywords of matrix.
static const Keyword k_matrix_keywords[] = {
    {"apply", matrix_apply, USAGE_MATRIX, nullptr},
    {"identity", matrix_identity, nullptr, nullptr},
    {"rotate", matrix_rotate, USAGE_MATRIX, nullptr},
};

// Its no-match texts name get, not matrix.
static const KeywordTable k_matrix = {k_matrix_keywords, KEYWORD_COUNT(k_matrix_keywords), KEYWORD_FIRST_WORD,
                                      KEYWORD_UNKNOWN_ATTRIBUTE, "get", nullptr};

int cmd_matrix(char **words)
{
    return keyword_scan(&k_matrix, words);
}

// matrix apply <x> <y> <z>: the transformed point, each coordinate "%.6f ".
static int matrix_apply(const Keyword *keyword, char **at)
{
    float point[3];
    if (!read_three_floats(at, point)) return keyword_usage(keyword);
    float out[3];
    mat4_transform_point(&g_cmd_matrix, point, out);
    tcl_set_result(result_floats(out, 3));
    return 1;
}

// matrix identity.
static int matrix_identity(const Keyword *keyword, char **at)
{
    mat4_identity(&g_cmd_matrix);
    return 1;
}

// matrix rotate <a> <b> <c>: post-multiplies by Rx(a) Ry(b) Rz(c), in degrees.
static int matrix_rotate(const Keyword *keyword, char **at)
{
    float angles[3];
    if (!read_three_floats(at, angles)) return keyword_usage(keyword);
    mat4_rotate_euler(&g_cmd_matrix, angles[0], angles[1], angles[2]);
    return 1;
}

// Words 1, 2 and 3 after the keyword as floats; 0 at the first missing or mistyped one.
static int read_three_floats(char **at, float *out)
{
    for (int i = 0; i < 3; i++) {
        if (!arg_parse(&out[i], at[i + 1], ARG_FLOAT)) return 0;
    }
    return 1;
}
