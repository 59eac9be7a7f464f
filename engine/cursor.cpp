// The board cursor record. It lives in the engine because the Gouraud fill
// writes its picked field; the demo owns every other field.
#include "zelk.h"

cursor cursor1;
