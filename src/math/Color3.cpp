#include "math/Color3.h"

namespace
{
// The channel times the scale, truncated toward zero and clamped to 0..top.
// Comparing before the conversion keeps huge or NaN channels defined.
uint32_t Quantise(float channel, double scale, uint32_t top)
{
    double v = channel * scale;
    if (v >= top + 1.0)
        return top;
    if (!(v >= 1.0))
        return 0;
    return static_cast<uint32_t>(v);
}

uint32_t Byte(float channel)
{
    return Quantise(channel, 255.0, 255);
}

uint32_t Bits5(float channel)
{
    return Quantise(channel, 32.0, 31);
}

uint32_t Bits6(float channel)
{
    return Quantise(channel, 64.0, 63);
}
} // namespace

Color3& Color3::operator+=(const Color3& c)
{
    return *this = *this + c;
}

Color3& Color3::operator-=(const Color3& c)
{
    return *this = *this - c;
}

Color3& Color3::operator*=(float s)
{
    return *this = *this * s;
}

Color3& Color3::operator/=(float s)
{
    return *this = *this / s;
}

uint32_t Color3::ToARGB() const
{
    return 0xFF000000u + (Byte(r) << 16) + (Byte(g) << 8) + Byte(b);
}

uint32_t Color3::ToARGB(float opacity) const
{
    return (ToARGB() & 0x00FFFFFFu) | AlphaByte(opacity) << 24;
}

uint32_t Color3::AlphaByte(float opacity)
{
    float scaled = opacity * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint32_t>(scaled);
}

uint32_t Color3::ToRGBA() const
{
    return (Byte(b) << 24) + (Byte(g) << 16) + (Byte(r) << 8) + 0xFFu;
}

uint16_t Color3::ToRGB565() const
{
    return static_cast<uint16_t>((Bits5(r) << 11) + (Bits6(g) << 5) + Bits5(b));
}

uint16_t Color3::ToBGR565() const
{
    return static_cast<uint16_t>((Bits5(b) << 11) + (Bits6(g) << 5) + Bits5(r));
}

Color3 Color3::FromARGB(uint32_t argb)
{
    return Color3(static_cast<float>((argb >> 16) & 255) / 255.0f,
                  static_cast<float>((argb >> 8) & 255) / 255.0f,
                  static_cast<float>(argb & 255) / 255.0f);
}
