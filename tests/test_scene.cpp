// Depth-sorted scene: which bucket and state every polygon is filed with, the
// order the buckets are drawn in, the clipped drawing path and its room
// check, and the pick ids the scene hands the Gouraud fill.
#include <gtest/gtest.h>

#include <vector>

#include "geometry_fixture.h"

namespace {

constexpr int W = 320;
constexpr int H = 200;

// Engine started for a 320 by 200 screen, the camera an identity (camera
// space is world space) and a cleared frame buffer of the given size.
struct scene_fixture {
    frame_buffer fb;
};

void scene_up(scene_fixture *s, int num_buckets = 32000)
{
    engine_up(W, H);
    main_camera = identity_matrix;
    s->fb.num_buckets = num_buckets;
    create_frame_buffer(&s->fb);
    clear_frame_buffer(&s->fb);
}

void scene_down(scene_fixture *s)
{
    free_frame_buffer(&s->fb);
    engine_down();
}

// A triangle facing the camera whose farthest corner lies at far and whose
// other two corners lie at near.
void facing_triangle(polygon_model *m, double near, double far, int colour = 1)
{
    build_model(m, {{-1, -1, far}, {-1, 1, near}, {1, 1, near}}, {{0, 1, 2}}, {colour});
}

// The buckets holding a polygon, as (index, polygon, state).
struct filed {
    int bucket;
    const struct polygon *poly;
    int state;
};

std::vector<filed> filed_buckets(const frame_buffer *fb)
{
    std::vector<filed> out;
    for (int b = 0; b < fb->num_buckets; b++) {
        if (fb->buckets[b].poly != nullptr)
            out.push_back({b, fb->buckets[b].poly, fb->buckets[b].state});
    }
    return out;
}

TEST(SceneFiling, KeyIsTheFarthestCornerInThirtySecondsAndTheProbeRunsDown)
{
    struct key_case {
        const char *name;
        int num_buckets;
        double far;
        int expected_bucket;  // -1: not filed
    };
    const key_case cases[] = {
        {"farthest at 10.0: key 320", 32000, 10.0, 319},
        {"farthest at 1000.0: key 32000, the last bucket", 32000, 1000.0, 31999},
        {"farthest at 1000.03125: key 32001, too far", 32000, 1000.03125, -1},
        {"a small array: key 100 fits 100 buckets", 100, 3.125, 99},
        {"a small array: key 101 does not", 100, 3.15625, -1},
    };
    for (const key_case &c : cases) {
        scene_fixture s;
        scene_up(&s, c.num_buckets);
        polygon_model m;
        facing_triangle(&m, 3.0, c.far);
        add_model_to_scene(&s.fb, &m);
        std::vector<filed> got = filed_buckets(&s.fb);
        if (c.expected_bucket < 0) {
            EXPECT_TRUE(got.empty()) << c.name;
        } else {
            ASSERT_EQ(got.size(), 1u) << c.name;
            EXPECT_EQ(got[0].bucket, c.expected_bucket) << c.name;
            EXPECT_EQ(got[0].poly, &m.polygons[0]) << c.name;
            EXPECT_EQ(got[0].state, 0) << c.name;
        }
        free_polygon_model(&m);
        scene_down(&s);
    }
}

TEST(SceneFiling, SameKeyStacksTowardsTheViewerAndAFullProbeReplacesBucketOne)
{
    scene_fixture s;
    scene_up(&s);
    polygon_model first, second, third;
    facing_triangle(&first, 3.0, 10.0);
    facing_triangle(&second, 4.0, 10.0);
    add_model_to_scene(&s.fb, &first);
    add_model_to_scene(&s.fb, &second);
    EXPECT_EQ(s.fb.buckets[319].poly, &first.polygons[0]);
    EXPECT_EQ(s.fb.buckets[318].poly, &second.polygons[0]);

    // Take every bucket from 317 down to 1: the next polygon at key 320 ends
    // in bucket 1, and the polygon that was there is no longer filed.
    struct polygon placeholder = {};
    for (int b = 1; b <= 317; b++) {
        s.fb.buckets[b].poly = &placeholder;
        s.fb.buckets[b].state = 0;
    }
    facing_triangle(&third, 5.0, 10.0);
    add_model_to_scene(&s.fb, &third);
    EXPECT_EQ(s.fb.buckets[1].poly, &third.polygons[0]);
    EXPECT_EQ(s.fb.buckets[0].poly, nullptr);
    EXPECT_EQ(s.fb.buckets[2].poly, &placeholder);

    free_polygon_model(&first);
    free_polygon_model(&second);
    free_polygon_model(&third);
    scene_down(&s);
}

TEST(SceneFiling, WithinAModelPolygonsAreFiledFromTheLastToTheFirst)
{
    scene_fixture s;
    scene_up(&s);
    polygon_model m;
    build_model(&m, {{-1, -1, 10}, {-1, 1, 4}, {1, 1, 4}, {2, -1, 10}, {2, 1, 4}, {3, 1, 4}},
                {{0, 1, 2}, {3, 4, 5}});
    add_model_to_scene(&s.fb, &m);
    EXPECT_EQ(s.fb.buckets[319].poly, &m.polygons[1]);
    EXPECT_EQ(s.fb.buckets[318].poly, &m.polygons[0]);
    free_polygon_model(&m);
    scene_down(&s);
}

TEST(SceneFiling, ThreeStatesByPathAndCulling)
{
    // Polygon 0 faces the camera, polygon 1 is the same face wound the other
    // way. far_z moves the whole model; straddle adds a vertex at cz 1.0 (in
    // polygon 2, which lies wholly in front) so that the model straddles.
    struct state_case {
        const char *name;
        bool straddle;
        int backface_cull;
        std::vector<int> expected_state;  // per polygon, -1: not filed
    };
    const state_case cases[] = {
        {"beyond, culled: only the facing one, ready", false, 1, {0, -1}},
        {"beyond, both faces: both ready", false, 0, {0, 0}},
        {"straddling, culled: all left to the clip, culling later", true, 1, {1, 1, 1}},
        {"straddling, both faces: all clipped, drawn either way", true, 0, {2, 2, 2}},
    };
    for (const state_case &c : cases) {
        scene_fixture s;
        scene_up(&s);
        std::vector<point3> verts = {{-1, -1, 6}, {-1, 1, 6}, {1, 1, 6}, {5, -1, 8}, {5, 1, 8}, {3, 1, 8}};
        std::vector<std::vector<int>> polys = {{0, 1, 2}, {3, 4, 5}};
        if (c.straddle) {
            verts.push_back({0, 0, 1});
            verts.push_back({0, 1, 1});
            verts.push_back({1, 1, 1});
            polys.push_back({6, 7, 8});
        }
        polygon_model m;
        build_model(&m, verts, polys);
        m.backface_cull = c.backface_cull;
        add_model_to_scene(&s.fb, &m);
        std::vector<filed> got = filed_buckets(&s.fb);
        size_t expected_count = 0;
        for (size_t i = 0; i < c.expected_state.size(); i++) {
            if (c.expected_state[i] < 0)
                continue;
            expected_count++;
            bool found = false;
            for (const filed &f : got) {
                if (f.poly == &m.polygons[i]) {
                    found = true;
                    EXPECT_EQ(f.state, c.expected_state[i]) << c.name << ", polygon " << i;
                }
            }
            EXPECT_TRUE(found) << c.name << ", polygon " << i;
        }
        EXPECT_EQ(got.size(), expected_count) << c.name;
        free_polygon_model(&m);
        scene_down(&s);
    }
}

TEST(SceneFiling, NothingFiledInFrontOfTheNearPlaneOrWithoutPolygons)
{
    scene_fixture s;
    scene_up(&s);

    polygon_model in_front;
    facing_triangle(&in_front, 1.0, 2.0);  // cz 2.0 is not beyond
    add_model_to_scene(&s.fb, &in_front);
    EXPECT_TRUE(filed_buckets(&s.fb).empty());

    // A straddling model: its polygon whose farthest corner lies at 1/32 has
    // key 1 and goes to bucket 0; one nearer than that has key 0 and is not
    // filed, nor is one behind the camera.
    polygon_model straddling;
    build_model(&straddling,
                {{-1, -1, 6}, {-1, 1, 6}, {1, 1, 6}, {0, 0, 0.03125}, {0, 1, 0.01}, {1, 1, 0.01},
                 {0, 0, 0.03}, {0, 1, 0.01}, {1, 1, 0.01}, {0, 0, -3}, {0, 1, -4}, {1, 1, -4}},
                {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}, {9, 10, 11}});
    add_model_to_scene(&s.fb, &straddling);
    std::vector<filed> got = filed_buckets(&s.fb);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bucket, 0);
    EXPECT_EQ(got[0].poly, &straddling.polygons[1]);
    EXPECT_EQ(got[1].poly, &straddling.polygons[0]);

    // No polygons: not even transformed.
    polygon_model empty;
    build_model(&empty, {{0, 0, 5}}, {});
    empty.vertices[0].cx = 777;
    add_model_to_scene(&s.fb, &empty);
    EXPECT_EQ(empty.vertices[0].cx, 777);

    free_polygon_model(&in_front);
    free_polygon_model(&straddling);
    free_polygon_model(&empty);
    scene_down(&s);
}

