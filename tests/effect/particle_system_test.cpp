#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "tests/effect/engine_fixture.h"

#include <cmath>

TEST_CASE("a new pool is empty after the first update, however short")
{
    for (float time : {0.0f, 2.5f}) {
        Engine e;
        e.system->Update(time);
        CHECK(e.Live() == 0);
    }
}

TEST_CASE("the emission count carries its fraction from update to update")
{
    struct Step {
        float time;
        uint32_t rate;
        int expectedLive;
        float expectedCarry;
    };
    struct Case {
        const char* rule;
        SaverMode mode;
        float carry;
        Step steps[3];
    };
    // Lifetimes of 10 s: nothing dies within these runs.
    const Case cases[] = {
        {"73 a second in steps of 0.5 s emits 36, then 37", ModeSaver, 0,
         {{0.5f, 73, 36, 0.5f}, {1, 73, 73, 0}, {1, 73, 73, 0}}},
        {"the preview halves the rate, rounding down", ModePreview, 0,
         {{1, 73, 36, 0}, {2, 1, 36, 0}, {3, 1, 36, 0}}},
        {"rate 0 emits nothing and keeps the carry", ModeSaver, 0.75f,
         {{1, 0, 0, 0.75f}, {3, 0, 0, 0.75f}, {3, 0, 0, 0.75f}}},
        {"a full pool drops what it cannot take; only the fraction carries", ModeSaver, 0,
         {{1, 4000, 4000, 0}, {1.5f, 3, 4000, 0.5f}, {1.5f, 3, 4000, 0.5f}}},
        {"a stalled frame fills the pool once, whatever the carry", ModeSaver, 0,
         {{1e10f, 140, 4000, 0}, {1e10f, 140, 4000, 0}, {1e10f, 140, 4000, 0}}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.rule);
        Engine e;
        gMode = c.mode;
        e.system->lifeStart = 10.0f;
        e.system->emitCarry = c.carry;
        for (const Step& step : c.steps) {
            e.system->emitRate = step.rate;
            e.system->Update(step.time);
            CHECK(e.Live() == step.expectedLive);
            CHECK(e.system->emitCarry == step.expectedCarry);
        }
    }
}

TEST_CASE("new particles take the lowest free slots first")
{
    Engine e;
    ParticleSystem& s = *e.system;
    s.lifeStart = 5.0f;
    s.emitRate = 10;
    s.Update(1.0f);
    s.particles[3].age = -1.0f;
    s.particles[7].age = -1.0f;
    s.emitRate = 3;
    s.Update(2.0f);
    for (int slot = 0; slot < 12; ++slot) {
        CAPTURE(slot);
        CHECK(s.particles[slot].age == (slot == 3 || slot == 7 || slot == 10 ? 0.0f : slot < 10 ? 1.0f : -1.0f));
    }
}

TEST_CASE("a moving emitter orbits from (30, 50, 0) with its own coarse degree factor")
{
    Engine e;
    ParticleSystem& s = *e.system;
    s.moving = true;

    SUBCASE("it starts at orbit 0, bob 180, advances 50 and 30 degrees a second, waits at dt 0")
    {
        // 30 sin(180 * 0.01745) = 0.0178: the factor is 0.01745, not pi/180.
        s.Update(0.0f);
        CheckVector(s.emitterPosition, 30, 50.01778f, 0);
        for (int call = 0; call < 2; ++call) {
            s.Update(1.0f);
            CHECK(s.orbitAngle == 50.0f);
            CHECK(s.bobAngle == 210.0f);
            CheckVector(s.emitterPosition, 19.28741f, 35.01797f, 22.97816f);
        }
    }
    SUBCASE("an angle restarts at 0 only once it passes 359")
    {
        s.orbitAngle = 349.0f;
        s.bobAngle = 353.0f;
        s.Update(0.2f);
        CHECK(s.orbitAngle == 359.0f);
        CHECK(s.bobAngle == 359.0f);
        s.orbitAngle = 350.0f;
        s.bobAngle = 356.0f;
        s.Update(0.4f);
        CHECK(s.orbitAngle == 0.0f);
        CHECK(s.bobAngle == 0.0f);
        CheckVector(s.emitterPosition, 30, 50, 0);
    }
    SUBCASE("a still emitter sits at (0, 10, 0) and the angles wait")
    {
        s.Update(1.0f);
        s.moving = false;
        s.Update(2.0f);
        CheckVector(s.emitterPosition, 0, 10, 0);
        CHECK(s.orbitAngle == 50.0f);
    }
}

