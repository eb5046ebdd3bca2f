// SDL events, translated and delivered through the core, must reach the window
// procedure as the messages Windows would send. No display is needed: the
// events are built by hand and the core runs on the headless backend.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless.h"
#include "platform/sdl/translate.h"

namespace {

using platform::NativeEvent;
using platform::NativeEventKind;
using platform::sdl::translateEvent;
using platform::sdl::WindowView;

struct Sent {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Sent> g_sent;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_SIZE || msg == WM_CLOSE) g_sent.push_back(Sent{msg, wparam, lparam});
  if (msg == WM_CLOSE) return 0;  // keep the window for the next checks
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

class Translation : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::reset();
    g_sent.clear();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "TranslationTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    hwnd_ = CreateWindowExA(0, "TranslationTest", "t", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 750,
                            570, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    drain();
    view_.hwnd = hwnd_;
    view_.client_width = 734;
    view_.client_height = 531;
    view_.window_width = 734;
    view_.window_height = 531;
  }

  // Translates and delivers; returns the number of native events made.
  int deliver(const SDL_Event& e) {
    NativeEvent out[platform::sdl::MAX_TRANSLATED];
    const int n = translateEvent(e, &view_, out);
    for (int i = 0; i < n; ++i) platform::deliverNativeEvent(out[i]);
    platform::windowClientSize(hwnd_, &view_.client_width, &view_.client_height);
    return n;
  }

  // The posted messages waiting in the queue, in order (paints excluded).
  std::vector<MSG> posted() {
    std::vector<MSG> all;
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_KEYFIRST_, WM_MOUSELAST_, PM_REMOVE) != FALSE) {
      all.push_back(m);
    }
    return all;
  }

  void drain() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (m.message == WM_PAINT) ValidateAll();
    }
    g_sent.clear();
  }
  void ValidateAll() {
    PAINTSTRUCT ps;
    BeginPaint(hwnd_, &ps);
    EndPaint(hwnd_, &ps);
  }
  bool paintPending() {
    MSG m;
    return PeekMessageA(&m, hwnd_, WM_PAINT, WM_PAINT, PM_NOREMOVE) != FALSE;
  }

  static SDL_Event key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0,
                       SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    e.key.keysym.mod = mod;
    return e;
  }
  static SDL_Event button(Uint32 type, Uint8 which, int x = 10, int y = 10, Uint32 window_id = 1) {
    SDL_Event e{};
    e.type = type;
    e.button.type = type;
    e.button.windowID = window_id;
    e.button.button = which;
    e.button.x = x;
    e.button.y = y;
    return e;
  }
  static SDL_Event window(SDL_WindowEventID id, int data1 = 0, int data2 = 0, Uint32 ticks = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.type = SDL_WINDOWEVENT;
    e.window.timestamp = ticks;
    e.window.event = static_cast<Uint8>(id);
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
  }

  static constexpr UINT WM_KEYFIRST_ = WM_KEYDOWN;
  static constexpr UINT WM_MOUSELAST_ = WM_RBUTTONUP;
  HWND hwnd_ = nullptr;
  WindowView view_;
};

UINT vkOf(SDL_Keycode sym, SDL_Scancode sc = SDL_SCANCODE_UNKNOWN) {
  return platform::sdl::virtualKeyOf(sym, sc);
}

TEST(VirtualKeys, LettersDigitsAndNamedKeys) {
  EXPECT_EQ(vkOf(SDLK_a), 'A');
  EXPECT_EQ(vkOf(SDLK_x), 'X');
  EXPECT_EQ(vkOf(SDLK_z), 'Z');
  EXPECT_EQ(vkOf(SDLK_0), '0');
  EXPECT_EQ(vkOf(SDLK_9), '9');
  EXPECT_EQ(vkOf(SDLK_SPACE), VK_SPACE);
  EXPECT_EQ(vkOf(SDLK_RETURN), VK_RETURN);
  EXPECT_EQ(vkOf(SDLK_KP_ENTER), VK_RETURN);
  EXPECT_EQ(vkOf(SDLK_ESCAPE), VK_ESCAPE);
  EXPECT_EQ(vkOf(SDLK_LEFT), VK_LEFT);
  EXPECT_EQ(vkOf(SDLK_UP), VK_UP);
  EXPECT_EQ(vkOf(SDLK_RIGHT), VK_RIGHT);
  EXPECT_EQ(vkOf(SDLK_DOWN), VK_DOWN);
  EXPECT_EQ(vkOf(SDLK_F1), VK_F1);
  EXPECT_EQ(vkOf(SDLK_F10), VK_F10);
  EXPECT_EQ(vkOf(SDLK_F12), VK_F12);
  EXPECT_EQ(vkOf(SDLK_F13), 0x7Cu);
  EXPECT_EQ(vkOf(SDLK_LSHIFT), VK_SHIFT);
  EXPECT_EQ(vkOf(SDLK_RCTRL), VK_CONTROL);
  EXPECT_EQ(vkOf(SDLK_RALT), VK_MENU);
  EXPECT_EQ(vkOf(SDLK_PAGEUP), VK_PRIOR);
  EXPECT_EQ(vkOf(SDLK_KP_0), VK_NUMPAD0);
  EXPECT_EQ(vkOf(SDLK_KP_9), VK_NUMPAD0 + 9u);
  EXPECT_EQ(vkOf(SDLK_COMMA), 0xBCu);
}

