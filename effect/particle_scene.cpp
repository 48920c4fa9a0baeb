// The particle scene: what makes a view's picture. Fixed OpenGL state is set
// once, in SetupRenderState; a frame only clears, places the camera, draws the
// ground and the particles; its view presents it.
#include "effect/particle_scene.h"

// mingw's GL/gl.h relies on the calling-convention macros of windows.h.
#include <windows.h>
#include <GL/gl.h>

#include "effect/effect_preset.h"
#include "effect/particle_system.h"
#include "resources/resource_ids.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "shell/saver_settings.h"

namespace {

// The field every view shows: 90 degrees across, about 68 up, a shape of 71 : 48.
// Stretched, it fills any view whatever the view's shape; with its proportions
// kept, a wider view sees more beside it and a taller one more above and below.
constexpr double kFrustumHalfWidth = 4.0;
constexpr double kFrustumHalfHeight = 2.7042250633239746;
constexpr int64_t kFieldShapeWidth = 71;
constexpr int64_t kFieldShapeHeight = 48;
constexpr double kFrustumNear = 4.0;
constexpr double kFrustumFar = 4096.0;

constexpr float kFloorHalfSize = 300.0f;
constexpr float kFarFloorColour[] = {0.0f, 0.3f, 0.5f};
constexpr float kNearFloorColour[] = {0.3f, 0.1f, 0.0f};

}  // namespace

// Texturing on, smooth shading, black clear colour, clear depth 1, no depth test,
// additive blending (source alpha, one), fastest perspective and point hints; the
// texture environment stays GL_MODULATE: colour times sprite grey.
void SetupRenderState()
{
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);
}

void SetupProjection(int width, int height, bool keepProportions)
{
    glViewport(0, 0, width, height);
    double halfWidth = kFrustumHalfWidth;
    double halfHeight = kFrustumHalfHeight;
    if (keepProportions && width > 0 && height > 0) {
        // Compared in integers, so that a view of exactly the field's shape
        // keeps the field's frustum to the bit.
        const int64_t wide = int64_t{width} * kFieldShapeHeight;
        const int64_t tall = int64_t{height} * kFieldShapeWidth;
        if (wide > tall)
            halfWidth = kFrustumHalfHeight * width / height;
        else if (wide < tall)
            halfHeight = kFrustumHalfWidth * height / width;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, kFrustumNear, kFrustumFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawScene(const ParticleSystem& system, unsigned int spriteTexture)
{
    // Depth is never tested, so only the colour is cleared.
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    const Vector3& angles = system.cameraAngles;
    const Vector3& position = system.cameraPosition;
    glRotatef(-angles.z, 0.0f, 0.0f, 1.0f);
    glRotatef(-angles.y, 0.0f, 1.0f, 0.0f);
    glRotatef(-angles.x, 1.0f, 0.0f, 0.0f);
    glTranslatef(-position.x, -position.y, -position.z);

    // The ground comes first, onto black and at alpha 1: blending would add it
    // to nothing, so it is drawn without, for the same pixels at less cost.
    if (system.floor) {
        glDisable(GL_BLEND);
        DrawFloor();
        glEnable(GL_BLEND);
    }
    glBindTexture(GL_TEXTURE_2D, spriteTexture);
    system.Draw();
}

ParticleScene::ParticleScene(int newWidth, int newHeight, uint32_t seed, const SaverSettings& settings)
    : keepProportions(settings.keepProportions != 0)
{
    if (!LoadSpriteTexture(spriteTexture))
        throw Exception("Failed to load textures");
    SetupRenderState();

    try {
        particleSystem = std::make_unique<ParticleSystem>(settings);
    } catch (Exception& failure) {
        throw Exception(failure.message);
    } catch (...) {
        // Out of memory for the pool among others: reported, not fatal to the process.
        throw Exception("Unknown error");
    }

    particleSystem->random.srand(seed);
    ApplyRandomPreset(*particleSystem);
    Resize(newWidth, newHeight);
}

ParticleScene::~ParticleScene() = default;

bool LoadSpriteTexture(unsigned int& texture)
{
    // A DIB section, so that the pixel bits can be handed to OpenGL as they are.
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(gInstance, MAKEINTRESOURCEA(IDB_SPRITE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return false;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // The bottom row comes first, so t = 0 is the bottom of the picture. Blue and
    // red trade places, which a grey picture does not show.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, info.bmWidth, info.bmHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, info.bmBits);
    DeleteObject(bitmap);
    return true;
}

void ParticleScene::Resize(int newWidth, int newHeight)
{
    if (newHeight == 0)
        newHeight = 1;
    width = newWidth;
    height = newHeight;
    SetupProjection(width, height, keepProportions);
}

void ParticleScene::RenderFrame(double elapsed)
{
    if (!firstFrameSeen) {
        firstFrameSeen = true;
        lastPresetSwitch = elapsed;
    }
    const int extraSeconds = particleSystem->random.rand() % kPresetSwitchExtras;
    if (IsPresetSwitchDue(elapsed, lastPresetSwitch, extraSeconds)) {
        ApplyRandomPreset(*particleSystem);
        lastPresetSwitch = elapsed;
    }
    particleSystem->Update(elapsed);
    DrawScene(*particleSystem, spriteTexture);
}

void DrawFloor()
{
    glBegin(GL_TRIANGLE_STRIP);
    glColor3f(kFarFloorColour[0], kFarFloorColour[1], kFarFloorColour[2]);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-kFloorHalfSize, 0.0f, -kFloorHalfSize);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(kFloorHalfSize, 0.0f, -kFloorHalfSize);
    glColor3f(kNearFloorColour[0], kNearFloorColour[1], kNearFloorColour[2]);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-kFloorHalfSize, 0.0f, kFloorHalfSize);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kFloorHalfSize, 0.0f, kFloorHalfSize);
    glEnd();
}
