// Program entry of the ZELK demonstration: starts Allegro and the input
// devices, lets the user choose a screen mode, runs the frame loop until ESC
// or the close button, then shuts down and prints the exit output.
#include "demo.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

// Reports a start-up failure with Allegro's own reason and takes Allegro
// down. Allegro gives no reason when it finds no display at all.
static int fail(const char *what)
{
    const char *display = std::getenv("DISPLAY");
    if (allegro_error[0])
        std::fprintf(stderr, "zelk-demo: %s: %s\n", what, allegro_error);
    else if (!display || !display[0])
        std::fprintf(stderr, "zelk-demo: %s: no display (DISPLAY is not set)\n", what);
    else
        std::fprintf(stderr, "zelk-demo: %s: no usable display or console (DISPLAY is %s)\n",
                     what, display);
    allegro_exit();
    return 1;
}

int main()
{
    if (allegro_init() != 0)
        return fail("cannot start Allegro");
    set_close_button_callback(QuitFunc);
    if (install_keyboard() != 0)
        return fail("cannot install the keyboard");
    if (install_mouse() < 0)
        std::fprintf(stderr, "zelk-demo: no mouse found; the demo runs without one\n");

    int mode = choose_gmode();
    if (mode == GMODE_FAILED)
        return fail("cannot set the graphics mode");
    if (mode == GMODE_CLOSED) {
        allegro_exit();
        return 0;
    }
    zelk_init();

    static demo_state st{};
    demo_start(&st, time(nullptr));
    while (!demo_frame(&st)) {
    }

    demo_release(&st);
    allegro_exit();
    zelk_exit();
    print_exit_output(&st.rate);
    return 0;
}
END_OF_MAIN()
