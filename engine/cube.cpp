// Cube primitive: builds a box model in code for client programs. Reads the
// box's sizes and centre; writes the model's arrays, counts, sort and
// transform modes, and its normals.
#include "zelk.h"

#include <cstdint>

namespace {

// Vertex numbers of each face, wound so that the first two edges turn
// outwards, and the face's palette index.
struct cube_face {
    int corners[4];  // vertex numbers in winding order
    int colour;      // palette index of corner 0
};

constexpr cube_face CUBE_FACES[6] = {
    {{0, 1, 2, 3}, 193},  // +z
    {{5, 4, 1, 0}, 203},  // -y
    {{4, 7, 2, 1}, 213},  // +x
    {{7, 6, 3, 2}, 223},  // +y
    {{6, 5, 0, 3}, 233},  // -x
    {{4, 5, 6, 7}, 243},  // -z
};

} // namespace

// Centre plus or minus a half size, wrapping on 32 bits as fixed values do:
// a box reaching past the fixed range folds over rather than being undefined.
static fixed wrap_add(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

static fixed wrap_sub(fixed a, fixed b)
{
    return static_cast<fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

static void set_vertex(vertex *v, fixed x, fixed y, fixed z)
{
    v->x = x;
    v->y = y;
    v->z = z;
}

// Creates the model's arrays for 8 vertices and 6 faces of 4 corners and
// builds a box of width, height and depth centred on (x, y, z) in object
// space. The half sizes are the sizes shifted right by one, so an odd raw
// size loses its lowest bit; a negative size mirrors the box and turns its
// faces inwards. Each face is flat (shading 1) with its colour in corner 0
// only. The model draws in table order (sort_mode 8) and is transformed
// (transform_mode 4); its rotation, position and backface_cull are left as
// the record held them, for the caller to set. The model's old arrays are
// not released: the record must not hold a live model. Needs Allegro
// started, for the normals.
void create_cube(polygon_model *model, fixed width, fixed height, fixed depth, fixed x, fixed y,
                 fixed z)
{
    create_polygon_model(model, 8, 6, 4);
    fixed hw = width >> 1;
    fixed hh = height >> 1;
    fixed hd = depth >> 1;
    fixed x0 = wrap_sub(x, hw), x1 = wrap_add(x, hw);
    fixed y0 = wrap_sub(y, hh), y1 = wrap_add(y, hh);
    fixed z0 = wrap_sub(z, hd), z1 = wrap_add(z, hd);
    vertex *v = model->vertices;
    set_vertex(&v[0], x0, y0, z1);
    set_vertex(&v[1], x1, y0, z1);
    set_vertex(&v[2], x1, y1, z1);
    set_vertex(&v[3], x0, y1, z1);
    set_vertex(&v[4], x1, y0, z0);
    set_vertex(&v[5], x0, y0, z0);
    set_vertex(&v[6], x0, y1, z0);
    set_vertex(&v[7], x1, y1, z0);

    for (int i = 0; i < 6; i++) {
        struct polygon *p = &model->polygons[i];
        for (int k = 0; k < 4; k++)
            p->vertex_ptrs[k] = &v[CUBE_FACES[i].corners[k]];
        p->num_corners = 4;
        p->corners[0].colour = CUBE_FACES[i].colour;
        p->shading = 1;
    }
    model->num_polygons = 6;
    model->sort_mode = 8;
    model->transform_mode = 4;
    model->num_vertices = 8;
    create_normals(model);
}
