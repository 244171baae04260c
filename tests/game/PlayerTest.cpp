// The player's rules (armour, weapons, pitch, yaw, jump, head bob), its state
// message, and what it and its overlay draw through the real renderer.
#include "game/Player.h"
#include "game/PlayerOverlay.h"

#include "net/Message.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"
#include "video/ModelTestSupport.h"

#include <cmath>
#include <cstring>

namespace
{
const float kHalfPi = 1.5707964f;
const uint32_t kClearColour = 0xFF222244;

// The last field of a player's state message: its camera's id.
int32_t CameraIdIn(const Message& message)
{
    int32_t cameraId = 0;
    std::memcpy(&cameraId, message.GetBuffer() + message.GetLength() - 4, 4);
    return cameraId;
}
} // namespace

TEST(PlayerTest, ANewPlayerIsHealthyUnarmouredAndLevel)
{
    SmartPtr<Player> player = new Player();
    EXPECT_EQ(player->GetType(), 10);
    EXPECT_EQ(player->health, 100);
    EXPECT_EQ(player->armor, 0);
    EXPECT_EQ(player->GetPitch(), 0.0f);
    EXPECT_TRUE(player->radii == Vector3(0.3f, 1.0f, 0.3f));
    EXPECT_FALSE(player->camera);
    EXPECT_FALSE(player->model);
}

TEST(PlayerTest, ArmourAbsorbsDamageBeforeHealth)
{
    struct Case
    {
        int armor, amount, armorAfter, healthAfter;
    };
    const Case cases[] = {{50, 30, 20, 100}, {10, 30, 0, 80}, {30, 30, 0, 100}, {0, 150, 0, -50}};
    for (const Case& c : cases)
    {
        SmartPtr<Player> player = new Player();
        player->armor = c.armor;
        player->TakeDamage(c.amount);
        EXPECT_EQ(player->armor, c.armorAfter) << c.armor << " armour, " << c.amount << " damage";
        EXPECT_EQ(player->health, c.healthAfter) << c.armor << " armour, " << c.amount << " damage";
    }
}

TEST(PlayerTest, WeaponsWrapWithinTenSlots)
{
    struct Case
    {
        int from;
        bool next;
        int to;
    };
    const Case cases[] = {{9, true, 0}, {0, false, 9}, {4, true, 5}, {4, false, 3}};
    for (const Case& c : cases)
    {
        SmartPtr<Player> player = new Player();
        player->SetWeapon(c.from);
        c.next ? player->NextWeapon() : player->PrevWeapon();
        EXPECT_EQ(player->weapon, c.to) << c.from << (c.next ? " next" : " prev");
    }
}

TEST(PlayerTest, PitchIsClampedAndTurnsTheCameraUpOrDown)
{
    SmartPtr<Player> player = new Player();
    player->AddPitch(3.0f);
    EXPECT_EQ(player->GetPitch(), kHalfPi);
    player->SetPitch(-2.0f);
    EXPECT_EQ(player->GetPitch(), -kHalfPi);
    player->SetPitch(kHalfPi);
    EXPECT_EQ(player->GetPitch(), kHalfPi);
    player->SetPitch(0.25f);
    player->AddPitch(0.25f);
    EXPECT_EQ(player->GetPitch(), 0.5f);

    // With a camera the pitch becomes the camera's own angle: positive looks up.
    player->camera = new Camera();
    player->AddChild(player->camera.Get());
    player->SetPitch(0.5f);
    EXPECT_EQ(player->camera->pitch, 0.5f);
    player->UpdateTree(Matrix(), 0.0f);
    Vector3 view = Vector3(0, 0, 1).TransformNormal(player->camera->worldMatrix);
    EXPECT_TRUE(view == Vector3(0, std::sin(0.5f), std::cos(0.5f)));
}

