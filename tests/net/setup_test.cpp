// What a waiting host names to the other player: address records as text and
// the title made of them, whatever addresses this computer has.
#include <gtest/gtest.h>

#include <string>

#include "net/setup.h"
#include "net/udp.h"
#include "platform/win32.h"

namespace {

// An address record of either family, as the socket subset fills it.
net::Address record(int family, std::initializer_list<int> host) {
  net::Address a;
  a.bytes[0] = static_cast<std::uint8_t>(family);
  a.size =
      static_cast<std::uint8_t>(family == AF_INET ? sizeof(SOCKADDR_IN) : sizeof(SOCKADDR_IN6));
  std::size_t at = family == AF_INET ? 4 : 8;
  for (const int byte : host) a.bytes[at++] = static_cast<std::uint8_t>(byte);
  return a;
}

TEST(WaitingHost, AddressesAreWrittenShort) {
  const struct {
    net::Address address;
    const char* text;
  } cases[] = {
      {record(AF_INET, {192, 168, 1, 20}), "192.168.1.20"},
      {record(AF_INET, {10, 0, 0, 255}), "10.0.0.255"},
      {record(AF_INET6, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}),
       "2001:db8::5"},
      // The longest run of zeros goes, the first of two as long; a single zero stays.
      {record(AF_INET6, {0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3}), "1:0:0:2::3"},
      {record(AF_INET6, {0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 3, 0, 4}), "1::2:0:0:3:4"},
      {record(AF_INET6, {0, 1, 0, 0, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7}), "1:0:2:3:4:5:6:7"},
      {record(AF_INET6, {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "fd00::"},
      {record(AF_INET6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xab, 0xcd}), "::abcd"},
      {record(AF_INET6, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                         0xff, 0xff, 0xff, 0xff}),
       "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
      {net::Address{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(net::addressText(c.address), c.text);
}

TEST(WaitingHost, TitleNamesTheAddressesOrThePortAlone) {
  const struct {
    const char* ipv4;
    const char* ipv6;
    const char* title;
  } cases[] = {
      {"", "", "Starquell. Waiting for the other player on port 47600."},
      {"192.168.1.20", "",
       "Starquell. Waiting for the other player: join 192.168.1.20 port 47600."},
      {"192.168.1.20", "2001:db8::5",
       "Starquell. Waiting for the other player: join 192.168.1.20 or 2001:db8::5 port 47600."},
      {"", "2001:db8::5", "Starquell. Waiting for the other player: join 2001:db8::5 port 47600."},
  };
  for (const auto& c : cases) EXPECT_EQ(net::waitingTitle({c.ipv4, c.ipv6}, 47600), c.title);
}

// Whatever this computer's routes: an address named is one another computer
// could reach, never loopback, link-local or unspecified.
TEST(WaitingHost, OnlyReachableAddressesAreNamed) {
  const net::LocalAddresses local = net::localAddresses();
  if (!local.ipv4.empty()) {
    EXPECT_NE(local.ipv4.rfind("127.", 0), 0u) << local.ipv4;
    EXPECT_NE(local.ipv4.rfind("169.254.", 0), 0u) << local.ipv4;
    EXPECT_NE(local.ipv4, "0.0.0.0");
  }
  if (!local.ipv6.empty()) {
    EXPECT_NE(local.ipv6, "::1");
    EXPECT_NE(local.ipv6, "::");
    EXPECT_NE(local.ipv6.rfind("fe80:", 0), 0u) << local.ipv6;
  }
}

// The two calls that find them, as Windows answers: a datagram socket
// connected (nothing sent) has the local address the system would send from.
TEST(WaitingHost, AConnectedSocketTellsItsOwnAddress) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  const struct {
    const char* peer;
    const char* own;
  } cases[] = {{"127.0.0.1", "127.0.0.1"}, {"::1", "::1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.peer);
    net::Address peer;
    std::string error;
    ASSERT_TRUE(net::UdpTransport::resolve(c.peer, 47599, &peer, &error)) << error;
    const SOCKET s = socket(peer.bytes[0], SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) continue;  // no IPv6 here
    net::Address own;
    int length = static_cast<int>(net::Address::CAPACITY);
    // Neither bound nor connected, a socket has no address yet.
    EXPECT_EQ(getsockname(s, reinterpret_cast<SOCKADDR*>(own.bytes), &length), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    ASSERT_EQ(connect(s, reinterpret_cast<const SOCKADDR*>(peer.bytes), peer.size), 0);
    int small = 8;
    EXPECT_EQ(getsockname(s, reinterpret_cast<SOCKADDR*>(own.bytes), &small), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
    ASSERT_EQ(getsockname(s, reinterpret_cast<SOCKADDR*>(own.bytes), &length), 0);
    own.size = static_cast<std::uint8_t>(length);
    EXPECT_EQ(length, peer.size);
    EXPECT_EQ(net::addressText(own), c.own);
    EXPECT_NE(own.bytes[2] | own.bytes[3], 0) << "a port of its own";
    closesocket(s);
  }
  WSACleanup();
}

}  // namespace
