#include "scene/Projectile.h"

#include "math/MathUtil.h"
#include "math/RayHit.h"
#include "net/Message.h"
#include "platform/D3D9.h"
#include "scene/SceneGraph.h"
#include "scene/SmokeEmitter.h"
#include "video/RenderPresets.h"
#include "video/ResourceManager.h"

namespace
{
constexpr float kGravity = 9.81f;
constexpr int kImpactEmitters = 10;
} // namespace

Projectile::Projectile()
{
    trail = new ParticleSystem();
    trail->texture = ResourceManager::Instance().GetTexture("data/textures/smoke.png");
    trail->interval = 30;
    trail->colour = Color3(0.5f, 0.5f, 0.5f);
    trail->fade = 0.1f;
    trail->sizeMin = 1.0f;
    trail->sizeMax = 1.5f;
    trail->growthMin = 0.0f;
    trail->growthMax = 0.02f;
    trail->gravity = 0.0f;
}

Projectile::~Projectile()
{
    trail = nullptr;
}

void Projectile::Move(float dt)
{
    if (useGravity)
        velocity.y -= kGravity * dt;
    position += velocity * dt;
}

void Projectile::Update(float dt)
{
    if (useGravity)
        velocity.y -= kGravity * dt;
    Vector3 target = position + velocity * dt;

    // The trail is added after the shell, so that it is updated after it and
    // its first puff is born at the launch point rather than at the origin.
    trail->origin = worldMatrix.GetTranslation();
    if (!trailPlaced)
    {
        trailPlaced = true;
        MainSceneGraph.GetRoot()->AddChild(trail.Get());
    }

    // The ground is solid below its plane, as in the physics world: a step
    // that starts in it (a shell fired from a gun dug into the ground) has
    // struck it where it is. Falling on below the plane, the shell would
    // never meet anything and its trail would puff for good.
    SmartPtr<RayHit> hit;
    if (position.y < 0.0f || (position.y == 0.0f && target.y <= 0.0f))
    {
        hit = new RayHit();
        hit->normal = Vector3(0.0f, 1.0f, 0.0f);
        hit->point = position;
        hit->distance = 0.0f;
    }
    else
    {
        hit = MainSceneGraph.RayCast(position, target);
    }
    if (hit->distance <= 1.0f)
    {
        position += velocity * dt * hit->distance;
        trail->StopEmitting();
        Kill();
        for (int i = 0; i < kImpactEmitters; ++i)
        {
            SmokeEmitter* emitter = new SmokeEmitter();
            emitter->position = position;
            float rz = RandomFloat(-15.0f, 15.0f);
            float ry = RandomFloat(-15.0f, 15.0f);
            float rx = RandomFloat(-15.0f, 15.0f);
            emitter->flightVelocity = hit->normal * 20.0f + Vector3(rx, ry, rz);
            emitter->life = 3.0f;
            MainSceneGraph.GetRoot()->AddChild(emitter);
        }
        return;
    }
    position = target;
}

void Projectile::Render(IDirect3DDevice9* device)
{
    ApplyRenderPreset(device, RenderPreset::BlendedLines);
    Vector3 tip = velocity * 0.1f;
    const LineVertex streak[2] = {{0.0f, 0.0f, 0.0f, 0x22FFFF00u},
                                  {tip.x, tip.y, tip.z, 0xFFFFFFFFu}};
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, streak, sizeof(LineVertex));
}

Message* Projectile::CreateStateMessage()
{
    Message* message = CreateBaseStateMessage();
    message->WriteByte(useGravity);
    message->WriteInt(tag);
    message->WriteVector3(auxVector);
    return message;
}

void Projectile::ApplyState(Message& message)
{
    ApplyBaseState(message);
    useGravity = message.ReadByte();
    tag = message.ReadInt();
    auxVector = message.ReadVector3();
}
