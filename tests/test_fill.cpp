// Flat and Gouraud fills: the edge walks with their two ways of recording a
// crossing, exact spans and shades of small polygons, picking, and fills
// given what they should never be given.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "raster_support.h"

namespace {

// A drawn span: row, first and last column (inclusive).
struct span {
    int row, xa, xb;
};

struct flat_case {
    const char *name;
    std::vector<corner_spec> corners;
    std::vector<span> spans;  // every other pixel stays 0
};

class Fill : public ::testing::Test {
protected:
    void SetUp() override { engine_up(320, 200); }
    void TearDown() override { engine_down(); }
};

// The same span in every row from 0 to rows - 1.
std::vector<span> whole_rows(int rows, int xa, int xb)
{
    std::vector<span> out;
    for (int y = 0; y < rows; y++)
        out.push_back({y, xa, xb});
    return out;
}

void expect_spans(BITMAP *b, const std::vector<span> &spans, int colour, const char *name)
{
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++) {
            int want = 0;
            for (const span &s : spans)
                if (s.row == y && x >= s.xa && x <= s.xb)
                    want = colour;
            ASSERT_EQ(b->line[y][x], want) << name << " at (" << x << "," << y << ")";
        }
}

TEST_F(Fill, FlatPolygonsFillExactlyTheirSpans)
{
    const flat_case cases[] = {
        {"triangle with a right angle",
         {{0, 0, 7}, {4, 0, 7}, {0, 4, 7}},
         {{0, 0, 4}, {1, 0, 3}, {2, 0, 2}, {3, 0, 1}}},
        {"x-major edge enters each row",
         {{0, 0, 7}, {10, 2, 7}, {0, 4, 7}},
         {{1, 0, 5}, {2, 0, 10}, {3, 0, 5}}},
        {"square", {{0, 0, 7}, {3, 0, 7}, {3, 3, 7}, {0, 3, 7}},
         {{0, 0, 3}, {1, 0, 3}, {2, 0, 3}, {3, 0, 3}}},
        {"two vertices", {{2, 2, 7}, {9, 6, 7}}, {}},
        {"one vertex", {{2, 2, 7}}, {}},
        {"all in one row", {{1, 3, 7}, {5, 3, 7}, {9, 3, 7}}, {{3, 1, 5}}},
        // The whole screen: every row has the crossings 0 and 319.
        {"screen corners", {{319, 199, 7}, {0, 199, 7}, {0, 0, 7}, {319, 0, 7}},
         whole_rows(200, 0, 319)},
    };
    for (const flat_case &c : cases) {
        BITMAP *b = blank_bitmap(320, 200);
        test_screen_polygon sp;
        set_screen_polygon(&sp, c.corners);
        do_filled_poly(b, &sp.poly);
        expect_spans(b, c.spans, 7, c.name);
        destroy_bitmap(b);
    }
}

// The flat fill draws its spans as hline would: within the bitmap's clipping
// rectangle, and in the drawing mode in force.
TEST_F(Fill, FlatSpansObeyTheClippingRectangleAndDrawingMode)
{
    test_screen_polygon sp;
    const std::vector<corner_spec> square = {{2, 2, 9}, {12, 2, 9}, {12, 12, 9}, {2, 12, 9}};
    struct clip_case {
        int x1, y1, x2, y2;  // clipping rectangle, inclusive
    };
    const clip_case clips[] = {{0, 0, 15, 15}, {5, 4, 8, 10}, {0, 12, 15, 15}, {13, 0, 15, 15}};
    for (const clip_case &c : clips) {
        BITMAP *b = blank_bitmap(16, 16);
        set_clip_rect(b, c.x1, c.y1, c.x2, c.y2);
        set_screen_polygon(&sp, square);
        do_filled_poly(b, &sp.poly);
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) {
                bool in_square = x >= 2 && x <= 12 && y >= 2 && y <= 12;
                bool in_clip = x >= c.x1 && x <= c.x2 && y >= c.y1 && y <= c.y2;
                ASSERT_EQ(b->line[y][x], in_square && in_clip ? 9 : 0)
                    << "clip " << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2 << " at " << x
                    << "," << y;
            }
        destroy_bitmap(b);
    }

    // In the XOR mode a second fill of the same polygon undoes the first.
    BITMAP *b = blank_bitmap(16, 16);
    clear_to_color(b, 0x0F);
    drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
    set_screen_polygon(&sp, square);
    do_filled_poly(b, &sp.poly);
    EXPECT_EQ(b->line[5][5], 0x0F ^ 9);
    EXPECT_EQ(b->line[0][0], 0x0F);
    do_filled_poly(b, &sp.poly);
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    EXPECT_EQ(b->line[5][5], 0x0F);
    destroy_bitmap(b);
}

