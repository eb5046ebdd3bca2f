// A frame run without a paint is the frame the real program paints: the same
// pictures, ships and sounds as the replay runner (the whole WinMain with its
// loop) gives for the same input, at any size and across resizes; the input
// messages mean the same to the runner as to the window procedure; and what
// cannot be run changes nothing.
#include "game/frame_runner.h"

#include <cstdio>

#include "tests/game/rerun_test.h"
#include "tools/replay/replay.h"

namespace {

using K = platform::NativeEventKind;

struct Game {
  const char* name;
  Play play;
  std::uint32_t frames;
  int width = -1, height = -1;  // the client size at the start; -1: the default
  std::vector<Resize> resizes = {};
};

const Game GAMES[] = {
    {"level 3 at the default size", {0}, 700},
    // Enough impacts that the random channel of their discs comes round and
    // the per-frame tick decides its next mode.
    {"level 0, both firing without a pause", {3, 120, true}, 1200},
    {"level 0", {3}, 500},
    {"level 2 on a 401 x 299 client", {1}, 500, 401, 299},
    {"level 1, resized while playing", {2}, 600, -1, -1, {{200, 517, 377}, {350, 300, 400}}},
};

// What the game keeps besides the picture, as bytes: the ships and shots,
// the level, the random channels, the input bytes and the frame counters.
std::vector<std::uint8_t> gameValues() {
  std::vector<std::uint8_t> out;
  const auto add = [&out](const void* p, std::size_t n) {
    const std::size_t at = out.size();
    out.resize(at + n);
    std::memcpy(out.data() + at, p, n);
  };
  const MainWindow& mw = g_shell.main_window;
  add(&g_game.ships, sizeof g_game.ships);
  add(&g_game.shots, sizeof g_game.shots);
  add(&g_game.current_level, sizeof g_game.current_level);
  add(&g_game.level_change_frame, sizeof g_game.level_change_frame);
  add(&g_random, sizeof g_random);
  add(g_shell.KeyState, sizeof g_shell.KeyState);
  add(g_shell.MouseButtons, sizeof g_shell.MouseButtons);
  add(&mw.presented_frames, sizeof mw.presented_frames);
  add(&mw.frames_since_resize, sizeof mw.frames_since_resize);
  return out;
}

class FrameRunner : public RerunTest {
 protected:
  // The replay runner's line of every frame for the game's input as a script.
  static std::vector<FrameRecord> replayed(const Game& g) {
    replay::Script script;
    if (g.width >= 0) {
      script.has_client = true;
      script.client_width = g.width;
      script.client_height = g.height;
    }
    for (std::uint32_t f = 1; f < g.frames; ++f) {
      for (const InputMessage& m : inputAt(f, g.play)) {
        replay::ScriptEvent e;
        e.frame = f;
        const bool key = m.message == WM_KEYDOWN || m.message == WM_KEYUP;
        e.kind = key ? replay::EventKind::Key : replay::EventKind::Mouse;
        e.code = key ? static_cast<int>(m.wparam)
                     : (m.message == WM_RBUTTONDOWN || m.message == WM_RBUTTONUP ? MOUSE_RIGHT
                                                                                 : MOUSE_LEFT);
        e.down =
            m.message == WM_KEYDOWN || m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN;
        script.events.push_back(e);
      }
    }
    for (const Resize& r : g.resizes) {
      replay::ScriptEvent e;
      e.frame = r.frame;
      e.kind = replay::EventKind::Resize;
      e.width = r.width;
      e.height = r.height;
      script.events.push_back(e);
    }
    script.last_frame = g.frames;
    replay::Options options;
    options.frames = g.frames;
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(replay::run(script, options, out), 0);
    std::rewind(out);
    std::vector<FrameRecord> lines;
    char line[256];
    while (std::fgets(line, sizeof line, out) != nullptr) {
      FrameRecord r;
      unsigned frame = 0;
      std::int32_t(&a)[5] = r.ship[0];
      std::int32_t(&b)[5] = r.ship[1];
      if (std::sscanf(line, "%u %x %d %d %d %d %d %d %d %d %d %d %u", &frame, &r.crc, &a[0], &a[1],
                      &a[2], &a[3], &a[4], &b[0], &b[1], &b[2], &b[3], &b[4], &r.sounds) == 13) {
        EXPECT_EQ(frame, lines.size());
        lines.push_back(r);
      }
    }
    std::fclose(out);
    return lines;
  }
};

TEST_F(FrameRunner, FramesRunWithoutAPaintAreTheFramesTheProgramPaints) {
  for (const Game& g : GAMES) {
    SCOPED_TRACE(g.name);
    resetProgramState();
    const std::vector<FrameRecord> expected = replayed(g);
    ASSERT_EQ(expected.size(), g.frames);
    // The program closes its window right after the last frame's paint,
    // with no idle pass between: what the game keeps is that frame's.
    const std::vector<std::uint8_t> expected_values = gameValues();
    resetProgramState();
    hwnd = openMainWindow();
    startGame(g.width, g.height);
    std::vector<FrameRecord> got = {recordFrame(g_game.sound.requests)};
    std::size_t next = 0;
    while (mw.presented_frames < g.frames) {
      if (next < g.resizes.size() && g.resizes[next].frame == mw.presented_frames) {
        // A resize is painted by the window: the idle pass's tick, the input,
        // the resize and its paint; the idle pass after plays the sounds.
        g_game.sound.requests = 0;
        tickRandom();
        for (const InputMessage& m : inputAt(mw.presented_frames, g.play)) {
          headless::inject(nativeInput(m));
        }
        deliver(sizeEvent(K::Resize, g.resizes[next].width, g.resizes[next].height));
        ++next;
        got.push_back(recordFrame(g_game.sound.requests));
        g_game.sound.requests = 0;
      } else {
        got.push_back(step(g.play));
      }
    }
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t f = 0; f < got.size(); ++f) {
      ASSERT_TRUE(got[f] == expected[f])
          << "frame " << f << ": crc " << std::hex << got[f].crc << " against " << expected[f].crc;
    }
    EXPECT_TRUE(gameValues() == expected_values);
  }
}

