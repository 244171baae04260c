// Plain sockets on 127.0.0.1 that put chosen bytes on the wire, for the
// network tests and benchmarks: well-formed frames, bad ones, half frames and
// floods. Header-only, so the benchmarks use the same peers without gtest.
#pragma once

#include "platform/Winsock.h"
#include "support/ScratchFolder.h"

#include <cstdint>
#include <vector>

inline void AppendWord(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Adds a frame as the wire carries it.
inline void AppendFrame(std::vector<uint8_t>& bytes, uint32_t type,
                        const std::vector<uint8_t>& payload = {})
{
    AppendWord(bytes, static_cast<uint32_t>(payload.size()));
    AppendWord(bytes, type);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
}

// A frame as the wire carries it.
inline std::vector<uint8_t> Frame(uint32_t type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> bytes;
    AppendFrame(bytes, type, payload);
    return bytes;
}

// A plain blocking socket connected to 127.0.0.1:port, or INVALID_SOCKET.
inline SOCKET RawConnect(uint16_t port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// Sends all bytes on a blocking socket.
inline bool RawSend(SOCKET s, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        int sent = send(s, reinterpret_cast<const char*>(bytes.data() + done),
                        static_cast<int>(bytes.size() - done), 0);
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

// A peer on a non-blocking socket: bytes are queued and go out as the socket
// takes them, so a test can send more than the socket holds while it drives
// the receiving side on the same thread.
class RawPeer
{
public:
    RawPeer() = default;
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    ~RawPeer() { Close(); }

    bool Open(uint16_t port)
    {
        s = RawConnect(port);
        u_long nonBlocking = 1;
        return s != INVALID_SOCKET && ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
    }
    void Queue(const std::vector<uint8_t>& bytes)
    {
        queued.insert(queued.end(), bytes.begin(), bytes.end());
    }
    // Sends what the socket takes now; false once the connection is broken.
    bool Flush()
    {
        while (sent < queued.size())
        {
            int n = send(s, reinterpret_cast<const char*>(queued.data() + sent),
                         static_cast<int>(queued.size() - sent), 0);
            if (n <= 0)
                return n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
            sent += static_cast<size_t>(n);
        }
        queued.clear();
        sent = 0;
        return true;
    }
    // Bytes queued and not yet taken by the socket.
    size_t Pending() const { return queued.size() - sent; }
    void Close()
    {
        if (s != INVALID_SOCKET)
            closesocket(s);
        s = INVALID_SOCKET;
    }

private:
    SOCKET s = INVALID_SOCKET;
    std::vector<uint8_t> queued;
    size_t sent = 0;
};
