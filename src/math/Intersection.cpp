#include "math/Intersection.h"

#include "math/FloatBits.h"
#include "math/Plane.h"

#include <cmath>
#include <cstdint>

namespace
{
bool SignBit(float value)
{
    return (FloatBits(value) & 0x80000000u) != 0;
}
} // namespace

float RayPlaneParameter(const Vector3& p0, const Vector3& p1, const Vector3& q, const Vector3& n)
{
    return (q - p0).Dot(n) / (p1 - p0).Dot(n);
}

bool SegmentIntersectsTriangle(const Vector3& p0, const Vector3& p1, const Vector3& a,
                               const Vector3& b, const Vector3& c, const Vector3& n)
{
    float d0 = (p0 - a).Dot(n);
    if (d0 < 0.0f)
        return false;
    float d1 = (a - p1).Dot(n);
    if (d1 < 0.0f)
        return false;
    float t = d0 / (d0 + d1);
    // Written so that the NaN of 0 / 0 fails too.
    if (!(t >= 0.0f && t <= 1.0f))
        return false;
    Vector3 h = p0 + (p1 - p0) * t;

    const Vector3* edges[3][2] = {{&a, &b}, {&b, &c}, {&c, &a}};
    for (const auto& edge : edges)
    {
        const Vector3& v = *edge[0];
        const Vector3& w = *edge[1];
        if ((h - v).Dot((w - v).Cross(n)) > 0.0f)
            return false;
    }
    return true;
}

bool PointInTriangle(const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c)
{
    Vector3 e1 = b - a;
    Vector3 e2 = c - a;
    Vector3 vp = p - a;
    float s11 = e1.Dot(e1);
    float s12 = e1.Dot(e2);
    float s22 = e2.Dot(e2);
    float det = s11 * s22 - s12 * s12;
    float d = vp.Dot(e1);
    float e = vp.Dot(e2);
    float x = d * s22 - e * s12;
    float y = e * s11 - d * s12;
    float z = x + y - det;
    // Read as sign bits so that +0 counts as inside an edge and -0 as inside
    // the third one.
    return SignBit(z) && !SignBit(x) && !SignBit(y);
}

bool SolveQuadratic(float a, float b, float c, float& root)
{
    float disc = b * b - 4.0f * a * c;
    if (disc < 0.0f)
        return false;
    float s = std::sqrt(disc);
    float r1 = (-b - s) / (2.0f * a);
    float r2 = (-b + s) / (2.0f * a);
    root = r1 >= r2 ? r2 : r1;
    return true;
}

void SphereTriangleCollision(const Vector3& start, const Vector3& end, const Vector3& a,
                             const Vector3& b, const Vector3& c, RayHit& hit)
{
    Plane plane(a, b, c);
    Vector3 vel = end - start;
    if (plane.normal.Dot(vel) > 0.0f)
        return;

    float dist = plane.SignedDistance(start);
    float nv = plane.normal.Dot(vel);
    if (nv == 0.0f)
    {
        // Moving parallel to the plane: no contact unless embedded in it for
        // the whole move, and then only edges and vertices give a time of
        // contact.
        if (dist <= -1.0f || dist >= 1.0f)
            return;
    }
    else
    {
        float t0 = (-1.0f - dist) / nv;
        float t1 = (1.0f - dist) / nv;
        if (t0 > t1)
        {
            float swap = t0;
            t0 = t1;
            t1 = swap;
        }
        if (t0 > 1.0f || t1 < 0.0f)
            return;
        t0 = t0 < 0.0f ? 0.0f : (t0 > 1.0f ? 1.0f : t0);

        Vector3 q = start - plane.normal + vel * t0;
        if (PointInTriangle(q, a, b, c))
        {
            if (t0 < hit.distance)
            {
                hit.distance = t0;
                hit.point = q;
                hit.normal = plane.normal;
            }
            return;
        }
    }

    bool contact = false;
    float velSq = vel.Dot(vel);

    const Vector3* vertices[3] = {&a, &b, &c};
    const Vector3 edges[3] = {b - a, c - b, a - c};
    for (int i = 0; i < 3; ++i)
    {
        const Vector3& v = *vertices[i];
        const Vector3& e = edges[i];
        Vector3 btv = v - start;
        float eSq = e.Dot(e);
        float eDotVel = e.Dot(vel);
        float eDotBtv = e.Dot(btv);
        float qa = -velSq * eSq + eDotVel * eDotVel;
        float qb = 2.0f * vel.Dot(btv) * eSq - 2.0f * eDotVel * eDotBtv;
        float qc = (1.0f - btv.Dot(btv)) * eSq + eDotBtv * eDotBtv;
        float t;
        if (SolveQuadratic(qa, qb, qc, t) && t >= 0.0f && t <= 1.0f && t < hit.distance)
        {
            float f = (eDotVel * t - eDotBtv) / eSq;
            if (f >= 0.0f && f <= 1.0f)
            {
                hit.distance = t;
                hit.point = v + e * f;
                contact = true;
            }
        }
    }

    for (const Vector3* vertex : vertices)
    {
        const Vector3& p = *vertex;
        float qa = vel.Dot(vel);
        float qb = 2.0f * vel.Dot(start - p);
        float qc = (p - start).Dot(p - start) - 1.0f;
        float t;
        // Not bounded by 1, and ties go to the later vertex: callers test
        // distance < 1 themselves.
        if (SolveQuadratic(qa, qb, qc, t) && t >= 0.0f && t <= hit.distance)
        {
            hit.distance = t;
            hit.point = p;
            contact = true;
        }
    }

    if (contact)
    {
        hit.normal = (start + vel * hit.distance) - hit.point;
        hit.normal.Normalize();
    }
}
