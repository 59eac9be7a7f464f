// The data files the demo ships with: each of the nine models loads through
// its reader, is well formed, stands on its own board square and, where it
// culls back faces, is a closed surface wound outwards; the pointer image is
// an 8-bit picture that reads over the board.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <utility>

#include "demo.h"
#include "test_support.h"

namespace {

struct shipped_model {
    const char *path;
    bool legacy;
};

constexpr shipped_model SHIPPED[] = {
    {"models/legacy/face.dat", true},   {"models/legacy/ghost.dat", true},
    {"models/legacy/vampire.dat", true}, {"models/legacy/swamp.dat", true},
    {"models/legacy/tentacle.dat", true}, {"models/legacy/wizard.dat", true},
    {"models/walker.mdl", false},       {"models/mask.mdl", false},
    {"models/ghost.mdl", false},
};

// Palette indexes that the sixteen legacy colour codes stand for.
const std::set<int> LEGACY_COLOURS = {32, 88, 72, 136, 56, 120, 154, 45,
                                      39, 95, 79, 143, 63, 127, 111, 47};

// The colour ramp a palette index belongs to: 0 for the 32 greys, 1 to 8 for
// the sixteen-entry ramps from 32 to 159, -1 for the unset entries above.
int ramp_of(int index)
{
    if (index < 0 || index >= 160)
        return -1;
    return index < 32 ? 0 : 1 + (index - 32) / 16;
}

// Words 4 and 5 of a model file's header: corner capacity and culling flag.
bool read_mdl_header(const char *path, int *capacity, int *cull)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    int words[6];
    for (int &w : words)
        w = get_int(f);
    std::fclose(f);
    *capacity = words[4];
    *cull = words[5];
    return true;
}

int vertex_index(const polygon_model *m, const vertex *v)
{
    return static_cast<int>(v - m->vertices);
}

double to_double(fixed v)
{
    return v / 65536.0;
}

class ShippedModels : public ::testing::Test {
protected:
    void SetUp() override { start_allegro_headless(); }
};

TEST_F(ShippedModels, EachLoadsWellFormed)
{
    for (const shipped_model &s : SHIPPED) {
        SCOPED_TRACE(s.path);
        int capacity = 3, cull = 0;
        if (!s.legacy) {
            ASSERT_TRUE(read_mdl_header(s.path, &capacity, &cull));
        }
        polygon_model m{};
        int result = s.legacy ? load_legacy_model(&m, s.path) : load_model(&m, s.path);
        ASSERT_EQ(result, LOAD_OK);
        EXPECT_GE(m.num_vertices, 1);
        EXPECT_GE(m.num_polygons, 1);
        EXPECT_LE(capacity, MAX_CORNERS);
        if (s.legacy) {
            EXPECT_LE(m.num_vertices, 255);
            EXPECT_LE(m.num_polygons, 255);
            EXPECT_EQ(m.backface_cull, 0);
        } else {
            EXPECT_EQ(m.backface_cull, cull);
            EXPECT_EQ(m.transform_mode, 4);
        }
        for (int i = 0; i < m.num_polygons; i++) {
            const struct polygon *p = &m.polygons[i];
            ASSERT_GE(p->num_corners, 3) << "polygon " << i;
            ASSERT_LE(p->num_corners, capacity) << "polygon " << i;
            int first_ramp = ramp_of(p->corners[0].colour >> 16);
            for (int k = 0; k < p->num_corners; k++) {
                int v = vertex_index(&m, p->vertex_ptrs[k]);
                ASSERT_TRUE(v >= 0 && v < m.num_vertices) << "polygon " << i;
                if (s.legacy) {
                    EXPECT_EQ(p->shading, 1);
                    EXPECT_TRUE(LEGACY_COLOURS.count(p->corners[k].colour)) << "polygon " << i;
                    EXPECT_EQ(p->corners[k].colour, p->corners[0].colour);
                } else {
                    // Gouraud shades stay inside one ramp, so that no pixel
                    // between two corners takes a colour of another hue.
                    EXPECT_EQ(p->shading, 2);
                    int ramp = ramp_of(p->corners[k].colour >> 16);
                    EXPECT_NE(ramp, -1) << "polygon " << i;
                    EXPECT_EQ(ramp, first_ramp) << "polygon " << i << " corner " << k;
                }
            }
        }
        free_polygon_model(&m);
    }
}

