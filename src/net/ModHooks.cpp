#include "net/ModHooks.h"

#include "game/Mod.h"

namespace
{
ModHookSpy* g_spy = nullptr;
} // namespace

namespace ModHooks
{
void ClientMessage(Message* message)
{
    Mod::Instance()->OnClientMessage(message);
    if (g_spy)
        g_spy->ClientMessage(message);
}

void ServerMessage(Message* message)
{
    Mod::Instance()->OnServerMessage(message);
    if (g_spy)
        g_spy->ServerMessage(message);
}

void ServerFound(ServerInfo* serverInfo)
{
    Mod::Instance()->OnServerFound(serverInfo);
    if (g_spy)
        g_spy->ServerFound(serverInfo);
}

void ClientConnected(int clientId)
{
    Mod::Instance()->OnClientConnected(clientId);
    if (g_spy)
        g_spy->ClientConnected(clientId);
}

void ClientDisconnected(int clientId)
{
    Mod::Instance()->OnClientDisconnected(clientId);
    if (g_spy)
        g_spy->ClientDisconnected(clientId);
}
} // namespace ModHooks

void TestSetModHookSpy(ModHookSpy* spy)
{
    g_spy = spy;
}
