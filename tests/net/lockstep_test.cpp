// Two lockstep cores in one process over a simulated network: the same
// merged input on both sides, the merged duel played by the real program,
// differing pictures found, hostile datagrams dropped and counted, and the
// ways a game ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "net/lockstep.h"
#include "tests/support/fresh_state.h"
#include "tests/support/net/sim_game.h"
#include "tools/replay/replay.h"

namespace net {
namespace {

// A player's arm controls held over stretches of frames: [from, to).
struct Hold {
  std::uint32_t from;
  std::uint32_t to;
  std::uint8_t held;
};

std::uint8_t controlsAt(const std::vector<Hold>& holds, std::uint32_t frame) {
  std::uint8_t byte = 0;
  for (const Hold& h : holds) {
    if (frame < h.from || frame >= h.to) continue;
    byte |= h.held;
    if (frame == h.from) byte |= static_cast<std::uint8_t>(h.held << 1);  // pressed
  }
  return byte;
}

constexpr std::uint8_t BACK = ARM_BACK_HELD;
constexpr std::uint8_t ON = ARM_ON_HELD;

// A 3000-frame duel: each player swings its arm, walks, and fires (both arm
// controls held) in turns, as the replay runner's golden duel does.
const std::vector<Hold> HOST_DUEL = {
    {130, 380, BACK}, {160, 390, ON},   {600, 900, ON},     {610, 905, BACK},   {1100, 1510, BACK},
    {1130, 1500, ON}, {1700, 1990, ON}, {1720, 2000, BACK}, {2300, 2700, BACK}, {2320, 2690, ON}};
const std::vector<Hold> JOINER_DUEL = {
    {130, 420, ON},     {150, 400, BACK}, {500, 810, BACK},   {520, 800, ON},   {1000, 1405, ON},
    {1040, 1400, BACK}, {1600, 1990, ON}, {1610, 1995, BACK}, {2200, 2600, ON}, {2230, 2620, BACK}};

SimGameOptions duel(std::uint64_t seed, const LinkProfile& link, std::uint32_t frames) {
  SimGameOptions o;
  o.seed = seed;
  o.link = link;
  o.frames = frames;
  o.host_controls = [](std::uint32_t f) { return controlsAt(HOST_DUEL, f); };
  o.joiner_controls = [](std::uint32_t f) { return controlsAt(JOINER_DUEL, f); };
  return o;
}

const LinkProfile FIXED_50 = {50, 0, 0, 0, 0};
const LinkProfile ROUGH = {20, 100, 0.10, 0.02, 0.05};  // 20..120 ms, lossy

// The merged stream as a replay script: for each frame, its events.
replay::Script scriptOf(const std::vector<FrameRecord>& frames) {
  replay::Script script;
  for (std::uint32_t f = 0; f < frames.size(); ++f) {
    for (const GameEvent& e : frames[f].events) {
      replay::ScriptEvent s;
      s.frame = f;
      s.kind = e.mouse ? replay::EventKind::Mouse : replay::EventKind::Key;
      s.code = e.code;
      s.down = e.down;
      script.events.push_back(s);
      script.last_frame = f;
    }
  }
  return script;
}

// The replay runner's lines for a script.
std::vector<std::string> runnerLines(const replay::Script& script, std::uint32_t frames) {
  std::FILE* out = std::tmpfile();
  EXPECT_NE(out, nullptr);
  replay::Options options;
  options.frames = frames;
  EXPECT_EQ(replay::run(script, options, out), 0);
  std::rewind(out);
  std::vector<std::string> lines;
  char line[256];
  while (std::fgets(line, sizeof line, out) != nullptr) lines.emplace_back(line);
  std::fclose(out);
  return lines;
}

class Lockstep2 : public FreshState {};

TEST_F(Lockstep2, BothSidesMergeTheSameDuelAndTheProgramPlaysIt) {
  const struct {
    const char* what;
    LinkProfile link;
    std::uint64_t seed;
  } cases[] = {{"50 ms fixed latency", FIXED_50, 7},
               {"20..120 ms, 10 % loss, 2 % duplicates, reordering", ROUGH, 11}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const SimGameResult r = runSimGame(duel(c.seed, c.link, 3000));
    ASSERT_EQ(r.host.frames.size(), 3000u);
    ASSERT_EQ(r.joiner.frames.size(), 3000u);
    EXPECT_EQ(r.host.state, State::Running);
    EXPECT_EQ(r.joiner.state, State::Running);
    for (std::uint32_t f = 0; f < 3000; ++f) {
      ASSERT_EQ(r.host.frames[f], r.joiner.frames[f]) << "frame " << f;
    }
    EXPECT_EQ(r.host.counters.dropped(), 0u);
    EXPECT_EQ(r.joiner.counters.dropped(), 0u);

    // The merged duel through the real program, once: the game is in play.
    resetProgramState();
    const std::vector<std::string> lines = runnerLines(scriptOf(r.host.frames), 3000);
    ASSERT_EQ(lines.size(), 3001u);  // the client line, then one per frame
    std::set<std::string> crcs;
    bool knocked[2] = {};
    for (std::size_t i = 1; i < lines.size(); ++i) {
      std::istringstream words(lines[i]);
      std::string frame, crc;
      long v[11] = {};
      words >> frame >> crc;
      for (long& x : v) words >> x;
      crcs.insert(crc);
      knocked[0] |= v[4] == 20;
      knocked[1] |= v[9] == 20;
    }
    EXPECT_GT(crcs.size(), 1000u);
    EXPECT_TRUE(knocked[0]);
    EXPECT_TRUE(knocked[1]);
  }
}

// Both players press at random, often while the controls are locked: the
// merge's idea of the lock is the game's in every frame, and the joiner's
// clicks alone select levels.
class RandomPresses : public replay::FrameSource {
 public:
  bool frameEvents(std::uint32_t frame, const std::vector<replay::ScriptEvent>&,
                   std::vector<replay::ScriptEvent>* out) override {
    const bool locked = !g_game.controlsEnabled();
    EXPECT_EQ(merger_.locked(), locked) << "frame " << frame;
    if (level_ != g_game.level_change_frame && by_joiner_) ++joiner_builds;
    level_ = g_game.level_change_frame;
    std::uint8_t bytes[2] = {};
    for (int p = 0; p < 2; ++p) {
      for (int c = 0; c < 2; ++c) {
        // Held 1..40 frames, then free 1..200 (the host's presses rarer).
        if (--left_[p][c] > 0) {
          bytes[p] |= static_cast<std::uint8_t>(held_[p][c] ? 1 << (2 * c) : 0);
          continue;
        }
        held_[p][c] = !held_[p][c];
        left_[p][c] = static_cast<int>(held_[p][c] ? 1 + random_() % 40
                                                   : 1 + random_() % (p == 0 ? 400 : 100));
        if (held_[p][c]) bytes[p] |= static_cast<std::uint8_t>(3 << (2 * c));
      }
    }
    by_joiner_ = locked && bytes[0] == 0 && bytes[1] != 0;
    GameEvent events[MAX_FRAME_EVENTS];
    const int count = merger_.merge(bytes[0], bytes[1], events);
    for (int i = 0; i < count; ++i) {
      replay::ScriptEvent e;
      e.frame = frame;
      e.kind = events[i].mouse ? replay::EventKind::Mouse : replay::EventKind::Key;
      e.code = events[i].code;
      e.down = events[i].down;
      out->push_back(e);
    }
    return true;
  }
  void painted(std::uint32_t, std::uint32_t) override {}

