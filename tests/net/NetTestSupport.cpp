#include "NetTestSupport.h"

#include "net/NetworkSubsystem.h"
#include "platform/SocketTestHooks.h"
#include "platform/TestHooks.h"

namespace
{
// No test in this program may open a connection beyond loopback; the LAN
// search tests inject their addresses and hold their probes.
const bool g_loopbackOnly = (TestAllowOnlyLoopback(true), true);
} // namespace

void NetTest::SetUp()
{
    (void)g_loopbackOnly;
    NetworkSubsystem::Instance()->Init();
    TestSetModHookSpy(&spy);
}

void NetTest::TearDown()
{
    TestSetModHookSpy(nullptr);
    TestClearConnectFilter();
    TestUseRealLocalAddresses();
    TestUseRealClock();
    spy.found.clear();
    RefObject::CollectGarbage();
    NetworkSubsystem::Instance()->Shutdown();
}

bool DriveUntil(const std::function<void()>& step, const std::function<bool()>& done,
                int milliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;)
    {
        step();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

SOCKET RawConnect(uint16_t port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool RawSend(SOCKET s, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        int sent = send(s, reinterpret_cast<const char*>(bytes.data() + done),
                        static_cast<int>(bytes.size() - done), 0);
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

void AppendWord(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> Frame(uint32_t type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> bytes;
    AppendWord(bytes, static_cast<uint32_t>(payload.size()));
    AppendWord(bytes, type);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

Message* MakeMessage(uint32_t type, const std::vector<uint8_t>& payload)
{
    Message* message = new Message();
    message->type = type;
    if (payload.size() > message->GetCapacity())
        message->Grow(static_cast<uint32_t>(payload.size()));
    for (uint8_t byte : payload)
        message->WriteByte(byte);
    return message;
}
