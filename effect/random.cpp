#include "effect/random.h"

namespace {

constexpr uint32_t kMultiplier = 214013;
constexpr uint32_t kIncrement = 2531011;
constexpr int kResultShift = 16;
constexpr uint32_t kResultMask = 0x7FFF;

}  // namespace

void Random::srand(uint32_t seed)
{
    state = seed;
}

int Random::rand()
{
    // Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
    state = state * kMultiplier + kIncrement;
    return static_cast<int>((state >> kResultShift) & kResultMask);
}
