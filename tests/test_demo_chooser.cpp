// The resolution chooser's bar moves and the mode of each entry.
#include <gtest/gtest.h>

#include "demo.h"

namespace {

TEST(Chooser, BarMovesWithinTheThreeEntries)
{
    const struct {
        int bar_y, up, down, next;
    } cases[] = {
        {48, 0, 0, 48},  {48, 1, 0, 48},  {48, 0, 1, 98},  {98, 1, 0, 48},
        {98, 0, 1, 148}, {148, 0, 1, 148}, {148, 1, 0, 98}, {98, 1, 1, 98},
        {48, 1, 1, 98},  {148, 1, 1, 148},
    };
    for (const auto &c : cases)
        EXPECT_EQ(chooser_next_bar(c.bar_y, c.up, c.down), c.next)
            << c.bar_y << " up " << c.up << " down " << c.down;
}

TEST(Chooser, EachEntrySelectsItsMode)
{
    const struct {
        int bar_y, card, w, h;
    } cases[] = {
        {48, GFX_AUTODETECT_WINDOWED, 320, 200},
        {98, GFX_AUTODETECT_WINDOWED, 640, 480},
        {148, GFX_AUTODETECT, 1024, 768},
    };
    for (const auto &c : cases) {
        gmode_entry m = chooser_mode(c.bar_y);
        EXPECT_EQ(m.card, c.card) << c.bar_y;
        EXPECT_EQ(m.width, c.w) << c.bar_y;
        EXPECT_EQ(m.height, c.h) << c.bar_y;
    }
}

}  // namespace
