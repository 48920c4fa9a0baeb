#pragma once
#include <doctest/doctest.h>

#include <memory>

#include "effect/particle_system.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

// A fresh system in saver mode, built from settings with the given flags, with
// the drift at its start angles. Its emitter parameters stay
// zero until a test sets them or applies a preset.
struct Engine {
    SaverSettings settings;
    std::unique_ptr<ParticleSystem> system;

    explicit Engine(int32_t moving = 0, int32_t attractive = 0, int32_t floor = 0)
    {
        settings.moving = moving;
        settings.attractive = attractive;
        settings.floor = floor;
        gSettings = &settings;
        gMode = ModeSaver;
        system = std::make_unique<ParticleSystem>();
    }

    int Live() const
    {
        int count = 0;
        for (const Particle& p : system->particles)
            count += p.age >= 0.0f;
        return count;
    }
};

inline void CheckVector(const Vector3& v, float x, float y, float z)
{
    CHECK(v.x == doctest::Approx(x));
    CHECK(v.y == doctest::Approx(y));
    CHECK(v.z == doctest::Approx(z));
}
