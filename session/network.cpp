// A network game: both computers run the whole game and only the players'
// controls travel. This side's controls go to the lockstep core, not to the
// game; each frame's merged input is sent to the game (through the inner mode,
// so a recorded network game records the merged game), one idle pass per
// frame as the replay runner plays it. In lockstep a frame runs once the other
// side's controls for it have come. With rollback it runs on a prediction of
// them, up to the game's limit ahead; when they come and differ, the frames
// since run again before the next paint (session/rollback.h), and the inner
// mode records only confirmed frames, told of them here. An ending shows its
// box and closes the window.
#include <algorithm>
#include <cstdio>
#include <string>

#include "game/frame_runner.h"
#include "net/clock.h"
#include "net/lockstep.h"
#include "net/setup.h"
#include "net/udp.h"
#include "platform/key_message.h"
#include "record/checksum.h"
#include "record/format.h"
#include "session/game_window.h"
#include "session/mode.h"
#include "session/rollback.h"
#include "shell/shell_globals.h"

namespace session {

namespace {

constexpr std::uint32_t WAIT_TITLE_MS = 1000;
// Leaving waits for the other side's acknowledgement this often, at most this
// many times (the core gives up after its own second first).
constexpr DWORD LEAVE_POLL_MS = 5;
constexpr int LEAVE_POLLS = 400;
// A rollback game's client size at most: saving the state before each frame
// and running the frames since again must fit in a frame period.
static_assert(ProgramOptions::MAX_ROLLBACK == net::MAX_ROLLBACK);
constexpr LONG ROLLBACK_MAX_WIDTH = 1920;
constexpr LONG ROLLBACK_MAX_HEIGHT = 1080;

// "0.1.0 (game logic 1)", and the network protocol when the two sides' differ.
std::string versionText(const net::ProgramVersions& v, bool protocol) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch) +
         " (game logic " + std::to_string(v.logic) +
         (protocol ? ", network protocol " + std::to_string(v.protocol) : "") + ")";
}

net::ProgramVersions ourVersions() {
  net::ProgramVersions v;
  v.logic = static_cast<std::uint16_t>(record::LOGIC_VERSION);
  unsigned major = 0;
  unsigned minor = 0;
  unsigned patch = 0;
  std::sscanf(STARQUELL_VERSION, "%u.%u.%u", &major, &minor, &patch);
  v.major = static_cast<std::uint8_t>(major);
  v.minor = static_cast<std::uint8_t>(minor);
  v.patch = static_cast<std::uint8_t>(patch);
  return v;
}

void setTitle(const char* text) {
  if (mainWindow() != nullptr) SetWindowTextA(mainWindow(), text);
}

class Network final : public Mode, private RerunObserver {
 public:
  LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  IdleStep idlePass() override;
  bool fixedSize() const override { return true; }
  int exitStatus(int status) const override { return status_ >= 0 ? status_ : status; }
  void end() override;
  const char* flushRecording() override { return inner_->flushRecording(); }

  bool start(const ProgramOptions& options, Mode& inner);

 private:
  std::uint32_t now() const;
  void endGame();
  LRESULT paint(HWND hwnd);
  void deliver(HWND hwnd, std::uint32_t frame);
  // Rollback: a frame run again, and the confirmed frames not yet told to
  // the inner mode.
  void rerun(std::uint32_t frame, std::uint32_t crc) override { crcs_[frame % CRC_RING] = crc; }
  void tellConfirmed();
  bool startRollback();

  Mode* inner_ = nullptr;  // the merged game is played through it
  net::UdpTransport* transport_ = nullptr;
  net::Lockstep* core_ = nullptr;
  net::ControlSampler sampler_;
  std::uint16_t port_ = 0;
  std::string calling_;  // the joiner's host and port, as asked
  std::string calling_title_;
  std::string playing_title_;  // the game's, and which walker this side steers
  net::Config config_;         // the core's, completed once the window is there
  std::uint32_t clock_start_ = 0;
  std::uint32_t waiting_since_ = 0;
  bool waiting_ = false;
  bool titled_waiting_ = false;
  bool painted_any_ = false;
  bool paint_requested_ = false;
  bool delivering_ = false;  // the merged input is let through
  bool over_ = false;        // the game has ended (a box shown or the window closing)
  int status_ = -1;          // the status to end with, when not the loop's

