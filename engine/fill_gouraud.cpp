// Gouraud polygon fill and picking: records each edge of a screen-clipped
// polygon with the shade at every crossing, then writes each row with two
// crossings straight into the bitmap as a span of stepped shades. Writes
// cursor1.picked when a drawn span covers the mouse pointer.
#include "zelk.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "edge_tables.h"
#include "span.h"

// Adds two shades with 32-bit wrap-around, the arithmetic of every step.
static inline fixed shade_add(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The truncating step (to - from) / count, count > 0. The difference is
// taken in 64 bits: shades far apart still give the step towards `to`, not a
// wrapped one. Differences that fit 32 bits, all real ones, divide in 32.
static inline fixed shade_step(fixed from, fixed to, int count)
{
    int64_t d = static_cast<int64_t>(to) - from;
    if (d >= INT32_MIN && d <= INT32_MAX)
        return static_cast<fixed>(d) / count;
    return static_cast<fixed>(d / count);
}

// Records (x, s) in row y, keeping form: the first crossing of a row goes
// left; a later one with another x goes right only while the right entry is
// empty. Rows outside the tables are ignored.
static inline void record_shade_keep(const edge_tables &t, int x, int y, fixed s)
{
    if (static_cast<unsigned>(y) >= t.rows)
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &t.left[y];
    if (l->x == 0) {
        l->x = v;
        l->shade = s;
        return;
    }
    poly_edge *r = &t.right[y];
    if (v != l->x && r->x == 0) {
        r->x = v;
        r->shade = s;
    }
}

// Records (x, s) in row y, replacing form: a later crossing with another x
// overwrites whatever the right entry holds.
static inline void record_shade_replace(const edge_tables &t, int x, int y, fixed s)
{
    if (static_cast<unsigned>(y) >= t.rows)
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &t.left[y];
    if (l->x == 0) {
        l->x = v;
        l->shade = s;
        return;
    }
    if (v != l->x) {
        t.right[y].x = v;
        t.right[y].shade = s;
    }
}

// Walks the edge (x1, y1, s1)-(x2, y2, s2) like DrawEdge, carrying the shade:
// an x-major edge steps the shade by (s2 - s1) / dx with every step in x, a
// y-major or diagonal edge by (s2 - s1) / dy with every row (both divisions
// truncate). x-major and y-major edges record in keeping form, diagonal ones
// in replacing form. Equal end points record nothing; rows outside the tables
// are skipped, and an edge with a coordinate outside the 16-bit range of the
// tables records nothing.
void DrawGEdge(int x1, int y1, fixed s1, int x2, int y2, fixed s2)
{
    if (!edge_coordinate(x1) || !edge_coordinate(y1) || !edge_coordinate(x2) ||
        !edge_coordinate(y2))
        return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(s1, s2);
    }
    if (x1 == x2 && y1 == y2)
        return;

    const edge_tables t = current_tables();
    int dx = x2 - x1;
    int dy = y2 < y1 ? y1 - y2 : y2 - y1;
    int step = y2 < y1 ? -1 : 1;
    int e = 0;
    int y = y1;

    if (dx > dy) {
        // x-major: x and the shade advance every step, the row when the
        // error term, growing by dy, reaches dx. Stepping keeps the edge to
        // its one division, the shade step.
        fixed ds = shade_step(s1, s2, dx);
        fixed s = s1;
        record_shade_keep(t, x1, y1, s1);
        for (int k = 1; k <= dx; k++) {
            e += dy;
            s = shade_add(s, ds);
            if (e >= dx) {
                e -= dx;
                y += step;
                record_shade_keep(t, x1 + k, y, s);
            }
        }
        return;
    }

    fixed ds = shade_step(s1, s2, dy);
    fixed s = s1;
    if (dy > dx) {
        // y-major: the shade moves with the row; x when the error term wraps.
        int x = x1;
        for (int j = 0; j <= dy; j++) {
            record_shade_keep(t, x, y, s);
            y += step;
            e += dx;
            if (e >= dy) {
                e -= dy;
                x++;
            }
            s = shade_add(s, ds);
        }
        return;
    }

    // Diagonal: one pixel in x and one row per step.
    for (int j = 0; j <= dy; j++) {
        record_shade_replace(t, x1 + j, y, s);
        y += step;
        s = shade_add(s, ds);
    }
}

void shade_span_scalar(unsigned char *p, int count, uint32_t s, uint32_t ds)
{
    // The shade steps by ds per pixel; bits 16 to 23 are the palette index.
    for (int n = count; n > 0; n--) {
        *p++ = static_cast<unsigned char>(s >> 16);
        s += ds;
    }
}

#if defined(__SSE2__)

