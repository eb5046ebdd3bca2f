// The system control classes: push buttons, single-line edit fields, list
// boxes and drop-down combo boxes, with the messages, styles and parent
// notifications programs rely on. Their state lives in a fixed table beside
// the window table; backends read it through controlViews to draw them.
#include <cstring>

#include "platform/core/state.h"

namespace platform::core {

namespace {

constexpr int MAX_CONTROLS = 32;
constexpr int MAX_ITEMS = 256;
constexpr int ITEM_BYTES = 8192;
constexpr int TEXT_LIMIT = WINDOW_TEXT_MAX - 1;

// The strings of a list: packed NUL-terminated in one byte area, in any order,
// with their offsets in list order.
struct ItemList {
  int count = 0;
  int used = 0;
  int offset[MAX_ITEMS] = {};
  char bytes[ITEM_BYTES] = {};

  const char* at(int i) const { return bytes + offset[i]; }
  int length(int i) const { return static_cast<int>(std::strlen(at(i))); }

  // Returns the position, or LB_ERRSPACE when the list is full.
  int insert(int position, const char* text, std::size_t n) {
    if (count == MAX_ITEMS || used + static_cast<int>(n) + 1 > ITEM_BYTES) return LB_ERRSPACE;
    std::memcpy(bytes + used, text, n);
    bytes[used + static_cast<int>(n)] = 0;
    for (int i = count; i > position; --i) offset[i] = offset[i - 1];
    offset[position] = used;
    used += static_cast<int>(n) + 1;
    ++count;
    return position;
  }

