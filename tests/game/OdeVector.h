// ODE's vectors as the engine's, for comparing with VectorNear.
#pragma once

#include "core/VectorNear.h"

#include <ode/ode.h>

inline Vector3 Of(const dReal* v)
{
    return Vector3(float(v[0]), float(v[1]), float(v[2]));
}
