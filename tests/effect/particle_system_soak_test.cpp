#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "tests/effect/engine_fixture.h"

#include <cmath>
#include <random>


namespace {

bool Finite(const Particle& p)
{
    const float values[] = {p.position.x, p.position.y, p.position.z, p.previousPosition.x,
                            p.previousPosition.y, p.previousPosition.z, p.velocity.x, p.velocity.y,
                            p.velocity.z, p.color[0], p.color[1], p.color[2], p.color[3],
                            p.colorDelta[0], p.colorDelta[1], p.colorDelta[2], p.age, p.lifetime,
                            p.size, p.sizeDelta, p.alpha, p.alphaDelta, p.gravity, p.gravityDelta};
    for (float value : values)
        if (!std::isfinite(value))
            return false;
    return true;
}

// A step of the frame clock: mostly ordinary frames, sometimes none at all, a
// stall of seconds, or one far beyond any lifetime and any 32-bit count.
float NextStep(std::mt19937& dice)
{
    switch (dice() % 10) {
    case 0:
        return 0.0f;
    case 1:
        return std::uniform_real_distribution<float>(1.0f, 12.0f)(dice);
    case 2:
        return dice() % 8 == 0 ? 1e9f : 1e-6f;
    default:
        return std::uniform_real_distribution<float>(0.001f, 0.1f)(dice);
    }
}

}  // namespace

TEST_CASE("a long random run keeps every live particle finite, and emission goes on after it")
{
    std::mt19937 dice(20240601);
    for (int run = 0; run < 3 * kDefinedPresetCount; ++run) {
        const int32_t moving = dice() % 2, attractive = dice() % 2, floor = dice() % 2;
        Engine e(moving, attractive, floor);
        gMode = dice() % 2 ? ModePreview : ModeSaver;
        e.system->random.srand(dice());
        e.system->ApplyPreset(run % kDefinedPresetCount);
        double time = 0.0;

        for (int update = 0; update < 300; ++update) {
            if (dice() % 50 == 0) {
                e.system->ApplyPreset(dice() % e.system->PresetCount());
                e.system->attractive = dice() % 2;
                e.system->floor = dice() % 2;
            }
            e.system->Update(time += NextStep(dice));
            bool finite = std::isfinite(e.system->emitCarry);
            for (const Particle& p : e.system->particles)
                finite = finite && (p.age < 0.0f || Finite(p));
            CAPTURE(run);
            CAPTURE(update);
            REQUIRE(finite);
        }
        // Then 11 s of ordinary frames, longer than any lifetime: the pool must hold
        // particles emitted since, and aging. After a stall of 1e9 s, steps taken from
        // the float roundings of the clock's times would be 0 and the picture frozen.
        for (int frame = 0; frame < 220; ++frame)
            e.system->Update(time += 0.05);
        bool aging = false;
        for (const Particle& p : e.system->particles)
            aging = aging || p.age > 0.0f;
        CAPTURE(run);
        CHECK(aging);
    }
}
