// 4x4 float matrix, row-major, for row vectors: the translation sits in the
// fourth row and A * B applies A first, then B. Laid out as the fixed-function
// pipeline takes it, so it goes to the device without conversion.
#pragma once

#include "math/Vector3.h"

struct Matrix
{
    // m[4 * row + column].
    float m[16];

    // The identity.
    Matrix();
    Matrix(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7, float m8,
           float m9, float m10, float m11, float m12, float m13, float m14, float m15);

    float& operator()(int row, int column) { return m[4 * row + column]; }
    float operator()(int row, int column) const { return m[4 * row + column]; }

    // this * rhs: this applied first.
    Matrix operator*(const Matrix& rhs) const;
    Matrix& operator*=(const Matrix& rhs);
    Matrix operator*(float s) const;
    Matrix& operator*=(float s);

    Vector3 GetTranslation() const { return Vector3(m[12], m[13], m[14]); }
    void SetIdentity();
};
