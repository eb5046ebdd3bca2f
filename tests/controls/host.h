// A main window for the toolkit's tests: bound to the shell's MainWindow
// record like the program's own, painting with the frame wrappers, and
// recording every notification its controls send.
#pragma once

#include <string>
#include <vector>

#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"

struct Notification {
  int id;
  int code;
};

class ControlHost : public FreshState {
 public:
  static std::vector<Notification> notes;  // WM_COMMAND of the host, in order

 protected:
  void SetUp() override;
  // Reports shown with this number so far.
  static int reports(int number);
  // A control in the next free slot, centred in the client area.
  ControlSlot* make(std::int32_t kind, const char* text = "");
  // Destroys every control and frees the ten slots again.
  void clearControls();
  // The window text of a control.
  static std::string textOf(HWND control);
  // One paint of the host, as a frame runs it.
  void paint();

  MainWindow& mw = g_shell.main_window;
  HWND host = nullptr;
};
