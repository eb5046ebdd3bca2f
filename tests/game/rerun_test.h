// Shared by the saved-state and frame-runner suites: scripted input that
// makes things happen, each frame's visible result, and a copy of all the
// memory a frame could touch.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/entry.h"
#include "game/frame_runner.h"
#include "game/random.h"
#include "game/saved_state.h"
#include "record/checksum.h"
#include "tests/game/game_test.h"

// What a player sees of a frame: the picture's CRC, both ships, the sounds.
struct FrameRecord {
  std::uint32_t crc = 0;
  std::int32_t ship[2][5] = {};  // x, y, heading, arm, state
  std::uint32_t sounds = 0;
  bool operator==(const FrameRecord&) const = default;
};

inline FrameRecord recordFrame(std::uint32_t sounds) {
  FrameRecord r;
  r.crc = record::frameChecksum();
  for (int i = 0; i < 2; ++i) {
    const Ship& s = g_game.ships[i];
    const std::int32_t v[5] = {s.x, s.y, s.heading, s.arm, static_cast<std::int32_t>(s.state)};
    std::memcpy(r.ship[i], v, sizeof v);
  }
  r.sounds = sounds;
  return r;
}

// Who plays what: left clicks that step the level down during the start
// lock (3 -> 2 -> 1 -> 0), then both players swinging, walking and firing.
struct Play {
  int left_clicks = 0;               // at frames 3, 5, 7
  std::uint32_t buttons_from = 120;  // ship 0's buttons steer once the lock is over
  bool hold = false;                 // from buttons_from on all four held: both fire every chance
};

// A client size the window system gives before a frame's paint.
struct Resize {
  std::uint32_t frame;
  int width, height;
};

// The input of frame f. Ship 1's Z and X are pressed and released in
// overlapping periods from the start (keys select no level); ship 0's
// buttons likewise once the lock is over. Both held fires.
inline std::vector<InputMessage> inputAt(std::uint32_t f, const Play& play) {
  std::vector<InputMessage> in;
  if (play.hold) {
    if (f == play.buttons_from) {
      in = {keyMessage(SHIP_KEY_ON, true), keyMessage(SHIP_KEY_BACK, true),
            buttonMessage(MOUSE_LEFT, true), buttonMessage(MOUSE_RIGHT, true)};
    }
    return in;
  }
  for (int i = 0; i < play.left_clicks; ++i) {
    const auto at = static_cast<std::uint32_t>(3 + 2 * i);
    if (f == at) in.push_back(buttonMessage(MOUSE_LEFT, true));
    if (f == at + 1) in.push_back(buttonMessage(MOUSE_LEFT, false));
  }
  struct Period {
    bool key;
    std::uint32_t code, period, down, up;
  };
  const Period periods[] = {{true, SHIP_KEY_ON, 90, 0, 50},
                            {true, SHIP_KEY_BACK, 70, 10, 45},
                            {false, MOUSE_LEFT, 80, 5, 60},
                            {false, MOUSE_RIGHT, 110, 20, 75}};
  for (const Period& p : periods) {
    if (!p.key && f < play.buttons_from) continue;
    const std::uint32_t at = f % p.period;
    if (at != p.down && at != p.up) continue;
    const bool down = at == p.down;
    in.push_back(p.key ? keyMessage(p.code, down) : buttonMessage(static_cast<int>(p.code), down));
  }
  return in;
}

// The input message as the native event the window system would deliver.
inline platform::NativeEvent nativeInput(const InputMessage& m) {
  using K = platform::NativeEventKind;
  switch (m.message) {
    case WM_KEYDOWN:
      return keyEvent(K::KeyDown, static_cast<UINT>(m.wparam));
    case WM_KEYUP:
      return keyEvent(K::KeyUp, static_cast<UINT>(m.wparam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      return buttonEvent(K::ButtonDown, m.message == WM_RBUTTONDOWN ? MOUSE_RIGHT : MOUSE_LEFT);
    default:
      return buttonEvent(K::ButtonUp, m.message == WM_RBUTTONUP ? MOUSE_RIGHT : MOUSE_LEFT);
  }
}

// Every byte a frame could change: the shell's and the game's static state,
// the random channels and the pixel memory.
struct Memory {
  std::vector<std::uint8_t> shell, game, random, pixels;

  static Memory now() {
    const auto bytes = [](const void* p, std::size_t n) {
      const auto* b = static_cast<const std::uint8_t*>(p);
      return std::vector<std::uint8_t>(b, b + n);
    };
    const MainWindow& mw = g_shell.main_window;
    return Memory{bytes(&g_shell, sizeof g_shell), bytes(&g_game, sizeof g_game),
                  bytes(&g_random, sizeof g_random),
                  mw.hasPixels() ? bytes(mw.pixel_base, static_cast<std::size_t>(mw.size))
                                 : std::vector<std::uint8_t>{}};
  }
  // The names of the parts that differ; empty when none does.
  std::string differences(const Memory& other) const {
    std::string out;
    if (shell != other.shell) out += " shell";
    if (game != other.game) out += " game";
    if (random != other.random) out += " random";
    if (pixels != other.pixels) out += " pixels";
    return out;
  }
};

// A game started as WinMain starts it (seeded, first frame painted by the
// window), at another client size when one is given (0 x 0 included).
class RerunTest : public GameTest {
 protected:
  void startGame(int width = -1, int height = -1) {
    seedRandom(RANDOM_SEED);
    if (width >= 0 && height >= 0) {
      deliver(sizeEvent(platform::NativeEventKind::Resize, width, height));
    } else {
      dispatchAll();
    }
    ASSERT_EQ(mw.presented_frames, 1u);
  }
  // The next frame through the runner with the play's input.
  FrameRecord step(const Play& play) {
    const std::vector<InputMessage> in = inputAt(mw.presented_frames, play);
    std::uint32_t sounds = 0;
    EXPECT_TRUE(stepFrame(in, &sounds));
    return recordFrame(sounds);
  }
  std::vector<FrameRecord> steps(const Play& play, int frames) {
    std::vector<FrameRecord> out;
    for (int i = 0; i < frames; ++i) out.push_back(step(play));
    return out;
  }
  // The next frame through the window's paint, as the main loop runs it: the
  // idle pass's tick, the input, the paint. The requests are left for the
  // idle pass that would follow.
  void paint(const Play& play) {
    g_game.sound.requests = 0;
    tickRandom();
    for (const InputMessage& m : inputAt(mw.presented_frames, play))
      headless::inject(nativeInput(m));
    runFrame();
  }
};
