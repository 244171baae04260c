// A device texture as a shared resource: loaded from an image file through the
// cache, or made empty at a given size for code that fills it.
#pragma once

#include "platform/D3D9.h"
#include "video/Resource.h"

#include <cstdint>

class Texture : public Resource
{
public:
    // An empty texture: no device texture, size 0 by 0. Draws as untextured.
    Texture();
    // A texture of that size with a full mip chain that follows level 0 on
    // Unlock. Pixel sizes: 16 (alphaBits 4: A4R4G4B4, else R5G6B5), 24
    // (R8G8B8), 32 (alphaBits 8: A8R8G8B8, else X8R8G8B8). Without a device or
    // with any other size the texture stays empty. Not named, not cached.
    Texture(int width, int height, int bitsPerPixel, int alphaBits);
    // Logs "Texture <name> freed." when a device texture is released.
    ~Texture() override;

    int GetType() override { return kResourceTexture; }
    // Loads the image file (PNG, JPEG or BMP; the size rounds up to powers of
    // two). 0 on success after "Texture <file> loaded."; -1 after "!!! Failed
    // to load texture <file>." with the texture left empty.
    int Load(const char* fileName) override;

    // The pixels of level 0, rows of width times bytes per pixel; null for an
    // empty texture or when the lock fails.
    void* Lock();
    // Uploads the locked pixels and rebuilds the lower mip levels from them.
    void Unlock();

    IDirect3DTexture9* texture;
    int32_t width;
    int32_t height;
};