TEST(PlayerTest, YawTurnsThePlayerAndItsAxesFollow)
{
    SmartPtr<Player> player = new Player();
    player->SetYaw(kHalfPi);
    player->AddYaw(0.25f);
    EXPECT_NEAR(player->GetYaw(), kHalfPi + 0.25f, 1e-6f);
    player->SetYaw(kHalfPi);
    player->UpdateTree(Matrix(), 0.0f);
    player->Move(0.0f);
    // A quarter turn to the right: ahead is +x and the side axis points to -z.
    EXPECT_TRUE(player->frontAxis == Vector3(3.5f, 0, 0));
    EXPECT_TRUE(player->sideAxis == Vector3(0, 0, -2.5f));
    EXPECT_TRUE(player->upAxis == Vector3(0, 1, 0));
}

TEST(PlayerTest, JumpsOnlyFromTheGround)
{
    SmartPtr<Player> player = new Player();
    player->Jump();
    EXPECT_TRUE(player->velocity == Vector3());
    player->onGround = 1;
    player->Jump();
    player->Jump();
    EXPECT_TRUE(player->velocity == Vector3(0, 12, 0));
}

TEST(PlayerTest, HeadBobsOnlyWhileAMovementFlagIsHeld)
{
    SmartPtr<Player> player = new Player();
    player->velocity = Vector3(2, 0, 0);
    player->bobOffset = Vector3(1, 2, 3);
    player->Move(0.5f);
    EXPECT_TRUE(player->position == Vector3(1, 0, 0)) << "velocity moves it, flags or not";
    EXPECT_EQ(player->bobTime, 0.0f);
    EXPECT_TRUE(player->bobOffset == Vector3(1, 2, 3));

    player->SetMoveC(1);
    player->Move(0.25f);
    EXPECT_EQ(player->bobTime, 0.25f);
    Vector3 bob = Vector3(2.5f * std::cos(1.0f) * 0.5f, 0, 3.5f * std::sin(2.0f)) / 400.0f;
    EXPECT_TRUE(player->bobOffset == bob);
    EXPECT_TRUE(player->position == Vector3(1.5f, 0, 0)) << "the flags do not move it";

    player->SetMoveC(0);
    player->Move(0.25f);
    EXPECT_EQ(player->bobTime, 0.25f);
    EXPECT_TRUE(player->bobOffset == bob);
}

TEST(PlayerTest, StateRoundTripCarriesEveryFieldAndFindsTheCameraById)
{
    SmartPtr<Camera> remoteCamera = new Camera();
    remoteCamera->id = 77;
    SmartPtr<StaticModel> notACamera = new StaticModel();
    notACamera->id = 78;
    SecondarySceneGraph.GetRoot()->AddChild(remoteCamera.Get());
    SecondarySceneGraph.GetRoot()->AddChild(notACamera.Get());

    SmartPtr<Player> sender = new Player();
    sender->id = 12;
    sender->position = Vector3(1, 2, 3);
    sender->velocity = Vector3(4, 5, 6);
    sender->SetYaw(0.5f);
    sender->extra = Vector3(7, 8, 9);
    sender->SetTag(-5);
    sender->name = "Ann";
    sender->SetMoveA(1);
    sender->SetMoveC(2);
    sender->SetActionB(3);
    sender->SetActionD(4);
    sender->health = 64;
    sender->armor = 7;
    sender->SetWeapon(3);
    sender->SetPitch(0.25f);
    sender->camera = remoteCamera;

    SmartPtr<Message> message = sender->CreateStateMessage();
    EXPECT_EQ(message->type, kStateMessageType);
    // Node block, tag, "Ann" and its 0, eight flags, three ints, pitch, camera id.
    EXPECT_EQ(message->GetLength(), 56u + 4 + 4 + 8 + 12 + 4 + 4);
    EXPECT_EQ(message->ReadInt(), 12u);
    SmartPtr<Player> receiver = new Player();
    receiver->ApplyState(*message);
    EXPECT_FALSE(message->HasOverrun());
    EXPECT_EQ(message->GetReadPos(), message->GetWritePos());
    EXPECT_TRUE(receiver->position == sender->position && receiver->velocity == sender->velocity &&
                receiver->extra == sender->extra);
    EXPECT_NEAR(receiver->GetYaw(), 0.5f, 1e-6f);
    EXPECT_EQ(receiver->GetTag(), -5);
    EXPECT_EQ(receiver->name, "Ann");
    EXPECT_EQ(0, std::memcmp(receiver->moveFlags, sender->moveFlags, 4));
    EXPECT_EQ(0, std::memcmp(receiver->actionFlags, sender->actionFlags, 4));
    EXPECT_EQ(receiver->health, 64);
    EXPECT_EQ(receiver->armor, 7);
    EXPECT_EQ(receiver->weapon, 3);
    EXPECT_EQ(receiver->GetPitch(), 0.25f);
    EXPECT_EQ(receiver->camera.Get(), remoteCamera.Get());

    // A camera id that names no camera leaves the receiver without one, and
    // a player without a camera names -1.
    const int32_t ids[] = {999, 78, -1};
    for (int32_t cameraId : ids)
    {
        sender->camera = nullptr;
        SmartPtr<Message> unnamed = sender->CreateStateMessage();
        EXPECT_EQ(CameraIdIn(*unnamed), -1);
        std::memcpy(unnamed->GetBuffer() + unnamed->GetLength() - 4, &cameraId, 4);
        unnamed->ReadInt();
        receiver->ApplyState(*unnamed);
        EXPECT_FALSE(receiver->camera) << "camera id " << cameraId;
        SmartPtr<Message> echo = receiver->CreateStateMessage();
        EXPECT_EQ(CameraIdIn(*echo), -1) << "camera id " << cameraId;
    }

    SecondarySceneGraph.GetRoot()->RemoveChild(remoteCamera.Get());
    SecondarySceneGraph.GetRoot()->RemoveChild(notACamera.Get());
}

