// Drawing of the particle pool in immediate-mode OpenGL 1.1. Implemented: one
// camera-facing diamond per live particle, coloured with its colour and alpha,
// covered by the whole bound texture. Not done here: texture binding, blending
// and the view transform, which the scene sets before it calls Draw.
#include "effect/particle_system.h"

// mingw's GL/gl.h relies on the calling-convention macros of windows.h.
#include <windows.h>
#include <GL/gl.h>

void ParticleSystem::Draw() const
{
    for (const Particle& particle : particles) {
        if (particle.age < 0.0f)
            continue;
        const float size = particle.size;
        glColor4f(particle.color[0], particle.color[1], particle.color[2], particle.alpha);
        glPushMatrix();
        glTranslatef(particle.position.x, particle.position.y, particle.position.z);
        // Same order as the view's negated rotations, so the sprite turns with the camera.
        glRotatef(cameraAngles.z, 0.0f, 0.0f, 1.0f);
        glRotatef(cameraAngles.y, 0.0f, 1.0f, 0.0f);
        glRotatef(cameraAngles.x, 1.0f, 0.0f, 0.0f);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(0.0f, size, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(-size, 0.0f, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(size, 0.0f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(0.0f, -size, 0.0f);
        glEnd();
        glPopMatrix();
    }
}
