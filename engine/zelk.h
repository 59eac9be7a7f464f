// ZELK: a small software 3D engine for 8-bit palette bitmaps on Allegro 4.
// This is the engine's one public header: every record, engine global and
// entry point. Everything is 16.16 fixed point (Allegro's `fixed`); angles
// use Allegro's scale, 256.0 to a full turn.
//
// Allegro declares a function named `polygon`, so the polygon record must be
// spelled `struct polygon` wherever both names are visible.
#ifndef ZELK_H
#define ZELK_H

#include <allegro.h>

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Limits shared by the loaders, the clippers and the dispatcher.

// Camera-space depth of the near plane: a vertex lies beyond it when cz > 2.0.
constexpr fixed NEAR_Z = 0x20000;

// The largest corner count of any polygon the engine draws. The model readers
// refuse files whose corner capacity is above it.
constexpr int MAX_CORNERS = 16;

// Room of the screen-space working polygon: a convex polygon of MAX_CORNERS
// corners gains one corner at the near plane and at most one per screen edge.
constexpr int MAX_SCREEN_VERTICES = MAX_CORNERS + 1 + 4;

// ---------------------------------------------------------------------------
// Model records.

struct vertex {
    fixed x, y, z;     // object-space position; written by the builders
    fixed cx, cy, cz;  // camera-space position; written by Process_model, cz grows away
    int sx, sy;        // screen position: fixed after projection, then whole pixels
};

struct corner {
    int colour;  // flat: palette index; Gouraud: palette index as fixed
    int aux[2];  // two words from the model file, carried along, never drawn
};

struct polygon {
    int num_corners;       // corners in winding order, 3 up to the model's capacity
    vertex **vertex_ptrs;  // one per corner, into the model's vertex table (not owned)
    int shading;           // 0, 1 flat; 2, 3 Gouraud; anything else is not drawn
    int visible;           // -1 drawn, 0 culled; written by Model each frame
    corner *corners;       // one per corner; owned by the polygon
    vertex *normals;       // one per corner: x, y, z object space, cx, cy, cz turned
};

// A working polygon: its three arrays belong to it, not to a model.
using mpolygon = struct polygon;

struct polygon_model {
    int num_vertices;         // entries in vertices; set by the builder
    int num_polygons;         // entries in polygons; set by the builder
    vertex *vertices;         // vertex table; owned by the model
    struct polygon *polygons; // polygon table; owned by the model
    int sort_mode;            // Model's drawing order: 8 table order, 4 mid depth, 2 nearest
    int transform_mode;       // Model's work: 4 transform and project, 2 project only
    fixed xrot, yrot, zrot;   // rotation about x, y, z (Allegro angles)
    fixed xpos, ypos, zpos;   // position of the model's origin in the world
    int backface_cull;        // non-zero: faces turned away are not drawn
};

// Allocates the vertex table, the polygon table and, for every polygon, its
// vertex pointers, corners and normals with room for max_corners corners.
// Sets nothing else: counts and contents are the builder's. Allocation
// failure ends the program with a message on standard error.
void create_polygon_model(polygon_model *model, int num_vertices, int num_polygons,
                          int max_corners);

// Releases what create_polygon_model allocated, walking num_polygons
// polygons. The record stays with the caller and may be created again.
void free_polygon_model(polygon_model *model);

// Allocates a working polygon's vertex pointers, corners and normals with
// room for max_corners corners; num_corners is left to the near clipper.
void allocate_mpolygon(mpolygon *mp, int max_corners);

// Releases the three arrays of allocate_mpolygon.
void free_mpolygon(mpolygon *mp);

// Gives every corner of every polygon a unit normal in object space: the unit
// vector of (P - N) x (P - Q) - P for the corner's vertex P and its next and
// previous neighbours N and Q. Call it with Allegro started: normalising a
// zero vector reports through allegro_errno, which exists only then.
// Requires at least one polygon; polygons with no corner are skipped.
void create_normals(polygon_model *model);

// Builds a box of the given sizes around (x, y, z): 8 vertices, 6 flat faces
// wound outwards, table order (sort_mode 8), transform_mode 4, normals made.
// Placement and backface_cull keep what the record held.
void create_cube(polygon_model *model, fixed width, fixed height, fixed depth,
                 fixed x, fixed y, fixed z);

