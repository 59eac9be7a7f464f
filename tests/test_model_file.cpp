// The .mdl reader: its word, vertex and corner readers, a small triangle file
// read field by field, and a table of broken files that must be refused with
// the caller's record untouched and nothing allocated.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "scratch_files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// An open stream holding exactly these bytes.
std::FILE *stream_of(const bytes_t &bytes)
{
    std::FILE *f = std::tmpfile();
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

bytes_t little_endian(const std::vector<int32_t> &words)
{
    bytes_t out;
    for (int32_t w : words) {
        uint32_t u = static_cast<uint32_t>(w);
        for (int k = 0; k < 4; k++)
            out.push_back(static_cast<unsigned char>(u >> (8 * k)));
    }
    return out;
}

// Builds a .mdl file word by word.
struct mdl_words {
    std::vector<int32_t> w;
};

void add_header(mdl_words *m, int nv, int np, int cap, int cull, int tmode)
{
    m->w.insert(m->w.end(), {int32_t(0xDEADBEEF), -5, nv, np, cap, cull, tmode});
}

// A vertex record whose six and three dropped words hold noise.
void add_vertex(mdl_words *m, fixed x, fixed y, fixed z, fixed cx, fixed cy, fixed cz)
{
    m->w.insert(m->w.end(), {x, y, z, 11, 12, 13, 14, 15, 16, cx, cy, cz, 17, 18, 19});
}

void add_polygon(mdl_words *m, int n, int shading)
{
    m->w.insert(m->w.end(), {n, shading});
}

void add_corner(mdl_words *m, int colour, int aux0, int aux1, int index)
{
    m->w.insert(m->w.end(), {colour, aux0, aux1, index});
}

// Three vertices and one Gouraud triangle: the 264-byte file.
mdl_words triangle_file()
{
    mdl_words m;
    add_header(&m, 3, 1, 3, 7, 2);
    add_vertex(&m, 0, 0, 0, 100, 200, 300);
    add_vertex(&m, itofix(1), 0, 0, 101, 201, 301);
    add_vertex(&m, 0, itofix(1), 0, 102, 202, 302);
    add_polygon(&m, 3, 2);
    add_corner(&m, itofix(40), 1, 2, 0);
    add_corner(&m, itofix(50), 3, 4, 1);
    add_corner(&m, itofix(60), 5, 6, 2);
    return m;
}

// Word positions inside triangle_file().
constexpr int W_NV = 2, W_NP = 3, W_CAP = 4, W_POLY_N = 52, W_INDEX0 = 57, W_INDEX2 = 65;

// A record full of a pattern that no loader writes, to see it untouched.
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

struct word_case {
    bytes_t bytes;
    int expected;
};

TEST(ModelWords, GetIntAssemblesLittleEndianAndSignExtendsEof)
{
    const word_case cases[] = {
        {{0x00, 0x00, 0x02, 0x00}, 0x20000},  // 2.0 as fixed
        {{0x01, 0x02, 0x03, 0x04}, 0x04030201},
        {{0xFF, 0xFF, 0xFF, 0x7F}, INT_MAX},
        {{0x00, 0x00, 0x00, 0x80}, INT_MIN},
        {{0xFE, 0xFF, 0xFF, 0xFF}, -2},
        {{}, -1},                                        // wholly past the end
        {{0x12}, int32_t(0xFFFFFF12)},                   // EOF sets bits 8 and up
        {{0x12, 0x34}, int32_t(0xFFFF3412)},
        {{0x12, 0x34, 0x56}, int32_t(0xFF563412)},
        {{0x00, 0x00, 0x00}, int32_t(0xFF000000)},
    };
    for (const word_case &c : cases) {
        std::FILE *f = stream_of(c.bytes);
        EXPECT_EQ(get_int(f), c.expected) << "bytes: " << c.bytes.size();
        std::fclose(f);
    }
}

TEST(ModelWords, GetIntReadsFourBytesAtATime)
{
    std::FILE *f = stream_of({1, 0, 0, 0, 2, 0, 0, 0, 3});
    EXPECT_EQ(get_int(f), 1);
    EXPECT_EQ(get_int(f), 2);
    EXPECT_EQ(std::ftell(f), 8);
    std::fclose(f);
}

TEST(ModelWords, ReadVertexKeepsWordsOneToThreeAndTenToTwelve)
{
    std::vector<int32_t> words;
    for (int i = 1; i <= 15; i++)
        words.push_back(i * 1000 + i);
    words.push_back(77);  // the next record's first word
    std::FILE *f = stream_of(little_endian(words));
    vertex v;
    v.sx = 123;
    v.sy = 456;
    read_vertex(&v, f);
    EXPECT_EQ(v.x, 1001);
    EXPECT_EQ(v.y, 2002);
    EXPECT_EQ(v.z, 3003);
    EXPECT_EQ(v.cx, 10010);
    EXPECT_EQ(v.cy, 11011);
    EXPECT_EQ(v.cz, 12012);
    EXPECT_EQ(v.sx, 123);
    EXPECT_EQ(v.sy, 456);
    EXPECT_EQ(get_int(f), 77);
    std::fclose(f);
}

TEST(ModelWords, ReadCornerTakesColourThenTwoAuxWordsAndLeavesTheIndex)
{
    std::FILE *f = stream_of(little_endian({itofix(9), -1, 65536, 4}));
    corner c;
    read_corner(&c, f);
    EXPECT_EQ(c.colour, itofix(9));
    EXPECT_EQ(c.aux[0], -1);
    EXPECT_EQ(c.aux[1], 65536);
    EXPECT_EQ(get_int(f), 4);
    std::fclose(f);
}

TEST(ModelFile, TriangleFileIsReadFieldByField)
{
    start_allegro_headless();
    bytes_t bytes = little_endian(triangle_file().w);
    ASSERT_EQ(bytes.size(), 264u);
    std::string path = write_file("triangle.mdl", bytes);

    polygon_model m = marked_record();
    ASSERT_EQ(load_model(&m, path.c_str()), LOAD_OK);
    EXPECT_EQ(m.num_vertices, 3);
    EXPECT_EQ(m.num_polygons, 1);
    EXPECT_EQ(m.backface_cull, 7);
    EXPECT_EQ(m.transform_mode, 2);
    EXPECT_EQ(m.sort_mode, 4);
    EXPECT_EQ(m.ypos, 0x28000);
    EXPECT_EQ(m.xpos, 0);
    EXPECT_EQ(m.zpos, 0);
    EXPECT_EQ(m.xrot, 0);
    EXPECT_EQ(m.yrot, 0);
    EXPECT_EQ(m.zrot, 0);

    const fixed expected_pos[3][6] = {
        {0, 0, 0, 100, 200, 300},
        {itofix(1), 0, 0, 101, 201, 301},
        {0, itofix(1), 0, 102, 202, 302},
    };
    for (int i = 0; i < 3; i++) {
        const vertex &v = m.vertices[i];
        const fixed got[6] = {v.x, v.y, v.z, v.cx, v.cy, v.cz};
        for (int k = 0; k < 6; k++)
            EXPECT_EQ(got[k], expected_pos[i][k]) << "vertex " << i << " word " << k;
    }

    const struct polygon &p = m.polygons[0];
    EXPECT_EQ(p.num_corners, 3);
    EXPECT_EQ(p.shading, 2);
    const int expected_corner[3][3] = {{itofix(40), 1, 2}, {itofix(50), 3, 4}, {itofix(60), 5, 6}};
    for (int j = 0; j < 3; j++) {
        EXPECT_EQ(p.vertex_ptrs[j], &m.vertices[j]);
        EXPECT_EQ(p.corners[j].colour, expected_corner[j][0]);
        EXPECT_EQ(p.corners[j].aux[0], expected_corner[j][1]);
        EXPECT_EQ(p.corners[j].aux[1], expected_corner[j][2]);
    }
    // Corner 0 lies at the origin: its normal is the unit z of the winding.
    EXPECT_EQ(p.normals[0].x, 0);
    EXPECT_EQ(p.normals[0].y, 0);
    EXPECT_EQ(p.normals[0].z, itofix(1));
    free_polygon_model(&m);
}

TEST(ModelFile, SharedIndexesMixedCornerCountsAndTrailingBytes)
{
    start_allegro_headless();
    mdl_words w;
    add_header(&w, 4, 2, 4, 0, 4);
    add_vertex(&w, 0, 0, 0, 0, 0, 0);
    add_vertex(&w, itofix(2), 0, 0, 0, 0, 0);
    add_vertex(&w, itofix(2), itofix(2), 0, 0, 0, 0);
    add_vertex(&w, 0, itofix(2), 0, 0, 0, 0);
    add_polygon(&w, 4, 0);
    for (int j = 0; j < 4; j++)
        add_corner(&w, 10 + j, 0, 0, j);
    add_polygon(&w, 3, 1);
    add_corner(&w, 20, 0, 0, 2);
    add_corner(&w, 21, 0, 0, 3);
    add_corner(&w, 22, 0, 0, 2);
    w.w.push_back(0x55555555);  // ignored trailer
    std::string path = write_file("quad.mdl", little_endian(w.w));

    polygon_model m = marked_record();
    ASSERT_EQ(load_model(&m, path.c_str()), LOAD_OK);
    EXPECT_EQ(m.backface_cull, 0);
    EXPECT_EQ(m.transform_mode, 4);
    EXPECT_EQ(m.polygons[0].num_corners, 4);
    EXPECT_EQ(m.polygons[0].vertex_ptrs[3], &m.vertices[3]);
    EXPECT_EQ(m.polygons[0].corners[3].colour, 13);
    EXPECT_EQ(m.polygons[1].num_corners, 3);
    EXPECT_EQ(m.polygons[1].shading, 1);
    EXPECT_EQ(m.polygons[1].vertex_ptrs[0], m.polygons[1].vertex_ptrs[2]);
    EXPECT_EQ(m.polygons[1].vertex_ptrs[0], &m.vertices[2]);
    free_polygon_model(&m);
}

TEST(ModelFile, LargestPolygonTheEngineDrawsIsAccepted)
{
    start_allegro_headless();
    mdl_words w;
    add_header(&w, MAX_CORNERS, 1, MAX_CORNERS, 1, 4);
    for (int i = 0; i < MAX_CORNERS; i++)
        add_vertex(&w, itofix(i), itofix(i * i), 0, 0, 0, 0);
    add_polygon(&w, MAX_CORNERS, 0);
    for (int j = 0; j < MAX_CORNERS; j++)
        add_corner(&w, 1, 0, 0, MAX_CORNERS - 1 - j);
    std::string path = write_file("big.mdl", little_endian(w.w));
    polygon_model m = marked_record();
    ASSERT_EQ(load_model(&m, path.c_str()), LOAD_OK);
    EXPECT_EQ(m.polygons[0].num_corners, MAX_CORNERS);
    EXPECT_EQ(m.polygons[0].vertex_ptrs[0], &m.vertices[MAX_CORNERS - 1]);
    free_polygon_model(&m);
}

// One broken file: the triangle file with one word replaced and/or cut
// short after `keep` bytes (-1 keeps every byte).
struct broken_mdl {
    const char *name;
    int word;   // word to replace, -1 for none
    int value;  // its new value
    int keep;   // bytes kept, -1 for all
};

TEST(ModelFile, BrokenFilesAreRefusedWithTheRecordUntouched)
{
    start_allegro_headless();
    const broken_mdl cases[] = {
        {"empty file", -1, 0, 0},
        {"header cut short", -1, 0, 20},
        {"header only", -1, 0, 28},
        {"cut inside the first vertex", -1, 0, 50},
        {"cut inside the last vertex", -1, 0, 28 + 60 * 3 - 1},
        {"no polygon after the vertices", -1, 0, 28 + 60 * 3},
        {"cut inside the polygon head", -1, 0, 28 + 60 * 3 + 6},
        {"cut inside a corner", -1, 0, 28 + 60 * 3 + 8 + 20},
        {"cut inside the last vertex index", -1, 0, 263},
        {"vertex count 0", W_NV, 0, -1},
        {"vertex count negative", W_NV, -3, -1},
        {"vertex count huge", W_NV, INT_MAX, -1},
        {"vertex count too big for the file", W_NV, 4, -1},
        {"polygon count 0", W_NP, 0, -1},
        {"polygon count negative", W_NP, INT_MIN, -1},
        {"polygon count huge", W_NP, 0x40000000, -1},
        {"polygon count too big for the file", W_NP, 2, -1},
        {"corner capacity 0", W_CAP, 0, -1},
        {"corner capacity 2", W_CAP, 2, -1},
        {"corner capacity above the drawable", W_CAP, MAX_CORNERS + 1, -1},
        {"corner capacity huge", W_CAP, INT_MAX, -1},
        {"corner capacity negative", W_CAP, -1, -1},
        {"corner count 0", W_POLY_N, 0, -1},
        {"corner count 2", W_POLY_N, 2, -1},
        {"corner count negative", W_POLY_N, -4, -1},
        {"corner count above the capacity", W_POLY_N, 4, -1},
        {"vertex index equal to the count", W_INDEX0, 3, -1},
        {"vertex index negative", W_INDEX0, -1, -1},
        {"last vertex index huge", W_INDEX2, INT_MAX, -1},
    };
    for (const broken_mdl &c : cases) {
        std::vector<int32_t> words = triangle_file().w;
        if (c.word >= 0)
            words[c.word] = c.value;
        bytes_t bytes = little_endian(words);
        if (c.keep >= 0)
            bytes.resize(c.keep);
        std::string path = write_file("broken.mdl", bytes);
        polygon_model m = marked_record();
        const polygon_model before = m;
        EXPECT_EQ(load_model(&m, path.c_str()), LOAD_MALFORMED) << c.name;
        EXPECT_TRUE(same_record(m, before)) << c.name;
    }
}

TEST(ModelFile, SecondPolygonBrokenLeavesNothingHalfBuilt)
{
    start_allegro_headless();
    mdl_words w;
    add_header(&w, 3, 2, 3, 0, 4);
    add_vertex(&w, 0, 0, 0, 0, 0, 0);
    add_vertex(&w, itofix(1), 0, 0, 0, 0, 0);
    add_vertex(&w, 0, itofix(1), 0, 0, 0, 0);
    add_polygon(&w, 3, 0);
    for (int j = 0; j < 3; j++)
        add_corner(&w, 1, 0, 0, j);
    add_polygon(&w, 3, 0);
    add_corner(&w, 1, 0, 0, 0);
    add_corner(&w, 1, 0, 0, 1);
    add_corner(&w, 1, 0, 0, 7);
    std::string path = write_file("second.mdl", little_endian(w.w));
    polygon_model m = marked_record();
    const polygon_model before = m;
    EXPECT_EQ(load_model(&m, path.c_str()), LOAD_MALFORMED);
    EXPECT_TRUE(same_record(m, before));
}

TEST(ModelFile, PathsThatHoldNoFileGiveNoFile)
{
    start_allegro_headless();
    const std::string missing = (scratch_dir() / "missing.mdl").string();
    const std::string directory = (scratch_dir() / "a-directory.mdl").string();
    fs::create_directories(directory);
    const std::string paths[] = {missing, directory, ""};
    for (const std::string &path : paths) {
        polygon_model m = marked_record();
        const polygon_model before = m;
        EXPECT_EQ(load_model(&m, path.c_str()), LOAD_NO_FILE) << path;
        EXPECT_TRUE(same_record(m, before)) << path;
    }
    polygon_model m = marked_record();
    const polygon_model before = m;
    EXPECT_EQ(load_model(&m, nullptr), LOAD_NO_FILE);
    EXPECT_TRUE(same_record(m, before));
}

// Whatever a loaded model holds, it keeps the limits the renderer relies on.
void expect_model_in_bounds(const polygon_model &m, int max_corners)
{
    ASSERT_GE(m.num_vertices, 1);
    ASSERT_GE(m.num_polygons, 1);
    for (int i = 0; i < m.num_polygons; i++) {
        const struct polygon &p = m.polygons[i];
        ASSERT_GE(p.num_corners, 3);
        ASSERT_LE(p.num_corners, max_corners);
        for (int j = 0; j < p.num_corners; j++) {
            EXPECT_GE(p.vertex_ptrs[j], m.vertices);
            EXPECT_LT(p.vertex_ptrs[j], m.vertices + m.num_vertices);
        }
    }
}

// Random damage to a two-polygon file: changed bytes, cut tails and words
// set to extreme values. Every result is either a model within bounds or a
// refusal with the record untouched; the sanitizer build checks the rest.
TEST(ModelFile, RandomlyDamagedFilesNeverBreakTheReader)
{
    start_allegro_headless();
    mdl_words w;
    add_header(&w, 4, 2, 4, 1, 4);
    for (int i = 0; i < 4; i++)
        add_vertex(&w, itofix(i), itofix(i & 1), itofix(i >> 1), 0, 0, 0);
    add_polygon(&w, 4, 2);
    for (int j = 0; j < 4; j++)
        add_corner(&w, itofix(j), 0, 0, j);
    add_polygon(&w, 3, 0);
    for (int j = 0; j < 3; j++)
        add_corner(&w, 5, 0, 0, 3 - j);
    const bytes_t good = little_endian(w.w);
    const int32_t extremes[] = {0, 1, 2, 3, 4, 5, 16, 17, -1, INT_MIN, INT_MAX, 0x10000};

    std::mt19937 rng(12345);
    int loaded = 0, refused = 0;
    for (int round = 0; round < 400; round++) {
        bytes_t bytes = good;
        int damage = 1 + static_cast<int>(rng() % 3);
        for (int d = 0; d < damage; d++) {
            switch (rng() % 3) {
            case 0:
                bytes[rng() % bytes.size()] = static_cast<unsigned char>(rng());
                break;
            case 1: {
                size_t word = rng() % (bytes.size() / 4);
                bytes_t e = little_endian({extremes[rng() % std::size(extremes)]});
                std::copy(e.begin(), e.end(), bytes.begin() + 4 * word);
                break;
            }
            default:
                bytes.resize(rng() % (bytes.size() + 1));
                break;
            }
            if (bytes.size() < 4)
                break;
        }
        std::string path = write_file("damaged.mdl", bytes);
        polygon_model m = marked_record();
        const polygon_model before = m;
        int result = load_model(&m, path.c_str());
        if (result == LOAD_OK) {
            loaded++;
            expect_model_in_bounds(m, MAX_CORNERS);
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

TEST(ModelFile, RecordCanBeLoadedAgainAfterRelease)
{
    start_allegro_headless();
    std::string path = write_file("again.mdl", little_endian(triangle_file().w));
    polygon_model m = marked_record();
    for (int round = 0; round < 2; round++) {
        ASSERT_EQ(load_model(&m, path.c_str()), LOAD_OK);
        EXPECT_EQ(m.polygons[0].vertex_ptrs[2], &m.vertices[2]);
        free_polygon_model(&m);
    }
}

} // namespace
