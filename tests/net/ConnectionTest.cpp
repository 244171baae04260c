#include "NetTestSupport.h"
#include "support/LogCapture.h"
#include "support/LoopbackPeer.h"

#include "net/Connection.h"
#include "platform/SocketTestHooks.h"

#include <algorithm>
#include <cstring>

namespace
{
class ConnectionTest : public NetTest
{
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        listener = new Connection();
        listener->Listen(0);
        ASSERT_EQ(listener->GetState(), Connection::kListening);
        port = listener->GetLocalPort();
        ASSERT_NE(port, 0);
    }

    // The listener's next peer, waited for.
    SmartPtr<Connection> AcceptOne()
    {
        SmartPtr<Connection> accepted;
        DriveUntil([&] { accepted = listener->Update(); },
                   [&] { return accepted.Get() != nullptr; });
        return accepted;
    }

    // A connecting Connection and its accepted partner, both connected.
    void MakePair(SmartPtr<Connection>& client, SmartPtr<Connection>& server)
    {
        client = new Connection();
        client->Connect("127.0.0.1", port);
        ASSERT_EQ(client->GetState(), Connection::kConnecting);
        server = AcceptOne();
        ASSERT_TRUE(server);
        ASSERT_TRUE(DriveUntil([&] { client->Update(); }, [&] { return client->IsConnected(); }));
        EXPECT_EQ(client->GetState(), Connection::kConnected);
    }

    // Takes every queued message, adding the payloads to *payloads (when given)
    // and the types to *types; returns how many there were.
    static size_t Drain(Connection* connection, std::vector<uint32_t>* types,
                        std::vector<std::vector<uint8_t>>* payloads = nullptr)
    {
        size_t count = 0;
        for (; Message* message = connection->PeekIncoming(); ++count)
        {
            if (payloads)
                payloads->emplace_back(message->GetBuffer(),
                                       message->GetBuffer() + message->GetPayloadSize());
            if (types)
                types->push_back(message->type);
            connection->PopIncoming();
        }
        return count;
    }

    // Updates both ends until the server has received at least count payloads,
    // collected in got (and their types, if asked for); true if they came in time.
    static bool PumpUntilReceived(Connection* client, Connection* server, size_t count,
                                  std::vector<std::vector<uint8_t>>* got,
                                  std::vector<uint32_t>* types, int milliseconds = 1500)
    {
        return DriveUntil(
            [&]
            {
                client->Update();
                server->Update();
            },
            [&]
            {
                Drain(server, types, got);
                return got->size() >= count;
            },
            milliseconds);
    }

    SmartPtr<Connection> listener;
    uint16_t port = 0;
};

std::vector<uint8_t> Pattern(size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i)
    {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}
} // namespace

