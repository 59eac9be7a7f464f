// A second, independent model of the rasteriser, written plainly from how
// each stage is meant to work: every edge walked with its error term, every
// span pixel computed as sa + k * ds, every clipping stage built as a list.
// Seeded random polygons (convex or not, on, across and off the screen) go
// through the engine and the model; clipped outlines must agree slot by
// slot, edge tables entry by entry, bitmaps byte by byte, picks exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "raster_support.h"

namespace {

// ---------------------------------------------------------------------------
// 32-bit arithmetic as the engine's words do it, without signed overflow.

fixed wrap_add(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

fixed wrap_sub(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

fixed wrap_mul(fixed a, int k)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) * static_cast<uint32_t>(k));
}

// ---------------------------------------------------------------------------
// Model edge tables: one entry per screen row, x + 1 with 0 for none.

struct model_entry {
    int x;
    fixed shade;
};

struct model_tables {
    std::vector<model_entry> left, right;
};

// Records (x, s) in row y. keeping: the right entry is written only while
// it is empty; otherwise a different x replaces what it holds. with_shade:
// the Gouraud walk writes the shade as well.
void model_record(model_tables *t, int x, int y, fixed s, bool keeping, bool with_shade)
{
    model_entry &l = t->left[static_cast<std::size_t>(y)];
    model_entry &r = t->right[static_cast<std::size_t>(y)];
    if (l.x == 0) {
        l.x = x + 1;
        if (with_shade)
            l.shade = s;
        return;
    }
    if (x + 1 == l.x)
        return;
    if (keeping && r.x != 0)
        return;
    r.x = x + 1;
    if (with_shade)
        r.shade = s;
}

// The flat walk: keeping form only in the first row of an x-major edge.
void model_edge(model_tables *t, int x1, int y1, int x2, int y2)
{
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (x1 == x2 && y1 == y2)
        return;
    int dx = x2 - x1;
    int dy = std::abs(y2 - y1);
    int step = y2 < y1 ? -1 : 1;
    int e = 0;
    if (dx > dy) {
        int y = y1;
        model_record(t, x1, y1, 0, true, false);
        for (int k = 1; k <= dx; k++) {
            e += dy;
            if (e >= dx) {
                e -= dx;
                y += step;
                model_record(t, x1 + k, y, 0, false, false);
            }
        }
        return;
    }
    int x = x1;
    int y = y1;
    for (int j = 0; j <= dy; j++) {
        model_record(t, x, y, 0, false, false);
        y += step;
        e += dx;
        if (e >= dy) {
            e -= dy;
            x++;
        }
    }
}

// The Gouraud walk: keeping form on x-major and y-major edges, replacing
// form on diagonal ones; the shade step is one truncating 32-bit division.
void model_gedge(model_tables *t, int x1, int y1, fixed s1, int x2, int y2, fixed s2)
{
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(s1, s2);
    }
    if (x1 == x2 && y1 == y2)
        return;
    int dx = x2 - x1;
    int dy = std::abs(y2 - y1);
    int step = y2 < y1 ? -1 : 1;
    int e = 0;
    if (dx > dy) {
        fixed ds = wrap_sub(s2, s1) / dx;
        fixed s = s1;
        int y = y1;
        model_record(t, x1, y1, s1, true, true);
        for (int k = 1; k <= dx; k++) {
            e += dy;
            s = wrap_add(s, ds);
            if (e >= dx) {
                e -= dx;
                y += step;
                model_record(t, x1 + k, y, s, true, true);
            }
        }
        return;
    }
    fixed ds = wrap_sub(s2, s1) / dy;
    if (dy > dx) {
        int x = x1;
        int y = y1;
        fixed s = s1;
        for (int j = 0; j <= dy; j++) {
            model_record(t, x, y, s, true, true);
            y += step;
            e += dx;
            if (e >= dy) {
                e -= dy;
                x++;
            }
            s = wrap_add(s, ds);
        }
        return;
    }
    for (int j = 0; j <= dy; j++)
        model_record(t, x1 + j, y1 + j * step, wrap_add(s1, wrap_mul(ds, j)), false, true);
}

