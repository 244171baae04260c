// The D3DX texture-file calls the game makes: a texture from a PNG, JPEG or
// BMP file, and a texture's top level saved as a BMP file. File names go
// through the path resolver (platform/Files.h).
#pragma once

#include "platform/D3D9.h"

// Width, height or mip levels "from the file": sizes round up to powers of
// two, levels make the full chain.
const UINT D3DX_DEFAULT = 0xFFFFFFFFu;

const HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

enum D3DXIMAGE_FILEFORMAT
{
    D3DXIFF_BMP = 0,
};

// Source information and palettes are never asked for; only null is passed.
struct D3DXIMAGE_INFO;
struct PALETTEENTRY;

// Decodes the file by its content (PNG, JPEG or BMP, whatever its extension)
// into a new texture. Width and height 0 or D3DX_DEFAULT take the image's size
// rounded up to powers of two, resampled to fill it; format D3DFMT_UNKNOWN
// gives A8R8G8B8 for images with alpha, else X8R8G8B8. A non-zero colour key
// makes pixels of exactly that ARGB value transparent black. The filters are
// ignored (bilinear resampling, box-filtered mip levels). On any failure
// (missing file, folder, bad or truncated data, sizes beyond the device's
// limit) *texture stays null and nothing is logged.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* fileName, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture9** texture);

// Writes level 0 as an uncompressed 24-bit BMP (alpha is dropped).
HRESULT D3DXSaveTextureToFileA(const char* fileName, D3DXIMAGE_FILEFORMAT format,
                               IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette);
