#include "support/LoopbackPeer.h"

#include "support/Wait.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}
} // namespace

int LoopbackConnect(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    LoopbackClose(fd);
    return -1;
}

int LoopbackListen(uint16_t* port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(fd, 4) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    {
        *port = ntohs(address.sin_port);
        return fd;
    }
    LoopbackClose(fd);
    return -1;
}

int LoopbackAccept(int listener, int milliseconds)
{
    pollfd waiting = {listener, POLLIN, 0};
    if (listener < 0 || poll(&waiting, 1, milliseconds) != 1)
        return -1;
    return accept(listener, nullptr, nullptr);
}

bool LoopbackSendDelivered(int fd, const std::vector<uint8_t>& bytes, int milliseconds)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return WaitUntil(
        [fd]
        {
            int unacknowledged = -1;
            return ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
        },
        milliseconds);
}

void LoopbackClose(int fd)
{
    if (fd >= 0)
        close(fd);
}
