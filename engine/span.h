// The Gouraud fill's span writers: pixel k of a span gets bits 16 to 23 of
// s + k * ds in wrapping 32-bit arithmetic; the SSE2 and AVX2 forms write the
// scalar form's very bytes, several per step. Private: shared by
// fill_gouraud.cpp and the tests that hold each form to the scalar one.
#ifndef ZELK_SPAN_H
#define ZELK_SPAN_H

#include <cstdint>

// Writes count pixels (none when count <= 0) from p on, one byte each.
void shade_span_scalar(unsigned char *p, int count, uint32_t s, uint32_t ds);

// As shade_span_scalar, sixteen pixels per step; SSE2 is on every x86-64.
void shade_span_sse2(unsigned char *p, int count, uint32_t s, uint32_t ds);

// As shade_span_scalar, thirty-two pixels per step. Call it only where
// shade_span_avx2_available() says the processor has AVX2.
void shade_span_avx2(unsigned char *p, int count, uint32_t s, uint32_t ds);

// True when the processor runs AVX2 code; asked once, then remembered.
bool shade_span_avx2_available();

#endif
