#include "scene/SkyBox.h"

#include "core/Log.h"
#include "math/D3DXMath.h"
#include "platform/D3D9.h"
#include "scene/Camera.h"
#include "video/DeviceMath.h"
#include "video/RenderPresets.h"
#include "video/ResourceManager.h"
#include "video/Video.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFF;
// Texture coordinates stop 1/512 short of each edge so no filter reaches the
// texel row of the opposite edge.
constexpr float kLo = 0.001953125f;
constexpr float kHi = 0.998046875f;

const char* const kFaceSuffixes[6] = {"ft.bmp", "bk.bmp", "lf.bmp", "rt.bmp", "up.bmp", "dn.bmp"};
} // namespace

const SkyBoxVertex SkyBoxVertices[24] = {
    {-1, 1, 1, kWhite, kLo, kLo},   {1, 1, 1, kWhite, kHi, kLo},   {1, -1, 1, kWhite, kHi, kHi},
    {-1, -1, 1, kWhite, kLo, kHi},  {1, 1, -1, kWhite, kLo, kLo},  {-1, 1, -1, kWhite, kHi, kLo},
    {-1, -1, -1, kWhite, kHi, kHi}, {1, -1, -1, kWhite, kLo, kHi}, {1, 1, 1, kWhite, kLo, kLo},
    {1, 1, -1, kWhite, kHi, kLo},   {1, -1, -1, kWhite, kHi, kHi}, {1, -1, 1, kWhite, kLo, kHi},
    {-1, 1, -1, kWhite, kLo, kLo},  {-1, 1, 1, kWhite, kHi, kLo},  {-1, -1, 1, kWhite, kHi, kHi},
    {-1, -1, -1, kWhite, kLo, kHi}, {-1, 1, -1, kWhite, kLo, kHi}, {1, 1, -1, kWhite, kLo, kLo},
    {1, 1, 1, kWhite, kHi, kLo},    {-1, 1, 1, kWhite, kHi, kHi},  {-1, -1, 1, kWhite, kHi, kLo},
    {1, -1, 1, kWhite, kHi, kHi},   {1, -1, -1, kWhite, kLo, kHi}, {-1, -1, -1, kWhite, kLo, kLo},
};

SkyBox::SkyBox()
{
    IDirect3DDevice9* device = Video::Instance().device;
    if (!device ||
        device->CreateVertexBuffer(sizeof SkyBoxVertices, D3DUSAGE_WRITEONLY, kSceneQuadFvf,
                                   D3DPOOL_MANAGED, &vertexBuffer, nullptr) != D3D_OK)
    {
        vertexBuffer = nullptr;
        Log::Printf(Log::Instance(),
                    "SkyBox::SkyBox() > IDirect3DDevice9::CreateVertexBuffer() failed.\n");
        return;
    }
    void* data = nullptr;
    if (vertexBuffer->Lock(0, 0, &data, 0) != D3D_OK)
    {
        Log::Printf(Log::Instance(), "SkyBox::SkyBox() > IDirect3DVertexBuffer9::Lock() failed.\n");
        // An unfilled buffer would draw garbage; without one the sky box draws nothing.
        vertexBuffer->Release();
        vertexBuffer = nullptr;
        return;
    }
    std::memcpy(data, SkyBoxVertices, sizeof SkyBoxVertices);
    vertexBuffer->Unlock();
}

SkyBox::~SkyBox()
{
    if (vertexBuffer)
        vertexBuffer->Release();
    for (SmartPtr<Texture>& texture : faceTextures)
        texture = nullptr;
}

int SkyBox::Load(const char* prefix)
{
    for (int face = 0; face < 6; ++face)
    {
        char name[256];
        std::snprintf(name, sizeof name, "%s%s", prefix, kFaceSuffixes[face]);
        faceTextures[face] = ResourceManager::Instance().GetTexture(name);
    }
    return 0;
}

int SkyBox::SetFaceTexture(int face, Texture* texture)
{
    if (face >= 0 && face < 6)
        faceTextures[face] = texture;
    return 0;
}

void SkyBox::Render(IDirect3DDevice9* device)
{
    if (!vertexBuffer)
        return;

    Camera* camera = Video::Instance().camera.Get();
    if (camera)
    {
        Vector3 eye = camera->worldMatrix.GetTranslation();
        Matrix world;
        D3DXMatrixTranslation(&world, eye.x, eye.y, eye.z);
        device->SetTransform(D3DTS_WORLD, AsD3DMatrix(world));
    }

    ApplyRenderPreset(device, RenderPreset::SceneQuads);
    device->SetStreamSource(0, vertexBuffer, 0, sizeof(SkyBoxVertex));

    for (int face = 0; face < 6; ++face)
    {
        Texture* texture = faceTextures[face].Get();
        device->SetTexture(0, texture ? texture->texture : nullptr);
        device->DrawPrimitive(D3DPT_TRIANGLEFAN, static_cast<UINT>(4 * face), 2);
    }

    // The sky hands depth writing back: whatever is drawn after it in the
    // frame, the screen passes too, finds depth tested and written.
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}
