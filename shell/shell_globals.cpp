#include "shell/shell_globals.h"

#include <cstring>

ShellGlobals g_shell;

void resetShellGlobals() { g_shell = ShellGlobals{}; }

void resetInput() {
  std::memset(g_shell.KeyState, 0, sizeof g_shell.KeyState);
  std::memset(g_shell.MouseButtons, 0, sizeof g_shell.MouseButtons);
}

void initShell(HINSTANCE instance) {
  g_shell.ShellReadyMarker = SHELL_READY_MARKER;
  g_shell.control_instance = instance;
  g_shell.status_pending = 0;
  g_shell.pacer.mode = PACER_NOT_STARTED;
  resetInput();
}
