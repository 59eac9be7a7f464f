// Rasteriser speed: MPoly flat and Gouraud against Allegro's own software
// polygon routines and a memset of the frame, on the same deterministic
// polygon sets drawn into an 8-bit 1024x768 bitmap. Prints Mpixels per
// second, counted from the pixels each renderer really writes, and ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "zelk.h"

namespace {

constexpr int FRAME_W = 1024;
constexpr int FRAME_H = 768;

// Renderers, in the order of the printed table.
constexpr int MEMSET_FRAME = 0;
constexpr int ZELK_FLAT = 1;
constexpr int ALLEGRO_FLAT = 2;
constexpr int ALLEGRO_POLYGON = 3;
constexpr int ZELK_GOURAUD = 4;
constexpr int ALLEGRO_GCOL = 5;
constexpr int NUM_RENDERERS = 6;
const char *const RENDERER_NAMES[NUM_RENDERERS] = {
    "memset", "MPoly_flat", "polygon3d_FLAT", "polygon", "MPoly_gouraud", "polygon3d_GCOL"};

constexpr int NUM_SETS = 4;
const char *const SET_NAMES[NUM_SETS] = {"small_triangles", "medium_quads", "large_quads",
                                         "board"};

// One polygon in screen space: whole-pixel corners, a colour index per corner.
struct bench_corner {
    int x, y;
    int colour;  // 1 to 254
};

struct bench_polygon {
    int n;
    bench_corner c[4];
};

// A set, with the records each renderer draws from, built once.
struct polygon_set {
    std::vector<bench_polygon> polys;
    // ZELK: vertices, pointers, corners and the polygon records.
    std::vector<vertex> verts;
    std::vector<vertex *> vptrs;
    std::vector<corner> corners;  // colour index, read by the flat records
    std::vector<corner> shades;   // the same colours as fixed shades
    std::vector<struct polygon> flat;
    std::vector<struct polygon> gouraud;
    // Allegro: V3D records with pointers, and point lists for polygon().
    std::vector<V3D> v3d;
    std::vector<V3D *> v3d_ptrs;
    std::vector<int> points;
    long pixels[NUM_RENDERERS];  // pixels written by one pass over the set
};

polygon_set sets[NUM_SETS];
BITMAP *frame = nullptr;
GFX_DRIVER fake_driver;

// Measured rate of the last run of each renderer and set, Mpixels/s.
double rates[NUM_RENDERERS][NUM_SETS];

// A square of side `side` around (cx, cy), turned by angle a.
bench_polygon turned_square(double cx, double cy, double side, double a, std::mt19937 &rng)
{
    bench_polygon p;
    p.n = 4;
    for (int i = 0; i < 4; i++) {
        double t = a + i * 1.5707963267948966;
        double r = side * 0.7071067811865476;
        p.c[i].x = static_cast<int>(std::lround(cx + r * std::cos(t)));
        p.c[i].y = static_cast<int>(std::lround(cy + r * std::sin(t)));
        p.c[i].colour = 1 + static_cast<int>(rng() % 254);
    }
    return p;
}

std::vector<bench_polygon> make_small(std::mt19937 &rng)
{
    std::vector<bench_polygon> out;
    for (int i = 0; i < 20000; i++) {
        bench_polygon p;
        p.n = 3;
        int x = 8 + static_cast<int>(rng() % (FRAME_W - 16));
        int y = 8 + static_cast<int>(rng() % (FRAME_H - 16));
        // Legs of about six pixels, jittered.
        p.c[0] = {x, y, 0};
        p.c[1] = {x + 5 + static_cast<int>(rng() % 3), y + static_cast<int>(rng() % 3) - 1, 0};
        p.c[2] = {x + static_cast<int>(rng() % 3) - 1, y + 5 + static_cast<int>(rng() % 3), 0};
        for (int k = 0; k < 3; k++)
            p.c[k].colour = 1 + static_cast<int>(rng() % 254);
        out.push_back(p);
    }
    return out;
}

std::vector<bench_polygon> make_squares(std::mt19937 &rng, int count, double side)
{
    std::vector<bench_polygon> out;
    int margin = static_cast<int>(side * 0.71) + 1;
    for (int i = 0; i < count; i++) {
        double cx = margin + static_cast<double>(rng() % (FRAME_W - 2 * margin));
        double cy = margin + static_cast<double>(rng() % (FRAME_H - 2 * margin));
        double a = (rng() % 3600) * 0.00174532925199432958;
        out.push_back(turned_square(cx, cy, side, a, rng));
    }
    return out;
}

// The demo's 15 by 15 board seen from above and in front, in perspective,
// filling most of the frame; shades between 1 and 31 as the demo's board.
std::vector<bench_polygon> make_board(std::mt19937 &rng)
{
    const double tilt = 0.75;  // camera pitch, radians
    const double height = 9.0, back = 9.5, focal = 620.0;
    auto project = [&](double wx, double wz, int *sx, int *sy) {
        // Camera at (0, height, -back) looking down by `tilt`.
        double y = -height, z = wz + back;
        double cy = y * std::cos(tilt) + z * std::sin(tilt);
        double cz = -y * std::sin(tilt) + z * std::cos(tilt);
        *sx = static_cast<int>(std::lround(FRAME_W / 2.0 + focal * wx / cz));
        *sy = static_cast<int>(std::lround(FRAME_H / 2.0 - focal * cy / cz));
    };
    std::vector<bench_polygon> out;
    for (int i = 0; i < 15; i++)
        for (int j = 0; j < 15; j++) {
            bench_polygon p;
            p.n = 4;
            const double xs[4] = {i - 7.5, i - 6.5, i - 6.5, i - 7.5};
            const double zs[4] = {j - 7.5, j - 7.5, j - 6.5, j - 6.5};
            for (int k = 0; k < 4; k++) {
                project(xs[k], zs[k], &p.c[k].x, &p.c[k].y);
                p.c[k].colour = 1 + static_cast<int>(rng() % 31);
            }
            out.push_back(p);
        }
    return out;
}

void build_records(polygon_set *s)
{
    std::size_t total = 0;
    for (const bench_polygon &p : s->polys)
        total += static_cast<std::size_t>(p.n);
    s->verts.resize(total);
    s->vptrs.resize(total);
    s->corners.resize(total);
    s->v3d.resize(total);
    s->v3d_ptrs.resize(total);
    s->points.resize(2 * total);
    std::size_t k = 0;
    for (const bench_polygon &p : s->polys) {
        struct polygon rec{};
        rec.num_corners = p.n;
        rec.vertex_ptrs = &s->vptrs[k];
        rec.corners = &s->corners[k];
        for (int i = 0; i < p.n; i++, k++) {
            s->verts[k].sx = p.c[i].x;
            s->verts[k].sy = p.c[i].y;
            s->vptrs[k] = &s->verts[k];
            s->corners[k].colour = p.c[i].colour;
            s->v3d[k] = V3D{itofix(p.c[i].x), itofix(p.c[i].y), 0, 0, 0, p.c[i].colour};
            s->v3d_ptrs[k] = &s->v3d[k];
            s->points[2 * k] = p.c[i].x;
            s->points[2 * k + 1] = p.c[i].y;
        }
        rec.shading = 0;
        s->flat.push_back(rec);
        rec.shading = 2;
        s->gouraud.push_back(rec);
    }
    // Gouraud corners carry their colour as a fixed shade.
    s->shades = s->corners;
    for (corner &c : s->shades)
        c.colour = itofix(c.colour);
    std::size_t at = 0;
    for (struct polygon &rec : s->gouraud) {
        rec.corners = &s->shades[at];
        at += static_cast<std::size_t>(rec.num_corners);
    }
}

// Draws polygon i of the set with one renderer.
inline void draw_one(int renderer, polygon_set *s, std::size_t i, std::size_t first)
{
    switch (renderer) {
    case ZELK_FLAT: MPoly(frame, &s->flat[i], 0); break;
    case ZELK_GOURAUD: MPoly(frame, &s->gouraud[i], static_cast<int>(i)); break;
    case ALLEGRO_FLAT:
        polygon3d(frame, POLYTYPE_FLAT, nullptr, s->polys[i].n, &s->v3d_ptrs[first]);
        break;
    case ALLEGRO_GCOL:
        polygon3d(frame, POLYTYPE_GCOL, nullptr, s->polys[i].n, &s->v3d_ptrs[first]);
        break;
    case ALLEGRO_POLYGON:
        polygon(frame, s->polys[i].n, &s->points[2 * first], s->polys[i].c[0].colour);
        break;
    default: break;
    }
}

void draw_set(int renderer, polygon_set *s)
{
    if (renderer == MEMSET_FRAME) {
        std::memset(frame->line[0], 0, static_cast<std::size_t>(FRAME_W) * FRAME_H);
        return;
    }
    std::size_t first = 0;
    for (std::size_t i = 0; i < s->polys.size(); i++) {
        draw_one(renderer, s, i, first);
        first += static_cast<std::size_t>(s->polys[i].n);
    }
}

// Pixels a renderer writes for a set: each polygon drawn alone on a clear
// frame and the non-zero pixels in its bounding box counted (every colour
// and shade is 1 or more).
long count_pixels(int renderer, polygon_set *s)
{
    if (renderer == MEMSET_FRAME)
        return static_cast<long>(FRAME_W) * FRAME_H;
    clear_to_color(frame, 0);
    long total = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < s->polys.size(); i++) {
        const bench_polygon &p = s->polys[i];
        draw_one(renderer, s, i, first);
        first += static_cast<std::size_t>(p.n);
        int x0 = FRAME_W, x1 = -1, y0 = FRAME_H, y1 = -1;
        for (int k = 0; k < p.n; k++) {
            x0 = std::min(x0, p.c[k].x);
            x1 = std::max(x1, p.c[k].x);
            y0 = std::min(y0, p.c[k].y);
            y1 = std::max(y1, p.c[k].y);
        }
        x0 = std::max(x0 - 1, 0);
        y0 = std::max(y0 - 1, 0);
        x1 = std::min(x1 + 1, FRAME_W - 1);
        y1 = std::min(y1 + 1, FRAME_H - 1);
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                if (frame->line[y][x] != 0) {
                    total++;
                    frame->line[y][x] = 0;
                }
    }
    return total;
}

