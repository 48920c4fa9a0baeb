// Renders presets as the saver draws them, into pictures: the shipped engine
// from a fixed seed, SECONDS of frames at a fixed step (1/60 s, or STEP), then one frame
// drawn by the shipped drawing (SetupRenderState, SetupProjection, DrawScene)
// into a window of WIDTH x HEIGHT, read back and written as a binary PPM.
// With `floor` the ground is drawn; with `stretch` the field is stretched over
// the picture as the saver does when told not to keep its proportions.
// With --frames it goes on from there for EACH seconds of every preset in turn,
// switched as the saver switches them (what flies on flies on), and writes
// FPS pictures a second of it, one PPM after another in OUTPUT: an animation.
// With --time it then draws the last frame N times more and prints the
// milliseconds each took on average, and the processor time each took in all
// the process's threads (the driver's too): the cost of drawing one frame.
// Usage: render_preset PRESET[,PRESET...] SECONDS WIDTH HEIGHT OUTPUT.ppm [floor]
//                      [stretch] [--frames FPS EACH] [--step STEP] [--time N]
// Exit code 0 when the pictures were written, 1 on any failure (said on stderr).
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/gl_window.h"
#include "effect/particle_scene.h"
#include "effect/particle_system.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

constexpr unsigned kSeed = 1;
constexpr double kStepSeconds = 1.0 / 60;
constexpr char kUsage[] = "usage: render_preset PRESET[,PRESET...] SECONDS WIDTH HEIGHT OUTPUT.ppm [floor] [stretch]"
                          " [--frames FPS EACH] [--step STEP] [--time N]";

int Fail(const char* what)
{
    std::fprintf(stderr, "render_preset: %s\n", what);
    return 1;
}

// A popup of the picture's size with the saver's pixel format and a context made current.
bool MakeContext(int width, int height)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "render_preset";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "render_preset", "render_preset", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                        height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return false;
    const HDC deviceContext = GetDC(window);
    if (SetSaverPixelFormat(deviceContext, kSaverColorDepth))
        return false;
    const HGLRC context = wglCreateContext(deviceContext);
    return context && wglMakeCurrent(deviceContext, context);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 6)
        return Fail(kUsage);
    std::vector<int> presets;
    char* at = argv[1];
    do
        presets.push_back(static_cast<int>(std::strtol(at, &at, 10)));
    while (*at++ == ',');
    const double seconds = std::atof(argv[2]);
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    bool floor = false, stretch = false, frames = false;
    double fps = 0, each = 0, step = kStepSeconds;
    int timedDraws = 0;
    for (int option = 6; option < argc; ++option) {
        const auto argument = [&](int count) { return option + count < argc; };
        if (std::strcmp(argv[option], "floor") == 0) {
            floor = true;
        } else if (std::strcmp(argv[option], "stretch") == 0) {
            stretch = true;
        } else if (std::strcmp(argv[option], "--frames") == 0 && argument(2)) {
            frames = true;
            fps = std::atof(argv[++option]);
            each = std::atof(argv[++option]);
        } else if (std::strcmp(argv[option], "--step") == 0 && argument(1)) {
            step = std::atof(argv[++option]);
        } else if (std::strcmp(argv[option], "--time") == 0 && argument(1)) {
            timedDraws = std::atoi(argv[++option]);
        } else {
            return Fail(kUsage);
        }
    }
    const bool framesValid = fps > 0 && fps <= 60 && each * fps >= 0.5;  // a picture of each preset at least
    if ((frames && !framesValid) || !(step >= 0.001 && step <= 1) || timedDraws < 0)
        return Fail(kUsage);
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(seconds >= 0 && seconds + each < 3600))
        return Fail("bad size or time");

    SaverSettings settings;
    settings.moving = 1;
    settings.floor = floor;
    settings.keepProportions = !stretch;
    gMode = ModeSaver;
    ParticleSystem* system = new ParticleSystem(settings);
    system->random.srand(kSeed);
    for (const int preset : presets)
        if (preset < 0 || preset >= system->PresetCount())
            return Fail("no such preset");

    unsigned texture = 0;
    if (!MakeContext(width, height))
        return Fail("no OpenGL context");
    gInstance = GetModuleHandleA(nullptr);
    if (!LoadSpriteTexture(texture))
        return Fail("no sprite bitmap");
    SetupRenderState();
    SetupProjection(width, height, settings.keepProportions != 0);
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    FILE* file = std::fopen(argv[5], "wb");
    if (!file)
        return Fail("cannot write the picture");
    // Without --frames: one picture, at SECONDS.
    const int framesEach = fps > 0 ? static_cast<int>(each * fps + 0.5) : 1;
    const double frameStep = fps > 0 ? 1 / fps : 0;
    double time = 0;
    int frame = 0;
    for (const int preset : presets) {
        system->ApplyPreset(preset);
        for (int i = 0; i < framesEach; ++i, ++frame) {
            for (; time <= seconds + frame * frameStep; time += step)
                system->Update(time);
            DrawScene(*system, texture);
            glFinish();
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
            std::fprintf(file, "P6\n%d %d\n255\n", width, height);
            // OpenGL's rows start at the bottom, a PPM's at the top.
            for (int row = height - 1; row >= 0; --row)
                std::fwrite(&pixels[static_cast<size_t>(row) * width * 3], 1, static_cast<size_t>(width) * 3, file);
        }
    }
    if (std::fclose(file) != 0)
        return Fail("cannot write the picture");
    if (timedDraws > 0) {
        // Kernel and user time in 100 ns units, of every thread of the process.
        const auto processorTime = [] {
            FILETIME created, exited, kernel, user;
            GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
            return (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                    ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 1e4;
        };
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        const double startProcessor = processorTime();
        QueryPerformanceCounter(&start);
        for (int draw = 0; draw < timedDraws; ++draw) {
            DrawScene(*system, texture);
            glFinish();
        }
        QueryPerformanceCounter(&end);
        std::printf("%.2f ms a frame, %.2f ms of processor time\n",
                    1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) / timedDraws,
                    (processorTime() - startProcessor) / timedDraws);
    }
    return 0;
}
