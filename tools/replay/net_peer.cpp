#include "tools/replay/net_peer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "game/frame_runner.h"
#include "game/game_state.h"
#include "game/random.h"
#include "net/setup.h"
#include "record/format.h"
#include "session/session.h"

namespace replay {

namespace {

std::string versionText(const net::ProgramVersions& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch) +
         " (game logic " + std::to_string(v.logic) + ")";
}

}  // namespace

std::string endingText(const net::Lockstep& core) {
  switch (core.state()) {
    case net::State::VersionMismatch:
      return "The other player runs Starquell " + versionText(core.peerVersions()) + "; this is " +
             versionText(net::ProgramVersions{net::PROTOCOL_VERSION, record::LOGIC_VERSION,
                                              STARQUELL_VERSION_MAJOR, STARQUELL_VERSION_MINOR,
                                              STARQUELL_VERSION_PATCH}) +
             ".";
    case net::State::Full:
      return "The other player's game is full.";
    case net::State::PeerLeft:
      return "The other player has left.";
    case net::State::NotAnswering:
      return "The other player is not answering.";
    case net::State::Refused:
      return "No game is hosted there.";
    case net::State::Desync:
      return "The two games differ from frame " + std::to_string(core.desyncFrame()) + ".";
    default:
      return "";
  }
}

NetPeer::NetPeer(const std::string& host, std::uint16_t port, int delay, int rollback,
                 std::uint32_t frames)
    : host_(host), port_(port), frames_(frames) {
  config_.side = host.empty() ? net::Player::Host : net::Player::Joiner;
  config_.versions =
      net::ProgramVersions{net::PROTOCOL_VERSION, record::LOGIC_VERSION, STARQUELL_VERSION_MAJOR,
                           STARQUELL_VERSION_MINOR, STARQUELL_VERSION_PATCH};
  config_.delay = delay;
  config_.rollback = rollback;
  start_ns_ = std::chrono::steady_clock::now().time_since_epoch().count();
}

NetPeer::~NetPeer() { delete core_; }

std::uint32_t NetPeer::now() const {
  const std::int64_t ns = std::chrono::steady_clock::now().time_since_epoch().count() - start_ns_;
  return static_cast<std::uint32_t>(ns / 1000000);
}

void NetPeer::poll() { core_->poll(transport_, now()); }

bool NetPeer::connect(std::string* error) {
  if (config_.side == net::Player::Host) {
    if (!transport_.listen(port_, error)) return false;
    if (!transport_.note().empty()) {
      std::fprintf(stderr, "starquell-replay: %s\n", transport_.note().c_str());
    }
  } else if (!net::openJoin(&transport_, host_.c_str(), port_, &config_, error)) {
    return false;
  }
  if (!net::drawSecrets(&config_, error)) return false;
  core_ = new net::Lockstep(config_);
  while (core_->state() == net::State::Connecting) {
    poll();
    if (core_->state() == net::State::Connecting) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  if (core_->state() != net::State::Running) {
    *error = endingText(*core_);
    return false;
  }
  rollback_on_ = core_->rollback() > 0;
  schedule_.start_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
  return true;
}

bool NetPeer::ended() {
  if (core_->state() == net::State::Running) return false;
  if (ending_.empty()) ending_ = endingText(*core_);
  return true;
}

bool NetPeer::frameEvents(std::uint32_t frame, const std::vector<ScriptEvent>& local,
                          std::vector<ScriptEvent>* out) {
  // The program's recording (made as the window is) holds confirmed frames only.
  if (frame == 0 && rollback_on_) session::recordConfirmedOnly();
  // Whatever keys or buttons the script names steer this side's ship.
  for (const ScriptEvent& e : local) {
    net::Control control;
    if ((e.kind == record::EventKind::Key || e.kind == record::EventKind::Mouse) &&
        armControlFor(e.kind == record::EventKind::Mouse, e.code, &control)) {
      if (e.down) {
        sampler_.press(control);
      } else {
        sampler_.release(control);
      }
    }
  }
  const auto sleepUntilDue = [&] {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::nanoseconds(schedule_.due()))));
  };
  if (paced_) sleepUntilDue();
  poll();
  if (ended() || !ending_.empty()) return false;
  // The idle pass before this frame has ticked the random channels: news of
  // a misprediction now runs the frames before it again, then the tick again
  // (the sounds it asks for late are not played: the runner has no ears).
  const auto catchUp = [&] {
    if (!rollback_on_ || core_->mispredicted() == net::NO_FRAME) return;
    rollback_.catchUp(*core_, this);
    g_game.sound.requests = 0;
    rollback_.saveBefore(frame);
    tickRandom();
  };
  catchUp();
  // A side that keeps running ahead lets a frame period pass now and then.
  if (paced_ && core_->slowDown(now())) {
    ++schedule_.slot;
    sleepUntilDue();
    poll();
    if (ended()) return false;
    catchUp();
  }
  core_->setLocalControls(sampler_.take());
  const bool waited = !core_->ready();
  const auto wait_start = std::chrono::steady_clock::now();
  while (!core_->ready()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    poll();
    if (ended()) return false;
    catchUp();
  }
  const auto ran = std::chrono::steady_clock::now();
  schedule_.ran(
      std::chrono::duration_cast<std::chrono::nanoseconds>(ran.time_since_epoch()).count(), waited);
  ++waits_.frames;
  if (waited) {
    const std::int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(ran - wait_start).count();
    ++waits_.waited;
    if (frame >= WaitStats::START_FRAMES) ++waits_.waited_after_start;
    waits_.waited_ns += ns;
    waits_.longest_ns = std::max(waits_.longest_ns, ns);
  }
  if (frame == 0) {
    // Both sides play in the host's client size.
    ScriptEvent size;
    size.kind = record::EventKind::Resize;
    size.width = core_->width();
    size.height = core_->height();
    out->push_back(size);
  }
  net::GameEvent events[net::MAX_FRAME_EVENTS];
  const int count = core_->advance(events);
  for (int i = 0; i < count; ++i) {
    ScriptEvent e;
    e.frame = frame;
    e.kind = events[i].mouse ? record::EventKind::Mouse : record::EventKind::Key;
    e.code = events[i].code;
    e.down = events[i].down;
    out->push_back(e);
  }
  poll();  // sends this frame's controls at once
  return true;
}

