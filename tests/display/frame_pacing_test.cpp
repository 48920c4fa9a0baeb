// When a frame is due, on a simulated display with and without a swap that waits.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <cmath>

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

// A simulated second of frames that take drawSeconds; where the swap waits, it
// returns at the next 60 Hz refresh, and no refresh may go without a frame.
TEST_CASE("paced frames keep the display's rate whether or not the swap waits for it")
{
    for (bool swapWaits : {true, false}) {
        for (double drawSeconds : {0.001, 0.008, 0.0155}) {
            CAPTURE(swapWaits);
            CAPTURE(drawSeconds);
            FramePacing pacing;
            pacing.SetRefreshRate(60);
            double now = 0;
            int frames = 0;
            for (; now < 1.0; ++frames) {
                now += pacing.SecondsUntilFrame(now);
                pacing.StartFrame(now);
                now += drawSeconds;
                if (swapWaits)
                    now = std::ceil(now * 60 - 1e-9) / 60;
            }
            CHECK(frames >= 60);
            CHECK(frames <= (swapWaits ? 60 : 66));
        }
    }
}
