// A scene node that draws one Model under its world transform and moves itself
// by collide-and-slide against the level.
#pragma once

#include "core/SmartPtr.h"
#include "scene/SceneNode.h"
#include "video/Model.h"

class StaticModel : public SceneNode
{
public:
    StaticModel();
    // Takes the cached model of the file (a dummy model when it cannot be
    // loaded) and its bounding box.
    explicit StaticModel(const char* fileName);
    ~StaticModel() override;

    int GetType() override { return kNodeStaticModel; }
    // Plain integration, no collision.
    void Move(float dt) override;
    // Collide-and-slide of velocity * dt against the main graph's levels.
    void Update(float dt) override;
    // The bounds box when showBounds is set, then the model.
    void Render(IDirect3DDevice9* device) override;

    // The slide loop for a displacement instead of velocity * dt; returns what
    // is left of it after the last slide.
    Vector3 CollideMove(const Vector3& displacement);

    // Model-space box.
    Vector3 boundsMin;
    Vector3 boundsMax;
    // Half-extents of the ellipsoid the slide sweeps; zero skips the sweep.
    Vector3 radii;
    SmartPtr<Model> model;

    // Shared by every static model: draws each one's box.
    static uint8_t showBounds;
};
