// Model file reader: turns a .mdl file (little-endian words: a seven-word
// header, 15-word vertex records, polygon records of two words plus four
// per corner) into a polygon model. Reads the file; writes the caller's model
// record only when the whole file has been found well formed.
#include "zelk.h"

#include <cstdint>
#include <cstdio>

#include "model_open.h"

namespace {

constexpr long long HEADER_BYTES = 7 * 4;
constexpr long long VERTEX_BYTES = 15 * 4;
constexpr long long POLYGON_HEAD_BYTES = 2 * 4;
constexpr long long CORNER_BYTES = 4 * 4;

// Every loaded model stands 2.5 units up the y axis.
constexpr fixed LOADED_YPOS = 0x28000;

// The header words that the reader keeps; the first two words are ignored.
struct mdl_header {
    int num_vertices;    // vertex records that follow the header
    int num_polygons;    // polygon records that follow the vertices
    int max_corners;     // corner room of every polygon
    int backface_cull;   // stored as read: any non-zero value culls
    int transform_mode;  // stored as read
};

// Why a file was refused, for the message on standard error.
struct fault {
    char text[160];  // one line naming the first limit broken; written by the checks
};

} // namespace

// True once a read has run past the end of the file or failed: from then on
// fgetc gives EOF and the words read are not the file's.
static bool read_ended(std::FILE *f)
{
    return std::feof(f) || std::ferror(f);
}

static void read_header(std::FILE *f, mdl_header *h)
{
    get_int(f);
    get_int(f);
    h->num_vertices = get_int(f);
    h->num_polygons = get_int(f);
    h->max_corners = get_int(f);
    h->backface_cull = get_int(f);
    h->transform_mode = get_int(f);
}

// Checks the header against the limits of a well-formed file and against the
// file's size, before anything is allocated: the smallest file the counts
// allow (every polygon a triangle) must fit in the size, so a hostile count
// is refused at once. Sizes are worked out in 64 bits, where no count can
// overflow them.
static bool header_fits(const mdl_header *h, long long file_size, fault *why)
{
    if (file_size < HEADER_BYTES) {
        std::snprintf(why->text, sizeof why->text,
                      "the file ends inside the header (%lld of %lld bytes)", file_size,
                      HEADER_BYTES);
        return false;
    }
    if (h->num_vertices < 1 || h->num_polygons < 1) {
        std::snprintf(why->text, sizeof why->text,
                      "%d vertices and %d polygons (at least 1 of each needed)", h->num_vertices,
                      h->num_polygons);
        return false;
    }
    if (h->max_corners < 3 || h->max_corners > MAX_CORNERS) {
        std::snprintf(why->text, sizeof why->text, "corner capacity %d is not from 3 to %d",
                      h->max_corners, MAX_CORNERS);
        return false;
    }
    long long least = HEADER_BYTES + VERTEX_BYTES * h->num_vertices +
                      (POLYGON_HEAD_BYTES + 3 * CORNER_BYTES) * h->num_polygons;
    if (least > file_size) {
        std::snprintf(why->text, sizeof why->text,
                      "%d vertices and %d polygons need at least %lld bytes, the file has %lld",
                      h->num_vertices, h->num_polygons, least, file_size);
        return false;
    }
    return true;
}

// Walks the vertex and polygon records that follow the header and checks
// every limit on the way: corner counts from 3 to the capacity, vertex
// indexes below the vertex count, no word past the end of the file. With
// model null the records are read into scratch records and only checked;
// with a model created for the header's counts they are stored in it. The
// checks run in both walks, so a file changed between them cannot make the
// second walk write outside the model's arrays.
static bool read_records(std::FILE *f, const mdl_header *h, polygon_model *model, fault *why)
{
    vertex scratch_vertex;
    for (int i = 0; i < h->num_vertices; i++) {
        read_vertex(model ? &model->vertices[i] : &scratch_vertex, f);
        if (read_ended(f)) {
            std::snprintf(why->text, sizeof why->text, "the file ends inside vertex %d of %d",
                          i, h->num_vertices);
            return false;
        }
    }
    corner scratch_corner;
    for (int i = 0; i < h->num_polygons; i++) {
        int n = get_int(f);
        int shading = get_int(f);
        if (read_ended(f)) {
            std::snprintf(why->text, sizeof why->text, "the file ends inside polygon %d of %d",
                          i, h->num_polygons);
            return false;
        }
        if (n < 3 || n > h->max_corners) {
            std::snprintf(why->text, sizeof why->text,
                          "polygon %d has %d corners (3 to %d allowed)", i, n, h->max_corners);
            return false;
        }
        struct polygon *p = model ? &model->polygons[i] : nullptr;
        if (p) {
            p->num_corners = n;
            p->shading = shading;
        }
        for (int j = 0; j < n; j++) {
            read_corner(p ? &p->corners[j] : &scratch_corner, f);
            int index = get_int(f);
            if (read_ended(f)) {
                std::snprintf(why->text, sizeof why->text,
                              "the file ends inside corner %d of polygon %d", j, i);
                return false;
            }
            if (index < 0 || index >= h->num_vertices) {
                std::snprintf(why->text, sizeof why->text,
                              "corner %d of polygon %d names vertex %d of %d", j, i, index,
                              h->num_vertices);
                return false;
            }
            if (p)
                p->vertex_ptrs[j] = &model->vertices[index];
        }
    }
    return true;
}

