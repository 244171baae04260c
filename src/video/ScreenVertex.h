// The pre-transformed 2D vertex of text, HUD and GUI quads: pixel position,
// colour and texture coordinates.
#pragma once

#include <cstdint>

// D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
const uint32_t kScreenVertexFvf = 0x144;

struct ScreenVertex
{
    float x, y;
    // Always 0 and 1: on top of the depth range, no perspective.
    float z, rhw;
    // 0xAARRGGBB.
    uint32_t diffuse;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 28, "ScreenVertex is the 28-byte 0x144 vertex");
