// The record of a ray cast or sweep: what was hit, where along the query, the
// surface normal and the point. One record is shared by every test of a query,
// each lowering the distance when it finds a nearer hit.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "math/Vector3.h"

// Distance of a record that has hit nothing; callers test distance < 1.
const float kNoHitDistance = 9999.0f;

class RayHit : public RefObject
{
public:
    RayHit() = default;

    // The scene node hit; null for the ground plane or when nothing was hit.
    // Held as its RefObject base so that the math stays free of the scene.
    SmartPtr<RefObject> object;
    // Fraction of the tested segment or move: 0 at its start, 1 at its end.
    float distance = kNoHitDistance;
    Vector3 normal;
    Vector3 point;
};
