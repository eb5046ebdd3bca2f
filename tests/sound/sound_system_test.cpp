// The sound wrapper on the headless library: which requests become plays and
// when, the slot checks, the fatal report, and the paths that end the process.
#include "sound/sound_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/entry.h"
#include "game/game_state.h"
#include "shell/shell_globals.h"
#include "tests/platform/audio/sound_files.h"
#include "tests/support/fresh_state.h"

namespace {

using Call = headless::AudioCall;
constexpr std::uint32_t HIT = SOUND_REQ_HIT;
constexpr std::uint32_t FIRE = SOUND_REQ_FIRE;
constexpr std::uint32_t R21 = SOUND_REQ_21;
// exit(-1) as the parent sees it: the whole code on Windows, its low byte elsewhere.
#ifdef _WIN32
constexpr int EXIT_MINUS_ONE = -1;
#else
constexpr int EXIT_MINUS_ONE = 255;
#endif

class Sound : public FreshState {
 protected:
  SoundSystem& sound_ = g_game.sound;

  void SetUp() override {
    FreshState::SetUp();
    headless::setAudioFrameClock(&g_shell.main_window.presented_frames);
  }
  void TearDown() override {
    headless::setAudioFrameClock(nullptr);
    FreshState::TearDown();
  }
};

// One frame: the frame clock's value, the requests made while it was painted.
struct Frame {
  std::uint32_t clock;
  std::vector<std::uint32_t> requests;
};

struct Played {
  std::string name;
  std::uint32_t frame;
  bool operator==(const Played&) const = default;
};

std::vector<Frame> everyFrame(std::uint32_t first, std::uint32_t last, std::uint32_t mask) {
  std::vector<Frame> frames;
  for (std::uint32_t f = first; f <= last; ++f) frames.push_back({f, {mask}});
  return frames;
}

TEST_F(Sound, RequestsBecomePlaysAtMostOncePerGap) {
  const std::uint32_t TOP = 0xFFFFFFFFu;
  struct Case {
    const char* what;
    std::vector<Frame> frames;
    std::vector<Played> plays;
  };
  const Case cases[] = {
      {"two requests in one frame", {{10, {FIRE, FIRE}}}, {{"fire.wav", 10}}},
      {"all three in one frame",
       {{3, {R21, FIRE, HIT}}},
       {{"hit.wav", 3}, {"fire.wav", 3}, {"sound21.wav", 3}}},
      {"within 5 frames dropped, 6 later plays",
       {{100, {HIT}}, {105, {HIT}}, {106, {HIT}}},
       {{"hit.wav", 100}, {"hit.wav", 106}}},
      {"a dropped request is not kept for later",
       {{100, {HIT}}, {103, {HIT}}, {106, {}}},
       {{"hit.wav", 100}}},
      {"first play at frame 0", {{0, {HIT}}}, {{"hit.wav", 0}}},
      {"first play past half the clock", {{0x80000005u, {HIT}}}, {{"hit.wav", 0x80000005u}}},
      // 2^32 - 9999 reads as -9999 as a signed number: no clock value marks "never".
      {"first play at 2^32 - 9999", {{TOP - 9998, {HIT}}}, {{"hit.wav", TOP - 9998}}},
      {"a play at 2^32 - 9999 holds the gap",
       {{TOP - 9998, {HIT}}, {TOP - 9997, {HIT}}, {TOP - 9993, {HIT}}, {TOP - 9992, {HIT}}},
       {{"hit.wav", TOP - 9998}, {"hit.wav", TOP - 9992}}},
      {"every frame plays every sixth",
       everyFrame(0, 30, FIRE),
       {{"fire.wav", 0},
        {"fire.wav", 6},
        {"fire.wav", 12},
        {"fire.wav", 18},
        {"fire.wav", 24},
        {"fire.wav", 30}}},
      {"the gap across the clock's wrap",
       {{TOP - 1, {R21}}, {2, {R21}}, {4, {R21}}},
       {{"sound21.wav", TOP - 1}, {"sound21.wav", 4}}},
      {"a clock set back is still inside the gap", {{100, {HIT}}, {50, {HIT}}}, {{"hit.wav", 100}}},
      {"bit 1 and bits above 8", {{0, {1}}, {1, {16 | 0x80000000u}}, {2, {~0xEu}}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    resetProgramState();
    headless::setAudioFrameClock(&g_shell.main_window.presented_frames);
    sound_.start();
    for (const Frame& f : c.frames) {
      g_shell.main_window.presented_frames = f.clock;
      for (const std::uint32_t mask : f.requests) sound_.request(mask);
      sound_.update();
      EXPECT_EQ(sound_.requests, 0u) << "frame " << f.clock;
    }
    std::vector<Played> plays;
    for (const auto& p : headless::audioPlays()) plays.push_back({p.name, p.frame});
    EXPECT_EQ(plays, c.plays);
    EXPECT_TRUE(headless::boxes().empty());
  }
}

TEST_F(Sound, ResetClearsAllButTheSystem) {
  EXPECT_EQ(sound_.system, nullptr);
  sound_.start();
  AudioSystem* const system = sound_.system;
  ASSERT_NE(system, nullptr);
  sound_.request(FIRE);
  sound_.update();
  sound_.request(HIT);
  sound_.reset();
  EXPECT_EQ(sound_.system, system);
  EXPECT_EQ(sound_.requests, 0u);
  for (std::int32_t s = 0; s < SOUND_SLOTS; ++s) {
    EXPECT_FALSE(sound_.has_played[s]) << s;
    EXPECT_EQ(sound_.sounds[s], nullptr) << s;
  }
}

// Mends: without a system nothing calls the library (an update or shutdown
// before the start must not end the process); a second start releases the
// first system instead of failing to open another.
TEST_F(Sound, NoLibraryCallWithoutASystemAndNoSecondSystemOpen) {
  sound_.update();
  sound_.shutdown();
  EXPECT_EQ(headless::audioCalls(Call::Update) + headless::audioCalls(Call::Release), 0);
  sound_.start();
  sound_.start();
  EXPECT_EQ(headless::audioCalls(Call::Release), 1);
  EXPECT_EQ(headless::audioSounds(),
            (std::vector<std::string>{"hit.wav", "fire.wav", "sound21.wav"}));
  sound_.shutdown();
  EXPECT_FALSE(headless::audioOutputOpen());
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Sound, SlotMisuseIsReportedWithItsNumber) {
  struct Case {
    bool load;
    std::int32_t slot;
    std::int32_t number;
  };
  const Case cases[] = {{true, -1, 7224},  {true, SOUND_SLOTS, 7224},  {true, SOUND_FIRE, 7225},
                        {false, -1, 7226}, {false, SOUND_SLOTS, 7226}, {false, 5, 7227}};
  sound_.start();
  AudioSound* const fire = sound_.sounds[SOUND_FIRE];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    headless::clearBoxes();
    if (c.load) {
      sound_.loadSound(c.slot, "hit.wav");
    } else {
      sound_.play(c.slot);
    }
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text,
              "Error " + std::to_string(c.number) + "  Contine?    (err_context=0)");
  }
  EXPECT_EQ(sound_.sounds[SOUND_FIRE], fire) << "a full slot keeps its sound";
  EXPECT_FALSE(sound_.has_played[5]);
  EXPECT_EQ(headless::audioSounds().size(), 3u);
  EXPECT_TRUE(headless::audioPlays().empty());
}

TEST_F(Sound, ReportTakesTheShortFormFrom412Bytes) {
  const std::string text = audioResultText(AUDIO_ERR_FILE_NOT_FOUND);
  const auto where = [&](std::size_t total) { return std::string(total - text.size(), 'w'); };
  struct Case {
    std::string where;
    std::string shown;
  };
  const Case cases[] = {
      {"audioCreateSound",
       "Sound system error in audioCreateSound. The file was not found. (errnum=7)  Contine?"},
      {where(411), "Sound system error in " + where(411) + ". " + text + " (errnum=7)  Contine?"},
      {where(412), "Sound system error in " + where(412) + ". (errnum=7)  Contine?"},
      {std::string(600, 'w'), ("Sound system error in " + std::string(600, 'w')).substr(0, 511)},
  };
  for (const Case& c : cases) {
    headless::clearBoxes();
    reportSoundError(c.where.c_str(), AUDIO_ERR_FILE_NOT_FOUND);
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text, c.shown) << c.where.size();
    EXPECT_EQ(headless::boxes()[0].caption, "Sound system problem.");
    EXPECT_EQ(headless::boxes()[0].style, static_cast<UINT>(MB_OK | MB_TASKMODAL));
  }
}

