// Near-plane clipping: polygons given in camera space are cut at cz = 2.0;
// every case lists the corners that must come out, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr fixed U = 0x10000;  // one unit in fixed

struct clip_corner {
    fixed cx, cy, cz;  // camera space, raw fixed
    int colour;
};

// A source polygon of the given corners with its own vertices; aux words are
// 10 * corner + 1 and -(10 * corner + 1).
struct source_polygon {
    std::vector<vertex> vertices;
    std::vector<vertex *> ptrs;
    std::vector<corner> corners;
    struct polygon poly;
};

void make_source(source_polygon *s, const std::vector<clip_corner> &in, int shading)
{
    s->vertices.assign(in.size(), vertex{});
    s->corners.assign(in.size(), corner{});
    s->ptrs.clear();
    for (size_t k = 0; k < in.size(); k++) {
        s->vertices[k].cx = in[k].cx;
        s->vertices[k].cy = in[k].cy;
        s->vertices[k].cz = in[k].cz;
        s->corners[k].colour = in[k].colour;
        s->corners[k].aux[0] = static_cast<int>(10 * k + 1);
        s->corners[k].aux[1] = -static_cast<int>(10 * k + 1);
    }
    for (vertex &v : s->vertices)
        s->ptrs.push_back(&v);
    s->poly = {};
    s->poly.num_corners = static_cast<int>(in.size());
    s->poly.vertex_ptrs = s->ptrs.data();
    s->poly.corners = s->corners.data();
    s->poly.shading = shading;
}

// Cuts the source into a working polygon with room for exactly 2n corners
// (the most any outline of n corners can produce) and returns its corners.
std::vector<clip_corner> cut(source_polygon *s, int *shading_out)
{
    int n = s->poly.num_corners;
    mpolygon out;
    allocate_mpolygon(&out, 2 * n);
    std::vector<vertex> scratch(2 * n);
    for (int k = 0; k < 2 * n; k++)
        out.vertex_ptrs[k] = &scratch[k];
    out.num_corners = -1;
    clip3dpoly(&s->poly, &out);
    std::vector<clip_corner> result;
    for (int k = 0; k < out.num_corners; k++) {
        const vertex *v = out.vertex_ptrs[k];
        result.push_back({v->cx, v->cy, v->cz, out.corners[k].colour});
    }
    *shading_out = out.shading;
    free_mpolygon(&out);
    return result;
}

struct clip_case {
    const char *name;
    int shading;
    std::vector<clip_corner> in;
    std::vector<clip_corner> expected;
};

