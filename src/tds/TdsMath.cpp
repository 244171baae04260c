#include "tds/TdsMath.h"

#include <cmath>

float TdsVector::Length(const TdsVector& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

TdsVector TdsVector::Normalize(const TdsVector& v)
{
    float length = Length(v);
    // Written this way so that a NaN length also leaves the vector alone.
    if (!(length < 0.0f) && !(length > 0.0f))
        return v;
    float inverse = 1.0f / length;
    return TdsVector(v.x * inverse, v.y * inverse, v.z * inverse);
}

TdsVector TdsVector::Cross(const TdsVector& a, const TdsVector& b)
{
    return TdsVector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void TdsMatrix::SetIdentity()
{
    for (int k = 0; k < 16; ++k)
        m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
}

TdsVertex TdsMatrix::Transform(const TdsVertex& v) const
{
    float x = v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12];
    float y = v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13];
    float z = v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14];
    float w = v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15];
    if (w != 0.0f)
    {
        float inverse = 1.0f / w;
        x *= inverse;
        y *= inverse;
        z *= inverse;
    }
    TdsVertex result;
    result.x = x;
    result.y = y;
    result.z = z;
    result.w = 1.0f;
    return result;
}