  void erase(int position) {
    const int start = offset[position];
    const int size = length(position) + 1;
    std::memmove(bytes + start, bytes + start + size,
                 static_cast<std::size_t>(used - start - size));
    used -= size;
    for (int i = position; i + 1 < count; ++i) offset[i] = offset[i + 1];
    --count;
    for (int i = 0; i < count; ++i) {
      if (offset[i] > start) offset[i] -= size;
    }
  }
};

struct Control {
  bool used = false;
  HWND hwnd = nullptr;
  ControlKind kind = ControlKind::None;
  int anchor = 0;  // edit part: selection from anchor to caret
  int caret = 0;
  int scroll = 0;
  int limit = TEXT_LIMIT;
  bool pressed = false;
  bool dropped = false;
  int cur_sel = -1;
  int top = 0;
  std::uint64_t version = 0;
  ItemList items;
};

Control g_controls[MAX_CONTROLS];
std::uint64_t g_version = 0;

struct SystemClass {
  const char* name;  // as GetClassNameA gives it
  ControlKind kind;
};
constexpr SystemClass SYSTEM_CLASSES[] = {
    {"Button", ControlKind::Button},
    {"Edit", ControlKind::Edit},
    {"ListBox", ControlKind::ListBox},
    {"ComboBox", ControlKind::ComboBox},
};

Control* controlOf(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (auto& c : g_controls) {
    if (c.used && c.hwnd == hwnd) return &c;
  }
  return nullptr;
}

int lowered(int ch) { return ch >= 'A' && ch <= 'Z' ? ch + 32 : ch; }

int compareBlind(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const int ca = lowered(static_cast<unsigned char>(*a));
    const int cb = lowered(static_cast<unsigned char>(*b));
    if (ca != cb || ca == 0) return ca - cb;
  }
}

bool startsBlind(const char* text, const char* prefix) {
  for (; *prefix != 0; ++text, ++prefix) {
    if (lowered(static_cast<unsigned char>(*text)) != lowered(static_cast<unsigned char>(*prefix)))
      return false;
  }
  return true;
}

// Folds a character as the control's case style asks.
char folded(const Window& w, const Control& c, char ch) {
  const DWORD lower = c.kind == ControlKind::ComboBox ? CBS_LOWERCASE : ES_LOWERCASE;
  const DWORD upper = c.kind == ControlKind::ComboBox ? CBS_UPPERCASE : ES_UPPERCASE;
  if ((w.style & lower) != 0 && ch >= 'A' && ch <= 'Z') return static_cast<char>(ch + 32);
  if ((w.style & upper) != 0 && ch >= 'a' && ch <= 'z') return static_cast<char>(ch - 32);
  return ch;
}

void touch(Control& c) {
  c.version = ++g_version;
  HWND top = c.hwnd;
  for (const Window* w = lookup(top); w != nullptr && !isTopLevel(*w); w = lookup(w->parent)) {
    top = w->parent;
  }
  backend::controlChanged(top);
}

// ---- The edit part (edit fields and the field of a combo box) ----------------

int textLength(const Window& w) { return static_cast<int>(std::strlen(w.text)); }
int selMin(const Control& c) { return c.anchor < c.caret ? c.anchor : c.caret; }
int selMax(const Control& c) { return c.anchor < c.caret ? c.caret : c.anchor; }

int visibleChars(const Window& w, const Control& c) {
  int width = w.client_width - 2 * CONTROL_TEXT_MARGIN;
  if (c.kind == ControlKind::ComboBox) width -= COMBO_BUTTON_WIDTH;
  const int n = width / CONTROL_CHAR_WIDTH;
  return n > 1 ? n : 1;
}

void keepCaretVisible(const Window& w, Control& c) {
  const int visible = visibleChars(w, c);
  if (c.caret < c.scroll) c.scroll = c.caret;
  if (c.caret > c.scroll + visible) c.scroll = c.caret - visible;
  if (c.scroll < 0) c.scroll = 0;
}

void setSelection(Window& w, Control& c, int anchor, int caret) {
  const int len = textLength(w);
  c.anchor = anchor < 0 ? 0 : (anchor > len ? len : anchor);
  c.caret = caret < 0 ? 0 : (caret > len ? len : caret);
  keepCaretVisible(w, c);
  touch(c);
}

void notifyEdited(Control& c) {
  const HWND hwnd = c.hwnd;
  const bool combo = c.kind == ControlKind::ComboBox;
  notifyParent(hwnd, combo ? CBN_EDITUPDATE : EN_UPDATE);
  if (lookup(hwnd) != nullptr) notifyParent(hwnd, combo ? CBN_EDITCHANGE : EN_CHANGE);
}

// Puts `n` bytes in place of the selection; false when the field has no room
// (its limit, or its width for an edit field that does not scroll).
bool replaceSelection(Window& w, Control& c, const char* ins, int n) {
  const int len = textLength(w);
  const int lo = selMin(c);
  const int hi = selMax(c);
  const int next = len - (hi - lo) + n;
  if (next > c.limit) return false;
  const bool scrolls = c.kind == ControlKind::ComboBox || (w.style & ES_AUTOHSCROLL) != 0;
  if (!scrolls && n > 0 && next > visibleChars(w, c)) return false;
  std::memmove(w.text + lo + n, w.text + hi, static_cast<std::size_t>(len - hi) + 1);
  std::memcpy(w.text + lo, ins, static_cast<std::size_t>(n));
  c.anchor = c.caret = lo + n;
  keepCaretVisible(w, c);
  touch(c);
  return true;
}

// The list selection a combo box's typed text leaves: the first item that
// starts with it while the list is shown, none otherwise.
void followTypedText(const Window& w, Control& c) {
  if (c.kind != ControlKind::ComboBox) return;
  c.cur_sel = -1;
  if (!c.dropped || w.text[0] == 0) return;
  for (int i = 0; i < c.items.count; ++i) {
    if (startsBlind(c.items.at(i), w.text)) {
      c.cur_sel = i;
      return;
    }
  }
}

void typeChar(Window& w, Control& c, int ch) {
  bool changed = false;
  if (ch == VK_BACK) {
    if (selMin(c) == selMax(c) && c.caret > 0) c.anchor = c.caret - 1;
    changed = selMin(c) != selMax(c) && replaceSelection(w, c, "", 0);
  } else if (ch >= 32 && ch != 127) {
    const char typed = folded(w, c, static_cast<char>(ch));
    changed = replaceSelection(w, c, &typed, 1);
  }
  if (!changed) return;
  followTypedText(w, c);
  notifyEdited(c);
}

bool editKey(Window& w, Control& c, UINT vk) {
  const bool shift = state().key_down[VK_SHIFT];
  const int len = textLength(w);
  int to = -1;
  switch (vk) {
    case VK_LEFT:
      to = (!shift && selMin(c) != selMax(c)) ? selMin(c) : c.caret - 1;
      break;
    case VK_RIGHT:
      to = (!shift && selMin(c) != selMax(c)) ? selMax(c) : c.caret + 1;
      break;
    case VK_HOME:
      to = 0;
      break;
    case VK_END:
      to = len;
      break;
    case VK_DELETE:
      if (selMin(c) == selMax(c) && c.caret < len) c.anchor = c.caret + 1;
      if (selMin(c) != selMax(c) && replaceSelection(w, c, "", 0)) {
        followTypedText(w, c);
        notifyEdited(c);
      }
      return true;
    default:
      return false;
  }
  setSelection(w, c, shift ? c.anchor : to, to);
  return true;
}

int caretAt(const Window& w, const Control& c, int x) {
  const int pos =
      c.scroll + (x - CONTROL_TEXT_MARGIN + CONTROL_CHAR_WIDTH / 2) / CONTROL_CHAR_WIDTH;
  const int len = textLength(w);
  return pos < 0 ? 0 : (pos > len ? len : pos);
}

LRESULT packSelection(const Control& c, WPARAM wparam, LPARAM lparam) {
  const DWORD lo = static_cast<DWORD>(selMin(c));
  const DWORD hi = static_cast<DWORD>(selMax(c));
  if (auto* start = reinterpret_cast<DWORD*>(wparam)) *start = lo;
  if (auto* end = reinterpret_cast<DWORD*>(lparam)) *end = hi;
  return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(lo, hi)));
}

