// Heads-up text: six status lines in the top-left corner of the frame, the
// current camera's position, the cursor square and the frame rate. Reads the
// camera, the cursor and the rate; writes the frame bitmap.
#include "demo.h"

void draw_hud(BITMAP *bmp, const camera *cam, const cursor *cur, float fps)
{
    // A fixed's integer part is its upper half with sign: -0.5 shows as -1.
    textprintf_ex(bmp, font, 0, 0, HUD_COLOUR, -1, "CAM X     : %d", cam->x >> 16);
    textprintf_ex(bmp, font, 0, 8, HUD_COLOUR, -1, "CAM Y     : %d", cam->y >> 16);
    textprintf_ex(bmp, font, 0, 16, HUD_COLOUR, -1, "CAM Z     : %d", cam->z >> 16);
    // The line at y = 24 stays empty.
    textprintf_ex(bmp, font, 0, 32, HUD_COLOUR, -1, "CURS X    : %d", cur->x);
    textprintf_ex(bmp, font, 0, 40, HUD_COLOUR, -1, "CURS Y    : %d", cur->y);
    textprintf_ex(bmp, font, 0, 48, HUD_COLOUR, -1, "FPS       : %0.0f", static_cast<double>(fps));
}
