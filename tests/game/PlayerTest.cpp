// The player's rules (armour, weapons, pitch, yaw, jump, head bob), its state
// message, and what it and its overlay draw through the real renderer.
#include "game/Player.h"
#include "game/PlayerOverlay.h"

#include "net/Message.h"
#include "support/SceneFixture.h"
#include "support/VideoFixture.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
const float kHalfPi = 1.5707964f;

// The last field of a player's state message: its camera's id.
int32_t CameraIdIn(const Message& message)
{
    int32_t cameraId = 0;
    std::memcpy(&cameraId, message.GetBuffer() + message.GetLength() - 4, 4);
    return cameraId;
}
} // namespace

TEST(PlayerTest, ArmourWeaponsJumpAndBoundsFollowTheirRules)
{
    SmartPtr<Player> player = new Player();
    EXPECT_EQ(player->GetType(), 10);
    EXPECT_TRUE(player->health == 100 && player->armor == 0 && player->pitch == 0.0f);
    EXPECT_TRUE(player->radii == Vector3(0.3f, 1.0f, 0.3f));
    // Health, armour, damage: armour and health after it. Health and armour
    // from a peer may lie at the ends of the range: the results stop there.
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    const int damage[][5] = {
        {100, 50, 30, 20, 100}, {100, 10, 30, 0, 80},    {100, 30, 30, 0, 100},
        {100, 0, 150, 0, -50},  {100, 0, -20, 20, 100},  {100, lo, 1, 0, lo + 99},
        {lo, 0, 1, 0, lo},      {lo, lo, hi, 0, lo},     {100, hi, lo, hi, 100},
        {hi, 0, lo, hi, hi},    {hi, lo, 0, 0, hi + lo}, {100, 0, hi, 0, 100 - hi},
    };
    for (const auto& c : damage)
    {
        player->health = c[0];
        player->armor = c[1];
        player->TakeDamage(c[2]);
        EXPECT_TRUE(player->armor == c[3] && player->health == c[4])
            << c[0] << " " << c[1] << " " << c[2];
    }
    // Slot, next (1) or previous (0), slot after it.
    const int weapons[][3] = {{9, 1, 0}, {0, 0, 9}, {4, 1, 5}, {4, 0, 3}, {8, 1, 9}, {1, 0, 0}};
    for (const auto& c : weapons)
    {
        player->SetWeapon(c[0]);
        c[1] ? player->NextWeapon() : player->PrevWeapon();
        EXPECT_EQ(player->weapon, c[2]) << c[0] << " " << c[1];
    }

    player->Jump();
    EXPECT_TRUE(player->velocity == Vector3());
    player->onGround = 1;
    player->Jump();
    player->Jump();
    EXPECT_TRUE(player->velocity == Vector3(0, 12, 0));

    // Without a model the bounds stay as they are.
    player->boundsMax = Vector3(1, 1, 1);
    player->Setup();
    EXPECT_TRUE(player->boundsMax == Vector3(1, 1, 1));
}

TEST(PlayerTest, PitchIsClampedAndTiltsTheCameraYawTurnsThePlayer)
{
    SmartPtr<Player> player = new Player();
    // Add (1) or set (0), the value, the pitch after it.
    const float pitches[][3] = {{1, 3.0f, kHalfPi},
                                {0, -2.0f, -kHalfPi},
                                {0, kHalfPi, kHalfPi},
                                {0, 0.25f, 0.25f},
                                {1, 0.25f, 0.5f}};
    for (const auto& c : pitches)
    {
        c[0] != 0.0f ? player->AddPitch(c[1]) : player->SetPitch(c[1]);
        EXPECT_EQ(player->GetPitch(), c[2]) << c[0] << " " << c[1];
    }

    // The pitch becomes the camera's own angle: positive looks up.
    player->camera = new Camera();
    player->AddChild(player->camera.Get());
    player->SetPitch(0.5f);
    player->SetYaw(kHalfPi - 0.25f);
    player->AddYaw(0.25f);
    EXPECT_NEAR(player->GetYaw(), kHalfPi, 1e-6f);
    player->UpdateTree(Matrix(), 0.0f);
    player->Move(0.0f);
    // A quarter turn to the right: ahead is +x, the side axis points to -z.
    EXPECT_TRUE(player->frontAxis == Vector3(3.5f, 0, 0));
    EXPECT_TRUE(player->sideAxis == Vector3(0, 0, -2.5f));
    EXPECT_TRUE(player->upAxis == Vector3(0, 1, 0));
    Vector3 view = Vector3(0, 0, 1).TransformNormal(player->camera->worldMatrix);
    EXPECT_TRUE(view == Vector3(std::cos(0.5f), std::sin(0.5f), 0));
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
    sender->SetMoveC(2);
    sender->SetActionB(3);
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
    receiver->id = 12;
    receiver->ApplyState(*message);
    EXPECT_EQ(message->GetReadPos(), message->GetWritePos());
    EXPECT_EQ(receiver->camera.Get(), remoteCamera.Get());
    EXPECT_TRUE(receiver->name == "Ann" && receiver->moveFlags[2] == 2 &&
                receiver->actionFlags[1] == 3 && receiver->health == 64 && receiver->armor == 7 &&
                receiver->weapon == 3 && receiver->GetPitch() == 0.25f);
    // What it took in, it writes out again, byte for byte.
    SmartPtr<Message> echo = receiver->CreateStateMessage();
    ASSERT_EQ(echo->GetLength(), message->GetLength());
    EXPECT_EQ(0, std::memcmp(echo->GetBuffer(), message->GetBuffer(), message->GetLength()));

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

using PlayerPixelTest = SceneTest;
} // namespace

