#include "scene/Projectile.h"

#include "math/MathUtil.h"
#include "math/RayHit.h"
#include "net/Message.h"
#include "platform/D3D9.h"
#include "scene/SceneGraph.h"
#include "scene/SmokeEmitter.h"
#include "video/ResourceManager.h"

namespace
{
constexpr float kGravity = 9.81f;
constexpr int kImpactEmitters = 10;

// Position and diffuse colour: 16 bytes.
struct StreakVertex
{
    float x, y, z;
    uint32_t colour;
};
static_assert(sizeof(StreakVertex) == 16, "StreakVertex must match its 16-byte format");
constexpr DWORD kStreakVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// Blended, untextured, unlit lines.
void SetBlendedLineState(IDirect3DDevice9* device)
{
    device->SetTexture(0, nullptr);
    device->SetFVF(kStreakVertexFvf);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetPixelShader(nullptr);
    device->SetVertexShader(nullptr);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}
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

    SmartPtr<RayHit> hit = MainSceneGraph.RayCast(position, target);
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
    SetBlendedLineState(device);
    Vector3 tip = velocity * 0.1f;
    const StreakVertex streak[2] = {{0.0f, 0.0f, 0.0f, 0x22FFFF00u},
                                    {tip.x, tip.y, tip.z, 0xFFFFFFFFu}};
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, streak, sizeof(StreakVertex));
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
