// ODE's vectors as the engine's, for comparing with VectorNear.
#pragma once

#include "core/VectorNear.h"
#include "game/OdePose.h"

inline Vector3 Of(const dReal* v)
{
    return VectorFromOde(v);
}
