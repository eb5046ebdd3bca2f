// The computer in the window program, run as the replay runner runs the
// program: its decisions enter as a person's input does, so a game against it
// is recorded as input and plays back the same, frame for frame, without it;
// a person's own input for a walker the computer plays changes nothing. Then
// the rules alone: which messages are dropped, and a network game's title.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/computer_input.h"
#include "computer/computer.h"
#include "record/format.h"
#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tools/replay/replay.h"

namespace {

constexpr std::uint32_t FRAMES = 600;
// The controls are locked for the first 120 frames; walker 0's buttons then choose levels.
constexpr std::uint32_t LOCKED_FRAMES = 120;

// A person's hands on each walker's controls: a right click in the locked
// time (to level 0), then both held a while.
const char MOUSE[] =
    "10 mouse right down\n20 mouse right up\n"
    "300 mouse left down\n300 mouse right down\n500 mouse left up\n500 mouse right up\n";
const char KEYS[] = "300 key 90 down\n300 key 88 down\n500 key 90 up\n500 key 88 up\n";
const std::string BOTH = std::string(MOUSE) + KEYS;

struct Game {
  std::vector<std::string> lines;  // the runner's, one per frame
  std::string title;
  int status = -1;
};

// The runner's own computer players, for `computer` (bit w: walker w).
struct RunnerComputer {
  unsigned walkers = 0;
  computer::Level level = computer::Level::Normal;
};

Game play(const record::Script& script, const std::string& arguments,
          replay::Verdict* verdict = nullptr, RunnerComputer computer = {}) {
  resetProgramState();
  replay::Options options;
  options.frames = FRAMES;
  options.program_arguments = arguments;
  options.computer = computer.walkers;
  options.level = computer.level;
  options.verify = verdict != nullptr;
  std::FILE* out = std::tmpfile();
  Game game;
  game.status = replay::run(script, options, out, verdict);
  game.title = g_shell.title;
  std::rewind(out);
  char line[256];
  while (std::fgets(line, sizeof line, out) != nullptr) game.lines.emplace_back(line);
  std::fclose(out);
  return game;
}

record::Script parsed(const std::string& text) {
  record::Script script;
  std::string error;
  EXPECT_TRUE(record::parseScript(text, &script, &error)) << error;
  return script;
}

TEST(ComputerProgram, AGameAgainstTheComputerIsRecordedAsInputAndPlaysBackTheSameWithoutIt) {
  using L = computer::Level;
  const struct {
    const char* arguments;
    RunnerComputer computer;  // the same players in the runner
    std::string script;
    const char* title;         // after the game's own
    bool script_changes_game;  // the person's input reaches a walker the computer does not play
  } cases[] = {
      {"--computer", {2, L::Normal}, KEYS, " (computer plays walker 1)", false},
      {"--computer 0 --level easy", {1, L::Easy}, MOUSE, " (computer plays walker 0)", false},
      {"--computer both --level hard", {3, L::Hard}, BOTH, " (computer plays both walkers)", false},
      {"--computer 0", {1, L::Normal}, KEYS, " (computer plays walker 0)", true},
      {"--level normal --computer 1", {2, L::Normal}, MOUSE, " (computer plays walker 1)", true},
  };
  const std::string path = tempPath("starquell_computer.replay");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::string args = c.arguments;
    const Game alone = play(parsed(""), args + " --no-record");
    const Game game = play(parsed(c.script), args + " --record " + path);
    ASSERT_EQ(game.status, 0);
    ASSERT_EQ(game.lines.size(), FRAMES + 1) << "the client line, then one per frame";
    EXPECT_EQ(game.title, std::string("Starquell. Early concept demo only.") + c.title);
    EXPECT_EQ(game.lines != alone.lines, c.script_changes_game)
        << "the person's input for the computer's walker must change nothing, the other's must";
    EXPECT_EQ(play(parsed(""), "--no-record", nullptr, c.computer).lines, alone.lines)
        << "the runner's computer plays another game";

    record::Script recording;
    std::string error;
    ASSERT_TRUE(record::readScript(path, &recording, &error, true)) << error;
    int presses[2] = {0, 0};
    for (const record::ScriptEvent& e : recording.events) {
      if (e.kind == record::EventKind::Mouse) {
        if ((c.computer.walkers & 1u) != 0) {
          EXPECT_GE(e.frame, LOCKED_FRAMES) << "a button in the locked time chooses a level";
        }
        presses[0] += e.down ? 1 : 0;
      }
      if (e.kind == record::EventKind::Key) presses[1] += e.down ? 1 : 0;
    }
    for (int w = 0; w < 2; ++w) {
      if (((c.computer.walkers >> w) & 1u) == 0) continue;
      EXPECT_GT(presses[w], 0) << "the computer never pressed walker " << w << "'s controls";
    }

    // Without the computer the recording plays the same game, and verifies.
    const Game again = play(recording, "--no-record");
    EXPECT_EQ(again.title, "Starquell. Early concept demo only.");
    EXPECT_EQ(again.lines, game.lines);
    replay::Verdict verdict;
    EXPECT_EQ(play(recording, "--no-record", &verdict).status, 0);
    EXPECT_FALSE(verdict.differs) << "from frame " << verdict.frame;
    EXPECT_GE(verdict.checkpoints, static_cast<int>(FRAMES / record::CHECKPOINT_INTERVAL));
  }
  std::remove(path.c_str());
}

