// SDL events, translated and delivered through the core, must reach the window
// procedure as the messages Windows would send. No display is needed: the
// events are built by hand and the core runs on the headless backend.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/sdl/translate.h"

namespace {

using platform::NativeEvent;
using platform::sdl::translateEvent;
using platform::sdl::WindowView;

struct Sent {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Sent&) const = default;
};
std::vector<Sent> g_sent;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_SIZE || msg == WM_CLOSE) g_sent.push_back(Sent{msg, wparam, lparam});
  if (msg == WM_CLOSE) return 0;  // keep the window for the next checks
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

SDL_Event key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat;
  e.key.keysym.sym = sym;
  e.key.keysym.mod = mod;
  return e;
}

SDL_Event button(Uint32 type, Uint8 which, int x = 10, int y = 10, Uint32 window_id = 1) {
  SDL_Event e{};
  e.type = type;
  e.button.windowID = window_id;
  e.button.button = which;
  e.button.x = x;
  e.button.y = y;
  return e;
}

SDL_Event window(SDL_WindowEventID id, int data1 = 0, int data2 = 0, Uint32 ticks = 0) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.timestamp = ticks;
  e.window.event = static_cast<Uint8>(id);
  e.window.data1 = data1;
  e.window.data2 = data2;
  return e;
}

Sent wmSize(WPARAM kind, int width, int height) {
  return {WM_SIZE, kind, MAKELPARAM(width, height)};
}

class Translation : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::reset();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "TranslationTest";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    hwnd_ = CreateWindowExA(0, "TranslationTest", "t", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 750,
                            570, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (m.message != WM_PAINT) continue;
      PAINTSTRUCT ps;
      BeginPaint(hwnd_, &ps);
      EndPaint(hwnd_, &ps);
    }
    g_sent.clear();
    view_.hwnd = hwnd_;
    platform::windowClientSize(hwnd_, &view_.client_width, &view_.client_height);
    setWindow(false, 734, 531);
  }

  void setWindow(bool maximised, int width, int height) {
    view_.maximised = maximised;
    view_.window_width = width;
    view_.window_height = height;
  }
  void pend(int width, int height, std::uint32_t since) {
    view_.resize_pending = true;
    view_.pending_width = width;
    view_.pending_height = height;
    view_.pending_since = since;
  }

  // Translates and delivers; returns the number of native events made.
  int deliver(const SDL_Event& e) {
    NativeEvent out[platform::sdl::MAX_TRANSLATED];
    const int n = translateEvent(e, &view_, out);
    for (int i = 0; i < n; ++i) platform::deliverNativeEvent(out[i]);
    platform::windowClientSize(hwnd_, &view_.client_width, &view_.client_height);
    return n;
  }

  // Delivers one event and gives the key or button message it posted, if any.
  std::optional<MSG> postedBy(const SDL_Event& e) {
    const int made = deliver(e);
    std::vector<MSG> all;
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_KEYDOWN, WM_RBUTTONUP, PM_REMOVE) != FALSE) {
      all.push_back(m);
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(made));
    EXPECT_LE(all.size(), 1u);
    if (all.empty()) return std::nullopt;
    return all[0];
  }

  HWND hwnd_ = nullptr;
  WindowView view_;
};

// The ends of each range the key code is counted in, the keys that share a
// code, and the codes named here by number; the key-message test below covers
// Escape, F10, Alt and a key without a code.
TEST(VirtualKeys, KeyCodeDecidesAndScanCodeStandsInForNonAsciiLayoutKeys) {
  constexpr SDL_Scancode NONE = SDL_SCANCODE_UNKNOWN;
  struct Case {
    SDL_Keycode key;
    SDL_Scancode scancode;
    UINT vk;
  };
  const Case cases[] = {
      {SDLK_a, NONE, 'A'},
      {SDLK_x, NONE, 'X'},
      {SDLK_z, NONE, 'Z'},
      {SDLK_0, NONE, '0'},
      {SDLK_9, NONE, '9'},
      {SDLK_F12, NONE, VK_F12},
      {SDLK_F13, NONE, 0x7C},
      {SDLK_KP_0, NONE, VK_NUMPAD0},
      {SDLK_KP_9, NONE, VK_NUMPAD0 + 9},
      {SDLK_KP_ENTER, NONE, VK_RETURN},
      {SDLK_RCTRL, NONE, VK_CONTROL},
      {SDLK_RALT, NONE, VK_MENU},
      {SDLK_COMMA, NONE, 0xBC},
      // A layout that puts a non-ASCII character where Z is still steers
      // with Z; the key code wins where it names a key.
      {0xE9, SDL_SCANCODE_Z, 'Z'},
      {0xE9, SDL_SCANCODE_2, '2'},
      {0xE0, SDL_SCANCODE_0, '0'},
      {SDLK_q, SDL_SCANCODE_A, 'Q'},
      {0xE9, NONE, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::sdl::virtualKeyOf(c.key, c.scancode), c.vk) << c.key << " " << c.scancode;
  }
}

