// Cost of ParticleSystem::Update with a full pool, per preset. Each preset runs
// with every behaviour on and a rate high enough that every slot freed in a frame
// is refilled in the same frame, so each call ages 4000 particles and emits the
// ones that died. Figures are meaningful only from an unsanitized optimised build.
#include <chrono>
#include <cstdio>
#include <memory>

#include "effect/particle_system.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

constexpr float kFrameStep = 1.0f / 60.0f;
constexpr uint32_t kRefillRate = 1000000;
constexpr int kWarmUpFrames = 600;
constexpr int kMeasuredFrames = 3000;

}  // namespace

int main()
{
    SaverSettings settings;
    settings.moving = 1;
    settings.attractive = 1;
    settings.floor = 1;
    gSettings = &settings;
    gMode = ModeSaver;

    std::printf("preset  live/call  ns/call   ns/particle\n");
    for (int preset = 0; preset < kDefinedPresetCount; ++preset) {
        auto system = std::make_unique<ParticleSystem>();
        system->ApplyPreset(preset);
        system->emitRate = kRefillRate;
        float time = 0.0f;
        for (int frame = 0; frame < kWarmUpFrames; ++frame)
            system->Update(time += kFrameStep);

        long live = 0;
        double nanoseconds = 0.0;
        for (int frame = 0; frame < kMeasuredFrames; ++frame) {
            const auto start = std::chrono::steady_clock::now();
            system->Update(time += kFrameStep);
            const auto stop = std::chrono::steady_clock::now();
            nanoseconds += std::chrono::duration<double, std::nano>(stop - start).count();
            for (const Particle& p : system->particles)
                live += p.age >= 0.0f;
        }
        std::printf("%6d  %9.0f  %8.0f  %10.2f\n", preset, double(live) / kMeasuredFrames,
                    nanoseconds / kMeasuredFrames, nanoseconds / double(live));
    }
    return 0;
}
