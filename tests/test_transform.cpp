// Model transformation: vertices through camera(translate(rotate(p))), the
// normals through the rotation alone, with an identity camera and with the
// engine's default camera.
#include <gtest/gtest.h>

#include <climits>

#include "geometry_fixture.h"

namespace {

struct placement {
    double xrot, yrot, zrot;  // Allegro angles
    double xpos, ypos, zpos;  // units
};

struct transform_case {
    const char *name;
    placement place;
    point3 object;
    point3 expected;  // camera space with the identity camera
};

void place(polygon_model *m, const placement &p)
{
    m->xrot = units(p.xrot);
    m->yrot = units(p.yrot);
    m->zrot = units(p.zrot);
    m->xpos = units(p.xpos);
    m->ypos = units(p.ypos);
    m->zpos = units(p.zpos);
}

TEST(Transform, IdentityCameraRotatesThenTranslates)
{
    engine_up(320, 200);
    main_camera = identity_matrix;
    // A quarter turn about z takes (x, y) to (y, -x) on Allegro's matrices;
    // about x it takes (y, z) to (z, -y).
    const transform_case cases[] = {
        {"no placement", {0, 0, 0, 0, 0, 0}, {1.5, -2, 7}, {1.5, -2, 7}},
        {"x moved by 1.0", {0, 0, 0, 1, 0, 0}, {1.5, -2, 7}, {2.5, -2, 7}},
        {"moved on all axes", {0, 0, 0, -3, 4, 0.5}, {1, 1, 1}, {-2, 5, 1.5}},
        {"quarter turn about z", {0, 0, 64, 0, 0, 0}, {1, 0, 0}, {0, -1, 0}},
        {"turn, then the offset unturned", {0, 0, 64, 1, 0, 0}, {1, 0, 0}, {1, -1, 0}},
        {"quarter turn about x", {64, 0, 0, 0, 0, 10}, {0, 1, 0}, {0, 0, 9}},
    };
    for (const transform_case &c : cases) {
        polygon_model m;
        build_model(&m, {c.object, {0, 0, 0}, {0, 0, 1}}, {{0, 1, 2}});
        place(&m, c.place);
        Process_model(&m);
        const vertex &v = m.vertices[0];
        EXPECT_EQ(v.cx, units(c.expected.x)) << c.name;
        EXPECT_EQ(v.cy, units(c.expected.y)) << c.name;
        EXPECT_EQ(v.cz, units(c.expected.z)) << c.name;
        // Object space and the screen fields stay as they were.
        EXPECT_EQ(v.x, units(c.object.x)) << c.name;
        EXPECT_EQ(v.sx, 0) << c.name;
        free_polygon_model(&m);
    }
    engine_down();
}

TEST(Transform, NormalsTurnWithTheModelOnlyAndRepeatingChangesNothing)
{
    engine_up(640, 480);
    polygon_model m;
    build_model(&m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    // Corner 0's normal is (0, 0, 1); a quarter turn about x takes it to
    // (0, 1, 0) wherever the model stands and whatever the camera.
    place(&m, {64, 0, 0, 40, -7, 12});
    camera cam = {itofix(5), itofix(2), itofix(-9), 0, 0, itofix(1), 0, itofix(1), 0,
                  itofix(50), itofix(1), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    set_camera(&cam);
    Process_model(&m);
    const vertex &n = m.polygons[0].normals[0];
    EXPECT_EQ(n.cx, 0);
    EXPECT_EQ(n.cy, itofix(1));
    EXPECT_EQ(n.cz, 0);

    vertex once[3];
    for (int i = 0; i < 3; i++)
        once[i] = m.vertices[i];
    Process_model(&m);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m.vertices[i].cx, once[i].cx);
        EXPECT_EQ(m.vertices[i].cy, once[i].cy);
        EXPECT_EQ(m.vertices[i].cz, once[i].cz);
    }
    free_polygon_model(&m);
    engine_down();
}

TEST(Transform, UnplacedModelSeesTheCameraMatrixAlone)
{
    engine_up(320, 200);
    polygon_model m;
    build_model(&m, {{3, -4, 25}, {-100, 60, 300}, {0.5, 0.25, 2}}, {{0, 1, 2}});
    Process_model(&m);
    for (int i = 0; i < 3; i++) {
        const vertex &v = m.vertices[i];
        fixed x, y, z;
        apply_matrix(&main_camera, v.x, v.y, v.z, &x, &y, &z);
        EXPECT_EQ(v.cx, x) << i;
        EXPECT_EQ(v.cy, y) << i;
        EXPECT_EQ(v.cz, z) << i;
    }
    free_polygon_model(&m);
    engine_down();
}

TEST(Transform, RowSumsBeyondTheFixedRangeWrapAsTheMatrixRoutineDoes)
{
    // A row sum past 32767.0 leaves 32 bits: the point gets the same wrapped
    // word that Allegro's 32-bit additions give, without signed overflow.
    engine_up(320, 200);
    main_camera = identity_matrix;
    polygon_model m;
    build_model(&m, {{30000, -30000, 5}, {0, 0, 0}, {0, 0, 1}}, {{0, 1, 2}});
    m.xpos = units(30000);
    m.ypos = units(-30000);
    Process_model(&m);
    auto wrapped = [](int64_t v) { return static_cast<fixed>(static_cast<uint32_t>(v)); };
    EXPECT_EQ(m.vertices[0].cx, wrapped(int64_t{60000} * 65536));
    EXPECT_EQ(m.vertices[0].cy, wrapped(int64_t{-60000} * 65536));
    EXPECT_EQ(m.vertices[0].cz, units(5));
    free_polygon_model(&m);
    engine_down();
}

}  // namespace