TEST(SceneFiling, ReadyPathProjectsEveryVertexToWholePixels)
{
    scene_fixture s;
    scene_up(&s);
    polygon_model m;
    build_model(&m, {at_pixel(40.5, 30.5, 8, W, H), at_pixel(40.5, 170.75, 8, W, H), at_pixel(300.5, 170.5, 8, W, H)},
                {{0, 1, 2}});
    add_model_to_scene(&s.fb, &m);
    const int expected[3][2] = {{40, 30}, {40, 170}, {300, 170}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m.vertices[i].sx, expected[i][0]) << i;
        EXPECT_EQ(m.vertices[i].sy, expected[i][1]) << i;
    }
    free_polygon_model(&m);
    scene_down(&s);
}

// Draws two overlapping rectangles of colours 10 (at depth 9) and 20 (at
// depth 5), each its own model, filed in the given order; returns the colour
// in the middle of the overlap. tilt pulls the near rectangle's lower right
// corner to cz 1.0, so that its model straddles the near plane and is drawn
// through the clipped path.
int overlap_colour(bool near_filed_first, bool tilt)
{
    scene_fixture s;
    scene_up(&s);
    std::vector<point3> va, vb;
    std::vector<std::vector<int>> pa, pb;
    add_screen_rect(&va, &pa, 50, 50, 150, 150, 9, W, H);
    add_screen_rect(&vb, &pb, 100, 100, 200, 190, 5, W, H);
    if (tilt)
        vb[2].z = 1.0;
    polygon_model back, front;
    build_model(&back, va, pa, {10});
    build_model(&front, vb, pb, {20});
    if (near_filed_first) {
        add_model_to_scene(&s.fb, &front);
        add_model_to_scene(&s.fb, &back);
    } else {
        add_model_to_scene(&s.fb, &back);
        add_model_to_scene(&s.fb, &front);
    }
    render_buffer(&s.fb);
    int colour = getpixel(s.fb.bitmap, 125, 125);
    EXPECT_EQ(getpixel(s.fb.bitmap, 60, 60), 10);
    EXPECT_EQ(getpixel(s.fb.bitmap, 110, 180), 20);
    free_polygon_model(&back);
    free_polygon_model(&front);
    scene_down(&s);
    return colour;
}

