// POSIX side of the Winsock layer: the system calls and the mapping of errno
// to Winsock's error codes.
#include "platform/PosixSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// The Winsock codes the layer reports; Winsock.h holds the same numbers.
int WinsockError(int code)
{
    switch (code)
    {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return 10035;
    case EALREADY:
        return 10037;
    case EACCES:
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EBADF:
    case ENOTSOCK:
        return 10038;
    case EMSGSIZE:
        return 10040;
    case ENOPROTOOPT:
        return 10042;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case EPIPE:
        return 10058;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EHOSTUNREACH:
        return 10065;
    default:
        return 10107;
    }
}

int Fail(int* error)
{
    *error = WinsockError(errno);
    return -1;
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port)
{
    sockaddr_in in = {};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = address;
    in.sin_port = port;
    return in;
}

bool OptionName(PosixSocket::Option option, int* level, int* name)
{
    switch (option)
    {
    case PosixSocket::Option::ReuseAddress:
        *level = SOL_SOCKET;
        *name = SO_REUSEADDR;
        return true;
    case PosixSocket::Option::SendBuffer:
        *level = SOL_SOCKET;
        *name = SO_SNDBUF;
        return true;
    case PosixSocket::Option::ReceiveBuffer:
        *level = SOL_SOCKET;
        *name = SO_RCVBUF;
        return true;
    case PosixSocket::Option::Error:
        *level = SOL_SOCKET;
        *name = SO_ERROR;
        return true;
    case PosixSocket::Option::NoDelay:
        *level = IPPROTO_TCP;
        *name = TCP_NODELAY;
        return true;
    }
    return false;
}
} // namespace

namespace PosixSocket
{
int Open(int* error)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd < 0 ? Fail(error) : fd;
}

int Close(int fd, int* error)
{
    return ::close(fd) < 0 ? Fail(error) : 0;
}

int SetOption(int fd, Option option, int value, int* error)
{
    int level = 0;
    int name = 0;
    if (!OptionName(option, &level, &name))
    {
        *error = 10042;
        return -1;
    }
    return ::setsockopt(fd, level, name, &value, sizeof value) < 0 ? Fail(error) : 0;
}

int GetOption(int fd, Option option, int* value, int* error)
{
    int level = 0;
    int name = 0;
    if (!OptionName(option, &level, &name))
    {
        *error = 10042;
        return -1;
    }
    socklen_t length = sizeof *value;
    if (::getsockopt(fd, level, name, value, &length) < 0)
        return Fail(error);
    if (option == Option::Error)
        *value = *value ? WinsockError(*value) : 0;
    return 0;
}

int SetNonBlocking(int fd, bool nonBlocking, int* error)
{
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return Fail(error);
    flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) < 0 ? Fail(error) : 0;
}

int BytesWaiting(int fd, uint32_t* count, int* error)
{
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) < 0)
        return Fail(error);
    *count = static_cast<uint32_t>(waiting);
    return 0;
}

int Connect(int fd, uint32_t address, uint16_t port, int* error)
{
    sockaddr_in in = MakeAddress(address, port);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&in), sizeof in) < 0 ? Fail(error) : 0;
}

int Bind(int fd, uint32_t address, uint16_t port, int* error)
{
    // Winsock binds a port that connections in TIME_WAIT still hold; Linux
    // only with address reuse.
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in in = MakeAddress(address, port);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&in), sizeof in) < 0 ? Fail(error) : 0;
}

int Listen(int fd, int backlog, int* error)
{
    return ::listen(fd, backlog) < 0 ? Fail(error) : 0;
}

int Accept(int fd, uint32_t* address, uint16_t* port, int* error)
{
    // Linux does not hand the listener's non-blocking mode on; Winsock does.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return Fail(error);
    sockaddr_in in = {};
    socklen_t length = sizeof in;
    int accepted = ::accept4(fd, reinterpret_cast<sockaddr*>(&in), &length,
                             SOCK_CLOEXEC | ((flags & O_NONBLOCK) ? SOCK_NONBLOCK : 0));
    if (accepted < 0)
        return Fail(error);
    *address = in.sin_addr.s_addr;
    *port = in.sin_port;
    return accepted;
}

int PeerName(int fd, uint32_t* address, uint16_t* port, int* error)
{
    sockaddr_in in = {};
    socklen_t length = sizeof in;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&in), &length) < 0)
        return Fail(error);
    *address = in.sin_addr.s_addr;
    *port = in.sin_port;
    return 0;
}

int SocketName(int fd, uint32_t* address, uint16_t* port, int* error)
{
    sockaddr_in in = {};
    socklen_t length = sizeof in;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&in), &length) < 0)
        return Fail(error);
    *address = in.sin_addr.s_addr;
    *port = in.sin_port;
    return 0;
}

int ConnectStatus(int fd, int* error)
{
    pollfd entry = {fd, POLLOUT, 0};
    int ready = ::poll(&entry, 1, 0);
    if (ready < 0)
        return Fail(error);
    if (entry.revents & POLLNVAL)
    {
        *error = 10038;
        return -1;
    }
    if (ready == 0)
    {
        *error = 10057;
        return -1;
    }
    int code = 0;
    socklen_t length = sizeof code;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) == 0 && code != 0)
    {
        *error = WinsockError(code);
        return -1;
    }
    // SO_ERROR is cleared by reading it; a failed connect then shows as a
    // socket without a peer.
    sockaddr_in in = {};
    length = sizeof in;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&in), &length) < 0)
        return Fail(error);
    return 0;
}

int Receive(int fd, void* buffer, int length, int* error)
{
    ssize_t got = ::recv(fd, buffer, static_cast<size_t>(length), 0);
    return got < 0 ? Fail(error) : static_cast<int>(got);
}

int Send(int fd, const void* buffer, int length, int* error)
{
    ssize_t sent = ::send(fd, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    return sent < 0 ? Fail(error) : static_cast<int>(sent);
}

int Shutdown(int fd, int how, int* error)
{
    int mode = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fd, mode) < 0 ? Fail(error) : 0;
}

int LocalAddresses(std::vector<uint32_t>* addresses, int* error)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) < 0)
        return Fail(error);
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next)
    {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        addresses->push_back(reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
    }
    ::freeifaddrs(list);
    return 0;
}

uint32_t ParseAddress(const char* text)
{
    return ::inet_addr(text);
}

char* FormatAddress(uint32_t address)
{
    in_addr in = {};
    in.s_addr = address;
    return ::inet_ntoa(in);
}

uint16_t HostToNetwork16(uint16_t value)
{
    return htons(value);
}

uint16_t NetworkToHost16(uint16_t value)
{
    return ntohs(value);
}

uint32_t HostToNetwork32(uint32_t value)
{
    return htonl(value);
}

uint32_t NetworkToHost32(uint32_t value)
{
    return ntohl(value);
}
} // namespace PosixSocket
