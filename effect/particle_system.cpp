#include "effect/particle_system.h"

#include <cmath>

#include "shell/saver_mode.h"

namespace {

// Emitter drift: degrees per second, wrap point, and the orbit's shape.
constexpr float kOrbitSpeed = 50.0f;
constexpr float kBobSpeed = 30.0f;
constexpr float kAngleWrap = 359.0f;
constexpr float kStartOrbitAngle = 0.0f;
constexpr float kStartBobAngle = 180.0f;
constexpr float kOrbitRadius = 30.0f;
constexpr float kOrbitHeight = 50.0f;
// The drift's own degree-to-radian factor, deliberately coarser than pi/180.
constexpr float kDriftRadiansPerDegree = 0.01745f;
const Vector3 kStillEmitterPosition(0.0f, 10.0f, 0.0f);

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRadiansPerDegree = 0.017453292519943295;
// 1/32767: two generator values 0..32767 apart give a factor in [-1, 1].
constexpr float kRandomScale = 3.0518509e-5f;
// The emitter's gravity parameters are in units of this many world units/s^2.
constexpr float kGravityUnit = 9.8f;

constexpr float kMinLifetime = 0.1f;
constexpr float kMaxLifetime = 10.0f;
constexpr float kMinSize = 0.5f;
constexpr float kMaxSize = 10.0f;
constexpr float kMaxGravity = 49.0f;
constexpr float kMaxSpeed = 250.0f;
constexpr int kColorChannels = 3;

// Symmetric, triangular around 0; the difference of the two draws is exact.
float RandomFactor(Random& random)
{
    const int a = random.rand();
    const int b = random.rand();
    return static_cast<float>(a - b) * kRandomScale;
}

// At or above the upper bound gives the upper bound.
float Clamp(float value, float low, float high)
{
    if (value < low)
        return low;
    if (value >= high)
        return high;
    return value;
}

}  // namespace

ParticleSystem::ParticleSystem(const SaverSettings& settings)
    : emitRate(0),
      gravityStart(0.0f), gravityVar(0.0f), gravityEnd(0.0f),
      sizeStart(0.0f), sizeVar(0.0f), sizeEnd(0.0f),
      alphaStart(0.0f), alphaVar(0.0f), alphaEnd(0.0f),
      colorStart{}, colorVar{}, colorEnd{},
      speedStart(0.0f), speedVar(0.0f),
      lifeStart(0.0f), lifeVar(0.0f),
      spreadAngle(0.0f),
      moving(false), attractive(false), floor(false),
      emitCarry(0.0f),
      orbitAngle(kStartOrbitAngle), bobAngle(kStartBobAngle),
      lastTime(0.0),
      presets{},
      presetCount(0)
{
    InitPresets(settings);
    for (Particle& particle : particles)
        particle.owner = this;
}

ParticleSystem::~ParticleSystem() {}

int32_t ParticleSystem::PresetCount() const
{
    return presetCount;
}

void ParticleSystem::Update(double time)
{
    const float dt = static_cast<float>(time - lastTime);
    lastTime = time;

    // Placed before aging, so attracted particles pull toward the new position.
    PlaceEmitter(dt);

    for (Particle& particle : particles) {
        if (particle.age >= 0.0f)
            particle.Update(dt);
    }

    const uint32_t rate = gMode == ModePreview ? emitRate >> 1 : emitRate;
    const float carry = static_cast<float>(rate) * dt + emitCarry;
    // Truncated in float: a carry beyond the range of a 32-bit count (a stalled
    // frame) cannot be converted to one, and no more than a full pool of it is
    // ever used, so the count is capped at the pool size.
    const float whole = std::trunc(carry);
    emitCarry = carry - whole;
    int pending = 0;
    if (whole >= static_cast<float>(kParticleCount))
        pending = kParticleCount;
    else if (whole > 0.0f)
        pending = static_cast<int>(whole);

    for (int slot = 0; slot < kParticleCount && pending > 0; ++slot) {
        if (particles[slot].age < 0.0f) {
            Emit(particles[slot]);
            --pending;
        }
    }

    previousEmitterPosition = emitterPosition;
}

void ParticleSystem::PlaceEmitter(float dt)
{
    if (!moving) {
        emitterPosition = kStillEmitterPosition;
        return;
    }
    orbitAngle += kOrbitSpeed * dt;
    bobAngle += kBobSpeed * dt;
    // Restarting at 0 rather than subtracting 360 gives the drift its small jump.
    if (orbitAngle > kAngleWrap)
        orbitAngle = 0.0f;
    if (bobAngle > kAngleWrap)
        bobAngle = 0.0f;
    const double orbit = orbitAngle * kDriftRadiansPerDegree;
    const double bob = bobAngle * kDriftRadiansPerDegree;
    emitterPosition = Vector3(static_cast<float>(kOrbitRadius * std::cos(orbit)),
                              static_cast<float>(kOrbitRadius * std::sin(bob) + kOrbitHeight),
                              static_cast<float>(kOrbitRadius * std::sin(orbit)));
}

// Eleven random factors, drawn in the order of the fields below. Every delta
// starts from the clamped start value and divides by the clamped lifetime; the
// end values are used unclamped.
void ParticleSystem::Emit(Particle& particle)
{
    particle.age = 0.0f;
    particle.lifetime = Clamp(lifeStart + RandomFactor(random) * lifeVar, kMinLifetime, kMaxLifetime);
    const float lifetime = particle.lifetime;

    for (int channel = 0; channel < kColorChannels; ++channel)
        particle.color[channel] = colorStart[channel] + RandomFactor(random) * colorVar[channel];
    particle.color[3] = 1.0f;
    for (int channel = 0; channel < kColorChannels; ++channel) {
        particle.color[channel] = Clamp(particle.color[channel], 0.0f, 1.0f);
        particle.colorDelta[channel] = (colorEnd[channel] - particle.color[channel]) / lifetime;
    }

    particle.alpha = Clamp(alphaStart + RandomFactor(random) * alphaVar, 0.0f, 1.0f);
    particle.alphaDelta = (alphaEnd - particle.alpha) / lifetime;

    particle.size = Clamp(sizeStart + RandomFactor(random) * sizeVar, kMinSize, kMaxSize);
    particle.sizeDelta = (sizeEnd - particle.size) / lifetime;

    particle.gravity = Clamp((gravityStart + RandomFactor(random) * gravityVar) * kGravityUnit,
                             -kMaxGravity, kMaxGravity);
    particle.gravityDelta = (gravityEnd * kGravityUnit - particle.gravity) / lifetime;

    // Along this update's stretch of the emitter's path and an equal stretch
    // behind its previous position.
    const float along = RandomFactor(random);
    particle.position = Vector3(
        previousEmitterPosition.x + along * (emitterPosition.x - previousEmitterPosition.x),
        previousEmitterPosition.y + along * (emitterPosition.y - previousEmitterPosition.y),
        previousEmitterPosition.z + along * (emitterPosition.z - previousEmitterPosition.z));
    particle.previousPosition = emitterPosition;

    const double azimuth = RandomFactor(random) * kTwoPi;
    const double polar = RandomFactor(random) * spreadAngle * kRadiansPerDegree;
    const float speed = Clamp(speedStart + RandomFactor(random) * speedVar, 0.0f, kMaxSpeed);
    particle.velocity = Vector3(static_cast<float>(std::sin(polar) * std::cos(azimuth)) * speed,
                                static_cast<float>(std::cos(polar)) * speed,
                                static_cast<float>(std::sin(polar) * std::sin(azimuth)) * speed);
    particle.owner = this;
}
