// A headless side of a network game: this side's scripted input becomes its
// player's controls, and the runner gets each frame's merged events from the
// lockstep core over UDP, waiting in real time for the other side's input
// (lockstep) or running ahead on a prediction of it and running frames again
// through the program's rollback driver when it was wrong. A frame's line is
// printed, and recorded, once the frame is confirmed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/lockstep.h"
#include "net/udp.h"
#include "session/rollback.h"
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

class NetPeer : public FrameSource, private session::RerunObserver {
 public:
  // host empty: host on `port`; else join host:port. `frames`: the frames
  // both sides run (the side stays until the other has its input for them).
  // `rollback`: frames this side may run ahead on predicted input (the
  // host's counts), 0 for lockstep.
  NetPeer(const std::string& host, std::uint16_t port, int delay, int rollback,
          std::uint32_t frames);
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
  bool printsLines(std::FILE* out) override {
    out_ = out;
    return true;
  }
  void settle() override;

  // Why the game ended early, or "" when it ran its frames.
  const std::string& ending() const { return ending_; }
  // Lingers until the other side has this side's input and has run its
  // frames too, then leaves.
  void finish();

  const net::Counters& counters() const { return core_->counters(); }
  // The game runs ahead on predicted input (the host's limit is not 0).
  bool rollsBack() const { return rollback_on_; }
  const WaitStats& waits() const { return waits_; }

 private:
  std::uint32_t now() const;
  void poll();
  bool ended();  // the core's state ends the game; sets ending_
  void rerun(std::uint32_t frame, std::uint32_t crc) override;
  void rerunSounds(std::uint32_t, std::uint32_t sounds) override { rerun_sounds_ = sounds; }
  // The confirmed frames' lines out, and to the program's recording.
  void printConfirmed();

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
  // Rollback: the driver, and the lines of the frames run but not printed.
  session::Rollback rollback_;
  bool rollback_on_ = false;
  static constexpr std::uint32_t LINE_RING = 64;
  std::string lines_[LINE_RING];
  std::uint32_t crcs_[LINE_RING] = {};
  std::uint32_t painted_ = 0;  // frames run
  std::uint32_t printed_ = 0;  // frames whose line is out
  std::uint32_t rerun_sounds_ = 0;
  std::FILE* out_ = nullptr;  // where the lines go
};

// A paced side's summary: "network: 1800 frames, 12 waited (0 after frame 60), ...".
std::string waitsText(const WaitStats& w);

// The sentence a network game's end gives ("" while it runs).
std::string endingText(const net::Lockstep& core);

}  // namespace replay
