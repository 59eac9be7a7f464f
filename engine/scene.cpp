// Depth-sorted scene: files the polygons of several models into the frame
// buffer's depth buckets by their farthest corner, then draws the buckets
// from the farthest to the nearest. Reads the models' vertices and polygons;
// writes the buckets, the models' sx, sy, cx, cy, cz and pixels via MPoly.
#include "geometry.h"

#include <cstdint>

// Bucket states: what a filed polygon still needs before it is drawn.
constexpr int8_t STATE_READY = 0;       // projected and facing the camera
constexpr int8_t STATE_CLIP_CULL = 1;   // cut at the near plane, then culled
constexpr int8_t STATE_CLIP_BOTH = 2;   // cut at the near plane, both faces drawn

// Files one polygon by its farthest corner (start at the last corner, take a
// strictly larger cz), key = cz >> 11, 1/32 of a unit per key. The probe
// starts at bucket key - 1 and walks towards the viewer to the first free
// bucket, stopping at bucket 1 (bucket 0 only when the probe starts there);
// when all are taken the polygon replaces the one in the last bucket
// examined. A key past the array files nothing (too far away), and so does a
// key of 0 or less: that polygon lies wholly in front of the near plane and
// would be cut to nothing.
static void file_polygon(frame_buffer *fb, struct polygon *poly, int8_t state)
{
    int n = poly->num_corners;
    fixed farthest = poly->vertex_ptrs[n - 1]->cz;
    for (int k = n - 1; k >= 0; k--) {
        fixed cz = poly->vertex_ptrs[k]->cz;
        if (cz > farthest)
            farthest = cz;
    }
    int key = farthest >> 11;
    if (key <= 0 || key - 1 >= fb->num_buckets)
        return;
    int b = key - 1;
    while (b > 1 && fb->buckets[b].poly != nullptr)
        b--;
    fb->buckets[b].poly = poly;
    fb->buckets[b].state = state;
}

// Transforms the model and files its polygons, last to first. A model with
// no polygons is left alone; one with no vertex beyond cz = 2.0 files
// nothing. When every vertex lies beyond, the vertices are projected to
// whole pixels once and each polygon facing the camera (c . (b x a) > 0 at
// shift 14, formed in 64 bits), or every polygon when backface_cull is 0, is
// filed ready. Otherwise every polygon is filed for near clipping, with the
// face test left to the drawing. Polygons with fewer than 3 corners are not
// filed. The model must stay unchanged until render_buffer has run, and be
// filed at most once per frame.
void add_model_to_scene(frame_buffer *fb, polygon_model *model)
{
    if (model->num_polygons <= 0)
        return;
    Process_model(model);

    int beyond = 0;
    for (int i = 0; i < model->num_vertices; i++) {
        if (model->vertices[i].cz > NEAR_Z)
            beyond++;
    }
    if (beyond == 0)
        return;

    if (beyond == model->num_vertices) {
        for (int i = model->num_vertices - 1; i >= 0; i--) {
            vertex *v = &model->vertices[i];
            project_to_pixels(v->cx, v->cy, v->cz, &v->sx, &v->sy);
        }
        for (int i = model->num_polygons - 1; i >= 0; i--) {
            struct polygon *poly = &model->polygons[i];
            if (poly->num_corners < 3)
                continue;
            int64_t d = facing_product(poly->vertex_ptrs[0], poly->vertex_ptrs[1], poly->vertex_ptrs[2], 14);
            if (d > 0 || model->backface_cull == 0)
                file_polygon(fb, poly, STATE_READY);
        }
        return;
    }

    int8_t state = model->backface_cull != 0 ? STATE_CLIP_CULL : STATE_CLIP_BOTH;
    for (int i = model->num_polygons - 1; i >= 0; i--) {
        struct polygon *poly = &model->polygons[i];
        if (poly->num_corners >= 3)
            file_polygon(fb, poly, state);
    }
}

// Whether a bucket above k2 is free: k2 is the clipped polygon's nearest
// plus farthest cz, each >> 14, compared with bucket indices as it stands.
// Only a free bucket from k2 + 1 to the end lets the polygon be drawn.
static bool room_above(const frame_buffer *fb, const mpolygon *work)
{
    fixed nearest = work->vertex_ptrs[0]->cz;
    fixed farthest = nearest;
    for (int k = 1; k < work->num_corners; k++) {
        fixed cz = work->vertex_ptrs[k]->cz;
        if (cz < nearest)
            nearest = cz;
        if (cz > farthest)
            farthest = cz;
    }
    int k2 = (nearest >> 14) + (farthest >> 14);
    for (int b = (k2 + 1 > 0 ? k2 + 1 : 0); b < fb->num_buckets; b++) {
        if (fb->buckets[b].poly == nullptr)
            return true;
    }
    return false;
}

// A polygon filed for near clipping: cut into working storage of its own,
// culled with the opposite sign (the cut reverses the winding) unless both
// faces are drawn, projected, and drawn with pick id 0 when the room check
// finds a free bucket above it. The storage is released before returning.
static void draw_clipped(frame_buffer *fb, struct polygon *poly, int8_t state)
{
    mpolygon work;
    vertex *scratch = allocate_clip_polygon(&work, clip_capacity(poly->num_corners));
    clip3dpoly(poly, &work);
    if (work.num_corners >= 3) {
        int64_t d = facing_product(work.vertex_ptrs[0], work.vertex_ptrs[1], work.vertex_ptrs[2], 14);
        if (d < 0 || state == STATE_CLIP_BOTH) {
            for (int k = 0; k < work.num_corners; k++) {
                vertex *v = work.vertex_ptrs[k];
                project_to_pixels(v->cx, v->cy, v->cz, &v->sx, &v->sy);
            }
            if (room_above(fb, &work))
                MPoly(fb->bitmap, &work, 0);
        }
    }
    free_clip_polygon(&work, scratch);
}

// Draws every filed polygon from the last bucket down to bucket 0: ready
// ones with pick id 1, the others through the near clipper with pick id 0.
// The buckets stay filled; clear_frame_buffer empties them.
void render_buffer(frame_buffer *fb)
{
    for (int b = fb->num_buckets - 1; b >= 0; b--) {
        depth_bucket *bucket = &fb->buckets[b];
        if (bucket->poly == nullptr)
            continue;
        if (bucket->state == STATE_READY)
            MPoly(fb->bitmap, bucket->poly, 1);
        else
            draw_clipped(fb, bucket->poly, bucket->state);
    }
}
