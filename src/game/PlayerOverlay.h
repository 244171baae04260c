// The player's screen overlay: a picture in the lower-left corner and a
// crosshair at the centre of the screen, each drawn only when its texture is set.
#pragma once

#include "core/SmartPtr.h"
#include "video/Overlay.h"
#include "video/Texture.h"

class PlayerOverlay : public Overlay
{
public:
    // The corner picture fills the 96 by 96 pixels of the lower-left corner,
    // filtered; the crosshair covers 32 by 32 pixels at the centre, unfiltered.
    // Leaves the screen-quad states set, with depth testing off.
    void Draw(IDirect3DDevice9* device) override;

    SmartPtr<Texture> cornerTexture;
    SmartPtr<Texture> crosshairTexture;
};
