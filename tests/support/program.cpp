#include "tests/support/program.h"

#include <cstdio>

#include "app/entry.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"

namespace {
int g_instance_marker = 0;
}

HWND openMainWindow() {
  auto* instance = reinterpret_cast<HINSTANCE>(&g_instance_marker);
  g_shell.instance = instance;
  std::snprintf(g_shell.title, sizeof g_shell.title, "%s", WINDOW_TITLE);
  initShell(instance);
  if (createMainWindow() != 0) return nullptr;
  return g_shell.main_window.window;
}

void dispatchAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void runFrame() {
  MainWindow::requestRedraw(&g_shell.main_window);
  dispatchAll();
}

void deliver(const platform::NativeEvent& event) {
  headless::inject(event);
  dispatchAll();
}

platform::NativeEvent keyEvent(platform::NativeEventKind kind, UINT vk, bool repeat) {
  platform::NativeEvent e;
  e.kind = kind;
  e.vk = vk;
  e.repeat = repeat;
  return e;
}

platform::NativeEvent sizeEvent(platform::NativeEventKind kind, int width, int height) {
  platform::NativeEvent e;
  e.kind = kind;
  e.width = width;
  e.height = height;
  return e;
}

platform::NativeEvent buttonEvent(platform::NativeEventKind kind, int button) {
  platform::NativeEvent e;
  e.kind = kind;
  e.button = button;
  return e;
}
