// Drawing of the particle pool with OpenGL 1.1 vertex arrays. Implemented: one
// camera-facing diamond per live particle, coloured with its colour and alpha,
// covered by the whole bound texture, all particles in one glDrawArrays. The
// diamond's corners turn with the camera, which is the same for every particle
// of a frame, so they are turned once a frame. Not done here: texture binding,
// blending and the view transform, which the scene sets before it calls Draw.
#include "effect/particle_system.h"

#include <cmath>

// mingw's GL/gl.h relies on the calling-convention macros of windows.h.
#include <windows.h>
#include <GL/gl.h>

namespace {

constexpr float kRadiansPerDegree = 3.14159265358979f / 180.0f;

// A corner of the unturned diamond: its offset in units of the sprite's size
// along the turned x and y axes, and its texture coordinates.
struct Corner {
    float alongX, alongY, s, t;
};
// The strip top, left, right, bottom as two triangles.
constexpr Corner kCorners[kSpriteVertexCount] = {
    {0, 1, 0, 0}, {-1, 0, 1, 0}, {1, 0, 0, 1}, {1, 0, 0, 1}, {-1, 0, 1, 0}, {0, -1, 1, 1},
};

// The x and y axes turned about z, then y, then x by the camera's angles, the
// order of the view's negated rotations, so that the sprite faces the camera.
void CameraAxes(const Vector3& angles, Vector3& xAxis, Vector3& yAxis)
{
    const float sa = std::sin(angles.x * kRadiansPerDegree), ca = std::cos(angles.x * kRadiansPerDegree);
    const float sb = std::sin(angles.y * kRadiansPerDegree), cb = std::cos(angles.y * kRadiansPerDegree);
    const float sc = std::sin(angles.z * kRadiansPerDegree), cc = std::cos(angles.z * kRadiansPerDegree);
    xAxis = {cb * cc, cb * sc, -sb};
    yAxis = {sa * sb * cc - ca * sc, sa * sb * sc + ca * cc, sa * cb};
}

}  // namespace

void ParticleSystem::Draw() const
{
    Vector3 xAxis, yAxis;
    CameraAxes(cameraAngles, xAxis, yAxis);
    SpriteVertex* vertex = spriteVertices;
    for (const Particle& particle : particles) {
        if (particle.age < 0.0f)
            continue;
        const float size = particle.size;
        for (const Corner& corner : kCorners) {
            const float x = corner.alongX * size, y = corner.alongY * size;
            *vertex = {corner.s,
                       corner.t,
                       {particle.color[0], particle.color[1], particle.color[2], particle.alpha},
                       particle.position.x + x * xAxis.x + y * yAxis.x,
                       particle.position.y + x * xAxis.y + y * yAxis.y,
                       particle.position.z + x * xAxis.z + y * yAxis.z};
            ++vertex;
        }
    }
    const GLsizei count = static_cast<GLsizei>(vertex - spriteVertices);
    if (count == 0)
        return;
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), &spriteVertices[0].s);
    glColorPointer(4, GL_FLOAT, sizeof(SpriteVertex), spriteVertices[0].color);
    glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), &spriteVertices[0].x);
    glDrawArrays(GL_TRIANGLES, 0, count);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
