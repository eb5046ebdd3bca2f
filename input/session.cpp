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
#include "net/lockstep.h"
#include "net/udp.h"
#include "shell/shell_globals.h"

namespace input {

namespace {

enum class Mode { Off, Record, Watch, Network };

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
  // A network game: the other side's input comes through the core; this
  // side's goes to it, not to the game.
  net::UdpTransport* transport = nullptr;
  net::Lockstep* core = nullptr;
  net::ControlSampler sampler;
  WNDPROC inner = nullptr;  // the recorder's procedure or the game's
  std::uint16_t port = 0;
  net::Config config;  // the core's, completed once the window is there
  std::uint32_t clock_start = 0;
  std::uint32_t waiting_since = 0;
  bool waiting = false;
  bool titled_waiting = false;
  bool over = false;  // the game has ended (a box shown or the window closing)
  int status = -1;    // the status to end with, when not the loop's
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

// A watched or network game's client size is the one the game was given (a
// recording's sizes, the host's), delivered by the session itself; a size the
// window system gives once the first frame is out, or while the session moves
// the window, does not reach the game.
bool sizeNotTheGames(const Session& s) { return s.moving || (!s.delivering && s.painted_any); }

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
      if (sizeNotTheGames(s)) return DefWindowProcA(hwnd, message, wparam, lparam);
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

// ---- A network game --------------------------------------------------------------

constexpr std::uint32_t WAIT_TITLE_MS = 1000;

// Milliseconds on the performance counter, from the session's start.
std::uint32_t netNow() {
  LARGE_INTEGER count = {};
  LARGE_INTEGER frequency = {};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  if (frequency.QuadPart <= 0) return 0;
  const auto ms = static_cast<std::uint64_t>(count.QuadPart) * 1000u /
                  static_cast<std::uint64_t>(frequency.QuadPart);
  return static_cast<std::uint32_t>(ms) - g_session.clock_start;
}

// "0.1.0 (game logic 1)", and the network protocol when the two sides' differ.
std::string versionText(const net::ProgramVersions& v, bool protocol) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch) +
         " (game logic " + std::to_string(v.logic) +
         (protocol ? ", network protocol " + std::to_string(v.protocol) : "") + ")";
}

net::ProgramVersions ourVersions() {
  net::ProgramVersions v;
  v.logic = static_cast<std::uint16_t>(LOGIC_VERSION);
  unsigned major = 0;
  unsigned minor = 0;
  unsigned patch = 0;
  std::sscanf(STARQUELL_VERSION, "%u.%u.%u", &major, &minor, &patch);
  v.major = static_cast<std::uint8_t>(major);
  v.minor = static_cast<std::uint8_t>(minor);
  v.patch = static_cast<std::uint8_t>(patch);
  return v;
}

void setTitle(const std::string& text) {
  if (g_shell.main_window.window != nullptr) {
    SetWindowTextA(g_shell.main_window.window, text.c_str());
  }
}

// The game's end over the network: a box naming why, then the window closes.
void endNetworkGame() {
  Session& s = g_session;
  const net::Lockstep& core = *s.core;
  std::string text;
  s.status = 1;
  switch (core.state()) {
    case net::State::VersionMismatch: {
      const bool protocol = core.peerVersions().protocol != ourVersions().protocol;
      text = "The other player runs Starquell " + versionText(core.peerVersions(), protocol) +
             "; this is " + versionText(ourVersions(), protocol) + ".";
      break;
    }
    case net::State::Full:
      text = "The other player's game has its two players already.";
      break;
    case net::State::PeerLeft:
      text = "The other player has left.";
      s.status = 0;
      break;
    case net::State::NotAnswering:
      text = "The other player is not answering.";
      break;
    case net::State::Desync:
      text = "The two games differ from frame " + std::to_string(core.desyncFrame()) + ".";
      break;
    default:
      return;
  }
  s.over = true;
  const HWND hwnd = g_shell.main_window.window;
  MessageBoxA(hwnd, text.c_str(), "Starquell", MB_OK | MB_ICONINFORMATION);
  if (hwnd != nullptr) PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT networkPaint(HWND hwnd) {
  Session& s = g_session;
  if (!s.paint_requested) {
    showLastFrame(hwnd);
    return 0;
  }
  s.paint_requested = false;
  const std::uint32_t frame = frameNow();
  const LRESULT result = s.inner(hwnd, WM_PAINT, 0, 0);
  if (frameNow() == frame + 1) {
    s.painted_any = true;
    if (s.core != nullptr) s.core->setFrameCrc(frame, pixelCrc());
  }
  return result;
}

LRESULT CALLBACK networkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Session& s = g_session;
  net::Control control;
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (s.delivering) break;
      // Z and X steer this side's ship; a held key's repeats change nothing.
      if (net::controlFor(false, static_cast<int>(wparam), &control)) {
        if (message == WM_KEYUP) {
          s.sampler.release(control);
        } else if ((lparam & (LPARAM{1} << 30)) == 0) {
          s.sampler.press(control);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (s.delivering) break;
      net::controlFor(true, message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? 1 : 0, &control);
      if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        s.sampler.press(control);
      } else {
        s.sampler.release(control);
      }
      return 0;
    case WM_SIZE:
      if (sizeNotTheGames(s)) return DefWindowProcA(hwnd, message, wparam, lparam);
      break;
    case WM_PAINT:
      return networkPaint(hwnd);
    case WM_DESTROY:
      if (s.core != nullptr &&
          (s.core->state() == net::State::Running || s.core->state() == net::State::Connecting)) {
        s.core->leave(*s.transport);
      }
      break;
    default:
      break;
  }
  return s.inner(hwnd, message, wparam, lparam);
}

