// The window program in a network game, on the headless backend with a
// scripted clock: WinMain hosts or joins, with rollback (the default) or in
// lockstep (--rollback 0); the other side is a lockstep core over loopback UDP
// driven from the pump hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/entry.h"
#include "net/inputs.h"
#include "net/lockstep.h"
#include "net/setup.h"
#include "net/udp.h"
#include "platform/core/core.h"
#include "record/checksum.h"
#include "record/format.h"
#include "session/game_window.h"
#include "session/rollback.h"
#include "session/session.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tools/replay/replay.h"

namespace {

std::uint32_t nowMs() {
  LARGE_INTEGER count = {};
  QueryPerformanceCounter(&count);
  return static_cast<std::uint32_t>(count.QuadPart);
}

// The program's picture checksum of each frame, read in the pump hook between
// its paints (after frame f's paint the back buffer holds its picture), and
// reported by the other side's core as its own once it has run the frame:
// from frame `differ_from` on made to differ.
class MirroredChecksums {
 public:
  explicit MirroredChecksums(std::uint32_t differ_from = net::NO_FRAME)
      : differ_from_(differ_from) {}
  void report(net::Lockstep& core) {
    const std::uint32_t painted = session::frameNow();
    if (painted > 0 && crcs_.size() < painted) {
      crcs_.resize(painted, MISSING);
      crcs_[painted - 1] = record::frameChecksum();
    }
    for (; next_ < crcs_.size() && next_ < core.nextFrame(); ++next_) {
      if (crcs_[next_] == MISSING) continue;
      core.setFrameCrc(next_, next_ >= differ_from_ ? ~crcs_[next_] : crcs_[next_]);
    }
  }

 private:
  static constexpr std::uint64_t MISSING = ~std::uint64_t{0};
  std::uint32_t differ_from_;
  std::vector<std::uint64_t> crcs_;
  std::uint32_t next_ = 0;
};

// A fresh program on the scripted clock.
void freshProgram() {
  resetProgramState();
  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
}

// The late joiner's controls: nothing in the start's lock (a press there
// would build a level and lock the controls again), then every 45 frames Z
// held for 20 and X for 6 from the 5th, so that its walker fires; no two
// changes are closer than 5 frames.
std::uint8_t joinerControls(std::uint32_t f) {
  if (f < 130) return 0;
  const std::uint32_t t = f % 45;
  const std::uint8_t z = t == 0   ? net::ARM_BACK_HELD | net::ARM_BACK_PRESSED
                         : t < 20 ? net::ARM_BACK_HELD
                                  : 0;
  const std::uint8_t x = t == 5            ? net::ARM_ON_HELD | net::ARM_ON_PRESSED
                         : t > 5 && t < 11 ? net::ARM_ON_HELD
                                           : 0;
  return static_cast<std::uint8_t>(z | x);
}

// The game a host without input plays against that joiner at `delay`, as a
// script of its merged events.
record::Script mergedGame(int delay, std::uint32_t frames) {
  net::InputMerger merger;
  std::string text;
  for (std::uint32_t f = 0; f < frames; ++f) {
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    const std::uint32_t d = static_cast<std::uint32_t>(delay);
    const int count = merger.merge(0, f >= d ? joinerControls(f - d) : 0, events);
    for (int i = 0; i < count; ++i) {
      text += std::to_string(f) + (events[i].mouse ? " mouse " : " key ") +
              (events[i].mouse ? (events[i].code == 1 ? "right" : "left")
                               : std::to_string(events[i].code)) +
              (events[i].down ? " down\n" : " up\n");
    }
  }
  record::Script script;
  std::string error;
  EXPECT_TRUE(record::parseScript(text, &script, &error)) << error;
  return script;
}

// The runner's checksum of each frame of a script (or recording): the
// pictures both sides must confirm. With `dump_frame`, that frame's picture
// goes to `dump_path` too.
std::vector<std::uint32_t> runnerChecksums(const record::Script& script, std::uint32_t frames,
                                           std::int64_t dump_frame = -1,
                                           const std::string& dump_path = "") {
  resetProgramState();
  replay::Options options;
  options.frames = frames;
  options.dump_frame = dump_frame;
  options.dump_path = dump_path;
  std::FILE* lines = std::tmpfile();
  EXPECT_EQ(replay::run(script, options, lines), 0);
  std::rewind(lines);
  std::vector<std::uint32_t> crcs;
  char line[256];
  unsigned frame = 0;
  unsigned crc = 0;
  while (std::fgets(line, sizeof line, lines) != nullptr) {
    if (std::sscanf(line, "%u %x", &frame, &crc) == 2 && frame == crcs.size()) crcs.push_back(crc);
  }
  std::fclose(lines);
  freshProgram();
  return crcs;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The window program's run with this command line; its exit status.
int runProgram(std::string command_line) {
  static int instance_marker = 0;
  return WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr, command_line.data(),
                 SW_SHOWNORMAL);
}

// A lockstep core joining as this program's versions, with its socket towards
// a host on loopback `port`; `opened` false with the reason in `error`.
struct Joiner {
  explicit Joiner(std::uint16_t port) : opened(open(port)), core(config) {}
  bool open(std::uint16_t port) {
    config.side = net::Player::Joiner;
    config.versions.logic = record::LOGIC_VERSION;
    config.versions.minor = 1;
    return net::UdpTransport::resolve("127.0.0.1", port, &config.peer, &error) &&
           transport.openFor(config.peer, &error);
  }
  void poll() { core.poll(transport, nowMs()); }
  // Runs its next frame with these controls.
  void advance(std::uint8_t controls) {
    core.setLocalControls(controls);
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    core.advance(events);
  }
  // Leaves once the host has every frame below `frames`; true from then on.
  bool leaveAfter(std::uint32_t frames) {
    if (core.nextFrame() < frames) return false;
    if (core.delivered(frames)) core.leave(transport);
    return true;
  }

