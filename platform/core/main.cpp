// On Linux the platform layer owns main(): it hands the program its WinMain
// arguments as Windows would and returns WinMain's result as the exit status.
#include "platform/win32.h"

namespace {
char g_command_line[1] = {0};
}

int main() {
  // The instance handle only has to be non-null and stable for the process.
  static int module_marker = 0;
  auto* instance = reinterpret_cast<HINSTANCE>(&module_marker);
  return WinMain(instance, nullptr, g_command_line, SW_SHOWNORMAL);
}
