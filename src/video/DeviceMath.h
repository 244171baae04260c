// The engine's matrices as the device takes them: both are sixteen floats,
// row-major, for row vectors, so no conversion is needed.
#pragma once

#include "math/Matrix.h"
#include "platform/D3D9.h"

static_assert(sizeof(Matrix) == sizeof(D3DMATRIX), "Matrix and D3DMATRIX share one layout");

inline const D3DMATRIX* AsD3DMatrix(const Matrix& matrix)
{
    return reinterpret_cast<const D3DMATRIX*>(matrix.m);
}
