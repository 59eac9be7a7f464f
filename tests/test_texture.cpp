// Texture loading: power-of-two images come back as loaded, others are
// stretched to the next powers of two (at most 256), the palette is the
// file's, and a file that cannot be loaded gives a null pointer.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "scratch_files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

int pattern_pixel(int x, int y)
{
    return (x * 7 + y * 13) & 255;
}

BITMAP *pattern_bitmap(int w, int h)
{
    BITMAP *b = create_bitmap_ex(8, w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            b->line[y][x] = static_cast<unsigned char>(pattern_pixel(x, y));
    return b;
}

bool same_pixels(BITMAP *a, BITMAP *b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (a->line[y][x] != b->line[y][x])
                return false;
    return true;
}

// Writes a w by h 8-bit PCX image of a known pattern, with a palette whose
// entry 1 is (10, 20, 30).
std::string write_pcx(int w, int h)
{
    BITMAP *b = pattern_bitmap(w, h);
    PALETTE pal;
    for (int i = 0; i < 256; i++)
        pal[i] = RGB{static_cast<unsigned char>(i & 63), 0, 0, 0};
    pal[1] = RGB{10, 20, 30, 0};
    char name[32];
    std::snprintf(name, sizeof name, "t%dx%d.pcx", w, h);
    std::string path = (scratch_dir() / name).string();
    EXPECT_EQ(save_pcx(path.c_str(), b, pal), 0);
    destroy_bitmap(b);
    return path;
}

struct size_case {
    int w, h;    // image as saved
    int tw, th;  // texture returned
};

TEST(Texture, SidesBecomePowersOfTwoUpTo256)
{
    start_allegro_headless();
    const size_case cases[] = {
        {64, 64, 64, 64},     {256, 256, 256, 256}, {1, 1, 1, 1},
        {128, 2, 128, 2},     {100, 50, 128, 64},   {64, 100, 128, 128},
        {512, 512, 256, 256}, {300, 3, 256, 4},     {256, 257, 256, 256},
    };
    for (const size_case &c : cases) {
        std::string path = write_pcx(c.w, c.h);
        PALETTE pal;
        BITMAP *t = load_texture(path.c_str(), pal);
        ASSERT_NE(t, nullptr) << c.w << "x" << c.h;
        EXPECT_EQ(t->w, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(t->h, c.th) << c.w << "x" << c.h;
        EXPECT_EQ(bitmap_color_depth(t), 8);
        EXPECT_EQ(pal[1].r, 10);
        EXPECT_EQ(pal[1].g, 20);
        EXPECT_EQ(pal[1].b, 30);
        // As loaded, or the whole image stretched over the whole texture.
        BITMAP *image = pattern_bitmap(c.w, c.h);
        BITMAP *expected = image;
        if (c.w != c.tw || c.h != c.th) {
            expected = create_bitmap_ex(8, c.tw, c.th);
            stretch_blit(image, expected, 0, 0, c.w, c.h, 0, 0, c.tw, c.th);
        }
        EXPECT_TRUE(same_pixels(t, expected)) << c.w << "x" << c.h;
        if (expected != image)
            destroy_bitmap(expected);
        destroy_bitmap(image);
        destroy_bitmap(t);
    }
}

TEST(Texture, FilesThatCannotBeLoadedGiveNull)
{
    start_allegro_headless();
    std::string garbage = (scratch_dir() / "garbage.pcx").string();
    std::FILE *f = std::fopen(garbage.c_str(), "wb");
    std::fputs("not an image", f);
    std::fclose(f);
    const std::string paths[] = {(scratch_dir() / "missing.pcx").string(), garbage};
    for (const std::string &path : paths) {
        PALETTE pal;
        EXPECT_EQ(load_texture(path.c_str(), pal), nullptr) << path;
    }
    PALETTE pal;
    EXPECT_EQ(load_texture(nullptr, pal), nullptr);
}

} // namespace
