// Scene line buffers: which parts exist for each mode and level, that every
// buffer has room for a whole screen line, and that freeing releases all of
// it (the sanitizer build reports any byte left behind or overrun).
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct scene_case {
    int mode, level, num_entries;
    bool has_entries, has_lines, has_buf32;
};

// Writes the last element of every buffer that should exist, so that a
// buffer shorter than a screen line is an overrun under AddressSanitizer.
void touch_every_buffer(const scene &s, const scene_case &c, int w, int h)
{
    if (c.has_entries && c.num_entries > 0) {
        s.entries[c.num_entries - 1].word[1] = 7;
        s.entries[0].word[0] = 7;
    }
    if (!c.has_lines)
        return;
    for (int r = 0; r < h; r++) {
        const scene_row &row = s.lines->rows[r];
        for (int k = 0; k < 3; k++)
            row.buf8[k][w - 1] = 1;
        row.buf16[w - 1] = 1;
        if (c.has_buf32)
            row.buf32[w - 1] = 1;
    }
}

TEST(SceneLines, PartsFollowTheModeAndLevel)
{
    start_allegro_headless();
    fake_screen(320, 200);
    const scene_case cases[] = {
        {0, 0, 32000, true, false, false},
        {-5, 9, 3, true, false, false},
        {2, 2, 10, true, false, false},
        {3, 1, 10, true, true, false},
        {3, 2, 10, true, true, true},
        {15, 0, 1, true, true, false},
        {16, 2, 10, false, true, true},
        {16, 1, 10, false, true, false},
        {100, 5, 0, false, true, true},
        {1, 0, 0, true, false, false},
    };
    for (const scene_case &c : cases) {
        scene s;
        s.num_entries = c.num_entries;
        allocate_scene(&s, c.mode, c.level);
        EXPECT_EQ(s.mode, c.mode);
        EXPECT_EQ(s.entries != nullptr, c.has_entries) << "mode " << c.mode;
        ASSERT_EQ(s.lines != nullptr, c.has_lines) << "mode " << c.mode;
        if (c.has_lines) {
            EXPECT_EQ(s.lines->level, c.level);
            for (int r = 0; r < 200; r++)
                EXPECT_EQ(s.lines->rows[r].buf32 != nullptr, c.has_buf32) << "row " << r;
        }
        touch_every_buffer(s, c, 320, 200);
        free_scene(&s);
        EXPECT_EQ(s.entries, nullptr);
        EXPECT_EQ(s.lines, nullptr);
    }
    fake_screen(0, 0);
}

TEST(SceneLines, NegativeEntryCountGivesAnEmptyArray)
{
    start_allegro_headless();
    scene s;
    s.num_entries = -1000;
    allocate_scene(&s, 0, 0);
    EXPECT_NE(s.entries, nullptr);
    free_scene(&s);
}

TEST(SceneLines, ReleasedAfterTheScreenChangedAndFreedTwice)
{
    start_allegro_headless();
    fake_screen(64, 40);
    scene s;
    s.num_entries = 5;
    allocate_scene(&s, 3, 2);
    // The rows are found without asking the screen again.
    fake_screen(640, 480);
    free_scene(&s);
    fake_screen(0, 0);
    free_scene(&s);
    EXPECT_EQ(s.lines, nullptr);
}

} // namespace
