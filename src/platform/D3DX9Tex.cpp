// Texture files: decode, fit to the texture's size, fill level 0 and build the
// mip chain through the device's own texture calls; save level 0 through SDL's
// BMP writer.
#include "platform/D3DX9Tex.h"
#include "platform/D3D9Local.h"
#include "platform/Files.h"
#include "platform/ImageFile.h"

#include <SDL.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
// Files larger than this are refused before they are read.
const long kMaxFileBytes = 256L << 20;

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes)
{
    FILE* file = OpenFile(fileName, "rb");
    if (!file)
        return false;
    // A folder opens for reading here but is no image.
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
              info.st_size <= kMaxFileBytes;
    if (ok)
    {
        bytes.resize(static_cast<size_t>(info.st_size));
        ok = fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    fclose(file);
    return ok;
}

UINT RoundUpToPowerOfTwo(UINT value)
{
    UINT result = 1;
    while (result < value)
        result <<= 1;
    return result;
}
} // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* fileName, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD, DWORD, D3DCOLOR colorKey, D3DXIMAGE_INFO*,
                                     PALETTEENTRY*, IDirect3DTexture9** texture)
{
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !fileName)
        return D3DERR_INVALIDCALL;
    D3DCAPS9 caps;
    if (FAILED(device->GetDeviceCaps(&caps)))
        return D3DERR_INVALIDCALL;

    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(fileName, bytes))
        return D3DERR_NOTAVAILABLE;
    DecodedImage image;
    if (!DecodeImage(bytes.data(), bytes.size(), static_cast<int>(caps.MaxTextureWidth), image))
        return D3DXERR_INVALIDDATA;
    std::vector<uint8_t>().swap(bytes);

    UINT targetWidth = (width == 0 || width == D3DX_DEFAULT)
                           ? RoundUpToPowerOfTwo(static_cast<UINT>(image.width))
                           : width;
    UINT targetHeight = (height == 0 || height == D3DX_DEFAULT)
                            ? RoundUpToPowerOfTwo(static_cast<UINT>(image.height))
                            : height;
    if (targetWidth > caps.MaxTextureWidth || targetHeight > caps.MaxTextureHeight)
        return D3DXERR_INVALIDDATA;
    if (targetWidth != static_cast<UINT>(image.width) ||
        targetHeight != static_cast<UINT>(image.height))
    {
        DecodedImage resized;
        ResizeImage(image, static_cast<int>(targetWidth), static_cast<int>(targetHeight), resized);
        image = std::move(resized);
    }

    if (colorKey != 0)
    {
        for (size_t i = 0; i < image.bgra.size(); i += 4)
        {
            uint32_t argb = uint32_t(image.bgra[i]) | uint32_t(image.bgra[i + 1]) << 8 |
                            uint32_t(image.bgra[i + 2]) << 16 | uint32_t(image.bgra[i + 3]) << 24;
            if (argb == colorKey)
                memset(&image.bgra[i], 0, 4);
        }
        image.hasAlpha = true;
    }
    if (format == D3DFMT_UNKNOWN)
        format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    UINT levels = (mipLevels == D3DX_DEFAULT) ? 0 : mipLevels;

    IDirect3DTexture9* created = nullptr;
    HRESULT result = device->CreateTexture(targetWidth, targetHeight, levels, usage, format, pool,
                                           &created, nullptr);
    if (FAILED(result) || !created)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked;
    if (FAILED(created->LockRect(0, &locked, nullptr, 0)))
    {
        created->Release();
        return D3DERR_INVALIDCALL;
    }
    for (UINT y = 0; y < targetHeight; ++y)
    {
        PackPixels(format, &image.bgra[static_cast<size_t>(y) * targetWidth * 4],
                   static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                   targetWidth);
    }
    created->UnlockRect(0);
    created->GenerateMipSubLevels();
    *texture = created;
    return D3D_OK;
}

HRESULT D3DXSaveTextureToFileA(const char* fileName, D3DXIMAGE_FILEFORMAT format,
                               IDirect3DBaseTexture9* baseTexture, const PALETTEENTRY*)
{
    IDirect3DTexture9* texture = dynamic_cast<IDirect3DTexture9*>(baseTexture);
    if (!fileName || !texture || format != D3DXIFF_BMP)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    if (FAILED(texture->GetLevelDesc(0, &desc)))
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return D3DERR_INVALIDCALL;
    size_t width = desc.Width;
    size_t height = desc.Height;
    std::vector<uint8_t> bgra(width * 4);
    // BMP rows hold B, G, R bytes.
    std::vector<uint8_t> bgr(width * height * 3);
    for (size_t y = 0; y < height; ++y)
    {
        UnpackPixels(desc.Format, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch,
                     bgra.data(), width);
        for (size_t x = 0; x < width; ++x)
            memcpy(&bgr[(y * width + x) * 3], &bgra[x * 4], 3);
    }
    texture->UnlockRect(0);

    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        bgr.data(), static_cast<int>(width), static_cast<int>(height), 24,
        static_cast<int>(width * 3), SDL_PIXELFORMAT_BGR24);
    if (!surface)
        return E_OUTOFMEMORY;
    FILE* file = OpenFile(fileName, "wb");
    SDL_RWops* stream = file ? SDL_RWFromFP(file, SDL_TRUE) : nullptr;
    if (file && !stream)
        fclose(file);
    int written = stream ? SDL_SaveBMP_RW(surface, stream, 1) : -1;
    SDL_FreeSurface(surface);
    return written == 0 ? D3D_OK : E_FAIL;
}
