// Flat polygon fill: walks every edge of a screen-clipped polygon into the
// left and right edge tables (one crossing per scan line, stored as x + 1),
// then draws each row that holds two different crossings as one span in the
// first vertex's colour. Reads the screen polygon, writes the bitmap.
#include "zelk.h"

// Allegro keeps the drawing mode that hline obeys in its internal header.
#include <allegro/internal/aintern.h>

#include <algorithm>
#include <cstring>

// The edge tables keep a crossing as x + 1 in 16 bits; an end point outside
// that range cannot be recorded, and keeping every coordinate inside it keeps
// the walk's error term far from overflow.
static inline bool edge_coordinate(int v)
{
    return v >= INT16_MIN && v <= INT16_MAX;
}

// Records x in row y, keeping form: the first crossing of a row goes left; a
// later one with another x goes right only while the right entry is empty.
// Rows outside the tables are ignored.
static inline void record_keep(int x, int y)
{
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(poly_edge_rows))
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &left_poly_edge[y];
    if (l->x == 0) {
        l->x = v;
        return;
    }
    if (v != l->x && right_poly_edge[y].x == 0)
        right_poly_edge[y].x = v;
}

// Records x in row y, replacing form: as record_keep, but a later crossing
// with another x overwrites whatever the right entry holds.
static inline void record_replace(int x, int y)
{
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(poly_edge_rows))
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &left_poly_edge[y];
    if (l->x == 0) {
        l->x = v;
        return;
    }
    if (v != l->x)
        right_poly_edge[y].x = v;
}

// Walks the edge (x1, y1)-(x2, y2) towards larger x with an error term that
// starts at 0, recording one crossing per row: an x-major edge gives each row
// the x at which it enters the row (keeping form in its first row, replacing
// form after), a y-major or diagonal edge gives each row from y1 to y2 its
// x1 + floor(j * dx / dy). Equal end points record nothing. The end points
// belong on the screen; rows outside the tables are skipped, and an edge with
// a coordinate outside the 16-bit range of the tables records nothing.
void DrawEdge(int x1, int y1, int x2, int y2)
{
    if (!edge_coordinate(x1) || !edge_coordinate(y1) || !edge_coordinate(x2) ||
        !edge_coordinate(y2))
        return;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (x1 == x2 && y1 == y2)
        return;

    int dx = x2 - x1;
    int dy = y2 < y1 ? y1 - y2 : y2 - y1;
    int step = y2 < y1 ? -1 : 1;
    int e = 0;
    int y = y1;

    if (dx > dy) {
        // x-major: x advances every step and the row when the error term,
        // growing by dy, reaches dx. Row n is therefore entered at step
        // ceil(n * dx / dy); walked row by row with n * dx = q * dy + r.
        record_keep(x1, y1);
        if (dy == 0)
            return;
        const int q_step = dx / dy;
        const int r_step = dx % dy;
        int q = 0;
        int r = 0;
        for (int n = 1; n <= dy; n++) {
            q += q_step;
            r += r_step;
            if (r >= dy) {
                r -= dy;
                q++;
            }
            y += step;
            record_replace(x1 + q + (r != 0), y);
        }
        return;
    }

    // y-major or diagonal: the row advances every step, x when e wraps.
    int x = x1;
    for (int j = 0; j <= dy; j++) {
        record_replace(x, y);
        y += step;
        e += dx;
        if (e >= dy) {
            e -= dy;
            x++;
        }
    }
}

// Draws the inclusive span between columns xa and xb of row in colour,
// exactly as hline does. On an 8-bit memory bitmap in the solid drawing mode
// (`direct`) the bytes are set here after hline's own clipping; elsewhere
// hline draws them with the bitmap's drawing mode. Either way the span is
// first cut to the bitmap's columns, so that a bitmap whose clipping is
// switched off is still never written outside.
static inline void flat_span(BITMAP *bmp, bool direct, int xa, int row, int xb, int colour)
{
    int lo = std::max(std::min(xa, xb), 0);
    int hi = std::min(std::max(xa, xb), bmp->w - 1);
    if (!direct) {
        if (lo <= hi)
            hline(bmp, lo, row, hi, colour);
        return;
    }
    if (bmp->clip) {
        if (row < bmp->ct || row >= bmp->cb)
            return;
        lo = std::max(lo, bmp->cl);
        hi = std::min(hi, bmp->cr - 1);
    }
    if (lo <= hi)
        std::memset(bmp->line[row] + lo, colour & 0xFF, static_cast<std::size_t>(hi - lo + 1));
}

// Fills the polygon's num_vertices vertices (in order around it, each on the
// screen) on the 8-bit bitmap bmp in the colour of the first vertex: each
// vertex's edge to the next is recorded, the closing edge from the last to
// the first comes last, then every row with two crossings gets one hline. A list of fewer than two vertices, or more than the working
// polygon holds, draws nothing. Rows outside the edge tables (all of them
// before zelk_init) or the bitmap are not touched.
void do_filled_poly(BITMAP *bmp, screen_polygon *poly)
{
    int n = poly->num_vertices;
    if (!bmp || n < 2 || n > MAX_SCREEN_VERTICES)
        return;

    // Vertical range: smallest and largest vertex row, top never below the
    // bitmap's last row and bottom never above row 0.
    int top = bmp->h - 1;
    int bottom = 0;
    for (int i = 0; i < n; i++) {
        int y = poly->vertices[i]->y;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    int first = std::max(top, 0);
    int last = std::min(bottom, poly_edge_rows - 1);
    for (int row = first; row <= last; row++) {
        left_poly_edge[row].x = 0;
        right_poly_edge[row].x = 0;
    }

    for (int i = 0; i + 1 < n; i++)
        DrawEdge(poly->vertices[i]->x, poly->vertices[i]->y, poly->vertices[i + 1]->x,
                 poly->vertices[i + 1]->y);
    DrawEdge(poly->vertices[n - 1]->x, poly->vertices[n - 1]->y, poly->vertices[0]->x,
             poly->vertices[0]->y);

    const int colour = poly->vertices[0]->colour;
    const bool direct = is_memory_bitmap(bmp) && bitmap_color_depth(bmp) == 8 &&
                        _drawing_mode == DRAW_MODE_SOLID;
    last = std::min(last, bmp->h - 1);
    for (int row = first; row <= last; row++) {
        int l = left_poly_edge[row].x;
        int r = right_poly_edge[row].x;
        if (l != 0 && r != 0)
            flat_span(bmp, direct, l - 1, row, r - 1, colour);
    }
}