// EM_SETSEL / CB_SETEDITSEL: a start of -1 removes the selection, an end of -1
// means the end of the text.
void applySelection(Window& w, Control& c, int start, int end) {
  if (start == -1) {
    setSelection(w, c, c.caret, c.caret);
    return;
  }
  if (end == -1) end = textLength(w);
  setSelection(w, c, start, end);
}

// WM_SETTEXT of an edit field or a combo box's field.
LRESULT setEditText(Window& w, Control& c, const char* text) {
  const std::size_t n = text == nullptr ? 0 : std::strlen(text);
  if (n > static_cast<std::size_t>(TEXT_LIMIT)) return c.kind == ControlKind::ComboBox ? CB_ERR : 0;
  for (std::size_t i = 0; i < n; ++i) w.text[i] = folded(w, c, text[i]);
  w.text[n] = 0;
  c.scroll = 0;
  if (c.kind == ControlKind::ComboBox) {
    setSelection(w, c, 0, static_cast<int>(n));
  } else {
    setSelection(w, c, 0, 0);
    notifyEdited(c);  // a program's change notifies like a typed one
  }
  return TRUE;
}

// ---- Lists (list boxes and the list of a combo box) ------------------------

// Rows a list shows: a list box as many as fit, a dropped combo list one per
// item up to a handful.
int visibleRows(const Window& w, const Control& c) {
  int rows = (w.client_height - 2) / CONTROL_ROW_HEIGHT;
  if (c.kind == ControlKind::ComboBox) {
    rows = c.items.count < COMBO_DROPPED_ROWS ? c.items.count : COMBO_DROPPED_ROWS;
  }
  return rows > 1 ? rows : 1;
}

void keepSelectionVisible(const Window& w, Control& c) {
  if (c.cur_sel < 0) return;
  const int rows = visibleRows(w, c);
  if (c.cur_sel < c.top) c.top = c.cur_sel;
  if (c.cur_sel >= c.top + rows) c.top = c.cur_sel - rows + 1;
}

LRESULT addItem(Window& w, Control& c, int position, const char* text, bool sorted) {
  if (text == nullptr) return LB_ERR;
  char item[TEXT_LIMIT + 1];
  const std::size_t n = std::strlen(text);
  if (n > static_cast<std::size_t>(TEXT_LIMIT)) return LB_ERRSPACE;
  for (std::size_t i = 0; i <= n; ++i) item[i] = folded(w, c, text[i]);
  if (sorted) {
    position = 0;
    while (position < c.items.count && compareBlind(c.items.at(position), item) <= 0) ++position;
  } else if (position < 0 || position > c.items.count) {
    if (position != -1) return LB_ERR;
    position = c.items.count;
  }
  const int at = c.items.insert(position, item, n);
  if (at >= 0 && c.cur_sel >= at) ++c.cur_sel;
  touch(c);
  return at;
}

