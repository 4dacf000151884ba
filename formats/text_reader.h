// The line reader and tokenizer shared by every text format: reads a file or
// a text in memory line by line, drops comment lines and lines without
// tokens, splits each line into at most 256 typed tokens and calls a line
// callback per line. Accessors always refer to the read in progress; a read
// run from inside a callback is current while it runs, and the outer read is
// current again as soon as it returns.
#pragma once
#include <cstdint>

// Line buffer size: lines hold at most 1023 characters; longer ones arrive as several lines.
constexpr int READER_LINE_CAPACITY = 1024;
// Tokens kept per line; tokens after these are ignored.
constexpr int READER_MAX_TOKENS = 256;
// Token text size: a token holds at most 255 characters; a longer one fails the read.
constexpr int READER_TOKEN_CAPACITY = 256;

// Token classes of token_classify.
constexpr int TOKEN_NONE = 0;
constexpr int TOKEN_INT = 1;
constexpr int TOKEN_FLOAT = 2;
constexpr int TOKEN_WORD = 3;

// Called once per delivered line with the run's user value.
typedef void (*ReaderLineCallback)(void *user);

struct ReaderFileBlock;

// State of one read; owned by the run operation while it runs.
struct TextReader {
    int32_t file_handle;                                    // file table handle, -1 for text reads
    const char *source_name;                                // the path, or "(data)" for text reads
    char *line_text;                                        // current line, NUL-terminated: in the
                                                            // read-ahead buffer or in line
    char line[READER_LINE_CAPACITY];                        // copy of a line that cannot end in place
    int32_t line_number;                                    // lines counted so far
    int32_t line_capacity;                                  // READER_LINE_CAPACITY
    int32_t token_count;                                    // tokens on the current line
    char token_chars[READER_LINE_CAPACITY + READER_MAX_TOKENS]; // token texts, made when asked for:
                                                            // token i at its line offset + i
    int16_t token_start[READER_MAX_TOKENS];                 // offset of each token in line_text
    int16_t token_length[READER_MAX_TOKENS];                // characters of each token
    int32_t token_type[READER_MAX_TOKENS];                  // TOKEN_INT, TOKEN_FLOAT or TOKEN_WORD
    int32_t token_int[READER_MAX_TOKENS];                   // value of number tokens
    float token_float[READER_MAX_TOKENS];                   // value of decimal tokens
    int32_t abort_flag;                                     // set by reader_abort
    const char *comment_chars;                              // characters starting a comment line
    int32_t comment_count;                                  // number of comment characters
    const char *text_cursor;                                // next unread character, text reads only
    ReaderFileBlock *block;                                 // read-ahead buffer, file reads only
};

// Reads a file (mode "r") line by line; 1 when read to its end without an abort,
// 0 for a null path or callback, null comment characters with a count, an unopenable file,
// a read error, a token over 255 characters, or an abort.
int reader_run_file(const char *path, const char *comment_chars, int comment_count,
                    ReaderLineCallback callback, void *user);
// Same, but the read is named source_name (as messages show it) while path is opened.
int reader_run_file_named(const char *path, const char *source_name, const char *comment_chars,
                          int comment_count, ReaderLineCallback callback, void *user);
// Same over a NUL-terminated text in memory; the source is named "(data)".
int reader_run_string(const char *text, const char *comment_chars, int comment_count,
                      ReaderLineCallback callback, void *user);
// Tokens on the current line; 0 when no read runs.
int reader_token_count();
// Text of token i, valid until the next line; null when no read runs or i is out of range.
const char *reader_token_text(int i);
// 1 when token i exists and equals word exactly; 0 otherwise or for a null word.
int reader_token_is(const char *word, int i);
// 1 when token i exists and is a word (class 3).
int reader_token_is_word(int i);
// 1 when token i exists and is an integer (class 1).
int reader_token_is_int(int i);
// 1 when token i exists and is a decimal number (class 2).
int reader_token_is_float(int i);
// Value of integer token i; 0 for a missing token, a decimal or a word.
int32_t reader_token_int(int i);
// Value of decimal or integer token i; 0.0 for a missing token or a word.
float reader_token_float(int i);
// The current line's text; null when no read runs.
const char *reader_line_text();
// The current line number; 0 when no read runs.
int reader_line_number();
// Path of the current read, "(data)" for text in memory; null when no read runs.
const char *reader_source_name();
// Marks the current read failed: it stops after the current callback. No effect outside a read.
void reader_abort();
// Class of a token text: 0 null, 1 integer ('-' and digits, also ""), 2 decimal
// ('-', digits and exactly one '.'), 3 word (anything else).
int token_classify(const char *text);
