// Window classes, windows, the message queue, painting and focus: the parts of
// the Win32 user interface that the program relies on, the same for every
// backend.
#include <cstdio>
#include <cstring>

#include "platform/core/state.h"
#include "platform/key_message.h"

namespace platform::core {

namespace {
State g_state;

// A window handle carries its table index and a generation, so a handle to a
// destroyed window never names the window that later reuses its slot.
HWND makeHandle(int index, std::uint32_t generation) {
  const std::uintptr_t value =
      ((static_cast<std::uintptr_t>(generation) << 8) | static_cast<std::uintptr_t>(index + 1))
      << 4;
  return reinterpret_cast<HWND>(value);
}

int findRegistered(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < MAX_CLASSES; ++i) {
    if (g_state.classes[i].used && sameName(g_state.classes[i].name, name)) return i;
  }
  return -1;
}

int findClass(const char* name) {
  const int found = findRegistered(name);
  if (found >= 0 || !registerSystemClass(name)) return found;
  return findRegistered(name);
}

// Adds a rectangle (null: the whole client area) to the window's update area.
void invalidate(Window& w, bool erase, const RECT* rect = nullptr) {
  RECT r{0, 0, w.client_width, w.client_height};
  if (rect != nullptr) {
    r.left = rect->left < 0 ? 0 : rect->left;
    r.top = rect->top < 0 ? 0 : rect->top;
    r.right = rect->right > w.client_width ? w.client_width : rect->right;
    r.bottom = rect->bottom > w.client_height ? w.client_height : rect->bottom;
    if (r.right <= r.left || r.bottom <= r.top) return;  // nothing of the window
  }
  if (!w.invalid) {
    w.update = r;
  } else {
    if (r.left < w.update.left) w.update.left = r.left;
    if (r.top < w.update.top) w.update.top = r.top;
    if (r.right > w.update.right) w.update.right = r.right;
    if (r.bottom > w.update.bottom) w.update.bottom = r.bottom;
  }
  w.invalid = true;
  if (erase) w.erase_pending = true;
}

void invalidateTree(HWND hwnd, bool erase, bool children) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return;
  invalidate(*w, erase);
  if (!children) return;
  for (auto& c : g_state.windows) {
    if (c.used && c.parent == hwnd) invalidateTree(c.handle, erase, true);
  }
}

void sendSize(Window& w, WPARAM kind) {
  const HWND h = w.handle;
  const LPARAM lp = MAKELPARAM(w.client_width, w.client_height);
  SendMessageA(h, WM_SIZE, kind, lp);
}

void setOuterSize(Window& w, int width, int height) {
  w.outer_width = width < 0 ? 0 : width;
  w.outer_height = height < 0 ? 0 : height;
  if (isTopLevel(w)) {
    w.client_width = w.outer_width > FRAME_WIDTH ? w.outer_width - FRAME_WIDTH : 0;
    w.client_height = w.outer_height > FRAME_HEIGHT ? w.outer_height - FRAME_HEIGHT : 0;
  } else {
    w.client_width = w.outer_width;
    w.client_height = w.outer_height;
  }
}

