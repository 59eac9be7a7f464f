// The board cursor as the rasteriser meets it: all zeros when the program
// starts, and a Gouraud fill under the pointer writes its picked field and
// no other.
#include <gtest/gtest.h>

#include "raster_support.h"

namespace {

// Taken while the program starts, before any test can touch the record.
const cursor at_start = cursor1;

TEST(CursorRecord, HoldsAllZerosWhenTheProgramStarts)
{
    EXPECT_EQ(at_start.x, 0);
    EXPECT_EQ(at_start.y, 0);
    EXPECT_EQ(at_start.saved_colour, 0);
    EXPECT_EQ(at_start.saved_shading, 0);
    EXPECT_EQ(at_start.old_x, 0);
    EXPECT_EQ(at_start.old_y, 0);
    EXPECT_EQ(at_start.picked, 0);
    EXPECT_EQ(at_start.pointer, nullptr);
}

TEST(CursorRecord, GouraudFillUnderThePointerChangesOnlyPicked)
{
    engine_up(320, 200);
    BITMAP *b = blank_bitmap(320, 200);
    BITMAP *pointer = blank_bitmap(4, 4);
    const cursor before = {3, 4, itofix(17), 2, 5, 6, 0, pointer};
    struct fill_case {
        const char *name;
        int shading;     // 0 flat, 2 Gouraud
        int mx, my;      // pointer
        int picked;      // expected afterwards
    };
    const fill_case cases[] = {
        {"Gouraud under the pointer", 2, 20, 20, 10},
        {"Gouraud away from the pointer", 2, 300, 150, 0},
        {"flat under the pointer", 0, 20, 20, 0},
    };
    for (const fill_case &c : cases) {
        cursor1 = before;
        mouse_x = c.mx;
        mouse_y = c.my;
        test_screen_polygon sp;
        set_screen_polygon(&sp, {{10, 10, itofix(9)}, {60, 10, itofix(9)}, {35, 50, itofix(9)}});
        if (c.shading == 2)
            do_gouroud_poly(b, &sp.poly, 9);
        else
            do_filled_poly(b, &sp.poly);
        EXPECT_EQ(cursor1.picked, c.picked) << c.name;
        EXPECT_TRUE(cursor1.x == before.x && cursor1.y == before.y &&
                    cursor1.saved_colour == before.saved_colour &&
                    cursor1.saved_shading == before.saved_shading &&
                    cursor1.old_x == before.old_x && cursor1.old_y == before.old_y &&
                    cursor1.pointer == before.pointer)
            << c.name;
    }
    mouse_x = 0;
    mouse_y = 0;
    cursor1 = cursor{};
    destroy_bitmap(pointer);
    destroy_bitmap(b);
    engine_down();
}

}  // namespace
