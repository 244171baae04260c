// A window with a Direct3D device on it, for tests that draw through the
// device layer and read the pixels back.
#pragma once

#include "platform/D3D9.h"
#include "platform/VideoTestHooks.h"
#include "platform/Win32.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// Video's clear colour, as the back buffer reads it.
constexpr uint32_t kClearColour = 0xFF222244;

class DeviceWindow : public TestWindow
{
public:
    // Creates the hidden window (by default 800 by 600, client area 784 by
    // 561) and a windowed device on it with a D24S8 depth buffer and a back
    // buffer of the size given (0 by 0: the client area's).
    explicit DeviceWindow(int windowWidth = 800, int windowHeight = 600, UINT backBufferWidth = 0,
                          UINT backBufferHeight = 0)
        : TestWindow(windowWidth, windowHeight, false)
    {
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!direct3d)
            return;
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = backBufferWidth;
        parameters.BackBufferHeight = backBufferHeight;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
        parameters.Windowed = TRUE;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                               &parameters, &device);
        width = static_cast<int>(parameters.BackBufferWidth);
        height = static_cast<int>(parameters.BackBufferHeight);
    }
    ~DeviceWindow()
    {
        if (device)
            device->Release();
        if (direct3d)
            direct3d->Release();
    }

    TestFrame Read() const { return TestReadFrame(device); }

    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    int width = 0;
    int height = 0;
};

// Unsets the texture of stage 0, the stream source and the indices, then
// releases the three.
inline void ReleaseDrawResources(IDirect3DDevice9* device, IDirect3DTexture9* texture,
                                 IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices)
{
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    texture->Release();
    vertices->Release();
    indices->Release();
}

// Each channel of two ARGB colours within tolerance levels of the other.
inline ::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance = 3)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        int a = static_cast<int>((actual >> shift) & 0xFF);
        int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance)
        {
            char text[64];
            snprintf(text, sizeof(text), "0x%08X is not 0x%08X", actual, expected);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

// src over dst by src's alpha, as the blended presets mix.
inline uint32_t Blend(uint32_t src, uint32_t dst)
{
    uint32_t alpha = src >> 24;
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8)
    {
        uint32_t mixed = ((src >> shift) & 0xFF) * alpha + ((dst >> shift) & 0xFF) * (255 - alpha);
        out |= ((mixed + 127) / 255) << shift;
    }
    return out;
}
