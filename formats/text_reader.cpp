#include "formats/text_reader.h"

#include <cfloat>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/file_table.h"
#include "foundation/last_error.h"

// Bytes fetched from a file per read call.
constexpr size_t READER_BLOCK_SIZE = 65536;
// Source name of text reads.
static const char *const READER_DATA_NAME = "(data)";

// Read-ahead buffer of a file read: lines are cut from it without a stream
// call per line, and a carriage return before a line feed is dropped as a
// text-mode stream would.
struct ReaderFileBlock {
    char bytes[READER_BLOCK_SIZE];  // raw bytes from the file
    size_t pos;                     // next unread byte
    size_t len;                     // bytes held
    int at_end;                     // the file gave no more bytes
    int read_error;                 // the stream reported an error
};

// The read in progress, null when none runs.
static TextReader *g_reader = nullptr;

static int run(TextReader *r, ReaderLineCallback callback, void *user);
static int next_line(TextReader *r, int *too_long);
static int next_file_line(TextReader *r);
static int next_text_line(TextReader *r);
static int refill(ReaderFileBlock *b, int handle);
static int tokenize(TextReader *r);
static void set_values(TextReader *r, int k);
static const TextReader *token_reader(int i);
static const char *read_position(int *line);
static int32_t int_token_value(const char *text);

int reader_run_file(const char *path, const char *comment_chars, int comment_count,
                    ReaderLineCallback callback, void *user)
{
    if (!path || !callback || (!comment_chars && comment_count > 0)) return 0;
    int result = 0;
    TextReader *r = static_cast<TextReader *>(malloc(sizeof(TextReader)));
    ReaderFileBlock *block = static_cast<ReaderFileBlock *>(malloc(sizeof(ReaderFileBlock)));
    int handle = -1;
    if (r && block) handle = file_open(path, "r");
    if (handle >= 0) {
        r->file_handle = handle;
        r->source_name = path;
        r->text_cursor = nullptr;
        r->comment_chars = comment_chars;
        r->comment_count = comment_count;
        block->pos = 0;
        block->len = 0;
        block->at_end = 0;
        block->read_error = 0;
        r->block = block;
        result = run(r, callback, user);
        file_close(handle);
    }
    free(block);
    free(r);
    return result;
}

int reader_run_string(const char *text, const char *comment_chars, int comment_count,
                      ReaderLineCallback callback, void *user)
{
    if (!text || !callback || (!comment_chars && comment_count > 0)) return 0;
    TextReader *r = static_cast<TextReader *>(malloc(sizeof(TextReader)));
    if (!r) return 0;
    r->file_handle = -1;
    r->source_name = READER_DATA_NAME;
    r->text_cursor = text;
    r->comment_chars = comment_chars;
    r->comment_count = comment_count;
    r->block = nullptr;
    int result = run(r, callback, user);
    free(r);
    return result;
}

int reader_token_count()
{
    return g_reader ? g_reader->token_count : 0;
}

const char *reader_token_text(int i)
{
    const TextReader *r = token_reader(i);
    return r ? r->token_text[i] : nullptr;
}

int reader_token_is(const char *word, int i)
{
    const TextReader *r = token_reader(i);
    return r && word && strcmp(r->token_text[i], word) == 0;
}

int reader_token_is_word(int i)
{
    const TextReader *r = token_reader(i);
    return r && r->token_type[i] == TOKEN_WORD;
}

int reader_token_is_int(int i)
{
    const TextReader *r = token_reader(i);
    return r && r->token_type[i] == TOKEN_INT;
}

int reader_token_is_float(int i)
{
    const TextReader *r = token_reader(i);
    return r && r->token_type[i] == TOKEN_FLOAT;
}

int32_t reader_token_int(int i)
{
    const TextReader *r = token_reader(i);
    return (r && r->token_type[i] == TOKEN_INT) ? r->token_int[i] : 0;
}