TEST_CASE("new particles start on the emitter's path, on the line through the origin at first")
{
    for (bool moving : {false, true}) {
        CAPTURE(moving);
        Engine e;
        ParticleSystem& s = *e.system;
        s.emitRate = 200;
        s.lifeStart = 5.0f;
        s.moving = moving;
        s.Update(1.0f);
        const Vector3 end = s.emitterPosition;
        int below = 0;
        for (const Particle& p : s.particles) {
            if (p.age < 0.0f)
                continue;
            const float along = p.position.y / end.y;
            CHECK(std::fabs(along) <= 1.0f);
            CHECK(p.position.x == doctest::Approx(along * end.x));
            CHECK(p.position.z == doctest::Approx(along * end.z));
            CheckVector(p.previousPosition, end.x, end.y, end.z);
            below += along < 0.0f;
        }
        CHECK(below > 0);
    }
    // Once the still emitter has a previous position, its whole path is one point.
    Engine e;
    e.system->emitRate = 200;
    e.system->lifeStart = 5.0f;
    e.system->Update(1.0f);
    e.system->Update(2.0f);
    for (const Particle& p : e.system->particles)
        if (p.age == 0.0f)
            CheckVector(p.position, 0, 10, 0);
}

TEST_CASE("launch directions lie in the cone of the spread angle around +y")
{
    struct Case {
        float spread, lowestCosine;
    };
    for (const Case c : {Case{0.0f, 1.0f}, Case{30.0f, 0.866f}, Case{180.0f, -1.0f}}) {
        CAPTURE(c.spread);
        Engine e;
        ParticleSystem& s = *e.system;
        s.emitRate = 1000;
        s.speedStart = 20.0f;
        s.spreadAngle = c.spread;
        s.Update(1.0f);
        int downward = 0;
        for (const Particle& p : s.particles) {
            if (p.age < 0.0f)
                continue;
            CHECK(p.velocity.Length() == doctest::Approx(20.0f));
            CHECK(p.velocity.y >= c.lowestCosine * 20.0f - 1e-3f);
            downward += p.velocity.y < 0.0f;
        }
        CHECK((downward > 0) == (c.spread == 180.0f));
    }
    // Straight up means exactly up.
    Engine e;
    e.system->emitRate = 100;
    e.system->speedStart = 20.0f;
    e.system->Update(1.0f);
    CheckVector(e.system->particles[42].velocity, 0, 20, 0);
    CHECK(e.system->particles[42].velocity.x == 0.0f);
}

TEST_CASE("emission clamps each start value and derives the deltas from the clamped ones")
{
    struct Case {
        const char* name;
        float lifeStart, colorStart[3], colorEnd[3], alphaStart, alphaEnd, sizeStart, sizeEnd,
            gravityStart, gravityEnd, speedStart;
        float lifetime, color[3], colorDelta[3], alpha, alphaDelta, size, sizeDelta, gravity,
            gravityDelta, speed;
    };
    const Case cases[] = {
        {"above the bounds", 20, {1.5f, -0.5f, 0.25f}, {0, 1, 0.25f}, 2, 0, 12, 2, 6, 1, 300,
         10, {1, 0, 0.25f}, {-0.1f, 0.1f, 0}, 1, -0.1f, 10, -0.8f, 49, (9.8f - 49) / 10, 250},
        {"below the bounds", -1, {-1, 2, 0.5f}, {0.5f, 0.5f, 0.5f}, -1, 0.5f, 0, 1, -6, 0, -3,
         0.1f, {0, 1, 0.5f}, {5, -5, 0}, 0, 5, 0.5f, 5, -49, 490, 0},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Engine e;
        ParticleSystem& s = *e.system;
        s.emitRate = 1;
        s.lifeStart = c.lifeStart;
        for (int i = 0; i < 3; ++i) {
            s.colorStart[i] = c.colorStart[i];
            s.colorEnd[i] = c.colorEnd[i];
        }
        s.alphaStart = c.alphaStart;
        s.alphaEnd = c.alphaEnd;
        s.sizeStart = c.sizeStart;
        s.sizeEnd = c.sizeEnd;
        s.gravityStart = c.gravityStart;
        s.gravityEnd = c.gravityEnd;
        s.speedStart = c.speedStart;
        s.Update(1.0f);

        // Emitted in this update, so neither aged nor moved.
        const Particle& p = s.particles[0];
        CHECK(p.age == 0.0f);
        CHECK(p.lifetime == doctest::Approx(c.lifetime));
        for (int i = 0; i < 3; ++i) {
            CHECK(p.color[i] == doctest::Approx(c.color[i]));
            CHECK(p.colorDelta[i] == doctest::Approx(c.colorDelta[i]));
        }
        CHECK(p.color[3] == 1.0f);
        CHECK(p.alpha == doctest::Approx(c.alpha));
        CHECK(p.alphaDelta == doctest::Approx(c.alphaDelta));
        CHECK(p.size == doctest::Approx(c.size));
        CHECK(p.sizeDelta == doctest::Approx(c.sizeDelta));
        CHECK(p.gravity == doctest::Approx(c.gravity));
        CHECK(p.gravityDelta == doctest::Approx(c.gravityDelta));
        CheckVector(p.velocity, 0, c.speed, 0);
    }
}

