#include "formats/text_reader.h"

#include <cfloat>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/file_table.h"
#include "foundation/last_error.h"

// Short lines of plain integers are tokenized from byte masks, 16 bytes at a
// time, where the compiler offers SSE2 (every x86-64); elsewhere byte by byte.
#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#include <emmintrin.h>
#define READER_NUMBER_LINES 1
#endif

// Bytes fetched from a file per read call.
constexpr size_t READER_BLOCK_SIZE = 65536;
// Bytes that tokenize_numbers may load from a line's start: 32 for its masks and
// 8 from the start of a number within them. Every line buffer holds as many.
constexpr size_t READER_LOAD_SPAN = 40;
static_assert(READER_LINE_CAPACITY >= static_cast<int>(READER_LOAD_SPAN), "a line copy must be loadable whole");
// Source name of text reads.
static const char *const READER_DATA_NAME = "(data)";

// Read-ahead buffer of a file read: lines are cut from it without a stream
// call per line and end in place (their line end, a line feed, a carriage
// return or both, becomes the terminator). The spare byte past the block ends
// a last line without a line end; the bytes after it let a line near the end
// be loaded whole.
struct ReaderFileBlock {
    char bytes[READER_BLOCK_SIZE + 1 + READER_LOAD_SPAN]; // raw bytes from the file, room for one
                                                          // terminator, and room to load past it
    size_t pos;                     // next unread byte
    size_t len;                     // bytes held
    int at_end;                     // the file gave no more bytes
    int read_error;                 // the stream reported an error
};

// The read in progress, null when none runs.
static TextReader *g_reader = nullptr;

static int run(TextReader *r, ReaderLineCallback callback, void *user);
static int next_line(TextReader *r, int *too_long);
static int next_file_line(TextReader *r, int *count);
static int next_text_line(TextReader *r);
static int refill(ReaderFileBlock *b, int handle);
static size_t line_end_size(const char *end, size_t left);
static int tokenize(TextReader *r, const char **stop);
static int tokenize_numbers(TextReader *r, const char *line, const char **stop);
static inline int ends_line(const char *p);
static inline int ends_token(const char *p);
static void set_values(TextReader *r, int k, const char *text, size_t n);
static const char *token_text_of(TextReader *r, int i);
static const TextReader *token_reader(int i);
static const char *read_position(int *line);

int reader_run_file(const char *path, const char *comment_chars, int comment_count,
                    ReaderLineCallback callback, void *user)
{
    return reader_run_file_named(path, path, comment_chars, comment_count, callback, user);
}

int reader_run_file_named(const char *path, const char *source_name, const char *comment_chars,
                          int comment_count, ReaderLineCallback callback, void *user)
{
    if (!path || !source_name || !callback || (!comment_chars && comment_count > 0)) return 0;
    int result = 0;
    TextReader *r = static_cast<TextReader *>(malloc(sizeof(TextReader)));
    // Cleared, as bytes past the data may be loaded (though never used).
    ReaderFileBlock *block = static_cast<ReaderFileBlock *>(calloc(1, sizeof(ReaderFileBlock)));
    int handle = -1;
    if (r && block) handle = file_open(path, "r");
    if (handle >= 0) {
        r->file_handle = handle;
        r->source_name = source_name;
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
    return r ? token_text_of(g_reader, i) : nullptr;
}

int reader_token_is(const char *word, int i)
{
    const TextReader *r = token_reader(i);
    if (!r || !word) return 0;
    size_t n = static_cast<size_t>(r->token_length[i]);
    return strlen(word) == n && memcmp(r->line_text + r->token_start[i], word, n) == 0;
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
    return r->token_type[i] == TOKEN_INT ? static_cast<float>(r->token_int[i]) : r->token_float[i];
}

const char *reader_line_text()
{
    return g_reader ? g_reader->line_text : nullptr;
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
    memset(r->line, 0, sizeof r->line);  // cleared whole, as bytes past a line's end may be loaded
    r->line_text = r->line;
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
        int count;
        if (r->block) {
            if (!next_file_line(r, &count)) return 0;
        } else {
            if (!next_text_line(r)) return 0;
            count = tokenize(r, nullptr);
        }
        if (count < 0) {
            *too_long = 1;
            return 0;
        }
        if (count > 0) return 1;
    }
}

