// Immediate model rendering: drawing order by sort_mode (table order and the
// private depth table with its key limits), back-face culling on both paths,
// the near-clipped path, and pick ids under the pointer, all observed in the
// pixels of an 8-bit bitmap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo.h"
#include "geometry_fixture.h"

namespace {

constexpr int W = 320;
constexpr int H = 200;

struct drawing {
    BITMAP *bmp;
};

void drawing_up(drawing *d)
{
    engine_up(W, H);
    main_camera = identity_matrix;
    d->bmp = create_bitmap_ex(8, W, H);
    clear_bitmap(d->bmp);
}

void drawing_down(drawing *d)
{
    destroy_bitmap(d->bmp);
    engine_down();
}

// Rectangles at depth z from (x0, y0) to (x1, y1) in pixels, one per entry.
struct rect {
    double x0, y0, x1, y1, z;
};

void build_rects(polygon_model *m, const std::vector<rect> &rects, const std::vector<int> &colours)
{
    std::vector<point3> v;
    std::vector<std::vector<int>> p;
    for (const rect &r : rects)
        add_screen_rect(&v, &p, r.x0, r.y0, r.x1, r.y1, r.z, W, H);
    build_model(m, v, p, colours);
}

// Stored positions for transform_mode 0: the screen place (whole pixels, as
// fixed) and the depth are set apart, so that the order alone decides.
void store(vertex *v, int px, int py, fixed cz)
{
    v->cx = 0;
    v->cy = 0;
    v->cz = cz;
    v->sx = itofix(px);
    v->sy = itofix(py);
}

// Two overlapping squares kept in camera space: polygon A (colour 1) spans
// cz 3.0 to 20.0, polygon B (colour 2) lies at cz 6.0. By nearest corner A
// is nearer (key 24 against 48); by the middle of its range it is farther
// (key 92 against 48).
void build_a_and_b(polygon_model *m)
{
    build_model(m, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}},
                {{0, 1, 2}, {3, 4, 5}}, {1, 2});
    m->transform_mode = 0;
    m->backface_cull = 0;
}

void place_a_and_b(polygon_model *m)
{
    store(&m->vertices[0], 20, 20, itofix(3));
    store(&m->vertices[1], 20, 120, itofix(20));
    store(&m->vertices[2], 120, 120, itofix(20));
    store(&m->vertices[3], 40, 40, itofix(6));
    store(&m->vertices[4], 40, 140, itofix(6));
    store(&m->vertices[5], 140, 140, itofix(6));
}

TEST(ModelOrder, SortModeChoosesTheDepthKeyOrTableOrder)
{
    struct order_case {
        int sort_mode;
        int expected;  // colour where A and B overlap: 0 nothing drawn
    };
    const order_case cases[] = {
        {0, 0}, {1, 0},                  // nothing drawn
        {2, 1}, {3, 1},                  // nearest corner: B first, A on top
        {4, 2}, {5, 2}, {6, 2}, {7, 2},  // middle of range: A first, B on top
        {8, 1}, {100, 1}, {-1, 1},       // table order: B (last) first, A on top
    };
    for (const order_case &c : cases) {
        drawing d;
        drawing_up(&d);
        polygon_model m;
        build_a_and_b(&m);
        m.sort_mode = c.sort_mode;
        place_a_and_b(&m);
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 70, 110), c.expected) << "sort_mode " << c.sort_mode;
        // Stored fixed screen positions are reduced to whole pixels in place.
        EXPECT_EQ(m.vertices[2].sx, 120) << "sort_mode " << c.sort_mode;
        free_polygon_model(&m);
        drawing_down(&d);
    }
}

