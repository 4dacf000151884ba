// A fresh temporary folder for one test, removed with everything in it when it goes,
// the same folder as the working directory while it lives, and the text of a file.
// Shared by the unit tests of every subsystem that reads or writes files.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <sys/stat.h>

struct TempDir {
    std::string path; // the folder, without a trailing separator

    // Makes the folder under /tmp; throws (failing the test) when it cannot. The name is in
    // lower case, so the lower-cased directories that models keep name it exactly and every
    // path under it is found without a search of /tmp.
    TempDir()
    {
        std::random_device random;
        const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        for (int attempt = 0; attempt < 100 && path.empty(); attempt++) {
            std::string name = "/tmp/druvex_test_";
            for (int i = 0; i < 8; i++) name += letters[random() % (sizeof letters - 1)];
            if (mkdir(name.c_str(), 0700) == 0) path = name;
        }
        if (path.empty()) throw std::runtime_error("cannot make a temporary folder");
    }
    // Removes the folder and what it holds; a failed removal fails the test.
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
        EXPECT_FALSE(error) << "cannot remove " << path << ": " << error.message();
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    // Full path of name inside the folder; the file need not exist.
    std::string file(const std::string &name) const { return path + "/" + name; }

    // Writes the bytes unchanged to name, making its sub-folders; its full path.
    std::string write(const std::string &name, const void *bytes, size_t count) const
    {
        std::string full = file(name);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path(), error);
        FILE *stream = fopen(full.c_str(), "wb");
        EXPECT_NE(stream, nullptr) << full;
        if (stream) {
            EXPECT_EQ(fwrite(bytes, 1, count, stream), count) << full;
            fclose(stream);
        }
        return full;
    }
    std::string write(const std::string &name, const std::string &text) const
    {
        return write(name, text.data(), text.size());
    }
    std::string write(const std::string &name, const std::vector<uint8_t> &bytes) const
    {
        return write(name, bytes.data(), bytes.size());
    }
};

// A fresh temporary folder that is the working directory while it lives; the
// previous working directory comes back when it goes.
struct WorkDir {
    TempDir temp;
    std::string path = temp.path + "/";  // the folder, with a trailing separator
    std::string previous = std::filesystem::current_path().string();
    WorkDir() { std::filesystem::current_path(path); }
    ~WorkDir() { std::filesystem::current_path(previous); }
    WorkDir(const WorkDir &) = delete;
    WorkDir &operator=(const WorkDir &) = delete;
    // Makes the sub-folder (and its parents) and makes it the working directory.
    void enter(const std::string &sub) const
    {
        std::filesystem::create_directories(path + sub);
        std::filesystem::current_path(path + sub);
    }
};

// The whole content of the file at path, bytes unchanged; empty when it cannot be read.
inline std::string read_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
