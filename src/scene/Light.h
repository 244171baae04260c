// A light in the scene: the Video turns each enabled one into a device light
// every frame, and the lightmap baker sums what point lights give a surface.
#pragma once

#include "math/Color3.h"
#include "scene/SceneNode.h"

class Light : public SceneNode
{
public:
    enum Kind : uint32_t
    {
        kPoint = 0,
        kSpot = 1,
        kDirectional = 2,
    };

    Light() = default;

    int GetType() override { return kNodeLight; }
    // Adds this light to the Video's light list.
    void Setup() override;
    void Move(float dt) override { Update(dt); }
    void Update(float dt) override;
    // A small white wire box around the light.
    void Render(IDirect3DDevice9* device) override;
    void ApplyState(Message& message) override;
    Message* CreateStateMessage() override;

    // Colour a point light gives a surface point with the given normal: a Lambert
    // term times a quadratic fall-off that reaches 0 at `range`. Spot and
    // directional lights give black; no shadow test.
    Color3 Illuminate(const Vector3& point, const Vector3& normal) const;

    uint32_t kind = kPoint;
    Color3 colour;
    // Distance of influence; matters for point and spot lights.
    float range = 0.0f;
    // Spot lights only: fall-off between the cones and the outer cone angle.
    float falloff = 0.0f;
    float coneAngle = 0.0f;
    // The Video skips a light whose flag is 0.
    uint8_t enabled = 1;
    // Carried in the state message only.
    uint8_t extraFlags[3] = {0, 0, 0};
};