// Alt held without Ctrl, and F10, make system keys. In lParam, bit 29 says Alt
// was held (never for F10 alone) and bit 30 that the key was down before.
TEST_F(Translation, KeysBecomeKeyOrSystemKeyMessages) {
  struct Case {
    SDL_Event event;
    UINT message;  // 0: dropped
    WPARAM vk;
    int alt, was_down;  // alt -1: not checked
  };
  const Case cases[] = {
      {key(SDL_KEYDOWN, SDLK_x), WM_KEYDOWN, 'X', 0, 0},
      {key(SDL_KEYDOWN, SDLK_x, KMOD_NONE, 1), WM_KEYDOWN, 'X', 0, 1},
      {key(SDL_KEYUP, SDLK_x), WM_KEYUP, 'X', 0, 1},
      {key(SDL_KEYDOWN, SDLK_ESCAPE), WM_KEYDOWN, VK_ESCAPE, 0, 0},
      {key(SDL_KEYDOWN, SDLK_MUTE), 0, 0, 0, 0},
      {key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT), WM_SYSKEYDOWN, VK_MENU, 1, 0},
      {key(SDL_KEYDOWN, SDLK_z, KMOD_LALT), WM_SYSKEYDOWN, 'Z', 1, 0},
      {key(SDL_KEYUP, SDLK_z, KMOD_LALT), WM_SYSKEYUP, 'Z', 1, 1},
      {key(SDL_KEYUP, SDLK_LALT), WM_SYSKEYUP, VK_MENU, -1, 1},
      {key(SDL_KEYDOWN, SDLK_F10), WM_SYSKEYDOWN, VK_F10, 0, 0},
      {key(SDL_KEYUP, SDLK_F10), WM_SYSKEYUP, VK_F10, 0, 1},
      // Alt+F4 as the core's default handling expects it, to close the window.
      {key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), WM_SYSKEYDOWN, 0x73, 1, 0},
      // Ctrl+Alt (AltGr on many layouts) types ordinary keys, Alt included.
      {key(SDL_KEYDOWN, SDLK_z, KMOD_LALT | KMOD_LCTRL), WM_KEYDOWN, 'Z', 0, 0},
      {key(SDL_KEYDOWN, SDLK_RALT, KMOD_RALT | KMOD_LCTRL), WM_KEYDOWN, VK_MENU, 0, 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const std::optional<MSG> m = postedBy(c.event);
    ASSERT_EQ(m.has_value(), c.message != 0) << "event " << i;
    if (!m) continue;
    EXPECT_EQ(m->hwnd, hwnd_) << "event " << i;
    EXPECT_EQ(m->message, c.message) << "event " << i;
    EXPECT_EQ(m->wParam, c.vk) << "event " << i;
    if (c.alt >= 0) {
      EXPECT_EQ((m->lParam >> 29) & 1, c.alt) << "event " << i;
    }
    EXPECT_EQ((m->lParam >> 30) & 1, c.was_down) << "event " << i;
  }
}

// The window does not capture the mouse, so a release outside it is not
// seen; with the pointer outside, SDL names no window and clamps the position
// to the window's edge.
TEST_F(Translation, LeftAndRightButtonsOnlyAndNoReleaseFromOutside) {
  struct Case {
    SDL_Event event;
    UINT message;  // 0: dropped
  };
  const Case cases[] = {
      {button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), WM_LBUTTONDOWN},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), WM_LBUTTONUP},
      {button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), WM_RBUTTONDOWN},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT), WM_RBUTTONUP},
      {button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE), 0},
      {button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1), 0},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, -3, 5), 0},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 734, 5), 0},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 5, 531), 0},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 733, 530, 0), 0},
      {button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 733, 530), WM_LBUTTONUP},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::optional<MSG> m = postedBy(cases[i].event);
    EXPECT_EQ(m ? m->message : 0, cases[i].message) << "event " << i;
    if (m) {
      const SDL_MouseButtonEvent& b = cases[i].event.button;
      EXPECT_EQ(m->lParam, MAKELPARAM(b.x, b.y)) << "the pointer's client position, event " << i;
    }
  }
}

