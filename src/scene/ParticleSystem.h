// Short-lived particles emitted from a point, aged, moved and grown every frame
// and drawn as textured squares that face the camera, faded by their life. A
// system lives under the main graph's root at the origin, so its particles'
// positions are world positions; it kills itself once it has none left.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "math/Color3.h"
#include "math/Vector3.h"
#include "scene/SceneNode.h"
#include "video/Texture.h"

#include <cstdint>
#include <vector>

// One particle in world space; its life runs from 1 down to 0 and is also its
// drawn opacity.
class Particle : public RefObject
{
public:
    Vector3 position;
    // Units per second.
    Vector3 velocity;
    // Edge length of the drawn square.
    float size = 0.0f;
    float life = 1.0f;
    // Added to size once per update: per frame, not per second.
    float growth = 0.0f;
    Color3 colour;
};

class ParticleSystem : public SceneNode
{
public:
    ParticleSystem() = default;
    // Releases the texture and the particles.
    ~ParticleSystem() override;

    int GetType() override { return kNodeParticleSystem; }
    // Emits one particle whatever `stopped` says.
    void Setup() override { EmitParticle(); }
    // Ages, moves and grows the particles and runs the timed emission even when
    // stopped; never kills the system. Only the secondary graph calls it.
    void Move(float dt) override;
    // Ages, moves and grows the particles, drops the dead, runs the timed
    // emission on the Timer's unscaled ticks, and kills the system when no
    // particle is left.
    void Update(float dt) override;
    // One camera-facing square per particle, blended by its life. Draws nothing
    // without a current camera; untextured when `texture` is empty.
    void Render(IDirect3DDevice9* device) override;

    // A new particle at `origin` (black: the caller colours it), appended and
    // returned; null and nothing added when the system is stopped. The list
    // holds the particle; the pointer stays valid while it is alive.
    Particle* Emit();
    // The same, stopped or not.
    void EmitParticle();
    // No more emission by Emit or the timer; the system dies with its last
    // particle.
    void StopEmitting() { stopped = 1; }

    // The vertex colour of a particle: the colour's RGB with the alpha byte
    // life * 255, truncated and held within 0..255.
    static uint32_t VertexColour(const Color3& colour, float life);

    uint8_t stopped = 0;
    // Each update the particles' vertical speed falls by dt * gravity, so a
    // negative value makes them rise.
    float gravity = -0.1f;
    // Life lost per second.
    float fade = 0.3f;
    float sizeMin = 0.1f;
    float sizeMax = 0.2f;
    // World point where particles are born; set by the owner.
    Vector3 origin;
    // Initial velocity, scaled by a random factor of 0.5 to 1.
    Vector3 baseVelocity;
    // Colour of the particles of the timed emission.
    Color3 colour = Color3(0.3f, 0.3f, 0.3f);
    float growthMin = 0.001f;
    float growthMax = 0.02f;
    // Period of the timed emission in milliseconds of Timer ticks.
    uint32_t interval = 400;
    // Tick after which the next timed particle is born; 0 emits at the first
    // update.
    uint32_t nextEmit = 0;
    // The live particles in birth order.
    std::vector<SmartPtr<Particle>> particles;
    SmartPtr<Texture> texture;

private:
    // A new particle at the origin with its random speed, size and growth.
    Particle* NewParticle();
    // Steps 1 to 3 of an update: age, move, grow, drop the dead, timed emission
    // (when `stopped` is 0 or `evenWhenStopped` is set).
    void Step(float dt, bool evenWhenStopped);
};