TEST(ModelOrder, TableOrderDrawsFromTheLastPolygonToTheFirst)
{
    // Polygon i covers columns 0 to 10 (i + 1): drawn from the last to the
    // first, each band keeps the colour of its own polygon, and pick ids are
    // polygon indices (a Gouraud polygon stores index + 1).
    drawing d;
    drawing_up(&d);
    std::vector<rect> rects;
    std::vector<int> colours;
    for (int i = 0; i < 30; i++) {
        rects.push_back({0, 20, 10.0 * (i + 1), 180, 5});
        colours.push_back((i + 1) << 16);
    }
    polygon_model m;
    build_rects(&m, rects, colours);
    for (int i = 0; i < m.num_polygons; i++)
        m.polygons[i].shading = 3;
    for (int band : {0, 1, 7, 29}) {
        clear_bitmap(d.bmp);
        cursor1.picked = 0;
        mouse_x = 10 * band + 5;
        mouse_y = 100;
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 10 * band + 5, 100), band + 1) << "band " << band;
        EXPECT_EQ(cursor1.picked, band + 1) << "band " << band;
    }
    free_polygon_model(&m);
    drawing_down(&d);
}

TEST(ModelOrder, NearerPolygonWinsInDepthOrderWhateverItsIndex)
{
    for (int sort_mode : {2, 4}) {
        for (bool near_first : {true, false}) {
            drawing d;
            drawing_up(&d);
            rect near_rect = {100, 60, 220, 160, 5};
            rect far_rect = {60, 40, 180, 140, 10};
            polygon_model m;
            if (near_first)
                build_rects(&m, {near_rect, far_rect}, {20, 10});
            else
                build_rects(&m, {far_rect, near_rect}, {10, 20});
            m.sort_mode = sort_mode;
            Model(d.bmp, &m);
            std::string what = "sort_mode " + std::to_string(sort_mode) + (near_first ? ", near first" : ", near last");
            EXPECT_EQ(getpixel(d.bmp, 140, 100), 20) << what;
            EXPECT_EQ(getpixel(d.bmp, 70, 50), 10) << what;
            free_polygon_model(&m);
            drawing_down(&d);
        }
    }
}

TEST(ModelOrder, DepthTableKeyLimits)
{
    // One polygon with its nearest corner at near and the others at far,
    // kept in camera space; drawn or left out of the table by its key.
    struct limit_case {
        const char *name;
        int sort_mode;
        fixed near, far;
        bool drawn;
    };
    const limit_case cases[] = {
        {"middle key 9999: sum just below 2500.0", 4, itofix(1250) - 1, itofix(1250), true},
        {"middle key 10000: sum 2500.0", 4, itofix(1250), itofix(1250), false},
        {"middle key of a sum past 32 bits", 4, itofix(30000), itofix(30000), false},
        {"nearest key 9999", 2, itofix(1250) - 1, itofix(1250), true},
        {"nearest key 10000: nearest at 1250.0", 2, itofix(1250), itofix(1300), false},
    };
    for (const limit_case &c : cases) {
        drawing d;
        drawing_up(&d);
        polygon_model m;
        build_model(&m, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, {{0, 1, 2}}, {9});
        m.transform_mode = 0;
        m.backface_cull = 0;
        m.sort_mode = c.sort_mode;
        store(&m.vertices[0], 10, 10, c.near);
        store(&m.vertices[1], 10, 190, c.far);
        store(&m.vertices[2], 300, 190, c.far);
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 50, 150), c.drawn ? 9 : 0) << c.name;
        free_polygon_model(&m);
        drawing_down(&d);
    }
}

TEST(ModelOrder, EqualKeysAndAFullTableStillDrawEveryPolygon)
{
    // Polygons 0 to 2 share one key. Entered from the last, polygon 2 keeps
    // the key's slot and the others climb above it, so polygon 2 is drawn
    // last. At key 9999 there is nothing above: the others go below, and
    // polygon 0, entered last, is drawn last.
    struct equal_case {
        const char *name;
        fixed cz;
        int top_colour;
    };
    const equal_case cases[] = {
        {"key 80: later entries climb above", itofix(10), 3},
        {"key 9999: later entries go below", itofix(1250) - 1, 1},
    };
    for (const equal_case &c : cases) {
        drawing d;
        drawing_up(&d);
        polygon_model m;
        build_model(&m, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}}, {1, 2, 3});
        m.transform_mode = 0;
        m.backface_cull = 0;
        m.sort_mode = 2;
        store(&m.vertices[0], 10, 10, c.cz);
        store(&m.vertices[1], 10, 190, c.cz);
        store(&m.vertices[2], 300, 190, c.cz);
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 50, 150), c.top_colour) << c.name;
        free_polygon_model(&m);
        drawing_down(&d);
    }
}

