// Cross-checks of the geometry pipeline against plain, slow restatements of
// its rules, written here independently of the engine: the near-plane cut,
// the drawing order and culling of Model, and the filing and drawing of the
// depth-sorted scene. Thousands of seeded random polygons and models are run
// through both; cut polygons are compared field by field, buckets by the
// polygon and state they hold, and drawings pixel by pixel and by pick id.
// Coordinates stay within a few hundred units, where no 32-bit step of the
// pipeline overflows except those the engine forms in 64 bits on purpose
// (the crossing's (T - F.cz) << 10 and colour product, the face products and
// the middle-of-range key sum); the restatements form those in 64 bits too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "test_support.h"

namespace {

constexpr fixed U = 0x10000;  // one unit in fixed
constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 200;

// ---------------------------------------------------------------------------
// Seeded random numbers: the raw Mersenne twister output, so that the cases
// are the same on every standard library.

struct dice {
    std::mt19937 gen;  // seeded once per test
};

// Uniform in [lo, hi] (inclusive); the range is far below 2^32.
int roll(dice *d, int lo, int hi)
{
    uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo) + 1;
    return static_cast<int>(lo + static_cast<int64_t>(d->gen() % span));
}

// True with probability percent / 100.
bool chance(dice *d, int percent)
{
    return roll(d, 0, 99) < percent;
}

// A camera-space depth: mostly spread over -50..600 units, often close to
// the near plane, sometimes exactly on it or one raw step off it.
fixed random_depth(dice *d)
{
    switch (roll(d, 0, 9)) {
    case 0:
        return NEAR_Z;
    case 1:
        return NEAR_Z + roll(d, -1, 1);
    case 2:
    case 3:
        return roll(d, -4 * U, 8 * U);
    default:
        return roll(d, -50 * U, 600 * U);
    }
}

// ---------------------------------------------------------------------------
// The near-plane cut, restated. Corners are visited from the last to the
// first, each with its partner (the corner before it, the last for corner 0).

constexpr int NOT_A_COPY = -1;

void ref_crossing(const vertex *f, const corner *fc, const vertex *b, const corner *bc,
                  vertex *out_v, corner *out_c)
{
    int32_t ahead = NEAR_Z - f->cz;
    int32_t depth = f->cz - b->cz;
    float t = static_cast<float>(ahead) / static_cast<float>(depth);
    out_v->cx = static_cast<int>(t * static_cast<float>(f->cx - b->cx) + static_cast<float>(f->cx));
    out_v->cy = static_cast<int>(t * static_cast<float>(f->cy - b->cy) + static_cast<float>(f->cy));
    out_v->cz = NEAR_Z;
    int64_t q = (static_cast<int64_t>(ahead) << 10) / depth;
    int64_t step = (q * (static_cast<int64_t>(fc->colour) - bc->colour)) >> 10;
    out_c->colour = static_cast<int>(fc->colour + step);
}

// Writes the cut of in into out; source[k] is the input corner that output
// corner k copies, or NOT_A_COPY for a crossing.
void ref_clip(const struct polygon *in, mpolygon *out, std::vector<int> *source)
{
    int n = in->num_corners;
    int k = 0;
    source->clear();
    for (int i = n - 1; i >= 0; i--) {
        int p = (i == 0) ? n - 1 : i - 1;
        fixed zi = in->vertex_ptrs[i]->cz;
        fixed zp = in->vertex_ptrs[p]->cz;
        if (zi > NEAR_Z) {
            out->vertex_ptrs[k]->cx = in->vertex_ptrs[i]->cx;
            out->vertex_ptrs[k]->cy = in->vertex_ptrs[i]->cy;
            out->vertex_ptrs[k]->cz = zi;
            out->corners[k].colour = in->corners[i].colour;
            out->corners[k].aux[0] = in->corners[i].aux[0];
            out->corners[k].aux[1] = in->corners[i].aux[1];
            source->push_back(i);
            k++;
        } else if (zi < NEAR_Z && zp > NEAR_Z) {
            ref_crossing(in->vertex_ptrs[i], &in->corners[i], in->vertex_ptrs[p], &in->corners[p],
                         out->vertex_ptrs[k], &out->corners[k]);
            source->push_back(NOT_A_COPY);
            k++;
        }
        if (zi > NEAR_Z && zp < NEAR_Z) {
            ref_crossing(in->vertex_ptrs[p], &in->corners[p], in->vertex_ptrs[i], &in->corners[i],
                         out->vertex_ptrs[k], &out->corners[k]);
            source->push_back(NOT_A_COPY);
            k++;
        }
    }
    out->num_corners = k;
    out->shading = in->shading;
    if (in->shading == 1)
        out->corners[0].colour = in->corners[0].colour;
}

// A working polygon with its scratch vertices, room for 2n + 2 corners.
struct work_polygon {
    mpolygon poly;
    std::vector<vertex> scratch;
};

void open_work(work_polygon *w, int n)
{
    int capacity = 2 * n + 2;
    allocate_mpolygon(&w->poly, capacity);
    w->scratch.assign(capacity, vertex{});
    for (int k = 0; k < capacity; k++)
        w->poly.vertex_ptrs[k] = &w->scratch[k];
    w->poly.num_corners = 0;
}

void close_work(work_polygon *w)
{
    free_mpolygon(&w->poly);
}

