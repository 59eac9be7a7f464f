// The resolution chooser: a 320x200 menu of three screen modes with a shaded
// highlight bar moved by UP and DOWN and confirmed by ENTER, then the switch
// to the chosen mode. Reads the keyboard; writes the screen and its palette.
#include "demo.h"

static const char *const MENU_TEXT[3] = {
    "VGA : 320x200 (windowed)",
    "SVGA : 640x480 (windowed)",
    "SVGA : 1024x768 (fullscreen)",
};

int chooser_next_bar(int bar_y, int up, int down)
{
    if (up && bar_y > CHOOSER_FIRST_BAR)
        bar_y -= CHOOSER_BAR_STEP;
    if (down && bar_y < CHOOSER_LAST_BAR)
        bar_y += CHOOSER_BAR_STEP;
    return bar_y;
}

gmode_entry chooser_mode(int bar_y)
{
    // The last entry lets Allegro pick the driver, whatever its text says.
    if (bar_y >= CHOOSER_LAST_BAR)
        return gmode_entry{GFX_AUTODETECT, 1024, 768};
    if (bar_y > CHOOSER_FIRST_BAR)
        return gmode_entry{GFX_AUTODETECT_WINDOWED, 640, 480};
    return gmode_entry{GFX_AUTODETECT_WINDOWED, 320, 200};
}

// The menu's palette: black background, white text, and the bar's ramp
// from red to blue in entries 192 to 255.
static void set_menu_palette(void)
{
    PALETTE menu = {};
    menu[15].r = 63;
    menu[15].g = 63;
    menu[15].b = 63;
    for (int i = 0; i < 64; i++) {
        menu[192 + i].r = static_cast<unsigned char>((64 - i) % 64);
        menu[192 + i].g = 0;
        menu[192 + i].b = static_cast<unsigned char>(i);
    }
    set_palette(menu);
}

static void draw_menu(int bar_y)
{
    // 13 lines, red fading while blue rises; Allegro clips the right end.
    for (int j = 0; j <= 12; j++)
        hline(screen, 0, bar_y + j, 360, 193 + 4 * j);
    textout_centre_ex(screen, font, "Choose a resolution : ", 160, 0, 15, -1);
    // Each text starts two lines below the top of its bar position.
    for (int e = 0; e < 3; e++)
        textout_centre_ex(screen, font, MENU_TEXT[e], 160, 50 + CHOOSER_BAR_STEP * e, 15, -1);
}

int choose_gmode(void)
{
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 320, 200, 0, 0) != 0)
        return GMODE_FAILED;
    clear_bitmap(screen);
    set_menu_palette();

    int bar_y = CHOOSER_FIRST_BAR;
    int chosen = 0;
    while (!chosen) {
        draw_menu(bar_y);
        // Busy wait for a key; the close button also ends the wait.
        while (!keypressed()) {
            if (OSQuit.load() != 0)
                return GMODE_CLOSED;
        }
        if (key[KEY_ENTER])
            chosen = 1;
        bar_y = chooser_next_bar(bar_y, key[KEY_UP], key[KEY_DOWN]);
        clear_bitmap(screen);
        clear_keybuf();
    }

    gmode_entry mode = chooser_mode(bar_y);
    if (set_gfx_mode(mode.card, mode.width, mode.height, 0, 0) != 0)
        return GMODE_FAILED;
    return GMODE_SET;
}
