// A recorded game: every input the game consumes, at the frame whose paint
// sees it, every size it follows, the idle passes where they are not the
// usual one, and the frames' checkpoints, written as the game runs (in a
// network game with rollback: as its frames are confirmed). A game
// that shows a frame keeps every frame it ran however it ends (the window
// closed, a report answered No, a fatal sound error); a start that shows none
// leaves no file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "game/player_controls.h"
#include "record/checksum.h"
#include "record/data_folder.h"
#include "record/format.h"
#include "record/recorder.h"
#include "session/game_window.h"
#include "session/mode.h"
#include "shell/reports.h"

namespace session {

namespace {

// Only the game's keys are recorded, so a recording never holds what was
// typed for anything else.
bool isGameKey(WPARAM key) { return key == SHIP_KEY_BACK || key == SHIP_KEY_ON; }

// The sizes a recording can hold (its readers refuse others).
using Checksum = std::uint32_t (*)();

bool holdable(int width, int height) {
  return width >= record::MIN_CLIENT && width <= record::MAX_CLIENT &&
         height >= record::MIN_CLIENT && height <= record::MAX_CLIENT;
}

class Recording final : public Mode {
 public:
  LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  IdleStep idlePass() override {
    if (!confirmed_only_) recorder_.pass();
    return {};
  }
  void end() override;
  const char* flushRecording() override {
    if (!painted_any_) return "";
    recorder_.flush();
    return recorder_.path();
  }
  void confirmedOnly() override { confirmed_only_ = true; }
  void confirmed(std::uint32_t frame, const ConfirmedEvent* events, int count,
                 std::uint32_t crc) override;
  // The process ends without the window's end (a report answered No, a fatal
  // sound error): what was played is written out.
  void exiting();

  record::Recorder recorder_;

 private:
  // The client size the game starts with: the first line that names a
  // frame follows it.
  void ensureClient(HWND hwnd);
  // The window took a size no recording can hold: the recording ends with
  // the frames played so far, the game goes on.
  void endForSize(int width, int height);
  // The last painted frame's checksum, when the pixel memory still holds it;
  // the last confirmed frame's when only those are recorded.
  Checksum lastFrameChecksum() const {
    if (confirmed_only_) return confirmed_frames_ > 0 ? lastConfirmedChecksum : nullptr;
    return in_paint_ || !pixels_hold_last_frame_ ? nullptr : record::frameChecksum;
  }
  // The frames recorded: painted, or confirmed.
  std::uint32_t framesRecorded() const { return confirmed_only_ ? confirmed_frames_ : frameNow(); }
  static std::uint32_t lastConfirmedChecksum() { return g_last_confirmed_crc; }
  static std::uint32_t g_last_confirmed_crc;

  int client_width_ = 0;
  int client_height_ = 0;
  bool painted_any_ = false;
  // Inside the game's paint the pixel memory is on its way to the next frame.
  bool in_paint_ = false;
  // No size the game followed (which drops its buffer) since the last paint.
  bool pixels_hold_last_frame_ = false;
  // Rollback network play: only confirmed frames are recorded, as told.
  bool confirmed_only_ = false;
  std::uint32_t confirmed_frames_ = 0;
};

std::uint32_t Recording::g_last_confirmed_crc = 0;
Recording g_recording;

void recordingExits() { g_recording.exiting(); }

void Recording::ensureClient(HWND hwnd) {
  if (recorder_.hasClient()) return;
  RECT r = {};
  GetClientRect(hwnd, &r);
  client_width_ = r.right - r.left;
  client_height_ = r.bottom - r.top;
  if (!holdable(client_width_, client_height_)) {
    endForSize(client_width_, client_height_);
    return;
  }
  recorder_.client(client_width_, client_height_);
}

void Recording::endForSize(int width, int height) {
  if (!painted_any_) {
    std::fprintf(stderr,
                 "starquell: the window is %d x %d, which a recording cannot hold; the game goes "
                 "on unrecorded\n",
                 width, height);
    recorder_.discard();
  } else {
    const std::uint32_t frames = framesRecorded();
    std::fprintf(stderr,
                 "starquell: the window is %d x %d, which a recording cannot hold; the recording "
                 "ends at frame %u\n",
                 width, height, static_cast<unsigned>(frames - 1));
    recorder_.finish(frames, lastFrameChecksum());
    recorder_.close();
  }
  setExitHook(nullptr);
}

LRESULT Recording::message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!recorder_.active()) return callGame(hwnd, message, wparam, lparam);
  const std::uint32_t frame = frameNow();
  if (confirmed_only_) {
    // Frames run now may be run again: their input and paints go by
    // unrecorded (a network game's only size comes before frame 0 and is
    // the client line's).
    if (message == WM_DESTROY) recorder_.finish(framesRecorded(), lastFrameChecksum());
    return callGame(hwnd, message, wparam, lparam);
  }
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (isGameKey(wparam)) {
        ensureClient(hwnd);
        recorder_.key(frame, static_cast<unsigned>(wparam), message == WM_KEYDOWN);
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      ensureClient(hwnd);
      recorder_.mouse(frame, message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? 1 : 0,
                      message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN);
      break;
    case WM_SIZE:
      // Only the sizes the game follows; a minimised window keeps its buffer.
      if (wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED) {
        const int width = LOWORD(lparam);
        const int height = HIWORD(lparam);
        // Before the first paint the client line says it all, unless it is
        // out already and this is another size.
        const bool recorded =
            painted_any_ ||
            (recorder_.hasClient() && (width != client_width_ || height != client_height_));
        if (recorded && !holdable(width, height)) {
          endForSize(width, height);
        } else if (recorded) {
          client_width_ = width;
          client_height_ = height;
          recorder_.resize(frame, width, height);
        }
        pixels_hold_last_frame_ = false;
      }
      break;
    case WM_PAINT: {
      ensureClient(hwnd);
      const bool outer_in_paint = in_paint_;
      in_paint_ = true;
      const LRESULT result = callGame(hwnd, message, wparam, lparam);
      in_paint_ = outer_in_paint;
      if (frameNow() == frame + 1) {
        painted_any_ = true;
        pixels_hold_last_frame_ = true;
        recorder_.painted(frame, record::frameChecksum);
      }
      return result;
    }
    case WM_DESTROY:
      recorder_.finish(frame, lastFrameChecksum());
      break;
    default:
      break;
  }
  return callGame(hwnd, message, wparam, lparam);
}