// c . (b x a) of corners 0, 1, 2, each coordinate shifted right first; the
// products in 64 bits, as the engine forms them.
int64_t ref_face(const struct polygon *p, int shift)
{
    const vertex *a = p->vertex_ptrs[0];
    const vertex *b = p->vertex_ptrs[1];
    const vertex *c = p->vertex_ptrs[2];
    int64_t ax = a->cx >> shift, ay = a->cy >> shift, az = a->cz >> shift;
    int64_t bx = b->cx >> shift, by = b->cy >> shift, bz = b->cz >> shift;
    int64_t cx = c->cx >> shift, cy = c->cy >> shift, cz = c->cz >> shift;
    return cx * (by * az - ay * bz) + cy * (ax * bz - bx * az) + cz * (bx * ay - ax * by);
}

void ref_project(vertex *v)
{
    persp_project(v->cx, v->cy, v->cz, &v->sx, &v->sy);
    v->sx >>= 16;
    v->sy >>= 16;
}

// ---------------------------------------------------------------------------
// Random models, built twice from one description: one copy for the engine,
// one for the restatement.

struct model_plan {
    std::vector<vertex> verts;               // every field given
    std::vector<std::vector<int>> polys;     // vertex indices per polygon
    std::vector<std::vector<corner>> corners;
    std::vector<int> shading;
    int sort_mode, transform_mode, backface_cull;
    fixed xrot, yrot, zrot, xpos, ypos, zpos;
};

// Corner colours for a shading: flat ones a palette index, Gouraud ones a
// fixed index.
corner random_corner(dice *d, int shading)
{
    corner c;
    c.colour = (shading == 2 || shading == 3) ? roll(d, 1 * U, 255 * U - 1) : roll(d, 1, 255);
    c.aux[0] = roll(d, -1000, 1000);
    c.aux[1] = roll(d, -1000, 1000);
    return c;
}

// A convex polygon of n corners around a centre, in a random plane through
// it, wound either way. Positions are camera-space ones (cx, cy, cz) and,
// the same values, object-space ones (x, y, z).
void add_random_polygon(dice *d, model_plan *plan, fixed centre_z, int radius_units)
{
    int n = roll(d, 3, 6);
    double ccx = roll(d, -120, 120), ccy = roll(d, -80, 80);
    double ccz = centre_z / static_cast<double>(U);
    double u[3] = {roll(d, -100, 100) / 100.0, roll(d, -100, 100) / 100.0, roll(d, -100, 100) / 100.0};
    double v[3] = {roll(d, -100, 100) / 100.0, roll(d, -100, 100) / 100.0, roll(d, -100, 100) / 100.0};
    double r = roll(d, 1, radius_units);
    bool reverse = chance(d, 50);
    int shading = chance(d, 5) ? (chance(d, 50) ? 4 : -1) : roll(d, 0, 3);
    std::vector<int> ids;
    std::vector<corner> cs;
    for (int k = 0; k < n; k++) {
        double a = 6.283185307179586 * (reverse ? n - k : k) / n;
        double px = ccx + r * (std::cos(a) * u[0] + std::sin(a) * v[0]);
        double py = ccy + r * (std::cos(a) * u[1] + std::sin(a) * v[1]);
        double pz = ccz + r * (std::cos(a) * u[2] + std::sin(a) * v[2]);
        vertex vx{};
        vx.x = vx.cx = static_cast<fixed>(px * U);
        vx.y = vx.cy = static_cast<fixed>(py * U);
        vx.z = vx.cz = chance(d, 4) ? NEAR_Z : static_cast<fixed>(pz * U);
        vx.sx = roll(d, -60 * U, 380 * U);
        vx.sy = roll(d, -60 * U, 260 * U);
        ids.push_back(static_cast<int>(plan->verts.size()));
        plan->verts.push_back(vx);
        cs.push_back(random_corner(d, shading));
    }
    plan->polys.push_back(ids);
    plan->corners.push_back(cs);
    plan->shading.push_back(shading);
}

// A model of 1 to 12 polygons. The depth layout varies: spread out, all at
// one depth (keys collide), straddling the near plane, reaching past the end
// of the depth table, or small polygons hugging the near plane. A model that is to be turned and moved (compact)
// keeps its object-space depths within a few dozen units, so that no turn
// can swing a far polygon out to the side of the near plane, where its
// projection would leave 32 bits.
model_plan random_plan(dice *d, bool compact)
{
    model_plan plan;
    const int transforms[] = {2, 4, 0, 1, 3, -4};
    plan.transform_mode = transforms[roll(d, 0, 5)];
    compact = compact || plan.transform_mode == 4;
    int layout = roll(d, 0, 4);
    int count = roll(d, 1, 12);
    fixed base = compact ? roll(d, -10 * U, 40 * U) : roll(d, 3 * U, 300 * U);
    for (int i = 0; i < count; i++) {
        switch (layout) {
        case 0:
            add_random_polygon(d, &plan, compact ? roll(d, -30 * U, 60 * U) : roll(d, 3 * U, 600 * U), 40);
            break;
        case 1:
            add_random_polygon(d, &plan, base + roll(d, 0, U / 4), 2);
            break;
        case 2:
            add_random_polygon(d, &plan, roll(d, -10 * U, 30 * U), 30);
            break;
        case 3:
            add_random_polygon(d, &plan, compact ? roll(d, 20 * U, 60 * U) : roll(d, 1100 * U, 1400 * U), 60);
            break;
        default:
            add_random_polygon(d, &plan, roll(d, -U, 3 * U), 1);
            break;
        }
    }
    if (chance(d, 10)) {
        // A vertex no polygon uses still decides between the two paths.
        vertex extra{};
        extra.x = extra.cx = roll(d, -10 * U, 10 * U);
        extra.y = extra.cy = roll(d, -10 * U, 10 * U);
        extra.z = extra.cz = chance(d, 50) ? NEAR_Z : roll(d, -5 * U, 50 * U);
        plan.verts.push_back(extra);
    }
    const int sorts[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1000, -1, -7};
    plan.sort_mode = sorts[roll(d, 0, 12)];
    plan.backface_cull = chance(d, 30) ? 0 : (chance(d, 50) ? 1 : -3);
    plan.xrot = roll(d, 0, 256 * U);
    plan.yrot = roll(d, 0, 256 * U);
    plan.zrot = roll(d, 0, 256 * U);
    plan.xpos = roll(d, -20 * U, 20 * U);
    plan.ypos = roll(d, -20 * U, 20 * U);
    plan.zpos = roll(d, -20 * U, 200 * U);
    return plan;
}

