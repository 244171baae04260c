// Messages per second and bytes per second through one framed loopback
// connection, driven by updates as the game drives it, against the same bytes
// through a plain pair of blocking sockets. The counter "vs_plain" is the
// connection's rate divided by the plain pair's for the same batches.
// BM_ServerUnderAttack runs the server against hostile peers on 127.0.0.1
// for a few seconds and reports how a good client fares beside them.
#include "core/Log.h"
#include "net/Connection.h"
#include "net/ModHooks.h"
#include "net/NetClient.h"
#include "net/NetworkSubsystem.h"
#include "net/Server.h"
#include "platform/Winsock.h"
#include "support/RawPeer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
// Bytes per batch: small enough that a single thread on blocking sockets never
// waits on itself.
const size_t kBatchBytes = 32 * 1024;

size_t FramesPerBatch(size_t payload)
{
    size_t frames = kBatchBytes / (payload + 8);
    return frames ? frames : 1;
}

struct FramedPair
{
    SmartPtr<Connection> listener;
    SmartPtr<Connection> sender;
    SmartPtr<Connection> receiver;

    bool Open()
    {
        NetworkSubsystem::Instance()->Init();
        listener = new Connection();
        listener->Listen(0);
        sender = new Connection();
        sender->Connect("127.0.0.1", listener->GetLocalPort());
        for (int i = 0; i < 100000 && (!receiver || !sender->IsConnected()); ++i)
        {
            if (!receiver)
                receiver = listener->Update();
            sender->Update();
        }
        return receiver && sender->IsConnected();
    }

    // Sends one batch and updates both ends until all of it has arrived.
    void Batch(Message* message, size_t frames)
    {
        for (size_t i = 0; i < frames; ++i)
            sender->SendNow(message);
        size_t got = 0;
        while (got < frames)
        {
            sender->Update();
            receiver->Update();
            while (receiver->PeekIncoming())
            {
                receiver->PopIncoming();
                ++got;
            }
            // The end of a frame: received messages die here.
            RefObject::CollectGarbage();
        }
    }
};

struct PlainPair
{
    SOCKET a = INVALID_SOCKET;
    SOCKET b = INVALID_SOCKET;

    bool Open()
    {
        SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = 0;
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener, 1);
        int length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        a = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(a, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        if (connect(a, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        b = accept(listener, nullptr, nullptr);
        closesocket(listener);
        return b != INVALID_SOCKET;
    }

    void Close()
    {
        closesocket(a);
        closesocket(b);
    }

    // The same frames as plain bytes, one send each, read back in full.
    void Batch(const std::vector<char>& frame, size_t frames, std::vector<char>& scratch)
    {
        for (size_t i = 0; i < frames; ++i)
            send(a, frame.data(), static_cast<int>(frame.size()), 0);
        size_t left = frame.size() * frames;
        while (left > 0)
        {
            int got = recv(b, scratch.data(), static_cast<int>(scratch.size()), 0);
            if (got <= 0)
                return;
            left -= static_cast<size_t>(got);
        }
    }
};

std::vector<char> PlainFrame(size_t payload)
{
    std::vector<char> frame(payload + 8, 'x');
    return frame;
}

void BM_FramedConnection(benchmark::State& state)
{
    const size_t payload = static_cast<size_t>(state.range(0));
    const size_t frames = FramesPerBatch(payload);
    FramedPair pair;
    if (!pair.Open())
    {
        state.SkipWithError("no loopback connection");
        return;
    }
    SmartPtr<Message> message(new Message(static_cast<uint32_t>(payload)));
    for (size_t i = 0; i < payload; ++i)
        message->WriteByte(static_cast<uint8_t>(i));
    message->type = 0x800;

    // Warm both ends up, so the first batch's buffer growth is not timed.
    pair.Batch(message.Get(), frames);
    int64_t batches = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        pair.Batch(message.Get(), frames);
        ++batches;
    }
    double framed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetItemsProcessed(batches * static_cast<int64_t>(frames));
    state.SetBytesProcessed(batches * static_cast<int64_t>(frames * (payload + 8)));

    PlainPair plain;
    if (plain.Open())
    {
        std::vector<char> frame = PlainFrame(payload);
        std::vector<char> scratch(256 * 1024);
        auto plainStart = std::chrono::steady_clock::now();
        for (int64_t i = 0; i < batches; ++i)
            plain.Batch(frame, frames, scratch);
        double plainTime =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - plainStart).count();
        state.counters["vs_plain"] = framed > 0 ? plainTime / framed : 0.0;
        plain.Close();
    }
    RefObject::CollectGarbage();
    NetworkSubsystem::Instance()->Shutdown();
}
BENCHMARK(BM_FramedConnection)->Arg(4)->Arg(64)->Arg(1024)->Arg(16384)->Arg(65536);