// ---------------------------------------------------------------------------
// Model fills into a plain w by h array of bytes.

struct model_vertex {
    int x, y;
    int aux[2];
    int colour;
};

struct model_screen {
    int w, h;
    std::vector<unsigned char> pixels;  // row after row
    model_tables tables;
    int picked;
    int top, bottom;  // rows the last fill emptied
};

void model_range(model_screen *m, const std::vector<model_vertex> &v)
{
    m->top = m->h - 1;
    m->bottom = 0;
    for (const model_vertex &p : v) {
        m->top = std::min(m->top, p.y);
        m->bottom = std::max(m->bottom, p.y);
    }
}

// A span in one colour between two columns in either order, both included.
void model_flat_fill(model_screen *m, const std::vector<model_vertex> &v)
{
    model_range(m, v);
    for (int y = m->top; y <= m->bottom; y++) {
        m->tables.left[static_cast<std::size_t>(y)].x = 0;
        m->tables.right[static_cast<std::size_t>(y)].x = 0;
    }
    std::size_t n = v.size();
    for (std::size_t i = 0; i + 1 < n; i++)
        model_edge(&m->tables, v[i].x, v[i].y, v[i + 1].x, v[i + 1].y);
    model_edge(&m->tables, v[n - 1].x, v[n - 1].y, v[0].x, v[0].y);
    for (int y = m->top; y <= m->bottom; y++) {
        int l = m->tables.left[static_cast<std::size_t>(y)].x;
        int r = m->tables.right[static_cast<std::size_t>(y)].x;
        if (l == 0 || r == 0)
            continue;
        for (int x = std::min(l, r) - 1; x <= std::max(l, r) - 1; x++)
            m->pixels[static_cast<std::size_t>(y * m->w + x)] =
                static_cast<unsigned char>(v[0].colour);
    }
}

// Pixel k of a span takes the integer part of sa + k * ds, as one byte.
void model_gouraud_fill(model_screen *m, const std::vector<model_vertex> &v, int id, int mx,
                        int my)
{
    model_range(m, v);
    for (int y = m->top; y <= m->bottom; y++) {
        m->tables.left[static_cast<std::size_t>(y)] = model_entry{0, 0};
        m->tables.right[static_cast<std::size_t>(y)] = model_entry{0, 0};
    }
    std::size_t n = v.size();
    for (std::size_t i = 0; i + 1 < n; i++)
        model_gedge(&m->tables, v[i].x, v[i].y, v[i].colour, v[i + 1].x, v[i + 1].y,
                    v[i + 1].colour);
    model_gedge(&m->tables, v[n - 1].x, v[n - 1].y, v[n - 1].colour, v[0].x, v[0].y,
                v[0].colour);
    for (int y = m->top; y <= m->bottom; y++) {
        model_entry l = m->tables.left[static_cast<std::size_t>(y)];
        model_entry r = m->tables.right[static_cast<std::size_t>(y)];
        if (l.x == 0 || r.x == 0)
            continue;
        int xa = l.x - 1, xb = r.x - 1;
        fixed sa = l.shade, sb = r.shade;
        if (xa > xb) {
            std::swap(xa, xb);
            std::swap(sa, sb);
        }
        if (y == my && xa <= mx && mx <= xb)
            m->picked = id + 1;
        fixed ds = wrap_sub(sb, sa) / (xb - xa);
        for (int k = 0; k <= xb - xa; k++) {
            fixed s = wrap_add(sa, wrap_mul(ds, k));
            m->pixels[static_cast<std::size_t>(y * m->w + xa + k)] =
                static_cast<unsigned char>(s >> 16);
        }
    }
}

// ---------------------------------------------------------------------------
// Model clippers. Boundaries in the order they cut: 0 bottom, 1 top, 2 left,
// 3 right.

