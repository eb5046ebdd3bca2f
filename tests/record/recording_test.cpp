// Recorded games: a game played headless is recorded and replays to the same
// lines; checkpoints find the first frame that differs; a recording keeps
// every frame shown however the game ends (killed, a fatal error, a full
// disk, a size it cannot hold) and a start that showed none leaves no file;
// the data folder's rules (the user's alone, one file per game, the newest
// kept); the recorder writes nothing its readers refuse; and a recording
// watched in the window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/entry.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/core/core.h"
#include "platform/win32_sockets.h"
#include "record/data_folder.h"
#include "record/format.h"
#include "record/recorder.h"
#include "session/session.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"
#include "sound/sound_system.h"
#include "tests/record/recorded_game.h"
#include "tests/support/fresh_state.h"
#include "tools/replay/replay.h"

namespace fs = std::filesystem;
using namespace recorded_game;

namespace {

std::uint32_t lastCheckpoint(const record::Script& script) {
  std::uint32_t last = 0;
  for (const auto& e : script.events) {
    if (e.kind == record::EventKind::Checkpoint) last = e.frame;
  }
  return last;
}

mode_t modeOf(const fs::path& path) {
  struct stat s = {};
  stat(path.c_str(), &s);
  return s.st_mode & 07777;
}

// A UDP port taken on both IPv4 and IPv6 (the sockets stay open until
// release()), as the game's host listens on both.
class TakenPort {
 public:
  TakenPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    for (int port = 20000 + getpid() % 20000; port < 65535 && v6_ == INVALID_SOCKET; ++port) {
      release();
      // The port in network order: high byte first.
      const unsigned char order[2] = {static_cast<unsigned char>(port >> 8),
                                      static_cast<unsigned char>(port & 0xFF)};
      sockaddr_in v4 = {};
      v4.sin_family = AF_INET;
      std::memcpy(&v4.sin_port, order, 2);
      sockaddr_in6 v6 = {};
      v6.sin6_family = AF_INET6;
      std::memcpy(&v6.sin6_port, order, 2);
      v4_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
      if (bind(v4_, reinterpret_cast<const sockaddr*>(&v4), sizeof v4) != 0) continue;
      v6_ = socket(AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
      if (bind(v6_, reinterpret_cast<const sockaddr*>(&v6), sizeof v6) != 0) {
        closesocket(v6_);
        v6_ = INVALID_SOCKET;
        continue;
      }
      port_ = port;
    }
  }
  ~TakenPort() { release(); }
  void release() {
    if (v4_ != INVALID_SOCKET) closesocket(v4_);
    if (v6_ != INVALID_SOCKET) closesocket(v6_);
    v4_ = INVALID_SOCKET;
    v6_ = INVALID_SOCKET;
  }
  std::string port() const { return std::to_string(port_); }

 private:
  SOCKET v4_ = INVALID_SOCKET;
  SOCKET v6_ = INVALID_SOCKET;
  int port_ = 0;
};

// The program's run from its entry with this command line; its exit status.
int runProgram(std::string arguments) {
  static int instance = 0;
  return WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, arguments.data(), SW_SHOWNORMAL);
}

// Plays the program as a person would, through WinMain (the caller makes the
// state fresh): a level click, ship 1 steering and firing when `steer`, `at`
// called once at frame `at_frame` before its paint, and the window closed at
// frame `close_at`.
int playProgram(std::string arguments, bool steer, std::uint32_t at_frame, void (*at)(),
                std::uint32_t close_at) {
  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
  std::uint32_t seen = ~0u;
  headless::setPumpHook([&] {
    const std::uint32_t frame = g_shell.main_window.presented_frames;
    if (g_shell.main_window.window == nullptr || frame == seen) return;
    seen = frame;
    const auto send = [](platform::NativeEventKind kind, UINT vk, int button) {
      platform::NativeEvent e;
      e.kind = kind;
      e.vk = vk;
      e.button = button;
      headless::inject(e);
    };
    using Kind = platform::NativeEventKind;
    if (frame == 10) send(Kind::ButtonDown, 0, 1);
    if (frame == 12) send(Kind::ButtonUp, 0, 1);
    if (steer && frame == 130) send(Kind::KeyDown, 'X', 0);
    if (steer && frame == 140) send(Kind::KeyDown, 'Z', 0);
    if (steer && frame == 300) send(Kind::KeyUp, 'Z', 0);
    if (frame == at_frame) at();
    if (frame == close_at) send(Kind::Close, 0, 0);
  });
  const int status = runProgram(arguments);
  headless::setPumpHook(nullptr);
  return status;
}

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

