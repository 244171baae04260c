// Winsock 2 over POSIX sockets: the start-up count, the last error, the
// address list query and the test hooks live here; the system calls are in
// PosixSocket.cpp.
#include "platform/Winsock.h"
#include "platform/PosixSocket.h"
#include "platform/SocketTestHooks.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <unordered_map>

namespace
{
int g_startups = 0;
int g_lastError = 0;

bool g_fakeAddresses = false;
std::vector<std::string> g_localAddresses;
TestConnectFilter g_connectFilter;
bool g_loopbackOnly = false;
// Sockets whose connect a test filter held: they never connect.
std::set<SOCKET> g_heldSockets;
// The sockets this layer opened and has not closed: handle to descriptor.
// Handles are never reused, so a stale handle (say, closed late by an object
// that outlived a clean-up) never reaches a descriptor that the system has
// since given to another socket.
std::unordered_map<SOCKET, int> g_sockets;
SOCKET g_nextHandle = 100;

int Failed(int error)
{
    g_lastError = error;
    return SOCKET_ERROR;
}

// Every socket call fails until Winsock is started.
bool Started()
{
    if (g_startups > 0)
        return true;
    g_lastError = WSANOTINITIALISED;
    return false;
}

bool Held(SOCKET s)
{
    return g_heldSockets.count(s) != 0;
}

SOCKET Track(int fd)
{
    SOCKET s = g_nextHandle++;
    g_sockets[s] = fd;
    return s;
}

// The descriptor of one of our open sockets; -1 (with the error set) when
// sockets are not started or s is not one of ours.
int Descriptor(SOCKET s)
{
    if (!Started())
        return -1;
    auto found = g_sockets.find(s);
    if (found == g_sockets.end())
    {
        g_lastError = WSAENOTSOCK;
        return -1;
    }
    return found->second;
}

// Reads the IPv4 address and port out of a caller's sockaddr, checking its
// length and family.
bool ReadAddress(const sockaddr* address, int length, uint32_t* host, uint16_t* port)
{
    if (!address || length < static_cast<int>(sizeof(sockaddr_in)))
        return false;
    sockaddr_in in;
    std::memcpy(&in, address, sizeof in);
    if (in.sin_family != AF_INET)
        return false;
    *host = in.sin_addr.s_addr;
    *port = in.sin_port;
    return true;
}

// Writes an address into a caller's sockaddr as far as its length allows.
void WriteAddress(sockaddr* address, int* length, uint32_t host, uint16_t port)
{
    if (!address || !length || *length <= 0)
        return;
    sockaddr_in in = {};
    in.sin_family = AF_INET;
    in.sin_port = port;
    in.sin_addr.s_addr = host;
    int size = *length < static_cast<int>(sizeof in) ? *length : static_cast<int>(sizeof in);
    std::memcpy(address, &in, static_cast<size_t>(size));
    *length = static_cast<int>(sizeof in);
}

std::string Dotted(uint32_t host)
{
    in_addr address;
    address.s_addr = host;
    return inet_ntoa(address);
}

// The descriptor behind s and the address the caller gave with it; -1 with
// the error set when either is wrong.
int DescriptorAndAddress(SOCKET s, const sockaddr* address, int length, uint32_t* host,
                         uint16_t* port)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return -1;
    if (!ReadAddress(address, length, host, port))
    {
        Failed(WSAEFAULT);
        return -1;
    }
    return fd;
}

// The descriptor behind s for a send or a receive of length bytes at buffer;
// -1 with the error set when the call can't go ahead.
int StreamDescriptor(SOCKET s, const void* buffer, int length, int flags)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return -1;
    if (flags != 0 || length < 0 || (length > 0 && !buffer))
    {
        Failed(WSAEINVAL);
        return -1;
    }
    if (Held(s))
    {
        Failed(WSAENOTCONN);
        return -1;
    }
    return fd;
}

// Writes one end of s's connection, as query reads it, into the caller's
// sockaddr. A held socket has no peer yet.
int WriteName(SOCKET s, sockaddr* address, int* length, bool peer,
              int (*query)(int, uint32_t*, uint16_t*, int*))
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (!address || !length || *length < static_cast<int>(sizeof(sockaddr_in)))
        return Failed(WSAEFAULT);
    if (peer && Held(s))
        return Failed(WSAENOTCONN);
    uint32_t host = 0;
    uint16_t port = 0;
    int error = 0;
    if (query(fd, &host, &port, &error) < 0)
        return Failed(error);
    WriteAddress(address, length, host, port);
    return 0;
}
} // namespace

int WSAStartup(WORD version, WSADATA* data)
{
    if (!data)
        return WSAEFAULT;
    // Version words hold the major number in the low byte.
    if ((version & 0xFF) < 1)
        return WSAEINVAL;
    std::memset(data, 0, sizeof *data);
    data->wVersion = (version & 0xFF) >= 2 ? 0x0002 : version;
    data->wHighVersion = 0x0202;
    std::snprintf(data->szDescription, sizeof data->szDescription, "POSIX sockets");
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    ++g_startups;
    return 0;
}