// ---------------------------------------------------------------------------
// Engine start-up and the current camera.

// A camera. The engine reads the first eleven fields, the arguments of
// Allegro's get_camera_matrix; the rest steer it in the demo.
struct camera {
    fixed x, y, z;                  // position in world units
    fixed xfront, yfront, zfront;   // viewing direction; its length sets steering steps
    fixed xup, yup, zup;            // up direction
    fixed fov;                      // field of view, Allegro angle
    fixed aspect;                   // aspect ratio for get_camera_matrix
    int move_x, move_y, move_z;     // non-zero: steering may change that coordinate
    fixed max_x, min_x;             // limits of x under steering
    fixed max_y, min_y;             // limits of y under steering
    fixed max_z, min_z;             // limits of z under steering
};

// One entry of an edge table.
struct poly_edge {
    int16_t x;    // crossing x + 1 for this screen line; 0 means none recorded
    fixed shade;  // Gouraud shade at that crossing
};

extern MATRIX main_camera;          // current camera: world to camera space
extern poly_edge *left_poly_edge;   // first crossing of each screen line
extern poly_edge *right_poly_edge;  // second crossing of each screen line
extern int poly_edge_rows;          // entries in each edge table; 0 before zelk_init
extern int shifts[5][3];            // rows {1 << f, f, 25 - f} for f = 2 to 6

// Sets the projection viewport to the whole screen, the default camera
// (origin, looking along +z, aspect from the screen), the two edge tables of
// SCREEN_H entries and shifts. Requires a graphics mode (or a driver record
// with w and h). Calling it again releases the old tables first.
void zelk_init(void);

// Releases the edge tables; fills are no-ops until zelk_init runs again.
void zelk_exit(void);

// Rebuilds main_camera from the camera's first eleven fields.
void set_camera(camera *cam);

// ---------------------------------------------------------------------------
// Board cursor: the one place where the rasteriser reports to its client.

struct cursor {
    int x, y;            // cursor square indices, 0 to 14
    int saved_colour;    // highlighted square's corner 0 colour before the highlight
    int saved_shading;   // highlighted square's shading before the highlight
    int old_x, old_y;    // square that carries the highlight now
    int picked;          // pick id + 1 of the last Gouraud polygon under the pointer
    BITMAP *pointer;     // mouse pointer image; null when it could not be loaded
};

extern cursor cursor1;  // all zeros at start; picked is written by the Gouraud fill

// ---------------------------------------------------------------------------
// Texture loading and scene line buffers, for client programs.

// Loads a PCX image into pal and returns it when both sides are powers of
// two up to 256; otherwise returns a resampled copy (the loaded image is
// released). Returns a null pointer when the file cannot be loaded.
BITMAP *load_texture(const char *filename, RGB *pal);

struct scene_row {
    unsigned char *buf8[3];  // three byte buffers of SCREEN_W entries
    int32_t *buf32;          // SCREEN_W 32-bit values; only when level > 1
    int16_t *buf16;          // SCREEN_W 16-bit values
};

struct scene_lines {
    scene_row *rows;  // SCREEN_H rows
    int level;        // level given to allocate_scene
};

struct scene_entry {
    int word[2];  // two words whose meaning is the client's
};

struct scene {
    scene_entry *entries;  // num_entries entries; allocated when mode <= 15
    int num_entries;       // set by the caller before allocate_scene
    scene_lines *lines;    // per-line buffers; allocated when mode > 2
    int mode;              // the mode given to allocate_scene
};

// Allocates the entries (mode 15 or less) and the line buffers (mode above
// 2) for the screen in force; buffers are not initialised.
void allocate_scene(scene *s, int mode, int level);

// Releases exactly what allocate_scene allocated for this record.
void free_scene(scene *s);

// ---------------------------------------------------------------------------
// Model files.

// Reads one little-endian 32-bit word with four fgetc calls; bytes past the
// end read as EOF, so a word read wholly past the end is -1.
int get_int(FILE *f);

// Reads one 15-word vertex record: words 1-3 to x, y, z, words 10-12 to cx,
// cy, cz; the other nine are consumed.
void read_vertex(vertex *v, FILE *f);

// Reads a corner's colour and its two aux words.
void read_corner(corner *c, FILE *f);

