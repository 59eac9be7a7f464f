// The two scan-line edge tables as the fills see them while they walk a
// polygon's edges. Private to the flat and the Gouraud fill.
#ifndef ZELK_EDGE_TABLES_H
#define ZELK_EDGE_TABLES_H

#include "zelk.h"

#include <cstdint>

// Crossings are stored as x + 1 in 16 bits, so an end point outside that
// range cannot be recorded; keeping every coordinate inside it also keeps
// the walk's error term far from overflow.
static inline bool edge_coordinate(int v)
{
    return v >= INT16_MIN && v <= INT16_MAX;
}

// The edge tables as one walk sees them, copied from the globals so that
// stores into the tables cannot make the compiler reload them.
struct edge_tables {
    poly_edge *left;   // left_poly_edge
    poly_edge *right;  // right_poly_edge
    unsigned rows;     // poly_edge_rows; rows at or past it are not recorded
};

// The tables in force: no rows before zelk_init or after zelk_exit.
static inline edge_tables current_tables()
{
    int rows = left_poly_edge && right_poly_edge && poly_edge_rows > 0 ? poly_edge_rows : 0;
    return edge_tables{left_poly_edge, right_poly_edge, static_cast<unsigned>(rows)};
}

#endif