bool matchesFilter(const MSG& m, HWND filter, UINT lo, UINT hi) {
  if (filter != nullptr && m.hwnd != filter) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

bool postToQueue(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool front = false,
                 bool keyboard = false) {
  Queue& q = g_state.queue;
  if (q.count == QUEUE_CAPACITY) return false;
  if (front) q.head = (q.head + QUEUE_CAPACITY - 1) % QUEUE_CAPACITY;
  const int at = front ? q.head : (q.head + q.count) % QUEUE_CAPACITY;
  q.keyboard[at] = keyboard;
  MSG& m = q.items[at];
  m = MSG{};
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wp;
  m.lParam = lp;
  m.time = ++g_state.message_time;
  ++q.count;
  return true;
}

void removeAt(int position) {
  Queue& q = g_state.queue;
  for (int i = position; i + 1 < q.count; ++i) {
    q.items[(q.head + i) % QUEUE_CAPACITY] = q.items[(q.head + i + 1) % QUEUE_CAPACITY];
    q.keyboard[(q.head + i) % QUEUE_CAPACITY] = q.keyboard[(q.head + i + 1) % QUEUE_CAPACITY];
  }
  --q.count;
}

void dropQueuedFor(HWND hwnd) {
  Queue& q = g_state.queue;
  for (int i = 0; i < q.count;) {
    if (q.items[(q.head + i) % QUEUE_CAPACITY].hwnd == hwnd) {
      removeAt(i);
    } else {
      ++i;
    }
  }
}

bool isDescendant(HWND child, HWND ancestor) {
  for (const Window* w = lookup(child); w != nullptr; w = lookup(w->parent)) {
    if (w->parent == ancestor) return true;
  }
  return false;
}

// Keyboard input goes to the focused window when it lies within the window
// the input arrived at, else to that window itself.
HWND keyboardTarget(HWND top) {
  const HWND focus = g_state.focus;
  if (focus != nullptr && lookup(focus) != nullptr && isDescendant(focus, top)) return focus;
  return top;
}

// The window a button event at (x, y) of `top`'s client area goes to: the
// window holding the capture, else the last-created visible child under the
// point (children drawn later lie on top), searched down the tree. The point
// comes back in that window's client coordinates.
HWND mouseTarget(HWND top, int* x, int* y) {
  HWND target = top;
  if (g_state.capture != nullptr && lookup(g_state.capture) != nullptr &&
      (g_state.capture == top || isDescendant(g_state.capture, top))) {
    target = g_state.capture;
  } else {
    for (bool deeper = true; deeper;) {
      deeper = false;
      for (int i = MAX_WINDOWS - 1; i >= 0; --i) {
        const Window& c = g_state.windows[i];
        if (!c.used || !c.visible || c.parent != target) continue;
        int ox = 0;
        int oy = 0;
        for (const Window* a = &c; a != nullptr && a->handle != top; a = lookup(a->parent)) {
          ox += a->x;
          oy += a->y;
        }
        if (*x >= ox && *y >= oy && *x < ox + c.outer_width && *y < oy + c.outer_height) {
          target = c.handle;
          deeper = true;
          break;
        }
      }
    }
  }
  for (const Window* a = lookup(target); a != nullptr && a->handle != top; a = lookup(a->parent)) {
    *x -= a->x;
    *y -= a->y;
  }
  return target;
}

void postButton(HWND top, const NativeEvent& e) {
  int x = e.x;
  int y = e.y;
  const HWND target = mouseTarget(top, &x, &y);
  const bool left = e.button == 0;
  const bool down = e.kind == NativeEventKind::ButtonDown;
  const UINT msg =
      down ? (left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN) : (left ? WM_LBUTTONUP : WM_RBUTTONUP);
  const WPARAM keys = down ? (left ? 0x0001 : 0x0002) : 0;
  postToQueue(target, msg, keys, MAKELPARAM(x, y));
}

// Key -> character on the US layout: unshifted and shifted.
struct KeyChar {
  UINT vk;
  char normal;
  char shifted;
};
constexpr KeyChar KEY_CHARS[] = {
    {'0', '0', ')'},          {'1', '1', '!'},          {'2', '2', '@'},
    {'3', '3', '#'},          {'4', '4', '$'},          {'5', '5', '%'},
    {'6', '6', '^'},          {'7', '7', '&'},          {'8', '8', '*'},
    {'9', '9', '('},          {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},
    {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'},
    {VK_OEM_2, '/', '?'},     {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},    {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'},
    {VK_SPACE, ' ', ' '},     {VK_RETURN, '\r', '\r'},  {VK_BACK, 8, 8},
    {VK_TAB, '\t', '\t'},     {VK_ESCAPE, 27, 27},
};

// The character a key types with the current Shift, Caps Lock and Ctrl state;
// 0 for a key that types none.
int charOfKey(UINT vk) {
  const bool shift = g_state.key_down[VK_SHIFT];
  const bool ctrl = g_state.key_down[VK_CONTROL];
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return static_cast<int>(vk - 'A' + 1);
    const bool upper = shift != g_state.caps_lock;
    return static_cast<int>(upper ? vk : vk + 32);
  }
  if (ctrl) return 0;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<int>('0' + (vk - VK_NUMPAD0));
  for (const KeyChar& k : KEY_CHARS) {
    if (k.vk == vk) return static_cast<unsigned char>(shift ? k.shifted : k.normal);
  }
  return 0;
}

// A system key's message carries the Alt context, but for F10 alone.
bool altContext(const NativeEvent& e) { return e.system && e.vk != VK_F10; }

// The key state that TranslateMessage and GetKeyState see follows the
// keyboard messages as the program reads them, not as they arrive.
void trackKeyState(const MSG& m) {
  const UINT vk = static_cast<UINT>(m.wParam);
  if (vk >= 256) return;
  const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
  const bool repeat = isKeyRepeat(m.lParam);
  if (down && vk == VK_CAPITAL && !repeat) g_state.caps_lock = !g_state.caps_lock;
  g_state.key_down[vk] = down;
}

}  // namespace

bool sameName(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char ca = static_cast<unsigned char>(*a);
    const unsigned char cb = static_cast<unsigned char>(*b);
    const unsigned char la = (ca >= 'A' && ca <= 'Z') ? static_cast<unsigned char>(ca + 32) : ca;
    const unsigned char lb = (cb >= 'A' && cb <= 'Z') ? static_cast<unsigned char>(cb + 32) : cb;
    if (la != lb) return false;
    if (la == 0) return true;
  }
}

