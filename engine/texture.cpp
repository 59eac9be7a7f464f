// Texture loading for client programs: reads a PCX image and makes both of
// its sides powers of two from 1 to 256, resampling it when they are not.
// Reads the file and fills the caller's palette; writes a new bitmap.
#include "zelk.h"

#include <cstdio>

// True when n is one of 1, 2, 4, ..., 256.
static bool texture_side_fits(int n)
{
    for (int p = 1; p <= 256; p <<= 1)
        if (n == p)
            return true;
    return false;
}

// The smallest power of two, from 1 up, strictly above n, capped at 256:
// a side that already is a power of two is doubled.
static int texture_side_above(int n)
{
    int p = 1;
    while (p <= n && p < 256)
        p <<= 1;
    return p;
}

// Loads the PCX file into a bitmap and its palette into pal. When both sides
// are powers of two up to 256 the loaded bitmap itself is returned.
// Otherwise each side becomes the next power of two above it (a side that
// already is one is doubled), at most 256, the whole image is stretched
// into a new bitmap of that size, the loaded one is destroyed and the new
// one returned. The new bitmap has the loaded image's colour depth, which
// is the current one unless the caller turned colour conversion off. A null
// file name gives a null pointer; so does a file that cannot be loaded (or
// a bitmap that cannot be created), with the cause on standard error. The caller owns the result and
// releases it with destroy_bitmap.
BITMAP *load_texture(const char *filename, RGB *pal)
{
    if (!filename)
        return nullptr;
    BITMAP *b = load_pcx(filename, pal);
    if (!b) {
        std::fprintf(stderr, "zelk: %s: cannot load as a PCX image\n", filename);
        return nullptr;
    }
    if (texture_side_fits(b->w) && texture_side_fits(b->h))
        return b;

    int w = texture_side_above(b->w);
    int h = texture_side_above(b->h);
    BITMAP *n = create_bitmap_ex(bitmap_color_depth(b), w, h);
    if (!n) {
        std::fprintf(stderr, "zelk: %s: cannot create a %dx%d texture\n", filename, w, h);
        destroy_bitmap(b);
        return nullptr;
    }
    stretch_blit(b, n, 0, 0, b->w, b->h, 0, 0, n->w, n->h);
    destroy_bitmap(b);
    return n;
}
