// A plane given by a point on it and its normal, with d = dot(point, normal).
#pragma once

#include "math/Vector3.h"

struct Plane
{
    Vector3 point;
    Vector3 normal;
    float d = 0.0f;

    // Point and normal zero, d 0.
    Plane() = default;
    Plane(const Vector3& point, const Vector3& normal) { Set(point, normal); }
    // Through three points; see SetFromPoints.
    Plane(const Vector3& p0, const Vector3& p1, const Vector3& p2) { SetFromPoints(p0, p1, p2); }

    void Set(const Vector3& point, const Vector3& normal);
    // point = p0, normal = normalise((p1 - p0) x (p2 - p0)). A degenerate
    // triangle gives the zero normal.
    void SetFromPoints(const Vector3& p0, const Vector3& p1, const Vector3& p2);

    // dot(normal, p) - d: positive on the side the normal points to.
    float SignedDistance(const Vector3& p) const { return normal.Dot(p) - d; }
};