TEST_F(Fill, FlatColourIsTheFirstVertexsLowByte)
{
    BITMAP *b = blank_bitmap(16, 16);
    test_screen_polygon sp;
    set_screen_polygon(&sp, {{0, 0, 0x1234}, {3, 0, 9}, {3, 3, 9}, {0, 3, 9}});
    do_filled_poly(b, &sp.poly);
    EXPECT_EQ(b->line[1][1], 0x34);
    destroy_bitmap(b);
}

// The edge tables as left/right x + 1 pairs for a few rows.
struct row_entry {
    int left, right;
};

void clear_rows(int n)
{
    for (int y = 0; y < n; y++) {
        left_poly_edge[y] = poly_edge{0, 0};
        right_poly_edge[y] = poly_edge{0, 0};
    }
}

TEST_F(Fill, EdgeWalkRecordsOneCrossingPerRow)
{
    struct edge_case {
        const char *name;
        int x1, y1, x2, y2;
        std::vector<row_entry> rows;  // rows 0.. of the left/right tables
    };
    const edge_case cases[] = {
        {"equal end points", 3, 2, 3, 2, {{0, 0}, {0, 0}, {0, 0}}},
        {"horizontal, given right to left", 7, 1, 2, 1, {{0, 0}, {3, 0}, {0, 0}}},
        {"x-major enters each row", 0, 0, 10, 2, {{1, 0}, {6, 0}, {11, 0}}},
        {"x-major upwards", 0, 2, 10, 0, {{11, 0}, {6, 0}, {1, 0}}},
        {"y-major floors", 0, 0, 2, 5,
         {{1, 0}, {1, 0}, {1, 0}, {2, 0}, {2, 0}, {3, 0}}},
        {"diagonal", 4, 3, 1, 0, {{2, 0}, {3, 0}, {4, 0}, {5, 0}}},
        {"vertical keeps its given order", 5, 3, 5, 0, {{6, 0}, {6, 0}, {6, 0}, {6, 0}}},
    };
    for (const edge_case &c : cases) {
        clear_rows(8);
        DrawEdge(c.x1, c.y1, c.x2, c.y2);
        for (std::size_t y = 0; y < c.rows.size(); y++) {
            EXPECT_EQ(left_poly_edge[y].x, c.rows[y].left) << c.name << " row " << y;
            EXPECT_EQ(right_poly_edge[y].x, c.rows[y].right) << c.name << " row " << y;
        }
    }
}