  // Rollback: the driver, each frame's last picture checksum since the
  // confirmed ones, and the frames told to the inner mode.
  Rollback rollback_;
  bool rollback_on_ = false;
  static constexpr std::uint32_t CRC_RING = 64;
  std::uint32_t crcs_[CRC_RING] = {};
  std::uint32_t told_confirmed_ = 0;
};

Network g_network;

// Milliseconds on the performance counter, from the game's start.
std::uint32_t Network::now() const {
  LARGE_INTEGER count = {};
  LARGE_INTEGER frequency = {};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  if (frequency.QuadPart <= 0 || count.QuadPart < 0) return 0;
  const std::uint64_t ms = net::counterMilliseconds(static_cast<std::uint64_t>(count.QuadPart),
                                                    static_cast<std::uint64_t>(frequency.QuadPart));
  // The core's times wrap around at 2^32 ms, as its differences allow.
  return static_cast<std::uint32_t>(ms) - clock_start_;
}

// The game's end over the network: a box naming why, then the window closes.
void Network::endGame() {
  const net::Lockstep& core = *core_;
  std::string text;
  status_ = 1;
  switch (core.state()) {
    case net::State::VersionMismatch: {
      const bool protocol = core.peerVersions().protocol != ourVersions().protocol;
      text = "The other player runs Starquell " + versionText(core.peerVersions(), protocol) +
             "; this is " + versionText(ourVersions(), protocol) + ".";
      break;
    }
    case net::State::Full:
      text = "The other player's game has its two players already.";
      break;
    case net::State::PeerLeft:
      text = "The other player has left.";
      status_ = 0;
      break;
    case net::State::NotAnswering:
      text = "The other player is not answering.";
      break;
    case net::State::Refused:
      text = "No game is hosted at " + calling_ + ".";
      break;
    case net::State::Desync:
      text = "The two games differ from frame " + std::to_string(core.desyncFrame()) + ".";
      break;
    default:
      return;
  }
  over_ = true;
  const HWND hwnd = mainWindow();
  MessageBoxA(hwnd, text.c_str(), "Starquell", MB_OK | MB_ICONINFORMATION);
  if (hwnd != nullptr) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT Network::paint(HWND hwnd) {
  if (!paint_requested_) {
    showLastFrame(hwnd);
    return 0;
  }
  paint_requested_ = false;
  const std::uint32_t frame = frameNow();
  const LRESULT result = inner_->message(hwnd, WM_PAINT, 0, 0);
  if (frameNow() == frame + 1) {
    painted_any_ = true;
    const std::uint32_t crc = record::frameChecksum();
    crcs_[frame % CRC_RING] = crc;
    if (core_ != nullptr) core_->setFrameCrc(frame, crc);
    // What this first run asked to hear (the next idle pass plays it).
    if (rollback_on_) rollback_.played(frame, requestedSounds());
  }
  return result;
}

// The frames confirmed since the last call, each once its picture is made,
// to the inner mode (the recording), with the events and checksum of the
// run that was right.
void Network::tellConfirmed() {
  if (!rollback_on_) return;
  const std::uint32_t upto = std::min(core_->confirmedFrames(), frameNow());
  for (; told_confirmed_ < upto; ++told_confirmed_) {
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    ConfirmedEvent confirmed[net::MAX_FRAME_EVENTS];
    const int count = core_->confirmedEvents(told_confirmed_, events);
    for (int i = 0; i < count; ++i) {
      confirmed[i] = ConfirmedEvent{events[i].mouse, events[i].code, events[i].down};
    }
    inner_->confirmed(told_confirmed_, confirmed, count, crcs_[told_confirmed_ % CRC_RING]);
  }
}

// The driver keeps its states at the game's size, which frame 0 has made:
// false after the box that says the memory is missing.
bool Network::startRollback() {
  if (rollback_.start(core_->rollback())) return true;
  over_ = true;
  status_ = 1;
  const HWND hwnd = mainWindow();
  MessageBoxA(hwnd,
              "This computer has not the memory for the game's rollback (--rollback 0 on the "
              "host needs none).",
              "Starquell", MB_OK | MB_ICONINFORMATION);
  core_->leave(*transport_);
  if (hwnd != nullptr) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  return false;
}

LRESULT Network::message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  net::Control control;
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (delivering_) break;
      // Z and X steer this side's ship; a held key's repeats change nothing.
      if (armControlFor(false, static_cast<int>(wparam), &control)) {
        if (message == WM_KEYUP) {
          sampler_.release(control);
        } else if (!platform::isKeyRepeat(lparam)) {
          sampler_.press(control);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (delivering_) break;
      armControlFor(true, message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? 1 : 0, &control);
      if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        sampler_.press(control);
      } else {
        sampler_.release(control);
      }
      return 0;
    case WM_SIZE:
      if (sizeNotTheGames(delivering_, painted_any_)) {
        return DefWindowProcA(hwnd, message, wparam, lparam);
      }
      break;
    case WM_PAINT:
      return paint(hwnd);
    case WM_DESTROY:
      if (core_ != nullptr &&
          (core_->state() == net::State::Running || core_->state() == net::State::Connecting)) {
        core_->leave(*transport_);
        // Until the other side has it, for a second at most.
        for (int i = 0; i < LEAVE_POLLS && !core_->told(); ++i) {
          Sleep(LEAVE_POLL_MS);
          core_->poll(*transport_, now());
        }
      }
      // The recording ends with the last frame confirmed.
      if (core_ != nullptr) tellConfirmed();
      break;
    default:
      break;
  }
  return inner_->message(hwnd, message, wparam, lparam);
}

