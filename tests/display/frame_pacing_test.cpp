// When a frame is due, on a simulated display with and without a swap that waits.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "display/frame_pacing.h"

TEST_CASE("a frame is due one early-aimed refresh period after the last one started, never sooner")
{
    FramePacing pacing;
    for (double hertz : {0.0, 1.0, 60.0}) {
        pacing.SetRefreshRate(hertz);
        CHECK(pacing.aim == doctest::Approx(0.95 / 60));
    }
    // The display configuration's exact rates, fractions of a hertz kept.
    pacing.SetRefreshRate(143.98);
    CHECK(pacing.aim == doctest::Approx(0.95 / 143.98).epsilon(1e-9));
    CHECK(pacing.SecondsUntilFrame(5.0) == 0);  // no frame yet
    pacing.StartFrame(5.0);
    CHECK(pacing.SecondsUntilFrame(5.0) == doctest::Approx(pacing.aim));
    CHECK(pacing.SecondsUntilFrame(1.0) == 0);  // the clock went back
    // A frame 100 ms late: the next one still waits a whole period after it.
    pacing.StartFrame(5.1);
    CHECK(pacing.SecondsUntilFrame(5.1 + pacing.aim / 2) == doctest::Approx(pacing.aim / 2));
}

// A simulated second of frames that take drawSeconds, one every `refreshes` of a
// 60 Hz display; where the swap waits, it returns at the first refresh as many
// after the last swap, and each frame must be swapped at exactly that one.
TEST_CASE("paced frames keep the display's rate, or half of it, whether or not the swap waits for it")
{
    for (const auto& run : {std::pair{1u, true}, {1u, false}, {2u, true}, {2u, false}}) {
        const uint32_t refreshes = run.first;
        const bool swapWaits = run.second;
        for (double drawSeconds : {0.001, 0.008, 0.0155}) {
            CAPTURE(refreshes);
            CAPTURE(swapWaits);
            CAPTURE(drawSeconds);
            FramePacing pacing;
            pacing.SetRefreshRate(60, refreshes);
            double now = 0, lastSwap = 0;  // the refresh of the last swap
            int frames = 0, uneven = 0;
            for (; now < 1.0; ++frames) {
                now += pacing.SecondsUntilFrame(now);
                pacing.StartFrame(now);
                now += drawSeconds;
                if (swapWaits) {
                    const double swap = std::max(std::ceil(now * 60 - 1e-9), lastSwap + refreshes);
                    uneven += frames > 0 && swap != lastSwap + refreshes;
                    lastSwap = swap;
                    now = swap / 60;
                }
            }
            CHECK(uneven == 0);
            CHECK(frames >= int(60 / refreshes));
            CHECK(frames <= int(66 / refreshes));
        }
    }
}
