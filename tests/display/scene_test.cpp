// The particle scene on a real OpenGL context under Wine: the sprite texture, the
// fixed state and projection, the preset-switch rule, the pixels that
// ParticleSystem::Draw produces, the failures of construction, and the preview
// drawn by its view's own thread.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "display/saver.h"
#include "effect/particle_scene.h"
#include "effect/particle_system.h"
#include "resources/resource_ids.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "tests/display/reference_draw.h"
#include "tests/display/resource_access.h"
#include "tests/display/window_fixture.h"

// The allocator is the one thing faked here: it can be told to fail for the
// particle system's size, with a bad_alloc or with an Exception of ours.
namespace {
enum class AllocationFailure { None, BadAlloc, OurException };
AllocationFailure gFailParticleSystem = AllocationFailure::None;
}  // namespace

void* operator new(std::size_t size)
{
    if (size == sizeof(ParticleSystem) && gFailParticleSystem != AllocationFailure::None) {
        const AllocationFailure failure = gFailParticleSystem;
        gFailParticleSystem = AllocationFailure::None;
        if (failure == AllocationFailure::BadAlloc)
            throw std::bad_alloc();
        throw Exception("No room for the particles");
    }
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}
// GCC takes the replaced pair for a mismatch once it inlines them into each other.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace {

// One scene of the screen's size for the whole program, drawn on this thread.
ParticleScene& SharedScene()
{
    static WindowFixture fixture(ModeSaver);
    static TestContext context(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    static ParticleScene scene(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 1, fixture.settings);
    return scene;
}

struct Rgb {
    int red, green, blue;
};

Rgb PixelAt(int x, int y)
{
    unsigned char bytes[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, bytes);
    return {bytes[0], bytes[1], bytes[2]};
}

bool IsBlack(const Rgb& pixel) { return pixel.red + pixel.green + pixel.blue == 0; }

std::string BuildFailure()
{
    try {
        Saver saver;
    } catch (Exception& failure) {
        return failure.message;
    }
    return "";
}

}  // namespace

TEST_CASE("the scene switches presets by the frame clock")
{
    ParticleScene& scene = SharedScene();
    scene.RenderFrame(2.0);  // the first frame sets the last switch
    CHECK(scene.lastPresetSwitch == 2.0);
    CHECK(scene.particleSystem->lastTime == 2.0);

    for (double seconds : {10.0, 31.999, 32.0}) {
        scene.RenderFrame(seconds);
        CHECK(scene.lastPresetSwitch == 2.0);
    }
    scene.RenderFrame(36.01);
    CHECK(scene.lastPresetSwitch == 36.01);
    CHECK(scene.particleSystem->lastTime == 36.01);
    scene.RenderFrame(66.0);
    CHECK(scene.lastPresetSwitch == 36.01);
}

TEST_CASE("one draw of all particles paints the frame that drawing them one by one painted")
{
    ParticleScene& scene = SharedScene();
    const auto readFrame = [&scene] {
        std::vector<unsigned char> frame(static_cast<size_t>(scene.width) * scene.height * 3);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, scene.width, scene.height, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
        return frame;
    };
    for (int preset : {0, 4, 7}) {
        CAPTURE(preset);
        scene.particleSystem->random.srand(1);
        scene.particleSystem->ApplyPreset(preset);
        for (int frame = 0; frame < 180; ++frame)
            scene.particleSystem->Update(scene.particleSystem->lastTime + 1.0 / 60);
        DrawScene(*scene.particleSystem, scene.spriteTexture);
        const std::vector<unsigned char> drawn = readFrame();
        // DrawScene leaves the camera in the modelview.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (scene.particleSystem->floor)
            DrawFloor();
        glBindTexture(GL_TEXTURE_2D, scene.spriteTexture);
        DrawEachParticle(*scene.particleSystem);
        const std::vector<unsigned char> reference = readFrame();
        size_t lit = 0, differing = 0;
        int largest = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            const int difference = std::abs(drawn[i] - reference[i]);
            lit += reference[i] > 0;
            differing += difference > 0;
            largest = difference > largest ? difference : largest;
        }
        MESSAGE("preset " << preset << ": " << differing << " of " << drawn.size() << " channels differ, by "
                          << largest << " at most; " << lit << " lit");
        CHECK(lit > 1000);
        CHECK(differing * 1000 < lit);
        CHECK(largest <= 2);
    }
}

