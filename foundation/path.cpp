#include "foundation/path.h"

#include "foundation/str.h"

#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

static char g_path_name_buffer[PATH_BUFFER_SIZE];
static char g_path_ext_buffer[PATH_BUFFER_SIZE];
static char g_path_base_buffer[PATH_BUFFER_SIZE];
static char g_path_dir_buffer[PATH_BUFFER_SIZE];
static char g_path_leaf_buffer[PATH_BUFFER_SIZE];

static bool is_separator(char c);
static int last_separator(const char *text, int before);
static bool exists(const std::string &path);
static bool match_component(std::string *folder, const char *name, size_t length);

char *path_model_name(const char *path)
{
    if (!path || !path[0]) return nullptr;
    int len = static_cast<int>(strlen(path));
    if (len >= PATH_BUFFER_SIZE) return nullptr;
    memcpy(g_path_name_buffer, path, static_cast<size_t>(len) + 1);
    int k = len - 4;
    if (k < 1) return nullptr;
    if (g_path_name_buffer[k] == '.') g_path_name_buffer[k] = '\0';
    // Indexed, not buffer + sep + 1: with no separator (sep -1) that forms a pointer before the buffer.
    int sep = last_separator(g_path_name_buffer, k);
    return str_lower(&g_path_name_buffer[sep + 1]);
}

char *path_leaf_name(const char *path)
{
    if (!path) return nullptr;
    size_t len = strlen(path);
    if (len >= PATH_BUFFER_SIZE) return nullptr;
    int sep = last_separator(path, static_cast<int>(len));
    size_t leaf_len = len - static_cast<size_t>(sep + 1);
    memcpy(g_path_leaf_buffer, path + sep + 1, leaf_len + 1);
    // The extension is the text after the last "." only: "r.s.t" keeps its name whole.
    char *dot = leaf_len >= 4 ? &g_path_leaf_buffer[leaf_len - 4] : nullptr;
    if (dot && dot[0] == '.' && !memchr(dot + 1, '.', 3)) dot[0] = '\0';
    return str_lower(g_path_leaf_buffer);
}

char *path_directory(const char *path)
{
    if (!path || !path[0]) return nullptr;
    int len = static_cast<int>(strlen(path));
    if (len >= PATH_BUFFER_SIZE) return nullptr;
    memcpy(g_path_name_buffer, path, static_cast<size_t>(len) + 1);
    int sep = last_separator(g_path_name_buffer, len);
    g_path_name_buffer[sep + 1] = '\0';
    return g_path_name_buffer;
}

char *path_replace_extension(const char *path, const char *extension)
{
    if (!path || !extension) return nullptr;
    size_t len = strlen(path);
    if (len >= PATH_BUFFER_SIZE) return nullptr;
    memcpy(g_path_ext_buffer, path, len + 1);
    int k = static_cast<int>(len) - 4;
    size_t keep = len;
    for (int i = k; i >= 1; i--) {
        if (g_path_ext_buffer[i] == '.') {
            keep = static_cast<size_t>(i) + 1;
            break;
        }
    }
    size_t ext_len = strlen(extension);
    if (keep + ext_len >= PATH_BUFFER_SIZE) return nullptr;
    memcpy(g_path_ext_buffer + keep, extension, ext_len + 1);
    return g_path_ext_buffer;
}

char *path_base_name(const char *path)
{
    g_path_base_buffer[0] = '\0';
    if (!path) return g_path_base_buffer;
    size_t len = strlen(path);
    if (len >= PATH_BUFFER_SIZE) return g_path_base_buffer;
    memcpy(g_path_base_buffer, path, len + 1);
    int k = static_cast<int>(len) - 4;
    if (k >= 0 && g_path_base_buffer[k] == '.') g_path_base_buffer[k] = '\0';
    int sep = last_separator(g_path_base_buffer, k > 0 ? k : static_cast<int>(len));
    return str_lower(&g_path_base_buffer[sep + 1]);
}

char *path_dir_part(const char *path)
{
    g_path_dir_buffer[0] = '\0';
    if (!path) return g_path_dir_buffer;
    size_t len = strlen(path);
    if (len >= PATH_BUFFER_SIZE) return g_path_dir_buffer;
    memcpy(g_path_dir_buffer, path, len + 1);
    int sep = last_separator(g_path_dir_buffer, static_cast<int>(len));
    g_path_dir_buffer[sep < 0 ? 0 : sep] = '\0';
    return str_lower(g_path_dir_buffer);
}

// The result is built in one string, component after component. Once a component is
// missing and its folder holds no entry of that name in any case (or cannot be read), no
// longer path below it can exist either: the rest is kept as written without asking the
// file system again, so a long missing path costs one pass over its text.
std::string path_resolve(const char *path)
{
    if (!path) return std::string();
    std::string written(path);
    for (char &c : written)
        if (c == '\\') c = '/';
    if (written.empty() || exists(written)) return written;

    std::string out;
    out.reserve(written.size());
    size_t pos = 0;
    if (written[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool lost = false;
    while (pos <= written.size()) {
        size_t end = written.find('/', pos);
        if (end == std::string::npos) end = written.size();
        bool last = end >= written.size();
        size_t length = end - pos;
        if (length > 0) {
            size_t folder_end = out.size();
            out.append(written, pos, length);
            bool dots = (length == 1 && written[pos] == '.') ||
                        (length == 2 && written[pos] == '.' && written[pos + 1] == '.');
            if (!lost && !dots && !exists(out)) {
                out.resize(folder_end);
                lost = !match_component(&out, written.c_str() + pos, length);
            }
            if (!last) out += '/';
        } else if (!last && !out.empty() && out.back() != '/') {
            out += '/';
        }
        pos = end + 1;
    }
    return out;
}

static bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

// Index of the last separator before position `before`, -1 when there is none.
static int last_separator(const char *text, int before)
{
    for (int i = before - 1; i >= 0; i--)
        if (is_separator(text[i])) return i;
    return -1;
}

static bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Appends to folder (a folder path, empty for the working folder) the entry of that folder
// whose name equals the length bytes at name without regard to case; true when one is
// found, else (also when the folder cannot be read) appends the name as written and false.
static bool match_component(std::string *folder, const char *name, size_t length)
{
    std::string wanted(name, length);
    bool found = false;
    DIR *d = opendir(folder->empty() ? "." : folder->c_str());
    if (d) {
        while (struct dirent *e = readdir(d)) {
            if (strcasecmp(e->d_name, wanted.c_str()) == 0) {
                folder->append(e->d_name);
                found = true;
                break;
            }
        }
        closedir(d);
    }
    if (!found) folder->append(wanted);
    return found;
}
