#include "tds/TdsMath.h"

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
