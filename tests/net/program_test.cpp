// The window program in a network game, on the headless backend with a
// scripted clock: WinMain hosts or joins; the other side is a lockstep core over
// loopback UDP driven from the pump hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/entry.h"
#include "net/lockstep.h"
#include "net/setup.h"
#include "net/udp.h"
#include "record/checksum.h"
#include "record/format.h"
#include "session/game_window.h"
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

class NetworkProgram : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    headless::setCounterFrequency(1000);
    headless::setTicksPerRead(1);
  }
};

TEST_F(NetworkProgram, EndsWithTheBoxThatNamesWhyAndRecordsTheMergedGame) {
  const struct {
    const char* name;
    bool leaves;  // after its frames; else it falls silent
    const char* box;
    int status;
  } cases[] = {
      {"left", true, "The other player has left.", 0},
      {"silent", false, "The other player is not answering.", 1},
  };
  std::uint16_t port = 47690;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    resetProgramState();
    headless::setCounterFrequency(1000);
    headless::setTicksPerRead(1);
    ++port;
    const std::string recording = std::string(::testing::TempDir()) + "net_" + c.name + ".replay";
    net::Config config;
    config.side = net::Player::Joiner;
    config.versions.logic = record::LOGIC_VERSION;
    config.versions.minor = 1;
    std::string error;
    net::UdpTransport transport;
    ASSERT_TRUE(net::UdpTransport::resolve("127.0.0.1", port, &config.peer, &error)) << error;
    ASSERT_TRUE(transport.openFor(config.peer, &error)) << error;
    net::Lockstep joiner(config);
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
        std::ifstream part(recording);
        flushed_text.assign(std::istreambuf_iterator<char>(part), {});
      }
      char title[128] = {};
      if (g_shell.main_window.window != nullptr) {
        GetWindowTextA(g_shell.main_window.window, title, sizeof title);
        titles.insert(title);
      }
      // The other side comes once the host has waited a while: nothing runs till then.
      if (titles.count(waiting) == 0 || nowMs() < 3000) {
        presented_waiting = g_shell.main_window.presented_frames;
        return;
      }
      if (joiner.state() == net::State::Left) return;
      if (joiner.nextFrame() >= FRAMES && !c.leaves) return;  // silent from here
      mirror.report(joiner);
      joiner.poll(transport, nowMs());
      if (joiner.nextFrame() >= FRAMES) {
        if (joiner.delivered(FRAMES)) joiner.leave(transport);
        return;
      }
      if (joiner.ready()) {
        // Z held for 20 frames out of every 60, X pressed every 45th.
        const std::uint32_t f = joiner.nextFrame();
        joiner.setLocalControls(static_cast<std::uint8_t>((f % 60 < 20 ? net::ARM_BACK_HELD : 0) |
                                                          (f % 45 == 0 ? net::ARM_ON_PRESSED : 0)));
        net::GameEvent events[net::MAX_FRAME_EVENTS];
        joiner.advance(events);
      }
    });
    const std::string line = "--host " + std::to_string(port) + " --record \"" + recording + "\"";
    std::string command_line = line;
    static int instance_marker = 0;
    const int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr,
                               command_line.data(), SW_SHOWNORMAL);
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
    EXPECT_GE(joiner.counters().compared, FRAMES - 20);
    EXPECT_EQ(flushed, recording) << "a recorded network game is written out when asked";
    EXPECT_NE(flushed_text.find("\n60 crc "), std::string::npos) << flushed_text;
    // The merged game is recorded: the joiner's controls as ship 1's keys, and it verifies.
    std::ifstream in(recording);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("key 90 down"), std::string::npos);
    EXPECT_NE(text.str().find("key 88 down"), std::string::npos);
    record::Script script;
    ASSERT_TRUE(record::parseScript(text.str(), &script, &error)) << error;
    resetProgramState();
    replay::Options options;
    options.frames = script.last_frame;
    options.verify = true;
    replay::Verdict verdict;
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(replay::run(script, options, sink, &verdict), 0);
    std::fclose(sink);
    EXPECT_FALSE(verdict.differs) << "at frame " << verdict.frame;
    EXPECT_GE(verdict.checkpoints, 3);
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
    resetProgramState();
    headless::setCounterFrequency(1000);
    headless::setTicksPerRead(1);
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
      char title[128] = {};
      if (g_shell.main_window.window != nullptr) {
        GetWindowTextA(g_shell.main_window.window, title, sizeof title);
        titles.insert(title);
      }
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
    std::string command_line =
        (c.program_hosts ? "--no-record --host " : "--no-record --join 127.0.0.1:") +
        std::to_string(port);
    static int instance_marker = 0;
    const int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr,
                               command_line.data(), SW_SHOWNORMAL);
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
  std::string command_line = "--no-record --join 127.0.0.1:" + std::to_string(port);
  static int instance_marker = 0;
  const int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr,
                             command_line.data(), SW_SHOWNORMAL);
  EXPECT_EQ(status, 1);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text,
            "No game is hosted at 127.0.0.1:" + std::to_string(port) + ".");
  EXPECT_EQ(g_shell.main_window.presented_frames, 0u);
}

// The other side's picture differs from frame N: the side that finds it tells
// the other at once, and both boxes name frame N.
TEST_F(NetworkProgram, APictureThatDiffersEndsBothSidesNamingItsFrame) {
  const struct { std::uint32_t from; } cases[] = {{90}, {150}, {301}};
  std::uint16_t port = 47740;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    resetProgramState();
    headless::setCounterFrequency(1000);
    headless::setTicksPerRead(1);
    ++port;
    net::Config config;
    config.side = net::Player::Joiner;
    config.versions.logic = record::LOGIC_VERSION;
    config.versions.minor = 1;
    std::string error;
    net::UdpTransport transport;
    ASSERT_TRUE(net::UdpTransport::resolve("127.0.0.1", port, &config.peer, &error)) << error;
    ASSERT_TRUE(transport.openFor(config.peer, &error)) << error;
    net::Lockstep joiner(config);
    MirroredChecksums mirror(c.from);
    std::uint32_t compared_at_end = 0;
    headless::setPumpHook([&] {
      if (g_shell.main_window.window == nullptr || !headless::boxes().empty()) return;
      mirror.report(joiner);
      joiner.poll(transport, nowMs());
      compared_at_end = static_cast<std::uint32_t>(joiner.counters().compared);
      if (joiner.ready() && joiner.nextFrame() < 600) {
        joiner.setLocalControls(0);
        net::GameEvent events[net::MAX_FRAME_EVENTS];
        joiner.advance(events);
      }
    });
    std::string command_line = "--no-record --host " + std::to_string(port);
    static int instance_marker = 0;
    const int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr,
                               command_line.data(), SW_SHOWNORMAL);
    headless::setPumpHook(nullptr);
    // The joiner hears what is still on its way.
    for (int i = 0; i < 50; ++i) joiner.poll(transport, nowMs());
    EXPECT_EQ(status, 1);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text,
              "The two games differ from frame " + std::to_string(c.from) + ".");
    EXPECT_EQ(joiner.state(), net::State::Desync);
    EXPECT_EQ(joiner.desyncFrame(), c.from);
    EXPECT_GT(compared_at_end, c.from / 2);
  }
}

}  // namespace
