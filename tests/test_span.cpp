// The vector Gouraud spans against the scalar walk: the same bytes for every
// length, start shade and step, and not one byte written past either end.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "span.h"

namespace {

constexpr int GUARD = 40;
constexpr unsigned char UNTOUCHED = 0xA5;

// A span written into the middle of a guarded buffer.
std::vector<unsigned char> run(int path, int count, uint32_t s, uint32_t ds)
{
    std::vector<unsigned char> buf(static_cast<std::size_t>(count) + 2 * GUARD, UNTOUCHED);
    unsigned char *p = buf.data() + GUARD;
    switch (path) {
    case 0: shade_span_scalar(p, count, s, ds); break;
    case 1: shade_span_sse2(p, count, s, ds); break;
    default: shade_span_avx2(p, count, s, ds); break;
    }
    return buf;
}

TEST(Span, ScalarWalkTakesBits16To23OfEachShade)
{
    std::vector<unsigned char> b = run(0, 4, 0xFFFF8000u, 0x8000u);
    // 0xFFFF8000, 0x00000000 (wrapped), 0x8000, 0x10000.
    EXPECT_EQ(b[GUARD + 0], 0xFF);
    EXPECT_EQ(b[GUARD + 1], 0x00);
    EXPECT_EQ(b[GUARD + 2], 0x00);
    EXPECT_EQ(b[GUARD + 3], 0x01);
    EXPECT_EQ(b[GUARD - 1], UNTOUCHED);
    EXPECT_EQ(b[GUARD + 4], UNTOUCHED);
}

TEST(Span, VectorSpansWriteTheScalarBytes)
{
    std::vector<int> paths = {1};
    if (shade_span_avx2_available())
        paths.push_back(2);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> small(0, 80);
    std::uniform_int_distribution<int> large(0, 1100);
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> kind(0, 3);
    for (int trial = 0; trial < 20000; trial++) {
        int count = trial % 4 == 0 ? large(rng) : small(rng);
        uint32_t s = any(rng);
        uint32_t ds = 0;
        switch (kind(rng)) {
        case 0: ds = any(rng); break;                                         // anything
        case 1: ds = static_cast<uint32_t>(static_cast<int>(any(rng) % 0x40000) - 0x20000); break;
        case 2: ds = 0; break;                                                // one shade
        default: ds = static_cast<uint32_t>(-static_cast<int>(any(rng) % 0x10000)); break;
        }
        std::vector<unsigned char> want = run(0, count, s, ds);
        for (int path : paths) {
            std::vector<unsigned char> got = run(path, count, s, ds);
            ASSERT_EQ(got, want) << "path " << path << " count " << count << " s " << s
                                 << " ds " << ds;
        }
    }
    // Every length around the vector widths, with a steep wrapping step.
    for (int count = 0; count <= 130; count++)
        for (int path : paths)
            ASSERT_EQ(run(path, count, 0x7FFF0000u, 0x12345678u),
                      run(0, count, 0x7FFF0000u, 0x12345678u))
                << "path " << path << " count " << count;
}

TEST(Span, NonPositiveCountsWriteNothing)
{
    for (int path = 0; path < (shade_span_avx2_available() ? 3 : 2); path++)
        for (int count : {0, -1, -100}) {
            unsigned char buf[8];
            for (unsigned char &c : buf)
                c = UNTOUCHED;
            switch (path) {
            case 0: shade_span_scalar(buf + 4, count, 0, 1); break;
            case 1: shade_span_sse2(buf + 4, count, 0, 1); break;
            default: shade_span_avx2(buf + 4, count, 0, 1); break;
            }
            for (unsigned char c : buf)
                EXPECT_EQ(c, UNTOUCHED) << "path " << path << " count " << count;
        }
}

}  // namespace