TEST_F(PlayerPixelTest, FirstPersonDrawsOnlyTheViewModelSwayedByTheBob)
{
    // The body stands three units ahead of the player, at eye height.
    Save("tank_body.3ds", SquareFile(3, 1, 1, false));
    Save("view.3ds", SquareFile(2, 0, 0.5f, true));
    ASSERT_TRUE(WriteBytes("data/textures/green.bmp", BmpBytes(1, 1, {0xFF00FF00})));
    AddLight(Color3(1, 1, 1));
    Player* player = Add(new Player());
    player->Create();
    ASSERT_TRUE(player->camera);
    EXPECT_TRUE(player->boundsMax == Vector3(1, 2, 3));
    const Camera& eye = *player->camera;
    EXPECT_TRUE(eye.aspect == 1.3333334f && eye.fov == 1.3089969f && eye.zoom == 1.0f);
    EXPECT_TRUE(eye.position == Vector3(0, 1, 0) && eye.GetParent() == player && eye.id > 0);

    // From behind, the body is drawn.
    View(Vector3(0, 1, -5));
    EXPECT_FALSE(ColorNear(Centre(Draw()), kClearColour));

    // Through its own camera: no body, and no view model to draw.
    Video::Instance().SetCamera(player->camera.Get());
    EXPECT_TRUE(ColorNear(Centre(Draw()), kClearColour));

    // The view model hangs in front of the camera, moved by the bob.
    player->viewModel = new Model();
    ASSERT_EQ(player->viewModel->Import3DS("view.3ds"), 0);
    EXPECT_TRUE(ColorNear(Centre(Draw()), 0xFF00FF00));
    player->bobOffset = Vector3(0.6f, 0, 0);
    EXPECT_TRUE(ColorNear(Centre(Draw()), kClearColour));
}

TEST_F(PlayerPixelTest, OverlayPutsTheCornerPictureLowerLeftAndAnUnfilteredCrosshairInTheMiddle)
{
    const uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    SmartPtr<PlayerOverlay> overlay = new PlayerOverlay();
    Video::Instance().SetOverlay(overlay.Get());
    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(10, frame.height - 10), kClearColour)) << "nothing to draw";

    overlay->cornerTexture = TexelTexture(2, 2, {red, red, red, red});
    // Left half green, right half blue.
    overlay->crosshairTexture = TexelTexture(2, 2, {green, blue, green, blue});
    frame = Draw();
    const int w = frame.width, h = frame.height, cx = w / 2, cy = h / 2;
    // 96 by 96 in the corner; 32 by 32 at the centre, each half one texel
    // wide without blending.
    const struct
    {
        int x, y;
        uint32_t colour;
    } pixels[] = {{0, h - 96, red},
                  {95, h - 1, red},
                  {96, h - 1, kClearColour},
                  {0, h - 97, kClearColour},
                  {cx - 16, cy - 16, green},
                  {cx - 1, cy, green},
                  {cx, cy, blue},
                  {cx + 15, cy + 15, blue},
                  {cx + 16, cy, kClearColour},
                  {cx - 17, cy, kClearColour}};
    for (const auto& p : pixels)
        EXPECT_TRUE(ColorNear(frame.At(p.x, p.y), p.colour)) << p.x << "," << p.y;
}
