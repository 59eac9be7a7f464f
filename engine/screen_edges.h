// The four screen edges the two screen clippers cut against, in stage order,
// and the two tests each stage makes of a vertex. Private to the clippers.
#ifndef ZELK_SCREEN_EDGES_H
#define ZELK_SCREEN_EDGES_H

// The four screen edges, in the order the stages cut against them.
constexpr int CLIP_BOTTOM = 0;
constexpr int CLIP_TOP = 1;
constexpr int CLIP_LEFT = 2;
constexpr int CLIP_RIGHT = 3;

// A vertex beyond the edge: the stage cuts the edges that reach it.
static inline bool beyond(int edge, int x, int y, int w, int h)
{
    switch (edge) {
    case CLIP_BOTTOM: return y >= h;
    case CLIP_TOP: return y < 0;
    case CLIP_LEFT: return x < 0;
    default: return x >= w;
    }
}

// A vertex the stage copies. At the top and left a vertex exactly on the
// line is inside but not copied: it comes back only as the crossing of an
// edge from a neighbour beyond the line.
static inline bool copied(int edge, int x, int y, int w, int h)
{
    switch (edge) {
    case CLIP_BOTTOM: return y < h;
    case CLIP_TOP: return y > 0;
    case CLIP_LEFT: return x > 0;
    default: return x < w;
    }
}

#endif
