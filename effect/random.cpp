#include "effect/random.h"

namespace {

constexpr uint32_t kMultiplier = 214013;
constexpr uint32_t kIncrement = 2531011;
constexpr int kResultShift = 16;
constexpr uint32_t kResultMask = 0x7FFF;

// Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
uint32_t gRandomState = 1;

}  // namespace

namespace Random {

void srand(uint32_t seed)
{
    gRandomState = seed;
}

int rand()
{
    gRandomState = gRandomState * kMultiplier + kIncrement;
    return static_cast<int>((gRandomState >> kResultShift) & kResultMask);
}

}  // namespace Random
