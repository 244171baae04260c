// A short-lived node that flies on a ballistic path and puffs dark grey smoke
// into a particle system of its own; when its life runs out it stops the
// system and dies, and the smoke fades after it.
#pragma once

#include "core/SmartPtr.h"
#include "math/Vector3.h"
#include "scene/ParticleSystem.h"
#include "scene/SceneNode.h"

class SmokeEmitter : public SceneNode
{
public:
    // Builds the smoke system (smoke.png through the resource cache). The system
    // joins the main graph's root at the emitter's first update, once the
    // creator has placed the emitter, so that no smoke is born before then.
    SmokeEmitter();
    // Releases the system.
    ~SmokeEmitter() override;

    int GetType() override { return kNodeSmokeEmitter; }
    // Counts the life down; while it lasts, falls under 4.81 units per second
    // squared and puffs at most once per update, every 0.02 s; then stops the
    // system and kills the emitter.
    void Update(float dt) override;

    // Seconds left; set by the creator.
    float life = 0.0f;
    // Seconds to the next puff.
    float puffTimer = 0.0f;
    SmartPtr<ParticleSystem> system;
    // Units per second; set by the creator. The node's own velocity is unused.
    Vector3 flightVelocity;

private:
    bool systemPlaced = false;
};