// Which of a person's messages reach the game while the computer plays.
TEST(ComputerInput, DropsAPersonsControlsOfTheComputersWalkersOnly) {
  using C = session::ComputerChoice;
  const HWND main = reinterpret_cast<HWND>(0x10);
  const HWND other = reinterpret_cast<HWND>(0x20);
  const C local0{1, session::ComputerLevel::Normal, false};
  const C local1{2, session::ComputerLevel::Easy, false};
  const C both{3, session::ComputerLevel::Hard, false};
  const C joiner{2, session::ComputerLevel::Normal, true};
  const struct {
    const char* what;
    C choice;
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    bool dropped;
  } cases[] = {
      {"nobody: Z", C{}, main, WM_KEYDOWN, 'Z', false},
      {"walker 1: Z", local1, main, WM_KEYDOWN, 'Z', true},
      {"walker 1: X up", local1, main, WM_KEYUP, 'X', true},
      {"walker 1: another key", local1, main, WM_KEYDOWN, 'A', false},
      {"walker 1: the mouse", local1, main, WM_RBUTTONDOWN, 0, false},
      {"walker 0: left button", local0, main, WM_LBUTTONDOWN, 0, true},
      {"walker 0: right button up", local0, main, WM_RBUTTONUP, 0, true},
      {"walker 0: the mouse moving", local0, main, WM_MOUSEMOVE, 0, false},
      {"walker 0: Z", local0, main, WM_KEYDOWN, 'Z', false},
      {"both: X", both, main, WM_KEYDOWN, 'X', true},
      {"both: right button", both, main, WM_RBUTTONDOWN, 0, true},
      {"another window", both, other, WM_KEYDOWN, 'Z', false},
      // Over a network either control steers this side's walker.
      {"joiner: left button", joiner, main, WM_LBUTTONDOWN, 0, true},
      {"joiner: Z", joiner, main, WM_KEYDOWN, 'Z', true},
      {"joiner: Escape", joiner, main, WM_KEYDOWN, VK_ESCAPE, false},
  };
  resetProgramState();
  g_shell.main_window.window = main;
  for (const auto& c : cases) {
    startComputer(c.choice);
    MSG msg = {};
    msg.hwnd = c.hwnd;
    msg.message = c.message;
    msg.wParam = c.wparam;
    EXPECT_EQ(isComputersControl(msg), c.dropped) << c.what;
  }
  stopComputer();
}

// A local game's title names the computer's walkers; a network game's own
// title says who steers this side's walker (the network mode's).
TEST(ComputerInput, TheTitleSaysWhoPlays) {
  const struct {
    std::uint8_t walkers;
    bool network;
    const char* suffix;
  } cases[] = {
      {0, false, ""},
      {1, false, " (computer plays walker 0)"},
      {2, false, " (computer plays walker 1)"},
      {3, false, " (computer plays both walkers)"},
      {1, true, ""},
  };
  for (const auto& c : cases) {
    startComputer({c.walkers, session::ComputerLevel::Normal, c.network});
    EXPECT_STREQ(computerTitleSuffix(), c.suffix) << int{c.walkers} << " " << c.network;
  }
  stopComputer();
}

}  // namespace
