// Screen clipping of flat polygons: cuts a polygon's projected outline (the
// whole-pixel sx, sy of its corner vertices) against the bottom, top, left
// and right screen edges in turn, and writes the clipped outline, with
// corner 0's colour on its first vertex, into the dispatcher's screen polygon.
#include "zelk.h"

#include <cstdint>

#include "screen_edges.h"

// The other coordinate where the edge from O (beyond the line) to N meets
// the line c = line: the ratio r = (line - O.c) * 1024 / (O.c - N.c)
// truncates toward zero and lies in [-1024, 0]; the product r * (O.d - N.d)
// is shifted down by 10, rounding toward minus infinity. Taken in 64 bits:
// for coordinates in the 16-bit range this is the 32-bit result exactly, and
// wider ones cannot overflow.
static inline int crossing10(int oc, int od, int nc, int nd, int line)
{
    int64_t r = (static_cast<int64_t>(line) - oc) * 1024 / (static_cast<int64_t>(oc) - nc);
    return static_cast<int>(od + ((r * (static_cast<int64_t>(od) - nd)) >> 10));
}

// Writes into *v the crossing of the edge from o (beyond) to n with the
// stage's line, always computed from the end beyond it.
static inline void cut(int edge, const screen_vertex *o, const screen_vertex *n, int w, int h,
                       screen_vertex *v)
{
    switch (edge) {
    case CLIP_BOTTOM:
        v->x = crossing10(o->y, o->x, n->y, n->x, h - 1);
        v->y = h - 1;
        break;
    case CLIP_TOP:
        v->x = crossing10(o->y, o->x, n->y, n->x, 0);
        v->y = 0;
        break;
    case CLIP_LEFT:
        v->y = crossing10(o->x, o->y, n->x, n->y, 0);
        v->x = 0;
        break;
    default:
        v->y = crossing10(o->x, o->y, n->x, n->y, w - 1);
        v->x = w - 1;
        break;
    }
}

// Cuts the polygon's outline to the screen (SCREEN_W by SCREEN_H) into out,
// whose vertices point at MAX_SCREEN_VERTICES records. Each stage that has a
// vertex beyond its edge walks its list backwards, so the order of the result
// turns with every stage; a polygon wholly on the screen is copied through in
// corner order with every corner's colour and aux words. Otherwise only x and
// y are written, and corner 0's colour on the first vertex. num_vertices is 0
// when nothing is left, and also when the polygon has no corner, more corners
// than the working list holds, or an outline that would outgrow it (only a
// polygon that is not convex can): such a polygon is dropped whole.
void clip_filled_mpoly(struct polygon *poly, screen_polygon *out)
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
            v->colour = poly->corners[i].colour;
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

        out->vertices[0]->colour = poly->corners[0].colour;
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
            work[i].x = made[i].x;
            work[i].y = made[i].y;
        }
        out->num_vertices = k;
        m = k;
        if (k == 0)
            return;
    }
}
