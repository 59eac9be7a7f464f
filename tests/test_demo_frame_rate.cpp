// Frame-rate bookkeeping with the time handed in, and the exit output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo.h"

namespace {

// Counts frames at the given times, after a start at t0.
frame_rate run(time_t t0, const std::vector<time_t> &times)
{
    frame_rate fr;
    frame_rate_start(&fr, t0);
    for (time_t t : times) {
        frame_rate_count(&fr, t);
        fr.frames_total++;
    }
    return fr;
}

std::vector<time_t> repeat(time_t t, int n)
{
    return std::vector<time_t>(static_cast<size_t>(n), t);
}

std::vector<time_t> join(std::vector<time_t> a, const std::vector<time_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FrameRate, RateOfTheLastFinishedInterval)
{
    const struct {
        const char *name;
        std::vector<time_t> times;
        float fps;
        int frames_this_second;
    } cases[] = {
        {"clock never moves", repeat(100, 500), 0.0f, 500},
        {"one second of 60 frames", join(repeat(100, 60), {101}), 60.0f, 1},
        // The start second's frames: the first count at 100 adds to 0.
        {"two intervals", join(join(repeat(100, 30), repeat(101, 45)), {102}), 45.0f, 1},
        {"a pass spanning three seconds", join(repeat(100, 1), {103}), 0.0f, 1},
        {"seven frames over two seconds", join(repeat(100, 7), {102}), 3.0f, 1},
        {"a frame in a new second after the start", {101}, 0.0f, 1},
        // A clock set backwards starts anew and keeps the last rate.
        {"clock set back", join(join(repeat(100, 20), {101, 101}), {90}), 20.0f, 1},
    };
    for (const auto &c : cases) {
        frame_rate fr = run(100, c.times);
        EXPECT_EQ(fr.fps, c.fps) << c.name;
        EXPECT_EQ(fr.frames_this_second, c.frames_this_second) << c.name;
        EXPECT_EQ(fr.last_time, c.times.back()) << c.name;
    }
}

std::string exit_output(const frame_rate &fr)
{
    testing::internal::CaptureStdout();
    print_exit_output(&fr);
    return testing::internal::GetCapturedStdout();
}

const std::string BANNER =
    "ZELK - a software 3D engine in 256 colours and 16.16 fixed point\n"
    "Board, cameras and models drawn in software by the ZELK team\n"
    "\n\n\nPlease e-mail all comments to zelk@users.noreply.zelk-engine.org"
    "\n\t . . . and watch for the ZELK library (coming soon)\n\n\n";

TEST(FrameRate, ExitOutput)
{
    const struct {
        const char *name;
        std::vector<time_t> times;
        std::string rates;
    } cases[] = {
        {"clock never moves", repeat(100, 500), "At exit : 0 fps\n"},
        {"one frame, ESC at once", {100}, "At exit : 0 fps\n"},
        {"three seconds", join(join(repeat(100, 10), repeat(101, 20)), join(repeat(102, 30), {103})),
         "At exit : 30 fps\nAverage : 20 fps\n"},
        // 5 frames in 3 seconds: 1.67 in single precision, printed rounded.
        {"rounded average", join(repeat(100, 4), {103}), "At exit : 1 fps\nAverage : 2 fps\n"},
        {"clock set back", join(repeat(100, 4), {99}), "At exit : 0 fps\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(exit_output(run(100, c.times)), BANNER + c.rates) << c.name;
}

}  // namespace
