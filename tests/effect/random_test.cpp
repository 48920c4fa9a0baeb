#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "effect/random.h"

TEST_CASE("the generator gives the well-known sequence for seed 1, from 0 to 32767")
{
    Random random;
    for (int round = 0; round < 2; ++round) {
        for (int value : {41, 18467, 6334, 26500, 19169})
            CHECK(random.rand() == value);
        random.srand(1);
    }
    int lowest = 32767, highest = 0;
    for (int draw = 0; draw < 1000000; ++draw) {
        const int value = random.rand();
        lowest = value < lowest ? value : lowest;
        highest = value > highest ? value : highest;
    }
    CHECK(lowest == 0);
    CHECK(highest == 32767);
}
