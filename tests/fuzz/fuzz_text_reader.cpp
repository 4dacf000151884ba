// Fuzz target: the line reader over text in memory and the same bytes from a
// file, with every token accessor used on each line and a nested read run from
// inside a callback. Both reads must deliver the same tokens (text reads end a
// line at a lone CR too and count only non-empty lines, so a text holding a CR
// is not compared and line numbers are not).
#include "formats/text_reader.h"
#include "tests/fuzz/fuzz_common.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What one read saw: per line its number, its tokens and their classes.
struct Seen {
    std::vector<std::string> lines;
    int nested_depth;
};

void record_line(void *user)
{
    Seen *seen = static_cast<Seen *>(user);
    std::string line;
    if (reader_line_number() < 1) abort();
    int n = reader_token_count();
    if (n < 1 || n > READER_MAX_TOKENS) abort();
    for (int i = -1; i <= n; i++) {
        const char *t = reader_token_text(i);
        if ((i < 0 || i >= n) != (t == nullptr)) abort();
        if (!t) continue;
        if (strlen(t) >= READER_TOKEN_CAPACITY) abort();
        int type = token_classify(t);
        if (reader_token_is_int(i) != (type == TOKEN_INT) || reader_token_is_float(i) != (type == TOKEN_FLOAT) ||
            reader_token_is_word(i) != (type == TOKEN_WORD) || !reader_token_is(t, i))
            abort();
        line += std::string(t) + "/" + std::to_string(type) + "/" + std::to_string(reader_token_int(i)) + " ";
        volatile float f = reader_token_float(i);
        (void)f;
    }
    if (strlen(reader_line_text()) >= READER_LINE_CAPACITY) abort();
    // A line starting with "nest" reads its own text inside this read.
    if (reader_token_is("nest", 0) && seen->nested_depth < 3) {
        std::string again = reader_line_text();
        Seen inner{{}, seen->nested_depth + 1};
        reader_run_string(again.c_str(), "#;", 2, record_line, &inner);
        if (reader_token_count() != n) abort();  // the outer read is current again
    }
    if (reader_token_is("stop", 0)) reader_abort();
    seen->lines.push_back(line);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::work_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = fuzz::text(data, size);
    Seen from_text{{}, 0}, from_file{{}, 0};
    int text_ok = reader_run_string(text.c_str(), "#;", 2, record_line, &from_text);
    std::string path = fuzz::write_file("fz.txt", reinterpret_cast<const uint8_t *>(text.data()), text.size());
    int file_ok = reader_run_file(path.c_str(), "#;", 2, record_line, &from_file);
    bool comparable = text.find('\r') == std::string::npos;
    if (comparable && (text_ok != file_ok || from_text.lines != from_file.lines)) {
        fprintf(stderr, "text and file reads differ: %d %d, %zu and %zu lines\n", text_ok, file_ok,
                from_text.lines.size(), from_file.lines.size());
        for (size_t i = 0; i < from_text.lines.size() || i < from_file.lines.size(); i++) {
            fprintf(stderr, "  text: %s\n  file: %s\n", i < from_text.lines.size() ? from_text.lines[i].c_str() : "-",
                    i < from_file.lines.size() ? from_file.lines[i].c_str() : "-");
        }
        abort();
    }
    if (reader_token_count() != 0 || reader_line_text() != nullptr) abort();  // no read runs now
    return 0;
}
