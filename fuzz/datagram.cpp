// Fuzz target: the datagram parser and the lockstep core behind it. The input
// is a run of datagrams, each a length byte, a sender byte (even: the peer,
// odd: someone else) and its bytes. Each is parsed (a parsed datagram must
// encode to the same bytes) and handed to a host whose game is on; whatever
// comes, the host neither crashes nor loses the inputs it has.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "net/lockstep.h"

namespace {

class NullTransport : public net::Transport {
 public:
  bool send(const net::Address&, const std::uint8_t*, std::size_t size) override {
    FUZZ_CHECK(size <= net::MAX_DATAGRAM);
    return true;
  }
  long receive(net::Address*, std::uint8_t*, std::size_t) override { return -1; }
};

net::Address address(std::uint8_t last) {
  net::Address a;
  a.size = 4;
  a.bytes[0] = 10;
  a.bytes[3] = last;
  return a;
}

void checkRoundTrip(const std::uint8_t* data, std::size_t size) {
  net::Message m;
  if (net::parse(data, size, &m) != net::ParseError::None) return;
  std::uint8_t again[net::MAX_DATAGRAM];
  const std::size_t length = net::encode(m, again);
  FUZZ_CHECK(length == size);
  for (std::size_t i = 0; i < size; ++i) {
    // A "full" answer is read in any protocol version and written in ours.
    if (i == 3 && m.kind == net::Kind::Full) continue;
    FUZZ_CHECK(again[i] == data[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  checkRoundTrip(data, size);

  NullTransport transport;
  net::Config config;
  config.side = net::Player::Host;
  net::Lockstep host(config);
  const net::Address peer = address(2);
  // The joiner's hello starts the game.
  net::Message hello;
  hello.kind = net::Kind::Hello;
  hello.handshake.delay = 3;
  hello.handshake.width = 734;
  hello.handshake.height = 531;
  std::uint8_t bytes[net::MAX_DATAGRAM];
  const std::size_t hello_size = net::encode(hello, bytes);
  host.receive(transport, peer, bytes, hello_size, 0);
  FUZZ_CHECK(host.state() == net::State::Running);

  FuzzInput in(data, size);
  std::uint32_t now = 0;
  for (int i = 0; i < 64; ++i) {
    const std::size_t length = in.byte();
    const bool from_peer = (in.byte() & 1) == 0;
    const std::vector<char> datagram = in.take(length);
    if (datagram.empty() && length > 0) break;
    checkRoundTrip(reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size());
    host.receive(transport, from_peer ? peer : address(3),
                 reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size(), now);
    // Frames the core says are ready run; this side's controls are set.
    host.poll(transport, now);
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    while (host.ready()) {
      host.setLocalControls(static_cast<std::uint8_t>(i));
      const int count = host.advance(events);
      FUZZ_CHECK(count >= 0 && count <= net::MAX_FRAME_EVENTS);
    }
    now += 5;
  }
  const net::Counters& c = host.counters();
  FUZZ_CHECK(c.received + c.dropped() + c.stale >= 1);
  return 0;
}
