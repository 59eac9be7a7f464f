// The running demo: scene set-up after the engine has started, one pass of
// the frame loop in its fixed order of steps, the keys of a frame, and the
// release of everything the run holds. Reads the keyboard, the mouse and the
// clock; writes the frame bitmap and the screen.
#include "demo.h"

#include <climits>
#include <cstdio>

void demo_start(demo_state *st, time_t t)
{
    frame_rate_start(&st->rate, t);

    cursor1.y = 0;
    cursor1.x = 0;
    setup_model();
    init_variables(&cursor1, &st->cam_f1, &st->cam_f9, &st->cam_f2);
    choose_camera(&st->current_camera, &st->cam_f1);
    load_scene_models(st->models);

    st->frame.num_buckets = 32000;
    create_frame_buffer(&st->frame);
    clear_frame_buffer(&st->frame);

    // The first pass slides with whatever mickeys gathered since the mouse
    // was installed, and puts the pointer at (0, 0).
    st->steer_mode = STEER_SLIDE;
    st->last_mouse_x = 0;
    st->last_mouse_y = 0;
    st->cursor_colour = CURSOR_FIRST_COLOUR;
    st->cursor_step = 1;
    st->screenshot_warned = 0;
}

int demo_frame(demo_state *st)
{
    draw_cursor(&cursor1, st->cursor_colour);
    Model(st->frame.bitmap, &board);
    add_scene_models(&st->frame, st->models);
    draw_hud(st->frame.bitmap, st->current_camera, &cursor1, st->rate.fps);
    handle_keys(st, key);

    int mickey_x, mickey_y;
    get_mouse_mickeys(&mickey_x, &mickey_y);
    if (st->steer_mode == STEER_POINTER) {
        pointer_mode(st, mouse_x, mouse_y);
    } else {
        steer_camera(st->current_camera, st->steer_mode, mickey_x, mickey_y, &st->turn_matrix);
        // The pointer stays put while the camera is steered.
        position_mouse(st->last_mouse_x, st->last_mouse_y);
        set_camera(st->current_camera);
    }
    st->steer_mode = steer_mode_from_buttons(mouse_b);

    frame_rate_count(&st->rate, time(nullptr));
    cursor_colour_step(&st->cursor_colour, &st->cursor_step);
    render_buffer(&st->frame);
    blit(st->frame.bitmap, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    clear_frame_buffer(&st->frame);
    if (st->rate.frames_total < INT_MAX)
        st->rate.frames_total++;

    return key[KEY_ESC] || OSQuit.load() != 0;
}

void demo_release(demo_state *st)
{
    free_polygon_model(&board);
    free_scene_models(st->models);
    free_frame_buffer(&st->frame);
    // Released here rather than left to the end of the process.
    if (cursor1.pointer)
        destroy_bitmap(cursor1.pointer);
    cursor1.pointer = nullptr;
}
