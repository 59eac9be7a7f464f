// The rasteriser against a plain model of itself (edges walked step by step,
// spans pixel by pixel, clipping stages as lists): the engine's row-by-row
// walks, block and vector stores and fixed-size lists must give the very
// same tables, pixels, vertices and shades on thousands of random inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "raster_support.h"

namespace {

// ---------------------------------------------------------------------------
// The model. Its edge tables are its own, as large as the screen.

constexpr int W = 320;
constexpr int H = 200;

struct model_edge {
    int x;  // crossing x + 1, 0 for none
    fixed shade;
};

model_edge model_left[H];
model_edge model_right[H];

void model_record(int x, int y, fixed s, bool replacing)
{
    if (model_left[y].x == 0) {
        model_left[y] = {x + 1, s};
    } else if (x + 1 != model_left[y].x) {
        if (replacing || model_right[y].x == 0)
            model_right[y] = {x + 1, s};
    }
}

// The edge walk; gouraud selects the shade-carrying walk and its forms.
void model_edge_walk(int x1, int y1, fixed s1, int x2, int y2, fixed s2, bool gouraud)
{
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(s1, s2);
    }
    if (x1 == x2 && y1 == y2)
        return;
    int dx = x2 - x1, dy = std::abs(y2 - y1), step = y2 < y1 ? -1 : 1, e = 0, y = y1;
    if (dx > dy) {
        fixed ds = gouraud ? (s2 - s1) / dx : 0;
        fixed s = s1;
        model_record(x1, y1, s1, false);
        for (int k = 1; k <= dx; k++) {
            e += dy;
            s += ds;
            if (e >= dx) {
                e -= dx;
                y += step;
                model_record(x1 + k, y, s, !gouraud);
            }
        }
    } else if (dy > dx || !gouraud) {
        fixed ds = gouraud ? (s2 - s1) / dy : 0;
        int x = x1;
        fixed s = s1;
        for (int j = 0; j <= dy; j++) {
            model_record(x, y, s, !gouraud);
            y += step;
            e += dx;
            if (e >= dy) {
                e -= dy;
                x++;
            }
            s += ds;
        }
    } else {
        fixed ds = (s2 - s1) / dy;
        for (int j = 0; j <= dy; j++)
            model_record(x1 + j, y1 + j * step, s1 + j * ds, true);
    }
}

void model_fill(BITMAP *b, const std::vector<corner_spec> &v, bool gouraud, int id)
{
    int n = static_cast<int>(v.size());
    int top = b->h - 1, bottom = 0;
    for (const corner_spec &c : v) {
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
    }
    for (int y = top; y <= bottom; y++)
        model_left[y] = model_right[y] = {0, 0};
    for (int i = 0; i < n; i++) {
        const corner_spec &a = v[i];
        const corner_spec &c = v[(i + 1) % n];
        model_edge_walk(a.x, a.y, a.colour, c.x, c.y, c.colour, gouraud);
    }
    for (int y = top; y <= bottom; y++) {
        if (model_left[y].x == 0 || model_right[y].x == 0)
            continue;
        int xa = model_left[y].x - 1, xb = model_right[y].x - 1;
        fixed sa = model_left[y].shade, sb = model_right[y].shade;
        if (xa > xb) {
            std::swap(xa, xb);
            std::swap(sa, sb);
        }
        if (!gouraud) {
            for (int x = xa; x <= xb; x++)
                b->line[y][x] = static_cast<unsigned char>(v[0].colour);
            continue;
        }
        if (y == mouse_y && xa <= mouse_x && mouse_x <= xb)
            cursor1.picked = id + 1;
        fixed ds = (sb - sa) / (xb - xa);
        for (int k = 0; k <= xb - xa; k++)
            b->line[y][xa + k] = static_cast<unsigned char>((sa + k * ds) >> 16);
    }
}

// One clipping stage per boundary: 0 bottom, 1 top, 2 left, 3 right.
bool model_outside(int b, const corner_spec &v)
{
    return b == 0 ? v.y >= H : b == 1 ? v.y < 0 : b == 2 ? v.x < 0 : v.x >= W;
}

bool model_copied(int b, const corner_spec &v)
{
    return b == 0 ? v.y < H : b == 1 ? v.y > 0 : b == 2 ? v.x > 0 : v.x < W;
}

