// Model storage: allocates and releases the arrays that hang from a model
// record and from a working polygon. Reads the counts it is given; writes
// only the array pointers.
#include "zelk.h"

#include <cstdlib>

#include "memory.h"

// Negative counts are treated as zero so that a bad count never reaches the
// allocator as a huge size.
static std::size_t count_of(int n)
{
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

static void allocate_corner_arrays(struct polygon *p, int max_corners)
{
    std::size_t n = count_of(max_corners);
    p->vertex_ptrs = zelk_alloc<vertex *>(n, "polygon vertex pointers");
    p->corners = zelk_alloc<corner>(n, "polygon corners");
    p->normals = zelk_alloc<vertex>(n, "polygon normals");
}

static void free_corner_arrays(struct polygon *p)
{
    std::free(p->vertex_ptrs);
    std::free(p->corners);
    std::free(p->normals);
}

void create_polygon_model(polygon_model *model, int num_vertices, int num_polygons,
                          int max_corners)
{
    model->vertices = zelk_alloc<vertex>(count_of(num_vertices), "model vertex table");
    model->polygons = zelk_alloc<struct polygon>(count_of(num_polygons), "model polygon table");
    for (int i = 0; i < num_polygons; i++)
        allocate_corner_arrays(&model->polygons[i], max_corners);
}

void free_polygon_model(polygon_model *model)
{
    for (int i = 0; i < model->num_polygons; i++)
        free_corner_arrays(&model->polygons[i]);
    std::free(model->vertices);
    std::free(model->polygons);
}

void allocate_mpolygon(mpolygon *mp, int max_corners)
{
    allocate_corner_arrays(mp, max_corners);
}

void free_mpolygon(mpolygon *mp)
{
    free_corner_arrays(mp);
}
