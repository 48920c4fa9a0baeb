// The frame clock on a controllable time source: the performance counter, the
// millisecond-timer fallback with its wrap, the stopped and the resting clock.
#include <doctest/doctest.h>

#include <cmath>
#include <initializer_list>
#include <memory>

#include "display/frame_clock.h"
#include "display/gl_window.h"
#include "effect/particle_scene.h"
#include "effect/particle_system.h"
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
}

TEST_CASE("a rest is no animation time: the effect goes on by one ordinary frame")
{
    constexpr LONGLONG kFrequency = 1000;
    FakeClock fake(true, kFrequency);
    GLWindow& clock = SharedWindow();
    gMode = ModeSaver;
    auto system = std::make_unique<ParticleSystem>();
    clock.StartClock();
    gCounter = 2000;
    clock.Tick();
    system->emitRate = 0;
    system->Update(clock.elapsed);
    Particle& probe = system->particles[0];
    probe.age = 1.0f;
    probe.lifetime = 100.0f;

    clock.RestClock();
    gCounter += 60 * kFrequency;
    clock.Tick();
    CHECK(clock.elapsed == 2.0);
    clock.WakeClock();
    gCounter += 16;
    clock.Tick();
    CHECK(clock.elapsed == doctest::Approx(2.016));
    system->Update(clock.elapsed);
    CHECK(probe.age == doctest::Approx(1.016f));
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
        CHECK(clock.secondsPerTick == 0.001);
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

TEST_CASE("after any length of run a frame's step keeps its microseconds and the switch rule its bounds")
{
    constexpr double kDay = 86'400.0;
    constexpr double kFrame = 1.0 / 60.0;
    constexpr LONGLONG kFrequency = 10'000'000;
    FakeClock fake(true, kFrequency);
    GLWindow& clock = SharedWindow();
    gMode = ModeSaver;
    auto system = std::make_unique<ParticleSystem>();
    system->emitRate = 0;
    Particle& probe = system->particles[0];
    // Ticks the clock at `seconds` after its start and returns elapsed.
    auto tickAt = [&](double seconds) {
        gCounter = std::llround(seconds * kFrequency);
        clock.Tick();
        return clock.elapsed;
    };

    for (double uptime : {3'600.0, kDay, 30 * kDay, 365 * kDay}) {
        CAPTURE(uptime);
        gCounter = 0;
        clock.StartClock();
        system->Update(tickAt(uptime));
        probe.age = 0.0f;
        probe.lifetime = 100.0f;
        for (int frame = 1; frame <= 3; ++frame) {
            const float ageBefore = probe.age;
            system->Update(tickAt(uptime + frame * kFrame));
            CHECK(std::fabs((probe.age - ageBefore) - kFrame) < 1e-6);
        }

        const double lastSwitch = tickAt(uptime);
        for (int extra = 0; extra < 5; ++extra) {
            CAPTURE(extra);
            int frame = 1;
            while (frame < 60 * 40 && !IsPresetSwitchDue(tickAt(uptime + frame * kFrame), lastSwitch, extra))
                ++frame;
            const double sinceSwitch = clock.elapsed - lastSwitch;
            CHECK(sinceSwitch > 30.0 + extra);
            CHECK(sinceSwitch < 30.0 + extra + kFrame + 1e-6);
        }
    }
}

TEST_CASE("the millisecond timer counts on across its wraps for a year of frames")
{
    FakeClock timer(false);
    GLWindow& clock = SharedWindow();
    gMilliseconds = 4'000'000'000u;
    clock.StartClock();
    for (int days = 10; days <= 370; days += 10) {
        gMilliseconds += 10 * 86'400'000u;
        clock.Tick();
    }
    CHECK(clock.elapsed > 369 * 86'400.0);
    const double before = clock.elapsed;
    gMilliseconds += 17;
    clock.Tick();
    CHECK(std::fabs(clock.elapsed - before - 0.017) < 1e-6);
}