TEST(PlayerTest, BoundsComeFromTheModelAndStayWithoutOne)
{
    SmartPtr<Player> player = new Player();
    player->boundsMin = Vector3(-1, -1, -1);
    player->boundsMax = Vector3(1, 1, 1);
    player->Setup();
    EXPECT_TRUE(player->boundsMin == Vector3(-1, -1, -1) && player->boundsMax == Vector3(1, 1, 1));

    player->model = new Model();
    player->model->boxMin = Vector3(-0.5f, 0, -0.5f);
    player->model->boxMax = Vector3(0.5f, 2, 0.5f);
    player->Setup();
    EXPECT_TRUE(player->boundsMin == Vector3(-0.5f, 0, -0.5f));
    EXPECT_TRUE(player->boundsMax == Vector3(0.5f, 2, 0.5f));
}

namespace
{
// A square facing -z in the plane z = depth, x and y from -half to half
// around (0, centreY), as a 3DS file (whose z is up); "Green" textures it.
std::vector<uint8_t> SquareFile(float depth, float centreY, float half, bool green)
{
    return tds_samples::EditorFile(
        [=](TdsWriter& w)
        {
            tds_samples::MeshOptions options;
            if (green)
            {
                model_files::WriteMaterial(w, "Green", "green.bmp");
                options.faceMaterials = {{"Green", {0, 1}}};
            }
            const float bottom = centreY - half;
            const float top = centreY + half;
            tds_samples::WriteMesh(
                w, "Square",
                {-half, depth, bottom, half, depth, bottom, half, depth, top, -half, depth, top},
                {0, 1, 2, 0, 2, 3}, options);
        });
}

// A texture of 2 by 2 texels, top row first.
SmartPtr<Texture> SmallTexture(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    SmartPtr<Texture> texture = new Texture(2, 2, 32, 8);
    uint32_t* texels = static_cast<uint32_t*>(texture->Lock());
    texels[0] = a;
    texels[1] = b;
    texels[2] = c;
    texels[3] = d;
    texture->Unlock();
    return texture;
}

class PlayerPixelTest : public ModelFileTest
{
protected:
    void TearDown() override
    {
        Video& video = Video::Instance();
        video.SetCamera(nullptr);
        video.SetOverlay(nullptr);
        video.lights.clear();
        for (SceneNode* node : added)
            MainSceneGraph.GetRoot()->RemoveChild(node);
        added.clear();
        ModelFileTest::TearDown();
    }

