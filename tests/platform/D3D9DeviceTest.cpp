// The device layer's translation of Direct3D state to GL, checked on the
// pixels it draws.
#include "math/D3DXMath.h"
#include "support/DeviceWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace
{
struct ScreenVertex
{
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
const DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct ColorVertex
{
    float x, y, z;
    D3DCOLOR color;
};
const DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

struct LitVertex
{
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR color;
    float u, v;
};
const DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

const D3DCOLOR kBackground = 0xFF222244;

void Quad(ScreenVertex* v, float x0, float y0, float x1, float y1, float z, D3DCOLOR color)
{
    v[0] = {x0, y0, z, 1, color, 0, 0};
    v[1] = {x1, y0, z, 1, color, 1, 0};
    v[2] = {x1, y1, z, 1, color, 1, 1};
    v[3] = {x0, y1, z, 1, color, 0, 1};
}

void DrawQuad(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, float z,
              D3DCOLOR color)
{
    ScreenVertex quad[4];
    Quad(quad, x0, y0, x1, y1, z, color);
    device->SetFVF(kScreenFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

// A texture filled from ARGB words through LockRect.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT width, UINT height,
                               const std::vector<uint32_t>& argb,
                               D3DFORMAT format = D3DFMT_A8R8G8B8)
{
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(
            device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    memcpy(locked.pBits, argb.data(), argb.size() * 4);
    texture->UnlockRect(0);
    return texture;
}

class D3D9DeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.device) << "no device";
        device = w.device;
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    }

    // View identity, a 90-degree perspective with the window's aspect, near 1, far 100.
    void SetPerspective()
    {
        Matrix projection;
        D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f,
                                   static_cast<float>(w.width) / static_cast<float>(w.height), 1.0f,
                                   100.0f);
        device->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const D3DMATRIX*>(projection.m));
    }

    // Where a view-space point lands on screen under SetPerspective.
    void Project(float x, float y, float z, int& px, int& py) const
    {
        float halfHeight = static_cast<float>(w.height) / 2.0f;
        px = static_cast<int>(static_cast<float>(w.width) / 2.0f + x / z * halfHeight);
        py = static_cast<int>(halfHeight - y / z * halfHeight);
    }

    DeviceWindow w;
    IDirect3DDevice9* device = nullptr;
};

// A white material lit by light 0 alone: directional, along +z, in `diffuse`.
void LightAlongZ(IDirect3DDevice9* device, D3DCOLORVALUE diffuse)
{
    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&material);
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = diffuse;
    light.Direction = {0, 0, 1};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}
} // namespace

TEST_F(D3D9DeviceTest, ScreenQuadCoversItsPixelsInTheVertexColourByteOrder)
{
    EXPECT_EQ(w.width, 784);
    EXPECT_EQ(w.height, 561);
    DrawQuad(device, 10, 20, 30, 40, 0, 0xFF112233);
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(0, 0), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(10, 20), 0xFF112233, 0));
    EXPECT_TRUE(ColorNear(frame.At(29, 39), 0xFF112233, 0));
    EXPECT_TRUE(ColorNear(frame.At(30, 39), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(29, 40), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(9, 20), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(10, 19), kBackground));
}

// The back buffer is the window's own framebuffer when it has the window's
// size, else one of the device's that Present copies to the window: either
// way quads keep their depth order, a frame still reads back after Present,
// and the next frame starts from its clear.
TEST(D3D9DeviceBackBuffer, DrawsAndPresentsAtTheWindowSizeAndAtAnother)
{
    const UINT sizes[][2] = {{0, 0}, {320, 200}};
    for (const UINT* size : sizes)
    {
        SCOPED_TRACE(size[0]);
        DeviceWindow w(800, 600, size[0], size[1]);
        ASSERT_TRUE(w.device);
        IDirect3DDevice9* device = w.device;
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        DrawQuad(device, 10, 10, 50, 50, 0.5f, 0xFFFF0000);
        DrawQuad(device, 30, 30, 70, 70, 0.7f, 0xFF00FF00); // behind the red one
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        TestFrame frame = w.Read();
        EXPECT_EQ(frame.width, size[0] ? 320 : 784);
        EXPECT_TRUE(ColorNear(frame.At(40, 40), 0xFFFF0000));
        EXPECT_TRUE(ColorNear(frame.At(60, 60), 0xFF00FF00));
        EXPECT_TRUE(ColorNear(frame.At(5, 5), kBackground));

        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        DrawQuad(device, 30, 30, 70, 70, 0.7f, 0xFF0000FF);
        frame = w.Read();
        EXPECT_TRUE(ColorNear(frame.At(40, 40), 0xFF0000FF));
        EXPECT_TRUE(ColorNear(frame.At(20, 20), kBackground));
    }
}

