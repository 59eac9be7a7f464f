// Small hand-built models for the geometry tests: vertices given in units,
// polygons as lists of vertex indices, one flat colour per polygon. The
// record owns its arrays until the test releases it.
#ifndef ZELK_GEOMETRY_FIXTURE_H
#define ZELK_GEOMETRY_FIXTURE_H

#include <initializer_list>
#include <vector>

#include "test_support.h"

struct point3 {
    double x, y, z;  // units
};

inline fixed units(double v)
{
    return ftofix(v);
}

// Builds a model of the given vertices and polygons: table order, transform
// and project, back faces culled, placement zero, flat shading 0, polygon i
// in colour colours[i] (or i + 1 when no colours are given), aux words
// 100 * corner + polygon. Normals are made, so Allegro must be started.
inline void build_model(polygon_model *m, const std::vector<point3> &verts,
                        const std::vector<std::vector<int>> &polys,
                        const std::vector<int> &colours = {})
{
    int max_corners = 0;
    for (const auto &p : polys)
        max_corners = p.size() > static_cast<size_t>(max_corners) ? static_cast<int>(p.size()) : max_corners;
    create_polygon_model(m, static_cast<int>(verts.size()), static_cast<int>(polys.size()), max_corners);
    m->num_vertices = static_cast<int>(verts.size());
    m->num_polygons = static_cast<int>(polys.size());
    for (size_t i = 0; i < verts.size(); i++) {
        vertex *v = &m->vertices[i];
        *v = vertex{};
        v->x = units(verts[i].x);
        v->y = units(verts[i].y);
        v->z = units(verts[i].z);
    }
    for (size_t i = 0; i < polys.size(); i++) {
        struct polygon *p = &m->polygons[i];
        p->num_corners = static_cast<int>(polys[i].size());
        p->shading = 0;
        p->visible = 0;
        for (size_t k = 0; k < polys[i].size(); k++) {
            p->vertex_ptrs[k] = &m->vertices[polys[i][k]];
            p->corners[k].colour = colours.empty() ? static_cast<int>(i) + 1 : colours[i];
            p->corners[k].aux[0] = static_cast<int>(100 * k + i);
            p->corners[k].aux[1] = -static_cast<int>(100 * k + i);
        }
    }
    m->sort_mode = 8;
    m->transform_mode = 4;
    m->xrot = m->yrot = m->zrot = 0;
    m->xpos = m->ypos = m->zpos = 0;
    m->backface_cull = 1;
    create_normals(m);
}

// Sets every vertex's camera-space position straight from its object-space
// one, for tests that skip the transformation.
inline void camera_space_from_object(polygon_model *m)
{
    for (int i = 0; i < m->num_vertices; i++) {
        vertex *v = &m->vertices[i];
        v->cx = v->x;
        v->cy = v->y;
        v->cz = v->z;
    }
}

// The camera-space point that projects to screen pixel (px, py) at depth z
// for the w by h projection viewport zelk_init sets: x / z * w/2 + w/2.
inline point3 at_pixel(double px, double py, double z, int w, int h)
{
    return {(px - w / 2.0) * z / (w / 2.0), (py - h / 2.0) * z / (h / 2.0), z};
}

// A rectangle facing the camera at depth z covering pixels [x0, x1) by
// [y0, y1), appended to a vertex and polygon list. Its corners run so that
// the back-face test keeps it (c . (b x a) > 0 in camera space).
inline void add_screen_rect(std::vector<point3> *verts, std::vector<std::vector<int>> *polys,
                            double x0, double y0, double x1, double y1, double z, int w, int h)
{
    int base = static_cast<int>(verts->size());
    verts->push_back(at_pixel(x0, y0, z, w, h));
    verts->push_back(at_pixel(x0, y1, z, w, h));
    verts->push_back(at_pixel(x1, y1, z, w, h));
    verts->push_back(at_pixel(x1, y0, z, w, h));
    polys->push_back({base, base + 1, base + 2, base + 3});
}

#endif
