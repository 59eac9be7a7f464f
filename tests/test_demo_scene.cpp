// The nine scene models: loaded and placed from the repository's files, and
// left out with a warning naming the file when it is missing or malformed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "demo.h"
#include "test_support.h"

namespace {

struct SceneTest : ::testing::Test {
    demo_model models[NUM_MODELS] = {};
    frame_buffer frame{};
    void SetUp() override
    {
        engine_up(320, 200);
        frame.num_buckets = 32000;
        create_frame_buffer(&frame);
        clear_frame_buffer(&frame);
    }
    void TearDown() override
    {
        free_frame_buffer(&frame);
        engine_down();
    }
    int filed() const
    {
        int n = 0;
        for (int i = 0; i < frame.num_buckets; i++)
            n += frame.buckets[i].poly != nullptr;
        return n;
    }
};

TEST_F(SceneTest, RepositoryModelsStandInADiagonalRow)
{
    // Run from the repository root, where the demo's data lives.
    testing::internal::CaptureStderr();
    load_scene_models(models);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const int pos[NUM_MODELS] = {70, 60, 50, 40, 30, 20, 10, -10, 0};
    for (int i = 0; i < NUM_MODELS; i++) {
        ASSERT_TRUE(models[i].loaded) << model_path(i);
        EXPECT_EQ(models[i].model.xpos, itofix(pos[i])) << model_path(i);
        EXPECT_EQ(models[i].model.zpos, itofix(pos[i])) << model_path(i);
    }
    EXPECT_STREQ(model_path(0), "models/legacy/face.dat");
    EXPECT_STREQ(model_path(8), "models/ghost.mdl");

    // Seen by the F1 camera, the models' polygons go into the buckets.
    camera f1{}, f2{}, f9{};
    fill_camera_presets(&f1, &f9, &f2, 320, 200);
    set_camera(&f1);
    add_scene_models(&frame, models);
    EXPECT_GT(filed(), 0);
    clear_frame_buffer(&frame);

    free_scene_models(models);
    for (const demo_model &m : models)
        EXPECT_FALSE(m.loaded);
}

TEST_F(SceneTest, MissingAndMalformedFilesAreNamedAndLeftOut)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    char tmpl[] = "/tmp/zelk-scene-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    ASSERT_EQ(chdir(tmpl), 0);
    ASSERT_EQ(mkdir("models", 0700), 0);
    FILE *f = std::fopen("models/mask.mdl", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a model", f);
    std::fclose(f);

    testing::internal::CaptureStderr();
    load_scene_models(models);
    std::string err = testing::internal::GetCapturedStderr();

    ASSERT_EQ(chdir(cwd), 0);
    std::string cmd = std::string("rm -rf ") + tmpl;
    ASSERT_EQ(std::system(cmd.c_str()), 0);

    for (int i = 0; i < NUM_MODELS; i++) {
        EXPECT_FALSE(models[i].loaded) << model_path(i);
        std::string path = model_path(i);
        std::string cause = path == "models/mask.mdl" ? "not a valid model file"
                                                      : "cannot open the file";
        EXPECT_NE(err.find("zelk-demo: " + path + ": " + cause), std::string::npos) << err;
    }

    // Nothing of them is filed or released.
    add_scene_models(&frame, models);
    EXPECT_EQ(filed(), 0);
    free_scene_models(models);
}

TEST_F(SceneTest, KeypadMovesTheBoardButNotTheModels)
{
    load_scene_models(models);
    std::srand(1);
    setup_model();
    demo_state *st = new demo_state{};
    fill_camera_presets(&st->cam_f1, &st->cam_f9, &st->cam_f2, 320, 200);
    st->current_camera = &st->cam_f1;
    char keys[KEY_MAX] = {};
    keys[KEY_PLUS_PAD] = 1;
    for (int frame_count = 0; frame_count < 40; frame_count++)
        handle_keys(st, keys);
    EXPECT_EQ(board.zpos, itofix(-10));
    EXPECT_EQ(models[8].model.zpos, 0);
    EXPECT_EQ(models[0].model.zpos, itofix(70));
    delete st;
    free_polygon_model(&board);
    free_scene_models(models);
}

}  // namespace
