#include "effect/effect_preset.h"

#include "effect/particle_system.h"

namespace {

// The built-in looks, numeric fields only; their flags come from the settings
// and the fixed overrides in InitPresets. Row 0 is the default row.
constexpr EffectPreset kBuiltInPresets[kDefinedPresetCount] = {
    // camera position, camera angles, colour start, var, end,
    // alpha start/var/end, size start/var/end, speed start/var, spread,
    // life start/var, gravity start/var/end, rate
    {{0, 55, 120}, {-3, 0, 0}, {0.3f, 0, 0.5f}, {0.1f, 0, -0.1f}, {0.8f, 0.3f, 0},
     0.6f, 0.3f, 0, 5, 3, 3, 10, 0, 31.77f, 5.15f, 0, 0.01f, 0, 0.09f, 73, 0, 0, 0},
    {{0, 55, 120}, {-15, 0, 0}, {1, 1, 0.2f}, {0, 0, 0}, {1, 0, 0},
     1, 0, 0, 3.5f, 0, 3, 10, 0, 90, 3.5f, 0.5f, 2, 0, 1, 50, 0, 0, 0},
    {{0, 55, 120}, {-10, 0, 0}, {1, 0.3f, 0}, {0, 0, 0}, {0.8f, 0.6f, 0},
     0.5f, 0, 0, 4, 0, 8, 15, 0, 180, 1, 0.5f, 0, 0, 0, 80, 0, 0, 0},
    {{0, 55, 170}, {-14, 0, 0}, {1, 1, 1}, {0, 0, 0}, {0, 0, 1},
     1, 0, 0, 6, 0, 2, 200, 10, 20, 3, 0, 4, 0, 4, 100, 0, 0, 0},
    {{0, 40, 120}, {-4, 0, 0}, {0, 0.6f, 0.1f}, {0, 0, 0}, {1, 1, 1},
     0.8f, 0, 0.4f, 10, 0, 5, 40, 0, 180, 4, 0, 0, 0, 0, 60, 0, 0, 0},
    {{0, 20, 150}, {0, 0, 0}, {1, 0.8f, 0.5f}, {0, 0, 0}, {0, 0, 1},
     0.5f, 0, 0, 4, 0, 8, 15, 0, 180, 1, 0.5f, 0, 0, 0, 80, 0, 0, 0},
    {{0, 40, 100}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {0, 0, 0},
     0.7f, 0.3f, 0, 0, 20, 0, 0, 6, 120, 0, 5, 0, 0.3f, 0, 140, 0, 0, 0},
    {{0, 10, 100}, {35, 0, 0}, {0.4f, 0.1f, 0}, {0, 0, 0}, {0, 0.6f, 0},
     0.8f, 0.1f, 0, 20, 2, 6, 10, 0, 60, 3.5f, 0, 0, 0.3f, 0, 140, 0, 0, 0},
    {{30, 55, 160}, {-3, -6, 0}, {1, 0.6f, 1}, {0, 0, 0}, {0, 0.5f, 0},
     0.4f, 0, 0, 6, 0, 16, 15, 0, 70, 3, 0, 0, 0, 0.1f, 44, 0, 0, 0},
};

constexpr int kNeverAttracts = 1;
constexpr int kNeverOrbits = 3;
constexpr int kAlwaysAttractsNeverOrbits = 4;

uint8_t FlagOf(int32_t setting)
{
    return setting != 0 ? 1 : 0;
}

}  // namespace

void ParticleSystem::InitPresets(const SaverSettings& settings)
{
    const uint8_t settingMoving = FlagOf(settings.moving);
    const uint8_t settingAttractive = FlagOf(settings.attractive);
    const uint8_t settingFloor = FlagOf(settings.floor);

    for (int slot = 0; slot < kPresetSlotCount; ++slot) {
        presets[slot] = kBuiltInPresets[slot < kDefinedPresetCount ? slot : 0];
        presets[slot].moving = settingMoving;
        presets[slot].attractive = settingAttractive;
        presets[slot].floor = settingFloor;
    }
    presets[kNeverAttracts].attractive = 0;
    presets[kNeverOrbits].moving = 0;
    presets[kAlwaysAttractsNeverOrbits].moving = 0;
    presets[kAlwaysAttractsNeverOrbits].attractive = 1;

    presetCount = kDefinedPresetCount;
}

// The fourth component of the emitter's colours is not part of a preset and is
// left as it is; the particles in flight, the emitter's positions, the carry and
// the clock are not touched either.
void ParticleSystem::ApplyPreset(int index)
{
    const EffectPreset& preset = presets[index];
    cameraPosition = preset.cameraPosition;
    cameraAngles = preset.cameraAngles;
    for (int channel = 0; channel < 3; ++channel) {
        colorStart[channel] = preset.colorStart[channel];
        colorVar[channel] = preset.colorVar[channel];
        colorEnd[channel] = preset.colorEnd[channel];
    }
    alphaStart = preset.alphaStart;
    alphaVar = preset.alphaVar;
    alphaEnd = preset.alphaEnd;
    sizeStart = preset.sizeStart;
    sizeVar = preset.sizeVar;
    sizeEnd = preset.sizeEnd;
    speedStart = preset.speedStart;
    speedVar = preset.speedVar;
    spreadAngle = preset.spreadAngle;
    lifeStart = preset.lifeStart;
    lifeVar = preset.lifeVar;
    gravityStart = preset.gravityStart;
    gravityVar = preset.gravityVar;
    gravityEnd = preset.gravityEnd;
    emitRate = preset.emitRate;
    moving = preset.moving != 0;
    attractive = preset.attractive != 0;
    floor = preset.floor != 0;
}

bool IsPresetSwitchDue(double now, double lastSwitch, int extraSeconds)
{
    return extraSeconds + lastSwitch + PresetSwitchInterval < now;
}

void ApplyRandomPreset(ParticleSystem& system)
{
    system.ApplyPreset(system.random.rand() % system.PresetCount());
}
