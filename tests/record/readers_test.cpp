// What the readers make of the files they are given: the runner's lines and
// statuses for each kind of file; hostile files refused by both readers with
// their reason, quickly and in little memory; and what watching says as it
// plays.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"
#include "tests/record/recorded_game.h"

using namespace recorded_game;

namespace {

constexpr char HEADER[] = "# starquell replay 1\n# program 0.1.0 logic 1\n";

// How a child process ended, what it said and what it cost.
struct Outcome {
  int status = -1;  // the exit status; -1 when killed
  std::string said;
  long peak_kb = 0;
  double seconds = 0;
};

// Runs `body` in a child whose standard output and error go to `out`.
Outcome inChild(const fs::path& out, const std::function<int()>& body) {
  std::fflush(stdout);  // or the child would print it again
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    alarm(20);  // a reader that hangs is ended, and the case fails
    std::freopen(out.c_str(), "w", stdout);
    dup2(fileno(stdout), 2);
    const int status = body();
    std::fflush(stdout);
    _exit(status);
  }
  Outcome o;
  int status = 0;
  rusage usage = {};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return o;
  o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.peak_kb = usage.ru_maxrss;
  o.said = readText(out);
  return o;
}

// The runner verifying `file`.
Outcome verify(const fs::path& out, const std::string& file) {
  return inChild(out, [&] {
    execl(STARQUELL_REPLAY_RUNNER, STARQUELL_REPLAY_RUNNER, "--verify", file.c_str(),
          static_cast<char*>(nullptr));
    return 127;
  });
}

// The game watching `file` in the headless window: WinMain's status, or 99
// when a window opened; each box shown is listed after what it printed.
Outcome watch(const fs::path& out, const std::string& file) {
  return inChild(out, [&] {
    resetProgramState();
    static int instance = 0;
    std::string arguments = "--play \"" + file + "\"";
    int status =
        WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, arguments.data(), SW_SHOWNORMAL);
    for (const headless::Box& box : headless::boxes()) std::printf("box: %s\n", box.text.c_str());
    if (g_shell.main_window.window != nullptr) status = 99;
    return status;
  });
}

// Each kind of file the runner meets in use: its lines and its status.
TEST_F(Recording, TheRunnerSaysWhatItFoundWithItsOwnStatus) {
  const std::string recorded = record();
  std::string moved = recorded;
  moved.replace(moved.find("\n130 key 88 down"), 16, "\n131 key 88 down");
  std::string newer = recorded;
  newer.replace(0, 20, "# starquell replay 2");
  std::string logic = recorded;
  logic.replace(logic.find("logic 1"), 7, "logic 7");
  const std::string no_checkpoint = std::string(HEADER) + "client 640 480\n5 key 88 down\n";
  const struct {
    const char* name;
    std::string text;
    const char* options;
    int status;
    std::vector<const char*> says;  // each on a line of its own
  } cases[] = {
      {"good", recorded, "--verify", 0, {"verified: 9 checkpoints, frames 0..479"}},
      {"moved", moved, "--verify", 1, {"differs at frame 180: recorded "}},
      // Cut inside the last line, as a full disk or a cut download leaves it:
      // everything before that line still counts.
      {"cut",
       recorded.substr(0, recorded.size() - 5),
       "--verify",
       0,
       {"is cut inside this line; it plays up to the line before", "verified: 8 checkpoints"}},
      {"newer", newer, "--verify", 2, {"recording format 2 is newer than this program's 1"}},
      {"logic",
       logic,
       "--verify",
       2,
       {"recorded with game logic 7; this program plays game logic 1"}},
      {"forced", logic, "--verify --force", 0, {"verified: 9 checkpoints"}},
      {"plain", GAME, "--verify", 2, {"not a recording"}},
      {"unchecked", no_checkpoint, "--verify", 1, {"nothing to verify"}},
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
    for (const char* line : c.says) {
      EXPECT_NE(said.find(line), std::string::npos) << c.name << ": " << said;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::count(said.begin(), said.end(), '\n')), c.says.size())
        << c.name << ": " << said;
  }
}

