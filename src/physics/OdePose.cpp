#include "physics/OdePose.h"

#include "scene/SceneNode.h"

#include <ode/ode.h>

#include <type_traits>

static_assert(std::is_same<dReal, double>::value,
              "OdePose.h declares ODE's vectors as double: ODE must be built in double precision");

Vector3 VectorFromOde(const double* v)
{
    return Vector3(float(v[0]), float(v[1]), float(v[2]));
}

Quaternion QuaternionFromOde(const double* q)
{
    return Quaternion(float(q[1]), float(q[2]), float(q[3]), float(q[0]));
}

void QuaternionToOde(const Quaternion& q, double ode[4])
{
    ode[0] = dReal(q.w);
    ode[1] = dReal(q.x);
    ode[2] = dReal(q.y);
    ode[3] = dReal(q.z);
}

void PoseAroundCentre(SceneNode& node, const double* p, const double* q, const Vector3& boxMin,
                      const Vector3& boxMax)
{
    Vector3 centre = (boxMax + boxMin) / 2.0f;
    node.orientation = QuaternionFromOde(q);
    node.position = VectorFromOde(p) - centre.TransformNormal(node.orientation.ToMatrix());
}
