#include "NetTestSupport.h"
#include "support/LogCapture.h"

#include "net/NetClient.h"
#include "net/Server.h"
#include "platform/TestHooks.h"

namespace
{
// Every kind of value a message carries, in one payload.
Message* FullMessage(uint32_t type)
{
    Message* message = new Message();
    message->type = type;
    message->WriteInt(0xDEADBEEF);
    message->WriteFloat(-2.5f);
    message->WriteByte(0xFE);
    message->WriteVector3(Vector3(1.0f, 2.0f, 3.0f));
    message->WriteQuaternion(Quaternion(0.1f, 0.2f, 0.3f, 0.9f));
    message->WriteColor3(Color3(0.25f, 0.5f, 0.75f));
    message->WriteString("tank");
    message->WriteString("");
    return message;
}

void ExpectFullPayload(const HookRecord& record)
{
    SmartPtr<Message> copy(new Message(static_cast<uint32_t>(record.payload.size())));
    std::copy(record.payload.begin(), record.payload.end(), copy->GetBuffer());
    EXPECT_EQ(copy->ReadInt(), 0xDEADBEEFu);
    EXPECT_EQ(copy->ReadFloat(), -2.5f);
    EXPECT_EQ(copy->ReadByte(), 0xFE);
    Vector3 v = copy->ReadVector3();
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.z, 3.0f);
    Quaternion q = copy->ReadQuaternion();
    EXPECT_EQ(q.w, 0.9f);
    Color3 c = copy->ReadColor3();
    EXPECT_EQ(c.b, 0.75f);
    EXPECT_EQ(copy->ReadString(), "tank");
    EXPECT_EQ(copy->ReadString(), "");
    EXPECT_FALSE(copy->HasOverrun());
    EXPECT_EQ(copy->GetReadPos(), copy->GetPayloadSize());
}
} // namespace

TEST_F(ServerTest, ClientAndServerExchangeEveryMessageType)
{
    LogCapture log;
    NetClient client;
    LinkClient(client);
    ASSERT_EQ(spy.Of("ClientConnected")[0].id, 0);
    EXPECT_TRUE(log.Contains("Client at 127.0.0.1:")) << log.Text();

    // Each side sends every type; the other takes its own range and the
    // shared one, with the client's id or -1 as the sender.
    auto exchange = [&](const std::vector<uint32_t>& sent,
                        const std::function<void(Message*)>& send,
                        const std::function<void()>& update, const char* hook,
                        const std::vector<uint32_t>& taken, int32_t sender)
    {
        for (uint32_t type : sent)
        {
            SmartPtr<Message> message(FullMessage(type));
            send(message.Get());
        }
        ASSERT_TRUE(DriveUntil(update, [&] { return spy.Count(hook) >= int(taken.size()); }));
        std::vector<HookRecord> received = spy.Of(hook);
        ASSERT_EQ(received.size(), taken.size());
        for (size_t i = 0; i < taken.size(); ++i)
        {
            EXPECT_EQ(received[i].type, taken[i]);
            EXPECT_EQ(received[i].sender, sender);
            ExpectFullPayload(received[i]);
        }
    };
    exchange(
        {0x400, 0x3FF, 0x7FF, 0x800, 0, 0xFFFFFFFF}, [&](Message* m) { client.SendNow(m); },
        [&] { server.Update(); }, "ServerMessage", {0x400, 0x7FF, 0x800, 0xFFFFFFFF}, 0);
    EXPECT_TRUE(log.Contains("Warning: non-client message from 127.0.0.1 received.\n"));
    exchange(
        {0, 1, 3, 0x3FF, 0x400, 0x7FF, 0x800}, [&](Message* m) { server.SendTo(m, 0); },
        [&] { client.Update(); }, "ClientMessage", {0, 1, 3, 0x3FF, 0x800}, -1);
    EXPECT_TRUE(log.Contains("Warning: non-server message received.\n"));
}

TEST_F(ServerTest, SilentClientIsDroppedAfterTheTimeoutNotBefore)
{
    TestSetClock(50000);
    NetClient client;
    LinkClient(client);
    SendNew(client, FullMessage(0x800));
    ASSERT_TRUE(
        DriveUntil([&] { server.Update(); }, [&] { return spy.Count("ServerMessage") == 1; }));

    LogCapture log;
    TestSetClock(50000 + Server::kDefaultTimeout);
    server.Update();
    EXPECT_EQ(server.GetClientCount(), 1u) << "exactly the timeout is not yet too long";
    EXPECT_EQ(spy.Count("ClientDisconnected"), 0);

    TestSetClock(50000 + Server::kDefaultTimeout + 1);
    server.Update();
    EXPECT_EQ(server.GetClientCount(), 0u);
    ASSERT_EQ(spy.Count("ClientDisconnected"), 1);
    EXPECT_EQ(spy.Of("ClientDisconnected")[0].id, 0);
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{"Client 0 dropped. Reason: timeout limit reached."}));
}

