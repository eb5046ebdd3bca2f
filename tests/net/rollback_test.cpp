// The core's rollback mode: two sides over the simulated network run ahead
// of each other's input on a prediction and run frames again when it was
// wrong; their confirmed streams and checksums are those of a straight run.
// A misprediction made on purpose is named and corrected, a difference in a
// confirmed frame is named by both, and the time sync keeps a one-sided
// line's rollbacks short.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "net/lockstep.h"
#include "tests/support/net/sim_game.h"
#include "tests/support/net/sim_network.h"

namespace net {
namespace {

constexpr std::uint32_t FRAMES = 3600;

// A duel's controls for one player: each arm control held 5..60 frames, then
// free 5..90, now and then pressed and released within one frame; seeded.
std::vector<std::uint8_t> duelControls(std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(FRAMES);
  std::uint32_t x = seed * 2654435761u + 1;
  auto next = [&x](std::uint32_t n) {
    x = x * 1664525u + 1013904223u;
    return (x >> 8) % n;
  };
  bool held[2] = {};
  std::uint32_t left[2] = {1 + next(30), 1 + next(30)};
  for (std::uint32_t f = 0; f < FRAMES; ++f) {
    for (int c = 0; c < 2; ++c) {
      const auto bit = static_cast<std::uint8_t>(1 << (2 * c));  // held; << 1 pressed
      if (--left[c] == 0) {
        held[c] = !held[c];
        left[c] = held[c] ? 5 + next(56) : 5 + next(86);
        if (held[c]) bytes[f] |= static_cast<std::uint8_t>(bit << 1);
      } else if (!held[c] && next(40) == 0) {
        bytes[f] |= static_cast<std::uint8_t>(bit << 1);  // a tap
      }
      if (held[c]) bytes[f] |= bit;
    }
  }
  return bytes;
}

const std::vector<std::uint8_t> HOST_DUEL = duelControls(1);
const std::vector<std::uint8_t> JOINER_DUEL = duelControls(2);

// The merged stream of a game with these controls and delay, without a
// network, and the stand-in game's state after each frame.
struct Straight {
  std::vector<std::vector<GameEvent>> events;
  std::vector<std::uint32_t> crcs;
};

Straight straightRun(const std::vector<std::uint8_t>& host, const std::vector<std::uint8_t>& joiner,
                     std::uint32_t delay, std::uint32_t frames) {
  Straight s;
  InputMerger merger;
  std::uint32_t state = 0;
  for (std::uint32_t f = 0; f < frames; ++f) {
    GameEvent out[MAX_FRAME_EVENTS];
    const std::uint8_t h = f < delay ? 0 : host[f - delay];
    const std::uint8_t j = f < delay ? 0 : joiner[f - delay];
    const int count = merger.merge(h, j, out);
    s.events.emplace_back(out, out + count);
    state = standInFrame(state, out, count);
    s.crcs.push_back(state);
  }
  return s;
}

SimGameOptions game(const LinkProfile& link, int delay, int rollback) {
  SimGameOptions o;
  o.seed = 17;
  o.link = link;
  o.delay = delay;
  o.rollback = rollback;
  o.frames = FRAMES;
  o.host_controls = [](std::uint32_t f) { return HOST_DUEL[f]; };
  o.joiner_controls = [](std::uint32_t f) { return JOINER_DUEL[f]; };
  return o;
}

const LinkProfile CLEAN = {0, 0, 0, 0, 0};
const LinkProfile CITIES = {20, 60, 0.05, 0, 0};         // 50 +- 30 ms, 5 % loss
const LinkProfile CONTINENT = {50, 100, 0.05, 0, 0.05};  // 100 +- 50 ms, reordering
const LinkProfile ONE_WAY_80 = {80, 0, 0, 0, 0};         // the host's datagrams
const LinkProfile NO_DELAY = {0, 0, 0, 0, 0};            // the joiner's

// Over each line a 3600-frame duel: both sides' confirmed streams and their
// checksums are the straight run's; rollbacks happen where the line is slow;
// frames wait only where the line is slower than the limit allows; the time
// sync keeps the one-sided line's rollbacks short (without it they are
// longer) and a side whose clock is fast from running off (without it, that
// side soon runs at the limit and waits).
// Then the same game with one side's picture made to differ from frame 1800
// ends both, naming that frame.
TEST(Rollback, ConfirmedStreamsAreTheStraightRunsOnEveryLine) {
  const struct {
    const char* name;
    LinkProfile link;
    bool one_sided;
    std::uint32_t host_fast_permille;
    int rollback;
    bool time_sync;
    bool rollbacks;              // some must happen
    double most_waited_percent;  // of frames, each side
    std::uint32_t deepest;       // the deepest rollback at most
    double mean[2];              // the mean rollback at least, at most
  } lines[] = {
      {"clean", CLEAN, false, 0, 8, true, false, 0, 0, {0, 0}},
      {"50 +- 30 ms, 5 % loss", CITIES, false, 0, 8, true, true, 0, 7, {1, 2.5}},
      {"100 +- 50 ms, 5 % loss, reordering", CONTINENT, false, 0, 8, true, true, 0.5, 8, {2.5, 5}},
      {"80 ms one way", ONE_WAY_80, true, 0, 8, true, true, 0, 2, {0.9, 1.5}},
      {"80 ms one way, no time sync", ONE_WAY_80, true, 0, 8, false, true, 0, 3, {2.5, 3}},
      {"50 +- 30 ms, 5 %, host's clock 1 % fast", CITIES, false, 10, 8, true, true, 0, 7, {1, 2.5}},
      {"the same, no time sync", CITIES, false, 10, 8, false, true, 10, 8, {4, 8}},
      {"50 +- 30 ms, 5 % loss, lockstep", CITIES, false, 0, 0, true, false, 100, 0, {0, 0}},
  };
  constexpr int DELAY = 2;
  const Straight straight = straightRun(HOST_DUEL, JOINER_DUEL, DELAY, FRAMES);
  std::printf("%-40s %8s %8s %9s %8s %8s %7s\n", "line", "waited", "slowed", "rollbacks", "mean",
              "deepest", "seconds");
  for (const auto& line : lines) {
    SCOPED_TRACE(line.name);
    SimGameOptions o = game(line.link, DELAY, line.rollback);
    o.time_sync = line.time_sync;
    o.host_fast_permille = line.host_fast_permille;
    if (line.one_sided) o.joiner_link = NO_DELAY;
    const SimGameResult r = runSimGame(o);
    std::uint64_t rollbacks = 0, reruns = 0, slowed = 0;
    std::uint32_t deepest = 0, waited = 0;
    for (const SimGameSide* s : {&r.host, &r.joiner}) {
      EXPECT_EQ(s->state, State::Running);
      ASSERT_EQ(s->frames.size(), FRAMES);
      ASSERT_EQ(s->crcs.size(), FRAMES);
      for (std::uint32_t f = 0; f < FRAMES; ++f) {
        ASSERT_EQ(s->frames[f].events, straight.events[f]) << "frame " << f;
        ASSERT_EQ(s->crcs[f], straight.crcs[f]) << "frame " << f;
      }
      // Every confirmed checksum compared, none differing.
      EXPECT_GE(s->counters.compared, FRAMES - 60);
      EXPECT_EQ(s->counters.dropped(), 0u);
      EXPECT_LE(s->max_unconfirmed, static_cast<std::uint32_t>(line.rollback));
      EXPECT_LE(100.0 * s->waited / FRAMES, line.most_waited_percent);
      rollbacks += s->counters.rollbacks;
      reruns += s->counters.rerun_frames;
      slowed += s->counters.slowed;
      deepest = std::max(deepest, s->counters.deepest_rollback);
      waited += s->waited;
    }
    const double mean = rollbacks == 0 ? 0 : static_cast<double>(reruns) / rollbacks;
    std::printf("%-40s %8u %8llu %9llu %8.2f %8u %7.1f\n", line.name, waited,
                static_cast<unsigned long long>(slowed), static_cast<unsigned long long>(rollbacks),
                mean, deepest, r.elapsed_ms / 1000.0);
    EXPECT_EQ(rollbacks > 0, line.rollbacks);
    EXPECT_LE(deepest, line.deepest);
    EXPECT_GE(mean, line.mean[0]);
    EXPECT_LE(mean, line.mean[1]);
    if (line.rollback == 0 || !line.time_sync) {
      EXPECT_EQ(slowed, 0u);
    }

    // One side's picture differs from frame 1800 on: both name it.
    o.flip_from = 1800;
    o.flip_side = line.one_sided ? Player::Joiner : Player::Host;
    const SimGameResult d = runSimGame(o);
    for (const SimGameSide* s : {&d.host, &d.joiner}) {
      EXPECT_EQ(s->state, State::Desync);
      EXPECT_EQ(s->desync_frame, 1800u);
      EXPECT_LE(s->frames_at_desync, 1800u + 60);
    }
  }
}

// Two cores over a line without latency, driven by hand: the joiner's
// controls come late for frames the host has run on a prediction.
class Duo {
 public:
  explicit Duo(int rollback, int joiner_rollback = -1)
      : network_(5, LinkProfile{}),
        host_end_(network_.addEndpoint()),
        joiner_end_(network_.addEndpoint()),
        host_(config(Player::Host, rollback)),
        joiner_(config(Player::Joiner, joiner_rollback < 0 ? rollback : joiner_rollback)) {
    for (int i = 0; i < 10 && joiner_.state() != State::Running; ++i) pump();
  }

