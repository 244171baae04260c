// Axis-aligned box given by its smallest and largest corner.
#pragma once

#include "math/Vector3.h"

#include <vector>

struct BoundingBox
{
    Vector3 min;
    Vector3 max;

    BoundingBox() = default;
    BoundingBox(const Vector3& min, const Vector3& max) : min(min), max(max) {}

    // The box spanned by two opposite corners given in any order.
    void SetFromPoints(const Vector3& a, const Vector3& b);
    // The box around the points; an empty list leaves the box unchanged.
    void Fit(const std::vector<Vector3>& points);
    // Closed intervals: boxes that only touch intersect.
    bool Intersects(const BoundingBox& other) const;
};