IdleStep networkPass() {
  Session& s = g_session;
  if (s.over) return {false, false};
  if (s.core == nullptr) {
    // The game's client size is the host's.
    RECT r = {};
    GetClientRect(g_shell.main_window.window, &r);
    s.config.width = static_cast<std::uint16_t>(std::clamp<LONG>(r.right - r.left, 16, 4096));
    s.config.height = static_cast<std::uint16_t>(std::clamp<LONG>(r.bottom - r.top, 16, 4096));
    s.core = new net::Lockstep(s.config);
    s.clock_start = 0;
    s.clock_start = netNow();
    if (s.port != 0) {
      char title[80];
      std::snprintf(title, sizeof title, "Starquell. Waiting for the other player on port %u.",
                    static_cast<unsigned>(s.port));
      setTitle(title);
    }
  }
  net::Lockstep& core = *s.core;
  const std::uint32_t now = netNow();
  core.poll(*s.transport, now);
  if (core.state() != net::State::Running && core.state() != net::State::Connecting) {
    endNetworkGame();
    return {false, false};
  }
  if (s.paint_requested) return {false, false};
  const std::uint32_t frame = frameNow();
  if (!core.ready()) {
    if (!s.waiting) {
      s.waiting = true;
      s.waiting_since = now;
    }
    if (!s.titled_waiting && (core.state() == net::State::Running || s.port == 0) &&
        now - s.waiting_since >= WAIT_TITLE_MS) {
      s.titled_waiting = true;
      setTitle("Starquell. Waiting for the other player.");
    }
    return {false, false};
  }
  s.waiting = false;
  if (s.titled_waiting || (frame == 0 && s.port != 0)) {
    s.titled_waiting = false;
    setTitle(g_shell.title);
  }
  const HWND hwnd = g_shell.main_window.window;
  s.delivering = true;
  if (frame == 0) {
    // Both sides play in the host's client size.
    RECT r = {};
    GetClientRect(hwnd, &r);
    if (r.right - r.left != core.width() || r.bottom - r.top != core.height()) {
      resizeClient(hwnd, core.width(), core.height());
    }
  }
  core.setLocalControls(s.sampler.take());
  net::GameEvent events[net::MAX_FRAME_EVENTS];
  const int count = core.advance(events);
  for (int i = 0; i < count; ++i) {
    const net::GameEvent& e = events[i];
    if (e.mouse) {
      SendMessageA(hwnd,
                   e.code == 1 ? (e.down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                               : (e.down ? WM_LBUTTONDOWN : WM_LBUTTONUP),
                   0, 0);
    } else {
      SendMessageA(hwnd, e.down ? WM_KEYDOWN : WM_KEYUP, e.code,
                   e.down ? 1 : static_cast<LPARAM>(0xC0000001u));
    }
  }
  s.delivering = false;
  core.poll(*s.transport, now);  // this frame's controls go out at once
  s.paint_requested = true;
  // As the replay runner plays a frame: no idle pass before frame 0, one before each other.
  const bool tick = frame > 0;
  if (tick && s.inner == recordingProc) g_recorder.pass();
  return {true, tick};
}

int startNetwork(const ProgramOptions& options) {
  Session& s = g_session;
  net::Config config;
  config.side =
      options.network == ProgramOptions::Network::Host ? net::Player::Host : net::Player::Joiner;
  config.versions = ourVersions();
  config.delay = options.delay;
  s.transport = new net::UdpTransport();
  std::string error;
  bool ok = false;
  if (config.side == net::Player::Host) {
    ok = s.transport->listen(options.port, &error);
    s.port = options.port;
  } else {
    ok =
        net::UdpTransport::resolve(options.join_host.c_str(), options.port, &config.peer, &error) &&
        s.transport->openFor(config.peer, &error);
  }
  if (!ok) {
    std::fprintf(stderr, "starquell: %s\n", error.c_str());
    g_recorder.close();
    delete s.transport;
    s.transport = nullptr;
    return 2;
  }
  s.config = config;
  s.inner = s.mode == Mode::Record ? recordingProc : nullptr;
  s.mode = Mode::Network;
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
      if (options.network != ProgramOptions::Network::Off) return startNetwork(options);
      return SESSION_GOES_ON;
  }
  return SESSION_GOES_ON;
}

const char* titleSuffix() { return g_session.mode == Mode::Watch ? " (replay)" : ""; }

bool fixedSize() { return g_session.mode == Mode::Network; }

int exitStatus(int status) { return g_session.status >= 0 ? g_session.status : status; }

WNDPROC sessionWindowProc(WNDPROC game) {
  g_session.game = game;
  if (g_session.inner == nullptr) g_session.inner = game;
  switch (g_session.mode) {
    case Mode::Network:
      return networkProc;
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
  if (s.mode == Mode::Network) return networkPass();
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

void endSession() {
  g_recorder.close();
  delete g_session.core;
  g_session.core = nullptr;
  delete g_session.transport;
  g_session.transport = nullptr;
}

const char* flushRecording() {
  if (g_session.mode != Mode::Record) return "";
  g_recorder.flush();
  return g_recorder.path();
}

void resetSession() {
  endSession();
  g_session = Session{};
}

}  // namespace input
