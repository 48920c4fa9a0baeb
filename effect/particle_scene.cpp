// Placeholder until the particle scene lands.
#include "effect/particle_scene.h"

#include "shell/exception.h"

ParticleSystem* gParticleSystem;
unsigned int gSpriteTexture;

ParticleScene::ParticleScene() { throw Exception("Failed to create window..."); }
ParticleScene::~ParticleScene() {}
void ParticleScene::Resize(int, int) {}
bool ParticleScene::RenderFrame() { return false; }