bool model_outside(int b, const model_vertex &v, int w, int h)
{
    if (b == 0)
        return v.y >= h;
    if (b == 1)
        return v.y < 0;
    if (b == 2)
        return v.x < 0;
    return v.x >= w;
}

bool model_copied(int b, const model_vertex &v, int w, int h)
{
    if (b == 0)
        return v.y < h;
    if (b == 1)
        return v.y > 0;
    if (b == 2)
        return v.x > 0;
    return v.x < w;
}

// The crossing of the edge from o (outside) to n with boundary b, always
// computed from o; bits is 10 for flat polygons and 14 for Gouraud ones,
// which also carry the shade with the ratio cut to 7 bits.
model_vertex model_cut(int b, const model_vertex &o, const model_vertex &n, int w, int h,
                       int bits)
{
    bool horizontal = b < 2;  // bottom and top cut y, left and right x
    int line = b == 0 ? h - 1 : b == 3 ? w - 1 : 0;
    int oc = horizontal ? o.y : o.x, nc = horizontal ? n.y : n.x;
    int od = horizontal ? o.x : o.y, nd = horizontal ? n.x : n.y;
    int r = ((line - oc) * (1 << bits)) / (oc - nc);
    int d = od + ((r * (od - nd)) >> bits);
    model_vertex out{};
    out.x = horizontal ? d : line;
    out.y = horizontal ? line : d;
    if (bits == 14)
        out.colour = o.colour + (((o.colour - n.colour) * (r >> 7)) >> 7);
    return out;
}

// The output screen polygon as the clipper leaves it: every slot, written or
// not, so that stray writes show as well as missing ones.
struct model_clip {
    int num;
    std::vector<model_vertex> slots;
    bool over;  // some stage needed more slots than the engine has
};

model_clip model_clip_polygon(const std::vector<corner_spec> &cs, bool gouraud, int w, int h,
                              const model_vertex &blank)
{
    model_clip out{-1, std::vector<model_vertex>(MAX_SCREEN_VERTICES, blank), false};
    std::vector<model_vertex> work;
    for (const corner_spec &c : cs) {
        model_vertex v{};
        v.x = c.x;
        v.y = c.y;
        v.colour = gouraud ? c.colour : 0;
        work.push_back(v);
    }
    for (int b = 0; b < 4; b++) {
        std::size_t m = work.size();
        bool any = false;
        for (const model_vertex &v : work)
            any = any || model_outside(b, v, w, h);
        if (!any)
            continue;
        if (!gouraud)
            out.slots[0].colour = cs[0].colour;
        std::vector<model_vertex> made;
        for (std::size_t o = m; o-- > 0;) {
            const model_vertex &v = work[o];
            const model_vertex &p = work[o == 0 ? m - 1 : o - 1];
            bool v_out = model_outside(b, v, w, h);
            bool p_out = model_outside(b, p, w, h);
            if (model_copied(b, v, w, h))
                made.push_back(v);
            if (v_out && !p_out)
                made.push_back(model_cut(b, v, p, w, h, gouraud ? 14 : 10));
            if (p_out && !v_out)
                made.push_back(model_cut(b, p, v, w, h, gouraud ? 14 : 10));
        }
        if (made.size() > static_cast<std::size_t>(MAX_SCREEN_VERTICES)) {
            out.over = true;
            return out;
        }
        for (std::size_t i = 0; i < made.size(); i++) {
            out.slots[i].x = made[i].x;
            out.slots[i].y = made[i].y;
            if (gouraud)
                out.slots[i].colour = made[i].colour;
        }
        out.num = static_cast<int>(made.size());
        work = made;
        if (made.empty())
            return out;
    }
    if (out.num == -1) {
        out.num = static_cast<int>(cs.size());
        for (std::size_t i = 0; i < cs.size(); i++) {
            out.slots[i].x = cs[i].x;
            out.slots[i].y = cs[i].y;
            out.slots[i].aux[0] = 1000 + static_cast<int>(i);  // as set_polygon gives them
            out.slots[i].aux[1] = 2000 + static_cast<int>(i);
            out.slots[i].colour = cs[i].colour;
        }
    }
    return out;
}

