// The cube primitive: vertex positions from the sizes and centre, the face
// table with its colours, the outward winding, and the settings it leaves
// alone.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace {

// Whether the face's first two edges turn away from the box's centre:
// the dot product of (v1 - v0) x (v2 - v1) with the face centre less the
// box centre, in doubles so that nothing overflows.
double outward(const struct polygon &p, const double centre[3])
{
    double v[4][3];
    for (int k = 0; k < 4; k++) {
        v[k][0] = p.vertex_ptrs[k]->x;
        v[k][1] = p.vertex_ptrs[k]->y;
        v[k][2] = p.vertex_ptrs[k]->z;
    }
    double a[3], b[3], face[3];
    for (int i = 0; i < 3; i++) {
        a[i] = v[1][i] - v[0][i];
        b[i] = v[2][i] - v[1][i];
        face[i] = (v[0][i] + v[1][i] + v[2][i] + v[3][i]) / 4 - centre[i];
    }
    double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return n[0] * face[0] + n[1] * face[1] + n[2] * face[2];
}

polygon_model placed_record()
{
    polygon_model m;
    std::memset(&m, 0, sizeof m);
    m.xrot = 1;
    m.yrot = 2;
    m.zrot = 3;
    m.xpos = 4;
    m.ypos = 5;
    m.zpos = 6;
    m.backface_cull = 9;
    return m;
}

TEST(Cube, TwoUnitBoxAtTheOriginHasItsCornersAtPlusMinusOne)
{
    start_allegro_headless();
    polygon_model m = placed_record();
    create_cube(&m, itofix(2), itofix(2), itofix(2), 0, 0, 0);
    const int sign[8][3] = {{-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1},
                            {1, -1, -1},  {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}};
    ASSERT_EQ(m.num_vertices, 8);
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(m.vertices[i].x, itofix(sign[i][0])) << "vertex " << i;
        EXPECT_EQ(m.vertices[i].y, itofix(sign[i][1])) << "vertex " << i;
        EXPECT_EQ(m.vertices[i].z, itofix(sign[i][2])) << "vertex " << i;
    }
    // Faces in table order: +z, -y, +x, +y, -x, -z.
    const int faces[6][4] = {{0, 1, 2, 3}, {5, 4, 1, 0}, {4, 7, 2, 1},
                             {7, 6, 3, 2}, {6, 5, 0, 3}, {4, 5, 6, 7}};
    const int colours[6] = {193, 203, 213, 223, 233, 243};
    const double centre[3] = {0, 0, 0};
    ASSERT_EQ(m.num_polygons, 6);
    for (int f = 0; f < 6; f++) {
        const struct polygon &p = m.polygons[f];
        EXPECT_EQ(p.num_corners, 4);
        EXPECT_EQ(p.shading, 1);
        EXPECT_EQ(p.corners[0].colour, colours[f]);
        for (int k = 0; k < 4; k++)
            EXPECT_EQ(p.vertex_ptrs[k], &m.vertices[faces[f][k]]) << "face " << f;
        EXPECT_GT(outward(p, centre), 0) << "face " << f;
    }
    EXPECT_EQ(m.sort_mode, 8);
    EXPECT_EQ(m.transform_mode, 4);
    // Placement and culling are the caller's.
    EXPECT_EQ(m.xrot, 1);
    EXPECT_EQ(m.yrot, 2);
    EXPECT_EQ(m.zrot, 3);
    EXPECT_EQ(m.xpos, 4);
    EXPECT_EQ(m.ypos, 5);
    EXPECT_EQ(m.zpos, 6);
    EXPECT_EQ(m.backface_cull, 9);
    free_polygon_model(&m);
}

struct box_case {
    fixed w, h, d, x, y, z;
    fixed v0[3];  // expected vertex 0: (x - hw, y - hh, z + hd)
    fixed v7[3];  // expected vertex 7: (x + hw, y + hh, z - hd)
    int winding;  // 1 faces turn out, -1 in, 0 a flat box: not checked
};

TEST(Cube, HalfSizesShiftRightAndNegativeSizesMirror)
{
    start_allegro_headless();
    const box_case cases[] = {
        // Odd raw sizes lose their lowest bit: 3 >> 1 = 1, -3 >> 1 = -2.
        {3, 5, 7, 100, 200, 300, {99, 198, 303}, {101, 202, 297}, 1},
        {itofix(4), itofix(6), itofix(8), itofix(10), itofix(-1), itofix(2),
         {itofix(8), itofix(-4), itofix(6)}, {itofix(12), itofix(2), itofix(-2)}, 1},
        {itofix(-2), itofix(2), itofix(2), 0, 0, 0,
         {itofix(1), itofix(-1), itofix(1)}, {itofix(-1), itofix(1), itofix(-1)}, -1},
        {itofix(2), itofix(-2), itofix(2), 0, 0, 0,
         {itofix(-1), itofix(1), itofix(1)}, {itofix(1), itofix(-1), itofix(-1)}, -1},
        {itofix(2), itofix(2), itofix(-2), 0, 0, 0,
         {itofix(-1), itofix(-1), itofix(-1)}, {itofix(1), itofix(1), itofix(1)}, -1},
        {-3, 0, 0, 0, 0, 0, {2, 0, 0}, {-2, 0, 0}, 0},
    };
    for (const box_case &c : cases) {
        polygon_model m = placed_record();
        create_cube(&m, c.w, c.h, c.d, c.x, c.y, c.z);
        const vertex &v0 = m.vertices[0];
        const vertex &v7 = m.vertices[7];
        EXPECT_EQ(v0.x, c.v0[0]);
        EXPECT_EQ(v0.y, c.v0[1]);
        EXPECT_EQ(v0.z, c.v0[2]);
        EXPECT_EQ(v7.x, c.v7[0]);
        EXPECT_EQ(v7.y, c.v7[1]);
        EXPECT_EQ(v7.z, c.v7[2]);
        const double centre[3] = {double(c.x), double(c.y), double(c.z)};
        for (int f = 0; c.winding != 0 && f < 6; f++)
            EXPECT_EQ(outward(m.polygons[f], centre) > 0 ? 1 : -1, c.winding) << "face " << f;
        free_polygon_model(&m);
    }
}

TEST(Cube, BoxAtTheEdgeOfTheFixedRangeWraps)
{
    start_allegro_headless();
    polygon_model m = placed_record();
    create_cube(&m, itofix(2), itofix(2), itofix(2), 0x7FFFFFFF, 0, 0);
    EXPECT_EQ(m.vertices[0].x, 0x7FFFFFFF - itofix(1));
    EXPECT_EQ(m.vertices[1].x, static_cast<fixed>(0x8000FFFFu));
    free_polygon_model(&m);
}

} // namespace