float reader_token_float(int i)
{
    const TextReader *r = token_reader(i);
    if (!r || r->token_type[i] == TOKEN_WORD) return 0.0f;
    return r->token_float[i];
}

const char *reader_line_text()
{
    return g_reader ? g_reader->line : nullptr;
}

int reader_line_number()
{
    return g_reader ? g_reader->line_number : 0;
}

const char *reader_source_name()
{
    return g_reader ? g_reader->source_name : nullptr;
}

void reader_abort()
{
    if (g_reader) g_reader->abort_flag = 1;
}

int token_classify(const char *text)
{
    if (!text) return TOKEN_NONE;
    int dots = 0;
    for (const char *p = text; *p; p++) {
        if (*p == '.') {
            if (++dots > 1) return TOKEN_WORD;
        } else if (*p != '-' && (*p < '0' || *p > '9')) {
            return TOKEN_WORD;
        }
    }
    return dots == 1 ? TOKEN_FLOAT : TOKEN_INT;
}

// Delivers every line with tokens to the callback while no abort is set. The
// read is current for its whole loop (again after each callback, which may run
// a read of its own); the read that was current before is restored at the end.
static int run(TextReader *r, ReaderLineCallback callback, void *user)
{
    err_set_position_hook(read_position);
    TextReader *outer = g_reader;
    r->line[0] = '\0';
    r->line_number = 0;
    r->line_capacity = READER_LINE_CAPACITY;
    r->token_count = 0;
    r->abort_flag = 0;
    g_reader = r;
    int too_long = 0;
    while (!r->abort_flag && next_line(r, &too_long)) {
        callback(user);
        g_reader = r;
    }
    if (!r->abort_flag && too_long) {
        err_setf("Token longer than %d characters", READER_TOKEN_CAPACITY - 1);
        r->abort_flag = 1;
    }
    if (!r->abort_flag && r->block && r->block->read_error) {
        err_set("File read error");
        r->abort_flag = 1;
    }
    int result = r->abort_flag ? 0 : 1;
    g_reader = outer;
    return result;
}

// Reads lines until one yields tokens; 0 at the end of the source or when a
// line holds a token too long to keep (too_long is then set).
static int next_line(TextReader *r, int *too_long)
{
    for (;;) {
        int got = r->block ? next_file_line(r) : next_text_line(r);
        if (!got) return 0;
        int count = tokenize(r);
        if (count < 0) {
            *too_long = 1;
            return 0;
        }
        if (count > 0) return 1;
    }
}

// One line of at most 1023 characters, ended by a line feed that is not kept;
// a carriage return right before a line feed is dropped. Every line counts,
// empty ones included. 0 when the file has no more bytes.
static int next_file_line(TextReader *r)
{
    ReaderFileBlock *b = r->block;
    int n = 0;
    int got_any = 0;
    while (n < READER_LINE_CAPACITY - 1) {
        if (b->pos == b->len && !refill(b, r->file_handle)) break;
        char c = b->bytes[b->pos++];
        got_any = 1;
        if (c == '\r') {
            if (b->pos == b->len) refill(b, r->file_handle);
            if (b->pos < b->len && b->bytes[b->pos] == '\n') {
                b->pos++;
                c = '\n';
            }
        }
        if (c == '\n') break;
        r->line[n++] = c;
    }
    r->line[n] = '\0';
    if (!got_any) return 0;
    r->line_number++;
    return 1;
}

// One line of at most 1023 characters ended by CR, LF, CR LF or the end of the
// text. Only lines with at least one character count.
static int next_text_line(TextReader *r)
{
    const char *p = r->text_cursor;
    if (*p == '\0') return 0;
    int n = 0;
    while (n < READER_LINE_CAPACITY - 1 && *p && *p != '\r' && *p != '\n') r->line[n++] = *p++;
    r->line[n] = '\0';
    if (*p == '\r') p++;
    if (*p == '\n') p++;
    r->text_cursor = p;
    if (n > 0) r->line_number++;
    return 1;
}

