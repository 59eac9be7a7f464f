// Legacy model reader: turns a .dat file (a vertex count byte, three bytes
// x, z, y per vertex, a triangle count byte, four bytes per triangle) into a
// polygon model of flat triangles. Reads the file; writes the caller's model
// record only when the whole file has been found well formed.
#include "zelk.h"

#include <cstdio>

#include "model_open.h"

namespace {

// The largest file the two count bytes can describe: 255 vertices and 255
// triangles. Bytes beyond it are never part of the model.
constexpr int LEGACY_MAX_BYTES = 2 + 3 * 255 + 4 * 255;

// Every loaded model stands 2.5 units up the y axis.
constexpr fixed LOADED_YPOS = 0x28000;

// Palette index of each colour code, in the order of the 16 text-mode
// colours: black, blue, green, cyan, red, magenta, brown, light grey, dark
// grey, light blue, light green, light cyan, light red, light magenta,
// yellow, white.
constexpr int LEGACY_COLOURS[16] = {32, 88,  72, 136, 56, 120, 154, 45,
                                    39, 95,  79, 143, 63, 127, 111, 47};

} // namespace

// One coordinate byte in whole model units: 0 to 128 as they stand, 129 to
// 255 less 256. So the range is -127 to +128.
static fixed legacy_coordinate(unsigned char b)
{
    int units = b > 128 ? b - 256 : b;
    return units * 65536;
}

// Checks the bytes read against the limits of a well-formed file: both
// counts at least 1, every byte the counts announce present, every vertex
// index below the vertex count, every colour code from 0 to 15. Writes the
// cause of the first fault into why.
static bool legacy_bytes_fit(const unsigned char *bytes, int length, char *why, int why_size)
{
    if (length < 1) {
        std::snprintf(why, why_size, "the file is empty");
        return false;
    }
    int nv = bytes[0];
    if (nv < 1) {
        std::snprintf(why, why_size, "vertex count 0");
        return false;
    }
    int count_at = 1 + 3 * nv;
    if (length <= count_at) {
        std::snprintf(why, why_size, "the file ends inside the %d vertices", nv);
        return false;
    }
    int np = bytes[count_at];
    if (np < 1) {
        std::snprintf(why, why_size, "triangle count 0");
        return false;
    }
    for (int t = 0; t < np; t++) {
        int at = count_at + 1 + 4 * t;
        if (length < at + 4) {
            std::snprintf(why, why_size, "the file ends inside triangle %d of %d", t, np);
            return false;
        }
        for (int k = 0; k < 3; k++) {
            if (bytes[at + k] >= nv) {
                std::snprintf(why, why_size, "corner %d of triangle %d names vertex %d of %d", k,
                              t, bytes[at + k], nv);
                return false;
            }
        }
        if (bytes[at + 3] > 15) {
            std::snprintf(why, why_size, "triangle %d has colour code %d (0 to 15 allowed)", t,
                          bytes[at + 3]);
            return false;
        }
    }
    return true;
}

// Reads the legacy .dat file at path into the model. A path that cannot be
// opened, or that names no regular file, gives LOAD_NO_FILE; a file that
// breaks a limit of the format (a count of 0, a vertex index not below the
// vertex count, a colour code above 15, fewer bytes than the counts
// announce, a read error) gives LOAD_MALFORMED with the cause on standard
// error. In both cases the caller's record is left exactly as it was and
// nothing is allocated. Otherwise every triangle becomes a flat polygon
// (shading 1) of three corners, all three in the palette index of its colour
// code; the corner room is 4. The model stands at (0, 2.5, 0), unrotated,
// depth-sorted (sort_mode 4), transformed (transform_mode 4), with both
// faces drawn and its normals made. Bytes after the last triangle are
// ignored. Needs Allegro started, for the normals.
int load_legacy_model(polygon_model *model, const char *path)
{
    long long file_size = 0;
    std::FILE *f = open_model_file(path, &file_size);
    if (!f)
        return LOAD_NO_FILE;
    // The whole model fits in a small local buffer, so the file is read once
    // and checked and built from the same bytes.
    unsigned char bytes[LEGACY_MAX_BYTES];
    int length = static_cast<int>(std::fread(bytes, 1, sizeof bytes, f));
    bool read_failed = std::ferror(f) != 0;
    std::fclose(f);

    char why[160];
    if (read_failed)
        std::snprintf(why, sizeof why, "the file cannot be read");
    if (read_failed || !legacy_bytes_fit(bytes, length, why, sizeof why)) {
        std::fprintf(stderr, "zelk: %s: not a legacy model file: %s\n", path, why);
        return LOAD_MALFORMED;
    }

    int nv = bytes[0];
    int count_at = 1 + 3 * nv;
    int np = bytes[count_at];
    polygon_model built{};
    create_polygon_model(&built, nv, np, 4);
    built.num_vertices = nv;
    // Each vertex is stored x, z, y.
    for (int i = 0; i < nv; i++) {
        const unsigned char *e = &bytes[1 + 3 * i];
        built.vertices[i].x = legacy_coordinate(e[0]);
        built.vertices[i].z = legacy_coordinate(e[1]);
        built.vertices[i].y = legacy_coordinate(e[2]);
    }
    built.num_polygons = np;
    for (int t = 0; t < np; t++) {
        const unsigned char *e = &bytes[count_at + 1 + 4 * t];
        struct polygon *p = &built.polygons[t];
        int colour = LEGACY_COLOURS[e[3]];
        for (int k = 0; k < 3; k++) {
            p->vertex_ptrs[k] = &built.vertices[e[k]];
            p->corners[k].colour = colour;
        }
        p->num_corners = 3;
        p->shading = 1;
    }

    built.ypos = LOADED_YPOS;
    built.transform_mode = 4;
    built.backface_cull = 0;
    built.xrot = 0;
    built.yrot = 0;
    built.zrot = 0;
    built.xpos = 0;
    built.zpos = 0;
    built.sort_mode = 4;
    create_normals(&built);
    *model = built;
    return LOAD_OK;
}
