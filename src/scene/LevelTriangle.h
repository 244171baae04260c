// The triangles a level is made of: three vertices in the device's
// two-texture format, the face normal, the diffuse texture and the lightmap.
#pragma once

#include "core/SmartPtr.h"
#include "math/Vector3.h"
#include "video/Texture.h"

#include <cstdint>

// One vertex as the device draws it (kLevelVertexFvf).
struct LevelVertex
{
    float x, y, z;
    // 0xAARRGGBB, multiplied into the diffuse texture.
    uint32_t diffuse;
    // Diffuse texture coordinates.
    float tu, tv;
    // Lightmap coordinates.
    float lu, lv;
};
static_assert(sizeof(LevelVertex) == 32, "LevelVertex must match the 32-byte vertex format");

// The vertex colour after loading, and of a triangle whose lightmap is missing.
constexpr uint32_t kLevelVertexWhite = 0xFFFFFFFF;
constexpr uint32_t kLevelVertexBlack = 0xFF000000;

struct LevelTriangle
{
    // Drawn as one array of three; the front face is the side `normal` points to.
    LevelVertex vertices[3];
    // normalise((p1 - p0) x (p2 - p0)) over the stored positions; zero for a
    // triangle without area.
    Vector3 normal;
    // Null when the triangle's face names no material.
    SmartPtr<Texture> texture;
    // Null until a bake or a load gives it one. Declared last, so it is
    // released before the texture.
    SmartPtr<Texture> lightmap;

    Vector3 Position(int k) const { return Vector3(vertices[k].x, vertices[k].y, vertices[k].z); }
};
