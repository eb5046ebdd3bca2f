#include "app/window_proc.h"

#include "display/back_buffer.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "game/input_messages.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

void onCommand(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  const std::int32_t id = LOWORD(wparam);
  ControlSlot* slot = MainWindow::controlSlot(&g_shell.main_window, id);
  const HWND control = reinterpret_cast<HWND>(lparam);
  if (slot != nullptr && id != 0) {
    if (slot->control_window == nullptr) {
      slot->control_window = control;
    } else if (slot->control_window != control) {
      ReportError(4171);
    }
  }
  SetFocus(hwnd);
}

}  // namespace

// WM_SIZE of a restored or maximised window: the buffer is dropped and made
// again at the new size by the next paint.
void MainWindow::resize(MainWindow* mw, std::int32_t width, std::int32_t height) {
  if (mw == nullptr) {
    ReportError(4621);
    return;
  }
  if (mw->window == nullptr) ReportError(4627);
  if (mw->BufferMadeMarker == BUFFER_MADE_MARKER) DestroyBackBuffer(mw);
  measureClient(mw);
  if (mw->width != width || mw->height != height) ReportError(4480);
  for (std::int32_t i = 0; i < mw->control_count; ++i) layoutControl(mw, i, 0);
  mw->frames_since_resize = 0;
}

void MainWindow::destroy(MainWindow* mw) {
  DestroyBackBuffer(mw);
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      MainWindow::attach(&g_shell.main_window, hwnd,
                         ATTACH_NO_SHOW | ATTACH_NO_UPDATE | ATTACH_NO_FOCUS);
      return 0;
    case WM_DESTROY:
      g_game.sound.shutdown();
      MainWindow::destroy(&g_shell.main_window);
      return 0;
    case WM_SIZE:
      if (wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED) {
        MainWindow::resize(&g_shell.main_window, LOWORD(lparam), HIWORD(lparam));
      }
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_PAINT:
      paintFrame();
      return 0;
    case WM_COMMAND:
      onCommand(hwnd, wparam, lparam);
      return 0;
    default:
      if (applyInputMessage(message, wparam)) return 0;
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}
