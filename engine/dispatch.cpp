// Polygon dispatch: the one way a polygon with whole-pixel screen positions
// reaches the rasteriser. Reads the polygon's shading, lends the screen
// clipper and the filler of that shading a working screen polygon on the
// stack, and draws into the bitmap.
#include "zelk.h"

// Clips poly (its vertices' sx, sy and its corners' colours) to the screen
// and fills what is left on bmp: shading 0 or 1 flat, 2 or 3 Gouraud with
// pick id id (cursor1.picked becomes id + 1 when a span covers the mouse
// pointer). Any other shading, negative ones included, draws nothing. The
// working polygon has MAX_SCREEN_VERTICES slots, room for every convex
// polygon of up to MAX_CORNERS corners after near-plane clipping; an outline
// that would need more is dropped by the clipper. Nothing is allocated.
void MPoly(BITMAP *bmp, struct polygon *poly, int id)
{
    screen_vertex slots[MAX_SCREEN_VERTICES];
    screen_polygon work;
    work.num_vertices = 0;
    for (int i = 0; i < MAX_SCREEN_VERTICES; i++)
        work.vertices[i] = &slots[i];

    switch (static_cast<unsigned>(poly->shading)) {
    case 0:
    case 1:
        clip_filled_mpoly(poly, &work);
        if (work.num_vertices != 0)
            do_filled_poly(bmp, &work);
        break;
    case 2:
    case 3:
        clip_gouroud_mpoly(poly, &work);
        if (work.num_vertices != 0)
            do_gouroud_poly(bmp, &work, id);
        break;
    default:
        break;
    }
}
