// The socket layer's Winsock behaviour over POSIX, on 127.0.0.1 only.
#include "platform/Winsock.h"
#include "platform/SocketTestHooks.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{
class WinsockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestAllowOnlyLoopback(true);
        WSADATA data;
        ASSERT_EQ(WSAStartup(0x0002, &data), 0);
        EXPECT_EQ(data.wVersion, 0x0002);
    }
    void TearDown() override
    {
        TestClearConnectFilter();
        TestUseRealLocalAddresses();
        WSACleanup();
    }

    static sockaddr_in Loopback(uint16_t port)
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        address.sin_port = htons(port);
        return address;
    }

    // A listener on 127.0.0.1 at a free port.
    static SOCKET Listener(bool nonBlocking, uint16_t* port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        u_long mode = nonBlocking ? 1 : 0;
        ioctlsocket(s, FIONBIO, &mode);
        sockaddr_in address = Loopback(0);
        EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(s, 5), 0);
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        *port = ntohs(address.sin_port);
        return s;
    }

    static SOCKET NonBlockingConnect(uint16_t port, int* result)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        u_long mode = 1;
        ioctlsocket(s, FIONBIO, &mode);
        sockaddr_in address = Loopback(port);
        *result = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return s;
    }

    // Waits briefly until a zero-byte receive reports the connection standing.
    static bool WaitConnected(SOCKET s)
    {
        char none = 0;
        return WaitUntil([&] { return recv(s, &none, 0, 0) == 0; }, 400);
    }
};
} // namespace

