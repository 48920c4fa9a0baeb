// The particles as the saver drew them before one draw took all of them: a
// sequence of immediate-mode calls per particle, kept as the picture to match.
#include "tests/display/reference_draw.h"

#include <GL/gl.h>

void DrawEachParticle(const ParticleSystem& system)
{
    const Vector3& angles = system.cameraAngles;
    for (const Particle& particle : system.particles) {
        if (particle.age < 0.0f)
            continue;
        const float size = particle.size;
        glColor4f(particle.color[0], particle.color[1], particle.color[2], particle.alpha);
        glPushMatrix();
        glTranslatef(particle.position.x, particle.position.y, particle.position.z);
        glRotatef(angles.z, 0.0f, 0.0f, 1.0f);
        glRotatef(angles.y, 0.0f, 1.0f, 0.0f);
        glRotatef(angles.x, 1.0f, 0.0f, 0.0f);
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
