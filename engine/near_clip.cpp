// Near-plane clipping: cuts one polygon's camera-space outline at cz = 2.0
// and keeps the part beyond it. Reads the corner vertices' cx, cy, cz and the
// corner colours; writes a working polygon's corners and scratch vertices.
#include "geometry.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "memory.h"

// Whole part of a single-precision value, toward zero, saturated to the int
// range: the cut of an edge whose ends are both near the 32-bit limits can
// round just past it.
static int truncate_to_int(float v)
{
    if (v >= 2147483648.0f)
        return INT32_MAX;
    if (v < -2147483648.0f)
        return INT32_MIN;
    return static_cast<int>(v);
}

// Appends the point where the edge from the front end f (cz < 2.0) to the far
// end b (cz > 2.0) meets the plane. t = (T - f.cz) / (f.cz - b.cz) lies in
// (-1, 0); positions step from f by t in single precision, one rounding per
// operation, and the colour by a 10-bit fraction q with integer steps. The
// differences and the colour product are formed in 64 bits: they leave 32
// bits for an end far behind the camera or colours on far-apart ramps, and
// agree with 32 bits everywhere else. The crossing's aux words stay unset.
static void append_crossing(const vertex *f, const corner *fc, const vertex *b,
                            const corner *bc, vertex *out_v, corner *out_c)
{
    int64_t ahead = static_cast<int64_t>(NEAR_Z) - f->cz;   // > 0
    int64_t depth = static_cast<int64_t>(f->cz) - b->cz;    // < 0
    float t = static_cast<float>(ahead) / static_cast<float>(depth);

    float dx = static_cast<float>(static_cast<int64_t>(f->cx) - b->cx);
    float dy = static_cast<float>(static_cast<int64_t>(f->cy) - b->cy);
    float along_x = t * dx;
    float along_y = t * dy;
    out_v->cx = truncate_to_int(along_x + static_cast<float>(f->cx));
    out_v->cy = truncate_to_int(along_y + static_cast<float>(f->cy));
    out_v->cz = NEAR_Z;

    // q in [-1024, 0]; integer division truncates toward zero.
    int64_t q = (ahead * 1024) / depth;
    int64_t step = (q * (static_cast<int64_t>(fc->colour) - bc->colour)) >> 10;
    // The result lies between the two colours, so it fits in an int.
    out_c->colour = static_cast<int>(fc->colour + step);
}

// Walks the corners from the last to the first, each with its edge to the
// corner visited next (corner 0 pairs with the last). A corner beyond the
// plane (cz > 2.0) is copied with all three corner words; an edge with one
// end in front (cz < 2.0) and one beyond adds its crossing, after the copy
// when the current corner is the far one. A corner at exactly 2.0 is neither
// and is lost. The output lists its corners in the opposite winding to the
// input. out gets num_corners, shading and, for shading 1, the source's first
// colour in its first corner. out needs room for 2n corners (n + 1 for a
// convex polygon); fewer than 3 corners mean nothing is left to draw.
void clip3dpoly(struct polygon *in, mpolygon *out)
{
    int n = in->num_corners;
    int k = 0;
    for (int i = n - 1; i >= 0; i--) {
        int p = (i == 0) ? n - 1 : i - 1;
        const vertex *vi = in->vertex_ptrs[i];
        const vertex *vp = in->vertex_ptrs[p];
        bool i_beyond = vi->cz > NEAR_Z;
        bool p_beyond = vp->cz > NEAR_Z;
        bool i_front = vi->cz < NEAR_Z;
        bool p_front = vp->cz < NEAR_Z;

        if (i_beyond) {
            vertex *v = out->vertex_ptrs[k];
            v->cx = vi->cx;
            v->cy = vi->cy;
            v->cz = vi->cz;
            out->corners[k] = in->corners[i];
            k++;
            if (p_front) {
                append_crossing(vp, &in->corners[p], vi, &in->corners[i], out->vertex_ptrs[k],
                                &out->corners[k]);
                k++;
            }
        } else if (i_front && p_beyond) {
            append_crossing(vi, &in->corners[i], vp, &in->corners[p], out->vertex_ptrs[k],
                            &out->corners[k]);
            k++;
        }
    }
    out->num_corners = k;
    out->shading = in->shading;
    if (in->shading == 1 && k > 0)
        out->corners[0].colour = in->corners[0].colour;
}

vertex *allocate_clip_polygon(mpolygon *mp, int capacity)
{
    allocate_mpolygon(mp, capacity);
    vertex *scratch = zelk_alloc<vertex>(static_cast<std::size_t>(capacity), "near-clip vertices");
    for (int k = 0; k < capacity; k++)
        mp->vertex_ptrs[k] = &scratch[k];
    mp->num_corners = 0;
    return scratch;
}

void free_clip_polygon(mpolygon *mp, vertex *scratch)
{
    std::free(scratch);
    free_mpolygon(mp);
}
