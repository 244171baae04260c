#include "math/Plane.h"

void Plane::Set(const Vector3& point, const Vector3& normal)
{
    this->point = point;
    this->normal = normal;
    d = point.Dot(normal);
}

void Plane::SetFromPoints(const Vector3& p0, const Vector3& p1, const Vector3& p2)
{
    point = p0;
    normal = (p1 - p0).Cross(p2 - p0);
    normal.Normalize();
    d = point.Dot(normal);
}