// What a process ending in a death test leaves: every box, the sounds loaded
// and the frame it ended in, written by a normal exit's handlers.
void describeEnd() {
  for (const auto& box : headless::boxes()) {
    std::fprintf(stderr, "box [%s] %s\n", box.caption.c_str(), box.text.c_str());
  }
  std::fprintf(stderr, "boxes %zu, loaded", headless::boxes().size());
  for (const auto& name : headless::audioSounds()) std::fprintf(stderr, " %s", name.c_str());
  std::fprintf(stderr, ", frame %u\n", g_shell.main_window.presented_frames);
}

int runProgram() {
  headless::setCounterFrequency(1000);
  // Ship 1 fires on frame 3; nothing that fails ends the program by frame 30.
  headless::setPumpHook([] {
    if (g_shell.main_window.presented_frames == 3) g_game.sound.request(FIRE);
    if (g_shell.main_window.presented_frames == 30) {
      platform::NativeEvent close;
      close.kind = platform::NativeEventKind::Close;
      headless::inject(close);
    }
  });
  std::atexit(describeEnd);
  // The death test reads standard error only, in the order things happened.
  dup2(STDERR_FILENO, STDOUT_FILENO);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  static int instance = 0;
  char command_line[] = "--no-record";
  return WinMain(reinterpret_cast<HINSTANCE>(&instance), nullptr, command_line, SW_SHOWNORMAL);
}

