#pragma once
#include "effect/vector3.h"

class ParticleSystem;

// Acceleration of a particle whose gravity multiplier is 1: (0, -9.8, 0) world
// units per second squared. Constant for the life of the process.
extern const Vector3 gGravity;

// Height below which a particle of a system with `floor` set bounces or settles.
constexpr float kFloorLevel = -25.0f;

// One sprite of the effect. A slot of its system's pool: live while age >= 0,
// free while age < 0. The emitter sets every field when it turns a free slot live.
class Particle {
public:
    // Live with age 0 but lifetime -1000, so the first Update frees it.
    Particle();
    virtual ~Particle();

    // Advances the particle by dt seconds: moves with the velocity it had, settles
    // or bounces at kFloorLevel when the owner's `floor` is set, then gravity and,
    // when the owner's `attractive` is set, a pull of 25 units/s^2 toward the
    // owner's emitterPosition change the velocity; colour, alpha, size and gravity
    // change linearly. Returns false, changing only age (to -1), when age + dt
    // reaches lifetime. A particle exactly on the emitter feels no pull in that
    // step, so every value stays finite. A particle without owner feels neither
    // floor nor pull.
    bool Update(float dt);

    Vector3 previousPosition;
    Vector3 position;
    Vector3 velocity;
    float color[4];       // red, green, blue; the fourth is carried, never read
    float colorDelta[4];  // per second; the fourth is never used
    float age;
    float lifetime;
    float size;           // centre to each corner of the drawn diamond
    float sizeDelta;
    float alpha;          // the opacity drawing uses
    float alphaDelta;
    float gravity;        // multiplier of gGravity
    float gravityDelta;
    ParticleSystem* owner;  // not owned
};