std::vector<model_vertex> drawn_part(const model_clip &c)
{
    return std::vector<model_vertex>(c.slots.begin(), c.slots.begin() + c.num);
}

// ---------------------------------------------------------------------------
// Random inputs.

struct screen_size {
    int w, h;
};

// 3 to 8 corners with coordinates within 600 pixels of the screen: random
// points (usually not convex), convex outlines around a centre, polygons
// hugging the screen's edges, and small crowded ones whose corners share
// rows. Shades lie in 0 to 255.99; flat colours are taken from the same
// words, whose low byte is the index.
std::vector<corner_spec> random_polygon(std::mt19937 &rng, screen_size s)
{
    std::uniform_int_distribution<int> count(3, 8);
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> shade(0, (256 << 16) - 1);
    int n = count(rng);
    std::vector<corner_spec> cs;
    switch (kind(rng)) {
    case 0: {
        std::uniform_int_distribution<int> x(-600, s.w + 600), y(-600, s.h + 600);
        for (int i = 0; i < n; i++)
            cs.push_back({x(rng), y(rng), shade(rng)});
        break;
    }
    case 1: {
        std::uniform_int_distribution<int> cx(-300, s.w + 300), cy(-300, s.h + 300);
        std::uniform_int_distribution<int> radius(1, 600);
        std::uniform_real_distribution<double> turn(0.0, 6.283185307179586);
        int ox = cx(rng), oy = cy(rng), rx = radius(rng), ry = radius(rng);
        std::vector<double> angles;
        for (int i = 0; i < n; i++)
            angles.push_back(turn(rng));
        std::sort(angles.begin(), angles.end());
        if (rng() % 2)
            std::reverse(angles.begin(), angles.end());
        for (double a : angles)
            cs.push_back({ox + static_cast<int>(std::lround(rx * std::cos(a))),
                          oy + static_cast<int>(std::lround(ry * std::sin(a))), shade(rng)});
        break;
    }
    case 2: {
        std::uniform_int_distribution<int> x(-40, s.w + 40), y(-40, s.h + 40);
        for (int i = 0; i < n; i++)
            cs.push_back({x(rng), y(rng), shade(rng)});
        break;
    }
    default: {
        std::uniform_int_distribution<int> cx(-10, s.w + 10), cy(-10, s.h + 10);
        std::uniform_int_distribution<int> near(-12, 12);
        std::uniform_int_distribution<int> rows(0, 2);
        int ox = cx(rng), oy = cy(rng);
        int shared = oy + near(rng);
        for (int i = 0; i < n; i++)
            cs.push_back({ox + near(rng), rows(rng) == 0 ? shared : oy + near(rng), shade(rng)});
        break;
    }
    }
    return cs;
}

// A flat polygon's colours: plain palette indices, here the integer parts
// of the random shades.
std::vector<corner_spec> flat_colours(std::vector<corner_spec> cs)
{
    for (corner_spec &c : cs)
        c.colour >>= 16;
    return cs;
}

