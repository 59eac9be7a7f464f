// The demonstration program's own records, globals and functions.
#ifndef ZELK_DEMO_H
#define ZELK_DEMO_H

#include "zelk.h"

#include <atomic>

// Set to -1 by the window's close button (Allegro's window thread).
extern std::atomic<int> OSQuit;

// Close-button callback: stores -1 in OSQuit and nothing else.
void QuitFunc(void);

#endif
