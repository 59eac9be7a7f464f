// Polygon dispatch and the whole rasteriser behind it: the choice by
// shading, outlines that need many vertices, and over thousands of random
// polygons: nothing drawn off the screen, convex polygons independent of
// their first vertex and winding, and picking by the last polygon drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "raster_support.h"

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_up(320, 200);
        mouse_x = 0;
        mouse_y = 0;
        cursor1.picked = 0;
    }
    void TearDown() override
    {
        mouse_x = 0;
        mouse_y = 0;
        engine_down();
    }
};

// The pixels of a clip and fill done by hand, for comparison with MPoly.
BITMAP *drawn_by_hand(struct polygon *poly, int id)
{
    BITMAP *b = blank_bitmap(320, 200);
    test_screen_polygon sp;
    reset_screen_polygon(&sp);
    if (poly->shading == 0 || poly->shading == 1) {
        clip_filled_mpoly(poly, &sp.poly);
        if (sp.poly.num_vertices != 0)
            do_filled_poly(b, &sp.poly);
    } else {
        clip_gouroud_mpoly(poly, &sp.poly);
        if (sp.poly.num_vertices != 0)
            do_gouroud_poly(b, &sp.poly, id);
    }
    return b;
}

bool same_pixels(BITMAP *a, BITMAP *b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    for (int y = 0; y < a->h; y++)
        if (std::memcmp(a->line[y], b->line[y], static_cast<std::size_t>(a->w)) != 0)
            return false;
    return true;
}

TEST_F(Dispatch, ShadingChoosesTheClipperAndFiller)
{
    const std::vector<corner_spec> across = {
        {-30, 20, itofix(40) + 40}, {200, -10, itofix(60)}, {250, 150, itofix(80)}, {20, 230, itofix(50)}};
    struct shading_case {
        int shading;
        bool drawn;
        bool picks;
    };
    const shading_case cases[] = {
        {0, true, false}, {1, true, false}, {2, true, true},   {3, true, true},
        {4, false, false}, {255, false, false}, {-1, false, false}, {INT32_MIN, false, false},
    };
    mouse_x = 100;
    mouse_y = 100;
    for (const shading_case &c : cases) {
        test_polygon tp;
        set_polygon(&tp, across, c.shading);
        BITMAP *b = blank_bitmap(320, 200);
        cursor1.picked = 0;
        MPoly(b, &tp.poly, 11);
        EXPECT_EQ(cursor1.picked, c.picks ? 12 : 0) << "shading " << c.shading;
        if (c.drawn) {
            BITMAP *want = drawn_by_hand(&tp.poly, 11);
            EXPECT_TRUE(same_pixels(b, want)) << "shading " << c.shading;
            EXPECT_GT(count_set(b), 20000) << "shading " << c.shading;
            destroy_bitmap(want);
        } else {
            EXPECT_EQ(count_set(b), 0) << "shading " << c.shading;
        }
        destroy_bitmap(b);
    }
}

TEST_F(Dispatch, OffScreenPolygonsDrawNothingAndRepeatsDrawAgain)
{
    BITMAP *b = blank_bitmap(320, 200);
    test_polygon tp;
    for (int shading : {0, 2}) {
        set_polygon(&tp, {{-50, -50, itofix(9) + 9}, {-10, -50, itofix(9) + 9}, {-30, -5, itofix(9) + 9}},
                    shading);
        MPoly(b, &tp.poly, 3);
        EXPECT_EQ(count_set(b), 0);
    }
    EXPECT_EQ(cursor1.picked, 0);

    set_polygon(&tp, {{0, 0, itofix(9)}, {50, 0, itofix(9)}, {50, 50, itofix(9)}}, 2);
    mouse_x = 40;
    mouse_y = 10;
    MPoly(b, &tp.poly, 3);
    EXPECT_EQ(cursor1.picked, 4);
    cursor1.picked = 0;
    clear_to_color(b, 0);
    MPoly(b, &tp.poly, 3);
    EXPECT_EQ(cursor1.picked, 4);
    EXPECT_EQ(b->line[10][40], 9);
    destroy_bitmap(b);
}