TEST_F(D3D9DeviceTest, ClearResetsDepthEvenWithDepthWritesOffAndEqualDepthPasses)
{
    DrawQuad(device, 0, 0, 100, 100, 0.2f, 0xFFFF0000);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    DrawQuad(device, 0, 0, 50, 50, 0.5f, 0xFF00FF00);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    // Two quads at the same depth: the later one passes (less-or-equal).
    DrawQuad(device, 60, 0, 100, 50, 0.0f, 0xFF0000FF);
    DrawQuad(device, 60, 0, 100, 50, 0.0f, 0xFFFFFF00);
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(25, 25), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(frame.At(80, 25), 0xFFFFFF00));
    EXPECT_TRUE(ColorNear(frame.At(25, 75), kBackground));
}

TEST_F(D3D9DeviceTest, CullsCounterClockwiseTrianglesAndKeepsClockwiseOnes)
{
    SetPerspective();
    device->SetFVF(kColorFvf);
    // Left: bottom-left, top, bottom-right = clockwise on screen. Right: the reverse.
    ColorVertex clockwise[3] = {
        {-5, -1, 10, 0xFFFF0000}, {-4, 1, 10, 0xFFFF0000}, {-3, -1, 10, 0xFFFF0000}};
    ColorVertex counter[3] = {
        {3, -1, 10, 0xFF00FF00}, {4, 1, 10, 0xFF00FF00}, {5, -1, 10, 0xFF00FF00}};
    std::swap(counter[1], counter[2]);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ColorVertex)),
              D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(ColorVertex)), D3D_OK);
    // Screen quads wind top-left, top-right, bottom-right, bottom-left: kept.
    DrawQuad(device, 0, 0, 20, 20, 0, 0xFF0000FF);
    TestFrame frame = w.Read();
    int x, y;
    Project(-4, -0.5f, 10, x, y);
    EXPECT_TRUE(ColorNear(frame.At(x, y), 0xFFFF0000));
    Project(4, -0.5f, 10, x, y);
    EXPECT_TRUE(ColorNear(frame.At(x, y), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(10, 10), 0xFF0000FF));

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetFVF(kColorFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(ColorVertex));
    frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(x, y), 0xFF00FF00));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

TEST_F(D3D9DeviceTest, DepthFollowsTheZeroToOneClipRangeWithNearClipping)
{
    SetPerspective();
    device->SetFVF(kColorFvf);
    // The near green square first, the far red one after: green stays in front.
    ColorVertex nearSquare[4] = {{-1, 1, 5, 0xFF00FF00},
                                 {1, 1, 5, 0xFF00FF00},
                                 {1, -1, 5, 0xFF00FF00},
                                 {-1, -1, 5, 0xFF00FF00}};
    ColorVertex farSquare[4] = {{-30, 30, 50, 0xFFFF0000},
                                {30, 30, 50, 0xFFFF0000},
                                {30, -30, 50, 0xFFFF0000},
                                {-30, -30, 50, 0xFFFF0000}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nearSquare, sizeof(ColorVertex));
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, farSquare, sizeof(ColorVertex));
    // Closer than the near plane (z 0.8 < 1): clipped away, although GL's own
    // clip range would keep it.
    ColorVertex tooNear[4] = {{-0.1f, 0.1f, 0.8f, 0xFF0000FF},
                              {0.1f, 0.1f, 0.8f, 0xFF0000FF},
                              {0.1f, -0.1f, 0.8f, 0xFF0000FF},
                              {-0.1f, -0.1f, 0.8f, 0xFF0000FF}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, tooNear, sizeof(ColorVertex));
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(w.width / 2, w.height / 2), 0xFF00FF00));
    int x, y;
    Project(10, 10, 50, x, y);
    EXPECT_TRUE(ColorNear(frame.At(x, y), 0xFFFF0000));
}