TEST(VirtualKeys, ScanCodeStandsInForNonAsciiLayoutKeys) {
  // A layout that puts a non-ASCII character where Z is still steers with Z.
  EXPECT_EQ(vkOf(0xE9, SDL_SCANCODE_Z), 'Z');
  EXPECT_EQ(vkOf(0xE9, SDL_SCANCODE_2), '2');
  EXPECT_EQ(vkOf(0xE0, SDL_SCANCODE_0), '0');
  // The key code wins where it names a key.
  EXPECT_EQ(vkOf(SDLK_q, SDL_SCANCODE_A), 'Q');
  EXPECT_EQ(vkOf(0xE9, SDL_SCANCODE_UNKNOWN), 0u);
}

TEST_F(Translation, KeysBecomeKeyMessagesWithRepeatAndRelease) {
  EXPECT_EQ(deliver(key(SDL_KEYDOWN, SDLK_x)), 1);
  EXPECT_EQ(deliver(key(SDL_KEYDOWN, SDLK_x, KMOD_NONE, 1)), 1);
  EXPECT_EQ(deliver(key(SDL_KEYUP, SDLK_x)), 1);
  EXPECT_EQ(deliver(key(SDL_KEYDOWN, SDLK_ESCAPE)), 1);
  const auto m = posted();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(m[0].wParam, WPARAM{'X'});
  EXPECT_EQ(m[0].hwnd, hwnd_);
  EXPECT_EQ(m[0].lParam & (LPARAM{1} << 30), 0);  // first press
  EXPECT_EQ(m[1].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_NE(m[1].lParam & (LPARAM{1} << 30), 0);  // auto-repeat: was already down
  EXPECT_EQ(m[2].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(m[2].wParam, WPARAM{'X'});
  EXPECT_EQ(m[3].wParam, WPARAM{VK_ESCAPE});
}

TEST_F(Translation, AltCombinationsAndF10AreSystemKeys) {
  deliver(key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT));
  deliver(key(SDL_KEYDOWN, SDLK_z, KMOD_LALT));
  deliver(key(SDL_KEYUP, SDLK_z, KMOD_LALT));
  deliver(key(SDL_KEYUP, SDLK_LALT, KMOD_NONE));
  deliver(key(SDL_KEYDOWN, SDLK_F10));
  deliver(key(SDL_KEYUP, SDLK_F10));
  // Ctrl+Alt (AltGr on many layouts) types ordinary keys.
  deliver(key(SDL_KEYDOWN, SDLK_z, KMOD_LALT | KMOD_LCTRL));
  const auto m = posted();
  ASSERT_EQ(m.size(), 7u);
  EXPECT_EQ(m[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(m[0].wParam, WPARAM{VK_MENU});
  EXPECT_EQ(m[1].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(m[1].wParam, WPARAM{'Z'});
  EXPECT_NE(m[1].lParam & (LPARAM{1} << 29), 0);  // Alt held
  EXPECT_EQ(m[2].message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(m[3].message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(m[3].wParam, WPARAM{VK_MENU});
  EXPECT_EQ(m[4].message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(m[4].wParam, WPARAM{VK_F10});
  EXPECT_EQ(m[4].lParam & (LPARAM{1} << 29), 0);  // F10 alone: no Alt context
  EXPECT_EQ(m[5].message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(m[6].message, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(Translation, AltF4ClosesThroughTheDefaultHandling) {
  deliver(key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT));
  MSG m;
  ASSERT_NE(PeekMessageA(&m, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE), FALSE);
  DispatchMessageA(&m);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, static_cast<UINT>(WM_CLOSE));
}

TEST_F(Translation, KeysWithoutAVirtualKeyCodeAreDropped) {
  EXPECT_EQ(deliver(key(SDL_KEYDOWN, SDLK_MUTE)), 0);
  EXPECT_TRUE(posted().empty());
}

TEST_F(Translation, LeftAndRightButtonsOnly) {
  deliver(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
  deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT));
  deliver(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
  deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT));
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE)), 0);
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1)), 0);
  const auto m = posted();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(m[0].lParam, MAKELPARAM(10, 10)) << "the pointer's client position";
  EXPECT_EQ(m[1].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(m[2].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(m[3].message, static_cast<UINT>(WM_RBUTTONUP));
}

TEST_F(Translation, ReleaseOutsideTheWindowIsNotSeen) {
  deliver(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5));
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, -3, 5)), 0);
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 734, 5)), 0);
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 5, 531)), 0);
  // With the pointer outside, SDL names no window and clamps the position.
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 733, 530, 0)), 0);
  EXPECT_EQ(deliver(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 733, 530)), 1);
  const auto m = posted();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(m[1].message, static_cast<UINT>(WM_LBUTTONUP));
}

