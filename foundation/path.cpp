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
static std::string match_component(const std::string &dir, const std::string &name);

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
    if (leaf_len >= 4 && g_path_leaf_buffer[leaf_len - 4] == '.') g_path_leaf_buffer[leaf_len - 4] = '\0';
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
    return str_lower(g_path_name_buffer);
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

std::string path_resolve(const char *path)
{
    if (!path) return std::string();
    std::string written(path);
    for (char &c : written)
        if (c == '\\') c = '/';
    if (written.empty() || exists(written)) return written;

    // Walk the components, matching each one that is missing without regard to case.
    std::string out;
    size_t pos = 0;
    if (written[0] == '/') {
        out = "/";
        pos = 1;
    }
    while (pos <= written.size()) {
        size_t end = written.find('/', pos);
        if (end == std::string::npos) end = written.size();
        std::string comp = written.substr(pos, end - pos);
        bool last = end >= written.size();
        if (!comp.empty()) {
            std::string dir = out.empty() ? std::string(".") : out;
            std::string candidate = out + comp;
            if (comp != "." && comp != ".." && !exists(candidate)) candidate = out + match_component(dir, comp);
            out = candidate;
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

// The entry of dir whose name equals name without regard to case, or name itself.
static std::string match_component(const std::string &dir, const std::string &name)
{
    std::string found = name;
    DIR *d = opendir(dir.c_str());
    if (!d) return found;
    while (struct dirent *e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}