// Processor time of this thread: the machine may be shared, and time spent
// waiting for the processor is not the renderer's.
double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void run_renderer(benchmark::State &state, int renderer, int set)
{
    polygon_set *s = &sets[set];
    double start = thread_seconds();
    for (auto _ : state) {
        draw_set(renderer, s);
        benchmark::DoNotOptimize(frame->line[0][0]);
        benchmark::ClobberMemory();
    }
    double seconds = thread_seconds() - start;
    double mpixels = static_cast<double>(s->pixels[renderer]) * 1e-6;
    state.counters["Mpix/s"] =
        benchmark::Counter(mpixels, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pixels"] = static_cast<double>(s->pixels[renderer]);
    // The best of the timed runs: on a shared machine every disturbance
    // only slows a run down. Runs too short to time well are left out.
    if (seconds >= 0.02)
        rates[renderer][set] = std::max(
            rates[renderer][set], mpixels * static_cast<double>(state.iterations()) / seconds);
}

void print_summary()
{
    std::printf("\nMpixels per second of processor time, best of the runs (pixels each"
                " renderer writes; 8-bit %dx%d bitmap)\n",
                FRAME_W, FRAME_H);
    std::printf("%-16s", "set");
    for (int r = 0; r < NUM_RENDERERS; r++)
        std::printf(" %15s", RENDERER_NAMES[r]);
    std::printf(" %12s %12s %12s\n", "flat/FLAT", "flat/polygon", "gouraud/GCOL");
    for (int set = 0; set < NUM_SETS; set++) {
        std::printf("%-16s", SET_NAMES[set]);
        for (int r = 0; r < NUM_RENDERERS; r++)
            std::printf(" %15.1f", rates[r][set]);
        auto ratio = [&](int a, int b) { return rates[b][set] > 0 ? rates[a][set] / rates[b][set] : 0.0; };
        std::printf(" %12.2f %12.2f %12.2f\n", ratio(ZELK_FLAT, ALLEGRO_FLAT),
                    ratio(ZELK_FLAT, ALLEGRO_POLYGON), ratio(ZELK_GOURAUD, ALLEGRO_GCOL));
    }
    std::printf("\npixels written per pass over each set\n%-16s", "set");
    for (int r = 1; r < NUM_RENDERERS; r++)
        std::printf(" %15s", RENDERER_NAMES[r]);
    std::printf("\n");
    for (int set = 0; set < NUM_SETS; set++) {
        std::printf("%-16s", SET_NAMES[set]);
        for (int r = 1; r < NUM_RENDERERS; r++)
            std::printf(" %15ld", sets[set].pixels[r]);
        std::printf("  (%zu polygons)\n", sets[set].polys.size());
    }
}

}  // namespace

