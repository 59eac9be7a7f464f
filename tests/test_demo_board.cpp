// The demo's board, square lookup table and palette, built for a 320x200
// screen without a window.
#include <gtest/gtest.h>

#include <cstdlib>

#include "demo.h"
#include "test_support.h"

namespace {

struct BoardTest : ::testing::Test {
    void SetUp() override
    {
        engine_up(320, 200);
        std::srand(1);  // the state an unseeded program starts in
        setup_model();
    }
    void TearDown() override
    {
        free_polygon_model(&board);
        engine_down();
    }
};

TEST_F(BoardTest, LookupNamesEachSquaresIndices)
{
    const struct {
        int polygon, x, y;
    } cases[] = {{0, 0, 0}, {14, 0, 14}, {15, 1, 0}, {112, 7, 7}, {224, 14, 14}};
    for (const auto &c : cases) {
        EXPECT_EQ(POLYGON_LOOKUP[c.polygon][0], c.x) << c.polygon;
        EXPECT_EQ(POLYGON_LOOKUP[c.polygon][1], c.y) << c.polygon;
    }
}

TEST_F(BoardTest, SquareZeroHasItsFourCornersOnTheTopFace)
{
    const struct polygon &sq = board.polygons[0];
    ASSERT_EQ(sq.num_corners, 4);
    const int vertex_index[4] = {16, 17, 1, 0};
    const int xy[4][2] = {{65, 75}, {65, 65}, {75, 65}, {75, 75}};
    for (int c = 0; c < 4; c++) {
        EXPECT_EQ(sq.vertex_ptrs[c], &board.vertices[vertex_index[c]]) << c;
        EXPECT_EQ(sq.vertex_ptrs[c]->x, itofix(xy[c][0])) << c;
        EXPECT_EQ(sq.vertex_ptrs[c]->y, itofix(xy[c][1])) << c;
        EXPECT_EQ(sq.vertex_ptrs[c]->z, 0x28000) << c;
    }
}

TEST_F(BoardTest, SquareTonesAreWholeGreysByParityDrawnOddSquaresFirst)
{
    for (int p = 0; p < BOARD_SQUARES; p++) {
        const struct polygon &sq = board.polygons[p];
        EXPECT_EQ(sq.shading, 2) << p;
        for (int c = 0; c < 4; c++) {
            int colour = sq.corners[c].colour;
            EXPECT_EQ(colour & 0xffff, 0) << p << "/" << c;
            if (p % 2) {
                EXPECT_GE(colour, itofix(1)) << p;
                EXPECT_LE(colour, itofix(15)) << p;
            } else {
                EXPECT_GE(colour, itofix(16)) << p;
                EXPECT_LE(colour, itofix(31)) << p;
            }
        }
    }

    // Replaying the same 900 draws: all odd squares, then all even ones,
    // corners 0 to 3 each.
    std::srand(1);
    for (int p = 1; p < BOARD_SQUARES; p += 2)
        for (int c = 0; c < 4; c++)
            ASSERT_EQ(board.polygons[p].corners[c].colour, itofix(std::rand() % 15 + 1)) << p;
    for (int p = 0; p < BOARD_SQUARES; p += 2)
        for (int c = 0; c < 4; c++)
            ASSERT_EQ(board.polygons[p].corners[c].colour, itofix(std::rand() % 16 + 16)) << p;
}

TEST_F(BoardTest, BaseAndSidesAndSettings)
{
    const struct {
        int polygon;
        int vertices[4];
        int shading;
    } faces[] = {
        {225, {256, 257, 258, 259}, 1}, {226, {0, 15, 259, 258}, 2},
        {227, {15, 255, 256, 259}, 2},  {228, {255, 240, 257, 256}, 2},
        {229, {240, 0, 258, 257}, 2},
    };
    for (const auto &f : faces) {
        const struct polygon &p = board.polygons[f.polygon];
        EXPECT_EQ(p.num_corners, 4);
        EXPECT_EQ(p.shading, f.shading) << f.polygon;
        for (int c = 0; c < 4; c++)
            EXPECT_EQ(p.vertex_ptrs[c], &board.vertices[f.vertices[c]]) << f.polygon;
        if (f.polygon == 225) {
            EXPECT_EQ(p.corners[0].colour, 16);
        } else {
            const fixed tones[4] = {itofix(31), itofix(31), itofix(16), itofix(16)};
            for (int c = 0; c < 4; c++)
                EXPECT_EQ(p.corners[c].colour, tones[c]) << f.polygon;
        }
    }
    EXPECT_EQ(board.vertices[256].x, itofix(-75));
    EXPECT_EQ(board.vertices[258].y, itofix(75));
    EXPECT_EQ(board.vertices[259].z, -0x28000);
    EXPECT_EQ(board.vertices[255].x, itofix(-75));  // grid corner 16 * 15 + 15
    EXPECT_EQ(board.vertices[255].y, itofix(-75));

    EXPECT_EQ(board.num_vertices, 260);
    EXPECT_EQ(board.num_polygons, 230);
    EXPECT_EQ(board.sort_mode, 8);
    EXPECT_EQ(board.transform_mode, 4);
    EXPECT_EQ(board.xrot, itofix(64));
    EXPECT_EQ(board.yrot, 0);
    EXPECT_EQ(board.zrot, 0);
    EXPECT_EQ(board.xpos, 0);
    EXPECT_EQ(board.ypos, 0);
    EXPECT_EQ(board.zpos, 0);
    EXPECT_EQ(board.backface_cull, 1);
}

TEST_F(BoardTest, PaletteRamps)
{
    const struct {
        int entry, r, g, b;
    } cases[] = {
        {0, 0, 0, 0},     {1, 2, 2, 2},       {31, 62, 62, 62},  {32, 0, 0, 0},
        {47, 60, 60, 60}, {49, 4, 0, 0},      {63, 60, 0, 0},    {79, 0, 60, 0},
        {95, 0, 0, 60},   {111, 60, 60, 0},   {127, 60, 0, 60},  {143, 0, 60, 60},
        {145, 4, 2, 0},   {159, 60, 30, 0},   {160, 0, 0, 0},    {255, 0, 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(pal[c.entry].r, c.r) << c.entry;
        EXPECT_EQ(pal[c.entry].g, c.g) << c.entry;
        EXPECT_EQ(pal[c.entry].b, c.b) << c.entry;
    }
}

}  // namespace
