#include "tests/support/net/real_games.h"

#include "game/frame_runner.h"
#include "game/saved_state.h"
#include "record/checksum.h"
#include "shell/shell_globals.h"

namespace real_games {

std::uint8_t sampled(const std::vector<Hold>& holds, std::uint32_t frame, int delay) {
  const std::uint32_t at = frame + static_cast<std::uint32_t>(delay);
  std::uint8_t byte = 0;
  for (const Hold& h : holds) {
    if (at < h.from || at >= h.to) continue;
    byte |= h.held;
    if (at == h.from) byte |= static_cast<std::uint8_t>(h.held << 1);  // pressed
  }
  return byte;
}

const std::vector<Hold> HOST_DUEL = {
    {130, 380, BACK},   {160, 390, ON},     {600, 900, ON},     {610, 905, BACK},
    {1100, 1510, BACK}, {1130, 1500, ON},   {1700, 1990, ON},   {1720, 2000, BACK},
    {2300, 2700, BACK}, {2320, 2690, ON},   {2900, 3000, ON},   {3050, 3300, BACK},
    {3060, 3290, ON},   {3400, 3410, BOTH}, {3420, 3430, BOTH}, {3440, 3560, BACK}};
const std::vector<Hold> JOINER_DUEL = {
    {130, 420, ON},     {150, 400, BACK},   {500, 810, BACK},   {520, 800, ON},
    {1000, 1405, ON},   {1040, 1400, BACK}, {1600, 1990, ON},   {1610, 1995, BACK},
    {2200, 2600, ON},   {2230, 2620, BACK}, {2800, 3100, BACK}, {2830, 3050, ON},
    {3200, 3205, BOTH}, {3215, 3220, BOTH}, {3300, 3500, ON},   {3310, 3480, BACK}};

InputMessage messageOf(const net::GameEvent& e) {
  return e.mouse ? buttonMessage(e.code == 1 ? MOUSE_RIGHT : MOUSE_LEFT, e.down)
                 : keyMessage(e.code, e.down);
}

bool LateTransport::send(const net::Address& to, const std::uint8_t* data, std::size_t size) {
  queue_.push_back({network_.now() + extra_ms_, to, std::vector<std::uint8_t>(data, data + size)});
  if (!held && extra_ms_ == 0) pump();
  return true;
}

void LateTransport::pump() {
  while (!held && !queue_.empty() &&
         static_cast<std::int32_t>(network_.now() - queue_.front().due_ms) >= 0) {
    const Datagram& d = queue_.front();
    inner_.send(d.to, d.bytes.data(), d.bytes.size());
    queue_.pop_front();
  }
}

net::Config sideConfig(net::Player side, int delay, int rollback) {
  net::Config c;
  c.side = side;
  c.delay = delay;
  c.rollback = rollback;
  c.own_value = side == net::Player::Host ? 0x1234567890ABCDEFull : 0x0FEDCBA987654321ull;
  for (int i = 0; i < 16; ++i) c.cookie_key[i] = static_cast<std::uint8_t>(7 * i + 3);
  return c;
}

net::Config joinerOf(const net::SimNetwork& network, const net::Transport& host, int delay,
                     int rollback) {
  net::Config c = sideConfig(net::Player::Joiner, delay, rollback);
  c.peer = network.addressOf(host);
  return c;
}

void Confirmed::collect(const net::Lockstep& core,
                        const std::vector<std::uint32_t>& crcs_by_frame) {
  while (events.size() < core.confirmedFrames()) {
    const auto frame = static_cast<std::uint32_t>(events.size());
    net::GameEvent out[net::MAX_FRAME_EVENTS];
    const int n = core.confirmedEvents(frame, out);
    events.emplace_back(out, out + n);
    crcs.push_back(frame < crcs_by_frame.size() ? crcs_by_frame[frame] : 0);
  }
}

void Side::rerun(std::uint32_t frame, std::uint32_t crc) {
  if (frame >= crcs.size()) {
    if (failure.empty()) failure = "frame " + std::to_string(frame) + " run again past the duel";
    return;
  }
  crcs[frame] = crc;
  ++reruns_seen;
}

namespace {

Controls duelControls(const Controls& given, const std::vector<Hold>& holds, int delay) {
  if (given) return given;
  return [&holds, delay](std::uint32_t frame) { return sampled(holds, frame, delay); };
}

}  // namespace

TwoGames::TwoGames(const Options& options)
    : options_(options),
      network_(options.seed, options.link),
      host_end_(network_.addEndpoint()),
      joiner_end_(network_.addEndpoint()),
      host_(sideConfig(net::Player::Host, options.delay, options.rollback), host_end_, network_, 0,
            duelControls(options.host_controls, HOST_DUEL, options.delay)),
      joiner_(joinerOf(network_, host_end_, options.delay, options.rollback), joiner_end_, network_,
              options.joiner_extra_ms,
              duelControls(options.joiner_controls, JOINER_DUEL, options.delay)) {}

std::string TwoGames::failure() const {
  if (!failure_.empty()) return failure_;
  if (!host_.failure.empty()) return "host: " + host_.failure;
  if (!joiner_.failure.empty()) return "joiner: " + joiner_.failure;
  return "";
}

net::SimNetwork::Traffic TwoGames::sent(const Side& side) const {
  return network_.sentBy(&side == &host_ ? host_end_ : joiner_end_);
}

void TwoGames::play() {
  const std::size_t size = savedStateSize();
  for (Side* s : {&host_, &joiner_}) {
    s->state.resize(size);
    // Both from the first frame's paint.
    if (!saveState(s->state.data(), size)) {
      failure_ = "the first frame's state was not saved";
      return;
    }
    if (options_.rollback > 0 && !s->driver.start(options_.rollback)) {
      failure_ = "the rollback driver did not start";
      return;
    }
    s->crcs.assign(options_.frames, 0);
  }
  live_ = &host_;
  for (std::uint32_t now = 0; now < 10 * 60 * 1000; ++now) {
    network_.setNow(now);
    elapsed_ms_ = now;
    bool done = true;
    for (Side* s : {&host_, &joiner_}) {
      turn(*s, now);
      if (!failure().empty()) return;
      s->confirmed.collect(s->core, s->crcs);
      done = done && s->core.state() == net::State::Running &&
             s->confirmed.events.size() >= options_.frames;
    }
    if (done) return;
  }
}

// The side's game in the globals.
void TwoGames::activate(Side& s) {
  if (live_ == &s) return;
  if (!saveState(live_->state.data(), live_->state.size()) ||
      !restoreState(s.state.data(), s.state.size())) {
    failure_ = "a side's game was not swapped in";
    return;
  }
  live_ = &s;
}

// A side's turn at a millisecond, as the program's idle pass: the news, the
// correction, then the frame when one is due (at 60 per second).
void TwoGames::turn(Side& s, std::uint32_t now) {
  net::Lockstep& core = s.core;
  s.transport.pump();
  core.poll(s.transport, now);
  if (core.state() != net::State::Running) return;
  if (core.mispredicted() != net::NO_FRAME) {
    activate(s);
    if (correct(s) <= 0) s.failure = "a misprediction was named but nothing ran again";
  }
  if (!s.started) {
    s.started = true;
    s.start_ms = now;
  }
  const std::uint32_t frame = core.nextFrame();
  if (frame >= options_.frames || now < s.start_ms + frame * 50 / 3) return;
  if (!core.ready()) {
    if (s.waiting_for != frame && frame > 0) {
      ++s.waited;
      if (frame >= 60) ++s.waited_late;
    }
    s.waiting_for = frame;
    return;
  }
  // A frame that waited runs when it can, the next ones a period apart
  // from it; a side running ahead lets a period pass.
  if (s.waiting_for == frame) s.start_ms = now - frame * 50 / 3;
  if (core.slowDown(now)) {
    s.start_ms += 17;
    return;
  }
  activate(s);
  core.setLocalControls(s.controls(frame));
  if (frame > 0) s.driver.saveBefore(frame);
  net::GameEvent events[net::MAX_FRAME_EVENTS];
  const int n = core.advance(events);
  std::uint32_t sounds = 0;
  if (frame == 0) {
    // Frame 0 was painted by the window, before the game began.
    if (n != 0) s.failure = "frame 0 had input";
    s.first_ms = now;
  } else {
    InputMessage input[net::MAX_FRAME_EVENTS];
    for (int i = 0; i < n; ++i) input[i] = messageOf(events[i]);
    if (!stepFrame({input, static_cast<std::size_t>(n)}, &sounds)) {
      s.failure = "frame " + std::to_string(frame) + " did not run";
      return;
    }
  }
  s.last_ms = now;
  s.driver.played(frame, sounds);
  s.crcs[frame] = record::frameChecksum();
  core.setFrameCrc(frame, s.crcs[frame]);
  core.poll(s.transport, now);  // this frame's controls go out at once
}

}  // namespace real_games
