// DOM events, as the page hands them over, must become the native events the
// desktop backends make for the same keys and buttons.
#include "platform/web/translate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using platform::NativeEvent;
using platform::NativeEventKind;
using platform::web::ArenaView;
using platform::web::DomEvent;
using platform::web::DomEventKind;

HWND arenaHandle() { return reinterpret_cast<HWND>(std::uintptr_t{0x1234}); }

ArenaView arena() {
  ArenaView v;
  v.hwnd = arenaHandle();
  v.client_width = 734;
  v.client_height = 531;
  return v;
}

DomEvent keyEvent(DomEventKind kind, const char* key, const char* code, int modifiers = 0,
                  int repeat = 0) {
  DomEvent e;
  e.kind = kind;
  std::strncpy(e.key, key, sizeof e.key - 1);
  std::strncpy(e.code, code, sizeof e.code - 1);
  e.modifiers = modifiers;
  e.repeat = repeat;
  return e;
}

TEST(WebKeys, KeyNamesAndCodesGiveTheVirtualKeys) {
  struct Case {
    const char* key;
    const char* code;
    UINT vk;
  };
  const Case cases[] = {
      {"z", "KeyZ", 'Z'},
      {"X", "KeyX", 'X'},
      {"7", "Digit7", '7'},
      // Layouts: the key name decides for letters (AZERTY's A sits on KeyQ) ...
      {"a", "KeyQ", 'A'},
      // ... the position where the name is no ASCII letter, or a shifted symbol.
      {"é", "Digit2", '2'},
      {"ж", "Semicolon", 0xBA},
      {"!", "Digit1", '1'},
      {":", "Semicolon", 0xBA},
      {"ß", "Minus", 0xBD},
      {"ü", "KeyY", 'Y'},
      {" ", "Space", VK_SPACE},
      {"Enter", "Enter", VK_RETURN},
      {"Escape", "Escape", VK_ESCAPE},
      {"ArrowLeft", "ArrowLeft", VK_LEFT},
      {"PageDown", "PageDown", VK_NEXT},
      {"Shift", "ShiftRight", VK_SHIFT},
      {"Control", "ControlLeft", VK_CONTROL},
      {"Alt", "AltLeft", VK_MENU},
      {"Meta", "MetaLeft", 0x5B},
      {"F1", "F1", VK_F1},
      {"F10", "F10", VK_F10},
      {"F24", "F24", VK_F1 + 23},
      {"F25", "F25", 0},
      // The keypad by position, whatever Num Lock makes it type.
      {"1", "Numpad1", VK_NUMPAD0 + 1},
      {"End", "Numpad1", VK_NUMPAD0 + 1},
      {"Enter", "NumpadEnter", VK_RETURN},
      {"*", "NumpadMultiply", 0x6A},
      {"Dead", "Quote", 0xDE},
      {"Unidentified", "", 0},
      {"", "", 0},
      {"AudioVolumeUp", "AudioVolumeUp", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::web::virtualKeyOf(c.key, c.code), c.vk) << c.key << " / " << c.code;
  }
  EXPECT_EQ(platform::web::virtualKeyOf(nullptr, nullptr), 0u);
}