TEST_F(ServerTest, ClientsWaitingAreAcceptedOnePerUpdateWithIdsInOrder)
{
    SOCKET first = RawConnect(port);
    SOCKET second = RawConnect(port);
    ASSERT_NE(first, INVALID_SOCKET);
    ASSERT_NE(second, INVALID_SOCKET);
    ASSERT_TRUE(AcceptClients(1));
    EXPECT_EQ(server.GetClientCount(), 1u);
    server.Update();
    EXPECT_EQ(server.GetClientCount(), 2u);
    ASSERT_EQ(spy.Count("ClientConnected"), 2);
    EXPECT_EQ(spy.Of("ClientConnected")[0].id, 0);
    EXPECT_EQ(spy.Of("ClientConnected")[1].id, 1);

    // Unknown ids are ignored; a kicked client goes without a hook call.
    SmartPtr<Message> message(FullMessage(0x800));
    server.SendTo(message.Get(), 7);
    server.Kick(7);
    EXPECT_EQ(server.GetClientCount(), 2u);
    server.Kick(0);
    EXPECT_EQ(server.GetClientCount(), 1u);
    EXPECT_EQ(server.FindClient(0), nullptr);
    EXPECT_NE(server.FindClient(1), nullptr);
    EXPECT_EQ(spy.Count("ClientDisconnected"), 0);
    closesocket(first);
    closesocket(second);
}

TEST_F(ServerTest, StopClosesOnlyTheListener)
{
    NetClient client;
    LinkClient(client);
    server.Stop();
    EXPECT_FALSE(server.IsRunning());
    EXPECT_EQ(RawConnect(port), INVALID_SOCKET);

    SmartPtr<Message> message(FullMessage(0x800));
    client.SendNow(message.Get());
    ASSERT_TRUE(
        DriveUntil([&] { server.Update(); }, [&] { return spy.Count("ServerMessage") == 1; }));
    server.BroadcastNow(message.Get());
    ASSERT_TRUE(
        DriveUntil([&] { client.Update(); }, [&] { return spy.Count("ClientMessage") == 1; }));
}

// Peers that send a huge length or garbage are closed and dropped, and so is
// one that leaves a frame half sent and goes; the server goes on serving a
// well-behaved client.
TEST_F(ServerTest, HostilePeersAreDroppedAndTheOthersStillServed)
{
    NetClient good;
    LinkClient(good);

    std::vector<std::vector<uint8_t>> attacks(3);
    AppendWord(attacks[0], 0x7FFFFFFFu);
    AppendWord(attacks[0], 0x800);
    for (int i = 0; i < 256; ++i)
        attacks[1].push_back(static_cast<uint8_t>(i * 37 + 11));
    AppendWord(attacks[2], 0xFFFFFFFFu);
    AppendWord(attacks[2], 100);
    AppendWord(attacks[2], 0x800);
    attacks[2].resize(attacks[2].size() + 50, 0xEE);

    LogCapture log;
    std::vector<SOCKET> hostile;
    for (const std::vector<uint8_t>& bytes : attacks)
    {
        SOCKET s = RawConnect(port);
        ASSERT_NE(s, INVALID_SOCKET);
        ASSERT_TRUE(RawSend(s, bytes));
        hostile.push_back(s);
    }
    closesocket(hostile.back());
    hostile.pop_back();
    ASSERT_TRUE(AcceptClients(4));
    ASSERT_TRUE(
        DriveUntil([&] { server.Update(); }, [&] { return spy.Count("ClientDisconnected") == 3; }));
    EXPECT_EQ(server.GetClientCount(), 1u);
    EXPECT_NE(server.FindClient(0), nullptr);
    for (int id = 1; id <= 3; ++id)
        EXPECT_TRUE(log.Contains("Client " + std::to_string(id) + " has disconnected.\n"));

    SmartPtr<Message> message(FullMessage(0x801));
    good.SendNow(message.Get());
    ASSERT_TRUE(
        DriveUntil([&] { server.Update(); }, [&] { return spy.Count("ServerMessage") == 1; }));
    EXPECT_EQ(spy.Of("ServerMessage")[0].sender, 0);
    server.SendToNow(message.Get(), 0);
    ASSERT_TRUE(
        DriveUntil([&] { good.Update(); }, [&] { return spy.Count("ClientMessage") == 1; }));
    for (SOCKET s : hostile)
        closesocket(s);
}

TEST_F(ServerTest, ClientWithoutALinkSendsNothingAndNullsAreIgnored)
{
    NetClient client;
    SmartPtr<Message> ping(FullMessage(0x800));
    client.SendNow(ping.Get());
    client.Send(ping.Get());
    client.SendNow(nullptr);
    client.Send(nullptr);
    client.Update();
    EXPECT_EQ(client.GetLink()->GetUnsentBytes(), 0u);
    server.SendTo(nullptr, 0);
    server.Broadcast(nullptr);
    server.Update();
    EXPECT_TRUE(spy.calls.empty());
}