  net::Config config;
  net::UdpTransport transport;
  std::string error;
  bool opened;
  net::Lockstep core;
};

// The window's title, into `titles`, once it has a window.
void noteTitle(std::set<std::string>* titles) {
  char title[128] = {};
  if (g_shell.main_window.window == nullptr) return;
  GetWindowTextA(g_shell.main_window.window, title, sizeof title);
  titles->insert(title);
}

// The runner replays a recording, verifying it: no checkpoint differs, and at
// least `checkpoints` were compared.
void expectVerifies(const record::Script& script, std::uint32_t frames, int checkpoints) {
  resetProgramState();
  replay::Options options;
  options.frames = frames;
  options.verify = true;
  replay::Verdict verdict;
  std::FILE* sink = std::tmpfile();
  EXPECT_EQ(replay::run(script, options, sink, &verdict), 0);
  std::fclose(sink);
  EXPECT_FALSE(verdict.differs) << "at frame " << verdict.frame;
  EXPECT_GE(verdict.checkpoints, checkpoints);
}

class NetworkProgram : public FreshState {
 protected:
  void SetUp() override { freshProgram(); }
};

TEST_F(NetworkProgram, EndsWithTheBoxThatNamesWhyAndRecordsTheMergedGame) {
  const struct {
    const char* name;
    const char* options;  // the program's network options
    bool leaves;          // after its frames; else it falls silent
    const char* box;
    int status;
  } cases[] = {
      {"left", "", true, "The other player has left.", 0},
      {"silent", "", false, "The other player is not answering.", 1},
      {"lockstep_left", " --rollback 0", true, "The other player has left.", 0},
      {"lockstep_silent", " --rollback 0", false, "The other player is not answering.", 1},
  };
  std::uint16_t port = 47690;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    freshProgram();
    const std::string recording = tempPath(std::string("net_") + c.name + ".replay");
    Joiner joiner(++port);
    ASSERT_TRUE(joiner.opened) << joiner.error;
    MirroredChecksums mirror;
    constexpr std::uint32_t FRAMES = 240;
    std::set<std::string> titles;
    // The addresses this computer has, or the port alone (formats in setup_test.cpp).
    const std::string waiting = net::waitingTitle(net::localAddresses(), port);
    std::uint32_t presented_waiting = 0;
    // What the browser page's download would get in the middle of the game.
    std::string flushed;
    std::string flushed_text;
    headless::setPumpHook([&] {
      if (flushed.empty() && g_shell.main_window.presented_frames >= 100) {
        flushed = session::flushRecording();
        flushed_text = fileText(recording);
      }
      noteTitle(&titles);
      // The other side comes once the host has waited a while: nothing runs till then.
      if (titles.count(waiting) == 0 || nowMs() < 3000) {
        presented_waiting = g_shell.main_window.presented_frames;
        return;
      }
      if (joiner.core.state() == net::State::Left) return;
      if (joiner.core.nextFrame() >= FRAMES && !c.leaves) return;  // silent from here
      mirror.report(joiner.core);
      joiner.poll();
      if (joiner.leaveAfter(FRAMES) || !joiner.core.ready()) return;
      // Z held for 20 frames out of every 60, X pressed every 45th.
      const std::uint32_t f = joiner.core.nextFrame();
      joiner.advance(static_cast<std::uint8_t>((f % 60 < 20 ? net::ARM_BACK_HELD : 0) |
                                               (f % 45 == 0 ? net::ARM_ON_PRESSED : 0)));
    });
    const int status = runProgram("--host " + std::to_string(port) + c.options + " --record \"" +
                                  recording + "\"");
    headless::setPumpHook(nullptr);
    EXPECT_EQ(status, c.status);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text, c.box);
    EXPECT_EQ(presented_waiting, 0u);
    // The game's title as the window is made, the addresses to join while the
    // host waits, then the game's naming this side's walker; a frame that
    // waits a second for the other side says so.
    std::set<std::string> expected = {"Starquell. Early concept demo only.", waiting,
                                      "Starquell. Early concept demo only. (you steer walker 0)"};
    if (!c.leaves) expected.insert("Starquell. Waiting for the other player.");
    titles.erase("");  // read before the window has its title
    EXPECT_EQ(titles, expected);
    EXPECT_GE(g_shell.main_window.presented_frames, FRAMES - 10);
    // Both sides' pictures were compared (the program's box would name a difference).
    EXPECT_GE(joiner.core.counters().compared, FRAMES - 20);
    EXPECT_EQ(flushed, recording) << "a recorded network game is written out when asked";
    EXPECT_NE(flushed_text.find("\n60 crc "), std::string::npos) << flushed_text;
    // The merged game is recorded: the joiner's controls as ship 1's keys, and it verifies.
    const std::string text = fileText(recording);
    EXPECT_NE(text.find("key 90 down"), std::string::npos);
    EXPECT_NE(text.find("key 88 down"), std::string::npos);
    record::Script script;
    std::string error;
    ASSERT_TRUE(record::parseScript(text, &script, &error)) << error;
    expectVerifies(script, script.last_frame, 3);
  }
}

