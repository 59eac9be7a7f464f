// Immediate model rendering: draws one model complete into a bitmap, its own
// polygons ordered back to front in a private depth table or in table order.
// Reads the model's vertices, polygons and settings; writes sx, sy, visible
// (and through the transformation cx, cy, cz), and pixels through MPoly.
#include "geometry.h"

#include <cstdint>

// Slots of the private depth table; a slot holds a polygon index + 1 so that
// 0 means empty. Keys are eighths of a unit of cz: the table covers cz below
// 1250.0.
constexpr int DEPTH_SLOTS = 10000;

// Which order a sort_mode asks for.
enum class draw_order { none, nearest_key, middle_key, table };

static draw_order order_of(int sort_mode)
{
    unsigned mode = static_cast<unsigned>(sort_mode);
    if (mode <= 1)
        return draw_order::none;
    if (mode <= 3)
        return draw_order::nearest_key;
    if (mode <= 7)
        return draw_order::middle_key;
    return draw_order::table;
}

// A polygon the renderer can draw at all: its back-face test needs three
// corners, and its depth key at least one.
static bool drawable(const struct polygon *poly)
{
    return poly->num_corners >= 3;
}

// Depth key of a polygon: its nearest corner's cz >> 13, or the sum of its
// nearest and farthest cz >> 14 (formed in 64 bits: the sum of two large
// depths leaves 32 bits). Nearest and farthest start at the last corner and
// change only on a strictly smaller or larger cz. A negative key becomes 0;
// a key past the table means the polygon is left out.
static int64_t depth_key(const struct polygon *poly, draw_order order)
{
    int n = poly->num_corners;
    fixed nearest = poly->vertex_ptrs[n - 1]->cz;
    fixed farthest = nearest;
    for (int k = n - 2; k >= 0; k--) {
        fixed cz = poly->vertex_ptrs[k]->cz;
        if (cz < nearest)
            nearest = cz;
        if (cz > farthest)
            farthest = cz;
    }
    int64_t key = (order == draw_order::nearest_key)
                      ? (nearest >> 13)
                      : ((static_cast<int64_t>(farthest) + nearest) >> 14);
    return key < 0 ? 0 : key;
}

// Enters every keyed polygon, from the last to the first. A taken slot sends
// the polygon up to the first empty slot above it, so of two polygons with
// one key the one entered first is drawn last. When every slot from the key
// to the end is taken, the polygon goes to the nearest empty slot below its
// key instead: it is drawn just after the far polygons that filled the top.
// When no slot at all is left (a model of 10000 polygons or more) the
// polygons still to be entered are returned through unplaced as the index
// of the first of them; they are drawn before the whole table. -1: all fit.
static void fill_depth_table(int *table, const polygon_model *model, draw_order order,
                             int *unplaced)
{
    for (int s = 0; s < DEPTH_SLOTS; s++)
        table[s] = 0;
    *unplaced = -1;
    int free_slots = DEPTH_SLOTS;
    for (int i = model->num_polygons - 1; i >= 0; i--) {
        const struct polygon *poly = &model->polygons[i];
        if (!drawable(poly))
            continue;
        int64_t key = depth_key(poly, order);
        if (key >= DEPTH_SLOTS)
            continue;
        if (free_slots == 0) {
            *unplaced = i;
            return;
        }
        int slot = static_cast<int>(key);
        while (slot < DEPTH_SLOTS && table[slot] != 0)
            slot++;
        if (slot == DEPTH_SLOTS) {
            slot = static_cast<int>(key) - 1;
            while (table[slot] != 0)
                slot--;  // an empty slot exists, and all from key up are taken
        }
        table[slot] = i + 1;
        free_slots--;
    }
}

// The near-clipped path for one polygon: cut it into a working polygon,
// cull the result with the opposite sign (clipping reversed its winding) at
// shift 14, project its corners and draw it with the polygon's index.
static void draw_clipped(BITMAP *bmp, polygon_model *model, int index)
{
    struct polygon *poly = &model->polygons[index];
    mpolygon work;
    int capacity = clip_capacity(poly->num_corners);
    vertex *scratch = allocate_clip_polygon(&work, capacity);
    clip3dpoly(poly, &work);
    if (work.num_corners > 2) {
        int64_t d = facing_product(work.vertex_ptrs[0], work.vertex_ptrs[1], work.vertex_ptrs[2], 14);
        if (d < 0 || model->backface_cull == 0) {
            for (int k = 0; k < work.num_corners; k++) {
                vertex *v = work.vertex_ptrs[k];
                project_to_pixels(v->cx, v->cy, v->cz, &v->sx, &v->sy);
            }
            MPoly(bmp, &work, index);
        }
    }
    free_clip_polygon(&work, scratch);
}