TEST(ModelOrder, MoreThan400PolygonsAndATableFilledToTheLastSlot)
{
    // 10001 polygons at one key fill all 10000 slots; polygon 0 finds none
    // and is drawn before the whole table, polygon 1 (entered just before
    // it) is drawn last. Polygons 2 and up share one small triangle.
    drawing d;
    drawing_up(&d);
    const int count = 10001;
    std::vector<point3> v(10, {0, 0, 1});
    std::vector<std::vector<int>> p = {{0, 1, 2, 3}, {4, 5, 6, 7}};
    std::vector<int> colours = {5, 6};
    for (int i = 2; i < count; i++) {
        p.push_back({8, 9, 8});
        colours.push_back(7);
    }
    polygon_model m;
    build_model(&m, v, p, colours);
    m.transform_mode = 0;
    m.backface_cull = 0;
    m.sort_mode = 4;
    const int corners[10][2] = {{0, 0}, {0, 50}, {100, 50}, {100, 0},
                                {50, 0}, {50, 50}, {100, 50}, {100, 0},
                                {300, 190}, {310, 199}};
    for (int i = 0; i < 10; i++)
        store(&m.vertices[i], corners[i][0], corners[i][1], itofix(625));  // key 5000
    Model(d.bmp, &m);
    EXPECT_EQ(getpixel(d.bmp, 25, 25), 5);
    EXPECT_EQ(getpixel(d.bmp, 75, 25), 6);
    free_polygon_model(&m);
    drawing_down(&d);
}

TEST(ModelCulling, FacingOnBothPathsAndLargePolygonsNearTheCamera)
{
    // The same rectangle, wound to face the camera or away from it, drawn
    // wholly beyond the near plane or with one corner pulled in front of it
    // (the clipped path, whose reversed winding takes the opposite sign).
    struct cull_case {
        const char *name;
        bool reversed, straddle;
        int backface_cull;
        bool drawn;
    };
    const cull_case cases[] = {
        {"facing, beyond", false, false, 1, true},
        {"turned away, beyond", true, false, 1, false},
        {"turned away, beyond, both faces", true, false, 0, true},
        {"facing, clipped", false, true, 1, true},
        {"turned away, clipped", true, true, 1, false},
        {"turned away, clipped, both faces", true, true, 0, true},
    };
    for (const cull_case &c : cases) {
        drawing d;
        drawing_up(&d);
        std::vector<point3> v;
        std::vector<std::vector<int>> p;
        add_screen_rect(&v, &p, 40, 30, 280, 170, 6, W, H);
        if (c.straddle)
            v[3].z = 1.0;  // the corner at (280, 30)
        if (c.reversed)
            p[0] = {3, 2, 1, 0};
        polygon_model m;
        build_model(&m, v, p, {12});
        m.backface_cull = c.backface_cull;
        m.polygons[0].visible = 99;
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 60, 150), c.drawn ? 12 : 0) << c.name;
        if (c.straddle)
            EXPECT_EQ(m.polygons[0].visible, 99) << c.name << ": visible untouched";
        else
            EXPECT_EQ(m.polygons[0].visible, c.drawn ? -1 : 0) << c.name;
        free_polygon_model(&m);
        drawing_down(&d);
    }
}

TEST(ModelCulling, ProductsPast32BitsKeepTheirSign)
{
    // A square 1250 units wide just beyond the near plane: its back-face
    // product (shift 13) is 96 * 5000^2, which wraps negative in 32 bits.
    for (bool reversed : {false, true}) {
        drawing d;
        drawing_up(&d);
        polygon_model m;
        build_model(&m, {{-625, -625, 3}, {-625, 625, 3}, {625, 625, 3}, {625, -625, 3}},
                    {reversed ? std::vector<int>{3, 2, 1, 0} : std::vector<int>{0, 1, 2, 3}}, {14});
        Model(d.bmp, &m);
        EXPECT_EQ(m.polygons[0].visible, reversed ? 0 : -1) << (reversed ? "reversed" : "facing");
        EXPECT_EQ(getpixel(d.bmp, 160, 100), reversed ? 0 : 14);
        free_polygon_model(&m);
        drawing_down(&d);
    }
}

