// On Linux the platform layer owns main(): it hands the program its WinMain
// arguments as Windows would (the command line after the program name, each
// argument quoted so that Windows' rules split it back unchanged) and returns
// WinMain's result as the exit status.
#include <string>

#include "platform/core/core.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
  // The instance handle only has to be non-null and stable for the process.
  static int module_marker = 0;
  auto* instance = reinterpret_cast<HINSTANCE>(&module_marker);
  std::string command_line = platform::windowsCommandLine(argc - 1, argv + 1);
  return WinMain(instance, nullptr, command_line.data(), SW_SHOWNORMAL);
}