// A client that goes is logged, then reported while the game module can still
// find it, then removed, whether it fell silent (a part frame does not count)
// or closed its end.
TEST_F(ServerTest, DroppedClientIsLoggedThenReportedWhileStillListed)
{
    const struct
    {
        bool timesOut;
        const char* line;
    } cases[] = {
        {true, "Client %d dropped. Reason: timeout limit reached.\n"},
        {false, "Client %d has disconnected.\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        TestSetClock(50000);
        SOCKET peer = RawConnect(port);
        ASSERT_NE(peer, INVALID_SOCKET);
        ASSERT_TRUE(AcceptClients(1));
        const int id = spy.Of("ClientConnected")[0].id;

        // Part of a frame: it is read, but only a whole frame counts as heard.
        std::vector<uint8_t> part = Frame(0x800, std::vector<uint8_t>(64, 1));
        part.resize(40);
        ASSERT_TRUE(RawSend(peer, part));
        ASSERT_TRUE(
            DriveUntil([&] { server.Update(); }, [&] { return server.GetBufferedBytes() > 0; }));

        LogCapture log;
        char line[80];
        std::snprintf(line, sizeof line, c.line, id);
        bool listed = false;
        bool logged = false;
        spy.then = [&](const HookRecord& record)
        {
            if (record.hook != "ClientDisconnected")
                return;
            listed = server.FindClient(record.id) != nullptr;
            logged = log.Contains(line);
        };
        if (c.timesOut)
            TestSetClock(50000 + Server::kDefaultTimeout + 1);
        else
            closesocket(peer);
        ASSERT_TRUE(DriveUntil([&] { server.Update(); },
                               [&] { return spy.Count("ClientDisconnected") == 1; }));
        EXPECT_TRUE(logged) << log.Text();
        EXPECT_TRUE(listed);
        EXPECT_EQ(server.FindClient(id), nullptr);
        if (c.timesOut)
            closesocket(peer);
        spy.then = nullptr;
        spy.calls.clear();
    }
}

// A hook may kick clients, the one it is told about or any other, while the
// server walks its list.
TEST_F(ServerTest, HookThatKicksDuringTheDropsDisturbsNothing)
{
    TestSetClock(50000);
    std::vector<SOCKET> peers;
    for (int i = 0; i < 3; ++i)
    {
        peers.push_back(RawConnect(port));
        ASSERT_TRUE(AcceptClients(i + 1));
    }
    spy.then = [&](const HookRecord& record)
    {
        if (record.hook != "ClientDisconnected")
            return;
        server.Kick(record.id);
        server.Kick(record.id + 1);
    };
    TestSetClock(50000 + Server::kDefaultTimeout + 1);
    server.Update();
    std::vector<HookRecord> dropped = spy.Of("ClientDisconnected");
    ASSERT_EQ(dropped.size(), 2u);
    EXPECT_EQ(dropped[0].id, 0);
    EXPECT_EQ(dropped[1].id, 2) << "client 1 was kicked before its turn";
    EXPECT_EQ(server.GetClientCount(), 0u);
    for (SOCKET s : peers)
        closesocket(s);
}

// A client that keeps sending messages of the server's range gets one warning
// a second; what is dropped in between is counted in one line, written when
// the second is over or when the client goes.
TEST_F(ServerTest, WarningsAboutOneClientComeOnceASecondWithACount)
{
    TestSetClock(10000);
    SOCKET peer = RawConnect(port);
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_TRUE(AcceptClients(1));
    LogCapture log;

    // Sends count frames of the server's range, then one the server takes,
    // and waits until that one has arrived.
    auto sendBad = [&](int count)
    {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < count; ++i)
            AppendFrame(bytes, 0x3FF);
        AppendFrame(bytes, 0x800);
        const int taken = spy.Count("ServerMessage");
        ASSERT_TRUE(RawSend(peer, bytes));
        ASSERT_TRUE(DriveUntil([&] { server.Update(); },
                               [&] { return spy.Count("ServerMessage") == taken + 1; }));
    };
    sendBad(10);
    TestSetClock(10999);
    server.Update();
    const std::vector<std::string> first = {
        "Warning: non-client message from 127.0.0.1 received.",
    };
    EXPECT_EQ(log.Lines(), first);

    TestSetClock(11000);
    server.Update();
    sendBad(3);
    closesocket(peer);
    ASSERT_TRUE(
        DriveUntil([&] { server.Update(); }, [&] { return spy.Count("ClientDisconnected") == 1; }));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Warning: non-client message from 127.0.0.1 received.",
                               "Warning: 9 more non-client messages from client 0 dropped.",
                               "Warning: non-client message from 127.0.0.1 received.",
                               "Warning: 2 more non-client messages from client 0 dropped.",
                               "Client 0 has disconnected.",
                           }));
}