TEST_F(D3D9DeviceTest, SamplerFiltersBelongToTheStageNotTheTexture)
{
    // Two texels, black then white, stretched over 64 pixels.
    IDirect3DTexture9* texture = MakeTexture(device, 2, 1, {0xFF000000, 0xFFFFFFFF});
    ASSERT_TRUE(texture);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    DrawQuad(device, 0, 0, 64, 8, 0, 0xFFFFFFFF);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    DrawQuad(device, 0, 10, 64, 18, 0, 0xFFFFFFFF);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    DrawQuad(device, 0, 20, 64, 28, 0, 0xFFFFFFFF);
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(31, 4), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(32, 4), 0xFFFFFFFF));
    // Linear: half way between the texel centres at the middle.
    EXPECT_TRUE(ColorNear(frame.At(32, 14), 0xFF848484, 12));
    EXPECT_TRUE(ColorNear(frame.At(31, 24), 0xFF000000));
    EXPECT_TRUE(ColorNear(frame.At(32, 24), 0xFFFFFFFF));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3D9DeviceTest, TexturedLitTriangleFromBuffersAndALightSwitchedOff)
{
    SetPerspective();
    IDirect3DTexture9* texture =
        MakeTexture(device, 2, 2, std::vector<uint32_t>(4, 0xFF8040C0), D3DFMT_X8R8G8B8);
    ASSERT_TRUE(texture);

    // A square facing the camera, as two triangles from index and vertex buffers.
    const LitVertex vertices[4] = {{-2, 2, 10, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                   {2, 2, 10, 0, 0, -1, 0xFFFFFFFF, 1, 0},
                                   {2, -2, 10, 0, 0, -1, 0xFFFFFFFF, 1, 1},
                                   {-2, -2, 10, 0, 0, -1, 0xFFFFFFFF, 0, 1}};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof(vertices), D3DUSAGE_WRITEONLY, kLitFvf,
                                         D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(sizeof(indices), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                        D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    void* data = nullptr;
    vb->Lock(0, 0, &data, D3DLOCK_DISCARD);
    memcpy(data, vertices, sizeof(vertices));
    vb->Unlock();
    ib->Lock(0, 0, &data, D3DLOCK_DISCARD);
    memcpy(data, indices, sizeof(indices));
    ib->Unlock();

    LightAlongZ(device, {1.0f, 0.5f, 1.0f, 1.0f});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetFVF(kLitFvf);
    device->SetStreamSource(0, vb, 0, sizeof(LitVertex));
    device->SetIndices(ib);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    TestFrame frame = w.Read();
    // Texture times the light's diffuse (the vertex colour is the material's).
    EXPECT_TRUE(ColorNear(frame.At(w.width / 2, w.height / 2), 0xFF8020C0));

    device->LightEnable(0, FALSE);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(w.width / 2, w.height / 2), 0xFF000000));

    // Indices naming vertices outside the buffer are refused, not read.
    const uint16_t bad[3] = {0, 1, 9};
    ib->Lock(0, 0, &data, 0);
    memcpy(data, bad, sizeof(bad));
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 4, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 3, 1), D3DERR_INVALIDCALL);
    // A lock of part of the buffer is checked as well: the bad index mended,
    // then another written past it.
    ASSERT_EQ(ib->Lock(4, 2, &data, 0), D3D_OK);
    *static_cast<uint16_t*>(data) = 2;
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
    ASSERT_EQ(ib->Lock(8, 2, &data, 0), D3D_OK);
    *static_cast<uint16_t*>(data) = 4;
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);

    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ReleaseDrawResources(device, texture, vb, ib);
}

