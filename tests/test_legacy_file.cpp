// The legacy .dat reader: the worked 15-byte file, the x, z, y byte order and
// the 128 rule, the colour-code table, the fixed settings, and a table of
// broken files that must be refused with the caller's record untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "scratch_files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

polygon_model marked_record()
{
    polygon_model m;
    std::memset(&m, 0xA5, sizeof m);
    return m;
}

bool same_record(const polygon_model &a, const polygon_model &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Three vertices and one triangle of colour code 5.
const bytes_t WORKED_FILE = {0x03, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00,
                             0x00, 0x0A, 0x01, 0x00, 0x01, 0x02, 0x05};

TEST(LegacyFile, WorkedFileGivesThreeVerticesAndOneTriangle)
{
    start_allegro_headless();
    std::string path = write_file("worked.dat", WORKED_FILE);
    polygon_model m = marked_record();
    ASSERT_EQ(load_legacy_model(&m, path.c_str()), LOAD_OK);
    ASSERT_EQ(m.num_vertices, 3);
    ASSERT_EQ(m.num_polygons, 1);
    const fixed expected[3][3] = {{0, 0, 0}, {itofix(10), 0, 0}, {0, itofix(10), 0}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m.vertices[i].x, expected[i][0]) << "vertex " << i;
        EXPECT_EQ(m.vertices[i].y, expected[i][1]) << "vertex " << i;
        EXPECT_EQ(m.vertices[i].z, expected[i][2]) << "vertex " << i;
    }
    const struct polygon &p = m.polygons[0];
    EXPECT_EQ(p.num_corners, 3);
    EXPECT_EQ(p.shading, 1);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(p.vertex_ptrs[k], &m.vertices[k]);
        EXPECT_EQ(p.corners[k].colour, 120);
    }
    // Fixed settings of every legacy model.
    EXPECT_EQ(m.ypos, 0x28000);
    EXPECT_EQ(m.transform_mode, 4);
    EXPECT_EQ(m.backface_cull, 0);
    EXPECT_EQ(m.sort_mode, 4);
    EXPECT_EQ(m.xrot, 0);
    EXPECT_EQ(m.yrot, 0);
    EXPECT_EQ(m.zrot, 0);
    EXPECT_EQ(m.xpos, 0);
    EXPECT_EQ(m.zpos, 0);
    // Corner 0 at the origin: unit normal of (-10, 0, 0) x (0, -10, 0).
    EXPECT_EQ(p.normals[0].x, 0);
    EXPECT_EQ(p.normals[0].y, 0);
    EXPECT_EQ(p.normals[0].z, itofix(1));
    free_polygon_model(&m);
}

struct vertex_bytes_case {
    unsigned char b[3];  // as stored: x, z, y
    int x, y, z;         // whole units
};

TEST(LegacyFile, VertexBytesAreXZYWith128Positive)
{
    start_allegro_headless();
    const vertex_bytes_case cases[] = {
        {{0x0A, 0x14, 0xFB}, 10, -5, 20},
        {{0x80, 0x81, 0xFF}, 128, -1, -127},
        {{0x7F, 0x00, 0x01}, 127, 1, 0},
        {{0xFF, 0x80, 0x81}, -1, -127, 128},
    };
    for (const vertex_bytes_case &c : cases) {
        bytes_t bytes = {0x01, c.b[0], c.b[1], c.b[2], 0x01, 0x00, 0x00, 0x00, 0x0F};
        std::string path = write_file("vertex.dat", bytes);
        polygon_model m = marked_record();
        ASSERT_EQ(load_legacy_model(&m, path.c_str()), LOAD_OK);
        EXPECT_EQ(m.vertices[0].x, itofix(c.x)) << int(c.b[0]);
        EXPECT_EQ(m.vertices[0].y, itofix(c.y)) << int(c.b[2]);
        EXPECT_EQ(m.vertices[0].z, itofix(c.z)) << int(c.b[1]);
        free_polygon_model(&m);
    }
}

TEST(LegacyFile, EveryColourCodeHasItsPaletteIndex)
{
    start_allegro_headless();
    const int palette_index[16] = {32, 88, 72, 136, 56, 120, 154, 45,
                                   39, 95, 79, 143, 63, 127, 111, 47};
    bytes_t bytes = {3, 0, 0, 0, 10, 0, 0, 0, 0, 10, 16};
    for (int code = 0; code < 16; code++)
        bytes.insert(bytes.end(), {2, 1, 0, static_cast<unsigned char>(code)});
    std::string path = write_file("colours.dat", bytes);
    polygon_model m = marked_record();
    ASSERT_EQ(load_legacy_model(&m, path.c_str()), LOAD_OK);
    ASSERT_EQ(m.num_polygons, 16);
    for (int code = 0; code < 16; code++) {
        const struct polygon &p = m.polygons[code];
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(p.corners[k].colour, palette_index[code]) << "code " << code;
        EXPECT_EQ(p.vertex_ptrs[0], &m.vertices[2]);
        EXPECT_EQ(p.vertex_ptrs[2], &m.vertices[0]);
    }
    free_polygon_model(&m);
}

TEST(LegacyFile, BytesAfterTheLastTriangleAreIgnored)
{
    start_allegro_headless();
    bytes_t bytes = WORKED_FILE;
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0x42});
    std::string path = write_file("trailer.dat", bytes);
    polygon_model m = marked_record();
    ASSERT_EQ(load_legacy_model(&m, path.c_str()), LOAD_OK);
    EXPECT_EQ(m.num_polygons, 1);
    EXPECT_EQ(m.polygons[0].corners[0].colour, 120);
    free_polygon_model(&m);
}

