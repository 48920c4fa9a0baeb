#pragma once
#include <windows.h>

#include "effect/particle_system.h"

// Draws the live particles one by one, as camera-facing diamonds, in the
// current modelview; the picture that ParticleSystem::Draw must match.
void DrawEachParticle(const ParticleSystem& system);
