// The network's places in the Kernel's start-up, frame and shut-down.
#include "../net/NetTestSupport.h"

#include "core/Kernel.h"
#include "core/Shell.h"
#include "net/NetClient.h"
#include "net/NetworkSubsystem.h"
#include "net/Server.h"
#include "platform/TestHooks.h"
#include "support/FreshProcess.h"
#include "support/ScratchFolder.h"
#include "support/TextFiles.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace
{
size_t IndexOf(const std::vector<std::string>& lines, const std::string& line, size_t from = 0)
{
    for (size_t i = from; i < lines.size(); ++i)
    {
        if (lines[i] == line)
            return i;
    }
    return lines.size();
}
} // namespace

// In a fresh process, as the Kernel owns the process's subsystems.
TEST(KernelNetworkTest, NetworkStartsAfterTheLogAndStopsBeforeTheLastDeletion)
{
    if (const char* folder = FreshProcessFolder())
    {
        ASSERT_EQ(chdir(folder), 0);
        Kernel::GetInstance()->Init();
        Kernel::GetInstance()->Update();
        Kernel::GetInstance()->Shutdown();
        return;
    }
    ScratchFolder scratch("kernel-net");
    const std::string& dir = scratch.path;
    EXPECT_EQ(WaitExit(StartFreshProcess(dir), std::chrono::seconds(60)), 0);

    std::vector<std::string> lines = ReadLines(dir + "/tolvi.log");
    size_t opened = IndexOf(lines, " tolvi.log opened");
    size_t init = IndexOf(lines, " Initializing Network Subsystem", opened);
    ASSERT_LT(init + 4, lines.size());
    EXPECT_EQ(lines[init + 1], " {");
    EXPECT_EQ(lines[init + 2], "  Starting up Winsock.");
    EXPECT_EQ(lines[init + 3], " }");

    size_t down = IndexOf(lines, "Shutting Down Kernel", init);
    size_t stop = IndexOf(lines, " Shutting Down Network Subsystem", down);
    ASSERT_LT(stop + 4, lines.size());
    EXPECT_EQ(lines[stop + 1], " {");
    EXPECT_EQ(lines[stop + 2], "  Shutting down Winsock.");
    EXPECT_EQ(lines[stop + 3], " }");
    EXPECT_LT(stop, IndexOf(lines, " deleting remaining memory objects...", stop));
}

class KernelTickTest : public NetTest
{
protected:
    void TearDown() override
    {
        CloseProgramLinks();
        g_lastServerUpdate = 0;
        NetTest::TearDown();
    }
};

TEST_F(KernelTickTest, ServerTicksOncePerMillisecondAndTheClientEveryFrame)
{
    Server* server = Server::Instance();
    server->SetPort(0);
    server->Start();
    uint16_t port = server->GetListenPort();
    ASSERT_NE(port, 0);

    // Two peers wait; the server accepts one per tick.
    SOCKET first = RawConnect(port);
    SOCKET second = RawConnect(port);
    g_lastServerUpdate = 0;
    TestSetClock(7000);
    Kernel::GetInstance()->Update();
    EXPECT_EQ(g_lastServerUpdate, 7000u);
    Kernel::GetInstance()->Update();
    EXPECT_EQ(spy.Count("ClientConnected"), 1) << "two frames in one millisecond tick once";
    TestSetClock(7001);
    Kernel::GetInstance()->Update();
    EXPECT_EQ(spy.Count("ClientConnected"), 2);

    // The client's link is pumped by every frame, whatever the clock.
    NetClient::Instance()->Connect("127.0.0.1", port);
    DWORD now = 7002;
    ASSERT_TRUE(DriveUntil(
        [&]
        {
            TestSetClock(now++);
            Kernel::GetInstance()->Update();
        },
        [&] {
            return spy.Count("ClientConnected") == 3 &&
                   NetClient::Instance()->GetLink()->IsConnected();
        }));
    SmartPtr<Message> message(MakeMessage(3, {4, 5, 6}));
    server->SendToNow(message.Get(), spy.Of("ClientConnected")[2].id);
    ASSERT_TRUE(DriveUntil([&] { Kernel::GetInstance()->Update(); },
                           [&] { return spy.Count("ClientMessage") == 1; }));
    EXPECT_EQ(spy.Of("ClientMessage")[0].payload, (std::vector<uint8_t>{4, 5, 6}));
    closesocket(first);
    closesocket(second);
}
