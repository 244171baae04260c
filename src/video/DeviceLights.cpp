#include "video/DeviceLights.h"

#include "math/Vector3.h"

void FillLightRecord(int kind, const Color3& colour, float range, float falloff, float coneAngle,
                     const Matrix& world, D3DLIGHT9& record)
{
    record = D3DLIGHT9();
    record.Diffuse = {colour.r, colour.g, colour.b, 1.0f};
    Vector3 position = world.GetTranslation();
    Vector3 direction = Vector3(0.0f, 0.0f, 1.0f).TransformNormal(world);
    switch (kind)
    {
    case kLightSpot:
        record.Type = D3DLIGHT_SPOT;
        record.Position = {position.x, position.y, position.z};
        record.Direction = {direction.x, direction.y, direction.z};
        record.Range = range;
        record.Falloff = falloff;
        record.Attenuation2 = 0.01f;
        record.Phi = coneAngle;
        break;
    case kLightDirectional:
        record.Type = D3DLIGHT_DIRECTIONAL;
        record.Direction = {direction.x, direction.y, direction.z};
        break;
    default:
        record.Type = D3DLIGHT_POINT;
        record.Position = {position.x, position.y, position.z};
        record.Range = range;
        record.Attenuation2 = 0.01f;
        break;
    }
}

void DeviceLights::BeginFrame()
{
    previous = used;
    used = 0;
}

void DeviceLights::Add(IDirect3DDevice9* device, const D3DLIGHT9& record)
{
    device->SetLight(used, &record);
    device->LightEnable(used, TRUE);
    ++used;
}

void DeviceLights::EndFrame(IDirect3DDevice9* device)
{
    for (DWORD index = used; index < previous; ++index)
        device->LightEnable(index, FALSE);
}
