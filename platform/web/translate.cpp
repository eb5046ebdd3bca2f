#include "platform/web/translate.h"

#include <cstring>
#include <iterator>

namespace platform::web {
namespace {

struct Named {
  const char* name;
  UINT vk;
};

// KeyboardEvent.key names of keys that type no character.
constexpr Named NAMED_KEYS[] = {
    {" ", VK_SPACE},          {"Enter", VK_RETURN},      {"Escape", VK_ESCAPE},
    {"Backspace", VK_BACK},   {"Tab", VK_TAB},           {"ArrowLeft", VK_LEFT},
    {"ArrowUp", VK_UP},       {"ArrowRight", VK_RIGHT},  {"ArrowDown", VK_DOWN},
    {"Insert", VK_INSERT},    {"Delete", VK_DELETE},     {"Home", VK_HOME},
    {"End", VK_END},          {"PageUp", VK_PRIOR},      {"PageDown", VK_NEXT},
    {"Shift", VK_SHIFT},      {"Control", VK_CONTROL},   {"Alt", VK_MENU},
    {"ContextMenu", VK_APPS}, {"Pause", VK_PAUSE},       {"CapsLock", VK_CAPITAL},
    {"NumLock", VK_NUMLOCK},  {"ScrollLock", VK_SCROLL}, {"PrintScreen", VK_SNAPSHOT},
};

// KeyboardEvent.code names: where the key sits, whatever it types.
constexpr Named PHYSICAL_KEYS[] = {
    {"NumpadMultiply", VK_MULTIPLY},
    {"NumpadAdd", VK_ADD},
    {"NumpadSubtract", VK_SUBTRACT},
    {"NumpadDecimal", VK_DECIMAL},
    {"NumpadDivide", VK_DIVIDE},
    {"NumpadEnter", VK_RETURN},
    {"MetaLeft", VK_LWIN},
    {"MetaRight", VK_RWIN},
    {"OSLeft", VK_LWIN},
    {"OSRight", VK_RWIN},
    {"Semicolon", VK_OEM_1},
    {"Equal", VK_OEM_PLUS},
    {"Comma", VK_OEM_COMMA},
    {"Minus", VK_OEM_MINUS},
    {"Period", VK_OEM_PERIOD},
    {"Slash", VK_OEM_2},
    {"Backquote", VK_OEM_3},
    {"BracketLeft", VK_OEM_4},
    {"Backslash", VK_OEM_5},
    {"BracketRight", VK_OEM_6},
    {"Quote", VK_OEM_7},
};

UINT lookup(const Named* table, std::size_t count, const char* name) {
  for (std::size_t i = 0; i < count; ++i) {
    if (std::strcmp(table[i].name, name) == 0) return table[i].vk;
  }
  return 0;
}

bool startsWith(const char* s, const char* prefix, std::size_t* rest) {
  const std::size_t n = std::strlen(prefix);
  if (std::strncmp(s, prefix, n) != 0) return false;
  *rest = n;
  return true;
}

// "F1".."F24" as a function key number, 0 otherwise.
int functionKey(const char* key) {
  if (key[0] != 'F' || key[1] < '1' || key[1] > '9') return 0;
  int n = key[1] - '0';
  if (key[2] != '\0') {
    if (key[2] < '0' || key[2] > '9' || key[3] != '\0') return 0;
    n = n * 10 + (key[2] - '0');
  }
  return n <= 24 ? n : 0;
}

NativeEvent forArena(NativeEventKind kind, const ArenaView& view) {
  NativeEvent n;
  n.kind = kind;
  n.window = view.hwnd;
  return n;
}

// CSS pixels to client pixels, where the page shows the arena at another size.
int scaled(int css, int css_extent, int client_extent) {
  if (css_extent <= 0) return css;
  return static_cast<int>(static_cast<long long>(css) * client_extent / css_extent);
}

}  // namespace

UINT virtualKeyOf(const char* key, const char* code) {
  if (key == nullptr) key = "";
  if (code == nullptr) code = "";
  std::size_t rest = 0;
  // The keypad first: its keys name digits or moves depending on Num Lock.
  if (startsWith(code, "Numpad", &rest) && code[rest] >= '0' && code[rest] <= '9' &&
      code[rest + 1] == '\0') {
    return static_cast<UINT>(VK_NUMPAD0 + (code[rest] - '0'));
  }
  if (key[0] != '\0' && key[1] == '\0') {
    const char c = key[0];
    if (c >= 'a' && c <= 'z') return static_cast<UINT>('A' + (c - 'a'));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<UINT>(c);
  }
  if (const int f = functionKey(key); f != 0) return static_cast<UINT>(VK_F1 + f - 1);
  if (const UINT vk = lookup(NAMED_KEYS, std::size(NAMED_KEYS), key); vk != 0) return vk;
  if (const UINT vk = lookup(PHYSICAL_KEYS, std::size(PHYSICAL_KEYS), code); vk != 0) return vk;
  if (startsWith(code, "Key", &rest) && code[rest] >= 'A' && code[rest] <= 'Z' &&
      code[rest + 1] == '\0') {
    return static_cast<UINT>(code[rest]);
  }
  if (startsWith(code, "Digit", &rest) && code[rest] >= '0' && code[rest] <= '9' &&
      code[rest + 1] == '\0') {
    return static_cast<UINT>(code[rest]);
  }
  return 0;
}

int translateDomEvent(const DomEvent& e, const ArenaView& view, NativeEvent* out) {
  switch (e.kind) {
    case DomEventKind::KeyDown:
    case DomEventKind::KeyUp: {
      const UINT vk = virtualKeyOf(e.key, e.code);
      if (vk == 0) return 0;
      const bool down = e.kind == DomEventKind::KeyDown;
      NativeEvent n = forArena(down ? NativeEventKind::KeyDown : NativeEventKind::KeyUp, view);
      n.vk = vk;
      // Windows makes a key a system key when it is F10, or when Alt is held
      // without Ctrl (Ctrl+Alt is AltGr on many layouts).
      const bool alt = (e.modifiers & DOM_ALT) != 0 || vk == VK_MENU;
      n.system = vk == VK_F10 || (alt && (e.modifiers & DOM_CTRL) == 0);
      n.repeat = down && e.repeat != 0;
      *out = n;
      return 1;
    }
    case DomEventKind::MouseDown:
    case DomEventKind::MouseUp: {
      int button = -1;
      if (e.button == 0) button = 0;
      if (e.button == 2) button = 1;
      if (button < 0) return 0;
      // The page listens on the arena only, so a release elsewhere never
      // arrives; one reported at its edge but outside it is not its business.
      if (e.x < 0 || e.y < 0 || (e.css_width > 0 && e.x >= e.css_width) ||
          (e.css_height > 0 && e.y >= e.css_height)) {
        return 0;
      }
      NativeEvent n = forArena(e.kind == DomEventKind::MouseDown ? NativeEventKind::ButtonDown
                                                                 : NativeEventKind::ButtonUp,
                               view);
      n.button = button;
      n.x = scaled(e.x, e.css_width, view.client_width);
      n.y = scaled(e.y, e.css_height, view.client_height);
      *out = n;
      return 1;
    }
    default:
      return 0;
  }
}

int describeBox(UINT style, BoxButton buttons[MAX_BOX_BUTTONS], int* escape_id) {
  switch (style & MB_TYPEMASK) {
    case MB_YESNO:
      buttons[0] = BoxButton{IDYES, "Yes"};
      buttons[1] = BoxButton{IDNO, "No"};
      *escape_id = 0;
      return 2;
    case MB_OKCANCEL:
      buttons[0] = BoxButton{IDOK, "OK"};
      buttons[1] = BoxButton{IDCANCEL, "Cancel"};
      *escape_id = IDCANCEL;
      return 2;
    default:
      buttons[0] = BoxButton{IDOK, "OK"};
      *escape_id = IDOK;
      return 1;
  }
}

const char* boxIcon(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
      return "error";
    case MB_ICONWARNING:
      return "warning";
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION:
      return "information";
    default:
      return "";
  }
}

void canvasLut(const std::uint32_t argb[256], std::uint32_t out[256]) {
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t c = argb[i];
    out[i] = (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
  }
}

}  // namespace platform::web