TEST_CASE("a variation reaching past a bound piles about half the particles on it")
{
    Engine e;
    ParticleSystem& s = *e.system;
    s.emitRate = kParticleCount;
    s.lifeVar = 5.0f;
    s.sizeVar = 20.0f;
    s.speedVar = 6.0f;
    s.Update(1.0f);
    int shortest = 0, smallest = 0, still = 0;
    for (const Particle& p : s.particles) {
        CHECK((p.lifetime >= 0.1f && p.lifetime <= 5.0f && p.size <= 10.0f));
        shortest += p.lifetime == 0.1f;
        smallest += p.size == 0.5f;
        still += p.velocity.Length() == 0.0f;
    }
    for (int count : {shortest, smallest, still})
        CHECK(count == doctest::Approx(2000).epsilon(0.1));
}

TEST_CASE("particles emitted at rest on an attracting still emitter stay there, finite")
{
    Engine e;
    e.system->emitRate = 100;
    e.system->lifeStart = 5.0f;
    e.system->attractive = true;
    for (float time : {1.0f, 2.0f, 3.0f})
        e.system->Update(time);
    int onEmitter = 0;
    for (const Particle& p : e.system->particles) {
        if (p.age < 0.0f || p.position.x != 0.0f || p.position.y != 10.0f || p.position.z != 0.0f)
            continue;
        ++onEmitter;
        CHECK(p.velocity.Length() == 0.0f);
    }
    CHECK(onEmitter >= 200);
}

TEST_CASE("single-precision sums decide emission counts and deaths exactly as written")
{
    SUBCASE("preset 1 at 50 a second over a first step of 0.42 s emits 21 and carries nothing")
    {
        Engine e;
        e.system->ApplyPreset(1);
        e.system->Update(0.42f);
        CHECK(e.Live() == 21);
        CHECK(e.system->emitCarry == 0.0f);
    }
    SUBCASE("age 0.1 plus a step of 0.2 reaches a lifetime of 0.3")
    {
        Engine e;
        Particle p;
        p.owner = e.system.get();
        p.age = 0.1f;
        p.lifetime = 0.3f;
        CHECK_FALSE(p.Update(0.2f));
        CHECK(p.age == -1.0f);
    }
}

// The engine steps by the clock, so that saving power by drawing half the
// frames changes no picture: the particles alive, averaged over 10 s, agree.
TEST_CASE("the live particles of every preset over 10 s agree within 3 % at 30, 60 and 144 steps a second")
{
    for (int preset = 0; preset < kDefinedPresetCount; ++preset) {
        double mean[3] = {};
        const double steps[] = {1.0 / 60, 1.0 / 30, 1.0 / 144};
        for (int i = 0; i < 3; ++i) {
            Engine e(1, 0, 1);
            e.system->random.srand(1);
            e.system->ApplyPreset(preset);
            const int frames = static_cast<int>(10 / steps[i]);
            for (int frame = 1; frame <= frames; ++frame) {
                e.system->Update(frame * steps[i]);
                mean[i] += double(e.Live()) / frames;
            }
        }
        CAPTURE(preset);
        CHECK(mean[1] == doctest::Approx(mean[0]).epsilon(0.03));
        CHECK(mean[2] == doctest::Approx(mean[0]).epsilon(0.03));
    }
}