// One line of at most 1023 characters, ended by a line feed, a carriage
// return, or a carriage return and a line feed, none of which is kept. Every
// line counts, empty ones included. 0 when the file has no more bytes, else 1
// with the line tokenized (count as tokenize gives it). The line ends in the
// buffer where it stands; only a piece of a longer line is copied out.
//
// The tokenizer finds the line's end itself: it runs over the unread bytes,
// held back by a terminator put after the 1023rd (or the last) byte for the
// time of the scan. When its token list ends on a line end or the end of the
// data within the first 1023 characters, that is where the line ends. Any
// other line (a comment, a long one, one whose token list ends early) is cut
// where a search finds its line end, and tokenized again.
static int next_file_line(TextReader *r, int *count)
{
    ReaderFileBlock *b = r->block;
    const size_t most = READER_LINE_CAPACITY - 1;
    if (b->len - b->pos <= most && !b->at_end) refill(b, r->file_handle);
    size_t avail = b->len - b->pos;
    if (avail == 0) return 0;
    char *start = b->bytes + b->pos;
    r->line_number++;

    char *cut = start + (avail <= most ? avail : most);
    char kept = *cut;
    *cut = '\0';
    r->line_text = start;
    const char *stop;
    *count = tokenize(r, &stop);
    // Decided while the terminator still stands, so nothing past it is looked at;
    // only whether a line feed follows a carriage return is asked once it is gone.
    size_t used = 0;
    size_t content = 0;
    if (*count >= 0 && stop && static_cast<size_t>(stop - start) < most) {
        content = static_cast<size_t>(stop - start);
        if (stop == b->bytes + b->len)
            used = content;
        else if (*stop == '\n' || *stop == '\r')
            used = content + 1;
    }
    *cut = kept;
    if (used > content) used = content + line_end_size(start + content, avail - content);
    if (used > 0) {
        start[content] = '\0';
        b->pos += used;
        return 1;
    }

    size_t window = avail < most ? avail : most;
    const char *end = static_cast<const char *>(memchr(start, '\n', window));
    size_t before_feed = end ? static_cast<size_t>(end - start) : window;
    const char *ret = static_cast<const char *>(memchr(start, '\r', before_feed));
    if (ret) end = ret;
    if (end) {
        content = static_cast<size_t>(end - start);
        used = content + line_end_size(end, avail - content);  // its line feed may lie past the window
    } else {
        content = window;
        used = window;
    }
    if (used > content || used == avail) {
        // The terminator overwrites the consumed line end, or the spare byte after the data.
        start[content] = '\0';
        r->line_text = start;
    } else {
        memcpy(r->line, start, content);
        r->line[content] = '\0';
        r->line_text = r->line;
    }
    b->pos += used;
    *count = tokenize(r, nullptr);
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
    r->line_text = r->line;
    if (*p == '\r') p++;
    if (*p == '\n') p++;
    r->text_cursor = p;
    if (n > 0) r->line_number++;
    return 1;
}

// Bytes of the line end at end, a line feed or a carriage return with left bytes
// from it on: 2 for a carriage return and a line feed, else 1.
static size_t line_end_size(const char *end, size_t left)
{
    return *end == '\r' && left > 1 && end[1] == '\n' ? 2 : 1;
}

// Moves the unread bytes to the front and fills the rest of the block from the
// file; 0 when nothing more could be read.
static int refill(ReaderFileBlock *b, int handle)
{
    size_t keep = b->len - b->pos;
    if (keep > 0 && b->pos > 0) memmove(b->bytes, b->bytes + b->pos, keep);
    b->pos = 0;
    b->len = keep;
    if (b->at_end) return 0;
    size_t want = READER_BLOCK_SIZE - keep;
    size_t got = file_read(handle, b->bytes + keep, 1, want);
    b->len += got;
    if (got < want) {
        b->at_end = 1;
        if (file_error(handle)) b->read_error = 1;
    }
    return got > 0;
}