TEST_F(Fill, ThirdCrossingKeptOnlyInAnXMajorEdgesFirstRow)
{
    // Rows 0 and 1 already hold 1 (x 0) and 6 (x 5); a third x arrives.
    struct third_case {
        const char *name;
        int x1, y1, x2, y2;
        int right_row0;  // right x + 1 of rows 0 and 1 afterwards
        int right_row1;
    };
    const third_case cases[] = {
        {"x-major: kept in its first row, replaced in the next", 10, 0, 20, 1, 6, 21},
        {"horizontal: kept", 10, 0, 20, 0, 6, 6},
        {"vertical: replaced", 10, 0, 10, 1, 11, 11},
        {"diagonal: replaced", 10, 0, 11, 1, 11, 12},
        {"same x as the left: nothing", 0, 0, 0, 1, 6, 6},
    };
    for (const third_case &c : cases) {
        clear_rows(4);
        for (int y = 0; y < 2; y++) {
            left_poly_edge[y].x = 1;
            right_poly_edge[y].x = 6;
        }
        DrawEdge(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(left_poly_edge[0].x, 1) << c.name;
        EXPECT_EQ(left_poly_edge[1].x, 1) << c.name;
        EXPECT_EQ(right_poly_edge[0].x, c.right_row0) << c.name;
        EXPECT_EQ(right_poly_edge[1].x, c.right_row1) << c.name;
    }
}

TEST_F(Fill, GouraudEdgeKeepsOnStraightWalksAndReplacesOnDiagonals)
{
    struct third_case {
        const char *name;
        int x1, y1, x2, y2;
        int right_row0;
        fixed right_shade0;
    };
    const third_case cases[] = {
        {"x-major: kept", 10, 0, 20, 1, 6, 5},
        {"y-major: kept", 10, 0, 11, 3, 6, 5},
        {"vertical: kept", 10, 0, 10, 3, 6, 5},
        {"diagonal: replaced", 10, 0, 12, 2, 11, itofix(9)},
    };
    for (const third_case &c : cases) {
        clear_rows(4);
        left_poly_edge[0] = poly_edge{1, 3};
        right_poly_edge[0] = poly_edge{6, 5};
        DrawGEdge(c.x1, c.y1, itofix(9), c.x2, c.y2, itofix(20));
        EXPECT_EQ(left_poly_edge[0].x, 1) << c.name;
        EXPECT_EQ(left_poly_edge[0].shade, 3) << c.name;
        EXPECT_EQ(right_poly_edge[0].x, c.right_row0) << c.name;
        EXPECT_EQ(right_poly_edge[0].shade, c.right_shade0) << c.name;
    }
}

TEST_F(Fill, GouraudEdgeShadesStepWithTruncatedDivision)
{
    struct shade_case {
        const char *name;
        int x1, y1;
        fixed s1;
        int x2, y2;
        fixed s2;
        std::vector<poly_edge> rows;  // left entries of rows 0..
    };
    const shade_case cases[] = {
        // x-major: the shade advances with every step in x; ds = 20 / 6 = 3,
        // so the far end gets 18, not 20.
        {"x-major", 0, 0, 0, 6, 2, 20, {{1, 0}, {4, 9}, {7, 18}}},
        // y-major: the shade advances per row; ds = -7 / 2 = -3 (toward zero).
        {"y-major", 1, 0, 7, 1, 2, 0, {{2, 7}, {2, 4}, {2, 1}}},
        // Swapped end points take their shades along: walked from (0, 1),
        // ds = 100 / 3 = 33, entering row 0 at x 3 with 99.
        {"swapped", 3, 0, 100, 0, 1, 0, {{4, 99}, {1, 0}}},
        {"diagonal", 0, 2, 30, 2, 0, 0, {{3, 0}, {2, 15}, {1, 30}}},
    };
    for (const shade_case &c : cases) {
        clear_rows(8);
        DrawGEdge(c.x1, c.y1, c.s1, c.x2, c.y2, c.s2);
        for (std::size_t y = 0; y < c.rows.size(); y++) {
            EXPECT_EQ(left_poly_edge[y].x, c.rows[y].x) << c.name << " row " << y;
            EXPECT_EQ(left_poly_edge[y].shade, c.rows[y].shade) << c.name << " row " << y;
        }
    }
}

struct gouraud_row {
    int row, xa;
    std::vector<int> pixels;
};

TEST_F(Fill, GouraudPolygonsTakeTheIntegerPartOfEachShade)
{
    struct gouraud_case {
        const char *name;
        std::vector<corner_spec> corners;
        std::vector<gouraud_row> rows;  // every other pixel stays 0
    };
    const gouraud_case cases[] = {
        {"triangle 16-20-24",
         {{0, 0, itofix(16)}, {4, 0, itofix(20)}, {0, 4, itofix(24)}},
         {{0, 0, {16, 17, 18, 19, 20}},
          {1, 0, {18, 19, 20, 21}},
          {2, 0, {20, 21, 22}},
          {3, 0, {22, 23}}}},
        {"one shade", {{2, 1, itofix(9)}, {6, 1, itofix(9)}, {6, 2, itofix(9)}, {2, 2, itofix(9)}},
         {{1, 2, {9, 9, 9, 9, 9}}, {2, 2, {9, 9, 9, 9, 9}}}},
        // Falling from 10.0 to 5.0 over 3 steps: ds = -5.0 / 3 truncated, so
        // the last pixel stays just above 5.0 and shows 5.
        {"falling shade", {{0, 0, itofix(10)}, {3, 0, itofix(5)}, {3, 1, itofix(5)}, {0, 1, itofix(10)}},
         {{0, 0, {10, 8, 6, 5}}, {1, 0, {10, 8, 6, 5}}}},
        // Rising over 3 steps from 5.0 to 10.0 the last pixel ends below 10.0.
        {"rising shade", {{0, 0, itofix(5)}, {3, 0, itofix(10)}, {3, 1, itofix(10)}, {0, 1, itofix(5)}},
         {{0, 0, {5, 6, 8, 9}}, {1, 0, {5, 6, 8, 9}}}},
        {"two vertices", {{1, 1, itofix(3)}, {5, 5, itofix(3)}}, {}},
    };
    for (const gouraud_case &c : cases) {
        BITMAP *b = blank_bitmap(16, 16);
        test_screen_polygon sp;
        set_screen_polygon(&sp, c.corners);
        cursor1.picked = 0;
        do_gouroud_poly(b, &sp.poly, 3);
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) {
                int want = 0;
                for (const gouraud_row &r : c.rows)
                    if (r.row == y && x >= r.xa && x < r.xa + static_cast<int>(r.pixels.size()))
                        want = r.pixels[x - r.xa];
                ASSERT_EQ(b->line[y][x], want) << c.name << " at (" << x << "," << y << ")";
            }
        destroy_bitmap(b);
    }
}