// User-pointer draws in a row are gathered into few GL draws; each must still
// draw with the state, transform, texture contents and vertices it was given.
TEST_F(D3D9DeviceTest, UserPointerDrawsInARowKeepTheirOwnStateAndTransform)
{
    const D3DCOLOR kRed = 0xFFFF0000;
    const D3DCOLOR kGreen = 0xFF00FF00;
    const D3DCOLOR kBlue = 0xFF0000FF;
    IDirect3DTexture9* texture = MakeTexture(device, 1, 1, {kRed});
    ASSERT_TRUE(texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTexture(0, texture);
    DrawQuad(device, 0, 0, 10, 10, 0, 0xFFFFFFFF);
    // New contents for the texture: the quad above keeps the old ones.
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    *static_cast<uint32_t*>(locked.pBits) = kGreen;
    texture->UnlockRect(0);
    DrawQuad(device, 10, 0, 20, 10, 0, 0xFFFFFFFF);
    device->SetTexture(0, nullptr);
    DrawQuad(device, 20, 0, 30, 10, 0, kBlue);
    // A state between two quads: the second is blended over the first.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawQuad(device, 25, 0, 30, 10, 0, 0x80FF0000);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // One square in view space, unlit, placed by three world transforms; the
    // last as a strip, whose second triangle winds the other way round in
    // its vertex order and must not be culled.
    SetPerspective();
    device->SetFVF(kColorFvf);
    const ColorVertex square[6] = {{9, 9, 0, kRed},    {-1, 1, 0, kGreen},  {1, 1, 0, kGreen},
                                   {1, -1, 0, kGreen}, {-1, -1, 0, kGreen}, {9, 9, 0, kRed}};
    const uint16_t fan[4] = {1, 2, 3, 4};
    const float offsets[3] = {-4.0f, 0.0f, 4.0f};
    for (int i = 0; i < 3; ++i)
    {
        Matrix world;
        D3DXMatrixTranslation(&world, offsets[i], 0.0f, 10.0f);
        device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(world.m));
        if (i == 0)
            device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, square + 1, sizeof(ColorVertex));
        else if (i == 1)
            device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLEFAN, 1, 4, 2, fan, D3DFMT_INDEX16, square,
                                           sizeof(ColorVertex));
        else
        {
            const ColorVertex strip[4] = {square[1], square[2], square[4], square[3]};
            device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(ColorVertex));
        }
    }

    // Lit: a light straight on the first square, the second turned 60 degrees
    // away from it, so it gets half the light.
    LightAlongZ(device, {1, 1, 1, 1});
    device->SetFVF(kLitFvf);
    const LitVertex lit[4] = {{-1, 1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                              {1, 1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                              {1, -1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                              {-1, -1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0}};
    for (int i = 0; i < 2; ++i)
    {
        Matrix turn;
        Matrix move;
        D3DXMatrixRotationX(&turn, i == 0 ? 0.0f : 1.0471976f);
        D3DXMatrixTranslation(&move, offsets[i], -4.0f, 10.0f);
        Matrix world = turn * move;
        device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(world.m));
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, lit, sizeof(LitVertex));
    }
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(5, 5), kRed)) << "texture before the lock";
    EXPECT_TRUE(ColorNear(frame.At(15, 5), kGreen)) << "texture after the lock";
    EXPECT_TRUE(ColorNear(frame.At(22, 5), kBlue)) << "untextured";
    EXPECT_TRUE(ColorNear(frame.At(27, 5), 0xFF80007F)) << "blended";
    const char* squares[3] = {"fan", "indexed fan", "strip"};
    for (int i = 0; i < 3; ++i)
    {
        // A point inside each of the square's two triangles, whichever
        // diagonal splits it.
        int px, py;
        for (float x : {-0.5f, 0.5f})
        {
            Project(offsets[i] + x, -0.4f * x, 10.0f, px, py);
            EXPECT_TRUE(ColorNear(frame.At(px, py), kGreen)) << squares[i] << " at " << x;
        }
        Project(offsets[i] + 1.5f, 0.0f, 10.0f, px, py);
        EXPECT_TRUE(ColorNear(frame.At(px, py), kBackground)) << squares[i] << " beside";
    }
    int px, py;
    Project(offsets[0], -4.0f, 10.0f, px, py);
    EXPECT_TRUE(ColorNear(frame.At(px, py), 0xFFFFFFFF)) << "lit square facing the light";
    Project(offsets[1], -4.0f, 10.0f, px, py);
    EXPECT_TRUE(ColorNear(frame.At(px, py), 0xFF808080)) << "lit square turned away";
    texture->Release();
}

