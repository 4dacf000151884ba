// Helpers shared by the fuzz targets: one private working folder per process,
// the fixture folder, and writing the fuzz input to a file in that folder.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz {

// The folder of the test fixtures, without a trailing separator.
inline std::string fixtures()
{
    const char *env = getenv("DRUVEX_FIXTURES");
    return env ? env : DRUVEX_FIXTURES;
}

// A fresh folder under /tmp (lower case, so model directories name it exactly) that becomes the
// working directory; made once per process and removed at exit.
inline const std::string &work_dir()
{
    static std::string path;
    if (path.empty()) {
        char name[] = "/tmp/druvex_fuzz_XXXXXX";
        if (!mkdtemp(name)) abort();
        path = name;
        for (char &c : path) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (path != name) {
            std::filesystem::rename(name, path);
        }
        if (chdir(path.c_str()) != 0) abort();
        atexit([] {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        });
    }
    return path;
}

// Copies the fixture files (relative to the fixture folder) into the working folder, flat.
inline void copy_fixtures(std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        std::filesystem::path from = fixtures() + "/" + name;
        std::error_code error;
        std::filesystem::copy_file(from, work_dir() + "/" + from.filename().string(),
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) abort();
    }
}

// Writes the bytes to name in the working folder; its full path.
inline std::string write_file(const char *name, const uint8_t *data, size_t size)
{
    std::string path = work_dir() + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
    return path;
}

// The bytes as a NUL-terminated text (cut at an embedded NUL, as a C reader sees it).
inline std::string text(const uint8_t *data, size_t size)
{
    return std::string(reinterpret_cast<const char *>(data), size).c_str();
}

}  // namespace fuzz
