// A shell that flies under gravity, leaves a smoke trail, and tests each step
// against the world with the main graph's ray cast; where it hits it stops,
// dies and throws ten smoke emitters out of the hit point.
#pragma once

#include "core/SmartPtr.h"
#include "math/Vector3.h"
#include "scene/ParticleSystem.h"
#include "scene/SceneNode.h"

#include <cstdint>

class Projectile : public SceneNode
{
public:
    // Builds the smoke trail. The creator sets position and velocity (world
    // space) and adds the shell to the main graph's root; the trail joins the
    // root at the shell's first update, starting where the shell was placed.
    Projectile();
    // Releases the trail.
    ~Projectile() override;

    int GetType() override { return kNodeProjectile; }
    // Gravity and one straight step; no collision and no trail. Only the
    // secondary graph calls it.
    void Move(float dt) override;
    // Gravity, the trail's origin, then the step cast as a ray through the main
    // graph: a hit at most one step away stops the shell there, stops the
    // trail, kills the shell and starts ten smoke emitters. A step that starts
    // below the ground plane (or on it, not rising) hits the ground at once.
    void Update(float dt) override;
    // A streak from the shell to a tenth of a second of flight ahead.
    void Render(IDirect3DDevice9* device) override;
    // The node block, then useGravity, tag and auxVector.
    void ApplyState(Message& message) override;
    Message* CreateStateMessage() override;

    // Set: 9.81 units per second squared pull the vertical speed down.
    uint8_t useGravity = 1;
    // Carried in the state message only.
    uint32_t tag = 40;
    Vector3 auxVector;
    SmartPtr<ParticleSystem> trail;

private:
    bool trailPlaced = false;
};
