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

    // The corner picture is scaled, so it is filtered; the crosshair is drawn
    // texel for pixel. Both lie over the scene whatever depth it left.
    ApplyRenderPreset(device, RenderPreset::ScreenOverlay);

    // White over each whole texture.
    ScreenQuad quad;
    if (cornerTexture)
        quad.Draw(device, cornerTexture.Get(), 0, height - kCornerSize, kCornerSize, height);
    if (crosshairTexture)
    {
        ApplyRenderPreset(device, RenderPreset::ScreenOverlayUnfiltered);
        quad.Draw(device, crosshairTexture.Get(), width / 2 - kCrosshairHalf,
                  height / 2 - kCrosshairHalf, width / 2 + kCrosshairHalf,
                  height / 2 + kCrosshairHalf);
    }
}
