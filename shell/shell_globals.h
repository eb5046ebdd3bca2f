// The shell's static state: everything the application shell and the display
// keep for the whole process. The game's own state is GameGlobals (game/);
// the two are split only so that the libraries form no cycle.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "shell/frame_pacer.h"
#include "shell/main_window.h"

inline constexpr std::uint32_t SHELL_READY_MARKER = 784628;
inline constexpr int TITLE_CAPACITY = 256;
inline constexpr int STATUS_TEXT_SIZE = 255;
inline constexpr int WORK_BUFFER_SIZE = 512;
inline constexpr int KEY_COUNT = 256;
inline constexpr int MOUSE_LEFT = 0;
inline constexpr int MOUSE_RIGHT = 1;

struct ShellGlobals {
  std::uint32_t ShellReadyMarker = 0;
  HINSTANCE instance = nullptr;          // as given to WinMain
  HINSTANCE control_instance = nullptr;  // the second copy, for child controls
  char title[TITLE_CAPACITY] = {};
  // Input bytes: 0 up, 1 fresh press, 2..127 held, -1 (255) released.
  std::int8_t KeyState[KEY_COUNT] = {};
  std::int8_t MouseButtons[2] = {};
  FramePacer pacer;
  std::int32_t err_context = 0;
  // Status text waiting to be pushed to the status control at the end of a paint.
  std::uint8_t status_pending = 0;
  char status_text[STATUS_TEXT_SIZE] = {};
  ControlSlot* status_control = nullptr;  // set by the control text filter
  // The control toolkit's scratch space for class names and control text.
  // Shell state rather than game state, so that the toolkit needs no game.
  char work_buffer[WORK_BUFFER_SIZE] = {};
  MainWindow main_window;
};

extern ShellGlobals g_shell;

// Puts the shell state back to its state before the process entry ran.
void resetShellGlobals();

// Start-up of the shell state: marker, second instance copy, pending status
// cleared, pacer not started, input bytes cleared.
void initShell(HINSTANCE instance);

// All key and mouse bytes to 0.
void resetInput();
