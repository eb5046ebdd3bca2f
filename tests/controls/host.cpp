#include "tests/controls/host.h"

#include "controls/control_toolkit.h"
#include "display/back_buffer.h"
#include "tests/support/program.h"

std::vector<Notification> ControlHost::notes;

namespace {

LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      MainWindow::attach(&g_shell.main_window, hwnd,
                         ATTACH_NO_SHOW | ATTACH_NO_UPDATE | ATTACH_NO_FOCUS);
      return 0;
    case WM_COMMAND:
      ControlHost::notes.push_back(Notification{LOWORD(wparam), HIWORD(wparam)});
      return 0;
    case WM_PAINT:
      BeginFramePaint(&g_shell.main_window, PAINT_PRESENT);
      EndFramePaint(&g_shell.main_window);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

void ControlHost::SetUp() {
  FreshState::SetUp();
  notes.clear();
  static int instance_marker = 0;
  initShell(reinterpret_cast<HINSTANCE>(&instance_marker));
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = hostProc;
  wc.lpszClassName = "ControlHost";
  ASSERT_NE(RegisterClassExA(&wc), 0);
  MainWindow::init(&mw, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
  host = CreateWindowExA(0, "ControlHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  dispatchAll();
}

int ControlHost::reports(int number) {
  const std::string text = "Error " + std::to_string(number) + " ";
  int n = 0;
  for (const auto& b : headless::boxes()) n += b.text.rfind(text, 0) == 0 ? 1 : 0;
  return n;
}

ControlSlot* ControlHost::make(std::int32_t kind, const char* text) {
  const std::int16_t n = MainWindow::createControl(&mw, kind, 0.5f, 0.5f, 0.3f, 0.2f, text, 0);
  return n < 0 ? nullptr : &mw.slots[n];
}

void ControlHost::clearControls() {
  for (const ControlSlot& s : mw.slots) DestroyWindow(s.control_window);
  MainWindow::releaseControls(&mw);
  mw.window = host;
}

std::string ControlHost::textOf(HWND control) {
  char buf[1024] = {};
  GetWindowTextA(control, buf, sizeof buf);
  return buf;
}

void ControlHost::paint() {
  InvalidateRect(host, nullptr, FALSE);
  dispatchAll();
}