TEST_F(Translation, SizeChangesBecomeTheThreeKindsOfWmSize) {
  deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));
  view_.maximised = true;
  view_.window_width = 1024;
  view_.window_height = 740;
  deliver(window(SDL_WINDOWEVENT_MAXIMIZED));
  deliver(window(SDL_WINDOWEVENT_MINIMIZED));
  view_.maximised = false;
  view_.window_width = 800;
  view_.window_height = 600;
  deliver(window(SDL_WINDOWEVENT_RESTORED));
  ASSERT_EQ(g_sent.size(), 4u);
  EXPECT_EQ(g_sent[0].wparam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(g_sent[0].lparam, MAKELPARAM(800, 600));
  EXPECT_EQ(g_sent[1].wparam, WPARAM{SIZE_MAXIMIZED});
  EXPECT_EQ(g_sent[1].lparam, MAKELPARAM(1024, 740));
  EXPECT_EQ(g_sent[2].wparam, WPARAM{SIZE_MINIMIZED});
  EXPECT_EQ(g_sent[3].wparam, WPARAM{SIZE_RESTORED});
  EXPECT_EQ(g_sent[3].lparam, MAKELPARAM(800, 600));
  RECT r;
  GetClientRect(hwnd_, &r);
  EXPECT_EQ(r.right, 800);
  EXPECT_EQ(r.bottom, 600);
}

TEST_F(Translation, SizeReportedWhileMaximisedIsAMaximisedSize) {
  view_.maximised = true;
  deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1280, 990));
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].wparam, WPARAM{SIZE_MAXIMIZED});
  EXPECT_EQ(g_sent[0].lparam, MAKELPARAM(1280, 990));
}

TEST_F(Translation, SizeTheCoreAlreadyHasSendsNothing) {
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 734, 531)), 0);
  EXPECT_TRUE(g_sent.empty());
}

TEST_F(Translation, ProgramResizeDoesNotEchoBack) {
  // The program asked for 500 x 400 after an earlier 600 x 300; the window
  // system reports both, late.
  ASSERT_NE(MoveWindow(hwnd_, 0, 0, 516, 439, TRUE), FALSE);
  g_sent.clear();
  platform::windowClientSize(hwnd_, &view_.client_width, &view_.client_height);
  view_.resize_pending = true;
  view_.pending_width = 500;
  view_.pending_height = 400;
  view_.pending_since = 1000;
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 600, 300, 1010)), 0);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 500, 400, 1020)), 0);
  EXPECT_FALSE(view_.resize_pending);
  EXPECT_TRUE(g_sent.empty());
  // Later changes are the user's again.
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480, 1030)), 1);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].lparam, MAKELPARAM(640, 480));
}

TEST_F(Translation, RefusedProgramResizeStopsFilteringAfterAWhile) {
  view_.resize_pending = true;
  view_.pending_width = 5000;
  view_.pending_height = 4000;
  view_.pending_since = 1000;
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768, 1100)), 0);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768,
                           1000 + platform::sdl::RESIZE_ECHO_MS)),
            1);
  EXPECT_FALSE(view_.resize_pending);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].lparam, MAKELPARAM(1024, 768));
}