TEST(SceneDrawing, NearerPolygonWinsWhateverTheFilingOrder)
{
    EXPECT_EQ(overlap_colour(true, false), 20);
    EXPECT_EQ(overlap_colour(false, false), 20);
    // Straddling, the near rectangle is cut, culled with the reversed sign
    // and still drawn over the far one.
    EXPECT_EQ(overlap_colour(true, true), 20);
    EXPECT_EQ(overlap_colour(false, true), 20);
}

TEST(SceneDrawing, EmptyBufferDrawsNothingAndBucketsSurviveDrawing)
{
    scene_fixture s;
    scene_up(&s);
    render_buffer(&s.fb);
    for (int y = 0; y < H; y += 7)
        for (int x = 0; x < W; x += 7)
            ASSERT_EQ(getpixel(s.fb.bitmap, x, y), 0);
    polygon_model m;
    facing_triangle(&m, 4.0, 5.0);
    add_model_to_scene(&s.fb, &m);
    render_buffer(&s.fb);
    EXPECT_EQ(filed_buckets(&s.fb).size(), 1u);
    free_polygon_model(&m);
    scene_down(&s);
}

// One Gouraud rectangle under the pointer, either wholly beyond the near
// plane (drawn ready) or reaching in front of it (drawn clipped).
int picked_by(bool straddling)
{
    scene_fixture s;
    scene_up(&s);
    std::vector<point3> v;
    std::vector<std::vector<int>> p;
    add_screen_rect(&v, &p, 20, 20, 300, 180, 6, W, H);
    if (straddling)
        v[0].z = 1.0;
    polygon_model m;
    build_model(&m, v, p, {40 << 16});
    m.polygons[0].shading = 2;
    m.backface_cull = 0;
    cursor1.picked = 0;
    mouse_x = 160;
    mouse_y = 100;
    add_model_to_scene(&s.fb, &m);
    render_buffer(&s.fb);
    int picked = cursor1.picked;
    free_polygon_model(&m);
    scene_down(&s);
    return picked;
}