TEST_F(Fill, PickingNotesTheLastGouraudSpanUnderThePointer)
{
    const std::vector<corner_spec> triangle = {
        {0, 0, itofix(16)}, {4, 0, itofix(20)}, {0, 4, itofix(24)}};
    struct pick_case {
        int mx, my;
        int picked;  // expected, starting from 100
    };
    const pick_case cases[] = {
        {0, 1, 8}, {3, 1, 8}, {4, 1, 100}, {0, 4, 100}, {4, 0, 8}, {-1, 0, 100}, {0, -1, 100},
    };
    BITMAP *b = blank_bitmap(16, 16);
    test_screen_polygon sp;
    for (const pick_case &c : cases) {
        set_screen_polygon(&sp, triangle);
        mouse_x = c.mx;
        mouse_y = c.my;
        cursor1.picked = 100;
        do_gouroud_poly(b, &sp.poly, 7);
        EXPECT_EQ(cursor1.picked, c.picked) << "pointer at " << c.mx << "," << c.my;
    }

    // Two overlapping polygons: the one drawn later wins, and a flat one,
    // drawn last over both, changes nothing.
    mouse_x = 2;
    mouse_y = 1;
    cursor1.picked = 0;
    set_screen_polygon(&sp, triangle);
    do_gouroud_poly(b, &sp.poly, 1);
    set_screen_polygon(&sp, {{0, 0, itofix(3)}, {9, 0, itofix(3)}, {9, 9, itofix(3)}});
    do_gouroud_poly(b, &sp.poly, 41);
    EXPECT_EQ(cursor1.picked, 42);
    set_screen_polygon(&sp, triangle);
    do_filled_poly(b, &sp.poly);
    EXPECT_EQ(cursor1.picked, 42);

    // A two-vertex list has only single-crossing rows: nothing is picked.
    set_screen_polygon(&sp, {{0, 0, itofix(3)}, {4, 2, itofix(3)}});
    mouse_x = 2;
    do_gouroud_poly(b, &sp.poly, 5);
    EXPECT_EQ(cursor1.picked, 42);

    mouse_x = 0;
    mouse_y = 0;
    destroy_bitmap(b);
}

