#include "game/PlayerOverlay.h"

#include "video/RenderPresets.h"
#include "video/ScreenVertex.h"
#include "video/Video.h"

namespace
{
const int kCornerSize = 96;
const int kCrosshairHalf = 16;

// A white quad from (left, top) to (right, bottom), texture corners in the
// order of the fan.
void DrawQuad(IDirect3DDevice9* device, Texture* texture, int left, int top, int right, int bottom)
{
    const float l = static_cast<float>(left);
    const float t = static_cast<float>(top);
    const float r = static_cast<float>(right);
    const float b = static_cast<float>(bottom);
    const ScreenVertex quad[4] = {
        {l, t, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
        {r, t, 0.0f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
        {r, b, 0.0f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f},
        {l, b, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
    };
    device->SetTexture(0, texture->texture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}
} // namespace

void PlayerOverlay::Draw(IDirect3DDevice9* device)
{
    const int width = Video::Instance().width;
    const int height = Video::Instance().height;

    ApplyRenderPreset(device, RenderPreset::Screen);
    // The corner picture is scaled, so it is filtered; the overlay lies over
    // the scene whatever depth the scene left.
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);

    if (cornerTexture)
        DrawQuad(device, cornerTexture.Get(), 0, height - kCornerSize, kCornerSize, height);
    if (crosshairTexture)
    {
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        DrawQuad(device, crosshairTexture.Get(), width / 2 - kCrosshairHalf,
                 height / 2 - kCrosshairHalf, width / 2 + kCrosshairHalf,
                 height / 2 + kCrosshairHalf);
    }
}
