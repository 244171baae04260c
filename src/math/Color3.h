// RGB colour in floats (nominal range 0..1) and its packing into 32-bit and
// 16-bit pixels.
#pragma once

#include <cstdint>

struct Color3
{
    float r, g, b;

    Color3() : r(0.0f), g(0.0f), b(0.0f) {}
    Color3(float r, float g, float b) : r(r), g(g), b(b) {}

    Color3 operator+(const Color3& c) const { return Color3(r + c.r, g + c.g, b + c.b); }
    Color3 operator-(const Color3& c) const { return Color3(r - c.r, g - c.g, b - c.b); }
    Color3 operator*(float s) const { return Color3(r * s, g * s, b * s); }
    Color3 operator/(float s) const { return Color3(r / s, g / s, b / s); }
    Color3& operator+=(const Color3& c);
    Color3& operator-=(const Color3& c);
    Color3& operator*=(float s);
    Color3& operator/=(float s);

    // Channels are quantised by truncation, then clamped: out-of-range colours
    // saturate instead of wrapping.
    // 0xFF000000 | R << 16 | G << 8 | B.
    uint32_t ToARGB() const;
    // The same with the alpha byte of an opacity in place of 0xFF.
    uint32_t ToARGB(float opacity) const;
    // B << 24 | G << 16 | R << 8 | 0xFF.
    uint32_t ToRGBA() const;
    // R5 << 11 | G6 << 5 | B5.
    uint16_t ToRGB565() const;
    // B5 << 11 | G6 << 5 | R5.
    uint16_t ToBGR565() const;

    // An opacity's alpha byte: times 255 in float, clamped before the
    // conversion (an out-of-range float to int is undefined), then truncated;
    // NaN gives 0.
    static uint32_t AlphaByte(float opacity);
    // Reads the R, G and B bytes of an ARGB pixel; alpha is ignored.
    static Color3 FromARGB(uint32_t argb);
};
