#include "app/entry.h"

#include <cstdio>

#include "app/computer_input.h"
#include "app/window_proc.h"
#include "game/game_state.h"
#include "game/random.h"
#include "session/session.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

int createMainWindow() {
  WNDCLASSEXA wndclass = {};
  wndclass.cbSize = sizeof(WNDCLASSEXA);
  wndclass.style = CS_HREDRAW | CS_VREDRAW;
  wndclass.lpfnWndProc = session::sessionWindowProc(MainWindowProc);
  wndclass.hInstance = g_shell.instance;
  wndclass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wndclass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
  wndclass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wndclass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wndclass.lpszMenuName = nullptr;
  wndclass.lpszClassName = window_class_name;
  if (RegisterClassExA(&wndclass) == 0) {
    ReportError(ERROR_CLASS_NOT_REGISTERED);
    return ERROR_CLASS_NOT_REGISTERED;
  }
  MainWindow::init(&g_shell.main_window, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
  const HWND hwnd =
      CreateWindowExA(0, window_class_name, g_shell.title,
                      session::fixedSize() ? WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX)
                                           : WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, nullptr,
                      nullptr, g_shell.instance, nullptr);
  if (hwnd == nullptr) {
    ReportError(ERROR_WINDOW_NOT_CREATED);
    return ERROR_WINDOW_NOT_CREATED;
  }
  g_shell.main_window.window = hwnd;
  UpdateWindow(hwnd);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR command_line, int /*show*/) {
  // The command line first: help, a bad option or an unreadable recording end
  // the program before any window opens.
  if (const int status = session::startSession(command_line); status != session::SESSION_GOES_ON) {
    return status;
  }
  g_shell.instance = instance;
  startComputer(session::computerChoice());
  std::snprintf(g_shell.title, sizeof g_shell.title, "%s%s%s", WINDOW_TITLE, session::titleSuffix(),
                computerTitleSuffix());
  initShell(instance);
  g_shell.pacer.start(FRAMES_PER_SECOND);
  // Without a window nothing could ever end the loop: end here instead.
  if (const int failure = createMainWindow(); failure != 0) {
    session::endSession();
    stopComputer();
    return failure;
  }
  seedRandom(RANDOM_SEED);

  MSG msg = {};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (isComputersControl(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    // Idle pass: play what the last frame asked for, wait for the next frame,
    // give the computer's input for it (as a person's arrives: before the
    // paint), ask for its paint.
    g_game.sound.update();
    if (g_shell.pacer.frameDue() != 0) {
      computerBeforeFrame(g_shell.main_window.window, g_shell.main_window.presented_frames);
      const session::IdleStep step = session::idlePass();
      if (step.redraw) MainWindow::requestRedraw(&g_shell.main_window);
      if (step.tick) tickRandom();
    }
  }
  session::endSession();
  stopComputer();
  return session::exitStatus(static_cast<int>(msg.wParam));
}
