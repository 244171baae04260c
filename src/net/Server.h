// The host side of the network: listens on a port, accepts clients with
// increasing ids, hands their messages to the game module and drops clients
// that fall silent.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "net/Connection.h"
#include "net/Message.h"
#include "net/WarningThrottle.h"

#include <cstdint>
#include <list>
#include <string>

// The server's record of one client.
class RemoteClient : public RefObject
{
public:
    void SetId(int32_t newId) { id = newId; }
    int32_t GetId() const { return id; }
    void SetConnection(Connection* newConnection) { connection = newConnection; }
    Connection* GetConnection() const { return connection.Get(); }

private:
    friend class Server;

    int32_t id = 0;
    SmartPtr<Connection> connection;
    // The warning about messages of the server's range, once a second per
    // client; those dropped in between are counted.
    WarningThrottle warning;
};

class Server
{
public:
    static const uint16_t kDefaultPort = 1337;
    static const DWORD kDefaultTimeout = 1000000;

    static Server* Instance();
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on the port; running is set even when the listen failed.
    void Start();
    // Closes the listener only; connected clients stay.
    void Stop();
    // Called by the Kernel at most once per millisecond: checks and pumps the
    // clients, hands their messages to the game module, accepts one client.
    // A client that has timed out or closed is logged and reported to the
    // game module while it can still be found, then removed.
    void Update();

    // Null messages and unknown ids are ignored.
    void SendTo(Message* message, int32_t clientId);
    void SendToNow(Message* message, int32_t clientId);
    void Broadcast(Message* message);
    void BroadcastNow(Message* message);
    // Removes the client without a word; its connection closes with the record.
    void Kick(int32_t clientId);
    RemoteClient* FindClient(int32_t clientId) const;
    // The id for the next accepted client; ids are never reused.
    int32_t NextClientId() { return nextClientId++; }

    void SetPort(uint16_t newPort) { port = newPort; }
    void SetMaxClients(int32_t count) { maxClients = count; }
    void SetName(const char* newName) { name = newName ? newName : ""; }
    const char* GetName() const { return name.c_str(); }
    void SetTimeout(DWORD milliseconds) { timeout = milliseconds; }
    bool IsRunning() const { return running; }
    // The port the listener is bound to; 0 when it is not listening.
    uint16_t GetListenPort() const { return listener->GetLocalPort(); }
    size_t GetClientCount() const { return clients.size(); }
    // Bytes the clients' connections hold allocated for their queues.
    size_t GetBufferedBytes() const;

private:
    void CheckClients();
    void TakeMessages();
    void WarnNonClientMessage(RemoteClient* client);
    // Writes the count of one client's messages dropped without a warning.
    void ReportUnwarned(RemoteClient* client);
    bool IsListed(const RemoteClient* client) const;
    void Remove(const RemoteClient* client);

    bool running = false;
    // Not read: any number of clients is accepted.
    int32_t maxClients = 16;
    uint16_t port = kDefaultPort;
    int32_t nextClientId = 0;
    DWORD timeout = kDefaultTimeout;
    std::string name;
    SmartPtr<Connection> listener;
    std::list<SmartPtr<RemoteClient>> clients;
    std::list<SmartPtr<Message>> received;
};
