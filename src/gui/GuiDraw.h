// The two ways every widget draws: textured rectangles as ScreenVertex quads
// cut from its skin, and outlined text. Both expect Video's GUI pass, which has
// applied RenderPreset::Screen before the GUI manager draws.
#pragma once

#include "gui/SkinMetrics.h"
#include "platform/D3D9.h"
#include "video/ScreenVertex.h"

#include <cstdint>

class Texture;

// One rectangle as a four-vertex triangle fan: top-left, top-right,
// bottom-right, bottom-left, z 0, rhw 1. A widget keeps one per skin region:
// the colour and the texture region are set once, and each draw rewrites only
// the corners, so drawing allocates nothing.
class ScreenQuad
{
public:
    // Opaque white over the whole texture, (0, 0) to (1, 1).
    ScreenQuad();
    // Opaque white over the texture region (u0, v0) top-left to (u1, v1)
    // bottom-right.
    ScreenQuad(float u0, float v0, float u1, float v1);

    void SetRegion(float u0, float v0, float u1, float v1);
    // The skin's cell (column, row), each from 0 to 3.
    void SetCell(int column, int row);
    // The half cell (column, row) of the skin's 8 by 8 grid of half cells.
    void SetHalfCell(int column, int row);
    // 0xAARRGGBB on all four corners; it multiplies the texture's colour and
    // alpha.
    void SetColor(uint32_t argb);

    // Sets stage 0 to the texture (none for a null or empty texture: the
    // rectangle is then drawn in its colour alone), puts the corners on the
    // integer pixels (left, top) and (right, bottom) without a half-pixel
    // offset, and draws the fan.
    void Draw(IDirect3DDevice9* device, Texture* texture, int left, int top, int right, int bottom);

    ScreenVertex vertices[4];
};

// A skin's band from v0 to v1 as a capped row: the left cap from the first
// cell's column, the middle from the two inner columns, the right cap from the
// last column.
void SetCappedRow(ScreenQuad (&parts)[3], float v0, float v1);

// A skin row of three regions across left..right: the left and right caps a
// cell wide at the ends and the middle stretched between them.
void DrawCappedRow(IDirect3DDevice9* device, ScreenQuad (&parts)[3], Texture* texture, int left,
                   int top, int right, int bottom);

// The skin given, or when it is null the texture of the file from the resource
// cache (null when it fails to load).
Texture* SkinOrDefault(Texture* skin, const char* file);

// Text with a one-pixel black outline: black at (x + 1, y), (x - 1, y),
// (x, y + 1) and (x, y - 1), then white at (x, y), in 8 by 8 pixel cells of
// Video's font. Draws nothing while Video has no font.
void DrawOutlinedText(const char* text, int x, int y);
