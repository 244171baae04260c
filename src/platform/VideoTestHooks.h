// Read-back of what the Direct3D layer drew, for tests. The game never calls it.
#pragma once

#include "platform/D3D9.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TestFrame
{
    int width = 0;
    int height = 0;
    // ARGB words (0xAARRGGBB), top row first.
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The device's back buffer as it stands; after Present it still holds the
// presented frame until the next Clear or draw. (When the device draws
// straight into the window, that holds for SDL's offscreen driver, which the
// tests use; a window on a display may drop its back buffer at the swap.)
// Alpha reads 0xFF for the X8R8G8B8 back buffer.
TestFrame TestReadFrame(IDirect3DDevice9* device);
