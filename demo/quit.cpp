// The close button: Allegro's window thread sets a flag that the frame loop
// reads once per pass.
#include "demo.h"

std::atomic<int> OSQuit{0};

void QuitFunc(void)
{
    OSQuit.store(-1);
}
