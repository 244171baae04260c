#include "Noise.h"

#include <cmath>

namespace
{
float Smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

int32_t Wrap(int32_t v, int period)
{
    if (period <= 0)
        return v;
    int32_t m = v % period;
    return m < 0 ? m + period : m;
}
} // namespace

float HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFFu) / static_cast<float>(0xFFFFFF);
}

float ValueNoise2(float x, float y, int period, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int32_t x0 = static_cast<int32_t>(fx);
    const int32_t y0 = static_cast<int32_t>(fy);
    const float tx = Smooth(x - fx);
    const float ty = Smooth(y - fy);
    const int32_t xa = Wrap(x0, period);
    const int32_t xb = Wrap(x0 + 1, period);
    const int32_t ya = Wrap(y0, period);
    const int32_t yb = Wrap(y0 + 1, period);
    const float top = Lerp(HashUnit(xa, ya, 0, seed), HashUnit(xb, ya, 0, seed), tx);
    const float bottom = Lerp(HashUnit(xa, yb, 0, seed), HashUnit(xb, yb, 0, seed), tx);
    return Lerp(top, bottom, ty);
}

float Fractal2(float x, float y, int octaves, int period, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += ValueNoise2(x, y, period, seed + static_cast<uint32_t>(i) * 101u) * weight;
        total += weight;
        weight *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / total;
}

float ValueNoise3(float x, float y, float z, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const float fz = std::floor(z);
    const int32_t x0 = static_cast<int32_t>(fx);
    const int32_t y0 = static_cast<int32_t>(fy);
    const int32_t z0 = static_cast<int32_t>(fz);
    const float tx = Smooth(x - fx);
    const float ty = Smooth(y - fy);
    const float tz = Smooth(z - fz);
    float layer[2];
    for (int k = 0; k < 2; ++k)
    {
        const float top =
            Lerp(HashUnit(x0, y0, z0 + k, seed), HashUnit(x0 + 1, y0, z0 + k, seed), tx);
        const float bottom =
            Lerp(HashUnit(x0, y0 + 1, z0 + k, seed), HashUnit(x0 + 1, y0 + 1, z0 + k, seed), tx);
        layer[k] = Lerp(top, bottom, ty);
    }
    return Lerp(layer[0], layer[1], tz);
}

float Fractal3(float x, float y, float z, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i)
    {
        sum += ValueNoise3(x, y, z, seed + static_cast<uint32_t>(i) * 101u) * weight;
        total += weight;
        weight *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        z *= 2.0f;
    }
    return sum / total;
}
