// The board: a 15 by 15 slab of Gouraud squares in random grey tones with
// four shaded sides and a flat base, the table from square polygon to square
// indices, and the demo's 256-colour palette. Writes board, POLYGON_LOOKUP
// and pal, and sets the palette on the screen.
#include "demo.h"

#include <cstdlib>

polygon_model board;
int POLYGON_LOOKUP[BOARD_SQUARES][2];
PALETTE pal;

// Gives a polygon of the board its four corner vertices and count.
static void set_corners(struct polygon *p, int v0, int v1, int v2, int v3)
{
    p->num_corners = 4;
    p->vertex_ptrs[0] = &board.vertices[v0];
    p->vertex_ptrs[1] = &board.vertices[v1];
    p->vertex_ptrs[2] = &board.vertices[v2];
    p->vertex_ptrs[3] = &board.vertices[v3];
}

static void set_vertex(int v, fixed x, fixed y, fixed z)
{
    board.vertices[v].x = x;
    board.vertices[v].y = y;
    board.vertices[v].z = z;
}

// Fills count palette entries from first, entry n getting (r n, g n, b n).
static void palette_ramp(int first, int count, int r, int g, int b)
{
    for (int n = 0; n < count; n++) {
        pal[first + n].r = static_cast<unsigned char>(r * n);
        pal[first + n].g = static_cast<unsigned char>(g * n);
        pal[first + n].b = static_cast<unsigned char>(b * n);
    }
}

void setup_model(void)
{
    create_polygon_model(&board, 260, 230, 4);

    // The grid: 16 by 16 points 10 apart on the top face, z = 2.5.
    const fixed top = ftofix(2.5);
    for (int i = 0; i <= 15; i++)
        for (int j = 0; j <= 15; j++)
            set_vertex(16 * i + j, itofix(75 - 10 * i), itofix(75 - 10 * j), top);

    for (int i = 0; i <= 14; i++) {
        for (int k = 0; k <= 14; k++) {
            int v = 16 * i + k;
            set_corners(&board.polygons[15 * i + k], v + 16, v + 17, v + 1, v);
            POLYGON_LOOKUP[15 * i + k][0] = i;
            POLYGON_LOOKUP[15 * i + k][1] = k;
        }
    }

    // Square tones: all odd squares first (dark greys 1 to 15), then all
    // even ones (light greys 16 to 31), corner 0 to 3, one rand() each.
    // Along a row and across rows neighbours differ in parity: a chequer.
    for (int p = 1; p < BOARD_SQUARES; p += 2) {
        for (int c = 0; c < 4; c++)
            board.polygons[p].corners[c].colour = itofix(std::rand() % 15 + 1);
        board.polygons[p].shading = 2;
    }
    for (int p = 0; p < BOARD_SQUARES; p += 2) {
        for (int c = 0; c < 4; c++)
            board.polygons[p].corners[c].colour = itofix(std::rand() % 16 + 16);
        board.polygons[p].shading = 2;
    }

    // The base, 5 units below the grid.
    const fixed bottom = ftofix(-2.5);
    set_vertex(256, itofix(-75), itofix(-75), bottom);
    set_vertex(257, itofix(-75), itofix(75), bottom);
    set_vertex(258, itofix(75), itofix(75), bottom);
    set_vertex(259, itofix(75), itofix(-75), bottom);

    struct polygon *base = &board.polygons[225];
    set_corners(base, 256, 257, 258, 259);
    base->corners[0].colour = 16;  // flat: a plain palette index
    base->shading = 1;

    // The sides: two top corners in light grey, two base corners darker.
    set_corners(&board.polygons[226], 0, 15, 259, 258);
    set_corners(&board.polygons[227], 15, 255, 256, 259);
    set_corners(&board.polygons[228], 255, 240, 257, 256);
    set_corners(&board.polygons[229], 240, 0, 258, 257);
    for (int p = 226; p <= 229; p++) {
        struct polygon *side = &board.polygons[p];
        side->corners[0].colour = itofix(31);
        side->corners[1].colour = itofix(31);
        side->corners[2].colour = itofix(16);
        side->corners[3].colour = itofix(16);
        side->shading = 2;
    }

    // Entries 160 to 255 keep the zero a global starts with: black.
    palette_ramp(0, 32, 2, 2, 2);
    palette_ramp(32, 16, 4, 4, 4);
    palette_ramp(48, 16, 4, 0, 0);
    palette_ramp(64, 16, 0, 4, 0);
    palette_ramp(80, 16, 0, 0, 4);
    palette_ramp(96, 16, 4, 4, 0);
    palette_ramp(112, 16, 4, 0, 4);
    palette_ramp(128, 16, 0, 4, 4);
    palette_ramp(144, 16, 4, 2, 0);
    // Without a screen (drawing only into memory bitmaps) there is no
    // palette to set, and Allegro would read the missing screen.
    if (screen)
        set_palette(pal);

    board.num_vertices = 260;
    board.num_polygons = 230;
    board.sort_mode = 8;
    board.transform_mode = 4;
    board.xrot = itofix(64);  // a quarter turn lays the grid flat, top face up
    board.yrot = 0;
    board.zrot = 0;
    board.xpos = 0;
    board.ypos = 0;
    board.zpos = 0;
    board.backface_cull = 1;

    create_normals(&board);
}
