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

// Vertex format of terrain quads: position, diffuse colour and three texture
// coordinate sets (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX3), 40 bytes.
constexpr DWORD kTerrainVertexFvf = 0x342;

// Vertex format of model vertices: position, normal, diffuse colour and one
// texture coordinate set (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE |
// D3DFVF_TEX1), 36 bytes.
constexpr DWORD kModelVertexFvf = 0x152;

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
    // Screen quads drawn over everything, without depth testing (so without
    // depth writes), bilinear without mip levels: the player overlay's scaled
    // corner picture.
    ScreenOverlay,
    // ScreenOverlay point sampled: the overlay's crosshair, texel for pixel.
    ScreenOverlayUnfiltered,
    // kSceneQuadFvf quads in the scene, unlit, the texture of stage 0 times the
    // vertex colour, stages 1 to 3 off, depth-tested without depth writes,
    // opaque, bilinear from the top mip level only: the sky box, which is
    // always magnified.
    SceneQuads,
    // SceneQuads blended by source alpha and sampled with the scene's point mip
    // selection, as distant ones are minified: camera-facing particles.
    BlendedSceneQuads,
    // kLevelVertexFvf triangles, unlit, depth-tested and written, opaque,
    // bilinear with point mip selection on samplers 0 and 1; stage 1 multiplies
    // its texture (the lightmap) into what stage 0 gives. Stage 0's operation is
    // left as it stands (the texture times the vertex colour).
    LevelTriangles,
    // kTerrainVertexFvf quads, as LevelTriangles but bilinear with point mip
    // selection on samplers 0 to 2, and stages 0 and 1 each multiply their
    // texture (the shading, then the colour map) into what comes before them,
    // starting from the vertex colour.
    TerrainQuads,
    // kModelVertexFvf triangles lit by the device's lights through a white
    // diffuse material (no ambient, specular or emissive part), the texture of
    // stage 0 times the lit colour, stage 1 off, depth-tested and written,
    // opaque, bilinear with point mip selection on samplers 0 to 3: models.
    ModelTriangles,
};

// Sets every state the preset names. The line presets also unset the texture of
// stage 0; the others leave the textures to the drawer.
void ApplyRenderPreset(IDirect3DDevice9* device, RenderPreset preset);
