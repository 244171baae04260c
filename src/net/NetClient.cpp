#include "net/NetClient.h"

#include "core/Log.h"
#include "net/ModHooks.h"
#include "platform/Winsock.h"

#include <cstdio>
#include <vector>

namespace
{
bool IsClientToServerType(uint32_t type)
{
    return type >= 0x400 && type <= 0x7FF;
}
} // namespace

NetClient* NetClient::Instance()
{
    static NetClient client;
    return &client;
}

NetClient::NetClient() : link(new Connection()) {}

void NetClient::Update()
{
    link->Update();

    while (Message* message = link->PeekIncoming())
    {
        if (IsClientToServerType(message->type))
        {
            WarnNonServerMessage();
        }
        else
        {
            message->sender = -1;
            received.push_back(message);
        }
        link->PopIncoming();
    }
    if (warning.IsReportDue(GetTickCount()))
        ReportUnwarned();
    for (const SmartPtr<Message>& message : received)
        ModHooks::ClientMessage(message.Get());
    received.clear();

    if (mode != kSearching)
        return;

    const uint32_t search = searchNumber;
    for (auto it = probes.begin(); it != probes.end();)
    {
        auto next = std::next(it);
        Connection* probe = it->Get();
        probe->Update();
        if (!probe->IsConnected())
        {
            it = next;
            continue;
        }
        probe->Update();
        SmartPtr<ServerInfo> info;
        while (!info)
        {
            Message* message = probe->PeekIncoming();
            if (!message)
                break;
            if (message->type == kServerReply)
                info = ReadServerReply(message, probe);
            probe->PopIncoming();
        }
        if (info)
        {
            probe->Disconnect();
            probes.erase(it);
            ModHooks::ServerFound(info.Get());
            // The hook started a new search or stopped this one: its probes are gone.
            if (searchNumber != search)
                break;
        }
        it = next;
    }

    if (mode == kSearching && timeGetTime() - searchStart > searchTimeout)
    {
        mode = kIdle;
        probes.clear();
    }
}

void NetClient::WarnNonServerMessage()
{
    if (!warning.Warn(GetTickCount()))
        return;
    ReportUnwarned();
    Log::Printf(Log::Instance(), "Warning: non-server message received.\n");
}

void NetClient::ReportUnwarned()
{
    const uint32_t unwarned = warning.TakeUnwarned();
    if (unwarned == 0)
        return;
    Log::Printf(Log::Instance(), "Warning: %u more non-server messages dropped.\n", unwarned);
}

ServerInfo* NetClient::ReadServerReply(Message* message, Connection* probe) const
{
    std::string text1 = message->ReadString();
    std::string text2 = message->ReadString();
    std::string text3 = message->ReadString();
    uint32_t value1 = message->ReadInt();
    uint32_t value2 = message->ReadInt();
    std::string address = probe->GetPeerAddress();
    if (message->HasOverrun())
    {
        Log::Printf(Log::Instance(), "Warning: malformed server reply from %s dropped.\n",
                    address.c_str());
        return nullptr;
    }
    ServerInfo* info = new ServerInfo();
    info->text1 = text1;
    info->text2 = text2;
    info->text3 = text3;
    info->value1 = value1;
    info->value2 = value2;
    info->address = address;
    info->port = port;
    return info;
}

void NetClient::SendNow(Message* message)
{
    if (message)
        link->SendNow(message);
}

void NetClient::Send(Message* message)
{
    if (message)
        link->Send(message);
}

void NetClient::Connect(const char* host, uint16_t port)
{
    link->Connect(host, port);
}

void NetClient::Disconnect()
{
    link->Disconnect();
}

void NetClient::SearchLAN()
{
    probes.clear();
    ++searchNumber;

    SOCKET query = ::socket(AF_INET, SOCK_STREAM, 0);
    if (query == INVALID_SOCKET)
        return;
    u_long nonBlocking = 1;
    if (ioctlsocket(query, FIONBIO, &nonBlocking) == SOCKET_ERROR)
    {
        closesocket(query);
        return;
    }

    DWORD needed = 0;
    WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, nullptr, 0, &needed, nullptr, nullptr);
    std::vector<char> buffer(needed > sizeof(SOCKET_ADDRESS_LIST) ? needed
                                                                  : sizeof(SOCKET_ADDRESS_LIST));
    DWORD got = 0;
    if (WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer.data(),
                 static_cast<DWORD>(buffer.size()), &got, nullptr, nullptr) == SOCKET_ERROR)
    {
        closesocket(query);
        searchStart = timeGetTime();
        mode = kSearching;
        return;
    }

    const SOCKET_ADDRESS_LIST* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(buffer.data());
    for (int i = 0; i < list->iAddressCount; ++i)
    {
        const SOCKET_ADDRESS& entry = list->Address[i];
        if (!entry.lpSockaddr || entry.iSockaddrLength < static_cast<int>(sizeof(sockaddr_in)))
            continue;
        const sockaddr_in* address = reinterpret_cast<const sockaddr_in*>(entry.lpSockaddr);
        if (address->sin_family != AF_INET)
            continue;
        uint32_t host = ntohl(address->sin_addr.s_addr);
        int a = static_cast<int>(host >> 24);
        int b = static_cast<int>((host >> 16) & 0xFF);
        int c = static_cast<int>((host >> 8) & 0xFF);
        // Only private networks, and of 10.0.0.0/8 only the host's own /24.
        if (!(a == 10 || (a == 192 && b == 168)))
            continue;
        for (int h = 1; h <= 255; ++h)
        {
            char text[16];
            std::snprintf(text, sizeof text, "%d.%d.%d.%d", a, b, c, h);
            SmartPtr<Connection> probe(new Connection());
            probe->Connect(text, port);
            probes.push_back(probe);
        }
    }

    closesocket(query);
    searchStart = timeGetTime();
    mode = kSearching;
}

void NetClient::StopSearch()
{
    probes.clear();
    ++searchNumber;
    mode = kIdle;
}
