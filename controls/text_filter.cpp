// The filter for what the user types into an edit field or a combo box: reads
// the text, drops every byte the field does not accept, puts the cleaned text
// back with the caret where the user left it, and copies it out. A combo box
// whose list selection is set is updated at the end of the next paint.
#include <cstring>

#include "controls/control_toolkit.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

constexpr std::int32_t REPLY_MAX = WORK_BUFFER_SIZE - 2;  // longest text the buffer takes

bool isDigit(unsigned char b) { return b >= '0' && b <= '9'; }
bool isLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

bool accepts(std::int32_t mask, unsigned char b) {
  if ((mask & TEXT_LETTERS) != 0 && isLetter(b)) return true;
  if ((mask & TEXT_DIGITS) != 0 && isDigit(b)) return true;
  if ((mask & TEXT_DECIMAL) != 0 && (isDigit(b) || b == '.')) return true;
  if ((mask & TEXT_PRINTABLE) != 0 && b >= 32 && b != 127) return true;
  return false;
}

// What the "Any" rule makes of the text: its verdict decides whether the byte
// filter runs.
enum class AnyRule { Filter, BecomesAny, Keep };

AnyRule anyRule(const char* text, std::int32_t length) {
  bool number = false;
  bool a = false;
  bool n = false;
  bool y = false;
  for (std::int32_t i = 0; i < length; ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    number = number || isDigit(b) || b == '.';
    a = a || b == 'A' || b == 'a';
    n = n || b == 'N' || b == 'n';
    y = y || b == 'Y' || b == 'y';
  }
  if (a && !n && !y) return AnyRule::BecomesAny;
  if (a && n && y && !number) return AnyRule::Keep;
  return AnyRule::Filter;
}

// Removes every byte the mask does not accept, keeping the caret on the byte
// it stood before. Returns true when something was removed.
bool filterBytes(char* text, std::int32_t* length, std::int32_t* caret, std::int32_t mask) {
  bool removed = false;
  bool seen_other = false;  // a byte above 32 came before
  std::int32_t i = 0;
  while (i < *length) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    bool ok = accepts(mask, b);
    if ((mask & TEXT_TRIM_LEADING) != 0 && !seen_other && b <= 32) ok = false;
    seen_other = seen_other || b > 32;
    if (ok) {
      ++i;
      continue;
    }
    std::memmove(text + i, text + i + 1, static_cast<std::size_t>(*length - i));
    --*length;
    if (i < *caret) --*caret;
    removed = true;
  }
  return removed;
}

// Reads the control's text into the work buffer. Sets `pending` for a combo
// box whose list selection was set (its update waits for the next paint).
bool readText(ControlSlot* slot, bool edit, std::int32_t size, std::int32_t* length,
              std::int32_t* caret, bool* pending) {
  const HWND control = slot->control_window;
  char* text = g_shell.work_buffer;
  LRESULT reply = 0;
  if (edit) {
    // EM_GETLINE takes its room in the first 16 bits of the buffer.
    const WORD room = static_cast<WORD>(size);
    std::memcpy(text, &room, sizeof room);
    reply = SendMessageA(control, EM_GETLINE, 0, reinterpret_cast<LPARAM>(text));
    if (reply > REPLY_MAX) {
      ReportError(4264);
      return false;
    }
    *caret = LOWORD(SendMessageA(control, EM_GETSEL, 0, 0));
  } else {
    *caret = LOWORD(SendMessageA(control, CB_GETEDITSEL, 0, 0));
    const LRESULT item = SendMessageA(control, CB_GETCURSEL, 0, 0);
    if (item < -1) ReportError(4387);
    if (item == -1) {
      reply = SendMessageA(control, WM_GETTEXT, WORK_BUFFER_SIZE, reinterpret_cast<LPARAM>(text));
      if (reply > REPLY_MAX) {
        ReportError(4389);
        return false;
      }
    } else {
      ++slot->nesting;
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      if (--slot->nesting < 0) {
        ReportError(4266);  // the counter never stays below 0
        slot->nesting = 0;
      }
      const LRESULT item_length = SendMessageA(control, CB_GETLBTEXTLEN, item, 0);
      if (item_length < 0 || item_length > WORK_BUFFER_SIZE - 1) {
        ReportError(4388);
        return false;
      }
      reply = SendMessageA(control, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
      if (reply > REPLY_MAX) {
        ReportError(4390);
        return false;
      }
      *pending = true;
    }
  }
  // The text ends at the reply's length or at an earlier NUL.
  std::int32_t n = reply < 0 ? 0 : static_cast<std::int32_t>(reply);
  const void* nul = std::memchr(text, 0, static_cast<std::size_t>(n));
  if (nul != nullptr) n = static_cast<std::int32_t>(static_cast<const char*>(nul) - text);
  text[n] = 0;
  *length = n;
  return true;
}

// Puts the cleaned text back with an empty selection at the caret.
bool writeBack(ControlSlot* slot, bool edit, std::int32_t caret) {
  const HWND control = slot->control_window;
  ++slot->nesting;
  if (SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(g_shell.work_buffer)) != 1) {
    ReportError(4259);
    --slot->nesting;  // the counter is not left raised for good
    return false;
  }
  if (edit) {
    SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(caret), caret);
  } else {
    SendMessageA(control, CB_SETEDITSEL, 0, MAKELPARAM(caret, caret));
  }
  --slot->nesting;
  if (slot->nesting < 0) {
    ReportError(4266);
    slot->nesting = 0;
    return false;
  }
  return true;
}

