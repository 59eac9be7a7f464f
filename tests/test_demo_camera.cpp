// The preset cameras, the choice of the current camera and mouse steering,
// on a fake screen without a window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "demo.h"
#include "test_support.h"

namespace {

struct CameraTest : ::testing::Test {
    camera f1{}, f2{}, f9{};
    MATRIX turn{};
    void SetUp() override
    {
        engine_up(320, 200);
        fill_camera_presets(&f1, &f9, &f2, 320, 200);
    }
    void TearDown() override { engine_down(); }
};


TEST_F(CameraTest, PresetsAndAspectForEachMode)
{
    const struct {
        int w, h;
        fixed aspect;
    } modes[] = {{320, 200, 78643}, {640, 480, 65536}, {1024, 768, 65536}};
    for (const auto &m : modes) {
        camera a{}, b{}, c{};
        fill_camera_presets(&a, &c, &b, m.w, m.h);
        EXPECT_EQ(a.aspect, m.aspect) << m.w;
        EXPECT_EQ(b.aspect, m.aspect) << m.w;
        EXPECT_EQ(c.aspect, m.aspect) << m.w;
    }

    // position, front, up, fov, move flags, x and z limits
    const struct {
        const camera *cam;
        int v[9];
        int move[3];
    } presets[] = {
        {&f1, {0, 20, 0, 0, -3, 10, 0, 10, 3}, {1, 0, 1}},
        {&f2, {0, 6, 0, 0, 2, 10, 0, 10, -2}, {1, 0, 1}},
        {&f9, {0, 150, 0, 0, -10, 0, 0, 0, 1}, {1, 1, 0}},
    };
    for (const auto &p : presets) {
        const camera &c = *p.cam;
        const fixed got[9] = {c.x, c.y, c.z, c.xfront, c.yfront, c.zfront, c.xup, c.yup, c.zup};
        for (int i = 0; i < 9; i++)
            EXPECT_EQ(got[i], itofix(p.v[i])) << "field " << i;
        EXPECT_EQ(c.fov, itofix(60));
        EXPECT_EQ(c.move_x, p.move[0]);
        EXPECT_EQ(c.move_y, p.move[1]);
        EXPECT_EQ(c.move_z, p.move[2]);
        EXPECT_EQ(c.max_x, itofix(80));
        EXPECT_EQ(c.min_x, itofix(-80));
        EXPECT_EQ(c.max_z, itofix(80));
        EXPECT_EQ(c.min_z, itofix(-80));
    }
    EXPECT_EQ(f9.max_y, itofix(150));
    EXPECT_EQ(f9.min_y, itofix(40));
}

TEST_F(CameraTest, SlideSixteenMickeysForwardMovesTheF1CameraTenUnits)
{
    f1.y = 0x12345;  // move_y is 0: y must stay exactly as it is
    steer_camera(&f1, STEER_SLIDE, 0, -16, &turn);
    EXPECT_EQ(f1.z, itofix(10));
    EXPECT_EQ(f1.x, 0);
    EXPECT_EQ(f1.y, 0x12345);

    // Sideways: one mickey right moves along (-zfront, xfront) / 16.
    steer_camera(&f1, STEER_SLIDE, 1, 0, &turn);
    EXPECT_EQ(f1.x, -(itofix(10) >> 4));
    EXPECT_EQ(f1.z, itofix(10));
}

TEST_F(CameraTest, SteeringStopsAtTheLimits)
{
    const struct {
        int mode, mickey_x, mickey_y;
        fixed x, z;
    } cases[] = {
        {STEER_SLIDE, 0, -20, 0, itofix(80)},
        {STEER_SLIDE, 0, 20, 0, itofix(-80)},
        {STEER_SLIDE, 20, 0, itofix(-80), 0},
        {STEER_SLIDE, -20, 0, itofix(80), 0},
        {STEER_TURN, 0, -20, 0, itofix(80)},
        {STEER_TURN, 0, 20, 0, itofix(-80)},
        // A wild count in one frame still ends at the limit.
        {STEER_SLIDE, 0, -1000000, 0, itofix(80)},
        {STEER_SLIDE, 1000000, 0, itofix(-80), 0},
    };
    for (const auto &c : cases) {
        camera cam = f1;
        for (int frame = 0; frame < 200; frame++)
            steer_camera(&cam, c.mode, c.mickey_x, c.mickey_y, &turn);
        EXPECT_EQ(cam.x, c.x) << c.mode << " " << c.mickey_x << " " << c.mickey_y;
        EXPECT_EQ(cam.z, c.z) << c.mode << " " << c.mickey_x << " " << c.mickey_y;
        EXPECT_EQ(cam.y, itofix(20));
    }
}

TEST_F(CameraTest, TheF9CameraMovesUpAndDownBetween40And150)
{
    // Mouse towards the user raises it, away lowers it; x and z never move.
    steer_camera(&f9, STEER_SLIDE, 0, -16, &turn);
    EXPECT_EQ(f9.y, itofix(140));
    for (int frame = 0; frame < 100; frame++)
        steer_camera(&f9, STEER_SLIDE, 7, -16, &turn);
    EXPECT_EQ(f9.y, itofix(40));
    EXPECT_EQ(f9.x, 0);
    EXPECT_EQ(f9.z, 0);
    for (int frame = 0; frame < 100; frame++)
        steer_camera(&f9, STEER_SLIDE, 0, 16, &turn);
    EXPECT_EQ(f9.y, itofix(150));

    // Turning spins the up vector about the vertical; y still follows mouse y.
    steer_camera(&f9, STEER_TURN, 128, -16, &turn);
    EXPECT_EQ(f9.xfront, 0);
    EXPECT_EQ(f9.yfront, itofix(-10));
    EXPECT_EQ(f9.zfront, 0);
    EXPECT_NEAR(f9.xup, -65536, 2);  // a quarter turn to the right
    EXPECT_NEAR(f9.zup, 0, 2);
    EXPECT_EQ(f9.y, itofix(140));
    EXPECT_EQ(f9.x, 0);
}

TEST_F(CameraTest, FiveHundredTwelveMickeysTurnAFullCircle)
{
    // In one frame the angle is exactly a full turn. In many small steps
    // every rotation rounds its sines, cosines and products to 1/65536, so
    // the vectors drift: 512 single mickeys end about 0.2% of the front
    // vector's length away. Allowed: 0.5% of each vector's length.
    const int front_tol = itofix(10) / 200;
    const int up_tol = itofix(10) / 200;
    const int steps[] = {512, 1, 8, 64};
    for (int mickeys : steps) {
        camera cam = f1;
        for (int done = 0; done < 512; done += mickeys)
            steer_camera(&cam, STEER_TURN, mickeys, 0, &turn);
        EXPECT_NEAR(cam.xfront, f1.xfront, front_tol) << mickeys;
        EXPECT_NEAR(cam.yfront, f1.yfront, front_tol) << mickeys;
        EXPECT_NEAR(cam.zfront, f1.zfront, front_tol) << mickeys;
        EXPECT_NEAR(cam.xup, f1.xup, up_tol) << mickeys;
        EXPECT_NEAR(cam.yup, f1.yup, up_tol) << mickeys;
        EXPECT_NEAR(cam.zup, f1.zup, up_tol) << mickeys;
        if (mickeys == 512) {
            EXPECT_EQ(cam.xfront, f1.xfront);
            EXPECT_EQ(cam.zfront, f1.zfront);
        }
        EXPECT_EQ(cam.x, f1.x);
        EXPECT_EQ(cam.z, f1.z);
    }

    // Half a turn really turns: the front's z part flips.
    camera half = f1;
    steer_camera(&half, STEER_TURN, 256, 0, &turn);
    EXPECT_NEAR(half.zfront, -f1.zfront, front_tol);
}

TEST_F(CameraTest, TurnMovesAlongTheTurnedFrontVector)
{
    // Half an angle unit per mickey, to the right negative; front and up are
    // turned first, then the camera moves by the turned front (z, x, y).
    const struct {
        const char *name;
        const camera *start;
        fixed x;  // start x
        int mickey_x, mickey_y;
        fixed near_x, near_z;  // where it ends, to within rounding
    } cases[] = {
        {"F1, quarter turn right, forward", &f1, 0, 128, -16, itofix(-10), 0},
        {"F1, quarter turn left, forward", &f1, 0, -128, -16, itofix(10), 0},
        {"F1, half turn, forward", &f1, 0, 256, -16, 0, itofix(-10)},
        {"F1, quarter turn left, forward into the x limit", &f1, itofix(75), -128, -16,
         itofix(80), 0},
        {"F2, quarter turn right, backward", &f2, 0, 128, 32, itofix(20), 0},
    };
    for (const auto &c : cases) {
        camera cam = *c.start;
        cam.x = c.x;
        steer_camera(&cam, STEER_TURN, c.mickey_x, c.mickey_y, &turn);

        MATRIX m;
        get_y_rotate_matrix(&m, -itofix(c.mickey_x) / 2);
        fixed fx, fy, fz, ux, uy, uz;
        apply_matrix(&m, c.start->xfront, c.start->yfront, c.start->zfront, &fx, &fy, &fz);
        apply_matrix(&m, c.start->xup, c.start->yup, c.start->zup, &ux, &uy, &uz);
        EXPECT_EQ(cam.xfront, fx) << c.name;
        EXPECT_EQ(cam.yfront, fy) << c.name;
        EXPECT_EQ(cam.zfront, fz) << c.name;
        EXPECT_EQ(cam.xup, ux) << c.name;
        EXPECT_EQ(cam.yup, uy) << c.name;
        EXPECT_EQ(cam.zup, uz) << c.name;

        fixed x = c.x - (fx >> 4) * c.mickey_y;
        fixed z = c.start->z - (fz >> 4) * c.mickey_y;
        EXPECT_EQ(cam.x, x > itofix(80) ? itofix(80) : x) << c.name;
        EXPECT_EQ(cam.z, z) << c.name;
        EXPECT_EQ(cam.y, c.start->y) << c.name;  // move_y is 0
        EXPECT_NEAR(cam.x, c.near_x, 64) << c.name;
        EXPECT_NEAR(cam.z, c.near_z, 64) << c.name;
    }
}

TEST_F(CameraTest, SlideStepsAreSixteenthsRoundedDown)
{
    // Fronts that are no whole number of sixteenths, negative ones included:
    // each part is shifted down before it is multiplied by the mickeys.
    const struct {
        fixed xfront, zfront;
        int mickey_x, mickey_y;
    } cases[] = {
        {-1, 17, 3, -5},
        {0x12345, -0x23456, -7, 2},
        {-0x10001, -0x1F, 1, 1},
    };
    for (const auto &c : cases) {
        camera cam = f1;
        cam.xfront = c.xfront;
        cam.zfront = c.zfront;
        steer_camera(&cam, STEER_SLIDE, c.mickey_x, c.mickey_y, &turn);
        const fixed sx = c.xfront >> 4, sz = c.zfront >> 4;
        EXPECT_EQ(cam.x, -sx * c.mickey_y - sz * c.mickey_x) << c.xfront;
        EXPECT_EQ(cam.z, -sz * c.mickey_y + sx * c.mickey_x) << c.xfront;
        EXPECT_EQ(cam.y, f1.y);
    }
}

TEST_F(CameraTest, PointerModeDoesNotSteer)
{
    camera cam = f1;
    steer_camera(&cam, STEER_POINTER, 50, -50, &turn);
    EXPECT_EQ(std::memcmp(&cam, &f1, sizeof cam), 0);
}

TEST_F(CameraTest, MouseModeFromTheButtons)
{
    const struct {
        int buttons, mode;
    } cases[] = {
        {0, STEER_POINTER}, {1, STEER_POINTER}, {4, STEER_POINTER}, {5, STEER_POINTER},
        {2, STEER_TURN},    {6, STEER_TURN},    {3, STEER_SLIDE},   {7, STEER_SLIDE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(steer_mode_from_buttons(c.buttons), c.mode) << c.buttons;
}

}  // namespace