// Two quads in one vertex buffer, drawn red, then recoloured green through
// locks of different ranges: what each lock covered, and only that, reaches
// the picture.
TEST_F(D3D9DeviceTest, LockedRangesReachTheDrawnPicture)
{
    const D3DCOLOR kRed = 0xFFFF0000;
    const D3DCOLOR kGreen = 0xFF00FF00;
    const UINT kQuadBytes = 4 * sizeof(ColorVertex);
    struct Case
    {
        const char* name;
        // (offset, size) of each lock, all taken before the first unlock.
        std::vector<std::pair<UINT, UINT>> locks;
        bool leftGreen;
        bool rightGreen;
    };
    const Case cases[] = {
        {"whole buffer", {{0, 0}}, true, true},
        {"second quad", {{kQuadBytes, kQuadBytes}}, false, true},
        {"from an offset to the end", {{kQuadBytes, 0}}, false, true},
        {"first quad, nested with the second",
         {{0, kQuadBytes}, {kQuadBytes, kQuadBytes}},
         true,
         true},
    };
    SetPerspective();
    device->SetFVF(kColorFvf);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ColorVertex quads[8];
        for (int q = 0; q < 2; ++q)
        {
            float x = q == 0 ? -4.0f : 2.0f;
            quads[q * 4 + 0] = {x, 1, 10, kRed};
            quads[q * 4 + 1] = {x + 2, 1, 10, kRed};
            quads[q * 4 + 2] = {x + 2, -1, 10, kRed};
            quads[q * 4 + 3] = {x, -1, 10, kRed};
        }
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(
            device->CreateVertexBuffer(sizeof(quads), 0, kColorFvf, D3DPOOL_MANAGED, &vb, nullptr),
            D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
        memcpy(data, quads, sizeof(quads));
        vb->Unlock();
        device->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
        auto draw = [&]
        {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
            EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
            EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 4, 2), D3D_OK);
            return w.Read();
        };
        int leftX, rightX, y;
        Project(-3, 0, 10, leftX, y);
        Project(3, 0, 10, rightX, y);
        TestFrame frame = draw();
        EXPECT_TRUE(ColorNear(frame.At(leftX, y), kRed));
        EXPECT_TRUE(ColorNear(frame.At(rightX, y), kRed));

        for (const auto& lock : c.locks)
        {
            ASSERT_EQ(vb->Lock(lock.first, lock.second, &data, 0), D3D_OK);
            UINT bytes = lock.second ? lock.second : sizeof(quads) - lock.first;
            ColorVertex* first = static_cast<ColorVertex*>(data);
            for (UINT i = 0; i < bytes / sizeof(ColorVertex); ++i)
                first[i].color = kGreen;
        }
        for (size_t i = 0; i < c.locks.size(); ++i)
            vb->Unlock();
        frame = draw();
        EXPECT_TRUE(ColorNear(frame.At(leftX, y), c.leftGreen ? kGreen : kRed));
        EXPECT_TRUE(ColorNear(frame.At(rightX, y), c.rightGreen ? kGreen : kRed));
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }
}

