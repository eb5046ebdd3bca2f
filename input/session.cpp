#include "input/session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "input/command_line.h"
#include "input/crc32.h"
#include "input/data_folder.h"
#include "input/recorder.h"
#include "input/script.h"
#include "shell/shell_globals.h"

namespace input {

namespace {

enum class Mode { Off, Record, Watch };

// The keys the game reads (ship 1's controls): only these are recorded, so a
// recording never holds what was typed anywhere else.
constexpr WPARAM GAME_KEYS[] = {0x5A, 0x58};

struct Session {
  Mode mode = Mode::Off;
  WNDPROC game = nullptr;
  bool painted_any = false;
  // Watching.
  Script script;
  std::vector<ScriptEvent> events;  // input and resizes by frame, file order within a frame
  std::vector<ScriptEvent> ticks;   // by frame
  std::vector<ScriptEvent> checkpoints;
  std::size_t next_event = 0;
  int passes = 0;
  bool paint_requested = false;
  bool paused = false;
  bool ended = false;
  bool delivering = false;  // the playback's own messages are let through
  bool moving = false;      // the window is being sized to a recorded client size
  bool differed = false;
};

Session g_session;
Recorder g_recorder;

std::uint32_t pixelCrc() {
  const MainWindow& mw = g_shell.main_window;
  if (!mw.hasPixels()) return 0;
  return crc32(0, mw.pixel_base,
               static_cast<std::size_t>(mw.height) * static_cast<std::size_t>(mw.stride));
}

std::uint32_t frameNow() { return g_shell.main_window.presented_frames; }

bool readFile(const char* path, std::string* text) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  char chunk[1 << 14];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text->append(chunk, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

// ---- Recording ---------------------------------------------------------------

void startRecording(const ProgramOptions& options) {
  const std::time_t now = std::time(nullptr);
  std::string path;
  std::string error;
  std::FILE* file = nullptr;
  std::string folder;
  if (options.record == ProgramOptions::Record::File) {
    path = options.record_path;
    errno = 0;
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) error = errno != 0 ? std::strerror(errno) : "cannot be created";
  } else {
    folder = replaysFolder();
    if (folder.empty()) {
      path = "the data folder";
      error = "neither XDG_DATA_HOME nor HOME names one";
    } else {
      file = createRecording(folder, now, &path, &error);
    }
  }
  if (file == nullptr) {
    std::fprintf(stderr, "starquell: cannot record to %s: %s; the game goes on unrecorded\n",
                 path.c_str(), error.c_str());
    return;
  }
  if (!folder.empty()) keepNewest(folder, KEPT_RECORDINGS);
  char started[32] = "unknown";
  if (const std::tm* utc = std::gmtime(&now)) {
    std::strftime(started, sizeof started, "%Y-%m-%dT%H:%M:%SZ", utc);
  }
  g_recorder.start(file, path.c_str(), STARQUELL_VERSION, started);
  g_session.mode = Mode::Record;
}

// The client size the game starts with, written before the first line that
// names a frame.
int g_client_width = 0;
int g_client_height = 0;

void ensureClient(HWND hwnd) {
  if (g_recorder.hasClient()) return;
  RECT r = {};
  GetClientRect(hwnd, &r);
  g_client_width = r.right - r.left;
  g_client_height = r.bottom - r.top;
  g_recorder.client(g_client_width, g_client_height);
}

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Session& s = g_session;
  const std::uint32_t frame = frameNow();
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (std::find(std::begin(GAME_KEYS), std::end(GAME_KEYS), wparam) != std::end(GAME_KEYS)) {
        ensureClient(hwnd);
        g_recorder.key(frame, static_cast<unsigned>(wparam), message == WM_KEYDOWN);
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      ensureClient(hwnd);
      g_recorder.mouse(frame, message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? 1 : 0,
                       message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN);
      break;
    case WM_SIZE:
      // Only the sizes the game follows; a minimised window keeps its buffer.
      if (wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED) {
        const int width = LOWORD(lparam);
        const int height = HIWORD(lparam);
        // Before the first paint the client line says it all, unless it is
        // out already and this is another size.
        if (s.painted_any) {
          g_recorder.resize(frame, width, height);
        } else if (g_recorder.hasClient() &&
                   (width != g_client_width || height != g_client_height)) {
          g_client_width = width;
          g_client_height = height;
          g_recorder.resize(frame, width, height);
        }
      }
      break;
    case WM_PAINT: {
      ensureClient(hwnd);
      const LRESULT result = s.game(hwnd, message, wparam, lparam);
      if (frameNow() == frame + 1) {
        s.painted_any = true;
        g_recorder.painted(frame, pixelCrc);
      }
      return result;
    }
    case WM_DESTROY:
      g_recorder.finish(frame, pixelCrc);
      break;
    default:
      break;
  }
  return s.game(hwnd, message, wparam, lparam);
}

// ---- Watching ------------------------------------------------------------------

int wantedTicks(std::uint32_t frame) {
  const auto& t = g_session.ticks;
  auto it = std::upper_bound(t.begin(), t.end(), frame,
                             [](std::uint32_t f, const ScriptEvent& e) { return f < e.frame; });
  if (it != t.begin() && (it - 1)->frame == frame) return (it - 1)->ticks;
  return usualTicks(frame);
}

// The client area to width x height, and the game told once, as the window
// system tells it of a size change.
void resizeClient(HWND hwnd, int width, int height) {
  RECT outer = {};
  RECT inner = {};
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &inner);
  const int frame_w = (outer.right - outer.left) - (inner.right - inner.left);
  const int frame_h = (outer.bottom - outer.top) - (inner.bottom - inner.top);
  g_session.moving = true;
  MoveWindow(hwnd, outer.left, outer.top, width + frame_w, height + frame_h, TRUE);
  g_session.moving = false;
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

// Hands the game the recorded input of every frame up to `frame`.
void deliverFrame(HWND hwnd, std::uint32_t frame) {
  Session& s = g_session;
  s.delivering = true;
  if (frame == 0 && s.script.has_client) {
    resizeClient(hwnd, s.script.client_width, s.script.client_height);
  }
  for (; s.next_event < s.events.size() && s.events[s.next_event].frame <= frame; ++s.next_event) {
    const ScriptEvent& e = s.events[s.next_event];
    switch (e.kind) {
      case EventKind::Key:
        SendMessageA(hwnd, e.down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(e.code),
                     e.down ? 1 : static_cast<LPARAM>(0xC0000001u));
        break;
      case EventKind::Mouse:
        SendMessageA(hwnd,
                     e.code == 1 ? (e.down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                                 : (e.down ? WM_LBUTTONDOWN : WM_LBUTTONUP),
                     0, 0);
        break;
      case EventKind::Resize:
        resizeClient(hwnd, e.width, e.height);
        break;
      default:
        break;
    }
  }
  s.delivering = false;
}

void checkFrame(std::uint32_t frame) {
  Session& s = g_session;
  const auto& c = s.checkpoints;
  auto it = std::lower_bound(c.begin(), c.end(), frame,
                             [](const ScriptEvent& e, std::uint32_t f) { return e.frame < f; });
  if (s.differed || it == c.end() || it->frame != frame) return;
  const std::uint32_t now = pixelCrc();
  if (now != it->crc) {
    s.differed = true;
    std::fprintf(stderr,
                 "starquell: the replay differs at frame %u: recorded %08x, replayed %08x\n", frame,
                 it->crc, now);
  }
}

// A paint the playback did not ask for shows the last frame again without
// running another.
void showLastFrame(HWND hwnd) {
  PAINTSTRUCT ps = {};
  const HDC dc = BeginPaint(hwnd, &ps);
  const MainWindow& mw = g_shell.main_window;
  if (dc != nullptr && mw.hasPixels() && mw.memory_dc != nullptr) {
    BitBlt(dc, 0, 0, mw.width, mw.height, mw.memory_dc, 0, 0, SRCCOPY);
  }
  EndPaint(hwnd, &ps);
}

LRESULT watchPaint(HWND hwnd) {
  Session& s = g_session;
  const std::uint32_t frame = frameNow();
  const bool first = !s.painted_any && frame == 0 && wantedTicks(0) == 0 && !s.paused;
  if (s.ended || !(s.paint_requested || first)) {
    showLastFrame(hwnd);
    return 0;
  }
  if (first) deliverFrame(hwnd, 0);
  s.paint_requested = false;
  const LRESULT result = s.game(hwnd, WM_PAINT, 0, 0);
  if (frameNow() != frame + 1) return result;
  s.painted_any = true;
  s.passes = 0;
  checkFrame(frame);
  if (frame + 1 >= s.script.last_frame) {
    // The end: the picture the recorded game showed last stays. The window
    // shows each frame as the next paint starts, so that picture is the one
    // before the recording's last frame, which is not run.
    s.ended = true;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
  } else if (!s.paused && wantedTicks(frame + 1) == 0) {
    // A paint the window system asked for: the next frame follows at once.
    deliverFrame(hwnd, frame + 1);
    s.paint_requested = true;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
  }
  return result;
}

LRESULT CALLBACK watchProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Session& s = g_session;
  switch (message) {
    case WM_KEYDOWN:
      if (s.delivering) break;
      // Space pauses and resumes; nothing else typed reaches the game.
      if (wparam == VK_SPACE && (lparam & (LPARAM{1} << 30)) == 0) s.paused = !s.paused;
      return 0;
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (s.delivering) break;
      return 0;
    case WM_SIZE:
      // The recorded sizes only, once the first frame is out.
      if (s.moving || (!s.delivering && s.painted_any)) {
        return DefWindowProcA(hwnd, message, wparam, lparam);
      }
      break;
    case WM_PAINT:
      return watchPaint(hwnd);
    default:
      break;
  }
  return s.game(hwnd, message, wparam, lparam);
}

int startWatching(const ProgramOptions& options) {
  const char* path = options.play_path.c_str();
  std::string text;
  errno = 0;
  if (!readFile(path, &text)) {
    std::fprintf(stderr, "starquell: cannot read %s: %s\n", path,
                 errno != 0 ? std::strerror(errno) : "read error");
    return 2;
  }
  Session& s = g_session;
  std::string error;
  if (!parseScript(text, &s.script, &error)) {
    std::fprintf(stderr, "starquell: %s: %s\n", path, error.c_str());
    return 2;
  }
  if (const std::string why = refusal(s.script); !why.empty() && !options.force) {
    std::fprintf(stderr, "starquell: %s: %s (--force plays it anyway)\n", path, why.c_str());
    return 2;
  }
  for (const ScriptEvent& e : s.script.events) {
    if (e.kind == EventKind::Ticks) {
      s.ticks.push_back(e);
    } else if (e.kind == EventKind::Checkpoint) {
      s.checkpoints.push_back(e);
    } else {
      s.events.push_back(e);
    }
  }
  const auto by_frame = [](const ScriptEvent& a, const ScriptEvent& b) {
    return a.frame < b.frame;
  };
  for (auto* v : {&s.events, &s.ticks, &s.checkpoints}) {
    std::stable_sort(v->begin(), v->end(), by_frame);
  }
  s.mode = Mode::Watch;
  return SESSION_GOES_ON;
}

}  // namespace

