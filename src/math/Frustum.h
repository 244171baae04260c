// The viewing volume as five planes with outward normals: far first, then the
// four sides. There is no near plane. The camera fills the planes.
#pragma once

#include "math/Plane.h"
#include "math/Vector3.h"

struct Frustum
{
    Plane planes[5];

    // False only when all eight corners of the box lie strictly outside one
    // plane. Conservative: a box beside a corner of the volume, or behind the
    // camera, may count as visible.
    bool IsBoxVisible(const Vector3& min, const Vector3& max) const;
};
