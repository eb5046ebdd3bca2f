#include "session/game_window.h"

#include "platform/key_message.h"
#include "shell/shell_globals.h"

namespace session {

namespace {

bool g_moving = false;

}  // namespace

HWND mainWindow() { return g_shell.main_window.window; }

std::uint32_t frameNow() { return g_shell.main_window.presented_frames; }

void sendKey(HWND hwnd, unsigned vk, bool down) {
  // A first press, or the release of a key that was down.
  SendMessageA(hwnd, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk),
               down ? platform::keyDownLParam(false) : platform::keyUpLParam());
}

void sendButton(HWND hwnd, int button, bool down) {
  const UINT message =
      button == 1 ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP) : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
  SendMessageA(hwnd, message, 0, 0);
}

void resizeClient(HWND hwnd, int width, int height) {
  RECT outer = {};
  RECT inner = {};
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &inner);
  const int frame_w = (outer.right - outer.left) - (inner.right - inner.left);
  const int frame_h = (outer.bottom - outer.top) - (inner.bottom - inner.top);
  g_moving = true;
  MoveWindow(hwnd, outer.left, outer.top, width + frame_w, height + frame_h, TRUE);
  g_moving = false;
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

bool sizeNotTheGames(bool delivering, bool painted_any) {
  return g_moving || (!delivering && painted_any);
}

void showLastFrame(HWND hwnd) {
  PAINTSTRUCT ps = {};
  const HDC dc = BeginPaint(hwnd, &ps);
  const MainWindow& mw = g_shell.main_window;
  if (dc != nullptr && mw.hasPixels() && mw.memory_dc != nullptr) {
    BitBlt(dc, 0, 0, mw.width, mw.height, mw.memory_dc, 0, 0, SRCCOPY);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace session
