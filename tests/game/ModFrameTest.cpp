// The game module's frame (the splash fade on the tick clock, the ping on the
// millisecond clock through a real loopback link) and its node factory.
#include "game/Mod.h"
#include "gui/GuiImage.h"
#include "gui/GuiManager.h"
#include "net/NetTestSupport.h"
#include "net/Server.h"
#include "platform/DirectInput.h"
#include "platform/TestHooks.h"
#include "scene/SceneNode.h"

TEST(ModFrameTest, SplashFadesStrictlyBetweenItsEndsThenTheGuiStaysOffEvenInMenuMode)
{
    Mod* mod = Mod::Instance();
    GuiManager& gui = GuiManager::Instance();
    SmartPtr<GuiImage> splash = new GuiImage();
    mod->SetSplash(splash.Get(), 10000);
    ASSERT_EQ(mod->GetFadeEnd(), 18000u);
    // Each frame starts with the GUI on and the alpha at a marker.
    const float kUnchanged = 5.0f;
    struct Step
    {
        DWORD now;
        float alpha;
        bool active;
    };
    const Step steps[] = {
        {9000, kUnchanged, true},   {10000, kUnchanged, true},  {10001, 1.0f - 1.0f / 8000, true},
        {13000, 0.625f, true},      {17999, 1.0f / 8000, true}, {18000, kUnchanged, false},
        {90000, kUnchanged, false},
    };
    for (const Step& step : steps)
    {
        TestSetClock(step.now);
        splash->alpha = kUnchanged;
        gui.SetActive(true);
        mod->Frame();
        EXPECT_NEAR(splash->alpha, step.alpha, 1e-6f) << step.now;
        EXPECT_EQ(gui.active, step.active) << step.now;
    }

    mod->OnKeyUp(DIK_ESCAPE);
    EXPECT_EQ(mod->mode, Mod::kMenuMode);
    EXPECT_TRUE(gui.active);
    mod->Frame();
    EXPECT_FALSE(gui.active) << "after the fade the menu shows no GUI";

    mod->mode = Mod::kGameMode;
    mod->SetSplash(nullptr, 0);
    TestUseRealClock();
}

class ModPingTest : public NetTest
{
protected:
    void TearDown() override
    {
        CloseProgramLinks();
        NetTest::TearDown();
    }
};

TEST_F(ModPingTest, PingsGoOutOncePer5000MsWithTheClockAtSending)
{
    Server* server = Server::Instance();
    server->SetPort(0);
    server->Start();
    ASSERT_NE(server->GetListenPort(), 0);
    NetClient::Instance()->Connect("127.0.0.1", server->GetListenPort());
    ASSERT_TRUE(DriveUntil(
        [&]
        {
            server->Update();
            NetClient::Instance()->Update();
        },
        [&] { return spy.Count("ClientConnected") == 1; }));

    // Frames at these clock readings; a ping is due when the clock has passed
    // the last one's time + 5000, however many frames came between.
    Mod::Instance()->nextPingTime = 0;
    const DWORD frames[] = {20000, 20001, 24999, 25000, 25001, 25002, 40000, 40000};
    for (DWORD now : frames)
    {
        TestSetClock(now);
        Mod::Instance()->Frame();
    }
    ASSERT_TRUE(
        DriveUntil([&] { server->Update(); }, [&] { return spy.Count("ServerMessage") >= 3; }));
    std::vector<uint32_t> sent;
    for (const HookRecord& record : spy.Of("ServerMessage"))
    {
        EXPECT_EQ(record.type, Mod::kPingMessage);
        ASSERT_EQ(record.payload.size(), 4u);
        sent.push_back(record.payload[0] | record.payload[1] << 8 | record.payload[2] << 16 |
                       static_cast<uint32_t>(record.payload[3]) << 24);
    }
    EXPECT_EQ(sent, (std::vector<uint32_t>{20000, 25001, 40000}));
    EXPECT_EQ(Mod::Instance()->nextPingTime, 45000u);
}

TEST(ModFrameTest, CreateNodeMakesTheFiveNetworkedKindsAndNothingElse)
{
    const int made[] = {kNodeLevel, kNodeLight, kNodeCamera, kNodePlayer, kNodeProjectile};
    for (int type : made)
    {
        SmartPtr<SceneNode> node = Mod::Instance()->CreateNode(type);
        ASSERT_NE(node.Get(), nullptr) << type;
        EXPECT_EQ(node->GetType(), type);
    }
    const int refused[] = {-1, 0, 1, 2, 3, 5, 9, 11, 15, 16, 17, 1000};
    for (int type : refused)
        EXPECT_EQ(Mod::Instance()->CreateNode(type), nullptr) << type;
}
