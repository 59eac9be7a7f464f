// Program entry of the ZELK demonstration.
#include "demo.h"

int main()
{
    return 0;
}
END_OF_MAIN()
