// Turns the scene's lights into device light records and hands them to the
// device one index each per frame.
#pragma once

#include "math/Color3.h"
#include "math/Matrix.h"
#include "platform/D3D9.h"

// Light kinds, as the scene's lights number them.
const int kLightPoint = 0;
const int kLightSpot = 1;
const int kLightDirectional = 2;

// Fills a record from zero: diffuse = colour with alpha 1; point and spot
// lights sit at the world matrix's translation with the given range and a
// quadratic attenuation of 0.01; spot and directional lights shine along
// (0, 0, 1) turned by the matrix's rotation part; a spot light's cone angle
// goes to Phi and its fall-off to Falloff. Unknown kinds give a point light.
void FillLightRecord(int kind, const Color3& colour, float range, float falloff, float coneAngle,
                     const Matrix& world, D3DLIGHT9& record);

// Gives each light of a frame the next index from 0, then switches off every
// index that the previous frame lit and this one did not reach, so that a
// light switched off stops lighting instead of keeping its old parameters.
class DeviceLights
{
public:
    void BeginFrame();
    // SetLight and LightEnable(TRUE) at the next index.
    void Add(IDirect3DDevice9* device, const D3DLIGHT9& record);
    // LightEnable(FALSE) for the indices left over from the previous frame.
    void EndFrame(IDirect3DDevice9* device);

    DWORD Count() const { return used; }

private:
    DWORD used = 0;
    DWORD previous = 0;
};
