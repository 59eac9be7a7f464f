// Small fixtures for the rasteriser's tests: model polygons and screen
// polygons built from a list of corners, and bitmaps read back row by row.
#ifndef ZELK_RASTER_SUPPORT_H
#define ZELK_RASTER_SUPPORT_H

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

// One corner of a test polygon: screen position and colour (a palette index
// for flat polygons, a fixed shade for Gouraud ones).
struct corner_spec {
    int x, y;
    int colour;
};

// A model polygon with its own vertices, pointers and corners. Keep it in
// place once set: the polygon points into the record itself.
struct test_polygon {
    vertex verts[2 * MAX_SCREEN_VERTICES];
    vertex *ptrs[2 * MAX_SCREEN_VERTICES];
    corner corners[2 * MAX_SCREEN_VERTICES];
    struct polygon poly;
};

inline void set_polygon(test_polygon *t, const std::vector<corner_spec> &cs, int shading)
{
    std::memset(t, 0, sizeof *t);
    for (std::size_t i = 0; i < cs.size() && i < 2 * MAX_SCREEN_VERTICES; i++) {
        t->verts[i].sx = cs[i].x;
        t->verts[i].sy = cs[i].y;
        t->ptrs[i] = &t->verts[i];
        t->corners[i].colour = cs[i].colour;
        t->corners[i].aux[0] = 1000 + static_cast<int>(i);
        t->corners[i].aux[1] = 2000 + static_cast<int>(i);
    }
    t->poly.num_corners = static_cast<int>(cs.size());
    t->poly.vertex_ptrs = t->ptrs;
    t->poly.corners = t->corners;
    t->poly.shading = shading;
}

// A screen polygon with its own vertex slots, as the dispatcher lends one.
struct test_screen_polygon {
    screen_vertex slots[MAX_SCREEN_VERTICES];
    screen_polygon poly;
};

inline void reset_screen_polygon(test_screen_polygon *t)
{
    std::memset(t, 0, sizeof *t);
    for (int i = 0; i < MAX_SCREEN_VERTICES; i++)
        t->poly.vertices[i] = &t->slots[i];
}

inline void set_screen_polygon(test_screen_polygon *t, const std::vector<corner_spec> &cs)
{
    reset_screen_polygon(t);
    for (std::size_t i = 0; i < cs.size() && i < MAX_SCREEN_VERTICES; i++) {
        t->slots[i].x = cs[i].x;
        t->slots[i].y = cs[i].y;
        t->slots[i].colour = cs[i].colour;
    }
    t->poly.num_vertices = static_cast<int>(cs.size());
}

// The corners of a screen polygon as written by a clipper.
inline std::vector<corner_spec> corners_of(const screen_polygon *p)
{
    std::vector<corner_spec> out;
    for (int i = 0; i < p->num_vertices; i++)
        out.push_back({p->vertices[i]->x, p->vertices[i]->y, p->vertices[i]->colour});
    return out;
}

inline std::string describe(const std::vector<corner_spec> &cs)
{
    std::string s;
    for (const corner_spec &c : cs) {
        s += '(';
        s += std::to_string(c.x);
        s += ',';
        s += std::to_string(c.y);
        s += " c";
        s += std::to_string(c.colour);
        s += ") ";
    }
    return s;
}

// An 8-bit memory bitmap cleared to colour 0.
inline BITMAP *blank_bitmap(int w, int h)
{
    BITMAP *b = create_bitmap_ex(8, w, h);
    clear_to_color(b, 0);
    return b;
}

// The bytes of one bitmap row.
inline std::vector<int> row_of(BITMAP *b, int row)
{
    std::vector<int> out;
    for (int x = 0; x < b->w; x++)
        out.push_back(b->line[row][x]);
    return out;
}

// Number of non-zero pixels in a bitmap.
inline long count_set(BITMAP *b)
{
    long n = 0;
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++)
            n += b->line[y][x] != 0;
    return n;
}

#endif