TEST_F(FrameRunner, AFrameThatCannotRunChangesNothing) {
  struct Case {
    const char* name;
    void (*prepare)();
  };
  const Case cases[] = {
      {"before the first frame", [] {}},
      {"inside a paint",
       [] {
         dispatchAll();
         g_game.painting_frame = true;
       }},
      {"while the window's paint is open",
       [] {
         dispatchAll();
         g_shell.main_window.PaintState = PAINT_PAINTING;
       }},
      {"without a window",
       [] {
         dispatchAll();
         DestroyWindow(g_shell.main_window.window);
         dispatchAll();
         g_shell.main_window.window = nullptr;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetProgramState();
    hwnd = openMainWindow();
    c.prepare();
    g_game.sound.request(SOUND_REQ_FIRE);
    const Memory before = Memory::now();
    std::uint32_t sounds = 77;
    const InputMessage press = keyMessage(SHIP_KEY_ON, true);
    EXPECT_FALSE(stepFrame({&press, 1}, &sounds));
    EXPECT_EQ(sounds, 77u);
    EXPECT_EQ(Memory::now().differences(before), "");
  }
}

// The runner and the window procedure set the same bytes for each message.
TEST_F(FrameRunner, InputMessagesMeanTheSameToTheRunnerAndTheWindow) {
  struct Case {
    InputMessage message;
    int key;  // the byte that changes: a key, or -1 - button
    std::int8_t value;
  };
  const Case cases[] = {
      {keyMessage(SHIP_KEY_ON, true), SHIP_KEY_ON, 1},
      {keyMessage(SHIP_KEY_BACK, false), SHIP_KEY_BACK, -1},
      {keyMessage(255, true), 255, 1},
      {keyMessage(0, true), -100, 0},    // key 0 is no key: nothing changes
      {keyMessage(256, true), -100, 0},  // outside the table
      {buttonMessage(MOUSE_LEFT, true), -1 - MOUSE_LEFT, 1},
      {buttonMessage(MOUSE_LEFT, false), -1 - MOUSE_LEFT, -1},
      {buttonMessage(MOUSE_RIGHT, true), -1 - MOUSE_RIGHT, 1},
      {buttonMessage(MOUSE_RIGHT, false), -1 - MOUSE_RIGHT, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    for (const bool window : {false, true}) {
      resetInput();
      std::vector<std::int8_t> expected(KEY_COUNT + 2, 0);
      if (c.key >= 0) expected[static_cast<std::size_t>(c.key)] = c.value;
      if (c.key < 0 && c.key >= -2)
        expected[static_cast<std::size_t>(KEY_COUNT - 1 - c.key)] = c.value;
      if (window) {
        EXPECT_EQ(SendMessageA(hwnd, c.message.message, c.message.wparam, 0), 0);
      } else {
        EXPECT_TRUE(applyInputMessage(c.message.message, c.message.wparam));
      }
      std::vector<std::int8_t> bytes(g_shell.KeyState, g_shell.KeyState + KEY_COUNT);
      bytes.push_back(g_shell.MouseButtons[MOUSE_LEFT]);
      bytes.push_back(g_shell.MouseButtons[MOUSE_RIGHT]);
      EXPECT_EQ(bytes, expected) << (window ? "window" : "runner");
    }
  }
  EXPECT_FALSE(applyInputMessage(WM_PAINT, 0)) << "not input: the window procedure's own";
}

}  // namespace
