// The keys of a running frame: screenshot, camera choice and moving the
// board, driven through a key-state array.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "demo.h"
#include "test_support.h"

namespace {

bool same_matrix(const MATRIX &a, const MATRIX &b)
{
    return std::memcmp(&a, &b, sizeof(MATRIX)) == 0;
}

MATRIX matrix_of(const camera &c)
{
    MATRIX m;
    get_camera_matrix(&m, c.x, c.y, c.z, c.xfront, c.yfront, c.zfront, c.xup, c.yup, c.zup, c.fov,
                      c.aspect);
    return m;
}

struct KeysTest : ::testing::Test {
    demo_state *st = nullptr;
    char keys[KEY_MAX] = {};
    std::string old_dir;
    std::string dir;

    void SetUp() override
    {
        engine_up(320, 200);
        std::srand(1);
        setup_model();
        st = new demo_state{};
        fill_camera_presets(&st->cam_f1, &st->cam_f9, &st->cam_f2, 320, 200);
        choose_camera(&st->current_camera, &st->cam_f1);
        st->frame.bitmap = create_bitmap_ex(8, 320, 200);
        clear_bitmap(st->frame.bitmap);

        // Screenshots go to a directory of the test's own.
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_dir = cwd;
        char tmpl[] = "/tmp/zelk-keys-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(old_dir.c_str()), 0);
        std::string cmd = "rm -rf " + dir;
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        destroy_bitmap(st->frame.bitmap);
        delete st;
        free_polygon_model(&board);
        engine_down();
    }
};

TEST_F(KeysTest, CameraKeysTheLastHeldWinsAndEachCameraKeepsItsPlace)
{
    const struct {
        int f1, f2, f9;
        int which;  // 1, 2 or 9
    } cases[] = {
        {1, 0, 0, 1}, {0, 1, 0, 2}, {0, 0, 1, 9}, {1, 0, 1, 9},
        {1, 1, 0, 2}, {0, 1, 1, 9}, {1, 1, 1, 9},
    };
    for (const auto &c : cases) {
        choose_camera(&st->current_camera, &st->cam_f1);
        keys[KEY_F1] = static_cast<char>(c.f1);
        keys[KEY_F2] = static_cast<char>(c.f2);
        keys[KEY_F9] = static_cast<char>(c.f9);
        handle_keys(st, keys);
        camera *want = c.which == 1 ? &st->cam_f1 : c.which == 2 ? &st->cam_f2 : &st->cam_f9;
        EXPECT_EQ(st->current_camera, want) << c.f1 << c.f2 << c.f9;
        EXPECT_TRUE(same_matrix(main_camera, matrix_of(*want)));
    }
    std::memset(keys, 0, sizeof keys);

    // Steer F1, visit F2 and steer it, come back: F1 resumes where it was.
    MATRIX turn;
    choose_camera(&st->current_camera, &st->cam_f1);
    steer_camera(st->current_camera, STEER_SLIDE, 3, -16, &turn);
    const camera f1_left = st->cam_f1;
    keys[KEY_F2] = 1;
    handle_keys(st, keys);
    keys[KEY_F2] = 0;
    steer_camera(st->current_camera, STEER_TURN, 40, -8, &turn);
    const camera f2_left = st->cam_f2;
    keys[KEY_F1] = 1;
    handle_keys(st, keys);
    EXPECT_EQ(std::memcmp(&st->cam_f1, &f1_left, sizeof(camera)), 0);
    EXPECT_EQ(st->cam_f1.z, itofix(10));
    EXPECT_TRUE(same_matrix(main_camera, matrix_of(f1_left)));
    keys[KEY_F1] = 0;
    keys[KEY_F2] = 1;
    handle_keys(st, keys);
    EXPECT_EQ(std::memcmp(&st->cam_f2, &f2_left, sizeof(camera)), 0);
}

TEST_F(KeysTest, KeypadMovesTheBoardAQuarterUnitPerFrame)
{
    const struct {
        int plus, minus, frames;
        fixed start, zpos;
    } cases[] = {
        {1, 0, 40, 0, itofix(-10)},
        {0, 1, 40, 0, itofix(10)},
        {1, 1, 40, 0, 0},
        {0, 0, 40, 0, 0},
        {1, 0, 1, 0, -0x4000},
        // No limit: at the ends of the fixed range the position wraps.
        {1, 0, 1, INT_MIN + 0x1000, INT_MAX - 0x2FFF},
        {0, 1, 1, INT_MAX - 0x1000, INT_MIN + 0x2FFF},
        {1, 1, 1, INT_MIN, INT_MIN},
    };
    for (const auto &c : cases) {
        board.zpos = c.start;
        keys[KEY_PLUS_PAD] = static_cast<char>(c.plus);
        keys[KEY_MINUS_PAD] = static_cast<char>(c.minus);
        for (int f = 0; f < c.frames; f++)
            handle_keys(st, keys);
        EXPECT_EQ(board.zpos, c.zpos) << c.plus << c.minus << c.frames;
        EXPECT_EQ(board.xpos, 0);
        EXPECT_EQ(board.ypos, 0);
    }
}

TEST_F(KeysTest, EnterSavesTheFrameWithTheDemoPalette)
{
    for (int x = 0; x < 320; x++)
        putpixel(st->frame.bitmap, x, x % 200, x % 160);
    keys[KEY_ENTER] = 1;
    handle_keys(st, keys);

    PALETTE got_pal;
    BITMAP *got = load_pcx("scr.pcx", got_pal);
    ASSERT_NE(got, nullptr);
    ASSERT_EQ(got->w, 320);
    ASSERT_EQ(got->h, 200);
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(getpixel(got, x, y), getpixel(st->frame.bitmap, x, y)) << x << "," << y;
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(got_pal[i].r, pal[i].r) << i;
        EXPECT_EQ(got_pal[i].g, pal[i].g) << i;
        EXPECT_EQ(got_pal[i].b, pal[i].b) << i;
    }
    destroy_bitmap(got);

    // Held: written again in every frame, with what the frame holds then.
    putpixel(st->frame.bitmap, 5, 5, 99);
    handle_keys(st, keys);
    got = load_pcx("scr.pcx", got_pal);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(getpixel(got, 5, 5), 99);
    destroy_bitmap(got);
}

TEST_F(KeysTest, AScreenshotThatCannotBeWrittenIsReportedOnce)
{
    ASSERT_EQ(mkdir("scr.pcx", 0700), 0);  // a directory in the file's place
    keys[KEY_ENTER] = 1;
    testing::internal::CaptureStderr();
    for (int f = 0; f < 3; f++)
        handle_keys(st, keys);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "zelk-demo: cannot write the screenshot scr.pcx\n");

    // Once it can be written again, a new failure is reported again.
    ASSERT_EQ(rmdir("scr.pcx"), 0);
    handle_keys(st, keys);
    ASSERT_EQ(std::remove("scr.pcx"), 0);
    ASSERT_EQ(mkdir("scr.pcx", 0700), 0);
    testing::internal::CaptureStderr();
    handle_keys(st, keys);
    handle_keys(st, keys);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "zelk-demo: cannot write the screenshot scr.pcx\n");
}

}  // namespace