TEST_F(Dispatch, OutlinesWithManyVerticesAreDrawnWhole)
{
    // A quadrilateral that gained a fifth corner at the near plane, through
    // all four screen edges: 9 vertices after clipping, every one needed.
    const std::vector<corner_spec> pentagon = {
        {160, -5, itofix(9) + 9}, {325, 100, itofix(9) + 9}, {160, 205, itofix(9) + 9},
        {-5, 100, itofix(9) + 9}, {40, 30, itofix(9) + 9}};
    for (int shading : {0, 2}) {
        test_polygon tp;
        set_polygon(&tp, pentagon, shading);
        BITMAP *b = blank_bitmap(320, 200);
        MPoly(b, &tp.poly, 0);
        BITMAP *want = drawn_by_hand(&tp.poly, 0);
        EXPECT_TRUE(same_pixels(b, want));
        // Every pixel inside the outline is drawn: the shape is a diamond
        // with one corner pulled out, so check its four corners' regions and
        // the centre.
        for (const corner_spec &p : std::vector<corner_spec>{
                 {160, 0, 0}, {319, 100, 0}, {160, 199, 0}, {0, 100, 0}, {40, 31, 0}, {160, 100, 0}})
            EXPECT_EQ(b->line[p.y][p.x], 9) << "shading " << shading << " at " << p.x << "," << p.y;
        destroy_bitmap(want);
        destroy_bitmap(b);
    }

    // A comb whose outline would outgrow the working polygon is dropped.
    std::vector<corner_spec> comb;
    for (int i = 0; i < MAX_SCREEN_VERTICES - 2; i++)
        comb.push_back({10 + 14 * i, i % 2 ? -20 : 20, itofix(9) + 9});
    comb.push_back({300, 100, itofix(9) + 9});
    comb.push_back({10, 100, itofix(9) + 9});
    for (int shading : {0, 2}) {
        test_polygon tp;
        set_polygon(&tp, comb, shading);
        BITMAP *b = blank_bitmap(320, 200);
        MPoly(b, &tp.poly, 0);
        EXPECT_EQ(count_set(b), 0);
        destroy_bitmap(b);
    }
}

// Random polygons as in the clipper's tests: convex or not, on, across and
// off the screen, with shades that never give palette index 0.
std::vector<corner_spec> random_polygon(std::mt19937 &rng, int max_corners)
{
    std::uniform_int_distribution<int> count(1, max_corners);
    std::uniform_int_distribution<int> reach(0, 3);
    std::uniform_int_distribution<int> shade(itofix(1), itofix(255) - 1);
    int n = count(rng);
    int spread = 0;
    switch (reach(rng)) {
    case 0: spread = 0; break;
    case 1: spread = 100; break;
    case 2: spread = 2000; break;
    default: spread = 32000; break;
    }
    std::uniform_int_distribution<int> x(-spread, 319 + spread);
    std::uniform_int_distribution<int> y(-spread, 199 + spread);
    std::vector<corner_spec> cs;
    for (int i = 0; i < n; i++)
        cs.push_back({x(rng), y(rng), shade(rng)});
    return cs;
}

TEST_F(Dispatch, NothingIsDrawnOutsideTheScreen)
{
    // The bitmap is larger than the 320 by 200 screen; its margin must stay.
    BITMAP *b = create_bitmap_ex(8, 400, 280);
    std::mt19937 rng(1211);
    for (int trial = 0; trial < 4000; trial++) {
        std::vector<corner_spec> cs = random_polygon(rng, MAX_SCREEN_VERTICES);
        for (int shading : {0, 2}) {
            clear_to_color(b, 0xEE);
            test_polygon tp;
            set_polygon(&tp, cs, shading);
            MPoly(b, &tp.poly, trial);
            for (int y = 0; y < b->h; y++)
                for (int x = y < 200 ? 320 : 0; x < b->w; x++)
                    ASSERT_EQ(b->line[y][x], 0xEE)
                        << "trial " << trial << " shading " << shading << " " << describe(cs);
        }
    }
    destroy_bitmap(b);
}