// The runner is killed once its lines reach frame 540, by which time the
// recorder has written out frame 480's checkpoint (it writes at least every
// 15 frames); waiting on the lines rather than the clock, however slow the
// machine.
TEST_F(Recording, AKilledGameLeavesWholeLinesThatVerify) {
  const fs::path file = dir_ / "killed.replay";
  const fs::path script = dir_ / "long.script";
  writeText(script, std::string(GAME) + "5000000 key 88 up\n");
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(STARQUELL_REPLAY_RUNNER, STARQUELL_REPLAY_RUNNER, "--record", file.c_str(),
          script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::FILE* lines_out = fdopen(out[0], "r");
  char* line = nullptr;
  std::size_t size = 0;
  bool reached = false;
  while (!reached && getline(&line, &size, lines_out) > 0)
    reached = std::strncmp(line, "540 ", 4) == 0;
  std::free(line);
  kill(child, SIGKILL);
  std::fclose(lines_out);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(reached) << "the runner ended before frame 540";
  ASSERT_TRUE(WIFSIGNALED(status)) << "the runner ended before it was killed";
  const std::string text = readText(file);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const record::Script killed = parse(text);
  const std::uint32_t last_checkpoint = lastCheckpoint(killed);
  EXPECT_GE(last_checkpoint, 480u);
  replay::Verdict verdict;
  lines(killed, "--no-record", 0, &verdict);
  EXPECT_FALSE(verdict.differs);
  EXPECT_EQ(verdict.checkpoints, static_cast<int>(last_checkpoint / 60 + 1));
}

// A place to record that cannot be written: the automatic recording and a
// full disk say so in one line and the game plays on unchanged.
TEST_F(Recording, AFolderOrDiskThatCannotBeWrittenGivesOneLineAndTheGamePlaysOn) {
  writeText(dir_ / "file", "");
  const char* home = std::getenv("HOME");
  const std::string saved_home = home != nullptr ? home : "";
  const struct {
    std::string data_home;
    std::string home;
    std::string arguments;
    std::string says;
  } cases[] = {
      {(dir_ / "file" / "data").string(), saved_home, "",
       "starquell: cannot record to " +
           (dir_ / "file" / "data" / "starquell" / "replays").string() +
           ": Not a directory; the game goes on unrecorded\n"},
      // Relative paths name no data folder.
      {"relative/data", "relative/home", "",
       "starquell: cannot record to the data folder: neither XDG_DATA_HOME nor HOME names one; the "
       "game goes on unrecorded\n"},
      {dir_.string(), saved_home, "--record /dev/full",
       "starquell: cannot write the recording /dev/full: No space left on device; the game goes on "
       "unrecorded\n"},
  };
  const record::Script game = parse(GAME);
  const std::string played = lines(game, "--no-record", 480);
  for (const auto& c : cases) {
    setenv("XDG_DATA_HOME", c.data_home.c_str(), 1);
    setenv("HOME", c.home.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const std::string got = lines(game, c.arguments, 480);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(got == played) << c.says << "the game played differently";
    EXPECT_EQ(said, c.says);
  }
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", saved_home.c_str(), 1);
}

// A file named on the command line is a promise: when it cannot be made the
// program ends with the reason, before any window.
TEST_F(Recording, ARecordingAskedForThatCannotBeMadeEndsTheProgramBeforeAnyWindow) {
  writeText(dir_ / "file", "");
  const struct {
    fs::path file;
    const char* why;
  } cases[] = {
      {dir_ / "no" / "such" / "game.replay", "No such file or directory"},
      {dir_ / "file" / "game.replay", "Not a directory"},
  };
  for (const auto& c : cases) {
    resetProgramState();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram("--record " + c.file.string()), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "starquell: cannot record to " + c.file.string() + ": " + c.why + "\n");
    EXPECT_EQ(g_shell.main_window.window, nullptr) << c.file;
    EXPECT_EQ(platform::topLevelWindow(), nullptr) << c.file;
  }
}

// A start that never showed a frame leaves nothing in the replays folder:
// a window that does not open, a host whose port is taken, a host nobody
// joined.
TEST_F(Recording, AStartThatShowedNoFrameLeavesNoFile) {
  const TakenPort taken;
  TakenPort unused;
  unused.release();
  const struct {
    const char* what;
    std::string arguments;
    bool window_fails;
    int close_after_pumps;  // 0: no loop runs
    int status;
  } cases[] = {
      {"the window does not open", "", true, 0, ERROR_WINDOW_NOT_CREATED},
      {"the window does not open, recorded by name", "--record " + (dir_ / "named.replay").string(),
       true, 0, ERROR_WINDOW_NOT_CREATED},
      {"the host's port is taken", "--host " + taken.port(), false, 0, 2},
      {"nobody joined the host", "--host " + unused.port(), false, 200, 0},
  };
  for (const auto& c : cases) {
    const fs::path data = dir_ / "data";
    fs::remove_all(data);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    resetProgramState();
    if (c.window_fails) headless::failNextCreateWindow();
    int pumps = 0;
    headless::setPumpHook([&] {
      if (++pumps != c.close_after_pumps) return;
      platform::NativeEvent close;
      close.kind = platform::NativeEventKind::Close;
      headless::inject(close);
    });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runProgram(c.arguments), c.status) << c.what;
    ::testing::internal::GetCapturedStderr();
    headless::setPumpHook(nullptr);
    session::resetSession();
    std::vector<std::string> left;
    for (const fs::path& folder : {data / "starquell" / "replays", dir_}) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.path().extension() == ".replay") left.push_back(e.path().string());
      }
    }
    EXPECT_TRUE(left.empty()) << c.what << ": " << left.front();
  }
  unsetenv("XDG_DATA_HOME");
}