// The merged input of `frame` to the game.
void Network::deliver(HWND hwnd, std::uint32_t frame) {
  delivering_ = true;
  if (frame == 0) {
    RECT r = {};
    GetClientRect(hwnd, &r);
    if (r.right - r.left != core_->width() || r.bottom - r.top != core_->height()) {
      resizeClient(hwnd, core_->width(), core_->height());
    }
  }
  core_->setLocalControls(sampler_.take());
  net::GameEvent events[net::MAX_FRAME_EVENTS];
  const int count = core_->advance(events);
  for (int i = 0; i < count; ++i) {
    if (events[i].mouse) {
      sendButton(hwnd, events[i].code, events[i].down);
    } else {
      sendKey(hwnd, events[i].code, events[i].down);
    }
  }
  delivering_ = false;
}

IdleStep Network::idlePass() {
  if (over_) return {false, false};
  if (core_ == nullptr) {
    // The game's client size is the host's.
    RECT r = {};
    GetClientRect(mainWindow(), &r);
    // A rollback game's at most ROLLBACK_MAX_WIDTH x ROLLBACK_MAX_HEIGHT: a
    // larger window is made smaller before frame 0.
    const bool capped = config_.rollback > 0;
    config_.width = static_cast<std::uint16_t>(
        std::clamp<LONG>(r.right - r.left, 16, capped ? ROLLBACK_MAX_WIDTH : 4096));
    config_.height = static_cast<std::uint16_t>(
        std::clamp<LONG>(r.bottom - r.top, 16, capped ? ROLLBACK_MAX_HEIGHT : 4096));
    core_ = new net::Lockstep(config_);
    clock_start_ = 0;
    clock_start_ = now();
    // Until the game begins the title says what to tell the other player, or whom this side calls.
    setTitle(port_ != 0 ? net::waitingTitle(net::localAddresses(), port_).c_str()
                        : calling_title_.c_str());
    // This side's walker, and whether the computer steers it (the command
    // line let it play only this side's).
    const char walker = config_.side == net::Player::Host ? '0' : '1';
    playing_title_ =
        std::string(g_shell.title) +
        (computerChoice().walkers != 0 ? " (computer steers walker " : " (you steer walker ") +
        walker + ")";
  }
  net::Lockstep& core = *core_;
  const std::uint32_t time = now();
  core.poll(*transport_, time);
  if (core.state() != net::State::Running && core.state() != net::State::Connecting) {
    // The other side hears how the game ended (and both name the same frame)
    // before the box, which stops the polling.
    if (core.told()) endGame();
    return {false, false};
  }
  if (paint_requested_) return {false, false};
  // The other side's controls came and differ from the prediction: the frames
  // since run again, so that the next paint shows the corrected picture.
  if (rollback_on_ && core.mispredicted() != net::NO_FRAME) rollback_.catchUp(core, this);
  tellConfirmed();
  const std::uint32_t frame = frameNow();
  if (!core.ready()) {
    // A frame waits once the game has begun (before, the title says why).
    if (!waiting_ && core.state() == net::State::Running) {
      waiting_ = true;
      waiting_since_ = time;
    }
    if (!titled_waiting_ && waiting_ && time - waiting_since_ >= WAIT_TITLE_MS) {
      titled_waiting_ = true;
      setTitle("Starquell. Waiting for the other player.");
    }
    return {false, false};
  }
  // Running ahead of the other side: a frame period passes now and then.
  if (core.slowDown(time)) return {false, false};
  waiting_ = false;
  if (titled_waiting_ || frame == 0) {
    titled_waiting_ = false;
    setTitle(playing_title_.c_str());
  }
  if (frame == 0 && core.rollback() > 0) {
    rollback_on_ = true;
    inner_->confirmedOnly();
  }
  // Frame 0 is never run again (its input is known: no delay is 0), and it
  // makes the back buffer of the game's size that the saved states follow.
  if (rollback_on_ && frame == 1 && !startRollback()) return {false, false};
  if (rollback_on_) rollback_.saveBefore(frame);
  deliver(mainWindow(), frame);
  core.poll(*transport_, time);  // this frame's controls go out at once
  paint_requested_ = true;
  // As the replay runner plays a frame: no idle pass before frame 0, one
  // before each other, which the inner mode sees (a recording counts it).
  const bool tick = frame > 0;
  if (tick) inner_->idlePass();
  return {true, tick};
}