TEST_F(Translation, ExposeInvalidatesAndCloseSendsWmClose) {
  EXPECT_FALSE(paintPending());
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_EXPOSED)), 1);
  EXPECT_TRUE(paintPending());
  EXPECT_TRUE(g_sent.empty());
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_CLOSE)), 1);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].msg, static_cast<UINT>(WM_CLOSE));
}

TEST_F(Translation, OtherWindowEventsChangeNothing) {
  for (auto id : {SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_FOCUS_GAINED,
                  SDL_WINDOWEVENT_ENTER, SDL_WINDOWEVENT_RESIZED}) {
    EXPECT_EQ(deliver(window(id, 300, 200)), 0) << static_cast<int>(id);
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(deliver(quit), 0);
}

TEST(EventWindow, IdsOfWindowKeyAndButtonEvents) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = 3;
  EXPECT_EQ(platform::sdl::eventWindowId(e), 3u);
  e = SDL_Event{};
  e.type = SDL_KEYUP;
  e.key.windowID = 4;
  EXPECT_EQ(platform::sdl::eventWindowId(e), 4u);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = 5;
  EXPECT_EQ(platform::sdl::eventWindowId(e), 5u);
  e = SDL_Event{};
  e.type = SDL_QUIT;
  EXPECT_EQ(platform::sdl::eventWindowId(e), 0u);
}

TEST(EventWindow, EventsWithoutAKnownWindowGoToTheFirstWindow) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = SDLK_z;
  NativeEvent out[platform::sdl::MAX_TRANSLATED];
  ASSERT_EQ(translateEvent(e, nullptr, out), 1);
  EXPECT_EQ(out[0].window, nullptr);
  EXPECT_EQ(out[0].vk, UINT{'Z'});
  // Sizes need the window they belong to.
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  e.window.data1 = 100;
  e.window.data2 = 100;
  EXPECT_EQ(translateEvent(e, nullptr, out), 0);
}

TEST(MessageBoxes, ButtonsAndIconsFollowTheStyle) {
  SDL_MessageBoxButtonData buttons[3];
  SDL_MessageBoxData data;
  platform::sdl::describeMessageBox("text", "ERROR", MB_YESNO | MB_ICONERROR | MB_TASKMODAL,
                                    nullptr, buttons, &data);
  EXPECT_STREQ(data.title, "ERROR");
  EXPECT_STREQ(data.message, "text");
  ASSERT_EQ(data.numbuttons, 2);
  EXPECT_EQ(buttons[0].buttonid, IDYES);
  EXPECT_STREQ(buttons[0].text, "Yes");
  EXPECT_EQ(buttons[1].buttonid, IDNO);
  EXPECT_STREQ(buttons[1].text, "No");
  EXPECT_NE(buttons[0].flags & SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 0u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(buttons[i].flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0u);
  }
  EXPECT_NE(data.flags & SDL_MESSAGEBOX_ERROR, 0u);
  EXPECT_NE(data.flags & SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT, 0u);

  platform::sdl::describeMessageBox("t", "c", MB_OK | MB_ICONWARNING, nullptr, buttons, &data);
  ASSERT_EQ(data.numbuttons, 1);
  EXPECT_EQ(buttons[0].buttonid, IDOK);
  EXPECT_NE(data.flags & SDL_MESSAGEBOX_WARNING, 0u);

  platform::sdl::describeMessageBox("t", "c", MB_OKCANCEL | MB_ICONINFORMATION, nullptr, buttons,
                                    &data);
  ASSERT_EQ(data.numbuttons, 2);
  EXPECT_EQ(buttons[1].buttonid, IDCANCEL);
  EXPECT_NE(buttons[1].flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0u);
  EXPECT_NE(data.flags & SDL_MESSAGEBOX_INFORMATION, 0u);
}

TEST(MessageBoxes, AnswerWhenNoBoxCanBeShown) {
  EXPECT_EQ(platform::sdl::unshownMessageBoxAnswer(MB_YESNO | MB_ICONERROR), IDNO);
  EXPECT_EQ(platform::sdl::unshownMessageBoxAnswer(MB_OK), IDOK);
  EXPECT_EQ(platform::sdl::unshownMessageBoxAnswer(MB_OKCANCEL), IDCANCEL);
}

}  // namespace