  int joiner_builds = 0;  // level builds in frames only the joiner pressed in

 private:
  InputMerger merger_;
  std::minstd_rand random_{23};
  bool held_[2][2] = {};
  int left_[2][2] = {{1, 7}, {3, 5}};
  std::uint32_t level_ = 0;
  bool by_joiner_ = false;
};

TEST_F(Lockstep2, TheMergeFollowsTheGamesLocksAndTheJoinerSelectsLevels) {
  RandomPresses presses;
  replay::Options options;
  options.frames = 3000;
  options.network = &presses;
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(replay::run(replay::Script{}, options, sink), 0);
  std::fclose(sink);
  EXPECT_GE(presses.joiner_builds, 5);
}

TEST_F(Lockstep2, APictureThatDiffersIsReportedByBothNamingItsFrame) {
  const struct {
    Player side;
    LinkProfile link;
    std::uint32_t from;
  } cases[] = {{Player::Host, FIXED_50, 1234},
               {Player::Joiner, FIXED_50, 700},
               {Player::Joiner, ROUGH, 1500}};
  for (const auto& c : cases) {
    SimGameOptions o = duel(5, c.link, 3000);
    o.flip_side = c.side;
    o.flip_from = c.from;
    const SimGameResult r = runSimGame(o);
    SCOPED_TRACE(c.from);
    EXPECT_EQ(r.host.desync_frame, r.joiner.desync_frame);
    for (const SimGameSide* s : {&r.host, &r.joiner}) {
      EXPECT_EQ(s->state, State::Desync);
      EXPECT_GE(s->desync_frame, c.from);
      EXPECT_LE(s->desync_frame, c.from + 3);
      // Found within the next few frames.
      EXPECT_LE(s->frames_at_desync, c.from + 12);
    }
  }
}

// One frame's picture differs on one side, that frame only: both sides find
// it and name it within a second, over a clean line, a lossy one and a
// jittery, reordering one, in every seeded run; without a difference none is
// ever reported. Every frame's checksum travels until acknowledged.
TEST(LockstepChecksums, OneDifferingFrameIsFoundByBothNamingItWithinASecond) {
  constexpr int RUNS = 300;
  constexpr int CLEAN_RUNS = 30;
  constexpr std::uint32_t SECOND = 60;
  const struct {
    const char* name;
    LinkProfile link;
  } lines[] = {{"clean", {0, 0, 0, 0, 0}},
               {"20 ms, 10 % loss", {20, 0, 0.10, 0, 0}},
               {"20..120 ms, reordering", {20, 100, 0, 0, 0.05}}};
  std::printf("%-24s %6s %14s %14s %12s\n", "line", "runs", "found by both", "frames: median",
              "worst");
  for (const auto& line : lines) {
    SCOPED_TRACE(line.name);
    std::vector<std::uint32_t> waits;
    int found = 0;
    for (int run = 0; run < RUNS + CLEAN_RUNS; ++run) {
      const bool differs = run < RUNS;
      const std::uint32_t flip = 20 + static_cast<std::uint32_t>(run * 37) % 200;
      SimGameOptions o =
          duel(static_cast<std::uint64_t>(run) + 1, line.link, differs ? flip + 2 * SECOND : 300);
      if (differs) {
        o.flip_side = run % 2 == 0 ? Player::Host : Player::Joiner;
        o.flip_from = flip;
        o.flip_frames = 1;
      }
      const SimGameResult r = runSimGame(o);
      if (!differs) {
        EXPECT_EQ(r.host.state, State::Running) << "run " << run;
        EXPECT_EQ(r.joiner.state, State::Running) << "run " << run;
        EXPECT_GE(r.host.counters.compared, 300u - SECOND) << "run " << run;
        continue;
      }
      const bool both = r.host.state == State::Desync && r.joiner.state == State::Desync &&
                        r.host.desync_frame == flip && r.joiner.desync_frame == flip;
      EXPECT_TRUE(both) << "run " << run << ": frame " << flip << ", host " << r.host.desync_frame
                        << ", joiner " << r.joiner.desync_frame;
      if (!both) continue;
      ++found;
      // Frames run past the differing one when the later side knew.
      const std::uint32_t wait =
          std::max(r.host.frames_at_desync, r.joiner.frames_at_desync) - (flip + 1);
      EXPECT_LE(wait, SECOND) << "run " << run;
      waits.push_back(wait);
    }
    EXPECT_EQ(found, RUNS);
    std::sort(waits.begin(), waits.end());
    std::printf("%-24s %6d %14d %14u %12u\n", line.name, RUNS, found,
                waits.empty() ? 0 : waits[waits.size() / 2], waits.empty() ? 0 : waits.back());
  }
}

// The traffic of a 3000-frame duel each way, in bytes a second: under 4 KB.
TEST(LockstepChecksums, TrafficStaysUnderFourKilobytesASecondEachWay) {
  const SimGameResult r = runSimGame(duel(9, FIXED_50, 3000));
  ASSERT_EQ(r.host.frames.size(), 3000u);
  const double seconds = r.elapsed_ms / 1000.0;
  for (const SimGameSide* s : {&r.host, &r.joiner}) {
    const double rate = static_cast<double>(s->sent.bytes) / seconds;
    std::printf("%s: %llu datagrams, %.0f bytes a second\n", s == &r.host ? "host" : "joiner",
                static_cast<unsigned long long>(s->sent.datagrams), rate);
    EXPECT_LT(rate, 4000.0);
    EXPECT_GE(s->counters.compared, 2990u);
  }
}

std::vector<std::uint8_t> bytesOf(const Message& m) {
  std::vector<std::uint8_t> bytes(MAX_DATAGRAM);
  bytes.resize(encode(m, bytes.data()));
  return bytes;
}

Message helloOf(std::uint16_t logic, std::uint8_t protocol, bool versions_only,
                std::uint64_t cookie) {
  Message m;
  m.kind = Kind::Hello;
  m.handshake.versions.protocol = protocol;
  m.handshake.versions.logic = logic;
  m.handshake.delay = 3;
  m.handshake.width = m.handshake.height = 200;
  m.versions_only = versions_only;
  m.session.joiner = 42;
  m.cookie = cookie;
  return m;
}

// A running game over a clean link, and datagrams an attacker sends either
// side at frame 200: one who reads the traffic and so has the session's
// values (what the game then takes it checks like anything else), or one who
// has not, from the other side's address or any. Each changes nothing but
// its counter.
TEST(LockstepHostile, DatagramsNoPeerSendsChangeNothingAndAreCounted) {
  const SimGameResult clean = runSimGame(duel(3, FIXED_50, 400));
  ASSERT_EQ(clean.host.frames.size(), 400u);
  const Session ours = simSession(3);
  const Session earlier = simSession(2);

  auto input = [&](std::uint32_t newest, std::uint32_t ack, std::uint8_t fill, Session session) {
    Message m;
    m.kind = Kind::Input;
    m.input.newest = newest;
    m.input.ack = ack;
    m.session = session;
    std::memset(m.input.inputs, fill, INPUT_WINDOW);
    return bytesOf(m);
  };
  auto kind = [&](Kind k, Session session) {
    Message m;
    m.kind = k;
    m.session = session;
    m.frame = 10;
    m.handshake.versions.logic = 0;
    m.handshake.delay = 3;
    m.handshake.width = m.handshake.height = 100;
    return bytesOf(m);
  };
  std::vector<std::uint8_t> too_long = input(10, 5, 0, ours);
  too_long.push_back(0);
  std::vector<std::uint8_t> bad = input(200, 150, 0, ours);
  bad[50] = 0x80;  // a checksum beyond their count
  std::vector<std::uint8_t> other_version = kind(Kind::Hello, {});
  other_version[4] = 9;  // another game logic
  const Session no_host = {ours.joiner, 0};
  const std::string get = "GET / HTTP";
  using C = Counters;
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool from_peer;
    std::uint64_t C::*host;              // the counter at the host
    std::uint64_t C::*joiner = nullptr;  // and at the joiner, when another
  } cases[] = {
      {"short", {'S', 'Q', 4, PROTOCOL_VERSION, 0}, true, &C::short_},
      {"long", too_long, true, &C::long_},
      {"garbage", {get.begin(), get.end()}, true, &C::garbage},
      {"replayed", input(10, 5, 0, ours), true, &C::stale},
      {"frames out of range", input(1000000, 150, 0, ours), true, &C::out_of_range},
      {"acknowledging frames not sent", input(150, 100000, 0, ours), true, &C::out_of_range},
      {"inputs that differ from the ones had", input(178, 150, ON, ours), true, &C::conflicting},
      {"inputs that cannot be", bad, true, &C::bad_value},
      {"input without the session's values", input(200, 150, 0, {}), true, &C::no_session},
      {"input with J but not H", input(200, 150, 0, no_host), true, &C::no_session},
      {"input of an earlier session", input(200, 150, 0, earlier), true, &C::no_session},
      {"a third party's input", input(200, 150, BACK, {}), false, &C::no_session},
      {"leave without the session", kind(Kind::Leave, {}), true, &C::no_session},
      {"desync without the session", kind(Kind::Desync, earlier), true, &C::no_session},
      {"full", kind(Kind::Full, ours), true, &C::garbage, &C::stale},
      {"a stranger's hello", kind(Kind::Hello, {}), false, &C::challenged, &C::garbage},
      {"a hello of another version", other_version, false, &C::other_version, &C::garbage},
      {"a hello with a forged cookie", bytesOf(helloOf(0, PROTOCOL_VERSION, false, 12345)), true,
       &C::bad_cookie, &C::garbage},
  };
  for (const auto& c : cases) {
    for (const int target : {0, 1}) {
      SCOPED_TRACE(c.what);
      SCOPED_TRACE(target == 0 ? "at the host" : "at the joiner");
      SimGameOptions o = duel(3, FIXED_50, 400);
      o.each_ms = [&c, target](SimNetwork& network, std::uint32_t now) {
        // The host is endpoint 0 (10.0.0.1), the joiner 1 (10.0.0.2).
        if (now < 3300 || now >= 3310) return;
        Address to, from;
        to.size = from.size = 4;
        to.bytes[0] = from.bytes[0] = 10;
        to.bytes[3] = static_cast<std::uint8_t>(target + 1);
        from.bytes[3] = c.from_peer ? static_cast<std::uint8_t>(2 - target) : 9;
        network.inject(from, to, c.bytes.data(), c.bytes.size());
      };
      const SimGameResult r = runSimGame(o);
      EXPECT_EQ(r.host.frames, clean.host.frames);
      EXPECT_EQ(r.joiner.frames, clean.host.frames);
      EXPECT_EQ(r.host.state, State::Running);
      EXPECT_EQ(r.joiner.state, State::Running);
      const Counters& at = target == 0 ? r.host.counters : r.joiner.counters;
      EXPECT_GE(at.*(target == 0 || c.joiner == nullptr ? c.host : c.joiner), 10u);
    }
  }
}

// The furthest a joiner can be: it has run every frame this host's controls
// allow (0..2 at delay 3; with a rollback limit of 8, 8 more on a
// prediction) and set its controls for the next one (frame 6; 14). One frame
// further is out of range.
TEST(LockstepHostile, ThePeersFurthestDatagramIsTakenAndNoFurther) {
  // What the host sends, kept.
  struct Keep : Transport {
    std::vector<std::uint8_t> last;
    bool send(const Address&, const std::uint8_t* data, std::size_t size) override {
      last.assign(data, data + size);
      return true;
    }
    long receive(Address*, std::uint8_t*, std::size_t) override { return -1; }
  };
  const struct {
    int rollback;
    std::uint32_t newest;
    std::uint64_t out_of_range;
  } cases[] = {{0, 6, 0}, {0, 7, 1}, {8, 14, 0}, {8, 15, 1}};
  for (const auto& c : cases) {
    Keep end;
    Config config;
    config.own_value = 77;
    config.rollback = c.rollback;
    Lockstep host(config);
    Address joiner;
    joiner.size = 4;
    Message m = helloOf(0, PROTOCOL_VERSION, false, 0);
    std::uint8_t bytes[MAX_DATAGRAM];
    host.receive(end, joiner, bytes, encode(m, bytes), 0);
    Message challenge;
    ASSERT_EQ(parse(end.last.data(), end.last.size(), &challenge), ParseError::None);
    ASSERT_EQ(challenge.kind, Kind::Challenge);
    m.cookie = challenge.cookie;
    host.receive(end, joiner, bytes, encode(m, bytes), 0);
    ASSERT_EQ(host.state(), State::Running);
    m = Message{};
    m.kind = Kind::Input;
    m.session = {42, 77};
    m.input.newest = c.newest;
    m.input.ack = 3;
    m.input.inputs[INPUT_WINDOW - 1] = ARM_ON_HELD;
    host.receive(end, joiner, bytes, encode(m, bytes), 0);
    EXPECT_EQ(host.counters().out_of_range, c.out_of_range) << c.newest;
  }
}

// A transport that keeps a copy of every datagram sent through it.
class Tap : public Transport {
 public:
  explicit Tap(Transport& inner) : inner_(inner) {}
  bool send(const Address& to, const std::uint8_t* data, std::size_t size) override {
    sent.emplace_back(data, data + size);
    return inner_.send(to, data, size);
  }
  long receive(Address* from, std::uint8_t* data, std::size_t capacity) override {
    return inner_.receive(from, data, capacity);
  }
  std::vector<std::vector<std::uint8_t>> sent;

