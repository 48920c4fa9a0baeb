#pragma once
#include "display/gl_window.h"

class ParticleSystem;

// The window object of the preview and saver modes: sprite texture, fixed OpenGL
// state, the particle system with a random preset, and one frame per RenderFrame.
class ParticleScene : public GLWindow {
public:
    // Throws Exception; a failure after the window part is built tears it down
    // first, and gParticleSystem then stays null.
    ParticleScene();
    // Deletes the particle system, then the window part releases its contexts.
    ~ParticleScene() override;
    ParticleScene(const ParticleScene&) = delete;
    ParticleScene& operator=(const ParticleScene&) = delete;

    // Sets width and height (a height of 0 counts as 1), the viewport and the
    // projection, which is the same fixed frustum for every size.
    virtual void Resize(int width, int height);

    // One pass of the main loop; false, without drawing, once the quit message
    // came. While the window rests it only pumps: no update, no drawing, no swap.
    // Otherwise it waits for the frame's time (WaitForFrame); a message that
    // comes first ends the pass without a frame.
    bool RenderFrame();
};

// The drawing of a frame, without the window, so that a tool or a test can draw
// one into any GL context. SetupRenderState sets the fixed state once;
// SetupProjection the viewport and the fixed frustum, the same for every size.
// DrawScene clears, places the camera, draws the ground where the system has
// one, then the particles with spriteTexture; the caller swaps.
void SetupRenderState();
// Uploads bitmap resource 104 of gInstance into a new texture and leaves it
// bound; false when the bitmap cannot be loaded.
bool LoadSpriteTexture(unsigned int& texture);
void SetupProjection(int width, int height);
void DrawScene(const ParticleSystem& system, unsigned int spriteTexture);
// The ground glow: the sprite stretched over a 600 x 600 square at y = 0.
void DrawFloor();

extern ParticleSystem* gParticleSystem;
extern unsigned int gSpriteTexture;
// The clock's elapsed at the last preset switch, first set on the first frame.
extern double lastPresetSwitch;
