// The board cursor: picking a square from the Gouraud fill's note, moving
// the flat highlight and restoring the square it leaves, the pulsing colour
// and the pointer, on a fake 320x200 screen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "demo.h"
#include "test_support.h"

namespace {

struct CursorTest : ::testing::Test {
    void SetUp() override
    {
        engine_up(320, 200);
        std::srand(1);
        setup_model();
        cursor1 = cursor{};
        const struct polygon &sq = board.polygons[0];
        cursor1.saved_colour = sq.corners[0].colour;
        cursor1.saved_shading = sq.shading;
    }
    void TearDown() override
    {
        free_polygon_model(&board);
        cursor1 = cursor{};
        engine_down();
    }
};

TEST_F(CursorTest, PickedSquareMovesTheCursorOtherValuesLeaveIt)
{
    const struct {
        int picked, x, y;
    } cases[] = {
        {16, 1, 0},   {225, 14, 14}, {1, 0, 0},    {15, 0, 14}, {113, 7, 7},
        // Side faces, the start value and anything else: unchanged (3, 4).
        {0, 3, 4},    {226, 3, 4},   {227, 3, 4},  {230, 3, 4}, {231, 3, 4},
        {-1, 3, 4},   {2, 0, 1},
    };
    for (const auto &c : cases) {
        cursor1.x = 3;
        cursor1.y = 4;
        cursor1.picked = c.picked;
        derive_cursor_pos();
        EXPECT_EQ(cursor1.x, c.x) << c.picked;
        EXPECT_EQ(cursor1.y, c.y) << c.picked;
    }
}

TEST_F(CursorTest, HighlightMovesOnAndTheLeftSquareGetsItsOwnLookBack)
{
    const fixed colour0 = board.polygons[0].corners[0].colour;
    const fixed colour_far = board.polygons[15 * 3 + 4].corners[0].colour;
    const fixed other_corner = board.polygons[0].corners[1].colour;

    draw_cursor(&cursor1, CURSOR_FIRST_COLOUR);
    EXPECT_EQ(board.polygons[0].corners[0].colour, CURSOR_FIRST_COLOUR);
    EXPECT_EQ(board.polygons[0].shading, 1);
    EXPECT_EQ(board.polygons[0].corners[1].colour, other_corner);

    // Not moved: restored and highlighted again in the next colour.
    draw_cursor(&cursor1, 50);
    EXPECT_EQ(board.polygons[0].corners[0].colour, 50);
    EXPECT_EQ(cursor1.saved_colour, colour0);
    EXPECT_EQ(cursor1.saved_shading, 2);

    cursor1.x = 3;
    cursor1.y = 4;
    draw_cursor(&cursor1, 51);
    EXPECT_EQ(board.polygons[0].corners[0].colour, colour0);
    EXPECT_EQ(board.polygons[0].shading, 2);
    EXPECT_EQ(board.polygons[49].corners[0].colour, 51);
    EXPECT_EQ(board.polygons[49].shading, 1);
    EXPECT_EQ(cursor1.old_x, 3);
    EXPECT_EQ(cursor1.old_y, 4);
    EXPECT_EQ(cursor1.saved_colour, colour_far);
    EXPECT_EQ(cursor1.saved_shading, 2);

    cursor1.x = 14;
    cursor1.y = 14;
    draw_cursor(&cursor1, 52);
    EXPECT_EQ(board.polygons[49].corners[0].colour, colour_far);
    EXPECT_EQ(board.polygons[49].shading, 2);
    EXPECT_EQ(board.polygons[224].shading, 1);
}

TEST_F(CursorTest, ColourPulsesUpAndDownTheRedRamp)
{
    int colour = CURSOR_FIRST_COLOUR;
    int step = 1;
    int seen[64] = {};
    // From 49: up to 63 (14 steps), down to 48 (15), up to 49 (1) = 30.
    for (int frame = 0; frame < 30; frame++) {
        cursor_colour_step(&colour, &step);
        ASSERT_GE(colour, 48);
        ASSERT_LE(colour, 63);
        seen[colour]++;
        if (frame == 13) {
            EXPECT_EQ(colour, 63);
        }
        if (frame == 28) {
            EXPECT_EQ(colour, 48);
        }
    }
    EXPECT_EQ(colour, 49);
    EXPECT_EQ(step, 1);
    EXPECT_EQ(seen[63], 1);
    EXPECT_EQ(seen[48], 1);
    EXPECT_EQ(seen[55], 2);
}

TEST_F(CursorTest, PointerModeDrawsThePointerAndPicksOnlyWhenItMoved)
{
    demo_state *st = new demo_state{};
    st->frame.bitmap = create_bitmap_ex(8, 320, 200);
    clear_bitmap(st->frame.bitmap);

    // No pointer image: nothing is drawn, the cursor still follows.
    mouse_x = 10;
    mouse_y = 20;
    cursor1.picked = 16;
    pointer_mode(st, 10, 20);
    EXPECT_EQ(cursor1.x, 1);
    EXPECT_EQ(st->last_mouse_x, 10);
    EXPECT_EQ(st->last_mouse_y, 20);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(getpixel(st->frame.bitmap, x, y), 0);

    // Same place: the note is not read.
    cursor1.picked = 225;
    pointer_mode(st, 10, 20);
    EXPECT_EQ(cursor1.x, 1);
    EXPECT_EQ(cursor1.y, 0);

    // A pointer image, colour 0 transparent, top-left at the pointer.
    BITMAP *img = create_bitmap_ex(8, 2, 2);
    clear_bitmap(img);
    putpixel(img, 1, 1, 77);
    cursor1.pointer = img;
    mouse_y = 21;
    pointer_mode(st, 10, 21);
    EXPECT_EQ(cursor1.x, 14);
    EXPECT_EQ(getpixel(st->frame.bitmap, 11, 22), 77);
    EXPECT_EQ(getpixel(st->frame.bitmap, 10, 21), 0);

    cursor1.pointer = nullptr;
    destroy_bitmap(img);
    destroy_bitmap(st->frame.bitmap);
    delete st;
    mouse_x = 0;
    mouse_y = 0;
}

}  // namespace