TEST(NearClip, CutsEveryKindOfPolygonAtTheNearPlane)
{
    const clip_case cases[] = {
        {"all beyond: same corners in reverse order", 0,
         {{1 * U, 2 * U, 3 * U, 7}, {4 * U, 5 * U, 6 * U, 8}, {-1 * U, 0, 2 * U + 1, 9}},
         {{-1 * U, 0, 2 * U + 1, 9}, {4 * U, 5 * U, 6 * U, 8}, {1 * U, 2 * U, 3 * U, 7}}},
        {"all in front or at the plane: nothing left", 0,
         {{0, 0, 1 * U, 1}, {U, 0, 2 * U, 2}, {0, U, -5 * U, 3}},
         {}},
        {"one front, two beyond: a quadrilateral", 2,
         {{0, 0, 1 * U, 20 * U}, {8 * U, 4 * U, 5 * U, 28 * U}, {-8 * U, 4 * U, 5 * U, 12 * U}},
         {{-8 * U, 4 * U, 5 * U, 12 * U},
          {8 * U, 4 * U, 5 * U, 28 * U},
          {2 * U, 1 * U, 2 * U, 22 * U},
          {-2 * U, 1 * U, 2 * U, 18 * U}}},
        {"two front, one beyond: a triangle", 2,
         {{0, 4 * U, 5 * U, 28 * U}, {8 * U, 0, 1 * U, 20 * U}, {-8 * U, 0, 1 * U, 12 * U}},
         {{6 * U, 1 * U, 2 * U, 22 * U}, {0, 4 * U, 5 * U, 28 * U}, {-6 * U, 1 * U, 2 * U, 16 * U}}},
        {"shading 1 keeps its first colour after the cut", 1,
         {{0, 4 * U, 5 * U, 28 * U}, {8 * U, 0, 1 * U, 20 * U}, {-8 * U, 0, 1 * U, 12 * U}},
         {{6 * U, 1 * U, 2 * U, 28 * U}, {0, 4 * U, 5 * U, 28 * U}, {-6 * U, 1 * U, 2 * U, 16 * U}}},
        {"a corner at exactly 2.0 is lost with its edges", 0,
         {{0, 0, 2 * U, 1}, {U, 0, 5 * U, 2}, {0, U, 5 * U, 3}},
         {{0, U, 5 * U, 3}, {U, 0, 5 * U, 2}}},
        {"crossing positions truncate toward zero", 0,
         {{0, 0, 1 * U, 0}, {-7, 7, 5 * U, 0}, {0, 0, 6 * U, 0}},
         {{0, 0, 6 * U, 0}, {-7, 7, 5 * U, 0}, {-1, 1, 2 * U, 0}, {0, 0, 2 * U, 0}}},
        {"colours on far-apart ramps interpolate in 64 bits", 2,
         {{0, 0, 1 * U, 0}, {0, 0, 5 * U, 200 * U}, {U, 0, 5 * U, 200 * U}},
         {{U, 0, 5 * U, 200 * U}, {0, 0, 5 * U, 200 * U}, {0, 0, 2 * U, 50 * U}, {U / 4, 0, 2 * U, 50 * U}}},
        {"a near end far behind the camera", 2,
         {{0, 0, -30000 * U, 10 * U}, {3 * U, 0, 3 * U, 20 * U}, {3 * U, 0, 30000 * U, 20 * U}},
         // Edge to corner 1: t = -30002/30003 in single precision, q = -1023;
         // edge to corner 2: t = -30002/60000, q = -512.
         {{3 * U, 0, 30000 * U, 20 * U}, {3 * U, 0, 3 * U, 20 * U}, {196601, 0, 2 * U, 1310080},
          {98310, 0, 2 * U, 15 * U}}},
    };
    for (const clip_case &c : cases) {
        source_polygon s;
        make_source(&s, c.in, c.shading);
        int shading = -1;
        std::vector<clip_corner> got = cut(&s, &shading);
        EXPECT_EQ(shading, c.shading) << c.name;
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (size_t k = 0; k < got.size(); k++) {
            std::string where = std::string(c.name) + ", corner " + std::to_string(k);
            EXPECT_EQ(got[k].cx, c.expected[k].cx) << where;
            EXPECT_EQ(got[k].cy, c.expected[k].cy) << where;
            EXPECT_EQ(got[k].cz, c.expected[k].cz) << where;
            EXPECT_EQ(got[k].colour, c.expected[k].colour) << where;
        }
    }
}

TEST(NearClip, CopiedCornersKeepTheirAuxWordsAndTheSourceIsUntouched)
{
    source_polygon s;
    make_source(&s, {{0, 0, 1 * U, 5}, {U, 0, 4 * U, 6}, {0, U, 4 * U, 7}, {U, U, 3 * U, 8}}, 0);
    int n = s.poly.num_corners;
    mpolygon out;
    allocate_mpolygon(&out, 2 * n);
    std::vector<vertex> scratch(2 * n);
    for (int k = 0; k < 2 * n; k++)
        out.vertex_ptrs[k] = &scratch[k];
    clip3dpoly(&s.poly, &out);
    // Walk: corner 3 (copy), 2 (copy), 1 (copy, then the crossing to 0),
    // 0 in front (crossing with 3).
    ASSERT_EQ(out.num_corners, 5);
    const int source_of_copy[] = {3, 2, 1};
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(out.corners[k].aux[0], 10 * source_of_copy[k] + 1) << k;
        EXPECT_EQ(out.corners[k].aux[1], -(10 * source_of_copy[k] + 1)) << k;
    }
    EXPECT_EQ(s.vertices[0].cz, 1 * U);
    EXPECT_EQ(s.corners[0].colour, 5);
    free_mpolygon(&out);
}

TEST(NearClip, NonConvexOutlineCrossingFourTimesFitsInTwiceItsCorners)
{
    // A zig-zag whose corners alternate beyond and in front: every far corner
    // gives a copy and a crossing, every near one a crossing, 9 in all for 6
    // corners, more than the n + 2 a convex polygon can reach.
    source_polygon s;
    make_source(&s,
                {{0, 0, 5 * U, 1}, {U, 0, 1 * U, 2}, {2 * U, 0, 5 * U, 3},
                 {3 * U, 0, 1 * U, 4}, {4 * U, 0, 5 * U, 5}, {5 * U, 0, 1 * U, 6}},
                0);
    int shading = -1;
    std::vector<clip_corner> got = cut(&s, &shading);
    ASSERT_EQ(got.size(), 9u);
    for (const clip_corner &c : got)
        EXPECT_GE(c.cz, 2 * U);
}

}  // namespace
