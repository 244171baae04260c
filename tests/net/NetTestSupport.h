// Shared pieces of the network tests: a fixture with sockets started and a
// spy on the game module's hooks, loops that drive updates until something
// happens (bounded, with short polls), and raw peers for hostile bytes.
#pragma once

#include "core/RefObject.h"
#include "net/Message.h"
#include "net/ModHooks.h"
#include "net/NetClient.h"
#include "net/Server.h"
#include "platform/Winsock.h"
#include "support/RawPeer.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct HookRecord
{
    std::string hook;
    int id = 0;
    uint32_t type = 0;
    int32_t sender = 0;
    std::vector<uint8_t> payload;
    std::string address;
};

class RecordingSpy : public ModHookSpy
{
public:
    void ClientMessage(Message* message) override { Add(Received("ClientMessage", message)); }
    void ServerMessage(Message* message) override { Add(Received("ServerMessage", message)); }
    void ServerFound(ServerInfo* info) override
    {
        found.push_back(info);
        Add({"ServerFound", 0, 0, 0, {}, info->address});
    }
    void ClientConnected(int clientId) override
    {
        Add({"ClientConnected", clientId, 0, 0, {}, {}});
    }
    void ClientDisconnected(int clientId) override
    {
        Add({"ClientDisconnected", clientId, 0, 0, {}, {}});
    }

    int Count(const std::string& hook) const { return static_cast<int>(Of(hook).size()); }
    std::vector<HookRecord> Of(const std::string& hook) const
    {
        std::vector<HookRecord> out;
        for (const HookRecord& record : calls)
            if (record.hook == hook)
                out.push_back(record);
        return out;
    }

    std::vector<HookRecord> calls;
    std::vector<SmartPtr<ServerInfo>> found;
    // Called inside each hook call after it is recorded, for tests that look
    // at the network's state from within a hook.
    std::function<void(const HookRecord&)> then;

private:
    void Add(const HookRecord& record)
    {
        calls.push_back(record);
        if (then)
            then(record);
    }
    static HookRecord Received(const char* hook, Message* message)
    {
        const uint8_t* payload = message->GetBuffer();
        return {
            hook, 0, message->type, message->sender, {payload, payload + message->GetPayloadSize()},
            {}};
    }
};

// Runs step until done() holds, for at most the given time; true if it did.
inline bool DriveUntil(const std::function<void()>& step, const std::function<bool()>& done,
                       int milliseconds = 1500)
{
    return WaitUntil(
        [&]
        {
            step();
            return done();
        },
        milliseconds);
}

class NetTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Stops the program's own server, drops every client it reported and
    // disconnects the program's own client.
    void CloseProgramLinks();

    RecordingSpy spy;
};

// A message of the type with the payload bytes written in.
Message* MakeMessage(uint32_t type, const std::vector<uint8_t>& payload);

// Sends a message made for the purpose with the sender's SendNow, then lets it go.
template <class Sender> void SendNew(Sender& sender, Message* message)
{
    SmartPtr<Message> held(message);
    sender.SendNow(message);
}

// A server listening on a free port of 127.0.0.1.
class ServerTest : public NetTest
{
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        server.SetPort(0);
        server.Start();
        port = server.GetListenPort();
        ASSERT_NE(port, 0);
    }

    // Updates the server until it has accepted `count` clients in all.
    bool AcceptClients(int count)
    {
        return DriveUntil([&] { server.Update(); },
                          [&] { return spy.Count("ClientConnected") >= count; });
    }

    // A NetClient linked to the server, accepted and connected.
    void LinkClient(NetClient& client)
    {
        int before = spy.Count("ClientConnected");
        client.Connect("127.0.0.1", port);
        ASSERT_TRUE(AcceptClients(before + 1));
        ASSERT_TRUE(
            DriveUntil([&] { client.Update(); }, [&] { return client.GetLink()->IsConnected(); }));
    }

    Server server;
    uint16_t port = 0;
};
