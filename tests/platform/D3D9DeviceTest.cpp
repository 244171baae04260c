#include "support/DeviceWindow.h"

#include <gtest/gtest.h>

namespace
{
struct ScreenVertex
{
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

void Quad(ScreenVertex* v, float x0, float y0, float x1, float y1, float z, D3DCOLOR color)
{
    v[0] = {x0, y0, z, 1, color, 0, 0};
    v[1] = {x1, y0, z, 1, color, 1, 0};
    v[2] = {x1, y1, z, 1, color, 1, 1};
    v[3] = {x0, y1, z, 1, color, 0, 1};
}
} // namespace

TEST(D3D9Device, ClearsAndDrawsScreenQuadInItsColor)
{
    DeviceWindow w;
    ASSERT_TRUE(w.device);
    EXPECT_EQ(w.width, 784);
    EXPECT_EQ(w.height, 561);
    w.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
    w.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    w.device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    ScreenVertex quad[4];
    Quad(quad, 10, 20, 30, 40, 0, 0xFF112233);
    EXPECT_EQ(w.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    TestFrame frame = w.Read();
    EXPECT_TRUE(ColorNear(frame.At(0, 0), 0xFF222244));
    EXPECT_TRUE(ColorNear(frame.At(10, 20), 0xFF112233));
    EXPECT_TRUE(ColorNear(frame.At(29, 39), 0xFF112233));
    EXPECT_TRUE(ColorNear(frame.At(30, 39), 0xFF222244));
    EXPECT_TRUE(ColorNear(frame.At(29, 40), 0xFF222244));
    EXPECT_TRUE(ColorNear(frame.At(9, 20), 0xFF222244));
}
