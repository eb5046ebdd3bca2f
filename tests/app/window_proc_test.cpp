// The window procedure: its message table, the input bytes and control binding.
#include "app/window_proc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "shell/shell_globals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/program.h"

namespace {

// Key bytes are indexed by virtual-key code, which for letters is the capital.
constexpr int KEY_X = 'X';
constexpr int KEY_Z = 'Z';

using K = platform::NativeEventKind;

class WindowProc : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    hwnd = openMainWindow();
    ASSERT_NE(hwnd, nullptr);
    runFrame();  // the first frame, so later frames start from a made buffer
  }
  HWND hwnd = nullptr;
  std::int8_t* keys = g_shell.KeyState;
  std::int8_t* mouse = g_shell.MouseButtons;
  MainWindow& mw = g_shell.main_window;
};

TEST_F(WindowProc, KeysAndButtonsSetTheirBytes) {
  struct Case {
    UINT message;
    WPARAM wparam;
    std::int8_t* byte;
    std::int8_t value;
  };
  for (const Case c :
       {Case{WM_KEYDOWN, 'X', &keys[KEY_X], 1}, Case{WM_KEYUP, 'X', &keys[KEY_X], -1},
        Case{WM_LBUTTONDOWN, 0, &mouse[MOUSE_LEFT], 1},
        Case{WM_RBUTTONDOWN, 0, &mouse[MOUSE_RIGHT], 1},
        Case{WM_LBUTTONUP, 0, &mouse[MOUSE_LEFT], -1},
        Case{WM_RBUTTONUP, 0, &mouse[MOUSE_RIGHT], -1}}) {
    EXPECT_EQ(MainWindowProc(hwnd, c.message, c.wparam, 0), 0) << c.message;
    EXPECT_EQ(*c.byte, c.value) << c.message;
  }
  // Key codes without a byte, and system keys, change nothing.
  std::int8_t before[KEY_COUNT];
  std::memcpy(before, keys, sizeof before);
  MainWindowProc(hwnd, WM_KEYDOWN, 0, 0);
  MainWindowProc(hwnd, WM_KEYDOWN, 256, 0);
  MainWindowProc(hwnd, WM_KEYUP, 0x10000, 0);
  platform::NativeEvent f10 = keyEvent(K::KeyDown, VK_F10);
  f10.system = true;
  deliver(f10);
  EXPECT_EQ(std::memcmp(before, keys, sizeof before), 0);
}

TEST_F(WindowProc, PaintsAgeKeyBytesAndAutoRepeatPressesAgain) {
  // A press and release between paints leaves the release, seen for
  // exactly one paint.
  deliver(keyEvent(K::KeyDown, 'Z'));
  deliver(keyEvent(K::KeyUp, 'Z'));
  EXPECT_EQ(keys[KEY_Z], -1);
  deliver(keyEvent(K::KeyDown, 'X'));
  runFrame();
  EXPECT_EQ(keys[KEY_Z], 0);
  EXPECT_EQ(keys[KEY_X], 2);
  runFrame();
  EXPECT_EQ(keys[KEY_X], 3);
  deliver(keyEvent(K::KeyDown, 'X', true));
  EXPECT_EQ(keys[KEY_X], 1) << "a repeat is a fresh press";
}

TEST_F(WindowProc, MinimiseIsNotFollowedRestoreIs) {
  deliver(sizeEvent(K::Minimise, 0, 0));
  EXPECT_EQ(mw.width, 734);
  EXPECT_EQ(mw.BufferMadeMarker, BUFFER_MADE_MARKER) << "minimising keeps the buffer";
  deliver(sizeEvent(K::Restore, 500, 300));
  EXPECT_EQ(mw.width, 500);
  EXPECT_EQ(mw.height, 300);
  deliver(sizeEvent(K::Maximise, 1000, 700));
  EXPECT_EQ(mw.width, 1000);
}

TEST_F(WindowProc, CommandBindsAControlOnceAndReturnsTheFocus) {
  const auto control = LPARAM{0x1230};
  const auto other = LPARAM{0x4560};
  SetFocus(nullptr);
  EXPECT_EQ(MainWindowProc(hwnd, WM_COMMAND, MAKEWPARAM(3, 0), control), 0);
  EXPECT_EQ(mw.slots[3].control_window, reinterpret_cast<HWND>(control));
  EXPECT_EQ(GetFocus(), hwnd);
  MainWindowProc(hwnd, WM_COMMAND, MAKEWPARAM(3, 0), control);
  EXPECT_TRUE(headless::boxes().empty()) << "the same control again is fine";
  MainWindowProc(hwnd, WM_COMMAND, MAKEWPARAM(3, 0), other);
  ASSERT_EQ(headless::boxes().size(), 1u);
  EXPECT_EQ(headless::boxes()[0].text, "Error 4171  Contine?    (err_context=0)");
  EXPECT_EQ(mw.slots[3].control_window, reinterpret_cast<HWND>(control));

  SetFocus(nullptr);
  MainWindowProc(hwnd, WM_COMMAND, MAKEWPARAM(0, 0), control);
  EXPECT_EQ(mw.slots[0].control_window, nullptr) << "slot 0 is never bound";
  EXPECT_EQ(GetFocus(), hwnd);

  MainWindowProc(hwnd, WM_COMMAND, MAKEWPARAM(12, 0), control);
  EXPECT_EQ(headless::boxes().back().text, "Error 4168  Contine?    (err_context=0)");
}

TEST_F(WindowProc, PaintRunsOneFrameAndOtherMessagesGoToTheDefault) {
  const std::uint32_t frames = mw.presented_frames;
  InvalidateRect(hwnd, nullptr, FALSE);
  EXPECT_EQ(MainWindowProc(hwnd, WM_PAINT, 0, 0), 0);
  EXPECT_EQ(mw.presented_frames, frames + 1);
  EXPECT_EQ(MainWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("t")), TRUE);
  EXPECT_EQ(MainWindowProc(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(hwnd)) << "close falls through to the default: the window is destroyed";
  EXPECT_EQ(mw.BufferMadeMarker, 0u) << "destroy drops the back buffer";
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 0u);
}

}  // namespace