// Hands the text to the end of the next paint, which sets it as the control's text.
bool queueStatusText(ControlSlot* slot, std::int32_t length) {
  if (g_shell.status_pending != 0) {
    ReportError(4401);
    return false;
  }
  g_shell.status_pending = 1;
  g_shell.status_control = slot;
  const std::int32_t n = length < STATUS_TEXT_SIZE - 1 ? length : STATUS_TEXT_SIZE - 1;
  std::memcpy(g_shell.status_text, g_shell.work_buffer, static_cast<std::size_t>(n));
  g_shell.status_text[n] = 0;
  const RECT area{slot->left, slot->top, slot->left + slot->pixel_width,
                  slot->top + slot->pixel_height};
  InvalidateRect(g_shell.main_window.slots[0].control_window, &area, TRUE);
  return true;
}

}  // namespace

std::int32_t ControlSlot::filterText(ControlSlot* slot, char* out, std::int32_t size,
                                     std::int32_t mask) {
  if (slot == nullptr) {
    ReportError(4265);
    return 0;
  }
  if (slot->control_window == nullptr) {
    ReportError(4253);
    return 0;
  }
  if (size < 2 || size > WORK_BUFFER_SIZE) {
    ReportError(4252);
    return 0;
  }
  if (out == nullptr && (mask & TEXT_NO_COPY) == 0) {
    ReportError(4260);
    return 0;
  }
  if (size > FILTER_SIZE_MAX) {
    ReportError(4261);
    return 0;
  }
  if (!readControlClass(slot->control_window)) return 0;
  const bool edit = std::strcmp(g_shell.work_buffer, "Edit") == 0;
  if (!edit && std::strcmp(g_shell.work_buffer, "ComboBox") != 0) {
    ReportError(4364);
    return 0;
  }
  if (slot->index < 1) {
    ReportError(4391);
    return 0;
  }
  std::int32_t length = 0;
  std::int32_t caret = 0;
  bool pending = false;
  if (!readText(slot, edit, size, &length, &caret, &pending)) return 0;
  char* text = g_shell.work_buffer;
  bool changed = !edit;  // a combo box's text is always written back
  AnyRule rule = AnyRule::Filter;
  if ((mask & TEXT_NUMBER_OR_ANY) != 0) {
    if (size < 4) ReportError(4263);
    rule = anyRule(text, length);
  }
  if (rule == AnyRule::BecomesAny) {
    std::memcpy(text, "Any", 4);
    length = 3;
    caret = 3;
    changed = true;
  } else if (rule == AnyRule::Filter) {
    changed = filterBytes(text, &length, &caret, mask) || changed;
  }
  if (length >= size) {
    length = size - 1;
    text[length] = 0;
    if (caret > size - 1) caret = size - 1;
    changed = true;
  }
  if ((mask & TEXT_NO_COPY) == 0) {
    std::memset(out, 0, static_cast<std::size_t>(size));
    std::memcpy(out, text, static_cast<std::size_t>(length));
  }
  if (pending) return queueStatusText(slot, length) ? length : 0;
  if (changed && !writeBack(slot, edit, caret)) return 0;
  return length;
}