// Fetches the next block of the file; 0 when nothing more can be read.
static int refill(ReaderFileBlock *b, int handle)
{
    b->pos = 0;
    b->len = 0;
    if (b->at_end) return 0;
    b->len = file_read(handle, b->bytes, 1, READER_BLOCK_SIZE);
    if (b->len < READER_BLOCK_SIZE) {
        b->at_end = 1;
        if (file_error(handle)) b->read_error = 1;
    }
    return b->len > 0;
}

// Splits the current line into tokens at blanks and TABs; a token starting with
// a double quote runs to the next double quote or the line's end. An empty
// token ends the list. Returns the token count, or -1 when a token is longer
// than a token text holds.
static int tokenize(TextReader *r)
{
    r->token_count = 0;
    const char *line = r->line;
    if (line[0] == '\0') return 0;
    if (r->comment_count > 0 && memchr(r->comment_chars, line[0], static_cast<size_t>(r->comment_count)))
        return 0;
    size_t len = strlen(line);
    size_t pos = 0;
    int count = 0;
    while (count < READER_MAX_TOKENS) {
        while (pos < len && (line[pos] == ' ' || line[pos] == '\t')) pos++;
        size_t start;
        size_t end;
        if (pos < len && line[pos] == '"') {
            start = ++pos;
            while (pos < len && line[pos] != '"') pos++;
            end = pos;
            if (pos < len) pos++;
        } else {
            start = pos;
            while (pos < len && line[pos] != ' ' && line[pos] != '\t') pos++;
            end = pos;
        }
        if (end == start) break;
        size_t n = end - start;
        if (n >= static_cast<size_t>(READER_TOKEN_CAPACITY)) {
            count = -1;
            break;
        }
        memcpy(r->token_text[count], line + start, n);
        r->token_text[count][n] = '\0';
        set_values(r, count);
        count++;
    }
    r->token_count = count < 0 ? 0 : count;
    return count;
}

// Classifies token k and stores its values: integers as atoi would read them and
// decimals as atof would, both held within the range of their types.
static void set_values(TextReader *r, int k)
{
    const char *text = r->token_text[k];
    int type = token_classify(text);
    r->token_type[k] = type;
    if (type == TOKEN_INT) {
        r->token_int[k] = int_token_value(text);
        r->token_float[k] = static_cast<float>(r->token_int[k]);
    } else if (type == TOKEN_FLOAT) {
        double d = strtod(text, nullptr);
        if (d > FLT_MAX) d = FLT_MAX;
        if (d < -FLT_MAX) d = -FLT_MAX;
        float f = static_cast<float>(d);
        r->token_float[k] = f;
        if (f >= 2147483647.0f)
            r->token_int[k] = INT32_MAX;
        else if (f <= -2147483648.0f)
            r->token_int[k] = INT32_MIN;
        else
            r->token_int[k] = static_cast<int32_t>(f);
    } else {
        r->token_int[k] = 0;
        r->token_float[k] = 0.0f;
    }
}

// The current read when token i exists on its line, else null.
static const TextReader *token_reader(int i)
{
    if (!g_reader || i < 0 || i >= g_reader->token_count) return nullptr;
    return g_reader;
}

// Value of an integer-class token ('-' and digits) as strtoll reads it (an optional '-',
// then the digits up to the first other character; none gives 0), held within int32_t.
// Most tokens of every text format are integers; the library call costs several times
// this loop.
static int32_t int_token_value(const char *text)
{
    const char *p = text;
    int negative = *p == '-';
    if (negative) p++;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        if (v <= INT32_MAX) v = v * 10 + (*p - '0');  // beyond this the value stays clamped
    }
    if (negative) v = -v;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<int32_t>(v);
}

// The last-error text's view of the current read: source name and line.
static const char *read_position(int *line)
{
    *line = reader_line_number();
    return reader_source_name();
}