// User-pointer draws copy their vertices into a buffer that fills up and
// starts over many times in one frame: every draw keeps its own vertices,
// and a single draw larger than the whole buffer still draws.
TEST_F(D3D9DeviceTest, UserPointerDrawsKeepTheirVerticesAcrossStreamingRefills)
{
    // One-pixel screen quads on a 100 by 100 grid, each in its own colour.
    const int kSide = 100;
    auto colorOf = [](int x, int y) {
        return 0xFF000000u | static_cast<D3DCOLOR>(x * 2) << 16 | static_cast<D3DCOLOR>(y * 2) << 8;
    };
    for (int y = 0; y < kSide; ++y)
    {
        for (int x = 0; x < kSide; ++x)
        {
            float fx = static_cast<float>(x);
            float fy = static_cast<float>(y);
            DrawQuad(device, fx, fy, fx + 1, fy + 1, 0, colorOf(x, y));
        }
    }
    // 60,000 triangles of world-space vertices (2.9 MB), all but the last
    // off screen; the last covers the centre.
    SetPerspective();
    device->SetFVF(kColorFvf);
    std::vector<ColorVertex> many(180000, ColorVertex{-50, -50, 10, 0xFFFF0000});
    many[many.size() - 3] = {-1, -1, 10, 0xFF0000FF};
    many[many.size() - 2] = {0, 1, 10, 0xFF0000FF};
    many[many.size() - 1] = {1, -1, 10, 0xFF0000FF};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 60000, many.data(), sizeof(ColorVertex)),
              D3D_OK);

    TestFrame frame = w.Read();
    int mismatches = 0;
    for (int y = 0; y < kSide; ++y)
    {
        for (int x = 0; x < kSide; ++x)
            mismatches += ColorNear(frame.At(x, y), colorOf(x, y), 0) ? 0 : 1;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(ColorNear(frame.At(w.width / 2, w.height / 2 + 5), 0xFF0000FF));
}

TEST_F(D3D9DeviceTest, ScreenVerticesAreNeverLit)
{
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    DrawQuad(device, 0, 0, 16, 16, 0, 0xFF336699);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_TRUE(ColorNear(w.Read().At(8, 8), 0xFF336699));
}

TEST_F(D3D9DeviceTest, AlphaTestAndBlendingAsThe2DPassSetsThem)
{
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 2);
    DrawQuad(device, 0, 0, 10, 10, 0, 0x02FFFFFF);
    DrawQuad(device, 10, 0, 20, 10, 0, 0x03FFFFFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawQuad(device, 20, 0, 30, 10, 0, 0x80FFFFFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(5, 5), kBackground));
    EXPECT_TRUE(ColorNear(frame.At(15, 5), 0xFFFFFFFF));
    EXPECT_TRUE(ColorNear(frame.At(25, 5), 0xFF9191A2));
}