// Another version: the joiner shows the versions' box before any frame; a
// hosting program tells its versions and waits on.
TEST_F(NetworkProgram, OtherVersionsEndTheJoinerBeforeAnyFrame) {
  const std::string logic_1 = "0.1.0 (game logic 1)";
  const auto protocol = [](int n) {
    return "0.1.0 (game logic 1, network protocol " + std::to_string(n) + ")";
  };
  const std::string ours = protocol(net::PROTOCOL_VERSION);
  const struct {
    bool program_hosts;
    std::uint8_t protocol;  // the other side's
    std::uint16_t logic;
    std::string box;
  } cases[] = {
      {true, net::PROTOCOL_VERSION, record::LOGIC_VERSION + 1,
       "The other player runs Starquell 0.1.0 (game logic 2); this is " + logic_1 + "."},
      {false, net::PROTOCOL_VERSION, record::LOGIC_VERSION + 1,
       "The other player runs Starquell 0.1.0 (game logic 2); this is " + logic_1 + "."},
      {false, net::PROTOCOL_VERSION + 1, record::LOGIC_VERSION,
       "The other player runs Starquell " + protocol(net::PROTOCOL_VERSION + 1) + "; this is " +
           ours + "."},
      // The first protocol's hello and welcome are read as far as its versions.
      {true, 1, record::LOGIC_VERSION,
       "The other player runs Starquell " + protocol(1) + "; this is " + ours + "."},
      {false, 1, record::LOGIC_VERSION,
       "The other player runs Starquell " + protocol(1) + "; this is " + ours + "."},
  };
  std::uint16_t port = 47720;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box);
    SCOPED_TRACE(c.program_hosts ? "the program hosts" : "the program joins");
    freshProgram();
    ++port;
    net::Config config;
    config.side = c.program_hosts ? net::Player::Joiner : net::Player::Host;
    config.versions.protocol = c.protocol;
    config.versions.logic = c.logic;
    config.versions.minor = 1;
    std::string error;
    net::UdpTransport transport;
    if (c.program_hosts) {
      ASSERT_TRUE(net::UdpTransport::resolve("127.0.0.1", port, &config.peer, &error)) << error;
      ASSERT_TRUE(transport.openFor(config.peer, &error)) << error;
    } else {
      ASSERT_TRUE(transport.listen(port, &error)) << error;
    }
    net::Lockstep other(config);
    std::uint32_t presented_at_box = 0;
    bool closed = false;
    std::set<std::string> titles;
    headless::setPumpHook([&] {
      noteTitle(&titles);
      if (!headless::boxes().empty() && presented_at_box == 0) {
        presented_at_box = g_shell.main_window.presented_frames + 1;
      }
      if (g_shell.main_window.window == nullptr) return;
      other.poll(transport, nowMs());
      // A hosting program waits on for a joiner of its own version: closed here.
      if (c.program_hosts && other.state() == net::State::VersionMismatch && !closed) {
        closed = true;
        PostMessageA(g_shell.main_window.window, WM_CLOSE, 0, 0);
      }
    });
    const int status =
        runProgram((c.program_hosts ? "--no-record --host " : "--no-record --join 127.0.0.1:") +
                   std::to_string(port));
    headless::setPumpHook(nullptr);
    EXPECT_EQ(other.nextFrame(), 0u);
    if (c.program_hosts) {
      // The joiner knows the program's versions; the program played nothing.
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(headless::boxes().empty());
      EXPECT_EQ(g_shell.main_window.presented_frames, 0u);
      EXPECT_EQ(other.state(), net::State::VersionMismatch);
      EXPECT_EQ(other.peerVersions().logic, record::LOGIC_VERSION);
      EXPECT_EQ(other.peerVersions().protocol, net::PROTOCOL_VERSION);
      continue;
    }
    EXPECT_EQ(status, 1);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text, c.box);
    EXPECT_EQ(presented_at_box, 1u) << "no frame before the box";
    // Until then the title says whom it calls.
    EXPECT_EQ(titles.count("Starquell. Calling 127.0.0.1 port " + std::to_string(port) + "."), 1u);
    for (const std::string& title : titles) EXPECT_EQ(title.find("steer"), std::string::npos);
    // The host told the program its versions and waits on.
    EXPECT_EQ(other.state(), net::State::Connecting);
    EXPECT_GE(other.counters().other_version, 1u);
  }
}