using SoundDeath = Sound;

TEST_F(SoundDeath, LibraryFailuresEndTheProgramWithStatus255) {
  const auto box = [](const char* where, const char* text, int code) {
    return std::string("box \\[Sound system problem\\.\\] Sound system error in ") + where +
           "\\. " + text + " \\(errnum=" + std::to_string(code) + "\\)  Contine\\?\n";
  };
  struct Case {
    const char* what;
    const char* removed;    // a sound file taken away
    const char* malformed;  // a sound file spoilt
    Call failing;           // a library call made to fail ...
    AudioResult result;     // ... with this result (AUDIO_OK: none fails)
    int skip;               // ... after this many of its kind passed
    std::string output;
  };
  const Case cases[] = {
      {"fire.wav missing", "fire.wav", nullptr, Call::Create, AUDIO_OK, 0,
       box("audioCreateSound", "The file was not found\\.", 7) +
           "boxes 1, loaded hit.wav, frame 0\n"},
      {"fire.wav malformed", nullptr, "fire.wav", Call::Create, AUDIO_OK, 0,
       box("audioCreateSound", "The file is not a well-formed WAV file\\.", 9) +
           "boxes 1, loaded hit.wav, frame 0\n"},
      {"system creation fails", nullptr, nullptr, Call::Create, AUDIO_ERR_BUSY, 0,
       box("audioSystemCreate", "Another sound system is already open\\.", 4) +
           "boxes 1, loaded, frame 0\n"},
      {"initialisation fails", nullptr, nullptr, Call::Init, AUDIO_ERR_NO_OUTPUT, 0,
       box("audioSystemInit", "No sound output could be opened\\.", 5) +
           "boxes 1, loaded, frame 0\n"},
      {"a play fails", nullptr, nullptr, Call::Play, AUDIO_ERR_OUTPUT_FAILED, 0,
       box("audioPlaySound", "The sound output failed\\.", 12) +
           "boxes 1, loaded hit.wav fire.wav sound21.wav, frame 3\n"},
      {"the update fails", nullptr, nullptr, Call::Update, AUDIO_ERR_OUTPUT_FAILED, 2,
       "^Sound system error! \\(12\\) The sound output failed\\.\n"
       "boxes 0, loaded hit.wav fire.wav sound21.wav, frame 3\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SoundFolder files;  // the case's own, since the child spoils files
    EXPECT_EXIT(
        {
          if (c.removed != nullptr) std::remove(c.removed);
          if (c.malformed != nullptr) {
            makeFile(FileCase{"", FileShape::Bytes, {'R', 'I', 'F'}, AUDIO_OK}, c.malformed);
          }
          if (c.result != AUDIO_OK) headless::failAudioCall(c.failing, c.result, c.skip);
          runProgram();
        },
        ::testing::ExitedWithCode(EXIT_MINUS_ONE), c.output);
  }
}

}  // namespace