// Splits the current line into tokens at blanks and TABs; a token starting with
// a double quote runs to the next double quote or the line's end. An empty
// token ends the list. The line ends at its terminator, or earlier at a line
// feed or a carriage return. Each token is converted where it stands in the
// line; its text is copied out only when asked for. Returns the
// token count, or -1 when a token is longer than a token text holds; *stop (when
// asked for) becomes where the token list ended, null for a comment line.
//
// A plain integer (an optional minus and one to ten digits up to a blank, a TAB
// or the line's end), the most common token, is read in the same pass that
// finds its end; any other token is classified and converted by set_values.
static int tokenize(TextReader *r, const char **stop)
{
    r->token_count = 0;
    const char *line = r->line_text;
    const char *p = line;
    if (stop) *stop = p;
    if (*p == '\0') return 0;
    for (int i = 0; i < r->comment_count; i++) {
        if (r->comment_chars[i] == *p) {
            if (stop) *stop = nullptr;
            return 0;
        }
    }
#ifdef READER_NUMBER_LINES
    int numbers = tokenize_numbers(r, line, stop);
    if (numbers >= 0) return numbers;
#endif
    int count = 0;
    while (count < READER_MAX_TOKENS) {
        while (*p == ' ' || *p == '\t') p++;
        const char *start = p;
        size_t n;
        if (*p != '"') {
            const char *digits = p + (*p == '-');
            p = digits;
            uint64_t v = 0;
            for (unsigned d = static_cast<unsigned char>(*p) - '0'; d <= 9; d = static_cast<unsigned char>(*++p) - '0')
                v = v * 10 + d;
            // One to ten digits (too few to overflow v) and the token's end: a plain integer.
            if (static_cast<size_t>(p - digits) - 1 < 10 && ends_token(p)) {
                int64_t value = digits != start ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
                if (value > INT32_MAX) value = INT32_MAX;
                if (value < INT32_MIN) value = INT32_MIN;
                r->token_start[count] = static_cast<int16_t>(start - line);
                r->token_length[count] = static_cast<int16_t>(p - start);
                r->token_type[count] = TOKEN_INT;
                r->token_int[count] = static_cast<int32_t>(value);  // its decimal value is made when asked for
                count++;
                if (*p == ' ') p++;  // the usual single blank before the next token
                continue;
            }
            while (!ends_token(p)) p++;
            n = static_cast<size_t>(p - start);
        } else {
            start = ++p;
            while (*p != '"' && !ends_line(p)) p++;
            n = static_cast<size_t>(p - start);
            if (*p == '"') p++;
        }
        if (n == 0) break;
        if (n >= static_cast<size_t>(READER_TOKEN_CAPACITY)) {
            count = -1;
            break;
        }
        r->token_start[count] = static_cast<int16_t>(start - line);
        r->token_length[count] = static_cast<int16_t>(n);
        set_values(r, count, start, n);
        count++;
    }
    r->token_count = count < 0 ? 0 : count;
    if (stop) *stop = p;
    return count;
}

#ifdef READER_NUMBER_LINES
// Bit i set where byte i of the 32 bytes in a and b has its top bit set.
static inline uint32_t byte_bits(__m128i a, __m128i b)
{
    return static_cast<uint32_t>(_mm_movemask_epi8(a)) | static_cast<uint32_t>(_mm_movemask_epi8(b)) << 16;
}

// Bytes of x equal to c set to all ones, the others to zero.
static inline __m128i equal(__m128i x, char c)
{
    return _mm_cmpeq_epi8(x, _mm_set1_epi8(c));
}

// Bytes of x that are digits, minus signs, blanks or TABs set to all ones.
static inline __m128i number_chars(__m128i x)
{
    __m128i d = _mm_sub_epi8(x, _mm_set1_epi8('0'));
    __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    return _mm_or_si128(_mm_or_si128(digit, equal(x, '-')), _mm_or_si128(equal(x, ' '), equal(x, '\t')));
}

