#include "game/PlayerOverlay.h"

#include "gui/GuiDraw.h"
#include "video/RenderPresets.h"
#include "video/Video.h"

namespace
{
const int kCornerSize = 96;
const int kCrosshairHalf = 16;
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

    // White over each whole texture.
    ScreenQuad quad;
    if (cornerTexture)
        quad.Draw(device, cornerTexture.Get(), 0, height - kCornerSize, kCornerSize, height);
    if (crosshairTexture)
    {
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        quad.Draw(device, crosshairTexture.Get(), width / 2 - kCrosshairHalf,
                  height / 2 - kCrosshairHalf, width / 2 + kCrosshairHalf,
                  height / 2 + kCrosshairHalf);
    }
}
