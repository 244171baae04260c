// The LAN search runs here only with an injected address list and with every
// probe's connect seen by a filter: probes to private addresses are recorded
// and held, never sent. The one probe that must answer is redirected to a
// listener on 127.0.0.1.
#include "NetTestSupport.h"
#include "support/LogCapture.h"

#include "net/Connection.h"
#include "net/NetClient.h"
#include "platform/SocketTestHooks.h"
#include "platform/TestHooks.h"

namespace
{
struct Probe
{
    std::string address;
    int port;
};

class NetClientTest : public NetTest
{
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        replier = new Connection();
        replier->Listen(0);
        replyPort = replier->GetLocalPort();
        ASSERT_NE(replyPort, 0);
        // Record every probe; send the one to `answering` to our listener.
        TestSetConnectFilter(
            [this](std::string& address, int& port)
            {
                probes.push_back({address, port});
                if (address != answering)
                    return false;
                address = "127.0.0.1";
                port = replyPort;
                return true;
            });
    }

    // Drives the client until the answering probe is accepted by the replier.
    SmartPtr<Connection> AcceptProbe(NetClient& client)
    {
        SmartPtr<Connection> accepted;
        DriveUntil(
            [&]
            {
                client.Update();
                if (!accepted)
                    accepted = replier->Update();
            },
            [&] { return accepted.Get() != nullptr; });
        return accepted;
    }

    SmartPtr<Connection> replier;
    uint16_t replyPort = 0;
    std::string answering = "10.1.2.7";
    std::vector<Probe> probes;
};

Message* Reply(const char* a, const char* b, const char* c, uint32_t v1, uint32_t v2)
{
    Message* message = new Message();
    message->type = NetClient::kServerReply;
    message->WriteString(a);
    message->WriteString(b);
    message->WriteString(c);
    message->WriteInt(v1);
    message->WriteInt(v2);
    return message;
}
} // namespace

TEST_F(NetClientTest, SearchProbesTheOwnSlash24OfPrivateAddressesOnly)
{
    TestSetLocalAddresses({"192.168.1.20", "172.16.0.5", "8.8.4.4", "10.1.2.3"});
    answering = "";
    NetClient client;
    client.SearchLAN();
    EXPECT_EQ(client.GetMode(), NetClient::kSearching);
    ASSERT_EQ(probes.size(), 510u);
    EXPECT_EQ(client.GetProbeCount(), 510u);
    for (int h = 1; h <= 255; ++h)
    {
        EXPECT_EQ(probes[h - 1].address, "192.168.1." + std::to_string(h));
        EXPECT_EQ(probes[254 + h].address, "10.1.2." + std::to_string(h));
        EXPECT_EQ(probes[h - 1].port, 1337);
    }
    // Held probes stay connecting; nothing is reported.
    client.Update();
    EXPECT_TRUE(spy.calls.empty());
    client.StopSearch();
    EXPECT_EQ(client.GetMode(), NetClient::kIdle);
    EXPECT_EQ(client.GetProbeCount(), 0u);
}

TEST_F(NetClientTest, SearchEndsAfterItsTimeoutAndDropsTheProbes)
{
    TestSetLocalAddresses({"10.9.8.7"});
    answering = "";
    TestSetClock(100000);
    NetClient client;
    client.SearchLAN();
    ASSERT_EQ(client.GetProbeCount(), 255u);
    TestSetClock(120000);
    client.Update();
    EXPECT_EQ(client.GetMode(), NetClient::kSearching);
    EXPECT_EQ(client.GetProbeCount(), 255u);
    TestSetClock(120001);
    client.Update();
    EXPECT_EQ(client.GetMode(), NetClient::kIdle);
    EXPECT_EQ(client.GetProbeCount(), 0u);

    // Without addresses the search has no probes and still times out.
    TestSetLocalAddresses({});
    client.SearchLAN();
    EXPECT_EQ(client.GetMode(), NetClient::kSearching);
    EXPECT_EQ(client.GetProbeCount(), 0u);
}

TEST_F(NetClientTest, FirstReplyOnAProbeReportsTheServerOnce)
{
    TestSetLocalAddresses({"10.1.2.3"});
    NetClient client;
    client.SearchLAN();
    SmartPtr<Connection> host = AcceptProbe(client);
    ASSERT_TRUE(host);

    SendNew(*host, MakeMessage(2, {1, 2, 3}));
    SmartPtr<Message> reply(Reply("Tolvi", "map", "extra", 3, 16));
    host->SendNow(reply.Get());
    host->SendNow(reply.Get());

    ASSERT_TRUE(
        DriveUntil([&] { client.Update(); }, [&] { return spy.Count("ServerFound") == 1; }));
    for (int i = 0; i < 20; ++i)
        client.Update();
    ASSERT_EQ(spy.found.size(), 1u);
    ServerInfo* info = spy.found[0].Get();
    EXPECT_EQ(info->text1, "Tolvi");
    EXPECT_EQ(info->text2, "map");
    EXPECT_EQ(info->text3, "extra");
    EXPECT_EQ(info->value1, 3u);
    EXPECT_EQ(info->value2, 16u);
    EXPECT_EQ(info->address, "127.0.0.1");
    EXPECT_EQ(info->port, 1337);
    EXPECT_EQ(client.GetProbeCount(), 254u) << "the answering probe is closed and removed";
}

