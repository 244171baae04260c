// One non-blocking TCP socket that listens and accepts peers, or connects to a
// peer and carries messages over the stream as frames: a 32-bit payload
// length, a 32-bit type and the payload, little-endian.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "net/Message.h"
#include "platform/Winsock.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class Connection : public RefObject
{
public:
    enum State
    {
        kListening = 0,
        kConnecting = 1,
        kConnected = 2,
        kClosed = 3
    };

    // The longest payload a frame may announce; a longer positive length
    // closes the connection. A length word with its top bit set is a word by
    // itself and is skipped.
    static constexpr uint32_t kMaxFrameLength = 4u << 20;
    // Bytes a connection holds for a peer that does not read before it gives
    // up on that peer and closes.
    static constexpr uint32_t kMaxUnsentBytes = 64u << 20;
    // What one update takes from a connected socket at most: bytes read and
    // messages queued. Every connection gets the same, so a peer that floods
    // cannot hold up the others; the rest waits in the socket.
    static constexpr uint32_t kReadBudget = 256u << 10;
    static constexpr uint32_t kMessageBudget = 1024;

    Connection();
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Starts a non-blocking connect to a dotted IPv4 address. Does nothing when
    // a socket is open or sockets are not ready; failures are silent and leave
    // no socket.
    void Connect(const char* host, uint16_t port);
    // Listens on every local address (port 0 picks a free one). Does nothing
    // while listening or when sockets are not ready.
    void Listen(uint16_t port);
    // The per-frame step: accepts, finishes a connect, or receives and sends.
    // Returns a newly accepted peer, which the caller takes over, or null. A
    // peer that has closed its end is noticed once every message it sent has
    // been taken from the queue: the connection then closes.
    Connection* Update();

    // Write the message as one frame at once. Bytes the socket does not take
    // now are kept and go out first on later updates, so frames never mix.
    // Nothing is sent or kept without a socket.
    void Send(Message* message);
    void SendNow(Message* message);

    // The oldest received message, left in the queue; null when none.
    Message* PeekIncoming();
    void PopIncoming();

    // Close the socket and forget any partial frame in either direction.
    void Close();
    void Disconnect();

    bool IsConnected() const { return connected; }
    int GetState() const { return state; }
    // The peer's dotted address; "" when not connected.
    std::string GetPeerAddress() const;
    // The local port the socket is bound to; 0 without a socket.
    uint16_t GetLocalPort() const;
    // GetTickCount() at construction and at the last received frame.
    DWORD GetLastReceiveTime() const { return lastReceive; }
    // Bytes of frames sent but not yet taken by the socket.
    size_t GetUnsentBytes() const { return unsent.size() - unsentStart; }
    // Bytes the connection holds allocated for its receive and send queues.
    size_t GetBufferedBytes() const { return inbox.capacity() + unsent.capacity(); }
    // Stores s only when no socket is held.
    void AttachSocket(SOCKET s);

private:
    Connection* Accept();
    void CheckConnected();
    void Pump();
    // Reads and cuts frames within this update's budget, without waiting.
    void Receive();
    // Cuts complete frames out of the inbox into incoming, at most
    // messagesLeft of them; false when a bad length closed the connection.
    bool TakeFrames(uint32_t& messagesLeft);
    // How many more bytes the inbox may take now: what completes the frame
    // in progress, or a read-ahead of small frames.
    size_t ReadLimit() const;
    // Makes room for n more bytes at the inbox's end.
    void MakeRoom(size_t n);
    void FlushUnsent();

    std::list<SmartPtr<Message>> incoming;
    // Messages for the next Pump to send; nothing in the system adds to it.
    std::list<SmartPtr<Message>> outgoing;
    // Payload length of the frame whose length word has been taken from the
    // inbox and whose rest has not; -1 when none.
    int32_t pendingLength = -1;
    SOCKET socket = INVALID_SOCKET;
    DWORD lastReceive = 0;
    int32_t state = kClosed;
    bool connected = false;

    // Received bytes not yet cut into frames: inbox[inboxStart, inboxEnd). It
    // never holds more than the frame in progress or one read-ahead, and is
    // given back once it runs empty.
    std::vector<uint8_t> inbox;
    size_t inboxStart = 0;
    size_t inboxEnd = 0;
    // Framed bytes not yet taken by the socket, from unsentStart on.
    std::vector<uint8_t> unsent;
    size_t unsentStart = 0;
};
