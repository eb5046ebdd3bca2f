// Drives the program's pieces the way the main loop does, without its endless
// loop: open the main window, run frames, deliver native input.
#pragma once

#include "platform/core/core.h"

// initShell, the title, and createMainWindow, as WinMain starts them.
HWND openMainWindow();
// Dispatches every waiting message, paints included, until none is left.
void dispatchAll();
// One idle pass's repaint request followed by its dispatch: one frame.
void runFrame();
// Delivers native events at once, as the next PeekMessageA would.
void deliver(const platform::NativeEvent& event);
platform::NativeEvent keyEvent(platform::NativeEventKind kind, UINT vk, bool repeat = false);
platform::NativeEvent sizeEvent(platform::NativeEventKind kind, int width, int height);
platform::NativeEvent buttonEvent(platform::NativeEventKind kind, int button);
