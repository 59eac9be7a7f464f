// The demonstration program's own records, globals and functions: the board
// and its palette, the cameras and mouse steering, the board cursor, the
// nine scene models, the keys, the heads-up text, the frame-rate count and
// the frame loop that ties them together.
#ifndef ZELK_DEMO_H
#define ZELK_DEMO_H

#include "zelk.h"

#include <atomic>
#include <ctime>

// Set to -1 by the window's close button (Allegro's window thread).
extern std::atomic<int> OSQuit;

// Close-button callback: stores -1 in OSQuit and nothing else.
void QuitFunc(void);

// ---------------------------------------------------------------------------
// Resolution chooser.

constexpr int CHOOSER_FIRST_BAR = 48;   // top line of the bar on the first entry
constexpr int CHOOSER_LAST_BAR = 148;   // top line of the bar on the last entry
constexpr int CHOOSER_BAR_STEP = 50;    // lines between two entries

// Results of choose_gmode.
constexpr int GMODE_FAILED = 0;  // the chosen mode could not be set
constexpr int GMODE_SET = 1;     // the chosen mode is set
constexpr int GMODE_CLOSED = 2;  // the window was closed before a choice

// One mode of the chooser's menu.
struct gmode_entry {
    int card;    // Allegro graphics driver id
    int width;   // screen width in pixels
    int height;  // screen height in pixels
};

// The bar's next top line after one key pass: UP moves it one entry up unless
// it is on the first, DOWN one entry down unless it is on the last; both are
// tested, UP first.
int chooser_next_bar(int bar_y, int up, int down);

// The mode of the entry whose bar starts at bar_y (48, 98 or 148).
gmode_entry chooser_mode(int bar_y);

// Opens the 320x200 menu window, lets the user pick a mode with UP, DOWN and
// ENTER, and switches the screen to it. Returns GMODE_SET, GMODE_FAILED (the
// menu window or the chosen mode could not be set; allegro_error says why) or
// GMODE_CLOSED when the close button was pressed while the menu waited.
// Needs Allegro started and the keyboard installed.
int choose_gmode(void);

// ---------------------------------------------------------------------------
// Board and palette.

constexpr int BOARD_SQUARES = 225;  // 15 by 15 Gouraud squares, polygons 0 to 224

extern polygon_model board;                 // the chequered slab; built by setup_model
extern int POLYGON_LOOKUP[BOARD_SQUARES][2];  // square polygon -> {x index, y index}
extern PALETTE pal;                         // the demo's palette; built by setup_model

// Builds the board (260 vertices, 230 polygons, random square tones from the
// unseeded rand(), 900 draws), POLYGON_LOOKUP and pal, sets pal as the screen
// palette (when there is a screen) and computes the board's normals. Needs
// Allegro started and a screen size; call once.
void setup_model(void);

// ---------------------------------------------------------------------------
// Cameras and mouse steering.

// Mouse modes of the frame loop.
constexpr int STEER_POINTER = 0;  // pointer shown, cursor follows it
constexpr int STEER_TURN = 1;     // right button: turn and move forward
constexpr int STEER_SLIDE = 2;    // right and left buttons: slide

// Saves the colour and shading of the cursor's highlighted square into cur,
// loads the pointer image "bitmaps/mouse.pcx" into cur->pointer (its own
// palette is dropped; a missing image leaves a null pointer and a warning on
// standard error) and fills the three preset cameras for the screen in force.
// Needs setup_model first. Note the argument order: F1, F9, F2.
void init_variables(cursor *cur, camera *f1, camera *f9, camera *f2);

// Fills the three preset cameras for a w by h screen (aspect 3w / 4h).
void fill_camera_presets(camera *f1, camera *f9, camera *f2, int w, int h);

// Makes cam the current camera: points *current at it and rebuilds the
// engine's camera matrix from it.
void choose_camera(camera **current, camera *cam);

// Moves (slide) or turns and moves (turn) the camera by the mickeys of one
// frame, within its move flags and limits; turn_matrix is the working
// rotation. Pointer mode changes nothing. Does not touch the mouse or the
// engine's camera matrix.
void steer_camera(camera *cam, int mode, int mickey_x, int mickey_y, MATRIX *turn_matrix);

// The mouse mode for the next frame from Allegro's button bits: right button
// up gives pointer mode, right and left slide mode, right alone turn mode.
int steer_mode_from_buttons(int buttons);

// ---------------------------------------------------------------------------
// Board cursor.

