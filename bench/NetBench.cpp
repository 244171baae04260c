// Messages per second and bytes per second through one framed loopback
// connection, driven by updates as the game drives it, against the same bytes
// through a plain pair of blocking sockets. The counter "vs_plain" is the
// connection's rate divided by the plain pair's for the same batches.
#include "net/Connection.h"
#include "net/NetworkSubsystem.h"
#include "platform/Winsock.h"

#include <benchmark/benchmark.h>

#include <chrono>
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
} // namespace
