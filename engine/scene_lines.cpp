// Scene line buffers for client programs: an array of two-word entries and,
// by the scene's mode, a set of per-pixel buffers for every screen line.
// Reads the screen size in force; writes the scene record's arrays.
#include "zelk.h"

#include <cstdlib>

#include "memory.h"

// A count as an allocation size; a negative count gives an empty array
// rather than a huge request.
static std::size_t scene_count(int n)
{
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Stores mode in the record, then allocates the entry array of num_entries
// two-word entries when mode is 15 or less, and the line buffers when mode
// is above 2: a scene_lines record holding level and SCREEN_H rows, each row
// with three byte buffers, one 16-bit buffer and, when level is above 1, one
// 32-bit buffer of SCREEN_W entries. A part that the mode does not ask for
// is set to a null pointer. Nothing is initialised. Allocation failure ends
// the program with a message on standard error.
//
// The rows array ends with one more row whose pointers are all null, so that
// free_scene finds the end of the rows without asking the screen again: a
// scene stays releasable after the graphics mode has changed.
void allocate_scene(scene *s, int mode, int level)
{
    s->mode = mode;
    s->entries = nullptr;
    s->lines = nullptr;
    if (mode <= 15)
        s->entries = zelk_alloc<scene_entry>(scene_count(s->num_entries), "scene entries");
    if (mode > 2) {
        int rows = SCREEN_H;
        std::size_t width = scene_count(SCREEN_W);
        scene_lines *lines = zelk_alloc<scene_lines>(1, "scene lines");
        lines->rows = zelk_alloc<scene_row>(scene_count(rows) + 1, "scene rows");
        lines->level = level;
        for (int r = 0; r < rows; r++) {
            scene_row *row = &lines->rows[r];
            for (int k = 0; k < 3; k++)
                row->buf8[k] = zelk_alloc<unsigned char>(width, "scene byte buffer");
            row->buf16 = zelk_alloc<int16_t>(width, "scene 16-bit buffer");
            row->buf32 = nullptr;
            if (level > 1)
                row->buf32 = zelk_alloc<int32_t>(width, "scene 32-bit buffer");
        }
        scene_row *end = &lines->rows[rows > 0 ? rows : 0];
        for (int k = 0; k < 3; k++)
            end->buf8[k] = nullptr;
        end->buf32 = nullptr;
        end->buf16 = nullptr;
        s->lines = lines;
    }
}

// Releases what allocate_scene allocated, by the record's mode: the entries
// when mode is 15 or less; when it is above 2, for every row its three byte
// buffers, its 32-bit buffer (null unless level was above 1) and its 16-bit
// buffer, then the rows and the lines record. The rows are walked up to the
// closing row of null pointers, whatever the screen is now. The released
// pointers are set to null, so a second call releases nothing.
void free_scene(scene *s)
{
    if (s->mode <= 15) {
        std::free(s->entries);
        s->entries = nullptr;
    }
    if (s->mode > 2 && s->lines) {
        scene_lines *lines = s->lines;
        for (scene_row *row = lines->rows; row->buf16; row++) {
            for (int k = 0; k < 3; k++)
                std::free(row->buf8[k]);
            std::free(row->buf32);
            std::free(row->buf16);
        }
        std::free(lines->rows);
        std::free(lines);
        s->lines = nullptr;
    }
}
