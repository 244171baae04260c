// The server under peers that attack it, all on 127.0.0.1 and bounded in
// count: peers that connect and go, peers that leave half a large frame and
// go, and a peer that floods while a good client waits for its replies; and
// the client under a server that floods it with messages of the client's range.
#include "NetTestSupport.h"
#include "support/LogCapture.h"

#include "net/Connection.h"
#include "platform/TestHooks.h"
#include "support/LoopbackPeer.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
class HostilePeerTest : public ServerTest
{
protected:
    // One frame of the game: the server's update, then the end-of-frame deletion.
    void Step()
    {
        server.Update();
        RefObject::CollectGarbage();
    }
};
} // namespace

TEST_F(HostilePeerTest, PeersThatConnectAndCloseAreAllDroppedWithinAFewUpdates)
{
    const int descriptors = CountOpenDescriptors();
    const int peers = 300;
    // Within the listen backlog of 5, so no connect has to wait for a retry.
    const int batch = 4;
    int worst = 0;
    for (int opened = 0; opened < peers; opened += batch)
    {
        for (int i = 0; i < batch; ++i)
        {
            SOCKET s = RawConnect(port);
            ASSERT_NE(s, INVALID_SOCKET);
            closesocket(s);
        }
        int updates = 0;
        ASSERT_TRUE(DriveUntil(
            [&]
            {
                Step();
                ++updates;
            },
            [&] { return spy.Count("ClientDisconnected") == opened + batch; }));
        worst = std::max(worst, updates);
    }
    // One accept per update; each peer goes in the update after its own.
    EXPECT_LE(worst, batch + 2);
    EXPECT_EQ(server.GetClientCount(), 0u);
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST_F(HostilePeerTest, HalfFramePeersThatCloseGiveTheirMemoryBack)
{
    const int descriptors = CountOpenDescriptors();
    const int peers = 32;
    const size_t sent = 1 << 20;
    std::vector<uint8_t> half;
    AppendWord(half, Connection::kMaxFrameLength);
    AppendWord(half, 0x800);
    half.resize(8 + sent, 0xAB);

    std::vector<std::unique_ptr<RawPeer>> attackers;
    size_t peak = 0;
    auto step = [&]
    {
        for (const std::unique_ptr<RawPeer>& peer : attackers)
            peer->Flush();
        Step();
        peak = std::max(peak, server.GetBufferedBytes());
    };
    for (int i = 0; i < peers; ++i)
    {
        attackers.push_back(std::make_unique<RawPeer>());
        ASSERT_TRUE(attackers.back()->Open(port));
        attackers.back()->Queue(half);
        ASSERT_TRUE(DriveUntil(step, [&] { return spy.Count("ClientConnected") == i + 1; }));
    }
    ASSERT_TRUE(DriveUntil(
        step,
        [&]
        {
            return server.GetBufferedBytes() >= peers * sent &&
                   std::all_of(attackers.begin(), attackers.end(),
                               [](const std::unique_ptr<RawPeer>& peer)
                               { return peer->Pending() == 0; });
        },
        5000));
    EXPECT_LE(peak, peers * (Connection::kMaxFrameLength + 8));
    EXPECT_EQ(server.GetClientCount(), static_cast<size_t>(peers));

    attackers.clear();
    ASSERT_TRUE(DriveUntil(step, [&] { return spy.Count("ClientDisconnected") == peers; }));
    EXPECT_EQ(server.GetBufferedBytes(), 0u);
    EXPECT_EQ(spy.Count("ServerMessage"), 0);
    EXPECT_EQ(CountOpenDescriptors(), descriptors);
}

TEST_F(HostilePeerTest, FloodingPeerDoesNotHoldUpAGoodClient)
{
    TestSetClock(5000);
    NetClient good;
    good.Connect("127.0.0.1", port);
    ASSERT_TRUE(AcceptClients(1));
    ASSERT_TRUE(DriveUntil([&] { good.Update(); }, [&] { return good.GetLink()->IsConnected(); }));
    RawPeer flood;
    ASSERT_TRUE(flood.Open(port));
    ASSERT_TRUE(AcceptClients(2));
    const int goodId = 0;
    const int floodId = 1;

    // The server answers each of the good client's messages at once; the
    // flood's messages are counted per update.
    size_t fromFlood = 0;
    size_t thisUpdate = 0;
    spy.then = [&](const HookRecord& record)
    {
        if (record.hook != "ServerMessage")
            return;
        if (record.sender == floodId)
        {
            ++fromFlood;
            ++thisUpdate;
            return;
        }
        SmartPtr<Message> echo(MakeMessage(0x802, record.payload));
        server.SendToNow(echo.Get(), goodId);
    };

    // Empty frames, every other one of the server's range.
    std::vector<uint8_t> burst;
    for (int i = 0; i < 4096; ++i)
        AppendFrame(burst, i % 2 ? 0x3FF : 0x800);
    LogCapture log;
    size_t mostPerUpdate = 0;
    int worst = 0;
    const uint8_t pings = 20;
    for (uint8_t ping = 0; ping < pings; ++ping)
    {
        SmartPtr<Message> message(MakeMessage(0x801, {ping}));
        good.SendNow(message.Get());
        int updates = 0;
        ASSERT_TRUE(DriveUntil(
            [&]
            {
                if (flood.Pending() < burst.size())
                    flood.Queue(burst);
                flood.Flush();
                thisUpdate = 0;
                Step();
                mostPerUpdate = std::max(mostPerUpdate, thisUpdate);
                good.Update();
                ++updates;
            },
            [&] { return spy.Count("ClientMessage") == ping + 1; }));
        worst = std::max(worst, updates);
    }

    std::vector<HookRecord> replies = spy.Of("ClientMessage");
    ASSERT_EQ(replies.size(), pings);
    for (uint8_t ping = 0; ping < pings; ++ping)
        EXPECT_EQ(replies[ping].payload, std::vector<uint8_t>{ping});
    EXPECT_LE(worst, 3);
    EXPECT_GT(fromFlood, 4u * Connection::kMessageBudget) << "the flood was no flood";
    EXPECT_LE(mostPerUpdate, Connection::kMessageBudget);

    // All within one second: one warning about the flood. When the flood
    // goes, one line counts the rest.
    flood.Close();
    ASSERT_TRUE(
        DriveUntil([&] { Step(); }, [&] { return spy.Count("ClientDisconnected") == 1; }, 5000));
    const std::vector<std::string> warnings = log.LinesWith("non-client message");
    ASSERT_EQ(warnings.size(), 2u) << log.Text();
    EXPECT_EQ(warnings[0], "Warning: non-client message from 127.0.0.1 received.");
    unsigned dropped = 0;
    ASSERT_EQ(std::sscanf(warnings[1].c_str(),
                          "Warning: %u more non-client messages from client 1 dropped.", &dropped),
              1)
        << warnings[1];
    // Half the flood was of the server's range: one warned, the rest counted.
    EXPECT_NEAR(static_cast<double>(dropped + 1), static_cast<double>(fromFlood), 1.0);
}

// The first message of the client's range from the server is warned about,
// then one a second; what is dropped in between is counted in one line once
// the second is over. The server's own messages among them still go through.
TEST_F(HostilePeerTest, FloodingServerGetsTheClientsWarningOnceASecondWithACount)
{
    TestSetClock(30000);
    uint16_t hostPort = 0;
    const int listener = LoopbackListen(&hostPort);
    ASSERT_GE(listener, 0);
    NetClient client;
    client.Connect("127.0.0.1", hostPort);
    const int host = LoopbackAccept(listener, 5000);
    LoopbackClose(listener);
    ASSERT_GE(host, 0);
    LogCapture log;

    // Sends count frames of the client's range between one of type 0x3FF and
    // one of 0x800, and waits until those two have reached the game module.
    auto flood = [&](int count)
    {
        std::vector<uint8_t> bytes;
        AppendFrame(bytes, 0x3FF);
        for (int i = 0; i < count; ++i)
            AppendFrame(bytes, 0x400 + i % 0x400);
        AppendFrame(bytes, 0x800);
        const int taken = spy.Count("ClientMessage");
        ASSERT_TRUE(LoopbackSendDelivered(host, bytes, 5000));
        ASSERT_TRUE(DriveUntil([&] { client.Update(); },
                               [&] { return spy.Count("ClientMessage") == taken + 2; }));
    };
    const std::string warning = "Warning: non-server message received.";
    flood(2000);
    TestSetClock(30999);
    client.Update();
    EXPECT_EQ(log.Lines(), std::vector<std::string>{warning});

    TestSetClock(31000);
    client.Update();
    flood(500);
    TestSetClock(32000);
    client.Update();
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               warning,
                               "Warning: 1999 more non-server messages dropped.",
                               warning,
                               "Warning: 499 more non-server messages dropped.",
                           }));
    std::vector<uint32_t> types;
    for (const HookRecord& record : spy.Of("ClientMessage"))
    {
        types.push_back(record.type);
        EXPECT_EQ(record.sender, -1);
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{0x3FF, 0x800, 0x3FF, 0x800}));
    LoopbackClose(host);
}