// Joining a port where nothing listens: the box says so, before any frame.
TEST_F(NetworkProgram, AJoinRefusedOutrightSaysSo) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows test build runs under Wine, whose sockets report no refusal";
#endif
  std::uint16_t port = 47760;
  {
    // A port free now: bound, then let go.
    net::UdpTransport probe;
    std::string error;
    while (!probe.listen(port, &error) && port < 47790) ++port;
    ASSERT_LT(port, 47790) << error;
  }
  const int status = runProgram("--no-record --join 127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(status, 1);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text,
            "No game is hosted at 127.0.0.1:" + std::to_string(port) + ".");
  EXPECT_EQ(g_shell.main_window.presented_frames, 0u);
}

// The other side's picture differs from frame N: the side that finds it tells
// the other at once, and both boxes name frame N.
TEST_F(NetworkProgram, APictureThatDiffersEndsBothSidesNamingItsFrame) {
  const struct {
    std::uint32_t from;
    const char* options;  // the program's network options
  } cases[] = {
      {90, ""}, {301, ""}, {90, " --rollback 0"}, {150, " --rollback 0"}, {301, " --rollback 0"}};
  std::uint16_t port = 47740;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + c.options);
    freshProgram();
    Joiner joiner(++port);
    ASSERT_TRUE(joiner.opened) << joiner.error;
    MirroredChecksums mirror(c.from);
    std::uint32_t compared_at_end = 0;
    headless::setPumpHook([&] {
      if (g_shell.main_window.window == nullptr || !headless::boxes().empty()) return;
      mirror.report(joiner.core);
      joiner.poll();
      compared_at_end = static_cast<std::uint32_t>(joiner.core.counters().compared);
      if (joiner.core.ready() && joiner.core.nextFrame() < 600) joiner.advance(0);
    });
    const int status = runProgram("--no-record --host " + std::to_string(port) + c.options);
    headless::setPumpHook(nullptr);
    // The joiner hears what is still on its way.
    for (int i = 0; i < 50; ++i) joiner.poll();
    EXPECT_EQ(status, 1);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text,
              "The two games differ from frame " + std::to_string(c.from) + ".");
    EXPECT_EQ(joiner.core.state(), net::State::Desync);
    EXPECT_EQ(joiner.core.desyncFrame(), c.from);
    EXPECT_GT(compared_at_end, c.from / 2);
  }
}

