// The main window's procedure: input bytes, the frame on every paint, the
// record's binding, size changes and teardown.
#pragma once

#include "platform/win32.h"

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
