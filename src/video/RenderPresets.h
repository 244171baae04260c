// Named render-state presets: the whole state block one kind of drawing relies
// on, set before it draws. Nothing is saved or restored around a draw; each
// drawer applies its preset, and what that leaves set holds until the next
// drawer applies its own.
#pragma once

#include "platform/D3D9.h"

#include <cstdint>

// Debug line vertex: D3DFVF_XYZ | D3DFVF_DIFFUSE, 16 bytes.
constexpr DWORD kLineVertexFvf = 0x42;

struct LineVertex
{
    float x, y, z;
    // 0xAARRGGBB.
    uint32_t color;
};
static_assert(sizeof(LineVertex) == 16, "LineVertex is the 16-byte 0x42 vertex");

// Vertex format of the textured quads in the scene (sky box, particles):
// D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24 bytes.
constexpr DWORD kSceneQuadFvf = 0x142;

// Vertex format of level triangles: position, diffuse colour and two texture
// coordinate sets (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2), 32 bytes.
constexpr DWORD kLevelVertexFvf = 0x242;

enum class RenderPreset
{
    // LineVertex lines, unlit, untextured (stage 0 unset, stage 1 off) and
    // opaque (the vertex alpha is ignored), depth-tested and depth-written:
    // wire boxes, physics outlines.
    DebugLines,
    // The same lines drawn over everything, neither depth-tested nor written:
    // the bone skeleton.
    DebugLinesOnTop,
    // DebugLines blended by source alpha: shell streaks.
    BlendedLines,
    // ScreenVertex quads: point sampling without mip levels on stage 0, alpha
    // blended by source alpha, stage 1 off. Text, HUD, GUI. Depth is left as it
    // stands; the quads lie at depth 0.
    Screen,
    // kSceneQuadFvf quads in the scene, unlit, the texture of stage 0 times the
    // vertex colour, bilinear, stages 1 to 3 off, depth-tested without depth
    // writes, opaque: the sky box.
    SceneQuads,
    // SceneQuads blended by source alpha: camera-facing particles.
    BlendedSceneQuads,
    // kLevelVertexFvf triangles, unlit, depth-tested and written, opaque,
    // bilinear with point mip selection on samplers 0 and 1; stage 1 multiplies
    // its texture (the lightmap) into what stage 0 gives. Stage 0's operation is
    // left as it stands (the texture times the vertex colour).
    LevelTriangles,
};

// Sets every state the preset names. The line presets also unset the texture of
// stage 0; the others leave the textures to the drawer.
void ApplyRenderPreset(IDirect3DDevice9* device, RenderPreset preset);
