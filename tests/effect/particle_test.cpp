#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "tests/effect/engine_fixture.h"

namespace {

// A particle of a still system that lives 10 s, at rest at the origin.
struct Single : Engine {
    Particle p;
    Single()
    {
        p.owner = system.get();
        p.lifetime = 10.0f;
    }
};

}  // namespace

TEST_CASE("a particle dies in the step that would carry its age to its lifetime")
{
    Single s;
    s.p.age = 1.0f;
    s.p.lifetime = 1.5f;
    s.p.velocity = Vector3(4, 0, 0);
    CHECK(s.p.Update(0.25f));
    CHECK(s.p.age == 1.25f);
    CHECK_FALSE(s.p.Update(0.25f));
    CHECK(s.p.age == -1.0f);
    CHECK(s.p.position.x == 1.0f);
    for (float dt : {0.0f, 5.0f}) {
        Particle fresh;
        CHECK_FALSE(fresh.Update(dt));
        CHECK(fresh.age == -1.0f);
    }
}

TEST_CASE("with floor set a particle ending below -25 settles there or rebounds at half speed")
{
    struct Case {
        const char* rule;
        bool floor;
        float y, vy, dt, expectedY, expectedVy;
    };
    const Case cases[] = {
        {"a move ending exactly at -25 triggers nothing", true, -24, -2, 0.5f, -25, -2},
        {"falling at exactly 5 it takes back its old height and rises at 2.5", true, -24, -5, 0.5f, -24, 2.5f},
        {"moving upward below the level it is put on the level at rest", true, -30, 2, 0.5f, -25, 0},
        {"a zero step still lifts a particle found below the level", true, -30, 1, 0, -25, 0},
        {"without floor the level means nothing", false, -30, 2, 0.5f, -29, 2},
    };
    for (const Case& c : cases) {
        CAPTURE(c.rule);
        Single s;
        s.system->floor = c.floor;
        s.p.position = Vector3(1, c.y, 0);
        s.p.velocity = Vector3(0, c.vy, 0);
        s.p.Update(c.dt);
        CheckVector(s.p.position, 1, c.expectedY, 0);
        CHECK(s.p.velocity.y == c.expectedVy);
    }

    SUBCASE("a resting particle sinks each step, is put back on the level, and slides on")
    {
        // Gravity adds 0.1 * 9.8 = 0.98 of downward speed per step; the next move
        // takes it 0.098 below the level, which resets it.
        Single s;
        s.system->floor = true;
        s.p.position = Vector3(0, -25, 0);
        s.p.velocity = Vector3(3, 0, 0);
        s.p.gravity = 1.0f;
        for (int step = 1; step <= 5; ++step) {
            s.p.Update(0.1f);
            CHECK(s.p.position.y == -25.0f);
            CHECK(s.p.velocity.y == doctest::Approx(-0.98f));
            CHECK(s.p.position.x == doctest::Approx(0.3f * step));
        }
    }
}

TEST_CASE("without floor or pull a particle moves with its old velocity before gravity acts")
{
    Single s;
    s.p.position = Vector3(1, 2, 3);
    s.p.velocity = Vector3(4, 0, -2);
    s.p.gravity = 2.0f;
    s.p.Update(0.5f);
    CheckVector(s.p.position, 3, 2, 2);
    CheckVector(s.p.velocity, 4, -9.8f, -2);
    s.p.Update(0.5f);
    CheckVector(s.p.previousPosition, 3, 2, 2);
    CheckVector(s.p.position, 5, -2.9f, 1);
    CheckVector(s.p.velocity, 4, -19.6f, -2);
}

TEST_CASE("colour, opacity, size and gravity change linearly; a zero step changes none of them")
{
    Single s;
    Particle& p = s.p;
    const float color[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    const float colorDelta[4] = {-0.25f, 0.5f, 0.125f, 7.0f};
    for (int i = 0; i < 4; ++i) {
        p.color[i] = color[i];
        p.colorDelta[i] = colorDelta[i];
    }
    p.alpha = 1.0f;
    p.alphaDelta = -0.5f;
    p.size = 2.0f;
    p.sizeDelta = 1.0f;
    p.gravity = 1.0f;
    p.gravityDelta = 2.0f;
    p.position = Vector3(1, 2, 3);

    CHECK(p.Update(0.0f));
    CheckVector(p.previousPosition, 1, 2, 3);
    CheckVector(p.position, 1, 2, 3);
    CHECK((p.color[0] == 1.0f && p.alpha == 1.0f && p.size == 2.0f && p.gravity == 1.0f));

    p.Update(0.5f);
    CHECK(p.color[0] == 0.875f);
    CHECK(p.color[1] == 0.75f);
    CHECK(p.color[2] == 0.0625f);
    CHECK(p.color[3] == 1.0f);
    CHECK(p.alpha == 0.75f);
    CHECK(p.size == 2.5f);
    CHECK(p.gravity == 2.0f);
    // The velocity felt the gravity from before the change.
    CHECK(p.velocity.y == doctest::Approx(-4.9f));
}

TEST_CASE("an attracted particle accelerates by 25 toward the emitter from where its move ended")
{
    struct Case {
        const char* rule;
        Vector3 emitter, start, velocity, expectedVelocity;
    };
    const Case cases[] = {
        {"the pull points from the position after the move", {3, 4, 0}, {-6, 0, 0}, {12, 0, 0}, {19.5f, 10, 0}},
        {"the pull does not weaken with distance", {300, 400, 0}, {0, 0, 0}, {0, 0, 0}, {7.5f, 10, 0}},
        {"a particle on the emitter feels no pull", {3, 4, 0}, {3, 4, 0}, {0, 0, 0}, {0, 0, 0}},
        {"a move landing on the emitter keeps its velocity", {3, 4, 0}, {-3, 4, 0}, {12, 0, 0}, {12, 0, 0}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.rule);
        Single s;
        s.system->attractive = true;
        s.system->emitterPosition = c.emitter;
        s.p.position = c.start;
        s.p.velocity = c.velocity;
        s.p.Update(0.5f);
        CheckVector(s.p.velocity, c.expectedVelocity.x, c.expectedVelocity.y, c.expectedVelocity.z);
    }
}

TEST_CASE("a vector adds in place, returning itself, and measures its length")
{
    Vector3 v(1, 2, 2);
    CHECK(v.Length() == 3.0f);
    CHECK(&(v += Vector3(2, 2, 10)) == &v);
    CheckVector(v, 3, 4, 12);
    CHECK(v.Length() == 13.0f);
    CheckVector(Vector3(), 0, 0, 0);
}
