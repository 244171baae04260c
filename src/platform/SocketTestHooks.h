// Hooks through which tests control the socket layer: the local address list
// and every connect it makes. The game itself never calls these.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Makes WSAIoctl(SIO_ADDRESS_LIST_QUERY) report these dotted IPv4 addresses,
// in this order, instead of the machine's own.
void TestSetLocalAddresses(const std::vector<std::string>& addresses);
void TestUseRealLocalAddresses();

// Sees every connect before it is made, with the dotted address and the port
// in host order, and may rewrite both. Returning false holds the connect: the
// socket reports a connect under way that never finishes, and no packet is sent.
typedef std::function<bool(std::string& address, int& port)> TestConnectFilter;
void TestSetConnectFilter(TestConnectFilter filter);
void TestClearConnectFilter();

// While set, a connect to an address outside 127.0.0.0/8 (after the filter)
// fails with WSAENETUNREACH before anything is sent.
void TestAllowOnlyLoopback(bool only);
