// The D3DX-named matrix builders the game calls: products, inverse, rotations,
// scaling, translation and the left-handed view and projection matrices. Pure
// math over Matrix, Vector3 and Quaternion, in the row-vector convention: every
// builder returns its out argument, and out may be one of the inputs.
#pragma once

#include "math/Matrix.h"
#include "math/Quaternion.h"
#include "math/Vector3.h"

// out = a * b: a applied first.
Matrix* D3DXMatrixMultiply(Matrix* out, const Matrix* a, const Matrix* b);
// out = the inverse of m; stores the determinant when asked. Returns null and
// leaves out unchanged when m is singular.
Matrix* D3DXMatrixInverse(Matrix* out, float* determinant, const Matrix* m);
// Rotations by an angle in radians, clockwise looking down the axis toward the
// origin (left-handed).
Matrix* D3DXMatrixRotationX(Matrix* out, float angle);
Matrix* D3DXMatrixRotationY(Matrix* out, float angle);
Matrix* D3DXMatrixRotationZ(Matrix* out, float angle);
// The same matrix as Quaternion::ToMatrix; q is not normalised first.
Matrix* D3DXMatrixRotationQuaternion(Matrix* out, const Quaternion* q);
Matrix* D3DXMatrixScaling(Matrix* out, float sx, float sy, float sz);
// Identity with (x, y, z) in the fourth row.
Matrix* D3DXMatrixTranslation(Matrix* out, float x, float y, float z);
// View matrix of a camera at eye looking at at: view z = normalise(at - eye),
// x = normalise(up x z), y = z x x; the eye maps to the origin.
Matrix* D3DXMatrixLookAtLH(Matrix* out, const Vector3* eye, const Vector3* at, const Vector3* up);
// Projection with a vertical field of view in radians and aspect = width /
// height. Maps view z = zn to clip z 0 and z = zf to clip z = w (w = view z).
Matrix* D3DXMatrixPerspectiveFovLH(Matrix* out, float fovY, float aspect, float zn, float zf);
