// Screen clipping, flat and Gouraud: the exact vertices, order and shades of
// clipped outlines, and over thousands of random polygons the promises the
// fills rely on: every vertex on the screen, on-screen polygons unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "raster_support.h"

namespace {

class Clip : public ::testing::Test {
protected:
    void SetUp() override { engine_up(320, 200); }
    void TearDown() override { engine_down(); }
};

struct clip_case {
    const char *name;
    std::vector<corner_spec> in;
    std::vector<corner_spec> out;  // colour checked for the first vertex only (flat)
};

void expect_outline(const screen_polygon *got, const std::vector<corner_spec> &want,
                    bool every_colour, const char *name)
{
    std::vector<corner_spec> g = corners_of(got);
    ASSERT_EQ(g.size(), want.size()) << name << ": got " << describe(g);
    for (std::size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(g[i].x, want[i].x) << name << " vertex " << i << ": got " << describe(g);
        EXPECT_EQ(g[i].y, want[i].y) << name << " vertex " << i << ": got " << describe(g);
        if (every_colour || i == 0) {
            EXPECT_EQ(g[i].colour, want[i].colour) << name << " vertex " << i;
        }
    }
}

TEST_F(Clip, FlatOutlinesOnA320By200Screen)
{
    const clip_case cases[] = {
        {"square over the top left corner",
         {{-10, -10, 5}, {50, -10, 6}, {50, 50, 6}, {-10, 50, 6}},
         {{0, 0, 5}, {50, 0, 0}, {50, 50, 0}, {0, 50, 0}}},
        {"quadrilateral across all four edges",
         {{-10, 50, 9}, {100, -20, 0}, {400, 100, 0}, {100, 250, 0}},
         {{71, 199, 9}, {0, 68, 0}, {0, 43, 0}, {68, 0, 0}, {149, 0, 0}, {319, 67, 0},
          {319, 140, 0}, {201, 199, 0}}},
        {"triangle touching the top line from above",
         {{10, 0, 4}, {5, -5, 0}, {15, -5, 0}},
         {{10, 0, 4}, {10, 0, 0}}},
        {"vertex on the bottom line: copied and cut",
         {{100, 199, 3}, {150, 250, 0}, {50, 100, 0}},
         {{50, 100, 3}, {116, 199, 0}, {100, 199, 0}, {100, 199, 0}}},
        {"vertex on the top line: cut only",
         {{100, 0, 3}, {150, -50, 0}, {50, 100, 0}},
         {{50, 100, 3}, {116, 0, 0}, {100, 0, 0}}},
        {"ten-bit ratio",
         {{131, -46, 8}, {204, -151, 0}, {-126, 348, 0}},
         {{0, 156, 8}, {104, 0, 0}, {101, 0, 0}, {0, 154, 0}}},
        {"wholly below", {{10, 200, 1}, {50, 300, 1}, {20, 260, 1}}, {}},
        {"wholly above", {{10, -1, 1}, {50, -30, 1}, {20, -6, 1}}, {}},
        {"wholly left", {{-1, 10, 1}, {-50, 30, 1}, {-20, 60, 1}}, {}},
        {"wholly right", {{320, 10, 1}, {350, 30, 1}, {400, 60, 1}}, {}},
    };
    for (const clip_case &c : cases) {
        test_polygon tp;
        set_polygon(&tp, c.in, 0);
        test_screen_polygon sp;
        reset_screen_polygon(&sp);
        clip_filled_mpoly(&tp.poly, &sp.poly);
        expect_outline(&sp.poly, c.out, false, c.name);
    }
}

TEST_F(Clip, GouraudOutlinesCarryTheirShades)
{
    const clip_case cases[] = {
        {"square over the top left corner",
         {{-10, -10, itofix(16)}, {50, -10, itofix(20)}, {50, 50, itofix(24)},
          {-10, 50, itofix(28)}},
         {{0, 0, ftofix(18.513671875)}, {50, 0, ftofix(20.6875)}, {50, 50, itofix(24)},
          {0, 50, ftofix(27.3125)}}},
        {"vertex on the bottom line reproduced exactly",
         {{100, 199, itofix(10)}, {150, 250, itofix(30)}, {50, 100, itofix(20)}},
         {{50, 100, itofix(20)}, {116, 199, ftofix(26.5625)}, {100, 199, itofix(10)},
          {100, 199, itofix(10)}}},
        {"fourteen-bit ratio",
         {{131, -46, 0}, {204, -151, 0}, {-126, 348, 0}},
         {{0, 156, 0}, {103, 0, 0}, {100, 0, 0}, {0, 154, 0}}},
        {"wholly below", {{10, 200, 1}, {50, 300, 1}, {20, 260, 1}}, {}},
        {"wholly right", {{320, 10, 1}, {350, 30, 1}, {400, 60, 1}}, {}},
    };
    for (const clip_case &c : cases) {
        test_polygon tp;
        set_polygon(&tp, c.in, 2);
        test_screen_polygon sp;
        reset_screen_polygon(&sp);
        clip_gouroud_mpoly(&tp.poly, &sp.poly);
        expect_outline(&sp.poly, c.out, true, c.name);
    }
}

TEST_F(Clip, PolygonsOnTheScreenComeThroughInCornerOrder)
{
    const std::vector<std::vector<corner_spec>> polygons = {
        {{0, 0, 1}, {319, 0, 2}, {319, 199, 3}, {0, 199, 4}},
        {{10, 10, itofix(7)}, {200, 40, itofix(9)}, {60, 150, -5}},
        {{5, 5, 1}},
        {{5, 5, 1}, {6, 9, 2}},
    };
    for (const std::vector<corner_spec> &cs : polygons)
        for (int shading : {0, 2}) {
            test_polygon tp;
            set_polygon(&tp, cs, shading);
            test_screen_polygon sp;
            reset_screen_polygon(&sp);
            if (shading == 0)
                clip_filled_mpoly(&tp.poly, &sp.poly);
            else
                clip_gouroud_mpoly(&tp.poly, &sp.poly);
            expect_outline(&sp.poly, cs, true, describe(cs).c_str());
            for (std::size_t i = 0; i < cs.size(); i++) {
                EXPECT_EQ(sp.slots[i].aux[0], tp.corners[i].aux[0]);
                EXPECT_EQ(sp.slots[i].aux[1], tp.corners[i].aux[1]);
            }
        }
}

// A convex polygon of MAX_CORNERS + 1 corners on an ellipse a little wider
// than the 320 by 200 screen: exactly one corner pokes through each screen
// edge, so each of the four stages trades it for two crossings and the
// outline grows to MAX_SCREEN_VERTICES vertices.
std::vector<corner_spec> widest_polygon()
{
    const double degrees[MAX_CORNERS + 1] = {0,   22,  30,  45,  66,  90,  114, 135, 158,
                                             180, 202, 225, 248, 270, 294, 315, 338};
    std::vector<corner_spec> cs;
    for (int i = 0; i < MAX_CORNERS + 1; i++) {
        double a = degrees[i] * 3.14159265358979323846 / 180;
        cs.push_back({static_cast<int>(std::lround(160 + 165 * std::cos(a))),
                      static_cast<int>(std::lround(100 + 105 * std::sin(a))), itofix(10 + i)});
    }
    return cs;
}

TEST_F(Clip, LargeOutlinesFitTheWorkingPolygonOrAreDroppedWhole)
{
    // A quadrilateral that gained a fifth corner at the near plane and pokes
    // through all four screen edges needs 9 vertices.
    const std::vector<corner_spec> pentagon = {
        {160, -5, itofix(1)}, {325, 100, itofix(2)}, {160, 205, itofix(3)},
        {-5, 100, itofix(4)}, {40, 30, itofix(5)}};
    const std::vector<corner_spec> widest = widest_polygon();
    // A comb across the top edge: a stage would need far more vertices than
    // the working polygon holds.
    std::vector<corner_spec> comb;
    for (int i = 0; i < MAX_SCREEN_VERTICES - 2; i++)
        comb.push_back({10 + 14 * i, i % 2 ? -20 : 20, itofix(3)});
    comb.push_back({300, 100, itofix(3)});
    comb.push_back({10, 100, itofix(3)});

    struct size_case {
        const char *name;
        std::vector<corner_spec> in;
        int vertices;  // expected count after clipping
    };
    const size_case cases[] = {
        {"pentagon through four edges", pentagon, 9},
        {"widest convex polygon through four edges", widest, MAX_SCREEN_VERTICES},
        {"comb", comb, 0},
        {"too many corners", std::vector<corner_spec>(MAX_SCREEN_VERTICES + 1, {5, 5, 0}), 0},
        {"no corner", {}, 0},
    };
    for (const size_case &c : cases)
        for (int shading : {0, 2}) {
            test_polygon tp;
            set_polygon(&tp, c.in, shading);
            test_screen_polygon sp;
            reset_screen_polygon(&sp);
            if (shading == 0)
                clip_filled_mpoly(&tp.poly, &sp.poly);
            else
                clip_gouroud_mpoly(&tp.poly, &sp.poly);
            EXPECT_EQ(sp.poly.num_vertices, c.vertices) << c.name << " shading " << shading;
            for (int i = 0; i < sp.poly.num_vertices; i++) {
                EXPECT_GE(sp.slots[i].x, 0) << c.name;
                EXPECT_LE(sp.slots[i].x, 319) << c.name;
                EXPECT_GE(sp.slots[i].y, 0) << c.name;
                EXPECT_LE(sp.slots[i].y, 199) << c.name;
            }
        }
}

// Random polygons, convex or not, on, across and far off the screen.
std::vector<corner_spec> random_polygon(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> count(1, MAX_SCREEN_VERTICES);
    std::uniform_int_distribution<int> reach(0, 3);
    std::uniform_int_distribution<int> shade(0, itofix(255));
    int n = count(rng);
    int spread = 0;
    switch (reach(rng)) {
    case 0: spread = 0; break;       // on the screen
    case 1: spread = 100; break;     // across its edges
    case 2: spread = 2000; break;    // mostly off it
    default: spread = 32000; break;  // as far as 16 bits go
    }
    std::uniform_int_distribution<int> x(-spread, 319 + spread);
    std::uniform_int_distribution<int> y(-spread, 199 + spread);
    std::vector<corner_spec> cs;
    for (int i = 0; i < n; i++)
        cs.push_back({x(rng), y(rng), shade(rng)});
    return cs;
}

TEST_F(Clip, RandomPolygonsComeOutOnTheScreen)
{
    std::mt19937 rng(20261211);
    for (int trial = 0; trial < 20000; trial++) {
        std::vector<corner_spec> cs = random_polygon(rng);
        bool on_screen = true;
        for (const corner_spec &c : cs)
            on_screen = on_screen && c.x >= 0 && c.x < 320 && c.y >= 0 && c.y < 200;
        for (int shading : {0, 2}) {
            test_polygon tp;
            set_polygon(&tp, cs, shading);
            test_screen_polygon sp;
            reset_screen_polygon(&sp);
            if (shading == 0)
                clip_filled_mpoly(&tp.poly, &sp.poly);
            else
                clip_gouroud_mpoly(&tp.poly, &sp.poly);
            const screen_polygon &out = sp.poly;
            ASSERT_GE(out.num_vertices, 0) << describe(cs);
            ASSERT_LE(out.num_vertices, MAX_SCREEN_VERTICES) << describe(cs);
            for (int i = 0; i < out.num_vertices; i++) {
                ASSERT_TRUE(sp.slots[i].x >= 0 && sp.slots[i].x < 320 && sp.slots[i].y >= 0 &&
                            sp.slots[i].y < 200)
                    << "trial " << trial << " shading " << shading << ": " << describe(cs)
                    << " gave " << describe(corners_of(&out));
            }
            if (on_screen) {
                ASSERT_EQ(out.num_vertices, static_cast<int>(cs.size())) << describe(cs);
                for (std::size_t i = 0; i < cs.size(); i++) {
                    ASSERT_EQ(sp.slots[i].x, cs[i].x);
                    ASSERT_EQ(sp.slots[i].y, cs[i].y);
                    ASSERT_EQ(sp.slots[i].colour, cs[i].colour);
                }
            }
            if (shading == 2 && !on_screen) {
                // A crossing's shade lies between the shades of its edge's
                // ends, so between the polygon's smallest and largest shade:
                // rounding down never goes below the smaller, a whole value.
                int lo = cs[0].colour, hi = cs[0].colour;
                for (const corner_spec &c : cs) {
                    lo = std::min(lo, c.colour);
                    hi = std::max(hi, c.colour);
                }
                for (int i = 0; i < out.num_vertices; i++) {
                    ASSERT_GE(sp.slots[i].colour, lo) << describe(cs);
                    ASSERT_LE(sp.slots[i].colour, hi) << describe(cs);
                }
            }
        }
    }
}

}  // namespace
