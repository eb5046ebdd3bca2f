// What the readers make of the files they are given: the runner's lines and
// statuses for each kind of file, and watching refusing what it cannot play
// before any window opens.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "app/entry.h"
#include "shell/shell_globals.h"
#include "tests/record/recorded_game.h"

using namespace recorded_game;

namespace {

// Each kind of file through the runner itself: its line and its status.
TEST_F(Recording, TheRunnerSaysWhatItFoundWithItsOwnStatus) {
  const std::string recorded = record();
  std::string moved = recorded;
  moved.replace(moved.find("\n130 key 88 down"), 16, "\n131 key 88 down");
  std::string newer = recorded;
  newer.replace(0, 20, "# starquell replay 2");
  std::string logic = recorded;
  logic.replace(logic.find("logic 1"), 7, "logic 7");
  const struct {
    const char* name;
    std::string text;
    const char* options;
    int status;
    const char* says;
  } cases[] = {
      {"good", recorded, "--verify", 0, "verified: 9 checkpoints, frames 0..479"},
      {"moved", moved, "--verify", 1, "differs at frame 180: recorded "},
      {"truncated", recorded.substr(0, recorded.size() - 5), "--verify", 2,
       "truncated: the recording ends inside this line"},
      {"newer", newer, "--verify", 2, "recording format 2 is newer than this program's 1"},
      {"logic", logic, "--verify", 2,
       "recorded with game logic 7; this program plays game logic 1"},
      {"forced", logic, "--verify --force", 0, "verified: 9 checkpoints"},
      {"plain", GAME, "--verify", 2, "not a recording"},
  };
  for (const auto& c : cases) {
    const fs::path file = dir_ / (std::string(c.name) + ".replay");
    writeText(file, c.text);
    const std::string command = std::string(STARQUELL_REPLAY_RUNNER) + " " + c.options + " " +
                                file.string() + " >" + (dir_ / "out").string() + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.name;
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.name;
    const std::string said = readText(dir_ / "out");
    EXPECT_NE(said.find(c.says), std::string::npos) << c.name << ": " << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << c.name << ": one line: " << said;
  }
}

TEST_F(Recording, WatchingRefusesWhatCannotBePlayedBeforeAnyWindow) {
  writeText(dir_ / "bad.replay",
            "# starquell replay 1\n# program 0.1.0 logic 1\n5 key 88 sideways\n");
  writeText(dir_ / "newer.replay", "# starquell replay 9\n");
  const struct {
    std::string arguments;
    int status;
    const char* says;
  } cases[] = {
      {"--play " + (dir_ / "missing.replay").string(), 2, "cannot read "},
      {"--play " + (dir_ / "bad.replay").string(), 2, "line 3: expected down or up"},
      {"--play " + (dir_ / "newer.replay").string(), 2, "is newer than this program's 1 (--force"},
      {"--bogus", 2, "starquell: unknown option --bogus (see --help)\n"},
      {"--version", 0, ""},
  };
  for (const auto& c : cases) {
    resetProgramState();
    ::testing::internal::CaptureStderr();
    static int instance = 0;
    std::string arguments = c.arguments;
    EXPECT_EQ(
        WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, arguments.data(), SW_SHOWNORMAL),
        c.status)
        << c.arguments;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(g_shell.main_window.window, nullptr) << "no window opened";
  }
}

}  // namespace
