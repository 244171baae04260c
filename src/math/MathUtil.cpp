#include "math/MathUtil.h"

#include "platform/Runtime.h"

bool FloatEqual(float a, float b)
{
    float d = a - b;
    return d >= -1e-6f && d <= 1e-6f;
}

float RandomFloat(float a, float b)
{
    return static_cast<float>(PlatformRand() / static_cast<double>(kPlatformRandMax) * (b - a) + a);
}