TEST(SceneDrawing, PickIdsAreTwoForReadyAndOneForClippedPolygons)
{
    EXPECT_EQ(picked_by(false), 2);
    EXPECT_EQ(picked_by(true), 1);
}

TEST(SceneDrawing, ClippedPolygonIsDrawnOnlyWithAFreeBucketAboveItsMeanDepth)
{
    // A rectangle from cz 1.0 to 5.0 is cut to corners at 2.0 and 5.0:
    // k2 = (2.0 >> 14) + (5.0 >> 14) = 8 + 20 = 28, so a free bucket from 29
    // on lets it be drawn. Placeholders that draw nothing (shading 9) take
    // buckets; the polygon itself is put in bucket 0 by hand.
    struct room_case {
        const char *name;
        int num_buckets;
        int first_taken, last_taken;  // placeholder range, inclusive
        bool drawn;
    };
    const room_case cases[] = {
        {"plenty of free buckets above", 100, 1, 28, true},
        {"only bucket 29 free", 100, 30, 99, true},
        {"every bucket above 28 taken", 100, 29, 99, false},
        {"no bucket above 28 at all", 29, 1, 28, false},
        {"bucket 29 is the last and free", 30, 1, 28, true},
    };
    for (const room_case &c : cases) {
        scene_fixture s;
        scene_up(&s, c.num_buckets);
        std::vector<point3> v;
        std::vector<std::vector<int>> p;
        add_screen_rect(&v, &p, 40, 40, 280, 160, 5, W, H);
        v[0].z = 1.0;
        polygon_model m;
        build_model(&m, v, p, {33});
        m.backface_cull = 0;
        Process_model(&m);
        struct polygon placeholder = {};
        placeholder.shading = 9;
        for (int b = c.first_taken; b <= c.last_taken; b++) {
            s.fb.buckets[b].poly = &placeholder;
            s.fb.buckets[b].state = 0;
        }
        s.fb.buckets[0].poly = &m.polygons[0];
        s.fb.buckets[0].state = 2;
        render_buffer(&s.fb);
        EXPECT_EQ(getpixel(s.fb.bitmap, 200, 120), c.drawn ? 33 : 0) << c.name;
        free_polygon_model(&m);
        scene_down(&s);
    }
}

TEST(SceneDrawing, StraddlingModelDrawnFrameAfterFrameFromBothPaths)
{
    // The model crosses the near plane in some frames and lies beyond it in
    // others; under the sanitizers nothing leaks or strays per frame.
    scene_fixture s;
    scene_up(&s);
    std::vector<point3> v;
    std::vector<std::vector<int>> p;
    add_screen_rect(&v, &p, 10, 10, 310, 190, 4, W, H);
    add_screen_rect(&v, &p, 60, 30, 200, 120, 3, W, H);
    v[4].z = 2.5;  // the small one reaches the plane before the big one
    polygon_model m;
    build_model(&m, v, p, {7, 8});
    m.backface_cull = 1;
    for (int frame = 0; frame < 40; frame++) {
        m.zpos = itofix(frame % 4) - itofix(2);  // -2 to +1 units
        add_model_to_scene(&s.fb, &m);
        render_buffer(&s.fb);
        clear_frame_buffer(&s.fb);
    }
    m.zpos = 0;
    add_model_to_scene(&s.fb, &m);
    render_buffer(&s.fb);
    EXPECT_EQ(getpixel(s.fb.bitmap, 100, 60), 8);
    EXPECT_EQ(getpixel(s.fb.bitmap, 250, 150), 7);
    free_polygon_model(&m);
    scene_down(&s);
}

}  // namespace