constexpr int CURSOR_FIRST_COLOUR = 49;  // highlight colour of the first frame

// Restores the square that carries the highlight, then highlights the square
// (cur->x, cur->y) flat in palette colour `colour`, saving its corner 0 colour
// and shading first. Works on the board.
void draw_cursor(cursor *cur, int colour);

// Moves cursor1 to the square whose polygon the Gouraud fill last noted under
// the pointer; values of picked outside 1 to 225 leave it where it is.
void derive_cursor_pos(void);

// One step of the pulsing highlight: up the red ramp to 63, down to 48, up.
void cursor_colour_step(int *colour, int *step);

// ---------------------------------------------------------------------------
// Scene models.

constexpr int NUM_MODELS = 9;

// One of the nine scene models and whether its file could be read.
struct demo_model {
    polygon_model model;  // read by the loaders, placed at start-up
    int loaded;           // non-zero: read and placed; only these are drawn and freed
};

// Path of the model at load position i (0 to 8).
const char *model_path(int i);

// Loads and places the nine models in load order. A file that cannot be
// opened or breaks its format is reported on standard error by name and
// cause, and its model stays unloaded.
void load_scene_models(demo_model *models);

// Files every loaded model into the depth buckets, in insertion order.
void add_scene_models(frame_buffer *fb, demo_model *models);

// Releases every loaded model, in insertion order, and marks it unloaded.
void free_scene_models(demo_model *models);

// ---------------------------------------------------------------------------
// Frame-rate bookkeeping and the exit output.

struct frame_rate {
    time_t start_time;       // seconds at engine start-up
    time_t last_second;      // second in which the current interval began
    time_t last_time;        // the time read by the latest count
    int frames_this_second;  // frames counted in the current interval
    int frames_total;        // frames shown since the loop began
    float fps;               // whole frames per second of the last finished interval
};

// Starts the count at time t.
void frame_rate_start(frame_rate *fr, time_t t);

// Counts one frame at time t: the same second adds to the interval; a new
// second sets fps to the interval's count divided by the seconds passed
// (truncated) and starts a new interval with this frame.
void frame_rate_count(frame_rate *fr, time_t t);

// Writes the farewell banner, the "At exit" rate and, when time has passed
// since start-up, the average rate to standard output.
void print_exit_output(const frame_rate *fr);

// ---------------------------------------------------------------------------
// Heads-up text.

constexpr int HUD_COLOUR = 31;  // brightest grey of the demo's palette

// Prints the six status lines (camera position, cursor square, fps) at the
// top left of bmp in HUD_COLOUR on a transparent background.
void draw_hud(BITMAP *bmp, const camera *cam, const cursor *cur, float fps);

// ---------------------------------------------------------------------------
// The running demo.

// Everything the frame loop owns for the whole run.
struct demo_state {
    frame_buffer frame;              // off-screen frame and depth buckets
    demo_model models[NUM_MODELS];   // the nine models, in load order
    camera cam_f1, cam_f2, cam_f9;   // preset cameras; each keeps its place
    camera *current_camera;          // the camera drawn through and steered
    int steer_mode;                  // STEER_* for this frame
    MATRIX turn_matrix;              // working rotation of turn mode
    int last_mouse_x, last_mouse_y;  // pointer position last seen in pointer mode
    int cursor_colour;               // palette index of the highlight
    int cursor_step;                 // +1 or -1
    frame_rate rate;                 // frame-rate count
    int screenshot_warned;           // non-zero: the last screenshot failed and was reported
};

// The keys of one frame, read from a key-state array indexed by KEY_*:
// ENTER saves the frame so far as "scr.pcx" with pal (a failure is reported
// once on standard error until a save succeeds again), F1, F2, F9 choose a
// camera (the last held wins), keypad plus and minus move the board along z.
void handle_keys(demo_state *st, const volatile char *keys);

// Pointer mode's work after the mickeys are read: draws the pointer image
// (if there is one) at (mx, my) and, when the pointer has moved since it was
// last seen, moves the cursor to the square under it.
void pointer_mode(demo_state *st, int mx, int my);

// Scene set-up after the engine has started: cursor square, board and
// palette, cameras and pointer, the nine models and the frame buffer; the
// frame-rate clock starts at t.
void demo_start(demo_state *st, time_t t);

// One pass of the frame loop, drawn to the screen. Returns non-zero when the
// run should end (ESC held or the close button pressed).
int demo_frame(demo_state *st);

// Releases the board, the models, the frame buffer and the pointer image.
void demo_release(demo_state *st);

#endif
