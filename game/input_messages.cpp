#include "game/input_messages.h"

#include "shell/shell_globals.h"

InputMessage keyMessage(std::uint32_t vk, bool down) {
  return InputMessage{static_cast<UINT>(down ? WM_KEYDOWN : WM_KEYUP), static_cast<WPARAM>(vk)};
}

InputMessage buttonMessage(int button, bool down) {
  if (button == MOUSE_RIGHT) {
    return InputMessage{static_cast<UINT>(down ? WM_RBUTTONDOWN : WM_RBUTTONUP), 0};
  }
  return InputMessage{static_cast<UINT>(down ? WM_LBUTTONDOWN : WM_LBUTTONUP), 0};
}

bool applyInputMessage(UINT message, WPARAM wparam) {
  std::int8_t* keys = g_shell.KeyState;
  std::int8_t* mouse = g_shell.MouseButtons;
  switch (message) {
    case WM_KEYDOWN:
      if (wparam > 0 && wparam < KEY_COUNT) keys[wparam] = 1;
      return true;
    case WM_KEYUP:
      if (wparam > 0 && wparam < KEY_COUNT) keys[wparam] = -1;
      return true;
    case WM_LBUTTONDOWN:
      mouse[MOUSE_LEFT] = 1;
      return true;
    case WM_LBUTTONUP:
      mouse[MOUSE_LEFT] = -1;
      return true;
    case WM_RBUTTONDOWN:
      mouse[MOUSE_RIGHT] = 1;
      return true;
    case WM_RBUTTONUP:
      mouse[MOUSE_RIGHT] = -1;
      return true;
    default:
      return false;
  }
}
