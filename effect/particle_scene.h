#pragma once
#include "display/gl_window.h"

class ParticleSystem;

// The window object of the preview and saver modes: sprite texture, fixed OpenGL
// state, the particle system with a random preset, and one frame per RenderFrame.
class ParticleScene : public GLWindow {
public:
    // Throws Exception; a failure after the window part is built tears it down first.
    ParticleScene();
    ~ParticleScene() override;

    // Sets width and height, the viewport and the fixed projection.
    virtual void Resize(int width, int height);

    // One pass of the main loop; false, without drawing, once the quit message came.
    bool RenderFrame();

    bool LoadSpriteTexture();
    void DrawFloor();
};

extern ParticleSystem* gParticleSystem;
extern unsigned int gSpriteTexture;
