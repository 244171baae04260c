#include "net/Connection.h"

#include "core/Log.h"
#include "net/NetworkSubsystem.h"

#include <algorithm>
#include <cstring>

namespace
{
// Bytes read ahead of the frame in progress, so that small frames come in
// with one read.
const size_t kReadAhead = 64 * 1024;
// A queue that runs empty keeps at most this much of its storage: one
// read-ahead and the next length word.
const size_t kKeptCapacity = kReadAhead + 8;
// Reads of the socket per update: the budget of bytes takes a few; this
// bounds the calls a peer can cause with words that are skipped.
const int kMostReads = 16;
// A length word with this bit set stands by itself.
const uint32_t kSkippedWordBit = 0x80000000u;

bool SocketsReady()
{
    return NetworkSubsystem::Instance()->IsReady();
}

uint32_t DecodeWord(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void EncodeWord(uint32_t value, uint8_t* bytes)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

sockaddr_in MakeAddress(uint32_t host, uint16_t port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = host;
    address.sin_port = htons(port);
    return address;
}

// Gives a queue's storage back, unless it is small enough to keep.
void GiveBack(std::vector<uint8_t>& bytes)
{
    if (bytes.capacity() > kKeptCapacity)
        std::vector<uint8_t>().swap(bytes);
    else
        bytes.clear();
}

// Drops the consumed front of a byte queue once it is worth the copy.
void Compact(std::vector<uint8_t>& bytes, size_t& start)
{
    if (start == bytes.size())
    {
        GiveBack(bytes);
        start = 0;
    }
    else if (start >= kReadAhead && start >= bytes.size() / 2)
    {
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));
        start = 0;
    }
}
} // namespace

Connection::Connection() : lastReceive(GetTickCount()) {}

Connection::~Connection()
{
    Disconnect();
}

void Connection::Connect(const char* host, uint16_t port)
{
    if (socket != INVALID_SOCKET || !SocketsReady() || !host)
        return;
    // Not a dotted address: a connect to the all-ones broadcast would follow.
    const uint32_t address = inet_addr(host);
    if (address == INADDR_NONE)
        return;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return;
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR)
    {
        closesocket(s);
        return;
    }
    sockaddr_in peer = MakeAddress(address, port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK)
    {
        closesocket(s);
        return;
    }
    socket = s;
    state = kConnecting;
}

void Connection::Listen(uint16_t port)
{
    if (state == kListening || !SocketsReady())
        return;
    // A socket still open from a connect would otherwise be lost.
    Disconnect();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return;
    u_long nonBlocking = 1;
    sockaddr_in address = MakeAddress(INADDR_ANY, port);
    if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR ||
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR ||
        ::listen(s, 5) == SOCKET_ERROR)
    {
        closesocket(s);
        return;
    }
    socket = s;
    state = kListening;
    connected = true;
}

Connection* Connection::Update()
{
    if (socket == INVALID_SOCKET)
        return nullptr;
    switch (state)
    {
    case kListening:
        return Accept();
    case kConnecting:
        CheckConnected();
        return nullptr;
    case kConnected:
        Pump();
        return nullptr;
    default:
        return nullptr;
    }
}