TEST(LegacyFile, LargestCountsAreRead)
{
    start_allegro_headless();
    bytes_t bytes = {255};
    for (int i = 0; i < 255; i++)
        bytes.insert(bytes.end(), {static_cast<unsigned char>(i), 0, 0});
    bytes.push_back(255);
    for (int t = 0; t < 255; t++)
        bytes.insert(bytes.end(), {static_cast<unsigned char>(t), 254, 0, 15});
    std::string path = write_file("largest.dat", bytes);
    polygon_model m = marked_record();
    ASSERT_EQ(load_legacy_model(&m, path.c_str()), LOAD_OK);
    EXPECT_EQ(m.num_vertices, 255);
    EXPECT_EQ(m.num_polygons, 255);
    EXPECT_EQ(m.vertices[254].x, itofix(-2));
    EXPECT_EQ(m.polygons[254].vertex_ptrs[0], &m.vertices[254]);
    EXPECT_EQ(m.polygons[254].corners[2].colour, 47);
    free_polygon_model(&m);
}

struct broken_dat {
    const char *name;
    bytes_t bytes;
};

TEST(LegacyFile, BrokenFilesAreRefusedWithTheRecordUntouched)
{
    start_allegro_headless();
    const broken_dat cases[] = {
        {"empty file", {}},
        {"vertex count 0", {0x00, 0x01, 0x00, 0x00, 0x00, 0x00}},
        {"cut inside the vertices", {0x03, 0, 0, 0, 10, 0}},
        {"no triangle count", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10}},
        {"triangle count 0", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x00}},
        {"no triangle", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01}},
        {"cut inside the triangle", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 1}},
        {"colour code missing", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 1, 2}},
        {"second triangle missing", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x02, 0, 1, 2, 5}},
        {"vertex index equal to the count", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 3, 2, 5}},
        {"vertex index 255", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 1, 255, 5}},
        {"colour code 16", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 1, 2, 16}},
        {"colour code 255", {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x01, 0, 1, 2, 255}},
        {"counts of 255 in a short file", {0xFF, 0, 0, 0, 0xFF}},
        {"bad second triangle",
         {0x03, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0x02, 0, 1, 2, 5, 0, 1, 9, 5}},
    };
    for (const broken_dat &c : cases) {
        std::string path = write_file("broken.dat", c.bytes);
        polygon_model m = marked_record();
        const polygon_model before = m;
        EXPECT_EQ(load_legacy_model(&m, path.c_str()), LOAD_MALFORMED) << c.name;
        EXPECT_TRUE(same_record(m, before)) << c.name;
    }
}

// Random damage to a small file: changed bytes and cut tails. Every result
// is either a model of triangles within bounds or a refusal with the record
// untouched; the sanitizer build checks the rest.
TEST(LegacyFile, RandomlyDamagedFilesNeverBreakTheReader)
{
    start_allegro_headless();
    const bytes_t good = {4, 0,  0, 0, 10, 0, 0, 0, 0, 10, 0xF6, 0x80, 0x81,
                          3, 0, 1, 2, 5,  1, 2, 3, 15, 3, 2, 0, 0};
    std::mt19937 rng(54321);
    int loaded = 0, refused = 0;
    for (int round = 0; round < 400; round++) {
        bytes_t bytes = good;
        int damage = 1 + static_cast<int>(rng() % 3);
        for (int d = 0; d < damage && !bytes.empty(); d++) {
            if (rng() % 4 == 0)
                bytes.resize(rng() % (bytes.size() + 1));
            else
                bytes[rng() % bytes.size()] = static_cast<unsigned char>(rng() % 20);
        }
        std::string path = write_file("damaged.dat", bytes);
        polygon_model m = marked_record();
        const polygon_model before = m;
        int result = load_legacy_model(&m, path.c_str());
        if (result == LOAD_OK) {
            loaded++;
            ASSERT_GE(m.num_vertices, 1);
            ASSERT_GE(m.num_polygons, 1);
            for (int t = 0; t < m.num_polygons; t++) {
                const struct polygon &p = m.polygons[t];
                EXPECT_EQ(p.num_corners, 3);
                for (int k = 0; k < 3; k++) {
                    EXPECT_GE(p.vertex_ptrs[k], m.vertices);
                    EXPECT_LT(p.vertex_ptrs[k], m.vertices + m.num_vertices);
                }
            }
            free_polygon_model(&m);
        } else {
            refused++;
            EXPECT_EQ(result, LOAD_MALFORMED);
            EXPECT_TRUE(same_record(m, before));
        }
    }
    // Both outcomes are exercised.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

TEST(LegacyFile, PathsThatHoldNoFileGiveNoFile)
{
    start_allegro_headless();
    const std::string missing = (scratch_dir() / "missing.dat").string();
    const std::string directory = (scratch_dir() / "a-directory.dat").string();
    fs::create_directories(directory);
    const std::string paths[] = {missing, directory, ""};
    for (const std::string &path : paths) {
        polygon_model m = marked_record();
        const polygon_model before = m;
        EXPECT_EQ(load_legacy_model(&m, path.c_str()), LOAD_NO_FILE) << path;
        EXPECT_TRUE(same_record(m, before)) << path;
    }
    polygon_model m = marked_record();
    const polygon_model before = m;
    EXPECT_EQ(load_legacy_model(&m, nullptr), LOAD_NO_FILE);
    EXPECT_TRUE(same_record(m, before));
}

} // namespace