TEST_F(ConnectionTest, FramesSplitAtEveryByteBoundaryArriveWholeAndInOrder)
{
    const int peer = LoopbackConnect(port);
    ASSERT_GE(peer, 0);
    SmartPtr<Connection> server = AcceptOne();
    ASSERT_TRUE(server);

    // Two frames, the second empty, so splits fall in every field of both.
    std::vector<uint8_t> stream = Frame(0x801, {'h', 'e', 'l', 'l', 'o'});
    AppendFrame(stream, 0x802);

    for (size_t split = 1; split < stream.size(); ++split)
    {
        SCOPED_TRACE(split);
        // Once the bytes have arrived, no frame may come out before it is complete.
        ASSERT_TRUE(LoopbackSendDelivered(
            peer, std::vector<uint8_t>(stream.begin(), stream.begin() + split), 1000));
        server->Update();
        std::vector<uint32_t> types;
        std::vector<std::vector<uint8_t>> got;
        ASSERT_EQ(Drain(server.Get(), &types, &got), split >= 13 ? 1u : 0u);

        ASSERT_TRUE(LoopbackSendDelivered(
            peer, std::vector<uint8_t>(stream.begin() + split, stream.end()), 1000));
        ASSERT_TRUE(DriveUntil([&] { server->Update(); },
                               [&] { return Drain(server.Get(), &types, &got), got.size() == 2; }));
        ASSERT_EQ(types, (std::vector<uint32_t>{0x801, 0x802}));
        EXPECT_EQ(got[0], (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
        EXPECT_TRUE(got[1].empty());
    }
    LoopbackClose(peer);
}

TEST_F(ConnectionTest, SeveralFramesInOneReadAndAZeroLengthFrame)
{
    SOCKET peer = RawConnect(port);
    ASSERT_NE(peer, INVALID_SOCKET);
    SmartPtr<Connection> server = AcceptOne();
    ASSERT_TRUE(server);

    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < 50; ++i)
        AppendFrame(bytes, 0x800 + i, Pattern(i, i));
    ASSERT_TRUE(RawSend(peer, bytes));

    std::vector<uint32_t> types;
    std::vector<std::vector<uint8_t>> payloads;
    ASSERT_TRUE(
        DriveUntil([&] { server->Update(); },
                   [&] { return Drain(server.Get(), &types, &payloads), payloads.size() >= 50; }));
    ASSERT_EQ(payloads.size(), 50u);
    for (uint32_t i = 0; i < 50; ++i)
    {
        EXPECT_EQ(types[i], 0x800 + i);
        EXPECT_EQ(payloads[i], Pattern(i, i));
    }
    // The empty frame is a message of capacity 0 that reads nothing.
    EXPECT_TRUE(payloads[0].empty());
    closesocket(peer);
}

TEST_F(ConnectionTest, FramesOfOneMebibyteAndOfTheLargestAllowedLengthArriveIntact)
{
    for (uint32_t length : {uint32_t(1 << 20), Connection::kMaxFrameLength})
    {
        SmartPtr<Connection> client;
        SmartPtr<Connection> server;
        MakePair(client, server);
        std::vector<uint8_t> big = Pattern(length, length);
        SendNew(*client, MakeMessage(0x900, big));
        std::vector<std::vector<uint8_t>> got;
        ASSERT_TRUE(PumpUntilReceived(client.Get(), server.Get(), 1, &got, nullptr));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_TRUE(got[0] == big) << length;
        EXPECT_EQ(client->GetUnsentBytes(), 0u);
        EXPECT_TRUE(server->IsConnected());
    }
}

// A receiver that stops reading fills the sender's socket: the rest waits in
// the connection and goes out, in order and whole, once the receiver reads.
TEST_F(ConnectionTest, PeerThatStopsReadingLosesNothingAndKeepsTheOrder)
{
    SmartPtr<Connection> client;
    SmartPtr<Connection> server;
    MakePair(client, server);

    const uint32_t frames = 12;
    const size_t size = (1 << 20) + 3; // odd sizes, so socket writes end mid-frame
    for (uint32_t i = 0; i < frames; ++i)
    {
        SmartPtr<Message> message(MakeMessage(0x800 + i, Pattern(size, i)));
        client->SendNow(message.Get());
    }
    EXPECT_GT(client->GetUnsentBytes(), 0u) << "the socket took everything: nothing was tested";

    // A small message sent now must come after all the big ones.
    SendNew(*client, MakeMessage(0xABC, {1, 2, 3}));

    std::vector<uint32_t> types;
    std::vector<std::vector<uint8_t>> got;
    ASSERT_TRUE(PumpUntilReceived(client.Get(), server.Get(), frames + 1, &got, &types, 3000));
    ASSERT_EQ(got.size(), frames + 1);
    for (uint32_t i = 0; i < frames; ++i)
    {
        ASSERT_EQ(types[i], 0x800 + i);
        ASSERT_TRUE(got[i] == Pattern(size, i)) << "frame " << i;
    }
    EXPECT_EQ(types[frames], 0xABCu);
    EXPECT_EQ(client->GetUnsentBytes(), 0u);
}

// A peer that ends the stream, wherever it cuts, has its whole frames
// delivered; the connection closes once they have been taken from the queue.
TEST_F(ConnectionTest, PeerThatClosesIsNoticedAfterItsWholeFrames)
{
    const size_t cuts[] = {0, 2, 6, 50};
    for (size_t cut : cuts)
    {
        SCOPED_TRACE(cut);
        SOCKET peer = RawConnect(port);
        ASSERT_NE(peer, INVALID_SOCKET);
        SmartPtr<Connection> server = AcceptOne();
        ASSERT_TRUE(server);

        std::vector<uint8_t> bytes = Frame(0x801, {9, 9});
        std::vector<uint8_t> next = Frame(0x802, Pattern(100, 1));
        bytes.insert(bytes.end(), next.begin(), next.begin() + static_cast<std::ptrdiff_t>(cut));
        ASSERT_TRUE(RawSend(peer, bytes));
        closesocket(peer);

        ASSERT_TRUE(DriveUntil([&] { server->Update(); },
                               [&] { return server->PeekIncoming() != nullptr; }));
        EXPECT_TRUE(server->IsConnected()) << "closed with a message still queued";
        std::vector<uint32_t> types;
        ASSERT_TRUE(DriveUntil(
            [&]
            {
                Drain(server.Get(), &types);
                server->Update();
            },
            [&] { return !server->IsConnected(); }));
        EXPECT_EQ(types, (std::vector<uint32_t>{0x801}));
        EXPECT_EQ(server->GetState(), Connection::kClosed);
        EXPECT_EQ(server->GetBufferedBytes(), 0u);
    }
}

// A length word with its top bit set stands by itself and is skipped; a
// positive length beyond the limit would leave the connection waiting for a
// frame that cannot come, and closes it.
TEST_F(ConnectionTest, TopBitLengthWordsAreSkippedAndLengthsPastTheLimitClose)
{
    const struct
    {
        uint32_t length;
        bool skipped;
    } cases[] = {
        {0xFFFFFFFFu, true},  {0x80000000u, true},
        {0xFFFFFFF0u, true},  {Connection::kMaxFrameLength + 1, false},
        {0x7FFFFFFFu, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.length);
        LogCapture log;
        SOCKET peer = RawConnect(port);
        ASSERT_NE(peer, INVALID_SOCKET);
        SmartPtr<Connection> server = AcceptOne();
        ASSERT_TRUE(server);

        // Two such words in a row, between two good frames.
        std::vector<uint8_t> bytes = Frame(0x801, {1});
        AppendWord(bytes, c.length);
        AppendWord(bytes, c.length);
        AppendFrame(bytes, 0x802, {2, 3});
        ASSERT_TRUE(RawSend(peer, bytes));

        std::vector<uint32_t> types;
        ASSERT_TRUE(DriveUntil(
            [&]
            {
                server->Update();
                Drain(server.Get(), &types);
            },
            [&] { return !server->IsConnected() || types.size() == 2; }));
        char line[128];
        std::snprintf(line, sizeof line,
                      "Frame length %d from 127.0.0.1 refused; connection closed.",
                      static_cast<int32_t>(c.length));
        if (c.skipped)
        {
            EXPECT_EQ(types, (std::vector<uint32_t>{0x801, 0x802}));
            EXPECT_TRUE(server->IsConnected());
            EXPECT_FALSE(log.Contains("refused")) << log.Text();
        }
        else
        {
            EXPECT_EQ(types, (std::vector<uint32_t>{0x801}))
                << "the good frame before still counts";
            EXPECT_EQ(server->GetState(), Connection::kClosed);
            EXPECT_TRUE(log.Contains(line)) << log.Text();
        }
        closesocket(peer);
    }
}

// One update takes at most its budget of bytes and messages from a peer that
// has sent far more; the rest comes whole and in order in later updates.
TEST_F(ConnectionTest, EachUpdateTakesAtMostItsBudget)
{
    const struct
    {
        size_t payload;
        uint32_t frames;
        size_t mostPerUpdate;
    } cases[] = {
        {0, 3 * Connection::kMessageBudget, Connection::kMessageBudget},
        {64 << 10, 12, Connection::kReadBudget / ((64 << 10) + 8) + 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.payload);
        RawPeer peer;
        ASSERT_TRUE(peer.Open(port));
        SmartPtr<Connection> server = AcceptOne();
        ASSERT_TRUE(server);
        for (uint32_t i = 0; i < c.frames; ++i)
            peer.Queue(Frame(0x800 + i, Pattern(c.payload, i)));

        std::vector<uint32_t> types;
        std::vector<std::vector<uint8_t>> payloads;
        size_t most = 0;
        ASSERT_TRUE(DriveUntil(
            [&]
            {
                peer.Flush();
                server->Update();
                most = std::max(most, Drain(server.Get(), &types, &payloads));
            },
            [&] { return payloads.size() >= c.frames; }, 5000));
        EXPECT_LE(most, c.mostPerUpdate);
        ASSERT_EQ(payloads.size(), c.frames);
        for (uint32_t i = 0; i < c.frames; ++i)
        {
            ASSERT_EQ(types[i], 0x800 + i);
            ASSERT_TRUE(payloads[i] == Pattern(c.payload, i)) << "frame " << i;
        }
    }
}

// A frame that arrives over many updates grows the buffer to what it needs,
// never more, and the buffer is given back once the frame is delivered.
TEST_F(ConnectionTest, LargeFrameBufferStaysWithinTheFrameAndIsGivenBack)
{
    RawPeer peer;
    ASSERT_TRUE(peer.Open(port));
    SmartPtr<Connection> server = AcceptOne();
    ASSERT_TRUE(server);
    const uint32_t length = Connection::kMaxFrameLength;
    std::vector<uint8_t> frame = Frame(0x800, Pattern(length, 5));
    peer.Queue(std::vector<uint8_t>(frame.begin(), frame.end() - 1));

    size_t peak = 0;
    auto step = [&]
    {
        peer.Flush();
        server->Update();
        peak = std::max(peak, server->GetBufferedBytes());
    };
    ASSERT_TRUE(DriveUntil(
        step, [&] { return peer.Pending() == 0 && peak >= length; }, 5000));
    EXPECT_EQ(server->PeekIncoming(), nullptr);
    peer.Queue({frame.back()});
    ASSERT_TRUE(DriveUntil(step, [&] { return server->PeekIncoming() != nullptr; }));
    EXPECT_LE(peak, length + 8);
    const uint8_t* payload = server->PeekIncoming()->GetBuffer();
    EXPECT_TRUE(std::equal(payload, payload + length, frame.begin() + 8));
    EXPECT_EQ(server->GetBufferedBytes(), 0u);
}

TEST_F(ConnectionTest, StatesWithoutAPeer)
{
    // No socket: updates return null, sends keep nothing, no peer address.
    SmartPtr<Connection> idle(new Connection());
    EXPECT_EQ(idle->Update(), nullptr);
    SendNew(*idle, MakeMessage(0x800, {1, 2, 3, 4}));
    EXPECT_EQ(idle->GetUnsentBytes(), 0u);
    EXPECT_EQ(idle->GetPeerAddress(), "");
    EXPECT_EQ(idle->GetState(), Connection::kClosed);

    // Listening twice keeps the first socket; after a close it may listen again.
    uint16_t first = listener->GetLocalPort();
    listener->Listen(0);
    EXPECT_EQ(listener->GetLocalPort(), first);
    EXPECT_EQ(listener->GetPeerAddress(), "");
    listener->Disconnect();
    EXPECT_EQ(listener->GetState(), Connection::kClosed);
    EXPECT_FALSE(listener->IsConnected());
    listener->Listen(first);
    EXPECT_EQ(listener->GetState(), Connection::kListening);
    EXPECT_EQ(listener->GetLocalPort(), first);
}

TEST_F(ConnectionTest, ConnectThatCannotFinishStaysConnecting)
{
    // A port nobody listens on: the connect fails in the background.
    SmartPtr<Connection> spare(new Connection());
    spare->Listen(0);
    uint16_t deadPort = spare->GetLocalPort();
    spare->Disconnect();

    SmartPtr<Connection> refused(new Connection());
    refused->Connect("127.0.0.1", deadPort);
    for (int i = 0; i < 20; ++i)
    {
        refused->Update();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    EXPECT_EQ(refused->GetState(), Connection::kConnecting);
    EXPECT_FALSE(refused->IsConnected());

    // A connect that never completes (held by the test) also stays connecting.
    TestSetConnectFilter([](std::string&, int&) { return false; });
    SmartPtr<Connection> held(new Connection());
    held->Connect("127.0.0.1", port);
    held->Update();
    held->Update();
    EXPECT_EQ(held->GetState(), Connection::kConnecting);
    EXPECT_FALSE(held->IsConnected());

    // Not a dotted address: no socket is kept.
    SmartPtr<Connection> bad(new Connection());
    bad->Connect("not an address", port);
    EXPECT_EQ(bad->GetState(), Connection::kClosed);
}

TEST_F(ConnectionTest, MessagesSentBeforeTheConnectFinishesGoOutAfterIt)
{
    SmartPtr<Connection> client(new Connection());
    client->Connect("127.0.0.1", port);
    SendNew(*client, MakeMessage(0x810, {5}));
    SmartPtr<Connection> server = AcceptOne();
    ASSERT_TRUE(server);
    std::vector<uint32_t> types;
    ASSERT_TRUE(DriveUntil(
        [&]
        {
            client->Update();
            server->Update();
            Drain(server.Get(), &types);
        },
        [&] { return !types.empty(); }));
    EXPECT_EQ(types, (std::vector<uint32_t>{0x810}));
}

// Frames for a peer that never reads are kept only up to a limit; past it the
// peer is given up, rather than letting memory grow without end.
TEST_F(ConnectionTest, PeerThatNeverReadsIsGivenUpPastTheUnsentLimit)
{
    SmartPtr<Connection> client;
    SmartPtr<Connection> server;
    MakePair(client, server);

    LogCapture log;
    SmartPtr<Message> big(MakeMessage(0x800, std::vector<uint8_t>(1 << 20, 0x5A)));
    int sent = 0;
    while (client->IsConnected() && sent < 200)
    {
        client->SendNow(big.Get());
        ++sent;
    }
    EXPECT_FALSE(client->IsConnected());
    EXPECT_GT(sent, static_cast<int>(Connection::kMaxUnsentBytes >> 20));
    EXPECT_EQ(client->GetUnsentBytes(), 0u);
    EXPECT_TRUE(log.Contains("Peer 127.0.0.1 reads nothing; connection closed.\n")) << log.Text();
}