TEST(WinsockStartupTest, CallsFailBeforeStartupAndAfterTheLastCleanup)
{
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);

    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0002, &data), 0);
    ASSERT_EQ(WSAStartup(0x0002, &data), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    ASSERT_EQ(WSACleanup(), 0);
    u_long waiting = 0;
    EXPECT_EQ(ioctlsocket(s, FIONREAD, &waiting), 0) << "one start-up is still counted";
    ASSERT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);

    // The last clean-up closed the socket: its handle is dead even after a
    // new start-up, though the system may reuse the number.
    ASSERT_EQ(WSAStartup(0x0002, &data), 0);
    EXPECT_EQ(ioctlsocket(s, FIONREAD, &waiting), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(send(12345, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
    WSACleanup();
}

TEST_F(WinsockTest, ZeroByteReceiveTellsWhetherAConnectHasFinished)
{
    uint16_t port = 0;
    SOCKET listener = Listener(true, &port);

    int result = 0;
    SOCKET client = NonBlockingConnect(port, &result);
    EXPECT_TRUE(result == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
    EXPECT_TRUE(WaitConnected(client));

    // A connect that never finishes is not connected, and not would-block.
    TestSetConnectFilter([](std::string&, int&) { return false; });
    SOCKET held = NonBlockingConnect(port, &result);
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    char none = 0;
    EXPECT_EQ(recv(held, &none, 0, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
    TestClearConnectFilter();

    // A refused connect never reads as connected.
    closesocket(listener);
    SOCKET refused = NonBlockingConnect(port, &result);
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(recv(refused, &none, 0, 0), SOCKET_ERROR);
        EXPECT_NE(WSAGetLastError(), WSAEWOULDBLOCK);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    closesocket(client);
    closesocket(held);
    closesocket(refused);
}

TEST_F(WinsockTest, AcceptedSocketsTakeTheListenersNonBlockingMode)
{
    uint16_t port = 0;
    SOCKET listener = Listener(true, &port);
    EXPECT_EQ(accept(listener, nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    int result = 0;
    SOCKET client = NonBlockingConnect(port, &result);
    ASSERT_TRUE(WaitConnected(client));
    SOCKET accepted = INVALID_SOCKET;
    for (int i = 0; i < 2000 && accepted == INVALID_SOCKET; ++i)
        accepted = accept(listener, nullptr, nullptr);
    ASSERT_NE(accepted, INVALID_SOCKET);

    // Nothing to read: a blocking socket would hang here.
    char buffer[16];
    EXPECT_EQ(recv(accepted, buffer, sizeof buffer, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    ASSERT_EQ(send(client, "abcdef", 6, 0), 6);
    u_long waiting = 0;
    for (int i = 0; i < 2000 && waiting < 6; ++i)
        ioctlsocket(accepted, FIONREAD, &waiting);
    EXPECT_EQ(waiting, 6u);
    EXPECT_EQ(recv(accepted, buffer, sizeof buffer, 0), 6);

    sockaddr_in peer = {};
    int length = sizeof peer;
    ASSERT_EQ(getpeername(accepted, reinterpret_cast<sockaddr*>(&peer), &length), 0);
    EXPECT_STREQ(inet_ntoa(peer.sin_addr), "127.0.0.1");
    closesocket(accepted);
    closesocket(client);
    closesocket(listener);
}

TEST_F(WinsockTest, SendingToAClosedPeerFailsWithoutASignal)
{
    uint16_t port = 0;
    SOCKET listener = Listener(false, &port);
    int result = 0;
    SOCKET client = NonBlockingConnect(port, &result);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    ASSERT_NE(accepted, INVALID_SOCKET);
    ASSERT_TRUE(WaitConnected(client));
    closesocket(accepted);

    // The first send may still be taken; the reset peer then fails the rest.
    // SIGPIPE would end the test program here.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return send(client, "ping", 4, 0) == SOCKET_ERROR &&
                   WSAGetLastError() != WSAEWOULDBLOCK;
        },
        400));
    closesocket(client);
    closesocket(listener);
}

TEST_F(WinsockTest, ListenerBindsAgainAPortThatClosedConnectionsStillHold)
{
    uint16_t port = 0;
    SOCKET listener = Listener(false, &port);
    int result = 0;
    SOCKET client = NonBlockingConnect(port, &result);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    ASSERT_TRUE(WaitConnected(client));
    // The accepting side closes first (the client sees the end of the
    // stream), so its port is left in TIME_WAIT.
    closesocket(accepted);
    char none = 0;
    ASSERT_TRUE(WaitUntil([&] { return recv(client, &none, 1, 0) == 0; }, 1000));
    closesocket(client);
    closesocket(listener);

    SOCKET again = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    EXPECT_EQ(bind(again, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << WSAGetLastError();
    EXPECT_EQ(listen(again, 5), 0);
    closesocket(again);
}

TEST_F(WinsockTest, AddressListQueryReportsTheInjectedAddressesInTwoCalls)
{
    TestSetLocalAddresses({"10.1.2.3", "192.168.7.9"});
    SOCKET query = socket(AF_INET, SOCK_STREAM, 0);
    DWORD needed = 0;
    EXPECT_EQ(
        WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, nullptr, 0, &needed, nullptr, nullptr),
        SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    ASSERT_GT(needed, 0u);

    std::vector<char> buffer(needed);
    DWORD got = 0;
    ASSERT_EQ(WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer.data(), needed, &got,
                       nullptr, nullptr),
              0);
    const SOCKET_ADDRESS_LIST* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(buffer.data());
    ASSERT_EQ(list->iAddressCount, 2);
    const char* expected[] = {"10.1.2.3", "192.168.7.9"};
    for (int i = 0; i < 2; ++i)
    {
        const sockaddr_in* address =
            reinterpret_cast<const sockaddr_in*>(list->Address[i].lpSockaddr);
        EXPECT_GE(reinterpret_cast<const char*>(address), buffer.data());
        EXPECT_LE(reinterpret_cast<const char*>(address + 1), buffer.data() + buffer.size());
        EXPECT_EQ(address->sin_family, AF_INET);
        EXPECT_STREQ(inet_ntoa(address->sin_addr), expected[i]);
    }

    // The machine's own list leaves loopback out.
    TestUseRealLocalAddresses();
    needed = 0;
    WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, nullptr, 0, &needed, nullptr, nullptr);
    buffer.assign(needed, 0);
    ASSERT_EQ(WSAIoctl(query, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer.data(), needed, &got,
                       nullptr, nullptr),
              0);
    list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(buffer.data());
    for (int i = 0; i < list->iAddressCount; ++i)
    {
        const sockaddr_in* address =
            reinterpret_cast<const sockaddr_in*>(list->Address[i].lpSockaddr);
        EXPECT_NE(ntohl(address->sin_addr.s_addr) >> 24, 127u);
    }
    closesocket(query);
}

TEST(WinsockAddressTest, AddressTextAndByteOrder)
{
    const struct
    {
        const char* text;
        uint32_t host;
    } cases[] = {
        {"10.1.2.3", 0x0A010203u},
        {"127.0.0.1", 0x7F000001u},
        // The shorter forms: the last part fills the remaining bytes.
        {"1.2.3", 0x01020003u},
        {"10.65536", 0x0A010000u},
        {"0x7f.1", 0x7F000001u},
        {"256.1.2.3", INADDR_NONE},
        {"1.2.3.4x", INADDR_NONE},
        {"", INADDR_NONE},
        {nullptr, INADDR_NONE},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        uint32_t address = inet_addr(c.text);
        EXPECT_EQ(address == INADDR_NONE ? INADDR_NONE : ntohl(address), c.host);
    }
    in_addr address;
    address.s_addr = htonl(0xC0A80114u);
    EXPECT_STREQ(inet_ntoa(address), "192.168.1.20");
    EXPECT_EQ(ntohs(htons(1337)), 1337);
    const uint16_t port = htons(0x0539);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&port)[0], 0x05);
    const uint32_t word = htonl(0x0A010203u);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&word)[0], 0x0A);
}
