#include "math/Quaternion.h"

#include <cmath>

Quaternion Quaternion::FromAxisAngle(const Vector3& axis, float angle)
{
    float s = std::sin(angle / 2.0f);
    float c = std::cos(angle / 2.0f);
    return Quaternion(axis.x * s, axis.y * s, axis.z * s, c);
}

void Quaternion::SetIdentity()
{
    x = y = z = 0.0f;
    w = 1.0f;
}

Quaternion Quaternion::operator+(const Quaternion& q) const
{
    return Quaternion(x + q.x, y + q.y, z + q.z, w + q.w);
}

Quaternion Quaternion::operator-(const Quaternion& q) const
{
    return Quaternion(x - q.x, y - q.y, z - q.z, w - q.w);
}

Quaternion& Quaternion::operator+=(const Quaternion& q)
{
    return *this = *this + q;
}

Quaternion& Quaternion::operator-=(const Quaternion& q)
{
    return *this = *this - q;
}

Quaternion Quaternion::operator*(float s) const
{
    return Quaternion(x * s, y * s, z * s, w * s);
}

Quaternion Quaternion::operator/(float s) const
{
    return Quaternion(x / s, y / s, z / s, w / s);
}

Quaternion& Quaternion::operator*=(float s)
{
    return *this = *this * s;
}

Quaternion& Quaternion::operator/=(float s)
{
    return *this = *this / s;
}

Quaternion Quaternion::operator*(const Quaternion& q) const
{
    return Quaternion(w * q.x + x * q.w + y * q.z - z * q.y, w * q.y - x * q.z + y * q.w - z * q.x,
                      w * q.z + x * q.y - y * q.x + z * q.w, x * q.x - y * q.y - z * q.z - w * q.w);
}

Quaternion& Quaternion::operator*=(const Quaternion& q)
{
    return *this = *this * q;
}

Quaternion Quaternion::operator/(const Quaternion&) const
{
    return Quaternion();
}

Quaternion& Quaternion::operator/=(const Quaternion&)
{
    SetIdentity();
    return *this;
}

float Quaternion::Norm() const
{
    return std::sqrt(NormSq());
}

Quaternion Quaternion::Inverse() const
{
    float n = NormSq();
    return Quaternion(-x / n, -y / n, -z / n, w / n);
}

Matrix Quaternion::ToMatrix() const
{
    return Matrix(1.0f - 2.0f * y * y - 2.0f * z * z, 2.0f * x * y + 2.0f * w * z,
                  2.0f * x * z - 2.0f * w * y, 0.0f, 2.0f * x * y - 2.0f * w * z,
                  1.0f - 2.0f * x * x - 2.0f * z * z, 2.0f * y * z + 2.0f * w * x, 0.0f,
                  2.0f * x * z + 2.0f * w * y, 2.0f * y * z - 2.0f * w * x,
                  1.0f - 2.0f * x * x - 2.0f * y * y, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}