 private:
  Transport& inner_;
};

// Two cores driven by hand over one simulated network.
struct Pair {
  SimNetwork network;
  Transport& host_end = network.addEndpoint();
  Transport& joiner_raw = network.addEndpoint();
  Tap joiner_end{joiner_raw};
  Lockstep host;
  Lockstep joiner;
  std::uint32_t now = 0;
  std::uint32_t joiner_differs_from = NO_FRAME;  // its pictures from this frame on

  explicit Pair(ProgramVersions joiner_versions = {}, int delay = 3,
                const LinkProfile& link = FIXED_50)
      : network(1, link),
        host(config(Player::Host, {}, delay)),
        joiner(config(Player::Joiner, joiner_versions, delay + 2)) {}

  Config config(Player side, ProgramVersions versions, int delay) {
    Config c;
    c.side = side;
    c.versions = versions;
    c.delay = delay;
    c.peer = network.addressOf(host_end);
    c.own_value = side == Player::Host ? 0x1111 : 0x2222;
    return c;
  }

  // Runs the clock, each side polling and running what frames it can; the
  // joiner through `joiner_via` when given (else its own end).
  void run(std::uint32_t ms, bool joiner_alive = true, Transport* joiner_via = nullptr) {
    for (std::uint32_t end = now + ms; now < end; ++now) {
      network.setNow(now);
      host.poll(host_end, now);
      if (joiner_alive) joiner.poll(joiner_via != nullptr ? *joiner_via : joiner_end, now);
      // Controls are set as soon as a frame is due, whether it can run or not.
      if (now % 16 == 0) {
        host.setLocalControls(ARM_ON_HELD);
        joiner.setLocalControls(ARM_BACK_HELD);
      }
      // Each frame's picture the same on both.
      GameEvent events[MAX_FRAME_EVENTS];
      while (host.ready() && now % 16 == 0) {
        host.advance(events);
        host.setFrameCrc(host.nextFrame() - 1, host.nextFrame());
      }
      while (joiner_alive && joiner.ready() && now % 16 == 0) {
        joiner.advance(events);
        const std::uint32_t f = joiner.nextFrame() - 1;
        joiner.setFrameCrc(f, f >= joiner_differs_from ? 0 : f + 1);
      }
    }
  }
};

TEST(LockstepEnding, EachEndingIsTheSameOnBothSides) {
  {
    SCOPED_TRACE("another game logic: the joiner stops, naming the host's; the host waits on");
    Pair p(ProgramVersions{PROTOCOL_VERSION, 2, 0, 1, 0});
    p.run(500);
    EXPECT_EQ(p.host.state(), State::Connecting);
    EXPECT_EQ(p.joiner.state(), State::VersionMismatch);
    EXPECT_EQ(p.joiner.peerVersions().logic, 0);
    EXPECT_GE(p.host.counters().other_version, 1u);
    EXPECT_EQ(p.joiner.nextFrame(), 0u);
  }
  {
    SCOPED_TRACE("the joiner leaves");
    Pair p;
    p.run(1000);
    ASSERT_EQ(p.host.state(), State::Running);
    EXPECT_GT(p.host.nextFrame(), 30u);
    EXPECT_EQ(p.host.counters().dropped() + p.joiner.counters().dropped(), 0u);
    p.joiner.leave(p.joiner_end);
    p.run(200, false);
    EXPECT_EQ(p.host.state(), State::PeerLeft);
  }
  {
    SCOPED_TRACE("no host: the joiner gives up after 15 s");
    SimNetwork network(1, FIXED_50);
    Transport& end = network.addEndpoint();
    Config c;
    c.side = Player::Joiner;
    c.peer.size = 4;  // nobody's address
    Lockstep joiner(c);
    for (std::uint32_t now = 0; now <= 15000; now += 10) joiner.poll(end, now);
    EXPECT_EQ(joiner.state(), State::NotAnswering);
    // Every 100 ms a hello and the versions alone.
    EXPECT_EQ(network.sentBy(end).datagrams, 300u);
  }
}

// A joiner falls silent at 1 s; what reaches the host from its address after
// that, every 3 s, is old: its datagrams, resent by anyone, or its hello. Only
// progress keeps a game alive: not answering after 15 s, not before.
TEST(LockstepEnding, ADeadPeersOldDatagramsDoNotKeepTheGameAlive) {
  const struct {
    const char* what;
    bool inputs;
    bool hello;
  } cases[] = {{"nothing more", false, false},
               {"its last input datagrams again", true, false},
               {"its hello again", false, true},
               {"both", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Pair p;
    p.run(1000);
    ASSERT_EQ(p.host.state(), State::Running);
    std::vector<std::vector<std::uint8_t>> old;
    for (const auto& bytes : p.joiner_end.sent) {
      const bool is_hello = bytes[2] == static_cast<std::uint8_t>(Kind::Hello);
      if ((c.hello && is_hello) || (c.inputs && !is_hello)) old.push_back(bytes);
    }
    if (old.size() > 4) old.erase(old.begin(), old.end() - 4);
    const Address joiner = p.network.addressOf(p.joiner_raw);
    const Address host = p.network.addressOf(p.host_end);
    const std::uint64_t stale = p.host.counters().stale;
    // The host's own datagrams stop mattering once it last heard news.
    for (std::uint32_t t = 0; t < 14900; t += 100) {
      if (t % 3000 == 0) {
        for (const auto& bytes : old) p.network.inject(joiner, host, bytes.data(), bytes.size());
      }
      p.run(100, false);
    }
    EXPECT_EQ(p.host.state(), State::Running);
    p.run(200, false);
    EXPECT_EQ(p.host.state(), State::NotAnswering);
    if (!old.empty()) {
      EXPECT_GE(p.host.counters().stale, stale + 4);
    }
  }
}

// Leave and desync are resent until acknowledged, for a second at most: the
// other side hears them over a lossy line, and a side nobody answers stops.
TEST(LockstepEnding, LeaveAndDesyncAreToldUntilAcknowledged) {
  const LinkProfile HALF_LOST = {20, 0, 0.5, 0, 0};
  const struct {
    const char* what;
    LinkProfile link;
    bool desync;
    bool host_alive;
  } cases[] = {
      {"leave, clean line", FIXED_50, false, true},
      {"leave, half the datagrams lost", HALF_LOST, false, true},
      {"leave, nobody answers", FIXED_50, false, false},
      {"desync, half the datagrams lost", HALF_LOST, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Pair p(ProgramVersions{}, 3, c.link);
    p.run(1000);
    ASSERT_EQ(p.joiner.state(), State::Running);
    const std::uint64_t sent = p.network.sentBy(p.joiner_raw).datagrams;
    if (c.desync) {
      // The joiner's pictures differ from a frame neither has run yet.
      p.joiner_differs_from = p.joiner.nextFrame() + 20;
    } else {
      p.joiner.leave(p.joiner_end);
      EXPECT_FALSE(p.joiner.told());
    }
    // From the first side's ending until both have told what they had to.
    std::uint32_t ended_at = c.desync ? 0 : 1;
    std::uint32_t told_at = 0;
    for (std::uint32_t t = 0; t < 3000; t += 10) {
      if (c.host_alive) {
        p.run(10);
      } else {
        for (std::uint32_t end = p.now + 10; p.now < end; ++p.now) {
          p.network.setNow(p.now);
          p.joiner.poll(p.joiner_end, p.now);
        }
      }
      if (ended_at == 0 &&
          (p.host.state() != State::Running || p.joiner.state() != State::Running)) {
        ended_at = t + 1;
      }
      const bool ended = p.host.state() != State::Running || !c.host_alive;
      if (told_at == 0 && ended && p.joiner.told() && p.host.told()) {
        told_at = t + 10 - ended_at + 1;
      }
    }
    EXPECT_TRUE(p.joiner.told());
    EXPECT_NE(told_at, 0u);
    if (c.host_alive) {
      EXPECT_LT(told_at, 1000u);
      EXPECT_EQ(p.host.state(), c.desync ? State::Desync : State::PeerLeft);
      EXPECT_EQ(p.host.desyncFrame(), p.joiner.desyncFrame());
      if (c.desync) {
        EXPECT_EQ(p.joiner.state(), State::Desync);
      }
    } else {
      // Every 50 ms for a second, then no more.
      EXPECT_GE(told_at, 1000u);
      EXPECT_LE(told_at, 1020u);
      EXPECT_EQ(p.network.sentBy(p.joiner_raw).datagrams - sent, 20u);
    }
  }
}

TEST(LockstepEnding, ASecondJoinerIsToldTheGameIsFull) {
  Pair p(ProgramVersions{}, 2);
  Transport& third_end = p.network.addEndpoint();
  Config c;
  c.side = Player::Joiner;
  c.peer = p.network.addressOf(p.host_end);
  Lockstep third(c);
  p.run(500);
  for (int i = 0; i < 50; ++i) {
    third.poll(third_end, p.now);
    p.run(10);
  }
  EXPECT_EQ(third.state(), State::Full);
  EXPECT_EQ(p.host.state(), State::Running);
  EXPECT_EQ(p.joiner.state(), State::Running);
  EXPECT_EQ(p.host.delay(), 2);
  EXPECT_EQ(p.joiner.delay(), 2);  // the host's, not the 4 it asked for
  EXPECT_GE(p.host.counters().third_party, 1u);
  // Proved by its cookie, then told; nothing else.
  EXPECT_EQ(third.counters().received, 2u);
  EXPECT_GE(p.host.counters().challenged, 2u);
  EXPECT_GT(p.joiner.nextFrame(), 10u);
}

// What a transport sends, by address: the bytes.
class Ledger : public Transport {
 public:
  explicit Ledger(Transport& inner) : inner_(inner) {}
  bool send(const Address& to, const std::uint8_t* data, std::size_t size) override {
    for (auto& [address, bytes] : sent_) {
      if (address == to) {
        bytes += size;
        return inner_.send(to, data, size);
      }
    }
    sent_.emplace_back(to, size);
    return inner_.send(to, data, size);
  }
  long receive(Address* from, std::uint8_t* data, std::size_t capacity) override {
    return inner_.receive(from, data, capacity);
  }
  std::uint64_t sentTo(const Address& to) const {
    for (const auto& [address, bytes] : sent_) {
      if (address == to) return bytes;
    }
    return 0;
  }

 private:
  Transport& inner_;
  std::vector<std::pair<Address, std::uint64_t>> sent_;
};

Address stranger() {
  Address a;
  a.size = 4;
  a.bytes[0] = 10;
  a.bytes[3] = 99;  // no endpoint: it never answers
  return a;
}

// A waiting host gets what strangers send, then its joiner comes: each forged
// datagram changes nothing but a counter, and the joiner plays.
TEST(LockstepStrangers, AWaitingHostTakesOnlyAProvedJoiner) {
  Message leave;
  leave.kind = Kind::Leave;
  Message desync;
  desync.kind = Kind::Desync;
  desync.frame = 1;
  Message input;
  input.kind = Kind::Input;
  input.input.newest = 5;
  Message full;
  full.kind = Kind::Full;
  Message earlier = input;
  earlier.session = {0x2222, 0x1111};  // the session these two will have
  const struct {
    const char* what;
    Message message;
    std::uint64_t Counters::*counter;
  } cases[] = {
      {"a stranger's hello", helloOf(0, PROTOCOL_VERSION, false, 0), &Counters::challenged},
      {"a hello of another logic", helloOf(7, PROTOCOL_VERSION, false, 0),
       &Counters::other_version},
      {"a hello of the first protocol", helloOf(0, 1, true, 0), &Counters::other_version},
      {"a hello with a made-up cookie", helloOf(0, PROTOCOL_VERSION, false, 99),
       &Counters::bad_cookie},
      {"leave", leave, &Counters::no_session},
      {"desync", desync, &Counters::no_session},
      {"input", input, &Counters::no_session},
      {"input of the session to come", earlier, &Counters::no_session},
      {"full", full, &Counters::garbage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Pair p;
    const std::vector<std::uint8_t> bytes = bytesOf(c.message);
    for (const Address& from : {stranger(), p.network.addressOf(p.joiner_raw)}) {
      for (int i = 0; i < 5; ++i) {
        p.host.receive(p.host_end, from, bytes.data(), bytes.size(), 0);
      }
    }
    EXPECT_EQ(p.host.state(), State::Connecting);
    EXPECT_EQ(p.host.counters().*c.counter, 10u);
    p.run(1000);
    EXPECT_EQ(p.host.state(), State::Running);
    EXPECT_EQ(p.joiner.state(), State::Running);
    EXPECT_GT(p.host.nextFrame(), 30u);
  }
}

// Hellos from an address that never answers, of every sort, 100 a second for
// 30 s, before and during a game: the host sends there no more bytes than it
// got from there, and keeps nothing for it.
TEST(LockstepStrangers, NoAnswerToAnAddressNotProvedIsLargerThanWhatCameFromIt) {
  const Message hellos[] = {helloOf(0, PROTOCOL_VERSION, false, 0),
                            helloOf(0, PROTOCOL_VERSION, true, 0),
                            helloOf(3, PROTOCOL_VERSION, false, 0), helloOf(0, 1, true, 0),
                            helloOf(0, PROTOCOL_VERSION, false, 12345)};
  for (const bool with_game : {false, true}) {
    SCOPED_TRACE(with_game ? "during a game" : "while waiting");
    SimNetwork network(4, FIXED_50);
    Transport& raw = network.addEndpoint();
    Transport& joiner_end = network.addEndpoint();
    Ledger host_end(raw);
    Config hc;
    hc.own_value = 1;
    hc.cookie_key[0] = 9;
    Lockstep host(hc);
    Config jc;
    jc.side = Player::Joiner;
    jc.own_value = 2;
    jc.peer = network.addressOf(raw);
    Lockstep joiner(jc);
    std::uint64_t received = 0;
    for (std::uint32_t now = 0; now < 30000; ++now) {
      network.setNow(now);
      if (now % 10 == 0) {
        const std::vector<std::uint8_t> bytes = bytesOf(hellos[(now / 10) % std::size(hellos)]);
        network.inject(stranger(), network.addressOf(raw), bytes.data(), bytes.size());
        received += bytes.size();
      }
      host.poll(host_end, now);
      if (with_game) {
        joiner.poll(joiner_end, now);
        GameEvent events[MAX_FRAME_EVENTS];
        for (Lockstep* side : {&host, &joiner}) {
          if (now % 16 != 0 || !side->ready()) continue;
          side->advance(events);
          side->setFrameCrc(side->nextFrame() - 1, 0);
        }
      }
    }
    const std::uint64_t sent = host_end.sentTo(stranger());
    std::printf("%s: %llu bytes from the stranger, %llu to it\n",
                with_game ? "during a game" : "while waiting",
                static_cast<unsigned long long>(received), static_cast<unsigned long long>(sent));
    EXPECT_GT(sent, 0u);
    EXPECT_LE(sent, received);
    EXPECT_EQ(host.state(), with_game ? State::Running : State::Connecting);
  }
}

// The joiner's address changes in the game (a home router's new port): the
// host follows it, both play on.
TEST(LockstepStrangers, TheSessionIsFollowedToANewAddress) {
  Pair p;
  Transport& moved = p.network.addEndpoint();
  p.run(1000);
  ASSERT_EQ(p.host.state(), State::Running);
  const std::uint32_t before = p.host.nextFrame();
  p.run(2000, true, &moved);
  EXPECT_EQ(p.host.state(), State::Running);
  EXPECT_EQ(p.joiner.state(), State::Running);
  EXPECT_GT(p.host.nextFrame(), before + 100);
  EXPECT_EQ(p.host.peer(), p.network.addressOf(moved));
}

// A joiner's hello that finds no program at the port (the system's refusal):
// the joiner says so after a second, unless an address of the host answers.
TEST(LockstepStrangers, AJoinRefusedOutrightEndsWithinASecond) {
  // Refuses each hello once, at its first read; answers through `inner` when
  // given.
  struct Refusing : Transport {
    Transport* inner = nullptr;
    int pending = 0;
    bool send(const Address& to, const std::uint8_t* data, std::size_t size) override {
      ++pending;
      return inner == nullptr || inner->send(to, data, size);
    }
    long receive(Address* from, std::uint8_t* data, std::size_t capacity) override {
      if (pending > 0) {
        pending = 0;
        return REFUSED;
      }
      return inner == nullptr ? -1 : inner->receive(from, data, capacity);
    }
  };
  for (const bool host_there : {false, true}) {
    SCOPED_TRACE(host_there ? "another address of the host answers" : "nobody there");
    SimNetwork network(1, FIXED_50);
    Transport& host_end = network.addEndpoint();
    Transport& joiner_end = network.addEndpoint();
    Config hc;
    Lockstep host(hc);
    Config jc;
    jc.side = Player::Joiner;
    jc.peer = network.addressOf(host_end);
    Lockstep joiner(jc);
    Refusing refusing;
    if (host_there) refusing.inner = &joiner_end;
    std::uint32_t ended = 0;
    for (std::uint32_t now = 0; now < 3000 && ended == 0; ++now) {
      network.setNow(now);
      host.poll(host_end, now);
      joiner.poll(refusing, now);
      if (joiner.state() != State::Connecting) ended = now;
    }
    EXPECT_GE(joiner.counters().refused, 1u);
    if (host_there) {
      EXPECT_EQ(joiner.state(), State::Running);
    } else {
      EXPECT_EQ(joiner.state(), State::Refused);
      EXPECT_GE(ended, 1000u);
      EXPECT_LE(ended, 1100u);
    }
  }
}

}  // namespace
}  // namespace net