// Each model stands with its base on y = 0 inside its 10 by 10 square, is 8
// to 20 units tall, and the legacy ones sit on whole units.
TEST_F(ShippedModels, EachFitsItsSquare)
{
    for (const shipped_model &s : SHIPPED) {
        SCOPED_TRACE(s.path);
        polygon_model m{};
        ASSERT_EQ(s.legacy ? load_legacy_model(&m, s.path) : load_model(&m, s.path), LOAD_OK);
        fixed min_y = m.vertices[0].y, max_y = m.vertices[0].y;
        for (int i = 0; i < m.num_vertices; i++) {
            const vertex *v = &m.vertices[i];
            EXPECT_TRUE(v->x >= -5 * 65536 && v->x <= 5 * 65536) << "vertex " << i;
            EXPECT_TRUE(v->z >= -5 * 65536 && v->z <= 5 * 65536) << "vertex " << i;
            min_y = std::min(min_y, v->y);
            max_y = std::max(max_y, v->y);
            if (s.legacy) {
                EXPECT_EQ(v->x & 0xffff, 0) << "vertex " << i;
                EXPECT_EQ(v->y & 0xffff, 0) << "vertex " << i;
                EXPECT_EQ(v->z & 0xffff, 0) << "vertex " << i;
            }
        }
        EXPECT_EQ(min_y, 0);
        EXPECT_GE(max_y, 8 * 65536);
        EXPECT_LE(max_y, 20 * 65536);
        free_polygon_model(&m);
    }
}

// A model that culls back faces shows only the polygons turned towards the
// camera, so it must be a closed surface whose polygons all wind outwards:
// every edge walked from a to b by one polygon is walked from b to a by
// another, and the enclosed volume comes out positive.
TEST_F(ShippedModels, CulledModelsAreClosedAndWoundOutwards)
{
    for (const shipped_model &s : SHIPPED) {
        if (s.legacy)
            continue;
        SCOPED_TRACE(s.path);
        polygon_model m{};
        ASSERT_EQ(load_model(&m, s.path), LOAD_OK);
        if (m.backface_cull == 0) {
            free_polygon_model(&m);
            continue;
        }
        std::map<std::pair<int, int>, int> walked;
        double volume = 0;
        for (int i = 0; i < m.num_polygons; i++) {
            const struct polygon *p = &m.polygons[i];
            for (int k = 0; k < p->num_corners; k++) {
                int a = vertex_index(&m, p->vertex_ptrs[k]);
                int b = vertex_index(&m, p->vertex_ptrs[(k + 1) % p->num_corners]);
                walked[{a, b}]++;
            }
            const vertex *a = p->vertex_ptrs[0];
            for (int k = 1; k + 1 < p->num_corners; k++) {
                const vertex *b = p->vertex_ptrs[k], *c = p->vertex_ptrs[k + 1];
                double bx = to_double(b->x), by = to_double(b->y), bz = to_double(b->z);
                double cx = to_double(c->x), cy = to_double(c->y), cz = to_double(c->z);
                volume += to_double(a->x) * (by * cz - bz * cy) + to_double(a->y) * (bz * cx - bx * cz) +
                          to_double(a->z) * (bx * cy - by * cx);
            }
        }
        int loose = 0;
        for (const auto &[edge, count] : walked) {
            auto back = walked.find({edge.second, edge.first});
            if (back == walked.end() || back->second != count)
                loose++;
        }
        EXPECT_EQ(loose, 0);
        EXPECT_GT(volume, 0);
        free_polygon_model(&m);
    }
}

// The pointer: an 8-bit image whose top-left pixel, the pointer's position,
// is drawn; colour 0 around the arrow is transparent; every other pixel is a
// colour the demo's palette sets, with both a dark and a light one so that
// the arrow shows over dark and light squares alike.
TEST(ShippedPointer, IsAnArrowReadOverTheBoard)
{
    engine_up(320, 200);
    setup_model();
    PALETTE own;
    BITMAP *pointer = load_pcx("bitmaps/mouse.pcx", own);
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(bitmap_color_depth(pointer), 8);
    EXPECT_GE(pointer->w, 8);
    EXPECT_GE(pointer->h, 8);
    EXPECT_NE(pointer->line[0][0], 0);
    EXPECT_EQ(pointer->line[0][pointer->w - 1], 0);
    EXPECT_EQ(pointer->line[pointer->h - 1][pointer->w - 1], 0);
    bool dark = false, light = false;
    for (int y = 0; y < pointer->h; y++) {
        for (int x = 0; x < pointer->w; x++) {
            int c = pointer->line[y][x];
            if (c == 0)
                continue;
            EXPECT_NE(ramp_of(c), -1) << "pixel " << x << ", " << y;
            int level = pal[c].r + pal[c].g + pal[c].b;
            dark = dark || level <= 30;
            light = light || level >= 150;
        }
    }
    EXPECT_TRUE(dark);
    EXPECT_TRUE(light);
    destroy_bitmap(pointer);
    free_polygon_model(&board);
    engine_down();
}

}  // namespace
