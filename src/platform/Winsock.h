// The subset of Winsock 2 that the network layer calls: start-up, TCP sockets
// in non-blocking mode and the local address list. Implemented over POSIX
// sockets with Winsock's behaviour where the two differ.
#pragma once

#include "platform/Win32.h"

// u_long and u_short come from the C library here (unsigned long and unsigned
// short); addresses and ports are held in fixed 32 and 16 bits.
#include <sys/types.h>

typedef int SOCKET;

const SOCKET INVALID_SOCKET = -1;
const int SOCKET_ERROR = -1;

// Address families, socket types, protocols.
const int AF_INET = 2;
const int SOCK_STREAM = 1;
const int IPPROTO_TCP = 6;

// Socket options (setsockopt levels and names).
const int SOL_SOCKET = 0xFFFF;
const int SO_REUSEADDR = 0x0004;
const int SO_SNDBUF = 0x1001;
const int SO_RCVBUF = 0x1002;
const int SO_ERROR = 0x1007;
const int TCP_NODELAY = 0x0001;

// ioctlsocket commands: FIONBIO takes 0 or 1, FIONREAD returns the bytes waiting.
const long FIONBIO = 1;
const long FIONREAD = 2;

// WSAIoctl control code that fills a SOCKET_ADDRESS_LIST.
const DWORD SIO_ADDRESS_LIST_QUERY = 0x48000016;

// shutdown directions.
const int SD_RECEIVE = 0;
const int SD_SEND = 1;
const int SD_BOTH = 2;

const uint32_t INADDR_ANY = 0x00000000;
const uint32_t INADDR_NONE = 0xFFFFFFFF;

// Error codes returned by WSAGetLastError.
const int WSAEACCES = 10013;
const int WSAEFAULT = 10014;
const int WSAEINVAL = 10022;
const int WSAEMFILE = 10024;
const int WSAEWOULDBLOCK = 10035;
const int WSAEINPROGRESS = 10036;
const int WSAENOTSOCK = 10038;
const int WSAEMSGSIZE = 10040;
const int WSAENOPROTOOPT = 10042;
const int WSAEAFNOSUPPORT = 10047;
const int WSAEADDRINUSE = 10048;
const int WSAEADDRNOTAVAIL = 10049;
const int WSAENETDOWN = 10050;
const int WSAENETUNREACH = 10051;
const int WSAECONNABORTED = 10053;
const int WSAECONNRESET = 10054;
const int WSAENOBUFS = 10055;
const int WSAEISCONN = 10056;
const int WSAENOTCONN = 10057;
const int WSAESHUTDOWN = 10058;
const int WSAETIMEDOUT = 10060;
const int WSAECONNREFUSED = 10061;
const int WSAEHOSTUNREACH = 10065;
const int WSANOTINITIALISED = 10093;
// Any failure of the underlying system that has no closer code.
const int WSASYSCALLFAILURE = 10107;

struct WSADATA
{
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

// An IPv4 address in network byte order.
struct in_addr
{
    uint32_t s_addr;
};

struct sockaddr
{
    uint16_t sa_family;
    char sa_data[14];
};

struct sockaddr_in
{
    int16_t sin_family;
    uint16_t sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};

typedef sockaddr SOCKADDR;
typedef sockaddr_in SOCKADDR_IN;

struct SOCKET_ADDRESS
{
    sockaddr* lpSockaddr;
    int iSockaddrLength;
};

// A count followed by that many entries; the addresses they point at follow
// the entries in the same buffer.
struct SOCKET_ADDRESS_LIST
{
    int iAddressCount;
    SOCKET_ADDRESS Address[1];
};

struct WSAOVERLAPPED;
typedef void (*LPWSAOVERLAPPED_COMPLETION_ROUTINE)(DWORD error, DWORD bytes,
                                                   WSAOVERLAPPED* overlapped, DWORD flags);

// Start-up and clean-up are counted: sockets work between the first
// WSAStartup and the matching last WSACleanup, and fail with
// WSANOTINITIALISED otherwise. Returns 0 or an error code.
int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
// The error of the last failed call on this thread.
int WSAGetLastError();

// Every call below returns SOCKET_ERROR (or INVALID_SOCKET) on failure and
// leaves the reason for WSAGetLastError. None raises a signal.
SOCKET socket(int family, int type, int protocol);
// The option value is an int.
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int getsockopt(SOCKET s, int level, int name, char* value, int* length);
int ioctlsocket(SOCKET s, long command, u_long* argument);
// A connect that cannot finish at once on a non-blocking socket fails with
// WSAEWOULDBLOCK and goes on in the background.
int connect(SOCKET s, const sockaddr* address, int length);
// Lets a listener bind a port that closed connections still hold.
int bind(SOCKET s, const sockaddr* address, int length);
int listen(SOCKET s, int backlog);
// The accepted socket takes the listener's blocking mode.
SOCKET accept(SOCKET s, sockaddr* address, int* length);
int getpeername(SOCKET s, sockaddr* address, int* length);
int getsockname(SOCKET s, sockaddr* address, int* length);
// A zero-byte receive tests the connection: 0 when it stands, WSAENOTCONN
// while a connect is still under way, the connect's error when it failed.
int recv(SOCKET s, char* buffer, int length, int flags);
// Never raises SIGPIPE on a connection the peer has closed.
int send(SOCKET s, const char* buffer, int length, int flags);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
// Only SIO_ADDRESS_LIST_QUERY: the IPv4 addresses of the interfaces that are
// up, loopback excluded. A buffer too small fails with WSAEFAULT and stores
// the size needed in bytesReturned.
int WSAIoctl(SOCKET s, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
             DWORD* bytesReturned, WSAOVERLAPPED* overlapped,
             LPWSAOVERLAPPED_COMPLETION_ROUTINE completion);

// IPv4 address text to an address in network order, read as the C library
// reads it (the dotted quad and its shorter classful forms); INADDR_NONE when
// it is not an address or is null.
uint32_t inet_addr(const char* text);
// The dotted text of an address, in a buffer that the next call overwrites.
char* inet_ntoa(in_addr address);
uint16_t htons(uint16_t value);
uint16_t ntohs(uint16_t value);
uint32_t htonl(uint32_t value);
uint32_t ntohl(uint32_t value);
