// The 3DS reader's own small float math: vectors, vertices, texture
// coordinates and a 4x4 matrix, kept apart from the engine's math so the
// reader depends on nothing but the log.
#pragma once

#include <cmath>
#include <cstddef>

struct TdsVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    TdsVector() = default;
    TdsVector(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    TdsVector operator+(const TdsVector& o) const { return TdsVector(x + o.x, y + o.y, z + o.z); }
    TdsVector operator-(const TdsVector& o) const { return TdsVector(x - o.x, y - o.y, z - o.z); }
    TdsVector& operator+=(const TdsVector& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }

    // Inline: the mesh passes call these once or twice per face and vertex.

    // sqrt(x² + y² + z²).
    static float Length(const TdsVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
    // A vector of length 0 or NaN comes back unchanged; otherwise each
    // component is multiplied by the float 1 / length.
    static TdsVector Normalize(const TdsVector& v)
    {
        float length = Length(v);
        // Written this way so that a NaN length also leaves the vector alone.
        if (!(length < 0.0f) && !(length > 0.0f))
            return v;
        float inverse = 1.0f / length;
        return TdsVector(v.x * inverse, v.y * inverse, v.z * inverse);
    }
    static TdsVector Cross(const TdsVector& a, const TdsVector& b)
    {
        return TdsVector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    }
};

// A vertex as the reader stores it: w is 1.0 for every vertex read from a file.
struct TdsVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    TdsVector Position() const { return TdsVector(x, y, z); }
};

struct TdsUV
{
    float u = 0.0f;
    float v = 0.0f;
};

struct TdsColor
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// 16 floats, element k at row k / 4 and column k % 4. Vertices are row vectors:
// the translation sits in the fourth row (elements 12 to 14).
struct TdsMatrix
{
    float m[16];

    TdsMatrix() { SetIdentity(); }
    void SetIdentity();
    // Row vector times matrix; x, y and z are divided by the resulting w when it
    // is not 0. The result's w is 1.0.
    TdsVertex Transform(const TdsVertex& v) const;
};

// Normalizes count vectors in place, each to exactly what TdsVector::Normalize
// gives; consecutive vectors lie stride bytes apart. Four at a time where the
// processor has packed float instructions, whose square root and division
// round exactly as the single ones do.
void TdsNormalizeEach(TdsVector* first, size_t count, size_t stride);
