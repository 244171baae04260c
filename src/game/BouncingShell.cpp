#include "game/BouncingShell.h"

#include "math/RayHit.h"
#include "scene/SceneGraph.h"
#include "video/DeviceMath.h"
#include "video/RenderPresets.h"

#include <cmath>

namespace
{
constexpr float kGravity = 9.81f;
// How far off the surface a bounce leaves the shell.
constexpr float kSurfaceGap = 0.0001f;
// The share of the speed into the surface that a bounce takes away, plus one.
constexpr float kBounce = 1.5f;

uint32_t LineColour(const Color3& colour, uint32_t alpha)
{
    return (colour.ToARGB() & 0x00FFFFFFu) | (alpha << 24);
}
} // namespace

void BouncingShell::Update(float dt)
{
    previousPosition = position;
    Vector3 next = position + velocity * dt;
    SmartPtr<RayHit> hit = SecondarySceneGraph.RayCast(position, next);
    if (hit->distance > 1.0f)
    {
        position = next;
    }
    else
    {
        position = hit->point + hit->normal * kSurfaceGap;
        velocity = velocity - hit->normal * (kBounce * hit->normal.Dot(velocity));
    }
    velocity += Vector3(0.0f, -kGravity, 0.0f) * dt;
    life -= dt * decay;
    if (life < 0.0f)
        Kill();
}

void BouncingShell::Render(IDirect3DDevice9* device)
{
    if (life < 0.0f)
        return;
    // The float's whole part taken modulo in floating point: no integer
    // conversion of a large life overflows.
    uint32_t alpha = static_cast<uint32_t>(std::fmod(std::floor(life), 256.0f));
    const LineVertex line[2] = {
        {previousPosition.x, previousPosition.y, previousPosition.z, LineColour(tailColour, alpha)},
        {position.x, position.y, position.z, LineColour(headColour, alpha)}};
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(Matrix()));
    ApplyRenderPreset(device, RenderPreset::BlendedLines);
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(LineVertex));
}
