// The keys of a running frame: screenshot, camera choice and moving the
// board along z. Reads a key-state array; writes scr.pcx, the current camera
// and the board's placement.
#include "demo.h"

#include <cstdint>
#include <cstdio>

void handle_keys(demo_state *st, const volatile char *keys)
{
    if (keys[KEY_ENTER]) {
        // Held ENTER writes the file again every frame; a failure is told once.
        if (save_pcx("scr.pcx", st->frame.bitmap, pal) != 0) {
            if (!st->screenshot_warned)
                std::fprintf(stderr, "zelk-demo: cannot write the screenshot scr.pcx\n");
            st->screenshot_warned = 1;
        } else {
            st->screenshot_warned = 0;
        }
    }
    // Tested in this order, so the last held key wins.
    if (keys[KEY_F1])
        choose_camera(&st->current_camera, &st->cam_f1);
    if (keys[KEY_F2])
        choose_camera(&st->current_camera, &st->cam_f2);
    if (keys[KEY_F9])
        choose_camera(&st->current_camera, &st->cam_f9);
    // A quarter unit per frame; only the board moves. There is no limit: a
    // key held long enough wraps the position round the 32-bit range, in
    // unsigned arithmetic where the wrap is defined.
    if (keys[KEY_PLUS_PAD])
        board.zpos = static_cast<fixed>(static_cast<uint32_t>(board.zpos) - 0x4000u);
    if (keys[KEY_MINUS_PAD])
        board.zpos = static_cast<fixed>(static_cast<uint32_t>(board.zpos) + 0x4000u);
}
