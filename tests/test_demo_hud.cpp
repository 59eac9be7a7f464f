// The heads-up text: six lines in their formats and places, compared with
// the expected strings printed by Allegro's own text output.
#include <gtest/gtest.h>

#include <cstring>

#include "demo.h"
#include "test_support.h"

namespace {

bool same_pixels(BITMAP *a, BITMAP *b)
{
    for (int y = 0; y < a->h; y++)
        if (std::memcmp(a->line[y], b->line[y], static_cast<size_t>(a->w)) != 0)
            return false;
    return true;
}

TEST(Hud, SixLinesInTheirFormatsAndPlaces)
{
    start_allegro_headless();
    BITMAP *got = create_bitmap_ex(8, 320, 200);
    BITMAP *want = create_bitmap_ex(8, 320, 200);

    const struct {
        fixed x, y, z;
        int cx, cy;
        float fps;
        const char *lines[6];
    } cases[] = {
        {-32768, ftofix(79.99), 0, 0, 0, 0.0f,
         {"CAM X     : -1", "CAM Y     : 79", "CAM Z     : 0", "CURS X    : 0", "CURS Y    : 0",
          "FPS       : 0"}},
        {itofix(-80), itofix(150), itofix(80), 14, 7, 1234.0f,
         {"CAM X     : -80", "CAM Y     : 150", "CAM Z     : 80", "CURS X    : 14",
          "CURS Y    : 7", "FPS       : 1234"}},
    };
    const int rows[6] = {0, 8, 16, 32, 40, 48};
    for (const auto &c : cases) {
        // A background that the transparent text must leave alone.
        clear_to_color(got, 5);
        clear_to_color(want, 5);
        camera cam{};
        cam.x = c.x;
        cam.y = c.y;
        cam.z = c.z;
        cursor cur{};
        cur.x = c.cx;
        cur.y = c.cy;
        draw_hud(got, &cam, &cur, c.fps);
        for (int i = 0; i < 6; i++)
            textout_ex(want, font, c.lines[i], 0, rows[i], HUD_COLOUR, -1);
        EXPECT_TRUE(same_pixels(got, want)) << c.lines[0];
    }
    destroy_bitmap(got);
    destroy_bitmap(want);
}

}  // namespace