// The window taken to a size no recording can hold: the recording ends
// with the last frame shown before it (and verifies), one line says so, the
// game plays on.
TEST_F(Recording, ASizeNoRecordingCanHoldEndsTheRecordingThereAndTheGamePlaysOn) {
  const struct {
    const char* resize;
    const char* says;
  } cases[] = {
      {"250 resize 8 600\n",
       "starquell: the window is 8 x 600, which a recording cannot hold; the recording ends at "
       "frame 249\n"},
      {"250 resize 734 15\n",
       "starquell: the window is 734 x 15, which a recording cannot hold; the recording ends at "
       "frame 249\n"},
  };
  const fs::path file = dir_ / "sized.replay";
  for (const auto& c : cases) {
    const record::Script game = parse(std::string(GAME) + c.resize);
    const std::string played = lines(game, "--no-record", 480);
    ::testing::internal::CaptureStderr();
    const std::string got = lines(game, "--record " + file.string(), 480);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.says);
    EXPECT_TRUE(got == played) << c.resize << "the game played differently";
    const record::Script recorded = parse(readText(file));
    EXPECT_EQ(recorded.last_frame, 249u) << c.resize;
    EXPECT_EQ(lastCheckpoint(recorded), 249u) << c.resize;
    replay::Verdict verdict;
    lines(recorded, "--no-record", 0, &verdict);
    EXPECT_FALSE(verdict.differs) << c.resize;
    EXPECT_EQ(verdict.checkpoints, 6) << c.resize;  // 0, 60, ..., 240 and 249
  }
}

using RecordingDeathTest = Recording;