// A strictly convex polygon: the hull of random points with collinear
// points removed, counter-clockwise from its lowest-leftmost point.
std::vector<corner_spec> strictly_convex(std::mt19937 &rng, int lo_x, int hi_x, int lo_y,
                                         int hi_y)
{
    std::uniform_int_distribution<int> count(3, 12);
    std::uniform_int_distribution<int> x(lo_x, hi_x);
    std::uniform_int_distribution<int> y(lo_y, hi_y);
    std::vector<corner_spec> pts;
    int n = count(rng);
    for (int i = 0; i < n; i++)
        pts.push_back({x(rng), y(rng), 0});
    std::sort(pts.begin(), pts.end(), [](const corner_spec &a, const corner_spec &b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    auto cross = [](const corner_spec &o, const corner_spec &a, const corner_spec &b) {
        return static_cast<long long>(a.x - o.x) * (b.y - o.y) -
               static_cast<long long>(a.y - o.y) * (b.x - o.x);
    };
    std::vector<corner_spec> hull(2 * pts.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < pts.size(); i++) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            k--;
        hull[k++] = pts[i];
    }
    for (std::size_t i = pts.size() - 1, t = k + 1; i > 0; i--) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0)
            k--;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k > 0 ? k - 1 : 0);
    return hull;
}

TEST_F(Dispatch, ConvexPolygonsFillTheSamePixelsWhateverTheirStartAndWinding)
{
    std::mt19937 rng(31);
    BITMAP *first = blank_bitmap(320, 200);
    BITMAP *other = blank_bitmap(320, 200);
    int tried = 0;
    for (int trial = 0; trial < 1500; trial++) {
        std::vector<corner_spec> hull = strictly_convex(rng, 0, 319, 0, 199);
        if (hull.size() < 3)
            continue;
        tried++;
        for (corner_spec &c : hull)
            c.colour = itofix(7) + 7;
        for (int shading : {0, 2}) {
            clear_to_color(first, 0);
            test_polygon tp;
            set_polygon(&tp, hull, shading);
            MPoly(first, &tp.poly, 0);
            for (int winding = 0; winding < 2; winding++)
                for (std::size_t start = 0; start < hull.size(); start++) {
                    std::vector<corner_spec> turned;
                    for (std::size_t i = 0; i < hull.size(); i++) {
                        std::size_t j = winding == 0 ? start + i : start + hull.size() - i;
                        turned.push_back(hull[j % hull.size()]);
                    }
                    clear_to_color(other, 0);
                    set_polygon(&tp, turned, shading);
                    MPoly(other, &tp.poly, 0);
                    ASSERT_TRUE(same_pixels(first, other))
                        << "shading " << shading << ": " << describe(hull) << " against "
                        << describe(turned);
                }
        }
    }
    EXPECT_GT(tried, 1000);
    destroy_bitmap(first);
    destroy_bitmap(other);
}

TEST_F(Dispatch, LastGouraudPolygonOverThePointerIsPicked)
{
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> px(0, 319);
    std::uniform_int_distribution<int> py(0, 199);
    std::uniform_int_distribution<int> flat(0, 3);
    BITMAP *frame = blank_bitmap(320, 200);
    for (int trial = 0; trial < 1500; trial++) {
        mouse_x = px(rng);
        mouse_y = py(rng);
        cursor1.picked = -5;
        int want = -5;
        for (int id = 0; id < 6; id++) {
            std::vector<corner_spec> cs = random_polygon(rng, 8);
            int shading = flat(rng) == 0 ? 0 : 2;
            test_polygon tp;
            set_polygon(&tp, cs, shading);
            // Whether this polygon alone covers the pointer's pixel: shades
            // of 1.0 and more never draw palette index 0.
            if (shading == 2) {
                int before = cursor1.picked;
                BITMAP *alone = drawn_by_hand(&tp.poly, id);
                cursor1.picked = before;
                if (alone->line[mouse_y][mouse_x] != 0)
                    want = id + 1;
                destroy_bitmap(alone);
            }
            MPoly(frame, &tp.poly, id);
        }
        ASSERT_EQ(cursor1.picked, want) << "trial " << trial;
    }
    destroy_bitmap(frame);
}

}  // namespace