Connection* Connection::Accept()
{
    SOCKET s = ::accept(socket, nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return nullptr;
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    sockaddr_in peer = {};
    int length = sizeof peer;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
        Log::Printf(Log::Instance(), "Client at %s:%d has connected.\n", inet_ntoa(peer.sin_addr),
                    ntohs(peer.sin_port));
    Connection* accepted = new Connection();
    accepted->AttachSocket(s);
    accepted->state = kConnected;
    accepted->connected = true;
    return accepted;
}

void Connection::CheckConnected()
{
    char none = 0;
    if (::recv(socket, &none, 0, 0) == 0 || WSAGetLastError() == WSAEWOULDBLOCK)
    {
        connected = true;
        state = kConnected;
    }
    else
    {
        connected = false;
    }
}

void Connection::Pump()
{
    if (!connected)
        return;
    Receive();
    if (!connected)
        return;
    FlushUnsent();
    while (!outgoing.empty())
    {
        SendNow(outgoing.front().Get());
        outgoing.pop_front();
    }
}

void Connection::Receive()
{
    size_t bytesLeft = kReadBudget;
    uint32_t messagesLeft = kMessageBudget;
    for (int reads = 0;; ++reads)
    {
        if (!TakeFrames(messagesLeft))
            return;
        if (messagesLeft == 0 || bytesLeft == 0 || reads == kMostReads)
            break;
        const size_t want = std::min(bytesLeft, ReadLimit());
        // A read of nothing would be taken for a test of the connection.
        if (want == 0)
            break;
        MakeRoom(want);
        const int got = ::recv(socket, reinterpret_cast<char*>(inbox.data() + inboxEnd),
                               static_cast<int>(want), 0);
        if (got > 0)
        {
            inboxEnd += static_cast<size_t>(got);
            bytesLeft -= static_cast<size_t>(got);
            continue;
        }
        // The end of the stream (read again at every later update), or a
        // reset: the peer is gone. What it sent before goes to the owner
        // first, so the close waits until the queue is empty.
        if ((got == 0 || WSAGetLastError() != WSAEWOULDBLOCK) && incoming.empty())
        {
            Disconnect();
            return;
        }
        break;
    }
    if (inboxStart == inboxEnd)
    {
        inboxStart = 0;
        inboxEnd = 0;
        if (inbox.capacity() > kKeptCapacity)
            std::vector<uint8_t>().swap(inbox);
    }
}

bool Connection::TakeFrames(uint32_t& messagesLeft)
{
    while (messagesLeft > 0)
    {
        size_t waiting = inboxEnd - inboxStart;
        if (pendingLength < 0)
        {
            if (waiting < 4)
                break;
            const uint32_t word = DecodeWord(inbox.data() + inboxStart);
            inboxStart += 4;
            waiting -= 4;
            if (word & kSkippedWordBit)
                continue;
            if (word > kMaxFrameLength)
            {
                Log::Printf(Log::Instance(),
                            "Frame length %d from %s refused; connection closed.\n",
                            static_cast<int32_t>(word), GetPeerAddress().c_str());
                Disconnect();
                return false;
            }
            pendingLength = static_cast<int32_t>(word);
        }
        const size_t length = static_cast<size_t>(pendingLength);
        if (waiting < 4 + length)
            break;
        const uint8_t* frame = inbox.data() + inboxStart;
        SmartPtr<Message> message(new Message(static_cast<uint32_t>(length)));
        message->type = DecodeWord(frame);
        if (length > 0)
            std::memcpy(message->GetBuffer(), frame + 4, length);
        incoming.push_back(message);
        lastReceive = GetTickCount();
        pendingLength = -1;
        inboxStart += 4 + length;
        --messagesLeft;
    }
    return true;
}

size_t Connection::ReadLimit() const
{
    const size_t unread = inboxEnd - inboxStart;
    // The length word alone first, so that a large frame's buffer is sized
    // once; then the frame's type and payload, or a read-ahead of the small
    // frames that follow it.
    const size_t bound =
        pendingLength < 0 ? 4 : std::max(4 + static_cast<size_t>(pendingLength), kReadAhead);
    return unread < bound ? bound - unread : 0;
}

void Connection::MakeRoom(size_t n)
{
    if (inbox.size() - inboxEnd >= n)
        return;
    const size_t unread = inboxEnd - inboxStart;
    if (inbox.size() - unread >= n)
    {
        std::memmove(inbox.data(), inbox.data() + inboxStart, unread);
        inboxStart = 0;
        inboxEnd = unread;
        return;
    }
    // Grow in doubling steps for a large frame that arrives over many
    // updates, but never past what the frame in progress needs.
    const size_t bound = unread + ReadLimit();
    const size_t size = std::max(unread + n, std::min(2 * inbox.size(), bound));
    std::vector<uint8_t> grown;
    grown.reserve(size);
    grown.assign(inbox.begin() + static_cast<std::ptrdiff_t>(inboxStart),
                 inbox.begin() + static_cast<std::ptrdiff_t>(inboxEnd));
    grown.resize(size);
    inbox.swap(grown);
    inboxStart = 0;
    inboxEnd = unread;
}

void Connection::Send(Message* message)
{
    SendNow(message);
}

void Connection::SendNow(Message* message)
{
    if (!message || socket == INVALID_SOCKET)
        return;
    const uint32_t length = message->GetLength();
    uint8_t header[8];
    EncodeWord(length, header);
    EncodeWord(message->type, header + 4);
    unsent.insert(unsent.end(), header, header + 8);
    unsent.insert(unsent.end(), message->GetBuffer(), message->GetBuffer() + length);
    FlushUnsent();
    if (GetUnsentBytes() > kMaxUnsentBytes)
    {
        Log::Printf(Log::Instance(), "Peer %s reads nothing; connection closed.\n",
                    GetPeerAddress().c_str());
        Disconnect();
    }
}

void Connection::FlushUnsent()
{
    while (unsentStart < unsent.size())
    {
        size_t left = unsent.size() - unsentStart;
        int chunk = left > (1u << 30) ? (1 << 30) : static_cast<int>(left);
        int sent =
            ::send(socket, reinterpret_cast<const char*>(unsent.data() + unsentStart), chunk, 0);
        if (sent > 0)
        {
            unsentStart += static_cast<size_t>(sent);
            continue;
        }
        int error = WSAGetLastError();
        // The socket is full, or its connect has not finished: try again later.
        if (sent == 0 || error == WSAEWOULDBLOCK || error == WSAENOTCONN)
            break;
        // The stream is broken; nothing queued can reach the peer any more.
        unsentStart = unsent.size();
        break;
    }
    Compact(unsent, unsentStart);
}

Message* Connection::PeekIncoming()
{
    return incoming.empty() ? nullptr : incoming.front().Get();
}

void Connection::PopIncoming()
{
    if (!incoming.empty())
        incoming.pop_front();
}

void Connection::Close()
{
    Disconnect();
}

void Connection::Disconnect()
{
    if (socket == INVALID_SOCKET)
        return;
    ::shutdown(socket, SD_RECEIVE);
    closesocket(socket);
    socket = INVALID_SOCKET;
    connected = false;
    state = kClosed;
    pendingLength = -1;
    std::vector<uint8_t>().swap(inbox);
    inboxStart = 0;
    inboxEnd = 0;
    std::vector<uint8_t>().swap(unsent);
    unsentStart = 0;
}

std::string Connection::GetPeerAddress() const
{
    if (!connected || socket == INVALID_SOCKET)
        return std::string();
    sockaddr_in peer = {};
    int length = sizeof peer;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == SOCKET_ERROR)
        return std::string();
    return inet_ntoa(peer.sin_addr);
}

uint16_t Connection::GetLocalPort() const
{
    if (socket == INVALID_SOCKET)
        return 0;
    sockaddr_in local = {};
    int length = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) == SOCKET_ERROR)
        return 0;
    return ntohs(local.sin_port);
}

void Connection::AttachSocket(SOCKET s)
{
    if (socket == INVALID_SOCKET)
        socket = s;
}
