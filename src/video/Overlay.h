// Something drawn over the 3D scene, before the GUI, by Video::DrawOverlay.
#pragma once

#include "core/RefObject.h"
#include "platform/D3D9.h"

class Overlay : public RefObject
{
public:
    // Called once per frame inside the scene, under the 3D pass's states.
    virtual void Draw(IDirect3DDevice9* device) = 0;
};