// Whatever ends a game that showed a frame, its recording keeps every frame:
// a report answered No, a fatal sound error. Out of the paint the last frame
// gets its checkpoint; inside it the pixel memory is half-way to the next
// frame, so the last checkpoint is the one before.
TEST_F(RecordingDeathTest, AGameEndedByAFatalErrorKeepsEveryFrameItShowed) {
  using Call = headless::AudioCall;
  constexpr int NO_FILE = -1;
  const struct {
    const char* what;
    void (*before)();
    bool steer;    // ship 1 steers and fires (its sounds play)
    void (*at)();  // at frame 250, before its paint
    int status;
    const char* says;
    int last_checkpoint;
  } cases[] = {
      {"the sound library fails to start",
       [] { headless::failAudioCall(Call::Init, AUDIO_ERR_NO_OUTPUT); }, true, [] {}, 255, "",
       NO_FILE},
      {"a sound fails to play", [] {}, false,
       [] {
         headless::failAudioCall(Call::Play, AUDIO_ERR_OUTPUT_FAILED);
         g_game.sound.request(SOUND_REQ_FIRE);
       },
       255, "", 249},
      {"the sound update fails", [] {}, true,
       [] { headless::failAudioCall(Call::Update, AUDIO_ERR_OUTPUT_FAILED); }, 255,
       "Sound system error", 249},
      {"a report between frames answered No", [] {}, true,
       [] {
         headless::queueAnswer(IDNO);
         ReportError(7010);
       },
       7010 & 0xFF, "ExitProcess\\(7010\\)", 249},
      {"a report inside a frame answered No", [] {}, true,
       [] {
         headless::queueAnswer(IDNO);
         g_shell.ShellReadyMarker = 0;  // the frame's paint reports 4459
       },
       4459 & 0xFF, "ExitProcess\\(4459\\)", 240},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = dir_ / ("fatal-" + std::to_string(++n) + ".replay");
    EXPECT_EXIT(
        {
          dup2(STDERR_FILENO, STDOUT_FILENO);
          resetProgramState();
          c.before();
          playProgram("--record " + file.string(), c.steer, 250, c.at, 400);
        },
        ::testing::ExitedWithCode(c.status), c.says);
    if (c.last_checkpoint == NO_FILE) {
      EXPECT_FALSE(fs::exists(file));
      continue;
    }
    const record::Script recorded = parse(readText(file));
    EXPECT_EQ(lastCheckpoint(recorded), static_cast<std::uint32_t>(c.last_checkpoint));
    replay::Verdict verdict;
    lines(recorded, "--no-record", 250, &verdict);
    EXPECT_FALSE(verdict.differs);
    EXPECT_EQ(verdict.checkpoints, c.last_checkpoint / 60 + 1 + (c.last_checkpoint % 60 != 0));
  }
}

// A disk that fills part way through a write (here the file size limit):
// the file ends inside a line, the game plays every frame on, and says so
// once. The file is read up to its last whole line.
TEST_F(RecordingDeathTest, AWriteCutInsideALineLeavesTheGamePlayingAndSaysSoOnce) {
  const std::string whole = record();
  const std::size_t cut = whole.find("\n130 key 88 down") + 6;
  const fs::path file = dir_ / "cut.replay";
  EXPECT_EXIT(
      {
        rlimit limit;
        limit.rlim_cur = cut;
        limit.rlim_max = cut;
        setrlimit(RLIMIT_FSIZE, &limit);
        resetProgramState();
        replay::Options options;
        options.frames = 480;
        options.program_arguments = "--record " + file.string();
        std::FILE* out = std::fopen("/dev/null", "w");
        replay::run(parse(GAME), options, out);
        _exit(g_shell.main_window.presented_frames == 480 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0),
      "^starquell: cannot write the recording " + file.string() +
          ": File too large; the game goes on unrecorded\n$");
  const std::string text = readText(file);
  ASSERT_EQ(text.size(), cut);
  const std::size_t body = whole.find("\nclient");
  EXPECT_EQ(text.substr(body), whole.substr(body, cut - body));
  record::Script script;
  std::string error;
  ASSERT_TRUE(record::parseScript(text, &script, &error)) << error;
  EXPECT_TRUE(script.cut);
  EXPECT_EQ(script.cut_line, static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1);
  replay::Verdict verdict;
  lines(script, "--no-record", 0, &verdict);
  EXPECT_FALSE(verdict.differs);
  EXPECT_EQ(verdict.checkpoints, 3);  // 0, 60, 120
}

// Kept: the game's own new file and the 49 most recently written others,
// whatever their names say (names come from clocks that can be wrong), and
// nothing but recordings is ever removed. Every time is a year or more ahead
// of now, so nothing depends on the date.
TEST_F(Recording, TheDataFolderKeepsTheGamesOwnFileAndTheNewestWrittenOthers) {
  setenv("XDG_DATA_HOME", dir_.c_str(), 1);
  const fs::path folder = record::replaysFolder();
  EXPECT_EQ(folder, dir_ / "starquell" / "replays");
  fs::create_directories(folder);
  constexpr std::time_t YEAR = 366 * 24 * 3600;
  const std::time_t ahead = std::time(nullptr) + YEAR;
  struct File {
    std::string name;
    std::time_t written;
    bool kept;
  };
  std::vector<File> files;
  // Written in pairs with one time each: of a pair the later name is newer.
  // The four oldest of all the recordings go.
  for (int i = 0; i < 50; ++i) {
    files.push_back({record::recordingName(ahead + i * 60), ahead + i / 2 * 10, i >= 3});
  }
  files.push_back({record::recordingName(ahead + 2 * YEAR), 1000000000, false});
  files.push_back({"2001-09-09_01-46-40.replay", ahead + 1000, true});
  files.push_back({"2001-09-09_01-46-40_2.replay", ahead + 1000, true});
  for (const char* other : {"notes.txt", "2026-bad.replay", "mine.replay",
                            "2026-01-01_10-00-00.replay.part", "2026-01-01_10-00-00_.replay"}) {
    files.push_back({other, 1000000000, true});
  }
  for (const File& f : files) {
    writeText(folder / f.name, "");
    const timespec times[2] = {{f.written, 0}, {f.written, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (folder / f.name).c_str(), times, 0), 0) << f.name;
  }
  // A folder with a recording's name is no recording.
  fs::create_directory(folder / record::recordingName(ahead - 3 * YEAR));
  lines(parse(GAME), "", 480);
  unsetenv("XDG_DATA_HOME");

  for (const File& f : files) EXPECT_EQ(fs::exists(folder / f.name), f.kept) << f.name;
  EXPECT_TRUE(fs::is_directory(folder / record::recordingName(ahead - 3 * YEAR)));
  std::vector<fs::path> recordings;
  fs::path own;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (!e.is_regular_file() || !record::isRecordingName(name)) continue;
    recordings.push_back(e.path());
    const bool made_here =
        std::any_of(files.begin(), files.end(), [&](const File& f) { return f.name == name; });
    if (!made_here) own = e.path();
  }
  EXPECT_EQ(recordings.size(), record::KEPT_RECORDINGS);
  ASSERT_FALSE(own.empty()) << "the game's own recording was removed";
  replay::Verdict verdict;
  lines(parse(readText(own)), "--no-record", 0, &verdict);
  EXPECT_FALSE(verdict.differs);
  EXPECT_GT(verdict.checkpoints, 0);
}

