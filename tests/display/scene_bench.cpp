// A benchmark, not a test: the scene in a window of the screen's size with a
// context made as a view makes it, each effect preset in turn, unpaced frames
// counted over a fixed time. Prints one line per preset:
//   WIDTHxHEIGHT preset P frames F seconds S fps R live L
// where L is the mean number of live particles per frame. The pool is kept full
// (4000) unless "preset" is given, which leaves the preset's own emission rate.
// The scene's own preset switch cannot interfere: each preset runs well under 30 s.
// With "draw", it times instead the particles' drawing alone with a full pool
// at a 1 x 1 viewport, one by one and in one draw, and prints for each the
// milliseconds of the process's CPU time per frame.
// Usage: scene_bench [SECONDS_PER_PRESET [preset|draw]]   (default 3, at most 25)
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "display/gl_window.h"
#include "effect/particle_scene.h"
#include "effect/particle_system.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"
#include "tests/display/reference_draw.h"

namespace {

constexpr double kDefaultSeconds = 3;
constexpr int kSettleFrames = 3;
constexpr double kMostSeconds = 25;
// Enough to refill every free slot on each frame, with the longest lifetime, so
// that the pool stays at 4000 from the first frame on.
constexpr uint32_t kFloodRate = 10'000'000;
constexpr float kLongestLife = 10.0f;

// Milliseconds of the process's CPU time per frame of drawing the pool.
void TimeDraw(const ParticleSystem& system, bool oneByOne, int frames)
{
    FILETIME unused, kernel[2], user[2];
    GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel[0], &user[0]);
    for (int frame = 0; frame < frames; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT);
        oneByOne ? DrawEachParticle(system) : system.Draw();
        glFinish();
    }
    GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel[1], &user[1]);
    const auto ms = [](const FILETIME& time) { return (double(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) * 1e-4; };
    std::printf("draw %s: %.3f ms CPU per frame\n", oneByOne ? "one by one" : "in one call",
                (ms(kernel[1]) + ms(user[1]) - ms(kernel[0]) - ms(user[0])) / frames);
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : kDefaultSeconds;
    if (seconds <= 0 || seconds > kMostSeconds)
        seconds = kDefaultSeconds;
    gInstance = GetModuleHandleA(nullptr);
    gMode = ModeSaver;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = gInstance;
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassA(&windowClass);
    SaverSettings settings;
    gSettings = &settings;
    settings.LoadSystemSettings();
    settings.LoadSettings();
    LARGE_INTEGER frequency, started;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    const auto secondsSince = [&frequency](const LARGE_INTEGER& start) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    };
    try {
        GLWindow window({ViewPlacement::Primary, {}, nullptr});
        window.SetupPixelFormat();
        window.CreateRenderContext();
        ParticleScene scene(window.width, window.height, GetTickCount(), settings);
        ParticleSystem& system = *scene.particleSystem;
        const auto renderFrame = [&] {
            scene.RenderFrame(secondsSince(started));
            SwapBuffers(window.deviceContext);
        };
        const bool fullPool = argc < 3 || std::strcmp(argv[2], "preset") != 0;
        if (argc > 2 && std::strcmp(argv[2], "draw") == 0) {
            system.emitRate = kFloodRate;
            system.lifeStart = kLongestLife;
            for (int frame = 0; frame < kSettleFrames; ++frame)
                renderFrame();
            glViewport(0, 0, 1, 1);
            for (bool oneByOne : {true, false, true, false})
                TimeDraw(system, oneByOne, int(seconds * 100));
            return 0;
        }
        for (int preset = 0; preset < system.PresetCount(); ++preset) {
            system.ApplyPreset(preset);
            if (fullPool) {
                system.emitRate = kFloodRate;
                system.lifeStart = kLongestLife;
                system.lifeVar = 0;
            }
            // Settle the pool to this preset's particles before counting.
            for (int frame = 0; frame < kSettleFrames; ++frame)
                renderFrame();
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            long frames = 0;
            double liveSum = 0;
            double spent = 0;
            while (spent < seconds) {
                renderFrame();
                ++frames;
                for (const Particle& particle : system.particles)
                    liveSum += particle.age >= 0;
                spent = secondsSince(start);
            }
            std::printf("%dx%d preset %d frames %ld seconds %.2f fps %.1f live %.0f\n", scene.width, scene.height,
                        preset, frames, spent, frames / spent, frames ? liveSum / frames : 0.0);
            std::fflush(stdout);
        }
    } catch (Exception& failure) {
        std::fprintf(stderr, "scene_bench: %s\n", failure.message);
        return 1;
    }
    return 0;
}
