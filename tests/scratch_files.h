// Scratch files for the readers' tests: one fresh directory per test
// program, removed at exit, and a way to write a small hand-made file in it.
#ifndef ZELK_SCRATCH_FILES_H
#define ZELK_SCRATCH_FILES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stdlib.h>

using bytes_t = std::vector<unsigned char>;

inline std::filesystem::path scratch_path;

inline void remove_scratch_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch_path, ignored);
}

// A fresh directory for this test program's files, removed at exit.
inline std::filesystem::path scratch_dir()
{
    if (scratch_path.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelk-XXXXXX").string();
        scratch_path = mkdtemp(pattern.data());
        std::atexit(remove_scratch_dir);
    }
    return scratch_path;
}

// Writes bytes to a file of the given name in the scratch directory and
// returns its path.
inline std::string write_file(const std::string &name, const bytes_t &bytes)
{
    std::filesystem::path path = scratch_dir() / name;
    std::FILE *f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f && !bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    if (f)
        std::fclose(f);
    return path.string();
}

#endif