// The joiner's input comes late on purpose, so that the program (hosting)
// runs frames on a prediction of it and a press arrives for a frame already
// run: the frames since run again before the next paint. What each paint
// presents is read from the back buffer just before it: a corrected picture
// is the runner's picture of its frame (one of them compared pixel for pixel
// as presented), every other is the frame's first run whole (no mix of two
// runs), both sides confirm the runner's pictures, and the recording holds
// the confirmed game. In lockstep every picture shown is the runner's. Each
// sound plays once, as in lockstep, a shot learnt of late when corrected.
TEST_F(NetworkProgram, ShowsTheCorrectedPictureWhenTheOtherSidesInputComesLate) {
  const struct {
    const char* name;
    int rollback;
    std::uint32_t lag;  // the joiner stays this many frames behind the program
  } cases[] = {
      {"rollback, joiner 3 frames behind", 8, 3},
      {"rollback, joiner 5 frames behind", 8, 5},
      {"lockstep", 0, 0},
  };
  constexpr int DELAY = 2;
  constexpr std::uint32_t FRAMES = 300;
  // Each row's sounds, by name and the frame that played them.
  std::vector<std::vector<std::pair<std::string, std::uint32_t>>> sounds;
  const record::Script game = mergedGame(DELAY, FRAMES + 40);
  const std::vector<std::uint32_t> truth = runnerChecksums(game, FRAMES + 40);
  ASSERT_EQ(truth.size(), FRAMES + 40);
  std::uint16_t port = 47780;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    freshProgram();
    const std::string tag = std::to_string(c.rollback) + "_" + std::to_string(c.lag);
    const std::string recording = tempPath("late_" + tag + ".replay");
    const std::string shown_png = tempPath("late_shown_" + tag + ".png");
    Joiner joiner(++port);
    ASSERT_TRUE(joiner.opened) << joiner.error;
    headless::setAudioFrameClock(&g_shell.main_window.presented_frames);
    std::vector<std::uint32_t> first_run(FRAMES + 40, 0);
    std::vector<std::uint32_t> shown(FRAMES + 40, 0);
    std::uint32_t seen = 0;       // presented frames at the last look
    std::uint32_t reading = 0;    // the back buffer's checksum then
    std::uint32_t reported = 0;   // frames whose checksum the joiner gave
    std::int64_t png_frame = -1;  // the first corrected frame, its presented picture saved
    headless::setPumpHook([&] {
      const MainWindow& mw = g_shell.main_window;
      if (mw.window == nullptr) return;
      const std::uint32_t p = mw.presented_frames;
      if (p != seen) {
        // Paint `seen` presented what the back buffer held at the last look:
        // the picture of frame seen - 1.
        if (p == seen + 1 && seen >= 1 && seen - 1 < shown.size()) {
          shown[seen - 1] = reading;
          if (png_frame < 0 && reading != first_run[seen - 1]) {
            png_frame = seen - 1;
            EXPECT_TRUE(headless::writePng(mw.window, shown_png.c_str()));
          }
        }
        seen = p;
        if (p >= 1 && p - 1 < first_run.size() && mw.hasPixels()) {
          first_run[p - 1] = record::frameChecksum();
        }
      }
      reading = mw.hasPixels() ? record::frameChecksum() : 0;
      net::Lockstep& core = joiner.core;
      if (core.state() == net::State::Left) return;
      joiner.poll();
      // The program has no input: the joiner's predictions of it never fail.
      EXPECT_EQ(core.mispredicted(), net::NO_FRAME);
      for (; reported < core.nextFrame() && reported < truth.size(); ++reported) {
        core.setFrameCrc(reported, truth[reported]);
      }
      if (core.nextFrame() >= FRAMES) {
        if (core.delivered(FRAMES) && core.peerRan(FRAMES - 1)) core.leave(joiner.transport);
        return;
      }
      if (core.ready() && core.nextFrame() + c.lag <= p) {
        joiner.advance(joinerControls(core.nextFrame()));
      }
    });
    const int status =
        runProgram("--host " + std::to_string(port) + " --delay " + std::to_string(DELAY) +
                   " --rollback " + std::to_string(c.rollback) + " --record \"" + recording + "\"");
    headless::setPumpHook(nullptr);
    headless::setAudioFrameClock(nullptr);
    sounds.emplace_back();
    for (const auto& p : headless::audioPlays()) {
      if (p.frame < FRAMES) sounds.back().emplace_back(p.name, p.frame);
    }
    EXPECT_EQ(status, 0);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text, "The other player has left.");
    // Both sides' confirmed pictures are the runner's (else the boxes name a frame).
    EXPECT_GE(joiner.core.counters().compared, FRAMES - 10);
    int corrected = 0;
    int predicted = 0;  // shown as first run, not the runner's
    for (std::uint32_t f = 0; f < FRAMES; ++f) {
      if (shown[f] == truth[f]) {
        corrected += shown[f] != first_run[f];
        continue;
      }
      ++predicted;
      EXPECT_EQ(shown[f], first_run[f]) << "frame " << f << " shown neither run whole";
    }
    if (c.rollback == 0) {
      EXPECT_EQ(corrected + predicted, 0);
      EXPECT_EQ(png_frame, -1);
    } else {
      // The joiner's controls change about every 20 frames.
      EXPECT_GE(corrected, 8);
      EXPECT_LE(predicted, static_cast<int>(FRAMES / 4));
      ASSERT_GE(png_frame, 0);
      const std::string runner_png = tempPath("late_runner_" + tag + ".png");
      runnerChecksums(game, static_cast<std::uint32_t>(png_frame) + 1, png_frame, runner_png);
      EXPECT_EQ(fileText(shown_png), fileText(runner_png)) << "frame " << png_frame;
    }
    // The recording holds the confirmed game: it verifies, and the runner's
    // pictures of it are those both sides confirmed.
    record::Script recorded;
    std::string error;
    ASSERT_TRUE(record::parseScript(fileText(recording), &recorded, &error)) << error;
    EXPECT_GE(recorded.last_frame, FRAMES - 1);
    const std::vector<std::uint32_t> replayed = runnerChecksums(recorded, recorded.last_frame + 1);
    ASSERT_EQ(replayed.size(), recorded.last_frame + 1);
    for (std::uint32_t f = 0; f < replayed.size() && f < truth.size(); ++f) {
      ASSERT_EQ(replayed[f], truth[f]) << "frame " << f;
    }
    expectVerifies(recorded, recorded.last_frame + 1, 5);
  }
  // Every sound played once, as in lockstep (the last row): a shot the
  // program learnt of late is heard when corrected, at most
  // LATE_SOUND_FRAMES frames after its frame.
  ASSERT_EQ(sounds.size(), std::size(cases));
  const auto& lockstep = sounds.back();

  EXPECT_GE(lockstep.size(), 4u);
  for (std::size_t row = 0; row + 1 < sounds.size(); ++row) {
    SCOPED_TRACE(cases[row].name);
    ASSERT_EQ(sounds[row].size(), lockstep.size());
    for (std::size_t i = 0; i < lockstep.size(); ++i) {
      EXPECT_EQ(sounds[row][i].first, lockstep[i].first) << i;
      EXPECT_GE(sounds[row][i].second, lockstep[i].second) << lockstep[i].first;
      EXPECT_LE(sounds[row][i].second, lockstep[i].second + session::Rollback::LATE_SOUND_FRAMES)
          << lockstep[i].first;
    }
  }
}

