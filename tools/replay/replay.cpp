#include "tools/replay/replay.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/entry.h"
#include "display/back_buffer.h"
#include "game/game_state.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"

namespace replay {

namespace {

constexpr long MAX_FRAME = 0x7FFFFFFF;
constexpr long MAX_SIZE = 65535;

bool number(const char* word, long low, long high, long* value) {
  if (word == nullptr || *word == '\0') return false;
  char* end = nullptr;
  const long v = std::strtol(word, &end, 10);
  if (*end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

bool upDown(const char* word, bool* down) {
  if (word == nullptr) return false;
  *down = std::strcmp(word, "down") == 0;
  return *down || std::strcmp(word, "up") == 0;
}

// Parses one line's words into an event; the reason when it cannot.
const char* parseWords(char* words[], int count, ScriptEvent* e) {
  long frame = 0;
  if (!number(words[0], 0, MAX_FRAME, &frame)) return "frame must be a number from 0";
  e->frame = static_cast<std::uint32_t>(frame);
  const char* what = count > 1 ? words[1] : "";
  long a = 0;
  long b = 0;
  if (std::strcmp(what, "key") == 0) {
    if (count != 4) return "expected: <frame> key <virtual-key code> down|up";
    if (!number(words[2], 1, 255, &a)) return "virtual-key code must be 1..255";
    if (!upDown(words[3], &e->down)) return "expected down or up";
    e->kind = EventKind::Key;
    e->code = static_cast<int>(a);
  } else if (std::strcmp(what, "mouse") == 0) {
    if (count != 4) return "expected: <frame> mouse left|right down|up";
    if (std::strcmp(words[2], "left") != 0 && std::strcmp(words[2], "right") != 0) {
      return "expected left or right";
    }
    if (!upDown(words[3], &e->down)) return "expected down or up";
    e->kind = EventKind::Mouse;
    e->code = std::strcmp(words[2], "right") == 0 ? 1 : 0;
  } else if (std::strcmp(what, "resize") == 0) {
    if (count != 4) return "expected: <frame> resize <client width> <client height>";
    if (!number(words[2], 0, MAX_SIZE, &a) || !number(words[3], 0, MAX_SIZE, &b)) {
      return "client width and height must be 0..65535";
    }
    e->kind = EventKind::Resize;
    e->width = static_cast<int>(a);
    e->height = static_cast<int>(b);
  } else {
    return "expected key, mouse or resize after the frame";
  }
  return nullptr;
}

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

}  // namespace

bool parseScript(std::FILE* in, Script* script, std::string* error) {
  char line[512];
  int number_of_line = 0;
  while (std::fgets(line, sizeof line, in) != nullptr) {
    ++number_of_line;
    const std::size_t length = std::strlen(line);
    if (length == sizeof line - 1 && line[length - 1] != '\n' && !std::feof(in)) {
      *error = "line " + std::to_string(number_of_line) + ": too long";
      return false;
    }
    if (char* hash = std::strchr(line, '#')) *hash = '\0';
    char* words[5] = {};
    int count = 0;
    for (char* w = std::strtok(line, " \t\r\n"); w != nullptr;
         w = std::strtok(nullptr, " \t\r\n")) {
      if (count == 5) break;
      words[count++] = w;
    }
    if (count == 0) continue;
    ScriptEvent e;
    if (const char* why = count == 5 ? "too many words" : parseWords(words, count, &e)) {
      *error = "line " + std::to_string(number_of_line) + ": " + why;
      return false;
    }
    script->last_frame = std::max(script->last_frame, e.frame);
    script->events.push_back(e);
  }
  return true;
}

std::uint32_t backBufferCrc() {
  const MainWindow& mw = g_shell.main_window;
  if (!mw.hasPixels()) return 0;
  const std::size_t size =
      static_cast<std::size_t>(mw.height) * static_cast<std::size_t>(mw.stride);
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most a uInt at a time.
  for (std::size_t done = 0; done < size;) {
    const auto part = static_cast<uInt>(std::min<std::size_t>(size - done, 1u << 30));
    crc = crc32(crc, mw.pixel_base + done, part);
    done += part;
  }
  return static_cast<std::uint32_t>(crc);
}

int run(const Script& script, const Options& options, std::FILE* out) {
  // Events by frame, each frame's in file order.
  std::vector<ScriptEvent> events = script.events;
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
  std::size_t next_event = 0;
  std::uint32_t printed = 0;      // frames whose line is out
  bool frame_input_done = false;  // the input of frame `printed` is delivered
  bool closing = false;
  std::int64_t idle_mark = 0;  // the pacer's due time when the last frame was printed

  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(1);
  headless::setPumpHook([&] {
    MainWindow& mw = g_shell.main_window;
    if (mw.window == nullptr || closing) return;
    if (mw.presented_frames > printed) {
      if (printed == 0) {
        std::fprintf(out, "client %d %d stride %d\n", mw.width, mw.height, mw.stride);
      }
      const Ship* s = g_game.ships;
      std::fprintf(out, "%u %08x %d %d %d %d %u %d %d %d %d %u %u\n", printed, backBufferCrc(),
                   s[0].x, s[0].y, s[0].heading, s[0].arm, s[0].state, s[1].x, s[1].y, s[1].heading,
                   s[1].arm, s[1].state, g_game.sound.requests);
      if (static_cast<std::int64_t>(printed) == options.dump_frame) {
        if (!dumpBackBuffer(options.dump_path.c_str())) {
          std::fprintf(stderr, "starquell-replay: could not write %s\n", options.dump_path.c_str());
        }
      }
      ++printed;
      frame_input_done = false;
      idle_mark = g_shell.pacer.next_due;
    }
    if (printed >= options.frames) {
      closing = true;
      PostMessageA(mw.window, WM_CLOSE, 0, 0);
      return;
    }
    // A frame's input arrives once its paint is asked for (frame 0: the paint
    // the window's first showing asks for; later: the idle pass that waited
    // for the frame), so it is dispatched before that paint and adds none.
    const bool paint_due = printed == 0 || g_shell.pacer.next_due != idle_mark;
    if (frame_input_done || !paint_due) return;
    frame_input_done = true;
    for (; next_event < events.size() && events[next_event].frame <= printed; ++next_event) {
      headless::inject(nativeEvent(events[next_event]));
    }
  });
  static int instance_marker = 0;
  char command_line[] = "";
  const int status =
      WinMain(reinterpret_cast<HINSTANCE>(&instance_marker), nullptr, command_line, SW_SHOWNORMAL);
  headless::setPumpHook(nullptr);
  // Every report the program showed (each answered Yes, so it went on).
  for (const headless::Box& box : headless::boxes()) {
    std::fprintf(stderr, "starquell-replay: message box \"%s\": %s\n", box.caption.c_str(),
                 box.text.c_str());
  }
  return status;
}

}  // namespace replay
