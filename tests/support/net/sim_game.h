// Two lockstep cores in one process over a SimNetwork, each side paced at 60
// frames per second on the network's clock: what the tests and the
// measurements run. The game itself is not run: each side's game is a
// stand-in whose state is a hash chain of the merged events, frame by frame,
// and whose picture checksum is that state (it can be made to differ on one
// side from a frame on). With a rollback limit a side keeps its state before
// each frame, and on a misprediction restores it and runs the frames again.
// Each side's record is its confirmed frames, as a recording holds them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "net/lockstep.h"
#include "tests/support/net/sim_network.h"

namespace net {

// One frame as a side ran it: both control bytes and the merged events.
struct FrameRecord {
  std::uint8_t host = 0;
  std::uint8_t joiner = 0;
  std::vector<GameEvent> events;
  friend bool operator==(const FrameRecord&, const FrameRecord&) = default;
};

struct SimGameOptions {
  std::uint64_t seed = 1;
  LinkProfile link;
  // The joiner's datagrams' own line, when the two ways differ.
  std::optional<LinkProfile> joiner_link;
  int delay = 3;
  int rollback = 0;
  bool time_sync = true;  // heed slowDown()
  // The host's clock runs this many thousandths fast: its frames come sooner.
  std::uint32_t host_fast_permille = 0;
  std::uint32_t frames = 600;
  // A player's controls sampled while its side runs a frame.
  std::function<std::uint8_t(std::uint32_t frame)> host_controls;
  std::function<std::uint8_t(std::uint32_t frame)> joiner_controls;
  // From this frame on, this side's checksum differs (NO_FRAME: never), for
  // flip_frames frames (NO_FRAME: to the end).
  std::uint32_t flip_from = NO_FRAME;
  std::uint32_t flip_frames = NO_FRAME;
  Player flip_side = Player::Host;
  // Called every simulated millisecond before the sides poll.
  std::function<void(SimNetwork&, std::uint32_t now_ms)> each_ms;
  std::uint32_t limit_ms = 10 * 60 * 1000;
};

// The stand-in game: its state after a frame's events.
std::uint32_t standInFrame(std::uint32_t state, const GameEvent* events, int count);

struct SimGameSide {
  std::vector<FrameRecord> frames;    // confirmed, in order
  std::vector<std::uint32_t> crcs;    // the stand-in's state after each of them
  std::uint32_t waited = 0;           // frames not ready when due (frame 0 aside)
  std::uint32_t waited_late = 0;      // ... from frame 60 on (past the start)
  std::uint32_t run_ms = 0;           // from its first frame to its last
  std::uint32_t max_unconfirmed = 0;  // most frames run beyond the confirmed ones
  State state = State::Connecting;    // at the end
  std::uint32_t desync_frame = NO_FRAME;
  std::uint32_t frames_at_desync = 0;  // frames run when the difference was found
  std::uint32_t desync_ms = 0;         // and when, on the network's clock
  Counters counters;
  SimNetwork::Traffic sent;
};

struct SimGameResult {
  SimGameSide host;
  SimGameSide joiner;
  std::uint32_t elapsed_ms = 0;  // from the first hello to the last frame
};

SimGameResult runSimGame(const SimGameOptions& options);

// The session values of a run with `seed` (the sides' secrets are drawn from it).
Session simSession(std::uint64_t seed);

}  // namespace net
