// Test-owned TCP peers on 127.0.0.1, as plain descriptors outside the engine's
// socket layer, so that a test can wait until the other side's stack holds
// what a peer sent before it lets the engine read: no fixed sleeps.
#pragma once

#include <cstdint>
#include <vector>

// A blocking socket connected to 127.0.0.1:port, or -1.
int LoopbackConnect(uint16_t port);
// A socket listening on 127.0.0.1 on a free port, or -1; the port goes to *port.
int LoopbackListen(uint16_t* port);
// The next connection on the listener, waiting at most the time given; -1 if
// none came.
int LoopbackAccept(int listener, int milliseconds);
// Sends every byte, then waits until the peer's stack has acknowledged all of
// them (they are in its receive queue); false on a failed send or when the
// time is up.
bool LoopbackSendDelivered(int fd, const std::vector<uint8_t>& bytes, int milliseconds);
void LoopbackClose(int fd);
