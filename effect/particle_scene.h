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

    // Sets width and height (a height of 0 counts as 1), the viewport and the
    // projection, which is the same fixed frustum for every size.
    virtual void Resize(int width, int height);

    // One pass of the main loop; false, without drawing, once the quit message
    // came. While the window rests it only pumps: no update, no drawing, no swap.
    bool RenderFrame();

    // Uploads bitmap resource 104 of gInstance into gSpriteTexture and leaves it
    // bound; false when the bitmap cannot be loaded.
    bool LoadSpriteTexture();
    // The ground glow: the sprite stretched over a 600 x 600 square at y = 0.
    void DrawFloor();
};

// Seconds between preset switches, before the random extra of 0 to 4 whole seconds.
constexpr float PresetSwitchInterval = 30.0f;

// The switch rule of one frame: true when extraSeconds (drawn afresh each frame)
// plus lastSwitch plus PresetSwitchInterval lies strictly before now.
bool IsPresetSwitchDue(double now, double lastSwitch, int extraSeconds);

extern ParticleSystem* gParticleSystem;
extern unsigned int gSpriteTexture;
// The clock's elapsed at the last preset switch, first set on the first frame.
extern double lastPresetSwitch;