int WSACleanup()
{
    if (!Started())
        return SOCKET_ERROR;
    // As in Winsock, the last clean-up closes every socket still open.
    if (--g_startups == 0)
    {
        for (const auto& entry : g_sockets)
        {
            int error = 0;
            PosixSocket::Close(entry.second, &error);
        }
        g_sockets.clear();
        g_heldSockets.clear();
    }
    return 0;
}

int WSAGetLastError()
{
    return g_lastError;
}

SOCKET socket(int family, int type, int protocol)
{
    if (!Started())
        return INVALID_SOCKET;
    if (family != AF_INET)
        return Failed(WSAEAFNOSUPPORT);
    if (type != SOCK_STREAM || (protocol != 0 && protocol != IPPROTO_TCP))
        return Failed(WSAEINVAL);
    int error = 0;
    int fd = PosixSocket::Open(&error);
    if (fd < 0)
        return Failed(error);
    return Track(fd);
}

namespace
{
bool MapOption(int level, int name, PosixSocket::Option* option)
{
    if (level == SOL_SOCKET && name == SO_REUSEADDR)
        *option = PosixSocket::Option::ReuseAddress;
    else if (level == SOL_SOCKET && name == SO_SNDBUF)
        *option = PosixSocket::Option::SendBuffer;
    else if (level == SOL_SOCKET && name == SO_RCVBUF)
        *option = PosixSocket::Option::ReceiveBuffer;
    else if (level == SOL_SOCKET && name == SO_ERROR)
        *option = PosixSocket::Option::Error;
    else if (level == IPPROTO_TCP && name == TCP_NODELAY)
        *option = PosixSocket::Option::NoDelay;
    else
        return false;
    return true;
}
} // namespace

int setsockopt(SOCKET s, int level, int name, const char* value, int length)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    PosixSocket::Option option;
    if (!MapOption(level, name, &option))
        return Failed(WSAENOPROTOOPT);
    if (!value || length < static_cast<int>(sizeof(int)))
        return Failed(WSAEFAULT);
    int number = 0;
    std::memcpy(&number, value, sizeof number);
    int error = 0;
    return PosixSocket::SetOption(fd, option, number, &error) < 0 ? Failed(error) : 0;
}

int getsockopt(SOCKET s, int level, int name, char* value, int* length)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    PosixSocket::Option option;
    if (!MapOption(level, name, &option))
        return Failed(WSAENOPROTOOPT);
    if (!value || !length || *length < static_cast<int>(sizeof(int)))
        return Failed(WSAEFAULT);
    int number = 0;
    int error = 0;
    if (PosixSocket::GetOption(fd, option, &number, &error) < 0)
        return Failed(error);
    std::memcpy(value, &number, sizeof number);
    *length = sizeof number;
    return 0;
}

int ioctlsocket(SOCKET s, long command, u_long* argument)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (!argument)
        return Failed(WSAEFAULT);
    int error = 0;
    if (command == FIONBIO)
        return PosixSocket::SetNonBlocking(fd, *argument != 0, &error) < 0 ? Failed(error) : 0;
    if (command == FIONREAD)
    {
        uint32_t waiting = 0;
        if (PosixSocket::BytesWaiting(fd, &waiting, &error) < 0)
            return Failed(error);
        *argument = waiting;
        return 0;
    }
    return Failed(WSAEINVAL);
}

int connect(SOCKET s, const sockaddr* address, int length)
{
    uint32_t host = 0;
    uint16_t port = 0;
    const int fd = DescriptorAndAddress(s, address, length, &host, &port);
    if (fd < 0)
        return SOCKET_ERROR;
    if (g_connectFilter)
    {
        std::string text = Dotted(host);
        int hostPort = ntohs(port);
        if (!g_connectFilter(text, hostPort))
        {
            g_heldSockets.insert(s);
            return Failed(WSAEWOULDBLOCK);
        }
        host = inet_addr(text.c_str());
        port = htons(static_cast<uint16_t>(hostPort));
    }
    if (g_loopbackOnly && (ntohl(host) >> 24) != 127)
        return Failed(WSAENETUNREACH);
    int error = 0;
    return PosixSocket::Connect(fd, host, port, &error) < 0 ? Failed(error) : 0;
}

int bind(SOCKET s, const sockaddr* address, int length)
{
    uint32_t host = 0;
    uint16_t port = 0;
    const int fd = DescriptorAndAddress(s, address, length, &host, &port);
    if (fd < 0)
        return SOCKET_ERROR;
    int error = 0;
    return PosixSocket::Bind(fd, host, port, &error) < 0 ? Failed(error) : 0;
}

int listen(SOCKET s, int backlog)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    int error = 0;
    return PosixSocket::Listen(fd, backlog, &error) < 0 ? Failed(error) : 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* length)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return INVALID_SOCKET;
    uint32_t host = 0;
    uint16_t port = 0;
    int error = 0;
    int accepted = PosixSocket::Accept(fd, &host, &port, &error);
    if (accepted < 0)
        return Failed(error);
    WriteAddress(address, length, host, port);
    return Track(accepted);
}

