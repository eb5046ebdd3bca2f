// A recorded game: every input the game consumes, at the frame whose paint
// sees it, every size it follows, the idle passes where they are not the
// usual one, and the frames' checkpoints, written as the game runs.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "game/player_controls.h"
#include "record/checksum.h"
#include "record/data_folder.h"
#include "record/recorder.h"
#include "session/game_window.h"
#include "session/mode.h"

namespace session {

namespace {

// Only the game's keys are recorded, so a recording never holds what was
// typed for anything else.
bool isGameKey(WPARAM key) { return key == SHIP_KEY_BACK || key == SHIP_KEY_ON; }

class Recording final : public Mode {
 public:
  LRESULT message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  IdleStep idlePass() override {
    recorder_.pass();
    return {};
  }
  void end() override { recorder_.close(); }
  const char* flushRecording() override {
    recorder_.flush();
    return recorder_.path();
  }

  record::Recorder recorder_;

 private:
  // The client size the game starts with: the first line that names a
  // frame follows it.
  void ensureClient(HWND hwnd);

  int client_width_ = 0;
  int client_height_ = 0;
  bool painted_any_ = false;
};

Recording g_recording;

void Recording::ensureClient(HWND hwnd) {
  if (recorder_.hasClient()) return;
  RECT r = {};
  GetClientRect(hwnd, &r);
  client_width_ = r.right - r.left;
  client_height_ = r.bottom - r.top;
  recorder_.client(client_width_, client_height_);
}

LRESULT Recording::message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const std::uint32_t frame = frameNow();
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
        if (painted_any_) {
          recorder_.resize(frame, width, height);
        } else if (recorder_.hasClient() && (width != client_width_ || height != client_height_)) {
          client_width_ = width;
          client_height_ = height;
          recorder_.resize(frame, width, height);
        }
      }
      break;
    case WM_PAINT: {
      ensureClient(hwnd);
      const LRESULT result = callGame(hwnd, message, wparam, lparam);
      if (frameNow() == frame + 1) {
        painted_any_ = true;
        recorder_.painted(frame, record::frameChecksum);
      }
      return result;
    }
    case WM_DESTROY:
      recorder_.finish(frame, record::frameChecksum);
      break;
    default:
      break;
  }
  return callGame(hwnd, message, wparam, lparam);
}

}  // namespace

Mode* startRecording(const ProgramOptions& options) {
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
    if (file == nullptr) error = errno != 0 ? std::strerror(errno) : "cannot be created";
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
  if (!folder.empty()) record::keepNewest(folder, record::KEPT_RECORDINGS);
  char started[32] = "unknown";
  if (const std::tm* utc = std::gmtime(&now)) {
    std::strftime(started, sizeof started, "%Y-%m-%dT%H:%M:%SZ", utc);
  }
  g_recording.recorder_.start(file, path.c_str(), STARQUELL_VERSION, started);
  return &g_recording;
}

}  // namespace session
