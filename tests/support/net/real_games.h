// Two real games in one process over the simulated network, each side's
// whole game swapped in as a saved state for its turn, each paced at 60
// frames a second on the network's clock and run as the program's idle pass
// runs it: the news, the correction (session::Rollback), the frame. For the
// rollback driver's tests and the network benchmarks; it uses no test
// framework: what went wrong is kept as text for the caller to check.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game/input_messages.h"
#include "net/lockstep.h"
#include "session/rollback.h"
#include "tests/support/net/sim_network.h"

namespace real_games {

// A player's arm controls held over stretches of effect frames [from, to).
struct Hold {
  std::uint32_t from;
  std::uint32_t to;
  std::uint8_t held;
};

inline constexpr std::uint8_t BACK = net::ARM_BACK_HELD;
inline constexpr std::uint8_t ON = net::ARM_ON_HELD;
inline constexpr std::uint8_t BOTH = BACK | ON;

// The byte a player samples at `frame`: its controls for frame + delay.
std::uint8_t sampled(const std::vector<Hold>& holds, std::uint32_t frame, int delay);

// A duel: each player swings its arm, walks and fires (both held) in turns.
extern const std::vector<Hold> HOST_DUEL;
extern const std::vector<Hold> JOINER_DUEL;

// The window procedure's message for a merged event, as sendKey and
// sendButton deliver it.
InputMessage messageOf(const net::GameEvent& e);

// A transport whose sent datagrams go out later: after `extra_ms`, or, while
// held, once let go.
class LateTransport final : public net::Transport {
 public:
  LateTransport(net::Transport& inner, net::SimNetwork& network, std::uint32_t extra_ms)
      : inner_(inner), network_(network), extra_ms_(extra_ms) {}
  bool send(const net::Address& to, const std::uint8_t* data, std::size_t size) override;
  long receive(net::Address* from, std::uint8_t* data, std::size_t capacity) override {
    return inner_.receive(from, data, capacity);
  }
  // Sends what is due (nothing while held).
  void pump();
  bool held = false;

 private:
  struct Datagram {
    std::uint32_t due_ms;
    net::Address to;
    std::vector<std::uint8_t> bytes;
  };
  net::Transport& inner_;
  net::SimNetwork& network_;
  std::uint32_t extra_ms_;
  std::deque<Datagram> queue_;
};

// A side's configuration with fixed secrets; the joiner's names the host.
net::Config sideConfig(net::Player side, int delay, int rollback);
net::Config joinerOf(const net::SimNetwork& network, const net::Transport& host, int delay,
                     int rollback);

// One side's frames as confirmed: the merged events and the picture's checksum.
struct Confirmed {
  std::vector<std::vector<net::GameEvent>> events;
  std::vector<std::uint32_t> crcs;

  // Takes the frames the core has newly confirmed; `crcs_by_frame` holds each
  // frame's checksum from its last run.
  void collect(const net::Lockstep& core, const std::vector<std::uint32_t>& crcs_by_frame);
};

// A player's control byte sampled while its side runs `frame`.
using Controls = std::function<std::uint8_t(std::uint32_t frame)>;

struct Options {
  std::uint64_t seed = 41;  // the network's
  net::LinkProfile link;
  std::uint32_t joiner_extra_ms = 0;  // the joiner's datagrams take this much longer
  int delay = 2;
  int rollback = 8;  // 0: lockstep, no driver
  std::uint32_t frames = 3600;
  // Empty: the duel's holds (HOST_DUEL, JOINER_DUEL) at the delay.
  Controls host_controls;
  Controls joiner_controls;
};

// One side: its core, its driver, its game while the other side's is live.
struct Side final : session::RerunObserver {
  Side(const net::Config& config, net::Transport& end, net::SimNetwork& network,
       std::uint32_t extra_ms, Controls sample)
      : core(config), transport(end, network, extra_ms), controls(std::move(sample)) {}
  void rerun(std::uint32_t frame, std::uint32_t crc) override;

  net::Lockstep core;
  LateTransport transport;
  Controls controls;
  session::Rollback driver;
  std::vector<std::uint8_t> state;
  std::vector<std::uint32_t> crcs;  // by frame, from its last run
  Confirmed confirmed;
  bool started = false;
  std::uint32_t start_ms = 0;
  std::uint32_t waiting_for = net::NO_FRAME;
  std::uint32_t waited = 0;       // frames not ready when due (frame 0 aside)
  std::uint32_t waited_late = 0;  // ... from frame 60 on
  std::uint32_t first_ms = 0;     // frame 0 ran
  std::uint32_t last_ms = 0;      // the last frame ran
  std::uint64_t reruns_seen = 0;
  std::string failure;
};

class TwoGames {
 public:
  explicit TwoGames(const Options& options);
  virtual ~TwoGames() = default;
  TwoGames(const TwoGames&) = delete;
  TwoGames& operator=(const TwoGames&) = delete;

  // From the game in the globals (its first frame painted), runs both games
  // until every frame is confirmed on both sides, or something went wrong.
  void play();
  const Side& host() const { return host_; }
  const Side& joiner() const { return joiner_; }
  // What went wrong, first thing first; empty when nothing did.
  std::string failure() const;
  std::uint32_t elapsedMs() const { return elapsed_ms_; }
  net::SimNetwork::Traffic sent(const Side& side) const;

 protected:
  // A side's correction before its next frame (the benchmarks time it).
  virtual int correct(Side& s) { return s.driver.catchUp(s.core, &s); }

 private:
  void activate(Side& s);
  void turn(Side& s, std::uint32_t now);

  Options options_;
  net::SimNetwork network_;
  net::Transport& host_end_;
  net::Transport& joiner_end_;
  Side host_;
  Side joiner_;
  Side* live_ = nullptr;
  std::uint32_t elapsed_ms_ = 0;
  std::string failure_;
};

}  // namespace real_games
