// The client side of the network: the link to a server, whose messages go to
// the game module, and the search of the local private networks for servers.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "net/Connection.h"
#include "net/Message.h"
#include "net/WarningThrottle.h"

#include <cstdint>
#include <list>
#include <string>

// One server found by the LAN search.
class ServerInfo : public RefObject
{
public:
    std::string text2;
    std::string text1;
    std::string text3;
    // Dotted IPv4 address of the host that answered.
    std::string address;
    uint32_t value1 = 0;
    uint32_t value2 = 0;
    // The port that was probed.
    uint16_t port = 0;
};

class NetClient
{
public:
    enum Mode
    {
        kIdle = 0,
        kSearching = 1,
        // Set by SetMode2; the update treats it as idle.
        kMode2 = 2
    };

    static const uint16_t kDefaultPort = 1337;
    // Message type of a LAN-search reply: text1, text2, text3, value1, value2.
    static const uint32_t kServerReply = 1;

    static NetClient* Instance();
    NetClient();

    // Once per frame: pumps the link, hands the server's messages to the game
    // module, and polls the search's probes. Messages of the client's range
    // from the server are dropped with a warning at most once a second; the
    // count of those dropped in between follows once the second is over. A
    // server found is reported as its probe is removed, before the search's
    // time-out is checked; the hook may stop the search or start another.
    void Update();

    // Null messages are ignored. Without a link the frame goes nowhere.
    void SendNow(Message* message);
    void Send(Message* message);
    void Connect(const char* host, uint16_t port);
    void Disconnect();

    // Probes hosts 1 to 255 of the /24 network of each local address in
    // 10.0.0.0/8 and 192.168.0.0/16 on the port; each host that replies is
    // reported once. The search ends after searchTimeout ms.
    void SearchLAN();
    void StopSearch();
    void SetMode2() { mode = kMode2; }

    int GetMode() const { return mode; }
    uint16_t GetPort() const { return port; }
    void SetPort(uint16_t newPort) { port = newPort; }
    size_t GetProbeCount() const { return probes.size(); }
    Connection* GetLink() const { return link.Get(); }

private:
    // Reads a server reply into a record; null when the reply over-runs.
    ServerInfo* ReadServerReply(Message* message, Connection* probe) const;
    void WarnNonServerMessage();
    // Writes the count of messages dropped without a warning.
    void ReportUnwarned();

    int32_t mode = kIdle;
    DWORD searchStart = 0;
    DWORD searchTimeout = 20000;
    uint16_t port = kDefaultPort;
    SmartPtr<Connection> link;
    std::list<SmartPtr<Connection>> probes;
    std::list<SmartPtr<Message>> received;
    // The warning about messages of the client's range from the server.
    WarningThrottle warning;
    // Counts the times the probes were dropped, so that the walk over them
    // knows when a hook has done so.
    uint32_t searchNumber = 0;
};