int getpeername(SOCKET s, sockaddr* address, int* length)
{
    return WriteName(s, address, length, true, PosixSocket::PeerName);
}

int getsockname(SOCKET s, sockaddr* address, int* length)
{
    return WriteName(s, address, length, false, PosixSocket::SocketName);
}

int recv(SOCKET s, char* buffer, int length, int flags)
{
    const int fd = StreamDescriptor(s, buffer, length, flags);
    if (fd < 0)
        return SOCKET_ERROR;
    int error = 0;
    // Linux reports would-block on a socket still connecting; Winsock reports
    // it as not connected, and callers rely on that difference.
    if (length == 0)
        return PosixSocket::ConnectStatus(fd, &error) < 0 ? Failed(error) : 0;
    int got = PosixSocket::Receive(fd, buffer, length, &error);
    return got < 0 ? Failed(error) : got;
}

int send(SOCKET s, const char* buffer, int length, int flags)
{
    const int fd = StreamDescriptor(s, buffer, length, flags);
    if (fd < 0)
        return SOCKET_ERROR;
    int error = 0;
    int sent = PosixSocket::Send(fd, buffer, length, &error);
    return sent < 0 ? Failed(error) : sent;
}

int shutdown(SOCKET s, int how)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH)
        return Failed(WSAEINVAL);
    if (Held(s))
        return Failed(WSAENOTCONN);
    int error = 0;
    return PosixSocket::Shutdown(fd, how, &error) < 0 ? Failed(error) : 0;
}

int closesocket(SOCKET s)
{
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    g_heldSockets.erase(s);
    g_sockets.erase(s);
    int error = 0;
    return PosixSocket::Close(fd, &error) < 0 ? Failed(error) : 0;
}

int WSAIoctl(SOCKET s, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
             DWORD* bytesReturned, WSAOVERLAPPED* overlapped,
             LPWSAOVERLAPPED_COMPLETION_ROUTINE completion)
{
    (void)in;
    (void)inLength;
    const int fd = Descriptor(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (code != SIO_ADDRESS_LIST_QUERY || overlapped || completion)
        return Failed(WSAEINVAL);
    if (!bytesReturned)
        return Failed(WSAEFAULT);

    std::vector<uint32_t> hosts;
    if (g_fakeAddresses)
    {
        for (const std::string& text : g_localAddresses)
            hosts.push_back(inet_addr(text.c_str()));
    }
    else
    {
        int error = 0;
        if (PosixSocket::LocalAddresses(&hosts, &error) < 0)
            return Failed(error);
    }

    // The list's header and entries, then the addresses they point at.
    const size_t count = hosts.size();
    const size_t entries =
        offsetof(SOCKET_ADDRESS_LIST, Address) + (count ? count : 1) * sizeof(SOCKET_ADDRESS);
    const size_t needed = entries + count * sizeof(sockaddr_in);
    *bytesReturned = static_cast<DWORD>(needed);
    if (!out || outLength < needed)
        return Failed(WSAEFAULT);

    char* bytes = static_cast<char*>(out);
    SOCKET_ADDRESS_LIST header;
    header.iAddressCount = static_cast<int>(count);
    std::memcpy(bytes, &header, offsetof(SOCKET_ADDRESS_LIST, Address));
    for (size_t i = 0; i < count; ++i)
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = hosts[i];
        char* place = bytes + entries + i * sizeof(sockaddr_in);
        std::memcpy(place, &address, sizeof address);

        SOCKET_ADDRESS entry;
        entry.lpSockaddr = reinterpret_cast<sockaddr*>(place);
        entry.iSockaddrLength = sizeof(sockaddr_in);
        std::memcpy(bytes + offsetof(SOCKET_ADDRESS_LIST, Address) + i * sizeof(SOCKET_ADDRESS),
                    &entry, sizeof entry);
    }
    return 0;
}

uint32_t inet_addr(const char* text)
{
    return text ? PosixSocket::ParseAddress(text) : INADDR_NONE;
}

char* inet_ntoa(in_addr address)
{
    return PosixSocket::FormatAddress(address.s_addr);
}

uint16_t htons(uint16_t value)
{
    return PosixSocket::HostToNetwork16(value);
}

uint16_t ntohs(uint16_t value)
{
    return PosixSocket::NetworkToHost16(value);
}

uint32_t htonl(uint32_t value)
{
    return PosixSocket::HostToNetwork32(value);
}

uint32_t ntohl(uint32_t value)
{
    return PosixSocket::NetworkToHost32(value);
}

void TestSetLocalAddresses(const std::vector<std::string>& addresses)
{
    g_fakeAddresses = true;
    g_localAddresses = addresses;
}

void TestUseRealLocalAddresses()
{
    g_fakeAddresses = false;
    g_localAddresses.clear();
}

void TestSetConnectFilter(TestConnectFilter filter)
{
    g_connectFilter = std::move(filter);
}

void TestClearConnectFilter()
{
    g_connectFilter = nullptr;
}

void TestAllowOnlyLoopback(bool only)
{
    g_loopbackOnly = only;
}
