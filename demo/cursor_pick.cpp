// The board cursor: moves the flat, pulsing highlight to the cursor square
// and restores the square it leaves, turns the Gouraud fill's pick note into
// a square, and draws the mouse pointer. Reads and writes cursor1 and board.
#include "demo.h"

void draw_cursor(cursor *cur, int colour)
{
    struct polygon *old_square = &board.polygons[15 * cur->old_x + cur->old_y];
    old_square->corners[0].colour = cur->saved_colour;
    old_square->shading = cur->saved_shading;

    cur->old_x = cur->x;
    cur->old_y = cur->y;

    struct polygon *square = &board.polygons[15 * cur->x + cur->y];
    cur->saved_colour = square->corners[0].colour;
    cur->saved_shading = square->shading;
    // Flat now, so corner 0 holds a plain palette index.
    square->corners[0].colour = colour;
    square->shading = 1;
}

void derive_cursor_pos(void)
{
    // picked is the square's polygon number + 1; side faces and 0 are ignored.
    int picked = cursor1.picked;
    if (picked >= 1 && picked <= BOARD_SQUARES) {
        cursor1.x = POLYGON_LOOKUP[picked - 1][0];
        cursor1.y = POLYGON_LOOKUP[picked - 1][1];
    }
}

void cursor_colour_step(int *colour, int *step)
{
    *colour += *step;
    if (*colour == 63)
        *step = -1;
    else if (*colour == 48)
        *step = 1;
}

void pointer_mode(demo_state *st, int mx, int my)
{
    if (cursor1.pointer)
        draw_sprite(st->frame.bitmap, cursor1.pointer, mx, my);
    // Read again: the pointer may have moved since it was drawn.
    int x = mouse_x;
    int y = mouse_y;
    if (x != st->last_mouse_x || y != st->last_mouse_y) {
        derive_cursor_pos();
        st->last_mouse_x = x;
        st->last_mouse_y = y;
    }
}
