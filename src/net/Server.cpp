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
    // Reported after the walk, so that a hook that kicks cannot disturb it.
    std::vector<int32_t> dropped;
    for (auto it = clients.begin(); it != clients.end();)
    {
        auto next = std::next(it);
        RemoteClient* client = it->Get();
        Connection* connection = client->GetConnection();
        connection->Update();
        if (GetTickCount() - connection->GetLastReceiveTime() > timeout)
        {
            Log::Printf(Log::Instance(), "Client %d dropped. Reason: timeout limit reached.\n",
                        client->GetId());
            dropped.push_back(client->GetId());
            clients.erase(it);
        }
        else if (!connection->IsConnected())
        {
            Log::Printf(Log::Instance(), "Client %d has disconnected.\n", client->GetId());
            dropped.push_back(client->GetId());
            clients.erase(it);
        }
        it = next;
    }
    for (int32_t id : dropped)
        ModHooks::ClientDisconnected(id);

    for (const SmartPtr<RemoteClient>& client : clients)
    {
        Connection* connection = client->GetConnection();
        while (Message* message = connection->PeekIncoming())
        {
            if (message->type < 0x400)
            {
                Log::Printf(Log::Instance(), "Warning: non-client message from %s received.\n",
                            connection->GetPeerAddress().c_str());
            }
            else
            {
                message->sender = client->GetId();
                received.push_back(message);
            }
            connection->PopIncoming();
        }
    }

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