// Results of the two model readers.
constexpr int LOAD_OK = 0;         // the model was read
constexpr int LOAD_NO_FILE = 1;    // the file cannot be opened
constexpr int LOAD_MALFORMED = 2;  // the file breaks the format; record untouched

// Reads a .mdl file into the model. On any result but LOAD_OK the record is
// left exactly as it was and nothing stays allocated.
int load_model(polygon_model *model, const char *path);

// Reads a legacy .dat file into the model, with the same results as
// load_model.
int load_legacy_model(polygon_model *model, const char *path);

// ---------------------------------------------------------------------------
// Geometry pipeline.

// Brings every vertex into camera space (camera(translate(rotate(p)))) and
// turns every normal by the model's rotation alone.
void Process_model(polygon_model *model);

// Cuts a polygon's camera-space outline at the near plane into out, whose
// vertex_ptrs point at scratch vertices. out must have room for 2n corners
// for a polygon of n corners (n + 1 suffice for convex ones). Fewer than 3
// corners in out means nothing is left.
void clip3dpoly(struct polygon *in, mpolygon *out);

// Draws one polygon whose vertices hold whole-pixel sx, sy: clips it to the
// screen and fills it flat (shading 0, 1) or Gouraud (2, 3) with pick id id.
void MPoly(BITMAP *bmp, struct polygon *poly, int id);

// Draws a whole model at once into bmp: transform, order, cull, project, clip
// and fill, by its sort_mode and transform_mode.
void Model(BITMAP *bmp, polygon_model *model);

// ---------------------------------------------------------------------------
// Depth-bucket frame buffer and the depth-sorted scene.

struct depth_bucket {
    struct polygon *poly;  // polygon filed here; null marks a free bucket
    int8_t state;          // 0 ready, 1 clip then cull, 2 clip and draw both faces
};

struct frame_buffer {
    BITMAP *bitmap;         // off-screen frame, SCREEN_W by SCREEN_H; owned
    int width;              // SCREEN_W at creation
    int height;             // SCREEN_H at creation
    depth_bucket *buckets;  // num_buckets buckets, index = depth key; owned
    int num_buckets;        // set by the caller before creation
};

// Creates the frame bitmap and the bucket array (not initialised).
// Allocation failure ends the program with a message on standard error.
void create_frame_buffer(frame_buffer *fb);

// Clears the bitmap to colour 0 and empties every bucket.
void clear_frame_buffer(frame_buffer *fb);

// Destroys the bitmap and releases the buckets.
void free_frame_buffer(frame_buffer *fb);

// Transforms a model and files each of its polygons that may be visible into
// a depth bucket by its farthest corner. The model must stay alive and
// unchanged until render_buffer has run.
void add_model_to_scene(frame_buffer *fb, polygon_model *model);

// Draws the filed polygons from the farthest bucket to the nearest.
void render_buffer(frame_buffer *fb);

// ---------------------------------------------------------------------------
// Rasteriser.

struct screen_vertex {
    int x, y;      // whole pixels, inside the screen
    int aux[2];    // carried along, read by no filler
    int colour;    // flat: palette index (first vertex); Gouraud: fixed shade
};

struct screen_polygon {
    int num_vertices;                              // 0: nothing left to draw
    screen_vertex *vertices[MAX_SCREEN_VERTICES];  // in order around the polygon
};

// Records the edge (x1, y1)-(x2, y2) into the edge tables, one crossing per row.
void DrawEdge(int x1, int y1, int x2, int y2);

// Fills a screen-clipped polygon on an 8-bit bitmap in its first vertex's colour.
void do_filled_poly(BITMAP *bmp, screen_polygon *poly);

// Records a Gouraud edge with its shades into the edge tables.
void DrawGEdge(int x1, int y1, fixed s1, int x2, int y2, fixed s2);

// Fills a screen-clipped polygon with interpolated shades; stores id + 1 in
// cursor1.picked when a drawn span covers the mouse pointer.
void do_gouroud_poly(BITMAP *bmp, screen_polygon *poly, int id);

// Cuts a flat polygon's whole-pixel outline to the screen into out.
void clip_filled_mpoly(struct polygon *poly, screen_polygon *out);

// Cuts a Gouraud polygon's outline and shades to the screen into out.
void clip_gouroud_mpoly(struct polygon *poly, screen_polygon *out);

#endif