// A rollback game's client size is at most 1920 x 1080: a larger hosting
// window is made smaller before frame 0, and the joiner is given that size;
// a lockstep game keeps the host's whatever it is.
TEST_F(NetworkProgram, ARollbackGamesClientSizeIsCapped) {
  const struct {
    const char* options;
    int width;  // the host's window before the game
    int height;
    int game_width;
    int game_height;
  } cases[] = {
      {"", 2100, 1200, 1920, 1080},
      {"", 2100, 700, 1920, 700},
      {"", 1000, 1100, 1000, 1080},
      {"", 1000, 700, 1000, 700},
      {" --rollback 0", 2100, 1200, 2100, 1200},
  };
  std::uint16_t port = 47800;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + c.options);
    freshProgram();
    Joiner joiner(++port);
    ASSERT_TRUE(joiner.opened) << joiner.error;
    bool resized = false;
    RECT client = {};
    headless::setPumpHook([&] {
      const HWND window = g_shell.main_window.window;
      if (window == nullptr) return;
      if (!resized) {
        resized = true;
        platform::NativeEvent size;
        size.kind = platform::NativeEventKind::Resize;
        size.width = c.width;
        size.height = c.height;
        headless::inject(size);
        return;
      }
      if (g_shell.main_window.presented_frames == 3) GetClientRect(window, &client);
      if (joiner.core.state() == net::State::Left) return;
      joiner.poll();
      if (!joiner.leaveAfter(10) && joiner.core.ready()) joiner.advance(0);
    });
    runProgram("--no-record --host " + std::to_string(port) + c.options);
    headless::setPumpHook(nullptr);
    EXPECT_EQ(joiner.core.width(), c.game_width);
    EXPECT_EQ(joiner.core.height(), c.game_height);
    EXPECT_EQ(client.right - client.left, c.game_width);
    EXPECT_EQ(client.bottom - client.top, c.game_height);
  }
}

}  // namespace