TEST(ModelCulling, EdgeOnPolygonIsCulledAndACornerAtTheNearPlaneIsLost)
{
    drawing d;
    drawing_up(&d);
    // Edge-on: its plane holds the camera, c . (b x a) = 0.
    polygon_model edge_on;
    build_model(&edge_on, {{0, -1, 5}, {0, 1, 5}, {0, 1, 8}}, {{0, 1, 2}});
    Model(d.bmp, &edge_on);
    EXPECT_EQ(edge_on.polygons[0].visible, 0);

    // One corner at exactly cz 2.0 sends the model to the clipped path and
    // is dropped there: two corners are left and nothing is drawn. Just
    // beyond 2.0 the triangle is whole.
    for (fixed z : {NEAR_Z, NEAR_Z + 1}) {
        clear_bitmap(d.bmp);
        polygon_model m;
        build_model(&m, {at_pixel(20, 20, 6, W, H), at_pixel(20, 180, 6, W, H), {0, 0, 1}}, {{0, 1, 2}}, {3});
        m.vertices[2].x = ftofix(at_pixel(300, 180, 2, W, H).x);
        m.vertices[2].y = ftofix(at_pixel(300, 180, 2, W, H).y);
        m.vertices[2].z = z;
        m.backface_cull = 0;
        Model(d.bmp, &m);
        EXPECT_EQ(getpixel(d.bmp, 60, 150), z == NEAR_Z ? 0 : 3) << "corner at raw cz " << z;
        free_polygon_model(&m);
    }
    free_polygon_model(&edge_on);
    drawing_down(&d);
}

TEST(ModelClipped, NoPolygonsAndStraddlingNonConvexOutlines)
{
    drawing d;
    drawing_up(&d);
    polygon_model empty;
    build_model(&empty, {{0, 0, 5}}, {});
    empty.vertices[0].cx = 4321;
    Model(d.bmp, &empty);
    EXPECT_EQ(empty.vertices[0].cx, 4321);
    free_polygon_model(&empty);

    // A comb whose teeth alternate in front of and beyond the plane: the cut
    // produces more than n + 2 corners, all of which fit the working polygon.
    polygon_model comb;
    build_model(&comb,
                {{-3, -1, 6}, {-2, 1, 1}, {-1, -1, 6}, {0, 1, 1}, {1, -1, 6}, {2, 1, 1}, {3, -1, 6}, {0, -3, 6}},
                {{0, 1, 2, 3, 4, 5, 6, 7}}, {4});
    comb.backface_cull = 0;
    for (int frame = 0; frame < 5; frame++)
        Model(d.bmp, &comb);
    free_polygon_model(&comb);
    drawing_down(&d);
}

TEST(ModelBoard, DemoBoardFromAboveIsDrawnInTableOrderWithItsBaseCulled)
{
    // The demo's board seen from its F9 camera, 150 units straight above:
    // every square faces the camera, the base underneath faces away (its
    // back-face product is past 32 bits there), and the squares, drawn after
    // the base and sides, are what the pointer picks.
    drawing d;
    drawing_up(&d);
    std::srand(1);
    setup_model();
    camera f1, f9, f2;
    fill_camera_presets(&f1, &f9, &f2, W, H);
    set_camera(&f9);
    cursor1.picked = 0;
    mouse_x = W / 2;
    mouse_y = H / 2;
    Model(d.bmp, &board);
    EXPECT_EQ(board.polygons[225].visible, 0);
    for (int i = 0; i < BOARD_SQUARES; i++)
        ASSERT_EQ(board.polygons[i].visible, -1) << "square " << i;
    EXPECT_GE(cursor1.picked, 1);
    EXPECT_LE(cursor1.picked, BOARD_SQUARES);
    free_polygon_model(&board);
    drawing_down(&d);
}

}  // namespace