    template <typename Node> Node* Add(Node* node)
    {
        MainSceneGraph.GetRoot()->AddChild(node);
        added.push_back(node);
        return node;
    }

    TestFrame Draw()
    {
        MainSceneGraph.GetRoot()->UpdateTree(Matrix(), 0.0f);
        Video::Instance().Render();
        return VideoTestSupport::Frame();
    }

    std::vector<SceneNode*> added;
};
} // namespace

TEST_F(PlayerPixelTest, FirstPersonDrawsOnlyTheViewModelSwayedByTheBob)
{
    // The body stands three units ahead of the player, at eye height.
    Save("tank_body.3ds", SquareFile(3, 1, 1, false));
    Save("view.3ds", SquareFile(2, 0, 0.5f, true));
    ASSERT_TRUE(WriteBytes("data/textures/green.bmp", BmpBytes(1, 1, {0xFF00FF00})));
    Light* light = Add(new Light());
    light->kind = Light::kDirectional;
    light->colour = Color3(1, 1, 1);
    light->position = Vector3(0, 0, -500); // its wire box out of sight
    Video::Instance().AddLight(light);
    Player* player = Add(new Player());
    player->Create();
    ASSERT_TRUE(player->camera);
    EXPECT_TRUE(player->boundsMax == Vector3(1, 2, 3));

    // From behind, the body is drawn.
    Camera* outside = Add(new Camera());
    outside->position = Vector3(0, 1, -5);
    Video::Instance().SetCamera(outside);
    TestFrame frame = Draw();
    EXPECT_FALSE(ColorNear(frame.At(frame.width / 2, frame.height / 2), kClearColour));

    // Through its own camera: no body, and no view model to draw.
    Video::Instance().SetCamera(player->camera.Get());
    frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 2, frame.height / 2), kClearColour));

    // The view model hangs in front of the camera, moved by the bob.
    player->viewModel = new Model();
    ASSERT_EQ(player->viewModel->Import3DS("view.3ds"), 0);
    frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 2, frame.height / 2), 0xFF00FF00));
    player->bobOffset = Vector3(0.6f, 0, 0);
    frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 2, frame.height / 2), kClearColour));
}

TEST_F(PlayerPixelTest, OverlayPutsTheCornerPictureLowerLeftAndAnUnfilteredCrosshairInTheMiddle)
{
    const uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    SmartPtr<PlayerOverlay> overlay = new PlayerOverlay();
    Video::Instance().SetOverlay(overlay.Get());
    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(10, frame.height - 10), kClearColour)) << "nothing to draw";

    overlay->cornerTexture = SmallTexture(red, red, red, red);
    // Left half green, right half blue.
    overlay->crosshairTexture = SmallTexture(green, blue, green, blue);
    frame = Draw();
    const int w = frame.width, h = frame.height, cx = w / 2, cy = h / 2;
    EXPECT_TRUE(ColorNear(frame.At(0, h - 96), red));
    EXPECT_TRUE(ColorNear(frame.At(95, h - 1), red));
    EXPECT_TRUE(ColorNear(frame.At(96, h - 1), kClearColour));
    EXPECT_TRUE(ColorNear(frame.At(0, h - 97), kClearColour));
    // 32 by 32 at the centre, each half one texel wide without blending.
    EXPECT_TRUE(ColorNear(frame.At(cx - 16, cy - 16), green));
    EXPECT_TRUE(ColorNear(frame.At(cx - 1, cy), green));
    EXPECT_TRUE(ColorNear(frame.At(cx, cy), blue));
    EXPECT_TRUE(ColorNear(frame.At(cx + 15, cy + 15), blue));
    EXPECT_TRUE(ColorNear(frame.At(cx + 16, cy), kClearColour));
    EXPECT_TRUE(ColorNear(frame.At(cx - 17, cy), kClearColour));
}