LRESULT deleteItem(Control& c, int index) {
  if (index < 0 || index >= c.items.count) return LB_ERR;
  c.items.erase(index);
  if (c.cur_sel == index) {
    c.cur_sel = -1;
  } else if (c.cur_sel > index) {
    --c.cur_sel;
  }
  if (c.top > 0 && c.top >= c.items.count) c.top = c.items.count - 1;
  touch(c);
  return c.items.count;
}

LRESULT findExact(const Control& c, int start, const char* text) {
  if (text == nullptr) return LB_ERR;
  const int n = c.items.count;
  if (start < 0 || start >= n) start = -1;
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k) % n;
    if (compareBlind(c.items.at(i), text) == 0) return i;
  }
  return LB_ERR;
}

LRESULT itemText(const Control& c, int index, char* out) {
  if (index < 0 || index >= c.items.count) return LB_ERR;
  if (out != nullptr) std::memcpy(out, c.items.at(index), std::strlen(c.items.at(index)) + 1);
  return c.items.length(index);
}

// Selects a list box row as the user does, notifying when asked to.
void pickRow(Window& w, Control& c, int row) {
  if (row < 0 || row >= c.items.count || row == c.cur_sel) return;
  c.cur_sel = row;
  keepSelectionVisible(w, c);
  touch(c);
  if ((w.style & LBS_NOTIFY) != 0) notifyParent(c.hwnd, LBN_SELCHANGE);
}

// ---- Combo box --------------------------------------------------------------

LRESULT comboSetCurSel(Window& w, Control& c, int index) {
  if (index < 0 || index >= c.items.count) {
    c.cur_sel = -1;
    w.text[0] = 0;
    setSelection(w, c, 0, 0);
    return CB_ERR;
  }
  c.cur_sel = index;
  copyText(w.text, sizeof w.text, c.items.at(index));
  keepSelectionVisible(w, c);
  setSelection(w, c, 0, textLength(w));
  return index;
}

void showDropped(Window& w, Control& c, bool show) {
  if (c.dropped == show) return;
  const HWND hwnd = c.hwnd;
  if (show) {
    notifyParent(hwnd, CBN_DROPDOWN);
    Control* again = controlOf(hwnd);
    if (again == nullptr) return;
    again->dropped = true;
    keepSelectionVisible(w, *again);
    SetCapture(hwnd);
    touch(*again);
    return;
  }
  c.dropped = false;
  touch(c);
  if (GetCapture() == hwnd) ReleaseCapture();
  notifyParent(hwnd, CBN_CLOSEUP);
}

// The user chose a row of the dropped list (or none: -1 cancels).
void chooseDropped(Window& w, Control& c, int row) {
  const HWND hwnd = c.hwnd;
  if (row < 0 || row >= c.items.count) {
    notifyParent(hwnd, CBN_SELENDCANCEL);
    if (Control* again = controlOf(hwnd)) showDropped(w, *again, false);
    return;
  }
  const bool changed = row != c.cur_sel;
  comboSetCurSel(w, c, row);
  notifyParent(hwnd, CBN_SELENDOK);
  if (Control* again = controlOf(hwnd)) showDropped(w, *again, false);
  if (changed && lookup(hwnd) != nullptr) notifyParent(hwnd, CBN_SELCHANGE);
}

void comboStep(Window& w, Control& c, int step) {
  int row = c.cur_sel < 0 ? (step > 0 ? 0 : c.items.count - 1) : c.cur_sel + step;
  if (row < 0 || row >= c.items.count) return;
  comboSetCurSel(w, c, row);
  notifyParent(c.hwnd, CBN_SELCHANGE);
}

void comboClick(Window& w, Control& c, int x, int y) {
  if (c.dropped) {
    const bool in_list = x >= 0 && x < w.client_width && y >= w.client_height &&
                         y < w.client_height + 2 + visibleRows(w, c) * CONTROL_ROW_HEIGHT;
    const int row = c.top + (y - w.client_height - 1) / CONTROL_ROW_HEIGHT;
    const bool on_button = x >= w.client_width - COMBO_BUTTON_WIDTH && x < w.client_width &&
                           y >= 0 && y < w.client_height;
    if (in_list) {
      chooseDropped(w, c, row < c.items.count ? row : -1);
    } else if (on_button) {
      showDropped(w, c, false);
    } else {
      chooseDropped(w, c, -1);
    }
    return;
  }
  const HWND hwnd = c.hwnd;
  SetFocus(hwnd);
  Control* again = controlOf(hwnd);
  Window* wa = lookup(hwnd);
  if (again == nullptr || wa == nullptr) return;
  if (x >= wa->client_width - COMBO_BUTTON_WIDTH) {
    showDropped(*wa, *again, true);
  } else {
    const int at = caretAt(*wa, *again, x);
    setSelection(*wa, *again, at, at);
  }
}

