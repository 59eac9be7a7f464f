// Renders the demo's nine models into PCX pictures for checking them by eye:
// each model alone in the middle of the board seen from six sides, and the
// whole scene from along the row and from the demo's three preset cameras. Draws through the engine as the demo
// does (board at once, models through the depth buckets), with no window.
//
// Usage: render_models OUTDIR [WIDTH HEIGHT]   (run from the repository root)
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo.h"

namespace {

constexpr int BUCKETS = 32000;  // the demo's bucket count

// One viewpoint around a model: degrees round the vertical axis from the
// front (-z, 0) towards the model's left side (-x, 90), and degrees up.
struct view {
    const char *name;  // part of the file name
    double azimuth;    // degrees, 0 looks at the front
    double elevation;  // degrees above the horizon
};

constexpr view VIEWS[] = {
    {"front", 0, 12},   {"left45", 45, 20}, {"left", 90, 10},
    {"back", 180, 15},  {"right", 270, 10}, {"above", 30, 62},
};

GFX_DRIVER fake_driver;  // gives SCREEN_W and SCREEN_H their values

// A camera at eye looking at target, with the demo's field of view.
camera aimed_camera(double ex, double ey, double ez, double tx, double ty, double tz, double fov)
{
    double fx = tx - ex, fy = ty - ey, fz = tz - ez;
    double flen = std::sqrt(fx * fx + fy * fy + fz * fz);
    fx /= flen;
    fy /= flen;
    fz /= flen;
    // Up: the world's vertical made square to the viewing direction.
    double ux = -fy * fx, uy = 1.0 - fy * fy, uz = -fy * fz;
    camera c{};
    c.x = ftofix(ex);
    c.y = ftofix(ey);
    c.z = ftofix(ez);
    c.xfront = ftofix(fx * 10);
    c.yfront = ftofix(fy * 10);
    c.zfront = ftofix(fz * 10);
    c.xup = ftofix(ux * 10);
    c.yup = ftofix(uy * 10);
    c.zup = ftofix(uz * 10);
    c.fov = ftofix(fov);
    c.aspect = ftofix(3.0 * SCREEN_W / (4.0 * SCREEN_H));
    return c;
}

// Draws the board and the given models into the frame, as one demo frame.
void draw_frame(frame_buffer *fb, camera *cam, polygon_model **models, int count)
{
    set_camera(cam);
    clear_frame_buffer(fb);
    Model(fb->bitmap, &board);
    for (int i = 0; i < count; i++)
        add_model_to_scene(fb, models[i]);
    render_buffer(fb);
}

bool save(const std::string &path, frame_buffer *fb)
{
    if (save_pcx(path.c_str(), fb->bitmap, pal) != 0) {
        std::fprintf(stderr, "render_models: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Loads one model file by its extension; returns false with a message when
// it cannot be read.
bool load_one(polygon_model *model, const char *path)
{
    size_t n = std::strlen(path);
    bool legacy = n > 4 && std::strcmp(path + n - 4, ".dat") == 0;
    int result = legacy ? load_legacy_model(model, path) : load_model(model, path);
    if (result != LOAD_OK) {
        std::fprintf(stderr, "render_models: cannot load %s (%s)\n", path,
                     result == LOAD_NO_FILE ? "cannot open it" : "malformed");
        return false;
    }
    return true;
}

// The file name part of a model path, with the legacy ones marked: the two
// ghosts must not share a name.
std::string short_name(const char *path)
{
    std::string p(path);
    std::string base = p.substr(p.find_last_of('/') + 1);
    base = base.substr(0, base.find('.'));
    return (p.find("legacy/") != std::string::npos ? "legacy_" : "") + base;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: render_models OUTDIR [WIDTH HEIGHT]\n");
        return 2;
    }
    std::string out = argv[1];
    int w = argc == 4 ? std::atoi(argv[2]) : 480;
    int h = argc == 4 ? std::atoi(argv[3]) : 360;
    if (w < 64 || h < 64 || w > 4096 || h > 4096) {
        std::fprintf(stderr, "render_models: the picture size must be 64 to 4096 pixels a side\n");
        return 2;
    }

    install_allegro(SYSTEM_NONE, &errno, atexit);
    fake_driver.w = w;
    fake_driver.h = h;
    gfx_driver = &fake_driver;
    zelk_init();
    setup_model();

    frame_buffer fb{};
    fb.num_buckets = BUCKETS;
    create_frame_buffer(&fb);

    int failures = 0;
    for (int i = 0; i < NUM_MODELS; i++) {
        polygon_model model{};
        if (!load_one(&model, model_path(i))) {
            failures++;
            continue;
        }
        polygon_model *one[1] = {&model};
        std::string name = short_name(model_path(i));
        for (const view &v : VIEWS) {
            double a = v.azimuth * M_PI / 180, e = v.elevation * M_PI / 180;
            double dist = 26;
            camera cam = aimed_camera(-dist * std::sin(a) * std::cos(e), 10.5 + dist * std::sin(e),
                                      -dist * std::cos(a) * std::cos(e), 0, 10.5, 0, 40.0);
            draw_frame(&fb, &cam, one, 1);
            if (!save(out + "/" + name + "_" + v.name + ".pcx", &fb))
                failures++;
        }
        free_polygon_model(&model);
    }

    // The whole row as the demo places it: from the side of the row, and
    // from the demo's first preset camera.
    demo_model scene[NUM_MODELS] = {};
    load_scene_models(scene);
    polygon_model *all[NUM_MODELS];
    int count = 0;
    for (int i = NUM_MODELS - 1; i >= 0; i--)
        if (scene[i].loaded)
            all[count++] = &scene[i].model;
    camera row = aimed_camera(88, 22, -28, 30, 7, 30, 60.0);
    draw_frame(&fb, &row, all, count);
    if (!save(out + "/scene_row.pcx", &fb))
        failures++;
    camera f1, f9, f2;
    fill_camera_presets(&f1, &f9, &f2, w, h);
    const struct {
        camera *cam;
        const char *name;
    } presets[] = {{&f1, "scene_f1"}, {&f2, "scene_f2"}, {&f9, "scene_f9"}};
    for (const auto &p : presets) {
        draw_frame(&fb, p.cam, all, count);
        if (!save(out + "/" + p.name + ".pcx", &fb))
            failures++;
    }
    free_scene_models(scene);

    free_frame_buffer(&fb);
    free_polygon_model(&board);
    zelk_exit();
    gfx_driver = nullptr;
    allegro_exit();
    return failures == 0 ? 0 : 1;
}
