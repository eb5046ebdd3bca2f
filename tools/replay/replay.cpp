#include "tools/replay/replay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/entry.h"
#include "display/back_buffer.h"
#include "game/game_state.h"
#include "game/player_controls.h"
#include "platform/headless/headless.h"
#include "record/checksum.h"
#include "record/playback.h"
#include "shell/shell_globals.h"

namespace replay {

namespace {

platform::NativeEvent nativeEvent(const ScriptEvent& e) {
  using K = platform::NativeEventKind;
  platform::NativeEvent n;
  switch (e.kind) {
    case EventKind::Key:
      n.kind = e.down ? K::KeyDown : K::KeyUp;
      n.vk = static_cast<UINT>(e.code);
      break;
    case EventKind::Mouse:
      n.kind = e.down ? K::ButtonDown : K::ButtonUp;
      n.button = e.code;
      break;
    case EventKind::Resize:
      n.kind = K::Resize;
      n.width = e.width;
      n.height = e.height;
      break;
    default:
      break;
  }
  return n;
}

// The back buffer through its palette, top row first.
bool dumpBackBuffer(const char* path) {
  const MainWindow& mw = g_shell.main_window;
  if (!mw.hasPixels()) return false;
  return headless::writeRgbPng(path, mw.width, mw.height, [&](int x, int y) {
    const RGBQUAD c = mw.bitmap_info.palette[mw.pixel_base[(mw.height - 1 - y) * mw.stride + x]];
    return (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
  });
}

// A script event that is one of `walker`'s two controls.
bool controlOf(int walker, const ScriptEvent& e, int* control) {
  ArmControl c;
  const bool mouse = walker == 0;
  if (e.kind != (mouse ? EventKind::Mouse : EventKind::Key)) return false;
  if (!armControlFor(mouse, e.code, &c)) return false;
  *control = static_cast<int>(c);
  return true;
}

// The computer's walkers: their controls come from their players; the
// script's presses of them are played only while the controls are locked
// (walker 0's buttons choose the level then) and let go when the lock ends.
class Computers {
 public:
  Computers(unsigned walkers, computer::Level level) {
    for (int w = 0; w < 2; ++w) {
      if ((walkers & (1u << w)) != 0) drivers_[w].emplace(w, level, computer::defaultSeed(w));
    }
  }
  bool any() const { return drivers_[0] || drivers_[1]; }
  // Whether the script's event goes to the game; the releases of what the
  // script held are added to `extra` when the lock ends.
  bool passes(const ScriptEvent& e) {
    for (int w = 0; w < 2; ++w) {
      int c = 0;
      if (!drivers_[w] || !controlOf(w, e, &c)) continue;
      if (g_game.controlsEnabled()) return false;
      script_held_[w][c] = e.down;
      return true;
    }
    return true;
  }
  void frame(std::uint32_t frame, std::vector<ScriptEvent>* out) {
    for (int w = 0; w < 2; ++w) {
      if (!drivers_[w]) continue;
      if (g_game.controlsEnabled()) {
        for (int c = 0; c < 2; ++c) {
          if (!script_held_[w][c]) continue;
          script_held_[w][c] = false;
          out->push_back(event(
              frame,
              computer::Change{w == 0, controlCode(w == 0, static_cast<ArmControl>(c)), false}));
        }
      }
      computer::Change changes[2];
      const int n = drivers_[w]->changes(frame, changes);
      for (int i = 0; i < n; ++i) out->push_back(event(frame, changes[i]));
    }
  }

 private:
  static ScriptEvent event(std::uint32_t frame, const computer::Change& c) {
    ScriptEvent e;
    e.frame = frame;
    e.kind = c.mouse ? EventKind::Mouse : EventKind::Key;
    e.code = c.code;
    e.down = c.down;
    return e;
  }
  std::optional<computer::Driver> drivers_[2];
  bool script_held_[2][2] = {};
};

}  // namespace

std::string frameLine(std::uint32_t frame, std::uint32_t crc, std::uint32_t sounds) {
  const Ship* s = g_game.ships;
  char text[160];
  std::snprintf(text, sizeof text, "%u %08x %d %d %d %d %u %d %d %d %d %u %u\n", frame, crc, s[0].x,
                s[0].y, s[0].heading, s[0].arm, s[0].state, s[1].x, s[1].y, s[1].heading, s[1].arm,
                s[1].state, sounds);
  return text;
}

int run(const Script& script, const Options& options, std::FILE* out, Verdict* verdict) {
  // Input and resizes by frame, the frame passes and the checkpoints: as the
  // window plays a recording.
  record::Playback playback(script);
  Verdict result;
  std::uint32_t printed = 0;      // frames whose line is out
  bool frame_input_done = false;  // the input of frame `printed` is delivered
  bool closing = false;
  bool due_seen = false;
  std::int64_t last_due = 0;  // the pacer's due time at the last look
  int passes = 0;             // idle passes that asked for a frame since the last paint
  Computers computers(options.computer, options.level);
  std::vector<ScriptEvent> computed;
  const bool source_prints =
      options.network != nullptr && options.network->printsLines(options.verify ? nullptr : out);

  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
  headless::setPumpHook([&] {
    MainWindow& mw = g_shell.main_window;
    if (mw.window == nullptr || closing) return;
    // Every idle pass moves the pacer's due time on by one interval.
    const std::int64_t due = g_shell.pacer.next_due;
    if (due_seen && due != last_due && g_shell.pacer.interval > 0) {
      passes += static_cast<int>((due - last_due) / g_shell.pacer.interval);
    }
    due_seen = true;
    last_due = due;
    if (mw.presented_frames > printed) {
      if (printed == 0 && !options.verify) {
        std::fprintf(out, "client %d %d stride %d\n", mw.width, mw.height, mw.stride);
      }
      const std::uint32_t crc = record::frameChecksum();
      if (options.network != nullptr) options.network->painted(printed, crc);
      if (!options.verify && !source_prints) {
        std::fputs(frameLine(printed, crc, g_game.sound.requests).c_str(), out);
      }
      for (const ScriptEvent& c : playback.checkpoints(printed)) {
        if (!options.verify || result.differs) break;
        if (c.crc == crc) {
          ++result.checkpoints;
        } else {
          result.differs = true;
          result.frame = printed;
          result.recorded = c.crc;
          result.replayed = crc;
        }
      }
      if (static_cast<std::int64_t>(printed) == options.dump_frame) {
        if (!dumpBackBuffer(options.dump_path.c_str())) {
          std::fprintf(stderr, "starquell-replay: could not write %s\n", options.dump_path.c_str());
        }
      }
      result.last_frame = printed;
      ++printed;
      frame_input_done = false;
      passes = 0;
    }
    if (printed >= options.frames || result.differs) {
      if (options.network != nullptr) options.network->settle();
      if (options.territory && !options.verify) {
        std::fprintf(out, "%s\n", computer::territoryLine(computer::measureTerritory()).c_str());
      }
      closing = true;
      PostMessageA(mw.window, WM_CLOSE, 0, 0);
      return;
    }
    // A frame's input arrives once its paint is asked for (frame 0: the paint
    // the window's first showing asks for; later: the idle pass that waited
    // for the frame), so it is dispatched before that paint and adds none.
    // A recording may name other passes: none (a paint the window system
    // asked for, which comes at once) or several (frames due while the
    // window could not paint, which are refused here).
    if (frame_input_done) return;
    const int wanted = playback.passes(printed);
    if (passes < wanted) {
      PAINTSTRUCT ps = {};
      BeginPaint(mw.window, &ps);
      EndPaint(mw.window, &ps);
      return;
    }
    frame_input_done = true;
    if (options.network != nullptr) {
      std::vector<ScriptEvent> local;
      while (const ScriptEvent* e = playback.next(printed)) local.push_back(*e);
      std::vector<ScriptEvent> merged;
      if (!options.network->frameEvents(printed, local, &merged)) {
        closing = true;
        PostMessageA(mw.window, WM_CLOSE, 0, 0);
        return;
      }
      for (const ScriptEvent& e : merged) headless::inject(nativeEvent(e));
      return;
    }
    while (const ScriptEvent* e = playback.next(printed)) {
      if (computers.passes(*e)) headless::inject(nativeEvent(*e));
    }
    if (computers.any()) {
      computed.clear();
      computers.frame(printed, &computed);
      for (const ScriptEvent& e : computed) headless::inject(nativeEvent(e));
    }
    if (wanted == 0 && printed > 0) {
      platform::NativeEvent expose;
      expose.kind = platform::NativeEventKind::Expose;
      headless::inject(expose);
    }
  });
  static int instance_marker = 0;
  std::string command_line = options.program_arguments;
  const int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr,
                             command_line.data(), SW_SHOWNORMAL);
  headless::setPumpHook(nullptr);
  // Every report the program showed (each answered Yes, so it went on).
  for (const headless::Box& box : headless::boxes()) {
    std::fprintf(stderr, "starquell-replay: message box \"%s\": %s\n", box.caption.c_str(),
                 box.text.c_str());
  }
  if (verdict != nullptr) *verdict = result;
  return status;
}

}  // namespace replay