int startSession(const char* command_line) {
  const ProgramOptions options = parseProgramOptions(splitWindowsCommandLine(command_line));
  switch (options.action) {
    case ProgramOptions::Action::Help:
      std::fputs(PROGRAM_USAGE, stdout);
      std::fflush(stdout);
      return 0;
    case ProgramOptions::Action::Version:
      std::printf("starquell %s\n", STARQUELL_VERSION);
      std::fflush(stdout);
      return 0;
    case ProgramOptions::Action::Fail:
      std::fprintf(stderr, "starquell: %s\n", options.error.c_str());
      return 2;
    case ProgramOptions::Action::Watch:
      return startWatching(options);
    case ProgramOptions::Action::Play:
      if (options.record != ProgramOptions::Record::Off) startRecording(options);
      return SESSION_GOES_ON;
  }
  return SESSION_GOES_ON;
}

const char* titleSuffix() { return g_session.mode == Mode::Watch ? " (replay)" : ""; }

WNDPROC sessionWindowProc(WNDPROC game) {
  g_session.game = game;
  switch (g_session.mode) {
    case Mode::Record:
      return recordingProc;
    case Mode::Watch:
      return watchProc;
    case Mode::Off:
      break;
  }
  return game;
}

IdleStep idlePass() {
  Session& s = g_session;
  if (s.mode == Mode::Record) {
    g_recorder.pass();
    return {};
  }
  if (s.mode != Mode::Watch) return {};
  // Paused, over, or a paint asked for that has not come (a window that
  // cannot paint now): the recorded game did not go on either.
  if (s.paused || s.ended || s.paint_requested) return {false, false};
  const HWND hwnd = g_shell.main_window.window;
  const std::uint32_t frame = frameNow();
  const int wanted = wantedTicks(frame);
  if (wanted > 0 && ++s.passes < wanted) return {false, true};
  deliverFrame(hwnd, frame);
  s.paint_requested = true;
  return {true, wanted > 0};
}

void endSession() { g_recorder.close(); }

const char* flushRecording() {
  if (g_session.mode != Mode::Record) return "";
  g_recorder.flush();
  return g_recorder.path();
}

void resetSession() {
  g_recorder.close();
  g_session = Session{};
}

}  // namespace input
