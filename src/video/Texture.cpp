#include "video/Texture.h"

#include "core/Log.h"
#include "platform/D3DX9Tex.h"
#include "video/Video.h"

Texture::Texture() : texture(nullptr), width(0), height(0) {}

Texture::Texture(int width, int height, int bitsPerPixel, int alphaBits)
    : texture(nullptr), width(width), height(height)
{
    IDirect3DDevice9* device = Video::Instance().device;
    if (!device || width <= 0 || height <= 0)
        return;
    D3DFORMAT format;
    switch (bitsPerPixel)
    {
    case 16:
        format = alphaBits == 4 ? D3DFMT_A4R4G4B4 : D3DFMT_R5G6B5;
        break;
    case 24:
        format = D3DFMT_R8G8B8;
        break;
    case 32:
        format = alphaBits == 8 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        break;
    default:
        return;
    }
    device->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 0,
                          D3DUSAGE_AUTOGENMIPMAP, format, D3DPOOL_MANAGED, &texture, nullptr);
}

Texture::~Texture()
{
    if (texture)
    {
        Log::Printf(Log::Instance(), "Texture %s freed.\n", GetName());
        texture->Release();
        texture = nullptr;
    }
}

int Texture::Load(const char* fileName)
{
    D3DXCreateTextureFromFileExA(Video::Instance().device, fileName, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                 D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                 &texture);
    if (texture)
    {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        width = static_cast<int32_t>(desc.Width);
        height = static_cast<int32_t>(desc.Height);
        Log::Printf(Log::Instance(), "Texture %s loaded.\n", fileName);
        return 0;
    }
    Log::Printf(Log::Instance(), "!!! Failed to load texture %s.\n", fileName);
    return -1;
}

void* Texture::Lock()
{
    if (!texture)
        return nullptr;
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0)))
        return nullptr;
    return locked.pBits;
}

void Texture::Unlock()
{
    if (!texture)
        return;
    texture->UnlockRect(0);
    texture->GenerateMipSubLevels();
}
