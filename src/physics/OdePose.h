// Poses between ODE and the engine, for the files that call ODE: ODE keeps
// vectors as triples of its dReal, which is double here (OdePose.cpp checks),
// and quaternions as (w, x, y, z); the engine keeps floats with quaternions
// in (x, y, z, w) order. ODE's own headers stay in those files' sources.
#pragma once

#include "math/Quaternion.h"
#include "math/Vector3.h"

class SceneNode;

// An ODE vector (dVector3 or a body's or geom's position).
Vector3 VectorFromOde(const double* v);
// An ODE quaternion (dQuaternion or a body's or geom's rotation).
Quaternion QuaternionFromOde(const double* q);
// Into a dQuaternion.
void QuaternionToOde(const Quaternion& q, double ode[4]);

// Poses a node whose model's box (boxMin to boxMax, model space) has its
// centre at ODE's position p turned by ODE's quaternion q: the node takes the
// turn, and its origin lies the turned centre back from p.
void PoseAroundCentre(SceneNode& node, const double* p, const double* q, const Vector3& boxMin,
                      const Vector3& boxMax);