// One polygon in drawing order, on the path chosen for the whole model.
static void draw_one(BITMAP *bmp, polygon_model *model, int index, bool clipped)
{
    struct polygon *poly = &model->polygons[index];
    if (!drawable(poly))
        return;
    if (clipped)
        draw_clipped(bmp, model, index);
    else if (poly->visible != 0)
        MPoly(bmp, poly, index);
}

// Walks the drawing order: table order from the last polygon to the first,
// or the depth table from its far end down, after any polygons that found
// no slot (taken from the first of them down, as they were entered).
static void draw_in_order(BITMAP *bmp, polygon_model *model, draw_order order, const int *table,
                          int unplaced, bool clipped)
{
    if (order == draw_order::none)
        return;
    if (order == draw_order::table) {
        for (int i = model->num_polygons - 1; i >= 0; i--)
            draw_one(bmp, model, i, clipped);
        return;
    }
    for (int i = unplaced; i >= 0; i--) {
        const struct polygon *poly = &model->polygons[i];
        if (drawable(poly) && depth_key(poly, order) < DEPTH_SLOTS)
            draw_one(bmp, model, i, clipped);
    }
    for (int s = DEPTH_SLOTS - 1; s >= 0; s--) {
        if (table[s] != 0)
            draw_one(bmp, model, table[s] - 1, clipped);
    }
}

// Draws a whole model into bmp. transform_mode 4 transforms it first and
// projects its vertices, 2 projects the stored camera-space positions, any
// other uses the stored cx, cy, cz and fixed sx, sy as they stand. sort_mode
// (unsigned) 0-1 draws nothing, 2-3 orders by the nearest corner, 4-7 by the
// middle of the depth range, 8 and above draws the table from last to first.
// When every vertex lies beyond cz = 2.0, polygons get visible (-1 drawn, 0
// culled, shift 13) and vertices whole-pixel sx, sy, and nothing is
// allocated; otherwise every polygon is cut at the near plane into working
// storage allocated and released per polygon. The pick id is the polygon's
// index. Polygons with fewer than 3 corners are never drawn. Needs the engine
// started (camera, projection viewport, edge tables).
void Model(BITMAP *bmp, polygon_model *model)
{
    if (model->num_polygons <= 0)
        return;
    if (model->transform_mode == 4)
        Process_model(model);

    draw_order order = order_of(model->sort_mode);
    int table[DEPTH_SLOTS];
    int unplaced = -1;
    if (order == draw_order::nearest_key || order == draw_order::middle_key)
        fill_depth_table(table, model, order, &unplaced);

    int beyond = 0;
    for (int i = 0; i < model->num_vertices; i++) {
        if (model->vertices[i].cz > NEAR_Z)
            beyond++;
    }
    if (beyond != model->num_vertices) {
        draw_in_order(bmp, model, order, table, unplaced, true);
        return;
    }

    bool project = model->transform_mode == 2 || model->transform_mode == 4;
    for (int i = model->num_vertices - 1; i >= 0; i--) {
        vertex *v = &model->vertices[i];
        if (project) {
            project_to_pixels(v->cx, v->cy, v->cz, &v->sx, &v->sy);
        } else {
            v->sx >>= 16;
            v->sy >>= 16;
        }
    }
    for (int i = model->num_polygons - 1; i >= 0; i--) {
        struct polygon *poly = &model->polygons[i];
        if (!drawable(poly)) {
            poly->visible = 0;
            continue;
        }
        int64_t d = facing_product(poly->vertex_ptrs[0], poly->vertex_ptrs[1], poly->vertex_ptrs[2], 13);
        poly->visible = (d > 0 || model->backface_cull == 0) ? -1 : 0;
    }
    draw_in_order(bmp, model, order, table, unplaced, false);
}
