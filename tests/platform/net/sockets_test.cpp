// The Windows socket subset, and UDP between two lockstep cores over real
// loopback sockets. The same checks run on the platform layer and, in the
// Windows program's build, on the system's ws2_32 under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "net/lockstep.h"
#include "net/setup.h"
#include "net/udp.h"
#include "platform/win32.h"

namespace {

class Sockets : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  }
  void TearDown() override { WSACleanup(); }

  // The addresses of a numeric host and port.
  static ADDRINFOA* lookup(const char* node, const char* service, int family) {
    ADDRINFOA hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = family;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    ADDRINFOA* found = nullptr;
    EXPECT_EQ(getaddrinfo(node, service, &hints, &found), 0) << node;
    return found;
  }
};

TEST_F(Sockets, CallsMeanWhatTheyMeanOnWindows) {
  // Handles and arguments no socket has.
  EXPECT_EQ(closesocket(12345), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(socket(99, SOCK_DGRAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
  ADDRINFOA* none = nullptr;
  ADDRINFOA hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_flags = AI_NUMERICHOST;
  EXPECT_EQ(getaddrinfo("not an address", "1", &hints, &none), WSAHOST_NOT_FOUND);
  EXPECT_EQ(none, nullptr);

  // Addresses in Windows' records: the IPv6 family is 23.
  const struct {
    const char* node;
    int family;
    std::size_t length;
    std::uint8_t first_byte;  // of the address
  } addresses[] = {{"127.0.0.1", AF_INET, sizeof(SOCKADDR_IN), 127},
                   {"::1", AF_INET6, sizeof(SOCKADDR_IN6), 0}};
  for (const auto& a : addresses) {
    ADDRINFOA* found = lookup(a.node, "47600", AF_UNSPEC);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->ai_family, a.family);
    EXPECT_EQ(found->ai_addrlen, a.length);
    EXPECT_EQ(found->ai_addr->sa_family, a.family);
    if (a.family == AF_INET) {
      const auto* in = reinterpret_cast<const SOCKADDR_IN*>(found->ai_addr);
      EXPECT_EQ(in->sin_port, (47600 >> 8) | ((47600 & 0xFF) << 8));  // network order
      EXPECT_EQ(in->sin_addr.S_un.S_un_b.s_b1, a.first_byte);
    } else {
      const auto* in6 = reinterpret_cast<const SOCKADDR_IN6*>(found->ai_addr);
      EXPECT_EQ(in6->sin6_addr.u.Byte[15], 1);
    }
    freeaddrinfo(found);
  }
}

TEST_F(Sockets, DatagramsOverLoopbackWithoutBlocking) {
  for (const char* node : {"127.0.0.1", "::1"}) {
    SCOPED_TRACE(node);
    ADDRINFOA* any = lookup(node, "0", AF_UNSPEC);
    ASSERT_NE(any, nullptr);
    const SOCKET a = socket(any->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    if (a == INVALID_SOCKET && WSAGetLastError() == WSAEAFNOSUPPORT) {
      freeaddrinfo(any);
      std::printf("no IPv6 here: %s left out\n", node);
      continue;
    }
    ASSERT_NE(a, INVALID_SOCKET);
    // The receiver binds the first free port of a range (the subset has no
    // getsockname to learn a port the system picked).
    SOCKET b = INVALID_SOCKET;
    std::vector<std::uint8_t> b_address;
    for (int port = 47700; port < 47800 && b == INVALID_SOCKET; ++port) {
      ADDRINFOA* at = lookup(node, std::to_string(port).c_str(), any->ai_family);
      b = socket(any->ai_family, SOCK_DGRAM, IPPROTO_UDP);
      if (bind(b, at->ai_addr, static_cast<int>(at->ai_addrlen)) != 0) {
        EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
        closesocket(b);
        b = INVALID_SOCKET;
      } else {
        b_address.assign(reinterpret_cast<std::uint8_t*>(at->ai_addr),
                         reinterpret_cast<std::uint8_t*>(at->ai_addr) + at->ai_addrlen);
      }
      freeaddrinfo(at);
    }
    ASSERT_NE(b, INVALID_SOCKET);
    ULONG on = 1;
    ASSERT_EQ(ioctlsocket(b, static_cast<LONG>(FIONBIO), &on), 0);
    char buffer[8];
    SOCKADDR_IN6 from;
    int from_length = sizeof from;
    // Nothing waits: the call returns at once.
    EXPECT_EQ(
        recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_length),
        SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    const auto* to = reinterpret_cast<const sockaddr*>(b_address.data());
    const int to_length = static_cast<int>(b_address.size());
    ASSERT_EQ(sendto(a, "hello", 5, 0, to, to_length), 5);
    ASSERT_EQ(sendto(a, "0123456789", 10, 0, to, to_length), 10);
    int got = SOCKET_ERROR;
    for (int i = 0; i < 1000 && got == SOCKET_ERROR; ++i) {
      from_length = sizeof from;
      got = recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_length);
      if (got == SOCKET_ERROR) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(got, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(from.sin6_family, any->ai_family);
    // A datagram longer than the buffer: its start, and WSAEMSGSIZE.
    from_length = sizeof from;
    for (int i = 0; i < 1000; ++i) {
      got = recvfrom(b, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &from_length);
      if (got != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(got, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 8), "01234567");
    EXPECT_EQ(closesocket(a), 0);
    EXPECT_EQ(closesocket(b), 0);
    EXPECT_EQ(closesocket(b), SOCKET_ERROR);  // closed handles name nothing
    freeaddrinfo(any);
  }
}

TEST(SocketsStart, NothingWorksBeforeWSAStartup) {
  EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

// Two cores over real UDP on loopback, each side in its own thread at its
// own pace, as two computers would run.
TEST(UdpLockstep, TwoCoresPlayTheSameFramesOverLoopback) {
  for (const char* host_name : {"127.0.0.1", "::1"}) {
    SCOPED_TRACE(host_name);
    net::UdpTransport host_udp;
    std::string error;
    std::uint16_t port = 47600;
    while (!host_udp.listen(port, &error) && port < 47700) ++port;
    ASSERT_LT(port, 47700) << error;
    net::Address host_address;
    net::UdpTransport joiner_udp;
    if (!net::UdpTransport::resolve(host_name, port, &host_address, &error) ||
        !joiner_udp.openFor(host_address, &error)) {
      std::printf("no IPv6 here: %s left out (%s)\n", host_name, error.c_str());
      continue;
    }

    net::Config config;
    config.side = net::Player::Host;
    net::Lockstep host(config);
    config.side = net::Player::Joiner;
    config.peer = host_address;
    net::Lockstep joiner(config);
    constexpr std::uint32_t FRAMES = 300;
    std::vector<std::vector<net::GameEvent>> merged[2];
    std::atomic<std::uint32_t> done[2] = {0, 0};
    std::uint32_t chain[2] = {2166136261u, 2166136261u};
    auto play = [&](net::Lockstep& core, net::Transport& udp, int side) {
      const auto start = std::chrono::steady_clock::now();
      for (;;) {
        const auto now =
            static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count());
        core.poll(udp, now);
        if (core.state() != net::State::Running && core.state() != net::State::Connecting) break;
        if (now > 20000) break;
        if (core.ready() && core.nextFrame() < FRAMES) {
          const std::uint32_t f = core.nextFrame();
          // Each side fires in turns of 40 frames.
          core.setLocalControls(((f / 40) % 2 == static_cast<std::uint32_t>(side)) ? 5 : 0);
          net::GameEvent events[net::MAX_FRAME_EVENTS];
          const int count = core.advance(events);
          merged[side].emplace_back(events, events + count);
          done[side] = static_cast<std::uint32_t>(merged[side].size());
          // A chain over the merged events: equal while both merged the same.
          std::uint32_t& crc = chain[side];
          for (int i = 0; i < count; ++i) {
            crc = (crc ^ (events[i].code * 2u + (events[i].down ? 1u : 0u))) * 16777619u;
          }
          core.setFrameCrc(f, crc);
        } else if (done[0] >= FRAMES && done[1] >= FRAMES) {
          break;
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    };
    std::thread other([&] { play(joiner, joiner_udp, 1); });
    play(host, host_udp, 0);
    other.join();
    ASSERT_EQ(merged[0].size(), FRAMES);
    ASSERT_EQ(merged[1].size(), FRAMES);
    EXPECT_EQ(merged[0], merged[1]);
    EXPECT_EQ(host.counters().dropped(), 0u);
    EXPECT_EQ(joiner.counters().dropped(), 0u);
    // The pictures' checksums crossed and were compared, none differing.
    EXPECT_NE(host.state(), net::State::Desync);
    EXPECT_NE(joiner.state(), net::State::Desync);
    EXPECT_GT(host.counters().compared, FRAMES / 2);
    EXPECT_GT(joiner.counters().compared, FRAMES / 2);
  }
}

// The random source: the system's preferred generator alone, asked as the
// program asks; anything else is refused.
TEST(RandomSource, BCryptGenRandomFillsOnlyWhatItIsAskedRightly) {
  UCHAR a[32] = {};
  UCHAR b[32] = {};
  ASSERT_EQ(BCryptGenRandom(nullptr, a, sizeof a, BCRYPT_USE_SYSTEM_PREFERRED_RNG), 0);
  ASSERT_EQ(BCryptGenRandom(nullptr, b, sizeof b, BCRYPT_USE_SYSTEM_PREFERRED_RNG), 0);
  EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
  EXPECT_EQ(BCryptGenRandom(nullptr, a, 0, BCRYPT_USE_SYSTEM_PREFERRED_RNG), 0);
  // No algorithm handle without the flag that asks for the system's.
  EXPECT_NE(BCryptGenRandom(nullptr, a, sizeof a, 0), 0);
}

// What a host's two binds come to: both families, one of them (said on
// standard error), or a failure; a port in use on either is in use.
TEST(UdpHosting, OneFamilyAloneIsSaidAndAPortInUseIsRefused) {
  const struct {
    int v4;
    int v6;
    bool ok;
    const char* text;  // the note, or the error
  } cases[] = {
      {0, 0, true, ""},
      {WSAEAFNOSUPPORT, 0, true, "hosting on IPv6 only: IPv4 players cannot join"},
      {0, WSAEAFNOSUPPORT, true, "hosting on IPv4 only: IPv6 players cannot join"},
      {0, WSAEADDRNOTAVAIL, true, "hosting on IPv4 only: IPv6 players cannot join"},
      {WSAEADDRINUSE, 0, false, "port 4000 is in use"},
      {0, WSAEADDRINUSE, false, "port 4000 is in use"},
      {WSAEACCES, WSAEAFNOSUPPORT, false, "bind failed (socket error 10013)"},
  };
  for (const auto& c : cases) {
    std::string error;
    std::string note;
    EXPECT_EQ(net::UdpTransport::hosting(4000, c.v4, c.v6, &error, &note), c.ok) << c.text;
    EXPECT_EQ(c.ok ? note : error, c.text);
  }
  // Through real sockets: a second host on a port is told it is in use.
  net::UdpTransport first;
  std::string error;
  std::uint16_t port = 47800;
  while (!first.listen(port, &error) && port < 47900) ++port;
  ASSERT_LT(port, 47900) << error;
  net::UdpTransport second;
  EXPECT_FALSE(second.listen(port, &error));
  EXPECT_EQ(error, "port " + std::to_string(port) + " is in use");
}

// Over real sockets on loopback: a joiner that asks 127.0.0.2 hears a host on
// the wildcard address (which answers from 127.0.0.1), and what a stranger's
// socket sends either side, before and during the game, changes nothing but
// counters.
TEST(UdpLockstep, TheSessionIsHeardFromAnyAddressAndStrangersChangeNothing) {
  net::UdpTransport host_udp;
  std::string error;
  std::uint16_t port = 47900;
  while (!host_udp.listen(port, &error) && port < 48000) ++port;
  ASSERT_LT(port, 48000) << error;
  net::Config config;
  config.side = net::Player::Host;
  ASSERT_TRUE(net::drawSecrets(&config, &error)) << error;
  net::Lockstep host(config);
  net::UdpTransport joiner_udp;
  config.side = net::Player::Joiner;
  ASSERT_TRUE(net::drawSecrets(&config, &error)) << error;
  ASSERT_TRUE(net::openJoin(&joiner_udp, "127.0.0.2", port, &config, &error)) << error;
  net::Lockstep joiner(config);
  net::UdpTransport stranger;
  ASSERT_TRUE(stranger.openFor(config.peer, &error)) << error;

  auto bytesOf = [](const net::Message& m) {
    std::vector<std::uint8_t> bytes(net::MAX_DATAGRAM);
    bytes.resize(net::encode(m, bytes.data()));
    return bytes;
  };
  std::vector<std::vector<std::uint8_t>> forged;
  for (const net::Kind kind : {net::Kind::Hello, net::Kind::Leave, net::Kind::Desync,
                               net::Kind::Input, net::Kind::Full, net::Kind::Welcome}) {
    net::Message m;
    m.kind = kind;
    m.handshake.delay = 3;
    m.handshake.width = m.handshake.height = 100;
    m.session = {config.own_value, 1};  // the joiner's J, guessed H
    m.frame = 1;
    forged.push_back(bytesOf(m));
    m.handshake.versions.logic = 5;  // another version
    if (kind == net::Kind::Hello) forged.push_back(bytesOf(m));
  }
  constexpr std::uint32_t FRAMES = 200;
  std::vector<std::vector<net::GameEvent>> merged[2];
  const auto start = std::chrono::steady_clock::now();
  for (std::uint32_t tick = 0;; ++tick) {
    const auto now =
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
    if (now > 20000) break;
    if (tick % 20 == 0) {
      const std::vector<std::uint8_t>& bytes = forged[(tick / 20) % forged.size()];
      stranger.send(config.peer, bytes.data(), bytes.size());
      if (host.state() == net::State::Running)
        stranger.send(host.peer(), bytes.data(), bytes.size());
    }
    int side = 0;
    for (auto* pair : {&host, &joiner}) {
      net::Lockstep& core = *pair;
      core.poll(side == 0 ? static_cast<net::Transport&>(host_udp) : joiner_udp, now);
      if (core.ready() && core.nextFrame() < FRAMES) {
        core.setLocalControls(static_cast<std::uint8_t>(side == 0 ? 4 : 1));
        net::GameEvent events[net::MAX_FRAME_EVENTS];
        const int count = core.advance(events);
        merged[side].emplace_back(events, events + count);
        core.setFrameCrc(core.nextFrame() - 1, static_cast<std::uint32_t>(count));
      }
      ++side;
    }
    if (merged[0].size() >= FRAMES && merged[1].size() >= FRAMES &&
        host.counters().compared >= FRAMES && joiner.counters().compared >= FRAMES) {
      break;
    }
    if (host.state() != net::State::Running && host.state() != net::State::Connecting) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(merged[0].size(), FRAMES);
  ASSERT_EQ(merged[1].size(), FRAMES);
  EXPECT_EQ(merged[0], merged[1]);
  EXPECT_EQ(host.state(), net::State::Running);
  EXPECT_EQ(joiner.state(), net::State::Running);
  EXPECT_GE(host.counters().no_session, 1u);
  EXPECT_GE(host.counters().challenged, 2u);  // the joiner's and the stranger's
  EXPECT_GE(host.counters().other_version, 1u);
  EXPECT_GE(joiner.counters().no_session, 1u);
  EXPECT_EQ(joiner.counters().conflicting + joiner.counters().out_of_range, 0u);
}

// A joiner asking a port where no program listens hears the system's refusal
// and says so within a second or so, on the platform layer as on Windows.
TEST(UdpLockstep, AJoinRefusedOutrightSaysSoWithinASecond) {
  std::uint16_t port = 0;
  {
    // A port free now: bound, then let go.
    net::UdpTransport probe;
    std::string error;
    port = 48100;
    while (!probe.listen(port, &error) && port < 48200) ++port;
    ASSERT_LT(port, 48200) << error;
  }
  net::Config config;
  config.side = net::Player::Joiner;
  std::string error;
  net::UdpTransport udp;
  ASSERT_TRUE(net::openJoin(&udp, "127.0.0.1", port, &config, &error)) << error;
  net::Lockstep joiner(config);
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t now = 0;
  while (joiner.state() == net::State::Connecting && now < 5000) {
    now = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count());
    joiner.poll(udp, now);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
#ifdef _WIN32
  // Windows reports the refusal; Wine's sockets do not.
  if (joiner.counters().refused == 0) GTEST_SKIP() << "no refusal reported by this system";
#endif
  EXPECT_EQ(joiner.state(), net::State::Refused);
  EXPECT_LT(now, 2000u);
}

}  // namespace