int main(int argc, char **argv)
{
    install_allegro(SYSTEM_NONE, &errno, atexit);
    // The engine sizes its edge tables and clips to the screen it is told of.
    fake_driver = GFX_DRIVER{};
    fake_driver.w = FRAME_W;
    fake_driver.h = FRAME_H;
    gfx_driver = &fake_driver;
    zelk_init();
    frame = create_bitmap_ex(8, FRAME_W, FRAME_H);

    std::mt19937 rng(19970401);
    sets[0].polys = make_small(rng);
    sets[1].polys = make_squares(rng, 400, 45.0);
    sets[2].polys = make_squares(rng, 16, 316.0);
    sets[3].polys = make_board(rng);
    for (int set = 0; set < NUM_SETS; set++) {
        build_records(&sets[set]);
        for (int r = 0; r < NUM_RENDERERS; r++)
            sets[set].pixels[r] = count_pixels(r, &sets[set]);
    }
    // Keep the pointer off every polygon: picking is tested, not timed.
    mouse_x = -1;
    mouse_y = -1;

    for (int set = 0; set < NUM_SETS; set++)
        for (int r = 0; r < NUM_RENDERERS; r++) {
            std::string name = std::string(RENDERER_NAMES[r]) + "/" + SET_NAMES[set];
            benchmark::RegisterBenchmark(name.c_str(), run_renderer, r, set)
                ->Unit(benchmark::kMicrosecond)
                ->Repetitions(3)
                ->ReportAggregatesOnly(true);
        }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_summary();

    destroy_bitmap(frame);
    zelk_exit();
    gfx_driver = nullptr;
    return 0;
}
