// The frame clock on a controllable time source: the performance counter, the
// millisecond-timer fallback with its wrap, and the stopped clock.
#include <doctest/doctest.h>

#include <initializer_list>

#include "display/frame_clock.h"
#include "display/gl_window.h"
#include "tests/display/window_fixture.h"

namespace {

bool gHasCounter;
LONGLONG gFrequency;
LONGLONG gCounter;
DWORD gMilliseconds;

BOOL WINAPI FakeFrequency(LARGE_INTEGER* value)
{
    value->QuadPart = gFrequency;
    return gHasCounter;
}
BOOL WINAPI FakeCounter(LARGE_INTEGER* value)
{
    value->QuadPart = gCounter;
    return TRUE;
}
DWORD WINAPI FakeMilliseconds() { return gMilliseconds; }

// Puts the shared window's clock on the fake source for one test case.
struct FakeClock {
    FakeClock(bool hasCounter, LONGLONG frequency = 0)
    {
        gHasCounter = hasCounter;
        gFrequency = frequency;
        gCounter = 0;
        gMilliseconds = 0;
        saved = gTimeSource;
        gTimeSource = {FakeFrequency, FakeCounter, FakeMilliseconds};
    }
    ~FakeClock()
    {
        gTimeSource = saved;
        SharedWindow().StartClock();
    }
    TimeSource saved;
};

}  // namespace

TEST_CASE("the performance counter gives seconds since the start, ticked once per frame")
{
    FakeClock fake(true, 10'000'000);
    GLWindow& clock = SharedWindow();
    gCounter = 5'000'000;
    clock.StartClock();
    CHECK(clock.usePerformanceCounter);
    CHECK(clock.clockRunning);
    CHECK(clock.elapsed == 0.0f);
    CHECK(clock.secondsPerTick == doctest::Approx(1e-7));

    SUBCASE("the first tick yields the whole time since the start")
    {
        gCounter = 5'000'000 + 12'340'000;
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(1.234f).epsilon(1e-6));
    }
    SUBCASE("two ticks within one counter unit give the same elapsed")
    {
        gCounter = 5'000'000 + 40'000'000;
        clock.Tick();
        const float first = clock.elapsed;
        clock.Tick();
        CHECK(clock.elapsed == first);
        CHECK(first == doctest::Approx(4.0f).epsilon(1e-6));
    }
}

TEST_CASE("without a performance counter the millisecond timer serves, across its wrap")
{
    // A counter that claims success with zero ticks per second cannot be divided
    // by, so it counts as none.
    for (bool hasCounter : {false, true}) {
        CAPTURE(hasCounter);
        FakeClock fake(hasCounter, 0);
        GLWindow& clock = SharedWindow();
        gMilliseconds = 4'294'967'040u;  // 256 ms before the timer wraps
        clock.StartClock();
        CHECK_FALSE(clock.usePerformanceCounter);
        CHECK(clock.secondsPerTick == 0.001f);
        CHECK(clock.startMilliseconds == 4'294'967'040u);

        gMilliseconds = 4'294'967'290u;
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(0.250f));
        gMilliseconds = 256;  // wrapped: 512 ms after the start
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(0.512f));
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(0.512f));
        gMilliseconds = 2'256;
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(2.512f));
    }
}

TEST_CASE("a stopped clock reads 0 and ignores ticks")
{
    for (bool hasCounter : {true, false}) {
        FakeClock fake(hasCounter, 1000);
        GLWindow& clock = SharedWindow();
        clock.StartClock();
        gCounter = gMilliseconds = 3000;
        clock.Tick();
        CHECK(clock.elapsed == doctest::Approx(3.0f));
        clock.StopClock();
        CHECK_FALSE(clock.clockRunning);
        CHECK(clock.elapsed == 0.0f);
        gCounter = gMilliseconds = 9000;
        clock.Tick();
        CHECK(clock.elapsed == 0.0f);
    }
}