// Polygons of 2 to 8 vertices already on the screen, as the fills get them,
// often with several vertices in one row or one column.
std::vector<model_vertex> random_screen_polygon(std::mt19937 &rng, screen_size s)
{
    std::uniform_int_distribution<int> count(2, 8);
    std::uniform_int_distribution<int> shade(0, (256 << 16) - 1);
    std::uniform_int_distribution<int> x(0, s.w - 1), y(0, s.h - 1);
    std::uniform_int_distribution<int> small(0, 3);
    int n = count(rng);
    bool crowded = small(rng) == 0;
    // Now and then every vertex in one row: the first, the last or another.
    const int rows[] = {-1, -1, -1, -1, -1, -1, 0, s.h - 1, y(rng)};
    int one_row = rows[rng() % std::size(rows)];
    int ox = x(rng), oy = y(rng);
    std::uniform_int_distribution<int> near(-6, 6);
    std::vector<model_vertex> v;
    for (int i = 0; i < n; i++) {
        model_vertex p{};
        if (crowded) {
            p.x = std::clamp(ox + near(rng), 0, s.w - 1);
            p.y = std::clamp(oy + near(rng), 0, s.h - 1);
        } else {
            p.x = x(rng);
            p.y = y(rng);
        }
        if (i > 0 && small(rng) == 0)
            p.y = v[static_cast<std::size_t>(rng() % i)].y;
        if (i > 0 && small(rng) == 0)
            p.x = v[static_cast<std::size_t>(rng() % i)].x;
        if (one_row >= 0)
            p.y = one_row;
        p.colour = shade(rng);
        v.push_back(p);
    }
    return v;
}

// The pointer anywhere on the screen or up to two pixels off it.
void random_pointer(std::mt19937 &rng, screen_size s, int *mx, int *my)
{
    std::uniform_int_distribution<int> x(-2, s.w + 1), y(-2, s.h + 1);
    *mx = x(rng);
    *my = y(rng);
}

// ---------------------------------------------------------------------------
// Comparisons.

constexpr int BLANK = 0x5A5A5A5A;
constexpr unsigned char BACKGROUND = 0xC3;

void fill_blank(test_screen_polygon *sp)
{
    reset_screen_polygon(sp);
    for (screen_vertex &v : sp->slots)
        v = screen_vertex{BLANK, BLANK, {BLANK, BLANK}, BLANK};
}

