#pragma once
#include <cstdint>

// The process-wide pseudo-random generator: a linear congruential sequence on one
// 32-bit word, the same on every platform and compiler. Not the C library's, whose
// sequence differs between runtimes. Unseeded it runs as if seeded with 1.
namespace Random {

// Sets the state; the same seed always yields the same sequence.
void srand(uint32_t seed);

// The next value, 0 to 32767 inclusive.
int rand();

}  // namespace Random
