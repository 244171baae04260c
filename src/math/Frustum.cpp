#include "math/Frustum.h"

bool Frustum::IsBoxVisible(const Vector3& min, const Vector3& max) const
{
    const Vector3 corners[8] = {
        Vector3(min.x, min.y, min.z), Vector3(min.x, min.y, max.z), Vector3(min.x, max.y, min.z),
        Vector3(min.x, max.y, max.z), Vector3(max.x, min.y, min.z), Vector3(max.x, min.y, max.z),
        Vector3(max.x, max.y, min.z), Vector3(max.x, max.y, max.z),
    };
    for (const Plane& plane : planes)
    {
        int outside = 0;
        while (outside < 8 && plane.SignedDistance(corners[outside]) > 0.0f)
            ++outside;
        if (outside == 8)
            return false;
    }
    return true;
}