corner_spec model_cut(int b, const corner_spec &o, const corner_spec &nv, bool gouraud)
{
    bool horizontal = b < 2;
    int oc = horizontal ? o.y : o.x, nc = horizontal ? nv.y : nv.x;
    int od = horizontal ? o.x : o.y, nd = horizontal ? nv.x : nv.y;
    int line = b == 0 ? H - 1 : b == 3 ? W - 1 : 0;
    int bits = gouraud ? 14 : 10;
    int r = ((line - oc) * (1 << bits)) / (oc - nc);
    int d = od + ((r * (od - nd)) >> bits);
    corner_spec out{horizontal ? d : line, horizontal ? line : d, 0};
    if (gouraud)
        out.colour = o.colour + (((o.colour - nv.colour) * (r >> 7)) >> 7);
    return out;
}

// The clipped outline; *over tells whether some stage made more vertices
// than the engine's working polygon holds (the engine then drops it).
std::vector<corner_spec> model_clip(const std::vector<corner_spec> &in, bool gouraud, bool *over)
{
    *over = false;
    std::vector<corner_spec> work = in;
    bool ran = false;
    for (int b = 0; b < 4; b++) {
        bool any = false;
        for (const corner_spec &v : work)
            any = any || model_outside(b, v);
        if (!any)
            continue;
        ran = true;
        std::vector<corner_spec> out;
        int m = static_cast<int>(work.size());
        for (int o = m - 1; o >= 0; o--) {
            const corner_spec &v = work[o];
            const corner_spec &p = work[o == 0 ? m - 1 : o - 1];
            if (model_copied(b, v))
                out.push_back(v);
            if (model_outside(b, v) && !model_outside(b, p))
                out.push_back(model_cut(b, v, p, gouraud));
            if (model_outside(b, p) && !model_outside(b, v))
                out.push_back(model_cut(b, p, v, gouraud));
        }
        work = out;
        *over = *over || static_cast<int>(work.size()) > MAX_SCREEN_VERTICES;
        if (work.empty())
            return work;
    }
    if (!ran)
        return in;
    if (!gouraud)
        for (corner_spec &c : work)
            c.colour = 0;
    return work;
}

// ---------------------------------------------------------------------------

class Reference : public ::testing::Test {
protected:
    void SetUp() override { engine_up(W, H); }
    void TearDown() override
    {
        mouse_x = 0;
        mouse_y = 0;
        engine_down();
    }
};

// Random polygons of 2 to 12 vertices on the screen: convex or not, with
// long thin edges, many vertices in one row or column, repeated vertices.
std::vector<corner_spec> random_screen_polygon(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> count(2, 12);
    std::uniform_int_distribution<int> shape(0, 3);
    std::uniform_int_distribution<int> x(0, W - 1), y(0, H - 1);
    std::uniform_int_distribution<int> small(0, 12);
    std::uniform_int_distribution<int> shade(0, itofix(255));
    int n = count(rng);
    int kind = shape(rng);
    int bx = x(rng), by = y(rng);
    std::vector<corner_spec> cs;
    for (int i = 0; i < n; i++) {
        corner_spec c{x(rng), y(rng), shade(rng)};
        if (kind == 1) {  // small and crowded
            c.x = std::min(W - 1, bx + small(rng));
            c.y = std::min(H - 1, by + small(rng));
        } else if (kind == 2 && i % 2 == 0) {  // shared rows
            c.y = by;
        } else if (kind == 3 && i % 3 == 0 && i > 0) {  // repeated vertices
            c = cs[i - 1];
        }
        cs.push_back(c);
    }
    return cs;
}