// Bits 16 to 23 of the sixteen shades in a, b, c, d (pixels 0-3, 4-7, 8-11,
// 12-15), as sixteen bytes in pixel order.
static inline __m128i shade_bytes_sse2(__m128i a, __m128i b, __m128i c, __m128i d)
{
    const __m128i low = _mm_set1_epi32(0xFF);
    a = _mm_and_si128(_mm_srli_epi32(a, 16), low);
    b = _mm_and_si128(_mm_srli_epi32(b, 16), low);
    c = _mm_and_si128(_mm_srli_epi32(c, 16), low);
    d = _mm_and_si128(_mm_srli_epi32(d, 16), low);
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

// The shades of pixels 0 to 3 of a span that starts at s.
static inline __m128i first_shades_sse2(uint32_t s, uint32_t ds)
{
    return _mm_setr_epi32(static_cast<int>(s), static_cast<int>(s + ds),
                          static_cast<int>(s + 2 * ds), static_cast<int>(s + 3 * ds));
}

// Eight pixels from p on, starting at shade s.
static inline void shade_8_sse2(unsigned char *p, uint32_t s, uint32_t ds)
{
    __m128i a = first_shades_sse2(s, ds);
    __m128i b = _mm_add_epi32(a, _mm_set1_epi32(static_cast<int>(4 * ds)));
    __m128i bytes = shade_bytes_sse2(a, b, a, b);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(p), bytes);
}

void shade_span_sse2(unsigned char *p, int count, uint32_t s, uint32_t ds)
{
    if (count < 8) {
        shade_span_scalar(p, count, s, ds);
        return;
    }
    if (count < 16) {
        // Two stores of eight that overlap in the middle: a pixel's byte
        // depends only on its place in the span, so the overlap is harmless.
        shade_8_sse2(p, s, ds);
        shade_8_sse2(p + count - 8, s + static_cast<uint32_t>(count - 8) * ds, ds);
        return;
    }

    // Sixteen pixels per step in four vectors of four shades.
    const __m128i quad = _mm_set1_epi32(static_cast<int>(4 * ds));
    const __m128i step = _mm_set1_epi32(static_cast<int>(16 * ds));
    __m128i a = first_shades_sse2(s, ds);
    __m128i b = _mm_add_epi32(a, quad);
    __m128i c = _mm_add_epi32(b, quad);
    __m128i d = _mm_add_epi32(c, quad);
    unsigned char *q = p;
    for (int n = count; n >= 16; n -= 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q), shade_bytes_sse2(a, b, c, d));
        a = _mm_add_epi32(a, step);
        b = _mm_add_epi32(b, step);
        c = _mm_add_epi32(c, step);
        d = _mm_add_epi32(d, step);
        q += 16;
    }
    if (count % 16 != 0) {
        // The last sixteen pixels, overlapping what is already written.
        uint32_t t = s + static_cast<uint32_t>(count - 16) * ds;
        a = first_shades_sse2(t, ds);
        b = _mm_add_epi32(a, quad);
        c = _mm_add_epi32(b, quad);
        d = _mm_add_epi32(c, quad);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + count - 16),
                         shade_bytes_sse2(a, b, c, d));
    }
}

#if defined(__x86_64__)

// Bits 16 to 23 of the 32 shades in a, b, c, d as 32 bytes in pixel order.
// The packs work within each 128-bit half, so a holds pixels 0-3 and 16-19,
// b 4-7 and 20-23, c 8-11 and 24-27, d 12-15 and 28-31.
__attribute__((target("avx2"))) static inline __m256i
shade_bytes_avx2(__m256i a, __m256i b, __m256i c, __m256i d)
{
    const __m256i low = _mm256_set1_epi32(0xFF);
    a = _mm256_and_si256(_mm256_srli_epi32(a, 16), low);
    b = _mm256_and_si256(_mm256_srli_epi32(b, 16), low);
    c = _mm256_and_si256(_mm256_srli_epi32(c, 16), low);
    d = _mm256_and_si256(_mm256_srli_epi32(d, 16), low);
    return _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
}

// The offsets k * ds of pixels k = 0-3 and 16-19 from a span's first shade.
__attribute__((target("avx2"))) static inline __m256i first_offsets_avx2(uint32_t ds)
{
    const __m256i place = _mm256_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19);
    return _mm256_mullo_epi32(place, _mm256_set1_epi32(static_cast<int>(ds)));
}