TEST_F(Translation, SizeEventsBecomeTheThreeKindsOfWmSize) {
  // A size the core already has sends nothing.
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 734, 531)), 0);
  deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));
  setWindow(true, 1024, 740);
  deliver(window(SDL_WINDOWEVENT_MAXIMIZED));
  // A size reported while maximised is a maximised size.
  deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1280, 990));
  deliver(window(SDL_WINDOWEVENT_MINIMIZED));
  setWindow(false, 800, 600);
  deliver(window(SDL_WINDOWEVENT_RESTORED));
  EXPECT_EQ(g_sent,
            (std::vector<Sent>{wmSize(SIZE_RESTORED, 800, 600), wmSize(SIZE_MAXIMIZED, 1024, 740),
                               wmSize(SIZE_MAXIMIZED, 1280, 990), wmSize(SIZE_MINIMIZED, 0, 0),
                               wmSize(SIZE_RESTORED, 800, 600)}));
  RECT r;
  GetClientRect(hwnd_, &r);
  EXPECT_EQ(r.right, 800);
  EXPECT_EQ(r.bottom, 600);
}

TEST_F(Translation, ProgramResizesDoNotEchoBackUntilSettledOrStale) {
  // The program asked for 500 x 400 after an earlier 600 x 300; the window
  // system reports both, late.
  ASSERT_NE(MoveWindow(hwnd_, 0, 0, 516, 439, TRUE), FALSE);
  g_sent.clear();
  platform::windowClientSize(hwnd_, &view_.client_width, &view_.client_height);
  pend(500, 400, 1000);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 600, 300, 1010)), 0);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 500, 400, 1020)), 0);
  EXPECT_FALSE(view_.resize_pending);
  EXPECT_TRUE(g_sent.empty());
  // Later changes are the user's again.
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480, 1030)), 1);
  EXPECT_EQ(g_sent, std::vector<Sent>{wmSize(SIZE_RESTORED, 640, 480)});

  // A request the window system refused stops filtering after a while.
  g_sent.clear();
  pend(5000, 4000, 2000);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768, 2100)), 0);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_SIZE_CHANGED, 1024, 768,
                           2000 + platform::sdl::RESIZE_ECHO_MS)),
            1);
  EXPECT_FALSE(view_.resize_pending);
  EXPECT_EQ(g_sent, std::vector<Sent>{wmSize(SIZE_RESTORED, 1024, 768)});
}

// Zoom and fullscreen scale the picture only: the window sizes they bring
// never reach the program, a border resize of a zoomed window gives the
// client its share, and clicks land on the client pixel under them.
TEST_F(Translation, ZoomAndFullscreenKeepTheClientSize) {
  struct Step {
    int zoom;
    bool fullscreen;
    SDL_Event event;
    int window_w, window_h;  // SDL's window size at the time
    std::vector<Sent> sent;
  };
  const Sent restored = wmSize(SIZE_RESTORED, 800, 600);
  const Step steps[] = {
      {2, false, window(SDL_WINDOWEVENT_SIZE_CHANGED, 1468, 1062), 1468, 1062, {}},
      {2, false, window(SDL_WINDOWEVENT_SIZE_CHANGED, 1601, 1201), 1601, 1201, {restored}},
      {2, false, window(SDL_WINDOWEVENT_RESTORED), 1600, 1200, {restored}},
      {2, true, window(SDL_WINDOWEVENT_SIZE_CHANGED, 1920, 1080), 1920, 1080, {}},
      {2, true, window(SDL_WINDOWEVENT_MAXIMIZED), 1920, 1080, {}},
      // Back from minimised in fullscreen: restored at the client's own size.
      {2, true, window(SDL_WINDOWEVENT_MINIMIZED), 1920, 1080, {wmSize(SIZE_MINIMIZED, 0, 0)}},
      {2, true, window(SDL_WINDOWEVENT_RESTORED), 1920, 1080, {restored}},
      {1, false, window(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), 800, 600, {}},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    g_sent.clear();
    view_.zoom = s.zoom;
    view_.fullscreen = s.fullscreen;
    setWindow(false, s.window_w, s.window_h);
    deliver(s.event);
    EXPECT_EQ(g_sent, s.sent) << "step " << i;
  }
  // Fullscreen 1920 x 1200 over an 800 x 600 client: 2x from (160, 0).
  view_.zoom = 1;
  view_.fullscreen = true;
  setWindow(false, 1920, 1200);
  view_.output_width = 1920;
  view_.output_height = 1200;
  const std::optional<MSG> m = postedBy(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1759, 1199));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->lParam, MAKELPARAM(799, 599));
  const std::optional<MSG> n = postedBy(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 160, 1));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->lParam, MAKELPARAM(0, 0));
}

