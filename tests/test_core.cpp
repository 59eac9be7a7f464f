// Engine start-up, model storage and the depth-bucket frame buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace {

bool same_matrix(const MATRIX &a, const MATRIX &b)
{
    return std::memcmp(&a, &b, sizeof(MATRIX)) == 0;
}

MATRIX default_camera_with_aspect(fixed aspect)
{
    MATRIX m;
    get_camera_matrix(&m, 0, 0, 0, 0, 0, 1, 0, 1, 0, itofix(60), aspect);
    return m;
}

struct mode_case {
    int w, h;
    fixed aspect;
};

TEST(EngineStart, DefaultCameraUsesTheScreenAspectAndTablesMatchTheScreen)
{
    const mode_case cases[] = {
        {320, 200, 78643},
        {640, 480, itofix(1)},
        {1024, 768, itofix(1)},
    };
    for (const mode_case &c : cases) {
        engine_up(c.w, c.h);
        EXPECT_TRUE(same_matrix(main_camera, default_camera_with_aspect(c.aspect)))
            << c.w << "x" << c.h;
        EXPECT_EQ(poly_edge_rows, c.h);
        ASSERT_NE(left_poly_edge, nullptr);
        ASSERT_NE(right_poly_edge, nullptr);
        // Every row of both tables is usable.
        left_poly_edge[c.h - 1].x = 1;
        right_poly_edge[c.h - 1].shade = 1;
        const int expected_shifts[5][3] = {
            {4, 2, 23}, {8, 3, 22}, {16, 4, 21}, {32, 5, 20}, {64, 6, 19}};
        for (int r = 0; r < 5; r++)
            for (int k = 0; k < 3; k++)
                EXPECT_EQ(shifts[r][k], expected_shifts[r][k]) << "row " << r;
        engine_down();
        EXPECT_EQ(left_poly_edge, nullptr);
        EXPECT_EQ(poly_edge_rows, 0);
    }
}

TEST(EngineStart, StartingTwiceReplacesTheTablesWithoutLeaking)
{
    engine_up(320, 200);
    fake_screen(640, 480);
    zelk_init();
    EXPECT_EQ(poly_edge_rows, 480);
    engine_down();
}

TEST(EngineStart, SetCameraPassesTheFirstElevenFieldsInOrder)
{
    engine_up(640, 480);
    camera cam{};
    cam.x = itofix(1);
    cam.y = itofix(2);
    cam.z = itofix(-3);
    cam.xfront = 0;
    cam.yfront = itofix(-3);
    cam.zfront = itofix(10);
    cam.xup = 0;
    cam.yup = itofix(10);
    cam.zup = itofix(3);
    cam.fov = itofix(60);
    cam.aspect = 78643;
    MATRIX expected;
    get_camera_matrix(&expected, cam.x, cam.y, cam.z, cam.xfront, cam.yfront, cam.zfront,
                      cam.xup, cam.yup, cam.zup, cam.fov, cam.aspect);
    set_camera(&cam);
    EXPECT_TRUE(same_matrix(main_camera, expected));
    set_camera(&cam);
    EXPECT_TRUE(same_matrix(main_camera, expected));
    engine_down();
}

TEST(ModelStorage, CreateAndFreeWithAndWithoutPolygons)
{
    struct count_case {
        int vertices, polygons, corners;
    };
    const count_case cases[] = {{4, 0, 4}, {0, 0, 0}, {260, 230, 4}, {3, 1, 16}};
    for (const count_case &c : cases) {
        polygon_model m;
        m.num_vertices = -7;  // the builder's business: left untouched
        m.num_polygons = -7;
        create_polygon_model(&m, c.vertices, c.polygons, c.corners);
        EXPECT_EQ(m.num_vertices, -7);
        EXPECT_EQ(m.num_polygons, -7);
        ASSERT_NE(m.vertices, nullptr);
        ASSERT_NE(m.polygons, nullptr);
        for (int i = 0; i < c.polygons; i++) {
            for (int k = 0; k < c.corners; k++) {
                m.polygons[i].vertex_ptrs[k] = nullptr;
                m.polygons[i].corners[k].colour = k;
                m.polygons[i].normals[k].x = k;
            }
        }
        for (int v = 0; v < c.vertices; v++)
            m.vertices[v].x = v;
        m.num_vertices = c.vertices;
        m.num_polygons = c.polygons;
        free_polygon_model(&m);
    }
}

TEST(ModelStorage, ReleasedRecordCanBeCreatedAgainWithOtherCounts)
{
    polygon_model m;
    create_polygon_model(&m, 8, 6, 4);
    m.num_vertices = 8;
    m.num_polygons = 6;
    free_polygon_model(&m);
    create_polygon_model(&m, 3, 1, 3);
    m.num_vertices = 3;
    m.num_polygons = 1;
    m.polygons[0].vertex_ptrs[2] = &m.vertices[2];
    free_polygon_model(&m);
}

TEST(ModelStorage, WorkingPolygonLeavesTheCornerCountAlone)
{
    mpolygon mp;
    mp.num_corners = 42;
    allocate_mpolygon(&mp, 10);
    EXPECT_EQ(mp.num_corners, 42);
    mp.vertex_ptrs[9] = nullptr;
    mp.corners[9].aux[1] = 1;
    mp.normals[9].cz = 1;
    free_mpolygon(&mp);
}

TEST(FrameBuffer, CreateClearTwiceAndFree)
{
    start_allegro_headless();
    fake_screen(320, 200);
    frame_buffer fb;
    fb.num_buckets = 32000;
    create_frame_buffer(&fb);
    ASSERT_NE(fb.bitmap, nullptr);
    EXPECT_EQ(fb.width, 320);
    EXPECT_EQ(fb.height, 200);
    EXPECT_EQ(fb.bitmap->w, 320);
    EXPECT_EQ(fb.bitmap->h, 200);
    struct polygon p {};
    putpixel(fb.bitmap, 5, 5, 77);
    fb.buckets[0].poly = &p;
    fb.buckets[31999].poly = &p;
    fb.buckets[31999].state = 2;
    for (int pass = 0; pass < 2; pass++) {
        clear_frame_buffer(&fb);
        EXPECT_EQ(getpixel(fb.bitmap, 5, 5), 0);
        for (int i = 0; i < fb.num_buckets; i++)
            ASSERT_EQ(fb.buckets[i].poly, nullptr) << i;
        EXPECT_EQ(fb.buckets[31999].state, 2);  // clearing touches only the pointer
    }
    free_frame_buffer(&fb);
    fake_screen(0, 0);
}

TEST(FrameBuffer, NoBucketsStillClearsTheBitmap)
{
    start_allegro_headless();
    fake_screen(64, 48);
    frame_buffer fb;
    fb.num_buckets = 0;
    create_frame_buffer(&fb);
    putpixel(fb.bitmap, 1, 1, 9);
    clear_frame_buffer(&fb);
    EXPECT_EQ(getpixel(fb.bitmap, 1, 1), 0);
    free_frame_buffer(&fb);
    fake_screen(0, 0);
}

}  // namespace