void BM_PlainSocketPair(benchmark::State& state)
{
    const size_t payload = static_cast<size_t>(state.range(0));
    const size_t frames = FramesPerBatch(payload);
    NetworkSubsystem::Instance()->Init();
    PlainPair plain;
    if (!plain.Open())
    {
        state.SkipWithError("no loopback socket pair");
        NetworkSubsystem::Instance()->Shutdown();
        return;
    }
    std::vector<char> frame = PlainFrame(payload);
    std::vector<char> scratch(256 * 1024);
    for (auto _ : state)
        plain.Batch(frame, frames, scratch);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(frames));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frames * (payload + 8)));
    plain.Close();
    NetworkSubsystem::Instance()->Shutdown();
}
BENCHMARK(BM_PlainSocketPair)->Arg(4)->Arg(64)->Arg(1024)->Arg(16384)->Arg(65536);

// Counts what the log would have written.
class CountingLogOutput : public LogOutput
{
public:
    void Open() override {}
    void Close() override {}
    void Write(const char* text) override { bytes += std::strlen(text); }
    size_t bytes = 0;
};

// Echoes the good client's messages at once and counts the other hooks.
class AttackSpy : public ModHookSpy
{
public:
    explicit AttackSpy(Server* server) : server(server) {}
    void ServerMessage(Message* message) override
    {
        if (message->sender == kGoodId)
            server->SendToNow(message, kGoodId);
        else
            ++floodMessages;
    }
    void ClientMessage(Message*) override { ++replies; }
    void ClientConnected(int) override { ++connected; }
    void ClientDisconnected(int) override { ++disconnected; }

    static const int kGoodId = 0;
    Server* server;
    int connected = 0;
    int disconnected = 0;
    int replies = 0;
    size_t floodMessages = 0;
};

