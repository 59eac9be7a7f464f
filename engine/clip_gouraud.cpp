// Screen clipping of Gouraud polygons: cuts a polygon's projected outline
// (its vertices' whole-pixel sx, sy) and its corners' shades against the
// bottom, top, left and right screen edges in turn, and writes the clipped
// outline, every vertex with its shade, into the dispatcher's screen polygon.
#include "zelk.h"

#include <cstdint>

#include "screen_edges.h"

// The ratio at which the edge from O (beyond the line) to N meets the line
// c = line, in 14 fractional bits: (line - O.c) * 16384 / (O.c - N.c),
// truncating toward zero, in [-16384, 0]. Taken in 64 bits: for coordinates
// in the 16-bit range this is the 32-bit result exactly, and wider ones
// cannot overflow.
static inline int64_t ratio14(int oc, int nc, int line)
{
    return (static_cast<int64_t>(line) - oc) * 16384 / (static_cast<int64_t>(oc) - nc);
}

// The other coordinate at ratio r: O.d + (r * (O.d - N.d)) >> 14, the shift
// rounding toward minus infinity.
static inline int along14(int od, int nd, int64_t r)
{
    return static_cast<int>(od + ((r * (static_cast<int64_t>(od) - nd)) >> 14));
}

// The shade at ratio r, cut to 7 fractional bits first (rounding toward
// minus infinity): O.s + ((O.s - N.s) * (r >> 7)) >> 7. In 64 bits, so that
// shades further apart than 256.0 still give a shade between the two ends
// instead of a wrapped product; below that it is the 32-bit result exactly.
static inline fixed shade7(fixed os, fixed ns, int64_t r)
{
    int64_t t = ((static_cast<int64_t>(os) - ns) * (r >> 7)) >> 7;
    return static_cast<fixed>(static_cast<uint32_t>(os) + static_cast<uint32_t>(t));
}

// Writes into *v the crossing of the edge from o (beyond) to n with the
// stage's line, position and shade, always computed from the end beyond it.
static inline void cut(int edge, const screen_vertex *o, const screen_vertex *n, int w, int h,
                       screen_vertex *v)
{
    int64_t r;
    switch (edge) {
    case CLIP_BOTTOM:
        r = ratio14(o->y, n->y, h - 1);
        v->x = along14(o->x, n->x, r);
        v->y = h - 1;
        break;
    case CLIP_TOP:
        r = ratio14(o->y, n->y, 0);
        v->x = along14(o->x, n->x, r);
        v->y = 0;
        break;
    case CLIP_LEFT:
        r = ratio14(o->x, n->x, 0);
        v->y = along14(o->y, n->y, r);
        v->x = 0;
        break;
    default:
        r = ratio14(o->x, n->x, w - 1);
        v->y = along14(o->y, n->y, r);
        v->x = w - 1;
        break;
    }
    v->colour = shade7(o->colour, n->colour, r);
}

// Cuts the polygon's outline to the screen (SCREEN_W by SCREEN_H) into out,
// whose vertices point at MAX_SCREEN_VERTICES records. Each stage that has a
// vertex beyond its edge walks its list backwards, so the order of the result
// turns with every stage; a polygon wholly on the screen is copied through in
// corner order with every corner's shade and aux words. Otherwise x, y and
// the shade of every vertex are written (a crossing's shade interpolated
// from the end beyond the line with a 7-bit ratio). num_vertices is 0
// when nothing is left, and also when the polygon has no corner, more corners
// than the working list holds, or an outline that would outgrow it (only a
// polygon that is not convex can): such a polygon is dropped whole.
void clip_gouroud_mpoly(struct polygon *poly, screen_polygon *out)
{
    int n = poly->num_corners;
    if (n < 1 || n > MAX_SCREEN_VERTICES) {
        out->num_vertices = 0;
        return;
    }
    const int w = SCREEN_W;
    const int h = SCREEN_H;

    screen_vertex work[MAX_SCREEN_VERTICES];
    bool on_screen = true;
    for (int i = 0; i < n; i++) {
        work[i].x = poly->vertex_ptrs[i]->sx;
        work[i].y = poly->vertex_ptrs[i]->sy;
        work[i].colour = poly->corners[i].colour;
        if (work[i].x < 0 || work[i].x >= w || work[i].y < 0 || work[i].y >= h)
            on_screen = false;
    }

    if (on_screen) {
        // No stage would run: the outline is the polygon itself.
        for (int i = 0; i < n; i++) {
            screen_vertex *v = out->vertices[i];
            v->x = work[i].x;
            v->y = work[i].y;
            v->aux[0] = poly->corners[i].aux[0];
            v->aux[1] = poly->corners[i].aux[1];
            v->colour = work[i].colour;
        }
        out->num_vertices = n;
        return;
    }

    int m = n;
    for (int edge = CLIP_BOTTOM; edge <= CLIP_RIGHT; edge++) {
        bool any_beyond = false;
        for (int i = 0; i < m; i++)
            any_beyond = any_beyond || beyond(edge, work[i].x, work[i].y, w, h);
        if (!any_beyond)
            continue;

        screen_vertex made[2 * MAX_SCREEN_VERTICES];
        int k = 0;
        for (int o = m - 1; o >= 0; o--) {
            const screen_vertex *v = &work[o];
            const screen_vertex *p = &work[o == 0 ? m - 1 : o - 1];
            bool v_beyond = beyond(edge, v->x, v->y, w, h);
            bool p_beyond = beyond(edge, p->x, p->y, w, h);
            if (copied(edge, v->x, v->y, w, h)) {
                made[k].x = v->x;
                made[k].y = v->y;
                made[k].colour = v->colour;
                k++;
            }
            if (v_beyond && !p_beyond)
                cut(edge, v, p, w, h, &made[k++]);
            if (p_beyond && !v_beyond)
                cut(edge, p, v, w, h, &made[k++]);
        }
        if (k > MAX_SCREEN_VERTICES) {
            // More corners than the screen polygon holds: drop it whole.
            out->num_vertices = 0;
            return;
        }
        for (int i = 0; i < k; i++) {
            out->vertices[i]->x = made[i].x;
            out->vertices[i]->y = made[i].y;
            out->vertices[i]->colour = made[i].colour;
            work[i].x = made[i].x;
            work[i].y = made[i].y;
            work[i].colour = made[i].colour;
        }
        out->num_vertices = k;
        m = k;
        if (k == 0)
            return;
    }
}
