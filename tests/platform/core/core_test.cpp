// The Win32 semantics the program relies on, checked on the headless backend.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/core/core.h"
#include "platform/key_message.h"
#include "tests/support/fresh_state.h"

namespace {

// A header with its whole palette behind it, as an 8-bit DIB section wants.
struct Info256 {
  BITMAPINFOHEADER header;
  RGBQUAD palette[256];
};

struct Seen {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  HWND hwnd;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  g_seen.push_back(Seen{msg, wp, lp, hwnd});
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class Core : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    g_seen.clear();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "TestClass";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    ASSERT_NE(RegisterClassExA(&wc), 0);
  }
  HWND make(int w = 750, int h = 570) {
    return CreateWindowExA(0, "TestClass", "T", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           w, h, nullptr, nullptr, nullptr, nullptr);
  }
  int count(UINT message) const {
    int n = 0;
    for (const auto& s : g_seen) n += s.message == message ? 1 : 0;
    return n;
  }
};

TEST_F(Core, CreateSendsCreateWithTheReturnedHandleAndStaysHiddenUntilShown) {
  const HWND h = make();
  ASSERT_NE(h, nullptr);
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(g_seen[0].hwnd, h);
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "a hidden window gets no paint";
  EXPECT_EQ(count(WM_SIZE), 0);

  UpdateWindow(h);  // hidden: no paint
  EXPECT_EQ(count(WM_PAINT), 0);
  ShowWindow(h, SW_SHOWNORMAL);
  ASSERT_EQ(count(WM_SIZE), 1);
  const Seen& size = g_seen.back();
  EXPECT_EQ(size.wparam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(LOWORD(size.lparam), 750 - platform::FRAME_WIDTH);
  EXPECT_EQ(HIWORD(size.lparam), 570 - platform::FRAME_HEIGHT);
  ShowWindow(h, SW_SHOWNORMAL);
  EXPECT_EQ(count(WM_SIZE), 1) << "only the first show sends WM_SIZE";
  UpdateWindow(h);  // visible and invalid: painted at once
  EXPECT_EQ(count(WM_PAINT), 1);
  UpdateWindow(h);  // validated by the paint
  EXPECT_EQ(count(WM_PAINT), 1);
}

TEST_F(Core, APaintErasesWithTheClassBackground) {
  const HWND h = make();
  EXPECT_EQ(headless::pixel(h, 10, 10), 0u) << "a new window picture is black";
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  EXPECT_EQ(headless::pixel(h, 10, 10), platform::LTGRAY_RGB);
  EXPECT_EQ(count(WM_ERASEBKGND), 1);
}

TEST_F(Core, ClientAreaIsTheOuterSizeLessTheFrame) {
  const HWND h = make(750, 570);
  RECT r{};
  ASSERT_TRUE(GetClientRect(h, &r));
  EXPECT_EQ(r.right - r.left, 734);
  EXPECT_EQ(r.bottom - r.top, 531);
}

TEST_F(Core, PostedMessagesComeFirstInOrderThenQuitThenPaint) {
  const HWND h = make();
  ShowWindow(h, SW_SHOWNORMAL);  // invalid now
  PostMessageA(h, WM_USER + 1, 1, 0);
  PostMessageA(h, WM_USER + 2, 2, 0);
  PostQuitMessage(7);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1)) << "PM_NOREMOVE leaves it waiting";
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&m);  // validates
  MSG untouched{};
  untouched.message = 12345;
  EXPECT_FALSE(PeekMessageA(&untouched, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(untouched.message, 12345u) << "an empty peek leaves the record alone";
}

TEST_F(Core, InvalidationAddsToTheUpdateRegionAndBeginPaintValidates) {
  const HWND h = make();
  ShowWindow(h, SW_SHOWNORMAL);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "paint stays until validated";
  DispatchMessageA(&m);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageA(&m);
  InvalidateRect(h, nullptr, FALSE);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Core, CloseDestroysThroughTheDefaultHandling) {
  const HWND h = make();
  SendMessageA(h, WM_CLOSE, 0, 0);
  EXPECT_EQ(count(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0) << "a dead handle reaches nobody";
  // A new window never answers to the old handle.
  const HWND again = make();
  EXPECT_NE(again, h);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(Core, NativeKeysArePostedWithWindowsLParam) {
  const HWND h = make();
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
    EXPECT_EQ(static_cast<DWORD>(m.lParam), c.lparam) << c.what << ": Windows' lParam";
  }
}

TEST_F(Core, NativeButtonsAndWindowEventsBecomeMessages) {
  const HWND h = make();
  using K = platform::NativeEventKind;
  platform::NativeEvent e;
  e.kind = K::ButtonUp;
  e.button = 1;
  platform::deliverNativeEvent(e);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_RBUTTONUP));
  EXPECT_EQ(m.hwnd, h);

  g_seen.clear();
  e = platform::NativeEvent{};
  e.kind = K::Minimise;
  platform::deliverNativeEvent(e);
  e.kind = K::Maximise;
  e.width = 1000;
  e.height = 700;
  platform::deliverNativeEvent(e);
  e.kind = K::Close;
  platform::deliverNativeEvent(e);
  ASSERT_GE(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(g_seen[0].wparam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(g_seen[1].wparam, static_cast<WPARAM>(SIZE_MAXIMIZED));
  EXPECT_EQ(g_seen[1].lparam, MAKELPARAM(1000, 700));
  EXPECT_EQ(g_seen[2].message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(g_seen[3].message, static_cast<UINT>(WM_DESTROY));
}

TEST_F(Core, AltF4ClosesThroughTheDefaultHandling) {
  const HWND h = make();
  SendMessageA(h, WM_SYSKEYDOWN, VK_F4, platform::keyDownLParam(false, true));
  EXPECT_EQ(count(WM_CLOSE), 1);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(Core, DibSectionIsZeroFilledAndBlitsBottomUpThroughItsPalette) {
  const HWND h = make(16 + 5, 39 + 3);  // client 5 x 3: stride padded to 8
  ShowWindow(h, SW_SHOWNORMAL);
  Info256 info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = 5;
  info.header.biHeight = 3;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.palette[1] = RGBQUAD{0x30, 0x20, 0x10, 0};  // blue, green, red
  info.palette[2] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
  HDC window_dc = GetDC(h);
  HDC mem = CreateCompatibleDC(window_dc);
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mem, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                 nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  ASSERT_NE(bits, nullptr);
  auto* p = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < 8 * 3; ++i) ASSERT_EQ(p[i], 0) << "byte " << i;
  p[0] = 1;          // memory row 0 = bottom row of the picture
  p[2 * 8 + 4] = 2;  // memory row 2, column 4 = top right
  HGDIOBJ old = SelectObject(mem, bmp);
  EXPECT_FALSE(DeleteObject(bmp)) << "a selected bitmap cannot be deleted";
  ASSERT_TRUE(BitBlt(window_dc, 0, 0, 5, 3, mem, 0, 0, SRCCOPY));
  EXPECT_EQ(headless::pixel(h, 0, 2), 0x102030u);
  EXPECT_EQ(headless::pixel(h, 4, 0), 0xFFFFFFu);
  EXPECT_EQ(headless::pixel(h, 0, 0), 0x000000u);
  SelectObject(mem, old);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteDC(mem);
  ReleaseDC(h, window_dc);
}

TEST_F(Core, RefusedDibSectionsGiveNoMemory) {
  Info256 info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  void* bits = reinterpret_cast<void*>(1);
  info.header.biWidth = 0;
  info.header.biHeight = 10;
  EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                             nullptr, 0),
            nullptr);
  EXPECT_EQ(bits, nullptr);
  info.header.biWidth = 100000;
  info.header.biHeight = 100000;
  EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                             nullptr, 0),
            nullptr);
}

