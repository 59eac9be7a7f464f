// Surface normals: the unit vector of (P - N) x (P - Q) - P per corner, with
// the corner's winding neighbours, for hand-built polygons.
#include <gtest/gtest.h>

#include "geometry_fixture.h"

namespace {

struct normal_case {
    int corner;
    point3 unnormalised;  // (P - N) x (P - Q) - P worked out by hand
};

void expect_normal(const vertex &n, point3 raw, const char *what)
{
    fixed x = units(raw.x), y = units(raw.y), z = units(raw.z);
    normalize_vector(&x, &y, &z);
    EXPECT_EQ(n.x, x) << what;
    EXPECT_EQ(n.y, y) << what;
    EXPECT_EQ(n.z, z) << what;
}

TEST(Normals, TriangleCornersTakeTheirNeighboursAndSubtractTheirOwnPosition)
{
    start_allegro_headless();
    polygon_model m;
    build_model(&m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    // Corner 0 lies at the origin: (-1,0,0) x (0,-1,0) = (0,0,1).
    // Corner 1: (1,-1,0) x (1,0,0) = (0,0,1), minus (1,0,0).
    // Corner 2: (0,1,0) x (-1,1,0) = (0,0,1), minus (0,1,0).
    const normal_case cases[] = {
        {0, {0, 0, 1}},
        {1, {-1, 0, 1}},
        {2, {0, -1, 1}},
    };
    for (const normal_case &c : cases)
        expect_normal(m.polygons[0].normals[c.corner], c.unnormalised,
                      ("corner " + std::to_string(c.corner)).c_str());
    EXPECT_EQ(m.polygons[0].normals[0].z, itofix(1));
    free_polygon_model(&m);
}

TEST(Normals, DependOnWhereThePolygonLiesAndOnlyXYZAreWritten)
{
    start_allegro_headless();
    polygon_model m;
    // The same triangle moved by (0, 0, 3) and a two-corner polygon, whose
    // cross product vanishes so that each normal is the unit vector of -P.
    build_model(&m, {{0, 0, 3}, {1, 0, 3}, {0, 1, 3}, {2, 0, 0}, {0, 0, 4}},
                {{0, 1, 2}, {3, 4}});
    expect_normal(m.polygons[0].normals[0], {0, 0, 1 - 3}, "moved corner 0");
    expect_normal(m.polygons[1].normals[0], {-2, 0, 0}, "two corners, corner 0");
    expect_normal(m.polygons[1].normals[1], {0, 0, -4}, "two corners, corner 1");

    // A second run leaves the normals as they are and never touches cx, cy, cz.
    for (int k = 0; k < 3; k++)
        m.polygons[0].normals[k].cx = m.polygons[0].normals[k].cz = 12345;
    vertex before = m.polygons[0].normals[2];
    create_normals(&m);
    EXPECT_EQ(m.polygons[0].normals[2].x, before.x);
    EXPECT_EQ(m.polygons[0].normals[2].z, before.z);
    EXPECT_EQ(m.polygons[0].normals[2].cx, 12345);
    EXPECT_EQ(m.polygons[0].normals[2].cz, 12345);
    free_polygon_model(&m);
}

TEST(Normals, ExtremeCoordinatesWrapWithoutFault)
{
    // Differences of vertices near the ends of the fixed range leave 32 bits;
    // they wrap (the sanitizer build checks that no step is undefined), the
    // cross product and the normalisation saturate as Allegro does, and a
    // second run gives the same normals.
    start_allegro_headless();
    polygon_model m;
    build_model(&m, {{32767, -32767, 32767}, {-32767, 32767, -32767}, {32767, 32767, -32767}},
                {{0, 1, 2}});
    vertex first[3];
    for (int k = 0; k < 3; k++)
        first[k] = m.polygons[0].normals[k];
    create_normals(&m);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(m.polygons[0].normals[k].x, first[k].x) << k;
        EXPECT_EQ(m.polygons[0].normals[k].y, first[k].y) << k;
        EXPECT_EQ(m.polygons[0].normals[k].z, first[k].z) << k;
    }
    free_polygon_model(&m);
}

}  // namespace
