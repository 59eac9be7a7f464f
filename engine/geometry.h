// Steps shared by the two renderers, the immediate Model and the depth-sorted
// scene: projection to whole pixels, the back-face triple product, and the
// working polygon a near-clipped polygon is cut into. Private to the engine.
#ifndef ZELK_GEOMETRY_H
#define ZELK_GEOMETRY_H

#include "zelk.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

// Projects a camera-space point with Allegro's persp_project and reduces the
// result to whole pixels (shift right by 16, which floors). persp_project
// adds the viewport offset in 32 bits, which overflows for a point far off
// to the side just beyond the near plane (its quotient saturates); such a
// point gets the same steps with the offset added in 64 bits, which lands
// it far outside the screen on its own side instead of wrapping.
inline void project_to_pixels(fixed cx, fixed cy, fixed cz, int *sx, int *sy)
{
    // Bound on |fixdiv(c, cz)|: it rounds to nearest and saturates at 2^31.
    int64_t z = std::llabs(static_cast<int64_t>(cz));
    int64_t c = std::max(std::llabs(static_cast<int64_t>(cx)), std::llabs(static_cast<int64_t>(cy)));
    int64_t quotient = (z == 0) ? INT32_MAX : std::min<int64_t>((c << 16) / z + 1, INT32_MAX);
    int64_t scale = std::max(std::llabs(static_cast<int64_t>(_persp_xscale)),
                             std::llabs(static_cast<int64_t>(_persp_yscale)));
    int64_t offset = std::max(std::llabs(static_cast<int64_t>(_persp_xoffset)),
                              std::llabs(static_cast<int64_t>(_persp_yoffset)));
    if (((quotient * scale) >> 16) + 1 + offset <= INT32_MAX) {
        fixed px, py;
        persp_project(cx, cy, cz, &px, &py);
        *sx = px >> 16;
        *sy = py >> 16;
        return;
    }
    int64_t px = static_cast<int64_t>(fixmul(fixdiv(cx, cz), _persp_xscale)) + _persp_xoffset;
    int64_t py = static_cast<int64_t>(fixmul(fixdiv(cy, cz), _persp_yscale)) + _persp_yoffset;
    *sx = static_cast<int>(px >> 16);
    *sy = static_cast<int>(py >> 16);
}

// The back-face product c . (b x a) of three camera-space corners, each
// coordinate first shifted right by shift bits. Formed in 64 bits so that
// its sign is right for any polygon: the 32-bit products wrap for large
// polygons near the camera. Positive: the corners run one way round as
// seen from the camera; the caller decides which way faces it.
inline int64_t facing_product(const vertex *a, const vertex *b, const vertex *c, int shift)
{
    int64_t ax = a->cx >> shift, ay = a->cy >> shift, az = a->cz >> shift;
    int64_t bx = b->cx >> shift, by = b->cy >> shift, bz = b->cz >> shift;
    int64_t cx = c->cx >> shift, cy = c->cy >> shift, cz = c->cz >> shift;
    return cx * (by * az - ay * bz) + cy * (ax * bz - bx * az) + cz * (bx * ay - ax * by);
}

// Room a polygon of n corners needs once cut at the near plane: every
// corner can add a copy and a crossing, so 2n for any outline, and never
// less than the n + 2 a convex one is given.
inline int clip_capacity(int n)
{
    int corners = std::max(n, 0);
    return std::max(corners + 2, 2 * corners);
}

// Gives mp room for capacity corners and points its vertex pointers at a
// fresh scratch array of as many vertices, returned to the caller. Both
// allocations end the program with a message when memory runs out, so a
// failed working polygon is never used.
vertex *allocate_clip_polygon(mpolygon *mp, int capacity);

// Releases the scratch vertices, then the working polygon's own arrays.
void free_clip_polygon(mpolygon *mp, vertex *scratch);

#endif