TEST_F(D3D9DeviceTest, RefusesEmptyBuffersAndBadFormats)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, kLitFvf, D3DPOOL_MANAGED, &vb, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(20, 0, kLitFvf, D3DPOOL_MANAGED, &vb, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(
        device->CreateTexture(100000, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(ib, nullptr);
    EXPECT_EQ(texture, nullptr);
    device->SetFVF(0x1234);
    ScreenVertex quad[4];
    Quad(quad, 0, 0, 4, 4, 0, 0xFFFFFFFF);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
    // An index past the vertices the caller gave is refused, not read.
    device->SetFVF(kScreenFvf);
    const uint16_t indices[3] = {0, 1, 9};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, indices, D3DFMT_INDEX16,
                                             quad, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
}

TEST_F(D3D9DeviceTest, TexturesOfEveryFormatKeepTheirPixelsAndFullMipChains)
{
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5,
                                 D3DFMT_A4R4G4B4};
    const int bytes[] = {4, 4, 3, 2, 2};
    for (int i = 0; i < 5; ++i)
    {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(8, 4, 0, D3DUSAGE_AUTOGENMIPMAP, formats[i],
                                        D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(locked.Pitch, 8 * bytes[i]);
        std::vector<uint8_t> pattern(static_cast<size_t>(locked.Pitch) * 4);
        for (size_t b = 0; b < pattern.size(); ++b)
            pattern[b] = static_cast<uint8_t>(b * 7 + 1);
        if (formats[i] == D3DFMT_X8R8G8B8)
            for (size_t b = 3; b < pattern.size(); b += 4)
                pattern[b] = 0xFF;
        memcpy(locked.pBits, pattern.data(), pattern.size());
        texture->UnlockRect(0);
        texture->GenerateMipSubLevels();
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(memcmp(locked.pBits, pattern.data(), pattern.size()), 0) << i;
        texture->UnlockRect(0);
        D3DSURFACE_DESC desc;
        EXPECT_EQ(texture->GetLevelDesc(3, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 1u);
        EXPECT_EQ(desc.Height, 1u);
        EXPECT_EQ(texture->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);
        texture->Release();
    }
}

// A 16 by 16 checker drawn on 2 by 2 pixels samples mip level 3, whose texels
// are the checker's mean; the levels below follow the top level as it was
// when they were asked to, however late a draw first reads them. A texture
// nothing has written reads as zeros.
TEST_F(D3D9DeviceTest, MipLevelsFollowTheTopLevelTheyWereMadeFrom)
{
    struct Case
    {
        D3DFORMAT format;
        int bytes;
        uint32_t red, blue, green;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, 4, 0x00FF0000, 0x000000FF, 0x0000FF00},
        {D3DFMT_R8G8B8, 3, 0xFF0000, 0x0000FF, 0x00FF00},
        {D3DFMT_R5G6B5, 2, 0xF800, 0x001F, 0x07E0},
    };
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    // Blended by their alpha, which formats without one (X8R8G8B8 whatever
    // its unused byte holds) give as 1: the texels cover what lies under them.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (const Case& c : cases)
    {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(16, 16, 0, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        auto fill = [&](bool checker, DWORD flags = 0)
        {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(texture->LockRect(0, &locked, nullptr, flags), D3D_OK);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                {
                    uint32_t texel = !checker ? c.green : (x + y) % 2 ? c.red : c.blue;
                    memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * c.bytes,
                           &texel, static_cast<size_t>(c.bytes));
                }
            texture->UnlockRect(0);
        };
        // The texture drawn on 2 by 2 pixels, `after` done before the picture
        // is read back.
        auto drawSmallThen = [&](auto&& after)
        {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
            device->SetTexture(0, texture);
            DrawQuad(device, 40, 40, 42, 42, 0, 0xFFFFFFFF);
            after();
            return w.Read().At(40, 40);
        };
        auto drawSmall = [&] { return drawSmallThen([] {}); };
        // Nothing written yet: zeros, at every level.
        D3DLOCKED_RECT fresh;
        ASSERT_EQ(texture->LockRect(0, &fresh, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(fresh.pBits),
                                       static_cast<uint8_t*>(fresh.pBits) + 16 * fresh.Pitch),
                  std::vector<uint8_t>(static_cast<size_t>(16 * fresh.Pitch), 0));
        texture->UnlockRect(0);
        EXPECT_TRUE(ColorNear(drawSmall(), 0xFF000000)) << c.format << " unwritten";
        const uint32_t kPurple = 0xFF800080;
        fill(true);
        texture->GenerateMipSubLevels();
        EXPECT_TRUE(ColorNear(drawSmall(), kPurple, 6)) << c.format << " checker's mean";
        // New pixels without a new chain: the small picture keeps the old mean,
        // also when the chain was asked for and not yet made.
        fill(false);
        EXPECT_TRUE(ColorNear(drawSmall(), kPurple, 6)) << c.format << " chain not asked for";
        fill(true);
        texture->GenerateMipSubLevels();
        fill(false);
        EXPECT_TRUE(ColorNear(drawSmall(), kPurple, 6)) << c.format << " chain asked for before";
        texture->GenerateMipSubLevels();
        EXPECT_TRUE(ColorNear(drawSmall(), 0xFF00FF00, 6)) << c.format << " new chain";
        // A quad drawn and not yet read back samples the levels as they were
        // at its draw: neither new pixels (a discarding lock reads nothing
        // back) nor a new chain after it reach it.
        fill(true);
        texture->GenerateMipSubLevels();
        EXPECT_TRUE(ColorNear(drawSmallThen([&] { fill(false, D3DLOCK_DISCARD); }), kPurple, 6))
            << c.format << " pixels changed after the draw";
        EXPECT_TRUE(ColorNear(drawSmallThen([&] { texture->GenerateMipSubLevels(); }), kPurple, 6))
            << c.format << " chain asked for after the draw";
        device->SetTexture(0, nullptr);
        texture->Release();
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

// Mip levels of 32-bit textures are made by the layer, of the others by the
// driver: the same pixels minified through either draw the same picture.
TEST_F(D3D9DeviceTest, MipLevelsOfEveryFormatAreTheDriversOwn)
{
    const UINT kWidth = 256, kHeight = 128;
    std::vector<uint8_t> noise(kWidth * kHeight * 3);
    uint32_t seed = 12345;
    for (uint8_t& byte : noise)
    {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    std::vector<uint32_t> pictures[2];
    const D3DFORMAT formats[2] = {D3DFMT_X8R8G8B8, D3DFMT_R8G8B8};
    for (int i = 0; i < 2; ++i)
    {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(kWidth, kHeight, 0, 0, formats[i], D3DPOOL_MANAGED,
                                        &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const int bytes = i == 0 ? 4 : 3;
        for (UINT y = 0; y < kHeight; ++y)
            for (UINT x = 0; x < kWidth; ++x)
                memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * bytes,
                       &noise[(y * kWidth + x) * 3], 3);
        texture->UnlockRect(0);
        texture->GenerateMipSubLevels();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
        device->SetTexture(0, texture);
        // Levels 1, 2 and 3 side by side.
        DrawQuad(device, 0, 0, 128, 64, 0, 0xFFFFFFFF);
        DrawQuad(device, 128, 0, 192, 32, 0, 0xFFFFFFFF);
        DrawQuad(device, 192, 0, 224, 16, 0, 0xFFFFFFFF);
        device->SetTexture(0, nullptr);
        TestFrame frame = w.Read();
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 224; ++x)
                pictures[i].push_back(frame.At(x, y) & 0xFFFFFF);
        texture->Release();
    }
    EXPECT_EQ(pictures[0], pictures[1]);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
}

TEST(D3D9TwoDevices, EachDrawsIntoItsOwnTarget)
{
    DeviceWindow first;
    DeviceWindow second;
    ASSERT_TRUE(first.device && second.device);
    first.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF0000, 1.0f, 0);
    second.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0);
    first.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    DrawQuad(first.device, 0, 0, 8, 8, 0, 0xFF0000FF);
    EXPECT_TRUE(ColorNear(first.Read().At(4, 4), 0xFF0000FF));
    EXPECT_TRUE(ColorNear(first.Read().At(20, 20), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(second.Read().At(4, 4), 0xFF00FF00));
}

// A texture made after another device went (its context was current, and
// none is now) is still made in its own device's context.
TEST(D3D9TwoDevices, ATextureMadeAfterAnotherDeviceWentIsItsDevicesOwn)
{
    DeviceWindow first;
    ASSERT_TRUE(first.device);
    {
        DeviceWindow second;
        ASSERT_TRUE(second.device);
        second.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0);
    }
    IDirect3DTexture9* texture = MakeTexture(first.device, 1, 1, {0xFFFF0000});
    ASSERT_TRUE(texture);
    first.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    first.device->SetTexture(0, texture);
    DrawQuad(first.device, 0, 0, 8, 8, 0, 0xFFFFFFFF);
    first.device->SetTexture(0, nullptr);
    EXPECT_TRUE(ColorNear(first.Read().At(4, 4), 0xFFFF0000));
    texture->Release();
}
