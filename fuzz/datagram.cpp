// Fuzz target: the datagram parser and the lockstep core behind it. The input
// is a run of datagrams, each a length byte, a sender byte (even: the peer,
// odd: someone else; bits 1-2: the frames the host runs after it) and its
// bytes. Each is parsed (a parsed datagram must
// encode to the same bytes) and handed to two hosts whose games are on, one
// in lockstep and one with a rollback limit; whatever comes, neither host
// crashes nor loses or changes an input of the other side it has, and
// neither sends an address that never showed the session's values more
// bytes than it sent. The rollback host never changes a confirmed frame,
// names no frame it has not run as mispredicted, and after running the
// frames since one again has none.
#include <algorithm>
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

// A host whose joiner has said hello, been challenged and said hello again:
// its game is on.
void seat(net::Lockstep& host, NullTransport& transport, const net::Address& peer) {
  net::Message hello;
  hello.kind = net::Kind::Hello;
  hello.handshake.delay = 3;
  hello.handshake.rollback = 8;
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
}

// What a host holds that no datagram may change: the other side's controls
// had (the newest 32 frames of them) and, with a rollback limit, the
// confirmed frames' controls and events (the newest 40).
struct Held {
  std::uint32_t known = 0;
  std::uint8_t remote[32] = {};
  std::uint32_t confirmed = 0;
  struct Frame {
    std::uint8_t host = 0;
    std::uint8_t joiner = 0;
    int count = 0;
    net::GameEvent events[net::MAX_FRAME_EVENTS];
  } frames[40];

  static std::uint32_t back(std::uint32_t to, std::uint32_t span) {
    return to > span ? to - span : 0;
  }
  explicit Held(const net::Lockstep& host)
      : known(host.remoteKnown()), confirmed(host.confirmedFrames()) {
    for (std::uint32_t f = back(known, 32); f < known; ++f) remote[f % 32] = host.remoteControls(f);
    for (std::uint32_t f = back(confirmed, 40); f < confirmed; ++f) {
      Frame& k = frames[f % 40];
      k.count = host.confirmedEvents(f, k.events, &k.host, &k.joiner);
    }
  }
  void check(const net::Lockstep& host) const {
    FUZZ_CHECK(host.remoteKnown() >= known);
    for (std::uint32_t f = back(known, 32); f < known; ++f) {
      FUZZ_CHECK(host.remoteControls(f) == remote[f % 32]);
    }
    FUZZ_CHECK(host.confirmedFrames() >= confirmed);
    FUZZ_CHECK(host.confirmedFrames() <= host.nextFrame());
    FUZZ_CHECK(host.confirmedFrames() <= host.remoteKnown());
    for (std::uint32_t f = back(confirmed, 40); f < confirmed; ++f) {
      const Frame& k = frames[f % 40];
      Frame now;
      now.count = host.confirmedEvents(f, now.events, &now.host, &now.joiner);
      FUZZ_CHECK(now.count == k.count && now.host == k.host && now.joiner == k.joiner);
      for (int e = 0; e < now.count; ++e) FUZZ_CHECK(now.events[e] == k.events[e]);
    }
  }
};

// Runs the frames a misprediction names again (each with a checksum), then
// up to `frames` ready frames (0: all) unless the time sync holds one.
void runFrames(net::Lockstep& host, int frames, std::uint8_t controls, std::uint32_t now) {
  net::GameEvent events[net::MAX_FRAME_EVENTS];
  const std::uint32_t from = host.mispredicted();
  FUZZ_CHECK(from == net::NO_FRAME || from < host.nextFrame());
  if (from != net::NO_FRAME) {
    for (std::uint32_t f = from; f < host.nextFrame(); ++f) {
      const int count = host.rerun(f, events);
      FUZZ_CHECK(count >= 0 && count <= net::MAX_FRAME_EVENTS);
      host.setFrameCrc(f, f * 2654435761u);
    }
    FUZZ_CHECK(host.mispredicted() == net::NO_FRAME);
  }
  for (int run = 0; host.ready() && (frames == 0 || run < frames); ++run) {
    if (host.slowDown(now)) break;
    host.setLocalControls(controls);
    const std::uint32_t frame = host.nextFrame();
    const int count = host.advance(events);
    FUZZ_CHECK(count >= 0 && count <= net::MAX_FRAME_EVENTS);
    host.setFrameCrc(frame, frame * 2654435761u);
  }
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

  NullTransport transports[2];
  net::Config config;
  config.side = net::Player::Host;
  config.own_value = 0x5EED;
  net::Lockstep lockstep(config);
  config.rollback = 8;
  net::Lockstep rollback(config);
  net::Lockstep* hosts[2] = {&lockstep, &rollback};
  const net::Address peer = address(2);
  for (int h = 0; h < 2; ++h) seat(*hosts[h], transports[h], peer);
  FUZZ_CHECK(rollback.rollback() == 8 && lockstep.rollback() == 0);
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
    for (int h = 0; h < 2; ++h) {
      net::Lockstep& host = *hosts[h];
      const Held held(host);
      host.receive(transports[h], from_peer ? peer : address(3),
                   reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size(), now);
      host.poll(transports[h], now);
      // Whatever came, nothing held is lost or changed.
      held.check(host);
      runFrames(host, frames_to_run, static_cast<std::uint8_t>(i), now);
      held.check(host);
      if (h == 0) {
        // Lockstep runs nothing on a prediction.
        FUZZ_CHECK(host.confirmedFrames() == host.nextFrame());
        FUZZ_CHECK(host.nextFrame() <= host.remoteKnown());
      }
    }
    now += 5;
  }
  for (int h = 0; h < 2; ++h) {
    // A stranger gets no more than it sent: no amplification.
    FUZZ_CHECK(stranger_holds_session || transports[h].sent[3] <= received[3]);
    const net::Counters& c = hosts[h]->counters();
    FUZZ_CHECK(c.received + c.dropped() + c.stale >= 1);
  }
  return 0;
}
