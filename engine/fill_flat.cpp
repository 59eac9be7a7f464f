// Flat polygon fill: walks every edge of a screen-clipped polygon into the
// left and right edge tables (one crossing per scan line, stored as x + 1),
// then draws each row that holds two different crossings as one span in the
// first vertex's colour. Reads the screen polygon, writes the bitmap.
#include "zelk.h"

// Allegro keeps the drawing mode that hline obeys in its internal header.
#include <allegro/internal/aintern.h>

#include <algorithm>
#include <cstring>

#include "edge_tables.h"

// Records x in row y, keeping form: the first crossing of a row goes left; a
// later one with another x goes right only while the right entry is empty.
// Rows outside the tables are ignored.
static inline void record_keep(const edge_tables &t, int x, int y)
{
    if (static_cast<unsigned>(y) >= t.rows)
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &t.left[y];
    if (l->x == 0) {
        l->x = v;
        return;
    }
    if (v != l->x && t.right[y].x == 0)
        t.right[y].x = v;
}

// Records x in row y, replacing form: as record_keep, but a later crossing
// with another x overwrites whatever the right entry holds.
static inline void record_replace(const edge_tables &t, int x, int y)
{
    if (static_cast<unsigned>(y) >= t.rows)
        return;
    int16_t v = static_cast<int16_t>(x + 1);
    poly_edge *l = &t.left[y];
    if (l->x == 0) {
        l->x = v;
        return;
    }
    if (v != l->x)
        t.right[y].x = v;
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

    const edge_tables t = current_tables();
    int dx = x2 - x1;
    int dy = y2 < y1 ? y1 - y2 : y2 - y1;
    int step = y2 < y1 ? -1 : 1;
    int e = 0;
    int y = y1;

    if (dx > dy) {
        // x-major: x advances every step and the row when the error term,
        // growing by dy, reaches dx. Row n is therefore entered at step
        // ceil(n * dx / dy); walked row by row with n * dx = q * dy + r.
        record_keep(t, x1, y1);
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
            record_replace(t, x1 + q + (r != 0), y);
        }
        return;
    }

    // y-major or diagonal: the row advances every step, x when e wraps.
    int x = x1;
    for (int j = 0; j <= dy; j++) {
        record_replace(t, x, y);
        y += step;
        e += dx;
        if (e >= dy) {
            e -= dy;
            x++;
        }
    }
}

// Draws the inclusive span between columns xa and xb of row in colour
// through hline, which applies the bitmap's clipping rectangle and drawing
// mode. The span is first cut to the bitmap's columns, so that a bitmap whose
// clipping is switched off is still never written outside.
static inline void hline_span(BITMAP *bmp, int xa, int row, int xb, int colour)
{
    int lo = std::max(std::min(xa, xb), 0);
    int hi = std::min(std::max(xa, xb), bmp->w - 1);
    if (lo <= hi)
        hline(bmp, lo, row, hi, colour);
}

// Fills the polygon's num_vertices vertices (in order around it, each on the
// screen) on the 8-bit bitmap bmp in the colour of the first vertex: each
// vertex's edge to the next is recorded, the closing edge from the last to
// the first comes last, then every row with two crossings is drawn as hline
// draws it. A list of fewer than two vertices, or more than the working
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
    const edge_tables t = current_tables();
    int first = std::max(top, 0);
    int last = std::min(bottom, static_cast<int>(t.rows) - 1);
    for (int row = first; row <= last; row++) {
        t.left[row].x = 0;
        t.right[row].x = 0;
    }

    for (int i = 0; i + 1 < n; i++)
        DrawEdge(poly->vertices[i]->x, poly->vertices[i]->y, poly->vertices[i + 1]->x,
                 poly->vertices[i + 1]->y);
    DrawEdge(poly->vertices[n - 1]->x, poly->vertices[n - 1]->y, poly->vertices[0]->x,
             poly->vertices[0]->y);

    const int colour = poly->vertices[0]->colour;
    last = std::min(last, bmp->h - 1);
    if (!(is_memory_bitmap(bmp) && bitmap_color_depth(bmp) == 8 &&
          _drawing_mode == DRAW_MODE_SOLID)) {
        for (int row = first; row <= last; row++) {
            int l = t.left[row].x;
            int r = t.right[row].x;
            if (l != 0 && r != 0)
                hline_span(bmp, l - 1, row, r - 1, colour);
        }
        return;
    }

    // An 8-bit memory bitmap in the solid mode: the bytes hline would set,
    // set here, within the bitmap and its clipping rectangle as hline clips.
    int col_lo = 0;
    int col_hi = bmp->w - 1;
    if (bmp->clip) {
        first = std::max(first, bmp->ct);
        last = std::min(last, bmp->cb - 1);
        col_lo = std::max(col_lo, bmp->cl);
        col_hi = std::min(col_hi, bmp->cr - 1);
    }
    const unsigned char byte = static_cast<unsigned char>(colour);
    for (int row = first; row <= last; row++) {
        int l = t.left[row].x;
        int r = t.right[row].x;
        if (l == 0 || r == 0)
            continue;
        int lo = std::max(std::min(l, r) - 1, col_lo);
        int hi = std::min(std::max(l, r) - 1, col_hi);
        if (lo <= hi)
            std::memset(bmp->line[row] + lo, byte, static_cast<std::size_t>(hi - lo + 1));
    }
}
