// The engine's one way to take memory: an allocation that fails ends the
// program with a message naming what was being allocated, so that no caller
// ever goes on with a null array. Private to the engine's sources.
#ifndef ZELK_MEMORY_H
#define ZELK_MEMORY_H

#include <cstddef>
#include <cstdio>
#include <cstdlib>

// Allocates count elements of T; count 0 still gives a unique block.
template <typename T>
T *zelk_alloc(std::size_t count, const char *what)
{
    std::size_t bytes = count * sizeof(T);
    if (count != 0 && bytes / count != sizeof(T)) {
        std::fprintf(stderr, "zelk: %s: size overflows (%zu entries)\n", what, count);
        std::exit(EXIT_FAILURE);
    }
    void *p = std::malloc(bytes ? bytes : 1);
    if (!p) {
        std::fprintf(stderr, "zelk: out of memory allocating %s (%zu bytes)\n", what, bytes);
        std::exit(EXIT_FAILURE);
    }
    return static_cast<T *>(p);
}

#endif
