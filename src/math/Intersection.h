// Intersection tests of segments, points and a swept unit sphere against
// planes and triangles. Triangles are one-sided: only their front face, the
// side their normal points to, stops a segment or a sphere.
#pragma once

#include "math/RayHit.h"
#include "math/Vector3.h"

// The parameter t at which the line p0 + t * (p1 - p0) meets the plane through
// q with normal n: 0 at p0, 1 at p1. Unguarded: a segment parallel to the plane
// divides by zero (infinity or NaN), which fails every caller's range test.
float RayPlaneParameter(const Vector3& p0, const Vector3& p1, const Vector3& q, const Vector3& n);

// True when the segment from p0 (on the front side or on the plane) to p1 (on
// the back side or on the plane) passes through the triangle (a, b, c) with
// normal n. From the back side to the front it never hits.
bool SegmentIntersectsTriangle(const Vector3& p0, const Vector3& p1, const Vector3& a,
                               const Vector3& b, const Vector3& c, const Vector3& n);

// True when p, assumed in the plane of (a, b, c), lies inside the triangle.
bool PointInTriangle(const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c);

// The smaller real root of a*x^2 + b*x + c into root; false, root untouched,
// when there is none.
bool SolveQuadratic(float a, float b, float c, float& root);

// Moves a sphere of radius 1 from start to end against the triangle (a, b, c)
// (callers scale space so that their ellipsoid becomes the unit sphere) and
// lowers hit.distance, as a fraction of the move, to the first contact with
// the face, an edge or a vertex; point and normal follow the recorded contact.
// Back faces and moves away from the front face never collide. A vertex met
// only beyond the end of the move may be recorded with a distance above 1,
// which callers treat as no contact. Never sets hit.object.
void SphereTriangleCollision(const Vector3& start, const Vector3& end, const Vector3& a,
                             const Vector3& b, const Vector3& c, RayHit& hit);