// Files from strangers: each refused by both readers with its reason and
// status 2 before any window opens, in well under a second and a few
// megabytes more than refusing a file that is not there.
TEST_F(Recording, HostileFilesAreRefusedQuicklyAndCheaply) {
  const std::string start = std::string(HEADER) + "client 640 480\n0 crc 00000000\n";
  std::string random_bytes(4096, '\0');
  std::mt19937 bits(7);
  for (char& c : random_bytes) c = static_cast<char>(bits());
  const fs::path folder = dir_ / "folder.replay";
  fs::create_directories(folder);
  const fs::path huge = dir_ / "huge.replay";
  writeText(huge, start);
  fs::resize_file(huge, 100u << 20);  // sparse: a 100 MB file that costs no disk
  const struct {
    const char* name;
    std::string text;  // written to <name>.replay unless `path` is given
    std::string path;
    const char* says;  // by both readers
  } cases[] = {
      {"missing", "", (dir_ / "missing.replay").string(), "No such file or directory"},
      {"huge client", std::string(HEADER) + "client 65535 65535\n", "",
       "line 3: expected: client <width 16..4096> <height 16..4096>"},
      {"huge resize", start + "1 resize 4097 300\n", "", "line 5: client width and height"},
      {"tiny resize", start + "1 resize 15 300\n", "", "line 5: client width and height"},
      {"frame jump", start + "61 key 88 down\n", "", "line 5: the frame jumps more than 60"},
      {"last frame", start + "2147483647 crc 00000000\n", "", "line 5: the frame jumps"},
      {"frame 2^31", start + "2147483648 crc 00000000\n", "", "line 5: frame must be a number"},
      {"endless line", std::string(HEADER) + std::string(1 << 20, '7'), "", "line 3: too long"},
      {"100 MB", "", huge.string(), "is larger than any recording can be"},
      {"zeros", "", "/dev/zero", "/dev/zero is not a recording"},
      {"folder", "", folder.string(), "is a folder"},
      {"empty", "", "", "is empty"},
      {"random bytes", random_bytes, "", "is not a recording"},
  };
  const fs::path out = dir_ / "out";
  const Outcome verify_base = verify(out, (dir_ / "missing.replay").string());
  const Outcome watch_base = watch(out, (dir_ / "missing.replay").string());
  // Sanitizers make every process slower and larger.
#if defined(__SANITIZE_ADDRESS__)
  constexpr double SECONDS = 3;
#else
  constexpr double SECONDS = 1;
#endif
  constexpr long MORE_KB = 8 << 10;
  for (const auto& c : cases) {
    std::string path = c.path;
    if (path.empty()) {
      path = (dir_ / (std::string(c.name) + ".replay")).string();
      writeText(path, c.text);
    }
    const Outcome verified = verify(out, path);
    const Outcome watched = watch(out, path);
    for (const auto& [reader, o, base] : {std::tuple("--verify", verified, verify_base),
                                          std::tuple("--play", watched, watch_base)}) {
      EXPECT_EQ(o.status, 2) << c.name << " " << reader << ": " << o.said;
      EXPECT_NE(o.said.find(c.says), std::string::npos)
          << c.name << " " << reader << ": " << o.said;
      EXPECT_LT(o.seconds, SECONDS) << c.name << " " << reader;
      EXPECT_LT(o.peak_kb, base.peak_kb + MORE_KB) << c.name << " " << reader;
      std::printf("%-13s %-8s %6.3f s %7ld KiB (not there: %ld KiB)\n", c.name, reader, o.seconds,
                  o.peak_kb, base.peak_kb);
    }
    // The game shows the reason in a box too: it may have no terminal.
    EXPECT_NE(watched.said.find("box: "), std::string::npos) << c.name << ": " << watched.said;
  }
}

// Watching says what it does: a recording cut inside a line plays to its
// last whole line with one line saying so, and the title tells when the
// replay is paused and when it has ended.
TEST_F(Recording, WatchingSaysWhatItIsDoing) {
  const std::string recorded = record();
  const fs::path file = dir_ / "cut.replay";
  const std::string cut = recorded.substr(0, recorded.size() - 5);
  writeText(file, cut);
  resetProgramState();
  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
  std::vector<std::string> titles;
  int idle_after_end = 0;
  headless::setPumpHook([&] {
    HWND window = g_shell.main_window.window;
    if (window == nullptr) return;
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    if (titles.empty() || titles.back() != title) titles.push_back(title);
    const std::uint32_t frame = g_shell.main_window.presented_frames;
    platform::NativeEvent e;
    if (frame == 100 && titles.size() == 1) {
      e.kind = platform::NativeEventKind::KeyDown;  // pause
    } else if (frame == 100 && titles.size() == 2 && ++idle_after_end == 50) {
      e.kind = platform::NativeEventKind::KeyDown;  // and go on
      idle_after_end = 0;
    } else if (frame >= 479 && ++idle_after_end == 200) {
      e.kind = platform::NativeEventKind::Close;
    } else {
      return;
    }
    e.vk = VK_SPACE;
    headless::inject(e);
    if (e.kind == platform::NativeEventKind::KeyDown) {
      e.kind = platform::NativeEventKind::KeyUp;
      headless::inject(e);
    }
  });
  ::testing::internal::CaptureStderr();
  static int instance = 0;
  std::string arguments = "--play " + file.string();
  EXPECT_EQ(
      WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, arguments.data(), SW_SHOWNORMAL), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "starquell: " + file.string() + ": line " +
                std::to_string(std::count(cut.begin(), cut.end(), '\n') + 1) +
                ": the recording is cut inside this line; it plays up to the line before\n");
  const std::string title = "Starquell. Early concept demo only. (replay";
  EXPECT_EQ(titles, (std::vector<std::string>{title + ")", title + ", paused)", title + ")",
                                              title + ", ended)"}));
  // Frames 0..478: the last whole line names frame 479, which is not run.
  EXPECT_EQ(g_shell.main_window.presented_frames, 479u);
}

}  // namespace
