// Child controls of the main window: push buttons, edit fields, list boxes
// and combo boxes in the ten control slots of the MainWindow record, laid out
// in proportion to its client area. The slot operations themselves are
// members of MainWindow and ControlSlot (shell/main_window.h); this header
// adds the control kinds, the text filter's field mask and the free helpers.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "shell/main_window.h"

// Kinds of MainWindow::createControl.
inline constexpr std::int32_t CONTROL_BUTTON = 1;
inline constexpr std::int32_t CONTROL_COMBO = 2;
inline constexpr std::int32_t CONTROL_LIST = 3;
inline constexpr std::int32_t CONTROL_SORTED_LIST = 4;
inline constexpr std::int32_t CONTROL_EDIT = 5;

// Window styles of the kinds.
inline constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE;
inline constexpr DWORD COMBO_STYLE =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT | CBS_LOWERCASE;
inline constexpr DWORD LIST_STYLE =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
inline constexpr DWORD SORTED_LIST_STYLE = LIST_STYLE | LBS_SORT;
inline constexpr DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER;

// Field mask of ControlSlot::filterText; the bits combine.
inline constexpr std::int32_t TEXT_LETTERS = 1;        // A-Z, a-z
inline constexpr std::int32_t TEXT_DIGITS = 2;         // 0-9
inline constexpr std::int32_t TEXT_DECIMAL = 4;        // 0-9 and "."
inline constexpr std::int32_t TEXT_NUMBER_OR_ANY = 8;  // a numeric field may say "Any"
inline constexpr std::int32_t TEXT_PRINTABLE = 16;     // 32..255 but 127
inline constexpr std::int32_t TEXT_NO_COPY = 32;       // nothing is copied out
inline constexpr std::int32_t TEXT_TRIM_LEADING = 64;  // leading blanks go

// Longest text a filtered field may hold, with its NUL: the status text's size.
inline constexpr std::int32_t FILTER_SIZE_MAX = 255;

// Deletes every item of a list box; a null handle is left alone.
void clearListBox(HWND list);

// A callback of a window and a message that sets the window's text to "HELLO" (88888 when
// the window refuses it). Nothing registers it; it is there to be handed on.
void CALLBACK helloCallback(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Reads a control's class name into the shared work buffer (4363 when it
// cannot be read).
bool readControlClass(HWND control);
