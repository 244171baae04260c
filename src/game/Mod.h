// The game module: the one object the game itself lives in. So far it holds the
// hooks through which the network client and server report to the game, the
// handlers the input system calls, and the local player the HUD shows.
#pragma once

#include "core/SmartPtr.h"
#include "game/Player.h"

class Message;
class ServerInfo;

class Mod
{
public:
    static Mod* Instance();

    // Each message from the server, in arrival order; sender is -1. The
    // message is released after the client's update.
    void OnClientMessage(Message* message);
    // Each message from a client; sender is that client's id.
    void OnServerMessage(Message* message);
    // A server found by the LAN search. The record is the hook's to keep: it
    // takes a reference to hold it beyond the call.
    void OnServerFound(ServerInfo* serverInfo);
    // A client was accepted by the server.
    void OnClientConnected(int clientId);
    // A client timed out or its connection was found closed.
    void OnClientDisconnected(int clientId);

    // Called by InputSystem::Update on state changes: a key code 0 to 255 went
    // down or up; relative mouse motion (x first, at least one not 0); a mouse
    // button 0 to 7 went down or up.
    void OnKeyDown(int code);
    void OnKeyUp(int code);
    void OnMouseMove(int dx, int dy);
    void OnMouseDown(int button);
    void OnMouseUp(int button);
    // A typed character, from the window procedure through InputSystem::OnChar.
    void OnChar(char c);

    // The local player, for the HUD's player block; null while there is none.
    Player* GetPlayer() const { return localPlayer.Get(); }

    // Nothing in the game sets it yet.
    SmartPtr<Player> localPlayer;
};
