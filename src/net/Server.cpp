#include "net/Server.h"

#include "core/Log.h"
#include "net/ModHooks.h"

#include <vector>

Server* Server::Instance()
{
    static Server server;
    return &server;
}

Server::Server() : listener(new Connection()) {}

Server::~Server()
{
    Stop();
}

void Server::Start()
{
    if (running)
        return;
    listener->Listen(port);
    running = true;
}

void Server::Stop()
{
    if (!running)
        return;
    listener->Close();
    running = false;
}

void Server::Update()
{
    CheckClients();
    TakeMessages();

    // Taken out first, so that a hook that sends or kicks cannot disturb the walk.
    std::list<SmartPtr<Message>> messages;
    messages.swap(received);
    for (const SmartPtr<Message>& message : messages)
        ModHooks::ServerMessage(message.Get());

    if (!running)
        return;
    Connection* accepted = listener->Update();
    if (!accepted)
        return;
    SmartPtr<RemoteClient> client(new RemoteClient());
    client->SetConnection(accepted);
    client->SetId(NextClientId());
    clients.push_back(client);
    ModHooks::ClientConnected(client->GetId());
}

void Server::CheckClients()
{
    // Walked from a copy, so that a hook may kick any client, the one it is
    // told about included.
    const std::vector<SmartPtr<RemoteClient>> walk(clients.begin(), clients.end());
    bool hooked = false;
    for (const SmartPtr<RemoteClient>& client : walk)
    {
        if (hooked && !IsListed(client.Get()))
            continue;
        Connection* connection = client->GetConnection();
        connection->Update();
        const int32_t id = client->GetId();
        if (GetTickCount() - connection->GetLastReceiveTime() > timeout)
        {
            ReportUnwarned(client.Get());
            Log::Printf(Log::Instance(), "Client %d dropped. Reason: timeout limit reached.\n", id);
        }
        else if (!connection->IsConnected())
        {
            ReportUnwarned(client.Get());
            Log::Printf(Log::Instance(), "Client %d has disconnected.\n", id);
        }
        else
        {
            continue;
        }
        ModHooks::ClientDisconnected(id);
        hooked = true;
        Remove(client.Get());
    }
}

void Server::TakeMessages()
{
    for (const SmartPtr<RemoteClient>& client : clients)
    {
        Connection* connection = client->GetConnection();
        while (Message* message = connection->PeekIncoming())
        {
            if (message->type < 0x400)
            {
                WarnNonClientMessage(client.Get());
            }
            else
            {
                message->sender = client->GetId();
                received.push_back(message);
            }
            connection->PopIncoming();
        }
        if (client->warning.IsReportDue(GetTickCount()))
            ReportUnwarned(client.Get());
    }
}

void Server::WarnNonClientMessage(RemoteClient* client)
{
    if (!client->warning.Warn(GetTickCount()))
        return;
    ReportUnwarned(client);
    Log::Printf(Log::Instance(), "Warning: non-client message from %s received.\n",
                client->GetConnection()->GetPeerAddress().c_str());
}

void Server::ReportUnwarned(RemoteClient* client)
{
    const uint32_t unwarned = client->warning.TakeUnwarned();
    if (unwarned == 0)
        return;
    Log::Printf(Log::Instance(), "Warning: %u more non-client messages from client %d dropped.\n",
                unwarned, client->GetId());
}

bool Server::IsListed(const RemoteClient* client) const
{
    for (const SmartPtr<RemoteClient>& listed : clients)
    {
        if (listed.Get() == client)
            return true;
    }
    return false;
}

void Server::Remove(const RemoteClient* client)
{
    for (auto it = clients.begin(); it != clients.end(); ++it)
    {
        if (it->Get() == client)
        {
            clients.erase(it);
            return;
        }
    }
}

size_t Server::GetBufferedBytes() const
{
    size_t bytes = 0;
    for (const SmartPtr<RemoteClient>& client : clients)
        bytes += client->GetConnection()->GetBufferedBytes();
    return bytes;
}

void Server::SendTo(Message* message, int32_t clientId)
{
    if (!message)
        return;
    if (RemoteClient* client = FindClient(clientId))
        client->GetConnection()->Send(message);
}

void Server::SendToNow(Message* message, int32_t clientId)
{
    if (!message)
        return;
    if (RemoteClient* client = FindClient(clientId))
        client->GetConnection()->SendNow(message);
}

void Server::Broadcast(Message* message)
{
    if (!message)
        return;
    for (const SmartPtr<RemoteClient>& client : clients)
        client->GetConnection()->Send(message);
}

void Server::BroadcastNow(Message* message)
{
    if (!message)
        return;
    for (const SmartPtr<RemoteClient>& client : clients)
        client->GetConnection()->SendNow(message);
}

void Server::Kick(int32_t clientId)
{
    for (auto it = clients.begin(); it != clients.end(); ++it)
    {
        if ((*it)->GetId() == clientId)
        {
            clients.erase(it);
            return;
        }
    }
}

RemoteClient* Server::FindClient(int32_t clientId) const
{
    for (const SmartPtr<RemoteClient>& client : clients)
    {
        if (client->GetId() == clientId)
            return client.Get();
    }
    return nullptr;
}
