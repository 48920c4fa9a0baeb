#pragma once
#include <cstdint>

#include "effect/effect_preset.h"
#include "effect/particle.h"
#include "effect/random.h"
#include "effect/vector3.h"
#include "shell/saver_settings.h"

constexpr int kParticleCount = 4000;
// A sprite's two triangles: top, left, right, then right, left, bottom.
constexpr int kSpriteVertexCount = 6;

// One corner of a sprite as Draw hands it to OpenGL: texture, colour, position.
struct SpriteVertex {
    float s, t;
    float color[4];
    float x, y, z;
};

// The emitter with its pool of particles, its camera and its preset table
// (engine: particle_system.cpp; presets: effect_preset.cpp; Draw:
// particle_draw.cpp). The pool and the table live inside the object; nothing is
// allocated after construction. Fields are public: the scene reads the camera
// and `floor`, the particles read `floor`, `attractive` and `emitterPosition`.
class ParticleSystem {
public:
    // Zero camera, emitter and parameters, a pool that the first Update empties,
    // and the preset table filled from `settings` (by default *gSettings, which
    // must then be loaded), read now only.
    explicit ParticleSystem(const SaverSettings& settings = *gSettings);
    virtual ~ParticleSystem();

    // Advances to `time` (seconds, finite, never decreasing): dt is the step from
    // the previous call's time (from 0 at the first), taken between the two doubles
    // and then used as a float, so that steps keep their resolution after any
    // length of run. Moves the emitter, ages the live particles, then fills the
    // lowest free slots with new ones at emitRate per second (half, rounded down,
    // in ModePreview); the unemitted fraction carries over, whatever finds no free
    // slot is dropped.
    void Update(double time);

    // One textured diamond per live particle, facing the camera, all in one
    // vertex-array draw from spriteVertices; expects the view transform, the
    // bound sprite texture and blending to be set, and leaves the matrices and
    // the client arrays as it found them. Windows build only.
    void Draw() const;

    int32_t PresetCount() const;

    // Fills `presets` and `presetCount`; the settings' flags are read now only.
    void InitPresets(const SaverSettings& settings);
    // Copies presets[index] into the live camera, emitter parameters and flags;
    // nothing else changes. index must lie in [0, PresetCount()); not checked.
    void ApplyPreset(int index);

    Vector3 cameraAngles;   // degrees about x, y, z
    Vector3 cameraPosition;
    uint32_t emitRate;
    Vector3 previousEmitterPosition;  // at the end of the previous Update
    Vector3 emitterPosition;          // as placed at the start of this Update
    float gravityStart, gravityVar, gravityEnd;  // in units of 9.8
    float sizeStart, sizeVar, sizeEnd;
    float alphaStart, alphaVar, alphaEnd;
    float colorStart[4], colorVar[4], colorEnd[4];  // the fourth stays 0, unused
    float speedStart, speedVar;
    float lifeStart, lifeVar;
    float spreadAngle;  // degrees: half-angle of the cone of directions around +y
    bool moving;
    bool attractive;
    bool floor;
    float emitCarry;    // fraction of a particle owed to the next Update
    // The emitter's drift in degrees, kept across calls and preset switches:
    // orbit 0 and bob 180 when the system is made.
    float orbitAngle;
    float bobAngle;
    // Every random value of this system: its emission, its preset choice and
    // its scene's switch rule.
    Random random;
    Particle particles[kParticleCount];
    double lastTime;    // time of the previous Update
    EffectPreset presets[kPresetSlotCount];
    int32_t presetCount;
    // Draw's storage, filled afresh each frame.
    mutable SpriteVertex spriteVertices[kParticleCount * kSpriteVertexCount];

private:
    void PlaceEmitter(float dt);
    void Emit(Particle& particle);
};
