// Internal state of platform/core: the window table, the registered classes and
// the message queue. Fixed-size tables, so nothing here allocates per message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/core/core.h"

namespace platform::core {

inline constexpr int MAX_CLASSES = 32;
inline constexpr int MAX_WINDOWS = 64;
inline constexpr int QUEUE_CAPACITY = 1024;
inline constexpr int CLASS_NAME_MAX = 64;
inline constexpr int WINDOW_TEXT_MAX = 1024;

struct WindowClass {
  bool used = false;
  char name[CLASS_NAME_MAX] = {};
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HBRUSH background = nullptr;
};

struct Window {
  bool used = false;
  std::uint32_t generation = 0;
  HWND handle = nullptr;
  int class_index = -1;
  WNDPROC proc = nullptr;
  HWND parent = nullptr;
  HMENU menu = nullptr;
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  char text[WINDOW_TEXT_MAX] = {};
  int x = 0, y = 0;
  int outer_width = 0, outer_height = 0;
  int client_width = 0, client_height = 0;
  bool visible = false;
  bool shown_once = false;
  bool minimised = false;
  bool invalid = false;
  bool erase_pending = false;
  bool destroying = false;
  RECT update = {};    // bounding box of the invalid area, client coordinates
  RECT painting = {};  // the area of the paint in progress (erased by WM_ERASEBKGND)
};

struct Queue {
  MSG items[QUEUE_CAPACITY] = {};
  // Keyboard input whose window is the top-level window it arrived at: it
  // goes to whichever window has the focus when it is read.
  bool keyboard[QUEUE_CAPACITY] = {};
  int head = 0;
  int count = 0;
  bool quit_posted = false;
  int quit_code = 0;
};

struct State {
  WindowClass classes[MAX_CLASSES];
  Window windows[MAX_WINDOWS];
  std::uint32_t next_generation = 1;
  Queue queue;
  HWND focus = nullptr;
  HWND capture = nullptr;
  std::uint32_t message_time = 0;
  bool key_down[256] = {};
  bool caps_lock = false;
  bool faults[static_cast<int>(CoreFault::Count)] = {};
  DWORD dialog_error = 0;  // CommDlgExtendedError
};

State& state();
Window* lookup(HWND hwnd);
const WindowClass* classOf(const Window& w);
bool isTopLevel(const Window& w);
void resetGdi();
void resetControls();
void resetFonts();
void resetFiles();
// Registers a system control class ("BUTTON", "EDIT", "LISTBOX", "COMBOBOX")
// on first use; false for any other name.
bool registerSystemClass(const char* name);
// Case-blind comparison of two NUL-terminated names.
bool sameName(const char* a, const char* b);
// Copies at most capacity - 1 bytes and a NUL; nothing when capacity is 0.
void copyText(char* dst, std::size_t capacity, const char* src);
// Sends WM_COMMAND with the control's id and a notification code to its parent.
void notifyParent(HWND control, WORD code);
// Bumps the look of a control so that backends draw it again.
void controlChanged(HWND control);
// Fonts created by CreateFontA (fonts.cpp), used by the GDI calls.
bool isCreatedFont(HGDIOBJ object);
void fontSelected(HGDIOBJ font, int delta);  // a device context took (+1) or dropped (-1) it
bool deleteFont(HGDIOBJ font);
bool fontMetrics(HGDIOBJ font, TEXTMETRICA* tm);
// True once when a fault was ordered for this call (failNextCall).
bool takeFault(CoreFault call);
// Paths: the native form "/a/b" and the Windows form "Z:\a\b". False when the
// result does not fit.
bool toWindowsPath(const char* native, char* out, std::size_t capacity);
bool toNativePath(const char* windows, char* out, std::size_t capacity);
// The colour a brush paints with; false for a brush that paints nothing.
bool brushColour(HBRUSH brush, std::uint32_t* rgb);

}  // namespace platform::core
