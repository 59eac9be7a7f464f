// Engine start-up and the current camera: the projection viewport, the
// camera matrix every model is seen through, and the two scan-line edge
// tables shared by the fillers.
#include "zelk.h"

#include <cstdlib>

#include "memory.h"

MATRIX main_camera;
poly_edge *left_poly_edge = nullptr;
poly_edge *right_poly_edge = nullptr;
int poly_edge_rows = 0;
int shifts[5][3];

// Aspect ratio of the screen, (w * 3) / (h * 4) in single precision and then
// rounded to fixed. Without a screen (h = 0) the ratio is 1.0.
static fixed screen_aspect(int w, int h)
{
    if (h <= 0)
        return itofix(1);
    float a = (static_cast<float>(w) * 3.0f) / (static_cast<float>(h) * 4.0f);
    return ftofix(a);
}

void zelk_init(void)
{
    int w = SCREEN_W;
    int h = SCREEN_H;
    set_projection_viewport(0, 0, w, h);

    // Front and up are the raw value 1: only their directions matter.
    get_camera_matrix(&main_camera, 0, 0, 0, 0, 0, 1, 0, 1, 0, itofix(60),
                      screen_aspect(w, h));

    if (left_poly_edge)
        zelk_exit();
    int rows = h > 0 ? h : 0;
    left_poly_edge = zelk_alloc<poly_edge>(static_cast<std::size_t>(rows), "left edge table");
    right_poly_edge = zelk_alloc<poly_edge>(static_cast<std::size_t>(rows), "right edge table");
    poly_edge_rows = rows;

    for (int f = 2; f <= 6; f++) {
        shifts[f - 2][0] = 1 << f;
        shifts[f - 2][1] = f;
        shifts[f - 2][2] = 25 - f;
    }
}

void zelk_exit(void)
{
    std::free(left_poly_edge);
    std::free(right_poly_edge);
    left_poly_edge = nullptr;
    right_poly_edge = nullptr;
    poly_edge_rows = 0;
}

void set_camera(camera *cam)
{
    get_camera_matrix(&main_camera, cam->x, cam->y, cam->z, cam->xfront, cam->yfront,
                      cam->zfront, cam->xup, cam->yup, cam->zup, cam->fov, cam->aspect);
}