void Recording::confirmed(std::uint32_t frame, const ConfirmedEvent* events, int count,
                          std::uint32_t crc) {
  if (!recorder_.active() || frame != confirmed_frames_) return;
  ensureClient(mainWindow());
  if (!recorder_.active()) return;
  // As a frame is played live: its idle pass (none before frame 0), its
  // input, its paint.
  if (frame > 0) recorder_.pass();
  for (int i = 0; i < count; ++i) {
    const ConfirmedEvent& e = events[i];
    if (e.mouse) {
      recorder_.mouse(frame, static_cast<int>(e.code), e.down);
    } else if (isGameKey(e.code)) {
      recorder_.key(frame, e.code, e.down);
    }
  }
  g_last_confirmed_crc = crc;
  recorder_.painted(frame, lastConfirmedChecksum);
  painted_any_ = true;
  confirmed_frames_ = frame + 1;
}

void Recording::end() {
  setExitHook(nullptr);
  if (painted_any_) {
    recorder_.close();
  } else {
    recorder_.discard();
  }
}

void Recording::exiting() {
  if (!painted_any_) {
    recorder_.discard();
    return;
  }
  recorder_.finish(framesRecorded(), lastFrameChecksum());
  recorder_.close();
}

}  // namespace

Mode* startRecording(const ProgramOptions& options, bool* refused) {
  *refused = false;
  g_recording = Recording{};
  const std::time_t now = std::time(nullptr);
  std::string path;
  std::string error;
  std::FILE* file = nullptr;
  std::string folder;
  if (options.record == ProgramOptions::Record::File) {
    path = options.record_path;
    errno = 0;
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      // Asked for by name: no game without it.
      std::fprintf(stderr, "starquell: cannot record to %s: %s\n", path.c_str(),
                   errno != 0 ? std::strerror(errno) : "cannot be created");
      *refused = true;
      return nullptr;
    }
  } else {
    folder = record::replaysFolder();
    if (folder.empty()) {
      path = "the data folder";
      error = "neither XDG_DATA_HOME nor HOME names one";
    } else {
      file = record::createRecording(folder, now, &path, &error);
    }
  }
  if (file == nullptr) {
    std::fprintf(stderr, "starquell: cannot record to %s: %s; the game goes on unrecorded\n",
                 path.c_str(), error.c_str());
    return nullptr;
  }
  if (!folder.empty()) {
    record::keepNewest(folder, record::KEPT_RECORDINGS, path.substr(path.find_last_of("/\\") + 1));
  }
  char started[32] = "unknown";
  if (const std::tm* utc = std::gmtime(&now)) {
    std::strftime(started, sizeof started, "%Y-%m-%dT%H:%M:%SZ", utc);
  }
  g_recording.recorder_.start(file, path.c_str(), STARQUELL_VERSION, started);
  setExitHook(recordingExits);
  return &g_recording;
}

}  // namespace session
