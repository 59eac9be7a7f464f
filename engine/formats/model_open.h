// Opening a model file for the two readers: the path must name a regular
// file, whose size bounds every count a header may announce. Private to the
// readers in engine/formats/.
#ifndef ZELK_MODEL_OPEN_H
#define ZELK_MODEL_OPEN_H

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

// Opens path (a null path opens nothing) with mode "rb" and stores the file's size in *size. Returns a
// null pointer when the file cannot be opened or is no regular file (a
// directory or a device opens but holds no model); the second case is named
// on standard error, the first is the caller's to report.
inline std::FILE *open_model_file(const char *path, long long *size)
{
    if (!path) {
        errno = EINVAL;
        return nullptr;
    }
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0) {
        std::fprintf(stderr, "zelk: %s: %s\n", path, std::strerror(errno));
        std::fclose(f);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "zelk: %s: not a regular file\n", path);
        std::fclose(f);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    *size = static_cast<long long>(st.st_size);
    return f;
}

#endif
