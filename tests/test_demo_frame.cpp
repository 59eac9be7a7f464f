// Whole passes of the frame loop on a fake 320x200 screen held in memory:
// the exit test, the frame count, the first pass's slide and the steps that
// end up on the screen.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

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

TEST_F(FrameTest, TheScreenshotHoldsTheBoardAndTextButNoPointerOrModels)
{
    // What the frame holds when the keys are read: the highlighted board and
    // the heads-up text, drawn here on a bitmap of the test's own.
    BITMAP *want = create_bitmap_ex(8, 320, 200);
    clear_bitmap(want);
    draw_cursor(&cursor1, st->cursor_colour);
    Model(want, &board);
    draw_hud(want, st->current_camera, &cursor1, st->rate.fps);

    // Pointer mode with the pointer in view: it is drawn after the keys.
    st->steer_mode = STEER_POINTER;
    mouse_x = 150;
    mouse_y = 120;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    char tmpl[] = "/tmp/zelk-frame-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    ASSERT_EQ(chdir(tmpl), 0);
    key[KEY_ENTER] = 1;
    demo_frame(st);
    key[KEY_ENTER] = 0;
    PALETTE got_pal;
    BITMAP *got = load_pcx("scr.pcx", got_pal);
    ASSERT_EQ(chdir(cwd), 0);
    std::string cmd = std::string("rm -rf ") + tmpl;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    mouse_x = 0;
    mouse_y = 0;

    ASSERT_NE(got, nullptr);
    long differ_from_screen = 0;
    for (int y = 0; y < 200; y++) {
        for (int x = 0; x < 320; x++) {
            ASSERT_EQ(getpixel(got, x, y), getpixel(want, x, y)) << x << "," << y;
            differ_from_screen += getpixel(got, x, y) != getpixel(screen, x, y);
        }
    }
    // The shown frame has the models (and the pointer) over it.
    EXPECT_GT(differ_from_screen, 100);
    // The pointer lands on the screen with its top-left corner at the pointer.
    ASSERT_NE(cursor1.pointer, nullptr);
    for (int y = 0; y < cursor1.pointer->h; y++) {
        for (int x = 0; x < cursor1.pointer->w; x++) {
            int c = getpixel(cursor1.pointer, x, y);
            if (c != 0) {
                ASSERT_EQ(getpixel(screen, 150 + x, 120 + y), c) << x << "," << y;
            }
        }
    }
    destroy_bitmap(got);
    destroy_bitmap(want);
}

}  // namespace
