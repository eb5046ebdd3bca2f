// Watching a recording in the window: its input goes to the game's procedure
// just before the paint of its frame, and the idle passes ask for paints and
// tick the random channels as the recorded game did. Live input does not
// reach the game; Space pauses. Checkpoints are compared as it plays.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/key_message.h"
#include "record/checksum.h"
#include "record/format.h"
#include "record/playback.h"
#include "session/game_window.h"
#include "session/mode.h"
#include "shell/shell_globals.h"

namespace session {

namespace {

class Watching final : public Mode {
 public:
  LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  IdleStep idlePass() override;
  const char* titleSuffix() const override {
    return ended_ ? " (replay, ended)" : paused_ ? " (replay, paused)" : " (replay)";
  }

  record::Playback playback_;

 private:
  void deliverFrame(HWND hwnd, std::uint32_t frame);
  void checkFrame(std::uint32_t frame);
  LRESULT paint(HWND hwnd);
  void retitle(HWND hwnd) const;

  int passes_ = 0;
  bool painted_any_ = false;
  bool paint_requested_ = false;
  bool paused_ = false;
  bool ended_ = false;
  bool delivering_ = false;  // the playback's own messages are let through
  bool differed_ = false;
};

Watching g_watching;

// Hands the game the recorded input of every frame up to `frame`.
void Watching::deliverFrame(HWND hwnd, std::uint32_t frame) {
  delivering_ = true;
  while (const record::ScriptEvent* e = playback_.next(frame)) {
    switch (e->kind) {
      case record::EventKind::Key:
        sendKey(hwnd, static_cast<unsigned>(e->code), e->down);
        break;
      case record::EventKind::Mouse:
        sendButton(hwnd, e->code, e->down);
        break;
      case record::EventKind::Resize:
        resizeClient(hwnd, e->width, e->height);
        break;
      default:
        break;
    }
  }
  delivering_ = false;
}

void Watching::checkFrame(std::uint32_t frame) {
  if (differed_) return;
  for (const record::ScriptEvent& c : playback_.checkpoints(frame)) {
    const std::uint32_t now = record::frameChecksum();
    if (now != c.crc) {
      differed_ = true;
      std::fprintf(stderr,
                   "starquell: the replay differs at frame %u: recorded %08x, replayed %08x\n",
                   frame, c.crc, now);
      return;
    }
  }
}

// The title says whether the recording plays, waits or has ended.
void Watching::retitle(HWND hwnd) const {
  // The window was made with the game's title and " (replay)".
  static constexpr char PLAYING[] = " (replay)";
  char title[sizeof g_shell.title + 32];
  std::snprintf(title, sizeof title, "%s", g_shell.title);
  const std::size_t length = std::strlen(title);
  if (length >= sizeof PLAYING - 1 &&
      std::strcmp(title + length - (sizeof PLAYING - 1), PLAYING) == 0) {
    title[length - (sizeof PLAYING - 1)] = '\0';
  }
  std::strncat(title, titleSuffix(), sizeof title - std::strlen(title) - 1);
  SetWindowTextA(hwnd, title);
}

LRESULT Watching::paint(HWND hwnd) {
  const std::uint32_t frame = frameNow();
  const bool first = !painted_any_ && frame == 0 && playback_.passes(0) == 0 && !paused_;
  if (ended_ || !(paint_requested_ || first)) {
    showLastFrame(hwnd);
    return 0;
  }
  if (first) deliverFrame(hwnd, 0);
  paint_requested_ = false;
  const LRESULT result = callGame(hwnd, WM_PAINT, 0, 0);
  if (frameNow() != frame + 1) return result;
  painted_any_ = true;
  passes_ = 0;
  checkFrame(frame);
  if (frame + 1 >= playback_.lastFrame()) {
    // The end: the picture the recorded game showed last stays. The window
    // shows each frame as the next paint starts, so that picture is the one
    // before the recording's last frame, which is not run.
    ended_ = true;
    retitle(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
  } else if (!paused_ && playback_.passes(frame + 1) == 0) {
    // A paint the window system asked for: the next frame follows at once.
    deliverFrame(hwnd, frame + 1);
    paint_requested_ = true;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
  }
  return result;
}

LRESULT Watching::message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
      if (delivering_) break;
      // Space pauses and resumes; nothing else typed reaches the game.
      if (wparam == VK_SPACE && !platform::isKeyRepeat(lparam)) {
        paused_ = !paused_;
        retitle(hwnd);
      }
      return 0;
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (delivering_) break;
      return 0;
    case WM_SIZE:
      if (sizeNotTheGames(delivering_, painted_any_)) {
        return DefWindowProcA(hwnd, message, wparam, lparam);
      }
      break;
    case WM_PAINT:
      return paint(hwnd);
    default:
      break;
  }
  return callGame(hwnd, message, wparam, lparam);
}

IdleStep Watching::idlePass() {
  // Paused, over, or a paint asked for that has not come (a window that
  // cannot paint now): the recorded game did not go on either.
  if (paused_ || ended_ || paint_requested_) return {false, false};
  const std::uint32_t frame = frameNow();
  const int wanted = playback_.passes(frame);
  if (wanted > 0 && ++passes_ < wanted) return {false, true};
  deliverFrame(mainWindow(), frame);
  paint_requested_ = true;
  return {true, wanted > 0};
}

// Why a recording cannot be watched, on standard error and in a box: the
// game may have been started from a file manager, with no terminal to see.
void refuse(const std::string& why) {
  std::fprintf(stderr, "starquell: %s\n", why.c_str());
  MessageBoxA(nullptr, why.c_str(), "Starquell", MB_OK | MB_ICONHAND);
}

}  // namespace

Mode* startWatching(const ProgramOptions& options) {
  g_watching = Watching{};
  const std::string& path = options.play_path;
  record::Script script;
  std::string error;
  if (!record::readScript(path, &script, &error, true)) {
    refuse(error);
    return nullptr;
  }
  if (const std::string why = record::refusal(script); !why.empty() && !options.force) {
    refuse(path + ": " + why + " (--force plays it anyway)");
    return nullptr;
  }
  if (script.cut) std::fprintf(stderr, "starquell: %s\n", record::cutNote(path, script).c_str());
  g_watching.playback_ = record::Playback(script);
  return &g_watching;
}

}  // namespace session