TEST(WebEvents, KeysAndButtonsBecomeNativeEventsForTheArena) {
  using K = NativeEventKind;
  DomEvent left_down;
  left_down.kind = DomEventKind::MouseDown;
  left_down.button = 0;
  left_down.x = 100;
  left_down.y = 50;
  left_down.css_width = 734;
  left_down.css_height = 531;
  DomEvent right_up = left_down;
  right_up.kind = DomEventKind::MouseUp;
  right_up.button = 2;
  // The page shows the arena at half size: CSS pixels scale to client pixels.
  DomEvent half = left_down;
  half.x = 183;
  half.y = 132;
  half.css_width = 367;
  half.css_height = 265;
  DomEvent middle = left_down;
  middle.button = 1;
  DomEvent outside = right_up;
  outside.x = 734;
  DomEvent above = right_up;
  above.y = -1;
  DomEvent none;

  struct Case {
    const char* name;
    DomEvent in;
    int count;
    NativeEvent out;
  };
  auto key = [](K kind, UINT vk, bool system, bool repeat) {
    NativeEvent n;
    n.kind = kind;
    n.window = arenaHandle();
    n.vk = vk;
    n.system = system;
    n.repeat = repeat;
    return n;
  };
  auto button = [](K kind, int which, int x, int y) {
    NativeEvent n;
    n.kind = kind;
    n.window = arenaHandle();
    n.button = which;
    n.x = x;
    n.y = y;
    return n;
  };
  using platform::web::DOM_ALT;
  using platform::web::DOM_CTRL;
  const Case cases[] = {
      {"Z down", keyEvent(DomEventKind::KeyDown, "z", "KeyZ"), 1,
       key(K::KeyDown, 'Z', false, false)},
      {"Z held", keyEvent(DomEventKind::KeyDown, "z", "KeyZ", 0, 1), 1,
       key(K::KeyDown, 'Z', false, true)},
      {"X up", keyEvent(DomEventKind::KeyUp, "x", "KeyX", 0, 1), 1,
       key(K::KeyUp, 'X', false, false)},
      {"Alt+X", keyEvent(DomEventKind::KeyDown, "x", "KeyX", DOM_ALT), 1,
       key(K::KeyDown, 'X', true, false)},
      {"AltGr (Ctrl+Alt)", keyEvent(DomEventKind::KeyDown, "q", "KeyQ", DOM_ALT | DOM_CTRL), 1,
       key(K::KeyDown, 'Q', false, false)},
      {"Alt itself", keyEvent(DomEventKind::KeyDown, "Alt", "AltLeft"), 1,
       key(K::KeyDown, VK_MENU, true, false)},
      {"F10", keyEvent(DomEventKind::KeyUp, "F10", "F10"), 1, key(K::KeyUp, VK_F10, true, false)},
      {"unknown key", keyEvent(DomEventKind::KeyDown, "Unidentified", ""), 0, {}},
      {"left down", left_down, 1, button(K::ButtonDown, 0, 100, 50)},
      {"right up", right_up, 1, button(K::ButtonUp, 1, 100, 50)},
      {"scaled", half, 1, button(K::ButtonDown, 0, 366, 264)},
      {"middle button", middle, 0, {}},
      {"release beyond the right edge", outside, 0, {}},
      {"release above the top", above, 0, {}},
      {"no event", none, 0, {}},
  };
  for (const Case& c : cases) {
    NativeEvent out;
    ASSERT_EQ(platform::web::translateDomEvent(c.in, arena(), &out), c.count) << c.name;
    if (c.count == 0) continue;
    EXPECT_EQ(out.kind, c.out.kind) << c.name;
    EXPECT_EQ(out.window, c.out.window) << c.name;
    EXPECT_EQ(out.vk, c.out.vk) << c.name;
    EXPECT_EQ(out.system, c.out.system) << c.name;
    EXPECT_EQ(out.repeat, c.out.repeat) << c.name;
    EXPECT_EQ(out.button, c.out.button) << c.name;
    EXPECT_EQ(out.x, c.out.x) << c.name;
    EXPECT_EQ(out.y, c.out.y) << c.name;
  }
}

TEST(WebBoxes, StylesGiveTheButtonsIconAndEscapeAnswer) {
  struct Case {
    UINT style;
    std::string buttons;  // "label=id ..."
    int escape_id;
    std::string icon;
  };
  const Case cases[] = {
      {MB_YESNO | MB_ICONHAND | MB_TASKMODAL, "Yes=6 No=7", 0, "error"},
      {MB_OK | MB_ICONHAND | MB_TASKMODAL, "OK=1", IDOK, "error"},
      {MB_OK | MB_TASKMODAL, "OK=1", IDOK, ""},
      {MB_OKCANCEL | MB_ICONWARNING, "OK=1 Cancel=2", IDCANCEL, "warning"},
      {MB_OK | MB_ICONINFORMATION, "OK=1", IDOK, "information"},
      {MB_OK | MB_ICONQUESTION, "OK=1", IDOK, "information"},
  };
  for (const Case& c : cases) {
    platform::web::BoxButton buttons[platform::web::MAX_BOX_BUTTONS];
    int escape_id = -1;
    const int count = platform::web::describeBox(c.style, buttons, &escape_id);
    std::string got;
    for (int i = 0; i < count; ++i) {
      if (i > 0) got += ' ';
      got += buttons[i].label;
      got += '=';
      got += std::to_string(buttons[i].id);
    }
    EXPECT_EQ(got, c.buttons) << c.style;
    EXPECT_EQ(escape_id, c.escape_id) << c.style;
    EXPECT_EQ(platform::web::boxIcon(c.style), c.icon) << c.style;
  }
}

TEST(WebPresent, CanvasTableSwapsRedAndBlue) {
  std::uint32_t argb[256];
  for (int i = 0; i < 256; ++i) argb[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010203);
  argb[1] = 0xFF112233u;
  std::uint32_t rgba[256];
  platform::web::canvasLut(argb, rgba);
  // Little-endian bytes R, G, B, A: 0x11, 0x22, 0x33, 0xFF.
  EXPECT_EQ(rgba[1], 0xFF332211u);
  EXPECT_EQ(rgba[0], 0xFF000000u);
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t a = argb[i];
    EXPECT_EQ(rgba[i], (a & 0xFF00FF00u) | ((a >> 16) & 0xFFu) | ((a & 0xFFu) << 16)) << i;
  }
}

}  // namespace
