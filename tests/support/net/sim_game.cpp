#include "tests/support/net/sim_game.h"

#include <algorithm>

namespace net {

namespace {

constexpr std::uint32_t KEPT = 64;  // states kept, back from the frame run next

struct Side {
  Transport* transport = nullptr;
  Lockstep* core = nullptr;
  const std::function<std::uint8_t(std::uint32_t)>* controls = nullptr;
  SimGameSide* out = nullptr;
  bool flipped = false;
  bool started = false;
  std::uint32_t start_ms = 0;
  std::uint32_t fast_permille = 0;       // its clock's lead on the network's
  std::uint32_t first_ms = 0;            // frame 0 ran
  std::uint32_t skipped = 0;             // frame periods let pass by the time sync
  std::uint32_t state = 0;               // the stand-in game's
  std::uint32_t before[KEPT] = {};       // its state before each frame
  std::uint32_t after[KEPT] = {};        // and after it
  std::uint32_t waiting_for = NO_FRAME;  // a frame found not ready when due
};

// One frame of the stand-in game, its state kept, its checksum reported.
void runStandIn(Side& s, const SimGameOptions& options, std::uint32_t frame,
                const GameEvent* events, int count) {
  s.before[frame % KEPT] = s.state;
  s.state = standInFrame(s.state, events, count);
  s.after[frame % KEPT] = s.state;
  const bool flip =
      s.flipped && frame >= options.flip_from && frame - options.flip_from < options.flip_frames;
  s.core->setFrameCrc(frame, flip ? s.state ^ 1u : s.state);
}

// A misprediction: the state before it back, and the frames since again.
void catchUp(Side& s, const SimGameOptions& options) {
  Lockstep& core = *s.core;
  for (std::uint32_t from = core.mispredicted(); from != NO_FRAME; from = core.mispredicted()) {
    s.state = s.before[from % KEPT];
    for (std::uint32_t frame = from; frame < core.nextFrame(); ++frame) {
      GameEvent events[MAX_FRAME_EVENTS];
      runStandIn(s, options, frame, events, core.rerun(frame, events));
    }
  }
}

// Frames newly confirmed join the record.
void collectConfirmed(Side& s) {
  Lockstep& core = *s.core;
  s.out->max_unconfirmed =
      std::max(s.out->max_unconfirmed, core.nextFrame() - core.confirmedFrames());
  for (auto frame = static_cast<std::uint32_t>(s.out->frames.size());
       frame < core.confirmedFrames(); ++frame) {
    GameEvent events[MAX_FRAME_EVENTS];
    FrameRecord record;
    const int count = core.confirmedEvents(frame, events, &record.host, &record.joiner);
    record.events.assign(events, events + count);
    s.out->frames.push_back(record);
    s.out->crcs.push_back(s.after[frame % KEPT]);
  }
}

std::uint32_t periodsMs(const Side& s, std::uint32_t periods) {
  return static_cast<std::uint32_t>(std::uint64_t{periods} * 50000 /
                                    (3 * (1000 + s.fast_permille)));
}

void runFrames(Side& s, const SimGameOptions& options, std::uint32_t now_ms) {
  Lockstep& core = *s.core;
  if (core.state() != State::Running) return;
  if (!s.started) {
    s.started = true;
    s.start_ms = now_ms;
  }
  catchUp(s, options);
  while (core.nextFrame() < options.frames && core.state() == State::Running) {
    const std::uint32_t frame = core.nextFrame();
    const std::uint32_t period = frame + s.skipped;
    const std::uint32_t due = s.start_ms + periodsMs(s, period);
    if (now_ms < due) break;
    if (!core.ready()) {
      if (s.waiting_for != frame && frame > 0) {
        ++s.out->waited;
        if (frame >= 60) ++s.out->waited_late;
      }
      s.waiting_for = frame;
      break;
    }
    if (options.time_sync && core.slowDown(now_ms)) {
      ++s.skipped;
      continue;
    }
    // A frame that waited runs when it can; the next ones are due a frame
    // period apart from it, so that one stall counts once.
    if (s.waiting_for == frame) s.start_ms = now_ms - periodsMs(s, period);
    core.setLocalControls(*s.controls ? (*s.controls)(frame) : 0);
    if (frame == 0) s.first_ms = now_ms;
    s.out->run_ms = now_ms - s.first_ms;
    GameEvent events[MAX_FRAME_EVENTS];
    runStandIn(s, options, frame, events, core.advance(events));
  }
  collectConfirmed(s);
}

}  // namespace

std::uint32_t standInFrame(std::uint32_t state, const GameEvent* events, int count) {
  std::uint32_t h = state ^ 0x9E3779B9u;
  for (int i = 0; i < count; ++i) {
    h ^= std::uint32_t{events[i].mouse} << 9 | std::uint32_t{events[i].code} << 1 |
         std::uint32_t{events[i].down};
    h = (h ^ (h >> 16)) * 0x45D9F3Bu;
  }
  return h ^ (h >> 16);
}

Session simSession(std::uint64_t seed) {
  return Session{~seed * 0xBF58476D1CE4E5B9ull, seed * 0x9E3779B97F4A7C15ull + 1};
}

SimGameResult runSimGame(const SimGameOptions& options) {
  SimGameResult result;
  SimNetwork network(options.seed, options.link);
  Transport& host_end = network.addEndpoint();
  Transport& joiner_end = network.addEndpoint();
  if (options.joiner_link) network.setLinkFrom(joiner_end, *options.joiner_link);
  Config host_config;
  host_config.side = Player::Host;
  host_config.delay = options.delay;
  host_config.rollback = options.rollback;
  // Each run's own secrets, from its seed.
  const Session session = simSession(options.seed);
  host_config.own_value = session.host;
  for (int i = 0; i < 16; ++i) {
    host_config.cookie_key[i] = static_cast<std::uint8_t>((options.seed >> (i % 8)) + 31u * i);
  }
  Config joiner_config = host_config;
  joiner_config.side = Player::Joiner;
  joiner_config.own_value = session.joiner;
  joiner_config.peer = network.addressOf(host_end);
  Lockstep host(host_config);
  Lockstep joiner(joiner_config);

  Side sides[2];
  sides[0] = Side{&host_end, &host, &options.host_controls, &result.host,
                  options.flip_side == Player::Host};
  sides[1] = Side{&joiner_end, &joiner, &options.joiner_controls, &result.joiner,
                  options.flip_side == Player::Joiner};
  sides[0].fast_permille = options.host_fast_permille;
  std::uint32_t now = 0;
  for (; now < options.limit_ms; ++now) {
    network.setNow(now);
    if (options.each_ms) options.each_ms(network, now);
    bool all_done = true;
    for (Side& s : sides) {
      const State before = s.core->state();
      s.core->poll(*s.transport, now);
      runFrames(s, options, now);
      if (before != State::Desync && s.core->state() == State::Desync) {
        s.out->frames_at_desync = s.core->nextFrame();
        s.out->desync_ms = now;
      }
      const State state = s.core->state();
      // Running until every frame is confirmed (in lockstep, run).
      if (state == State::Running && s.core->confirmedFrames() < options.frames) all_done = false;
      if (state == State::Connecting) all_done = false;
    }
    // Both done, or both out of the game: stop once neither needs the other.
    const bool both_ended = host.state() != State::Running && joiner.state() != State::Running &&
                            host.state() != State::Connecting &&
                            joiner.state() != State::Connecting;
    if (all_done && (both_ended || (host.confirmedFrames() >= options.frames &&
                                    joiner.confirmedFrames() >= options.frames))) {
      break;
    }
  }
  result.elapsed_ms = now;
  for (Side& s : sides) {
    s.out->state = s.core->state();
    s.out->desync_frame = s.core->desyncFrame();
    s.out->counters = s.core->counters();
    s.out->sent = network.sentBy(*s.transport);
  }
  return result;
}

}  // namespace net
