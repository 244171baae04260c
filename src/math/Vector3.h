// Three-component float vector: positions and directions, multiplied as a row
// vector on the left of a Matrix.
#pragma once

struct Matrix;

struct Vector3
{
    float x, y, z;

    Vector3() : x(0.0f), y(0.0f), z(0.0f) {}
    Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    Vector3 operator+(const Vector3& v) const { return Vector3(x + v.x, y + v.y, z + v.z); }
    Vector3 operator-(const Vector3& v) const { return Vector3(x - v.x, y - v.y, z - v.z); }
    // Adds the scalar to every component.
    Vector3 operator+(float s) const { return Vector3(x + s, y + s, z + s); }
    Vector3 operator-() const { return Vector3(-x, -y, -z); }
    Vector3 operator*(float s) const { return Vector3(x * s, y * s, z * s); }
    // One division, then three products.
    Vector3 operator/(float s) const
    {
        float inv = 1.0f / s;
        return Vector3(x * inv, y * inv, z * inv);
    }

    Vector3& operator+=(const Vector3& v);
    Vector3& operator-=(const Vector3& v);
    Vector3& operator*=(float s);
    Vector3& operator/=(float s);

    float Dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }
    // this x v.
    Vector3 Cross(const Vector3& v) const
    {
        return Vector3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    float LengthSq() const { return x * x + y * y + z * z; }
    float Length() const;
    // 1 / Length(); 1.0 for a zero vector, so normalising it leaves it zero.
    float InverseLength() const;
    // Scales to unit length in place; a zero vector stays zero.
    Vector3& Normalize();

    // Point transform: p * M with the translation row, no division by w.
    Vector3 TransformCoord(const Matrix& m) const;
    Vector3& TransformCoordInPlace(const Matrix& m);
    // Direction transform by the upper 3x3 only.
    Vector3 TransformNormal(const Matrix& m) const;

    // Equal within 1e-5 per component, bounds inclusive.
    bool operator==(const Vector3& v) const;
    bool operator!=(const Vector3& v) const { return !(*this == v); }
};
