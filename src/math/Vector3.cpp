#include "math/Vector3.h"

#include "math/Matrix.h"

#include <cmath>

namespace
{
const float kEpsilon = 1e-5f;

bool Near(float a, float b)
{
    float d = a - b;
    return d >= -kEpsilon && d <= kEpsilon;
}
} // namespace

Vector3& Vector3::operator+=(const Vector3& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

Vector3& Vector3::operator-=(const Vector3& v)
{
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

Vector3& Vector3::operator*=(float s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

Vector3& Vector3::operator/=(float s)
{
    float inv = 1.0f / s;
    x *= inv;
    y *= inv;
    z *= inv;
    return *this;
}

float Vector3::Length() const
{
    return std::sqrt(LengthSq());
}

float Vector3::InverseLength() const
{
    float length = Length();
    return length == 0.0f ? 1.0f : 1.0f / length;
}

Vector3& Vector3::Normalize()
{
    return *this *= InverseLength();
}

Vector3 Vector3::TransformCoord(const Matrix& m) const
{
    const float* e = m.m;
    return Vector3(x * e[0] + y * e[4] + z * e[8] + e[12], x * e[1] + y * e[5] + z * e[9] + e[13],
                   x * e[2] + y * e[6] + z * e[10] + e[14]);
}

Vector3& Vector3::TransformCoordInPlace(const Matrix& m)
{
    *this = TransformCoord(m);
    return *this;
}

Vector3 Vector3::TransformNormal(const Matrix& m) const
{
    const float* e = m.m;
    return Vector3(x * e[0] + y * e[4] + z * e[8], x * e[1] + y * e[5] + z * e[9],
                   x * e[2] + y * e[6] + z * e[10]);
}

bool Vector3::operator==(const Vector3& v) const
{
    return Near(x, v.x) && Near(y, v.y) && Near(z, v.z);
}