void build_from_plan(polygon_model *m, const model_plan &plan)
{
    int max_corners = 0;
    for (const auto &p : plan.polys)
        max_corners = std::max(max_corners, static_cast<int>(p.size()));
    create_polygon_model(m, static_cast<int>(plan.verts.size()), static_cast<int>(plan.polys.size()),
                         max_corners);
    m->num_vertices = static_cast<int>(plan.verts.size());
    m->num_polygons = static_cast<int>(plan.polys.size());
    for (size_t i = 0; i < plan.verts.size(); i++)
        m->vertices[i] = plan.verts[i];
    for (size_t i = 0; i < plan.polys.size(); i++) {
        struct polygon *p = &m->polygons[i];
        p->num_corners = static_cast<int>(plan.polys[i].size());
        p->shading = plan.shading[i];
        p->visible = 7;
        for (size_t k = 0; k < plan.polys[i].size(); k++) {
            p->vertex_ptrs[k] = &m->vertices[plan.polys[i][k]];
            p->corners[k] = plan.corners[i][k];
        }
    }
    m->sort_mode = plan.sort_mode;
    m->transform_mode = plan.transform_mode;
    m->backface_cull = plan.backface_cull;
    m->xrot = plan.xrot;
    m->yrot = plan.yrot;
    m->zrot = plan.zrot;
    m->xpos = plan.xpos;
    m->ypos = plan.ypos;
    m->zpos = plan.zpos;
    create_normals(m);
}

// Every vertex and polygon field the renderers write, compared between the
// engine's copy and the restatement's.
void expect_same_model(const polygon_model *a, const polygon_model *b, int trial)
{
    for (int i = 0; i < a->num_vertices; i++) {
        const vertex *va = &a->vertices[i];
        const vertex *vb = &b->vertices[i];
        EXPECT_EQ(va->cx, vb->cx) << "trial " << trial << " vertex " << i;
        EXPECT_EQ(va->cy, vb->cy) << "trial " << trial << " vertex " << i;
        EXPECT_EQ(va->cz, vb->cz) << "trial " << trial << " vertex " << i;
        EXPECT_EQ(va->sx, vb->sx) << "trial " << trial << " vertex " << i;
        EXPECT_EQ(va->sy, vb->sy) << "trial " << trial << " vertex " << i;
    }
    for (int i = 0; i < a->num_polygons; i++)
        EXPECT_EQ(a->polygons[i].visible, b->polygons[i].visible) << "trial " << trial << " polygon " << i;
}

// Puts the mouse pointer on a random pixel of the drawing (any pixel when
// nothing is drawn), so that the pick ids are put to the test.
void pointer_on_drawing(dice *d, BITMAP *drawing)
{
    std::vector<int> drawn;
    for (int y = 0; y < drawing->h; y++) {
        for (int x = 0; x < drawing->w; x++) {
            if (drawing->line[y][x] != 0)
                drawn.push_back(y * drawing->w + x);
        }
    }
    int at = drawn.empty() ? roll(d, 0, drawing->w * drawing->h - 1)
                           : drawn[roll(d, 0, static_cast<int>(drawn.size()) - 1)];
    mouse_x = at % drawing->w;
    mouse_y = at / drawing->w;
}

