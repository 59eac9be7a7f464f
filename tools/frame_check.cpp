// Reads captured demo frames for the end-to-end tests and the tour: decodes
// the heads-up text of a frame, compares two frames outside the parts that
// change from frame to frame, and counts the pixels a screenshot holds in
// model colours. Frames are binary PPM captures or PCX screenshots.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <allegro.h>

namespace {

// A frame as 8-bit RGB, or as palette indices when read from a PCX file.
struct frame_image {
    int w, h;                        // size in pixels
    std::vector<unsigned char> rgb;  // w * h * 3 bytes
    std::vector<int> index;          // w * h palette indices; PCX only
};

bool ends_with(const std::string &s, const char *suffix)
{
    size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// One 6-bit palette component as the window shows it in 8 bits.
unsigned char scale6(int c)
{
    return static_cast<unsigned char>((c << 2) | (c >> 4));
}

bool read_ppm(const char *path, frame_image *img)
{
    FILE *f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "frame_check: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    int maxval = 0;
    bool ok = std::fscanf(f, "P6 %d %d %d", &img->w, &img->h, &maxval) == 3 && maxval == 255 &&
              img->w > 0 && img->h > 0 && img->w <= 8192 && img->h <= 8192;
    if (ok) {
        std::fgetc(f);  // the one whitespace byte before the pixels
        img->rgb.resize(static_cast<size_t>(img->w) * img->h * 3);
        ok = std::fread(img->rgb.data(), 1, img->rgb.size(), f) == img->rgb.size();
    }
    std::fclose(f);
    if (!ok)
        std::fprintf(stderr, "frame_check: %s is not a binary 8-bit PPM image\n", path);
    return ok;
}

bool read_pcx(const char *path, frame_image *img)
{
    PALETTE p;
    BITMAP *b = load_pcx(path, p);
    if (!b || bitmap_color_depth(b) != 8) {
        std::fprintf(stderr, "frame_check: %s is not an 8-bit PCX image\n", path);
        if (b)
            destroy_bitmap(b);
        return false;
    }
    img->w = b->w;
    img->h = b->h;
    img->rgb.resize(static_cast<size_t>(img->w) * img->h * 3);
    img->index.resize(static_cast<size_t>(img->w) * img->h);
    for (int y = 0; y < b->h; y++) {
        for (int x = 0; x < b->w; x++) {
            int c = b->line[y][x];
            size_t i = static_cast<size_t>(y) * img->w + x;
            img->index[i] = c;
            img->rgb[3 * i] = scale6(p[c].r);
            img->rgb[3 * i + 1] = scale6(p[c].g);
            img->rgb[3 * i + 2] = scale6(p[c].b);
        }
    }
    destroy_bitmap(b);
    return true;
}

bool read_image(const char *path, frame_image *img)
{
    return ends_with(path, ".pcx") ? read_pcx(path, img) : read_ppm(path, img);
}

const unsigned char *pixel(const frame_image &img, int x, int y)
{
    return &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
}

// The heads-up text is palette colour 31, (62, 62, 62).
bool is_text(const frame_image &img, int x, int y)
{
    if (!img.index.empty())
        return img.index[static_cast<size_t>(y) * img.w + x] == 31;
    const unsigned char *p = pixel(img, x, y);
    unsigned char t = scale6(62);
    return p[0] == t && p[1] == t && p[2] == t;
}

// Prints the six text lines: each 8 by 8 cell is read as the glyph of the
// default font that matches its text pixels best.
int decode_hud(const frame_image &img)
{
    BITMAP *glyph = create_bitmap_ex(8, 8, 8);
    unsigned char masks[95][8][8];
    for (int ch = 32; ch < 127; ch++) {
        char s[2] = {static_cast<char>(ch), 0};
        clear_bitmap(glyph);
        textout_ex(glyph, font, s, 0, 0, 1, 0);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                masks[ch - 32][y][x] = glyph->line[y][x] != 0;
    }
    destroy_bitmap(glyph);

    const int rows[6] = {0, 8, 16, 32, 40, 48};
    for (int row : rows) {
        std::string line;
        for (int cx = 0; cx + 8 <= img.w && cx < 8 * 24; cx += 8) {
            int best = '?', best_miss = 9;
            for (int ch = 32; ch < 127; ch++) {
                int miss = 0;
                for (int y = 0; y < 8; y++)
                    for (int x = 0; x < 8; x++)
                        miss += masks[ch - 32][y][x] != is_text(img, cx + x, row + y);
                if (miss < best_miss) {
                    best_miss = miss;
                    best = ch;
                }
            }
            line += static_cast<char>(best);
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

struct mask_rect {
    int x, y, w, h;
};

bool inside(const std::vector<mask_rect> &masks, int x, int y)
{
    for (const mask_rect &r : masks)
        if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
            return true;
    return false;
}

// The pulsing highlight runs through the red ramp: pure reds.
bool is_red(const unsigned char *p)
{
    return p[0] > 0 && p[1] == 0 && p[2] == 0;
}

// Prints how many pixels differ outside the masks, the highlight's reds and
// the frame-rate digits; exits 0 when none do.
int compare(const frame_image &a, const frame_image &b, std::vector<mask_rect> masks)
{
    if (a.w != b.w || a.h != b.h) {
        std::printf("size differs: %dx%d against %dx%d\n", a.w, a.h, b.w, b.h);
        return 1;
    }
    masks.push_back(mask_rect{12 * 8, 48, a.w, 8});  // "FPS       : " is 12 cells
    long differ = 0;
    for (int y = 0; y < a.h; y++) {
        for (int x = 0; x < a.w; x++) {
            const unsigned char *p = pixel(a, x, y);
            const unsigned char *q = pixel(b, x, y);
            if (std::memcmp(p, q, 3) == 0 || inside(masks, x, y) || is_red(p) || is_red(q))
                continue;
            differ++;
        }
    }
    std::printf("%ld pixels differ\n", differ);
    return differ == 0 ? 0 : 1;
}

// Prints how many pixels of a PCX screenshot show the board's greys (1 to
// 30, below the text colour) and how many use colours that neither the board
// (0 to 31) nor the highlight (48 to 63) uses: "board N models M".
int count_pixels(const frame_image &img)
{
    if (img.index.empty()) {
        std::fprintf(stderr, "frame_check: pixels needs a PCX screenshot\n");
        return 2;
    }
    long board = 0, models = 0;
    for (int c : img.index) {
        if (c >= 1 && c <= 30)
            board++;
        else if (!(c <= 31 || (c >= 48 && c <= 63)))
            models++;
    }
    std::printf("board %ld models %ld\n", board, models);
    return 0;
}

// Prints how many pixels are not black: 0 until the window shows something.
int lit_pixels(const frame_image &img)
{
    long n = 0;
    for (size_t i = 0; i + 2 < img.rgb.size(); i += 3)
        if (img.rgb[i] || img.rgb[i + 1] || img.rgb[i + 2])
            n++;
    std::printf("%ld\n", n);
    return 0;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: frame_check hud IMAGE\n"
                 "       frame_check compare IMAGE REFERENCE [x y w h]...\n"
                 "       frame_check pixels SCREENSHOT.pcx\n"
                 "       frame_check lit IMAGE\n"
                 "IMAGE is a binary PPM capture or a PCX screenshot.\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    install_allegro(SYSTEM_NONE, &errno, atexit);
    std::string cmd = argv[1];
    frame_image a;
    if (!read_image(argv[2], &a))
        return 2;
    if (cmd == "hud" && argc == 3)
        return decode_hud(a);
    if (cmd == "lit" && argc == 3)
        return lit_pixels(a);
    if (cmd == "pixels" && argc == 3)
        return count_pixels(a);
    if (cmd == "compare" && argc >= 4 && (argc - 4) % 4 == 0) {
        frame_image b;
        if (!read_image(argv[3], &b))
            return 2;
        std::vector<mask_rect> masks;
        for (int i = 4; i + 3 < argc; i += 4)
            masks.push_back(mask_rect{std::atoi(argv[i]), std::atoi(argv[i + 1]),
                                 std::atoi(argv[i + 2]), std::atoi(argv[i + 3])});
        return compare(a, b, masks);
    }
    return usage();
}
END_OF_MAIN()