// A peer that sends half of a 4 MiB frame, holds it, and goes.
struct HalfFramePeer
{
    RawPeer peer;
    std::chrono::steady_clock::time_point opened;
};

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Arg: the attack's length in milliseconds. Peers that connect and go at once,
// 32 peers that each send half a large frame and go after 500 ms (and are
// replaced), and one peer that floods with empty frames, half of them of the
// server's range. The good client pings and waits for each reply. The series
// on stderr shows the server's buffered bytes, the process's descriptors and
// the clients over time.
void BM_ServerUnderAttack(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const auto length = std::chrono::milliseconds(state.range(0));
    const size_t halfFramePeers = 32;
    // Connects not yet accepted stay within the listen backlog of 5, so no
    // connect waits for a retry.
    const int mostWaiting = 4;

    NetworkSubsystem::Instance()->Init();
    SmartPtr<CountingLogOutput> log(new CountingLogOutput());
    Log::Instance()->AddOutput(log.Get());
    Server server;
    AttackSpy spy(&server);
    TestSetModHookSpy(&spy);
    server.SetPort(0);
    server.Start();
    const uint16_t port = server.GetListenPort();

    NetClient good;
    good.Connect("127.0.0.1", port);
    RawPeer flood;
    for (int i = 0; i < 100000 && (spy.connected < 1 || !good.GetLink()->IsConnected()); ++i)
    {
        server.Update();
        good.Update();
    }
    // The good client's two ends included; the attackers' are not.
    const int descriptorsBefore = CountOpenDescriptors();
    const bool ready = flood.Open(port) && good.GetLink()->IsConnected();

    std::vector<uint8_t> burst;
    for (int i = 0; i < 4096; ++i)
    {
        std::vector<uint8_t> frame = Frame(i % 2 ? 0x3FF : 0x800, {});
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    std::vector<uint8_t> half;
    AppendWord(half, Connection::kMaxFrameLength);
    AppendWord(half, 0x800);
    half.resize(8 + Connection::kMaxFrameLength / 2, 0xAB);

    std::vector<double> rtt;
    std::vector<int> rttUpdates;
    size_t bufferedPeak = 0;
    int descriptorsPeak = 0;
    int opened = 2;
    int churned = 0;
    int64_t updates = 0;
    std::vector<std::unique_ptr<HalfFramePeer>> holders;
    SmartPtr<Message> ping(new Message());
    ping->type = 0x801;
    ping->WriteInt(0);

    std::fprintf(stderr, "%8s %16s %12s %8s\n", "t_ms", "buffered_bytes", "descriptors", "clients");
    for (auto _ : state)
    {
        if (!ready)
        {
            state.SkipWithError("no loopback connection");
            break;
        }
        const Clock::time_point start = Clock::now();
        Clock::time_point nextSample = start;
        Clock::time_point pingSent = start;
        int pingUpdates = 0;
        int expected = spy.replies;
        bool waiting = false;
        while (Clock::now() - start < length)
        {
            const Clock::time_point now = Clock::now();
            for (size_t i = 0; i < holders.size();)
            {
                if (now - holders[i]->opened > std::chrono::milliseconds(500))
                    holders.erase(holders.begin() + static_cast<std::ptrdiff_t>(i));
                else
                    holders[i++]->peer.Flush();
            }
            if (opened - spy.connected < mostWaiting)
            {
                if (holders.size() < halfFramePeers)
                {
                    auto holder = std::make_unique<HalfFramePeer>();
                    holder->opened = now;
                    if (holder->peer.Open(port))
                    {
                        holder->peer.Queue(half);
                        holders.push_back(std::move(holder));
                        ++opened;
                    }
                }
                else
                {
                    SOCKET s = RawConnect(port);
                    if (s != INVALID_SOCKET)
                    {
                        closesocket(s);
                        ++churned;
                        ++opened;
                    }
                }
            }
            if (flood.Pending() < burst.size())
                flood.Queue(burst);
            flood.Flush();

            if (!waiting)
            {
                good.SendNow(ping.Get());
                pingSent = Clock::now();
                pingUpdates = 0;
                expected = spy.replies + 1;
                waiting = true;
            }
            server.Update();
            good.Update();
            RefObject::CollectGarbage();
            ++updates;
            ++pingUpdates;
            if (waiting && spy.replies >= expected)
            {
                rtt.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - pingSent).count());
                rttUpdates.push_back(pingUpdates);
                waiting = false;
            }

            bufferedPeak = std::max(bufferedPeak, server.GetBufferedBytes());
            if (now >= nextSample)
            {
                const int descriptors = CountOpenDescriptors();
                descriptorsPeak = std::max(descriptorsPeak, descriptors);
                std::fprintf(stderr, "%8.0f %16zu %12d %8zu\n",
                             std::chrono::duration<double, std::milli>(now - start).count(),
                             server.GetBufferedBytes(), descriptors, server.GetClientCount());
                nextSample += std::chrono::milliseconds(250);
            }
        }
    }

    // The attackers go; what they held must come back.
    holders.clear();
    flood.Close();
    for (int i = 0; i < 100000 && server.GetClientCount() > 1; ++i)
    {
        server.Update();
        RefObject::CollectGarbage();
    }

    state.counters["rtt_median_ms"] = Percentile(rtt, 0.5);
    state.counters["rtt_worst_ms"] = Percentile(rtt, 1.0);
    state.counters["rtt_worst_updates"] =
        rttUpdates.empty() ? 0 : *std::max_element(rttUpdates.begin(), rttUpdates.end());
    state.counters["pings"] = static_cast<double>(rtt.size());
    state.counters["updates"] = static_cast<double>(updates);
    state.counters["churned"] = churned;
    state.counters["flood_msgs"] = static_cast<double>(spy.floodMessages);
    state.counters["log_KiB"] = static_cast<double>(log->bytes) / 1024.0;
    state.counters["buffered_peak_MiB"] = static_cast<double>(bufferedPeak) / (1 << 20);
    state.counters["buffered_after_KiB"] = static_cast<double>(server.GetBufferedBytes()) / 1024.0;
    state.counters["fds_before"] = descriptorsBefore;
    state.counters["fds_peak"] = descriptorsPeak;
    state.counters["fds_after"] = CountOpenDescriptors();
    state.counters["clients_after"] = static_cast<double>(server.GetClientCount());

    TestSetModHookSpy(nullptr);
    Log::Instance()->RemoveOutput(log.Get());
    good.Disconnect();
    server.Stop();
    RefObject::CollectGarbage();
    NetworkSubsystem::Instance()->Shutdown();
}
BENCHMARK(BM_ServerUnderAttack)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
