#include "math/BoundingBox.h"

#include "math/MathUtil.h"

#include <cstddef>

namespace
{
// A coordinate above the maximum raises it; only otherwise can it lower the
// minimum, which is enough since both start at the first point.
void Extend(float value, float& low, float& high)
{
    if (value > high)
        high = value;
    else if (value < low)
        low = value;
}
} // namespace

void BoundingBox::SetFromPoints(const Vector3& a, const Vector3& b)
{
    min = Vector3(Min(a.x, b.x), Min(a.y, b.y), Min(a.z, b.z));
    max = Vector3(Max(a.x, b.x), Max(a.y, b.y), Max(a.z, b.z));
}

void BoundingBox::Fit(const std::vector<Vector3>& points)
{
    if (points.empty())
        return;
    min = max = points[0];
    for (std::size_t i = 1; i < points.size(); ++i)
    {
        Extend(points[i].x, min.x, max.x);
        Extend(points[i].y, min.y, max.y);
        Extend(points[i].z, min.z, max.z);
    }
}

bool BoundingBox::Intersects(const BoundingBox& other) const
{
    if (min.x > other.max.x || max.x < other.min.x)
        return false;
    if (min.y > other.max.y || max.y < other.min.y)
        return false;
    if (min.z > other.max.z || max.z < other.min.z)
        return false;
    return true;
}