// Games started in the same second in other processes never share a file:
// each name is taken by creating the file, never by looking first.
TEST_F(Recording, GamesStartedAtOnceGetAFileEach) {
  const struct {
    int processes;
    int rounds;
  } cases[] = {{2, 100}, {50, 1}};
  for (const auto& c : cases) {
    const fs::path folder = dir_ / ("at-once-" + std::to_string(c.processes));
    std::vector<pid_t> children;
    for (int p = 0; p < c.processes; ++p) {
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        for (int round = 0; round < c.rounds; ++round) {
          std::string path;
          std::string error;
          std::FILE* f = record::createRecording(folder.string(), 0, &path, &error);
          if (f == nullptr) _exit(1);
          std::fprintf(f, "%d %d\n", static_cast<int>(getpid()), round);
          std::fclose(f);
        }
        _exit(0);
      }
      children.push_back(child);
    }
    for (const pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int files = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
      ++files;
      const std::string text = readText(e.path());
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << e.path() << " holds\n" << text;
    }
    EXPECT_EQ(files, c.processes * c.rounds);
  }
}

// The data folder is the user's alone (0700, and every folder made for it),
// each recording too (0600); a relative XDG_DATA_HOME or HOME names none.
TEST_F(Recording, TheDataFolderIsTheUsersAlone) {
  const struct {
    const char* data_home;  // null: unset
    const char* home;
    const char* folder;
  } cases[] = {
      {"/data", "/home/u", "/data/starquell/replays"},
      {nullptr, "/home/u", "/home/u/.local/share/starquell/replays"},
      {"relative", "/home/u", "/home/u/.local/share/starquell/replays"},
      {"", "/home/u", "/home/u/.local/share/starquell/replays"},
      {"relative", "relative", ""},
      {nullptr, "", ""},
  };
  const char* home = std::getenv("HOME");
  const std::string saved_home = home != nullptr ? home : "";
  for (const auto& c : cases) {
    if (c.data_home != nullptr) {
      setenv("XDG_DATA_HOME", c.data_home, 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    setenv("HOME", c.home, 1);
    EXPECT_EQ(record::replaysFolder(), c.folder)
        << (c.data_home ? c.data_home : "unset") << " " << c.home;
  }
  setenv("HOME", saved_home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");

  const mode_t before = modeOf(dir_);
  const fs::path folder = dir_ / "made" / "data" / "starquell" / "replays";
  std::string path;
  std::string error;
  std::FILE* f = record::createRecording(folder.string(), 0, &path, &error);
  ASSERT_NE(f, nullptr) << error;
  std::fclose(f);
  EXPECT_EQ(modeOf(dir_), before) << "a folder already there is left as it is";
  for (const fs::path& made :
       {dir_ / "made", dir_ / "made" / "data", folder.parent_path(), folder}) {
    EXPECT_EQ(modeOf(made), 0700u) << made;
  }
  EXPECT_EQ(modeOf(path), 0600u);
}

// Any session the recorder may be given (input, sizes in range, frames with
// no pass, several or millions) reads back as written: accepted, the same
// events, passes folded below what the readers take by whole periods of the
// random channels' frame counter.
TEST(Recorder, AnySessionReadsBackAsWritten) {
  static std::uint32_t crc_now = 0;
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    record::Recorder recorder;
    recorder.start(file, "session", "0.1.0", "2026-12-07T14:03:59Z");
    const int width = pick(record::MIN_CLIENT, record::MAX_CLIENT);
    const int height = pick(record::MIN_CLIENT, record::MAX_CLIENT);
    recorder.client(width, height);
    std::vector<record::ScriptEvent> written;
    const auto add = [&](record::ScriptEvent e) { written.push_back(e); };
    const std::uint32_t frames = static_cast<std::uint32_t>(pick(1, 400));
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
      for (int n = pick(-6, 3); n > 0; --n) {
        record::ScriptEvent e;
        e.frame = frame;
        switch (pick(0, 2)) {
          case 0:
            e.kind = record::EventKind::Key;
            e.code = pick(1, 255);
            e.down = pick(0, 1) == 1;
            recorder.key(frame, static_cast<unsigned>(e.code), e.down);
            break;
          case 1:
            e.kind = record::EventKind::Mouse;
            e.code = pick(0, 1);
            e.down = pick(0, 1) == 1;
            recorder.mouse(frame, e.code, e.down);
            break;
          default:
            e.kind = record::EventKind::Resize;
            e.width = pick(record::MIN_CLIENT, record::MAX_CLIENT);
            e.height = pick(record::MIN_CLIENT, record::MAX_CLIENT);
            recorder.resize(frame, e.width, e.height);
            break;
        }
        add(e);
      }
      const int kind = pick(0, 99);
      const int passes = frame == 0  ? pick(0, 1)
                         : kind < 80 ? 1
                         : kind < 90 ? 0
                         : kind < 99 ? pick(2, 300)
                                     : pick(record::MAX_TICKS - 300, 3 * record::MAX_TICKS);
      for (int p = 0; p < passes; ++p) recorder.pass();
      if (passes != record::usualTicks(frame)) {
        record::ScriptEvent e;
        e.frame = frame;
        e.kind = record::EventKind::Ticks;
        e.ticks = passes;
        // Folded: the same count of the 8-bit frame counter, within the limit.
        while (e.ticks > record::MAX_TICKS) e.ticks -= RANDOM_TICK_PERIOD;
        add(e);
      }
      crc_now = frame * 2654435761u;
      recorder.painted(frame, [] { return crc_now; });
      if (frame % 60 == 0 || frame == frames - 1) {
        record::ScriptEvent e;
        e.frame = frame;
        e.kind = record::EventKind::Checkpoint;
        e.crc = crc_now;
        add(e);
      }
    }
    recorder.finish(frames, [] { return crc_now; });
    std::rewind(file);
    std::string text;
    for (int c = 0; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    recorder.close();

    record::Script script;
    std::string error;
    ASSERT_TRUE(record::parseScript(text, &script, &error)) << error;
    EXPECT_TRUE(script.recording);
    EXPECT_FALSE(script.cut);
    EXPECT_EQ(script.client_width, width);
    EXPECT_EQ(script.client_height, height);
    ASSERT_EQ(script.events.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
      const record::ScriptEvent& a = written[i];
      const record::ScriptEvent& b = script.events[i];
      EXPECT_TRUE(a.frame == b.frame && a.kind == b.kind && a.code == b.code && a.down == b.down &&
                  a.width == b.width && a.height == b.height && a.ticks == b.ticks &&
                  a.crc == b.crc)
          << "event " << i << " at frame " << a.frame;
    }
  }
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
  EXPECT_EQ(runProgram("--play " + file.string()), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  // Frames 0..478: the picture after 478 is what the recorded game showed last.
  EXPECT_EQ(g_shell.main_window.presented_frames, 479u) << "the last picture stays";
  EXPECT_STREQ(g_shell.title, "Starquell. Early concept demo only. (replay)");
}

}  // namespace