// Fills handed what the dispatcher never hands them: no write may land
// outside the bitmap (a window into a larger, guarded parent) or the tables.
TEST_F(Fill, BrokenInputsStayInsideTheBitmapAndTables)
{
    const std::vector<std::vector<corner_spec>> polygons = {
        {{-50, -40, itofix(3)}, {400, 10, itofix(200)}, {100, 300, itofix(9)}},
        {{-1, 5, itofix(3)}, {-1, 30, itofix(3)}, {-9, 30, itofix(3)}},
        {{10, -5, itofix(3)}, {40000, 60, itofix(3)}, {-40000, 90, itofix(3)}},
        {{5, 5, INT32_MIN}, {300, 5, INT32_MAX}, {300, 150, 0}, {5, 150, INT32_MAX}},
        {{0, 0, itofix(3)}, {32767, 0, itofix(3)}, {32767, 199, itofix(3)}, {0, 199, itofix(3)}},
        {{0, 0, itofix(3)}},
        {},
    };
    BITMAP *parent = create_bitmap_ex(8, 200, 160);
    for (int shading = 0; shading < 2; shading++)
        for (const std::vector<corner_spec> &cs : polygons) {
            clear_to_color(parent, 0xEE);
            // A window smaller than the screen, with clipping switched off.
            BITMAP *win = create_sub_bitmap(parent, 20, 20, 120, 100);
            clear_to_color(win, 0);
            set_clip_state(win, FALSE);
            test_screen_polygon sp;
            set_screen_polygon(&sp, cs);
            if (shading == 0)
                do_filled_poly(win, &sp.poly);
            else
                do_gouroud_poly(win, &sp.poly, 0);
            for (int y = 0; y < parent->h; y++)
                for (int x = 0; x < parent->w; x++)
                    if (x < 20 || x >= 140 || y < 20 || y >= 120) {
                        ASSERT_EQ(parent->line[y][x], 0xEE)
                            << describe(cs) << " shading " << shading << " at " << x << "," << y;
                    }
            destroy_bitmap(win);
        }

    // More vertices than the working polygon holds, or a negative count.
    test_screen_polygon sp;
    set_screen_polygon(&sp, {{1, 1, 5}, {9, 1, 5}, {9, 9, 5}});
    BITMAP *b = blank_bitmap(16, 16);
    for (int n : {-1, MAX_SCREEN_VERTICES + 1, INT32_MAX}) {
        sp.poly.num_vertices = n;
        do_filled_poly(b, &sp.poly);
        do_gouroud_poly(b, &sp.poly, 0);
    }
    EXPECT_EQ(count_set(b), 0);
    destroy_bitmap(b);
    destroy_bitmap(parent);
}

TEST(FillWithoutEngine, DrawsNothingBeforeStartAndAfterExit)
{
    start_allegro_headless();
    fake_screen(64, 64);
    ASSERT_EQ(poly_edge_rows, 0);
    BITMAP *b = blank_bitmap(64, 64);
    test_screen_polygon sp;
    // Colour 5 for the flat fill, shade 5.0 and more for the Gouraud one.
    set_screen_polygon(&sp, {{1, 1, itofix(5) + 5}, {40, 3, itofix(9)}, {20, 50, itofix(7)}});
    do_filled_poly(b, &sp.poly);
    do_gouroud_poly(b, &sp.poly, 0);
    DrawEdge(0, 0, 10, 10);
    DrawGEdge(0, 0, 0, 10, 10, 0);
    EXPECT_EQ(count_set(b), 0);

    zelk_init();
    do_filled_poly(b, &sp.poly);
    EXPECT_GT(count_set(b), 0);
    zelk_exit();
    clear_to_color(b, 0);
    do_gouroud_poly(b, &sp.poly, 0);
    EXPECT_EQ(count_set(b), 0);
    destroy_bitmap(b);
    fake_screen(0, 0);
}

}  // namespace
