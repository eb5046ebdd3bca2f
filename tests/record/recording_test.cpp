// Recorded games: a game played headless is recorded and replays to the same
// lines; checkpoints find the first frame that differs; what a recording may
// hold from outside is refused with its own line; the recorder's file rules
// (flushing, an unwritable folder, the newest 50 kept); and a recording
// watched in the window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/entry.h"
#include "record/data_folder.h"
#include "record/format.h"
#include "session/session.h"
#include "shell/shell_globals.h"
#include "tests/record/recorded_game.h"
#include "tests/support/fresh_state.h"
#include "tools/replay/replay.h"

namespace fs = std::filesystem;
using namespace recorded_game;

namespace {

TEST_F(Recording, AGameRecordedReplaysToTheLinesOfTheGameThatMadeIt) {
  std::string played;
  const std::string recorded = record(&played);
  EXPECT_EQ(recorded.rfind("# starquell replay 1\n# program 0.1.0 logic 1\n# started ", 0), 0u);
  // Input at the frames whose paints saw it, only the keys the game reads,
  // the passes that were not the usual one, checkpoints and the last frame.
  for (const char* line :
       {"\nclient 734 531\n", "\n10 mouse right down\n", "\n31 mouse left up\n",
        "\n130 key 88 down\n", "\n200 resize 500 400\n", "\n201 ticks 0\n", "\n260 ticks 3\n",
        "\n420 resize 734 531\n", "\n0 crc ", "\n420 crc ", "\n479 crc "}) {
    EXPECT_NE(recorded.find(line), std::string::npos) << line << " missing from\n" << recorded;
  }
  EXPECT_EQ(recorded.find("key 65"), std::string::npos) << "a key the game does not read";
  EXPECT_NE(played.find("\n200 "), std::string::npos);
  EXPECT_EQ(lines(parse(recorded), "--no-record"), played);
  EXPECT_STREQ(session::flushRecording(), "") << "an unrecorded game has no recording";
  // Recorded again from its recording: the same recording, but for the start time.
  const fs::path again = dir_ / "again.replay";
  lines(parse(recorded), "--record " + again.string());
  // The page's download finds the file, still after the game's end.
  EXPECT_EQ(std::string(session::flushRecording()), again.string());
  const auto body = [](const std::string& r) { return r.substr(r.find("\nclient")); };
  EXPECT_EQ(body(readText(again)), body(recorded));
}

TEST_F(Recording, VerifyFindsTheFirstCheckpointAfterAMovedEvent) {
  const std::string recorded = record();
  replay::Verdict verdict;
  lines(parse(recorded), "--no-record", 0, &verdict);
  EXPECT_FALSE(verdict.differs);
  EXPECT_EQ(verdict.checkpoints, 9);  // 0, 60, ..., 420, and 479
  EXPECT_EQ(verdict.last_frame, 479u);

  std::string moved = recorded;
  moved.replace(moved.find("\n130 key 88 down"), 16, "\n131 key 88 down");
  lines(parse(moved), "--no-record", 0, &verdict);
  EXPECT_TRUE(verdict.differs);
  EXPECT_EQ(verdict.frame, 180u);
  EXPECT_EQ(verdict.checkpoints, 3);
  EXPECT_NE(verdict.recorded, verdict.replayed);
}

TEST_F(Recording, AKilledGameLeavesWholeLinesThatVerify) {
  const fs::path file = dir_ / "killed.replay";
  const fs::path script = dir_ / "long.script";
  writeText(script, std::string(GAME) + "5000000 key 88 up\n");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    execl(STARQUELL_REPLAY_RUNNER, STARQUELL_REPLAY_RUNNER, "--record", file.c_str(),
          script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Killed once the recording holds frame 480's checkpoint (however slow the
  // machine), so the file is cut in the middle of a game.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (readText(file).find("\n480 crc ") == std::string::npos &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the runner ended before it was killed";
  const std::string text = readText(file);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  record::Script killed = parse(text);
  std::uint32_t last_checkpoint = 0;
  for (const auto& e : killed.events) {
    if (e.kind == record::EventKind::Checkpoint) last_checkpoint = e.frame;
  }
  EXPECT_GE(last_checkpoint, 480u);
  replay::Verdict verdict;
  lines(killed, "--no-record", 0, &verdict);
  EXPECT_FALSE(verdict.differs);
  EXPECT_EQ(verdict.checkpoints, static_cast<int>(last_checkpoint / 60 + 1));
}

TEST_F(Recording, AFolderOrDiskThatCannotBeWrittenGivesOneLineAndTheGamePlaysOn) {
  writeText(dir_ / "file", "");
  const struct {
    std::string data_home;
    std::string arguments;
    const char* says;
  } cases[] = {
      {(dir_ / "file" / "data").string(), "", "starquell: cannot record to "},
      {dir_.string(), "--record " + (dir_ / "no" / "such" / "folder").string(),
       "starquell: cannot record to "},
      {dir_.string(), "--record /dev/full", "starquell: cannot write the recording /dev/full: "},
  };
  const record::Script game = parse(GAME);
  const std::string played = lines(game, "--no-record", 480);
  for (const auto& c : cases) {
    setenv("XDG_DATA_HOME", c.data_home.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const std::string got = lines(game, c.arguments, 480);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(got, played) << c.arguments;
    EXPECT_EQ(said.rfind(c.says, 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
  }
  unsetenv("XDG_DATA_HOME");
}

TEST_F(Recording, TheDataFolderKeepsTheNewestFifty) {
  setenv("XDG_DATA_HOME", dir_.c_str(), 1);
  const fs::path folder = record::replaysFolder();
  EXPECT_EQ(folder, dir_ / "starquell" / "replays");
  fs::create_directories(folder);
  for (int i = 0; i < 55; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "2026-01-%02d_10-00-00.replay", i % 28 + 1);
    writeText(folder / (i < 28 ? name : "2025" + std::string(name + 4)), "");
  }
  for (const char* other : {"notes.txt", "2026-bad.replay", "mine.replay"}) {
    writeText(folder / other, "");
  }
  // A game started now: the 56th recording; the six oldest go.
  lines(parse(GAME), "", 10);
  unsetenv("XDG_DATA_HOME");
  int recordings = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    recordings += name.size() == 26 && name[0] == '2' && name != "2026-bad.replay" ? 1 : 0;
  }
  EXPECT_EQ(recordings, 50);
  for (const char* gone : {"2025-01-01_10-00-00.replay", "2025-01-06_10-00-00.replay"}) {
    EXPECT_FALSE(fs::exists(folder / gone)) << gone;
  }
  for (const char* kept : {"2025-01-07_10-00-00.replay", "2026-01-28_10-00-00.replay", "notes.txt",
                           "2026-bad.replay", "mine.replay"}) {
    EXPECT_TRUE(fs::exists(folder / kept)) << kept;
  }
  // Two games in one second get two files.
  std::string first;
  std::string second;
  std::string error;
  std::fclose(record::createRecording(folder.string(), 0, &first, &error));
  std::fclose(record::createRecording(folder.string(), 0, &second, &error));
  EXPECT_EQ(second, first.substr(0, first.size() - 7) + "_2.replay");
}

// The recording watched in the headless window: its frames run as recorded
// (the checkpoints hold), live input does not reach the game, and the last
// frame stays.
TEST_F(Recording, AWatchedRecordingPlaysAsRecordedAndIgnoresLiveInput) {
  const fs::path file = dir_ / "game.replay";
  writeText(file, record());
  resetProgramState();
  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
  int idle_after_end = 0;
  std::uint32_t live_at = 0;
  headless::setPumpHook([&] {
    const std::uint32_t frame = g_shell.main_window.presented_frames;
    if ((frame == 100 || frame == 300) && frame != live_at) {
      live_at = frame;
      platform::NativeEvent key;  // live input: ignored
      key.kind = platform::NativeEventKind::KeyDown;
      key.vk = 0x58;
      headless::inject(key);
    }
    if (frame >= 479 && ++idle_after_end == 200) {
      platform::NativeEvent close;
      close.kind = platform::NativeEventKind::Close;
      headless::inject(close);
    }
  });
  ::testing::internal::CaptureStderr();
  static int instance = 0;
  std::string arguments = "--play " + file.string();
  EXPECT_EQ(
      WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, arguments.data(), SW_SHOWNORMAL), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  // Frames 0..478: the picture after 478 is what the recorded game showed last.
  EXPECT_EQ(g_shell.main_window.presented_frames, 479u) << "the last picture stays";
  EXPECT_STREQ(g_shell.title, "Starquell. Early concept demo only. (replay)");
}

}  // namespace
