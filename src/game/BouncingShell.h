// A shell that falls under gravity and bounces off the world of the secondary
// scene graph, drawn as a line from where it was to where it is, until its
// life runs out. The game itself creates none.
#pragma once

#include "math/Color3.h"
#include "math/Vector3.h"
#include "scene/SceneNode.h"

class BouncingShell : public SceneNode
{
public:
    // A shell at the origin at rest, black, with no life left to lose; the
    // creator sets position, velocity, colours, life and decay.
    BouncingShell() = default;

    int GetType() override { return kNodeBouncingShell; }
    // One step along velocity * dt cast as a ray through the secondary graph: a
    // hit stops the shell just off the surface and reflects half the speed into
    // it back out; then gravity, and the life falls by dt * decay. Below zero
    // the shell kills itself.
    void Update(float dt) override;
    // A line from the previous position in the tail colour to the position in
    // the head colour, in world space, both with alpha = the whole part of life
    // modulo 256. Nothing once life is below zero.
    void Render(IDirect3DDevice9* device) override;

    Vector3 previousPosition;
    Color3 headColour;
    Color3 tailColour;
    float life = 0.0f;
    // Life lost per second.
    float decay = 0.0f;
};
