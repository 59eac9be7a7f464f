// The camera rig: the three preset cameras, the choice of the current one,
// and mouse steering (turn and slide) within each camera's move flags and
// limits. Reads the screen size and the mickeys; writes the camera records.
#include "demo.h"

#include <cstdint>
#include <cstdio>

// Fills one preset; the y limits only where the camera may move in y.
static void set_preset(camera *c, int x, int y, int z, int xf, int yf, int zf, int xu, int yu,
                       int zu, fixed aspect)
{
    c->x = itofix(x);
    c->y = itofix(y);
    c->z = itofix(z);
    c->xfront = itofix(xf);
    c->yfront = itofix(yf);
    c->zfront = itofix(zf);
    c->xup = itofix(xu);
    c->yup = itofix(yu);
    c->zup = itofix(zu);
    c->fov = itofix(60);
    c->aspect = aspect;
    c->max_x = itofix(80);
    c->min_x = itofix(-80);
    c->max_z = itofix(80);
    c->min_z = itofix(-80);
}

void fill_camera_presets(camera *f1, camera *f9, camera *f2, int w, int h)
{
    // 3w / 4h in single precision, rounded to fixed: 1.0 for 4:3 screens.
    float a = static_cast<float>(3 * w) / static_cast<float>(4 * h);
    fixed aspect = ftofix(a);

    // F1: 20 above the board, looking forward and a little down.
    set_preset(f1, 0, 20, 0, 0, -3, 10, 0, 10, 3, aspect);
    f1->move_x = 1;
    f1->move_y = 0;
    f1->move_z = 1;

    // F2: low and close, looking forward and a little up.
    set_preset(f2, 0, 6, 0, 0, 2, 10, 0, 10, -2, aspect);
    f2->move_x = 1;
    f2->move_y = 0;
    f2->move_z = 1;

    // F9: 150 above, looking straight down; moves up and down instead of in z.
    set_preset(f9, 0, 150, 0, 0, -10, 0, 0, 0, 1, aspect);
    f9->move_x = 1;
    f9->move_y = 1;
    f9->move_z = 0;
    f9->max_y = itofix(150);
    f9->min_y = itofix(40);
}

void init_variables(cursor *cur, camera *f1, camera *f9, camera *f2)
{
    const struct polygon *square = &board.polygons[15 * cur->old_x + cur->old_y];
    cur->saved_colour = square->corners[0].colour;
    cur->saved_shading = square->shading;

    // The image's own palette is dropped: its pixels show through pal.
    PALETTE scratch;
    cur->pointer = load_pcx("bitmaps/mouse.pcx", scratch);
    if (!cur->pointer)
        std::fprintf(stderr, "zelk-demo: cannot load the pointer image bitmaps/mouse.pcx; "
                             "the pointer is not drawn\n");

    fill_camera_presets(f1, f9, f2, SCREEN_W, SCREEN_H);
}

void choose_camera(camera **current, camera *cam)
{
    *current = cam;
    set_camera(cam);
}

// One steering term: the coordinate minus (component >> 4) times the mickeys.
// Kept in 64 bits so that a wild mickey count cannot overflow before the
// clamp brings the coordinate back inside its limits.
static int64_t step(int64_t v, fixed component, int mickeys)
{
    return v - static_cast<int64_t>(component >> 4) * mickeys;
}

// Greater than max becomes max; then less than min becomes min.
static fixed clamp(int64_t v, fixed max, fixed min)
{
    if (v > max)
        v = max;
    if (v < min)
        v = min;
    return static_cast<fixed>(v);
}

void steer_camera(camera *cam, int mode, int mickey_x, int mickey_y, MATRIX *turn_matrix)
{
    if (mode == STEER_SLIDE) {
        // Forward along the front vector, sideways along (-zfront, xfront).
        if (cam->move_x) {
            int64_t x = step(cam->x, cam->xfront, mickey_y);
            x = step(x, cam->zfront, mickey_x);
            cam->x = clamp(x, cam->max_x, cam->min_x);
        }
        if (cam->move_y)
            cam->y = clamp(step(cam->y, cam->yfront, mickey_y), cam->max_y, cam->min_y);
        if (cam->move_z) {
            int64_t z = step(cam->z, cam->zfront, mickey_y);
            z += static_cast<int64_t>(cam->xfront >> 4) * mickey_x;
            cam->z = clamp(z, cam->max_z, cam->min_z);
        }
        return;
    }
    if (mode != STEER_TURN)
        return;

    // Half an angle unit per mickey, to the right is negative: the mickeys
    // times 0.5 in fixed, wrapped like the shift it stands for.
    fixed angle = static_cast<fixed>((0u - static_cast<uint32_t>(mickey_x)) << 15);
    get_y_rotate_matrix(turn_matrix, angle);
    fixed x, y, z;
    apply_matrix(turn_matrix, cam->xfront, cam->yfront, cam->zfront, &x, &y, &z);
    cam->xfront = x;
    cam->yfront = y;
    cam->zfront = z;
    apply_matrix(turn_matrix, cam->xup, cam->yup, cam->zup, &x, &y, &z);
    cam->xup = x;
    cam->yup = y;
    cam->zup = z;

    // Forward along the turned front vector, axes z, x, y.
    if (cam->move_z)
        cam->z = clamp(step(cam->z, cam->zfront, mickey_y), cam->max_z, cam->min_z);
    if (cam->move_x)
        cam->x = clamp(step(cam->x, cam->xfront, mickey_y), cam->max_x, cam->min_x);
    if (cam->move_y)
        cam->y = clamp(step(cam->y, cam->yfront, mickey_y), cam->max_y, cam->min_y);
}

int steer_mode_from_buttons(int buttons)
{
    if (!(buttons & 2))
        return STEER_POINTER;
    return (buttons & 1) ? STEER_SLIDE : STEER_TURN;
}