TEST_CASE("the sprite bitmap becomes the bound 64 x 64 texture, bottom row first")
{
    ParticleScene& scene = SharedScene();
    CHECK(glIsTexture(scene.spriteTexture));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    CHECK(GLuint(bound) == scene.spriteTexture);
    GLint width = 0, height = 0, magnification = 0, minification = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnification);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minification);
    CHECK(width == 64);
    CHECK(height == 64);
    CHECK(magnification == GL_LINEAR);
    CHECK(minification == GL_LINEAR);

    std::vector<unsigned char> texels(64 * 64 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    const std::vector<uint8_t> dib = ResourceBytes(IDB_SPRITE, RT_BITMAP);
    REQUIRE(dib.size() == 12328u);
    // Texture row 0 is the bitmap's first row in memory, its bottom one; the
    // streaks make any flip show.
    CHECK(std::equal(texels.begin(), texels.end(), dib.begin() + 40));
    CHECK(texels[(32 * 64 + 31) * 3] == 253);
}

TEST_CASE("the fixed OpenGL state: texturing, additive blending, no depth test, also after a frame with the ground")
{
    ParticleScene& scene = SharedScene();
    scene.particleSystem->floor = true;  // drawn unblended, and blending back on for the particles
    DrawScene(*scene.particleSystem, scene.spriteTexture);
    CHECK(glIsEnabled(GL_TEXTURE_2D));
    CHECK(glIsEnabled(GL_BLEND));
    CHECK_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC, &value);
    CHECK(value == GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    CHECK(value == GL_ONE);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    CHECK(value == GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    CHECK(value == GL_FASTEST);
    glGetIntegerv(GL_POINT_SMOOTH_HINT, &value);
    CHECK(value == GL_FASTEST);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    CHECK(value == GL_MODULATE);
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    CHECK(clear[0] + clear[1] + clear[2] + clear[3] == 0.0f);
    GLfloat depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    CHECK(depth == 1.0f);
    scene.particleSystem->floor = false;
}

TEST_CASE("Resize sets the viewport and a frustum of the view's shape or the stretched one, a height of 0 counting as 1")
{
    ParticleScene& scene = SharedScene();
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // 2n/(r-l) and 2n/(t-b) of the frustum, n = 4: 1 and 8/5.40845 = 1.479166
    // for the field's own -4, 4, -2.704225, 2.704225. Kept proportions widen it
    // to a half width of 2.704225 w/h, or heighten it to a half height of 4 h/w.
    struct Row {
        int width, height;
        bool keep;
        double xScale, yScale;
    };
    const Row rows[] = {
        {screenWidth, screenHeight, false, 1.0, 1.479166}, {640, 0, false, 1.0, 1.479166},
        {300, 300, false, 1.0, 1.479166},  {710, 480, true, 1.0, 1.479166},
        {1136, 480, true, 0.625, 1.479166}, {710, 1000, true, 1.0, 0.71},
        {640, 0, true, 4 / (2.704225 * 640), 1.479166},
    };
    for (const Row& row : rows) {
        CAPTURE(row.width);
        CAPTURE(row.height);
        CAPTURE(row.keep);
        scene.keepProportions = row.keep;
        scene.Resize(row.width, row.height);
        const int expectedHeight = row.height ? row.height : 1;
        CHECK(scene.width == row.width);
        CHECK(scene.height == expectedHeight);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        CHECK(viewport[0] == 0);
        CHECK(viewport[1] == 0);
        CHECK(viewport[2] == row.width);
        CHECK(viewport[3] == expectedHeight);
        // The depth terms by hand: -(f+n)/(f-n) = -4100/4092, -2fn/(f-n) =
        // -32768/4092, and -1 below the diagonal's end.
        GLfloat projection[16] = {};
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        CHECK(projection[0] == doctest::Approx(row.xScale));
        CHECK(projection[5] == doctest::Approx(row.yScale));
        CHECK(projection[10] == doctest::Approx(-4100.0 / 4092.0));
        CHECK(projection[11] == doctest::Approx(-1.0));
        CHECK(projection[14] == doctest::Approx(-32768.0 / 4092.0));
        CHECK(projection[8] == 0.0f);
        CHECK(projection[9] == 0.0f);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        CHECK(mode == GL_MODELVIEW);
    }
    // The field's own shape keeps the field's frustum to the bit.
    GLfloat stretched[16] = {}, kept[16] = {};
    SetupProjection(710, 480, false);
    glGetFloatv(GL_PROJECTION_MATRIX, stretched);
    SetupProjection(710, 480, true);
    glGetFloatv(GL_PROJECTION_MATRIX, kept);
    CHECK(std::memcmp(stretched, kept, sizeof kept) == 0);
    scene.keepProportions = true;
    scene.Resize(screenWidth, screenHeight);
}

TEST_CASE("Draw makes each live particle a diamond of its size, colour times texture, added up")
{
    ParticleScene& scene = SharedScene();
    const int centreX = scene.width / 2;
    const int centreY = scene.height / 2;
    // One unit per pixel, the world origin at the window's centre.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-centreX, scene.width - centreX, -centreY, scene.height - centreY, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GLint redBits = 8;
    glGetIntegerv(GL_RED_BITS, &redBits);
    const int tolerance = (256 >> redBits) + 2;

    // Texels: row 0 red, green; row 1 blue, white; or all one grey.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    auto upload = [](std::initializer_list<unsigned char> texels) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, std::data(texels));
    };

    ParticleSystem& system = *scene.particleSystem;
    const ParticleSystem saved = system;
    for (Particle& particle : system.particles)
        particle.age = -1;
    system.cameraAngles = {0, 0, 0};
    auto place = [&](int slot, float size, float red, float green, float blue, float alpha) {
        Particle& particle = system.particles[slot];
        particle.age = 0;
        particle.lifetime = 10;
        particle.position = {0, 0, 0};
        particle.size = size;
        particle.color[0] = red;
        particle.color[1] = green;
        particle.color[2] = blue;
        particle.color[3] = 0;  // never read
        particle.alpha = alpha;
    };
    auto draw = [&] {
        glClear(GL_COLOR_BUFFER_BIT);
        system.Draw();
        glFinish();
    };
    auto matches = [&](const Rgb& pixel, int red, int green, int blue) {
        return std::abs(pixel.red - red) <= tolerance && std::abs(pixel.green - green) <= tolerance &&
               std::abs(pixel.blue - blue) <= tolerance;
    };

    SUBCASE("corners at size from the centre, the whole texture once over it")
    {
        upload({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
        place(17, 20, 1, 1, 1, 1);
        draw();
        CHECK(matches(PixelAt(centreX, centreY + 17), 255, 0, 0));    // top corner: s 0, t 0
        CHECK(matches(PixelAt(centreX - 18, centreY), 0, 255, 0));    // left corner: s 1, t 0
        CHECK(matches(PixelAt(centreX + 17, centreY), 0, 0, 255));    // right corner: s 0, t 1
        CHECK(matches(PixelAt(centreX, centreY - 18), 255, 255, 255));  // bottom corner: s 1, t 1
        for (auto outside : {std::pair{0, 21}, {-22, 0}, {21, 0}, {0, -22}, {11, 11}, {-12, -12}})
            CHECK(IsBlack(PixelAt(centreX + outside.first, centreY + outside.second)));
        CHECK_FALSE(IsBlack(PixelAt(centreX + 8, centreY + 8)));
    }
    SUBCASE("the camera's z angle turns the diamond into an upright square")
    {
        upload({200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200});
        system.cameraAngles = {0, 0, 45};
        place(0, 20, 1, 1, 1, 1);
        draw();
        CHECK_FALSE(IsBlack(PixelAt(centreX + 12, centreY + 12)));
        CHECK_FALSE(IsBlack(PixelAt(centreX - 13, centreY - 13)));
        CHECK(IsBlack(PixelAt(centreX + 17, centreY)));
        CHECK(IsBlack(PixelAt(centreX, centreY - 18)));
    }
    SUBCASE("the colour times the texture's grey, weighted by alpha, added onto what is there")
    {
        upload({128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128});
        place(3, 20, 1.0f, 0.5f, 0.25f, 1.0f);
        draw();
        CHECK(matches(PixelAt(centreX + 2, centreY + 2), 128, 64, 32));
        place(9, 20, 0.5f, 1.0f, 0.0f, 0.5f);  // adds (32, 64, 0)
        draw();
        CHECK(matches(PixelAt(centreX + 2, centreY + 2), 160, 128, 32));
        place(2, 10, 1.0f, 1.0f, 1.0f, 1.0f);  // adds 128 each in the inner diamond only
        draw();
        CHECK(matches(PixelAt(centreX + 2, centreY + 2), 255, 255, 160));
        CHECK(matches(PixelAt(centreX + 13, centreY), 160, 128, 32));
    }
    SUBCASE("free slots draw nothing and the model-view matrix is left as it was")
    {
        upload({255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255});
        glTranslatef(5, 6, 0);
        GLfloat before[16], after[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, before);
        draw();
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        CHECK(std::equal(before, before + 16, after));
        CHECK(IsBlack(PixelAt(centreX + 5, centreY + 6)));
        place(kParticleCount - 1, 4, 1, 1, 1, 1);
        draw();
        CHECK_FALSE(IsBlack(PixelAt(centreX + 5, centreY + 6)));
    }

    system = saved;
    glDeleteTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, scene.spriteTexture);
    scene.Resize(scene.width, scene.height);
}

TEST_CASE("a scene that cannot be completed fails the saver with its reason, from the view's thread")
{
    struct Case {
        const char* what;
        bool withoutSprite;
        AllocationFailure allocation;
        const char* message;
    };
    const Case cases[] = {
        {"no sprite bitmap in the module", true, AllocationFailure::None, "Failed to load textures"},
        {"no memory for the particle system", false, AllocationFailure::BadAlloc, "Unknown error"},
        {"an Exception while the particle system is made", false, AllocationFailure::OurException,
         "No room for the particles"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        {
            WindowFixture fixture(ModeSaver);
            // Kernel32 carries no bitmap 104; the class may be registered on it all the same.
            if (c.withoutSprite)
                gInstance = GetModuleHandleA("kernel32.dll");
            gFailParticleSystem = c.allocation;
            CHECK(BuildFailure() == c.message);
            gFailParticleSystem = AllocationFailure::None;
            // The window stays for the error box; nothing else of the saver does.
            CHECK(IsWindow(gWindowHandle));
            BOOL running = TRUE;
            SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
            CHECK_FALSE(running);
            CHECK(SaverSecondsShown() == 0.0);
        }
        gInstance = GetModuleHandleA(nullptr);
    }
}

TEST_CASE("the preview's view draws its particles into the pane")
{
    WindowFixture fixture(ModePreview);
    const HWND pane = CreateWindowExA(0, "STATIC", "pane", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 60, 50, 200, 150,
                                      nullptr, nullptr, nullptr, nullptr);
    REQUIRE(pane);
    gWindowHandle = pane;
    {
        Saver saver;
        Sleep(1500);
    }
    // The view's thread has ended; the window keeps its pixel format, and a
    // child's frame is presented by copying, so the last frame is still in the
    // back buffer, which a context of this thread on the window reads.
    const HDC child = GetDC(gWindowHandle);
    const HGLRC reader = wglCreateContext(child);
    REQUIRE(wglMakeCurrent(child, reader));
    std::vector<unsigned char> frame(200 * 150 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 200, 150, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(reader);
    int lit = 0;
    for (std::size_t i = 0; i < frame.size(); i += 3)
        lit += frame[i] + frame[i + 1] + frame[i + 2] > 0;
    CAPTURE(lit);
    CHECK(lit > 50);
    DestroyWindow(pane);
}