// Reads four bytes with four fgetc calls, the first the least significant.
// Each byte is used as fgetc gives it, so a byte past the end (EOF, -1) sets
// every bit from its own place upward and a word wholly past the end is -1.
// The word is put together in unsigned arithmetic, where the top byte's
// shift is defined, and read back as the signed 32-bit word it stores.
int get_int(FILE *f)
{
    uint32_t b0 = static_cast<uint32_t>(std::fgetc(f));
    uint32_t b1 = static_cast<uint32_t>(std::fgetc(f));
    uint32_t b2 = static_cast<uint32_t>(std::fgetc(f));
    uint32_t b3 = static_cast<uint32_t>(std::fgetc(f));
    return static_cast<int>(b0 | b1 << 8 | b2 << 16 | b3 << 24);
}

// Reads one 15-word vertex record: words 1 to 3 are the object-space x, y,
// z, words 10 to 12 the camera-space cx, cy, cz that a project-only model
// draws from. Words 4 to 9 and 13 to 15 are consumed and dropped; sx and sy
// are not touched. Past the end of the file the words read as -1.
void read_vertex(vertex *v, FILE *f)
{
    v->x = get_int(f);
    v->y = get_int(f);
    v->z = get_int(f);
    for (int i = 0; i < 6; i++)
        get_int(f);
    v->cx = get_int(f);
    v->cy = get_int(f);
    v->cz = get_int(f);
    for (int i = 0; i < 3; i++)
        get_int(f);
}

// Reads a corner's colour and then its two aux words. The vertex index that
// follows them in the file is the caller's to read.
void read_corner(corner *c, FILE *f)
{
    c->colour = get_int(f);
    c->aux[0] = get_int(f);
    c->aux[1] = get_int(f);
}

// Reads the .mdl file at path into the model. The file is opened with mode
// "rb"; a path that cannot be opened, or that names no regular file, gives
// LOAD_NO_FILE. The header and every record are then checked in a first
// walk that allocates nothing; a file that breaks a limit (counts below 1, a
// corner capacity outside 3 to MAX_CORNERS, a corner count outside 3 to the
// capacity, a vertex index outside the table, fewer bytes than announced)
// gives LOAD_MALFORMED with the cause on standard error. Only then is the
// model created and filled in a second walk. In both failure cases the
// caller's record is left exactly as it was and nothing stays allocated.
// A read model stands at (0, 2.5, 0), unrotated, depth-sorted (sort_mode
// 4), with the file's back-face flag and transform mode and its normals
// made; bytes after the last polygon are ignored. Needs Allegro started,
// for the normals.
int load_model(polygon_model *model, const char *path)
{
    long long file_size = 0;
    std::FILE *f = open_model_file(path, &file_size);
    if (!f)
        return LOAD_NO_FILE;

    mdl_header h;
    fault why;
    read_header(f, &h);
    bool ok = header_fits(&h, file_size, &why) && read_records(f, &h, nullptr, &why);

    polygon_model built{};
    if (ok) {
        if (std::fseek(f, HEADER_BYTES, SEEK_SET) != 0) {
            std::snprintf(why.text, sizeof why.text, "the file cannot be read again");
            ok = false;
        }
    }
    if (ok) {
        create_polygon_model(&built, h.num_vertices, h.num_polygons, h.max_corners);
        built.num_vertices = h.num_vertices;
        built.num_polygons = h.num_polygons;
        built.backface_cull = h.backface_cull;
        built.transform_mode = h.transform_mode;
        ok = read_records(f, &h, &built, &why);
        if (!ok)
            free_polygon_model(&built);
    }
    std::fclose(f);
    if (!ok) {
        std::fprintf(stderr, "zelk: %s: not a model file: %s\n", path, why.text);
        return LOAD_MALFORMED;
    }

    built.ypos = LOADED_YPOS;
    built.sort_mode = 4;
    built.zpos = 0;
    built.xrot = 0;
    built.yrot = 0;
    built.zrot = 0;
    built.xpos = 0;
    create_normals(&built);
    *model = built;
    return LOAD_OK;
}
