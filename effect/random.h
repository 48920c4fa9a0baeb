#pragma once
#include <cstdint>

// A pseudo-random generator: a linear congruential sequence on one 32-bit word,
// the same on every platform and compiler. Not the C library's, whose sequence
// differs between runtimes. Each particle system carries one, from which its
// emitter, its preset choice and its scene's switch rule all draw, so that a
// view's picture depends on its own seed alone. Unseeded it runs as if seeded
// with 1.
class Random {
public:
    // Sets the state; the same seed always yields the same sequence.
    void srand(uint32_t seed);
    // The next value, 0 to 32767 inclusive.
    int rand();

    uint32_t state = 1;
};