TEST_F(Translation, ExposeInvalidatesCloseSendsWmCloseOtherEventsChangeNothing) {
  MSG m;
  EXPECT_EQ(PeekMessageA(&m, hwnd_, WM_PAINT, WM_PAINT, PM_NOREMOVE), FALSE);
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_EXPOSED)), 1);
  EXPECT_NE(PeekMessageA(&m, hwnd_, WM_PAINT, WM_PAINT, PM_NOREMOVE), FALSE);
  EXPECT_TRUE(g_sent.empty());
  EXPECT_EQ(deliver(window(SDL_WINDOWEVENT_CLOSE)), 1);
  EXPECT_EQ(g_sent, (std::vector<Sent>{{WM_CLOSE, 0, 0}}));
  for (auto id : {SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_FOCUS_GAINED,
                  SDL_WINDOWEVENT_ENTER, SDL_WINDOWEVENT_RESIZED}) {
    EXPECT_EQ(deliver(window(id, 300, 200)), 0) << static_cast<int>(id);
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  EXPECT_EQ(deliver(quit), 0);
}

TEST(EventWindow, IdsOfWindowKeyAndButtonEvents) {
  struct Case {
    Uint32 type, id;
  };
  for (const Case c : {Case{SDL_WINDOWEVENT, 3}, Case{SDL_KEYDOWN, 3}, Case{SDL_KEYUP, 3},
                       Case{SDL_MOUSEBUTTONDOWN, 3}, Case{SDL_MOUSEBUTTONUP, 3},
                       Case{SDL_MOUSEMOTION, 0}, Case{SDL_QUIT, 0}}) {
    SDL_Event e{};
    e.type = c.type;
    // The window id stands at one place in every event that has one.
    e.window.windowID = 3;
    EXPECT_EQ(platform::sdl::eventWindowId(e), c.id) << c.type;
  }
}

TEST(EventWindow, EventsWithoutAKnownWindowGoToTheFirstWindow) {
  NativeEvent out[platform::sdl::MAX_TRANSLATED];
  ASSERT_EQ(translateEvent(key(SDL_KEYDOWN, SDLK_z), nullptr, out), 1);
  EXPECT_EQ(out[0].window, nullptr);
  EXPECT_EQ(out[0].vk, UINT{'Z'});
  // Sizes need the window they belong to.
  EXPECT_EQ(translateEvent(window(SDL_WINDOWEVENT_SIZE_CHANGED, 100, 100), nullptr, out), 0);
}

TEST(MessageBoxes, ButtonsIconsAndTheAnswerWhenNoBoxCanBeShown) {
  constexpr Uint32 RET = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  constexpr Uint32 ESC = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  struct Case {
    UINT style;
    Uint32 icon;
    int unshown;
    std::vector<SDL_MessageBoxButtonData> buttons;
  };
  // A Yes/No box has no Escape answer.
  const Case cases[] = {
      {MB_YESNO | MB_ICONERROR, SDL_MESSAGEBOX_ERROR, IDNO, {{RET, IDYES, "Yes"}, {0, IDNO, "No"}}},
      {MB_OK | MB_ICONWARNING, SDL_MESSAGEBOX_WARNING, IDOK, {{RET | ESC, IDOK, "OK"}}},
      {MB_OKCANCEL | MB_ICONINFORMATION | MB_TASKMODAL,
       SDL_MESSAGEBOX_INFORMATION,
       IDCANCEL,
       {{RET, IDOK, "OK"}, {ESC, IDCANCEL, "Cancel"}}},
  };
  for (const Case& c : cases) {
    SDL_MessageBoxButtonData buttons[3];
    SDL_MessageBoxData data;
    platform::sdl::describeMessageBox("text", "ERROR", c.style, nullptr, buttons, &data);
    EXPECT_STREQ(data.title, "ERROR");
    EXPECT_STREQ(data.message, "text");
    EXPECT_EQ(data.buttons, buttons);
    EXPECT_EQ(data.flags, SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT | c.icon) << c.style;
    ASSERT_EQ(data.numbuttons, static_cast<int>(c.buttons.size())) << c.style;
    for (std::size_t i = 0; i < c.buttons.size(); ++i) {
      EXPECT_EQ(buttons[i].flags, c.buttons[i].flags) << c.style << " button " << i;
      EXPECT_EQ(buttons[i].buttonid, c.buttons[i].buttonid) << c.style << " button " << i;
      EXPECT_STREQ(buttons[i].text, c.buttons[i].text) << c.style << " button " << i;
    }
    EXPECT_EQ(platform::sdl::unshownMessageBoxAnswer(c.style), c.unshown) << c.style;
  }
}

}  // namespace