// The item messages list boxes and combo boxes share, under their own numbers.
enum class ListOp { None, Add, Insert, Delete, Count, Text, TextLength, FindExact };

ListOp listOp(UINT msg, bool combo) {
  struct Pair {
    UINT list;
    UINT combo;
    ListOp op;
  };
  static constexpr Pair PAIRS[] = {
      {LB_ADDSTRING, CB_ADDSTRING, ListOp::Add},
      {LB_INSERTSTRING, CB_INSERTSTRING, ListOp::Insert},
      {LB_DELETESTRING, CB_DELETESTRING, ListOp::Delete},
      {LB_GETCOUNT, CB_GETCOUNT, ListOp::Count},
      {LB_GETTEXT, CB_GETLBTEXT, ListOp::Text},
      {LB_GETTEXTLEN, CB_GETLBTEXTLEN, ListOp::TextLength},
      {LB_FINDSTRINGEXACT, CB_FINDSTRINGEXACT, ListOp::FindExact},
  };
  for (const Pair& p : PAIRS) {
    if ((combo ? p.combo : p.list) == msg) return p.op;
  }
  return ListOp::None;
}

LRESULT listMessage(Window& w, Control& c, ListOp op, WPARAM wparam, LPARAM lparam) {
  const int index = static_cast<int>(static_cast<INT_PTR>(wparam));
  const bool combo = c.kind == ControlKind::ComboBox;
  switch (op) {
    case ListOp::Add:
      return addItem(w, c, -1, reinterpret_cast<const char*>(lparam),
                     (w.style & (combo ? CBS_SORT : LBS_SORT)) != 0);
    case ListOp::Insert:
      return addItem(w, c, index, reinterpret_cast<const char*>(lparam), false);
    case ListOp::Delete:
      return deleteItem(c, index);
    case ListOp::Count:
      return c.items.count;
    case ListOp::Text:
      return itemText(c, index, reinterpret_cast<char*>(lparam));
    case ListOp::TextLength:
      return itemText(c, index, nullptr);
    case ListOp::FindExact:
      return findExact(c, index, reinterpret_cast<const char*>(lparam));
    case ListOp::None:
      break;
  }
  return LB_ERR;
}

// ---- Window procedures -------------------------------------------------------

