// The 3DS reader's own small float math: vectors, vertices, texture
// coordinates and a 4x4 matrix, kept apart from the engine's math so the
// reader depends on nothing but the log.
#pragma once

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

    // sqrt(x² + y² + z²).
    static float Length(const TdsVector& v);
    // A vector of length 0 or NaN comes back unchanged; otherwise each
    // component is multiplied by the float 1 / length.
    static TdsVector Normalize(const TdsVector& v);
    static TdsVector Cross(const TdsVector& a, const TdsVector& b);
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
