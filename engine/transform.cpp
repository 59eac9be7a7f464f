// Model transformation: brings a model into camera space for the current
// camera. Reads main_camera, the model's placement and the object-space
// vertices and normals; writes every vertex's and normal's cx, cy, cz.
#include "zelk.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// How large a matrix can make a row sum: the largest magnitude among its
// nine factors and among its three translations.
struct matrix_reach {
    int64_t factor;       // largest |v[r][c]|, raw fixed
    int64_t translation;  // largest |t[r]|, raw fixed
};

static int64_t magnitude(fixed v)
{
    return std::llabs(static_cast<int64_t>(v));
}

static matrix_reach reach_of(const MATRIX *m)
{
    matrix_reach r = {0, 0};
    for (int row = 0; row < 3; row++) {
        for (int col = 0; col < 3; col++)
            r.factor = std::max(r.factor, magnitude(m->v[row][col]));
        r.translation = std::max(r.translation, magnitude(m->t[row]));
    }
    return r;
}

// True when no row sum of apply_matrix can leave 32 bits for this point:
// each fixmul is at most |a| |b| / 65536 + 1 in magnitude (it floors).
static bool rows_fit(const matrix_reach *r, fixed x, fixed y, fixed z)
{
    int64_t largest = std::max({magnitude(x), magnitude(y), magnitude(z)});
    int64_t term = ((largest * r->factor) >> 16) + 1;
    return 3 * term + r->translation <= INT32_MAX;
}

// One row as apply_matrix forms it: Allegro's own saturating products added
// in 32 bits, which wrap. The sum is taken in unsigned arithmetic, where the
// wrap is defined, so the result is the very word apply_matrix gives.
static fixed wrapped_row(const MATRIX *m, int row, fixed x, fixed y, fixed z)
{
    uint32_t sum = static_cast<uint32_t>(fixmul(x, m->v[row][0])) +
                   static_cast<uint32_t>(fixmul(y, m->v[row][1])) +
                   static_cast<uint32_t>(fixmul(z, m->v[row][2])) +
                   static_cast<uint32_t>(m->t[row]);
    return static_cast<fixed>(sum);
}

// apply_matrix for every point that keeps its row sums inside 32 bits (all
// real ones); the rare point whose sums leave them gets the same wrapped
// words without the overflow of signed arithmetic.
static void transform_point(MATRIX *m, const matrix_reach *r, fixed x, fixed y, fixed z,
                            fixed *ox, fixed *oy, fixed *oz)
{
    if (rows_fit(r, x, y, z)) {
        apply_matrix(m, x, y, z, ox, oy, oz);
        return;
    }
    *ox = wrapped_row(m, 0, x, y, z);
    *oy = wrapped_row(m, 1, x, y, z);
    *oz = wrapped_row(m, 2, x, y, z);
}

// Composes camera(translate(rotate(p))) from main_camera and the model's
// placement, applies it to every vertex (last to first) and turns every
// corner normal by the rotation alone (no translation, no camera). Only the
// camera-space fields are written, so a second call gives the same result.
// Precondition: the counts and arrays of the model are consistent.
void Process_model(polygon_model *model)
{
    MATRIX m = main_camera;
    MATRIX step;
    MATRIX product;

    get_translation_matrix(&step, model->xpos, model->ypos, model->zpos);
    matrix_mul(&step, &m, &product);
    m = product;

    MATRIX rotation;
    get_rotation_matrix(&rotation, model->xrot, model->yrot, model->zrot);
    matrix_mul(&rotation, &m, &product);
    m = product;

    matrix_reach reach = reach_of(&m);
    for (int i = model->num_vertices - 1; i >= 0; i--) {
        vertex *v = &model->vertices[i];
        transform_point(&m, &reach, v->x, v->y, v->z, &v->cx, &v->cy, &v->cz);
    }

    matrix_reach turn = reach_of(&rotation);
    for (int i = model->num_polygons - 1; i >= 0; i--) {
        struct polygon *poly = &model->polygons[i];
        for (int k = poly->num_corners - 1; k >= 0; k--) {
            vertex *nv = &poly->normals[k];
            transform_point(&rotation, &turn, nv->x, nv->y, nv->z, &nv->cx, &nv->cy, &nv->cz);
        }
    }
}
