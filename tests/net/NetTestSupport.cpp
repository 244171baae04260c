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
    spy.then = nullptr;
    RefObject::CollectGarbage();
    NetworkSubsystem::Instance()->Shutdown();
}

void NetTest::CloseProgramLinks()
{
    Server* server = Server::Instance();
    server->Stop();
    for (const HookRecord& record : spy.Of("ClientConnected"))
        server->Kick(record.id);
    NetClient::Instance()->Disconnect();
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
