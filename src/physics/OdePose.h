// Poses between ODE and the engine, for the files that call ODE: ODE keeps
// vectors as dReal triples and quaternions as (w, x, y, z), the engine as
// floats with quaternions in (x, y, z, w) order.
#pragma once

#include "math/Quaternion.h"
#include "math/Vector3.h"
#include "scene/SceneNode.h"

#include <ode/ode.h>

inline Vector3 VectorFromOde(const dReal* v)
{
    return Vector3(float(v[0]), float(v[1]), float(v[2]));
}

inline Quaternion QuaternionFromOde(const dReal* q)
{
    return Quaternion(float(q[1]), float(q[2]), float(q[3]), float(q[0]));
}

inline void QuaternionToOde(const Quaternion& q, dQuaternion ode)
{
    ode[0] = dReal(q.w);
    ode[1] = dReal(q.x);
    ode[2] = dReal(q.y);
    ode[3] = dReal(q.z);
}

// Poses a node whose model's box (boxMin to boxMax, model space) has its
// centre at ODE's position p turned by ODE's quaternion q: the node takes the
// turn, and its origin lies the turned centre back from p.
inline void PoseAroundCentre(SceneNode& node, const dReal* p, const dReal* q, const Vector3& boxMin,
                             const Vector3& boxMax)
{
    Vector3 centre = (boxMax + boxMin) / 2.0f;
    node.orientation = QuaternionFromOde(q);
    node.position = VectorFromOde(p) - centre.TransformNormal(node.orientation.ToMatrix());
}