// A reply that ends before its fields, or whose text lacks its terminating
// zero, would read outside the message; it is dropped and the probe waits on.
TEST_F(NetClientTest, RepliesThatOverrunAreDropped)
{
    TestSetLocalAddresses({"10.1.2.3"});
    NetClient client;
    client.SearchLAN();
    SmartPtr<Connection> host = AcceptProbe(client);
    ASSERT_TRUE(host);

    LogCapture log;
    SmartPtr<Message> empty(MakeMessage(NetClient::kServerReply, {}));
    SmartPtr<Message> unterminated(MakeMessage(NetClient::kServerReply, {'a', 'b', 'c'}));
    SmartPtr<Message> short_(MakeMessage(NetClient::kServerReply, {'a', 0, 'b', 0, 'c', 0, 1, 0}));
    host->SendNow(empty.Get());
    host->SendNow(unterminated.Get());
    host->SendNow(short_.Get());
    std::vector<std::string> warnings;
    ASSERT_TRUE(DriveUntil([&] { client.Update(); },
                           [&]
                           {
                               warnings = log.LinesWith("malformed server reply");
                               return warnings.size() == 3;
                           }));
    EXPECT_EQ(warnings[0], "Warning: malformed server reply from 127.0.0.1 dropped.");
    EXPECT_EQ(spy.Count("ServerFound"), 0);
    EXPECT_EQ(client.GetProbeCount(), 255u);

    SendNew(*host, Reply("", "", "", 0, 0));
    ASSERT_TRUE(
        DriveUntil([&] { client.Update(); }, [&] { return spy.Count("ServerFound") == 1; }));
}

// A server found is reported as its probe is removed and before the search's
// time-out is checked: even in the update that ends the search, the hook sees
// it running with the other probes still there.
TEST_F(NetClientTest, ServerFoundIsReportedBeforeTheSearchTimesOut)
{
    TestSetLocalAddresses({"10.1.2.3"});
    NetClient client;
    int modeSeen = -1;
    size_t probesSeen = 0;
    spy.then = [&](const HookRecord&)
    {
        modeSeen = client.GetMode();
        probesSeen = client.GetProbeCount();
    };
    // The reply has to be waiting when the last update of the search runs.
    // Loopback delivers it at once; a rare attempt where it was late is repeated.
    for (int attempt = 0; attempt < 10 && spy.Count("ServerFound") == 0; ++attempt)
    {
        TestSetClock(100000);
        client.SearchLAN();
        SmartPtr<Connection> host = AcceptProbe(client);
        ASSERT_TRUE(host);
        SendNew(*host, Reply("Tolvi", "", "", 0, 0));
        TestSetClock(120001);
        client.Update();
        ASSERT_EQ(client.GetMode(), NetClient::kIdle);
    }
    ASSERT_EQ(spy.Count("ServerFound"), 1);
    EXPECT_EQ(modeSeen, NetClient::kSearching);
    EXPECT_EQ(probesSeen, 254u);
    EXPECT_EQ(client.GetProbeCount(), 0u);
}

// The hook may stop the search it is told about, or start another.
TEST_F(NetClientTest, HookMayStopOrRestartTheSearch)
{
    TestSetLocalAddresses({"10.1.2.3"});
    for (bool restart : {false, true})
    {
        SCOPED_TRACE(restart);
        NetClient client;
        spy.then = [&](const HookRecord&)
        {
            if (restart)
                client.SearchLAN();
            else
                client.StopSearch();
        };
        client.SearchLAN();
        SmartPtr<Connection> host = AcceptProbe(client);
        ASSERT_TRUE(host);
        SendNew(*host, Reply("Tolvi", "", "", 0, 0));
        ASSERT_TRUE(
            DriveUntil([&] { client.Update(); }, [&] { return spy.Count("ServerFound") == 1; }));
        EXPECT_EQ(client.GetMode(), restart ? NetClient::kSearching : NetClient::kIdle);
        EXPECT_EQ(client.GetProbeCount(), restart ? 255u : 0u);
        spy.then = nullptr;
        client.StopSearch();
        spy.calls.clear();
        spy.found.clear();
    }
}
