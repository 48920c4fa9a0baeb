// Renders one preset as the saver draws it, into a picture: the shipped engine
// from a fixed seed, SECONDS of frames at a fixed step of 1/60 s, then one frame
// drawn by the shipped drawing (SetupRenderState, SetupProjection, DrawScene)
// into a window of WIDTH x HEIGHT, read back and written as a binary PPM.
// Usage: render_preset PRESET SECONDS WIDTH HEIGHT OUTPUT.ppm [floor]
// Exit code 0 when the picture was written, 1 on any failure (said on stderr).
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
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
        return Fail("usage: render_preset PRESET SECONDS WIDTH HEIGHT OUTPUT.ppm [floor]");
    const int preset = std::atoi(argv[1]);
    const double seconds = std::atof(argv[2]);
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || !(seconds >= 0 && seconds < 3600))
        return Fail("bad size or time");

    SaverSettings settings;
    settings.moving = 1;
    settings.floor = argc > 6;
    gSettings = &settings;
    gMode = ModeSaver;
    ParticleSystem* system = new ParticleSystem();
    system->random.srand(kSeed);
    if (preset < 0 || preset >= system->PresetCount())
        return Fail("no such preset");
    system->ApplyPreset(preset);
    for (double time = 0; time <= seconds; time += kStepSeconds)
        system->Update(time);

    unsigned texture = 0;
    if (!MakeContext(width, height))
        return Fail("no OpenGL context");
    gInstance = GetModuleHandleA(nullptr);
    if (!LoadSpriteTexture(texture))
        return Fail("no sprite bitmap");
    SetupRenderState();
    SetupProjection(width, height);
    DrawScene(*system, texture);
    glFinish();

    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = std::fopen(argv[5], "wb");
    if (!file)
        return Fail("cannot write the picture");
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    // OpenGL's rows start at the bottom, a PPM's at the top.
    for (int row = height - 1; row >= 0; --row)
        std::fwrite(&pixels[static_cast<size_t>(row) * width * 3], 1, static_cast<size_t>(width) * 3, file);
    const bool written = std::fclose(file) == 0;
    return written ? 0 : Fail("cannot write the picture");
}
