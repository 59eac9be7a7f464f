// Surface normals: gives every corner of every polygon a unit vector in
// object space from its vertex and its two neighbours in the winding.
// Reads the object-space vertex positions; writes the normals' x, y, z.
#include "zelk.h"

#include <cstdint>

// 32-bit difference that wraps like the hardware does; a plain int
// subtraction of two far-apart fixed values would be undefined.
static inline fixed wrap_sub(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// For each corner P with next neighbour N and previous neighbour Q the normal
// is the unit vector of ((P - N) x (P - Q)) - P: the corner's own position is
// taken off the cross product before normalising, so the result depends on
// where the polygon lies relative to the model's origin. Polygons are walked
// from the last to the first and corners from the last down to 0. The cross
// product saturates (Allegro's fixmul); the differences wrap. Needs Allegro
// started, since normalising a zero vector reports through allegro_errno.
// A polygon without corners is skipped; nothing else is checked.
void create_normals(polygon_model *model)
{
    for (int i = model->num_polygons - 1; i >= 0; i--) {
        struct polygon *poly = &model->polygons[i];
        int n = poly->num_corners;
        for (int k = n - 1; k >= 0; k--) {
            int next = (k == n - 1) ? 0 : k + 1;
            int prev = (k == 0) ? n - 1 : k - 1;
            const vertex *p = poly->vertex_ptrs[k];
            const vertex *nv = poly->vertex_ptrs[next];
            const vertex *q = poly->vertex_ptrs[prev];
            vertex *normal = &poly->normals[k];

            cross_product(wrap_sub(p->x, nv->x), wrap_sub(p->y, nv->y), wrap_sub(p->z, nv->z),
                          wrap_sub(p->x, q->x), wrap_sub(p->y, q->y), wrap_sub(p->z, q->z),
                          &normal->x, &normal->y, &normal->z);
            fixed tx = wrap_sub(normal->x, p->x);
            fixed ty = wrap_sub(normal->y, p->y);
            fixed tz = wrap_sub(normal->z, p->z);
            normalize_vector(&tx, &ty, &tz);
            normal->x = tx;
            normal->y = ty;
            normal->z = tz;
        }
    }
}