TEST_F(Core, FixedFontHasItsDocumentedMetrics) {
  const HWND h = make();
  HDC dc = GetDC(h);
  HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
  EXPECT_EQ(previous, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(dc, &tm));
  EXPECT_EQ(tm.tmHeight, platform::FIXED_FONT_HEIGHT);
  EXPECT_EQ(tm.tmAveCharWidth, platform::FIXED_FONT_CHAR_WIDTH);
  EXPECT_EQ(tm.tmExternalLeading, platform::FIXED_FONT_EXTERNAL_LEADING);
  ReleaseDC(h, dc);
}

TEST_F(Core, ClockAndTimersFollowTheScript) {
  headless::setCounterFrequency(1000);
  headless::setTicksPerRead(0);
  LARGE_INTEGER f{}, c{};
  ASSERT_TRUE(QueryPerformanceFrequency(&f));
  EXPECT_EQ(f.QuadPart, 1000);
  Sleep(250);
  ASSERT_TRUE(QueryPerformanceCounter(&c));
  EXPECT_EQ(c.QuadPart, 250);
  headless::setCounterFrequency(0);
  EXPECT_FALSE(QueryPerformanceFrequency(&f));
  TIMECAPS tc{};
  EXPECT_EQ(timeGetDevCaps(&tc, sizeof tc), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(tc.wPeriodMin, 1u);
  headless::setTimerCaps(false, 0, 0);
  EXPECT_NE(timeGetDevCaps(&tc, sizeof tc), static_cast<MMRESULT>(TIMERR_NOERROR));
}

using CoreDeath = Core;

TEST_F(CoreDeath, ExitProcessKeepsTheLowByteAndPrintsTheWholeNumber) {
  EXPECT_EXIT(ExitProcess(7010), ::testing::ExitedWithCode(98), "ExitProcess\\(7010\\)");
  EXPECT_EXIT(ExitProcess(static_cast<UINT>(-1)), ::testing::ExitedWithCode(255),
              "ExitProcess\\(-1\\)");
}

}  // namespace
