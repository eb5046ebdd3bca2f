// The key messages' lParam: built and read by platform/key_message.h, and what
// the core posts for each native key event, both held to the values Windows
// gives (repeat count 1, bit 29 Alt, bit 30 previous state, bit 31 release).
#include "platform/key_message.h"

#include <gtest/gtest.h>

#include "platform/core/core.h"
#include "tests/support/fresh_state.h"

namespace {

TEST(KeyMessage, BuiltValuesAreWindowsOwnAndReadBack) {
  struct Case {
    const char* what;
    LPARAM lparam;
    DWORD windows;  // the low 32 bits Windows sends
    bool repeat, alt, release;
  };
  const Case cases[] = {
      {"first press", platform::keyDownLParam(false), 0x00000001u, false, false, false},
      {"held, repeating", platform::keyDownLParam(true), 0x40000001u, true, false, false},
      {"Alt held", platform::keyDownLParam(false, true), 0x20000001u, false, true, false},
      {"Alt held, repeating", platform::keyDownLParam(true, true), 0x60000001u, true, true, false},
      {"release", platform::keyUpLParam(), 0xC0000001u, true, false, true},
      {"release, Alt held", platform::keyUpLParam(true), 0xE0000001u, true, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<DWORD>(c.lparam), c.windows) << c.what;
    if constexpr (sizeof(LPARAM) > 4) {
      EXPECT_EQ(c.lparam >> 16 >> 16, 0) << c.what << ": nothing above bit 31";
    }
    EXPECT_EQ(platform::isKeyRepeat(c.lparam), c.repeat) << c.what;
    EXPECT_EQ(platform::isAltHeld(c.lparam), c.alt) << c.what;
    EXPECT_EQ(platform::isKeyRelease(c.lparam), c.release) << c.what;
  }
  static_assert(platform::isKeyRelease(platform::keyUpLParam()), "usable in constant expressions");
}

class KeyMessages : public FreshState {};

LRESULT CALLBACK defaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(KeyMessages, NativeKeysArePostedWithWindowsLParam) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = defaultProc;
  wc.lpszClassName = "KeyClass";
  ASSERT_NE(RegisterClassExA(&wc), 0);
  const HWND h = CreateWindowExA(0, "KeyClass", "K", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 750, 570, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  using K = platform::NativeEventKind;
  struct Case {
    const char* what;
    K kind;
    UINT vk;
    bool system, repeat;
    UINT message;
    DWORD lparam;
  };
  const Case cases[] = {
      {"press", K::KeyDown, 'X', false, false, WM_KEYDOWN, 0x00000001u},
      {"auto-repeat", K::KeyDown, 'X', false, true, WM_KEYDOWN, 0x40000001u},
      {"release", K::KeyUp, 'X', false, false, WM_KEYUP, 0xC0000001u},
      {"Alt+X", K::KeyDown, 'X', true, false, WM_SYSKEYDOWN, 0x20000001u},
      {"Alt+X released", K::KeyUp, 'X', true, false, WM_SYSKEYUP, 0xE0000001u},
      {"F10 alone: no Alt", K::KeyDown, VK_F10, true, false, WM_SYSKEYDOWN, 0x00000001u},
      {"F10 released", K::KeyUp, VK_F10, true, false, WM_SYSKEYUP, 0xC0000001u},
  };
  for (const Case& c : cases) {
    platform::NativeEvent e;
    e.kind = c.kind;
    e.vk = c.vk;
    e.system = c.system;
    e.repeat = c.repeat;
    platform::deliverNativeEvent(e);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << c.what;
    EXPECT_EQ(m.hwnd, h) << c.what;
    EXPECT_EQ(m.message, c.message) << c.what;
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(c.vk)) << c.what;
    EXPECT_EQ(static_cast<DWORD>(m.lParam), c.lparam) << c.what;
  }
}

}  // namespace
