// Path functions: model name, model directory, replaced extension, and the
// resolver through which every file the system opens is found on disk.
#pragma once
#include <climits>
#include <string>

// Longest path the path functions accept, terminator included: the system's own limit, so
// every path the system can open has a name and a folder.
constexpr int PATH_BUFFER_SIZE = PATH_MAX;

// Lower-cased name of the path without directory and 3-letter extension, in a
// buffer shared with path_directory; null for a null, empty, short (4 or fewer
// characters) or too long (PATH_BUFFER_SIZE or more) path.
char *path_model_name(const char *path);
// The name of a model read from or saved as path: its lower-cased last component (after its
// last "\" or "/"), without a 3-letter extension (a last "." followed by three characters),
// however short, in its own static buffer; null for a null or too long (PATH_BUFFER_SIZE or
// more) path.
// Empty when the path leaves no name (such as "sub/" or ".mod").
char *path_leaf_name(const char *path);
// Directory of the path up to and including its last "\" or "/", as written
// (empty when it has none), in the buffer shared with path_model_name; null for
// a null, empty or too long path.
char *path_directory(const char *path);
// The path with the text after its extension dot replaced by extension (no dot
// added when there is none), in a static buffer; null for a null argument or a
// result of PATH_BUFFER_SIZE or more characters.
char *path_replace_extension(const char *path, const char *extension);
// Like path_model_name, but without the null, empty and length checks' null
// results: a too long path gives an empty text. Own static buffer.
char *path_base_name(const char *path);
// Lower-cased part of the path before its last "\" or "/", without it; empty
// when it has none. Own static buffer; too long paths give an empty text.
char *path_dir_part(const char *path);

// The path as it lies on disk: "\" becomes "/", and when the path as written
// does not exist each component is matched without regard to case. Components
// that match nothing are kept as written, so the result names a file that can
// be created. An empty text for a null path.
std::string path_resolve(const char *path);
