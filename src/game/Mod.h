// The game module: the one object the game itself lives in. So far it holds the
// hooks through which the network client and server report to the game.
#pragma once

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
};