void copyText(char* dst, std::size_t capacity, const char* src) {
  if (capacity == 0) return;
  std::size_t n = 0;
  if (src != nullptr) {
    while (n + 1 < capacity && src[n] != 0) {
      dst[n] = src[n];
      ++n;
    }
  }
  dst[n] = 0;
}

State& state() { return g_state; }

Window* lookup(HWND hwnd) {
  const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
  if (value == 0 || (value & 0xF) != 0) return nullptr;
  const std::uintptr_t index = ((value >> 4) & 0xFF);
  if (index == 0 || index > MAX_WINDOWS) return nullptr;
  Window& w = g_state.windows[index - 1];
  if (!w.used || w.handle != hwnd) return nullptr;
  return &w;
}

const WindowClass* classOf(const Window& w) {
  if (w.class_index < 0 || w.class_index >= MAX_CLASSES) return nullptr;
  return &g_state.classes[w.class_index];
}

bool isTopLevel(const Window& w) { return (w.style & WS_CHILD) == 0; }

}  // namespace platform::core

// ---- Core services for backends ----------------------------------------------
namespace platform {

using namespace core;

HWND topLevelWindow() {
  for (auto& w : g_state.windows) {
    if (w.used && isTopLevel(w)) return w.handle;
  }
  return nullptr;
}

bool windowClientSize(HWND hwnd, int* width, int* height) {
  const Window* w = lookup(hwnd);
  if (w == nullptr) return false;
  *width = w->client_width;
  *height = w->client_height;
  return true;
}

void resetCore() {
  g_state = State{};
  resetGdi();
  resetControls();
  resetFiles();
}

bool keyForChar(char ch, UINT* vk, bool* shift) {
  if (ch >= 'a' && ch <= 'z') {
    *vk = static_cast<UINT>(ch - 32);
    *shift = false;
    return true;
  }
  if (ch >= 'A' && ch <= 'Z') {
    *vk = static_cast<UINT>(ch);
    *shift = true;
    return true;
  }
  for (const KeyChar& k : KEY_CHARS) {
    if (k.normal == ch || k.shifted == ch) {
      *vk = k.vk;
      *shift = k.normal != ch;
      return true;
    }
  }
  return false;
}

void deliverNativeEvent(const NativeEvent& e) {
  const HWND hwnd = e.window != nullptr ? e.window : topLevelWindow();
  Window* w = lookup(hwnd);
  if (w == nullptr) return;
  switch (e.kind) {
    case NativeEventKind::KeyDown:
      postToQueue(hwnd, e.system ? WM_SYSKEYDOWN : WM_KEYDOWN, e.vk,
                  keyDownLParam(e.repeat, altContext(e)), false, true);
      break;
    case NativeEventKind::KeyUp:
      postToQueue(hwnd, e.system ? WM_SYSKEYUP : WM_KEYUP, e.vk, keyUpLParam(altContext(e)), false,
                  true);
      break;
    case NativeEventKind::ButtonDown:
    case NativeEventKind::ButtonUp:
      postButton(hwnd, e);
      break;
    case NativeEventKind::Resize:
    case NativeEventKind::Maximise:
    case NativeEventKind::Restore: {
      w->minimised = false;
      const int cw = e.width < 0 ? 0 : e.width;
      const int ch = e.height < 0 ? 0 : e.height;
      w->client_width = cw;
      w->client_height = ch;
      w->outer_width = cw + (isTopLevel(*w) ? FRAME_WIDTH : 0);
      w->outer_height = ch + (isTopLevel(*w) ? FRAME_HEIGHT : 0);
      sendSize(*w, e.kind == NativeEventKind::Maximise ? SIZE_MAXIMIZED : SIZE_RESTORED);
      if (lookup(hwnd) != nullptr) invalidateTree(hwnd, true, true);
      break;
    }
    case NativeEventKind::Minimise:
      w->minimised = true;
      SendMessageA(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
      break;
    case NativeEventKind::Expose:
      invalidateTree(hwnd, true, true);
      break;
    case NativeEventKind::Close:
      SendMessageA(hwnd, WM_CLOSE, 0, 0);
      break;
  }
}

}  // namespace platform

// ---- Win32: classes and windows ----------------------------------------------
using namespace platform;
using namespace platform::core;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXA) || wc->lpszClassName == nullptr ||
      wc->lpfnWndProc == nullptr) {
    return 0;
  }
  if (findRegistered(wc->lpszClassName) >= 0) return 0;  // already registered
  for (int i = 0; i < MAX_CLASSES; ++i) {
    WindowClass& c = g_state.classes[i];
    if (c.used) continue;
    c = WindowClass{};
    c.used = true;
    copyText(c.name, sizeof c.name, wc->lpszClassName);
    c.style = wc->style;
    c.proc = wc->lpfnWndProc;
    c.instance = wc->hInstance;
    c.background = wc->hbrBackground;
    return static_cast<ATOM>(0xC000 + i);
  }
  return 0;
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID /*param*/) {
  const int ci = findClass(class_name);
  if (ci < 0) return nullptr;
  if ((style & WS_CHILD) != 0 && lookup(parent) == nullptr) return nullptr;
  int slot = -1;
  for (int i = 0; i < MAX_WINDOWS; ++i) {
    if (!g_state.windows[i].used) {
      slot = i;
      break;
    }
  }
  if (slot < 0) return nullptr;
  Window& w = g_state.windows[slot];
  w = Window{};
  w.used = true;
  w.generation = g_state.next_generation++ & 0xFFFFFF;
  if (w.generation == 0) w.generation = g_state.next_generation++ & 0xFFFFFF;
  w.handle = makeHandle(slot, w.generation);
  w.class_index = ci;
  w.proc = g_state.classes[ci].proc;
  w.parent = parent;
  w.menu = menu;
  w.instance = instance;
  w.style = style;
  w.ex_style = ex_style;
  copyText(w.text, sizeof w.text, window_name);
  w.x = x == CW_USEDEFAULT ? 0 : x;
  w.y = y == CW_USEDEFAULT ? 0 : y;
  setOuterSize(w, width == CW_USEDEFAULT ? 640 : width, height == CW_USEDEFAULT ? 480 : height);
  const HWND hwnd = w.handle;
  if (isTopLevel(w) && !backend::createWindow(hwnd, w.text, w.client_width, w.client_height,
                                              (style & WS_THICKFRAME) != 0)) {
    w = Window{};
    return nullptr;
  }
  if (SendMessageA(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  Window* created = lookup(hwnd);
  if (created == nullptr) return nullptr;
  if ((style & WS_VISIBLE) != 0) {
    created->visible = false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
  }
  return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = lookup(hwnd);
  if (w == nullptr || w->destroying) return FALSE;
  w->destroying = true;
  const bool top = isTopLevel(*w);
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  for (int i = 0; i < MAX_WINDOWS; ++i) {
    Window& c = g_state.windows[i];
    if (c.used && c.parent == hwnd) DestroyWindow(c.handle);
  }
  if (g_state.focus == hwnd) g_state.focus = nullptr;
  if (g_state.capture == hwnd) g_state.capture = nullptr;
  dropQueuedFor(hwnd);
  if (top) backend::destroyWindow(hwnd);
  w = lookup(hwnd);
  if (w != nullptr) *w = Window{};
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return lookup(hwnd) != nullptr ? TRUE : FALSE; }

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return FALSE;
  const BOOL was_visible = w->visible ? TRUE : FALSE;
  const bool show = cmd != SW_HIDE;
  w->visible = show;
  if (isTopLevel(*w)) backend::showWindow(hwnd, show);
  if (show && !w->shown_once) {
    w->shown_once = true;
    sendSize(*w, SIZE_RESTORED);
  }
  if (show && lookup(hwnd) != nullptr) invalidateTree(hwnd, true, true);
  if (const Window* again = lookup(hwnd); again != nullptr && !isTopLevel(*again)) {
    controlChanged(hwnd);
  }
  return was_visible;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return FALSE;
  if (w->visible && w->invalid) SendMessageA(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* /*update*/, HRGN /*region*/, UINT flags) {
  if (lookup(hwnd) == nullptr) return FALSE;
  if ((flags & RDW_INVALIDATE) != 0) {
    invalidateTree(hwnd, (flags & RDW_ERASE) != 0, (flags & RDW_ALLCHILDREN) != 0);
  }
  if ((flags & RDW_UPDATENOW) != 0) UpdateWindow(hwnd);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {
    // No window: every top-level window is repainted, as Windows does.
    for (auto& w : g_state.windows) {
      if (w.used && isTopLevel(w)) invalidate(w, erase != FALSE);
    }
    return TRUE;
  }
  Window* w = lookup(hwnd);
  if (w == nullptr) return FALSE;
  invalidate(*w, erase != FALSE, rect);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  const Window* w = lookup(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = RECT{0, 0, w->client_width, w->client_height};
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  const Window* w = lookup(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = RECT{w->x, w->y, w->x + w->outer_width, w->y + w->outer_height};
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return FALSE;
  const int old_cw = w->client_width;
  const int old_ch = w->client_height;
  w->x = x;
  w->y = y;
  setOuterSize(*w, width, height);
  const bool resized = old_cw != w->client_width || old_ch != w->client_height;
  if (resized && isTopLevel(*w)) backend::resizeWindow(hwnd, w->client_width, w->client_height);
  if (resized) sendSize(*w, SIZE_RESTORED);
  if (!resized && lookup(hwnd) != nullptr && !isTopLevel(*w)) controlChanged(hwnd);
  if (repaint != FALSE && lookup(hwnd) != nullptr) invalidateTree(hwnd, true, true);
  return TRUE;
}

HWND SetFocus(HWND hwnd) {
  if (hwnd != nullptr && lookup(hwnd) == nullptr) return nullptr;
  const HWND previous = g_state.focus;
  if (previous == hwnd) return previous;
  g_state.focus = hwnd;
  if (previous != nullptr && lookup(previous) != nullptr) {
    SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  }
  if (hwnd != nullptr) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus(void) { return g_state.focus; }

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Window* w = lookup(hwnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      const WindowClass* c = classOf(*w);
      if (c == nullptr || c->background == nullptr) return 0;
      std::uint32_t rgb = 0;
      if (!brushColour(c->background, &rgb)) return 0;
      if (isTopLevel(*w)) backend::fillRect(hwnd, w->painting, rgb);
      return 1;
    }
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the window to close.
      if (wparam == VK_F4 && isAltHeld(lparam)) SendMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETTEXT:
      copyText(w->text, sizeof w->text, reinterpret_cast<const char*>(lparam));
      if (isTopLevel(*w)) backend::setWindowTitle(hwnd, w->text);
      return TRUE;
    case WM_GETTEXT: {
      char* dst = reinterpret_cast<char*>(lparam);
      if (dst == nullptr || wparam == 0) return 0;
      copyText(dst, wparam, w->text);
      return static_cast<LRESULT>(std::strlen(dst));
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(std::strlen(w->text));
    default:
      return 0;
  }
}

// ---- Win32: messages ------------------------------------------------------------

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (hwnd != nullptr && lookup(hwnd) == nullptr) return FALSE;
  return postToQueue(hwnd, msg, wparam, lparam) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  Window* w = lookup(hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  return w->proc(hwnd, msg, wparam, lparam);
}

void PostQuitMessage(int exit_code) {
  g_state.queue.quit_posted = true;
  g_state.queue.quit_code = exit_code;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove) {
  if (msg == nullptr) return FALSE;
  backend::pumpEvents();
  Queue& q = g_state.queue;
  // Posted messages first, in order.
  for (int i = 0; i < q.count; ++i) {
    const MSG& m = q.items[(q.head + i) % QUEUE_CAPACITY];
    if (!matchesFilter(m, hwnd, filter_min, filter_max)) continue;
    *msg = m;
    const bool keyboard = q.keyboard[(q.head + i) % QUEUE_CAPACITY];
    if (keyboard) msg->hwnd = keyboardTarget(m.hwnd);
    if ((remove & PM_REMOVE) != 0) {
      if (keyboard) trackKeyState(*msg);
      if (i == 0) {
        q.head = (q.head + 1) % QUEUE_CAPACITY;
        --q.count;
      } else {
        removeAt(i);
      }
    }
    return TRUE;
  }
  // Then the quit request.
  if (q.quit_posted && hwnd == nullptr &&
      ((filter_min == 0 && filter_max == 0) || (WM_QUIT >= filter_min && WM_QUIT <= filter_max))) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = static_cast<WPARAM>(q.quit_code);
    msg->time = ++g_state.message_time;
    if ((remove & PM_REMOVE) != 0) q.quit_posted = false;
    return TRUE;
  }
  // Only then a paint for a visible window that needs one; it stays until validated.
  if ((filter_min == 0 && filter_max == 0) || (WM_PAINT >= filter_min && WM_PAINT <= filter_max)) {
    for (auto& w : g_state.windows) {
      if (!w.used || !w.visible || !w.invalid) continue;
      if (hwnd != nullptr && w.handle != hwnd && w.parent != hwnd) continue;
      *msg = MSG{};
      msg->hwnd = w.handle;
      msg->message = WM_PAINT;
      msg->time = ++g_state.message_time;
      return TRUE;
    }
  }
  return FALSE;
}

// A key that types a character makes WM_CHAR (WM_SYSCHAR with Alt) for the
// same window. It is read before any other queued input, as Windows hands out
// posted messages before input.
BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
    return FALSE;
  }
  const int ch = charOfKey(static_cast<UINT>(msg->wParam));
  if (ch == 0 || lookup(msg->hwnd) == nullptr) return FALSE;
  const UINT char_msg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  return postToQueue(msg->hwnd, char_msg, static_cast<WPARAM>(ch), msg->lParam, true) ? TRUE
                                                                                      : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

// ---- Win32: painting ------------------------------------------------------------

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  Window* w = lookup(hwnd);
  if (w == nullptr || ps == nullptr) return nullptr;
  *ps = PAINTSTRUCT{};
  const bool erase = w->erase_pending;
  w->invalid = false;
  w->erase_pending = false;
  HDC dc = GetDC(hwnd);
  ps->hdc = dc;
  // A paint that nobody asked for (UpdateWindow of a valid window) covers it all.
  const bool asked = w->update.right > w->update.left && w->update.bottom > w->update.top;
  w->painting = asked ? w->update : RECT{0, 0, w->client_width, w->client_height};
  w->update = RECT{};
  ps->rcPaint = w->painting;
  // fErase tells the caller that the background still needs erasing.
  ps->fErase = FALSE;
  if (erase && dc != nullptr) {
    const LRESULT erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ps->fErase = erased != 0 ? FALSE : TRUE;
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (lookup(hwnd) == nullptr || ps == nullptr) return FALSE;
  if (ps->hdc != nullptr) ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR /*name*/) {
  return reinterpret_cast<HICON>(std::uintptr_t{0x7F00});
}

HCURSOR LoadCursorA(HINSTANCE /*instance*/, LPCSTR /*name*/) {
  return reinterpret_cast<HCURSOR>(std::uintptr_t{0x7F10});
}

// ---- Win32: window text, relations, capture, key state ---------------------------

int GetClassNameA(HWND hwnd, LPSTR name, int max_count) {
  const Window* w = lookup(hwnd);
  if (w == nullptr || name == nullptr || max_count <= 0) return 0;
  const WindowClass* c = classOf(*w);
  if (c == nullptr) return 0;
  copyText(name, static_cast<std::size_t>(max_count), c->name);
  return static_cast<int>(std::strlen(name));
}

int GetWindowTextA(HWND hwnd, LPSTR text, int max_count) {
  if (text == nullptr || max_count <= 0) return 0;
  text[0] = 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(max_count),
                                       reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND hwnd) {
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (lookup(hwnd) == nullptr) return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
  const Window* w = lookup(hwnd);
  return w == nullptr ? nullptr : w->parent;
}

int GetDlgCtrlID(HWND hwnd) {
  const Window* w = lookup(hwnd);
  if (w == nullptr || isTopLevel(*w)) return 0;
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(w->menu));
}

HWND SetCapture(HWND hwnd) {
  const HWND previous = g_state.capture;
  g_state.capture = lookup(hwnd) != nullptr ? hwnd : nullptr;
  if (previous != nullptr && previous != g_state.capture && lookup(previous) != nullptr) {
    SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(g_state.capture));
  }
  return previous;
}

BOOL ReleaseCapture(void) {
  const HWND previous = g_state.capture;
  g_state.capture = nullptr;
  if (previous != nullptr && lookup(previous) != nullptr) {
    SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture(void) { return g_state.capture; }

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  int state = g_state.key_down[vk] ? 0x8000 : 0;
  if (vk == VK_CAPITAL && g_state.caps_lock) state |= 1;
  return static_cast<SHORT>(state);
}
