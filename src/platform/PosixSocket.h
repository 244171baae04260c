// The POSIX socket calls under the Winsock layer, with plain types only, so
// that this header and Winsock.h can meet in one file. Addresses and ports are
// in network byte order. Each failure returns -1 and stores a Winsock error
// code in *error.
#pragma once

#include <cstdint>
#include <vector>

namespace PosixSocket
{
enum class Option
{
    ReuseAddress,
    SendBuffer,
    ReceiveBuffer,
    Error,
    NoDelay
};

// A TCP socket over IPv4, closed on exec.
int Open(int* error);
int Close(int fd, int* error);
int SetOption(int fd, Option option, int value, int* error);
int GetOption(int fd, Option option, int* value, int* error);
int SetNonBlocking(int fd, bool nonBlocking, int* error);
int BytesWaiting(int fd, uint32_t* count, int* error);
// A connect under way on a non-blocking socket reports WSAEWOULDBLOCK.
int Connect(int fd, uint32_t address, uint16_t port, int* error);
int Bind(int fd, uint32_t address, uint16_t port, int* error);
int Listen(int fd, int backlog, int* error);
// The new socket is non-blocking when the listener is.
int Accept(int fd, uint32_t* address, uint16_t* port, int* error);
int PeerName(int fd, uint32_t* address, uint16_t* port, int* error);
int SocketName(int fd, uint32_t* address, uint16_t* port, int* error);
// 0 when the socket is connected; WSAENOTCONN while its connect is under way,
// the connect's own error when it failed.
int ConnectStatus(int fd, int* error);
// Bytes received, 0 at the end of the stream.
int Receive(int fd, void* buffer, int length, int* error);
// Bytes sent; never raises SIGPIPE.
int Send(int fd, const void* buffer, int length, int* error);
int Shutdown(int fd, int how, int* error);
// IPv4 addresses of the interfaces that are up, loopback excluded, in the
// order the system lists them.
int LocalAddresses(std::vector<uint32_t>* addresses, int* error);

// The C library's address text and byte order calls. ParseAddress reads the
// forms the C library reads (dotted quad, shorter classful forms, octal and
// hex parts) and returns 0xFFFFFFFF for anything else; FormatAddress returns
// the C library's buffer, which its next call overwrites.
uint32_t ParseAddress(const char* text);
char* FormatAddress(uint32_t address);
uint16_t HostToNetwork16(uint16_t value);
uint16_t NetworkToHost16(uint16_t value);
uint32_t HostToNetwork32(uint32_t value);
uint32_t NetworkToHost32(uint32_t value);
} // namespace PosixSocket
