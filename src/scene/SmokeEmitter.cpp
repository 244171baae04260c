#include "scene/SmokeEmitter.h"

#include "math/MathUtil.h"
#include "scene/SceneGraph.h"
#include "video/ResourceManager.h"

SmokeEmitter::SmokeEmitter()
{
    system = new ParticleSystem();
    // The timer fires once, at the system's first update, and then not for a
    // thousand seconds: the puffs below make the rest of the smoke.
    system->interval = 1000000;
    system->nextEmit = 0;
    system->colour = Color3(0.0f, 0.0f, 0.0f);
    system->texture = ResourceManager::Instance().GetTexture("data/textures/smoke.png");
    system->sizeMin = 0.1f;
    system->sizeMax = 0.2f;
    system->growthMin = 0.01f;
    system->growthMax = 0.021f;
    system->fade = 0.3f;
    system->gravity = 0.0f;
}

SmokeEmitter::~SmokeEmitter()
{
    system = nullptr;
}

void SmokeEmitter::Update(float dt)
{
    life -= dt;
    if (life < 0.0f)
    {
        system->StopEmitting();
        Kill();
        return;
    }

    flightVelocity.y -= dt * 4.81f;
    position += flightVelocity * dt;
    puffTimer -= dt;
    if (puffTimer < 0.0f)
    {
        puffTimer = 0.02f;
        Particle* puff = system->Emit();
        if (puff)
        {
            puff->position = position;
            puff->colour = Color3(1.0f, 1.0f, 1.0f) * RandomFloat(0.0f, 0.3f);
        }
    }

    // The system's own timed particle is born at its origin, in the system's
    // black: the origin follows the emitter, and the system is added only now,
    // after the emitter, so it never emits before the emitter has placed it.
    system->origin = position;
    if (!systemPlaced)
    {
        systemPlaced = true;
        MainSceneGraph.GetRoot()->AddChild(system.Get());
    }
}
