#pragma once
#include <cstdint>
#include <memory>

class ParticleSystem;
struct SaverSettings;

// The picture of one view: the sprite texture, fixed OpenGL state, the view's
// own particle system with a random preset, and one frame per RenderFrame.
// Built, used and destroyed on the thread on which the view's OpenGL context is
// current; it knows no window, so a test or a tool can draw it into any context.
class ParticleScene {
public:
    // Throws Exception: "Failed to load textures", or what making the particle
    // system threw ("Unknown error" for anything but an Exception); particleSystem
    // then stays null. The generator is seeded with `seed` before the first preset
    // is chosen. What the scene needs of `settings` (the presets' flags, the
    // choice of proportions) is read here only.
    ParticleScene(int width, int height, uint32_t seed, const SaverSettings& settings);
    // Deletes the particle system; the texture goes with the context.
    virtual ~ParticleScene();
    ParticleScene(const ParticleScene&) = delete;
    ParticleScene& operator=(const ParticleScene&) = delete;

    // Sets width and height (a height of 0 counts as 1), the viewport and the
    // projection for that size (SetupProjection).
    virtual void Resize(int width, int height);

    // One frame at `elapsed`, the seconds of the view's clock: the preset switch
    // rule, the particles' update to that time, and the drawing. The caller
    // presents the frame.
    void RenderFrame(double elapsed);

    int32_t width = 0;
    int32_t height = 0;
    bool keepProportions = true;
    std::unique_ptr<ParticleSystem> particleSystem;
    unsigned int spriteTexture = 0;
    // The clock's elapsed at the last preset switch, first set on the first frame.
    double lastPresetSwitch = 0;
    bool firstFrameSeen = false;
};

// The drawing of a frame, without the scene. SetupRenderState sets the fixed
// state once; SetupProjection the viewport and the frustum: the whole field of
// 90 by about 68 degrees, its proportions kept (a view of another shape sees
// more of the world beside or above it) or stretched over the view. DrawScene
// clears, places the camera, draws the ground where the system has one, then
// the particles with spriteTexture; the caller swaps.
void SetupRenderState();
// Uploads bitmap resource 104 of gInstance into a new texture and leaves it
// bound; false when the bitmap cannot be loaded.
bool LoadSpriteTexture(unsigned int& texture);
void SetupProjection(int width, int height, bool keepProportions);
void DrawScene(const ParticleSystem& system, unsigned int spriteTexture);
// The ground glow: the sprite stretched over a 600 x 600 square at y = 0.
void DrawFloor();
