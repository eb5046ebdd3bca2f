// Start-up of the program: the window class and the main window.
#pragma once

#include "platform/win32.h"

inline constexpr char WINDOW_TITLE[] = "Starquell. Early concept demo only.";
inline constexpr char window_class_name[] = "MixWin0";
inline constexpr int FRAMES_PER_SECOND = 60;
inline constexpr unsigned char RANDOM_SEED = 10;

// Reported when the window class cannot be registered or the window cannot be
// made; the program then ends with that number, since nothing could end it later.
inline constexpr int ERROR_CLASS_NOT_REGISTERED = 4173;
inline constexpr int ERROR_WINDOW_NOT_CREATED = 4174;

// Registers the class and creates, updates and shows the main window. Returns
// 0, or the number already reported when the class or the window failed.
int createMainWindow();
