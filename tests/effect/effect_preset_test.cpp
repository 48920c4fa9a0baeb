#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "tests/effect/engine_fixture.h"

#include <vector>

namespace {

// The preset fields in declaration order; a ParticleSystem's live fields have the
// same names, so one reader serves both.
template <typename Fields>
std::vector<float> ValuesOf(const Fields& p)
{
    return {p.cameraPosition.x, p.cameraPosition.y, p.cameraPosition.z,
            p.cameraAngles.x, p.cameraAngles.y, p.cameraAngles.z,
            p.colorStart[0], p.colorStart[1], p.colorStart[2],
            p.colorVar[0], p.colorVar[1], p.colorVar[2],
            p.colorEnd[0], p.colorEnd[1], p.colorEnd[2],
            p.alphaStart, p.alphaVar, p.alphaEnd, p.sizeStart, p.sizeVar, p.sizeEnd,
            p.speedStart, p.speedVar, p.spreadAngle, p.lifeStart, p.lifeVar,
            p.gravityStart, p.gravityVar, p.gravityEnd, float(p.emitRate),
            float(p.moving), float(p.attractive), float(p.floor)};
}

constexpr int kNumericFields = 30;

// One row per field, one column per preset, as the effect's looks were designed.
const float kExpectedTable[kNumericFields][kDefinedPresetCount] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 30},                      // camera x
    {55, 55, 55, 55, 40, 20, 40, 10, 55},              // camera y
    {120, 120, 120, 170, 120, 150, 100, 100, 160},     // camera z
    {-3, -15, -10, -14, -4, 0, 0, 35, -3},             // angle x
    {0, 0, 0, 0, 0, 0, 0, 0, -6},                      // angle y
    {0, 0, 0, 0, 0, 0, 0, 0, 0},                       // angle z
    {0.3f, 1, 1, 1, 0, 1, 0, 0.4f, 1},                 // colour start red
    {0, 1, 0.3f, 1, 0.6f, 0.8f, 0, 0.1f, 0.6f},        // green
    {0.5f, 0.2f, 0, 1, 0.1f, 0.5f, 0, 0, 1},           // blue
    {0.1f, 0, 0, 0, 0, 0, 1, 0, 0},                    // colour var red
    {0, 0, 0, 0, 0, 0, 1, 0, 0},                       // green
    {-0.1f, 0, 0, 0, 0, 0, 1, 0, 0},                   // blue
    {0.8f, 1, 0.8f, 0, 1, 0, 0, 0, 0},                 // colour end red
    {0.3f, 0, 0.6f, 0, 1, 0, 0, 0.6f, 0.5f},           // green
    {0, 0, 0, 1, 1, 1, 0, 0, 0},                       // blue
    {0.6f, 1, 0.5f, 1, 0.8f, 0.5f, 0.7f, 0.8f, 0.4f},  // alpha start
    {0.3f, 0, 0, 0, 0, 0, 0.3f, 0.1f, 0},              // alpha var
    {0, 0, 0, 0, 0.4f, 0, 0, 0, 0},                    // alpha end
    {5, 3.5f, 4, 6, 10, 4, 0, 20, 6},                  // size start
    {3, 0, 0, 0, 0, 0, 20, 2, 0},                      // size var
    {3, 3, 8, 2, 5, 8, 0, 6, 16},                      // size end
    {10, 10, 15, 200, 40, 15, 0, 10, 15},              // speed start
    {0, 0, 0, 10, 0, 0, 6, 0, 0},                      // speed var
    {31.77f, 90, 180, 20, 180, 180, 120, 60, 70},      // spread
    {5.15f, 3.5f, 1, 3, 4, 1, 0, 3.5f, 3},             // life start
    {0, 0.5f, 0.5f, 0, 0, 0.5f, 5, 0, 0},              // life var
    {0.01f, 2, 0, 4, 0, 0, 0, 0, 0},                   // gravity start
    {0, 0, 0, 0, 0, 0, 0.3f, 0.3f, 0},                 // gravity var
    {0.09f, 1, 0, 4, 0, 0, 0, 0, 0.1f},                // gravity end
    {73, 50, 80, 100, 60, 80, 140, 140, 44},           // emit rate
};

}  // namespace