bool same_pixels(BITMAP *a, BITMAP *b)
{
    for (int y = 0; y < a->h; y++) {
        if (std::memcmp(a->line[y], b->line[y], static_cast<size_t>(a->w)) != 0)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Model, restated: the drawing order, the path, the culling and the pick ids.

// Polygon indices in drawing order for the model's sort_mode.
std::vector<int> ref_model_order(const polygon_model *m)
{
    std::vector<int> order;
    unsigned sort = static_cast<unsigned>(m->sort_mode);
    if (sort <= 1)
        return order;
    if (sort >= 8) {
        for (int i = m->num_polygons - 1; i >= 0; i--)
            order.push_back(i);
        return order;
    }
    std::vector<int> table(10000, 0);
    for (int i = m->num_polygons - 1; i >= 0; i--) {
        const struct polygon *p = &m->polygons[i];
        int n = p->num_corners;
        fixed nearest = p->vertex_ptrs[n - 1]->cz;
        fixed farthest = nearest;
        for (int k = n - 2; k >= 0; k--) {
            if (p->vertex_ptrs[k]->cz < nearest)
                nearest = p->vertex_ptrs[k]->cz;
            if (p->vertex_ptrs[k]->cz > farthest)
                farthest = p->vertex_ptrs[k]->cz;
        }
        int64_t key = sort <= 3 ? (nearest >> 13) : ((static_cast<int64_t>(farthest) + nearest) >> 14);
        if (key < 0)
            key = 0;
        if (key > 9999)
            continue;
        int slot = static_cast<int>(key);
        while (slot < 10000 && table[slot] != 0)
            slot++;
        if (slot == 10000) {
            // The top of the table is full: the nearest free slot below.
            slot = static_cast<int>(key) - 1;
            while (table[slot] != 0)
                slot--;
        }
        table[slot] = i + 1;
    }
    for (int s = 9999; s >= 0; s--) {
        if (table[s] != 0)
            order.push_back(table[s] - 1);
    }
    return order;
}

void ref_model(BITMAP *bmp, polygon_model *m)
{
    if (m->num_polygons == 0)
        return;
    if (m->transform_mode == 4)
        Process_model(m);
    std::vector<int> order = ref_model_order(m);
    int beyond = 0;
    for (int i = 0; i < m->num_vertices; i++)
        beyond += m->vertices[i].cz > NEAR_Z ? 1 : 0;

    if (beyond == m->num_vertices) {
        for (int i = m->num_vertices - 1; i >= 0; i--) {
            vertex *v = &m->vertices[i];
            if (m->transform_mode == 2 || m->transform_mode == 4)
                persp_project(v->cx, v->cy, v->cz, &v->sx, &v->sy);
        }
        for (int i = m->num_polygons - 1; i >= 0; i--) {
            struct polygon *p = &m->polygons[i];
            p->visible = (ref_face(p, 13) > 0 || m->backface_cull == 0) ? -1 : 0;
        }
        for (int i = 0; i < m->num_vertices; i++) {
            m->vertices[i].sx >>= 16;
            m->vertices[i].sy >>= 16;
        }
        for (int i : order) {
            if (m->polygons[i].visible != 0)
                MPoly(bmp, &m->polygons[i], i);
        }
        return;
    }

    for (int i : order) {
        struct polygon *p = &m->polygons[i];
        work_polygon w;
        open_work(&w, p->num_corners);
        std::vector<int> source;
        ref_clip(p, &w.poly, &source);
        if (w.poly.num_corners > 2 && (ref_face(&w.poly, 14) < 0 || m->backface_cull == 0)) {
            for (int k = 0; k < w.poly.num_corners; k++)
                ref_project(w.poly.vertex_ptrs[k]);
            MPoly(bmp, &w.poly, i);
        }
        close_work(&w);
    }
}

// ---------------------------------------------------------------------------
// The scene, restated: which bucket each polygon lands in, with which state,
// and what the drawing walk then draws.

struct ref_bucket {
    struct polygon *poly;  // null: free
    int state;
};

void ref_file(std::vector<ref_bucket> *buckets, struct polygon *p, int state)
{
    int n = p->num_corners;
    fixed farthest = p->vertex_ptrs[n - 1]->cz;
    for (int k = n - 1; k >= 0; k--) {
        if (p->vertex_ptrs[k]->cz > farthest)
            farthest = p->vertex_ptrs[k]->cz;
    }
    int key = farthest >> 11;
    int size = static_cast<int>(buckets->size());
    if (key - 1 >= size || key <= 0)
        return;
    int b = key - 1;
    while ((*buckets)[b].poly != nullptr && b > 1)
        b--;
    (*buckets)[b] = {p, state};
}

void ref_add_model(std::vector<ref_bucket> *buckets, polygon_model *m)
{
    if (m->num_polygons == 0)
        return;
    Process_model(m);
    int beyond = 0;
    for (int i = 0; i < m->num_vertices; i++)
        beyond += m->vertices[i].cz > NEAR_Z ? 1 : 0;
    if (beyond == 0)
        return;
    if (beyond == m->num_vertices) {
        for (int i = m->num_vertices - 1; i >= 0; i--)
            ref_project(&m->vertices[i]);
        for (int i = m->num_polygons - 1; i >= 0; i--) {
            struct polygon *p = &m->polygons[i];
            if (ref_face(p, 14) > 0 || m->backface_cull == 0)
                ref_file(buckets, p, 0);
        }
        return;
    }
    for (int i = m->num_polygons - 1; i >= 0; i--)
        ref_file(buckets, &m->polygons[i], m->backface_cull != 0 ? 1 : 2);
}

void ref_render(BITMAP *bmp, const std::vector<ref_bucket> &buckets)
{
    int size = static_cast<int>(buckets.size());
    for (int b = size - 1; b >= 0; b--) {
        struct polygon *p = buckets[b].poly;
        if (p == nullptr)
            continue;
        if (buckets[b].state == 0) {
            MPoly(bmp, p, 1);
            continue;
        }
        work_polygon w;
        open_work(&w, p->num_corners);
        std::vector<int> source;
        ref_clip(p, &w.poly, &source);
        if (w.poly.num_corners >= 3 && (ref_face(&w.poly, 14) < 0 || buckets[b].state == 2)) {
            fixed nearest = w.poly.vertex_ptrs[0]->cz;
            fixed farthest = nearest;
            for (int k = 0; k < w.poly.num_corners; k++) {
                vertex *v = w.poly.vertex_ptrs[k];
                ref_project(v);
                nearest = std::min(nearest, v->cz);
                farthest = std::max(farthest, v->cz);
            }
            int k2 = (nearest >> 14) + (farthest >> 14);
            for (int s = k2 + 1; s < size; s++) {
                if (buckets[s].poly == nullptr) {
                    MPoly(bmp, &w.poly, 0);
                    break;
                }
            }
        }
        close_work(&w);
    }
}

// Which model and polygon a filed pointer refers to: model * 1000 + index,
// -2 for the filler polygon, -1 for none.
int locate(const std::vector<polygon_model> &models, const struct polygon *filler,
           const struct polygon *p)
{
    if (p == filler)
        return -2;
    for (size_t m = 0; m < models.size(); m++) {
        for (int i = 0; i < models[m].num_polygons; i++) {
            if (&models[m].polygons[i] == p)
                return static_cast<int>(m) * 1000 + i;
        }
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Normals and the transformation, restated step by step with Allegro's own
// routines.

void ref_normals(polygon_model *m)
{
    for (int i = m->num_polygons - 1; i >= 0; i--) {
        struct polygon *p = &m->polygons[i];
        int n = p->num_corners;
        for (int k = n - 1; k >= 0; k--) {
            const vertex *pv = p->vertex_ptrs[k];
            const vertex *nv = p->vertex_ptrs[k == n - 1 ? 0 : k + 1];
            const vertex *qv = p->vertex_ptrs[k == 0 ? n - 1 : k - 1];
            vertex *out = &p->normals[k];
            cross_product(pv->x - nv->x, pv->y - nv->y, pv->z - nv->z, pv->x - qv->x, pv->y - qv->y,
                          pv->z - qv->z, &out->x, &out->y, &out->z);
            fixed tx = out->x - pv->x, ty = out->y - pv->y, tz = out->z - pv->z;
            normalize_vector(&tx, &ty, &tz);
            out->x = tx;
            out->y = ty;
            out->z = tz;
        }
    }
}

void ref_process(polygon_model *m)
{
    MATRIX camera_then = main_camera, step, product, rotation;
    get_translation_matrix(&step, m->xpos, m->ypos, m->zpos);
    matrix_mul(&step, &camera_then, &product);
    camera_then = product;
    get_rotation_matrix(&rotation, m->xrot, m->yrot, m->zrot);
    matrix_mul(&rotation, &camera_then, &product);
    camera_then = product;
    for (int i = m->num_vertices - 1; i >= 0; i--) {
        vertex *v = &m->vertices[i];
        apply_matrix(&camera_then, v->x, v->y, v->z, &v->cx, &v->cy, &v->cz);
    }
    for (int i = m->num_polygons - 1; i >= 0; i--) {
        struct polygon *p = &m->polygons[i];
        for (int k = p->num_corners - 1; k >= 0; k--) {
            vertex *nv = &p->normals[k];
            apply_matrix(&rotation, nv->x, nv->y, nv->z, &nv->cx, &nv->cy, &nv->cz);
        }
    }
}

class GeometryCrossCheck : public ::testing::Test {
protected:
    void SetUp() override { engine_up(SCREEN_WIDTH, SCREEN_HEIGHT); }
    void TearDown() override { engine_down(); }
};

// ---------------------------------------------------------------------------

TEST_F(GeometryCrossCheck, NearClipMatchesTheCornerWalkOnRandomPolygons)
{
    dice d{std::mt19937(20261211u)};
    const int sentinel = 0x5a5a5a5a;
    for (int trial = 0; trial < 20000; trial++) {
        int n = roll(&d, 1, 8);
        std::vector<vertex> verts(n, vertex{});
        std::vector<vertex *> ptrs(n);
        std::vector<corner> corners(n);
        int shading = roll(&d, -1, 4);
        bool gouraud = chance(&d, 50);
        for (int k = 0; k < n; k++) {
            verts[k].cx = roll(&d, -200 * U, 200 * U);
            verts[k].cy = roll(&d, -200 * U, 200 * U);
            verts[k].cz = random_depth(&d);
            ptrs[k] = &verts[k];
            corners[k].colour = gouraud ? roll(&d, 0, 255 * U) : roll(&d, 0, 255);
            corners[k].aux[0] = roll(&d, -100000, 100000);
            corners[k].aux[1] = roll(&d, -100000, 100000);
        }
        struct polygon in{};
        in.num_corners = n;
        in.vertex_ptrs = ptrs.data();
        in.corners = corners.data();
        in.shading = shading;

        work_polygon engine_out, ref_out;
        open_work(&engine_out, n);
        open_work(&ref_out, n);
        int capacity = 2 * n + 2;
        for (int k = 0; k < capacity; k++) {
            vertex *v = engine_out.poly.vertex_ptrs[k];
            v->cx = v->cy = v->cz = v->sx = v->sy = sentinel;
            engine_out.poly.corners[k] = {sentinel, {sentinel, sentinel}};
        }
        std::vector<int> source;
        clip3dpoly(&in, &engine_out.poly);
        ref_clip(&in, &ref_out.poly, &source);

        ASSERT_EQ(engine_out.poly.num_corners, ref_out.poly.num_corners) << "trial " << trial;
        EXPECT_EQ(engine_out.poly.shading, shading) << "trial " << trial;
        for (int k = 0; k < capacity; k++) {
            const vertex *e = engine_out.poly.vertex_ptrs[k];
            const corner *ec = &engine_out.poly.corners[k];
            EXPECT_EQ(e->sx, sentinel) << "trial " << trial << " corner " << k;
            EXPECT_EQ(e->sy, sentinel) << "trial " << trial << " corner " << k;
            if (k >= ref_out.poly.num_corners) {
                EXPECT_EQ(e->cz, sentinel) << "trial " << trial << " corner " << k;
                EXPECT_EQ(ec->colour, sentinel) << "trial " << trial << " corner " << k;
                continue;
            }
            const vertex *r = ref_out.poly.vertex_ptrs[k];
            const corner *rc = &ref_out.poly.corners[k];
            EXPECT_EQ(e->cx, r->cx) << "trial " << trial << " corner " << k;
            EXPECT_EQ(e->cy, r->cy) << "trial " << trial << " corner " << k;
            EXPECT_EQ(e->cz, r->cz) << "trial " << trial << " corner " << k;
            EXPECT_EQ(ec->colour, rc->colour) << "trial " << trial << " corner " << k;
            int aux0 = source[k] == NOT_A_COPY ? sentinel : rc->aux[0];
            int aux1 = source[k] == NOT_A_COPY ? sentinel : rc->aux[1];
            EXPECT_EQ(ec->aux[0], aux0) << "trial " << trial << " corner " << k;
            EXPECT_EQ(ec->aux[1], aux1) << "trial " << trial << " corner " << k;
        }
        close_work(&engine_out);
        close_work(&ref_out);
        if (HasFailure())
            return;
    }
}

TEST_F(GeometryCrossCheck, NormalsAndTransformationFollowTheirStepsOnRandomModels)
{
    dice d{std::mt19937(90210u)};
    for (int trial = 0; trial < 3000; trial++) {
        camera cam{};
        cam.x = roll(&d, -100 * U, 100 * U);
        cam.y = roll(&d, -100 * U, 100 * U);
        cam.z = roll(&d, -100 * U, 100 * U);
        cam.xfront = roll(&d, -U, U);
        cam.yfront = roll(&d, -U, U);
        cam.zfront = roll(&d, U / 8, U);
        cam.xup = roll(&d, -U / 4, U / 4);
        cam.yup = U;
        cam.zup = roll(&d, -U / 4, U / 4);
        cam.fov = roll(&d, 32 * U, 96 * U);
        cam.aspect = roll(&d, 4 * U / 5, 3 * U / 2);
        set_camera(&cam);

        // Polygons of 1 to 7 corners over shared vertices, anywhere within
        // 60 units (so that cross products stay below the fixed limit and
        // K - P fits); corners may repeat a vertex.
        model_plan plan{};
        int num_vertices = roll(&d, 1, 12);
        for (int i = 0; i < num_vertices; i++) {
            vertex v{};
            v.x = roll(&d, -60 * U, 60 * U);
            v.y = roll(&d, -60 * U, 60 * U);
            v.z = roll(&d, -60 * U, 60 * U);
            plan.verts.push_back(v);
        }
        int num_polygons = roll(&d, 1, 6);
        for (int i = 0; i < num_polygons; i++) {
            int n = roll(&d, 1, 7);
            std::vector<int> ids;
            std::vector<corner> cs;
            for (int k = 0; k < n; k++) {
                ids.push_back(roll(&d, 0, num_vertices - 1));
                cs.push_back(random_corner(&d, 0));
            }
            plan.polys.push_back(ids);
            plan.corners.push_back(cs);
            plan.shading.push_back(0);
        }
        plan.xrot = roll(&d, -256 * U, 256 * U);
        plan.yrot = roll(&d, -256 * U, 256 * U);
        plan.zrot = roll(&d, -256 * U, 256 * U);
        plan.xpos = roll(&d, -300 * U, 300 * U);
        plan.ypos = roll(&d, -300 * U, 300 * U);
        plan.zpos = roll(&d, -300 * U, 300 * U);

        polygon_model engine_model{}, ref_model_copy{};
        build_from_plan(&engine_model, plan);  // normals by the engine
        build_from_plan(&ref_model_copy, plan);
        ref_normals(&ref_model_copy);
        Process_model(&engine_model);
        ref_process(&ref_model_copy);

        for (int i = 0; i < num_polygons; i++) {
            for (int k = 0; k < engine_model.polygons[i].num_corners; k++) {
                const vertex *e = &engine_model.polygons[i].normals[k];
                const vertex *r = &ref_model_copy.polygons[i].normals[k];
                EXPECT_EQ(e->x, r->x) << "trial " << trial << " polygon " << i << " corner " << k;
                EXPECT_EQ(e->y, r->y) << "trial " << trial << " polygon " << i << " corner " << k;
                EXPECT_EQ(e->z, r->z) << "trial " << trial << " polygon " << i << " corner " << k;
                EXPECT_EQ(e->cx, r->cx) << "trial " << trial << " polygon " << i << " corner " << k;
                EXPECT_EQ(e->cy, r->cy) << "trial " << trial << " polygon " << i << " corner " << k;
                EXPECT_EQ(e->cz, r->cz) << "trial " << trial << " polygon " << i << " corner " << k;
            }
        }
        expect_same_model(&engine_model, &ref_model_copy, trial);
        free_polygon_model(&engine_model);
        free_polygon_model(&ref_model_copy);
        if (HasFailure())
            return;
    }
}

TEST_F(GeometryCrossCheck, ModelDrawsWhatTheOrderAndCullingRulesSelect)
{
    dice d{std::mt19937(4401u)};
    BITMAP *engine_bmp = create_bitmap_ex(8, SCREEN_WIDTH, SCREEN_HEIGHT);
    BITMAP *ref_bmp = create_bitmap_ex(8, SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int trial = 0; trial < 3000; trial++) {
        model_plan plan = random_plan(&d, false);
        polygon_model engine_model{}, ref_model_copy{}, dry_run{};
        build_from_plan(&dry_run, plan);
        clear_bitmap(ref_bmp);
        ref_model(ref_bmp, &dry_run);
        pointer_on_drawing(&d, ref_bmp);
        free_polygon_model(&dry_run);

        build_from_plan(&engine_model, plan);
        build_from_plan(&ref_model_copy, plan);
        clear_bitmap(engine_bmp);
        clear_bitmap(ref_bmp);

        cursor1.picked = 0;
        Model(engine_bmp, &engine_model);
        int engine_picked = cursor1.picked;
        cursor1.picked = 0;
        ref_model(ref_bmp, &ref_model_copy);
        int ref_picked = cursor1.picked;

        EXPECT_TRUE(same_pixels(engine_bmp, ref_bmp)) << "trial " << trial;
        EXPECT_EQ(engine_picked, ref_picked) << "trial " << trial;
        expect_same_model(&engine_model, &ref_model_copy, trial);
        free_polygon_model(&engine_model);
        free_polygon_model(&ref_model_copy);
        if (HasFailure())
            break;
    }
    destroy_bitmap(engine_bmp);
    destroy_bitmap(ref_bmp);
}

// A one-triangle model standing for polygons filed earlier in the frame: a
// small Gouraud triangle, ready to draw, somewhere on the screen.
void build_filler(dice *d, polygon_model *m)
{
    model_plan plan{};
    int x = roll(d, 0, SCREEN_WIDTH - 1), y = roll(d, 0, SCREEN_HEIGHT - 1);
    for (int k = 0; k < 3; k++) {
        vertex v{};
        v.sx = x + roll(d, -6, 6);
        v.sy = y + roll(d, -6, 6);
        plan.verts.push_back(v);
    }
    plan.polys.push_back({0, 1, 2});
    plan.corners.push_back({random_corner(d, 2), random_corner(d, 2), random_corner(d, 2)});
    plan.shading.push_back(2);
    build_from_plan(m, plan);
}

// Files the planned models into a frame buffer of num_buckets buckets, once
// through the engine and once through the restatement, then draws both; the
// buckets, the models' written fields, the pixels and the pick id must agree.
// Beforehand about prefill percent of the buckets from a random one upward
// are given a ready filler polygon, so that probes and room checks meet
// occupied runs that end at any place.
void cross_check_scene(dice *d, const std::vector<model_plan> &plans, int num_buckets,
                       int prefill, int trial)
{
    int model_count = static_cast<int>(plans.size());
    std::vector<polygon_model> engine_models(model_count), ref_models(model_count);
    for (int m = 0; m < model_count; m++) {
        build_from_plan(&engine_models[m], plans[m]);
        build_from_plan(&ref_models[m], plans[m]);
    }

    frame_buffer fb{};
    fb.num_buckets = num_buckets;
    create_frame_buffer(&fb);
    clear_frame_buffer(&fb);
    std::vector<ref_bucket> buckets(fb.num_buckets, ref_bucket{nullptr, 0});
    BITMAP *ref_bmp = create_bitmap_ex(8, SCREEN_WIDTH, SCREEN_HEIGHT);
    clear_bitmap(ref_bmp);
    polygon_model filler{};
    build_filler(d, &filler);
    // Often where the room checks of polygons cut just past the near plane
    // start: (2.0 >> 14) + (far >> 14) for a far corner of a few units.
    int prefill_from = chance(d, 50) ? roll(d, 0, num_buckets) : std::min(num_buckets, roll(d, 14, 34));
    for (int b = prefill_from; b < num_buckets; b++) {
        if (chance(d, prefill)) {
            fb.buckets[b].poly = &filler.polygons[0];
            fb.buckets[b].state = 0;
            buckets[b] = {&filler.polygons[0], 0};
        }
    }

    for (int m = 0; m < model_count; m++) {
        add_model_to_scene(&fb, &engine_models[m]);
        ref_add_model(&buckets, &ref_models[m]);
    }
    for (int b = 0; b < fb.num_buckets; b++) {
        EXPECT_EQ(locate(engine_models, filler.polygons, fb.buckets[b].poly),
                  locate(ref_models, filler.polygons, buckets[b].poly))
            << "trial " << trial << " bucket " << b;
        if (fb.buckets[b].poly != nullptr) {
            EXPECT_EQ(fb.buckets[b].state, buckets[b].state) << "trial " << trial << " bucket " << b;
        }
    }
    for (int m = 0; m < model_count; m++)
        expect_same_model(&engine_models[m], &ref_models[m], trial);

    ref_render(ref_bmp, buckets);
    pointer_on_drawing(d, ref_bmp);
    clear_bitmap(ref_bmp);
    cursor1.picked = 0;
    render_buffer(&fb);
    int engine_picked = cursor1.picked;
    cursor1.picked = 0;
    ref_render(ref_bmp, buckets);
    int ref_picked = cursor1.picked;
    EXPECT_TRUE(same_pixels(fb.bitmap, ref_bmp)) << "trial " << trial;
    EXPECT_EQ(engine_picked, ref_picked) << "trial " << trial;

    destroy_bitmap(ref_bmp);
    free_frame_buffer(&fb);
    free_polygon_model(&filler);
    for (int m = 0; m < model_count; m++) {
        free_polygon_model(&engine_models[m]);
        free_polygon_model(&ref_models[m]);
    }
}

// A model of many small triangles packed into a slice of depth, left where
// it is built (no turn, no offset): from..from + thickness in cz, plus, when
// anchor is set, one triangle reaching just past the near plane so that a
// slice in front of it is filed for clipping.
model_plan crowded_plan(dice *d, fixed from, fixed thickness, bool anchor)
{
    model_plan plan{};
    int count = roll(d, 20, 80);
    for (int i = 0; i < count; i++) {
        int shading = roll(d, 0, 3);
        std::vector<int> ids;
        std::vector<corner> cs;
        for (int k = 0; k < 3; k++) {
            vertex v{};
            v.x = v.cx = roll(d, -3 * U, 3 * U);
            v.y = v.cy = roll(d, -2 * U, 2 * U);
            v.z = v.cz = from + roll(d, 0, thickness);
            ids.push_back(static_cast<int>(plan.verts.size()));
            plan.verts.push_back(v);
            cs.push_back(random_corner(d, shading));
        }
        plan.polys.push_back(ids);
        plan.corners.push_back(cs);
        plan.shading.push_back(shading);
    }
    if (anchor) {
        plan.polys.push_back({0, 1, static_cast<int>(plan.verts.size())});
        plan.corners.push_back({random_corner(d, 2), random_corner(d, 2), random_corner(d, 2)});
        plan.shading.push_back(2);
        vertex far{};
        far.x = far.cx = roll(d, -3 * U, 3 * U);
        far.z = far.cz = roll(d, NEAR_Z + 1, 3 * U);
        plan.verts.push_back(far);
    }
    plan.sort_mode = 8;
    plan.transform_mode = 4;
    plan.backface_cull = chance(d, 50) ? 1 : 0;
    return plan;
}

TEST_F(GeometryCrossCheck, SceneFilesAndDrawsWhatTheBucketRulesSelect)
{
    dice d{std::mt19937(777u)};
    const int bucket_counts[] = {1, 2, 40, 300, 2000, 32000};
    for (int trial = 0; trial < 1500; trial++) {
        int num_buckets = bucket_counts[roll(&d, 0, 5)];
        int model_count = roll(&d, 1, 4);
        std::vector<model_plan> plans;
        for (int m = 0; m < model_count; m++) {
            plans.push_back(random_plan(&d, true));
            // The scene always transforms: place the models from just behind
            // the camera to a little past the depth the buckets reach.
            int reach = std::min(900, num_buckets / 32 + 10);
            plans.back().zpos = roll(&d, -20 * U, reach * U);
            if (chance(&d, 30))
                plans.back().xrot = plans.back().yrot = plans.back().zrot = 0;
        }
        const int prefills[] = {0, 0, 50, 90};
        cross_check_scene(&d, plans, num_buckets, prefills[roll(&d, 0, 3)], trial);
        if (HasFailure())
            return;
    }
}

// Crowds the nearest buckets: slices right in front of the camera (keys of
// a few steps, filed for clipping) and slices just beyond the near plane
// (keys from 64, filed ready), in frame buffers barely deeper than the
// slices, so that probes run down to bucket 1 and replace what is there and
// room checks of cut polygons meet full runs of buckets.
TEST_F(GeometryCrossCheck, SceneCrowdedIntoTheNearestBucketsMatchesTheProbeRules)
{
    dice d{std::mt19937(31337u)};
    for (int trial = 0; trial < 1000; trial++) {
        std::vector<model_plan> plans;
        int model_count = roll(&d, 1, 3);
        bool in_front = chance(&d, 50);
        for (int m = 0; m < model_count; m++) {
            if (in_front)
                plans.push_back(crowded_plan(&d, roll(&d, -U / 64, U), roll(&d, 0, 3 * U), true));
            else
                plans.push_back(crowded_plan(&d, NEAR_Z + 1 + roll(&d, 0, U / 8), roll(&d, 0, U / 4), false));
        }
        int num_buckets = in_front ? (chance(&d, 50) ? roll(&d, 1, 12) : roll(&d, 40, 110)) : roll(&d, 60, 80);
        const int prefills[] = {0, 60, 95, 100};
        cross_check_scene(&d, plans, num_buckets, prefills[roll(&d, 0, 3)], trial);
        if (HasFailure())
            return;
    }
}

}  // namespace