void Network::end() {
  if (inner_ != nullptr) inner_->end();
  rollback_.stop();
  delete core_;
  core_ = nullptr;
  delete transport_;
  transport_ = nullptr;
}

bool Network::start(const ProgramOptions& options, Mode& inner) {
  inner_ = &inner;
  net::Config config;
  config.side =
      options.network == ProgramOptions::Network::Host ? net::Player::Host : net::Player::Joiner;
  config.versions = ourVersions();
  config.delay = options.delay;
  config.rollback = options.rollback;
  transport_ = new net::UdpTransport();
  std::string error;
  bool ok = false;
  if (config.side == net::Player::Host) {
    ok = transport_->listen(options.port, &error);
    port_ = options.port;
    if (ok && !transport_->note().empty()) {
      std::fprintf(stderr, "starquell: %s\n", transport_->note().c_str());
    }
  } else {
    ok = net::openJoin(transport_, options.join_host.c_str(), options.port, &config, &error);
    const bool ipv6 = options.join_host.find(':') != std::string::npos;
    calling_ = (ipv6 ? "[" + options.join_host + "]" : options.join_host) + ":" +
               std::to_string(options.port);
    calling_title_ =
        "Starquell. Calling " + options.join_host + " port " + std::to_string(options.port) + ".";
  }
  ok = ok && net::drawSecrets(&config, &error);
  if (!ok) {
    std::fprintf(stderr, "starquell: %s\n", error.c_str());
    end();
    return false;
  }
  config_ = config;
  return true;
}

}  // namespace

Mode* startNetwork(const ProgramOptions& options, Mode& inner) {
  g_network = Network{};
  return g_network.start(options, inner) ? &g_network : nullptr;
}

}  // namespace session
