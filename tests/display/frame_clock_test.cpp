// A view's frame clock on a controllable time source: the performance counter,
// the millisecond-timer fallback with its wrap, and the resting clock.
#include <doctest/doctest.h>

#include <cmath>
#include <initializer_list>
#include <memory>

#include "display/frame_clock.h"
#include "effect/effect_preset.h"
#include "effect/particle_system.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

bool gHasCounter;
int64_t gFrequency;
int64_t gCounter;
uint32_t gMilliseconds;

bool FakeFrequency(int64_t& value)
{
    value = gFrequency;
    return gHasCounter;
}
int64_t FakeCounter() { return gCounter; }
uint32_t FakeMilliseconds() { return gMilliseconds; }

// A clock on the fake source, which starts at 0.
struct FakeClock : FrameClock {
    explicit FakeClock(bool hasCounter, int64_t frequency = 0)
        : FrameClock({FakeFrequency, FakeCounter, FakeMilliseconds})
    {
        gHasCounter = hasCounter;
        gFrequency = frequency;
        gCounter = 0;
        gMilliseconds = 0;
        gSettings = &settings;
        gMode = ModeSaver;
    }
    SaverSettings settings;
};

}  // namespace

TEST_CASE("the performance counter gives seconds since the start, ticked once per frame")
{
    FakeClock clock(true, 10'000'000);
    gCounter = 5'000'000;
    clock.Start();
    CHECK(clock.usePerformanceCounter);
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
    constexpr int64_t kFrequency = 1000;
    FakeClock clock(true, kFrequency);
    auto system = std::make_unique<ParticleSystem>();
    clock.Start();
    gCounter = 2000;
    clock.Tick();
    system->emitRate = 0;
    system->Update(clock.elapsed);
    Particle& probe = system->particles[0];
    probe.age = 1.0f;
    probe.lifetime = 100.0f;

    clock.Rest();
    gCounter += 60 * kFrequency;
    clock.Tick();
    CHECK(clock.elapsed == 2.0);
    CHECK(clock.seconds == 62.0);
    clock.Wake();
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
        FakeClock clock(hasCounter, 0);
        gMilliseconds = 4'294'967'040u;  // 256 ms before the timer wraps
        clock.Start();
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

TEST_CASE("after any length of run a frame's step keeps its microseconds and the switch rule its bounds")
{
    constexpr double kDay = 86'400.0;
    constexpr double kFrame = 1.0 / 60.0;
    constexpr int64_t kFrequency = 10'000'000;
    FakeClock clock(true, kFrequency);
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
        clock.Start();
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
    FakeClock clock(false);
    gMilliseconds = 4'000'000'000u;
    clock.Start();
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