::testing::AssertionResult same_slots(const model_clip &want, const test_screen_polygon &got)
{
    if (want.over) {
        if (got.poly.num_vertices == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "an outline over the working polygon's size gave " << got.poly.num_vertices;
    }
    if (got.poly.num_vertices != want.num)
        return ::testing::AssertionFailure()
               << "num_vertices " << got.poly.num_vertices << ", expected " << want.num;
    for (int i = 0; i < MAX_SCREEN_VERTICES; i++) {
        const screen_vertex &g = got.slots[i];
        const model_vertex &w = want.slots[static_cast<std::size_t>(i)];
        if (g.x != w.x || g.y != w.y || g.aux[0] != w.aux[0] || g.aux[1] != w.aux[1] ||
            g.colour != w.colour)
            return ::testing::AssertionFailure()
                   << "slot " << i << ": (" << g.x << "," << g.y << " aux " << g.aux[0] << ","
                   << g.aux[1] << " c" << g.colour << "), expected (" << w.x << "," << w.y
                   << " aux " << w.aux[0] << "," << w.aux[1] << " c" << w.colour << ")";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_pixels(const model_screen &want, BITMAP *got)
{
    for (int y = 0; y < want.h; y++) {
        const unsigned char *row = want.pixels.data() + static_cast<std::size_t>(y * want.w);
        if (std::memcmp(got->line[y], row, static_cast<std::size_t>(want.w)) == 0)
            continue;
        for (int x = 0; x < want.w; x++) {
            int g = got->line[y][x];
            int w = want.pixels[static_cast<std::size_t>(y * want.w + x)];
            if (g != w)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << g << ", expected " << w;
        }
    }
    return ::testing::AssertionSuccess();
}

// Every entry of the engine's tables, both fields: a fill empties and writes
// only the rows between its top and bottom vertex.
::testing::AssertionResult same_tables(const model_screen &want)
{
    for (int y = 0; y < want.h; y++) {
        const model_entry &wl = want.tables.left[static_cast<std::size_t>(y)];
        const model_entry &wr = want.tables.right[static_cast<std::size_t>(y)];
        const poly_edge &gl = left_poly_edge[y];
        const poly_edge &gr = right_poly_edge[y];
        if (gl.x != wl.x || gr.x != wr.x || gl.shade != wl.shade || gr.shade != wr.shade)
            return ::testing::AssertionFailure()
                   << "row " << y << ": left " << gl.x << "/" << gl.shade << " right " << gr.x
                   << "/" << gr.shade << ", expected left " << wl.x << "/" << wl.shade
                   << " right " << wr.x << "/" << wr.shade;
    }
    return ::testing::AssertionSuccess();
}

model_screen blank_model(screen_size s)
{
    model_screen m;
    m.w = s.w;
    m.h = s.h;
    m.pixels.assign(static_cast<std::size_t>(s.w * s.h), BACKGROUND);
    // Both sets of tables start out holding the same leftovers of some
    // earlier polygon.
    for (int y = 0; y < s.h; y++) {
        left_poly_edge[y] = poly_edge{static_cast<int16_t>(y % 7), BLANK};
        right_poly_edge[y] = poly_edge{static_cast<int16_t>(y % 5), -BLANK};
        m.tables.left.push_back(model_entry{y % 7, BLANK});
        m.tables.right.push_back(model_entry{y % 5, -BLANK});
    }
    m.picked = 0;
    m.top = 0;
    m.bottom = -1;
    return m;
}

void set_screen_vertices(test_screen_polygon *sp, const std::vector<model_vertex> &v)
{
    fill_blank(sp);
    for (std::size_t i = 0; i < v.size(); i++) {
        sp->slots[i].x = v[i].x;
        sp->slots[i].y = v[i].y;
        sp->slots[i].colour = v[i].colour;
    }
    sp->poly.num_vertices = static_cast<int>(v.size());
}

std::string describe_vertices(const std::vector<model_vertex> &v)
{
    std::vector<corner_spec> cs;
    for (const model_vertex &p : v)
        cs.push_back({p.x, p.y, p.colour});
    return describe(cs);
}

// Screens the checks run on: the demo's smallest and middle modes and a
// small one, where nearly every polygon is cut.
const screen_size screens[] = {{320, 200}, {640, 480}, {64, 40}};

// The clippers are cheap to check: every mode the demo offers as well.
const screen_size clip_screens[] = {{320, 200}, {640, 480}, {1024, 768}, {64, 40}};

class Crosscheck : public ::testing::Test {
protected:
    void TearDown() override
    {
        mouse_x = 0;
        mouse_y = 0;
        cursor1.picked = 0;
        engine_down();
    }
};

// ---------------------------------------------------------------------------

TEST_F(Crosscheck, EdgeWalksOverTablesAlreadyHoldingCrossings)
{
    const screen_size s{320, 200};
    engine_up(s.w, s.h);
    std::mt19937 rng(5201);
    std::uniform_int_distribution<int> x(0, s.w - 1), y(0, s.h - 1), state(0, 2);
    std::uniform_int_distribution<int> shade(0, (256 << 16) - 1);
    std::uniform_int_distribution<int> reach(0, 2);
    for (int trial = 0; trial < 6000; trial++) {
        // Rows empty, with a left crossing, or with both, in the engine's
        // tables and the model's alike.
        model_tables m{std::vector<model_entry>(static_cast<std::size_t>(s.h)),
                       std::vector<model_entry>(static_cast<std::size_t>(s.h))};
        for (int r = 0; r < s.h; r++) {
            int st = state(rng);
            model_entry l{st >= 1 ? x(rng) + 1 : 0, shade(rng)};
            model_entry rt{0, shade(rng)};
            if (st == 2) {
                rt.x = x(rng) + 1;
                if (rt.x == l.x)
                    rt.x = l.x == 1 ? 2 : l.x - 1;
            }
            m.left[static_cast<std::size_t>(r)] = l;
            m.right[static_cast<std::size_t>(r)] = rt;
            left_poly_edge[r] = poly_edge{static_cast<int16_t>(l.x), l.shade};
            right_poly_edge[r] = poly_edge{static_cast<int16_t>(rt.x), rt.shade};
        }
        // Long edges, short ones, and flat or steep ones near the diagonal.
        int x1 = x(rng), y1 = y(rng), x2, y2;
        switch (reach(rng)) {
        case 0: x2 = x(rng); y2 = y(rng); break;
        case 1:
            x2 = std::clamp(x1 + static_cast<int>(rng() % 9) - 4, 0, s.w - 1);
            y2 = std::clamp(y1 + static_cast<int>(rng() % 9) - 4, 0, s.h - 1);
            break;
        default: {
            int d = static_cast<int>(rng() % 40);
            x2 = std::clamp(x1 + (rng() % 2 ? d : -d), 0, s.w - 1);
            y2 = std::clamp(y1 + (rng() % 2 ? d : -d) + static_cast<int>(rng() % 3) - 1, 0,
                            s.h - 1);
            break;
        }
        }
        fixed s1 = shade(rng), s2 = shade(rng);
        bool gouraud = trial % 2 == 1;
        if (gouraud) {
            DrawGEdge(x1, y1, s1, x2, y2, s2);
            model_gedge(&m, x1, y1, s1, x2, y2, s2);
        } else {
            DrawEdge(x1, y1, x2, y2);
            model_edge(&m, x1, y1, x2, y2);
        }
        for (int r = 0; r < s.h; r++) {
            const model_entry &wl = m.left[static_cast<std::size_t>(r)];
            const model_entry &wr = m.right[static_cast<std::size_t>(r)];
            ASSERT_TRUE(left_poly_edge[r].x == wl.x && left_poly_edge[r].shade == wl.shade &&
                        right_poly_edge[r].x == wr.x && right_poly_edge[r].shade == wr.shade)
                << (gouraud ? "DrawGEdge " : "DrawEdge ") << x1 << "," << y1 << " s" << s1
                << " to " << x2 << "," << y2 << " s" << s2 << ": row " << r << " left "
                << left_poly_edge[r].x << "/" << left_poly_edge[r].shade << " right "
                << right_poly_edge[r].x << "/" << right_poly_edge[r].shade << ", expected left "
                << wl.x << "/" << wl.shade << " right " << wr.x << "/" << wr.shade;
        }
    }
}

TEST_F(Crosscheck, FillsOfOnScreenPolygonsMatchByteForByte)
{
    for (const screen_size &s : screens) {
        engine_up(s.w, s.h);
        std::mt19937 rng(static_cast<unsigned>(7 * s.w + s.h));
        BITMAP *b = create_bitmap_ex(8, s.w, s.h);
        clear_to_color(b, BACKGROUND);
        model_screen m = blank_model(s);
        cursor1.picked = m.picked = -3;
        for (int trial = 0; trial < 6000; trial++) {
            std::vector<model_vertex> v = random_screen_polygon(rng, s);
            test_screen_polygon sp;
            set_screen_vertices(&sp, v);
            bool gouraud = trial % 2 == 1;
            int id = static_cast<int>(rng() % 1000);
            int mx, my;
            random_pointer(rng, s, &mx, &my);
            if (rng() % 2 == 0) {
                // On one of the polygon's own rows, where a span may lie.
                my = v[rng() % v.size()].y;
                mx = static_cast<int>(rng() % static_cast<unsigned>(s.w));
            }
            mouse_x = mx;
            mouse_y = my;
            if (gouraud) {
                do_gouroud_poly(b, &sp.poly, id);
                model_gouraud_fill(&m, v, id, mx, my);
            } else {
                v[0].colour >>= 16;
                sp.slots[0].colour = v[0].colour;
                do_filled_poly(b, &sp.poly);
                model_flat_fill(&m, v);
            }
            std::string what = std::string(gouraud ? "Gouraud " : "flat ") + std::to_string(s.w) +
                               "x" + std::to_string(s.h) + " trial " + std::to_string(trial) +
                               ": " + describe_vertices(v);
            ASSERT_TRUE(same_tables(m)) << what;
            ASSERT_TRUE(same_pixels(m, b)) << what;
            ASSERT_EQ(cursor1.picked, m.picked)
                << what << " id " << id << " pointer " << mx << "," << my;
        }
        destroy_bitmap(b);
        engine_down();
    }
}

TEST_F(Crosscheck, ClippedOutlinesMatchSlotForSlot)
{
    model_vertex blank{};
    blank.x = blank.y = blank.aux[0] = blank.aux[1] = blank.colour = BLANK;
    for (const screen_size &s : clip_screens) {
        engine_up(s.w, s.h);
        std::mt19937 rng(static_cast<unsigned>(11 * s.w + s.h));
        for (int trial = 0; trial < 12000; trial++) {
            std::vector<corner_spec> cs = random_polygon(rng, s);
            for (bool gouraud : {true, false}) {
                if (!gouraud)
                    cs = flat_colours(cs);
                test_polygon tp;
                set_polygon(&tp, cs, gouraud ? 2 : 0);
                test_screen_polygon sp;
                fill_blank(&sp);
                if (gouraud)
                    clip_gouroud_mpoly(&tp.poly, &sp.poly);
                else
                    clip_filled_mpoly(&tp.poly, &sp.poly);
                model_clip want = model_clip_polygon(cs, gouraud, s.w, s.h, blank);
                ASSERT_TRUE(same_slots(want, sp))
                    << (gouraud ? "Gouraud " : "flat ") << s.w << "x" << s.h << " trial "
                    << trial << ": " << describe(cs);
            }
        }
        engine_down();
    }
}

// The whole road through the dispatcher: shading chooses the clipper and
// the filler, and a frame of overlapping polygons is drawn and picked as the
// model's clip and fill of each in turn.
TEST_F(Crosscheck, DispatchedFramesMatchByteForByte)
{
    const int shadings[] = {0, 1, 2, 3, 2, 3, 4, -1, 255, INT32_MIN};
    model_vertex blank{};
    for (const screen_size &s : screens) {
        engine_up(s.w, s.h);
        std::mt19937 rng(static_cast<unsigned>(13 * s.w + s.h));
        BITMAP *b = create_bitmap_ex(8, s.w, s.h);
        for (int frame = 0; frame < 500; frame++) {
            clear_to_color(b, BACKGROUND);
            model_screen m = blank_model(s);
            cursor1.picked = m.picked = frame;
            int mx, my;
            random_pointer(rng, s, &mx, &my);
            mouse_x = mx;
            mouse_y = my;
            for (int k = 0; k < 8; k++) {
                std::vector<corner_spec> cs = random_polygon(rng, s);
                int shading = shadings[rng() % std::size(shadings)];
                if (shading == 0 || shading == 1)
                    cs = flat_colours(cs);
                int id = static_cast<int>(rng() % 100) - 20;
                test_polygon tp;
                set_polygon(&tp, cs, shading);
                MPoly(b, &tp.poly, id);
                if (shading == 0 || shading == 1 || shading == 2 || shading == 3) {
                    bool gouraud = shading >= 2;
                    model_clip c = model_clip_polygon(cs, gouraud, s.w, s.h, blank);
                    if (!c.over && c.num > 0) {
                        if (gouraud)
                            model_gouraud_fill(&m, drawn_part(c), id, mx, my);
                        else
                            model_flat_fill(&m, drawn_part(c));
                    }
                }
                ASSERT_TRUE(same_tables(m))
                    << s.w << "x" << s.h << " frame " << frame << " polygon " << k;
                ASSERT_TRUE(same_pixels(m, b))
                    << s.w << "x" << s.h << " frame " << frame << " polygon " << k
                    << " shading " << shading << ": " << describe(cs);
                ASSERT_EQ(cursor1.picked, m.picked)
                    << s.w << "x" << s.h << " frame " << frame << " polygon " << k
                    << " pointer " << mx << "," << my << ": " << describe(cs);
            }
        }
        destroy_bitmap(b);
        engine_down();
    }
}

}  // namespace
