// Depth-bucket frame buffer: the off-screen frame bitmap and the array of
// depth buckets that the scene files polygons into. Reads the screen size;
// writes the frame buffer record.
#include "zelk.h"

#include <cstdio>
#include <cstdlib>

#include "memory.h"

void create_frame_buffer(frame_buffer *fb)
{
    int n = fb->num_buckets > 0 ? fb->num_buckets : 0;
    fb->bitmap = create_bitmap(SCREEN_W, SCREEN_H);
    if (!fb->bitmap) {
        std::fprintf(stderr, "zelk: cannot create the %dx%d frame bitmap\n", SCREEN_W, SCREEN_H);
        std::exit(EXIT_FAILURE);
    }
    fb->width = SCREEN_W;
    fb->height = SCREEN_H;
    fb->buckets = zelk_alloc<depth_bucket>(static_cast<std::size_t>(n), "depth buckets");
}

void clear_frame_buffer(frame_buffer *fb)
{
    clear_bitmap(fb->bitmap);
    // Only the pointer word: a free bucket's state is never read.
    for (int i = 0; i < fb->num_buckets; i++)
        fb->buckets[i].poly = nullptr;
}

void free_frame_buffer(frame_buffer *fb)
{
    destroy_bitmap(fb->bitmap);
    std::free(fb->buckets);
}
