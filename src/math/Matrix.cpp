#include "math/Matrix.h"

Matrix::Matrix()
{
    SetIdentity();
}

Matrix::Matrix(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7,
               float m8, float m9, float m10, float m11, float m12, float m13, float m14, float m15)
    : m{m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15}
{
}

Matrix Matrix::operator*(const Matrix& rhs) const
{
    Matrix product;
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            product.m[4 * i + j] = m[4 * i] * rhs.m[j] + m[4 * i + 1] * rhs.m[4 + j] +
                                   m[4 * i + 2] * rhs.m[8 + j] + m[4 * i + 3] * rhs.m[12 + j];
        }
    }
    return product;
}

Matrix& Matrix::operator*=(const Matrix& rhs)
{
    *this = *this * rhs;
    return *this;
}

Matrix Matrix::operator*(float s) const
{
    Matrix scaled = *this;
    scaled *= s;
    return scaled;
}

Matrix& Matrix::operator*=(float s)
{
    for (float& e : m)
        e *= s;
    return *this;
}

void Matrix::SetIdentity()
{
    for (float& e : m)
        e = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}
