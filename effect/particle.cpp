#include "effect/particle.h"

#include "effect/particle_system.h"

const Vector3 gGravity(0.0f, -9.8f, 0.0f);

namespace {

constexpr float kDeadAge = -1.0f;
constexpr float kUnemittedLifetime = -1000.0f;
// A particle under the floor level falling at least this fast rebounds; a slower
// one settles on the level.
constexpr float kReboundSpeed = -5.0f;
constexpr float kReboundFactor = -0.5f;
constexpr float kAttraction = 25.0f;
constexpr int kColorChannels = 3;

}  // namespace

// Fields that only emission gives meaning to start from zero, so that nothing
// indeterminate is ever read.
Particle::Particle()
    : color{1.0f, 0.5f, 0.2f, 0.5f},
      colorDelta{0.0f, 0.0f, 0.0f, 0.0f},
      age(0.0f),
      lifetime(kUnemittedLifetime),
      size(1.0f),
      sizeDelta(0.0f),
      alpha(0.0f),
      alphaDelta(0.0f),
      gravity(0.0f),
      gravityDelta(0.0f),
      owner(nullptr)
{
}

Particle::~Particle() {}

bool Particle::Update(float dt)
{
    // The step that would carry the particle to its lifetime is not taken, so the
    // linear changes never run past their end values.
    if (age + dt >= lifetime) {
        age = kDeadAge;
        return false;
    }
    age += dt;

    previousPosition = position;
    position.x += dt * velocity.x;
    position.y += dt * velocity.y;
    position.z += dt * velocity.z;

    // Only y is touched: the particle keeps sliding along the floor level.
    if (owner && owner->floor && position.y < kFloorLevel) {
        if (velocity.y > kReboundSpeed) {
            position.y = kFloorLevel;
            velocity.y = 0.0f;
        } else {
            position.y = previousPosition.y;
            velocity.y = kReboundFactor * velocity.y;
        }
    }

    velocity.x += dt * (gravity * gGravity.x);
    velocity.y += dt * (gravity * gGravity.y);
    velocity.z += dt * (gravity * gGravity.z);

    if (owner && owner->attractive) {
        const Vector3 toEmitter(owner->emitterPosition.x - position.x,
                                owner->emitterPosition.y - position.y,
                                owner->emitterPosition.z - position.z);
        const float distance = toEmitter.Length();
        // At distance 0 there is no direction; skipping the pull for this step
        // keeps infinity and NaN out of the pool.
        if (distance > 0.0f) {
            const float inverse = 1.0f / distance;
            velocity.x += dt * (kAttraction * (toEmitter.x * inverse));
            velocity.y += dt * (kAttraction * (toEmitter.y * inverse));
            velocity.z += dt * (kAttraction * (toEmitter.z * inverse));
        }
    }

    for (int channel = 0; channel < kColorChannels; ++channel)
        color[channel] += dt * colorDelta[channel];
    alpha += dt * alphaDelta;
    size += dt * sizeDelta;
    gravity += dt * gravityDelta;
    return true;
}
