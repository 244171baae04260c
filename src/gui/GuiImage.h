// A widget that covers the whole back buffer with one texture at an adjustable
// opacity: the splash image.
#pragma once

#include "core/SmartPtr.h"
#include "gui/GuiDraw.h"
#include "gui/Widget.h"
#include "video/Texture.h"

class GuiImage : public Widget
{
public:
    // At (0, 0), 10000 by 10000 (which matters only to hit tests: the image
    // always fills the screen), no texture, alpha 1.0.
    GuiImage();
    // Releases the texture.
    ~GuiImage() override;

    // The texture stretched over the whole back buffer, Video's width by
    // height, whatever the widget's own position and size, in white with the
    // alpha of `alpha`. Without a texture the quad is drawn in that colour
    // alone.
    void Draw(IDirect3DDevice9* device, int screenX, int screenY) override;

    // Written directly by the owner.
    SmartPtr<Texture> texture;
    // 1.0 opaque, 0.0 invisible; values outside clamp when drawn, NaN draws
    // as 0.
    float alpha = 1.0f;

private:
    ScreenQuad quad;
};
