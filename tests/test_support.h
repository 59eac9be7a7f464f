// Shared fixture for the engine's tests: Allegro started without a window,
// a screen size chosen by the test through a driver record of its own, and
// 8-bit memory bitmaps to draw into.
#ifndef ZELK_TEST_SUPPORT_H
#define ZELK_TEST_SUPPORT_H

#include <cerrno>
#include <cstdlib>

#include "zelk.h"

// Starts Allegro once per test program, with no system driver.
inline void start_allegro_headless()
{
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        started = true;
    }
}

// Pretends that a w by h screen mode is set: SCREEN_W and SCREEN_H read this
// record. Pass 0, 0 to remove it again.
inline void fake_screen(int w, int h)
{
    static GFX_DRIVER driver;
    if (w <= 0 || h <= 0) {
        gfx_driver = nullptr;
        return;
    }
    driver = GFX_DRIVER{};
    driver.w = w;
    driver.h = h;
    gfx_driver = &driver;
}

// Allegro started, a fake screen of w by h and the engine started for it;
// everything is taken down again at the end of the test.
struct engine_screen {
    int w, h;
};

inline void engine_up(int w, int h)
{
    start_allegro_headless();
    fake_screen(w, h);
    zelk_init();
}

inline void engine_down()
{
    zelk_exit();
    fake_screen(0, 0);
}

#endif
