// Whole passes of the frame loop on a fake 320x200 screen held in memory:
// the exit test, the frame count, the first pass's slide and the steps that
// end up on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "demo.h"
#include "test_support.h"

namespace {

struct FrameTest : ::testing::Test {
    demo_state *st = nullptr;
    BITMAP *fake = nullptr;
    void SetUp() override
    {
        engine_up(320, 200);
        std::srand(1);
        cursor1 = cursor{};
        st = new demo_state{};
        // No screen while the palette is set (the fake driver has none to
        // set); the frames then go to a memory bitmap standing in for it.
        demo_start(st, 1000);
        fake = create_bitmap_ex(8, 320, 200);
        screen = fake;
    }
    void TearDown() override
    {
        demo_release(st);
        delete st;
        screen = nullptr;
        destroy_bitmap(fake);
        std::memset(const_cast<char *>(key), 0, KEY_MAX);
        OSQuit.store(0);
        cursor1 = cursor{};
        engine_down();
    }
};

TEST_F(FrameTest, StartLeavesTheLoopStateReady)
{
    EXPECT_EQ(st->current_camera, &st->cam_f1);
    EXPECT_EQ(st->steer_mode, STEER_SLIDE);
    EXPECT_EQ(st->cursor_colour, 49);
    EXPECT_EQ(st->cursor_step, 1);
    EXPECT_EQ(st->rate.start_time, 1000);
    EXPECT_EQ(st->rate.frames_total, 0);
    EXPECT_EQ(st->frame.num_buckets, 32000);
    EXPECT_EQ(cursor1.saved_colour, board.polygons[0].corners[0].colour);
    EXPECT_NE(cursor1.pointer, nullptr);  // bitmaps/mouse.pcx of the repository
    for (const demo_model &m : st->models)
        EXPECT_TRUE(m.loaded);
}

TEST_F(FrameTest, EscOrTheCloseButtonEndTheRunAfterThePass)
{
    EXPECT_EQ(demo_frame(st), 0);
    EXPECT_EQ(st->rate.frames_total, 1);
    EXPECT_EQ(st->cursor_colour, 50);
    // The highlight of the first pass sits on square (0, 0).
    EXPECT_EQ(board.polygons[0].shading, 1);
    EXPECT_EQ(board.polygons[0].corners[0].colour, 49);

    key[KEY_ESC] = 1;
    EXPECT_NE(demo_frame(st), 0);
    EXPECT_EQ(st->rate.frames_total, 2);
    key[KEY_ESC] = 0;

    OSQuit.store(-1);
    EXPECT_NE(demo_frame(st), 0);
    EXPECT_EQ(st->rate.frames_total, 3);
}

TEST_F(FrameTest, ThePassEndsOnTheScreenAndLeavesTheFrameBufferClear)
{
    demo_frame(st);
    long lit = 0;
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            lit += getpixel(screen, x, y) != 0;
    EXPECT_GT(lit, 10000);
    // The heads-up text is on the screen in its colour: "FPS" at y = 48.
    long text = 0;
    for (int y = 48; y < 56; y++)
        for (int x = 0; x < 24; x++)
            text += getpixel(screen, x, y) == HUD_COLOUR;
    EXPECT_GT(text, 10);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(getpixel(st->frame.bitmap, x, y), 0);
    for (int i = 0; i < st->frame.num_buckets; i++)
        ASSERT_EQ(st->frame.buckets[i].poly, nullptr);
}

}  // namespace
