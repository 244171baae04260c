// Small float helpers shared by the geometry and the effects.
#pragma once

// True when a and b differ by at most 1e-6.
bool FloatEqual(float a, float b);
// A value from a to b, both ends included: PlatformRand() / 32767 scaled into
// the range. a may exceed b; RandomFloat(x, x) is x.
float RandomFloat(float a, float b);
// b when a >= b, else a.
inline float Min(float a, float b)
{
    return a >= b ? b : a;
}
// b when a <= b, else a.
inline float Max(float a, float b)
{
    return a <= b ? b : a;
}