LRESULT controlProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return 0;
  if (msg == WM_CREATE) {
    const WindowClass* cls = classOf(*w);
    for (auto& c : g_controls) {
      if (c.used) continue;
      c = Control{};
      c.used = true;
      c.hwnd = hwnd;
      for (const auto& sc : SYSTEM_CLASSES) {
        if (cls != nullptr && sameName(cls->name, sc.name)) c.kind = sc.kind;
      }
      touch(c);
      return 0;
    }
    return -1;  // no room for another control: creation fails
  }
  Control* cp = controlOf(hwnd);
  if (cp == nullptr) return DefWindowProcA(hwnd, msg, wparam, lparam);
  Control& c = *cp;
  const bool list = c.kind == ControlKind::ListBox;
  const bool combo = c.kind == ControlKind::ComboBox;
  const bool field = c.kind == ControlKind::Edit || combo;
  const int x = static_cast<SHORT>(LOWORD(lparam));
  const int y = static_cast<SHORT>(HIWORD(lparam));
  switch (msg) {
    case WM_DESTROY:
      touch(c);
      c = Control{};
      return 0;
    case WM_SIZE:
    case WM_MOVE:
      touch(c);
      return 0;
    case WM_SETTEXT:
      if (field) return setEditText(*w, c, reinterpret_cast<const char*>(lparam));
      touch(c);
      return DefWindowProcA(hwnd, msg, wparam, lparam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const bool gained = msg == WM_SETFOCUS;
      if (combo && !gained && c.dropped) showDropped(*w, c, false);
      if (Control* again = controlOf(hwnd)) touch(*again);
      WORD code = 0xFFFF;
      if (c.kind == ControlKind::Edit) code = gained ? EN_SETFOCUS : EN_KILLFOCUS;
      if (combo) code = gained ? CBN_SETFOCUS : CBN_KILLFOCUS;
      if (list && (w->style & LBS_NOTIFY) != 0) code = gained ? LBN_SETFOCUS : LBN_KILLFOCUS;
      if (code != 0xFFFF) notifyParent(hwnd, code);
      return 0;
    }
    case WM_CHAR:
      if (field) typeChar(*w, c, static_cast<int>(wparam));
      return 0;
    case WM_KEYDOWN:
      if (combo &&
          (wparam == VK_F4 || (c.dropped && (wparam == VK_ESCAPE || wparam == VK_RETURN)))) {
        if (c.dropped) {
          chooseDropped(*w, c, wparam == VK_ESCAPE ? -1 : c.cur_sel);
        } else {
          showDropped(*w, c, true);
        }
        return 0;
      }
      if (combo && (wparam == VK_UP || wparam == VK_DOWN)) {
        comboStep(*w, c, wparam == VK_UP ? -1 : 1);
        return 0;
      }
      if (field && editKey(*w, c, static_cast<UINT>(wparam))) return 0;
      if (list && c.items.count > 0) {
        int row = c.cur_sel;
        if (wparam == VK_UP) row = row <= 0 ? 0 : row - 1;
        if (wparam == VK_DOWN) row = row < 0 ? 0 : row + 1;
        if (wparam == VK_HOME) row = 0;
        if (wparam == VK_END) row = c.items.count - 1;
        pickRow(*w, c, row);
      }
      return 0;
    case WM_KEYUP:
      if (c.kind == ControlKind::Button && wparam == VK_SPACE) notifyParent(hwnd, BN_CLICKED);
      return 0;
    case WM_LBUTTONDOWN:
      if (combo) {
        comboClick(*w, c, x, y);
        return 0;
      }
      SetFocus(hwnd);  // the focus messages may have changed or destroyed the control
      if (Control* again = controlOf(hwnd); again != nullptr && (w = lookup(hwnd)) != nullptr) {
        if (again->kind == ControlKind::Button) {
          again->pressed = true;
          SetCapture(hwnd);
          touch(*again);
        } else if (again->kind == ControlKind::Edit) {
          const int at = caretAt(*w, *again, x);
          setSelection(*w, *again, at, at);
        } else if (list) {
          pickRow(*w, *again, again->top + (y - 1) / CONTROL_ROW_HEIGHT);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (c.kind == ControlKind::Button && c.pressed) {
        c.pressed = false;
        touch(c);
        if (GetCapture() == hwnd) ReleaseCapture();
        if (x >= 0 && y >= 0 && x < w->client_width && y < w->client_height) {
          notifyParent(hwnd, BN_CLICKED);
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (c.kind == ControlKind::Button && c.pressed && reinterpret_cast<HWND>(lparam) != hwnd) {
        c.pressed = false;
        touch(c);
      }
      return 0;
    case EM_GETSEL:
    case CB_GETEDITSEL:
      return field ? packSelection(c, wparam, lparam) : 0;
    case EM_SETSEL:
      if (c.kind == ControlKind::Edit) {
        applySelection(*w, c, static_cast<int>(static_cast<INT_PTR>(wparam)),
                       static_cast<int>(lparam));
      }
      return 0;
    case CB_SETEDITSEL:
      if (!combo) return 0;
      applySelection(*w, c, static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam)));
      return TRUE;
    case EM_GETLINE: {
      if (c.kind != ControlKind::Edit || lparam == 0) return 0;
      auto* out = reinterpret_cast<char*>(lparam);
      WORD room = 0;
      std::memcpy(&room, out, sizeof room);
      int n = textLength(*w);
      if (n > room) n = room;
      std::memcpy(out, w->text, static_cast<std::size_t>(n));  // no NUL, as Windows does
      return n;
    }
    case EM_LIMITTEXT:
    case CB_LIMITTEXT:
      if (field) {
        const auto n = static_cast<WPARAM>(wparam);
        c.limit = n == 0 || n > TEXT_LIMIT ? TEXT_LIMIT : static_cast<int>(n);
      }
      return combo ? TRUE : 0;
    default:
      break;
  }
  if (list || combo) {
    const ListOp op = listOp(msg, combo);
    if (op != ListOp::None) return listMessage(*w, c, op, wparam, lparam);
  }
  const int index = static_cast<int>(static_cast<INT_PTR>(wparam));
  if (list) {
    switch (msg) {
      case LB_RESETCONTENT:
        c.items = ItemList{};
        c.cur_sel = -1;
        c.top = 0;
        touch(c);
        return 0;
      case LB_SETCURSEL:
        c.cur_sel = index >= 0 && index < c.items.count ? index : -1;
        keepSelectionVisible(*w, c);
        touch(c);
        return c.cur_sel < 0 ? LB_ERR : c.cur_sel;
      case LB_GETCURSEL:
        return c.cur_sel < 0 ? LB_ERR : c.cur_sel;
      case LB_GETTOPINDEX:
        return c.top;
      default:
        break;
    }
  }
  if (combo) {
    switch (msg) {
      case CB_RESETCONTENT:
        c.items = ItemList{};
        c.top = 0;
        comboSetCurSel(*w, c, -1);
        return CB_OKAY;
      case CB_GETCURSEL:
        return c.cur_sel < 0 ? CB_ERR : c.cur_sel;
      case CB_SETCURSEL:
        return comboSetCurSel(*w, c, index);
      case CB_SHOWDROPDOWN:
        showDropped(*w, c, wparam != 0);
        return TRUE;
      case CB_GETDROPPEDSTATE:
        return c.dropped ? TRUE : FALSE;
      default:
        break;
    }
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace

void resetControls() {
  for (auto& c : g_controls) c = Control{};
  g_version = 0;
}

bool registerSystemClass(const char* name) {
  if (name == nullptr) return false;
  for (const auto& sc : SYSTEM_CLASSES) {
    if (!sameName(sc.name, name)) continue;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = controlProc;
    wc.lpszClassName = sc.name;
    return RegisterClassExA(&wc) != 0;
  }
  return false;
}

void notifyParent(HWND control, WORD code) {
  const HWND parent = GetParent(control);
  if (parent == nullptr) return;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

void controlChanged(HWND control) {
  if (Control* c = controlOf(control)) touch(*c);
}

}  // namespace platform::core

namespace platform {

using namespace core;

int controlViews(HWND top, ControlView* out, int max) {
  int n = 0;
  for (const auto& c : g_controls) {
    if (!c.used || n >= max) continue;
    const Window* w = lookup(c.hwnd);
    if (w == nullptr || !w->visible) continue;
    // Its place in the top-level window's client area; hidden with a hidden parent.
    int x = 0;
    int y = 0;
    bool shown = true;
    const Window* a = w;
    for (; a != nullptr && !isTopLevel(*a); a = lookup(a->parent)) {
      x += a->x;
      y += a->y;
      shown = shown && a->visible;
    }
    if (a == nullptr || a->handle != top || !shown) continue;
    ControlView& v = out[n++];
    v = ControlView{};
    v.hwnd = c.hwnd;
    v.kind = c.kind;
    v.rect = RECT{x, y, x + w->outer_width, y + w->outer_height};
    v.text = w->text;
    v.sel_start = selMin(c);
    v.sel_end = selMax(c);
    v.caret = c.caret;
    v.scroll = c.scroll;
    v.focused = state().focus == c.hwnd;
    v.pressed = c.pressed;
    v.dropped = c.dropped;
    v.item_count = c.items.count;
    v.cur_sel = c.cur_sel;
    v.top_index = c.top;
    v.version = c.version;
    if (c.dropped) {
      v.list_rect = RECT{x, v.rect.bottom, v.rect.right,
                         v.rect.bottom + 2 + visibleRows(*w, c) * CONTROL_ROW_HEIGHT};
    }
  }
  return n;
}

const char* controlItem(HWND control, int index) {
  const Control* c = controlOf(control);
  if (c == nullptr || index < 0 || index >= c->items.count) return nullptr;
  return c->items.at(index);
}

}  // namespace platform
