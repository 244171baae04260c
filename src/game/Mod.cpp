#include "game/Mod.h"

Mod* Mod::Instance()
{
    static Mod mod;
    return &mod;
}

// The game answers no network events yet.
void Mod::OnClientMessage(Message*) {}

void Mod::OnServerMessage(Message*) {}

void Mod::OnServerFound(ServerInfo*) {}

void Mod::OnClientConnected(int) {}

void Mod::OnClientDisconnected(int) {}
