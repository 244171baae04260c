// Pictures read back from the real renderer: the physics wire boxes drawn by
// the Video frame, and physics boxes drawn only in the current camera's view.
#include "physics/RigidBody.h"
#include "support/PhysicsFixture.h"
#include "video/DeviceMath.h"

namespace
{
// The debug outlines' blue; the frame keeps no alpha.
bool IsBlue(uint32_t argb)
{
    return ColorNear(argb, 0xFF0000FF);
}

class PhysicsPixelTest : public PhysicsTest
{
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        viewer = View(Vector3(0, 2, -8));
    }

    // One frame as the Kernel draws it.
    TestFrame Draw()
    {
        UpdateScene();
        return Picture();
    }

    // The debug blue within two pixels of where the viewer puts the point.
    bool BlueAt(const TestFrame& frame, const Vector3& p)
    {
        return AnyPixelNear(frame, *viewer, p, 2, IsBlue);
    }

    Camera* viewer = nullptr;
};
} // namespace

TEST_F(PhysicsPixelTest, EveryGeomIsOutlinedInBlueWhereItStands)
{
    TestFrame frame = Draw();
    int blue = 0;
    for (uint32_t pixel : frame.pixels)
        blue += IsBlue(pixel);
    EXPECT_EQ(blue, 0) << "the ground plane is not drawn";

    // A (2, 1, 4) box: the edges of its near face, nothing inside it.
    dGeomID box = dCreateBox(Physics::Instance()->GetSpace(), 2, 1, 4);
    dGeomSetPosition(box, 0, 2, 0);
    frame = Draw();
    EXPECT_TRUE(BlueAt(frame, Vector3(1, 2, -2)));
    EXPECT_TRUE(BlueAt(frame, Vector3(-1, 2, -2)));
    EXPECT_TRUE(BlueAt(frame, Vector3(0, 2.5f, -2)));
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 2, frame.height / 2), kClearColour));

    // A quarter turn about z: the near face is now 1 wide and 2 high.
    const dQuaternion quarter = {std::cos(0.7853982), 0, 0, std::sin(0.7853982)};
    dGeomSetQuaternion(box, quarter);
    frame = Draw();
    EXPECT_TRUE(BlueAt(frame, Vector3(0.5f, 2, -2)));
    EXPECT_TRUE(BlueAt(frame, Vector3(0, 3, -2)));
    EXPECT_FALSE(BlueAt(frame, Vector3(1, 2, -2)));

    // A box in a geom transform on a turned body is outlined where ODE has
    // it: the body's pose applied to the offset.
    RigidBody* body = Physics::Instance()->CreateBody(true);
    body->SetPosition(Vector3(0, 4, 0));
    body->SetQuaternion(Quaternion::FromAxisAngle(Vector3(0, 1, 0), 1.5707964f));
    body->AddBox(Vector3(3, 0, 0), Vector3(1, 1, 1), nullptr);
    dReal aabb[6];
    dGeomGetAABB(body->geoms[0], aabb);
    Vector3 centre(float(aabb[0] + aabb[1]) / 2, float(aabb[2] + aabb[3]) / 2,
                   float(aabb[4] + aabb[5]) / 2);
    ASSERT_NEAR(std::fabs(centre.z), 3.0f, 1e-4f);
    frame = Draw();
    EXPECT_TRUE(BlueAt(frame, centre + Vector3(0.5f, 0, -0.5f)));
    EXPECT_FALSE(BlueAt(frame, Vector3(0.5f, 4, -centre.z - 0.5f))) << "turned the other way";
    EXPECT_FALSE(BlueAt(frame, Vector3(3.5f, 0, -0.5f))) << "the offset alone";
}

TEST_F(PhysicsPixelTest, BoxIsDrawnOnlyInTheCurrentCamerasViewAndMovesUnseen)
{
    PhysicsBox* crate =
        AddBox(BoxModel("crate.3ds", Vector3(-1, 0, -1), Vector3(1, 2, 1)), true, 0, 0);
    Camera* away = Add(new Camera());
    away->position = Vector3(0, 2, -8);
    away->AddYaw(3.14159265f);
    UpdateScene();
    viewer->UpdateView();
    away->UpdateView();

    // The scene drawn through the viewer while the current camera, whose
    // frustum culls, is the viewer or the one looking away.
    IDirect3DDevice9* device = VideoTestSupport::Device();
    for (Camera* current : {viewer, away})
    {
        Video::Instance().SetCamera(current);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
        device->BeginScene();
        device->SetTransform(D3DTS_VIEW, AsD3DMatrix(viewer->viewMatrix));
        device->SetTransform(D3DTS_PROJECTION, AsD3DMatrix(viewer->projectionMatrix));
        MainSceneGraph.Render(device);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        const TestFrame frame = VideoTestSupport::Frame();
        const Pixel crate = PixelOf(frame, *viewer, Vector3(0, 1.2f, -1));
        EXPECT_EQ(static_cast<bool>(ColorNear(frame.At(crate.x, crate.y), kClearColour)),
                  current == away);
    }

    // Culled, the crate still falls the 0.1 onto the ground and its node follows.
    for (int i = 0; i < 40; ++i)
    {
        Physics::Instance()->Step(Physics::kStepLength);
        Draw();
    }
    EXPECT_NEAR(crate->position.y, 0.0f, kRestTolerance);
    EXPECT_LT(dGeomGetPosition(crate->geom)[1], 1.05);
}
