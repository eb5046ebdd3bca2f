// Fuzz target: the datagram parser and the lockstep core behind it. The input
// is a run of datagrams, each a length byte, a sender byte (even: the peer,
// odd: someone else; bits 1-2: the frames the host runs after it) and its
// bytes. Each is parsed (a parsed datagram must
// encode to the same bytes) and handed to a host whose game is on; whatever
// comes, the host neither crashes nor loses or changes an input of the other
// side it has for a frame it has not run, and sends no
// address that never showed the session's values more bytes than it sent.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "net/lockstep.h"

namespace {

// Counts what the host sends to each address (the last byte names it) and
// keeps the last datagram.
class NullTransport : public net::Transport {
 public:
  bool send(const net::Address& to, const std::uint8_t* data, std::size_t size) override {
    FUZZ_CHECK(size <= net::MAX_DATAGRAM);
    sent[to.bytes[3]] += size;
    last.assign(data, data + size);
    return true;
  }
  long receive(net::Address*, std::uint8_t*, std::size_t) override { return -1; }
  std::size_t sent[256] = {};
  std::vector<std::uint8_t> last;
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
  // Another protocol's hello or welcome is read only as far as its versions,
  // client size and delay, whatever its length.
  const bool foreign = m.handshake.versions.protocol != net::PROTOCOL_VERSION &&
                       (m.kind == net::Kind::Hello || m.kind == net::Kind::Welcome);
  FUZZ_CHECK(foreign ? size >= length : length == size);
  for (std::size_t i = 0; i < (foreign ? 14 : size); ++i) FUZZ_CHECK(again[i] == data[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  checkRoundTrip(data, size);

  NullTransport transport;
  net::Config config;
  config.side = net::Player::Host;
  config.own_value = 0x5EED;
  net::Lockstep host(config);
  const net::Address peer = address(2);
  // The joiner's hello, its challenge, the hello with the cookie: the game is on.
  net::Message hello;
  hello.kind = net::Kind::Hello;
  hello.handshake.delay = 3;
  hello.handshake.width = 734;
  hello.handshake.height = 531;
  hello.session.joiner = 0x70;
  std::uint8_t bytes[net::MAX_DATAGRAM];
  host.receive(transport, peer, bytes, net::encode(hello, bytes), 0);
  net::Message challenge;
  FUZZ_CHECK(net::parse(transport.last.data(), transport.last.size(), &challenge) ==
             net::ParseError::None);
  hello.cookie = challenge.cookie;
  host.receive(transport, peer, bytes, net::encode(hello, bytes), 0);
  FUZZ_CHECK(host.state() == net::State::Running);
  std::size_t received[256] = {};
  const net::Session session{0x70, 0x5EED};
  bool stranger_holds_session = false;

  FuzzInput in(data, size);
  std::uint32_t now = 0;
  for (int i = 0; i < 64; ++i) {
    const std::size_t length = in.byte();
    // The sender byte: bit 0 the sender, bits 1-2 how many ready frames run
    // after it (0: all), so that the host may hold inputs it has not run.
    const std::uint8_t sender = in.byte();
    const bool from_peer = (sender & 1) == 0;
    const int frames_to_run = (sender >> 1) & 3;
    const std::vector<char> datagram = in.take(length);
    if (datagram.empty() && length > 0) break;
    checkRoundTrip(reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size());
    received[from_peer ? 2 : 3] += datagram.size();
    // Whoever holds the session's two values is the peer, wherever it sends
    // from: only one that never showed them is a stranger.
    net::Message m;
    stranger_holds_session = stranger_holds_session ||
                             (!from_peer &&
                              net::parse(reinterpret_cast<const std::uint8_t*>(datagram.data()),
                                         datagram.size(), &m) == net::ParseError::None &&
                              m.session == session);
    // The other side's controls the host has for frames it has not run yet.
    const std::uint32_t known = host.remoteKnown();
    std::uint8_t had[64] = {};
    for (std::uint32_t f = host.nextFrame(); f < known && f - host.nextFrame() < 64; ++f) {
      had[f - host.nextFrame()] = host.remoteControls(f);
    }
    host.receive(transport, from_peer ? peer : address(3),
                 reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size(), now);
    host.poll(transport, now);
    // Whatever came, none of them is lost or changed.
    FUZZ_CHECK(host.remoteKnown() >= known);
    for (std::uint32_t f = host.nextFrame(); f < known && f - host.nextFrame() < 64; ++f) {
      FUZZ_CHECK(host.remoteControls(f) == had[f - host.nextFrame()]);
    }
    // Frames the core says are ready run; this side's controls are set.
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    for (int run = 0; host.ready() && (frames_to_run == 0 || run < frames_to_run); ++run) {
      host.setLocalControls(static_cast<std::uint8_t>(i));
      const int count = host.advance(events);
      FUZZ_CHECK(count >= 0 && count <= net::MAX_FRAME_EVENTS);
    }
    now += 5;
  }
  // A stranger gets no more than it sent: no amplification.
  FUZZ_CHECK(stranger_holds_session || transport.sent[3] <= received[3]);
  const net::Counters& c = host.counters();
  FUZZ_CHECK(c.received + c.dropped() + c.stale >= 1);
  return 0;
}