__attribute__((target("avx2"))) void shade_span_avx2(unsigned char *p, int count, uint32_t s,
                                                      uint32_t ds)
{
    if (count < 32) {
        shade_span_sse2(p, count, s, ds);
        return;
    }

    // Thirty-two pixels per step in four vectors of eight shades.
    const __m256i offsets = first_offsets_avx2(ds);
    const __m256i quad = _mm256_set1_epi32(static_cast<int>(4 * ds));
    const __m256i step = _mm256_set1_epi32(static_cast<int>(32 * ds));
    __m256i a = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s)), offsets);
    __m256i b = _mm256_add_epi32(a, quad);
    __m256i c = _mm256_add_epi32(b, quad);
    __m256i d = _mm256_add_epi32(c, quad);
    unsigned char *q = p;
    for (int n = count; n >= 32; n -= 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(q), shade_bytes_avx2(a, b, c, d));
        a = _mm256_add_epi32(a, step);
        b = _mm256_add_epi32(b, step);
        c = _mm256_add_epi32(c, step);
        d = _mm256_add_epi32(d, step);
        q += 32;
    }
    if (count % 32 != 0) {
        // The last 32 pixels, overlapping what is already written.
        uint32_t t = s + static_cast<uint32_t>(count - 32) * ds;
        a = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(t)), offsets);
        b = _mm256_add_epi32(a, quad);
        c = _mm256_add_epi32(b, quad);
        d = _mm256_add_epi32(c, quad);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + count - 32),
                            shade_bytes_avx2(a, b, c, d));
    }
}

bool shade_span_avx2_available()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

void shade_span_avx2(unsigned char *p, int count, uint32_t s, uint32_t ds)
{
    shade_span_sse2(p, count, s, ds);
}

bool shade_span_avx2_available()
{
    return false;
}

#endif

#else

void shade_span_sse2(unsigned char *p, int count, uint32_t s, uint32_t ds)
{
    shade_span_scalar(p, count, s, ds);
}

void shade_span_avx2(unsigned char *p, int count, uint32_t s, uint32_t ds)
{
    shade_span_scalar(p, count, s, ds);
}

bool shade_span_avx2_available()
{
    return false;
}

#endif

// Fills the polygon's num_vertices vertices (in order around it, each on the
// screen, colour = shade) on the 8-bit bitmap bmp: the edges are recorded as
// in do_filled_poly, then every row with two crossings gets a span from the
// smaller x to the larger, pixel k taking the integer part of
// sa + k * (sb - sa) / (xb - xa) (division truncating), written straight into
// the row memory. A span on row mouse_y that covers mouse_x stores id + 1 in
// cursor1.picked. A list of fewer than two vertices, or more than the working
// polygon holds, draws and picks nothing; rows outside the edge tables (all of
// them before zelk_init) or the bitmap, and columns outside the bitmap, are
// not touched.
void do_gouroud_poly(BITMAP *bmp, screen_polygon *poly, int id)
{
    int n = poly->num_vertices;
    if (!bmp || n < 2 || n > MAX_SCREEN_VERTICES)
        return;

    int top = bmp->h - 1;
    int bottom = 0;
    for (int i = 0; i < n; i++) {
        int y = poly->vertices[i]->y;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    const edge_tables t = current_tables();
    int first = std::max(top, 0);
    int last = std::min(bottom, static_cast<int>(t.rows) - 1);
    if (first <= last) {
        std::size_t bytes = static_cast<std::size_t>(last - first + 1) * sizeof(poly_edge);
        std::memset(t.left + first, 0, bytes);
        std::memset(t.right + first, 0, bytes);
    }

    for (int i = 0; i + 1 < n; i++) {
        const screen_vertex *a = poly->vertices[i];
        const screen_vertex *b = poly->vertices[i + 1];
        DrawGEdge(a->x, a->y, a->colour, b->x, b->y, b->colour);
    }
    const screen_vertex *a = poly->vertices[n - 1];
    const screen_vertex *b = poly->vertices[0];
    DrawGEdge(a->x, a->y, a->colour, b->x, b->y, b->colour);

    const bool wide = shade_span_avx2_available();
    const int picked = static_cast<int>(static_cast<unsigned>(id) + 1u);
    const int width = bmp->w;
    last = std::min(last, bmp->h - 1);
    for (int row = first; row <= last; row++) {
        const poly_edge *l = &t.left[row];
        const poly_edge *r = &t.right[row];
        if (l->x == 0 || r->x == 0)
            continue;
        int xa = l->x - 1;
        int xb = r->x - 1;
        fixed sa = l->shade;
        fixed sb = r->shade;
        if (xa > xb) {
            std::swap(xa, xb);
            std::swap(sa, sb);
        }
        if (row == mouse_y && xa <= mouse_x && mouse_x <= xb)
            cursor1.picked = picked;

        // The two crossings of a row always differ, so xb > xa.
        fixed ds = shade_step(sa, sb, xb - xa);

        // Pixels left and right of the bitmap are skipped, not moved: the
        // first drawn pixel still gets sa + k * ds for its own k.
        int k0 = std::max(0, -xa);
        int k1 = std::min(xb, width - 1) - xa;
        if (k1 < k0)
            continue;
        uint32_t s = static_cast<uint32_t>(sa) + static_cast<uint32_t>(k0) * static_cast<uint32_t>(ds);
        unsigned char *p = bmp->line[row] + (xa + k0);
        if (wide)
            shade_span_avx2(p, k1 - k0 + 1, s, static_cast<uint32_t>(ds));
        else
            shade_span_sse2(p, k1 - k0 + 1, s, static_cast<uint32_t>(ds));
    }
}
