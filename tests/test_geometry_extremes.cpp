// Models with vertices anywhere in the fixed range, including behind the
// camera, right at the near plane and at the ends of 32 bits, drawn by Model
// in every sort and transform mode and through the scene. The sanitizer
// build checks that no step overflows or strays outside its arrays; the
// release build checks that nothing is drawn outside the bitmap.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "geometry_fixture.h"

namespace {

constexpr int W = 160;
constexpr int H = 120;

fixed random_coordinate(std::mt19937 *rng)
{
    std::uniform_int_distribution<int> pick(0, 5);
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<int> small(-itofix(40), itofix(40));
    switch (pick(*rng)) {
    case 0: return any(*rng);
    case 1: return INT_MAX - (any(*rng) & 0xff);
    case 2: return INT_MIN + (any(*rng) & 0xff);
    case 3: return NEAR_Z + (any(*rng) % 3);
    default: return small(*rng);
    }
}

// A model of random vertices and random polygons of 3 to 16 corners.
void random_model(polygon_model *m, std::mt19937 *rng)
{
    std::uniform_int_distribution<int> vcount(3, 12), pcount(1, 12), corners(3, MAX_CORNERS);
    int nv = vcount(*rng), np = pcount(*rng);
    create_polygon_model(m, nv, np, MAX_CORNERS);
    m->num_vertices = nv;
    m->num_polygons = np;
    for (int i = 0; i < nv; i++) {
        vertex *v = &m->vertices[i];
        v->x = v->cx = random_coordinate(rng);
        v->y = v->cy = random_coordinate(rng);
        v->z = v->cz = random_coordinate(rng);
        v->sx = random_coordinate(rng);
        v->sy = random_coordinate(rng);
    }
    std::uniform_int_distribution<int> which(0, nv - 1), colour(INT_MIN, INT_MAX), shade(0, 3);
    for (int i = 0; i < np; i++) {
        struct polygon *p = &m->polygons[i];
        p->num_corners = corners(*rng);
        p->shading = shade(*rng);
        p->visible = 0;
        for (int k = 0; k < p->num_corners; k++) {
            p->vertex_ptrs[k] = &m->vertices[which(*rng)];
            p->corners[k].colour = (k % 2) ? colour(*rng) : itofix(shade(*rng) * 20);
            p->corners[k].aux[0] = p->corners[k].aux[1] = 0;
        }
    }
    std::uniform_int_distribution<int> mode(-1, 9), angle(0, itofix(256));
    m->sort_mode = mode(*rng);
    int transforms[] = {4, 2, 0};
    m->transform_mode = transforms[std::uniform_int_distribution<int>(0, 2)(*rng)];
    m->xrot = angle(*rng);
    m->yrot = angle(*rng);
    m->zrot = angle(*rng);
    m->xpos = random_coordinate(rng);
    m->ypos = random_coordinate(rng);
    m->zpos = random_coordinate(rng);
    m->backface_cull = shade(*rng) & 1;
    create_normals(m);
}

TEST(GeometryExtremes, RandomModelsDrawOnlyInsideTheBitmap)
{
    engine_up(W, H);
    // A bitmap larger than the screen: rows and columns outside the screen
    // part must stay untouched.
    BITMAP *bmp = create_bitmap_ex(8, W + 16, H + 16);
    frame_buffer fb;
    fb.num_buckets = 32000;
    create_frame_buffer(&fb);
    clear_frame_buffer(&fb);
    std::mt19937 rng(20261211);
    for (int round = 0; round < 400; round++) {
        main_camera = identity_matrix;
        if (round % 3 == 1) {
            camera cam = {random_coordinate(&rng), random_coordinate(&rng), random_coordinate(&rng),
                          itofix(1), 0, itofix(1), 0, itofix(1), 0, itofix(60), itofix(1),
                          0, 0, 0, 0, 0, 0, 0, 0, 0};
            set_camera(&cam);
        }
        polygon_model a, b;
        random_model(&a, &rng);
        random_model(&b, &rng);
        clear_bitmap(bmp);
        Model(bmp, &a);
        add_model_to_scene(&fb, &a);
        add_model_to_scene(&fb, &b);
        render_buffer(&fb);
        clear_frame_buffer(&fb);
        for (int y = 0; y < H + 16; y++) {
            for (int x = (y < H ? W : 0); x < W + 16; x++)
                ASSERT_EQ(bmp->line[y][x], 0) << "round " << round << " at " << x << ", " << y;
        }
        free_polygon_model(&a);
        free_polygon_model(&b);
    }
    free_frame_buffer(&fb);
    destroy_bitmap(bmp);
    engine_down();
}

}  // namespace
