// ODE's vectors as the engine's, for comparing with VectorNear.
#pragma once

#include "physics/OdePose.h"
#include "support/VectorNear.h"

#include <ode/ode.h>

inline Vector3 Of(const dReal* v)
{
    return VectorFromOde(v);
}