// Tokenizes a line that ends (at its terminator, a line feed or a carriage
// return) within its first 31 characters and holds only numbers of an
// optional minus and digits, separated by blanks and TABs, from masks of its
// first 32 bytes (READER_LOAD_SPAN bytes from line must be loadable; what
// follows the line's end is loaded but not used). A number of up to eight
// digits gets its value from one 8-byte load, a longer one from set_values. Returns the token count with *stop (when asked for) at the
// line's end, or -1 for any other line, which is then tokenized byte by byte.
static int tokenize_numbers(TextReader *r, const char *line, const char **stop)
{
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + 16));
    // The first terminator, line feed or carriage return.
    uint32_t ends = byte_bits(_mm_or_si128(_mm_or_si128(equal(a, '\0'), equal(a, '\n')), equal(a, '\r')),
                              _mm_or_si128(_mm_or_si128(equal(b, '\0'), equal(b, '\n')), equal(b, '\r')));
    if (ends == 0) return -1;
    int length = __builtin_ctz(ends);
    uint32_t inside = (1u << length) - 1;
    if (~byte_bits(number_chars(a), number_chars(b)) & inside) return -1;

    uint32_t blank = byte_bits(_mm_or_si128(equal(a, ' '), equal(a, '\t')), _mm_or_si128(equal(b, ' '), equal(b, '\t')));
    uint32_t word = ~blank & inside;        // characters of tokens
    uint32_t firsts = word & ~(word << 1);  // first characters of tokens
    uint32_t lasts = word & ~(word >> 1);   // last characters of tokens
    // A minus only as a sign: first in its token, and digits after it.
    uint32_t minus = byte_bits(equal(a, '-'), equal(b, '-')) & inside;
    if (minus & ~(firsts & ~lasts)) return -1;

    int count = 0;
    while (firsts) {
        int s = __builtin_ctz(firsts);
        int e = __builtin_ctz(lasts) + 1;
        firsts &= firsts - 1;
        lasts &= lasts - 1;
        uint32_t negative = (minus >> s) & 1;
        int digits = e - s - static_cast<int>(negative);
        r->token_start[count] = static_cast<int16_t>(s);
        r->token_length[count] = static_cast<int16_t>(e - s);
        if (digits <= 8) {
            // The digits moved to the top of a word, as if led by zeros (what follows
            // them is shifted out; subtracting '0' borrows only towards it), then summed
            // in pairs, fours and eights.
            uint64_t w;
            memcpy(&w, line + s + negative, 8);
            w = (w - 0x3030303030303030ull) << (64 - 8 * digits);
            w = w * 10 + (w >> 8);
            w = (((w & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
                 (((w >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
            int32_t value = static_cast<int32_t>(w);  // at most 99999999
            r->token_type[count] = TOKEN_INT;
            r->token_int[count] = negative ? -value : value;
        } else {
            set_values(r, count, line + s, static_cast<size_t>(e - s));
        }
        count++;
    }
    r->token_count = count;
    if (stop) *stop = line + length;
    return count;
}
#endif

// 1 when a line ends at p: its terminator, a line feed or a carriage return.
static inline int ends_line(const char *p)
{
    return *p == '\0' || *p == '\n' || *p == '\r';
}

// 1 when a token not quoted ends at p: a blank, a TAB or the line's end.
static inline int ends_token(const char *p)
{
    return *p == ' ' || *p == '\t' || ends_line(p);
}

// Classifies token k (n characters at text, in the line) and stores its values:
// integers as atoi would read them and decimals as atof would, both held within
// the range of their types.
static void set_values(TextReader *r, int k, const char *text, size_t n)
{
    const char *p = text;
    const char *end = text + n;
    int negative = *p == '-';
    if (negative) p++;
    long long v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++) {
        if (v <= INT32_MAX) v = v * 10 + (*p - '0');  // beyond this the value stays clamped
    }
    // What follows the leading digits decides the class as token_classify would.
    int type = TOKEN_INT;
    int dots = 0;
    for (const char *q = p; q < end && type != TOKEN_WORD; q++) {
        if (*q == '.') {
            if (++dots > 1) type = TOKEN_WORD;
        } else if (*q != '-' && (*q < '0' || *q > '9')) {
            type = TOKEN_WORD;
        }
    }
    if (type != TOKEN_WORD && dots == 1) type = TOKEN_FLOAT;
    r->token_type[k] = type;
    if (type == TOKEN_INT) {
        if (negative) v = -v;
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        r->token_int[k] = static_cast<int32_t>(v);  // its decimal value is made when asked for
    } else if (type == TOKEN_FLOAT) {
        double d = strtod(token_text_of(r, k), nullptr);
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

// Text of token i of the current line, terminated, in the token buffer (each token has its
// own place there, so texts asked for stay valid together until the next line).
static const char *token_text_of(TextReader *r, int i)
{
    char *text = r->token_chars + r->token_start[i] + i;
    size_t n = static_cast<size_t>(r->token_length[i]);
    memmove(text, r->line_text + r->token_start[i], n);
    text[n] = '\0';
    return text;
}

// The current read when token i exists on its line, else null.
static const TextReader *token_reader(int i)
{
    if (!g_reader || i < 0 || i >= g_reader->token_count) return nullptr;
    return g_reader;
}

// The last-error text's view of the current read: source name and line.
static const char *read_position(int *line)
{
    *line = reader_line_number();
    return reader_source_name();
}