TEST_F(Reference, EdgeWalksRecordTheModelsCrossings)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> x(0, W - 1), y(0, H - 1), shade(-itofix(300), itofix(300));
    std::uniform_int_distribution<int> near(-40, 40);
    for (int trial = 0; trial < 20000; trial++) {
        bool gouraud = trial % 2 == 1;
        // Tables start with a random earlier edge recorded, so that both
        // forms of recording meet rows that already hold crossings.
        for (int r = 0; r < H; r++) {
            model_left[r] = model_right[r] = {0, 0};
            left_poly_edge[r] = right_poly_edge[r] = poly_edge{0, 0};
        }
        for (int e = 0; e < 3; e++) {
            int x1 = x(rng), y1 = y(rng);
            int x2 = std::clamp(x1 + near(rng) * (trial % 3 + 1), 0, W - 1);
            int y2 = std::clamp(y1 + near(rng), 0, H - 1);
            fixed s1 = shade(rng), s2 = shade(rng);
            model_edge_walk(x1, y1, s1, x2, y2, s2, gouraud);
            if (gouraud)
                DrawGEdge(x1, y1, s1, x2, y2, s2);
            else
                DrawEdge(x1, y1, x2, y2);
            for (int r = 0; r < H; r++) {
                ASSERT_EQ(left_poly_edge[r].x, model_left[r].x)
                    << "trial " << trial << " row " << r << " edge " << x1 << "," << y1 << "-"
                    << x2 << "," << y2;
                ASSERT_EQ(right_poly_edge[r].x, model_right[r].x)
                    << "trial " << trial << " row " << r << " edge " << x1 << "," << y1 << "-"
                    << x2 << "," << y2;
                if (gouraud) {
                    ASSERT_EQ(left_poly_edge[r].shade, model_left[r].shade) << "trial " << trial;
                    ASSERT_EQ(right_poly_edge[r].shade, model_right[r].shade)
                        << "trial " << trial;
                }
            }
        }
    }
}

TEST_F(Reference, FillsMatchTheModelPixelForPixel)
{
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> px(0, W - 1), py(0, H - 1);
    BITMAP *got = blank_bitmap(W, H);
    BITMAP *want = blank_bitmap(W, H);
    for (int trial = 0; trial < 6000; trial++) {
        std::vector<corner_spec> cs = random_screen_polygon(rng);
        bool gouraud = trial % 2 == 1;
        if (!gouraud)
            for (corner_spec &c : cs)
                c.colour = 1 + trial % 255;
        mouse_x = px(rng);
        mouse_y = py(rng);
        clear_to_color(got, 0);
        clear_to_color(want, 0);
        test_screen_polygon sp;
        set_screen_polygon(&sp, cs);
        cursor1.picked = -1;
        model_fill(want, cs, gouraud, trial);
        int want_picked = cursor1.picked;
        cursor1.picked = -1;
        if (gouraud)
            do_gouroud_poly(got, &sp.poly, trial);
        else
            do_filled_poly(got, &sp.poly);
        ASSERT_EQ(cursor1.picked, want_picked) << "trial " << trial << " " << describe(cs);
        for (int y = 0; y < H; y++)
            ASSERT_EQ(std::memcmp(got->line[y], want->line[y], W), 0)
                << "trial " << trial << " row " << y << " " << describe(cs);
    }
    destroy_bitmap(got);
    destroy_bitmap(want);
}

TEST_F(Reference, ClippersMatchTheModelVertexForVertex)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> reach(0, 2);
    std::uniform_int_distribution<int> shade(0, itofix(255));
    for (int trial = 0; trial < 20000; trial++) {
        int spread = reach(rng) == 0 ? 50 : reach(rng) == 1 ? 400 : 20000;
        std::uniform_int_distribution<int> x(-spread, W - 1 + spread), y(-spread, H - 1 + spread);
        std::vector<corner_spec> cs;
        int n = count(rng);
        for (int i = 0; i < n; i++)
            cs.push_back({x(rng), y(rng), shade(rng)});
        bool gouraud = trial % 2 == 1;
        bool over = false;
        std::vector<corner_spec> want = model_clip(cs, gouraud, &over);
        if (over)
            want.clear();
        test_polygon tp;
        set_polygon(&tp, cs, gouraud ? 2 : 0);
        test_screen_polygon sp;
        reset_screen_polygon(&sp);
        if (gouraud)
            clip_gouroud_mpoly(&tp.poly, &sp.poly);
        else
            clip_filled_mpoly(&tp.poly, &sp.poly);
        std::vector<corner_spec> got = corners_of(&sp.poly);
        bool cut = got.size() != cs.size() || !std::equal(got.begin(), got.end(), cs.begin(),
                                                           [](const corner_spec &a, const corner_spec &b) {
                                                               return a.x == b.x && a.y == b.y;
                                                           });
        if (!gouraud && cut && !got.empty()) {
            // A flat cut carries corner 0's colour on its first vertex only.
            ASSERT_EQ(got[0].colour, cs[0].colour) << "trial " << trial;
            for (corner_spec &c : got)
                c.colour = 0;
        }
        ASSERT_EQ(describe(got), describe(want)) << "trial " << trial << " " << describe(cs);
    }
}

}  // namespace