// Between a frame's paint and the next frame's idle pass: the state the
// driver saves before the next frame, and where news of a misprediction is
// caught up with, as the window program does in its idle pass.
void NetPeer::painted(std::uint32_t frame, std::uint32_t crc) {
  lines_[frame % LINE_RING] = frameLine(frame, crc, requestedSounds());
  crcs_[frame % LINE_RING] = crc;
  painted_ = frame + 1;
  core_->setFrameCrc(frame, crc);
  if (rollback_on_) {
    // Frame 0 makes the back buffer of the game's size the states follow.
    if (frame == 0 && !rollback_.start(core_->rollback())) {
      ending_ = "This computer has not the memory for the game's rollback.";
      rollback_on_ = false;
    }
    rollback_.played(frame, requestedSounds());
    poll();
    if (core_->mispredicted() != net::NO_FRAME) rollback_.catchUp(*core_, this);
    rollback_.saveBefore(frame + 1);
  }
  printConfirmed();
}

void NetPeer::rerun(std::uint32_t frame, std::uint32_t crc) {
  lines_[frame % LINE_RING] = frameLine(frame, crc, rerun_sounds_);
  crcs_[frame % LINE_RING] = crc;
}

void NetPeer::printConfirmed() {
  const std::uint32_t upto = std::min(core_->confirmedFrames(), painted_);
  for (; printed_ < upto; ++printed_) {
    if (out_ != nullptr) std::fputs(lines_[printed_ % LINE_RING].c_str(), out_);
    if (!rollback_on_) continue;
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    session::ConfirmedEvent confirmed[net::MAX_FRAME_EVENTS];
    const int count = core_->confirmedEvents(printed_, events);
    for (int i = 0; i < count; ++i) {
      confirmed[i] = session::ConfirmedEvent{events[i].mouse, events[i].code, events[i].down};
    }
    session::confirmedFrame(printed_, confirmed, count, crcs_[printed_ % LINE_RING]);
  }
}

// After the last frame's paint: every frame confirmed (run again where it
// was predicted wrongly) and its line out, before the window closes.
void NetPeer::settle() {
  const std::uint32_t since = now();
  while (core_->state() == net::State::Running && core_->confirmedFrames() < painted_ &&
         now() - since < config_.timeout_ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    poll();
    if (rollback_on_ && core_->mispredicted() != net::NO_FRAME) rollback_.catchUp(*core_, this);
    printConfirmed();
  }
  printConfirmed();
}

void NetPeer::finish() {
  if (core_ == nullptr) return;
  const std::uint32_t since = now();
  // Leaving ends the other side's game at once: not before it has run every
  // frame too (it reports each frame's picture), however far behind it is.
  // It has this side's checksums too, so that it compares every frame.
  const auto done = [&] {
    return core_->delivered(frames_) && (frames_ == 0 || core_->peerRan(frames_ - 1)) &&
           core_->checksumsDelivered(frames_);
  };
  while (core_->state() == net::State::Running && !done() && now() - since < config_.timeout_ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    poll();
  }
  // The other side leaving once it has run its frames is the usual end.
  if (core_->state() == net::State::Desync || core_->state() == net::State::NotAnswering) ended();
  if (core_->state() == net::State::Running) core_->leave(transport_);
  // The other side hears the leave or the desync (the core stops after a second).
  while (!core_->told()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    poll();
  }
}

std::string waitsText(const WaitStats& w) {
  return "network: " + std::to_string(w.frames) + " frames, " + std::to_string(w.waited) +
         " waited (" + std::to_string(w.waited_after_start) + " after frame " +
         std::to_string(WaitStats::START_FRAMES) + "), " + std::to_string(w.waited_ns / 1000000) +
         " ms waiting, longest " + std::to_string(w.longest_ns / 1000000) + " ms";
}

}  // namespace replay
