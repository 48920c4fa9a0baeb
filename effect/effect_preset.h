#pragma once
#include <cstdint>

#include "effect/vector3.h"

class ParticleSystem;

// One complete look of the effect: camera placement and every emitter parameter.
// Each ...Start/...Var pair gives a new particle Start + Var * r, r in [-1, 1],
// clamped by the emitter; each ...End is the value a particle's linear change
// reaches at the end of its life. Stored values may lie outside the emitter's
// clamps and are kept as they are.
struct EffectPreset {
    Vector3 cameraPosition;
    Vector3 cameraAngles;   // degrees about x, y, z; the view applies their negatives
    float colorStart[3];    // red, green, blue
    float colorVar[3];
    float colorEnd[3];
    float alphaStart;
    float alphaVar;
    float alphaEnd;
    float sizeStart;
    float sizeVar;
    float sizeEnd;
    float speedStart;
    float speedVar;
    float spreadAngle;      // degrees from +y
    float lifeStart;
    float lifeVar;
    float gravityStart;     // in units of 9.8
    float gravityVar;
    float gravityEnd;
    uint32_t emitRate;      // particles per second
    uint8_t moving;         // 0 or 1
    uint8_t attractive;     // 0 or 1
    uint8_t floor;          // 0 or 1
};

// Slots of a particle system's table; only the first kDefinedPresetCount are ever
// chosen, the rest hold the default row.
constexpr int kPresetSlotCount = 20;
constexpr int kDefinedPresetCount = 9;

// Seconds between preset switches, before the random extra of 0 to 4 whole seconds.
constexpr float PresetSwitchInterval = 30.0f;
// The extra is rand() % kPresetSwitchExtras, drawn afresh each frame.
constexpr int kPresetSwitchExtras = 5;

// The switch rule of one frame: true when extraSeconds plus lastSwitch plus
// PresetSwitchInterval lies strictly before now.
bool IsPresetSwitchDue(double now, double lastSwitch, int extraSeconds);
// Applies one of the system's presets, chosen with rand().
void ApplyRandomPreset(ParticleSystem& system);
