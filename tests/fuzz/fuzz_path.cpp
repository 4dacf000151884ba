// Fuzz target: the path functions on arbitrary texts. The input is split at its
// first NUL into a path and an extension; the resolver runs inside the private
// working folder on relative paths only, so it never walks the whole disk.
#include "foundation/path.h"
#include "tests/fuzz/fuzz_common.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void check_text(const char *text, size_t limit, const char *what)
{
    if (text && strlen(text) >= limit) {
        fprintf(stderr, "%s gave %zu characters\n", what, strlen(text));
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::work_dir();
    std::filesystem::create_directories(fuzz::work_dir() + "/Sub/Deeper");
    fuzz::write_file("Sub/Deeper/File.MOD", reinterpret_cast<const uint8_t *>(""), 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    size_t cut = bytes.find('\0');
    std::string path = bytes.substr(0, cut);
    std::string extension = cut == std::string::npos ? "mod" : bytes.substr(cut + 1).c_str();

    check_text(path_model_name(path.c_str()), PATH_BUFFER_SIZE, "path_model_name");
    check_text(path_directory(path.c_str()), PATH_BUFFER_SIZE, "path_directory");
    check_text(path_replace_extension(path.c_str(), extension.c_str()), PATH_BUFFER_SIZE, "path_replace_extension");
    check_text(path_base_name(path.c_str()), PATH_BUFFER_SIZE, "path_base_name");
    check_text(path_dir_part(path.c_str()), PATH_BUFFER_SIZE, "path_dir_part");
    path_model_name(nullptr);
    path_directory(nullptr);
    path_replace_extension(nullptr, extension.c_str());
    path_replace_extension(path.c_str(), nullptr);
    if (!path.empty() && path[0] != '/' && path[0] != '\\' && path.size() < 200) {
        std::string resolved = path_resolve(path.c_str());
        (void)resolved;
    }
    return 0;
}
