// The renderer headless: frames per second of a fixed scene of textured, lit
// triangles at 800 by 600 through the device layer, and texture file load
// time per megapixel. Run with SDL_VIDEODRIVER=offscreen (set here when unset).
#include "math/D3DXMath.h"
#include "platform/D3D9.h"
#include "platform/D3DX9Tex.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct LitVertex
{
    float x, y, z, nx, ny, nz;
    uint32_t color;
    float u, v;
};
const DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The device of one window with an 800 by 600 back buffer, made on first
// use and kept to the end.
IDirect3DDevice9* Device()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static DeviceWindow* bench = new DeviceWindow(816, 639, 800, 600);
    return bench->device;
}

// A wavy grid of side by side quads in front of the camera, two triangles each,
// under one directional light with a 256 by 256 texture: every frame clears,
// draws the grid with one indexed draw and presents.
void BM_LitTexturedFrame(benchmark::State& state)
{
    IDirect3DDevice9* device = Device();
    if (!device)
    {
        state.SkipWithError("no device");
        return;
    }
    const int side = static_cast<int>(state.range(0));
    std::vector<LitVertex> vertices;
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i)
        {
            float x = -10.0f + 20.0f * static_cast<float>(i) / static_cast<float>(side);
            float y = -8.0f + 16.0f * static_cast<float>(j) / static_cast<float>(side);
            vertices.push_back({x, y, 12.0f + 0.3f * static_cast<float>((i + j) % 3), 0, 0.3f, -1,
                                0xFFFFFFFF, static_cast<float>(i) / 8.0f,
                                static_cast<float>(j) / 8.0f});
        }
    std::vector<uint16_t> indices;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
        {
            uint16_t a = static_cast<uint16_t>(j * (side + 1) + i);
            uint16_t b = static_cast<uint16_t>(a + 1);
            uint16_t c = static_cast<uint16_t>(a + side + 1);
            uint16_t d = static_cast<uint16_t>(c + 1);
            // Clockwise on screen, so the default culling keeps them.
            indices.insert(indices.end(), {c, d, b, c, b, a});
        }
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    device->CreateVertexBuffer(static_cast<UINT>(vertices.size() * sizeof(LitVertex)),
                               D3DUSAGE_WRITEONLY, kLitFvf, D3DPOOL_MANAGED, &vb, nullptr);
    device->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY,
                              D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
    void* data = nullptr;
    vb->Lock(0, 0, &data, D3DLOCK_DISCARD);
    memcpy(data, vertices.data(), vertices.size() * sizeof(LitVertex));
    vb->Unlock();
    ib->Lock(0, 0, &data, D3DLOCK_DISCARD);
    memcpy(data, indices.data(), indices.size() * 2);
    ib->Unlock();

    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(256, 256, 0, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                          &texture, nullptr);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    uint32_t* pixels = static_cast<uint32_t*>(locked.pBits);
    for (int i = 0; i < 256 * 256; ++i)
        pixels[i] = ((i / 256 / 32 + i % 256 / 32) & 1) ? 0xFFC08040 : 0xFF4080C0;
    texture->UnlockRect(0);
    texture->GenerateMipSubLevels();

    Matrix projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.6f, 4.0f / 3.0f, 0.001f, 1000.0f);
    device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX*>(projection.m));
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0.3f, -0.5f, 1.0f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device->SetTexture(0, texture);
    device->SetFVF(kLitFvf);
    device->SetStreamSource(0, vb, 0, sizeof(LitVertex));
    device->SetIndices(ib);

    const UINT triangles = static_cast<UINT>(indices.size() / 3);
    for (auto _ : state)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
        device->BeginScene();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertices.size()),
                                     0, triangles);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["triangles"] = triangles;
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);

    ReleaseDrawResources(device, texture, vb, ib);
}
BENCHMARK(BM_LitTexturedFrame)
    ->Arg(16)
    ->Arg(64)
    ->Arg(128)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Load time of one image file into a texture with its mip chain; the counter
// gives megapixels of source image per second.
void BM_TextureLoad(benchmark::State& state)
{
    IDirect3DDevice9* device = Device();
    if (!device)
    {
        state.SkipWithError("no device");
        return;
    }
    const int kind = static_cast<int>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int height = static_cast<int>(state.range(2));
    std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < argb.size(); ++i)
        argb[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    ScratchFolder folder;
    std::string path = folder.File(kind == 0 ? "t.png" : kind == 1 ? "t.jpg" : "t.bmp");
    if (kind == 0)
        WritePng(path, width, height, argb, false);
    else if (kind == 1)
        WriteJpeg(path, width, height, argb);
    else
        WriteBytes(path, BmpBytes(width, height, argb));

    for (auto _ : state)
    {
        IDirect3DTexture9* texture = nullptr;
        D3DXCreateTextureFromFileExA(device, path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                     D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                     nullptr, &texture);
        if (!texture)
        {
            state.SkipWithError("load failed");
            return;
        }
        texture->Release();
    }
    double megapixels = static_cast<double>(width) * height / 1e6;
    state.counters["MPix/s"] = benchmark::Counter(
        megapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// PNG, JPEG and BMP at a power-of-two size, and PNG at 800 by 600 (resampled
// up to 1024 by 1024).
BENCHMARK(BM_TextureLoad)
    ->Args({0, 1024, 1024})
    ->Args({1, 1024, 1024})
    ->Args({2, 1024, 1024})
    ->Args({0, 800, 600})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
} // namespace
