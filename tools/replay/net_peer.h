// A headless side of a network game: this side's scripted input becomes its
// player's controls, and the runner gets each frame's merged events from the
// lockstep core over UDP, waiting in real time for the other side's input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/lockstep.h"
#include "net/udp.h"
#include "tools/replay/frame_schedule.h"
#include "tools/replay/replay.h"

namespace replay {

// What a paced side's frames met: those that found the other side's input
// missing when due, and how long they waited.
struct WaitStats {
  std::uint32_t frames = 0;
  std::uint32_t waited = 0;
  std::uint32_t waited_after_start = 0;  // from frame START_FRAMES on
  std::int64_t waited_ns = 0;
  std::int64_t longest_ns = 0;
  static constexpr std::uint32_t START_FRAMES = 60;
};

class NetPeer : public FrameSource {
 public:
  // host empty: host on `port`; else join host:port. `frames`: the frames
  // both sides run (the side stays until the other has its input for them).
  NetPeer(const std::string& host, std::uint16_t port, int delay, std::uint32_t frames);
  ~NetPeer() override;

  // Opens the socket and meets the other side; false with a sentence in
  // *error (the other side's versions, a full game, no answer, no socket).
  bool connect(std::string* error);
  // Runs each frame no earlier than due at `rate` frames a second from the
  // meeting on, as the window program does; before connect().
  void pace(int rate) {
    schedule_.rate = rate;
    paced_ = true;
  }

  bool frameEvents(std::uint32_t frame, const std::vector<ScriptEvent>& local,
                   std::vector<ScriptEvent>* out) override;
  void painted(std::uint32_t frame, std::uint32_t crc) override;

  // Why the game ended early, or "" when it ran its frames.
  const std::string& ending() const { return ending_; }
  // Lingers until the other side has this side's input and has run its
  // frames too, then leaves.
  void finish();

  const net::Counters& counters() const { return core_->counters(); }
  const WaitStats& waits() const { return waits_; }

 private:
  std::uint32_t now() const;
  void poll();
  bool ended();  // the core's state ends the game; sets ending_

  std::string host_;
  std::uint16_t port_;
  std::uint32_t frames_;
  net::Config config_;
  net::UdpTransport transport_;
  net::Lockstep* core_ = nullptr;
  net::ControlSampler sampler_;
  std::string ending_;
  std::int64_t start_ns_ = 0;
  bool paced_ = false;
  FrameSchedule schedule_;
  WaitStats waits_;
};

// A paced side's summary: "network: 1800 frames, 12 waited (0 after frame 60), ...".
std::string waitsText(const WaitStats& w);

// The sentence a network game's end gives ("" while it runs).
std::string endingText(const net::Lockstep& core);

}  // namespace replay
