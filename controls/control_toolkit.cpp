#include "controls/control_toolkit.h"

#include <cstring>

#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

// A float given for a pixel value, truncated toward zero; nonsense (NaN, out
// of range) must not make the conversion undefined.
std::int32_t truncated(float value) {
  if (!(value > -2147483648.0f)) return value != value ? 0 : INT32_MIN;
  if (!(value < 2147483648.0f)) return INT32_MAX;
  return static_cast<std::int32_t>(value);
}

// After a change the program made itself: back down, and up from below zero.
bool lowerNesting(ControlSlot* slot, std::int32_t number) {
  --slot->nesting;
  if (slot->nesting >= 0) return true;
  ReportError(number);
  slot->nesting = 0;
  return false;
}

}  // namespace

bool readControlClass(HWND control) {
  if (GetClassNameA(control, g_shell.work_buffer, WORK_BUFFER_SIZE) == 0) {
    ReportError(4363);
    return false;
  }
  return true;
}

std::int16_t MainWindow::takeControlSlot(MainWindow* mw) {
  if (mw == nullptr) {
    ReportError(4166);
    return -1;
  }
  for (std::int16_t i = 0; i < CONTROL_SLOTS; ++i) {
    ControlSlot& s = mw->slots[i];
    if (s.state != SLOT_FREE && s.state != SLOT_USED) ReportError(4169);
    if (s.state != SLOT_FREE) continue;
    if (i + 1 > mw->control_count) mw->control_count = i + 1;
    s.state = SLOT_USED;
    return i;
  }
  ReportError(4168);
  return -1;
}

ControlSlot* MainWindow::slotAt(MainWindow* mw, std::int32_t number) {
  if (mw == nullptr) {
    ReportError(4166);
    return nullptr;
  }
  if (number < 0) {
    ReportError(4170);
    return nullptr;  // no slot lies there
  }
  if (number >= mw->control_count || number >= CONTROL_SLOTS) ReportError(4168);
  if (number >= CONTROL_SLOTS) return nullptr;
  ControlSlot* slot = &mw->slots[number];
  if (slot->index != number) ReportError(4167);
  return slot;
}

std::int16_t MainWindow::createControl(MainWindow* mw, std::int32_t kind, float centre_x,
                                       float centre_y, float width, float height, const char* text,
                                       std::int32_t flags) {
  if (mw == nullptr) {
    ReportError(4621);
    return -1;
  }
  if (mw->window == nullptr) ReportError(4622);
  const std::int16_t number = takeControlSlot(mw);
  if (number < 0) return -1;  // no free slot: nothing to fill
  ControlSlot* slot = slotAt(mw, number);
  if (slot == nullptr) return -1;
  slot->centre_x = centre_x;
  slot->centre_y = centre_y;
  slot->width_fraction = width;
  slot->height_fraction = height;
  slot->left = truncated(centre_x);
  slot->top = truncated(centre_y);
  slot->pixel_width = truncated(width);
  slot->pixel_height = truncated(height);
  slot->flags = flags & 0xF;
  layoutControl(mw, number, LAYOUT_COMPUTE_ONLY);
  const char* class_name = "BUTTON";
  DWORD style = BUTTON_STYLE;
  switch (kind) {
    case CONTROL_BUTTON:
      break;
    case CONTROL_COMBO:
      class_name = "COMBOBOX";
      style = COMBO_STYLE;
      break;
    case CONTROL_LIST:
      class_name = "LISTBOX";
      style = LIST_STYLE;
      break;
    case CONTROL_SORTED_LIST:
      class_name = "LISTBOX";
      style = SORTED_LIST_STYLE;
      break;
    case CONTROL_EDIT:
      class_name = "EDIT";
      style = EDIT_STYLE;
      break;
    default:
      ReportError(4433);
      break;
  }
  slot->control_window = CreateWindowExA(0, class_name, text, style, slot->left, slot->top,
                                         slot->pixel_width, slot->pixel_height, mw->window,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                         g_shell.control_instance, nullptr);
  return number;
}

void MainWindow::releaseControls(MainWindow* mw) {
  if (g_shell.ShellReadyMarker != SHELL_READY_MARKER) ReportError(4212);
  if (mw == nullptr || mw->window == nullptr) ReportError(4213);
  if (mw == nullptr) return;
  mw->window = nullptr;
  for (std::int32_t i = 0; i < CONTROL_SLOTS; ++i) ControlSlot::init(&mw->slots[i], i);
}

void ControlSlot::setText(ControlSlot* slot, const char* text) {
  if (slot == nullptr) {
    ReportError(4273);
    return;
  }
  if (slot->control_window == nullptr) {
    ReportError(4274);
    return;
  }
  if (text == nullptr) {
    ReportError(4277);
    return;
  }
  ++slot->nesting;
  if (SendMessageA(slot->control_window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 1) {
    ReportError(4275);
    --slot->nesting;
    return;
  }
  lowerNesting(slot, 4276);
}

std::int32_t ControlSlot::addComboItemOnce(ControlSlot* slot, const char* text, std::int32_t size) {
  if (slot == nullptr) {
    ReportError(4376);
    return 0;
  }
  const HWND combo = slot->control_window;
  if (combo == nullptr) {
    ReportError(4377);
    return 0;
  }
  if (size < 2) {
    ReportError(4378);
    return 0;
  }
  if (size > WORK_BUFFER_SIZE) {
    ReportError(4379);
    return 0;
  }
  if (GetClassNameA(combo, g_shell.work_buffer, WORK_BUFFER_SIZE) == 0) {
    ReportError(4380);
    return 0;
  }
  if (!readControlClass(combo)) return 0;
  if (std::strcmp(g_shell.work_buffer, "ComboBox") != 0) {
    ReportError(4381);
    return 0;
  }
  // A missing text has no NUL either.
  if (text == nullptr || std::memchr(text, 0, static_cast<std::size_t>(size)) == nullptr) {
    ReportError(4382);
    return 0;
  }
  if (text[0] == 0) {
    ReportError(4383);
    return 0;
  }
  // The exact-match search ignores case; starting after item 0 it wraps round
  // to item 0, so it covers the whole list.
  const LRESULT found = SendMessageA(combo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(text));
  if (found >= 0) return 1;
  if (found != CB_ERR) {
    ReportError(4384);
    return 0;
  }
  ++slot->nesting;
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  return lowerNesting(slot, 4385) ? 2 : 0;
}

std::int32_t ControlSlot::addComboItem(ControlSlot* slot, const char* text) {
  if (text == nullptr) {
    ReportError(4386);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  const std::int32_t size = length < static_cast<std::size_t>(WORK_BUFFER_SIZE)
                                ? static_cast<std::int32_t>(length) + 1
                                : WORK_BUFFER_SIZE + 1;  // refused as too long
  return addComboItemOnce(slot, text, size);
}

void clearListBox(HWND list) {
  if (list == nullptr) return;
  while (SendMessageA(list, LB_DELETESTRING, 0, 0) > 0) {
  }
}

void CALLBACK helloCallback(HWND hwnd, UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/) {
  if (SetWindowTextA(hwnd, "HELLO") != 1) ReportError(88888);
}