  Lockstep& host() { return host_; }
  Lockstep& joiner() { return joiner_; }

  // A few milliseconds of polling both ways.
  void pump() {
    for (int i = 0; i < 3; ++i) {
      network_.setNow(++now_);
      host_.poll(host_end_, now_);
      joiner_.poll(joiner_end_, now_);
    }
  }

  // Runs a side's frames up to `to` (as far as ready) with these controls,
  // each frame's checksum `crc(frame)`.
  template <typename Crc>
  void run(Lockstep& core, std::uint32_t to, const std::vector<std::uint8_t>& controls, Crc crc) {
    while (core.nextFrame() < to && core.ready()) {
      const std::uint32_t frame = core.nextFrame();
      core.setLocalControls(frame < controls.size() ? controls[frame] : 0);
      GameEvent events[MAX_FRAME_EVENTS];
      core.advance(events);
      core.setFrameCrc(frame, crc(frame));
      pump();
    }
  }

 private:
  Config config(Player side, int rollback) {
    Config c;
    c.side = side;
    c.delay = 2;
    c.rollback = rollback;
    c.own_value = side == Player::Host ? 0x40 : 0x41;
    if (side == Player::Joiner) c.peer = network_.addressOf(host_end_);
    return c;
  }

  SimNetwork network_;
  Transport& host_end_;
  Transport& joiner_end_;
  Lockstep host_;
  Lockstep joiner_;
  std::uint32_t now_ = 0;
};

// A player's arm controls held over stretches of the frames it samples
// them in, [from, to), pressed in the first.
struct Hold {
  std::uint32_t from;
  std::uint32_t to;
  std::uint8_t held;
};

std::vector<std::uint8_t> holding(const std::vector<Hold>& holds, std::uint32_t frames) {
  std::vector<std::uint8_t> bytes(frames, 0);
  for (const Hold& h : holds) {
    for (std::uint32_t f = h.from; f < h.to && f < frames; ++f) bytes[f] |= h.held;
    if (h.from < frames) bytes[h.from] |= static_cast<std::uint8_t>(h.held << 1);
  }
  return bytes;
}

// The host runs ahead of the joiner, whose controls then differ from the
// prediction (the last ones held, no presses) in a frame the host has run:
// mispredicted() names it, no frame is ready until the frames since are run
// again in order (one out of turn gives nothing), and they give the straight
// run's events. News that comes during a re-run for a frame it ran already
// names that frame next. The checksums of first runs on a wrong prediction
// are never compared, only the re-runs': no difference is found.
TEST(Rollback, AMispredictionIsNamedAndTheRerunGivesTheTrueEvents) {
  constexpr std::uint32_t END = 360;
  constexpr std::uint32_t DELAY = 2;
  constexpr std::uint8_t ON = ARM_ON_HELD;
  constexpr std::uint8_t BACK = ARM_BACK_HELD;
  constexpr std::uint32_t NONE = NO_FRAME;
  const std::vector<std::uint8_t> host_bytes = holding({{250, 400, BACK}}, END);
  const struct {
    const char* what;
    std::vector<Hold> joiner;
    std::uint32_t both_to;             // both run this far in step
    std::uint32_t host_to;             // then the host alone
    std::uint32_t joiner_to;           // then the joiner
    std::uint32_t mispredicted;        // the frame the host names
    std::uint32_t rerun_first;         // frames it runs again before the joiner goes on
    std::uint32_t joiner_then;         // ... to this frame
    std::uint32_t mispredicted_again;  // then named (NO_FRAME: none)
  } cases[] = {
      {"a press", {{300, 330, ON}}, 300, 309, 302, 302, 0, 0, NONE},
      {"a release", {{280, 303, ON}}, 303, 312, 304, 305, 0, 0, NONE},
      {"a tap (pressed, not held)", {{300, 300, BACK}}, 300, 306, 301, 302, 0, 0, NONE},
      {"a press in the start's lock (a level click)", {{60, 90, ON}}, 60, 67, 62, 62, 0, 0, NONE},
      {"the limit: 8 frames run on a prediction", {{300, 330, ON}}, 300, 320, 301, 302, 0, 0, NONE},
      {"news for a frame run again already", {{300, 304, ON}}, 300, 309, 302, 302, 5, 305, 306},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> joiner_bytes = holding(c.joiner, END);
    const Straight straight = straightRun(host_bytes, joiner_bytes, DELAY, END);
    Duo duo(8);
    Lockstep& host = duo.host();
    Lockstep& joiner = duo.joiner();
    ASSERT_EQ(host.state(), State::Running);
    ASSERT_EQ(joiner.state(), State::Running);
    auto right = [&](std::uint32_t f) { return straight.crcs[f]; };
    // First runs from the misprediction on report a checksum no re-run gives.
    auto guess = [&](std::uint32_t f) {
      return f >= c.mispredicted ? ~straight.crcs[f] : straight.crcs[f];
    };
    for (std::uint32_t f = 0; f < c.both_to; ++f) {
      duo.run(host, f + 1, host_bytes, right);
      duo.run(joiner, f + 1, joiner_bytes, right);
    }
    ASSERT_EQ(joiner.nextFrame(), c.both_to);
    duo.run(host, c.host_to, host_bytes, guess);
    // Never more than the limit beyond the joiner's controls.
    const std::uint32_t ran_to = std::min(c.host_to, c.both_to + DELAY + 8);
    EXPECT_EQ(host.nextFrame(), ran_to);
    EXPECT_EQ(host.confirmedFrames(), c.both_to + DELAY);
    duo.run(joiner, c.joiner_to, joiner_bytes, right);
    ASSERT_EQ(host.mispredicted(), c.mispredicted);
    EXPECT_FALSE(host.ready());
    EXPECT_EQ(host.confirmedFrames(), c.mispredicted);
    GameEvent events[MAX_FRAME_EVENTS];
    EXPECT_EQ(host.rerun(c.mispredicted + 1, events), 0);  // out of turn
    // The last re-run has every frame right (an earlier one, cut short by
    // news, some on predictions).
    auto rerun = [&](std::uint32_t from, std::uint32_t count, bool last) {
      for (std::uint32_t f = from; f < from + count; ++f) {
        const int n = host.rerun(f, events);
        if (last) {
          EXPECT_EQ(std::vector<GameEvent>(events, events + n), straight.events[f])
              << "frame " << f;
        }
        host.setFrameCrc(f, straight.crcs[f]);
      }
    };
    if (c.rerun_first > 0) {
      rerun(c.mispredicted, c.rerun_first, false);
      duo.run(joiner, c.joiner_then, joiner_bytes, right);
      EXPECT_EQ(host.mispredicted(), c.mispredicted);  // the re-run under way
      rerun(c.mispredicted + c.rerun_first, host.nextFrame() - c.mispredicted - c.rerun_first,
            false);
      ASSERT_EQ(host.mispredicted(), c.mispredicted_again);
      rerun(c.mispredicted_again, host.nextFrame() - c.mispredicted_again, true);
    } else {
      rerun(c.mispredicted, host.nextFrame() - c.mispredicted, true);
    }
    EXPECT_EQ(host.mispredicted(), NO_FRAME);
    EXPECT_EQ(host.counters().rollbacks, c.rerun_first > 0 ? 2u : 1u);
    EXPECT_EQ(host.counters().deepest_rollback, ran_to - c.mispredicted);
    EXPECT_TRUE(host.ready());

    // Both on to the end in step: every frame confirmed as the straight run
    // has it, every checksum compared and equal.
    for (std::uint32_t f = host.nextFrame(); f < END; ++f) {
      duo.run(host, f + 1, host_bytes, right);
      duo.run(joiner, f + 1, joiner_bytes, right);
    }
    duo.run(joiner, END, joiner_bytes, right);
    for (int i = 0; i < 20; ++i) duo.pump();
    EXPECT_EQ(host.state(), State::Running);
    EXPECT_EQ(joiner.state(), State::Running);
    EXPECT_GE(host.counters().compared, END - 20);
    EXPECT_GE(host.confirmedFrames(), END - 10);
    for (std::uint32_t f = host.confirmedFrames() - 40; f < host.confirmedFrames(); ++f) {
      const int n = host.confirmedEvents(f, events);
      EXPECT_EQ(std::vector<GameEvent>(events, events + n), straight.events[f]) << "frame " << f;
    }
  }
}

// The host's limit is the game's, whatever the joiner asked for.
TEST(Rollback, TheHostsLimitIsTheGames) {
  const struct {
    int host, joiner, game;
  } cases[] = {{8, 3, 8}, {0, 8, 0}, {20, 0, 20}, {99, 8, MAX_ROLLBACK}};
  for (const auto& c : cases) {
    Duo duo(c.host, c.joiner);
    ASSERT_EQ(duo.joiner().state(), State::Running);
    EXPECT_EQ(duo.host().rollback(), c.game) << c.host;
    EXPECT_EQ(duo.joiner().rollback(), c.game) << c.host;
  }
}

// In lockstep nothing is predicted: a frame waits for the other side's
// controls, confirmed frames are the frames run, and nothing runs again.
TEST(Rollback, LockstepRunsNothingOnAPrediction) {
  Duo duo(0);
  Lockstep& host = duo.host();
  EXPECT_EQ(host.rollback(), 0);
  auto none = [](std::uint32_t) { return 7u; };
  duo.run(host, 50, {}, none);
  EXPECT_EQ(host.nextFrame(), 2u);  // the joiner's delay, no further
  EXPECT_FALSE(host.ready());
  EXPECT_EQ(host.confirmedFrames(), host.nextFrame());
  EXPECT_EQ(host.mispredicted(), NO_FRAME);
  GameEvent events[MAX_FRAME_EVENTS];
  EXPECT_EQ(host.rerun(0, events), 0);
  EXPECT_FALSE(host.slowDown(1000));
}

}  // namespace
}  // namespace net
