// The five calls that the network client and server make into the game
// module, in one place, so that tests can watch them: each goes to the Mod,
// then to the spy if one is set.
#pragma once

class Message;
class ServerInfo;

namespace ModHooks
{
void ClientMessage(Message* message);
void ServerMessage(Message* message);
void ServerFound(ServerInfo* serverInfo);
void ClientConnected(int clientId);
void ClientDisconnected(int clientId);
} // namespace ModHooks

// Sees each hook call after the Mod has. Only tests set one.
class ModHookSpy
{
public:
    virtual ~ModHookSpy() = default;
    virtual void ClientMessage(Message*) {}
    virtual void ServerMessage(Message*) {}
    virtual void ServerFound(ServerInfo*) {}
    virtual void ClientConnected(int) {}
    virtual void ClientDisconnected(int) {}
};

// Null removes the spy. The caller keeps ownership.
void TestSetModHookSpy(ModHookSpy* spy);
