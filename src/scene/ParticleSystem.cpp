#include "scene/ParticleSystem.h"

#include "core/Timer.h"
#include "math/MathUtil.h"
#include "platform/D3D9.h"
#include "scene/Camera.h"
#include "video/RenderPresets.h"
#include "video/Video.h"

#include <algorithm>

namespace
{
// Position, diffuse colour and one texture coordinate set: the 24-byte
// kSceneQuadFvf vertex.
struct ParticleVertex
{
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(ParticleVertex) == 24, "ParticleVertex must match its 24-byte format");

// Corners of the unit square in camera space, top left first, and their
// texture coordinates.
const Vector3 kCorners[4] = {Vector3(-0.5f, 0.5f, 0.0f), Vector3(0.5f, 0.5f, 0.0f),
                             Vector3(0.5f, -0.5f, 0.0f), Vector3(-0.5f, -0.5f, 0.0f)};
const float kCornerUV[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
} // namespace

ParticleSystem::~ParticleSystem()
{
    texture = nullptr;
    particles.clear();
}

Particle* ParticleSystem::NewParticle()
{
    Particle* particle = new Particle();
    particle->position = origin;
    particle->velocity = baseVelocity * RandomFloat(0.5f, 1.0f);
    particle->size = RandomFloat(sizeMin, sizeMax);
    particle->life = 1.0f;
    particle->growth = RandomFloat(growthMin, growthMax);
    particles.push_back(SmartPtr<Particle>(particle));
    return particle;
}

Particle* ParticleSystem::Emit()
{
    if (stopped)
        return nullptr;
    return NewParticle();
}

void ParticleSystem::EmitParticle()
{
    NewParticle();
}

void ParticleSystem::Step(float dt, bool evenWhenStopped)
{
    for (const SmartPtr<Particle>& particle : particles)
    {
        particle->life -= dt * fade;
        particle->velocity.y -= dt * gravity;
        particle->position += particle->velocity * dt;
        particle->size += particle->growth;
    }
    particles.erase(std::remove_if(particles.begin(), particles.end(),
                                   [](const SmartPtr<Particle>& p) { return p->life <= 0.0f; }),
                    particles.end());

    uint32_t ticks = Timer::Instance()->GetTicks();
    if (nextEmit < ticks && (!stopped || evenWhenStopped))
    {
        nextEmit = ticks + interval;
        NewParticle()->colour = colour;
    }
}

void ParticleSystem::Move(float dt)
{
    Step(dt, true);
}

void ParticleSystem::Update(float dt)
{
    Step(dt, false);
    if (particles.empty())
        Kill();
}

uint32_t ParticleSystem::VertexColour(const Color3& colour, float life)
{
    return colour.ToARGB(life);
}

void ParticleSystem::Render(IDirect3DDevice9* device)
{
    Camera* camera = Video::Instance().camera.Get();
    if (!camera)
        return;

    ApplyRenderPreset(device, RenderPreset::BlendedSceneQuads);
    Texture* image = texture.Get();
    device->SetTexture(0, image ? image->texture : nullptr);
    device->SetTexture(1, nullptr);

    Vector3 offsets[4];
    for (int k = 0; k < 4; ++k)
        offsets[k] = kCorners[k].TransformNormal(camera->worldMatrix);

    ParticleVertex vertices[4];
    for (int k = 0; k < 4; ++k)
    {
        vertices[k].u = kCornerUV[k][0];
        vertices[k].v = kCornerUV[k][1];
    }
    for (const SmartPtr<Particle>& particle : particles)
    {
        uint32_t vertexColour = VertexColour(particle->colour, particle->life);
        for (int k = 0; k < 4; ++k)
        {
            Vector3 corner = particle->position + offsets[k] * particle->size;
            vertices[k].x = corner.x;
            vertices[k].y = corner.y;
            vertices[k].z = corner.z;
            vertices[k].colour = vertexColour;
        }
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices, sizeof(ParticleVertex));
    }
}
