// Frame-rate bookkeeping and the exit output: counts frames per whole second
// of time(NULL), keeps the rate of the last finished interval, and prints the
// farewell banner with the rates on standard output at the end of the run.
#include "demo.h"

#include <climits>
#include <cstdio>

void frame_rate_start(frame_rate *fr, time_t t)
{
    fr->start_time = t;
    fr->last_second = t;
    fr->last_time = t;
    fr->frames_this_second = 0;
    fr->frames_total = 0;
    fr->fps = 0.0f;
}

void frame_rate_count(frame_rate *fr, time_t t)
{
    fr->last_time = t;
    if (t == fr->last_second) {
        // Saturates: a clock that never moves must not overflow the count.
        if (fr->frames_this_second < INT_MAX)
            fr->frames_this_second++;
        return;
    }
    // A clock set backwards starts a new interval and keeps the last rate,
    // which would otherwise come out negative.
    if (t > fr->last_second) {
        time_t seconds = t - fr->last_second;
        // Integer quotient, truncated: fps is always a whole number.
        fr->fps = static_cast<float>(fr->frames_this_second / seconds);
    }
    fr->frames_this_second = 1;  // this frame is the first of the new interval
    fr->last_second = t;
}

void print_exit_output(const frame_rate *fr)
{
    std::puts("ZELK - a software 3D engine in 256 colours and 16.16 fixed point");
    std::puts("Board, cameras and models drawn in software by the ZELK team");
    std::puts("\n\n\nPlease e-mail all comments to zelk@users.noreply.zelk-engine.org"
              "\n\t . . . and watch for the ZELK library (coming soon)\n\n");
    std::printf("At exit : %0.0f fps\n", static_cast<double>(fr->fps));
    // Only when time has moved forward: no division by zero, no negative rate.
    if (fr->last_time > fr->start_time) {
        float average = static_cast<float>(fr->frames_total) /
                        static_cast<float>(fr->last_time - fr->start_time);
        std::printf("Average : %0.0f fps\n", static_cast<double>(average));
    }
    std::fflush(stdout);
}
