// Internal state of platform/core: the window table, the registered classes and
// the message queue. Fixed-size tables, so nothing here allocates per message.
#pragma once

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
};

struct Queue {
  MSG items[QUEUE_CAPACITY] = {};
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
  std::uint32_t message_time = 0;
};

State& state();
Window* lookup(HWND hwnd);
const WindowClass* classOf(const Window& w);
bool isTopLevel(const Window& w);
void resetGdi();
// The colour a brush paints with; false for a brush that paints nothing.
bool brushColour(HBRUSH brush, std::uint32_t* rgb);

}  // namespace platform::core
