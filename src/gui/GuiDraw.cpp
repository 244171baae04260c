#include "gui/GuiDraw.h"

#include "video/ResourceManager.h"
#include "video/Texture.h"
#include "video/Video.h"

ScreenQuad::ScreenQuad() : ScreenQuad(0.0f, 0.0f, 1.0f, 1.0f) {}

ScreenQuad::ScreenQuad(float u0, float v0, float u1, float v1)
{
    for (ScreenVertex& corner : vertices)
    {
        corner.x = 0.0f;
        corner.y = 0.0f;
        corner.z = 0.0f;
        corner.rhw = 1.0f;
    }
    SetColor(0xFFFFFFFF);
    SetRegion(u0, v0, u1, v1);
}

void ScreenQuad::SetRegion(float u0, float v0, float u1, float v1)
{
    vertices[0].u = u0;
    vertices[0].v = v0;
    vertices[1].u = u1;
    vertices[1].v = v0;
    vertices[2].u = u1;
    vertices[2].v = v1;
    vertices[3].u = u0;
    vertices[3].v = v1;
}

void ScreenQuad::SetCell(int column, int row)
{
    const float span = kSkin.cellSpan;
    SetRegion(column * span, row * span, (column + 1) * span, (row + 1) * span);
}

void ScreenQuad::SetHalfCell(int column, int row)
{
    const float span = kSkin.cellSpan / 2;
    SetRegion(column * span, row * span, (column + 1) * span, (row + 1) * span);
}

void ScreenQuad::SetColor(uint32_t argb)
{
    for (ScreenVertex& corner : vertices)
        corner.diffuse = argb;
}

void ScreenQuad::Draw(IDirect3DDevice9* device, Texture* texture, int left, int top, int right,
                      int bottom)
{
    device->SetTexture(0, texture ? texture->texture : nullptr);
    float x0 = static_cast<float>(left);
    float y0 = static_cast<float>(top);
    float x1 = static_cast<float>(right);
    float y1 = static_cast<float>(bottom);
    vertices[0].x = x0;
    vertices[0].y = y0;
    vertices[1].x = x1;
    vertices[1].y = y0;
    vertices[2].x = x1;
    vertices[2].y = y1;
    vertices[3].x = x0;
    vertices[3].y = y1;
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, vertices, sizeof(ScreenVertex));
}

void SetCappedRow(ScreenQuad (&parts)[3], float v0, float v1)
{
    const float span = kSkin.cellSpan;
    parts[0].SetRegion(0.0f, v0, span, v1);
    parts[1].SetRegion(span, v0, 1.0f - span, v1);
    parts[2].SetRegion(1.0f - span, v0, 1.0f, v1);
}

void DrawCappedRow(IDirect3DDevice9* device, ScreenQuad (&parts)[3], Texture* texture, int left,
                   int top, int right, int bottom)
{
    const int cap = kSkin.cell;
    parts[0].Draw(device, texture, left, top, left + cap, bottom);
    parts[1].Draw(device, texture, left + cap, top, right - cap, bottom);
    parts[2].Draw(device, texture, right - cap, top, right, bottom);
}

Texture* SkinOrDefault(Texture* skin, const char* file)
{
    return skin ? skin : ResourceManager::Instance().GetTexture(file);
}

void DrawOutlinedText(const char* text, int x, int y)
{
    Video& video = Video::Instance();
    video.DrawText(text, x + 1, y, 0xFF000000);
    video.DrawText(text, x - 1, y, 0xFF000000);
    video.DrawText(text, x, y + 1, 0xFF000000);
    video.DrawText(text, x, y - 1, 0xFF000000);
    video.DrawText(text, x, y, 0xFFFFFFFF);
}