TEST_CASE("the built-in table holds nine looks, value by value, and slots 9 to 19 repeat look 0")
{
    Engine e(1, 1, 1);
    CHECK(e.system->PresetCount() == 9);
    for (int slot = 0; slot < kPresetSlotCount; ++slot) {
        CAPTURE(slot);
        const std::vector<float> actual = ValuesOf(e.system->presets[slot]);
        for (int field = 0; field < kNumericFields; ++field) {
            CAPTURE(field);
            CHECK(actual[field] == kExpectedTable[field][slot < kDefinedPresetCount ? slot : 0]);
        }
        if (slot >= kDefinedPresetCount)
            CHECK(actual == ValuesOf(e.system->presets[0]));
    }
}

TEST_CASE("preset flags follow the settings read at construction, but for the fixed overrides")
{
    struct Case {
        int32_t moving, attractive, floor;
        uint8_t flags[kDefinedPresetCount][3];  // moving, attractive, floor; later slots as 0
    };
    const Case cases[] = {
        {0, 0, 0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0},
                   {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {1, 1, 1, {{1, 1, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 1, 1},
                   {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}},
        {7, 0, -1, {{1, 0, 1}, {1, 0, 1}, {1, 0, 1}, {0, 0, 1}, {0, 1, 1},
                    {1, 0, 1}, {1, 0, 1}, {1, 0, 1}, {1, 0, 1}}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.moving);
        Engine e(c.moving, c.attractive, c.floor);
        const ParticleSystem* system = e.system.get();
        // Later changes of the settings do not reach the table.
        e.settings.moving = !c.moving;
        e.settings.attractive = !c.attractive;
        e.settings.floor = !c.floor;
        for (int slot = 0; slot < kPresetSlotCount; ++slot) {
            CAPTURE(slot);
            const uint8_t* flags = c.flags[slot < kDefinedPresetCount ? slot : 0];
            CHECK(system->presets[slot].moving == flags[0]);
            CHECK(system->presets[slot].attractive == flags[1]);
            CHECK(system->presets[slot].floor == flags[2]);
        }
    }
}

TEST_CASE("applying a preset copies every field and leaves particles, emitter and clock alone")
{
    Engine e(1, 1, 1);
    ParticleSystem& s = *e.system;
    s.ApplyPreset(0);
    s.Update(1.0f);
    s.Update(1.25f);
    s.colorStart[3] = 0.25f;
    s.colorEnd[3] = 0.75f;
    const Particle before = s.particles[17];
    REQUIRE(before.age == 0.25f);
    const Vector3 emitter = s.emitterPosition;
    const float carry = s.emitCarry;

    for (int slot : {0, 3, 4, 8, 12, 4}) {
        CAPTURE(slot);
        s.ApplyPreset(slot);
        CHECK(ValuesOf(s) == ValuesOf(s.presets[slot]));
        CHECK((s.colorStart[3] == 0.25f && s.colorVar[3] == 0.0f && s.colorEnd[3] == 0.75f));
        const Particle& after = s.particles[17];
        CHECK((after.age == before.age && after.position.y == before.position.y &&
               after.velocity.x == before.velocity.x && after.color[1] == before.color[1] &&
               after.sizeDelta == before.sizeDelta && after.gravity == before.gravity));
        CHECK((s.emitterPosition.x == emitter.x && s.previousEmitterPosition.z == emitter.z));
        CHECK(s.emitCarry == carry);
        CHECK(s.lastTime == 1.25f);
    }
}

TEST_CASE("the preset switch comes never within 30 s of the last one and always after 34 s")
{
    struct Case {
        float now, lastSwitch;
        int extraSeconds;
        bool due;
    };
    const Case cases[] = {
        {30.0f, 0.0f, 0, false},  {30.01f, 0.0f, 0, true},  {31.0f, 0.0f, 1, false}, {31.5f, 0.0f, 1, true},
        {34.0f, 0.0f, 4, false},  {34.01f, 0.0f, 4, true},  {100.0f, 70.0f, 0, false}, {104.5f, 70.0f, 4, true},
        {29.0f, 0.0f, 0, false},  {0.0f, 0.0f, 0, false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.now);
        CAPTURE(c.lastSwitch);
        CAPTURE(c.extraSeconds);
        CHECK(IsPresetSwitchDue(c.now, c.lastSwitch, c.extraSeconds) == c.due);
    }
    for (int extra = 0; extra < 5; ++extra) {
        CHECK_FALSE(IsPresetSwitchDue(40.0f, 10.0f, extra));
        CHECK(IsPresetSwitchDue(44.01f, 10.0f, extra));
    }
}
