// Rotation quaternion (x, y, z, w), w last. Its product is the engine's own,
// not the Hamilton product: cameras and lights are built with it.
#pragma once

#include "math/Matrix.h"
#include "math/Vector3.h"

struct Quaternion
{
    float x, y, z, w;

    // The identity (0, 0, 0, 1).
    Quaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    Quaternion(float x, float y, float z, float w) : x(x), y(y), z(z), w(w) {}

    // (axis * sin(angle / 2), cos(angle / 2)); angle in radians. The axis is
    // used as given, not normalised.
    static Quaternion FromAxisAngle(const Vector3& axis, float angle);
    void SetIdentity();

    Quaternion operator+(const Quaternion& q) const;
    Quaternion operator-(const Quaternion& q) const;
    Quaternion& operator+=(const Quaternion& q);
    Quaternion& operator-=(const Quaternion& q);
    Quaternion operator*(float s) const;
    Quaternion operator/(float s) const;
    Quaternion& operator*=(float s);
    Quaternion& operator/=(float s);

    // The engine's product; x and z follow Hamilton, y and w do not:
    //   x = w1 x2 + x1 w2 + y1 z2 - z1 y2
    //   y = w1 y2 - x1 z2 + y1 w2 - z1 x2
    //   z = w1 z2 + x1 y2 - y1 x2 + z1 w2
    //   w = x1 x2 - y1 y2 - z1 z2 - w1 w2
    // For a rotation about X times one about Y it is the Hamilton product with
    // w negated, the inverse rotation; the camera's turning relies on that.
    Quaternion operator*(const Quaternion& q) const;
    Quaternion& operator*=(const Quaternion& q);
    // Division by a quaternion is not defined here: both yield the identity.
    Quaternion operator/(const Quaternion& q) const;
    Quaternion& operator/=(const Quaternion& q);

    float NormSq() const { return x * x + y * y + z * z + w * w; }
    float Norm() const;
    Quaternion Conjugate() const { return Quaternion(-x, -y, -z, w); }
    Quaternion Inverse() const;

    // Rotation matrix for row vectors; the quaternion is not normalised first.
    Matrix ToMatrix() const;
};
